#include "shell/Tools.h"

#include "tools/batch/UFrmBatch.h"
#include "tools/comparison/UFrmCompare.h"
#include "tools/planning/UFrmPlan.h"
#include "tools/yearly/UFrmYearly.h"

#include <array>

namespace tools {

namespace {

template <class Window>
QWidget* Make(QWidget* parent) {
    return new Window(parent);
}

bool BatchMayClose(QWidget* window) {
    return static_cast<TFrmBatch*>(window)->ConfirmClose();
}

const std::array<Tool, 4> kTools{{
    {"年终奖筹划(&P)...", "Menu_Tool_Plan", &Make<TFrmPlan>, nullptr},
    {"综合所得（2019年起）(&Z)...", "Menu_Tool_Yearly", &Make<TFrmYearly>, nullptr},
    {"新旧税制对比(&C)...", "Menu_Tool_Compare", &Make<TFrmCompare>, nullptr},
    {"批量计算(&B)...", "Menu_Tool_Batch", &Make<TFrmBatch>, &BatchMayClose},
}};

} // namespace

std::span<const Tool> All() {
    return kTools;
}

} // namespace tools

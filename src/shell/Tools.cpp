#include "shell/Tools.h"

#include "tools/batch/Tool.h"
#include "tools/comparison/Tool.h"
#include "tools/planning/Tool.h"
#include "tools/yearly/Tool.h"

#include <array>

namespace tools {

namespace {

const std::array<Tool, 4> kTools{{
    {"年终奖筹划(&P)...", "Menu_Tool_Plan", &MakePlan, nullptr},
    {"综合所得（2019年起）(&Z)...", "Menu_Tool_Yearly", &MakeYearly, nullptr},
    {"新旧税制对比(&C)...", "Menu_Tool_Compare", &MakeCompare, nullptr},
    {"批量计算(&B)...", "Menu_Tool_Batch", &MakeBatch, &BatchMayClose},
}};

} // namespace

std::span<const Tool> All() {
    return kTools;
}

} // namespace tools

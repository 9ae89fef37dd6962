#include "shell/PlanChart.h"

#include "framework/Plugins.h"

namespace planchart {

tax::Result<TPlanChartView*> Create(QWidget* parent) {
    static IPlanChartFactory* factory = nullptr;
    if (!factory) {
        QString error;
        factory = qobject_cast<IPlanChartFactory*>(plugins::Load(QStringLiteral("qingfu_planchart"), error));
        if (!factory) return tax::Fail("无法载入图表组件：\n" + error.toStdString());
    }
    return factory->Create(parent);
}

} // namespace planchart

#include "framework/PlanChart.h"

#include "framework/Plugins.h"

namespace planchart {

namespace {

tax::Result<IPlanChartFactory*> Factory() {
    static IPlanChartFactory* factory = nullptr;
    if (!factory) {
        QString error;
        factory = qobject_cast<IPlanChartFactory*>(plugins::Load(QStringLiteral("qingfu_planchart"), error));
        if (!factory) return tax::Fail("无法载入图表组件：\n" + error.toStdString());
    }
    return factory;
}

} // namespace

tax::Result<TPlanChartView*> Create(QWidget* parent) {
    auto factory = Factory();
    if (!factory) return factory.failure();
    return (*factory)->Create(parent);
}

tax::Result<TLawsChartView*> CreateLaws(QWidget* parent) {
    auto factory = Factory();
    if (!factory) return factory.failure();
    return (*factory)->CreateLaws(parent);
}

} // namespace planchart

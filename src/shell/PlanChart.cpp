#include "shell/PlanChart.h"

#include "framework/Plugins.h"

namespace planchart {

namespace {
QString lastError;

IPlanChartFactory* Factory() {
    static IPlanChartFactory* factory = nullptr;
    if (!factory) factory = qobject_cast<IPlanChartFactory*>(plugins::Load(QStringLiteral("qingfu_planchart"), lastError));
    return factory;
}

} // namespace

TPlanChartView* Create(QWidget* parent) {
    IPlanChartFactory* factory = Factory();
    return factory ? factory->Create(parent) : nullptr;
}

TLawsChartView* CreateLaws(QWidget* parent) {
    IPlanChartFactory* factory = Factory();
    return factory ? factory->CreateLaws(parent) : nullptr;
}

QString LoadError() {
    return lastError;
}

} // namespace planchart

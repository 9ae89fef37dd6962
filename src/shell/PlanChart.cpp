#include "shell/PlanChart.h"

#include "framework/Plugins.h"

namespace planchart {

namespace {
QString lastError;
} // namespace

TPlanChartView* Create(QWidget* parent) {
    static IPlanChartFactory* factory = nullptr;
    if (!factory) {
        factory = qobject_cast<IPlanChartFactory*>(plugins::Load(QStringLiteral("qingfu_planchart"), lastError));
        if (!factory) return nullptr;
    }
    return factory->Create(parent);
}

QString LoadError() {
    return lastError;
}

} // namespace planchart

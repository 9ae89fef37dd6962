#pragma once
// The planning window's plot, through the plugin that is loaded when it is first shown.

#include "pluginapi/PlanChart.h"
#include "tax/Result.h"

class QWidget;

namespace planchart {
// The plot, or why its plugin cannot be found or loaded (the window then goes without it).
tax::Result<TPlanChartView*> Create(QWidget* parent);
// The laws' plot, or why its plugin cannot be loaded.
tax::Result<TLawsChartView*> CreateLaws(QWidget* parent);
} // namespace planchart

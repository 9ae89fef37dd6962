#pragma once
// The 年终奖筹划 window as the main window's tool registry opens it: the registry names this entry,
// never the window's class.

class QWidget;

namespace tools {

QWidget* MakePlan(QWidget* parent);

} // namespace tools

#pragma once
// The 批量计算 window as the main window's tool registry opens it: the registry names this entry,
// never the window's class.

class QWidget;

namespace tools {

QWidget* MakeBatch(QWidget* parent);
// Asked before the program quits while the window is open: false keeps it (unsaved rows).
bool BatchMayClose(QWidget* window);

} // namespace tools

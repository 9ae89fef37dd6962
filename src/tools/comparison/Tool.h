#pragma once
// The 新旧税制对比 window as the main window's tool registry opens it: the registry names this entry,
// never the window's class.

class QWidget;

namespace tools {

QWidget* MakeCompare(QWidget* parent);

} // namespace tools

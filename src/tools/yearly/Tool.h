#pragma once
// The 综合所得（2019年起） window as the main window's tool registry opens it: the registry names this entry,
// never the window's class.

class QWidget;

namespace tools {

QWidget* MakeYearly(QWidget* parent);

} // namespace tools

#pragma once
// What the wage and bonus panels share beyond the common panel: the allowance list and the
// blind-zone notice.

#include "framework/CalcPanel.h"
#include "framework/Fields.h"
#include "tax/Decimal.h"

class QComboBox;
class QLabel;
class QWidget;

namespace wage {

// The pick-only "起征点" list at its place in a panel's table.
inline constexpr Control AllowanceList(int x, int y) {
    return layout::List("CmbPoint", x, y, fields::AllowanceItems);
}

// If the bonus lies in a blind zone: the zone's text into `info`, then a modal warning owned
// by the panel's window. Nothing at all otherwise: `info` keeps its text.
void CheckBlindZone(QWidget* panel, QLabel* info, tax::Decimal bonus);

} // namespace wage

#pragma once
// What the wage and bonus panels share beyond the common panel: the allowance list, the
// focus after a calculation, and the blind-zone notice.

#include "tax/Decimal.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace wage {

// The pick-only "起征点" list, its rows taken from the allowance table.
QComboBox* AllowanceList(QWidget* parent, int x, int y);
// The allowance of the selected row.
tax::Decimal Allowance(const QComboBox* list);

// Focus a field and select its whole text, ready for the next amount.
void FocusAll(QLineEdit* field);

// If the bonus lies in a blind zone: the zone's text into `info`, then a modal warning owned
// by the panel's window. Nothing at all otherwise: `info` keeps its text.
void CheckBlindZone(QWidget* panel, QLabel* info, tax::Decimal bonus);

} // namespace wage

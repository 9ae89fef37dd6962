#pragma once
// Writing results and reading keys the same way on every panel.

#include "tax/Decimal.h"

#include <QString>
#include <QStringList>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;

namespace fields {

// Writes a field from code. Its change handler runs only when the text really changes, as
// after an edit by the user; an equal text leaves the field and its handlers alone. The field
// shows the text from its first character; a text wider than the field is also its tooltip.
void Write(QLineEdit* field, const QString& text);

// Writes a result or info label and fits the label to its text; when the label then runs past
// its parent's edge, the text is also its tooltip.
void Write(QLabel* label, const QString& text);

// Focuses a field with all its text selected and the cursor at the start, so a long figure
// shows its first digits.
void FocusAll(QLineEdit* field);

QString Money(tax::Decimal amount);   // two decimals, half away from zero: 12.5 -> "12.50"
QString General(tax::Decimal amount); // 15 significant digits, no trailing zeros: 10931.25
QString Rate(tax::Decimal rate);      // 0.20 -> "20%"

// The rows of a pick-only "起征点" list, from the allowance table, and the allowance of the
// row a list has selected: every window that offers the choice reads it the same way.
QStringList AllowanceItems();
tax::Decimal Allowance(const QComboBox* list);

// Runs `handler` on Enter or the keypad's Enter in `field`, whatever modifier is held.
// The key still reaches the field afterwards.
void OnEnter(QLineEdit* field, std::function<void()> handler);

} // namespace fields

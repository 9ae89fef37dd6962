#pragma once
// Writing results and reading keys the same way on every panel.

#include "tax/Decimal.h"

#include <QString>
#include <functional>

class QLabel;
class QLineEdit;

namespace fields {

// Writes a field from code. Its change handler runs only when the text really changes, as
// after an edit by the user; an equal text leaves the field and its handlers alone.
void Write(QLineEdit* field, const QString& text);

// Writes a result or info label and fits the label to its text.
void Write(QLabel* label, const QString& text);

QString Money(tax::Decimal amount);   // two decimals, half away from zero: 12.5 -> "12.50"
QString General(tax::Decimal amount); // 15 significant digits, no trailing zeros: 10931.25
QString Rate(tax::Decimal rate);      // 0.20 -> "20%"

// Runs `handler` on Enter or the keypad's Enter in `field`, whatever modifier is held.
// The key still reaches the field afterwards.
void OnEnter(QLineEdit* field, std::function<void()> handler);

} // namespace fields

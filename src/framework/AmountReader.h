#pragma once
// Reads one amount field the way every panel does: trim, write back, fill an empty optional
// field with "0.00", parse, range-check; on failure a message beside the field, and the field
// focused with its whole text selected so the user can type over it.

#include "framework/Messages.h"
#include "tax/Decimal.h"

#include <QString>
#include <optional>

class QLabel;
class QLineEdit;

struct AmountRule {
    bool emptyIsZero;   // an empty field is filled with "0.00" and read as 0
    bool zeroAllowed;   // accepts 0 and above; otherwise only amounts above 0
    QString notNumber;  // message for a text that is no amount (empty: no message)
    QString outOfRange; // message for an amount outside the range (empty: no message)
};

namespace rules {
// A required income: above 0.
inline const AmountRule kIncome{false, false, msg::kInvalidAmount, msg::kIncomeAboveZero};
// A required amount that may be 0 (salary parts).
inline const AmountRule kIncomeOrZero{false, true, msg::kInvalidAmount, msg::kIncomeNotNegative};
// Social insurance: empty means 0, and 0 is accepted despite the message's wording.
inline const AmountRule kSafe{true, true, msg::kInvalidAmount, msg::kSafeAboveZero};
// The tax or after-tax amount typed for a reverse calculation.
inline const AmountRule kReverse{false, false, msg::kAmountInvalid, msg::kTaxAboveZero};
} // namespace rules

// A field's amount refused: the message beside it (when there is a label and a message), the
// field focused with its text selected to be typed over. Gives no amount.
std::optional<tax::Decimal> RefuseAmount(QLineEdit* field, QLabel* info, const QString& message);

// `info` may be null for a field that reports only by focus and selection.
std::optional<tax::Decimal> ReadAmount(QLineEdit* field, QLabel* info, const AmountRule& rule);

// The answer of a reverse calculation, if the reader could take it back: otherwise the typed
// figure that led to it is refused as no amount, beside its field, and kept as typed.
std::optional<tax::Decimal> ReadableAnswer(tax::Decimal answer, QLineEdit* typed, QLabel* info,
                                           const AmountRule& rule);


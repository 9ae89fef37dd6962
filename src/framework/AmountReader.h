#pragma once
// Reads one amount field the way every panel does: trim, write back, fill an empty optional
// field with "0.00", parse, range-check; on failure a message beside the field, and the field
// focused with its whole text selected so the user can type over it.

#include "framework/Messages.h"
#include "tax/Amount.h"
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

// The tool windows' reader, which reads as the figures follow the typing: an amount as a payroll
// file writes it ("300,000.00", "¥2000", "2000元", full-width digits) is taken as the batch takes
// it, the field's text is left as typed, and every refusal names the field and what is wrong,
// in the same words in every window.
namespace amounts {

struct Rule {
    QString name;            // the field as its caption says it; empty: its accessible name
    bool required = false;   // empty: nothing to compute yet (no message); otherwise empty reads as 0
    bool zeroAllowed = true; // false: only above 0
    tax::Decimal most = tax::kMaxAmount; // refused above this, as too large
    bool wholeFen = false;               // refused with a fraction of a fen
};

// Empty reads as 0; 0 and above, whole fen or not: the general optional amount.
inline const Rule kOptional{};

struct Reading {
    std::optional<tax::Decimal> value;
    QString error; // why there is no value; empty for a required field left empty
};

Reading Read(const QString& text, const Rule& rule);

// The messages, for a window's own checks to say theirs in the same words.
QString NotAnAmount(const QString& name);
QString Negative(const QString& name);
QString NotAboveZero(const QString& name);
QString TooLarge(const QString& name, tax::Decimal most);
QString FractionOfFen(const QString& name);

// Reads a field without touching its text or its focus: the message (or nothing) beside it in
// `info`, and the field tinted while it is refused.
std::optional<tax::Decimal> ReadTyped(QLineEdit* field, QLabel* info, const Rule& rule);

} // namespace amounts

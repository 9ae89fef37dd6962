#include "framework/AmountReader.h"

#include "framework/Fields.h"
#include "tax/Amount.h"

#include <QLabel>
#include <QLineEdit>

std::optional<tax::Decimal> RefuseAmount(QLineEdit* field, QLabel* info, const QString& message) {
    if (info && !message.isEmpty()) fields::Write(info, message);
    fields::FocusAll(field);
    return std::nullopt;
}

std::optional<tax::Decimal> ReadAmount(QLineEdit* field, QLabel* info, const AmountRule& rule) {
    const std::string trimmed = tax::TrimAmountText(field->text().toStdString());
    fields::Write(field, QString::fromStdString(trimmed));
    if (rule.emptyIsZero && trimmed.empty()) fields::Write(field, QStringLiteral("0.00"));

    const std::optional<tax::Decimal> value = tax::ParseAmount(field->text().toStdString());
    if (!value) return RefuseAmount(field, info, rule.notNumber);
    const bool inRange = rule.zeroAllowed ? !value->IsNegative() : *value > 0;
    if (!inRange) return RefuseAmount(field, info, rule.outOfRange);
    return value;
}

std::optional<tax::Decimal> ReadableAnswer(tax::Decimal answer, QLineEdit* typed, QLabel* info,
                                           const AmountRule& rule) {
    // The answer is written in the general form, which rounds to 15 digits: judge that.
    if (!tax::ParseAmount(tax::FormatGeneral(answer))) return RefuseAmount(typed, info, rule.notNumber);
    return answer;
}

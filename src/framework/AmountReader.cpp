#include "framework/AmountReader.h"

#include "batch/Amount.h"
#include "framework/Fields.h"
#include "tax/Amount.h"

#include <QLabel>
#include <QLineEdit>
#include <algorithm>

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

namespace amounts {

namespace {

QString NameOf(const Rule& rule, const QLineEdit* field) {
    if (!rule.name.isEmpty()) return rule.name;
    if (field && !field->accessibleName().isEmpty()) return field->accessibleName();
    return QStringLiteral("金额");
}

// The digits before the point of a text the batch found too precise to hold (more than 34
// significant digits), so that a long whole number is judged by its size; −1 when it has an
// exponent, whose size this does not tell.
int WholeDigits(const QString& text) {
    int digits = 0;
    for (QChar c : text) {
        if (c == QLatin1Char('e') || c == QLatin1Char('E')) return -1;
        if (c == QLatin1Char('.') || c == QChar(0xFF0E)) break;
        const bool digit =
            (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QChar(0xFF10) && c <= QChar(0xFF19));
        if (digit && (digits > 0 || (c != QLatin1Char('0') && c != QChar(0xFF10)))) ++digits;
    }
    return digits;
}

int WholeDigits(tax::Decimal most) {
    const tax::Decimal::Parts p = most.FloorCents().Decompose();
    return std::max(0, static_cast<int>(p.digits.size()) + p.exponent);
}

// Digits other than zeros past the second decimal: "0.001", "12.5050".
bool BeyondFen(std::string_view text) {
    const size_t point = text.find('.');
    if (point == std::string_view::npos) return false;
    size_t end = point + 1;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    for (size_t i = point + 3; i < end; ++i)
        if (text[i] != '0') return true;
    return false;
}

bool StartsNegative(const QString& text) {
    const QString t = text.trimmed();
    return t.startsWith(QLatin1Char('-')) || t.startsWith(QChar(0xFF0D));
}

Reading Judge(tax::Decimal value, const QString& name, const Rule& rule) {
    if (value.IsNegative()) return {std::nullopt, Negative(name)};
    if (!rule.zeroAllowed && value == tax::Decimal()) return {std::nullopt, NotAboveZero(name)};
    if (value > rule.most) return {std::nullopt, TooLarge(name, rule.most)};
    if (rule.wholeFen && value.RoundCents() != value) return {std::nullopt, FractionOfFen(name)};
    return {value, QString()};
}

Reading ReadNamed(const QString& text, const QString& name, const Rule& rule) {
    const std::string utf8 = text.toStdString();
    if (batch::TrimCell(utf8).empty()) {
        if (rule.required) return {std::nullopt, QString()};
        return {tax::Decimal(), QString()};
    }
    tax::batch::Amount amount;
    switch (batch::ReadAmount(utf8, amount)) {
    case batch::AmountRead::kOk:
        // The batch reads a cell's 10000.005 to the fen, as a spreadsheet shows it; a person
        // typing a fraction of a fen where only fen will do is told so instead.
        if (rule.wholeFen && BeyondFen(utf8)) return {std::nullopt, FractionOfFen(name)};
        return Judge(amount.value, name, rule);
    case batch::AmountRead::kTooPrecise:
        break;
    default:
        return {std::nullopt, NotAnAmount(name)};
    }
    if (StartsNegative(text)) return {std::nullopt, Negative(name)};
    const int whole = WholeDigits(text);
    if (whole > WholeDigits(rule.most)) return {std::nullopt, TooLarge(name, rule.most)};
    if (rule.wholeFen && whole >= 0) return {std::nullopt, FractionOfFen(name)};
    return {std::nullopt, QStringLiteral("%1的有效数字超过 34 位，无法精确计算").arg(name)};
}

} // namespace

QString NotAnAmount(const QString& name) {
    return QStringLiteral("%1不是金额：请输入数字，如 300000 或 300,000.00").arg(name);
}
QString Negative(const QString& name) {
    return QStringLiteral("%1不能为负数").arg(name);
}
QString NotAboveZero(const QString& name) {
    return QStringLiteral("%1需大于0").arg(name);
}
QString TooLarge(const QString& name, tax::Decimal most) {
    return QStringLiteral("%1过大，不能大于 %2 元").arg(name, fields::Money(most));
}
QString FractionOfFen(const QString& name) {
    return QStringLiteral("%1只能精确到分").arg(name);
}

Reading Read(const QString& text, const Rule& rule) {
    return ReadNamed(text, NameOf(rule, nullptr), rule);
}

std::optional<tax::Decimal> ReadTyped(QLineEdit* field, QLabel* info, const Rule& rule) {
    const Reading r = ReadNamed(field->text(), NameOf(rule, field), rule);
    const bool refused = !r.value && !r.error.isEmpty();
    field->setStyleSheet(refused ? QStringLiteral("QLineEdit { background-color: rgb(255, 214, 214); }")
                                 : QString());
    if (info) fields::Write(info, r.error);
    return r.value;
}

} // namespace amounts

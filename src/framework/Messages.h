#pragma once
// The fixed texts that the amount readers show beside a field.

#include <QString>

namespace msg {

inline const QString kInvalidAmount = QStringLiteral("无效的金额，请重新输入");
inline const QString kAmountInvalid = QStringLiteral("金额无效，请重新输入");
inline const QString kIncomeAboveZero = QStringLiteral("收入金额需大于零，请重新输入");
inline const QString kIncomeNotNegative = QStringLiteral("收入不能小于0，请重新输入");
inline const QString kSafeAboveZero = QStringLiteral("五险一金需大于零，请重新输入");
inline const QString kTaxAboveZero = QStringLiteral("应纳税额应大于0。");

} // namespace msg

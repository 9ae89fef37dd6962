#pragma once
// The fixed texts that the amount readers show beside a field.

#include "tax/Messages.h"

#include <QString>

namespace msg {

inline const QString kInvalidAmount = QString::fromUtf8(tax::msg::kInvalidAmount);
inline const QString kAmountInvalid = QString::fromUtf8(tax::msg::kAmountInvalid);
inline const QString kIncomeAboveZero = QString::fromUtf8(tax::msg::kIncomeAboveZero);
inline const QString kIncomeNotNegative = QString::fromUtf8(tax::msg::kIncomeNotNegative);
inline const QString kSafeAboveZero = QString::fromUtf8(tax::msg::kSafeAboveZero);
inline const QString kTaxAboveZero = QString::fromUtf8(tax::msg::kTaxAboveZero);

} // namespace msg

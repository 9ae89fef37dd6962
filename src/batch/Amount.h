#pragma once
// A payroll sheet's amount as people and spreadsheet programs write it: blanks around it, a
// leading ¥ or ￥, a trailing 元, full-width digits, and thousands separators in whole groups of
// three ("12,000.00") are taken before the calculators' own reader reads the rest. An amount
// with more significant digits than the exact decimal holds is refused, never rounded.

#include "tax/Batch.h"

#include <string_view>

namespace batch {

enum class AmountRead { kOk, kUnreadable, kTooPrecise };

AmountRead ReadAmount(std::string_view text, tax::batch::Amount& out);

// Blanks (ASCII and the ideographic space) off both ends.
std::string_view TrimCell(std::string_view s);

// The exact text of an amount: two decimals for whole cents ("12000.00"), all its digits
// otherwise, so that reading it back gives the same value.
void AppendExact(std::string& out, tax::Decimal value);

} // namespace batch

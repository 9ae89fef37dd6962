#pragma once
// Amounts of money as the user types and reads them: yuan in an exact decimal, '.' as the
// decimal point whatever the locale, two decimals on screen.

#include "tax/Decimal.h"

#include <optional>
#include <string>
#include <string_view>

namespace tax {

// The largest magnitude the calculators accept; beyond it an amount is refused. A reverse
// calculation whose answer lies beyond it is refused as well, since it could not be read back.
inline constexpr Decimal kMaxAmount = Decimal::Scaled(1, 300);
bool WithinAmountLimit(Decimal value);

// Drops leading and trailing characters of code 32 or less (blanks and control characters).
std::string TrimAmountText(std::string_view text);

// Reads an already trimmed text: an optional sign, digits with at most one '.', and an optional
// exponent ('E' or 'e', optional sign, digits). Anything else is no amount: empty text, "inf",
// "nan", hex, thousands separators, currency signs, inner blanks, non-ASCII digits, and values
// whose magnitude exceeds kMaxAmount. A value too small to matter (1e-7000) reads as zero.
std::optional<Decimal> ParseAmount(std::string_view text);

// "%.2f" as a person checking by hand expects it: rounded half away from zero to two decimals
// (2.675 -> 2.68, 12345678901234.56 stays); never "-0.00".
std::string FormatAmount(Decimal value);

// The general number form: 15 significant digits (half away from zero), trailing zeros and a
// bare point dropped, exponent form ("1E15", "1.5E-6") from 1e15 up and below 1e-5.
// ParseAmount reads it back.
std::string FormatGeneral(Decimal value);

// A table rate as a percentage: 0.20 -> "20%", 0.03 -> "3%".
std::string FormatRate(Decimal rate);

} // namespace tax

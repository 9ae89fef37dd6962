#pragma once
// Amounts of money as the user types and reads them: yuan in a double, '.' as the decimal
// point whatever the locale, two decimals on screen.

#include <optional>
#include <string>
#include <string_view>

namespace tax {

// The largest magnitude the calculators accept. Every rule multiplies or divides an amount by
// at most a few dozen, so anything up to this stays finite; beyond it an amount is refused.
inline constexpr double kMaxAmount = 1e300;

// Drops leading and trailing characters of code 32 or less (blanks and control characters).
std::string TrimAmountText(std::string_view text);

// Reads an already trimmed text: an optional sign, digits with at most one '.', and an optional
// exponent ('E' or 'e', optional sign, digits). Anything else is no amount: empty text, "inf",
// "nan", hex, thousands separators, currency signs, inner blanks, non-ASCII digits, and values
// whose magnitude exceeds kMaxAmount. A value too small for a double reads as zero.
std::optional<double> ParseAmount(std::string_view text);

// "%.2f" as a person checking by hand expects it: the value's decimal form to 15 significant
// digits, rounded half away from zero to two decimals (2.675 -> 2.68); never "-0.00".
std::string FormatAmount(double value);

// The general number form: 15 significant digits, trailing zeros and a bare point dropped,
// exponent form ("1E15", "1.5E-6") from 1e15 up and below 1e-5. ParseAmount reads it back.
std::string FormatGeneral(double value);

// A table rate as a percentage: 0.2 -> "20%", 0.03 -> "3%".
std::string FormatRate(double rate);

} // namespace tax

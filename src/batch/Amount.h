#pragma once
// A payroll sheet's amount as people and spreadsheet programs write it: blanks around it, a
// leading ¥ or ￥, a trailing 元, full-width digits, and thousands separators in whole groups of
// three ("12,000.00") are taken before the calculators' own reader reads the rest. An amount
// with more decimals than fen (a formula's 10000.005) is read to the fen, half away from zero,
// as a two-decimal column shows it; one with more significant digits than the exact decimal
// holds is refused, never rounded. What a workbook cell shows that is no amount (a percentage,
// a date, a formula without its value, an error, a logical value) is told apart, so that the
// refusal says what to mend.

#include "tax/Batch.h"

#include <string_view>

namespace batch {

enum class AmountRead { kOk, kUnreadable, kTooPrecise, kPercent, kDate, kFormula, kError, kLogical };

AmountRead ReadAmount(std::string_view text, tax::batch::Amount& out);
// The reason a refused amount is given in a row's 说明, "{}" standing for the cell's text.
const char* AmountReason(AmountRead read);

// The common form straight into cents, the first thing ReadAmount tries: an optional sign,
// digits, an optional point and at most two decimals (more only if they are zeros), nothing
// else. False leaves the text to ReadAmount.
inline bool PlainCents(std::string_view s, long long& value) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    long long whole = 0;
    size_t digits = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++digits) {
        if (digits >= 13) return false;
        whole = whole * 10 + (s[i] - '0');
    }
    long long cents = 0;
    size_t decimals = 0;
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++decimals) {
            if (decimals < 2) cents = cents * 10 + (s[i] - '0');
            else if (s[i] != '0') return false;
        }
    }
    if (i != s.size() || digits + decimals == 0) return false;
    if (decimals == 1) cents *= 10;
    value = negative ? -(whole * 100 + cents) : whole * 100 + cents;
    return true;
}

// A 月份 cell as the month reader takes it: full-width digits and signs made ASCII, and a date
// (what a workbook shows for a date cell, "2024-01-15" or "2024-01-15 00:00:00") cut to its
// year and month. `buffer` holds the text when it had to change.
std::string_view MonthCell(std::string_view cell, std::string& buffer);

// Blanks (ASCII and the ideographic space) off both ends.
std::string_view TrimCell(std::string_view s);

// The exact text of an amount: two decimals for whole cents ("12000.00"), all its digits
// otherwise, so that reading it back gives the same value.
void AppendExact(std::string& out, const tax::Decimal& value);

} // namespace batch

#pragma once
// A payroll row at a time: the amounts of one person in, the wage and year-end bonus figures
// out, as the wage and the wage + bonus calculators give them. Reading the texts of a sheet and
// refusing what cannot be read is the batch files' work (batch::ComputeRow).

#include "tax/BonusTax.h"
#include "tax/Decimal.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace tax::batch {

// The input columns, in the order a file without a header lists them (their titles and the
// output columns: batch::kOutput).
enum Column { kName, kWage, kInsurance, kAllowance, kBonus, kInputColumns };
using RowText = std::array<std::string_view, kInputColumns>;

struct RowResult {
    bool ok = false;
    Column badColumn = kName;      // when refused
    // When refused: UTF-8, "{}" standing for the cell's text (batch::RefusalText fills it in).
    const char* reason = nullptr;
    // When refused by a law's own rule: the whole reason, title included (reason is then null).
    std::string message;

    Decimal wage, insurance, allowance;
    Decimal taxable;               // wage − insurance − allowance; shown as 0 when not taxed
    int bracket = -1;              // index in the wage table, −1 when nothing is taxed
    Decimal rate, quick;           // of that bracket in the law's table; 0 when none
    std::string_view rateText;     // the rate as shown: "20%"
    Decimal wageTax, wageNet;      // wageNet: wage − insurance − wage tax
    bool hasBonus = false;
    Decimal bonus, bonusTax, bonusNet;
    Decimal totalTax;
    const BlindZone* zone = nullptr; // the zone of the bonus after any allowance shortfall
};

// An amount as read: whole cents within the fast range take integer arithmetic, anything else
// the calculators' decimal functions.
struct Amount {
    bool fast = true;
    long long cents = 0;
    Decimal value;
    static Amount Of(Decimal v);
};

// One person's figures; `bonus` null when there is none. The amounts are already checked: the
// wage above zero (or not below it beside a bonus), the others not negative, the allowance one
// of kAllowances.
RowResult Compute(const Amount& wage, const Amount& insurance, const Amount& allowance, const Amount* bonus);

// Figures as the calculators print them: "%.2f", no separators; the rate as "20%".
void AppendMoney(std::string& out, Decimal value);
// The same with a comma between every three digits before the point, as tables show money:
// "1,234,567.80", "-1,000.00".
void AppendGrouped(std::string& out, Decimal value);
// AppendMoney's common case in two steps, for writers that fill their own buffer: the value's
// cents when it is a whole number of cents within 64 bits, and those cents written at `out`
// (at most kCentsChars bytes), returning the end. CentsOf never gives INT64_MIN, which
// WriteCents cannot take.
inline bool CentsOf(const Decimal& value, long long& cents) {
    // Held as a coefficient of cents or of yuan, as every figure the whole-fen paths compute and
    // every zero is; anything else through the general conversion.
    if (value.HeldCents(cents, static_cast<std::uint64_t>(INT64_MAX))) return true;
    return value.ToCents(cents) && cents != INT64_MIN;
}
inline constexpr size_t kCentsChars = 24;
inline char* WriteCents(char* out, long long c) {
    // Two digits at a time from a table of 00 to 99.
    static constexpr auto kPairs = [] {
        std::array<char, 200> t{};
        for (int i = 0; i < 100; ++i) {
            t[static_cast<size_t>(2 * i)] = static_cast<char>('0' + i / 10);
            t[static_cast<size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
        }
        return t;
    }();
    if (c == 0) { // the most common figure of all
        std::memcpy(out, "0.00", 4);
        return out + 4;
    }
    if (c < 0) {
        *out++ = '-';
        c = -c;
    }
    unsigned long long whole = static_cast<unsigned long long>(c / 100);
    const size_t cents = static_cast<size_t>(c % 100);
    // Digits of the whole part from its bit width: 1233/4096 is just above log10(2).
    static constexpr auto kPowers = [] {
        std::array<unsigned long long, 20> t{};
        unsigned long long v = 1;
        for (size_t i = 0; i < t.size(); ++i, v *= 10) t[i] = v;
        return t;
    }();
    const int guess = (static_cast<int>(std::bit_width(whole)) * 1233) >> 12;
    const int digits = guess + 1 - (whole < kPowers[static_cast<size_t>(guess)] ? 1 : 0) + (whole == 0 ? 1 : 0);
    char* p = out + digits;
    while (whole >= 100) {
        const size_t pair = static_cast<size_t>(whole % 100);
        whole /= 100;
        *--p = kPairs[2 * pair + 1];
        *--p = kPairs[2 * pair];
    }
    if (whole >= 10) {
        *--p = kPairs[2 * whole + 1];
        *--p = kPairs[2 * whole];
    } else {
        *--p = static_cast<char>('0' + whole);
    }
    out += digits;
    *out++ = '.';
    *out++ = kPairs[2 * cents];
    *out++ = kPairs[2 * cents + 1];
    return out;
}
std::string_view RateText(int bracket);  // "0%" for −1
Decimal BracketRate(int bracket);        // 0 for −1
Decimal BracketQuick(int bracket);       // 0 for −1

// A column's sum: whole cents in 128-bit integers while the figures are whole cents, which is
// many times faster than decimal additions; anything else in decimals.
class Sum {
public:
    void Add(const Decimal& v);
    Decimal Value() const;

private:
    __int128 cents_ = 0;
    Decimal rest_;
};

struct Totals {
    // read = computed + refused; skipped rows (titles above the header, a sheet's own total
    // rows) are counted apart and neither computed nor summed.
    long long read = 0, computed = 0, refused = 0, skipped = 0;
    Sum wage, insurance, wageTax, wageNet, bonus, bonusTax, bonusNet, totalTax;
    void Add(const RowResult& r);
    void Remove(const RowResult& r); // a row added before, taken out again
};

} // namespace tax::batch

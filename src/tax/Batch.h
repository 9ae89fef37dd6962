#pragma once
// A payroll row at a time: the typed or imported texts of one person in, the wage and
// year-end bonus figures out, as the wage and the wage + bonus calculators give them, or the
// first column that could not be read with the reason.

#include "tax/BonusTax.h"
#include "tax/Decimal.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tax::batch {

// The input columns, in the order a file without a header lists them.
enum Column { kName, kWage, kInsurance, kAllowance, kBonus, kInputColumns };
using RowText = std::array<std::string_view, kInputColumns>;

// The column titles: the input ones, then the computed ones, then the note.
inline constexpr std::array<const char*, 14> kTitles{
    "姓名", "月工资", "五险一金", "起征点", "年终奖", "应纳税所得额", "税率",
    "速算扣除数", "工资个税", "税后工资", "年终奖个税", "税后年终奖", "合计个税", "说明"};
inline constexpr int kOutputColumns = static_cast<int>(kTitles.size());

struct RowResult {
    bool ok = false;
    Column badColumn = kName;      // when refused
    const char* reason = nullptr;  // when refused: UTF-8

    Decimal wage, insurance, allowance;
    Decimal taxable;               // wage − insurance − allowance; shown as 0 when not taxed
    int bracket = -1;              // index in the wage table, −1 when nothing is taxed
    Decimal wageTax, wageNet;      // wageNet: wage − insurance − wage tax
    bool hasBonus = false;
    Decimal bonus, bonusTax, bonusNet;
    Decimal totalTax;
    const BlindZone* zone = nullptr; // the zone of the bonus after any allowance shortfall
};

// A spreadsheet's amount: blanks around it, a leading ¥ or ￥, and thousands separators in
// whole groups of three ("12,000.00") are dropped before the calculators' own reader reads it.
std::optional<Decimal> ReadSheetAmount(std::string_view text);

// One row. An empty allowance takes `defaultAllowance`; an empty bonus means none.
RowResult Compute(const RowText& row, Decimal defaultAllowance);

// Figures as the calculators print them: "%.2f", no separators; the rate as "20%".
void AppendMoney(std::string& out, Decimal value);
std::string_view RateText(int bracket);  // "0%" for −1
Decimal BracketRate(int bracket);        // 0 for −1
Decimal BracketQuick(int bracket);       // 0 for −1

// A column's sum: whole cents in 128-bit integers while the figures are whole cents, which is
// many times faster than decimal additions; anything else in decimals.
class Sum {
public:
    void Add(Decimal v);
    Decimal Value() const;

private:
    __int128 cents_ = 0;
    Decimal rest_;
};

struct Totals {
    long long read = 0, computed = 0, refused = 0;
    Sum wage, insurance, wageTax, wageNet, bonus, bonusTax, bonusNet, totalTax;
    void Add(const RowResult& r);
};

} // namespace tax::batch

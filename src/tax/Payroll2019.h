#pragma once
// A year of monthly payrolls under the law in force since 2019: one row per person and month,
// withheld cumulatively. A person (a 工号, or a 姓名 where there is none) starts on the payroll
// in the first month the file holds for them; each later row adds to their figures to date. A
// row that cannot be computed stops that person's later months, whose figures to date would be
// wrong, and leaves everyone else alone.
//
// Two ways in, the same figures out:
//   Ledger::Add   rows arriving month after month for each person (monthly payrolls appended
//                 to each other, or a file sorted by person): memory grows with the people.
//   ComputeAll    a file in any order, held whole; the figures come back in input order.

#include "tax/BonusTax.h"
#include "tax/Cell.h"
#include "tax/Decimal.h"
#include "tax/Result.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tax::payroll2019 {

// ---- Input ---------------------------------------------------------------------------------

// The amounts of a row, as the withholding forms name them. Titles beginning with 累计 hold the
// amount to date, as the forms do; the others the month's own amount. A missing column is 0.
enum AmountColumn {
    kIncome,            // 本期收入
    kExempt,            // 本期免税收入
    kPension,           // the four special deductions ...
    kMedical,
    kUnemployment,
    kHousingFund,
    kChildToDate,       // the special additional deductions to date ...
    kEducationToDate,
    kLoanToDate,
    kRentToDate,
    kElderToDate,
    kInfantToDate,
    kPrivatePensionToDate, // ... to date as well, though it counts among the other deductions, up to
                           // 12000 a year from 2022 (nothing before)
    kAnnuity,           // the month's other deductions ...
    kHealth,
    kDeferred,
    kOther,
    kDonation,          // 准予扣除的捐赠额, the month's
    kRelief,            // 减免税额, the month's
    kBonus,             // 全年一次性奖金
    kAmountColumns
};
inline constexpr std::array<const char*, kAmountColumns> kAmountTitles{
    "本期收入", "本期免税收入", "基本养老保险费", "基本医疗保险费", "失业保险费", "住房公积金",
    "累计子女教育", "累计继续教育", "累计住房贷款利息", "累计住房租金", "累计赡养老人",
    "累计3岁以下婴幼儿照护", "累计个人养老金", "企业(职业)年金", "商业健康保险", "税延养老保险",
    "其他", "准予扣除的捐赠额", "减免税额", "全年一次性奖金"};
inline constexpr int kFirstToDate = kChildToDate, kToDateColumns = kAnnuity - kChildToDate;

// The totals to date a row may give instead of the month's items, and the slot each is held in:
// 累计免税收入 in kExempt, 累计专项扣除 in kPension, 累计其他扣除 in kOther, 累计减免税额 in kRelief.
enum GivenToDate : unsigned char { kGivenExempt = 1, kGivenSpecial = 2, kGivenOther = 4, kGivenRelief = 8 };

struct Row {
    std::string_view id;   // 工号; may be empty
    std::string_view name; // 姓名
    int month = 0;         // 1…12; anything else is refused
    std::array<Decimal, kAmountColumns> amounts{};
    // 任职受雇日期: the month employment began this year (1 when in an earlier year), from which
    // the basic deduction counts; 0 when not given (the person's first row's month). Taken from
    // the person's first row.
    int employedMonth = 0;
    bool firstJob = false;  // 本年首次取得工资: 5000 × the month's number (from July 2020)
    bool lowEarner = false; // 按6万元扣除: 60000 from January (from 2021)
    // Totals to date a sheet gave in place of the month's items (累计专项扣除 …), bits of
    // GivenToDate: the slot then holds the total, and the month's amount is that total less the
    // person's total so far.
    unsigned char givenToDate = 0;
    // Set when the reader could not read the row (a cell it refused): the row is refused with
    // this reason and, like any refused row, stops the person's later months.
    std::string_view readError;
};

// The month of a 月份 / 所属月份 / 所得期间 cell: "5", "05", "5月", "2023-05", "2023/5", "2023.5",
// "202305", "2023年5月", "2023年05月". A year, when written, must be `year`.
Result<int> ParseMonth(std::string_view text, int year);

// The month employment began, counted in `year`, from a 任职受雇日期 cell: a date or a month
// ("2023-01-15", "2023/1", "2023年1月15日", "20230115", "202301"). A date in an earlier year
// counts from January; one in a later year is refused.
Result<int> ParseEmployed(std::string_view text, int year);
// A 是/否 cell: 是, 否, Y/N, yes/no, 1/0, √; empty is `otherwise`.
Result<bool> ParseYesNo(std::string_view text, bool otherwise);

// ---- Output --------------------------------------------------------------------------------

struct Figures {
    bool ok = false;
    std::string note;            // 说明: the reason when refused, else remarks (may be empty)
    Decimal income, exempt;      // to date
    Decimal basic;               // 5000 × the months from employment (or the first row), or as the rules say
    Decimal special;             // the four insurance items to date
    Decimal extra;               // the special additional deductions to date
    Decimal other;               // the other deductions to date
    Decimal donation;            // the allowed donations to date
    Decimal taxable;             // to date, never below 0
    int bracket = -1;            // in AnnualTable(); −1 when nothing is taxable
    Decimal rate, quick;         // 预扣率 and 速算扣除数 (0 when bracket is −1)
    Decimal tax;                 // 累计应纳税额
    Decimal relief;              // 累计减免税额
    Decimal withheldBefore;      // 累计已预扣预缴税额: the earlier months'
    Decimal withheld;            // 本期应预扣预缴税额: tax − relief − withheld before, never below 0
    Decimal net;                 // 税后工资: the month's income − the four items − withheld
    Decimal bonusTax;            // 年终奖个税: the bonus taxed alone; 0 when none or joined
    const BlindZone* zone = nullptr; // of a bonus taxed alone
};

// The 预扣率 and 速算扣除数 a row in bracket `bracket` of AnnualTable() gets, as computing sets
// them; false for a bracket the table has not.
bool BracketFigures(int bracket, Decimal& rate, Decimal& quick);

// The computed columns, in order, with their titles; CellOf gives a row's cell of each.
enum OutputColumn {
    kOutIncome, kOutExempt, kOutBasic, kOutSpecial, kOutExtra, kOutOther, kOutDonation, kOutTaxable,
    kOutRate, kOutQuick, kOutTax, kOutRelief, kOutWithheldBefore, kOutWithheld, kOutNet, kOutBonusTax,
    kOutNote, kOutputColumns
};
inline constexpr std::array<const char*, kOutputColumns> kOutputTitles{
    "累计收入", "累计免税收入", "累计减除费用", "累计专项扣除", "累计专项附加扣除", "累计其他扣除",
    "累计准予扣除的捐赠额", "累计应纳税所得额", "预扣率", "速算扣除数", "累计应纳税额", "累计减免税额",
    "累计已预扣预缴税额", "本期应预扣预缴税额", "税后工资", "年终奖个税", "说明"};

// The 预扣率 as CellOf shows it for a row in bracket `bracket` ("0%" for −1).
std::string_view RateTextOf(int bracket);

using Cell = tax::Cell;
// A refused row has only its note; the others every figure.
Cell CellOf(const Figures& f, OutputColumn column);

// ---- Computing -----------------------------------------------------------------------------

// Whom a row belongs to: a 工号, or a 姓名 where there is none (the key's first byte tells which,
// so the two never collide); empty for a row with neither.
inline void PersonKey(std::string& key, std::string_view id, std::string_view name) {
    key.clear();
    if (!id.empty()) {
        key += 'I';
        key += id;
    } else if (!name.empty()) {
        key += 'N';
        key += name;
    }
}

// The fixed messages, so callers and tests can tell them.
inline constexpr const char* kEarlierRefused = "前月有误，未计算";
inline constexpr const char* kUndatedRefused = "该员工有月份不明的行，未计算";

class Ledger {
public:
    // `year` decides whether a bonus may be taxed alone.
    explicit Ledger(int year);
    ~Ledger();
    Ledger(Ledger&&) noexcept;
    Ledger& operator=(Ledger&&) noexcept;

    // The next row. A person's rows must come in rising months: a month at or before one
    // already seen is refused (and stops the person's later months).
    Figures Add(const Row& row);
    // The row's person and month only, nothing computed: for a first reading of a file, of
    // its people and months alone, to learn whether OutOfOrder.
    void Order(const Row& row);
    // Whether some row came that ComputeAll would take in another order than given: a month
    // before one of the same person's already seen, or a row without a month. Such a file is to
    // be computed whole with ComputeAll, whose figures may then differ.
    bool OutOfOrder() const { return outOfOrder_; }
    size_t People() const;
    // The number of the last row's person (0, 1, … in the order first met), kNobody for a row
    // with neither 工号 nor 姓名: for what callers keep per person beside the ledger.
    static constexpr uint32_t kNobody = UINT32_MAX;
    uint32_t LastPerson() const { return lastPerson_; }

private:
    friend void ComputeInOrder(int, size_t, const std::function<int(size_t)>&, const std::function<const Row&(size_t)>&,
                               const std::function<void(size_t, Figures&&, uint32_t)>&,
                               const std::function<uint32_t(size_t)>&, const std::function<void(size_t)>&);
    void Prefetch(uint32_t person) const;
    struct Person;
    Person* Find(const Row& row);
    void Track(Person* p, const Row& row);
    Figures Refuse(Person* p, std::string reason);

    int year_;
    Decimal pensionCap_; // 累计个人养老金 counts up to this
    std::int64_t pensionCapFen_;
    bool outOfOrder_ = false;
    std::unordered_map<std::string, uint32_t> index_;
    std::vector<Person> people_;
    // Monthly payrolls list people in much the same order every month: the person who followed
    // the last one last time is tried before the table.
    bool hints_ = true;
    uint32_t previous_ = kNobody;
    uint32_t lastPerson_ = kNobody;
    uint32_t known_ = kNobody; // the next row's person, when the caller knows it
    std::string key_; // scratch
};

// Every row, in input order, each person's rows taken in month order (the input's among rows
// of one month). Rows whose month is not 1…12 stop every row of their person.
std::vector<Figures> ComputeAll(int year, std::span<const Row> rows);

// The same for rows held elsewhere, in whatever form: `month(i)` is row i's month (what
// row(i).month would be), `row(i)` the row itself (needed only until the next call), and
// `done(i, figures, person)` takes its figures and the number of its person (as LastPerson).
// Rows are computed, and handed to `done`, in the order ComputeAll takes them, not in input order.
// `who(i)`, where given, numbers row i's 工号 and 姓名 together (one number for one pair), which
// spares looking the person up again. `ahead(i)` is told of row i some rows before it is asked
// for, so that a store may fetch it early.
void ComputeInOrder(int year, size_t count, const std::function<int(size_t)>& month,
                    const std::function<const Row&(size_t)>& row,
                    const std::function<void(size_t, Figures&&, uint32_t)>& done,
                    const std::function<uint32_t(size_t)>& who = {}, const std::function<void(size_t)>& ahead = {});

} // namespace tax::payroll2019

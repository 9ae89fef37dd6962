#pragma once
// Comprehensive income under the law in force since 2019, for a resident at one employer:
// wages withheld cumulatively through the year, the special additional deductions by year, a
// year-end bonus taxed alone or joined, labour / author's / royalty receipts withheld one by
// one, and the year's settlement. Every amount is exact; every tax is rounded once to the fen.

#include "tax/BonusTax.h"
#include "tax/Cumulative.h"
#include "tax/RateTable.h"
#include "tax/Result.h"
#include "tax/Year.h"

#include <array>
#include <optional>
#include <span>
#include <vector>

namespace tax::law2019 {

inline constexpr int kFirstYear = 2019;
// The last year the window offers: the bonus taxed alone and the settlement's waiver both run
// to the end of 2027.
inline constexpr int kLastYear = 2027;
inline constexpr int kBonusAloneLastYear = 2027;
inline constexpr int kWaiverLastYear = 2027;
// A later year is computed with the amounts and rules known for kLastYear.
inline constexpr bool BeyondKnown(int year) { return year > kLastYear; }

inline constexpr Decimal kBasicMonth = cumulative::kBasicMonth; // 减除费用, a month on the payroll
inline constexpr Decimal kBasicYear = 60000;  // at the settlement, whatever the months
inline constexpr Decimal kWaiverIncome = 120000;
inline constexpr Decimal kWaiverBalance = 400;

// ---- Special additional deductions: the amounts in force in a year --------------------------

enum class Housing { None, Loan, RentCapital, RentMillion, RentOther }; // the window's order
enum class Elder { None, OnlyChild, Sibling };

struct DeductionRates {
    int fromYear;                // in force from this year until the next row's
    Decimal child;               // a month per child in education
    Decimal infant;              // a month per child under three; 0 before 2022
    Decimal elderOnlyChild;      // a month; a sibling takes a share of at most half
    Decimal housingLoan;         // a month
    std::array<Decimal, 3> rent; // a month: capitals and the like / other cities over a million / the rest
    Decimal degree;              // continuing education towards a degree, a month
    Decimal certificate;         // once, in the year a certificate is earned
    Decimal illnessFloor;        // the year's own medical costs above this ...
    Decimal illnessCap;          // ... up to this, at the settlement only
    Decimal pensionCap;          // private pension paid in, a year; 0 before 2022
};

// The row in force in `year` (from 2019 on).
const DeductionRates& RatesFor(int year);

// The months of the year a deduction runs: a child starting school in September, a lease
// ending in June. Before the employment's first month it counts at the settlement only.
struct Span {
    int from = 1;
    int to = kMonthsPerYear;
};

// What a person tells about themself, as the window asks it.
struct Family {
    int children = 0;
    Span childrenMonths;
    bool childrenHalf = false; // each parent claims 50%
    int infants = 0;
    Span infantsMonths;
    bool infantsHalf = false;
    Elder elder = Elder::None;
    Decimal elderShare;     // a sibling's share a month (ignored otherwise)
    Span elderMonths;
    Housing housing = Housing::None;
    Span housingMonths;
    bool degree = false;
    Span degreeMonths;
    bool certificate = false;
    int certificateMonth = 0; // deducted in that month's withholding; 0: at the settlement only
    Decimal illnessCosts;   // the year's own medical costs after insurance
    Decimal pensionPaid;    // paid into the private pension in the year
};

// The monthly total withheld against in a month when every deduction runs: children, infants,
// elderly, housing, a degree course. Fails when a count is negative, a sibling's share is
// negative or above half, or a deduction's months are not within the year in order.
Result<Decimal> MonthlyExtra(int year, const Family& f);
// The monthly deductions over the months from…to (1…12), each counted in the months it runs.
Decimal ExtraInMonths(int year, const Family& f, int from, int to);
// What the settlement adds to the months: a certificate and serious illness.
Decimal SettlementExtra(int year, const Family& f);
// The private pension's deduction in a year: what was paid, at most the cap (none before 2022).
Decimal PensionDeduction(int year, Decimal paid);

// ---- Wages withheld cumulatively -----------------------------------------------------------

struct Month {
    Decimal wage;      // 工资薪金
    Decimal exempt;    // 免税收入
    Decimal insurance; // 五险一金, the special deductions
    Decimal other;     // 其他扣除: annuity, tax-deferred and health insurance, private pension
};

struct MonthFigures {
    bool onPayroll = false; // from the first month on; earlier months are all zero
    Decimal income;         // cumulative wages
    Decimal exempt;         // cumulative tax-exempt income
    Decimal basic;          // as cumulative::BasicToDate counts it
    Decimal insurance;      // cumulative special deductions
    Decimal extra;          // cumulative special additional deductions
    Decimal other;          // cumulative other deductions
    Decimal taxable;        // cumulative taxable income, never below 0
    RateBracket bracket;    // of the cumulative taxable income on the annual table
    Decimal tax;            // cumulative tax, rounded once to the fen
    Decimal withheld;       // this month: cumulative tax − withheld before, never below 0
    Decimal net;            // wage − insurance − withheld
};

using Months = std::array<Month, kMonthsPerYear>;
using MonthTable = std::array<MonthFigures, kMonthsPerYear>;

// When pay began, how the basic deduction counts, and the special additional deductions to
// date in each month (those before firstMonth unused).
struct Schedule {
    int year = kFirstYear;
    int firstMonth = 1;      // the first month paid by this employer this year
    cumulative::Start start; // start.from ≤ firstMonth
    std::array<Decimal, kMonthsPerYear> extraToDate{};
};
MonthTable Withhold(const Schedule& s, const Months& months);
// From firstMonth (1…12), 5000 and extraPerMonth for each month on the payroll.
MonthTable Withhold(int firstMonth, const Months& months, Decimal extraPerMonth);

// ---- The year-end bonus --------------------------------------------------------------------

struct BonusAlone {
    RateBracket bracket; // on the monthly table, by bonus ÷ 12
    Decimal tax;         // bonus × rate − quick, rounded once; no allowance shortfall
};
BonusAlone TaxBonusAlone(Decimal bonus);
bool BonusAloneAllowed(int year);

// The six ranges above an annual edge where a larger bonus taxed alone leaves less; the upper
// bound is the exact break-even bonus rounded to the fen, as published.
std::span<const BlindZone> ZonesAlone();
const BlindZone* FindZoneAlone(Decimal bonus);

// ---- Labour, author's and royalty receipts -------------------------------------------------

enum class ReceiptKind { Labour, Author, Royalty };

struct ReceiptFigures {
    Decimal base;        // the withholding base: receipt − 800 up to 4000, else 80%; author's 70% of it
    RateBracket bracket; // labour: the labour table; author's and royalties: 20%
    Decimal withheld;    // rounded once to the fen
    Decimal yearAmount;  // what it adds to the year's income: 80% (author's 56%) of the receipt
};
ReceiptFigures TaxReceipt(ReceiptKind kind, Decimal receipt);

struct Receipt {
    ReceiptKind kind;
    Decimal amount;
};

// ---- The year ------------------------------------------------------------------------------

struct YearQuestion {
    int year = kFirstYear;
    int firstMonth = 1;   // the first month paid
    int employedFrom = 0; // the month employment began, at most firstMonth; 0: firstMonth
    bool firstJob = false;
    bool lowEarner = false;
    Months months{};
    Family family;
    Decimal bonus;
    std::vector<Receipt> receipts;
    // The tax really prepaid in the year (wages, bonus, receipts); none: the months as computed.
    std::optional<Decimal> withheld;
};

enum class BalanceKind { None, Pay, Refund, Waived };

struct YearSettlement {
    Decimal income;     // wages − exempt + the receipts' amounts (+ the bonus when joined)
    Decimal taxable;    // income − 60000 − special − special additional − other, never below 0
    RateBracket bracket;
    Decimal comprehensiveTax; // on the annual table
    Decimal bonusTax;   // the bonus taxed alone; 0 when joined
    Decimal tax;        // comprehensiveTax + bonusTax
    Decimal withheld;   // as given, else the months, the receipts and the bonus withheld alone
    Decimal balance;    // tax − withheld: above 0 to pay, below 0 to be refunded
    Decimal grossIncome; // what the waiver looks at: wages before exempt income, receipts whole
    BalanceKind kind;
};

// A balance to pay is waived, through 2027, when the year's comprehensive income is at most
// 120000 or the balance at most 400; a refund is always due.
BalanceKind JudgeBalance(int year, Decimal balance, Decimal grossIncome);

struct YearAnswer {
    Decimal extraPerMonth;
    MonthTable months;
    std::vector<ReceiptFigures> receipts;
    Decimal monthsWithheld;
    Decimal receiptsWithheld;
    std::optional<BonusAlone> bonusAlone; // none from 2028
    const BlindZone* zone = nullptr;      // of the bonus taxed alone
    std::optional<YearSettlement> alone;  // the settlement with the bonus taxed alone
    YearSettlement joined;                // with the bonus joined
    bool joinedCheaper = false;           // strictly less tax joined
    const YearSettlement& Best() const { return alone && !joinedCheaper ? *alone : joined; }
};

// Fails with a message for the person at the screen on a year or month out of range or a
// family that MonthlyExtra refuses. Amounts are taken as given (the reader refuses negatives).
Result<YearAnswer> ComputeYear(const YearQuestion& q);

} // namespace tax::law2019

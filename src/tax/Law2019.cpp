#include "tax/Law2019.h"

#include "tax/Amount.h"
#include "tax/ReceiptTax.h"
#include "tax/Settle.h"

#include <algorithm>

namespace tax::law2019 {

namespace {

constexpr Decimal Pct(int percent) {
    return Decimal::Scaled(percent, -2);
}

// One row per change of the amounts, latest last.
constexpr std::array<DeductionRates, 3> kRates{{
    {2019, 1000, 0, 2000, 1000, {1500, 1100, 800}, 400, 3600, 15000, 80000, 0},
    {2022, 1000, 1000, 2000, 1000, {1500, 1100, 800}, 400, 3600, 15000, 80000, 12000},
    {2023, 2000, 2000, 3000, 1000, {1500, 1100, 800}, 400, 3600, 15000, 80000, 12000},
}};

constexpr Decimal kReceiptAmountShare = Pct(80); // what a receipt counts for in the year
constexpr Decimal kAuthorShare = Pct(70);
constexpr Decimal kFlatReceiptRate = Pct(20);

// The zones' texts; their bounds follow from the monthly-converted table.
constexpr std::array<const char*, 6> kZoneTexts{
    "进入盲区：( 36,000, 38,566.67 ]",   "进入盲区：( 144,000, 160,500 ]",
    "进入盲区：( 300,000, 318,333.33 ]", "进入盲区：( 420,000, 447,500 ]",
    "进入盲区：( 660,000, 706,538.46 ]", "进入盲区：( 960,000, 1,120,000 ]",
};

// A zone starts where bonus ÷ 12 crosses a monthly edge; it ends where the bonus in the next
// bracket leaves again what the bonus on the edge left.
std::array<BlindZone, kZoneTexts.size()> MakeZones() {
    std::array<BlindZone, kZoneTexts.size()> zones{};
    const RateTable& table = MonthlyTable();
    for (size_t i = 0; i < zones.size(); ++i) {
        const Decimal lower = table.Bands()[i].upTo * kMonthsPerYear;
        const RateBracket below = table.BracketAt(i), above = table.BracketAt(i + 1);
        const Decimal left = lower - below.TaxOn(lower);
        zones[i] = {lower, ((left - above.quick) / (1 - above.rate)).RoundCents(), kZoneTexts[i]};
    }
    return zones;
}

const std::array<BlindZone, kZoneTexts.size()>& Zones() {
    static const auto zones = MakeZones();
    return zones;
}

Decimal Positive(Decimal v) {
    return v.IsNegative() ? Decimal() : v;
}

// The settlement of one treatment of the bonus.
YearSettlement SettleYear(const YearQuestion& q, const YearAnswer& a, Decimal extraYear, bool joinBonus) {
    Decimal wages, exempt, insurance, other;
    for (int m = q.firstMonth; m <= kMonthsPerYear; ++m) {
        const Month& month = q.months[static_cast<size_t>(m - 1)];
        wages += month.wage;
        exempt += month.exempt;
        insurance += month.insurance;
        other += month.other;
    }
    other += PensionDeduction(q.year, q.family.pensionPaid);
    Decimal receiptAmounts, receiptGross;
    for (size_t i = 0; i < q.receipts.size(); ++i) {
        receiptAmounts += a.receipts[i].yearAmount;
        receiptGross += q.receipts[i].amount;
    }
    YearSettlement s{};
    const Decimal joined = joinBonus ? q.bonus : Decimal();
    s.income = wages - exempt + receiptAmounts + joined;
    // Read as the tax office reads 年度综合所得收入: gross, before exempt income or any fee.
    s.grossIncome = wages + receiptGross + joined;
    s.taxable = Positive(s.income - kBasicYear - insurance - extraYear - other);
    s.bracket = AnnualTable().Find(s.taxable);
    s.comprehensiveTax = Settle(s.taxable, s.bracket.TaxOn(s.taxable)).tax;
    s.bonusTax = !joinBonus && a.bonusAlone ? a.bonusAlone->tax : Decimal();
    s.tax = s.comprehensiveTax + s.bonusTax;
    // The employer withholds the bonus alone in the month it is paid; joined at the settlement,
    // that withholding is a prepayment.
    s.withheld = q.withheld ? *q.withheld
                            : a.monthsWithheld + a.receiptsWithheld + (a.bonusAlone ? a.bonusAlone->tax : Decimal());
    s.balance = s.tax - s.withheld;
    s.kind = JudgeBalance(q.year, s.balance, s.grossIncome);
    return s;
}

} // namespace

const DeductionRates& RatesFor(int year) {
    const DeductionRates* row = &kRates.front();
    for (const DeductionRates& r : kRates)
        if (year >= r.fromYear) row = &r;
    return *row;
}

namespace {

struct Part {
    Decimal perMonth;
    Span months;
};

// Each monthly deduction with the months it runs; a 50% share halves a child's.
std::array<Part, 5> Parts(int year, const Family& f) {
    const DeductionRates& r = RatesFor(year);
    const Decimal half = Decimal::Scaled(5, -1);
    Decimal elder;
    if (f.elder == Elder::OnlyChild) elder = r.elderOnlyChild;
    if (f.elder == Elder::Sibling) elder = f.elderShare;
    Decimal housing;
    if (f.housing == Housing::Loan) housing = r.housingLoan;
    if (f.housing >= Housing::RentCapital)
        housing = r.rent[static_cast<size_t>(f.housing) - static_cast<size_t>(Housing::RentCapital)];
    Decimal children = r.child * f.children, infants = r.infant * f.infants;
    if (f.childrenHalf) children = children * half;
    if (f.infantsHalf) infants = infants * half;
    return {{{children, f.childrenMonths},
             {infants, f.infantsMonths},
             {elder, f.elderMonths},
             {housing, f.housingMonths},
             {f.degree ? r.degree : Decimal(), f.degreeMonths}}};
}

bool InYear(int month) {
    return month >= 1 && month <= kMonthsPerYear;
}

} // namespace

Result<Decimal> MonthlyExtra(int year, const Family& f) {
    const DeductionRates& r = RatesFor(year);
    if (f.children < 0 || f.infants < 0) return Fail("子女人数不能为负数！");
    if (f.elder == Elder::Sibling && (f.elderShare.IsNegative() || f.elderShare * 2 > r.elderOnlyChild))
        return Fail("非独生子女分摊的赡养老人扣除每月不能超过" + FormatGeneral(r.elderOnlyChild / 2) + "元！");
    for (const Span& s : {f.childrenMonths, f.infantsMonths, f.elderMonths, f.housingMonths, f.degreeMonths})
        if (!InYear(s.from) || !InYear(s.to) || s.from > s.to) return Fail("扣除的起止月份须在1月至12月之间，且起始不晚于截止！");
    if (f.certificateMonth < 0 || f.certificateMonth > kMonthsPerYear) return Fail("取得证书的月份须在1月至12月之间！");
    Decimal total;
    for (const Part& p : Parts(year, f)) total += p.perMonth;
    return total;
}

Decimal ExtraInMonths(int year, const Family& f, int from, int to) {
    Decimal total;
    for (const Part& p : Parts(year, f)) {
        const int months = std::min(to, p.months.to) - std::max(from, p.months.from) + 1;
        if (months > 0) total += p.perMonth * months;
    }
    return total;
}

Decimal SettlementExtra(int year, const Family& f) {
    const DeductionRates& r = RatesFor(year);
    Decimal extra = f.certificate ? r.certificate : Decimal();
    if (f.illnessCosts > r.illnessFloor) extra += std::min(f.illnessCosts - r.illnessFloor, r.illnessCap);
    return extra;
}

Decimal PensionDeduction(int year, Decimal paid) {
    return std::clamp(paid, Decimal(), RatesFor(year).pensionCap);
}

MonthTable Withhold(const Schedule& s, const Months& months) {
    MonthTable out{};
    cumulative::ToDate<Decimal> sum{};
    for (int m = s.firstMonth; m <= kMonthsPerYear; ++m) {
        const Month& in = months[static_cast<size_t>(m - 1)];
        sum.income += in.wage;
        sum.exempt += in.exempt;
        sum.special += in.insurance;
        sum.other += in.other;
        sum.basic = cumulative::BasicToDate(s.year, m, s.start);
        sum.extra = s.extraToDate[static_cast<size_t>(m - 1)];
        const cumulative::Withheld<Decimal> w = cumulative::Withhold(sum);
        sum.withheldBefore += w.withheld;
        MonthFigures& f = out[static_cast<size_t>(m - 1)];
        f.onPayroll = true;
        f.income = sum.income;
        f.exempt = sum.exempt;
        f.basic = sum.basic;
        f.insurance = sum.special;
        f.extra = sum.extra;
        f.other = sum.other;
        f.taxable = w.taxable;
        // Nothing taxable still reads as the first bracket's rate.
        f.bracket = AnnualTable().BracketAt(w.bracket < 0 ? 0 : static_cast<size_t>(w.bracket));
        f.tax = w.tax;
        f.withheld = w.withheld;
        f.net = in.wage - in.insurance - f.withheld;
    }
    return out;
}

MonthTable Withhold(int firstMonth, const Months& months, Decimal extraPerMonth) {
    Schedule s;
    s.firstMonth = firstMonth;
    s.start.from = firstMonth;
    for (int m = firstMonth; m <= kMonthsPerYear; ++m) s.extraToDate[static_cast<size_t>(m - 1)] = extraPerMonth * (m - firstMonth + 1);
    return Withhold(s, months);
}

BonusAlone TaxBonusAlone(Decimal bonus) {
    BonusAlone b{};
    b.bracket = MonthlyTable().FindScaled(bonus, kMonthsPerYear);
    b.tax = Settle(bonus, b.bracket.TaxOn(bonus)).tax;
    return b;
}

bool BonusAloneAllowed(int year) {
    return year <= kBonusAloneLastYear;
}

std::span<const BlindZone> ZonesAlone() {
    return Zones();
}

const BlindZone* FindZoneAlone(Decimal bonus) {
    for (const BlindZone& zone : Zones())
        if (bonus > zone.lower && bonus <= zone.upper) return &zone;
    return nullptr;
}

ReceiptFigures TaxReceipt(ReceiptKind kind, Decimal receipt) {
    ReceiptFigures r{};
    r.base = Positive(receipt - ReceiptDeduction(receipt));
    r.yearAmount = receipt * kReceiptAmountShare;
    if (kind == ReceiptKind::Author) {
        r.base = r.base * kAuthorShare;
        r.yearAmount = r.yearAmount * kAuthorShare;
    }
    r.bracket = kind == ReceiptKind::Labour ? LabourTable().Find(r.base) : RateBracket{kFlatReceiptRate, 0};
    r.withheld = Settle(r.base, r.bracket.TaxOn(r.base)).tax;
    return r;
}

BalanceKind JudgeBalance(int year, Decimal balance, Decimal grossIncome) {
    if (balance.IsNegative()) return BalanceKind::Refund;
    if (balance.IsZero()) return BalanceKind::None;
    if (year <= kWaiverLastYear && (grossIncome <= kWaiverIncome || balance <= kWaiverBalance)) return BalanceKind::Waived;
    return BalanceKind::Pay;
}

namespace {

// The deductions to date as the employer withholds them: from the employment's first month, and
// a certificate in its month (one earned before the employment waits for the settlement).
Schedule MakeSchedule(const YearQuestion& q, int from) {
    Schedule s;
    s.year = q.year;
    s.firstMonth = q.firstMonth;
    s.start = {from, q.firstJob, q.lowEarner};
    const Family& f = q.family;
    const bool certificate = f.certificate && f.certificateMonth >= from;
    for (int m = q.firstMonth; m <= kMonthsPerYear; ++m) {
        Decimal& extra = s.extraToDate[static_cast<size_t>(m - 1)];
        extra = ExtraInMonths(q.year, f, from, m);
        if (certificate && f.certificateMonth <= m) extra += RatesFor(q.year).certificate;
    }
    return s;
}

} // namespace

Result<YearAnswer> ComputeYear(const YearQuestion& q) {
    if (q.year < kFirstYear) return Fail("年度须在2019年或以后！");
    if (q.firstMonth < 1 || q.firstMonth > kMonthsPerYear) return Fail("首月须在1月至12月之间！");
    const int from = q.employedFrom == 0 ? q.firstMonth : q.employedFrom;
    if (from < 1 || from > q.firstMonth) return Fail("任职受雇月份须不晚于本单位首次发薪的月份！");
    Result<Decimal> extra = MonthlyExtra(q.year, q.family);
    if (!extra) return extra.failure();

    YearAnswer a;
    a.extraPerMonth = *extra;
    a.months = Withhold(MakeSchedule(q, from), q.months);
    for (const MonthFigures& m : a.months) a.monthsWithheld += m.withheld;
    a.receipts.reserve(q.receipts.size());
    for (const Receipt& r : q.receipts) {
        a.receipts.push_back(TaxReceipt(r.kind, r.amount));
        a.receiptsWithheld += a.receipts.back().withheld;
    }
    if (BonusAloneAllowed(q.year)) {
        a.bonusAlone = TaxBonusAlone(q.bonus);
        a.zone = FindZoneAlone(q.bonus);
    }
    // At the settlement every special additional deduction counts for the months it ran,
    // whatever month the payroll began.
    const Decimal extraYear = ExtraInMonths(q.year, q.family, 1, kMonthsPerYear) + SettlementExtra(q.year, q.family);
    a.joined = SettleYear(q, a, extraYear, true);
    if (a.bonusAlone) {
        a.alone = SettleYear(q, a, extraYear, false);
        a.joinedCheaper = a.joined.tax < a.alone->tax;
    }
    return a;
}

} // namespace tax::law2019

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
    s.grossIncome = wages - exempt + receiptGross + joined;
    s.taxable = Positive(s.income - kBasicYear - insurance - extraYear - other);
    s.bracket = AnnualTable().Find(s.taxable);
    s.comprehensiveTax = Settle(s.taxable, s.bracket.TaxOn(s.taxable)).tax;
    s.bonusTax = !joinBonus && a.bonusAlone ? a.bonusAlone->tax : Decimal();
    s.tax = s.comprehensiveTax + s.bonusTax;
    // The employer withholds the bonus alone in the month it is paid; joined at the settlement,
    // that withholding is a prepayment.
    s.withheld = a.monthsWithheld + a.receiptsWithheld + (a.bonusAlone ? a.bonusAlone->tax : Decimal());
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

Result<Decimal> MonthlyExtra(int year, const Family& f) {
    const DeductionRates& r = RatesFor(year);
    if (f.children < 0 || f.infants < 0) return Fail("子女人数不能为负数！");
    Decimal total = r.child * f.children + r.infant * f.infants;
    switch (f.elder) {
    case Elder::None:
        break;
    case Elder::OnlyChild:
        total += r.elderOnlyChild;
        break;
    case Elder::Sibling:
        if (f.elderShare.IsNegative() || f.elderShare * 2 > r.elderOnlyChild)
            return Fail("非独生子女分摊的赡养老人扣除每月不能超过" + FormatGeneral(r.elderOnlyChild / 2) + "元！");
        total += f.elderShare;
        break;
    }
    switch (f.housing) {
    case Housing::None:
        break;
    case Housing::Loan:
        total += r.housingLoan;
        break;
    case Housing::RentCapital:
    case Housing::RentMillion:
    case Housing::RentOther:
        total += r.rent[static_cast<size_t>(f.housing) - static_cast<size_t>(Housing::RentCapital)];
        break;
    }
    if (f.degree) total += r.degree;
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

MonthTable Withhold(int firstMonth, const Months& months, Decimal extraPerMonth) {
    MonthTable out{};
    MonthFigures sum{};
    Decimal withheldBefore;
    for (int m = firstMonth; m <= kMonthsPerYear; ++m) {
        const Month& in = months[static_cast<size_t>(m - 1)];
        const int onPayroll = m - firstMonth + 1;
        sum.income += in.wage;
        sum.exempt += in.exempt;
        sum.insurance += in.insurance;
        sum.other += in.other;
        sum.basic = kBasicMonth * onPayroll;
        sum.extra = extraPerMonth * onPayroll;
        MonthFigures& f = out[static_cast<size_t>(m - 1)];
        f = sum;
        f.onPayroll = true;
        f.taxable = Positive(f.income - f.exempt - f.basic - f.insurance - f.extra - f.other);
        f.bracket = AnnualTable().Find(f.taxable);
        f.tax = Settle(f.taxable, f.bracket.TaxOn(f.taxable)).tax;
        // Nothing is refunded during the year: a month whose cumulative tax fell withholds 0.
        f.withheld = Positive(f.tax - withheldBefore);
        withheldBefore += f.withheld;
        f.net = in.wage - in.insurance - f.withheld;
    }
    return out;
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

Result<YearAnswer> ComputeYear(const YearQuestion& q) {
    if (q.year < kFirstYear) return Fail("年度须在2019年或以后！");
    if (q.firstMonth < 1 || q.firstMonth > kMonthsPerYear) return Fail("首月须在1月至12月之间！");
    Result<Decimal> extra = MonthlyExtra(q.year, q.family);
    if (!extra) return extra.failure();

    YearAnswer a;
    a.extraPerMonth = *extra;
    a.months = Withhold(q.firstMonth, q.months, a.extraPerMonth);
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
    // At the settlement every special additional deduction counts for the whole year, whatever
    // month the payroll began.
    const Decimal extraYear = a.extraPerMonth * kMonthsPerYear + SettlementExtra(q.year, q.family);
    a.joined = SettleYear(q, a, extraYear, true);
    if (a.bonusAlone) {
        a.alone = SettleYear(q, a, extraYear, false);
        a.joinedCheaper = a.joined.tax < a.alone->tax;
    }
    return a;
}

} // namespace tax::law2019

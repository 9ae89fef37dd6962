#include "tax/Plan2019.h"

#include "tax/Law2019.h"
#include "tax/RateTable.h"
#include "tax/Settle.h"
#include "tax/WageFen.h"
#include "tax/Year.h"

#include <algorithm>
#include <array>

namespace tax::plan2019 {

namespace fen {

namespace {

using tax::fen::Fen;
constexpr Fen kMonths = kMonthsPerYear;
constexpr size_t kBrackets = tax::fen::kWageBrackets;

// The annual and the monthly-converted tables in whole fen, as the payroll reads them.
const tax::fen::Bands& Annual() {
    return tax::fen::AnnualBands();
}
const tax::fen::Bands& Monthly() {
    return tax::fen::MonthlyBands();
}

// What is deducted from the twelve wages in a year: 60000, twelve months of insurance and of
// the special additional deductions.
Fen Deducted(const Question& q) {
    return tax::fen::Of(law2019::kBasicYear) + kMonths * (q.insurance + q.extra);
}

Fen CeilDiv(Fen a, Fen b) { // b > 0
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

} // namespace

Question FromPlan(const plan2019::Question& q) {
    // Deductions beyond the pay leave the wages untaxed however large they are, so capping them
    // keeps the arithmetic within 64 bits without changing any tax.
    auto cap = [&](Decimal v) { return tax::fen::Of(v > q.pay ? q.pay : v); };
    const Fen pay = tax::fen::Of(q.pay);
    return {pay, cap(q.insurance), cap(q.extra), tax::fen::LeastWage(pay, cap(q.insurance), tax::fen::Of(q.lowest))};
}

Fen WagesTax(const Question& q, Fen m) {
    const Fen taxable = kMonths * m - Deducted(q);
    return taxable > 0 ? tax::fen::TaxOn(taxable, tax::fen::WageBracket(taxable, Annual()), Annual()) : 0;
}

Fen BonusTax(Fen bonus) {
    return tax::fen::TaxOn(bonus, tax::fen::BonusBracket(bonus, Monthly()), Monthly());
}

int BonusBracket(Fen bonus) {
    return bonus > 0 ? tax::fen::BonusBracket(bonus, Monthly()) : -1;
}

Fen YearTax(const Question& q, Fen m) {
    return WagesTax(q, m) + BonusTax(q.pay - kMonths * m);
}

// Between breakpoints (where the wages' taxable income crosses 0 or an annual edge, where the
// bonus's twelfth crosses a monthly edge, the split with no bonus, the ends of the range) the
// year's tax is linear in the monthly wage m up to two roundings of half a fen each, so two
// splits of one stretch differ from the line by at most 2 fen between them. The slope, per fen
// of m, is 12 × (wage rate − bonus rate) / 100; the rates (0 while the wages are untaxed, 3, 10,
// 20, 25, 30, 35, 45) differ by 3 points at least, so a non-zero slope is at least 0.36 fen and
// 6 fen from a stretch's end the tax has moved by more than 2: the least lies within 6 fen of an
// end (kEnd doubles that). With equal rates the pattern of the roundings repeats every 100 fen
// of m (12 yuan more of wages adds 12 × rate whole fen, 12 yuan less bonus takes as many off),
// so the stretch's last 100 fen hold its least, and for ties the largest wage reaching it.
std::vector<tax::fen::Split> BestSplits(const Question& q) {
    constexpr Fen kEnd = 12;
    std::vector<tax::fen::Split> best(2 + kBrackets);
    const Fen lo = std::max<Fen>(0, q.lowest);
    const Fen hi = q.pay / kMonths;
    if (lo > hi) return best;

    const Fen deducted = Deducted(q);
    std::array<Fen, 4 + 2 * kBrackets> starts{};
    size_t n = 0;
    starts[n++] = lo;
    starts[n++] = hi; // the only split that may leave no bonus at all
    starts[n++] = hi + 1;
    starts[n++] = deducted / kMonths + 1; // the first wage whose year is taxed
    for (size_t i = 0; i + 1 < kBrackets; ++i) {
        starts[n++] = (Annual()[i].upTo + deducted) / kMonths + 1;           // wages above an annual edge
        starts[n++] = CeilDiv(q.pay - kMonths * Monthly()[i].upTo, kMonths); // bonus at or below 12 × edge
    }
    for (size_t i = 0; i < n; ++i) starts[i] = std::clamp(starts[i], lo, hi + 1);
    std::sort(starts.begin(), starts.begin() + n);
    n = std::unique(starts.begin(), starts.begin() + n) - starts.begin();

    auto consider = [](tax::fen::Split& s, Fen m, Fen tax) {
        if (s.monthly < 0 || tax < s.tax || (tax == s.tax && m > s.monthly)) s = {m, tax};
    };
    auto scan = [&](Fen from, Fen to, int bracket) {
        for (Fen m = from; m <= to; ++m) {
            const Fen tax = YearTax(q, m);
            consider(best[0], m, tax);
            consider(best[static_cast<size_t>(2 + bracket)], m, tax);
        }
    };
    for (size_t i = 0; i + 1 < n; ++i) {
        const Fen a = starts[i], b = starts[i + 1] - 1;
        const Fen taxable = kMonths * a - deducted;
        const Fen bonus = q.pay - kMonths * a;
        const int bracket = BonusBracket(bonus);
        const Fen wageRate = taxable > 0 ? Annual()[static_cast<size_t>(tax::fen::WageBracket(taxable, Annual()))].percent : 0;
        const Fen bonusRate = bracket >= 0 ? Monthly()[static_cast<size_t>(bracket)].percent : 0;
        if (wageRate == bonusRate) {
            scan(std::max(a, b - 99), b, bracket);
        } else if (b - a < 2 * kEnd) {
            scan(a, b, bracket);
        } else {
            scan(a, a + kEnd - 1, bracket);
            scan(b - kEnd + 1, b, bracket);
        }
    }
    return best;
}

std::vector<tax::fen::Point> Curve(const Question& q, int samples) {
    return tax::fen::CurveOf(q.pay, samples, [&q](Fen m) { return YearTax(q, m); },
                             [&q](Fen m) { return BonusBracket(q.pay - kMonths * m); });
}

} // namespace fen

PlanSplit EvaluateSplit(const Question& q, Decimal monthly) {
    PlanSplit s{};
    s.monthly = monthly;
    s.bonus = q.pay - monthly * kMonthsPerYear;
    Decimal taxable = monthly * kMonthsPerYear - law2019::kBasicYear - (q.insurance + q.extra) * kMonthsPerYear;
    if (taxable.IsNegative()) taxable = Decimal();
    s.wagesTax = Settle(taxable, AnnualTable().Find(taxable).TaxOn(taxable)).tax;
    const law2019::BonusAlone b = law2019::TaxBonusAlone(s.bonus);
    s.bonusBracket = s.bonus > Decimal() ? MonthlyTable().IndexOf(b.bracket) : -1;
    s.year.bonus = s.bonus;
    s.year.bonusTax = b.tax;
    s.year.totalTax = s.wagesTax + b.tax;
    s.year.realIncome = q.pay - q.insurance * kMonthsPerYear - s.year.totalTax;
    return s;
}

PlanSplit SplitNearBonus(const Question& q, Decimal bonus) {
    const Decimal monthly = ((q.pay - bonus) / kMonthsPerYear).RoundCents();
    return EvaluateSplit(q, std::clamp(monthly, Decimal(), LargestMonthly(q.pay)));
}

std::optional<Plan> MakePlan(const Question& q) {
    const std::vector<tax::fen::Split> splits = fen::BestSplits(fen::FromPlan(q));
    if (splits[0].monthly < 0) return std::nullopt;
    Plan plan;
    plan.best = EvaluateSplit(q, Decimal::Cents(splits[0].monthly));
    plan.allWages = EvaluateSplit(q, LargestMonthly(q.pay));
    std::vector<tax::fen::Split> others;
    for (size_t k = 1; k < splits.size(); ++k)
        if (splits[k].monthly >= 0 && splits[k].monthly != splits[0].monthly) others.push_back(splits[k]);
    std::sort(others.begin(), others.end(), [](const tax::fen::Split& a, const tax::fen::Split& b) {
        return a.tax != b.tax ? a.tax < b.tax : a.monthly > b.monthly;
    });
    for (const tax::fen::Split& s : others) AddOther(plan, EvaluateSplit(q, Decimal::Cents(s.monthly)));
    if (q.own) plan.own = EvaluateSplit(q, *q.own);
    const Decimal least = plan.best.year.totalTax;
    plan.allWages.extra = plan.allWages.year.totalTax - least;
    for (PlanSplit& s : plan.others) s.extra = s.year.totalTax - least;
    if (plan.own) plan.own->extra = plan.own->year.totalTax - least;
    return plan;
}

} // namespace tax::plan2019

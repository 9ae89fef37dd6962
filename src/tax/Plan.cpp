#include "tax/Plan.h"

#include "tax/RateTable.h"
#include "tax/WageFen.h"
#include "tax/Year.h"

#include <algorithm>
#include <array>

namespace tax {

namespace fen {

namespace {

constexpr std::int64_t kMonths = kMonthsPerYear;

// The split with monthly wage m: twelve such wages, the rest of the pay as the bonus.
Award SplitAt(const Question& q, std::int64_t m) {
    return AwardTax(m, q.insurance, q.allowance, q.pay - kMonths * m);
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { // b > 0
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

} // namespace

std::int64_t LeastWage(std::int64_t pay, std::int64_t insurance, std::int64_t lowest) {
    return std::max(lowest, std::min(insurance, pay / kMonths));
}

Question FromPlan(const PlanQuestion& q) {
    // Insurance beyond the pay leaves every split untaxed, as insurance equal to the pay does,
    // so capping it keeps the arithmetic within 64 bits without changing any tax.
    const Decimal insurance = q.insurance > q.pay ? q.pay : q.insurance;
    const std::int64_t pay = Of(q.pay);
    return {pay, Of(insurance), Of(q.allowance), LeastWage(pay, Of(insurance), Of(q.lowest))};
}

std::int64_t YearTax(const Question& q, std::int64_t m) {
    const Award a = SplitAt(q, m);
    return kMonths * a.wageTax + a.bonusTax;
}

int BonusBracket(const Question& q, std::int64_t m) {
    return SplitAt(q, m).bonusBracket;
}

// Between breakpoints (an edge of the monthly taxable income, an edge of the bonus's bracket,
// the end of the allowance shortfall, the ends of the range) the wage and the bonus each stay in
// one bracket, so the exact year's tax is linear in the monthly wage m. Rounding each tax to the
// cent adds at most half a cent to each of the twelve wage taxes and to the bonus tax, so two
// points of one stretch differ from the line by less than 13 cents between them. The slope, per
// cent of m, is 12 × (wage rate − bonus rate) / 100 (or −11 × bonus rate / 100 while the wage
// leaves allowance unused, or 12 × wage rate / 100 on the last cent when the bonus is nothing):
// when not zero, at least 0.33 of a cent. So 40 cents in from the stretch's lower end the tax is
// already more than 13 cents above that end (rising), or below the upper end (falling): the least
// lies within 40 cents of an end. Where the two rates are equal the line is flat and the
// rounding's pattern repeats exactly every 100 cents of m (one more yuan of wage adds the
// rate's whole cents to each wage tax, and twelve yuan less bonus takes as many off), so the
// last 100 cents of the stretch hold the least and, for ties, the largest wage that reaches it.
std::vector<Split> BestSplits(const Question& q) {
    std::vector<Split> best(2 + kWageBrackets);
    const std::int64_t lo = std::max<std::int64_t>(0, q.lowest);
    const std::int64_t hi = q.pay / kMonths;
    if (lo > hi) return best;

    std::array<std::int64_t, 8 + 4 * kWageBrackets> starts{};
    size_t n = 0;
    const std::int64_t full = q.insurance + q.allowance; // the wage from which nothing is left unused
    starts[n++] = lo;
    starts[n++] = hi + 1;
    starts[n++] = full;
    starts[n++] = full + 1;
    for (size_t i = 0; i + 1 < kWageBrackets; ++i) starts[n++] = full + WageBands()[i].upTo + 1;
    // The first wage at which the bonus is at or below 12 × edge, with and without the shortfall
    // (only one of the two is a real change; the other just splits a stretch).
    for (size_t i = 0; i < kWageBrackets; ++i) {
        const std::int64_t edge = i == 0 ? 0 : kMonths * WageBands()[i - 1].upTo;
        starts[n++] = CeilDiv(q.pay - edge, kMonths);
        starts[n++] = CeilDiv(q.pay - full - edge, kMonths - 1);
    }
    for (size_t i = 0; i < n; ++i) starts[i] = std::clamp(starts[i], lo, hi + 1);
    std::sort(starts.begin(), starts.begin() + n);
    n = std::unique(starts.begin(), starts.begin() + n) - starts.begin();

    auto consider = [&](Split& s, std::int64_t m, std::int64_t tax) {
        if (s.monthly < 0 || tax < s.tax || (tax == s.tax && m > s.monthly)) s = {m, tax};
    };
    auto scan = [&](std::int64_t from, std::int64_t to, int bracket) {
        for (std::int64_t m = from; m <= to; ++m) {
            const std::int64_t tax = YearTax(q, m);
            consider(best[0], m, tax);
            consider(best[2 + bracket], m, tax);
        }
    };
    for (size_t i = 0; i + 1 < n; ++i) {
        const std::int64_t a = starts[i], b = starts[i + 1] - 1;
        const Award at = SplitAt(q, a);
        const std::int64_t t = at.wageTaxable;
        const int bracket = at.bonusBracket;
        const std::int64_t wageRate = t > 0 ? WageBands()[WageBracket(t)].percent : 0;
        const std::int64_t bonusRate = bracket >= 0 ? WageBands()[bracket].percent : 0;
        const bool shortfall = a < full;
        const bool flat = shortfall ? bonusRate == 0 : wageRate == bonusRate;
        if (flat) {
            scan(std::max(a, b - 99), b, bracket);
        } else if (b - a < 80) {
            scan(a, b, bracket);
        } else {
            scan(a, a + 39, bracket);
            scan(b - 39, b, bracket);
        }
    }
    return best;
}

std::vector<Point> Curve(const Question& q, int samples) {
    return CurveOf(q.pay, samples, [&q](std::int64_t m) { return YearTax(q, m); },
                   [&q](std::int64_t m) { return BonusBracket(q, m); });
}

std::vector<Point> CurveOf(std::int64_t pay, int samples, const std::function<std::int64_t(std::int64_t)>& yearTax,
                           const std::function<int(std::int64_t)>& bracketOf) {
    const std::int64_t top = pay / kMonths;
    auto at = [&](std::int64_t m) { return Point{pay - kMonths * m, yearTax(m)}; };
    std::vector<Point> points;
    std::int64_t previous = top;
    points.push_back(at(top));
    for (int i = samples - 1; i >= 0; --i) {
        // In 128 bits: top × i passes 2^63 for pays near the plan's limit.
        const auto m = static_cast<std::int64_t>(static_cast<__int128>(top) * i / samples);
        if (m == previous) continue;
        // A jump lies where the bracket changes: halve the gap down to the two cents around it.
        std::int64_t a = previous, b = m;
        while (bracketOf(a) != bracketOf(b) && a - b > 1) {
            std::int64_t left = a, right = b;
            while (left - right > 1) {
                const std::int64_t mid = right + (left - right) / 2;
                (bracketOf(mid) == bracketOf(a) ? left : right) = mid;
            }
            points.push_back(at(left));
            points.push_back(at(right));
            a = right;
        }
        points.push_back(at(m));
        previous = m;
    }
    return points;
}

} // namespace fen

void AddOther(Plan& plan, const PlanSplit& split) {
    // A bonus too small to bear a fen of tax (0.12 at 3%) is not paid at that rate in any
    // sense that matters: the row would be the all-wages split less a few fen.
    if (split.bonusBracket < 0 || split.year.bonusTax > Decimal()) plan.others.push_back(split);
}

bool PlanAmount(Decimal amount) {
    long long cents = 0;
    return !amount.IsNegative() && amount <= kPlanLimit && amount.ToCents(cents);
}

PlanSplit SplitNearBonus(const PlanQuestion& q, Decimal bonus) {
    const Decimal monthly = ((q.pay - bonus) / kMonthsPerYear).RoundCents();
    return EvaluateSplit(q, std::clamp(monthly, Decimal(), LargestMonthly(q.pay)));
}

Decimal LargestMonthly(Decimal pay) {
    return (pay / kMonthsPerYear).FloorCents();
}

PlanSplit EvaluateSplit(const PlanQuestion& q, Decimal monthly) {
    PlanSplit s{};
    s.monthly = monthly;
    s.bonus = q.pay - monthly * kMonthsPerYear;
    s.year = CalcAnnual(q.pay, monthly, q.insurance, Decimal(), q.allowance);
    const ShortfallBonus b = CalcBonusWithWage(s.bonus, monthly, q.insurance, q.allowance);
    s.bonusBracket = b.taxable > 0 ? WageTable().IndexOf(BonusBracket(b.taxable)) : -1;
    s.wagesTax = s.year.totalTax - s.year.bonusTax;
    return s;
}

std::optional<Plan> MakePlan(const PlanQuestion& q) {
    const std::vector<fen::Split> splits = fen::BestSplits(fen::FromPlan(q));
    if (splits[0].monthly < 0) return std::nullopt;
    Plan plan;
    plan.best = EvaluateSplit(q, Decimal::Cents(splits[0].monthly));
    plan.allWages = EvaluateSplit(q, LargestMonthly(q.pay));
    std::vector<fen::Split> others;
    for (size_t k = 1; k < splits.size(); ++k)
        if (splits[k].monthly >= 0 && splits[k].monthly != splits[0].monthly) others.push_back(splits[k]);
    std::sort(others.begin(), others.end(), [](const fen::Split& a, const fen::Split& b) {
        return a.tax != b.tax ? a.tax < b.tax : a.monthly > b.monthly;
    });
    for (const fen::Split& s : others) AddOther(plan, EvaluateSplit(q, Decimal::Cents(s.monthly)));
    if (q.own) plan.own = EvaluateSplit(q, *q.own);
    const Decimal least = plan.best.year.totalTax;
    plan.allWages.extra = plan.allWages.year.totalTax - least;
    for (PlanSplit& s : plan.others)
        s.extra = s.year.totalTax - least;
    if (plan.own) plan.own->extra = plan.own->year.totalTax - least;
    return plan;
}

} // namespace tax

// The plan under the 2019 law: the split it finds is the least over every split to the fen,
// against the law's two tables typed here in whole fen.
#include "tax/Plan2019.h"

#include "tax/Amount.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using tax::Decimal;
using Fen = std::int64_t;

// The annual table (yuan) and the monthly-converted one, which a bonus's twelfth is judged by.
constexpr std::array<Fen, 6> kAnnualEdges{36000, 144000, 300000, 420000, 660000, 960000};
constexpr std::array<Fen, 6> kMonthlyEdges{3000, 12000, 25000, 35000, 55000, 80000};
constexpr std::array<Fen, 7> kRates{3, 10, 20, 25, 30, 35, 45};
constexpr std::array<Fen, 7> kAnnualQuick{0, 2520, 16920, 31920, 52920, 85920, 181920};
constexpr std::array<Fen, 7> kMonthlyQuick{0, 210, 1410, 2660, 4410, 7160, 15160};

int Bracket(const std::array<Fen, 6>& edges, Fen fen, Fen scale) {
    int i = 0;
    while (i < 6 && fen > edges[static_cast<size_t>(i)] * 100 * scale) ++i;
    return i;
}
Fen RoundHundredths(Fen h) {
    return h > 0 ? (h + 50) / 100 : 0;
}

struct Oracle {
    Fen pay, insurance, extra, lowest;
    Fen Wages(Fen m) const {
        const Fen taxable = 12 * m - 6000000 - 12 * insurance - 12 * extra;
        if (taxable <= 0) return 0;
        const auto b = static_cast<size_t>(Bracket(kAnnualEdges, taxable, 1));
        return RoundHundredths(taxable * kRates[b] - kAnnualQuick[b] * 10000);
    }
    int BonusBracket(Fen m) const {
        const Fen bonus = pay - 12 * m;
        return bonus > 0 ? Bracket(kMonthlyEdges, bonus, 12) : -1;
    }
    Fen Bonus(Fen m) const {
        const int b = BonusBracket(m);
        if (b < 0) return 0;
        const auto i = static_cast<size_t>(b);
        return RoundHundredths((pay - 12 * m) * kRates[i] - kMonthlyQuick[i] * 10000);
    }
    Fen Year(Fen m) const { return Wages(m) + Bonus(m); }
};

tax::plan2019::Question Ask(const Oracle& o) {
    return {Decimal::Cents(o.pay), Decimal::Cents(o.insurance), Decimal::Cents(o.extra), Decimal::Cents(o.lowest)};
}

// Random pays from ten thousand to five million yuan, with insurance, deductions and a lowest
// wage or none; every split to the fen is tried. The best split, its figures, the all-wages
// split and the best split at every bonus rate reached (the table) agree.
TEST(Plan2019, EqualsEverySplitToTheFen) {
    std::mt19937_64 rng(2019);
    std::uniform_real_distribution<double> logPay(4.0, 6.7);
    std::vector<Oracle> cases{
        {7000000, 0, 0, 0},          // the wages' and the bonus's 3% meet: ties all along
        {10000000, 100000, 200000, 0}, // deductions beyond the wages: only the bonus is taxed
        {60000000, 100000, 0, 0},      // at 1000 insurance, the 30% row of the table
        {90000000, 0, 0, 0},
        {4200000, 0, 0, 0},
    };
    // Narrow ranges of wages held by a lowest wage, many of them: the ends of the stretches,
    // where the search looks only a few fen in, are met in every rounding pattern.
    for (int i = 0; i < 1500; ++i) {
        const auto pay = static_cast<Fen>(std::pow(10.0, logPay(rng)) * 100) + static_cast<Fen>(rng() % 100);
        const Fen extra = rng() % 2 ? static_cast<Fen>(rng() % 600000) : 0;
        const Fen lowest = std::max<Fen>(0, pay / 12 - static_cast<Fen>(rng() % 100000));
        cases.push_back({pay, static_cast<Fen>(rng() % 300000), extra, lowest});
    }
    for (int i = 0; i < 36; ++i) {
        const auto pay = static_cast<Fen>(std::pow(10.0, logPay(rng)) * 100) + static_cast<Fen>(rng() % 100);
        const Fen insurance = rng() % 3 ? static_cast<Fen>(rng() % 500000) : 0;
        const Fen extra = rng() % 2 ? static_cast<Fen>(rng() % 600000) : 0;
        const Fen lowest = rng() % 3 ? 0 : static_cast<Fen>(rng() % static_cast<std::uint64_t>(pay / 12 + 1));
        cases.push_back({pay, insurance, extra, lowest});
    }
    int withTies = 0;
    for (const Oracle& o : cases) {
        const std::string where = "pay " + std::to_string(o.pay) + " insurance " + std::to_string(o.insurance) +
                                  " extra " + std::to_string(o.extra) + " lowest " + std::to_string(o.lowest);
        std::vector<tax::fen::Split> want(9);
        int atLeast = 0;
        // No wage below the insurance taken from it, unless the pay covers none.
        const Fen least = std::max(o.lowest, std::min(o.insurance, o.pay / 12));
        tax::fen::Split unbounded;
        for (Fen m = o.lowest; m < least; ++m)
            if (unbounded.monthly < 0 || o.Year(m) < unbounded.tax) unbounded = {m, o.Year(m)};
        for (Fen m = least; m <= o.pay / 12; ++m) {
            const Fen tax = o.Year(m);
            for (size_t slot : {size_t{0}, static_cast<size_t>(o.BonusBracket(m) + 2)}) {
                tax::fen::Split& s = want[slot];
                if (slot == 0 && s.monthly >= 0 && tax == s.tax) ++atLeast;
                if (slot == 0 && s.monthly >= 0 && tax < s.tax) atLeast = 0;
                if (s.monthly < 0 || tax <= s.tax) s = {m, tax};
            }
        }
        withTies += atLeast > 0;
        // The insurance's floor never keeps the best split out: below it the tax is no less.
        if (unbounded.monthly >= 0) {
            EXPECT_GE(unbounded.tax, want[0].tax) << where;
        }
        const tax::plan2019::fen::Question f = tax::plan2019::fen::FromPlan(Ask(o));
        const std::vector<tax::fen::Split> got = tax::plan2019::fen::BestSplits(f);
        ASSERT_EQ(want.size(), got.size());
        for (size_t k = 0; k < want.size(); ++k) {
            EXPECT_EQ(want[k].monthly, got[k].monthly) << where << " slot " << k;
            EXPECT_EQ(want[k].tax, got[k].tax) << where << " slot " << k;
        }

        const std::optional<tax::Plan> plan = tax::plan2019::MakePlan(Ask(o));
        ASSERT_TRUE(plan) << where;
        EXPECT_EQ(plan->best.monthly, Decimal::Cents(want[0].monthly)) << where;
        EXPECT_EQ(plan->best.bonus, Decimal::Cents(o.pay - 12 * want[0].monthly)) << where;
        EXPECT_EQ(plan->best.year.totalTax, Decimal::Cents(want[0].tax)) << where;
        EXPECT_EQ(plan->best.year.realIncome, Decimal::Cents(o.pay - 12 * o.insurance - want[0].tax)) << where;
        EXPECT_EQ(plan->allWages.year.totalTax, Decimal::Cents(o.Year(o.pay / 12))) << where;
        size_t rows = 0;
        // A row's bonus bears tax: a bonus of a few fen is no rate worth a row.
        for (size_t k = 1; k < want.size(); ++k)
            rows += want[k].monthly >= 0 && want[k].monthly != want[0].monthly &&
                    (k == 1 || o.Bonus(want[k].monthly) > 0);
        ASSERT_EQ(plan->others.size(), rows) << where;
        for (size_t r = 0; r < rows; ++r) {
            const tax::PlanSplit& s = plan->others[r];
            const tax::fen::Split& w = want[static_cast<size_t>(s.bonusBracket + 2)];
            EXPECT_EQ(s.monthly, Decimal::Cents(w.monthly)) << where << " row " << r;
            EXPECT_EQ(s.year.totalTax, Decimal::Cents(w.tax)) << where << " row " << r;
            EXPECT_GE(s.monthly, Decimal::Cents(least)) << where << " row " << r;
            if (r > 0) {
                EXPECT_LE(plan->others[r - 1].year.totalTax, s.year.totalTax) << where;
            }
        }
    }
    EXPECT_GT(withTies, 100);
}

// The integer evaluation the search runs on is the decimal one, up to the plan's limit.
TEST(Plan2019, FenYearIsTheDecimalYear) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> logPay(3.0, 14.0);
    for (int i = 0; i < 3000; ++i) {
        const auto pay = static_cast<Fen>(std::pow(10.0, logPay(rng)) * 100);
        const Oracle o{pay, static_cast<Fen>(rng() % 2000000), static_cast<Fen>(rng() % 800000), 0};
        const Fen m = static_cast<Fen>(rng() % static_cast<std::uint64_t>(pay / 12 + 1));
        const tax::plan2019::fen::Question f = tax::plan2019::fen::FromPlan(Ask(o));
        ASSERT_EQ(tax::plan2019::fen::YearTax(f, m), o.Year(m)) << pay << " " << m;
        const tax::PlanSplit s = tax::plan2019::EvaluateSplit(Ask(o), Decimal::Cents(m));
        ASSERT_EQ(s.year.totalTax, Decimal::Cents(o.Year(m))) << pay << " " << m;
        ASSERT_EQ(s.bonusBracket, o.BonusBracket(m)) << pay << " " << m;
    }
    // At the plan's limit, with deductions as large: no overflow, the same figures.
    const Fen limit = *tax::kPlanLimit.ToCents();
    const tax::plan2019::Question huge{tax::kPlanLimit, tax::kPlanLimit, tax::kPlanLimit, Decimal()};
    const std::optional<tax::Plan> plan = tax::plan2019::MakePlan(huge);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->best.monthly, tax::LargestMonthly(tax::kPlanLimit));
    EXPECT_EQ(plan->best.year.totalTax,
              Decimal::Cents(Oracle{limit, limit, limit, 0}.Year(limit / 12)));
}

// The plot's points stay within the pay for both laws, up to the plan's limit, where the
// sample's wage no longer fits 64 bits before dividing.
TEST(PlanCurve, StaysWithinThePayUpToTheLimit) {
    for (const Decimal pay : {Decimal(600000), tax::kPlanLimit}) {
        const Fen fen = *pay.ToCents();
        const auto old = tax::fen::Curve(tax::fen::FromPlan({pay, Decimal(1000), Decimal(3500), Decimal()}), 1200);
        const auto now = tax::plan2019::fen::Curve(tax::plan2019::fen::FromPlan({pay, Decimal(1000), Decimal(), Decimal()}), 1200);
        for (const auto* curve : {&old, &now}) {
            ASSERT_GT(curve->size(), 1200u);
            for (size_t i = 0; i < curve->size(); ++i) {
                ASSERT_GE((*curve)[i].bonus, 0);
                ASSERT_LE((*curve)[i].bonus, fen);
                if (i > 0) {
                    ASSERT_GE((*curve)[i].bonus, (*curve)[i - 1].bonus);
                }
            }
        }
    }
}

} // namespace

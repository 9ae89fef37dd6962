// The year-end bonus plan: the split it finds is the least over every split to the cent.
#include "tax/Plan.h"

#include "tax/Amount.h"
#include "tax/RateTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using tax::Decimal;

struct Setting {
    const char* name;
    long long insuranceCents;
    int allowance;
    long long lowestCents;
};
// Both allowances, with and without insurance and a lowest wage.
const std::vector<Setting> kSettings{
    {"3500", 0, 3500, 0},
    {"4800", 0, 4800, 0},
    {"3500 insured", 123456, 3500, 0},
    {"4800 insured", 98765, 4800, 0},
    {"3500 lowest 8000", 0, 3500, 800000},
    {"4800 insured lowest 3000", 50050, 4800, 300000},
};

tax::PlanQuestion Question(const Setting& s, long long payCents) {
    return {Decimal::Cents(payCents), Decimal::Cents(s.insuranceCents), Decimal(s.allowance),
            Decimal::Cents(s.lowestCents)};
}

// Index as in fen::BestSplits.
size_t Slot(int bracket) {
    return static_cast<size_t>(bracket + 2);
}

void Keep(tax::fen::Split& s, std::int64_t m, std::int64_t tax) {
    if (s.monthly < 0 || tax < s.tax || (tax == s.tax && m > s.monthly)) s = {m, tax};
}

void ExpectSame(const std::vector<tax::fen::Split>& want, const std::vector<tax::fen::Split>& got,
                const std::string& where) {
    ASSERT_EQ(want.size(), got.size());
    for (size_t k = 0; k < want.size(); ++k) {
        EXPECT_EQ(want[k].monthly, got[k].monthly) << where << " slot " << k;
        EXPECT_EQ(want[k].tax, got[k].tax) << where << " slot " << k;
    }
}

// The integer evaluation the search runs on is the decimal core's year: every wage and bonus
// bracket, the shortfall, insurance above the wage, and half cents of both taxes.
TEST(PlanFen, YearTaxIsTheAnnualPanels) {
    std::mt19937_64 rng(12);
    std::uniform_int_distribution<long long> logPay(300, 900); // 10^(x/100) yuan
    int checked = 0;
    for (const Setting& s : kSettings) {
        for (int i = 0; i < 300; ++i) {
            const long long pay = static_cast<long long>(std::pow(10.0, logPay(rng) / 100.0) * 100) + rng() % 100;
            const tax::PlanQuestion q = Question(s, pay);
            const tax::fen::Question f = tax::fen::FromPlan(q);
            const long long top = pay / 12;
            for (long long m : {0LL, top, static_cast<long long>(rng() % (top + 1)),
                                std::min(top, f.insurance + f.allowance + static_cast<long long>(rng() % 900000))}) {
                const tax::AnnualResult year = tax::CalcAnnual(q.pay, Decimal::Cents(m), q.insurance, Decimal(), q.allowance);
                ASSERT_EQ(Decimal::Cents(tax::fen::YearTax(f, m)), year.totalTax)
                    << s.name << " pay " << pay << " monthly " << m;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 4 * 300 * static_cast<int>(kSettings.size()));
}

// Every split to the cent, for pays from a few thousand yuan up to a million: the best, and the
// best of each bonus bracket (the table of next-best splits), are those the search returns.
TEST(PlanSearch, EqualsEverySplitToTheCent) {
    std::mt19937_64 rng(2012);
    std::vector<long long> pays{4199999, 6000000, 10000000, 21600000, 100000000};
    std::uniform_real_distribution<double> logPay(3.5, 6.0);
    for (int i = 0; i < 8; ++i) pays.push_back(static_cast<long long>(std::pow(10.0, logPay(rng)) * 100));
    pays.push_back(99999999); // just under a million yuan
    for (const Setting& s : kSettings) {
        for (long long pay : pays) {
            const tax::fen::Question f = tax::fen::FromPlan(Question(s, pay));
            std::vector<tax::fen::Split> want(9);
            for (std::int64_t m = f.lowest; m <= pay / 12; ++m) {
                const std::int64_t tax = tax::fen::YearTax(f, m);
                Keep(want[0], m, tax);
                Keep(want[Slot(tax::fen::BonusBracket(f, m))], m, tax);
            }
            ExpectSame(want, tax::fen::BestSplits(f), std::string(s.name) + " pay " + std::to_string(pay));
        }
    }
}

// Larger pays, every yuan of monthly wage and every cent within two yuan of wherever the wage's
// or the bonus's bracket or the shortfall changes (found here by looking, not by formula).
TEST(PlanSearch, EqualsEveryYuanAndEveryCentNearAChange) {
    for (const Setting& s : kSettings) {
        for (long long pay : {123456789LL, 180000000LL, 345678912LL}) {
            const tax::fen::Question f = tax::fen::FromPlan(Question(s, pay));
            const std::int64_t top = pay / 12;
            auto kind = [&](std::int64_t m) {
                const std::int64_t taxable = m - f.insurance - f.allowance;
                // the wage bracket, named by its quick deduction in fen
                const long long wage =
                    taxable > 0 ? tax::WageTable().Find(Decimal::Cents(taxable)).quick.ToCents().value() : -1;
                return (tax::fen::BonusBracket(f, m) * 100000 + wage) * 2 + (taxable < 0);
            };
            std::vector<tax::fen::Split> want(9);
            auto visit = [&](std::int64_t m) {
                const std::int64_t tax = tax::fen::YearTax(f, m);
                Keep(want[0], m, tax);
                Keep(want[Slot(tax::fen::BonusBracket(f, m))], m, tax);
            };
            int before = kind(f.lowest);
            for (std::int64_t m = f.lowest; m <= top; m += 100) {
                visit(m);
                const int now = kind(std::min(m + 100, top));
                if (now != before || m + 100 > top)
                    for (std::int64_t c = std::max(f.lowest, m - 200); c <= std::min(top, m + 300); ++c) visit(c);
                before = now;
            }
            ExpectSame(want, tax::fen::BestSplits(f), std::string(s.name) + " pay " + std::to_string(pay));
        }
    }
}

// Only splits an employer can pay: no wage below the insurance taken from it, and no row for a
// bonus too small to bear a fen of tax. The best split is the least over every cent from the
// employer's lowest wage alone, so the floor never costs the person anything.
TEST(Plan, OnlySplitsThatCanBePaid) {
    for (const auto& [pay, insurance, lowest] : std::vector<std::array<long long, 3>>{
             {15000000, 100000, 0}, {15000000, 250000, 0}, {6000000, 700000, 0}, {3000000, 300000, 0},
             {30000000, 500000, 200000}, {1200000, 500000, 0}}) {
        const tax::PlanQuestion q{Decimal::Cents(pay), Decimal::Cents(insurance), Decimal(3500), Decimal::Cents(lowest)};
        const tax::fen::Question f = tax::fen::FromPlan(q);
        tax::fen::Split best;
        for (std::int64_t m = lowest; m <= pay / 12; ++m) Keep(best, m, tax::fen::YearTax(f, m));
        const std::optional<tax::Plan> plan = tax::MakePlan(q);
        ASSERT_TRUE(plan);
        const std::string where = "pay " + std::to_string(pay) + " insurance " + std::to_string(insurance);
        EXPECT_EQ(plan->best.monthly, Decimal::Cents(best.monthly)) << where;
        EXPECT_EQ(plan->best.year.totalTax, Decimal::Cents(best.tax)) << where;
        const Decimal least = std::min(Decimal::Cents(std::max(insurance, lowest)), tax::LargestMonthly(q.pay));
        for (const tax::PlanSplit& s : plan->others) {
            EXPECT_GE(s.monthly, least) << where;
            if (s.bonusBracket >= 0) {
                EXPECT_GT(s.year.bonusTax, Decimal()) << where;
            }
        }
    }
}

// Cases to check by hand (allowance 3500, no insurance unless said).
TEST(Plan, WorkedCases) {
    struct Case {
        const char* what;
        const char* pay;
        const char* insurance;
        const char* lowest;
        const char* monthly, *bonus, *tax, *realIncome, *allWagesTax;
    };
    const std::vector<Case> cases{
        // 18000 of bonus at 3% (540.00) and the rest as wages: 6833.34 − 3500 = 3333.34 at 10%
        // less 105 is 228.33 a month, 2739.96 a year. One cent less of wage would leave a bonus
        // of 18000.04, taxed at 10%. All as wages: 4833.33 at 20% less 555, 411.67 a month.
        {"bonus fills the 3% bracket", "100000", "0", "0", "6833.34", "17999.92", "3279.96", "96720.04", "4940.04"},
        // Under 12 × 3500 nothing is taxed however it is split: all as wages.
        {"untaxed", "42000", "0", "0", "3500.00", "0.00", "0.00", "42000.00", "0.00"},
        // 3% on the whole taxable 18000 either way, save the cents of rounding: 4999.83 leaves
        // 1499.83 taxable, 44.9949 rounded down to 44.99 (539.88 a year), and a bonus of 2.04
        // whose 0.0612 rounds to 0.06; 5000.00 a month pays 45.00 × 12 = 540.00.
        {"one rate either way", "60000", "0", "0", "4999.83", "2.04", "539.94", "59460.06", "540.00"},
        // The lowest wage keeps the bonus of 18000 from being the answer: 10000.02 a month is
        // 6500.02 taxable at 20% less 555 (745.004, 745.00, 8940.00 a year), and the bonus
        // 29999.76 at 10% less 105 is 2894.976, 2894.98. All as wages: 9000 taxable, 1245.00.
        {"lowest wage binds", "150000", "0", "10000", "10000.02", "29999.76", "11834.98", "138165.02", "14940.00"},
    };
    for (const Case& c : cases) {
        const tax::PlanQuestion q{*tax::ParseAmount(c.pay), *tax::ParseAmount(c.insurance), Decimal(3500),
                                  *tax::ParseAmount(c.lowest)};
        const std::optional<tax::Plan> plan = tax::MakePlan(q);
        ASSERT_TRUE(plan) << c.what;
        EXPECT_EQ(tax::FormatAmount(plan->best.monthly), c.monthly) << c.what;
        EXPECT_EQ(tax::FormatAmount(plan->best.bonus), c.bonus) << c.what;
        EXPECT_EQ(tax::FormatAmount(plan->best.year.totalTax), c.tax) << c.what;
        EXPECT_EQ(tax::FormatAmount(plan->best.year.realIncome), c.realIncome) << c.what;
        EXPECT_EQ(tax::FormatAmount(plan->allWages.year.totalTax), c.allWagesTax) << c.what;
    }
}

// The table of other bonus rates has a row for every bracket the pay reaches, however many.
TEST(Plan, EveryReachableBonusRateHasARow) {
    struct Case {
        const char* pay;
        const char* insurance;
        int bracket; // a row to check: its bonus bracket (−1: no bonus tax) and its figures
        const char *monthly, *bonus, *tax;
    };
    const std::vector<Case> cases{
        {"600000", "1000", 4, "14999.97", "420000.36", "142684.99"},
        {"900000", "0", 5, nullptr, nullptr, nullptr},
        {"900000", "0", -1, "75000.00", "0.00", nullptr},
    };
    for (const Case& c : cases) {
        const tax::PlanQuestion q{*tax::ParseAmount(c.pay), *tax::ParseAmount(c.insurance), Decimal(3500), Decimal()};
        const std::optional<tax::Plan> plan = tax::MakePlan(q);
        ASSERT_TRUE(plan);
        // Every bracket some split reaches, found by walking the monthly wage a yuan at a time
        // and every cent near the top, where the bonus runs out.
        const tax::fen::Question f = tax::fen::FromPlan(q);
        std::vector<int> reached;
        auto reach = [&](std::int64_t m) {
            const int b = tax::fen::BonusBracket(f, m);
            if (std::find(reached.begin(), reached.end(), b) == reached.end()) reached.push_back(b);
        };
        for (std::int64_t m = 0; m <= f.pay / 12; m += 100) reach(m);
        for (std::int64_t m = std::max<std::int64_t>(0, f.pay / 12 - 3000); m <= f.pay / 12; ++m) reach(m);
        std::vector<int> shown{plan->best.bonusBracket};
        for (const tax::PlanSplit& s : plan->others) shown.push_back(s.bonusBracket);
        std::sort(reached.begin(), reached.end());
        std::sort(shown.begin(), shown.end());
        EXPECT_EQ(shown, reached) << c.pay;
        const auto row = std::find_if(plan->others.begin(), plan->others.end(),
                                      [&](const tax::PlanSplit& s) { return s.bonusBracket == c.bracket; });
        ASSERT_NE(row, plan->others.end()) << c.pay << " bracket " << c.bracket;
        for (auto [want, got] : {std::pair{c.monthly, row->monthly}, std::pair{c.bonus, row->bonus},
                                 std::pair{c.tax, row->year.totalTax}}) {
            if (want) {
                EXPECT_EQ(tax::FormatAmount(got), want) << c.pay << " bracket " << c.bracket;
            }
        }
    }
}

TEST(Plan, RefusesWhatHasNoSplitInCents) {
    EXPECT_TRUE(tax::PlanAmount(*tax::ParseAmount("100000.10")));
    EXPECT_FALSE(tax::PlanAmount(*tax::ParseAmount("100000.105")));
    EXPECT_FALSE(tax::PlanAmount(*tax::ParseAmount("-1")));
    EXPECT_TRUE(tax::PlanAmount(tax::kPlanLimit));
    EXPECT_FALSE(tax::PlanAmount(tax::kPlanLimit + Decimal::Cents(1)));
    // A lowest wage above pay / 12 leaves no split.
    EXPECT_TRUE(tax::MakePlan({Decimal(120000), Decimal(), Decimal(3500), Decimal(10000)}));
    EXPECT_FALSE(tax::MakePlan({Decimal(120000), Decimal(), Decimal(3500), Decimal::Cents(1000001)}));
}

} // namespace

// The year-end bonus rule, its reverse, the blind zones, and the two panels that tax a bonus
// together with a wage.
#include "tax/BonusTax.h"

#include "tax/Amount.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using tax::FormatAmount;

TEST(BlindZones, TextsAndBoundsAsShown) {
    const std::vector<std::string> texts{
        "进入盲区：( 18,000, 19,283.33 ]",     "进入奖盲区：( 54,000, 60187.50 ]",
        "进入奖盲区：( 108,000, 114,600 ]",    "进入奖盲区：( 420,000, 447,500 ]",
        "进入奖盲区：( 660,000, 706,538.46 ]", "进入奖盲区：( 960,000, 1,120,000 ]"};
    const double monthlyEdges[] = {1500, 4500, 9000, 35000, 55000, 80000};
    ASSERT_EQ(tax::BlindZones().size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        const tax::BlindZone& z = tax::BlindZones()[i];
        EXPECT_EQ(z.text, texts[i]);
        EXPECT_EQ(z.lower, 12 * monthlyEdges[i]);
        // The upper bound is the last cent at which the after-tax bonus has not yet climbed
        // back above its value at the lower bound.
        const double atLower = tax::CalcBonus(z.lower).net;
        EXPECT_LE(tax::CalcBonus(z.upper).net, atLower + 1e-6) << z.upper;
        EXPECT_GT(tax::CalcBonus(z.upper + 0.01).net, atLower) << z.upper;
        // Lower bound excluded, upper included.
        EXPECT_EQ(tax::FindBlindZone(z.lower), nullptr);
        EXPECT_EQ(tax::FindBlindZone(z.lower + 0.01), &z);
        EXPECT_EQ(tax::FindBlindZone(z.upper), &z);
        EXPECT_EQ(tax::FindBlindZone(z.upper + 0.01), nullptr);
    }
}

// Lower bound of the bracket a bonus falls in, as twelve times a monthly edge (0 for the first).
double BracketFloor(double bonus) {
    double floor = 0;
    for (const tax::BlindZone& z : tax::BlindZones())
        if (bonus > z.lower) floor = z.lower;
    return floor;
}

// Every after-tax amount above 0 is left by some bonus: each bracket's after-tax amounts run
// from just above its value at the lower edge up to its value at the upper edge, and each
// bracket's range overlaps the next one's (that overlap is the blind zone), the last without
// bound. The bonus is written with two decimals; that moves the after-tax amount by at most
// half a cent times (1 − rate), under half a cent, so a typed cent comes back. A typed figure
// with more decimals than the cent comes back only to the cent, and one below half a cent
// would need a bonus that rounds to 0.00, which the bonus reader refuses.
TEST(BonusReverse, EveryCentComesBackFromTheLowestBracketThatLeavesIt) {
    std::vector<long long> cents;
    // The ends of every bracket's after-tax range, where the bracket choice changes.
    for (long long edge : {17460LL, 48705LL, 86955LL, 316005LL, 464755LL, 629505LL, 16305LL, 43755LL, 82005LL,
                           296755LL, 434505LL, 541505LL})
        for (long long c = edge * 100 - 3000; c <= edge * 100 + 3000; ++c)
            cents.push_back(c);
    for (long long c = 1; c <= 3000; ++c)
        cents.push_back(c);
    std::mt19937_64 rng(5);
    std::uniform_int_distribution<long long> wide(1, 500000000LL);
    for (int i = 0; i < 300000; ++i)
        cents.push_back(wide(rng));

    int failures = 0;
    for (long long c : cents) {
        const double typed = static_cast<double>(c) / 100.0;
        const std::string written = FormatAmount(tax::BonusFromNet(typed));
        const double bonus = tax::ParseAmount(written).value_or(-1);
        const tax::BonusResult r = tax::CalcBonus(bonus);
        std::string problem;
        if (!(bonus > 0))
            problem = "bonus not above 0";
        else if (FormatAmount(r.net) != FormatAmount(typed))
            problem = "shows " + FormatAmount(r.net);
        else if (r.tax < 0)
            problem = "negative tax";
        // No bonus of a lower bracket leaves the same amount: even the top of the bracket
        // below leaves less.
        else if (const double floor = BracketFloor(bonus); floor > 0 && !(tax::CalcBonus(floor).net < typed))
            problem = "a smaller bonus below " + FormatAmount(floor) + " leaves the same";
        if (!problem.empty()) {
            ADD_FAILURE() << "after tax " << typed << ": bonus " << written << ", " << problem;
            if (++failures > 5) return;
        }
    }
}

// A figure typed with more than two decimals is judged on the bonus as it will be read back.
TEST(BonusReverse, ABonusRoundingOntoAnEdgeIsJudgedWhereItLands) {
    // 17460.004 / 0.97 = 18000.0041… lies above the first edge, but it is written as 18000.00,
    // which the forward run taxes at 3%. Judged unrounded, the second bracket's 19283.34 would
    // be taken and show 17460.01.
    EXPECT_EQ(FormatAmount(tax::BonusFromNet(17460.004)), "18000.00");
    EXPECT_EQ(FormatAmount(tax::CalcBonus(tax::BonusFromNet(17460.004)).net), "17460.00");
    // Just above the second edge the bonus still shows within the third bracket.
    EXPECT_EQ(FormatAmount(tax::BonusFromNet(48705.004)), "54000.00");
}

TEST(Annual, MonthlyAboveATwelfthIsRefused) {
    EXPECT_TRUE(tax::MonthlyExceedsSalary(100000, 9000));
    EXPECT_EQ(FormatAmount(tax::MonthlyLimit(100000)), "8333.33");
    EXPECT_FALSE(tax::MonthlyExceedsSalary(120000, 10000));
    EXPECT_TRUE(tax::MonthlyExceedsSalary(120000, 10000.01));
    EXPECT_FALSE(tax::MonthlyExceedsSalary(0, 0));
}

TEST(BonusTax, NeverNegativeNorUnprintable) {
    std::mt19937_64 rng(9);
    std::uniform_real_distribution<double> amount(0, 5e6);
    auto printable = [](double v) {
        const std::string s = FormatAmount(v);
        return s.find("inf") == std::string::npos && s.find("nan") == std::string::npos &&
               s.find("溢出") == std::string::npos;
    };
    for (int i = 0; i < 200000; ++i) {
        const double bonus = amount(rng), wage = amount(rng) / 50, insurance = amount(rng) / 500;
        ASSERT_GE(tax::CalcBonus(bonus).tax, 0) << bonus;
        const tax::AwardResult a = tax::CalcAward(bonus, wage, insurance, 3500);
        ASSERT_GE(a.bonus.tax, 0);
        ASSERT_GE(a.wageTax, 0);
        ASSERT_TRUE(printable(a.totalNet));
        const tax::AnnualResult y = tax::CalcAnnual(bonus + 12 * wage, wage, insurance, insurance, 4800);
        ASSERT_GE(y.totalTax, 0);
        ASSERT_TRUE(printable(y.realIncome));
    }
    EXPECT_TRUE(printable(tax::CalcAnnual(1e300, 1e300 / 12, 1e300, 1e300, 3500).realIncome));
    EXPECT_TRUE(printable(tax::BonusFromNet(1e300)));
}

} // namespace

// The shown tax and after-tax bonus add up to the bonus, to the cent, for every cent near the
// zones and a broad sample beyond.
TEST(BonusSettlement, ShownTaxAndNetAddUpToTheBonus) {
    std::mt19937_64 rng(5);
    std::uniform_int_distribution<long long> wide(1, 300000000LL);
    std::vector<long long> cents;
    for (const tax::BlindZone& zone : tax::BlindZones())
        for (long long c = static_cast<long long>(zone.lower * 100) - 500; c <= zone.lower * 100 + 500; ++c)
            cents.push_back(c);
    for (int i = 0; i < 100000; ++i)
        cents.push_back(wide(rng));
    for (long long c : cents) {
        const tax::BonusResult r = tax::CalcBonus(static_cast<double>(c) / 100);
        const auto shown = [](double v) { return std::llround(std::stod(tax::FormatAmount(v)) * 100); };
        ASSERT_EQ(shown(r.tax) + shown(r.net), c);
    }
}

// The year-end bonus rule, its reverse, the blind zones, and the two panels that tax a bonus
// together with a wage.
#include "tax/BonusTax.h"

#include "tax/Amount.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using tax::FormatAmount;

struct BonusCase {
    const char* name;
    double bonus;
    const char *average, *rate, *quick, *tax, *net;
};
void PrintTo(const BonusCase& c, std::ostream* os) {
    *os << c.name;
}

class BonusForward : public ::testing::TestWithParam<BonusCase> {};

TEST_P(BonusForward, ShowsTheFiguresOfTheRow) {
    const BonusCase& c = GetParam();
    const tax::BonusResult r = tax::CalcBonus(c.bonus);
    EXPECT_EQ(FormatAmount(r.average), c.average);
    EXPECT_EQ(tax::FormatRate(r.bracket.rate), c.rate);
    EXPECT_EQ(FormatAmount(r.bracket.quick), c.quick);
    EXPECT_EQ(FormatAmount(r.tax), c.tax);
    EXPECT_EQ(FormatAmount(r.net), c.net);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BonusForward,
    ::testing::Values(
        BonusCase{"twelve times the first edge stays at 3%", 18000, "1500.00", "3%", "0.00", "540.00",
                  "17460.00"},
        BonusCase{"a cent above pays 10%", 18000.01, "1500.00", "10%", "105.00", "1695.00", "16305.01"},
        BonusCase{"inside zone 1", 19000, "1583.33", "10%", "105.00", "1795.00", "17205.00"},
        BonusCase{"just past zone 1", 19283.34, "1606.95", "10%", "105.00", "1823.33", "17460.01"},
        BonusCase{"second edge", 54000, "4500.00", "10%", "105.00", "5295.00", "48705.00"},
        BonusCase{"inside zone 2", 60000, "5000.00", "20%", "555.00", "11445.00", "48555.00"},
        BonusCase{"third bracket", 100000, "8333.33", "20%", "555.00", "19445.00", "80555.00"},
        BonusCase{"sixth edge", 960000, "80000.00", "35%", "5505.00", "330495.00", "629505.00"},
        BonusCase{"top of zone 6", 1120000, "93333.33", "45%", "13505.00", "490495.00", "629505.00"},
        BonusCase{"one cent", 0.01, "0.00", "3%", "0.00", "0.00", "0.01"}));

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

struct ReverseBonusCase {
    const char* name;
    double typed;
    const char *bonus, *tax;
};
void PrintTo(const ReverseBonusCase& c, std::ostream* os) {
    *os << c.name;
}

class BonusReverseRows : public ::testing::TestWithParam<ReverseBonusCase> {};

TEST_P(BonusReverseRows, WritesTheBonusToTheCent) {
    const ReverseBonusCase& c = GetParam();
    const double bonus = tax::BonusFromNet(c.typed);
    EXPECT_EQ(FormatAmount(bonus), c.bonus);
    EXPECT_EQ(FormatAmount(tax::CalcBonus(bonus).tax), c.tax);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BonusReverseRows,
    ::testing::Values(
        ReverseBonusCase{"the first edge stays below the zone", 17460, "18000.00", "540.00"},
        ReverseBonusCase{"a cent more needs the second bracket", 17460.01, "19283.34", "1823.33"},
        ReverseBonusCase{"left both in zone 1 and below: the smaller", 17205, "17737.11", "532.11"},
        ReverseBonusCase{"first bracket", 9700, "10000.00", "300.00"},
        ReverseBonusCase{"second bracket", 30000, "33216.67", "3216.67"},
        // Monthly after-tax edges would take the first bracket here and show another figure.
        ReverseBonusCase{"second edge, under the monthly edge times 12", 48705, "54000.00", "5295.00"},
        ReverseBonusCase{"the sixth edge rather than the top of zone 6", 629505, "960000.00", "330495.00"},
        ReverseBonusCase{"a cent above the sixth edge", 629505.01, "1120000.02", "490495.01"}));

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

struct AwardCase {
    const char* name;
    double bonus, wage, insurance, allowance;
    const char *wageTax, *wageNet, *bonusTax, *bonusNet, *totalTax, *totalNet;
    double taxableBonus;
};
void PrintTo(const AwardCase& c, std::ostream* os) {
    *os << c.name;
}

class AwardRows : public ::testing::TestWithParam<AwardCase> {};

TEST_P(AwardRows, ShortfallComesOffTheBonus) {
    const AwardCase& c = GetParam();
    const tax::AwardResult r = tax::CalcAward(c.bonus, c.wage, c.insurance, c.allowance);
    EXPECT_EQ(FormatAmount(r.wageTax), c.wageTax);
    EXPECT_EQ(FormatAmount(r.wageNet), c.wageNet);
    EXPECT_EQ(FormatAmount(r.bonus.tax), c.bonusTax);
    EXPECT_EQ(FormatAmount(r.bonusNet), c.bonusNet);
    EXPECT_EQ(FormatAmount(r.totalTax), c.totalTax);
    EXPECT_EQ(FormatAmount(r.totalNet), c.totalNet);
    EXPECT_DOUBLE_EQ(r.bonus.taxable, c.taxableBonus);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AwardRows,
    ::testing::Values(AwardCase{"no shortfall", 24000, 5000, 500, 3500, "30.00", "4970.00", "2295.00",
                                "21705.00", "2325.00", "26675.00", 24000},
                      AwardCase{"shortfall of 800", 24000, 3000, 300, 3500, "0.00", "3000.00", "2215.00",
                                "21785.00", "2215.00", "24785.00", 23200},
                      AwardCase{"shortfall leaves zone 1", 19000, 2500, 0, 3500, "0.00", "2500.00", "540.00",
                                "18460.00", "540.00", "20960.00", 18000},
                      AwardCase{"taxable bonus below 0", 1000, 2000, 0, 3500, "0.00", "2000.00", "0.00",
                                "1000.00", "0.00", "3000.00", -500},
                      AwardCase{"wage 0 loses the whole allowance", 24000, 0, 0, 3500, "0.00", "0.00",
                                "1945.00", "22055.00", "1945.00", "22055.00", 20500},
                      AwardCase{"insurance above the wage", 30000, 1000, 2000, 3500, "0.00", "1000.00",
                                "2445.00", "27555.00", "2445.00", "28555.00", 25500},
                      AwardCase{"allowance 4800", 24000, 5000, 0, 4800, "6.00", "4994.00", "2295.00",
                                "21705.00", "2301.00", "26699.00", 24000}));

struct AnnualCase {
    const char* name;
    double salary, monthly, insurance, other;
    const char *monthTax, *bonus, *bonusTax, *totalTax, *realIncome;
};
void PrintTo(const AnnualCase& c, std::ostream* os) {
    *os << c.name;
}

class AnnualRows : public ::testing::TestWithParam<AnnualCase> {};

TEST_P(AnnualRows, TheYearsTaxIsTwelveMonthsAndTheBonus) {
    const AnnualCase& c = GetParam();
    const tax::AnnualResult r = tax::CalcAnnual(c.salary, c.monthly, c.insurance, c.other, 3500);
    EXPECT_EQ(FormatAmount(r.monthTax), c.monthTax);
    EXPECT_EQ(FormatAmount(r.bonus), c.bonus);
    EXPECT_EQ(FormatAmount(r.bonusTax), c.bonusTax);
    EXPECT_EQ(FormatAmount(r.totalTax), c.totalTax);
    EXPECT_EQ(FormatAmount(r.realIncome), c.realIncome);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AnnualRows,
    ::testing::Values(AnnualCase{"all paid monthly", 120000, 10000, 0, 0, "745.00", "0.00", "0.00", "8940.00",
                                 "111060.00"},
                      AnnualCase{"rest and other bonus", 150000, 10000, 1000, 6000, "545.00", "36000.00",
                                 "3495.00", "10035.00", "133965.00"},
                      AnnualCase{"shortfall off the bonus", 60000, 3000, 500, 0, "0.00", "24000.00",
                                 "2195.00", "2195.00", "51805.00"},
                      AnnualCase{"shortfall beyond the bonus", 36000, 3000, 0, 0, "0.00", "0.00", "0.00",
                                 "0.00", "36000.00"},
                      AnnualCase{"bonus on the edge", 78000, 5000, 0, 0, "45.00", "18000.00", "540.00",
                                 "1080.00", "76920.00"},
                      AnnualCase{"bonus 12 cents above the edge", 78000.12, 5000, 0, 0, "45.00", "18000.12",
                                 "1695.01", "2235.01", "75765.11"}));

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

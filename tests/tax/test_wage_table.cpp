#include "tax/WageTable.h"

#include "tax/Amount.h"

#include <gtest/gtest.h>

#include <random>

using tax::FindRate;
using tax::FindRateByNet;
using tax::FindRateByTax;
using tax::RateBracket;

struct LookupCase {
    const char* name;
    RateBracket (*lookup)(double);
    double argument;
    RateBracket want;
};

class WageTableEdges : public ::testing::TestWithParam<LookupCase> {};

TEST_P(WageTableEdges, EdgeStaysInTheLowerRow) {
    const LookupCase& c = GetParam();
    EXPECT_EQ(c.lookup(c.argument), c.want) << c.name << " of " << c.argument;
}

constexpr RateBracket r1{0.03, 0}, r2{0.10, 105}, r3{0.20, 555}, r4{0.25, 1005}, r5{0.30, 2755},
    r6{0.35, 5505}, r7{0.45, 13505};

INSTANTIATE_TEST_SUITE_P(
    EveryEdge, WageTableEdges,
    ::testing::Values(
        LookupCase{"income", FindRate, -100, r1}, LookupCase{"income", FindRate, 0, r1},
        LookupCase{"income", FindRate, 1500, r1}, LookupCase{"income", FindRate, 1500.01, r2},
        LookupCase{"income", FindRate, 4500, r2}, LookupCase{"income", FindRate, 4500.01, r3},
        LookupCase{"income", FindRate, 9000, r3}, LookupCase{"income", FindRate, 9000.01, r4},
        LookupCase{"income", FindRate, 35000, r4}, LookupCase{"income", FindRate, 35000.01, r5},
        LookupCase{"income", FindRate, 55000, r5}, LookupCase{"income", FindRate, 55000.01, r6},
        LookupCase{"income", FindRate, 80000, r6}, LookupCase{"income", FindRate, 80000.01, r7},
        LookupCase{"income", FindRate, 1e12, r7}, LookupCase{"tax", FindRateByTax, 45, r1},
        LookupCase{"tax", FindRateByTax, 45.01, r2}, LookupCase{"tax", FindRateByTax, 345, r2},
        LookupCase{"tax", FindRateByTax, 345.01, r3}, LookupCase{"tax", FindRateByTax, 1245, r3},
        LookupCase{"tax", FindRateByTax, 1245.01, r4}, LookupCase{"tax", FindRateByTax, 7745, r4},
        LookupCase{"tax", FindRateByTax, 7745.01, r5}, LookupCase{"tax", FindRateByTax, 13745, r5},
        LookupCase{"tax", FindRateByTax, 13745.01, r6}, LookupCase{"tax", FindRateByTax, 22495, r6},
        LookupCase{"tax", FindRateByTax, 22495.01, r7}, LookupCase{"net", FindRateByNet, 1455, r1},
        LookupCase{"net", FindRateByNet, 1455.01, r2}, LookupCase{"net", FindRateByNet, 4155, r2},
        LookupCase{"net", FindRateByNet, 4155.01, r3}, LookupCase{"net", FindRateByNet, 7755, r3},
        LookupCase{"net", FindRateByNet, 7755.01, r4}, LookupCase{"net", FindRateByNet, 27255, r4},
        LookupCase{"net", FindRateByNet, 27255.01, r5}, LookupCase{"net", FindRateByNet, 41255, r5},
        LookupCase{"net", FindRateByNet, 41255.01, r6}, LookupCase{"net", FindRateByNet, 57505, r6},
        LookupCase{"net", FindRateByNet, 57505.01, r7}));

double TaxOf(double t) {
    const RateBracket b = FindRate(t);
    return t * b.rate - b.quick;
}

TEST(WageTable, TaxIsContinuousAtEveryEdge) {
    for (double edge : {1500.0, 4500.0, 9000.0, 35000.0, 55000.0, 80000.0}) {
        const RateBracket below = FindRate(edge), above = FindRate(edge + 0.01);
        EXPECT_NEAR(edge * below.rate - below.quick, edge * above.rate - above.quick, 1e-9) << edge;
    }
}

TEST(WageTable, WorkedExamples) {
    EXPECT_DOUBLE_EQ(TaxOf(7431.25), 931.25);
    const RateBracket b = FindRateByNet(6500);
    EXPECT_DOUBLE_EQ((6500 - b.quick) / (1 - b.rate), 7431.25);
    const RateBracket b5 = FindRateByNet(36500);
    const double t = (36500 - b5.quick) / (1 - b5.rate);
    EXPECT_EQ(tax::FormatAmount(t - TaxOf(t)), "36500.00");
    const RateBracket b7 = FindRateByTax(22495.01);
    EXPECT_NEAR((22495.01 + b7.quick) / b7.rate, 80000.0222222, 1e-6);
}

TEST(WageTable, ReverseLookupsRoundTripEveryCentNearTheEdgesAndBeyond) {
    std::vector<long long> cents;
    for (long long edge :
         {45LL, 345LL, 1245LL, 7745LL, 13745LL, 22495LL, 1455LL, 4155LL, 7755LL, 27255LL, 41255LL, 57505LL})
        for (long long c = edge * 100 - 300; c <= edge * 100 + 300; ++c)
            cents.push_back(c);
    std::mt19937_64 rng(42);
    std::uniform_int_distribution<long long> wide(1, 500000000LL);
    for (int i = 0; i < 100000; ++i)
        cents.push_back(wide(rng));

    for (long long c : cents) {
        const double x = static_cast<double>(c) / 100.0;
        const RateBracket byTax = FindRateByTax(x);
        const double tFromTax = (x + byTax.quick) / byTax.rate;
        ASSERT_EQ(tax::FormatAmount(TaxOf(tFromTax)), tax::FormatAmount(x)) << "tax " << x;

        const RateBracket byNet = FindRateByNet(x);
        const double tFromNet = (x - byNet.quick) / (1 - byNet.rate);
        ASSERT_EQ(tax::FormatAmount(tFromNet - TaxOf(tFromNet)), tax::FormatAmount(x)) << "net " << x;
    }
}

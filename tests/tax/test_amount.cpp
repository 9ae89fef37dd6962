#include "tax/Amount.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using tax::FormatAmount;
using tax::FormatGeneral;
using tax::FormatRate;
using tax::ParseAmount;
using tax::TrimAmountText;

TEST(TrimAmountText, DropsBlanksAndControlCharactersOnly) {
    EXPECT_EQ(TrimAmountText("  1200  "), "1200");
    EXPECT_EQ(TrimAmountText("\t\r\n1200\x01\x1f"), "1200");
    EXPECT_EQ(TrimAmountText(" 1 200 "), "1 200");
    EXPECT_EQ(TrimAmountText("   "), "");
    // A full-width blank (U+3000) is no control character and stays.
    EXPECT_EQ(TrimAmountText("\xE3\x80\x80"
                             "5"),
              "\xE3\x80\x80"
              "5");
}

struct ParseCase {
    const char* text;
    bool ok;
    double value;
};

class ParseAmountTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseAmountTable, ReadsOrRefuses) {
    const ParseCase& c = GetParam();
    const auto got = ParseAmount(c.text);
    ASSERT_EQ(got.has_value(), c.ok) << "text: " << c.text;
    if (c.ok) {
        EXPECT_DOUBLE_EQ(*got, c.value) << "text: " << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, ParseAmountTable,
    ::testing::Values(
        ParseCase{"1200", true, 1200}, ParseCase{"+1200", true, 1200}, ParseCase{"-5", true, -5},
        ParseCase{"1.2e3", true, 1200}, ParseCase{"1.2E+3", true, 1200}, ParseCase{"15E-1", true, 1.5},
        ParseCase{".5", true, 0.5}, ParseCase{"5.", true, 5}, ParseCase{"0", true, 0},
        ParseCase{"0.00", true, 0}, ParseCase{"000123.4500", true, 123.45}, ParseCase{"1E15", true, 1e15},
        ParseCase{"1.5E-6", true, 1.5e-6}, ParseCase{"1e-400", true, 0}, // too small for a double: zero
        ParseCase{"1e300", true, 1e300},                                 // the largest accepted magnitude
        ParseCase{"", false, 0}, ParseCase{"abc", false, 0}, ParseCase{"1,200", false, 0},
        ParseCase{"1 200", false, 0}, ParseCase{"12元", false, 0}, ParseCase{"￥12", false, 0},
        ParseCase{"$12", false, 0}, ParseCase{"１２", false, 0}, ParseCase{"inf", false, 0},
        ParseCase{"-inf", false, 0}, ParseCase{"nan", false, 0}, ParseCase{"infinity", false, 0},
        ParseCase{"0x10", false, 0}, ParseCase{"1e", false, 0}, ParseCase{"1e+", false, 0},
        ParseCase{"e5", false, 0}, ParseCase{".", false, 0}, ParseCase{"+", false, 0},
        ParseCase{"--1", false, 0}, ParseCase{"1.2.3", false, 0}, ParseCase{"1e400", false, 0},
        ParseCase{"1e301", false, 0}, ParseCase{"-1e400", false, 0}, ParseCase{" 12", false, 0},
        ParseCase{"12 ", false, 0}, ParseCase{"1e5.5", false, 0},
        // Huge mantissa with a negative exponent is still huge.
        ParseCase{"1000000000000000000000000000000000000000e-1", true, 1e38},
        ParseCase{"0.000000000000000000000000000000001e-300", true, 0}));

TEST(ParseAmount, NegativeZeroReadsAsZero) {
    const auto got = ParseAmount("-0");
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, 0.0);
    EXPECT_EQ(FormatAmount(*got), "0.00");
}

struct FormatCase {
    double value;
    const char* text;
};

class FormatAmountTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatAmountTable, TwoDecimalsHalfAwayFromZero) {
    EXPECT_EQ(FormatAmount(GetParam().value), GetParam().text) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Rounding, FormatAmountTable,
    ::testing::Values(FormatCase{0.125, "0.13"}, FormatCase{12.5, "12.50"}, FormatCase{2.675, "2.68"},
                      FormatCase{1.005, "1.01"}, FormatCase{-0.125, "-0.13"}, FormatCase{-0.001, "0.00"},
                      FormatCase{-0.004999, "0.00"}, FormatCase{-0.005, "-0.01"}, FormatCase{0, "0.00"},
                      FormatCase{-0.0, "0.00"}, FormatCase{45.001, "45.00"}, FormatCase{931.25, "931.25"},
                      FormatCase{9.995, "10.00"}, FormatCase{999.999, "1000.00"}, FormatCase{0.005, "0.01"},
                      FormatCase{0.0049, "0.00"}, FormatCase{2469.134, "2469.13"},
                      FormatCase{9876.536, "9876.54"}, FormatCase{11707.142857142857, "11707.14"},
                      FormatCase{1e-300, "0.00"}, FormatCase{1234567.891, "1234567.89"},
                      FormatCase{-1000, "-1000.00"}, FormatCase{1e15, "1000000000000000.00"},
                      FormatCase{1.5e20, "150000000000000000000.00"},
                      // 15 significant digits decide: the binary value of 0.285 lies just below it.
                      FormatCase{0.285, "0.29"}, FormatCase{1.115, "1.12"},
                      FormatCase{8333.333333333334, "8333.33"}));

class FormatGeneralTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatGeneralTable, FifteenDigitsNoTrailingZeros) {
    EXPECT_EQ(FormatGeneral(GetParam().value), GetParam().text) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FormatGeneralTable,
    ::testing::Values(FormatCase{20.000000000000001, "20"}, FormatCase{4761.904761904762, "4761.90476190476"},
                      FormatCase{51707.142857142857, "51707.1428571429"}, FormatCase{10931.25, "10931.25"},
                      FormatCase{5550, "5550"}, FormatCase{83500.02222222222, "83500.0222222222"},
                      FormatCase{0, "0"}, FormatCase{-0.0, "0"}, FormatCase{-12.5, "-12.5"},
                      FormatCase{0.1, "0.1"}, FormatCase{0.00001, "0.00001"}, FormatCase{0.0000099, "9.9E-6"},
                      FormatCase{1.5e-6, "1.5E-6"}, FormatCase{1e15, "1E15"},
                      FormatCase{999999999999999, "999999999999999"}, FormatCase{999999999999999.9, "1E15"},
                      FormatCase{1.25e20, "1.25E20"}, FormatCase{-3e-7, "-3E-7"},
                      FormatCase{7.000000000000001, "7"}));

TEST(FormatRate, PercentOfTableRates) {
    EXPECT_EQ(FormatRate(0.03), "3%");
    EXPECT_EQ(FormatRate(0.10), "10%");
    EXPECT_EQ(FormatRate(0.2), "20%");
    EXPECT_EQ(FormatRate(0.25), "25%");
    EXPECT_EQ(FormatRate(0.35), "35%");
    EXPECT_EQ(FormatRate(0.45), "45%");
    EXPECT_EQ(FormatRate(0.14), "14%");
    EXPECT_EQ(FormatRate(0.07), "7%");
}

TEST(FormatGeneral, ReadsBackToTheSameFigure) {
    // Property: the general form of any accepted amount reads back to a value with the same form.
    std::mt19937_64 rng(20261207);
    std::uniform_real_distribution<double> exponent(-12, 300);
    std::uniform_real_distribution<double> mantissa(1, 10);
    for (int i = 0; i < 200000; ++i) {
        double v = mantissa(rng) * std::pow(10.0, std::floor(exponent(rng)));
        if (v > tax::kMaxAmount) continue;
        if (i % 2) v = -v;
        const std::string text = FormatGeneral(v);
        const auto back = ParseAmount(text);
        ASSERT_TRUE(back) << text;
        ASSERT_EQ(FormatGeneral(*back), text);
        ASSERT_LE(std::fabs(*back - v), std::fabs(v) * 1e-14) << text;
    }
}

TEST(FormatAmount, NeverShowsInfNanOrNegativeZero) {
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<long long> cents(-1000000000LL, 1000000000LL);
    for (int i = 0; i < 200000; ++i) {
        const long long c = cents(rng);
        const std::string text = FormatAmount(static_cast<double>(c) / 100.0);
        // Whole cents print exactly as typed.
        const long long a = c < 0 ? -c : c;
        std::string want =
            std::to_string(a / 100) + "." + (a % 100 < 10 ? "0" : "") + std::to_string(a % 100);
        if (c < 0) want = "-" + want;
        ASSERT_EQ(text, want);
    }
    EXPECT_EQ(FormatAmount(tax::kMaxAmount).find_first_not_of("0123456789."), std::string::npos);
}

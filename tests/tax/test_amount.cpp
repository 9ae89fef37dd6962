#include "tax/Amount.h"
#include "tax/Batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

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
    const char* value; // the general form of what is read; null: refused
};

class ParseAmountTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseAmountTable, ReadsOrRefuses) {
    const ParseCase& c = GetParam();
    const auto got = ParseAmount(c.text);
    ASSERT_EQ(got.has_value(), c.value != nullptr) << "text: " << c.text;
    if (c.value) {
        EXPECT_EQ(FormatGeneral(*got), c.value) << "text: " << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, ParseAmountTable,
    ::testing::Values(
        ParseCase{"1200", "1200"}, ParseCase{"+1200", "1200"}, ParseCase{"-5", "-5"}, ParseCase{"1.2e3", "1200"},
        ParseCase{"1.2E+3", "1200"}, ParseCase{"15E-1", "1.5"}, ParseCase{".5", "0.5"}, ParseCase{"5.", "5"},
        ParseCase{"0", "0"}, ParseCase{"-0", "0"}, ParseCase{"0.00", "0"}, ParseCase{"000123.4500", "123.45"},
        ParseCase{"1E15", "1E15"}, ParseCase{"1.5E-6", "1.5E-6"}, ParseCase{"1e-400", "1E-400"},
        ParseCase{"1e-7000", "0"}, // too small to matter: zero
        ParseCase{"1e300", "1E300"}, // the largest accepted magnitude
        ParseCase{"", nullptr}, ParseCase{"abc", nullptr}, ParseCase{"1,200", nullptr}, ParseCase{"1 200", nullptr},
        ParseCase{"12元", nullptr}, ParseCase{"￥12", nullptr}, ParseCase{"$12", nullptr}, ParseCase{"１２", nullptr},
        ParseCase{"inf", nullptr}, ParseCase{"-inf", nullptr}, ParseCase{"nan", nullptr},
        ParseCase{"infinity", nullptr}, ParseCase{"0x10", nullptr}, ParseCase{"1e", nullptr},
        ParseCase{"1e+", nullptr}, ParseCase{"e5", nullptr}, ParseCase{".", nullptr}, ParseCase{"+", nullptr},
        ParseCase{"--1", nullptr}, ParseCase{"1.2.3", nullptr}, ParseCase{"1e400", nullptr},
        ParseCase{"1e301", nullptr}, ParseCase{"1.0000000001e300", nullptr}, ParseCase{"-1e400", nullptr},
        ParseCase{" 12", nullptr}, ParseCase{"12 ", nullptr}, ParseCase{"1e5.5", nullptr},
        ParseCase{"1e99999999999999999999", nullptr},
        // Huge mantissa with a negative exponent is still huge; more than 34 digits are rounded.
        ParseCase{"1000000000000000000000000000000000000000e-1", "1E38"},
        ParseCase{"0.000000000000000000000000000000001e-300", "1E-333"}));

struct FormatCase {
    const char* value; // read exactly
    const char* text;
};

class FormatAmountTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatAmountTable, TwoDecimalsHalfAwayFromZero) {
    EXPECT_EQ(FormatAmount(tax::Decimal::FromText(GetParam().value)), GetParam().text) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Rounding, FormatAmountTable,
    ::testing::Values(FormatCase{"0.125", "0.13"}, FormatCase{"12.5", "12.50"}, FormatCase{"2.675", "2.68"},
                      FormatCase{"1.005", "1.01"}, FormatCase{"-0.125", "-0.13"}, FormatCase{"-0.001", "0.00"},
                      FormatCase{"-0.004999", "0.00"}, FormatCase{"-0.005", "-0.01"}, FormatCase{"0", "0.00"},
                      FormatCase{"-0", "0.00"}, FormatCase{"45.001", "45.00"}, FormatCase{"9.995", "10.00"},
                      FormatCase{"999.999", "1000.00"}, FormatCase{"0.0049", "0.00"}, FormatCase{"1e-300", "0.00"},
                      FormatCase{"-1000", "-1000.00"}, FormatCase{"1.5e20", "150000000000000000000.00"},
                      FormatCase{"0.285", "0.29"}, FormatCase{"8333.333333333333333333333333333333", "8333.33"},
                      // Cents survive at any size a person types.
                      FormatCase{"12345678901234.56", "12345678901234.56"},
                      FormatCase{"99999999999999.99", "99999999999999.99"},
                      FormatCase{"1.5", "1.50"}, FormatCase{"150E-2", "1.50"}, FormatCase{"15E-1", "1.50"}));

class FormatGeneralTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatGeneralTable, FifteenDigitsNoTrailingZeros) {
    EXPECT_EQ(FormatGeneral(tax::Decimal::FromText(GetParam().value)), GetParam().text) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FormatGeneralTable,
    ::testing::Values(FormatCase{"20.000000000000001", "20"}, FormatCase{"4761.904761904761904", "4761.90476190476"},
                      FormatCase{"51707.142857142857", "51707.1428571429"}, FormatCase{"10931.25", "10931.25"},
                      FormatCase{"5550", "5550"}, FormatCase{"5550.00", "5550"}, FormatCase{"0", "0"},
                      FormatCase{"-12.5", "-12.5"}, FormatCase{"0.1", "0.1"}, FormatCase{"0.00001", "0.00001"},
                      FormatCase{"0.0000099", "9.9E-6"}, FormatCase{"1.5e-6", "1.5E-6"}, FormatCase{"1e15", "1E15"},
                      FormatCase{"999999999999999", "999999999999999"}, FormatCase{"999999999999999.5", "1E15"},
                      FormatCase{"1.25e20", "1.25E20"}, FormatCase{"-3e-7", "-3E-7"},
                      FormatCase{"6161.111111111111111111111111111111", "6161.11111111111"},
                      // Half away from zero at the fifteenth digit.
                      FormatCase{"1.00000000000000500", "1.00000000000001"},
                      FormatCase{"-2.00000000000000499", "-2"}));

TEST(FormatRate, PercentOfTableRates) {
    for (int pct : {3, 5, 7, 10, 14, 20, 25, 35, 45})
        EXPECT_EQ(FormatRate(tax::Decimal::Scaled(pct, -2)), std::to_string(pct) + "%");
}

TEST(FormatGeneral, ReadsBackToTheSameFigure) {
    // Property: the general form of a random decimal reads back to a value with the same form,
    // equal to the value rounded to 15 digits.
    std::mt19937_64 rng(20261207);
    std::uniform_int_distribution<long long> mantissa(1, 999999999999999999LL);
    std::uniform_int_distribution<int> exponent(-30, 280);
    for (int i = 0; i < 100000; ++i) {
        tax::Decimal v = tax::Decimal::Scaled(mantissa(rng), exponent(rng));
        if (i % 2) v = -v;
        const std::string text = FormatGeneral(v);
        const auto back = ParseAmount(text);
        ASSERT_TRUE(back) << text;
        ASSERT_EQ(FormatGeneral(*back), text);
        ASSERT_LE((*back - v).Abs(), v.Abs() * tax::Decimal::Scaled(5, -15)) << text;
    }
}

TEST(FormatAmount, WholeCentsPrintAsTyped) {
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<long long> cents(-999999999999999999LL, 999999999999999999LL);
    for (int i = 0; i < 100000; ++i) {
        const long long c = i < 1000 ? i - 500 : cents(rng);
        const long long a = c < 0 ? -c : c;
        std::string want = std::to_string(a / 100) + "." + (a % 100 < 10 ? "0" : "") + std::to_string(a % 100);
        if (c < 0) want = "-" + want;
        ASSERT_EQ(FormatAmount(tax::Decimal::Cents(c)), want);
        const auto back = ParseAmount(want);
        ASSERT_TRUE(back);
        ASSERT_EQ(back->ToCents(), c);
    }
    EXPECT_EQ(FormatAmount(tax::kMaxAmount), "1" + std::string(300, '0') + ".00");
}

// What the library flags (dividing by zero, an invalid operation) stays visible: never read as
// zero, never as a number of cents, unordered against every figure.
TEST(Decimal, FlaggedResultsAreNotNumbers) {
    using tax::Decimal;
    for (const Decimal bad : {Decimal(1) / Decimal(0), Decimal(0) / Decimal(0), (Decimal(0) / Decimal(0)) + Decimal(1)}) {
        EXPECT_FALSE(bad.IsFinite());
        EXPECT_FALSE(bad.IsZero());
        EXPECT_FALSE(bad.ToCents().has_value());
        EXPECT_FALSE(bad.RoundCents().IsFinite());
        EXPECT_FALSE(bad == Decimal());
    }
    const Decimal nan = Decimal(0) / Decimal(0);
    EXPECT_FALSE(nan < Decimal(1) || nan > Decimal(1) || nan == Decimal(1));
    EXPECT_EQ(Decimal::Scaled(1500, -3).ToCents(), 150);
    EXPECT_FALSE(Decimal::Scaled(1501, -3).ToCents().has_value());
    EXPECT_FALSE((Decimal::Scaled(1, 20) * Decimal(1000)).ToCents().has_value());
}

// Money with separators, as the tables show it: the plain figure with a comma before every
// three digits counted back from the point, the sign and the fen untouched.
TEST(GroupedMoney, CommasEveryThreeDigitsBeforeThePoint) {
    std::mt19937_64 rng(11);
    for (int i = 0; i < 20000; ++i) {
        const long long fen = std::uniform_int_distribution<long long>(-(1LL << 50), 1LL << 50)(rng) >>
                              std::uniform_int_distribution<int>(0, 50)(rng);
        const tax::Decimal v = i % 3 ? tax::Decimal::Cents(fen) : tax::Decimal::Scaled(fen, -3);
        std::string plain, grouped;
        tax::batch::AppendMoney(plain, v);
        tax::batch::AppendGrouped(grouped, v);
        std::string stripped = grouped;
        std::erase(stripped, ',');
        ASSERT_EQ(stripped, plain) << grouped;
        const size_t point = grouped.find('.');
        const size_t digits = grouped[0] == '-' ? 1 : 0;
        for (size_t k = digits; k < point; ++k) {
            const size_t fromPoint = point - k; // the commas fall 4, 8, 12 … places before the point
            ASSERT_EQ(grouped[k] == ',', fromPoint % 4 == 0) << grouped;
        }
        ASSERT_NE(grouped[digits], ',') << grouped;
    }
}

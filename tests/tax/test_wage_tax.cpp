// Monthly wages forward, and the two reverse calculations followed by the forward run exactly
// as the panel chains them: the gross written back in the general form and read again.
#include "tax/WageTax.h"

#include "tax/Amount.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using tax::FormatAmount;

struct ForwardCase {
    const char* name;
    double wage, insurance, allowance;
    const char *taxable, *rate, *quick, *tax, *net; // as the panel shows them
};
void PrintTo(const ForwardCase& c, std::ostream* os) {
    *os << c.name;
}

class WageForward : public ::testing::TestWithParam<ForwardCase> {};

TEST_P(WageForward, ShowsTheFiguresOfTheRow) {
    const ForwardCase& c = GetParam();
    const tax::WageResult r = tax::CalcWage(c.wage, c.insurance, c.allowance);
    // Untaxed wages keep "0.00" in the three labels.
    EXPECT_EQ(r.taxed ? FormatAmount(r.taxable) : "0.00", c.taxable);
    EXPECT_EQ(r.taxed ? tax::FormatRate(r.bracket.rate) : "0.00", c.rate);
    EXPECT_EQ(r.taxed ? FormatAmount(r.bracket.quick) : "0.00", c.quick);
    EXPECT_EQ(FormatAmount(r.tax), c.tax);
    EXPECT_EQ(FormatAmount(r.net), c.net);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WageForward,
    ::testing::Values(
        ForwardCase{"first edge stays at 3%", 5000, 0, 3500, "1500.00", "3%", "0.00", "45.00", "4955.00"},
        ForwardCase{"a cent above crosses into 10%", 5000.01, 0, 3500, "1500.01", "10%", "105.00", "45.00",
                    "4955.01"},
        ForwardCase{"taxable exactly 0 is untaxed", 3500, 0, 3500, "0.00", "0.00", "0.00", "0.00", "3500.00"},
        ForwardCase{"allowance 4800 with insurance", 10000, 1000, 4800, "4200.00", "10%", "105.00", "315.00",
                    "8685.00"},
        ForwardCase{"insurance above the wage", 1000, 2000, 3500, "0.00", "0.00", "0.00", "0.00", "-1000.00"},
        ForwardCase{"the road of one calculation", 10000, 0, 3500, "6500.00", "20%", "555.00", "745.00",
                    "9255.00"},
        ForwardCase{"top bracket", 100000, 0, 3500, "96500.00", "45%", "13505.00", "29920.00", "70080.00"}));

// Every cent within `span` cents of each edge, then a broad random sample up to `maxCents`.
std::vector<long long> CentsAround(std::initializer_list<double> edges, long long span, long long maxCents,
                                   unsigned seed) {
    std::vector<long long> cents;
    for (double edge : edges) {
        const long long e = static_cast<long long>(edge * 100);
        for (long long c = std::max(1LL, e - span); c <= e + span; ++c)
            cents.push_back(c);
    }
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<long long> wide(1, maxCents);
    for (int i = 0; i < 200000; ++i)
        cents.push_back(wide(rng));
    return cents;
}

// Neither an infinity, a NaN nor the formatter's overflow word reaches the screen.
bool Finite(const std::string& shown) {
    for (const char* bad : {"inf", "nan", "溢出"})
        if (shown.find(bad) != std::string::npos) return false;
    return !shown.empty();
}

// The gross as the panel writes it into the wage field and reads it back.
double WrittenBack(double gross) {
    const std::string text = tax::FormatGeneral(gross);
    const std::optional<double> read = tax::ParseAmount(text);
    EXPECT_TRUE(read.has_value()) << text;
    EXPECT_GT(*read, 0) << "the wage reader refuses " << text;
    return read.value_or(0);
}

struct Setting {
    double insurance, allowance;
};
const Setting kSettings[] = {{0, 3500}, {1234.56, 3500}, {0, 4800}, {987.65, 4800}};

// Every tax amount above 0 is some wage's tax: the tax rises continuously from 0 without bound.
// What limits the round trip is the written gross: with 15 significant digits the cent stays
// among them only while the gross is below about 1e12 yuan, far beyond the amounts sampled here.
TEST(WageReverse, FromTaxShowsTheTypedTaxAgainToTheCent) {
    const auto cents = CentsAround({45, 345, 1245, 7745, 13745, 22495}, 2000, 300000000LL, 7);
    for (const Setting& s : kSettings) {
        int failures = 0;
        for (long long c : cents) {
            const double typed = static_cast<double>(c) / 100.0;
            const tax::WageResult r = tax::CalcWage(
                WrittenBack(tax::WageFromTax(typed, s.insurance, s.allowance)), s.insurance, s.allowance);
            const std::string shown = FormatAmount(r.tax);
            if (shown != FormatAmount(typed) || r.tax < 0 || !Finite(FormatAmount(r.net)))
                ADD_FAILURE() << "tax " << typed << " shows " << shown << " (insurance " << s.insurance
                              << ", allowance " << s.allowance << ")",
                    ++failures;
            if (failures > 5) return;
        }
    }
}

// Every net wage is some gross wage's net: at or below the allowance no tax is due and the
// gross is net plus insurance; above it the net rises continuously without bound.
TEST(WageReverse, FromNetShowsTheTypedNetAgainToTheCent) {
    for (const Setting& s : kSettings) {
        const double p = s.allowance;
        const auto cents = CentsAround({p, p + 1455, p + 4155, p + 7755, p + 27255, p + 41255, p + 57505},
                                       2000, 300000000LL, 11);
        int failures = 0;
        for (long long c : cents) {
            const double typed = static_cast<double>(c) / 100.0;
            const tax::WageResult r =
                tax::CalcWage(WrittenBack(tax::WageFromNet(typed, s.insurance, p)), s.insurance, p);
            const std::string shown = FormatAmount(r.net);
            if (shown != FormatAmount(typed) || r.tax < 0 || !Finite(FormatAmount(r.tax)))
                ADD_FAILURE() << "net " << typed << " shows " << shown << " (insurance " << s.insurance
                              << ", allowance " << p << ")",
                    ++failures;
            if (failures > 5) return;
        }
    }
}

struct ReverseCase {
    const char* name;
    bool fromTax;
    double typed, insurance;
    const char* grossWritten; // the general form written into the wage field
};
void PrintTo(const ReverseCase& c, std::ostream* os) {
    *os << c.name;
}

class WageReverseRows : public ::testing::TestWithParam<ReverseCase> {};

TEST_P(WageReverseRows, WritesTheGrossInTheGeneralForm) {
    const ReverseCase& c = GetParam();
    const double gross = c.fromTax ? tax::WageFromTax(c.typed, c.insurance, 3500)
                                   : tax::WageFromNet(c.typed, c.insurance, 3500);
    EXPECT_EQ(tax::FormatGeneral(gross), c.grossWritten);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WageReverseRows,
    ::testing::Values(ReverseCase{"tax 100 in the second row", true, 100, 0, "5550"},
                      ReverseCase{"tax on the first edge", true, 45, 0, "5000"},
                      ReverseCase{"tax a cent into the top row", true, 22495.01, 0, "83500.0222222222"},
                      ReverseCase{"net in the third row", false, 10000, 0, "10931.25"},
                      ReverseCase{"net in the fifth row", false, 40000, 0, "51707.1428571429"},
                      ReverseCase{"net below the allowance", false, 3000, 500, "3500"},
                      ReverseCase{"net on the first edge", false, 4955, 0, "5000"}));

TEST(WageTax, NeverNegativeNorUnprintable) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> amount(0, 5e6);
    for (int i = 0; i < 200000; ++i) {
        const tax::WageResult r = tax::CalcWage(amount(rng), amount(rng) / 100, tax::kAllowances[i % 2]);
        ASSERT_GE(r.tax, 0);
        ASSERT_TRUE(Finite(FormatAmount(r.net)));
    }
    // The largest amount the reader accepts still gives printable figures.
    const tax::WageResult huge = tax::CalcWage(1e300, 0, 3500);
    EXPECT_TRUE(Finite(FormatAmount(huge.tax)));
    EXPECT_TRUE(Finite(tax::FormatGeneral(tax::WageFromTax(1e300, 1e300, 3500))));
    EXPECT_TRUE(Finite(tax::FormatGeneral(tax::WageFromNet(1e300, 1e300, 3500))));
}

} // namespace

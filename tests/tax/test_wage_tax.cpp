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

namespace {

long long ShownCents(double value) {
    const std::string text = tax::FormatAmount(value);
    const bool negative = text[0] == '-';
    const size_t point = text.find('.');
    const long long whole = std::stoll(text.substr(negative ? 1 : 0, point - (negative ? 1 : 0)));
    const long long cents = whole * 100 + std::stoll(text.substr(point + 1));
    return negative ? -cents : cents;
}

} // namespace

// The shown tax and net wage add up to the shown wage less insurance, also where both fall on
// half a cent (5000.05: 45.005 and 4955.045 rounded each on its own would be a cent over).
TEST(WageSettlement, ShownTaxAndNetAddUpToTheCent) {
    for (long long c : CentsAround({5000, 8000, 12500, 38500, 58500, 83500}, 3000, 300000000LL, 11)) {
        const double wage = static_cast<double>(c) / 100;
        for (double insurance : {0.0, 333.33}) {
            const tax::WageResult r = tax::CalcWage(wage, insurance, 3500);
            ASSERT_EQ(ShownCents(r.tax) + ShownCents(r.net), ShownCents(wage - insurance)) << wage;
            ASSERT_GE(ShownCents(r.tax), 0) << wage;
        }
    }
    const tax::WageResult half = tax::CalcWage(5000.05, 0, 3500);
    EXPECT_EQ(FormatAmount(half.tax) + " " + FormatAmount(half.net), "45.00 4955.05");
}

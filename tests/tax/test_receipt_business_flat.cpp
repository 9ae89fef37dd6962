// Per-receipt, business and flat-rate rules: the bracket edges, and properties over many amounts
// as the user reads them on screen.
#include "tax/Amount.h"
#include "tax/BusinessTax.h"
#include "tax/FlatTax.h"
#include "tax/ReceiptTax.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

using tax::FormatAmount;
using tax::RateBracket;

namespace {

// An amount as the screen shows it, in whole cents.
long long ShownCents(double value) {
    const auto back = tax::ParseAmount(FormatAmount(value));
    EXPECT_TRUE(back) << FormatAmount(value);
    return back ? std::llround(*back * 100) : 0;
}

bool Finite(const std::string& text) {
    return text.find("inf") == std::string::npos && text.find("nan") == std::string::npos;
}

// Every cent within `reach` cents of each edge, and a broad random sample up to a few million.
std::vector<long long> AmountsInCents(const std::vector<double>& edges, unsigned seed) {
    std::vector<long long> cents;
    for (double edge : edges)
        for (long long d = -300; d <= 300; ++d)
            if (std::llround(edge * 100) + d > 0) {
                cents.push_back(std::llround(edge * 100) + d);
            }
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<long long> wide(1, 500000000); // up to 5 million yuan
    std::uniform_int_distribution<long long> small(1, 1000000);  // the common range, up to 10000
    for (int i = 0; i < 30000; ++i)
        cents.push_back(i % 2 ? wide(rng) : small(rng));
    return cents;
}

struct Figures {
    double income, tax, afterTax;
    std::vector<double> shown; // every other figure the panel writes
};

// What every calculator must hold, whatever the income.
void ExpectSound(const Figures& f) {
    const std::string where = "income " + FormatAmount(f.income);
    ASSERT_GE(f.tax, 0) << where;
    ASSERT_LE(f.tax, f.income) << where;
    ASSERT_EQ(ShownCents(f.tax) + ShownCents(f.afterTax), ShownCents(f.income))
        << where << ": " << FormatAmount(f.tax) << " + " << FormatAmount(f.afterTax);
    for (double v : f.shown)
        ASSERT_TRUE(Finite(FormatAmount(v))) << where;
    ASSERT_TRUE(Finite(FormatAmount(f.tax)) && Finite(FormatAmount(f.afterTax))) << where;
}

// Property checks for one calculator over the amounts near its edges and a random sample.
void CheckCalculator(const char* name, const std::vector<double>& edges,
                     const std::function<Figures(double)>& run) {
    SCOPED_TRACE(name);
    long long previousCents = 0, previousAfter = 0;
    for (long long c : AmountsInCents(edges, 42)) {
        const Figures f = run(static_cast<double>(c) / 100.0);
        ExpectSound(f);
        if (::testing::Test::HasFatalFailure()) return;
        // A cent more income never leaves less after tax: no bracket edge is misplaced.
        if (c == previousCents + 1) {
            ASSERT_GE(ShownCents(f.afterTax), previousAfter) << name << " at " << FormatAmount(f.income);
        }
        previousCents = c;
        previousAfter = ShownCents(f.afterTax);
    }
    // Amounts far outside daily use still give figures; cents stop counting beyond 1e12.
    for (double tiny : {1e-9, 0.001, 0.005, 0.009, 0.0149})
        ExpectSound(run(tiny));
    for (double huge : {1e12, 1e15, 1e200, tax::kMaxAmount}) {
        const Figures f = run(huge);
        ASSERT_GE(f.tax, 0);
        ASSERT_LE(f.tax, f.income);
        for (double v : f.shown)
            ASSERT_TRUE(Finite(FormatAmount(v)));
        ASSERT_TRUE(Finite(FormatAmount(f.tax)) && Finite(FormatAmount(f.afterTax)));
    }
}

Figures Labour(double income) {
    const auto r = tax::LabourTax(income);
    return {income, r.tax, r.afterTax, {r.deduction, r.taxable, r.bracket.quick}};
}

std::function<Figures(double)> Receipt(double rate) {
    return [rate](double income) {
        const auto r = tax::FlatReceiptTax(income, rate);
        return Figures{income, r.tax, r.afterTax, {r.deduction, r.taxable}};
    };
}

std::function<Figures(double)> Business(int months) {
    return [months](double income) {
        const auto r = tax::BusinessTax(income, tax::ContractAllowance(months));
        return Figures{income, r.tax, r.afterTax, {r.taxable}};
    };
}

Figures Flat(double income) {
    const auto r = tax::FlatTax(income);
    return {income, r.tax, r.afterTax, {}};
}

} // namespace

// ---- Table look-ups at every edge (the panels show the figures around them) ----

TEST(LabourTable, EdgesStayInTheLowerBracket) {
    EXPECT_EQ(tax::FindLabourRate(20000), (RateBracket{0.2, 0}));
    EXPECT_EQ(tax::FindLabourRate(20000.01), (RateBracket{0.3, 2000}));
    EXPECT_EQ(tax::FindLabourRate(50000), (RateBracket{0.3, 2000}));
    EXPECT_EQ(tax::FindLabourRate(50000.01), (RateBracket{0.4, 7000}));
}

TEST(BusinessTable, BoundsBelongToTheLowerBand) {
    struct Case {
        double taxable;
        RateBracket want;
    };
    for (const Case& c :
         {Case{0.01, {0.05, 0}}, Case{15000, {0.05, 0}}, Case{15000.01, {0.10, 750}},
          Case{30000, {0.10, 750}}, Case{30000.01, {0.20, 3750}}, Case{60000, {0.20, 3750}},
          Case{60000.01, {0.30, 9750}}, Case{100000, {0.30, 9750}}, Case{100000.01, {0.35, 14750}}})
        EXPECT_EQ(tax::FindBusinessRate(c.taxable), c.want) << c.taxable;
}

// ---- Properties over many amounts ----

TEST(Properties, Labour) {
    CheckCalculator("labour", {800, 4000, 25000, 62500}, Labour);
}

TEST(Properties, AuthorsRemuneration) {
    CheckCalculator("14%", {800, 4000}, Receipt(tax::kWritingRate));
}

TEST(Properties, RoyaltiesAndLease) {
    CheckCalculator("20%", {800, 4000}, Receipt(tax::kRentRate));
}

TEST(Properties, IndividualBusiness) {
    CheckCalculator("business", {0, 15000, 30000, 60000, 100000}, Business(0));
}

TEST(Properties, ContractedOperationForEveryMonthCount) {
    for (int months = 1; months <= 12; ++months) {
        const double a = tax::ContractAllowance(months);
        CheckCalculator(("contract, months " + std::to_string(months)).c_str(),
                        {a, a + 15000, a + 30000, a + 60000, a + 100000}, Business(months));
        if (HasFatalFailure()) return;
    }
}

TEST(Properties, FlatRate) {
    CheckCalculator("flat", {0, 1000}, Flat);
}

TEST(Properties, LabourReverseShowsTheTypedNetAgain) {
    for (long long c : AmountsInCents({800, 3360, 21000, 49500}, 7)) {
        const double net = static_cast<double>(c) / 100.0;
        // The panel writes the income in the general form and reads it back from the field.
        const auto typed = tax::ParseAmount(tax::FormatGeneral(tax::LabourIncomeFromNet(net)));
        ASSERT_TRUE(typed) << net;
        ASSERT_EQ(FormatAmount(tax::LabourTax(*typed).afterTax), FormatAmount(net))
            << "net " << FormatAmount(net);
    }
}

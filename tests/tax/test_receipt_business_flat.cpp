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
    for (int i = 0; i < 100000; ++i)
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

// ---- The edges, case by case ----

struct ReceiptCase {
    const char* name;
    double rate;
    double receipt;
    bool taxed;
    const char *deduction, *taxable, *tax, *afterTax;
};

class ReceiptEdges : public ::testing::TestWithParam<ReceiptCase> {};

TEST_P(ReceiptEdges, ShowsTheseFigures) {
    const ReceiptCase& c = GetParam();
    const auto r = tax::FlatReceiptTax(c.receipt, c.rate);
    EXPECT_EQ(r.taxed, c.taxed);
    EXPECT_EQ(FormatAmount(r.deduction), c.deduction);
    EXPECT_EQ(FormatAmount(r.taxable), c.taxable);
    EXPECT_EQ(FormatAmount(r.tax), c.tax);
    EXPECT_EQ(FormatAmount(r.afterTax), c.afterTax);
}

INSTANTIATE_TEST_SUITE_P(
    Receipts, ReceiptEdges,
    ::testing::Values(
        ReceiptCase{"800 bears no tax", 0.14, 800, false, "0.00", "0.00", "0.00", "800.00"},
        ReceiptCase{"one cent over 800 is taxed", 0.14, 800.01, true, "800.00", "0.01", "0.00", "800.01"},
        ReceiptCase{"1000 at 14%", 0.14, 1000, true, "800.00", "200.00", "28.00", "972.00"},
        ReceiptCase{"1000 at 20%", 0.2, 1000, true, "800.00", "200.00", "40.00", "960.00"},
        ReceiptCase{"4000 still deducts 800", 0.14, 4000, true, "800.00", "3200.00", "448.00", "3552.00"},
        ReceiptCase{"a cent over 4000 deducts a fifth", 0.14, 4000.01, true, "800.00", "3200.01", "448.00",
                    "3552.01"},
        ReceiptCase{"10000 at 20%", 0.2, 10000, true, "2000.00", "8000.00", "1600.00", "8400.00"},
        // 0.035 and 800.215 would both round up and show a cent too much together.
        ReceiptCase{"half-cent tax keeps the sum", 0.14, 800.25, true, "800.00", "0.25", "0.03", "800.22"}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(LabourTable, EdgesStayInTheLowerBracket) {
    EXPECT_EQ(tax::FindLabourRate(20000), (RateBracket{0.2, 0}));
    EXPECT_EQ(tax::FindLabourRate(20000.01), (RateBracket{0.3, 2000}));
    EXPECT_EQ(tax::FindLabourRate(50000), (RateBracket{0.3, 2000}));
    EXPECT_EQ(tax::FindLabourRate(50000.01), (RateBracket{0.4, 7000}));
}

TEST(LabourTax, BracketsByIncome) {
    struct Case {
        double income;
        const char *taxable, *quick, *tax, *after;
    };
    for (const Case& c :
         {Case{1000, "200.00", "0.00", "40.00", "960.00"}, Case{4000, "3200.00", "0.00", "640.00", "3360.00"},
          Case{25000, "20000.00", "0.00", "4000.00", "21000.00"},
          Case{62500, "50000.00", "2000.00", "13000.00", "49500.00"},
          Case{100000, "80000.00", "7000.00", "25000.00", "75000.00"}}) {
        const auto r = tax::LabourTax(c.income);
        EXPECT_TRUE(r.taxed);
        EXPECT_EQ(FormatAmount(r.taxable), c.taxable) << c.income;
        EXPECT_EQ(FormatAmount(r.bracket.quick), c.quick) << c.income;
        EXPECT_EQ(FormatAmount(r.tax), c.tax) << c.income;
        EXPECT_EQ(FormatAmount(r.afterTax), c.after) << c.income;
    }
    EXPECT_FALSE(tax::LabourTax(800).taxed);
    EXPECT_EQ(tax::LabourTax(800).afterTax, 800);
}

TEST(LabourIncomeFromNet, EdgesLandOnTheForwardEdges) {
    for (auto [net, income] : {std::pair{500.0, "500"},
                               {800.0, "800"},
                               {960.0, "1000"},
                               {3360.0, "4000"},
                               {21000.0, "25000"},
                               {49500.0, "62500"},
                               {75000.0, "100000"}})
        EXPECT_EQ(tax::FormatGeneral(tax::LabourIncomeFromNet(net)), income) << net;
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

TEST(BusinessTax, AllowanceOfTheMonths) {
    for (int months = 1; months <= 12; ++months) {
        const double allowance = tax::ContractAllowance(months);
        EXPECT_EQ(allowance, months * 3500.0);
        EXPECT_FALSE(tax::BusinessTax(allowance, allowance).taxed) << months;
        const auto over = tax::BusinessTax(allowance + 0.01, allowance);
        EXPECT_TRUE(over.taxed);
        EXPECT_EQ(FormatAmount(over.taxable), "0.01");
    }
    const auto r = tax::BusinessTax(50000, tax::ContractAllowance(6));
    EXPECT_EQ(FormatAmount(r.taxable), "29000.00");
    EXPECT_EQ(FormatAmount(r.tax), "2150.00");
    EXPECT_EQ(FormatAmount(r.afterTax), "47850.00");
    const auto whole = tax::BusinessTax(15000.01, 0);
    EXPECT_EQ(FormatAmount(whole.tax), "750.00");
    EXPECT_EQ(FormatAmount(whole.afterTax), "14250.01");
}

TEST(FlatTax, EachFigureFromItsFullPrecision) {
    const auto r = tax::FlatTax(12345.67);
    EXPECT_EQ(FormatAmount(r.tax), "2469.13");
    EXPECT_EQ(FormatAmount(r.afterTax), "9876.54");
    EXPECT_EQ(FormatAmount(tax::FlatTax(0.01).tax), "0.00");
    EXPECT_EQ(FormatAmount(tax::FlatTax(0.01).afterTax), "0.01");
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

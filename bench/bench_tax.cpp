// Speed of the arithmetic behind every keystroke: parsing, formatting, a whole wage
// calculation as the panel runs it, and the way back from a net bonus.
#include "tax/Amount.h"
#include "tax/BonusTax.h"
#include "tax/Law2019.h"
#include "tax/Payroll2018Q4.h"
#include "tax/Payroll2019.h"
#include "tax/WageTax.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

static void BM_ParseAmount(benchmark::State& state) {
    const std::vector<std::string> texts{"10000", "1200.50", "1.2e3", "51707.1428571429", "abc", "1,200"};
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(tax::ParseAmount(texts[i++ % texts.size()]));
}
BENCHMARK(BM_ParseAmount);

static void BM_FormatAmount(benchmark::State& state) {
    tax::Decimal v = tax::Decimal::FromText("0.125");
    const tax::Decimal step = tax::Decimal::FromText("1234.567");
    for (auto _ : state) {
        benchmark::DoNotOptimize(tax::FormatAmount(v));
        v += step;
    }
}
BENCHMARK(BM_FormatAmount);

static void BM_FormatGeneral(benchmark::State& state) {
    tax::Decimal v = tax::Decimal(362000) / 7;
    const tax::Decimal step = tax::Decimal::FromText("0.37");
    for (auto _ : state) {
        benchmark::DoNotOptimize(tax::FormatGeneral(v));
        v += step;
    }
}
BENCHMARK(BM_FormatGeneral);

// What one press of Enter on the wage panel computes: two fields read, the tax, and every
// figure the panel shows formatted.
static void BM_WageForward(benchmark::State& state) {
    const std::vector<std::string> wages{"10000", "8192.03", "20000.02", "5000.05", "83500.02", "3600"};
    size_t i = 0;
    for (auto _ : state) {
        const auto wage = tax::ParseAmount(wages[i++ % wages.size()]);
        const auto insurance = tax::ParseAmount("192.03");
        const tax::WageResult r = tax::CalcWage(*wage, *insurance, tax::kAllowances[0]);
        benchmark::DoNotOptimize(tax::FormatAmount(r.taxable));
        benchmark::DoNotOptimize(tax::FormatRate(r.bracket.rate));
        benchmark::DoNotOptimize(tax::FormatAmount(r.bracket.quick));
        benchmark::DoNotOptimize(tax::FormatAmount(r.tax));
        benchmark::DoNotOptimize(tax::FormatAmount(r.net));
    }
}
BENCHMARK(BM_WageForward);

static void BM_BonusFromNet(benchmark::State& state) {
    const std::vector<tax::Decimal> nets{tax::Decimal::Cents(1746000), tax::Decimal::Cents(4870501),
                                         tax::Decimal::Cents(31600523), tax::Decimal::Cents(123456789)};
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(tax::BonusFromNet(nets[i++ % nets.size()]));
}
BENCHMARK(BM_BonusFromNet);

// Every figure of a year under the law from 2019, as the yearly window recomputes on each
// keystroke: twelve months withheld cumulatively, a bonus both ways, two receipts, the settlement.
static void BM_Year2019(benchmark::State& state) {
    namespace y = tax::law2019;
    y::YearQuestion q;
    q.year = 2024;
    q.firstMonth = 3;
    for (size_t m = 0; m < q.months.size(); ++m)
        q.months[m] = {tax::Decimal::Cents(2534567 + 10000 * static_cast<long long>(m)), 0, tax::Decimal::Cents(345678), 100};
    q.family.children = 2;
    q.family.elder = y::Elder::OnlyChild;
    q.family.housing = y::Housing::RentCapital;
    q.bonus = 60000;
    q.receipts = {{y::ReceiptKind::Labour, 30000}, {y::ReceiptKind::Author, 5000}};
    for (auto _ : state) {
        const tax::Result<y::YearAnswer> a = y::ComputeYear(q);
        for (const y::MonthFigures& f : a->months) benchmark::DoNotOptimize(tax::FormatAmount(f.withheld));
        benchmark::DoNotOptimize(tax::FormatAmount(a->Best().balance));
    }
}
BENCHMARK(BM_Year2019);

// A year of monthly payrolls: 100,000 people × 12 months of person-month rows, amounts as the
// reader hands them over (whole fen), through the cumulative withholding only.
namespace {
struct PayrollYear {
    std::vector<std::string> ids;
    std::vector<tax::payroll2019::Row> rows; // month after month
};
const PayrollYear& Payroll() {
    static const PayrollYear year = [] {
        namespace p = tax::payroll2019;
        constexpr int kPeople = 100000;
        PayrollYear y;
        std::mt19937_64 rng(7);
        y.ids.reserve(kPeople);
        for (int n = 0; n < kPeople; ++n) y.ids.push_back("E" + std::to_string(100000 + n));
        for (int m = 1; m <= 12; ++m) {
            for (int n = 0; n < kPeople; ++n) {
                p::Row r;
                r.id = y.ids[static_cast<size_t>(n)];
                r.name = "员工";
                r.month = m;
                const long long wage = 500000 + static_cast<long long>(rng() % 5000000);
                r.amounts[p::kIncome] = tax::Decimal::Cents(wage);
                r.amounts[p::kPension] = tax::Decimal::Cents(wage * 8 / 100);
                r.amounts[p::kMedical] = tax::Decimal::Cents(wage * 2 / 100);
                r.amounts[p::kUnemployment] = tax::Decimal::Cents(wage / 200);
                r.amounts[p::kHousingFund] = tax::Decimal::Cents(wage * 12 / 100);
                r.amounts[p::kChildToDate] = tax::Decimal(2000 * m);
                r.amounts[p::kRentToDate] = tax::Decimal(1500 * m);
                if (m == 12 && n % 3 == 0) r.amounts[p::kBonus] = tax::Decimal::Cents(wage * 3);
                y.rows.push_back(r);
            }
        }
        return y;
    }();
    return year;
}
} // namespace

static void BM_Payroll2019Stream(benchmark::State& state) {
    const PayrollYear& y = Payroll();
    for (auto _ : state) {
        tax::payroll2019::Ledger ledger(2024);
        for (const tax::payroll2019::Row& r : y.rows) benchmark::DoNotOptimize(ledger.Add(r));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(y.rows.size()));
}
BENCHMARK(BM_Payroll2019Stream)->Unit(benchmark::kMillisecond);

// The same rows shuffled, computed whole.
static void BM_Payroll2019Shuffled(benchmark::State& state) {
    std::vector<tax::payroll2019::Row> rows = Payroll().rows;
    std::shuffle(rows.begin(), rows.end(), std::mt19937_64(9));
    for (auto _ : state) benchmark::DoNotOptimize(tax::payroll2019::ComputeAll(2024, rows));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(rows.size()));
}
BENCHMARK(BM_Payroll2019Shuffled)->Unit(benchmark::kMillisecond);

// A row of October–December 2018: a wage and, on every third, a bonus.
static void BM_Payroll2018Q4Row(benchmark::State& state) {
    std::vector<tax::Decimal> wages;
    for (long long c = 300000; wages.size() < 1000; c += 1234567) wages.push_back(tax::Decimal::Cents(c % 9000000 + 100000));
    size_t i = 0;
    for (auto _ : state) {
        const tax::Decimal w = wages[i++ % wages.size()];
        benchmark::DoNotOptimize(tax::payroll2018q4::Compute(w, tax::Decimal::Cents(100000), std::nullopt,
                                                             i % 3 == 0 ? std::optional<tax::Decimal>(w * 3) : std::nullopt));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_Payroll2018Q4Row);

BENCHMARK_MAIN();

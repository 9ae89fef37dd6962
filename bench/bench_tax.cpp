// Speed of the arithmetic behind every keystroke: parsing, formatting, a whole wage
// calculation as the panel runs it, and the way back from a net bonus.
#include "tax/Amount.h"
#include "tax/BonusTax.h"
#include "tax/Law2019.h"
#include "tax/WageTax.h"

#include <benchmark/benchmark.h>

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

BENCHMARK_MAIN();

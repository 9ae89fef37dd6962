// Speed of the arithmetic behind every keystroke: parsing, formatting, a whole wage
// calculation as the panel runs it, and the way back from a net bonus.
#include "tax/Amount.h"
#include "tax/BonusTax.h"
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

BENCHMARK_MAIN();

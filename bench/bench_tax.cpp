// Speed of the arithmetic behind every keystroke: parsing, formatting, the wage table.
#include "tax/Amount.h"
#include "tax/WageTable.h"

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
    double v = 0.125;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tax::FormatAmount(v));
        v += 1234.567;
    }
}
BENCHMARK(BM_FormatAmount);

static void BM_FormatGeneral(benchmark::State& state) {
    double v = 51707.142857142857;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tax::FormatGeneral(v));
        v += 0.37;
    }
}
BENCHMARK(BM_FormatGeneral);

static void BM_WageTableLookups(benchmark::State& state) {
    double t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tax::FindRate(t));
        benchmark::DoNotOptimize(tax::FindRateByTax(t / 4));
        benchmark::DoNotOptimize(tax::FindRateByNet(t * 0.8));
        t = t > 100000 ? 0 : t + 777.77;
    }
}
BENCHMARK(BM_WageTableLookups);

BENCHMARK_MAIN();

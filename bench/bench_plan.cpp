// Time to find the least-tax split of a year's pay, from ten thousand to a hundred million yuan.
#include "tax/Plan.h"
#include "tax/Plan2019.h"

#include <benchmark/benchmark.h>

static void BM_BestSplit(benchmark::State& state) {
    const tax::PlanQuestion q{tax::Decimal(static_cast<long long>(state.range(0))), tax::Decimal(1000), tax::Decimal(3500), tax::Decimal()};
    for (auto _ : state) benchmark::DoNotOptimize(tax::fen::BestSplits(tax::fen::FromPlan(q)));
}
BENCHMARK(BM_BestSplit)->Unit(benchmark::kMicrosecond)->RangeMultiplier(10)->Range(10000, 100000000);

// The whole plan as the window shows it: the search and the figures of every split from the
// decimal core.
static void BM_MakePlan(benchmark::State& state) {
    const tax::PlanQuestion q{tax::Decimal(static_cast<long long>(state.range(0))), tax::Decimal(1000), tax::Decimal(3500), tax::Decimal()};
    for (auto _ : state) benchmark::DoNotOptimize(tax::MakePlan(q));
}
BENCHMARK(BM_MakePlan)->Unit(benchmark::kMicrosecond)->RangeMultiplier(10)->Range(10000, 100000000);

// The same under the 2019 law, with 1000 of insurance and 2000 of special additional deductions.
static tax::plan2019::Question Ask2019(long long pay) {
    return {tax::Decimal(pay), tax::Decimal(1000), tax::Decimal(2000), tax::Decimal()};
}
static void BM_BestSplit2019(benchmark::State& state) {
    const tax::plan2019::fen::Question f = tax::plan2019::fen::FromPlan(Ask2019(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(tax::plan2019::fen::BestSplits(f));
}
BENCHMARK(BM_BestSplit2019)->Unit(benchmark::kMicrosecond)->RangeMultiplier(10)->Range(10000, 100000000);

static void BM_MakePlan2019(benchmark::State& state) {
    const tax::plan2019::Question q = Ask2019(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(tax::plan2019::MakePlan(q));
}
BENCHMARK(BM_MakePlan2019)->Unit(benchmark::kMicrosecond)->RangeMultiplier(10)->Range(10000, 100000000);

BENCHMARK_MAIN();

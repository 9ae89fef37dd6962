// Time to find the least-tax split of a year's pay, from ten thousand to a hundred million yuan.
#include "tax/Plan.h"

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

BENCHMARK_MAIN();

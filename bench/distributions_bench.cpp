// Speed of the t and F tails and quantiles at huge degrees of freedom, where
// the large-sample forms stand in for finite sums that would take minutes.
#include <benchmark/benchmark.h>

#include "core/numeric/distributions.h"

namespace {

void BM_TTailLargeDf(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(TTwoSidedTail(2000000000, 1.96));
        benchmark::DoNotOptimize(TTwoSidedTail(10000001, 2.0));
    }
}
BENCHMARK(BM_TTailLargeDf);

void BM_FTailLargeDf(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(FUpperTail(3, 2000000000, 1.3));
        benchmark::DoNotOptimize(FUpperTail(2000000000, 5, 0.9));
        benchmark::DoNotOptimize(FUpperTail(2000000000, 1500000000, 1.0001));
    }
}
BENCHMARK(BM_FTailLargeDf);

void BM_QuantilesLargeDf(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(TTwoSidedQuantile(2000000000, 0.05));
        benchmark::DoNotOptimize(FUpperQuantile(4, 2000000000, 0.05));
    }
}
BENCHMARK(BM_QuantilesLargeDf)->Unit(benchmark::kMicrosecond);

}  // namespace

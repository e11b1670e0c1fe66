// Speed of the value texts that fill result grids and reports.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "core/text/number_format.h"

namespace {

// Values over every branch of FormatNumber: zero, tiny, small, ordinary,
// large, negative, and ties.
std::vector<double> Spread() {
    std::vector<double> v;
    double x = 1.234567890123e-9;
    for (int i = 0; i < 1000; ++i) {
        v.push_back(x);
        v.push_back(-x * 0.7);
        x *= 1.037;
    }
    v.push_back(0.0);
    v.push_back(123456.78125);
    v.push_back(9.99995);
    return v;
}

void BM_FormatNumber(benchmark::State& state) {
    const std::vector<double> values = Spread();
    for (auto _ : state) {
        for (double x : values) benchmark::DoNotOptimize(FormatNumber(false, x));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()));
}
BENCHMARK(BM_FormatNumber);

void BM_FormatNumberPadded(benchmark::State& state) {
    const std::vector<double> values = Spread();
    for (auto _ : state) {
        for (double x : values) benchmark::DoNotOptimize(FormatNumberPadded(12, x));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()));
}
BENCHMARK(BM_FormatNumberPadded);

void BM_FloatToStrGeneral(benchmark::State& state) {
    const std::vector<double> values = Spread();
    for (auto _ : state) {
        for (double x : values) benchmark::DoNotOptimize(FloatToStrGeneral(x));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()));
}
BENCHMARK(BM_FloatToStrGeneral);

}  // namespace

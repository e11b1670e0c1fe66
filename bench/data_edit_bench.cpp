// Speed of editing the data set cell by cell and row by row, then reading
// what the edits changed; and of sorting observations and undoing the sort.
// The first argument is the observation count; the second, where there is
// one, the thread count.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "core/data/data_set.h"
#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"

namespace {

std::vector<double> RandomColumn(int n, std::uint64_t seed, int distinct) {
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<int> pick(0, distinct - 1);
    std::vector<double> x(static_cast<std::size_t>(n));
    for (double& v : x) v = 0.25 * pick(rng) + 100.0;
    return x;
}

// A new data set of 80 variables (the model, in a context of the given
// thread count), its columns set one by one, then the first moment read:
// what the user waits for from creation to the first statistics shown.
void BM_NewDataSetFill80ColumnsThenMoment(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    EngineContext context;
    context.SetThreads(static_cast<int>(state.range(1)));
    constexpr int kVars = 80;
    std::vector<std::vector<double>> columns;
    for (int j = 0; j < kVars; ++j) columns.push_back(RandomColumn(n, 1000 + j, 1 << 20));
    for (auto _ : state) {
        auto d = std::make_unique<Reg>(context, n, kVars, "fill");
        for (int j = 0; j < kVars; ++j) d->SetVarValues(j, columns[static_cast<std::size_t>(j)]);
        benchmark::DoNotOptimize(d->GetMoment(0, 1));
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NewDataSetFill80ColumnsThenMoment)
    ->Args({1000000, 1})
    ->Args({1000000, 4})
    ->Args({1000000, 8})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// 20 variables, rows appended one by one, then every mean read.
void BM_AppendRowsThenMeans(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    constexpr int kVars = 20;
    std::vector<double> rows(static_cast<std::size_t>(n) * kVars);
    std::mt19937_64 rng(7);
    std::normal_distribution<double> noise(0.0, 1.0);
    for (double& v : rows) v = noise(rng);
    for (auto _ : state) {
        state.PauseTiming();
        auto d = std::make_unique<Data>(1, kVars, "append");
        d->DeleteObservation(0);
        state.ResumeTiming();
        for (int i = 0; i < n; ++i)
            benchmark::DoNotOptimize(
                d->AppendObservation(std::span<const double>(rows.data() + static_cast<std::size_t>(i) * kVars, kVars)));
        double sum = 0.0;
        for (int j = 0; j < kVars; ++j) sum += d->GetMean(j);
        benchmark::DoNotOptimize(sum);
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AppendRowsThenMeans)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// 20 variables of keys with many ties, sorted by one of them (the order
// recorded); the statistics were read before, as the grid shows them.
void BM_SortObservations(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    constexpr int kVars = 20;
    Data d(n, kVars, "sort");
    std::vector<std::vector<double>> columns;
    for (int j = 0; j < kVars; ++j) columns.push_back(RandomColumn(n, 50 + j, 1000));
    std::vector<int> order;
    for (auto _ : state) {
        state.PauseTiming();
        for (int j = 0; j < kVars; ++j) d.SetVarValues(j, columns[static_cast<std::size_t>(j)]);
        benchmark::DoNotOptimize(d.GetMean(0));
        benchmark::DoNotOptimize(d.GetMoment(0, 1));
        state.ResumeTiming();
        d.SortObservations(3, true, &order);
        benchmark::DoNotOptimize(order.data());
    }
}
BENCHMARK(BM_SortObservations)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// 20 variables sorted by a key of distinct random values (the order
// recorded), the statistics read before.
void BM_SortByRandomKey(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    constexpr int kVars = 20;
    Data d(n, kVars, "sort");
    std::vector<std::vector<double>> columns;
    for (int j = 0; j < kVars; ++j) columns.push_back(RandomColumn(n, 150 + j, 1 << 30));
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (double& v : columns[3]) v = uniform(rng);
    std::vector<int> order;
    for (auto _ : state) {
        state.PauseTiming();
        for (int j = 0; j < kVars; ++j) d.SetVarValues(j, columns[static_cast<std::size_t>(j)]);
        benchmark::DoNotOptimize(d.GetMean(0));
        benchmark::DoNotOptimize(d.GetMoment(0, 1));
        state.ResumeTiming();
        d.SortObservations(3, true, &order);
        benchmark::DoNotOptimize(order.data());
    }
}
BENCHMARK(BM_SortByRandomKey)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

// The sort undone from its recorded order.
void BM_RestoreObservationOrder(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    constexpr int kVars = 20;
    Data d(n, kVars, "restore");
    for (int j = 0; j < kVars; ++j) d.SetVarValues(j, RandomColumn(n, 90 + j, 1000));
    benchmark::DoNotOptimize(d.GetMoment(0, 1));
    std::vector<int> order;
    for (auto _ : state) {
        state.PauseTiming();
        d.SortObservations(5, false, &order);
        state.ResumeTiming();
        d.RestoreObservationOrder(order);
        benchmark::DoNotOptimize(d.GetValue(0, 0));
    }
}
BENCHMARK(BM_RestoreObservationOrder)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

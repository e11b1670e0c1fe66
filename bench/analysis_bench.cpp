// Speed of the per-observation analysis: the residual analysis and the
// whole influence table (every leave-one-out measure by its closed form)
// for n = 100,000 with 10 explanatory variables and n = 1,000,000 with 20.
// Goal: time linear in n, at most 1 s for the larger case on one core.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "core/model/regression_model.h"

namespace {

// The values of a data set of n observations: p explanatory variables and
// the dependent one last. Made once per size.
const std::vector<std::vector<double>>& DataValues(int n, int p) {
    static std::map<std::pair<int, int>, std::vector<std::vector<double>>> sets;
    auto& values = sets[{n, p}];
    if (values.empty()) {
        std::mt19937_64 gen(4711);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> y(n, 3.0), x(n);
        for (int j = 0; j < p; ++j) {
            for (int i = 0; i < n; ++i) {
                x[i] = 10.0 + (j + 1) * normal(gen);
                y[i] += 0.1 * (j % 5) * x[i];
            }
            values.push_back(x);
        }
        for (int i = 0; i < n; ++i) y[i] += normal(gen);
        values.push_back(y);
    }
    return values;
}

std::unique_ptr<Reg> NewFittedModel(int n, int p) {
    auto r = std::make_unique<Reg>(n, p + 1);
    const auto& values = DataValues(n, p);
    for (int j = 0; j <= p; ++j) r->SetVarValues(j, values[static_cast<std::size_t>(j)]);
    std::vector<std::uint8_t> roles(p + 2, 2);
    roles[p] = 1;
    if (!r->SetModel(p, roles)) throw std::runtime_error("the benchmark model does not fit");
    return r;
}

// Built and fitted once per size: filling and fitting are not measured.
// The table is formed once here, so that every run (whatever its thread
// count or order) times the same work: a table of the data set's shape
// already in use, as after the first estimation.
Reg& FittedModel(int n, int p) {
    static std::map<std::pair<int, int>, std::unique_ptr<Reg>> models;
    auto& slot = models[{n, p}];
    if (!slot) {
        slot = NewFittedModel(n, p);
        slot->ComputeInfluence();
    }
    return *slot;
}

// The table is computed once per estimation; the toggle pair between runs
// (out and in again) clears the ready flags without changing the model.
void Refit(Reg& reg) {
    if (!reg.ToggleVariable(0) || !reg.ToggleVariable(0)) throw std::runtime_error("the toggle was refused");
}

void BM_AnalysisData(benchmark::State& state) {
    Reg& reg = FittedModel(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        state.PauseTiming();
        Refit(reg);
        state.ResumeTiming();
        reg.ComputeAnalysisData();
    }
    state.counters["dw"] = reg.GetDurbinWatson();
}
BENCHMARK(BM_AnalysisData)->Args({100000, 10})->Args({1000000, 20})->Unit(benchmark::kMillisecond);

void BM_FullInfluence(benchmark::State& state) {
    Reg& reg = FittedModel(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    reg.Context().SetThreads(static_cast<int>(state.range(2)));
    for (auto _ : state) {
        state.PauseTiming();
        Refit(reg);
        state.ResumeTiming();
        reg.ComputeInfluence();
    }
    state.counters["cook0"] = reg.GetAnalysisValue(Reg::kRowCooksD, 0);
}
// The third argument is the thread count (goal: 1e6 x 20 <= 0.15 s on one).
BENCHMARK(BM_FullInfluence)
    ->Args({100000, 10, 1})
    ->Args({1000000, 20, 1})
    ->Args({1000000, 20, 2})
    ->Args({1000000, 20, 4})
    ->Args({1000000, 20, 8})
    ->Unit(benchmark::kMillisecond);


// The first table of a data set: its memory is new, and each page is
// handed out by the system on its first write (the cost a user meets once
// per data set). A fresh data set and fit per run, not measured.
void BM_FirstInfluence(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int p = static_cast<int>(state.range(1));
    std::unique_ptr<Reg> reg;
    for (auto _ : state) {
        state.PauseTiming();
        reg.reset();
        reg = NewFittedModel(n, p);
        reg->Context().SetThreads(static_cast<int>(state.range(2)));
        state.ResumeTiming();
        reg->ComputeInfluence();
    }
}
BENCHMARK(BM_FirstInfluence)->Args({1000000, 20, 1})->Args({1000000, 20, 4})->Iterations(5)->Unit(benchmark::kMillisecond);

// The temporary-file form of the table (the fall-back when its memory block
// cannot be had): the rows outside those every estimation writes are read
// and written in the file a span at a time.
void BM_FullInfluenceFileTable(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int p = static_cast<int>(state.range(1));
    Reg& reg = FittedModel(n, p);
    reg.Context().SetFileTablesForced(true);
    reg.Reestimate(false);  // the table is reallocated in the file form
    reg.Context().SetFileTablesForced(false);
    for (auto _ : state) {
        state.PauseTiming();
        Refit(reg);
        state.ResumeTiming();
        reg.ComputeInfluence();
    }
    state.counters["inMemory"] = reg.Analysis().InMemory() ? 1 : 0;
}
BENCHMARK(BM_FullInfluenceFileTable)->Args({100000, 10})->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

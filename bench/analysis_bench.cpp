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

// Built and fitted once per size: filling and fitting are not measured.
Reg& FittedModel(int n, int p) {
    static std::map<std::pair<int, int>, std::unique_ptr<Reg>> models;
    auto& slot = models[{n, p}];
    if (!slot) {
        auto r = std::make_unique<Reg>(n, p + 1);
        std::mt19937_64 gen(4711);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> y(n, 3.0), x(n);
        for (int j = 0; j < p; ++j) {
            for (int i = 0; i < n; ++i) {
                x[i] = 10.0 + (j + 1) * normal(gen);
                y[i] += 0.1 * (j % 5) * x[i];
            }
            r->SetVarValues(j, x);
        }
        for (int i = 0; i < n; ++i) y[i] += normal(gen);
        r->SetVarValues(p, y);
        std::vector<std::uint8_t> roles(p + 2, 2);
        roles[p] = 1;
        if (!r->SetModel(p, roles)) throw std::runtime_error("the benchmark model does not fit");
        slot = std::move(r);
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
// The third argument is the thread count (goal: 1e6 x 20 <= 0.15 s on 4).
BENCHMARK(BM_FullInfluence)
    ->Args({100000, 10, 1})
    ->Args({1000000, 20, 1})
    ->Args({1000000, 20, 2})
    ->Args({1000000, 20, 4})
    ->Args({1000000, 20, 8})
    ->Unit(benchmark::kMillisecond);


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

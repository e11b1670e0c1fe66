// Speed of the automatic ridge constant on 1,000,000 observations and 20
// correlated regressors: the cross-products, the eigenvalues, the two-pass
// grid (up to 1,202 constants) and the final fit with its per-observation
// table. Goal: at most 1 s. Two dependents: one with a signal (the search
// stops early) and one orthogonal to every regressor (observations come in
// equal pairs and the dependent alternates +1, -1), whose criterion falls
// all the way to k = 1, so that 1,000 + 101 constants are evaluated. The grid with a pass over the
// observations at every constant is measured once for comparison.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/model/regression_model.h"
#include "estimators/ridge.h"

namespace {

constexpr int kObs = 1000000;
constexpr int kRegressors = 20;

// Built once: filling a data set of this size is not what is measured.
Reg& LargeModel() {
    static std::unique_ptr<Reg> reg = [] {
        auto r = std::make_unique<Reg>(kObs, kRegressors + 2);
        std::mt19937_64 gen(4711);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> common(kObs), y(kObs, 3.0), x(kObs);
        for (double& c : common) c = normal(gen);
        for (int j = 0; j < kRegressors; ++j) {
            for (int i = 0; i < kObs; ++i) {
                // Strongly correlated regressors, as where ridge is used;
                // each odd observation repeats the even one before it.
                x[i] = i % 2 ? x[i - 1] : 5.0 + 2.0 * common[i] + 0.05 * (j + 1) * normal(gen);
                y[i] += 0.05 * ((j % 4) + 1) * x[i];
            }
            r->SetVarValues(j, x);
        }
        for (int i = 0; i < kObs; ++i) y[i] += 3.0 * normal(gen);
        r->SetVarValues(kRegressors, y);
        for (int i = 0; i < kObs; ++i) y[i] = i % 2 ? -1.0 : 1.0;
        r->SetVarValues(kRegressors + 1, y);
        return r;
    }();
    return *reg;
}

// range(0): threads; range(1): 0 the dependent with a signal, 1 the
// orthogonal one.
void Run(benchmark::State& state, Ridge::GridRss form) {
    Reg& reg = LargeModel();
    reg.Context().SetThreads(static_cast<int>(state.range(0)));
    const int dependentIndex = kRegressors + static_cast<int>(state.range(1));
    std::vector<std::uint8_t> flags(kRegressors + 2, 1);
    flags[kRegressors + 1 - static_cast<int>(state.range(1))] = 0;
    const std::string dependent = reg.GetVarName(dependentIndex);
    double k = 0.0;
    int points = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto ridge = std::make_unique<Ridge>(reg, 0, flags, dependent);
        state.ResumeTiming();
        if (!ridge->Calculate(form)) state.SkipWithError("no fit");
        k = ridge->K();
        points = ridge->GridPoints();
        state.PauseTiming();
        ridge.reset();
        state.ResumeTiming();
    }
    state.counters["k"] = k;
    state.counters["points"] = points;
}

void BM_RidgeAutomaticConstant(benchmark::State& state) { Run(state, Ridge::GridRss::kCrossProducts); }
void BM_RidgeGridOverObservations(benchmark::State& state) { Run(state, Ridge::GridRss::kObservations); }

}  // namespace

BENCHMARK(BM_RidgeAutomaticConstant)
    ->Args({1, 0})->Args({3, 0})->Args({1, 1})->Args({3, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RidgeGridOverObservations)->Args({3, 0})->Args({3, 1})->Unit(benchmark::kMillisecond)->Iterations(1);

// Speed of the everyday tests of a fitted model: recursive residuals of
// 100,000 and 1,000,000 observations with 10 regressors (goal <= 0.1 s at
// 100,000), stepwise selection over 20 candidates on 100,000 observations
// from the constant-only model (goal <= 0.05 s on the moments), and the
// White covariance of 1,000,000 x 20 (goal <= 0.2 s).
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <vector>

#include "core/model/regression_model.h"
#include "estimators/anova.h"
#include "estimators/recursive_residuals.h"
#include "estimators/stepwise_selection.h"
#include "estimators/white_covariance.h"

namespace {

// A model of n observations and p regressors (the dependent last), y
// depending on every other regressor; all regressors in the model unless
// constantOnly.
Reg& Model(int n, int p, bool constantOnly) {
    static std::map<std::tuple<int, int, bool>, std::unique_ptr<Reg>> models;
    auto& slot = models[{n, p, constantOnly}];
    if (slot) return *slot;
    slot = std::make_unique<Reg>(n, p + 1);
    std::mt19937_64 gen(20261207);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<double> y(n, 1.0), x(n);
    for (int j = 0; j < p; ++j) {
        for (int i = 0; i < n; ++i) {
            x[i] = 3.0 + (j + 1) * normal(gen);
            if (j % 2 == 0) y[i] += 0.2 * x[i];
        }
        slot->SetVarValues(j, x);
    }
    for (int i = 0; i < n; ++i) y[i] += normal(gen) * (1.0 + 0.1 * (i % 5));
    slot->SetVarValues(p, y);
    std::vector<std::uint8_t> roles(p + 2, constantOnly ? 0 : 2);
    roles[p] = 1;
    roles[p + 1] = 2;
    if (!slot->SetModel(p, roles)) std::abort();
    return *slot;
}

void BM_RecursiveResiduals(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Reg& reg = Model(n, 10, false);
    for (auto _ : state) {
        auto s = ComputeRecursiveResiduals(reg, n);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_RecursiveResiduals)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StepwiseFromConstantModel(benchmark::State& state) {
    Reg& reg = Model(100000, 20, true);
    for (auto _ : state) {
        StepwiseResult r = RunStepwiseSelection(reg, {});
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_StepwiseFromConstantModel)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WhiteCovariance(benchmark::State& state) {
    Reg& reg = Model(1000000, 20, false);
    reg.Context().SetThreads(static_cast<int>(state.range(0)));
    static_cast<void>(reg.Design());
    reg.CompleteLeverages();
    for (auto _ : state) {
        Matrix v = ComputeWhiteCovariance(reg);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_WhiteCovariance)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Speed of the jackknife on a least-squares model of 1,000,000 observations
// and 20 explanatory variables: the model's influence rows (computed afresh
// after each fit), the coefficient changes and observed values taken out,
// and the jackknife estimates with the residuals of the jackknifed
// equation. Goal: at most 1.5 s, what the jackknife window waits for.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "core/model/regression_model.h"
#include "estimators/jackknife.h"

namespace {

constexpr int kObs = 1000000;
constexpr int kRegressors = 20;

// Built once: filling the data set is not measured.
Reg& LargeModel() {
    static std::unique_ptr<Reg> reg = [] {
        auto r = std::make_unique<Reg>(kObs, kRegressors + 1);
        std::mt19937_64 gen(577);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> y(kObs, 1.0), x(kObs);
        for (int j = 0; j < kRegressors; ++j) {
            for (int i = 0; i < kObs; ++i) {
                x[i] = normal(gen) + 0.1 * j;
                y[i] += 0.05 * (j + 1) * x[i];
            }
            r->SetVarValues(j, x);
        }
        for (double& v : y) v += normal(gen);
        r->SetVarValues(kRegressors, y);
        return r;
    }();
    return *reg;
}

void Fit(Reg& reg) {
    std::vector<std::uint8_t> roles(kRegressors + 2, 2);
    roles[kRegressors] = 1;
    if (!reg.SetModel(kRegressors, roles)) throw std::runtime_error("least-squares fit failed");
}

void BM_JackknifeWithInfluenceRows(benchmark::State& state) {
    Reg& reg = LargeModel();
    for (auto _ : state) {
        state.PauseTiming();
        Fit(reg);  // a fresh fit: its influence rows are not there yet
        state.ResumeTiming();
        const JackknifeResult r = Jackknife(JackknifeInputOf(reg));
        benchmark::DoNotOptimize(r.coef.data());
    }
}
BENCHMARK(BM_JackknifeWithInfluenceRows)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

namespace {

// The same with the influence rows already there: the jackknife's own part.
void BM_JackknifeAfterInfluenceRows(benchmark::State& state) {
    Reg& reg = LargeModel();
    Fit(reg);
    reg.ComputeInfluence();
    for (auto _ : state) {
        const JackknifeResult r = Jackknife(JackknifeInputOf(reg));
        benchmark::DoNotOptimize(r.coef.data());
    }
}
BENCHMARK(BM_JackknifeAfterInfluenceRows)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Speed of seemingly unrelated regressions: three equations of 100,000
// observations each (three groups of one data set), three regressors and
// the constant term, errors correlated across the equations. Measured: the
// equations taken from the groups, the two-step estimate and the estimate
// iterated to convergence (its iteration count as a counter). Goal: the
// iterated estimate with its set-up at most 0.3 s.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "core/model/regression_model.h"
#include "simeq/sur_equations.h"
#include "simeq/sur_estimator.h"

namespace {

constexpr int kPerGroup = 100000;
constexpr int kGroups = 3;
constexpr int kRegressors = 3;

// Built once: filling the data set is not what is measured.
Reg& GroupedModel() {
    static std::unique_ptr<Reg> reg = [] {
        const int n = kPerGroup * kGroups;
        auto r = std::make_unique<Reg>(n, kRegressors + 1);
        std::mt19937_64 gen(2718);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> y(n), x(n), common(kPerGroup);
        for (double& c : common) c = normal(gen);
        for (int i = 0; i < n; ++i) y[i] = 1.0 + i / kPerGroup + common[i % kPerGroup] + 0.5 * normal(gen);
        for (int j = 0; j < kRegressors; ++j) {
            for (int i = 0; i < n; ++i) {
                x[i] = 5.0 * (j + 1) + normal(gen);
                y[i] += 0.3 * (j + 1 + i / kPerGroup) * x[i];
            }
            r->SetVarValues(j, x);
        }
        r->SetVarValues(kRegressors, y);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j <= kRegressors; ++j) r->SetMark(i, j, static_cast<std::uint16_t>(1u << (i / kPerGroup)));
        return r;
    }();
    return *reg;
}

const std::vector<int> kDependent(kGroups, kRegressors);
const std::vector<int> kGroupCodes = {1, 2, 3};

void BM_SurSetUp(benchmark::State& state) {
    Reg& reg = GroupedModel();
    for (auto _ : state) benchmark::DoNotOptimize(MakeSurEquations(reg, kDependent, kGroupCodes));
}
BENCHMARK(BM_SurSetUp)->Unit(benchmark::kMillisecond)->UseRealTime();

// range(0): 1 iterates to convergence, 0 is the two-step estimate.
void BM_SurEstimate(benchmark::State& state) {
    const Zelner z(MakeSurEquations(GroupedModel(), kDependent, kGroupCodes));
    const SurOptions options{state.range(0) != 0, 0};
    int iterations = 0;
    for (auto _ : state) {
        const SurResult r = z.Estimate(options);
        iterations = r.iterations;
        benchmark::DoNotOptimize(r.equations.data());
    }
    state.counters["iterations"] = iterations;
}
BENCHMARK(BM_SurEstimate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the user waits for: the equations from the groups, then the
// iterated estimate.
void BM_SurSetUpAndIterate(benchmark::State& state) {
    Reg& reg = GroupedModel();
    for (auto _ : state) {
        const Zelner z(MakeSurEquations(reg, kDependent, kGroupCodes));
        benchmark::DoNotOptimize(z.Estimate({true, 0}).iterations);
    }
}
BENCHMARK(BM_SurSetUpAndIterate)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Speed of restricted least squares on 1,000,000 observations of 14
// regressors and the dependent (15 columns), with two restrictions: the
// design taken from the model, the centred moments in one pass, the k x k
// restriction algebra and the pass that writes fitted values, residuals
// and leverages. Goal: at most 0.3 s on four threads.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/model/regression_model.h"
#include "estimators/restricted.h"

namespace {

constexpr int kObs = 1000000;
constexpr int kRegressors = 14;

// Built once: filling a data set of this size is not what is measured.
Reg& LargeModel() {
    static std::unique_ptr<Reg> reg = [] {
        auto r = std::make_unique<Reg>(kObs, kRegressors + 1);
        std::mt19937_64 gen(4711);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> y(kObs, 3.0), x(kObs);
        for (int j = 0; j < kRegressors; ++j) {
            for (int i = 0; i < kObs; ++i) {
                x[i] = 10.0 * (j + 1) + normal(gen);
                y[i] += 0.1 * (j % 5 + 1) * x[i];
            }
            r->SetVarValues(j, x);
        }
        for (int i = 0; i < kObs; ++i) y[i] += normal(gen);
        r->SetVarValues(kRegressors, y);
        return r;
    }();
    return *reg;
}

// range(0): threads.
void BM_RestrictedTwoRestrictions(benchmark::State& state) {
    Reg& reg = LargeModel();
    reg.Context().SetThreads(static_cast<int>(state.range(0)));
    const std::vector<std::uint8_t> flags(kRegressors + 1, 1);
    const std::string dependent = reg.GetVarName(kRegressors);
    double f = 0.0;
    for (auto _ : state) {
        Restricted est(reg, 0, flags, dependent);
        est.AddRestriction();
        // b1 = b2 and b3 + b4 = 0.7.
        est.SetRestrictionCoefficient(0, 0, 0.0);
        est.SetRestrictionCoefficient(0, 1, 1.0);
        est.SetRestrictionCoefficient(0, 2, -1.0);
        est.SetRestrictionValue(0, 0.0);
        est.SetRestrictionCoefficient(1, 3, 1.0);
        est.SetRestrictionCoefficient(1, 4, 1.0);
        est.SetRestrictionValue(1, 0.7);
        if (!est.Estimate()) state.SkipWithError("no fit");
        f = est.F();
    }
    state.counters["F"] = f;
}

}  // namespace

BENCHMARK(BM_RestrictedTwoRestrictions)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

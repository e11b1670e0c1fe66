// Speed of the Tobit fit: 100,000 observations of 10 regressors with about
// half of them censored at zero, started from the least-squares fit. Each
// evaluation of the likelihood or of its derivatives is one pass over the
// observations; the number of passes is reported as a counter. Goal: at
// most 0.5 s on all cores.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "core/model/regression_model.h"
#include "core/numeric/thread_pool.h"
#include "estimators/tobit.h"

namespace {

constexpr int kObs = 100000;
constexpr int kRegressors = 10;

// Built once: the data set and its least-squares fit are not measured.
Reg& CensoredModel() {
    static std::unique_ptr<Reg> reg = [] {
        auto r = std::make_unique<Reg>(kObs, kRegressors + 1);
        std::mt19937_64 gen(1618);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> y(kObs, 0.0), x(kObs);
        for (int j = 0; j < kRegressors; ++j) {
            for (int i = 0; i < kObs; ++i) {
                x[i] = normal(gen);
                y[i] += (j % 2 == 0 ? 0.5 : -0.3) * x[i];
            }
            r->SetVarValues(j, x);
        }
        for (double& v : y) v = std::max(0.0, v + normal(gen));
        r->SetVarValues(kRegressors, y);
        std::vector<std::uint8_t> roles(kRegressors + 2, 2);
        roles[kRegressors] = 1;
        if (!r->SetModel(kRegressors, roles)) throw std::runtime_error("least-squares fit failed");
        return r;
    }();
    return *reg;
}

void BM_TobitProblemFromModel(benchmark::State& state) {
    Reg& reg = CensoredModel();
    for (auto _ : state) benchmark::DoNotOptimize(MakeTobitProblem(reg).data.Data());
}
BENCHMARK(BM_TobitProblemFromModel)->Unit(benchmark::kMillisecond)->UseRealTime();

// range(0): threads (0: all cores).
void BM_TobitEstimate(benchmark::State& state) {
    const TobitProblem problem = MakeTobitProblem(CensoredModel());
    ThreadPool pool(static_cast<int>(state.range(0)));
    int evaluations = 0, iterations = 0;
    for (auto _ : state) {
        const TobitResult r = TobitEstimate(problem, &pool);
        evaluations = r.evaluations;
        iterations = r.iterations;
    }
    state.counters["evaluations"] = evaluations;
    state.counters["iterations"] = iterations;
    state.counters["threads"] = pool.Threads();
}
BENCHMARK(BM_TobitEstimate)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Opening the jackknife window on a least-squares model of 1,000,000
// observations and 20 explanatory variables (the influence rows of a fresh
// fit included) and on one of 100, with one paint of each grid. Goal: at
// most 1.5 s for the large model.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "components/view/result_grid.h"
#include "core/model/regression_model.h"
#include "estimators/ui/jackknife_window.h"
#include "eval/app_state.h"
#include "page_bench_support.h"

namespace {

constexpr int kRegressors = 20;

// Built once per size: filling the data set is not measured.
Reg& Model(int n) {
    static std::unique_ptr<Reg> reg;
    if (!reg || reg->GetObsCount() != n) {
        reg = std::make_unique<Reg>(n, kRegressors + 1);
        std::mt19937_64 gen(577);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> y(static_cast<std::size_t>(n), 1.0), x(static_cast<std::size_t>(n));
        for (int j = 0; j < kRegressors; ++j) {
            for (int i = 0; i < n; ++i) {
                x[i] = normal(gen) + 0.1 * j;
                y[i] += 0.05 * (j + 1) * x[i];
            }
            reg->SetVarValues(j, x);
        }
        for (double& v : y) v += normal(gen);
        reg->SetVarValues(kRegressors, y);
    }
    return *reg;
}

void Fit(Reg& reg) {
    std::vector<std::uint8_t> roles(kRegressors + 2, 2);
    roles[kRegressors] = 1;
    if (!reg.SetModel(kRegressors, roles)) throw std::runtime_error("least-squares fit failed");
}

void BM_JackknifeWindowOpen(benchmark::State& state) {
    App();
    Reg& reg = Model(static_cast<int>(state.range(0)));
    AppState app;
    for (auto _ : state) {
        state.PauseTiming();
        Fit(reg);  // a fresh fit: its influence rows are not there yet
        state.ResumeTiming();
        TfrmJNE window{WindowContext(app)};
        window.resize(640, 480);
        benchmark::DoNotOptimize(window.SetRegression(reg));
        benchmark::DoNotOptimize(window.sgEst->grab());
        benchmark::DoNotOptimize(window.sgRes->grab());
    }
}
BENCHMARK(BM_JackknifeWindowOpen)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

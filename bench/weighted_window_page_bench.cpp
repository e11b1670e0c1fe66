// The weighted regression window on a least-squares model of 1,000,000
// observations and 10 regressors, and on one of 100: opening it with
// automatic robust weights (the whole per-observation table and one paint
// of the estimates), showing the analysis page and scrolling it to the
// middle and the end, and writing the text report. Goals for the large
// model: opening at most 1.5 s, the analysis page within 1.5 times its cost
// on 100 rows, the report at most 3 s.
#include <benchmark/benchmark.h>

#include <QTabWidget>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "components/view/launch_request.h"
#include "components/view/result_grid.h"
#include "core/model/regression_model.h"
#include "estimators/ui/weighted_fit_pages.h"
#include "estimators/ui/weighted_fit_window.h"
#include "estimators/weighted_fit_report.h"
#include "eval/app_state.h"
#include "page_bench_support.h"

namespace {

constexpr int kRegressors = 10;

AppState& State() {
    static AppState* state = new AppState;
    return *state;
}

// Built and fitted once per size; 5% of the errors are large outliers.
Reg& Model(int n) {
    static std::map<int, std::unique_ptr<Reg>> models;
    std::unique_ptr<Reg>& reg = models[n];
    if (!reg) {
        reg = std::make_unique<Reg>(State().Context(), n, kRegressors + 1);
        std::mt19937_64 gen(91);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::uniform_real_distribution<double> uniform(0.0, 1.0);
        std::vector<double> y(static_cast<std::size_t>(n), 1.0), x(static_cast<std::size_t>(n));
        for (int j = 0; j < kRegressors; ++j) {
            for (int i = 0; i < n; ++i) {
                x[static_cast<std::size_t>(i)] = normal(gen) + 0.1 * j;
                y[static_cast<std::size_t>(i)] += 0.05 * (j + 1) * x[static_cast<std::size_t>(i)];
            }
            reg->SetVarValues(j, x);
        }
        for (double& v : y) v += uniform(gen) < 0.05 ? 10.0 * normal(gen) : normal(gen);
        reg->SetVarValues(kRegressors, y);
        std::vector<std::uint8_t> roles(kRegressors + 2, Reg::kRoleExplanatory);
        roles[kRegressors] = Reg::kRoleDependent;
        if (!reg->SetModel(kRegressors, roles)) throw std::runtime_error("the benchmark model does not fit");
    }
    return *reg;
}

std::unique_ptr<TfrmWLS> Open(int n) {
    auto window = std::make_unique<TfrmWLS>(WindowContext(State()));
    window->resize(780, 560);
    LaunchRequest request;
    request.model = &Model(n);
    request.mode = 5;
    if (!window->Fill(request)) throw std::runtime_error("the weighted window did not open");
    return window;
}

TfrmWLS& Opened(int n) {
    static std::map<int, std::unique_ptr<TfrmWLS>> windows;
    std::unique_ptr<TfrmWLS>& w = windows[n];
    if (!w) w = Open(n);
    return *w;
}

void BM_WeightedWindowOpen(benchmark::State& state) {
    App();
    const int n = static_cast<int>(state.range(0));
    Model(n);
    for (auto _ : state) {
        auto window = Open(n);
        benchmark::DoNotOptimize(window->tsEst->grab());
    }
}
BENCHMARK(BM_WeightedWindowOpen)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WeightedAnalysisPage(benchmark::State& state) {
    App();
    TfrmWLS& w = Opened(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        w.PC->setCurrentWidget(w.tsEst);
        w.PC->setCurrentWidget(w.sgAna);
        benchmark::DoNotOptimize(w.sgAna->grab());
        w.sgAna->SetTopRow(w.sgAna->RowCount() / 2);
        benchmark::DoNotOptimize(w.sgAna->grab());
        w.sgAna->SetTopRow(w.sgAna->RowCount() - 1);
        benchmark::DoNotOptimize(w.sgAna->grab());
    }
}
BENCHMARK(BM_WeightedAnalysisPage)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WeightedReport(benchmark::State& state) {
    App();
    TfrmWLS& w = Opened(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::ofstream out("/dev/null", std::ios::binary);
        WriteWLSReport(*w.Estimator(), {"bench", 0, 80}, out);
    }
}
BENCHMARK(BM_WeightedReport)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

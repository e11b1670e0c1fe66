// The main window's plot commands on a large model, up to the filled graph
// window: the residual plot against predicted values (the influence table
// computed first, as after a fresh estimation) and the prediction plot with
// its two tolerance bands. Goals on 1,000,000 observations x 20 regressors:
// 1.5 s and 2 s.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <map>
#include <random>
#include <stdexcept>
#include <vector>

#include "app/main_window/main_window.h"
#include "filled_graph.h"
#include "page_bench_support.h"
#include "components/view/window_registry.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "stats/ui/xy_graph_window.h"

namespace {


MainWindowSetup& WindowFor(int n, int k) {
    return MainWindowOver(n, k, BenchModelShape{}, [](TfrmREG& w) {
        w.RefreshAfterLoad();
    });
}

void BM_ResidualPlotAgainstPredicted(benchmark::State& state) {
    MainWindowSetup& s = WindowFor(static_cast<int>(state.range(0)), 21);
    ScopedAnalysisWindow graph("TfrmGraphXY", [](const WindowContext& c) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<FilledGraph>(c);
    });
    for (auto _ : state) {
        state.PauseTiming();
        s.state.Model()->Reestimate(false);  // the influence table not yet computed
        state.ResumeTiming();
        s.window->PlotsCSExecute();
    }
}
BENCHMARK(BM_ResidualPlotAgainstPredicted)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PredictionPlotWithBands(benchmark::State& state) {
    MainWindowSetup& s = WindowFor(static_cast<int>(state.range(0)), 21);
    ScopedAnalysisWindow graph("TfrmGraphXY", [](const WindowContext& c) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<FilledGraph>(c);
    });
    for (auto _ : state) s.window->btnYYPlotClick();
}
BENCHMARK(BM_PredictionPlotWithBands)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace


// The residual page of the ridge window on 1,000,000 observations and on
// 100: showing the page and painting the grid at the top and half way
// down. Only the rows in view are formed, so the large fit should cost
// what the small one does (goal: within 1.5 times). The fit itself is made
// once per size and not measured.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <map>
#include <memory>
#include <stdexcept>

#include "components/view/result_grid.h"
#include "estimators/ui/ridge_window.h"
#include "page_bench_support.h"

namespace {

TfrmRidge& WindowOver(int n) {
    static auto* windows = new std::map<int, std::unique_ptr<TfrmRidge>>;
    auto& slot = (*windows)[n];
    if (slot) return *slot;
    MainWindowSetup& setup = MainWindowOver(n, 4, BenchModelShape{}, [](TfrmREG&) {});
    slot = std::make_unique<TfrmRidge>(WindowContext(setup.state));
    slot->resize(680, 500);
    if (!slot->SetRegression(setup.state.Model())) throw std::runtime_error("the ridge fit failed");
    return *slot;
}

void BM_RidgeResidualPage(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TfrmRidge& window = WindowOver(n);
    for (auto _ : state) {
        window.tsResidualShow();
        window.sgRes->SetTopRow(1);
        benchmark::DoNotOptimize(window.sgRes->grab());
        window.sgRes->SetTopRow(n / 2);
        benchmark::DoNotOptimize(window.sgRes->grab());
    }
}
BENCHMARK(BM_RidgeResidualPage)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// The influence page of the main window on a large data set: switching to
// it (the whole leave-one-out table computed, the rows in view painted) and
// scrolling it by one page. Goal: the switch on 1,000,000 x 20 within 1 s;
// a scroll costing the same on 1,000,000 rows as on 100.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "app/main_window/main_window.h"
#include "page_bench_support.h"
#include "core/model/result_texts.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"

namespace {

MainWindowSetup& WindowFor(int n, int k) {
    return MainWindowOver(n, k, BenchModelShape{4711, 10.0, 3.0, 0.1, 5}, [](TfrmREG& w) {
        w.resize(1280, 800);
        w.show();
        w.RefreshAfterLoad();
    });
}

void Paint(TStringGrid* grid) {
    QImage image(grid->viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    grid->PaintCells(painter, image.rect());
}

// From the edit page to the influence page after a model change: the
// table is computed anew, the page filled and painted.
void BM_SwitchToInfluencePage(benchmark::State& state) {
    MainWindowSetup& s = WindowFor(static_cast<int>(state.range(0)), 20);
    s.state.Context().SetThreads(static_cast<int>(state.range(1)));
    Reg& model = *s.state.Model();
    for (auto _ : state) {
        state.PauseTiming();
        s.window->mnuEditViewClick();
        // Out and in again: the same model, the tables out of date.
        if (!model.ToggleVariable(0) || !model.ToggleVariable(0)) throw std::runtime_error("the toggle was refused");
        state.ResumeTiming();
        s.window->mnuAnalysisViewClick();
        Paint(s.window->InfluenceGrid());
    }
    state.counters["columns"] = s.window->InfluenceGrid()->ColCount();
}
BENCHMARK(BM_SwitchToInfluencePage)
    ->Args({100, 1})
    ->Args({1'000'000, 1})
    ->Args({1'000'000, 4})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The cut-off points, worked out again when n or the degrees of freedom
// change: Cook's needs the upper 10 % point of F(1, df − 1).
void BM_InfluenceCutoffs(benchmark::State& state) {
    MainWindowSetup& s = WindowFor(static_cast<int>(state.range(0)), 20);
    for (auto _ : state) benchmark::DoNotOptimize(ComputeInfluenceCutoffs(*s.state.Model()));
}
BENCHMARK(BM_InfluenceCutoffs)->Arg(100)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// One page down on the influence page, painted.
void BM_ScrollInfluencePage(benchmark::State& state) {
    MainWindowSetup& s = WindowFor(static_cast<int>(state.range(0)), 20);
    s.window->mnuAnalysisViewClick();
    TStringGrid* grid = s.window->InfluenceGrid();
    const int page = grid->VisibleRowCount();
    for (auto _ : state) {
        int top = grid->TopRow() + page;
        if (top + page >= grid->RowCount()) top = 1;
        grid->SetTopRow(top);
        Paint(grid);
    }
    state.counters["rows_per_page"] = page;
}
BENCHMARK(BM_ScrollInfluencePage)->Arg(100)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

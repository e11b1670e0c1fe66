// The estimates page of the main window: one variable swept out or in from
// its row (the refit and the page filled and painted), and the refresh of
// the page alone. Goal: a toggle on 100,000 x 20 that feels immediate
// (well under 100 ms), the refresh a small part of it.
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
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"

namespace {

MainWindowSetup& WindowFor(int n, int k) {
    return MainWindowOver(n, k, BenchModelShape{}, [](TfrmREG& w) {
        w.resize(1280, 800);
        w.show();
        w.RefreshAfterLoad();
        w.tsSelectShow();
    });
}

void Paint(TStringGrid* grid) {
    QImage image(grid->viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    grid->PaintCells(painter, image.rect());
}

// The row of the fourth variable toggled: out on one pass, in on the next.
void BM_EstimatesToggle(benchmark::State& state) {
    MainWindowSetup& s = WindowFor(static_cast<int>(state.range(0)), 20);
    for (auto _ : state) {
        s.window->ToggleEstimateRow(5, true);
        Paint(s.window->EstimateGrid());
    }
}
BENCHMARK(BM_EstimatesToggle)->Arg(1000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// The page filled and painted again for an unchanged model.
void BM_EstimatesRefresh(benchmark::State& state) {
    MainWindowSetup& s = WindowFor(static_cast<int>(state.range(0)), 20);
    for (auto _ : state) {
        s.window->tsSelectShow();
        Paint(s.window->EstimateGrid());
    }
}
BENCHMARK(BM_EstimatesRefresh)->Arg(1000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace

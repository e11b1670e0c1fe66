// The X-Y graph window on two long series: opening it (the straight-line fit
// with every per-point diagnostic, the pages filled, the first paint of the
// plot), changing the curve kind, and scrolling the analysis page by one
// page. Goals on 1,000,000 points: the open within 1 s, a curve change
// within 0.5 s, a scroll costing the same as on 100 points.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <random>
#include <vector>

#include "components/plot/xy_plot.h"
#include "components/view/result_grid.h"
#include "eval/app_state.h"
#include "stats/ui/xy_graph_window.h"
#include "page_bench_support.h"

namespace {

struct Series {
    std::vector<double> x, y;
    explicit Series(int n) : x(static_cast<std::size_t>(n)), y(static_cast<std::size_t>(n)) {
        std::mt19937_64 random(7);
        std::normal_distribution<double> noise(0.0, 1.0);
        for (int i = 0; i < n; ++i) {
            x[i] = 1.0 + i * 0.001 + std::abs(noise(random));
            y[i] = 2.0 + 0.5 * x[i] + noise(random);
        }
    }
};

void PaintPlot(TfrmGraphXY& w) {
    QImage image(w.plots->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    w.plots->render(&painter);
}

void PaintGrid(ResultGrid& grid) {
    QImage image(grid.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    grid.render(&painter);
}

void BM_GraphOpen(benchmark::State& state) {
    App();
    const int n = static_cast<int>(state.range(0));
    Series s(n);
    AppState app;
    for (auto _ : state) {
        TfrmGraphXY w{WindowContext(app)};
        w.plots->resize(600, 400);
        if (!w.SetXY("X", s.x.data(), "Y", s.y.data(), n, 0, false)) state.SkipWithError("fit failed");
        PaintPlot(w);
    }
}
BENCHMARK(BM_GraphOpen)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_CurveChange(benchmark::State& state) {
    App();
    const int n = static_cast<int>(state.range(0));
    Series s(n);
    AppState app;
    TfrmGraphXY w{WindowContext(app)};
    w.plots->resize(600, 400);
    if (!w.SetXY("X", s.x.data(), "Y", s.y.data(), n, 0, false)) state.SkipWithError("fit failed");
    int kind = 0;
    for (auto _ : state) {
        kind = kind == 0 ? 1 : 0;  // quadratic and back
        w.cbRegType->setCurrentIndex(kind);
        PaintPlot(w);
    }
}
BENCHMARK(BM_CurveChange)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_AnalysisScroll(benchmark::State& state) {
    App();
    const int n = static_cast<int>(state.range(0));
    Series s(n);
    AppState app;
    TfrmGraphXY w{WindowContext(app)};
    w.resize(800, 600);
    if (!w.SetXY("X", s.x.data(), "Y", s.y.data(), n, 0, false)) state.SkipWithError("fit failed");
    ResultGrid& grid = *w.dgAna;
    grid.resize(700, 500);
    const int page = 20;
    int top = 1;
    for (auto _ : state) {
        top = top + page < n - page ? top + page : 1;
        grid.SetTopRow(top);
        PaintGrid(grid);
    }
}
BENCHMARK(BM_AnalysisScroll)->Arg(100)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

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
#include "core/model/result_texts.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "influence_page_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QApplication(argc, argv);
    }();
    return *app;
}

// A window over n observations of k variables, the last one explained by
// all the others; built and fitted once per size.
struct Setup {
    AppState state;
    std::unique_ptr<TfrmREG> window;
};

Setup& WindowFor(int n, int k) {
    // Kept to the end of the process, as the application object is.
    static auto* setups = new std::map<std::pair<int, int>, std::unique_ptr<Setup>>;
    auto& slot = (*setups)[{n, k}];
    if (!slot) {
        App();
        slot = std::make_unique<Setup>();
        auto model = std::make_unique<Reg>(slot->state.Context(), n, k);
        std::mt19937_64 gen(4711);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> y(static_cast<std::size_t>(n), 3.0), x(static_cast<std::size_t>(n));
        for (int j = 0; j + 1 < k; ++j) {
            for (int i = 0; i < n; ++i) {
                x[static_cast<std::size_t>(i)] = 10.0 + (j + 1) * normal(gen);
                y[static_cast<std::size_t>(i)] += 0.1 * (j % 5) * x[static_cast<std::size_t>(i)];
            }
            model->SetVarValues(j, x);
        }
        for (int i = 0; i < n; ++i) y[static_cast<std::size_t>(i)] += normal(gen);
        model->SetVarValues(k - 1, y);
        std::vector<std::uint8_t> roles(static_cast<std::size_t>(k) + 1, 2);
        roles[static_cast<std::size_t>(k) - 1] = 1;
        if (!model->SetModel(k - 1, roles)) throw std::runtime_error("the benchmark model does not fit");
        slot->state.SetModel(std::move(model));
        slot->window = std::make_unique<TfrmREG>(slot->state);
        slot->window->resize(1280, 800);
        slot->window->show();
        slot->window->RefreshAfterLoad();
    }
    return *slot;
}

void Paint(TStringGrid* grid) {
    QImage image(grid->viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    grid->PaintCells(painter, image.rect());
}

// From the edit page to the influence page after a model change: the
// table is computed anew, the page filled and painted.
void BM_SwitchToInfluencePage(benchmark::State& state) {
    Setup& s = WindowFor(static_cast<int>(state.range(0)), 20);
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
    Setup& s = WindowFor(static_cast<int>(state.range(0)), 20);
    for (auto _ : state) benchmark::DoNotOptimize(ComputeInfluenceCutoffs(*s.state.Model()));
}
BENCHMARK(BM_InfluenceCutoffs)->Arg(100)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// One page down on the influence page, painted.
void BM_ScrollInfluencePage(benchmark::State& state) {
    Setup& s = WindowFor(static_cast<int>(state.range(0)), 20);
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

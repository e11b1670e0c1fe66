// Scrolling the edit page by one page and painting it, for a small and a
// very large data set: the cost should not depend on the number of rows.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/main_window/main_window.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"
#include "page_bench_support.h"

namespace {

void BM_EditPageScrollAndPaint(benchmark::State& state) {
    App();
    const int n = static_cast<int>(state.range(0));
    constexpr int k = 20;
    AppState app;
    auto model = std::make_unique<Reg>(app.Context(), n, k);
    std::vector<double> column(static_cast<std::size_t>(n));
    for (int j = 0; j < k; ++j) {
        for (int i = 0; i < n; ++i) column[static_cast<std::size_t>(i)] = (i + 1) * 1.37 + j * 0.001 + (i % 7) * 1e-5;
        model->SetVarValues(j, column);
    }
    app.SetModel(std::move(model));
    TfrmREG window(app);
    window.resize(1280, 800);
    window.show();
    window.RefreshAfterLoad();
    TStringGrid* grid = window.EditGrid();
    QImage image(grid->viewport()->size(), QImage::Format_RGB32);
    const int page = grid->VisibleRowCount();
    for (auto _ : state) {
        int top = grid->TopRow() + page;
        if (top + page >= grid->RowCount()) top = 1;
        grid->SetTopRow(top);
        QPainter painter(&image);
        grid->PaintCells(painter, image.rect());
    }
    state.counters["rows_per_page"] = page;
    state.counters["cells_stored"] = grid->StoredCellCount();
}
BENCHMARK(BM_EditPageScrollAndPaint)->Arg(100)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

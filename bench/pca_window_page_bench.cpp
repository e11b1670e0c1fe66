// Opening the principal component window on n observations of 20
// variables (the analysis and the first page painted), scrolling its score
// page, and opening the correlation matrix window on the same values in a
// named table, for n = 100 and 1,000,000. Goals for the large data: the
// window at most 1 s, a score-page scroll within 1.5 times its cost for
// 100 rows, the correlation window at most 0.3 s.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "components/view/result_grid.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "page_bench_support.h"
#include "stats/ui/correlation_matrix_window.h"
#include "stats/ui/pca_window.h"

namespace {

constexpr int kVariables = 20;

// Two factors behind the columns, plus noise; built once per size.
const std::vector<std::vector<double>>& Columns(int n) {
    static std::map<int, std::vector<std::vector<double>>> made;
    auto& cols = made[n];
    if (cols.empty()) {
        std::mt19937_64 rng(2024);
        std::normal_distribution<double> normal(0.0, 1.0);
        cols.assign(kVariables, std::vector<double>(static_cast<std::size_t>(n)));
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
            const double f1 = normal(rng), f2 = normal(rng);
            for (int j = 0; j < kVariables; ++j) cols[j][i] = 5.0 * j + (j % 2 == 0 ? f1 : f2) + 0.8 * normal(rng);
        }
    }
    return cols;
}

Reg& DataSet(AppState& app, int n) {
    static std::map<int, std::unique_ptr<Reg>> sets;
    auto& reg = sets[n];
    if (!reg) {
        reg = std::make_unique<Reg>(app.Context(), n, kVariables);
        for (int j = 0; j < kVariables; ++j) {
            reg->SetVarName(j, "x" + std::to_string(j));
            reg->SetVarValues(j, Columns(n)[static_cast<std::size_t>(j)]);
        }
    }
    return *reg;
}

AppState& State() {
    static AppState* app = new AppState;
    return *app;
}

void BM_PcaWindowOpen(benchmark::State& state) {
    App();
    const int n = static_cast<int>(state.range(0));
    Reg& reg = DataSet(State(), n);
    for (auto _ : state) {
        TfrmPCA window{WindowContext(State())};
        window.resize(720, 520);
        if (!window.Start(&reg)) state.SkipWithError("no analysis");
        window.RefreshPages();
        benchmark::DoNotOptimize(window.sgRelMat->grab());
    }
}
BENCHMARK(BM_PcaWindowOpen)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PcaScorePageScroll(benchmark::State& state) {
    App();
    const int n = static_cast<int>(state.range(0));
    Reg& reg = DataSet(State(), n);
    TfrmPCA window{WindowContext(State())};
    window.resize(720, 520);
    if (!window.Start(&reg)) state.SkipWithError("no analysis");
    window.RefreshPages();
    window.PC->setCurrentWidget(window.sgScore);
    const int rows = window.sgScore->RowCount();
    int top = 1;
    for (auto _ : state) {
        // A page down, from the top again at the end.
        top = top + 20 < rows - 20 ? top + 20 : 1;
        window.sgScore->SetTopRow(top);
        benchmark::DoNotOptimize(window.sgScore->grab());
    }
}
BENCHMARK(BM_PcaScorePageScroll)->Arg(100)->Arg(1000000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_CorrelationWindowOpen(benchmark::State& state) {
    App();
    const int n = static_cast<int>(state.range(0));
    static std::map<int, std::unique_ptr<TNamedData>> tables;
    auto& table = tables[n];
    if (!table) {
        table = std::make_unique<TNamedData>(State().Context(), n, kVariables);
        std::vector<double> row(kVariables);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < kVariables; ++j) row[j] = Columns(n)[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)];
            table->WriteRow(i, row.data());
        }
        for (int j = 0; j < kVariables; ++j) table->SetColumnName(j, "x" + std::to_string(j));
    }
    for (auto _ : state) {
        TfrmRelative window{WindowContext(State())};
        if (!window.SetData(table.get(), nullptr, true)) state.SkipWithError("no matrix");
        benchmark::DoNotOptimize(window.sgRelMat->grab());
    }
}
BENCHMARK(BM_CorrelationWindowOpen)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

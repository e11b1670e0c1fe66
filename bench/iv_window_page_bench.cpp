// The instrumental-variable window on 1,000,000 observations: y on 10
// regressors (8 exogenous, 2 endogenous) with 12 exogenous variables in the
// data set. Opening the window with its estimates page painted (goal
// <= 0.5 s); the instrument of one endogenous regressor by its first stage
// on the exogenous variables, put in place (goal <= 0.3 s); switching to the
// influence page of a fresh fit (goal <= 1 s); and a scroll of the
// influence page, against the same on a model of 100 observations (goal:
// within 1.5 times); the residual plot against the predicted values up to
// the filled graph window, the influence rows computed first as after a
// fresh fit (goal <= 1.5 s); and the whole text report formatted into a
// sink that only counts the bytes (goal <= 3 s).
#include <benchmark/benchmark.h>

#include <QComboBox>
#include <QTabWidget>
#include <cstdint>
#include <map>
#include <ostream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "components/view/result_grid.h"
#include "core/model/instrumental_fit.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "filled_graph.h"
#include "page_bench_support.h"
#include "platform/qt/string_grid.h"
#include "simeq/iv_report.h"
#include "simeq/iv_request.h"
#include "simeq/ui/iv_set_dialog.h"
#include "simeq/ui/iv_window.h"
#include "stats/ui/xy_graph_window.h"
#include "components/view/window_registry.h"

namespace {

constexpr int kExogenous = 12;
constexpr int kEndogenous = 2;
constexpr int kExplanatoryExogenous = 8;
constexpr int kVars = kExogenous + kEndogenous + 1;

// x0 .. x11 exogenous, y1 and y2 endogenous regressors, y the dependent;
// y on x0 .. x7, y1 and y2. Built once per size.
Reg& Data(int n) {
    static std::map<int, std::unique_ptr<Reg>> built;
    auto& slot = built[n];
    if (slot) return *slot;
    auto r = std::make_unique<Reg>(n, kVars);
    std::mt19937_64 gen(91);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<std::vector<double>> x(kExogenous, std::vector<double>(static_cast<std::size_t>(n)));
    for (int j = 0; j < kExogenous; ++j) {
        for (int i = 0; i < n; ++i) x[j][i] = 3.0 + (j % 3 + 1) * normal(gen);
        r->SetVarValues(j, x[j]);
        r->SetVarType(j, 2);
        r->SetVarName(j, "x" + std::to_string(j));
    }
    std::vector<double> y(static_cast<std::size_t>(n), 1.0), v(static_cast<std::size_t>(n));
    for (int g = 0; g < kEndogenous; ++g) {
        for (int i = 0; i < n; ++i) {
            const double e = normal(gen);
            v[i] = 1.0 + 0.4 * x[8 + g][i] - 0.3 * x[10 + g][i] + 0.2 * x[g][i] + e;
            y[i] += 0.5 * v[i] + 0.3 * e;
        }
        r->SetVarValues(kExogenous + g, v);
        r->SetVarType(kExogenous + g, 1);
        r->SetVarName(kExogenous + g, "y" + std::to_string(g + 1));
    }
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < kExplanatoryExogenous; ++j) y[i] += 0.1 * (j % 4) * x[j][i];
        y[i] += normal(gen);
    }
    r->SetVarValues(kVars - 1, y);
    r->SetVarType(kVars - 1, 1);
    r->SetVarName(kVars - 1, "y");
    std::vector<std::uint8_t> roles(kVars + 1, Reg::kRoleUnused);
    for (int j = 0; j < kExplanatoryExogenous; ++j) roles[j] = Reg::kRoleExplanatory;
    roles[kExogenous] = roles[kExogenous + 1] = roles[kVars] = Reg::kRoleExplanatory;
    roles[kVars - 1] = Reg::kRoleDependent;
    if (!r->SetModel(kVars - 1, roles)) throw std::runtime_error("the benchmark model does not fit");
    slot = std::move(r);
    return *slot;
}

std::unique_ptr<TfrmIV> Open(AppState& app, Reg& data) {
    auto window = std::make_unique<TfrmIV>(WindowContext(app));
    window->resize(760, 520);
    if (!window->Fill(IVRequest{&data, {}, {}}) || !window->Estimator())
        throw std::runtime_error("the window did not open");
    return window;
}

void BM_IVWindowOpenWithEstimates(benchmark::State& state) {
    App();
    Reg& data = Data(static_cast<int>(state.range(0)));
    AppState app;
    for (auto _ : state) {
        auto window = Open(app, data);
        window->PC->setCurrentWidget(window->tsEst);
        benchmark::DoNotOptimize(window->sgEst->grab());
    }
}
BENCHMARK(BM_IVWindowOpenWithEstimates)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The engine's share of opening: the estimator over the block, the
// equation selected and fitted once, the specification test and the
// residual tests.
void BM_IVEstimatorAlone(benchmark::State& state) {
    Reg& data = Data(static_cast<int>(state.range(0)));
    std::vector<std::uint8_t> roles(kVars + 1, RegIV::kRoleUnused);
    for (int j = 0; j < kExplanatoryExogenous; ++j) roles[j] = RegIV::kRoleExplanatory;
    roles[kExogenous] = roles[kExogenous + 1] = roles[kVars] = RegIV::kRoleExplanatory;
    for (auto _ : state) {
        RegIV iv(data, 0);
        benchmark::DoNotOptimize(iv.SelectVariables(roles, kVars - 1));
        benchmark::DoNotOptimize(iv.SpecificationTest());
        iv.ComputeResidualTests();
    }
}
BENCHMARK(BM_IVEstimatorAlone)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_IVFirstStageInstrument(benchmark::State& state) {
    App();
    Reg& data = Data(static_cast<int>(state.range(0)));
    AppState app;
    auto window = Open(app, data);
    for (auto _ : state) {
        TfrmIVSet dialog{WindowContext(app)};
        dialog.SetModel(window->Estimator(), &data, 0);
        dialog.cbIVSel->setCurrentText("y1");
        dialog.rgIVSetClick(TfrmIVSet::kExogenous);
        dialog.btnSetClick();
    }
}
BENCHMARK(BM_IVFirstStageInstrument)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_IVInfluencePageSwitch(benchmark::State& state) {
    App();
    Reg& data = Data(static_cast<int>(state.range(0)));
    AppState app;
    auto window = Open(app, data);
    for (auto _ : state) {
        state.PauseTiming();
        window->PC->setCurrentWidget(window->tsView);
        window->Estimator()->Refit(false);  // a fresh fit: no influence rows yet
        state.ResumeTiming();
        window->PC->setCurrentWidget(window->tsAna);
        benchmark::DoNotOptimize(window->sgAna->grab());
    }
}
BENCHMARK(BM_IVInfluencePageSwitch)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// One scroll to a new top row and the paint of the rows in view.
void BM_IVInfluencePageScroll(benchmark::State& state) {
    App();
    const int n = static_cast<int>(state.range(0));
    Reg& data = Data(n);
    AppState app;
    auto window = Open(app, data);
    window->PC->setCurrentWidget(window->tsAna);
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> top(1, n - 30);
    for (auto _ : state) {
        window->sgAna->SetTopRow(top(gen));
        benchmark::DoNotOptimize(window->sgAna->grab());
    }
}
BENCHMARK(BM_IVInfluencePageScroll)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();


void BM_IVResidualPlotCommand(benchmark::State& state) {
    App();
    Reg& data = Data(static_cast<int>(state.range(0)));
    AppState app;
    auto window = Open(app, data);
    ScopedAnalysisWindow graph("TfrmGraphXY", [](const WindowContext& c) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<FilledGraph>(c);
    });
    for (auto _ : state) {
        state.PauseTiming();
        window->Estimator()->Refit(false);  // no influence rows yet
        state.ResumeTiming();
        window->YEPlot->trigger();
    }
}
BENCHMARK(BM_IVResidualPlotCommand)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Counts what it is given and keeps nothing.
class CountingBuffer : public std::streambuf {
public:
    std::size_t bytes = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override {
        bytes += static_cast<std::size_t>(n);
        return n;
    }
    int_type overflow(int_type c) override {
        ++bytes;
        return traits_type::not_eof(c);
    }
};

void BM_IVReportWrite(benchmark::State& state) {
    App();
    Reg& data = Data(static_cast<int>(state.range(0)));
    AppState app;
    auto window = Open(app, data);
    window->Estimator()->ComputeInfluence();
    CountingBuffer sink;
    std::ostream out(&sink);
    for (auto _ : state) WriteIVReport(*window->Estimator(), {"bench", 0, 80}, out);
    state.counters["MB"] = static_cast<double>(sink.bytes) / static_cast<double>(state.iterations()) / 1e6;
}
BENCHMARK(BM_IVReportWrite)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

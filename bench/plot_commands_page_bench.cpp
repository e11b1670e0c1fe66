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
#include "components/view/window_registry.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "stats/ui/xy_graph_window.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "plot_commands_page_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Fills a real graph window with the request, then closes it unseen.
class FilledGraph : public RequestWindow<XYGraphRequest> {
public:
    explicit FilledGraph(const WindowContext& context) : context_(context) {}
    using RequestWindow<XYGraphRequest>::Fill;
    bool Fill(const XYGraphRequest& r) override {
        TfrmGraphXY window(context_);
        benchmark::DoNotOptimize(window.Fill(r));
        return false;
    }
    int ShowModal() override { return 0; }

private:
    WindowContext context_;
};

struct Setup {
    AppState state;
    std::unique_ptr<TfrmREG> window;
};

Setup& WindowFor(int n, int k) {
    static auto* setups = new std::map<std::pair<int, int>, std::unique_ptr<Setup>>;
    auto& slot = (*setups)[{n, k}];
    if (!slot) {
        App();
        slot = std::make_unique<Setup>();
        auto model = std::make_unique<Reg>(slot->state.Context(), n, k);
        std::mt19937_64 gen(2024);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> y(static_cast<std::size_t>(n), 1.0), x(static_cast<std::size_t>(n));
        for (int j = 0; j + 1 < k; ++j) {
            for (int i = 0; i < n; ++i) {
                x[static_cast<std::size_t>(i)] = 5.0 + (j + 1) * normal(gen);
                y[static_cast<std::size_t>(i)] += 0.2 * (j % 4) * x[static_cast<std::size_t>(i)];
            }
            model->SetVarValues(j, x);
        }
        for (int i = 0; i < n; ++i) y[static_cast<std::size_t>(i)] += normal(gen);
        model->SetVarValues(k - 1, y);
        std::vector<std::uint8_t> roles(static_cast<std::size_t>(k) + 1, Reg::kRoleExplanatory);
        roles[static_cast<std::size_t>(k) - 1] = Reg::kRoleDependent;
        if (!model->SetModel(k - 1, roles)) throw std::runtime_error("the benchmark model does not fit");
        slot->state.SetModel(std::move(model));
        slot->window = std::make_unique<TfrmREG>(slot->state);
        slot->window->RefreshAfterLoad();
    }
    return *slot;
}

void BM_ResidualPlotAgainstPredicted(benchmark::State& state) {
    Setup& s = WindowFor(static_cast<int>(state.range(0)), 21);
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
    Setup& s = WindowFor(static_cast<int>(state.range(0)), 21);
    ScopedAnalysisWindow graph("TfrmGraphXY", [](const WindowContext& c) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<FilledGraph>(c);
    });
    for (auto _ : state) s.window->btnYYPlotClick();
}
BENCHMARK(BM_PredictionPlotWithBands)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace


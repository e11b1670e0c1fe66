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
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "estimates_page_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QApplication(argc, argv);
    }();
    return *app;
}

struct Setup {
    AppState state;
    std::unique_ptr<TfrmREG> window;
};

// A window over n observations of k variables, the last explained by all
// the others, on the estimates page; built once per size.
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
        slot->window->resize(1280, 800);
        slot->window->show();
        slot->window->RefreshAfterLoad();
        slot->window->tsSelectShow();
    }
    return *slot;
}

void Paint(TStringGrid* grid) {
    QImage image(grid->viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    grid->PaintCells(painter, image.rect());
}

// The row of the fourth variable toggled: out on one pass, in on the next.
void BM_EstimatesToggle(benchmark::State& state) {
    Setup& s = WindowFor(static_cast<int>(state.range(0)), 20);
    for (auto _ : state) {
        s.window->ToggleEstimateRow(5, true);
        Paint(s.window->EstimateGrid());
    }
}
BENCHMARK(BM_EstimatesToggle)->Arg(1000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// The page filled and painted again for an unchanged model.
void BM_EstimatesRefresh(benchmark::State& state) {
    Setup& s = WindowFor(static_cast<int>(state.range(0)), 20);
    for (auto _ : state) {
        s.window->tsSelectShow();
        Paint(s.window->EstimateGrid());
    }
}
BENCHMARK(BM_EstimatesRefresh)->Arg(1000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace

// What the window benchmarks share: the offscreen application, and a main
// window over a model whose last variable is explained by all the others,
// built and fitted once per size and kept to the end of the process.
#pragma once

#include <QApplication>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "app/main_window/main_window.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "merlox_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QApplication(argc, argv);
    }();
    return *app;
}

// x_j = base + (j + 1) e and y = intercept + sum slope (j % period) x_j + e,
// e standard normal from the seed.
struct BenchModelShape {
    unsigned seed = 2024;
    double base = 5.0;
    double intercept = 1.0;
    double slope = 0.2;
    int period = 4;
};

struct MainWindowSetup {
    AppState state;
    std::unique_ptr<TfrmREG> window;
};

// prepare runs once, on the new window.
inline MainWindowSetup& MainWindowOver(int n, int k, const BenchModelShape& shape,
                                       const std::function<void(TfrmREG&)>& prepare) {
    static auto* setups = new std::map<std::pair<int, int>, std::unique_ptr<MainWindowSetup>>;
    auto& slot = (*setups)[{n, k}];
    if (slot) return *slot;
    App();
    slot = std::make_unique<MainWindowSetup>();
    auto model = std::make_unique<Reg>(slot->state.Context(), n, k);
    std::mt19937_64 gen(shape.seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<double> y(static_cast<std::size_t>(n), shape.intercept), x(static_cast<std::size_t>(n));
    for (int j = 0; j + 1 < k; ++j) {
        for (int i = 0; i < n; ++i) {
            x[static_cast<std::size_t>(i)] = shape.base + (j + 1) * normal(gen);
            y[static_cast<std::size_t>(i)] += shape.slope * (j % shape.period) * x[static_cast<std::size_t>(i)];
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
    prepare(*slot->window);
    return *slot;
}

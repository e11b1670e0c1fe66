// The test pages of the simultaneous-equation window on a system of
// 1,000,000 observations and on one of 100: showing the final test as
// residuals and scrolling to the middle, with one paint each. The window
// forms only the rows in view, so both sizes cost the same (goal: the large
// system within 1.5 times the small one). Building the system is not
// measured (see system_build_bench).
#include <benchmark/benchmark.h>

#include <QAction>
#include <QTabWidget>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "components/view/result_grid.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "page_bench_support.h"
#include "simeq/ui/reduced_form_window.h"
#include "simeq/ui/system_test_page.h"

namespace {

// C = 0.6 Y + 5 + e, I = 0.2 YL + 2 + e, Y = C + I + G.
Reg& System(int n) {
    static std::map<int, std::unique_ptr<Reg>> made;
    auto& slot = made[n];
    if (slot) return *slot;
    auto r = std::make_unique<Reg>(n, 5);
    std::mt19937_64 gen(59);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<std::vector<double>> v(5, std::vector<double>(static_cast<std::size_t>(n)));
    double last = 40.0;
    for (std::size_t t = 0; t < v[0].size(); ++t) {
        v[3][t] = 10.0 + 2.0 * normal(gen);
        v[4][t] = last;
        v[1][t] = 2.0 + 0.2 * last + normal(gen);
        v[2][t] = (5.0 + v[1][t] + v[3][t] + normal(gen)) / 0.4;
        v[0][t] = v[2][t] - v[1][t] - v[3][t];
        last = v[2][t];
    }
    const char* names[] = {"C", "I", "Y", "G", "YL"};
    const int types[] = {1, 1, 1, 2, 3};
    for (int j = 0; j < 5; ++j) {
        r->SetVarValues(j, v[static_cast<std::size_t>(j)]);
        r->SetVarName(j, names[j]);
        r->SetVarType(j, types[j]);
    }
    r->SetVarInfo(4, "@Y/1");
    const std::string c = Data::ConstantName();
    r->AddExpres(Expres("C", 2, false, std::vector<double>{0.6, 5.0}, std::vector<std::string>{"Y", c}));
    r->AddExpres(Expres("I", 2, false, std::vector<double>{0.2, 2.0}, std::vector<std::string>{"YL", c}));
    r->AddExpres(Expres("Y", 3, true, std::vector<double>{1, 1, 1}, std::vector<std::string>{"C", "I", "G"}));
    slot = std::move(r);
    return *slot;
}

void BM_ReducedFormTestPage(benchmark::State& state) {
    App();
    const int n = static_cast<int>(state.range(0));
    AppState app;
    TfrmRF window{WindowContext(app)};
    window.resize(700, 458);
    LaunchRequest request;
    request.model = &System(n);
    if (!window.Fill(request)) state.SkipWithError("the system was not built");
    for (auto _ : state) {
        window.PC->setCurrentWidget(window.tsFinalTest);
        window.Changer->trigger();
        TStringGrid* g = window.tsFinalTest->grid;
        g->SetTopRow(1);
        benchmark::DoNotOptimize(g->grab());
        g->SetTopRow(n / 2);
        benchmark::DoNotOptimize(g->grab());
        // Away to the coefficient page, which does not depend on n (the
        // structural page sums its residuals over all observations).
        window.PC->setCurrentWidget(window.sgExpres);
    }
}
BENCHMARK(BM_ReducedFormTestPage)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Defining a variable by a formula: EvaluateAt once per observation of a
// data set of a million observations. Goal: at most 1 s per pass.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/model/regression_model.h"
#include "eval/app_state.h"

namespace {

void BM_EvaluateAtEveryObservation(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto reg = std::make_unique<Reg>(n, 2);
    std::vector<double> x(static_cast<std::size_t>(n)), y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        x[static_cast<std::size_t>(i)] = 1.0 + (i % 1000) * 0.01;
        y[static_cast<std::size_t>(i)] = 0.5 * (i % 37);
    }
    reg->SetVarValues(0, x);
    reg->SetVarValues(1, y);
    reg->SetVarName(0, "x");
    reg->SetVarName(1, "y");
    AppState app;
    app.SetModel(std::move(reg));
    CalcStr& calc = app.Evaluator();
    const std::string text = "log(x) * 2 + y ^ 2 - lag(x)";
    for (auto _ : state) {
        double total = 0.0;
        for (int i = 0; i < n; ++i) total += calc.EvaluateAt(text, i);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_EvaluateAtEveryObservation)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

// Speed of the macro host: a numeric field's formula compiled and run by
// EvaluateExpression, and a macro loop that calls a library macro on each
// pass (each call a run of its own).
#include <benchmark/benchmark.h>

#include "eval/app_state.h"
#include "macro/macro_engine.h"

namespace {

void BM_EvaluateFieldFormula(benchmark::State& state) {
    AppState app;
    CMacro& host = GetMacroEngine(app).host;
    double sum = 0.0;
    for (auto _ : state) {
        host.SetCurrentValue(2.0);
        sum += host.EvaluateExpression("(@@ + 1) * 3 - sqrt(16)");
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_EvaluateFieldFormula);

void BM_LibraryCallsInALoop(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    AppState app;
    MacroEngine& engine = GetMacroEngine(app);
    engine.library.AddOrReplace("macro Twice(x) { x * 2 }");
    const std::string source =
        "macro m var i, s { for (i = 1; i <= " + std::to_string(n) + "; i++) s += @~Twice(i); s }";
    for (auto _ : state) {
        engine.host.RunMacroSource(source);
        if (!engine.host.Done()) {
            state.SkipWithError("the macro failed");
            break;
        }
        benchmark::DoNotOptimize(engine.host.CurrentValue());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_LibraryCallsInALoop)->Arg(1000);

}  // namespace

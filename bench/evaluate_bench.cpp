// Defining a variable by a formula over a data set of a million
// observations: EvaluateRange over all of them (goal: at most 20 ms for the
// arithmetic formula), and EvaluateAt once per observation, as the entries
// that test one observation at a time use it. The conditional formula is
// read token by token from the evaluator's cache; distinct texts measure the
// first reading. A formula less the mean of its design column reads a
// figure kept with the fit: within 2x of the same with the variable's mean.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/model/regression_model.h"
#include "eval/app_state.h"

namespace {

std::unique_ptr<Reg> MakeData(int n) {
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
    return reg;
}

void EvaluateEveryObservation(benchmark::State& state, const std::string& text) {
    const int n = static_cast<int>(state.range(0));
    AppState app;
    app.SetModel(MakeData(n));
    CalcStr& calc = app.Evaluator();
    for (auto _ : state) {
        double total = 0.0;
        for (int i = 0; i < n; ++i) total += calc.EvaluateAt(text, i);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// fitted: y chosen as the dependent variable, so that the model has a design.
void EvaluateRangeOfAll(benchmark::State& state, const std::string& text, bool fitted = false) {
    const int n = static_cast<int>(state.range(0));
    AppState app;
    std::unique_ptr<Reg> reg = MakeData(n);
    if (fitted) reg->SetDependent(1);
    app.SetModel(std::move(reg));
    CalcStr& calc = app.Evaluator();
    std::vector<double> values(static_cast<std::size_t>(n));
    for (auto _ : state) {
        calc.EvaluateRange(text, 0, n, values.data());
        benchmark::DoNotOptimize(values.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_EvaluateRangeAllObservations(benchmark::State& state) {
    EvaluateRangeOfAll(state, "log(x) * 2 + y ^ 2 - lag(x)");
}
BENCHMARK(BM_EvaluateRangeAllObservations)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EvaluateRangeConditional(benchmark::State& state) {
    EvaluateRangeOfAll(state, "x > 5 ? log(x) * 2 : y ^ 2 ; - x[1]");
}
BENCHMARK(BM_EvaluateRangeConditional)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// x less a mean: the variable's, and its design column's.
void BM_EvaluateRangeMinusMean(benchmark::State& state) { EvaluateRangeOfAll(state, "x - x.ave", true); }
BENCHMARK(BM_EvaluateRangeMinusMean)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EvaluateRangeMinusDesignMean(benchmark::State& state) { EvaluateRangeOfAll(state, "x - ..x.ave", true); }
BENCHMARK(BM_EvaluateRangeMinusDesignMean)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EvaluateAtEveryObservation(benchmark::State& state) {
    EvaluateEveryObservation(state, "log(x) * 2 + y ^ 2 - lag(x)");
}
BENCHMARK(BM_EvaluateAtEveryObservation)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_EvaluateAtConditional(benchmark::State& state) {
    EvaluateEveryObservation(state, "x > 5 ? log(x) * 2 : y ^ 2 ; - x[1]");
}
BENCHMARK(BM_EvaluateAtConditional)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Every text read once.
void BM_CalculateDistinctTexts(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    AppState app;
    app.SetModel(MakeData(10));
    CalcStr& calc = app.Evaluator();
    std::vector<std::string> texts;
    for (int i = 0; i < n; ++i) texts.push_back("log(" + std::to_string(i + 1) + ") * 2 + x[2] ^ 2 - 1");
    for (auto _ : state) {
        double total = 0.0;
        for (const std::string& text : texts) total += calc.Calculate(text);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CalculateDistinctTexts)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

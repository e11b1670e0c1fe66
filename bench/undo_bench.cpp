// Speed of the structural edits with undo on 1,000,000 x 20: deleting one
// observation in the middle, undoing it, inserting a variable; beside one
// SetModel for comparison.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"

namespace {

constexpr int kObs = 1000000;
constexpr int kVars = 20;

std::unique_ptr<Reg> BigModel() {
    auto m = std::make_unique<Reg>(kObs, kVars, "bench");
    std::mt19937_64 rng(5);
    std::normal_distribution<double> z(0.0, 1.0);
    std::vector<double> c(kObs);
    for (int j = 0; j < kVars; ++j) {
        for (double& x : c) x = z(rng);
        m->SetVarValues(j, c);
    }
    std::vector<std::uint8_t> roles(kVars + 1, 2);
    roles[kVars - 1] = 1;
    static_cast<void>(m->SetModel(kVars - 1, roles));
    return m;
}

void BM_SetModel(benchmark::State& state) {
    auto m = BigModel();
    for (auto _ : state) {
        m->SetValue(0, 0, m->GetValue(0, 0) + 1.0);  // the moments must be formed again
        benchmark::DoNotOptimize(m->SetModel(kVars - 1, m->Roles()));
    }
}
BENCHMARK(BM_SetModel)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DeleteObservationThenUndo(benchmark::State& state) {
    auto m = BigModel();
    UndoStore store;
    const DataEdit ed{*m, store, {}};
    for (auto _ : state) {
        DeleteObservationsWithUndo(ed, {kObs / 2});
        benchmark::DoNotOptimize(store.Undo(*m));
    }
}
BENCHMARK(BM_DeleteObservationThenUndo)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DeleteObservation(benchmark::State& state) {
    auto m = BigModel();
    UndoStore store;
    const DataEdit ed{*m, store, {}};
    for (auto _ : state) DeleteObservationsWithUndo(ed, {kObs / 2});
}
BENCHMARK(BM_DeleteObservation)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_InsertVariable(benchmark::State& state) {
    auto m = BigModel();
    UndoStore store;
    const DataEdit ed{*m, store, {}};
    std::vector<double> c(kObs);
    for (int i = 0; i < kObs; ++i) c[static_cast<std::size_t>(i)] = i % 7;
    int count = 0;
    for (auto _ : state) {
        Var v("ins" + std::to_string(count++), "", kObs, 0.0);
        for (int i = 0; i < kObs; ++i) v.At(i) = c[static_cast<std::size_t>(i)];
        InsertVariableWithUndo(ed, 3, v);
    }
}
BENCHMARK(BM_InsertVariable)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

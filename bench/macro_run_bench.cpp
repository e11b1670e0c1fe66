// Speed of the macro interpreter: a counting loop with one addition and one
// comparison per pass, and a loop that writes data cells one by one (each
// an undoable edit).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "macro/macro_object.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"

namespace {

// for i = 1 to n { body }, with the counter at offset 4 of the main frame.
template <class Body>
MacroObject CountingLoop(int n, int frameSize, Body body) {
    MacroObject m;
    m.EmitTwoInts(opMCR, 0, frameSize);
    const VariableRef i{0, vkNumber, 0, 4};
    m.EmitNumber(opLDI, 1);
    m.EmitNumber(opLDI, n);
    m.EmitNumber(opLDI, 1);
    m.EmitVariableRef(opLOP, i);
    const int top = m.NewLabel(), done = m.NewLabel();
    m.SetLabel(top);
    m.EmitInt(opLPD, done);
    body(m, i);
    m.EmitInt(opLPR, top);
    m.SetLabel(done);
    m.Emit(opLPE);
    m.Emit(opEND);
    m.FinishCode();
    return m;
}

// x = x + 1; x < 5
void BM_MacroLoopAddCompare(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const VariableRef x{0, vkNumber, 0, 6};
    const MacroObject m = CountingLoop(n, 8, [&](MacroObject& p, const VariableRef&) {
        p.EmitVariableRef(opLDA, x);
        p.EmitNumber(opLDI, 1);
        p.Emit(opADD);
        p.EmitVariableRef(opSTA, x);
        p.Emit(opPOP);
        p.EmitVariableRef(opLDA, x);
        p.EmitNumber(opLDI, 5);
        p.Emit(opLT);
        p.Emit(opPOP);
    });
    AppState app;
    MacroRun run(app);
    for (auto _ : state) run.Run(m);
}
BENCHMARK(BM_MacroLoopAddCompare)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// A run of a short expression (1 + 2 * 3), as the fields of the windows
// evaluate them: the cost of starting and ending a run.
void BM_MacroShortRun(benchmark::State& state) {
    MacroObject m;
    m.EmitNumber(opLDI, 1);
    m.EmitNumber(opLDI, 2);
    m.EmitNumber(opLDI, 3);
    m.Emit(opMUL);
    m.Emit(opADD);
    m.Emit(opEND);
    m.FinishCode();
    AppState app;
    MacroRun run(app);
    for (auto _ : state) {
        run.Run(m);
        benchmark::DoNotOptimize(run.CurrentValue());
    }
}
BENCHMARK(BM_MacroShortRun);

// cell(i mod obs + 1, 1) = i for i = 1 .. writes, on a data set of obs
// observations and two variables.
void BM_MacroCellWrites(benchmark::State& state) {
    const int writes = static_cast<int>(state.range(0));
    const int obs = static_cast<int>(state.range(1));
    const MacroObject m = CountingLoop(writes, 6, [obs](MacroObject& p, const VariableRef& i) {
        p.EmitVariableRef(opLDA, i);
        p.EmitNumber(opLDI, obs);
        p.Emit(opREM);
        p.EmitNumber(opLDI, 1);
        p.Emit(opADD);
        p.EmitVariableRef(opLDA, i);
        p.EmitTwoInts(opSVL, 1, 2);
        p.Emit(opPOP);
    });
    AppState app;
    for (auto _ : state) {
        state.PauseTiming();
        auto reg = std::make_unique<Reg>(obs, 2);
        std::vector<double> column(static_cast<std::size_t>(obs));
        for (int k = 0; k < obs; ++k) column[static_cast<std::size_t>(k)] = 0.5 * k;
        reg->SetVarValues(0, column);
        for (int k = 0; k < obs; ++k) column[static_cast<std::size_t>(k)] = (k % 7) * 1.5;
        reg->SetVarValues(1, column);
        app.SetModel(std::move(reg));
        MacroRun run(app);
        state.ResumeTiming();
        run.Run(m);
    }
}
BENCHMARK(BM_MacroCellWrites)->Args({1000000, 100})->Args({100000, 1000})->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

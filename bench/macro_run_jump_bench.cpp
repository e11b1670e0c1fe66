// Speed of compiled "while" loops, whose passes end in a jump: alone, and
// inside a select and a try, where every jump is checked against the frames
// it might leave.
#include <benchmark/benchmark.h>

#include <string>

#include "eval/app_state.h"
#include "macro/macro_compile.h"
#include "macro/macro_run.h"

namespace {

void RunCompiled(benchmark::State& state, const std::string& text) {
    AppState app;
    MacroCompile compiler(app);
    compiler.CompileProgram(text);
    MacroObject m;
    compiler.LinkProgram(m);
    MacroRun run(app);
    for (auto _ : state) run.Run(m);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

std::string Loop(benchmark::State& state) {
    return "while (i < " + std::to_string(state.range(0)) + ") { i = i + 1; x = x + 1 }";
}

void BM_MacroWhileLoop(benchmark::State& state) { RunCompiled(state, "macro m var i, x { " + Loop(state) + " }"); }
BENCHMARK(BM_MacroWhileLoop)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_MacroWhileLoopInSelect(benchmark::State& state) {
    RunCompiled(state, "macro m var i, x { select (1) { case 1: " + Loop(state) + " } }");
}
BENCHMARK(BM_MacroWhileLoopInSelect)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_MacroWhileLoopInTry(benchmark::State& state) {
    RunCompiled(state, "macro m var i, x { try { " + Loop(state) + " } catch { } }");
}
BENCHMARK(BM_MacroWhileLoopInTry)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

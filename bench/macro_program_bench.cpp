// Compiling whole macros of many statements: if/else, the loops, select
// and case, def blocks, write and module calls. The time per statement
// should stay the same as the macro grows.
#include <benchmark/benchmark.h>

#include <string>

#include "eval/app_state.h"
#include "macro/macro_compile.h"

namespace {

std::string ProgramSource(int statements) {
    std::string text = "macro bench(n) var i, s, a[10] module f(x) { return x * 2 } {\n";
    for (int k = 0; k < statements; ++k) {
        const std::string v = std::to_string(k % 97 + 1);
        switch (k % 6) {
            case 0: text += "if (i < " + v + ") s += f(i) else { s -= 1; i++ }\n"; break;
            case 1: text += "while (i > " + v + ") { if (s) break; i-- }\n"; break;
            case 2: text += "for (i = 0; i < n; i++) a[i mod 10 + 1] = i * " + v + "\n"; break;
            case 3: text += "loop (i = 1, " + v + ") { next; s = s + i }\n"; break;
            case 4: text += "select (s) { case " + v + ": s = 0; case > 5, < 1: s = 1 }\n"; break;
            default: text += "s = def (p = " + v + ") var q { q = p + s; stop q }; write s, cr;\n"; break;
        }
    }
    return text + "}\n";
}

void BM_CompileMacroProgram(benchmark::State& state) {
    const int statements = static_cast<int>(state.range(0));
    AppState app;
    const std::string source = ProgramSource(statements);
    MacroCompile compiler(app);
    for (auto _ : state) {
        compiler.CompileProgram(source);
        benchmark::DoNotOptimize(compiler.CodeLength());
    }
    state.SetItemsProcessed(state.iterations() * statements);
    state.counters["code_bytes"] = compiler.CodeLength();
}
BENCHMARK(BM_CompileMacroProgram)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

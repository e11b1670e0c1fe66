// Compiling a macro source of many lines and listing its byte code. The
// lines mix folded constant sums, user scalars and their assignments, data
// cells, functions, conditionals, intervals and comments; the time per line
// should stay the same as the source grows.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "macro/macro_compile.h"

namespace {

std::string MacroSource(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        const std::string n = std::to_string(i + 1);
        switch (i % 4) {
            case 0: text += "@a += (1 + 2 * " + n + ") / 3 - #w[" + std::to_string(i % 4 + 1) + "] * sin(@t)"; break;
            case 1: text += "@t < " + n + " << [1, 5) ? ##w.max : max(@a, " + n + ", 2.5)"; break;
            case 2: text += "// line " + n + "\nround(@a / 7) + 2 ^ 10 - sqrt(" + n + ") * pi /* end */"; break;
            default: text += "\"text " + n + "\", #R2 && !(@a == " + n + " || @t $$ 0)"; break;
        }
        text += i + 1 < lines ? ",\n" : "\n";
    }
    return text;
}

class MacroFixture {
public:
    MacroFixture() {
        auto reg = std::make_unique<Reg>(4, 2);
        reg->SetVarName(0, "y");
        reg->SetVarName(1, "w");
        app_.SetModel(std::move(reg));
        app_.UserScalars().SetName(0, false, "a");
        app_.UserScalars().SetName(1, false, "t");
    }
    AppState& App() { return app_; }

private:
    AppState app_;
};

void BM_CompileMacroSource(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    MacroFixture fixture;
    const std::string source = MacroSource(lines);
    MacroCompile compiler(fixture.App());
    for (auto _ : state) {
        compiler.CompileExpression(source);
        benchmark::DoNotOptimize(compiler.CodeLength());
    }
    state.SetItemsProcessed(state.iterations() * lines);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
    state.counters["code_bytes"] = compiler.CodeLength();
}
BENCHMARK(BM_CompileMacroSource)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ListMacroCode(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    MacroFixture fixture;
    MacroCompile compiler(fixture.App());
    compiler.CompileExpression(MacroSource(lines));
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string listing = compiler.ListCode();
        size = listing.size();
        benchmark::DoNotOptimize(listing.data());
    }
    state.SetItemsProcessed(state.iterations() * lines);
    state.counters["listing_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_ListMacroCode)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

// The clipboard text form of 1,000,000 observations of 20 variables
// (20,000,000 cells): the text of a copy, and a paste read back from it.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "core/io/clipboard_text.h"
#include "core/text/text_evaluator.h"

namespace {

DataString Cells(int n) {
    DataString cells;
    std::mt19937_64 rng(2);
    std::normal_distribution<double> g(0.0, 100.0);
    for (int i = 0; i < n; ++i) cells.Add(DataCell(static_cast<std::uint16_t>(i % 7 == 0 ? 3 : 0), g(rng)));
    return cells;
}

void BM_ClipboardCopyText(benchmark::State& state) {
    const DataString cells = Cells(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::string text = ClipboardText(cells);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_ClipboardCopyText)->Arg(2000000)->Arg(20000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ClipboardPasteText(benchmark::State& state) {
    const std::string text = ClipboardText(Cells(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        DataString out;
        ReadClipboardText(text, out, PlainNumbers());
        benchmark::DoNotOptimize(out.Count());
    }
}
BENCHMARK(BM_ClipboardPasteText)->Arg(2000000)->Arg(20000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ClipboardCountCells(benchmark::State& state) {
    const std::string text = ClipboardText(Cells(static_cast<int>(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(ClipboardTextCellCount(text));
}
BENCHMARK(BM_ClipboardCountCells)->Arg(20000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

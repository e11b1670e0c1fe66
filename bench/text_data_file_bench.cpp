// Writing and reading the text data file: 100,000 and 1,000,000 rows of 20
// variables, in memory.
#include <benchmark/benchmark.h>

#include <random>
#include <sstream>

#include "core/io/text_data_file.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/text/text_evaluator.h"
#include "platform/ui_services.h"

namespace {

std::unique_ptr<Reg> Model(int n) {
    auto reg = std::make_unique<Reg>(n, 20, "bench");
    std::mt19937_64 rng(1);
    std::normal_distribution<double> g(0.0, 100.0);
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int j = 0; j < 20; ++j) {
        for (auto& x : v) x = g(rng);
        reg->SetVarValues(j, v);
    }
    return reg;
}

void BM_WriteText(benchmark::State& state) {
    auto reg = Model(static_cast<int>(state.range(0)));
    SilentServices services;
    for (auto _ : state) {
        std::ostringstream out;
        WriteTextDataFile(FileImage(*reg), out, services);
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(BM_WriteText)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ReadText(benchmark::State& state) {
    auto reg = Model(static_cast<int>(state.range(0)));
    SilentServices services;
    std::ostringstream out;
    WriteTextDataFile(FileImage(*reg), out, services);
    const std::string text = out.str();
    for (auto _ : state) {
        std::istringstream in(text);
        LoadedDataFile loaded;
        ReadTextDataFile(in, loaded, PlainNumbers(), services);
        benchmark::DoNotOptimize(loaded.obs);
    }
}
BENCHMARK(BM_ReadText)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

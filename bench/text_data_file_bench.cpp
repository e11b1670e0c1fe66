// Writing and reading the text data file: 100,000 and 1,000,000 rows of 20
// variables, through a file in the temporary folder (the page cache); and
// one field of 4 to 64 MiB, whose time per byte stays the same.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

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

std::string BenchFile() {
    return (std::filesystem::temp_directory_path() / "merlox_text_bench.TXT").string();
}

void Write(const Reg& reg, SilentServices& services) {
    std::ofstream out(BenchFile(), std::ios::binary | std::ios::trunc);
    WriteTextDataFile(FileImage(reg), out, services);
}

void BM_WriteText(benchmark::State& state) {
    auto reg = Model(static_cast<int>(state.range(0)));
    SilentServices services;
    for (auto _ : state) Write(*reg, services);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(BenchFile())));
    std::remove(BenchFile().c_str());
}
BENCHMARK(BM_WriteText)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ReadText(benchmark::State& state) {
    auto reg = Model(static_cast<int>(state.range(0)));
    SilentServices services;
    Write(*reg, services);
    for (auto _ : state) {
        std::ifstream in(BenchFile(), std::ios::binary);
        LoadedDataFile loaded;
        ReadTextDataFile(in, loaded, PlainNumbers(), services);
        benchmark::DoNotOptimize(loaded.obs);
    }
    std::remove(BenchFile().c_str());
}
BENCHMARK(BM_ReadText)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ReadLongField(benchmark::State& state) {
    const std::string text = "ID,x\r\n1," + std::string(static_cast<std::size_t>(state.range(0)) << 20, ' ') + "7\r\n";
    SilentServices services;
    for (auto _ : state) {
        std::istringstream in(text);
        LoadedDataFile loaded;
        ReadTextDataFile(in, loaded, PlainNumbers(), services);
        benchmark::DoNotOptimize(loaded.obs);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReadLongField)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

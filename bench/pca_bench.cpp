// Speed of principal components: one million observations of 20 variables
// driven by two factors, analysed with component scores, a two-factor
// varimax solution with factor scores and the outlier table; and the
// correlation matrix of the same values in a named table. The argument is
// the thread count.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "core/settings/engine_context.h"
#include "stats/correlation_matrices.h"
#include "stats/principal_components.h"

namespace {

constexpr int kObservations = 1000000;
constexpr int kVariables = 20;

// Column j loads on the first factor for even j and on the second for odd
// j, plus noise.
std::vector<std::vector<double>> MakeColumns() {
    std::mt19937_64 rng(2024);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<std::vector<double>> cols(kVariables, std::vector<double>(kObservations));
    for (int i = 0; i < kObservations; ++i) {
        const double f1 = normal(rng), f2 = normal(rng);
        for (int j = 0; j < kVariables; ++j) cols[j][i] = 5.0 * j + (j % 2 == 0 ? f1 : f2) + 0.8 * normal(rng);
    }
    return cols;
}

const std::vector<std::vector<double>>& Columns() {
    static const auto cols = MakeColumns();
    return cols;
}

Reg& DataSet() {
    static const std::unique_ptr<Reg> reg = [] {
        auto r = std::make_unique<Reg>(kObservations, kVariables);
        for (int j = 0; j < kVariables; ++j) {
            r->SetVarName(j, "x" + std::to_string(j));
            r->SetVarValues(j, Columns()[j]);
        }
        return r;
    }();
    return *reg;
}

void BM_PcaOfDataSet(benchmark::State& state) {
    Reg& reg = DataSet();
    reg.Context().SetThreads(static_cast<int>(state.range(0)));
    const std::vector<std::uint8_t> flags(kVariables, 1);
    for (auto _ : state) {
        auto pca = MakeDataSetPCA(reg, 0, flags, NameInUse{});
        if (pca->FactorCount() != 2) state.SkipWithError("expected two factors");
        benchmark::DoNotOptimize(pca->GetFactorScore(kObservations - 1, 1));
    }
}
BENCHMARK(BM_PcaOfDataSet)->Arg(1)->Arg(3)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CorrelationOfTable(benchmark::State& state) {
    static EngineContext context;
    static const std::unique_ptr<TNamedData> table = [] {
        auto t = std::make_unique<TNamedData>(context, kObservations, kVariables);
        std::vector<double> row(kVariables);
        for (int i = 0; i < kObservations; ++i) {
            for (int j = 0; j < kVariables; ++j) row[j] = Columns()[j][i];
            t->WriteRow(i, row.data());
        }
        return t;
    }();
    context.SetThreads(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const CorrelationMatrices m = ComputeCorrelationMatrices(*table, nullptr, false);
        benchmark::DoNotOptimize(m.correlation.Data());
    }
}
BENCHMARK(BM_CorrelationOfTable)->Arg(1)->Arg(3)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

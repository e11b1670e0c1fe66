// Speed of the moment matrix, the hot path of every fit: one million
// observations of 20 variables, row-major or in separate columns, on 1, 2,
// 4 and 8 threads (the argument). Beside it, a plain double X'X loop as
// the floor.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "core/numeric/regression_moments.h"
#include "core/numeric/statistics.h"
#include "core/numeric/thread_pool.h"

namespace {

constexpr int kObservations = 1000000;
constexpr int kVariables = 20;

const Matrix& Data() {
    static const Matrix data = [] {
        Matrix m(kObservations, kVariables);
        std::mt19937_64 rng(12345);
        std::normal_distribution<double> noise(0.0, 1.0);
        for (int i = 0; i < kObservations; ++i)
            for (int j = 0; j < kVariables; ++j) m[i][j] = 10.0 * j + noise(rng);
        return m;
    }();
    return data;
}

const std::vector<const double*>& Columns() {
    static const std::vector<Vector> columns = [] {
        std::vector<Vector> c(kVariables, Vector(kObservations, 0.0));
        for (int j = 0; j < kVariables; ++j) Data().GetColumn(j, c[j].Data());
        return c;
    }();
    static const std::vector<const double*> pointers = [] {
        std::vector<const double*> p;
        for (const Vector& c : columns) p.push_back(c.Data());
        return p;
    }();
    return pointers;
}

// A pool of the benchmark's thread count; 1 runs on the calling thread.
std::unique_ptr<ThreadPool> Pool(const benchmark::State& state) {
    return std::make_unique<ThreadPool>(static_cast<int>(state.range(0)));
}

void BM_MomentMatrixRows(benchmark::State& state) {
    const Matrix& data = Data();
    const auto pool = Pool(state);
    LongMatrix m;
    for (auto _ : state) {
        BuildMomentMatrix(data, kObservations, kVariables, m, pool.get());
        benchmark::DoNotOptimize(m.Data());
    }
}
BENCHMARK(BM_MomentMatrixRows)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MomentMatrixColumns(benchmark::State& state) {
    const auto& columns = Columns();
    const auto pool = Pool(state);
    LongMatrix m;
    for (auto _ : state) {
        BuildMomentMatrixFromColumns(columns.data(), kObservations, kVariables, m, pool.get());
        benchmark::DoNotOptimize(m.Data());
    }
}
BENCHMARK(BM_MomentMatrixColumns)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the fit does first: the design (values and the constant) filled
// from the columns and its moments, in one pass.
void BM_DesignFromColumns(benchmark::State& state) {
    const auto& columns = Columns();
    const auto pool = Pool(state);
    std::vector<double> design(static_cast<std::size_t>(kObservations) * (kVariables + 1));
    LongMatrix m;
    for (auto _ : state) {
        BuildDesignFromColumns(columns.data(), kObservations, kVariables, design.data(), kVariables + 1, m,
                               pool.get());
        benchmark::DoNotOptimize(m.Data());
    }
}
BENCHMARK(BM_DesignFromColumns)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each block kernel on one thread (1 portable, 2 AVX2, 3 AVX-512); all
// give the same bits.
void BM_MomentKernel(benchmark::State& state) {
    const auto kernel = static_cast<MomentKernel>(state.range(0));
    if (!MomentKernelAvailable(kernel)) {
        state.SkipWithError("kernel not supported by this processor");
        return;
    }
    const Matrix& data = Data();
    LongMatrix m;
    for (auto _ : state) {
        BuildMomentsFromRows(data.Data(), kObservations, kVariables, kVariables, m, nullptr, kernel);
        benchmark::DoNotOptimize(m.Data());
    }
}
BENCHMARK(BM_MomentKernel)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// The correlation matrix of a table of 1,000,000 rows by 20 columns (goal
// <= 0.05 s on all cores).
void BM_CorrelationMatrixOfTable(benchmark::State& state) {
    const Matrix& data = Data();
    const auto pool = Pool(state);
    Matrix r;
    for (auto _ : state) {
        ComputeCorrelationMatrix(data, kObservations, kVariables, r, pool.get());
        benchmark::DoNotOptimize(r.Data());
    }
}
BENCHMARK(BM_CorrelationMatrixOfTable)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: uncentred X'X summed in double, one thread.
void BM_PlainCrossProducts(benchmark::State& state) {
    const Matrix& data = Data();
    std::vector<double> acc(kVariables * kVariables);
    for (auto _ : state) {
        std::fill(acc.begin(), acc.end(), 0.0);
        for (int r = 0; r < kObservations; ++r) {
            const double* row = data.Data() + static_cast<long long>(r) * kVariables;
            for (int i = 0; i < kVariables; ++i)
                for (int j = 0; j <= i; ++j) acc[i * kVariables + j] += row[i] * row[j];
        }
        benchmark::DoNotOptimize(acc.data());
    }
}
BENCHMARK(BM_PlainCrossProducts)->Unit(benchmark::kMillisecond);

}  // namespace

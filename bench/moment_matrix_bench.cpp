// Speed of the moment matrix, the hot path of every fit: one million
// observations of 21 variables. Beside it, a plain double X'X loop as the
// floor and the one-pass provisional-means update as the reference.
#include <benchmark/benchmark.h>

#include <random>

#include "core/numeric/statistics.h"

namespace {

constexpr int kObservations = 1000000;
constexpr int kVariables = 21;

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

void BM_MomentMatrixRows(benchmark::State& state) {
    const Matrix& data = Data();
    LongMatrix m;
    for (auto _ : state) {
        BuildMomentMatrix(data, kObservations, kVariables, m);
        benchmark::DoNotOptimize(m.Data());
    }
}
BENCHMARK(BM_MomentMatrixRows)->Unit(benchmark::kMillisecond);

void BM_MomentMatrixColumns(benchmark::State& state) {
    const Matrix& data = Data();
    static const std::vector<Vector> columns = [&] {
        std::vector<Vector> c(kVariables, Vector(kObservations, 0.0));
        for (int j = 0; j < kVariables; ++j) data.GetColumn(j, c[j].Data());
        return c;
    }();
    std::vector<const double*> pointers;
    for (const Vector& c : columns) pointers.push_back(c.Data());
    LongMatrix m;
    for (auto _ : state) {
        BuildMomentMatrixFromColumns(pointers.data(), kObservations, kVariables, m);
        benchmark::DoNotOptimize(m.Data());
    }
}
BENCHMARK(BM_MomentMatrixColumns)->Unit(benchmark::kMillisecond);

// The floor: uncentred X'X summed in double.
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

// The one-pass provisional-means update in extended precision.
void BM_ProvisionalMeansOnePass(benchmark::State& state) {
    const Matrix& data = Data();
    LongMatrix m(kVariables + 1, kVariables + 1);
    double x[kVariables];
    for (auto _ : state) {
        ZeroVector(m);
        for (int r = 0; r < kObservations; ++r) {
            data.GetRow(r, x);
            AddObservationToMoments(m, x, r, kVariables);
        }
        SweepMomentMatrix(m, kObservations, kVariables);
        benchmark::DoNotOptimize(m.Data());
    }
}
BENCHMARK(BM_ProvisionalMeansOnePass)->Unit(benchmark::kMillisecond);

}  // namespace

// Speed of the univariate statistics window on 1,000,000 observations.
// Goals: everything computed at load (sort, moments, scores, W, A^2, D,
// rank correlations, autocorrelations and partial autocorrelations to lag
// 40, the tests of randomness) at most 1 s; the periodogram for periods
// 1..2,000 at most 1 s; writing the report text at most 2 s.
#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <vector>

#include "core/numeric/thread_pool.h"
#include "stats/univariate_periodogram.h"
#include "stats/univariate_randomness.h"
#include "stats/univariate_report.h"
#include "stats/univariate_statistics.h"

namespace {

constexpr int kCount = 1000000;

const std::vector<double>& Series() {
    static const std::vector<double> x = [] {
        std::mt19937_64 gen(2024);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> v(kCount);
        double level = 50.0;
        for (double& e : v) {
            level = 0.6 * level + 20.0 + normal(gen);
            e = level + 0.5 * normal(gen);
        }
        return v;
    }();
    return x;
}

void BM_UnivariateLoad(benchmark::State& state) {
    const std::vector<double>& x = Series();
    for (auto _ : state) {
        UnivariateStatistics s = ComputeUnivariateStatistics(x.data(), kCount, 40);
        benchmark::DoNotOptimize(s.swW);
    }
}
BENCHMARK(BM_UnivariateLoad)->Unit(benchmark::kMillisecond);

// The largest lag the window allows: autocorrelations through the
// transform, partial autocorrelations quadratic in the lag.
void BM_AutocorrelationLargestLag(benchmark::State& state) {
    const std::vector<double>& x = Series();
    for (auto _ : state) {
        RandomnessTests t = ComputeRandomnessTests(x.data(), kCount, kLargestAutocorrelationLag);
        benchmark::DoNotOptimize(t.ljungBox);
    }
}
BENCHMARK(BM_AutocorrelationLargestLag)->Unit(benchmark::kMillisecond);

// threads 1: on the calling thread alone.
void BM_Periodogram2000(benchmark::State& state) {
    const std::vector<double>& x = Series();
    const int threads = static_cast<int>(state.range(0));
    ThreadPool pool(threads);
    for (auto _ : state) {
        PeriodogramValues p = ComputePeriodogram(x.data(), kCount, 1, 2000, threads > 1 ? &pool : nullptr);
        benchmark::DoNotOptimize(p.value.data());
    }
}
BENCHMARK(BM_Periodogram2000)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_UnivariateReport(benchmark::State& state) {
    const std::vector<double>& x = Series();
    static const UnivariateStatistics s = ComputeUnivariateStatistics(x.data(), kCount, 40);
    UnivariateReportInput in;
    in.name = "系列";
    in.stats = &s;
    in.frequency.classes = {{-1e308, 40.0, 100}, {40.0, 60.0, 999800}, {60.0, 1e308, 100}};
    in.periodEnd = kCount + 1;
    for (auto _ : state) {
        std::ofstream out("/dev/null", std::ios::binary);
        WriteUnivariateReport(out, in);
    }
}
BENCHMARK(BM_UnivariateReport)->Unit(benchmark::kMillisecond);

}  // namespace

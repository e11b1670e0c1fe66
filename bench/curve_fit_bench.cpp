// Speed of the curve fitter: the Box-Cox lambda search over its 2,043 grid
// points on 1e5 and 1e6 points, and a straight-line fit with every per-point
// diagnostic, the Durbin-Watson ratio and the heteroskedasticity statistic
// on 1e6 points, on 1, 4 and 8 threads. Goals: search on 1e5 points
// <= 0.5 s, line fit on 1e6 points <= 0.1 s.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "core/numeric/thread_pool.h"
#include "stats/box_cox_search.h"
#include "stats/curve_fit.h"

namespace {

struct Sample {
    std::vector<double> x, y;
};

const Sample& PositiveSample(int n) {
    static std::vector<std::unique_ptr<Sample>> made;
    for (const auto& s : made)
        if (static_cast<int>(s->x.size()) == n) return *s;
    auto s = std::make_unique<Sample>();
    std::mt19937_64 gen(2024);
    std::normal_distribution<double> normal(0.0, 1.0);
    s->x.resize(n);
    s->y.resize(n);
    for (int i = 0; i < n; ++i) {
        s->x[i] = 1.0 + 9.0 * (i + 0.5) / n;
        s->y[i] = std::exp(0.5 + 0.2 * s->x[i] + 0.1 * normal(gen));
    }
    made.push_back(std::move(s));
    return *made.back();
}

void BM_BoxCoxSearch(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ThreadPool pool(static_cast<int>(state.range(1)));
    const Sample& s = PositiveSample(n);
    BoxCoxSearchResult r;
    for (auto _ : state) {
        r = SearchBoxCoxLambda(s.x.data(), s.y.data(), n, BoxCoxMode::kY, &pool);
        benchmark::DoNotOptimize(r.lambda);
    }
    state.counters["grid"] = r.gridPoints;
}
BENCHMARK(BM_BoxCoxSearch)
    ->Args({100000, 1})->Args({100000, 4})->Args({100000, 8})->Args({1000000, 8})
    ->Unit(benchmark::kMillisecond);

void BM_StraightLineWithDiagnostics(benchmark::State& state) {
    const int n = 1000000;
    ThreadPool pool(static_cast<int>(state.range(0)));
    const Sample& s = PositiveSample(n);
    TSRA fit("x", s.x.data(), "y", s.y.data(), n, &pool);
    double dw = 0, gk = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fit.FitCurve(0));
        dw = fit.GetDurbinWatson();
        gk = fit.GetHeteroskedasticity();
        benchmark::DoNotOptimize(dw + gk);
    }
    state.counters["press"] = fit.Press();
}
BENCHMARK(BM_StraightLineWithDiagnostics)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

// Speed of the probit fit on 100,000 observations: the simplex search from
// the least-squares line, each likelihood one pass over the observations
// spread over the pool. Goal: at most 0.3 s on all cores.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "core/numeric/thread_pool.h"
#include "stats/limited_dependent.h"

namespace {

constexpr int kObs = 100000;

struct ProbitData {
    std::vector<double> x, y;
    double alpha = 0.0, beta = 0.0;  // the least-squares line
};

const ProbitData& Data() {
    static const ProbitData data = [] {
        ProbitData d;
        std::mt19937_64 gen(1234);
        std::normal_distribution<double> normal(0.0, 1.0);
        d.x.resize(kObs);
        d.y.resize(kObs);
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (int i = 0; i < kObs; ++i) {
            d.x[i] = 2.0 + normal(gen);
            d.y[i] = -0.6 + 0.45 * d.x[i] + normal(gen) > 0.0 ? 1.0 : 0.0;
            sx += d.x[i];
            sy += d.y[i];
            sxx += d.x[i] * d.x[i];
            sxy += d.x[i] * d.y[i];
        }
        d.beta = (sxy - sx * sy / kObs) / (sxx - sx * sx / kObs);
        d.alpha = sy / kObs - d.beta * sx / kObs;
        return d;
    }();
    return data;
}

// range(0): threads.
void BM_ProbitFit(benchmark::State& state) {
    const ProbitData& d = Data();
    ThreadPool pool(static_cast<int>(state.range(0)));
    LimitedDependentFit fit;
    for (auto _ : state)
        fit = FitLimitedDependent(LimitedDependentModel::kProbit, d.x.data(), d.y.data(), kObs, d.alpha, d.beta, 1.0,
                                  &pool);
    state.counters["alpha"] = fit.alpha;
    state.counters["beta"] = fit.beta;
    state.counters["iterations"] = fit.iterations;
}

// One likelihood evaluation, for the cost per observation.
void BM_ProbitLikelihood(benchmark::State& state) {
    const ProbitData& d = Data();
    ThreadPool pool(static_cast<int>(state.range(0)));
    const double params[3] = {d.alpha, d.beta, 1.0};
    double value = 0.0;
    for (auto _ : state) benchmark::DoNotOptimize(value = ProbitNegLogLikelihood(params, d.x.data(), d.y.data(), kObs, &pool));
    state.counters["value"] = value;
}

}  // namespace

BENCHMARK(BM_ProbitLikelihood)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ProbitFit)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

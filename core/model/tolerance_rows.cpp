#include "core/model/tolerance_rows.h"

#include "core/model/regression_model.h"
#include "core/numeric/thread_pool.h"
#include "core/numeric/tolerance_interval.h"

#include <algorithm>

namespace {

constexpr int kRowsPerTask = 8192;

}  // namespace

ToleranceRows GetObservationToleranceIntervals(const Reg& reg, double probability, double confidence) {
    const RegFit& fit = reg.Fit();
    const int n = reg.GetObsCount();
    const int k = reg.GetVarCount();
    const std::vector<int> swept = reg.SweptIndices();
    const std::size_t m = swept.size();
    // The swept columns, the constant's as ones.
    std::vector<std::vector<double>> columns(m);
    std::vector<double> ones;
    for (std::size_t a = 0; a < m; ++a) {
        if (swept[a] < k) {
            reg.GetVarValues(swept[a], columns[a]);
        } else {
            columns[a].assign(static_cast<std::size_t>(n), 1.0);
        }
    }
    const ToleranceQuantiles quantiles = MakeToleranceQuantiles(n, fit.residualDf, confidence, probability);
    ToleranceRows rows;
    rows.fitted.resize(static_cast<std::size_t>(n));
    rows.lower.resize(static_cast<std::size_t>(n));
    rows.upper.resize(static_cast<std::size_t>(n));
    // Rows are independent: chunks of them go to the data set's pool, each
    // row summed exactly as a single point is.
    auto chunk = [&](int task) {
        std::vector<double> x(m);
        const int first = task * kRowsPerTask;
        const int last = std::min(n, first + kRowsPerTask);
        for (int i = first; i < last; ++i) {
            const auto r = static_cast<std::size_t>(i);
            for (std::size_t a = 0; a < m; ++a) x[a] = columns[a][r];
            long double prediction = 0.0L, q = 0.0L;
            for (std::size_t a = 0; a < m; ++a) {
                prediction += static_cast<long double>(fit.coef.At(swept[a])) * x[a];
                long double row = 0.0L;
                for (std::size_t b = 0; b < m; ++b) row += fit.moments[swept[a]][swept[b]] * x[b];
                q += x[a] * row;
            }
            const double half = ToleranceHalfWidth(quantiles, static_cast<double>(q), fit.s2);
            const double yhat = static_cast<double>(prediction);
            rows.fitted[r] = yhat;
            rows.lower[r] = yhat - half;
            rows.upper[r] = yhat + half;
        }
    };
    const int tasks = (n + kRowsPerTask - 1) / kRowsPerTask;
    if (ThreadPool* pool = reg.Pool(); pool && tasks > 1) {
        pool->ParallelFor(tasks, chunk);
    } else {
        for (int t = 0; t < tasks; ++t) chunk(t);
    }
    return rows;
}

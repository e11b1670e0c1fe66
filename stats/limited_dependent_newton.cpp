#include "stats/limited_dependent_newton.h"

#include <cmath>
#include <vector>

#include "core/numeric/censored_normal.h"
#include "core/numeric/matrix.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/newton_minimum.h"
#include "core/numeric/thread_pool.h"
#include "platform/numeric_tolerances.h"

namespace {

constexpr int kBlockRows = 8192;
constexpr double kInvSqrtTwoPi = 0.3989422804014327;
constexpr double kInvSqrtTwo = 0.7071067811865476;

double LowerTail(double w) { return 0.5 * std::erfc(-w * kInvSqrtTwo); }
double Density(double w) { return kInvSqrtTwoPi * std::exp(-0.5 * w * w); }

using Values = std::vector<double>;
using Objective = NewtonObjective;
using Derivatives = NewtonDerivatives;


// Per block, the k gradient sums and the k x k second-derivative sums of
// term(i, g, h), combined in block order: the same sums on any number of
// threads.
template <class Term>
void BlockSums(ThreadPool* pool, int n, int k, Values& g, Values& h, const Term& term) {
    const std::size_t width = static_cast<std::size_t>(k) * (k + 1);
    const int blocks = (n + kBlockRows - 1) / kBlockRows;
    std::vector<double> partial(static_cast<std::size_t>(blocks) * width, 0.0);
    ForEachBlock(pool, n, kBlockRows, [&](long long first, int count) {
        double* out = partial.data() + static_cast<std::size_t>(first / kBlockRows) * width;
        for (long long i = first; i < first + count; ++i) term(static_cast<int>(i), out, out + k);
    });
    std::vector<long double> sum(width, 0.0L);
    for (int b = 0; b < blocks; ++b)
        for (std::size_t e = 0; e < width; ++e) sum[e] += partial[static_cast<std::size_t>(b) * width + e];
    g.assign(static_cast<std::size_t>(k), 0.0);
    h.assign(static_cast<std::size_t>(k) * k, 0.0);
    for (int j = 0; j < k; ++j) g[static_cast<std::size_t>(j)] = static_cast<double>(sum[static_cast<std::size_t>(j)]);
    for (std::size_t e = 0; e < h.size(); ++e) h[e] = static_cast<double>(sum[static_cast<std::size_t>(k) + e]);
}

// The truncated model in phi = (alpha' / sigma, beta / sigma, 1 / sigma),
// w = phi_0 + phi_1 x, e = t y - w: each point adds log Phi(w) - log t +
// e^2 / 2 (the log Phi term constant below the likelihood's floor).
void TruncatedDerivatives(ThreadPool* pool, const std::vector<double>& x, const double* y, const Values& phi,
                          Values& g, Values& h) {
    const double t = phi[2];
    BlockSums(pool, static_cast<int>(x.size()), 3, g, h, [&](int i, double* gs, double* hs) {
        const double v[2] = {1.0, x[static_cast<std::size_t>(i)]};
        const double w = phi[0] + phi[1] * v[1], e = t * y[i] - w;
        double lambda = 0.0, slope = 0.0;
        if (const double p = LowerTail(w); p > kDoubleEpsilon) {
            lambda = Density(w) / p;
            slope = -lambda * (w + lambda);
        }
        for (int a = 0; a < 2; ++a) {
            gs[a] += (lambda - e) * v[a];
            for (int b = 0; b < 2; ++b) hs[a * 3 + b] += (slope + 1.0) * v[a] * v[b];
            hs[a * 3 + 2] -= y[i] * v[a];
        }
        gs[2] += e * y[i];
        hs[8] += y[i] * y[i];
    });
    const double n = static_cast<double>(x.size());
    g[2] -= n / t;
    h[8] += n / (t * t);
    h[6] = h[2];
    h[7] = h[5];
}

// Probit in (alpha', beta), w = alpha' + beta x: each point adds
// -(y log Phi(w) + (1 - y) log(1 - Phi(w))), a logarithm below the floor
// a constant.
void ProbitDerivatives(ThreadPool* pool, const std::vector<double>& x, const double* y, const Values& phi, Values& g,
                       Values& h) {
    BlockSums(pool, static_cast<int>(x.size()), 2, g, h, [&](int i, double* gs, double* hs) {
        const double v[2] = {1.0, x[static_cast<std::size_t>(i)]};
        const double w = phi[0] + phi[1] * v[1], density = Density(w);
        // One tail serves both probabilities, as in the likelihood.
        const double tail = LowerTail(-std::fabs(w));
        const double p = w >= 0.0 ? 1.0 - tail : tail, q = w >= 0.0 ? tail : 1.0 - tail;
        double first = 0.0, second = 0.0;
        if (p > kDoubleEpsilon) {
            const double l1 = density / p;
            first -= y[i] * l1;
            second += y[i] * l1 * (w + l1);
        }
        if (q > kDoubleEpsilon) {
            const double l0 = density / q;
            first += (1.0 - y[i]) * l0;
            second += (1.0 - y[i]) * l0 * (l0 - w);
        }
        for (int a = 0; a < 2; ++a) {
            gs[a] += first * v[a];
            for (int b = 0; b < 2; ++b) hs[a * 2 + b] += second * v[a] * v[b];
        }
    });
}

}  // namespace

bool PolishLimitedDependent(LimitedDependentModel model, const double* x, const double* y, int n, double* point,
                            ThreadPool* pool) {
    if (n < 1) return false;
    // x shifted near its mean, as the moment method shifts a column.
    const long long count = MomentSampleCount(n);
    std::vector<double> sample(static_cast<std::size_t>(count));
    for (long long t = 0; t < count; ++t) sample[static_cast<std::size_t>(t)] = x[MomentSampleRow(t, n)];
    double shift = 0.0;
    MomentShiftFromSample(sample.data(), count, 1, 1, &shift);
    std::vector<double> xc(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) xc[static_cast<std::size_t>(i)] = x[i] - shift;
    // alpha' = alpha + beta shift: the intercept at the centre of x.
    const double alpha = static_cast<double>(point[0] + static_cast<long double>(point[1]) * shift);
    const double beta = point[1], sigma = point[2];
    double found[3] = {alpha, beta, sigma};

    if (model == LimitedDependentModel::kCensored) {
        // The censored model is Tobit's with one regressor: its Newton.
        if (!(sigma > 0.0)) return false;
        Matrix data(n, 3);
        for (int i = 0; i < n; ++i) {
            data[i][0] = xc[static_cast<std::size_t>(i)];
            data[i][1] = 1.0;
            data[i][2] = y[i];
        }
        std::vector<double> theta = {beta, alpha, sigma};
        double value = 0.0;
        TobitNewtonRun run;
        if (!TobitNewton(data, theta, value, pool, run)) return false;
        found[0] = theta[1];
        found[1] = theta[0];
        found[2] = theta[2];
    } else if (model == LimitedDependentModel::kTruncated) {
        if (!(sigma > 0.0)) return false;
        Values phi = {alpha / sigma, beta / sigma, 1.0 / sigma};
        const Objective f = [&](const Values& v) {
            if (!(v[2] > 0.0)) return kLimitedDependentPenalty;
            const double natural[3] = {v[0] / v[2], v[1] / v[2], 1.0 / v[2]};
            return TruncatedNegLogLikelihood(natural, xc.data(), y, n, pool);
        };
        const Derivatives d = [&](const Values& v, Values& g, Values& h) { TruncatedDerivatives(pool, xc, y, v, g, h); };
        if (double value = 0.0; !NewtonMinimum(phi, value, f, d)) return false;
        found[0] = phi[0] / phi[2];
        found[1] = phi[1] / phi[2];
        found[2] = 1.0 / phi[2];
    } else {
        Values phi = {alpha, beta};
        const Objective f = [&](const Values& v) {
            const double natural[3] = {v[0], v[1], sigma};
            return ProbitNegLogLikelihood(natural, xc.data(), y, n, pool);
        };
        const Derivatives d = [&](const Values& v, Values& g, Values& h) { ProbitDerivatives(pool, xc, y, v, g, h); };
        if (double value = 0.0; !NewtonMinimum(phi, value, f, d)) return false;
        found[0] = phi[0];
        found[1] = phi[1];
    }
    for (double v : found)
        if (!std::isfinite(v)) return false;
    point[0] = static_cast<double>(found[0] - static_cast<long double>(found[1]) * shift);
    point[1] = found[1];
    if (model != LimitedDependentModel::kProbit) point[2] = found[2];
    return true;
}

// Restricted: the restriction algebra on the centred parameters and the
// pass over the observations.
//
// With X = [Z, 1] and Zc the centred regressors, X b = Zc g_s + 1 g_c where
// g_s are the slopes and g_c = b_c + mean(Z)' g_s; in these parameters
// X'X is block diagonal, diag(Zc'Zc, n), and a restriction R b = r reads
// (R_s - R_c mean(Z)') g_s + R_c g_c = r.
#include <algorithm>

#include "core/model/leverage_forms.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/thread_pool.h"
#include "core/settings/engine_context.h"
#include "estimators/restricted_solution.h"

namespace {

// A pivot of R (X'X)^-1 R' this small against its column is no pivot.
constexpr double kRestrictionPivot = 1e-28;

long double Wide(const DoubleDouble& x) { return x.ToLongDouble(); }

}  // namespace

Restricted::Solution Restricted::Solve() const {
    Solution s;
    const int p = k_ - 1, k = k_, m = m_;
    const std::size_t ps = static_cast<std::size_t>(p);
    DDMatrix rc(m, k);  // the restrictions on the centred parameters
    for (int j = 0; j < m; ++j) {
        const DoubleDouble onConstant = rMatrix_[j][p];
        for (int i = 0; i < p; ++i) rc(j, i) = DoubleDouble(rMatrix_[j][i]) - onConstant * means_[static_cast<std::size_t>(i)];
        rc(j, p) = onConstant;
    }
    // G^-1 = diag(S^-1, 1/n).
    DDMatrix gInverse(k, k);
    for (int i = 0; i < p; ++i)
        for (int l = 0; l < p; ++l) gInverse(i, l) = sInverse_[static_cast<std::size_t>(i) * ps + l];
    gInverse(p, p) = DoubleDouble(1.0) / DoubleDouble(static_cast<double>(n_));

    const DDMatrix h = gInverse.Times(rc.Transpose());  // k x m
    const DDMatrix d = rc.Times(h);                      // m x m
    DDMatrix dInverse;
    if (!d.Invert(dInverse, kRestrictionPivot)) return s;
    const DDMatrix w = h.Times(dInverse);  // k x m

    std::vector<DoubleDouble> gammaOls(static_cast<std::size_t>(k));
    for (int i = 0; i < p; ++i) gammaOls[static_cast<std::size_t>(i)] = slopes_[static_cast<std::size_t>(i)];
    gammaOls[ps] = yMean_;
    std::vector<DoubleDouble> gap(static_cast<std::size_t>(m));
    for (int j = 0; j < m; ++j) {
        DoubleDouble v = r_[static_cast<std::size_t>(j)];
        for (int i = 0; i < k; ++i) v -= rc(j, i) * gammaOls[static_cast<std::size_t>(i)];
        gap[static_cast<std::size_t>(j)] = v;
    }
    s.gamma = gammaOls;
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < m; ++j) s.gamma[static_cast<std::size_t>(i)] += w(i, j) * gap[static_cast<std::size_t>(j)];
    for (int a = 0; a < m; ++a)
        for (int b = 0; b < m; ++b) s.sseIncrease += gap[static_cast<std::size_t>(a)] * dInverse(a, b) * gap[static_cast<std::size_t>(b)];

    // A = I - W R has trace k - trace(W R) in either parametrisation.
    DoubleDouble traceWR;
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < m; ++j) traceWR += w(i, j) * rc(j, i);
    s.traceA = (DoubleDouble(static_cast<double>(k)) - traceWR).ToDouble();

    s.centredCov = gInverse;
    const DDMatrix correction = w.Times(h.Transpose());
    for (int i = 0; i < k; ++i)
        for (int l = 0; l < k; ++l) s.centredCov(i, l) -= correction(i, l);

    // Back to the coefficients: b_s = g_s, b_c = g_c - mean' g_s, and the
    // covariance T C T' with T = [[I, 0], [-mean', 1]].
    s.coef = s.gamma;
    for (int i = 0; i < p; ++i) s.coef[ps] -= means_[static_cast<std::size_t>(i)] * s.gamma[static_cast<std::size_t>(i)];
    DDMatrix u = s.centredCov;
    for (int l = 0; l < k; ++l)
        for (int i = 0; i < p; ++i) u(p, l) -= means_[static_cast<std::size_t>(i)] * s.centredCov(i, l);
    s.cov = u;
    for (int r = 0; r < k; ++r)
        for (int i = 0; i < p; ++i) s.cov(r, p) -= u(r, i) * means_[static_cast<std::size_t>(i)];
    s.ok = true;
    return s;
}

long double Restricted::ObservationPass(const Solution& s, std::vector<double>& fitted, std::vector<double>& resid,
                                        std::vector<double>& lever) const {
    if (doublePass_) return DoubleObservationPass(s, fitted, resid, lever);
    const int p = k_ - 1;
    const std::size_t ps = static_cast<std::size_t>(p);
    std::vector<long double> mean(ps), slope(ps), c(ps * ps), cConstant(ps);
    for (std::size_t i = 0; i < ps; ++i) {
        mean[i] = Wide(means_[i]);
        slope[i] = Wide(s.gamma[i]);
        // Off-diagonal terms of the quadratic form come twice.
        for (std::size_t l = 0; l < ps; ++l) c[i * ps + l] = Wide(s.centredCov(static_cast<int>(i), static_cast<int>(l))) * (l == i ? 1 : 2);
        cConstant[i] = 2 * Wide(s.centredCov(static_cast<int>(i), p));
    }
    const long double cc = Wide(s.centredCov(p, p));
    const long double fittedMean = Wide(s.gamma[ps]);
    const long double yMean = Wide(yMean_);
    // The fitted mean's distance from the observed one.
    const long double meanShift = Wide(s.gamma[ps] - yMean_);

    const int chunks = static_cast<int>((n_ + kMomentChunkRows - 1) / kMomentChunkRows);
    std::vector<long double> chunkSse(static_cast<std::size_t>(chunks), 0.0L);
    ForEachBlock(context_->Pool(), n_, kMomentChunkRows, [&](long long first, int count) {
        std::vector<long double> z(ps);
        long double sse = 0.0L;
        for (long long i = first; i < first + count; ++i) {
            const double* row = data_[static_cast<int>(i)];
            long double along = 0.0L, h = cc;
            for (std::size_t a = 0; a < ps; ++a) {
                z[a] = row[a] - mean[a];
                along += z[a] * slope[a];
            }
            for (std::size_t a = 0; a < ps; ++a) {
                const long double* ca = &c[a * ps];
                long double t = cConstant[a];
                for (std::size_t b = a; b < ps; ++b) t += ca[b] * z[b];
                h += z[a] * t;
            }
            const long double e = (row[p] - yMean) - along - meanShift;
            const std::size_t ui = static_cast<std::size_t>(i);
            fitted[ui] = static_cast<double>(fittedMean + along);
            resid[ui] = static_cast<double>(e);
            lever[ui] = LeverageSnappedToOne(static_cast<double>(h));
            sse += e * e;
        }
        chunkSse[static_cast<std::size_t>(first / kMomentChunkRows)] = sse;
    });
    long double total = 0.0L;
    for (long double v : chunkSse) total += v;
    return total;
}

long double Restricted::DoubleObservationPass(const Solution& s, std::vector<double>& fitted,
                                              std::vector<double>& resid, std::vector<double>& lever) const {
    // Blocks of observations held by column, so that every step runs along
    // the observations of the block.
    constexpr int kBlock = 64;
    const int p = k_ - 1;
    const std::size_t ps = static_cast<std::size_t>(p);
    std::vector<double> mean(ps), slope(ps), c(ps * ps), cConstant(ps);
    for (std::size_t i = 0; i < ps; ++i) {
        mean[i] = means_[i].ToDouble();
        slope[i] = s.gamma[i].ToDouble();
        for (std::size_t l = 0; l < ps; ++l) c[i * ps + l] = s.centredCov(static_cast<int>(i), static_cast<int>(l)).ToDouble() * (l == i ? 1 : 2);
        cConstant[i] = 2 * s.centredCov(static_cast<int>(i), p).ToDouble();
    }
    const double cc = s.centredCov(p, p).ToDouble();
    const double fittedMean = s.gamma[ps].ToDouble();
    const double yMean = yMean_.ToDouble();
    const double meanShift = (s.gamma[ps] - yMean_).ToDouble();
    const long long stride = k_ + 1;
    const double* values = data_.Data();

    const int chunks = static_cast<int>((n_ + kMomentChunkRows - 1) / kMomentChunkRows);
    std::vector<long double> chunkSse(static_cast<std::size_t>(chunks), 0.0L);
    ForEachBlock(context_->Pool(), n_, kMomentChunkRows, [&](long long first, int count) {
        std::vector<double> z(ps * kBlock);
        double along[kBlock], h[kBlock], e[kBlock];
        long double sse = 0.0L;
        for (long long b0 = first; b0 < first + count; b0 += kBlock) {
            const int len = static_cast<int>(std::min<long long>(kBlock, first + count - b0));
            for (int r = 0; r < len; ++r) {
                const double* row = values + (b0 + r) * stride;
                for (std::size_t a = 0; a < ps; ++a) z[a * kBlock + r] = row[a] - mean[a];
                e[r] = (row[p] - yMean) - meanShift;
                along[r] = 0.0;
                h[r] = cc;
            }
            for (std::size_t a = 0; a < ps; ++a) {
                const double* za = &z[a * kBlock];
                const double sa = slope[a];
                for (int r = 0; r < len; ++r) along[r] += za[r] * sa;
                double t[kBlock];
                for (int r = 0; r < len; ++r) t[r] = cConstant[a];
                for (std::size_t b = a; b < ps; ++b) {
                    const double cab = c[a * ps + b];
                    const double* zb = &z[b * kBlock];
                    for (int r = 0; r < len; ++r) t[r] += cab * zb[r];
                }
                for (int r = 0; r < len; ++r) h[r] += za[r] * t[r];
            }
            double blockSse = 0.0;
            for (int r = 0; r < len; ++r) {
                const std::size_t i = static_cast<std::size_t>(b0 + r);
                const double er = e[r] - along[r];
                fitted[i] = fittedMean + along[r];
                resid[i] = er;
                lever[i] = LeverageSnappedToOne(h[r]);
                blockSse += er * er;
            }
            sse += blockSse;
        }
        chunkSse[static_cast<std::size_t>(first / kMomentChunkRows)] = sse;
    });
    long double total = 0.0L;
    for (long double v : chunkSse) total += v;
    return total;
}

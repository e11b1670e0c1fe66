#include "core/numeric/censored_normal.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/numeric/moment_matrix.h"
#include "core/numeric/newton_minimum.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/thread_pool.h"

namespace {

constexpr int kBlockRows = 4096;
constexpr double kInvSqrtTwoPi = 0.3989422804014327;
constexpr double kInvSqrtTwo = 0.7071067811865476;
constexpr double kHalfLogTwoPi = 0.918938533204673;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

int BlockCount(int n) { return (n + kBlockRows - 1) / kBlockRows; }

double Index(const double* row, const double* beta, int m) {
    double s = 0.0;
    for (int j = 0; j < m; ++j) s += row[j] * beta[j];
    return s;
}

// The gradient and second derivatives of the negative log-likelihood in
// phi = (gamma, t) with gamma = b / sigma, t = 1 / sigma. With
// v = (x, -y): an observed y adds e v and v v' (e = x'gamma - t y) and
// log t to the likelihood; a censored one adds lambda v and
// lambda (u + lambda) v v' with u = t y - x'gamma, lambda = phi(u) / Phi(u)
// (nothing below the floor on Phi that the likelihood has).
void Derivatives(const Matrix& data, const std::vector<double>& phi, ThreadPool* pool, std::vector<double>& g,
                 std::vector<double>& h) {
    const int n = data.Rows(), m = data.Cols() - 1, p = m + 1;
    const int stride = data.Cols();
    const double* base = data.Data();
    const double t = phi[static_cast<std::size_t>(m)];
    const int blocks = (n + kBlockRows - 1) / kBlockRows;
    // Per block: p gradient sums, the upper triangle of the p x p sums
    // (row-major, full rows kept for simple indexing), and the count of
    // observed values.
    const std::size_t width = static_cast<std::size_t>(p) + static_cast<std::size_t>(p) * p + 1;
    std::vector<double> partial(static_cast<std::size_t>(blocks) * width, 0.0);
    ForEachBlock(pool, n, kBlockRows, [&](long long first, int count) {
        double* acc = partial.data() + static_cast<std::size_t>(first / kBlockRows) * width;
        double* gs = acc;
        double* hs = acc + p;
        double observed = 0.0;
        std::vector<double> v(static_cast<std::size_t>(p));
        double* vv = v.data();
        for (long long i = first; i < first + count; ++i) {
            const double* row = base + i * stride;
            const double y = row[m];
            double index = 0.0;
            for (int j = 0; j < m; ++j) index += row[j] * phi[static_cast<std::size_t>(j)];
            double c = 0.0, w = 0.0;
            if (y > 0.0) {
                c = index - t * y;
                w = 1.0;
                observed += 1.0;
            } else {
                const double u = t * y - index;
                const double prob = 0.5 * std::erfc(-u * kInvSqrtTwo);
                if (!(prob > kDoubleEpsilon)) continue;
                const double lambda = kInvSqrtTwoPi * std::exp(-0.5 * u * u) / prob;
                c = lambda;
                w = lambda * (u + lambda);
            }
            for (int j = 0; j < m; ++j) vv[j] = row[j];
            vv[m] = -y;
            for (int j = 0; j < p; ++j) {
                gs[j] += c * vv[j];
                const double wj = w * vv[j];
                double* hr = hs + static_cast<std::size_t>(j) * p;
                for (int k = j; k < p; ++k) hr[k] += wj * vv[k];
            }
        }
        acc[width - 1] = observed;
    });
    std::vector<long double> sum(width, 0.0L);
    for (int b = 0; b < blocks; ++b)
        for (std::size_t k = 0; k < width; ++k) sum[k] += partial[static_cast<std::size_t>(b) * width + k];
    const long double observed = sum[width - 1];
    g.assign(static_cast<std::size_t>(p), 0.0);
    h.assign(static_cast<std::size_t>(p) * p, 0.0);
    for (int j = 0; j < p; ++j) g[static_cast<std::size_t>(j)] = static_cast<double>(sum[static_cast<std::size_t>(j)]);
    g[static_cast<std::size_t>(m)] -= static_cast<double>(observed / t);
    for (int j = 0; j < p; ++j)
        for (int k = j; k < p; ++k) {
            const double s = static_cast<double>(sum[static_cast<std::size_t>(p) + static_cast<std::size_t>(j) * p + k]);
            h[static_cast<std::size_t>(j) * p + k] = h[static_cast<std::size_t>(k) * p + j] = s;
        }
    h[static_cast<std::size_t>(m) * p + m] += static_cast<double>(observed / (static_cast<long double>(t) * t));
}

// (b, sigma) of phi.
std::vector<double> Natural(const std::vector<double>& phi) {
    const std::size_t m = phi.size() - 1;
    std::vector<double> theta(phi.size());
    for (std::size_t j = 0; j < m; ++j) theta[j] = phi[j] / phi[m];
    theta[m] = 1.0 / phi[m];
    return theta;
}

}  // namespace

double TobitLogLikelihood(const Matrix& data, const double* theta, ThreadPool* pool) {
    const int n = data.Rows(), m = data.Cols() - 1;
    const double sigma = theta[m];
    if (!(sigma > 0.0) || !std::isfinite(sigma)) return kInfinity;
    for (int j = 0; j < m; ++j)
        if (!std::isfinite(theta[j])) return kInfinity;
    const double logSigma = std::log(sigma), inv = 1.0 / sigma;
    const int stride = data.Cols();
    const double* base = data.Data();
    // Per block: the sum of z^2 and the count of the observed terms (their
    // log sigma and constant are added once), and the censored terms.
    std::vector<long double> partial(static_cast<std::size_t>(BlockCount(n)), 0.0L);
    ForEachBlock(pool, n, kBlockRows, [&](long long first, int count) {
        double squares = 0.0, censored = 0.0;
        int observed = 0;
        for (long long i = first; i < first + count; ++i) {
            const double* row = base + i * stride;
            const double y = row[m];
            const double z = (y - Index(row, theta, m)) * inv;
            if (y > 0.0) {
                squares += z * z;
                ++observed;
            } else {
                // Phi(z) by erfc, which keeps its digits far to the left and
                // is several times cheaper than the continued fraction of the
                // tail function; an underflow costs -log(eps), not infinity.
                double p = 0.5 * std::erfc(-z * kInvSqrtTwo);
                if (!(p > kDoubleEpsilon)) p = kDoubleEpsilon;
                censored -= std::log(p);
            }
        }
        partial[static_cast<std::size_t>(first / kBlockRows)] =
            static_cast<long double>(observed) * (logSigma + kHalfLogTwoPi) + 0.5L * squares + censored;
    });
    long double total = 0.0L;
    for (long double s : partial) total += s;
    const double value = static_cast<double>(total);
    return std::isfinite(value) ? value : kInfinity;
}

bool TobitNewton(const Matrix& data, std::vector<double>& theta, double& value, ThreadPool* pool,
                 TobitNewtonRun& run) {
    const int p = static_cast<int>(theta.size());
    const int m = p - 1;
    if (m < 1 || data.Cols() != p || !(theta[static_cast<std::size_t>(m)] > 0.0)) return false;
    std::vector<double> phi(theta.size());
    for (int j = 0; j < m; ++j) phi[static_cast<std::size_t>(j)] = theta[static_cast<std::size_t>(j)] / theta[static_cast<std::size_t>(m)];
    phi[static_cast<std::size_t>(m)] = 1.0 / theta[static_cast<std::size_t>(m)];
    // A step that leaves 1 / sigma not positive is refused without a pass.
    const NewtonObjective f = [&](const std::vector<double>& v) {
        if (!(v[static_cast<std::size_t>(m)] > 0.0)) return kInfinity;
        ++run.passes;
        return TobitLogLikelihood(data, Natural(v).data(), pool);
    };
    const NewtonDerivatives d = [&](const std::vector<double>& v, std::vector<double>& g, std::vector<double>& h) {
        ++run.iterations;
        ++run.passes;
        Derivatives(data, v, pool, g, h);
    };
    double current = 0.0;
    if (!NewtonMinimum(phi, current, f, d)) return false;
    theta = Natural(phi);
    value = current;
    return true;
}

bool TobitNewtonAtSigma(const Matrix& data, std::vector<double>& theta, double& value, ThreadPool* pool,
                        TobitNewtonRun& run) {
    const int p = static_cast<int>(theta.size());
    const int m = p - 1;
    const double sigma = theta[static_cast<std::size_t>(m)];
    if (m < 1 || data.Cols() != p || !(sigma > 0.0) || !std::isfinite(sigma)) return false;
    // In gamma = b / sigma with 1 / sigma fixed: the first m derivatives of
    // Olsen's parameters.
    const double t = 1.0 / sigma;
    std::vector<double> gamma(static_cast<std::size_t>(m)), full(theta.size());
    for (int j = 0; j < m; ++j) gamma[static_cast<std::size_t>(j)] = theta[static_cast<std::size_t>(j)] * t;
    const auto natural = [&](const std::vector<double>& v) {
        std::vector<double> th(theta.size());
        for (int j = 0; j < m; ++j) th[static_cast<std::size_t>(j)] = v[static_cast<std::size_t>(j)] * sigma;
        th[static_cast<std::size_t>(m)] = sigma;
        return th;
    };
    const NewtonObjective f = [&](const std::vector<double>& v) {
        ++run.passes;
        return TobitLogLikelihood(data, natural(v).data(), pool);
    };
    const NewtonDerivatives d = [&](const std::vector<double>& v, std::vector<double>& g, std::vector<double>& h) {
        ++run.iterations;
        ++run.passes;
        std::copy(v.begin(), v.end(), full.begin());
        full[static_cast<std::size_t>(m)] = t;
        std::vector<double> gFull, hFull;
        Derivatives(data, full, pool, gFull, hFull);
        g.assign(gFull.begin(), gFull.begin() + m);
        h.resize(static_cast<std::size_t>(m) * m);
        for (int j = 0; j < m; ++j)
            for (int k = 0; k < m; ++k)
                h[static_cast<std::size_t>(j) * m + k] = hFull[static_cast<std::size_t>(j) * p + k];
    };
    double current = 0.0;
    if (!NewtonMinimum(gamma, current, f, d)) return false;
    theta = natural(gamma);
    value = current;
    return true;
}

RegressorShift CentredCopy(const Matrix& data, Matrix& centred, ThreadPool* pool) {
    const int n = data.Rows(), m = data.Cols() - 1, stride = data.Cols();
    RegressorShift s;
    s.shift.assign(static_cast<std::size_t>(std::max(m, 0)), 0.0);
    centred.Replace(data);
    if (n < 1 || m < 1) return s;
    // The shift of the moment method (near the mean, from a sample of rows);
    // the constant term's column is the last one the sample finds all 1.0,
    // checked on every row below.
    const long long count = MomentSampleCount(n);
    std::vector<double> sample(static_cast<std::size_t>(count) * m);
    for (long long t = 0; t < count; ++t)
        std::copy_n(data[static_cast<int>(MomentSampleRow(t, n))], m, sample.data() + t * m);
    for (int j = m - 1; j >= 0 && s.constant < 0; --j) {
        bool ones = true;
        for (long long t = 0; t < count && ones; ++t) ones = sample[static_cast<std::size_t>(t * m + j)] == 1.0;
        if (ones) s.constant = j;
    }
    if (s.constant < 0) return s;
    MomentShiftFromSample(sample.data(), count, m, m, s.shift.data());
    s.shift[static_cast<std::size_t>(s.constant)] = 0.0;

    std::vector<char> ones(static_cast<std::size_t>(BlockCount(n)), 1);
    double* base = centred.Data();
    ForEachBlock(pool, n, kBlockRows, [&](long long first, int rows) {
        char& all = ones[static_cast<std::size_t>(first / kBlockRows)];
        for (long long i = first; i < first + rows; ++i) {
            double* row = base + i * stride;
            if (row[s.constant] != 1.0) all = 0;
            for (int j = 0; j < m; ++j) row[j] -= s.shift[static_cast<std::size_t>(j)];
        }
    });
    for (char all : ones)
        if (!all) {
            // No column of 1.0 after all: nothing is shifted.
            centred.Replace(data);
            return RegressorShift{std::vector<double>(static_cast<std::size_t>(m), 0.0), -1};
        }
    return s;
}

namespace {

void MoveConstant(const RegressorShift& s, double* coef, long double sign) {
    if (s.constant < 0) return;
    long double c = coef[s.constant];
    for (std::size_t j = 0; j < s.shift.size(); ++j) c += sign * static_cast<long double>(s.shift[j]) * coef[j];
    coef[s.constant] = static_cast<double>(c);
}

}  // namespace

void ShiftCoefficients(const RegressorShift& s, double* coef) { MoveConstant(s, coef, 1.0L); }
void UnshiftCoefficients(const RegressorShift& s, double* coef) { MoveConstant(s, coef, -1.0L); }

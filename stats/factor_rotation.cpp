#include "stats/factor_rotation.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/numeric/numeric_helpers.h"
#include "platform/errors.h"

namespace {

const char kMinresErrorText[] = "MINRES ERROR!";
constexpr double kMinresCommunalityTolerance = 1e-7;

void CheckShape(const Matrix& a, int rows, int cols) {
    if (rows < 0 || cols < 0 || a.Rows() < rows || a.Cols() < cols) throw ERangeError("範囲エラー");
}

// Turns columns ca and cb of b (p rows) by the angle that maximises the
// criterion for this pair.
void RotatePair(Matrix& b, int p, int ca, int cb) {
    double sa = 0.0, sb = 0.0, sc = 0.0, sd = 0.0;
    for (int j = 0; j < p; ++j) {
        const double x = b[j][ca], y = b[j][cb];
        const double u = x * x - y * y, w = x * y;
        sa += u;
        sb += 2.0 * w;
        sc += u * u - 4.0 * w * w;
        sd += w * u;
    }
    const double num = 4.0 * sd - 2.0 * sa * sb / p;
    const double den = sc - (sa * sa - sb * sb) / p;
    // The quadrant of 4 phi follows the signs of both terms; the plain
    // arctangent of the quotient can land on the minimum.
    const double phi = 0.25 * std::atan2(num, den);
    const double c = std::cos(phi), s = std::sin(phi);
    for (int j = 0; j < p; ++j) {
        const double x = b[j][ca], y = b[j][cb];
        b[j][ca] = x * c + y * s;
        b[j][cb] = y * c - x * s;
    }
}

}  // namespace

double VarimaxCriterion(const Matrix& b, int m, int p) {
    CheckShape(b, p, m);
    if (p == 0) return 0.0;
    double v = 0.0;
    for (int c = 0; c < m; ++c) {
        double mean = 0.0;
        for (int j = 0; j < p; ++j) mean += b[j][c] * b[j][c];
        mean /= p;
        for (int j = 0; j < p; ++j) {
            const double d = b[j][c] * b[j][c] - mean;
            v += d * d;
        }
    }
    return v;
}

void VarimaxRotate(const Matrix& a, Matrix& b, int m, int p) {
    CheckShape(a, p, m);
    Matrix work(p, m);
    std::vector<double> h(static_cast<std::size_t>(p));
    for (int j = 0; j < p; ++j) {
        double ss = 0.0;
        for (int c = 0; c < m; ++c) ss += a[j][c] * a[j][c];
        h[j] = std::sqrt(ss);
        for (int c = 0; c < m; ++c) work[j][c] = h[j] != 0.0 ? a[j][c] / h[j] : a[j][c];
    }
    if (m >= 2 && p > 0) {
        double prev = 1e38;
        for (int sweep = 0; sweep < kVarimaxMaxSweeps; ++sweep) {
            for (int ca = 0; ca < m - 1; ++ca)
                for (int cb = ca + 1; cb < m; ++cb) RotatePair(work, p, ca, cb);
            const double v = VarimaxCriterion(work, m, p);
            // A zero criterion (all rows equal in every column) has nothing
            // left to gain; a non-finite one cannot improve.
            if (v == 0.0 || !std::isfinite(v)) break;
            if (std::fabs((prev - v) / v) < kSingleEpsilon) break;
            prev = v;
        }
    }
    if (b.Rows() != p || b.Cols() != m) b.Resize(p, m, false);
    for (int j = 0; j < p; ++j)
        for (int c = 0; c < m; ++c) b[j][c] = h[j] != 0.0 ? work[j][c] * h[j] : work[j][c];
}

void MinresFactors(const Matrix& r, int p, int m, Matrix& b) {
    CheckShape(r, p, p);
    CheckShape(b, p, m);
    if (p == 0 || m == 0) return;
    Matrix reduced(p, p), g(p, m), h(m, m), u(m, m);
    std::vector<double> communality(static_cast<std::size_t>(p), 0.0);
    double prev = 1e38;
    // The loadings when the fit index first settled.
    Matrix settledAt;
    for (int iteration = 0; iteration < kMinresMaxIterations; ++iteration) {
        // The reduced matrix keeps R off the diagonal and carries the
        // current communalities (row sums of squared loadings) on it.
        double moved = 0.0;
        for (int i = 0; i < p; ++i) {
            for (int j = 0; j < p; ++j) reduced[i][j] = r[i][j];
            double h2 = 0.0;
            for (int c = 0; c < m; ++c) h2 += b[i][c] * b[i][c];
            moved = std::max(moved, std::fabs(h2 - communality[i]));
            communality[i] = h2;
            reduced[i][i] = h2;
        }
        MultiplyStrided(reduced.Data(), p, 1, b.Data(), b.Cols(), 1, g.Data(), m, 1, p, p, m);
        MultiplyStrided(b.Data(), 1, b.Cols(), g.Data(), m, 1, h.Data(), m, 1, m, p, m);
        double traceH = 0.0;
        for (int c = 0; c < m; ++c) traceH += h[c][c];
        CholeskyDecompose(h.Data(), m, u.Data(), m, m);
        InvertMatrix(u.Data(), m, u.Data(), m, m);
        for (int i = 0; i < p; ++i)
            for (int c = 0; c < m; ++c) {
                double s = 0.0;
                for (int l = 0; l <= c; ++l) s += g[i][l] * u[l][c];
                b[i][c] = s;
            }
        double traceRR = 0.0;
        for (int i = 0; i < p; ++i)
            for (int j = 0; j < p; ++j) traceRR += reduced[i][j] * reduced[j][i];
        const double v = traceH / traceRR;
        if (!std::isfinite(v)) throw EMathError(kMinresErrorText);
        for (int i = 0; i < p; ++i)
            for (int c = 0; c < m; ++c)
                if (!std::isfinite(b[i][c])) throw EMathError(kMinresErrorText);
        // The fit index settles well before the loadings do: iterate on
        // while the communalities still move; if they are still moving at
        // the limit, the loadings of the settled index stand.
        const bool settled = std::fabs((v - prev) / v) <= 1e-6;
        if (settled && moved <= kMinresCommunalityTolerance) return;
        if (settled && settledAt.Count() == 0) settledAt.Replace(b);
        prev = v;
    }
    if (settledAt.Count() == 0) throw EMathError(kMinresErrorText);
    b.Replace(settledAt);
}

#include "core/numeric/statistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "core/numeric/distributions.h"

// ---- series tests and sorts -------------------------------------------------

bool SpreadIsRounding(long double ss, long double raw, int n) {
    constexpr long double eps = kDoubleEpsilon;
    return !(ss > eps * eps * n * raw);
}

namespace {

// The largest magnitude of a series: the scale its rounding is measured
// by (0 when a value is not finite, which then differs from the others).
double LargestMagnitude(const double* a, int n) {
    double m = 0.0;
    for (int i = 0; i < n; ++i) m = std::max(m, std::fabs(a[i]));
    return std::isfinite(m) ? m : 0.0;
}

}  // namespace

double TieTolerance(const double* a, int n) { return kDoubleEpsilon * LargestMagnitude(a, n); }

bool IsConstantSeries(const double* a, int n) {
    const double tolerance = TieTolerance(a, n);
    for (int i = 1; i < n; ++i)
        if (!(std::fabs(a[i] - a[0]) <= tolerance)) return false;
    return true;
}

bool IsZeroSeries(const double* a, int n) {
    for (int i = 0; i < n; ++i)
        if (!(std::fabs(a[i]) <= kDoubleEpsilon)) return false;
    return true;
}

bool IsSameSeries(const double* a, const double* b, int n) {
    const double tolerance = kDoubleEpsilon * std::max(LargestMagnitude(a, n), LargestMagnitude(b, n));
    for (int i = 0; i < n; ++i)
        if (!(std::fabs(b[i] - a[i]) <= tolerance)) return false;
    return true;
}

void FillIndexSequence(double* a, int n) {
    for (int i = 0; i < n; ++i) a[i] = i + 1;
}

void SortIndicesDescending(int* a, int n) {
    for (int gap = n / 2; gap >= 1; gap /= 2) {
        // Each pass moves at least one pair into order, so the passes of a
        // gap end after at most n of them.
        for (int pass = 0; pass <= n; ++pass) {
            bool swapped = false;
            for (int i = 0; i + gap < n; ++i)
                if (a[i] < a[i + gap]) {
                    std::swap(a[i], a[i + gap]);
                    swapped = true;
                }
            if (!swapped) break;
        }
    }
}

namespace {

// The gaps ..., 15, 7, 3, 1 below the smallest power of two above n.
int FirstShellGap(int n) {
    long long p = 1;
    while (p <= n) p *= 2;
    return static_cast<int>((p - 1) / 2);
}

}  // namespace

void ShellSortWithIndex(double* a, int* index, int n, bool ascending) {
    if (index)
        for (int i = 0; i < n; ++i) index[i] = i;
    if (n < 2) return;
    auto outOfOrder = [ascending](double lo, double hi) { return ascending ? hi < lo : hi > lo; };
    for (int gap = FirstShellGap(n); gap >= 1; gap = (gap - 1) / 2) {
        for (int i = 0; i + gap < n; ++i) {
            for (int j = i; j >= 0 && outOfOrder(a[j], a[j + gap]); j -= gap) {
                std::swap(a[j], a[j + gap]);
                if (index) std::swap(index[j], index[j + gap]);
            }
        }
    }
}

void ShellSortPairs(double* keys, double* values, int n) {
    if (n < 2) return;
    for (int gap = FirstShellGap(n); gap >= 1; gap = (gap - 1) / 2) {
        for (int i = 0; i + gap < n; ++i) {
            for (int j = i; j >= 0 && keys[j + gap] < keys[j]; j -= gap) {
                std::swap(keys[j], keys[j + gap]);
                std::swap(values[j], values[j + gap]);
            }
        }
    }
}

// ---- scores, ranks and correlations -----------------------------------------

void NormalScores(double* out, int n, bool halfNormal) {
    if (n < 1) return;
    const double l = std::log10(static_cast<double>(n));
    const double a = 0.327511 + 0.058212 * l - 0.007909 * l * l;
    const double d = n + 1 - 2 * a;
    for (int i = 1; i <= n; ++i) {
        const bool blom = n >= 9 && (i == 1 || i == n);
        double p;
        if (!halfNormal)
            p = blom ? (i - 0.375) / (n + 0.25) : (i - a) / d;
        else
            p = blom ? (n + i - 0.125) / (2.0 * n + 0.5) : (n + i + 1 - 3 * a) / (2 * d);
        out[i - 1] = NormalLowerQuantile(p);
    }
}

namespace {

// Number of pairs i < j with v[i] < v[j], by merge sort (n log n); NaN
// values never count.
long long CountAscendingPairs(std::vector<double> v) {
    const std::size_t n = v.size();
    std::vector<double> tmp(n);
    long long count = 0;
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            // Pairs with i in the left run and j in the right run: for each
            // right element, the left elements strictly below it.
            std::size_t i = lo, j = mid, out = lo;
            // Merge into descending order: left elements strictly below a
            // right element are those not yet taken when it is taken.
            while (i < mid && j < hi) {
                if (v[i] < v[j]) {
                    count += static_cast<long long>(mid - i);
                    tmp[out++] = v[j++];
                } else {
                    tmp[out++] = v[i++];
                }
            }
            while (i < mid) tmp[out++] = v[i++];
            while (j < hi) tmp[out++] = v[j++];
        }
        v.swap(tmp);
    }
    return count;
}

}  // namespace

double RankTransform(bool scale, double* a, double* tau, int n) {
    if (n < 1) return 0.0;
    // Ranks from the sorted values instead of comparing every pair: the
    // values below by more than the tie tolerance form a prefix of the
    // sorted values and the ties a contiguous run.
    std::vector<double> sorted;
    sorted.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        if (!std::isnan(a[i])) sorted.push_back(a[i]);
    std::sort(sorted.begin(), sorted.end());
    const double tie = TieTolerance(sorted.data(), static_cast<int>(sorted.size()));
    std::vector<double> rank(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double x = a[i];
        if (std::isnan(x)) {
            rank[i] = 1.0;
            continue;
        }
        const auto lo = std::partition_point(sorted.begin(), sorted.end(), [x, tie](double y) { return x - y > tie; });
        const auto hi = std::partition_point(lo, sorted.end(), [x, tie](double y) { return x - y >= -tie; });
        long long ties = hi - lo;
        if (std::fabs(x - x) <= tie) --ties;  // not itself
        rank[i] = 1.0 + static_cast<double>(lo - sorted.begin()) + 0.5 * static_cast<double>(ties);
    }
    double rho = 0.0;
    if (tau) {
        long double s = 0.0L;
        for (int i = 0; i < n; ++i) {
            const long double d = (i + 1) - rank[i];
            s += d * d;
        }
        const double nn = n;
        if (n >= 2) {
            *tau = 4.0 * static_cast<double>(CountAscendingPairs(rank)) / (nn * nn - nn) - 1.0;
            rho = static_cast<double>(1.0L - 6.0L * s / (nn * nn * nn - nn));
        } else {
            *tau = 0.0;
        }
    }
    for (int i = 0; i < n; ++i) a[i] = scale ? rank[i] / n : rank[i];
    return rho;
}

void CovarianceToCorrelation(const Matrix& a, int n, Matrix& r) {
    if (n < 0 || n > a.Rows() || n > a.Cols()) throw ERangeError(kRangeErrorText);
    if (r.Rows() != n || r.Cols() != n) r.Resize(n, n, false);
    std::vector<double> root(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) root[i] = std::sqrt(a[i][i]);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            if (i == j)
                r[i][j] = a[i][i] != 0.0 ? 1.0 : 0.0;
            else
                r[i][j] = (root[i] == 0.0 || root[j] == 0.0) ? 0.0 : a[i][j] / (root[i] * root[j]);
        }
}

void ComputeCorrelationMatrix(const Matrix& data, int n, int k, Matrix& r, ThreadPool* pool) {
    Matrix m;
    BuildMomentMatrix(data, n, k, m, pool);
    CovarianceToCorrelation(m, k, r);
}

double ComputeCorrelations(const double* x, const double* y, int n, double* rho, double* tau) {
    long double mx = 0.0L, my = 0.0L, sxx = 0.0L, syy = 0.0L, sxy = 0.0L, rawX = 0.0L, rawY = 0.0L;
    for (int i = 0; i < n; ++i) {
        rawX += static_cast<long double>(x[i]) * x[i];
        rawY += static_cast<long double>(y[i]) * y[i];
        const long double dx = x[i] - mx, dy = y[i] - my;
        const long double w = static_cast<long double>(i) / (i + 1);
        mx += dx / (i + 1);
        my += dy / (i + 1);
        sxx += dx * dx * w;
        syy += dy * dy * w;
        sxy += dx * dy * w;
    }
    const bool flat = SpreadIsRounding(sxx, rawX, n) || SpreadIsRounding(syy, rawY, n);
    const double r = flat ? 0.0 : static_cast<double>(sxy / std::sqrt(sxx * syy));
    if (rho || tau) {
        std::vector<double> rx(x, x + std::max(n, 0)), ry(y, y + std::max(n, 0));
        RankTransform(false, rx.data(), nullptr, n);
        RankTransform(false, ry.data(), nullptr, n);
        const double nn = n;
        if (rho) {
            long double s = 0.0L;
            for (int i = 0; i < n; ++i) {
                const long double d = static_cast<long double>(rx[i]) - ry[i];
                s += d * d;
            }
            *rho = n >= 2 ? static_cast<double>(1.0L - 6.0L * s / (nn * nn * nn - nn)) : 0.0;
        }
        if (tau) {
            // Pairs concordant in both ranks strictly: a pair tied in x
            // counts as one tied in y does, not concordant, whatever the
            // order of the rows. Ties in x sorted by descending y rank are
            // never ascending pairs.
            std::vector<std::pair<double, double>> pairs(static_cast<std::size_t>(std::max(n, 0)));
            for (int i = 0; i < n; ++i) pairs[static_cast<std::size_t>(i)] = {rx[i], -ry[i]};
            std::sort(pairs.begin(), pairs.end());
            for (int i = 0; i < n; ++i) ry[i] = -pairs[static_cast<std::size_t>(i)].second;
            *tau = n >= 2 ? 4.0 * static_cast<double>(CountAscendingPairs(ry)) / (nn * nn - nn) - 1.0 : 0.0;
        }
    }
    return r;
}

// ---- small products -------------------------------------------------------------

namespace {

void CheckSquare(const Matrix& m, int k) {
    if (k < 0 || m.Rows() < k || m.Cols() < k) throw ERangeError(kRangeErrorText);
}

// The leading k x k block of m as a matrix of its own.
Matrix Block(const Matrix& m, int k) {
    Matrix b(k, k);
    b.Assign(m);
    return b;
}

}  // namespace

void SandwichProduct(Matrix& a, Matrix& b, int k) {
    CheckSquare(a, k);
    CheckSquare(b, k);
    const Matrix ak = Block(a, k);
    const Matrix ba = Block(b, k).Multiply(ak.Transpose());
    b.Assign(ba);
    a.Assign(ak.Multiply(ba));
}

void TripleProduct(const Matrix& a, Matrix& b, const Matrix& d, int n) {
    CheckSquare(a, n);
    CheckSquare(b, n);
    CheckSquare(d, n);
    b.Assign(Block(a, n).Multiply(Block(b, n)).Multiply(Block(d, n)));
}

void ComputeCrossProducts(const Matrix& x, const Matrix& y, Matrix& xy, Matrix* xx) {
    if (y.Rows() < x.Rows()) throw ERangeError(kRangeErrorText);
    const int n = x.Rows(), kx = x.Cols(), ky = y.Cols();
    Matrix result(kx, ky);
    MultiplyStrided(x.Data(), 1, kx, y.Data(), ky, 1, result.Data(), ky, 1, kx, n, ky);
    xy.Replace(result);
    if (xx) ComputeGramMatrix(x, *xx);
}

void ComputeGramMatrix(const Matrix& x, Matrix& g) {
    const int n = x.Rows(), k = x.Cols();
    Matrix result(k, k);
    for (int i = 0; i < k; ++i)
        for (int j = 0; j <= i; ++j) {
            long double s = 0.0L;
            for (int r = 0; r < n; ++r) s += static_cast<long double>(x[r][i]) * x[r][j];
            result[i][j] = result[j][i] = static_cast<double>(s);
        }
    g.Replace(result);
}

// ---- diagnostics --------------------------------------------------------------

double ComputeVifAndConditionNumber(const Matrix& r, int k, Vector& vif, Matrix& vectors, Vector& values) {
    if (k < 2) return 0.0;
    CheckSquare(r, k);
    if (!Block(r, k).Eigen(values, vectors)) return 0.0;
    for (double& lambda : values)
        if (std::fabs(lambda) < kSingleEpsilon) lambda = 0.0;
    auto divisor = [](double lambda) { return lambda == 0.0 ? kSingleEpsilon : lambda; };
    if (vif.Count() != k) vif.Resize(k, false);
    for (int i = 0; i < k; ++i) {
        long double s = 0.0L;
        for (int j = 0; j < k; ++j) s += static_cast<long double>(vectors[i][j]) * vectors[i][j] / divisor(values.At(j));
        vif.At(i) = static_cast<double>(s);
    }
    return std::sqrt(values.At(0) / divisor(values.At(k - 1)));
}

double HeteroskedasticityStatistic(const double* x, const double* e, int n) {
    if (n < 1) return 0.0;
    long double mx = 0.0L, my = 0.0L, rawX = 0.0L, rawY = 0.0L;
    for (int i = 0; i < n; ++i) {
        const long double e2 = static_cast<long double>(e[i]) * e[i];
        mx += x[i];
        my += e2;
        rawX += static_cast<long double>(x[i]) * x[i];
        rawY += e2 * e2;
    }
    mx /= n;
    my /= n;
    // A mean within rounding of zero against the values' own size is 0.
    if (mx * mx < kDoubleEpsilon * kDoubleEpsilon * rawX / n) mx = 0.0L;
    if (my * my < kDoubleEpsilon * kDoubleEpsilon * rawY / n) my = 0.0L;
    long double sxx = 0.0L, syy = 0.0L, sxy = 0.0L;
    for (int i = 0; i < n; ++i) {
        const long double dx = x[i] - mx, e2 = static_cast<long double>(e[i]) * e[i];
        sxx += dx * dx;
        syy += (e2 - my) * (e2 - my);
        sxy += dx * e2;
    }
    if (SpreadIsRounding(sxx, rawX, n) || SpreadIsRounding(syy, rawY, n)) return 0.0;
    return static_cast<double>(n * sxy * sxy / (sxx * syy));
}

double DurbinWatson(const double* e, int n) {
    if (n < 2) return 0.0;
    long double numerator = 0.0L, mean = 0.0L, ss = 0.0L;
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            const long double d = static_cast<long double>(e[i]) - e[i - 1];
            numerator += d * d;
        }
        const long double d = e[i] - mean;
        const long double step = d / (i + 1);
        mean += step;
        ss += step * d * i;
    }
    if (ss == 0.0L) return 0.0;
    return static_cast<double>(numerator / ss);
}

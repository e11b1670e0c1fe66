// Box-Cox lambda search by profile likelihood on three grids.
#include "stats/box_cox_search.h"

#include <cmath>
#include <vector>

#include "core/numeric/thread_pool.h"
#include "stats/curve_transforms.h"

namespace {

constexpr int kSumBlock = 256;  // terms summed in double before joining the total
constexpr double kNoCriterion = 1e100;

struct Sums {
    long double a = 0, b = 0, aa = 0, bb = 0, ab = 0;
};

// The data of one search: logarithms taken once, the untransformed variable
// centred once.
struct Prepared {
    int n = 0;
    BoxCoxMode mode = BoxCoxMode::kY;
    std::vector<double> logX, logY;  // where transformed
    std::vector<double> centred;     // the untransformed variable minus its mean
    long double centredSS = 0;       // its sum of squares
    long double sumLogY = 0;
};

bool Prepare(const double* x, const double* y, int n, BoxCoxMode mode, Prepared& d) {
    d.n = n;
    d.mode = mode;
    const bool tx = mode != BoxCoxMode::kY, ty = mode != BoxCoxMode::kX;
    const std::size_t size = static_cast<std::size_t>(n);
    if (tx) d.logX.resize(size);
    if (ty) d.logY.resize(size);
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) return false;
        if (tx) {
            if (!(x[i] > 0.0)) return false;
            d.logX[i] = std::log(x[i]);
        }
        if (ty) {
            if (!(y[i] > 0.0)) return false;
            d.logY[i] = std::log(y[i]);
            d.sumLogY += d.logY[i];
        }
    }
    if (mode == BoxCoxMode::kBoth) return true;
    const double* plain = tx ? y : x;
    long double mean = 0;
    for (int i = 0; i < n; ++i) mean += plain[i];
    mean /= n;
    d.centred.resize(size);
    for (int i = 0; i < n; ++i) {
        d.centred[i] = static_cast<double>(plain[i] - mean);
        d.centredSS += static_cast<long double>(d.centred[i]) * d.centred[i];
    }
    return true;
}

// Residual variance of the straight-line fit at lambda (divisor n).
double Sigma2(const Prepared& d, double lambda) {
    const int n = d.n;
    Sums total;
    if (d.mode == BoxCoxMode::kBoth) {
        const double a0 = BoxCoxOfLog(lambda, d.logX[0]), b0 = BoxCoxOfLog(lambda, d.logY[0]);
        for (int first = 0; first < n; first += kSumBlock) {
            const int last = first + kSumBlock < n ? first + kSumBlock : n;
            double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
            for (int i = first; i < last; ++i) {
                const double a = BoxCoxOfLog(lambda, d.logX[i]) - a0, b = BoxCoxOfLog(lambda, d.logY[i]) - b0;
                sa += a;
                sb += b;
                saa += a * a;
                sbb += b * b;
                sab += a * b;
            }
            total.a += sa, total.b += sb, total.aa += saa, total.bb += sbb, total.ab += sab;
        }
        const long double sxx = total.aa - total.a * total.a / n, syy = total.bb - total.b * total.b / n,
                          sxy = total.ab - total.a * total.b / n;
        const long double sse = sxx > 0 ? syy - sxy * sxy / sxx : syy;
        return static_cast<double>(sse / n);
    }
    // One variable transformed (b), the other centred once (c).
    const std::vector<double>& logs = d.mode == BoxCoxMode::kY ? d.logY : d.logX;
    const double b0 = BoxCoxOfLog(lambda, logs[0]);
    for (int first = 0; first < n; first += kSumBlock) {
        const int last = first + kSumBlock < n ? first + kSumBlock : n;
        double sb = 0, sbb = 0, sbc = 0;
        for (int i = first; i < last; ++i) {
            const double b = BoxCoxOfLog(lambda, logs[i]) - b0;
            sb += b;
            sbb += b * b;
            sbc += b * d.centred[i];
        }
        total.b += sb, total.bb += sbb, total.ab += sbc;
    }
    const long double bb = total.bb - total.b * total.b / n, cc = d.centredSS, bc = total.ab;
    // sigma2 of y on x: the same residual sum either way round only when the
    // roles are right, so name them.
    const long double syy = d.mode == BoxCoxMode::kY ? bb : cc, sxx = d.mode == BoxCoxMode::kY ? cc : bb;
    const long double sse = sxx > 0 ? syy - bc * bc / sxx : syy;
    return static_cast<double>(sse / n);
}

double Criterion(const Prepared& d, double lambda, bool* valid) {
    const double s2 = Sigma2(d, lambda);
    *valid = s2 > 0.0 && std::isfinite(s2);
    if (!*valid) return kNoCriterion;
    double c = 0.5 * d.n * std::log(s2);
    if (d.mode != BoxCoxMode::kX) c += static_cast<double>((1.0L - lambda) * d.sumLogY);
    return c;
}

}  // namespace

bool BoxCoxCriterion(const double* x, const double* y, int n, BoxCoxMode mode, double lambda, double* criterion) {
    Prepared d;
    if (n < 1 || !Prepare(x, y, n, mode, d)) return false;
    bool valid = false;
    *criterion = Criterion(d, lambda, &valid);
    return valid;
}

BoxCoxSearchResult SearchBoxCoxLambda(const double* x, const double* y, int n, BoxCoxMode mode, ThreadPool* pool) {
    BoxCoxSearchResult result;
    Prepared d;
    if (n < 1 || !Prepare(x, y, n, mode, d)) return result;
    result.usable = true;
    bool found = false;
    double best = 1.0, bestCriterion = kNoCriterion;
    const double steps[3] = {0.1, 0.01, 0.00001}, widths[3] = {1.0, 0.1, 0.01};
    std::vector<double> criteria;
    std::vector<char> valid;
    for (int stage = 0; stage < 3; ++stage) {
        if (stage > 0 && !found) break;
        const double centre = stage == 0 ? 0.0 : best;
        double lo = centre - widths[stage], hi = centre + widths[stage];
        if (lo < -1.0) lo = -1.0;
        if (hi > 1.0) hi = 1.0;
        const double step = steps[stage];
        // Grid points lo + i step, counted rather than stepped by addition so
        // that no end point is lost to rounding.
        const int count = static_cast<int>(std::floor((hi - lo) / step + 1e-7)) + 1;
        criteria.assign(static_cast<std::size_t>(count), kNoCriterion);
        valid.assign(static_cast<std::size_t>(count), 0);
        ForEachBlock(pool, count, 8, [&](long long first, int points) {
            for (long long i = first; i < first + points; ++i) {
                bool ok = false;
                criteria[static_cast<std::size_t>(i)] = Criterion(d, lo + static_cast<double>(i) * step, &ok);
                valid[static_cast<std::size_t>(i)] = ok;
            }
        });
        for (int i = 0; i < count; ++i) {
            if (valid[i] && criteria[i] < bestCriterion) {
                bestCriterion = criteria[i];
                best = lo + i * step;
                found = true;
            }
        }
        result.gridPoints += count;
    }
    if (found) {
        result.lambda = best;
        result.criterion = bestCriterion;
    }
    return result;
}

// Box-Cox lambda search by profile likelihood on three grids.
#include "stats/box_cox_search.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/numeric/box_cox_units.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/thread_pool.h"

namespace {

constexpr int kSumBlock = 256;  // terms summed in double before joining the total
constexpr double kNoCriterion = 1e100;

struct Sums {
    long double a = 0, b = 0, aa = 0, bb = 0, ab = 0;
};

// The data of one search: logarithms taken once, of the transformed
// variables in units near 1 (box_cox_units.h), where the -1 of the
// transform keeps their digits; the untransformed variable centred once.
// The criterion is formed in those units: it differs from the data's own
// by n ln c of y's units c, the same for every lambda.
struct Prepared {
    int n = 0;
    BoxCoxMode mode = BoxCoxMode::kY;
    std::vector<double> logX, logY;  // where transformed
    std::vector<double> centred;     // the untransformed variable minus its mean
    long double centredSS = 0;       // its sum of squares
    long double sumLogY = 0;
    double ownShift = 0;             // criterion in the data's units minus that here
};

bool Prepare(const double* x, const double* y, int n, BoxCoxMode mode, Prepared& d) {
    d.n = n;
    d.mode = mode;
    const bool tx = mode != BoxCoxMode::kY, ty = mode != BoxCoxMode::kX;
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) return false;
        if ((tx && !(x[i] > 0.0)) || (ty && !(y[i] > 0.0))) return false;
    }
    const std::size_t size = static_cast<std::size_t>(n);
    if (tx) {
        const BoxCoxUnits units = BoxCoxUnitsOf(x, n);
        d.logX.resize(size);
        for (int i = 0; i < n; ++i) d.logX[i] = units.Log(x[i]);
    }
    if (ty) {
        const BoxCoxUnits units = BoxCoxUnitsOf(y, n);
        d.logY.resize(size);
        for (int i = 0; i < n; ++i) {
            d.logY[i] = units.Log(y[i]);
            d.sumLogY += d.logY[i];
        }
        d.ownShift = n * units.LogScale();
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

// Grid points in runs of kRun: along a run v^lambda - 1 is carried from one
// point to the next, E' = E R + (R - 1) with R = v^step, so each value costs
// one multiply-add instead of an exponential. Every run starts afresh from
// expm1 at its point nearest lambda = 0 and steps away from it, where |E|
// grows whatever v is: a rounding carried from an earlier point, multiplied
// by R on the way, stays within a few units in the last place of the value
// it reaches, as in a fresh expm1. (Carried the other way, the rounding of
// an E near -1 would grow with R into values far larger.) The 1/lambda of
// the transform is applied to the finished sums.
constexpr int kRun = 32;

struct RunSums {
    double a[kRun], b[kRun], aa[kRun], bb[kRun], ab[kRun];
};

void AddRunSums(const RunSums& part, int m, Sums* total) {
    for (int g = 0; g < m; ++g) {
        total[g].a += part.a[g];
        total[g].b += part.b[g];
        total[g].aa += part.aa[g];
        total[g].bb += part.bb[g];
        total[g].ab += part.ab[g];
    }
}

// Sums of one grid point over a block, advancing the carried values to the
// next grid point; four partial sums per quantity keep the additions
// independent. count is at most kSumBlock, a multiple of 4 except at the end.
void OneSums(double* e, const double* r, const double* r1, const double* c, int count, double shift,
             RunSums* part, int g) {
    double sb[4] = {0, 0, 0, 0}, sbb[4] = {0, 0, 0, 0}, sbc[4] = {0, 0, 0, 0};
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        for (int k = 0; k < 4; ++k) {
            const double b = e[i + k] - shift;
            e[i + k] = e[i + k] * r[i + k] + r1[i + k];
            sb[k] += b;
            sbb[k] += b * b;
            sbc[k] += b * c[i + k];
        }
    }
    for (; i < count; ++i) {
        const double b = e[i] - shift;
        e[i] = e[i] * r[i] + r1[i];
        sb[0] += b;
        sbb[0] += b * b;
        sbc[0] += b * c[i];
    }
    part->b[g] = (sb[0] + sb[1]) + (sb[2] + sb[3]);
    part->bb[g] = (sbb[0] + sbb[1]) + (sbb[2] + sbb[3]);
    part->ab[g] = (sbc[0] + sbc[1]) + (sbc[2] + sbc[3]);
    part->a[g] = part->aa[g] = 0.0;
}

void BothSums(double* e, const double* r, const double* r1, double* ex, const double* q, const double* q1,
              int count, double shiftB, double shiftA, RunSums* part, int g) {
    double sa[4] = {0, 0, 0, 0}, sb[4] = {0, 0, 0, 0}, saa[4] = {0, 0, 0, 0}, sbb[4] = {0, 0, 0, 0},
           sab[4] = {0, 0, 0, 0};
    for (int i = 0; i < count; ++i) {
        const int k = i & 3;
        const double b = e[i] - shiftB, a = ex[i] - shiftA;
        e[i] = e[i] * r[i] + r1[i];
        ex[i] = ex[i] * q[i] + q1[i];
        sa[k] += a;
        sb[k] += b;
        saa[k] += a * a;
        sbb[k] += b * b;
        sab[k] += a * b;
    }
    part->a[g] = (sa[0] + sa[1]) + (sa[2] + sa[3]);
    part->b[g] = (sb[0] + sb[1]) + (sb[2] + sb[3]);
    part->aa[g] = (saa[0] + saa[1]) + (saa[2] + saa[3]);
    part->bb[g] = (sbb[0] + sbb[1]) + (sbb[2] + sbb[3]);
    part->ab[g] = (sab[0] + sab[1]) + (sab[2] + sab[3]);
}

// Criteria of grid points lambdas[g] = lambdas[0] + g step, g = 0 .. m-1
// (m <= kRun; step negative for a run that goes down), in the units of
// the search.
void RunCriteria(const Prepared& d, const double* lambdas, double step, int m, double* criteria, char* valid) {
    const int n = d.n;
    const bool both = d.mode == BoxCoxMode::kBoth;
    const std::vector<double>& logs = d.mode == BoxCoxMode::kX ? d.logX : d.logY;
    const double lambda0 = lambdas[0];
    // The first observation's values at each point: the shift of every sum.
    double shiftB[kRun], shiftA[kRun];
    for (int g = 0; g < m; ++g) {
        shiftB[g] = std::expm1(lambdas[g] * logs[0]);
        if (both) shiftA[g] = std::expm1(lambdas[g] * d.logX[0]);
    }
    // Per block of points: the carried values of every point, advanced one
    // grid point at a time, with four partial sums per quantity so that
    // the additions do not wait on each other.
    Sums total[kRun];
    double e[kSumBlock], r[kSumBlock], r1[kSumBlock], ex[kSumBlock], q[kSumBlock], q1[kSumBlock];
    for (int first = 0; first < n; first += kSumBlock) {
        const int count = first + kSumBlock < n ? kSumBlock : n - first;
        for (int i = 0; i < count; ++i) {
            const double l = logs[first + i];
            e[i] = std::expm1(lambda0 * l);
            r1[i] = std::expm1(step * l);
            r[i] = 1.0 + r1[i];
            if (both) {
                const double lx = d.logX[first + i];
                ex[i] = std::expm1(lambda0 * lx);
                q1[i] = std::expm1(step * lx);
                q[i] = 1.0 + q1[i];
            }
        }
        const double* c = both ? nullptr : d.centred.data() + first;
        RunSums part{};
        for (int g = 0; g < m; ++g) {
            if (both)
                BothSums(e, r, r1, ex, q, q1, count, shiftB[g], shiftA[g], &part, g);
            else
                OneSums(e, r, r1, c, count, shiftB[g], &part, g);
        }
        AddRunSums(part, m, total);
    }
    for (int g = 0; g < m; ++g) {
        const long double lambda = lambdas[g];
        if (std::fabs(lambdas[g]) <= kDoubleEpsilon) {
            bool ok = false;
            criteria[g] = Criterion(d, lambdas[g], &ok);
            valid[g] = ok;
            continue;
        }
        const Sums& t = total[g];
        long double sse;
        if (both) {
            const long double sxx = t.aa - t.a * t.a / n, syy = t.bb - t.b * t.b / n, sxy = t.ab - t.a * t.b / n;
            sse = (sxx > 0 ? syy - sxy * sxy / sxx : syy) / (lambda * lambda);
        } else {
            const long double bb = (t.bb - t.b * t.b / n) / (lambda * lambda), bc = t.ab / lambda;
            const long double cc = d.centredSS;
            const long double syy = d.mode == BoxCoxMode::kY ? bb : cc, sxx = d.mode == BoxCoxMode::kY ? cc : bb;
            sse = sxx > 0 ? syy - bc * bc / sxx : syy;
        }
        const double s2 = static_cast<double>(sse / n);
        valid[g] = s2 > 0.0 && std::isfinite(s2);
        if (!valid[g]) {
            criteria[g] = kNoCriterion;
            continue;
        }
        double c = 0.5 * n * std::log(s2);
        if (d.mode != BoxCoxMode::kX) c += static_cast<double>((1.0L - lambda) * d.sumLogY);
        criteria[g] = c;
    }
}

// Runs of at most kRun grid points lo + i step, i < count, each starting at
// its point nearest lambda = 0 and stepping away from it.
struct Run {
    int start = 0;      // grid index of the run's first point
    int count = 0;
    bool down = false;  // towards lower lambda
};

std::vector<Run> RunsAwayFromZero(double lo, double step, int count) {
    int negative = 0;
    while (negative < count && lo + negative * step < 0.0) ++negative;
    std::vector<Run> runs;
    for (int first = negative; first < count; first += kRun) runs.push_back({first, std::min(kRun, count - first), false});
    for (int last = negative - 1; last >= 0; last -= kRun) runs.push_back({last, std::min(kRun, last + 1), true});
    return runs;
}

}  // namespace

bool BoxCoxCriterion(const double* x, const double* y, int n, BoxCoxMode mode, double lambda, double* criterion) {
    Prepared d;
    if (n < 1 || !Prepare(x, y, n, mode, d)) return false;
    bool valid = false;
    *criterion = Criterion(d, lambda, &valid) + d.ownShift;
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
        const std::vector<Run> runs = RunsAwayFromZero(lo, step, count);
        ForEachBlock(pool, static_cast<long long>(runs.size()), 1, [&](long long r, int) {
            const Run& run = runs[static_cast<std::size_t>(r)];
            const int direction = run.down ? -1 : 1;
            double lambdas[kRun], runCriteria[kRun];
            char runValid[kRun];
            for (int g = 0; g < run.count; ++g) lambdas[g] = lo + static_cast<double>(run.start + direction * g) * step;
            RunCriteria(d, lambdas, direction * step, run.count, runCriteria, runValid);
            for (int g = 0; g < run.count; ++g) {
                const std::size_t i = static_cast<std::size_t>(run.start + direction * g);
                criteria[i] = runCriteria[g];
                valid[i] = runValid[g];
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
        result.criterion = bestCriterion + d.ownShift;
    }
    return result;
}

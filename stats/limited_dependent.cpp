// Censored, truncated and probit likelihoods and their simplex driver.
#include "stats/limited_dependent.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/numeric/numeric_helpers.h"
#include "core/numeric/simplex.h"
#include "core/numeric/thread_pool.h"
#include "platform/errors.h"
#include "stats/curve_fit.h"
#include "stats/limited_dependent_newton.h"

namespace {

constexpr double kHalfLogTwoPi = 0.918938533204673;
constexpr double kSteps[3] = {0.01, 0.01, 0.1};
constexpr double kTolerances[3] = {1e-05, 1e-05, 1e-05};
constexpr int kRestartLimit = 50;
// Observations per task of a likelihood pass.
constexpr int kChunkRows = 8192;
// A sigma below this share of the data's scale has collapsed onto the
// points: the likelihood grows without bound there.
constexpr double kCollapsedSigma = 1e-7;
// A coefficient that puts the mean this many data scales away has left
// every finite scale; a probit index beyond this many standard deviations
// has a probability below the smallest double.
constexpr double kRunawayScale = 1e7;
constexpr double kRunawayIndex = 38.0;
// Residuals within this many units in the last place of the data leave
// points on one line.
constexpr double kLineUlps = 64.0;

double AtLeastEpsilon(double p) { return p <= kDoubleEpsilon ? kDoubleEpsilon : p; }

// P(Z > z), accurate in the far tail.
double UpperTail(double z) { return 0.5 * std::erfc(z * 0.7071067811865475244); }

double Finished(long double sum) {
    const double v = static_cast<double>(sum);
    return std::isfinite(v) ? v : kLimitedDependentPenalty;
}

// Sum of term(i) over i < n: within fixed chunks in double with the
// rounding errors carried along (Neumaier), the chunks in order in long
// double.
template <class Term>
double SumChunk(const Term& term, int first, int count) {
    double sum = 0.0, carry = 0.0;
    for (int i = first; i < first + count; ++i) {
        const double v = term(i), t = sum + v;
        carry += std::fabs(sum) >= std::fabs(v) ? (sum - t) + v : (v - t) + sum;
        sum = t;
    }
    return sum + carry;
}

template <class Term>
long double ChunkedSum(ThreadPool* pool, int n, const Term& term) {
    const int chunks = (n + kChunkRows - 1) / kChunkRows;
    std::vector<double> partial(static_cast<std::size_t>(std::max(chunks, 0)), 0.0);
    if (chunks <= 1) {
        for (int c = 0; c < chunks; ++c) partial[0] = SumChunk(term, 0, n);
    } else {
        ForEachBlock(pool, n, kChunkRows, [&](long long first, int count) {
            partial[static_cast<std::size_t>(first / kChunkRows)] = SumChunk(term, static_cast<int>(first), count);
        });
    }
    long double total = 0.0L;
    for (double s : partial) total += s;
    return total;
}

[[noreturn]] void Fail(const char* reason) { throw Exception(std::string("FAILURE\n") + reason); }

// True when the points (x, y) with keep(i) lie on one straight line (two
// points or fewer always do) within the rounding of the data: a normal
// likelihood on them grows without bound as sigma shrinks, or has its
// maximum at a sigma of rounding size.
template <class Keep>
bool OnOneLine(const double* x, const double* y, int n, const Keep& keep) {
    long double mx = 0.0L, my = 0.0L, sxx = 0.0L, sxy = 0.0L;
    int count = 0;
    for (int i = 0; i < n; ++i) {
        if (!keep(i)) continue;
        ++count;
        const long double dx = x[i] - mx, dy = y[i] - my;
        mx += dx / count;
        my += dy / count;
        sxx += dx * (x[i] - mx);
        sxy += dx * (y[i] - my);
    }
    if (count <= 2) return true;
    const long double b = sxx > 0.0L ? sxy / sxx : 0.0L;
    // The residuals from the least-squares line, against what rounding the
    // values leaves them: a few units in the last place of the largest
    // value on the line.
    long double sse = 0.0L, xMax = 0.0L, yMax = 0.0L;
    for (int i = 0; i < n; ++i) {
        if (!keep(i)) continue;
        const long double e = (y[i] - my) - b * (x[i] - mx);
        sse += e * e;
        xMax = std::max(xMax, std::fabs(static_cast<long double>(x[i])));
        yMax = std::max(yMax, std::fabs(static_cast<long double>(y[i])));
    }
    const long double rounding = kLineUlps * kDoubleEpsilon * (yMax + std::fabs(b) * xMax);
    return !(sse > count * rounding * rounding);
}

// The data for which the model's likelihood has no maximum.
void CheckHasMaximum(LimitedDependentModel model, const double* x, const double* y, int n) {
    const int k = model == LimitedDependentModel::kProbit ? 2 : 3;
    if (n < k + 1) Fail("観測値の数がパラメータの数に足りません。");
    bool xVaries = false;
    for (int i = 1; i < n && !xVaries; ++i) xVaries = x[i] != x[0];
    if (!xVaries) Fail("x の値がすべて等しく、傾きが定まりません。");
    if (model != LimitedDependentModel::kProbit) {
        bool above = false;
        for (int i = 0; i < n && !above; ++i) above = y[i] > 0.0;
        if (!above) Fail("y のすべての値が 0 以下で、尤度に最大がありません。");
        // The censored terms are bounded (their probabilities are held at
        // epsilon or more): points that enter the normal density exactly on
        // a line let sigma shrink toward 0 without end.
        const bool censored = model == LimitedDependentModel::kCensored;
        if (OnOneLine(x, y, n, [&](int i) { return !censored || y[i] > 0.0; }))
            Fail("正規密度に入る点が一直線上にあり、σ が 0 に近づいて尤度に最大がありません。");
        return;
    }
    bool yVaries = false, binary = true;
    for (int i = 0; i < n; ++i) {
        yVaries = yVaries || y[i] != y[0];
        binary = binary && (y[i] == 0.0 || y[i] == 1.0);
    }
    if (!yVaries) Fail("y の値がすべて等しく、尤度に最大がありません。");
    if (!binary) return;
    // Separated (ties at the border included): some line through x splits
    // the zeros from the ones, and the likelihood rises toward 1 forever.
    double maxZero = -HUGE_VAL, minZero = HUGE_VAL, maxOne = -HUGE_VAL, minOne = HUGE_VAL;
    for (int i = 0; i < n; ++i) {
        if (y[i] == 0.0) {
            maxZero = std::max(maxZero, x[i]);
            minZero = std::min(minZero, x[i]);
        } else {
            maxOne = std::max(maxOne, x[i]);
            minOne = std::min(minOne, x[i]);
        }
    }
    if (maxZero <= minOne || maxOne <= minZero) Fail("y が x によって完全に分離されていて、尤度に最大がありません。");
}

// The estimate a search ended at, checked against the data's scales.
void CheckEstimate(LimitedDependentModel model, const double* x, const double* y, int n, const double* point) {
    double xScale = 0.0, yScale = 0.0, xMin = HUGE_VAL, xMax = -HUGE_VAL, yMin = HUGE_VAL, yMax = -HUGE_VAL;
    for (int i = 0; i < n; ++i) {
        xScale = std::max(xScale, std::fabs(x[i]));
        yScale = std::max(yScale, std::fabs(y[i]));
        xMin = std::min(xMin, x[i]);
        xMax = std::max(xMax, x[i]);
        yMin = std::min(yMin, y[i]);
        yMax = std::max(yMax, y[i]);
    }
    const double alpha = point[0], beta = point[1];
    if (!std::isfinite(alpha) || !std::isfinite(beta)) Fail("係数が有限の値に定まりません。");
    if (model == LimitedDependentModel::kProbit) {
        const double index = std::max(std::fabs(alpha + beta * xMin), std::fabs(alpha + beta * xMax));
        if (!(index < kRunawayIndex)) Fail("係数が発散し、尤度に最大がありません。");
        return;
    }
    const double sigma = point[2];
    const double scale = std::max(yMax - yMin, yScale);
    if (!(sigma > kCollapsedSigma * scale)) Fail("σ が 0 に近づき、尤度に最大がありません。");
    const double reach = std::fabs(alpha) + std::fabs(beta) * xScale;
    if (!(reach < kRunawayScale * (scale + sigma))) Fail("係数が発散し、尤度に最大がありません。");
}

// Standard units: x about its centre over its spread; for the censored
// and truncated models y over its spread too (0 stays the limit). The
// spreads are rounded to powers of two, so that dividing by them is exact.
struct StandardUnits {
    double xCentre = 0.0, xScale = 1.0, yScale = 1.0;
};

double PowerOfTwoNear(double v) { return std::ldexp(1.0, std::ilogb(v)); }

// The mean and the standard deviation (divisor n) of v.
void MeanAndSpread(const double* v, int n, double& mean, double& spread) {
    double squares = 0.0;
    MeanAndSumOfSquares(&squares, &mean, n, v);
    spread = std::sqrt(squares / n);
}

// For data that passed CheckHasMaximum: x varies, and so does y where it
// is scaled.
StandardUnits StandardUnitsOf(LimitedDependentModel model, const double* x, const double* y, int n) {
    StandardUnits u;
    double spread = 0.0, yMean = 0.0;
    MeanAndSpread(x, n, u.xCentre, spread);
    if (spread > 0.0 && std::isfinite(spread)) u.xScale = PowerOfTwoNear(spread);
    if (model == LimitedDependentModel::kProbit) return u;
    MeanAndSpread(y, n, yMean, spread);
    if (spread > 0.0 && std::isfinite(spread)) u.yScale = PowerOfTwoNear(spread);
    return u;
}

}  // namespace

double CensoredNegLogLikelihood(const double* params, const double* x, const double* y, int n, ThreadPool* pool) {
    const double alpha = params[0], beta = params[1], sigma = params[2];
    if (!(sigma > 0.0)) return kLimitedDependentPenalty;
    const double logSigma = std::log(sigma);
    return Finished(ChunkedSum(pool, n, [&](int i) -> double {
        const double z = (y[i] - alpha - beta * x[i]) / sigma;
        if (y[i] <= 0.0) return -std::log(AtLeastEpsilon(UpperTail(-z)));
        return logSigma + 0.5 * z * z + kHalfLogTwoPi;
    }));
}

double TruncatedNegLogLikelihood(const double* params, const double* x, const double* y, int n, ThreadPool* pool) {
    const double alpha = params[0], beta = params[1], sigma = params[2];
    if (!(sigma > 0.0)) return kLimitedDependentPenalty;
    const double logSigma = std::log(sigma);
    return Finished(ChunkedSum(pool, n, [&](int i) -> double {
        const double mean = alpha + beta * x[i], z = (y[i] - mean) / sigma;
        return std::log(AtLeastEpsilon(UpperTail(-mean / sigma))) + logSigma + 0.5 * z * z;
    }));
}

double ProbitNegLogLikelihood(const double* params, const double* x, const double* y, int n, ThreadPool* pool) {
    const double alpha = params[0], beta = params[1];
    return Finished(ChunkedSum(pool, n, [&](int i) -> double {
        const double index = alpha + beta * x[i];
        // One tail serves both probabilities; the other is 1 minus it.
        const double tail = UpperTail(std::fabs(index));
        const double small = AtLeastEpsilon(tail), large = AtLeastEpsilon(1.0 - tail);
        // Selections rather than branches: the signs of the indexes and the
        // responses follow no pattern the processor could predict.
        const bool positive = index >= 0.0;
        const double p = positive ? large : small, q = positive ? small : large;
        const double w = y[i];
        // A 0 or 1 response weighs one logarithm by 1 and the other by an
        // exact 0 (the logarithms are finite): one logarithm gives the same.
        if (w == 0.0 || w == 1.0) return -std::log(w == 1.0 ? p : q);
        return -(w * std::log(p) + (1.0 - w) * std::log(q));
    }));
}

LimitedDependentFit FitLimitedDependent(LimitedDependentModel model, const double* x, const double* y, int n,
                                        double alpha, double beta, double sigma, ThreadPool* pool) {
    const int k = model == LimitedDependentModel::kProbit ? 2 : 3;
    double (*objective)(const double*, const double*, const double*, int, ThreadPool*) =
        model == LimitedDependentModel::kCensored    ? CensoredNegLogLikelihood
        : model == LimitedDependentModel::kTruncated ? TruncatedNegLogLikelihood
                                                     : ProbitNegLogLikelihood;
    // Data that are no numbers leave nothing but the penalty.
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) throw Exception("FAILURE");
    CheckHasMaximum(model, x, y, n);
    // The search and its checks in standard units, where the simplex's
    // steps and tolerances and the limits below mean the same for any data.
    const StandardUnits units = StandardUnitsOf(model, x, y, n);
    std::vector<double> xs(static_cast<std::size_t>(n)), ys(y, y + n);
    for (int i = 0; i < n; ++i) xs[static_cast<std::size_t>(i)] = (x[i] - units.xCentre) / units.xScale;
    if (units.yScale != 1.0)
        for (double& v : ys) v /= units.yScale;
    // The simplex can collapse along the ridge that joins intercept and
    // slope and stop short of the minimum; it is started again from its
    // answer until a run no longer moves it.
    double point[3] = {
        static_cast<double>((alpha + static_cast<long double>(beta) * units.xCentre) / units.yScale),
        beta * units.xScale / units.yScale, sigma / units.yScale};
    const double standardSigma = point[2];
    double minimum = 0.0;
    int iterations = 0;
    for (int run = 0; run < kRestartLimit; ++run) {
        Simplex simplex(k);
        const double before[3] = {point[0], point[1], point[2]};
        simplex.Init(point, kSteps, kTolerances);
        const int count = simplex.Minimize(point, &minimum, [&](const double* p) {
            // Probit reads two parameters; its sigma stays the start value.
            const double full[3] = {p[0], p[1], k == 3 ? p[2] : standardSigma};
            return objective(full, xs.data(), ys.data(), n, pool);
        });
        if (count < 0) throw Exception("FAILURE");
        iterations += count;
        bool moved = false;
        for (int j = 0; j < k; ++j)
            if (std::fabs(point[j] - before[j]) > kTolerances[j]) moved = true;
        if (!moved) break;
    }
    if (!(minimum < kLimitedDependentPenalty)) throw Exception("FAILURE");
    // Newton's steps from the simplex's answer reach the maximum itself.
    (void)PolishLimitedDependent(model, xs.data(), ys.data(), n, point, pool);
    CheckEstimate(model, xs.data(), ys.data(), n, point);
    LimitedDependentFit fit;
    fit.beta = point[1] * units.yScale / units.xScale;
    fit.alpha = static_cast<double>(static_cast<long double>(point[0]) * units.yScale -
                                    static_cast<long double>(fit.beta) * units.xCentre);
    fit.sigma = k == 3 ? point[2] * units.yScale : sigma;
    // The likelihood in the data's own units (with y scaled it moves by
    // log yScale for each term that holds log sigma).
    const double original[3] = {fit.alpha, fit.beta, fit.sigma};
    fit.minimum = objective(original, x, y, n, pool);
    if (!(fit.minimum < kLimitedDependentPenalty)) throw Exception("FAILURE");
    fit.iterations = iterations;
    return fit;
}

LimitedDependentFit FitLimitedDependent(LimitedDependentModel model, const TSRA& fit) {
    if (!fit.Fitted()) throw Exception("FAILURE");
    std::vector<double> x(static_cast<std::size_t>(fit.N())), y(x.size());
    for (int i = 0; i < fit.N(); ++i) {
        x[i] = fit.GetX(i);
        y[i] = fit.GetY(i);
    }
    const double intercept = fit.GetCoef(fit.ParamCount() - 1), slope = fit.GetCoef(0);
    return FitLimitedDependent(model, x.data(), y.data(), fit.N(), intercept, slope, std::sqrt(fit.S2()),
                               fit.Pool());
}

namespace {

// "%10.4f", or "%10.4e" for a value below 1e-4 that four decimals would
// show as 0: an estimate in small units keeps its digits.
std::string EstimateText(double v) {
    char text[64];
    const bool small = v != 0.0 && std::fabs(v) < 1e-4;
    std::snprintf(text, sizeof text, small ? "%10.4e" : "%10.4f", v);
    return text;
}

}  // namespace

std::string LimitedDependentMessage(LimitedDependentModel model, const LimitedDependentFit& fit) {
    if (!(fit.sigma > 0.0)) return "FAILURE";
    const std::string estimates = "α = " + EstimateText(fit.alpha) + ", β = " + EstimateText(fit.beta);
    switch (model) {
    case LimitedDependentModel::kCensored:
        return "CENSORED REGRESSION MODEL\n" + estimates + ", σ = " + EstimateText(fit.sigma);
    case LimitedDependentModel::kTruncated:
        return "TRUNCATED REGRESSION MODEL\n" + estimates + ", σ = " + EstimateText(fit.sigma);
    case LimitedDependentModel::kProbit: break;
    }
    return "PROBIT MODEL\n" + estimates;
}

// Censored, truncated and probit likelihoods and their simplex driver.
#include "stats/limited_dependent.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/numeric/distributions.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/simplex.h"
#include "platform/errors.h"
#include "stats/curve_fit.h"

namespace {

constexpr double kHalfLogTwoPi = 0.918938533204673;
constexpr double kSteps[3] = {0.01, 0.01, 0.1};
constexpr double kTolerances[3] = {1e-05, 1e-05, 1e-05};
constexpr int kRestartLimit = 50;

double AtLeastEpsilon(double p) { return p <= kDoubleEpsilon ? kDoubleEpsilon : p; }

// Phi(z), from the upper tail of -z so that small probabilities keep
// their digits.
double NormalLower(double z) { return NormalUpperTail(-z); }

double Finished(long double sum) {
    const double v = static_cast<double>(sum);
    return std::isfinite(v) ? v : kLimitedDependentPenalty;
}

}  // namespace

double CensoredNegLogLikelihood(const double* params, const double* x, const double* y, int n) {
    const double alpha = params[0], beta = params[1], sigma = params[2];
    if (!(sigma > 0.0)) return kLimitedDependentPenalty;
    const double logSigma = std::log(sigma);
    long double sum = 0.0L;
    for (int i = 0; i < n; ++i) {
        const double z = (y[i] - alpha - beta * x[i]) / sigma;
        if (y[i] <= 0.0)
            sum -= std::log(AtLeastEpsilon(NormalLower(z)));
        else
            sum += logSigma + 0.5 * z * z + kHalfLogTwoPi;
    }
    return Finished(sum);
}

double TruncatedNegLogLikelihood(const double* params, const double* x, const double* y, int n) {
    const double alpha = params[0], beta = params[1], sigma = params[2];
    if (!(sigma > 0.0)) return kLimitedDependentPenalty;
    const double logSigma = std::log(sigma);
    long double sum = 0.0L;
    for (int i = 0; i < n; ++i) {
        const double mean = alpha + beta * x[i], z = (y[i] - mean) / sigma;
        sum += std::log(AtLeastEpsilon(NormalLower(mean / sigma))) + logSigma + 0.5 * z * z;
    }
    return Finished(sum);
}

double ProbitNegLogLikelihood(const double* params, const double* x, const double* y, int n) {
    const double alpha = params[0], beta = params[1];
    long double sum = 0.0L;
    for (int i = 0; i < n; ++i) {
        const double index = alpha + beta * x[i];
        const double p = AtLeastEpsilon(NormalLower(index)), q = AtLeastEpsilon(NormalUpperTail(index));
        sum -= y[i] * std::log(p) + (1.0 - y[i]) * std::log(q);
    }
    return Finished(sum);
}

LimitedDependentFit FitLimitedDependent(LimitedDependentModel model, const double* x, const double* y, int n,
                                        double alpha, double beta, double sigma) {
    const int k = model == LimitedDependentModel::kProbit ? 2 : 3;
    double (*objective)(const double*, const double*, const double*, int) =
        model == LimitedDependentModel::kCensored    ? CensoredNegLogLikelihood
        : model == LimitedDependentModel::kTruncated ? TruncatedNegLogLikelihood
                                                     : ProbitNegLogLikelihood;
    // The simplex can collapse along the ridge that joins intercept and
    // slope and stop short of the minimum; it is started again from its
    // answer until a run no longer moves it.
    double point[3] = {alpha, beta, sigma};
    double minimum = 0.0;
    int iterations = 0;
    for (int run = 0; run < kRestartLimit; ++run) {
        Simplex simplex(k);
        const double before[3] = {point[0], point[1], point[2]};
        simplex.Init(point, kSteps, kTolerances);
        const int count = simplex.Minimize(point, &minimum, [&](const double* p) {
            // Probit reads two parameters; its sigma stays the start value.
            const double full[3] = {p[0], p[1], k == 3 ? p[2] : sigma};
            return objective(full, x, y, n);
        });
        if (count < 0) throw Exception("FAILURE");
        iterations += count;
        bool moved = false;
        for (int j = 0; j < k; ++j)
            if (std::fabs(point[j] - before[j]) > kTolerances[j]) moved = true;
        if (!moved) break;
    }
    // Data that are no numbers leave nothing but the penalty.
    if (!(minimum < kLimitedDependentPenalty)) throw Exception("FAILURE");
    LimitedDependentFit fit;
    fit.alpha = point[0];
    fit.beta = point[1];
    fit.sigma = k == 3 ? point[2] : sigma;
    fit.minimum = minimum;
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
    return FitLimitedDependent(model, x.data(), y.data(), fit.N(), intercept, slope, std::sqrt(fit.S2()));
}

std::string LimitedDependentMessage(LimitedDependentModel model, const LimitedDependentFit& fit) {
    if (!(fit.sigma > 0.0)) return "FAILURE";
    const char* format = model == LimitedDependentModel::kCensored
                             ? "CENSORED REGRESSION MODEL\nα = %10.4f, β = %10.4f, σ = %10.4f"
                         : model == LimitedDependentModel::kTruncated
                             ? "TRUNCATED REGRESSION MODEL\nα = %10.4f, β = %10.4f, σ = %10.4f"
                             : "PROBIT MODEL\nα = %10.4f, β = %10.4f";
    char text[256];
    std::snprintf(text, sizeof text, format, fit.alpha, fit.beta, fit.sigma);
    return text;
}

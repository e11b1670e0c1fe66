// WLSE: regression with AR(q) errors, alternating a fit on filtered data
// with a Yule-Walker estimate of the AR coefficients.
#include <cmath>
#include <vector>

#include "core/model/leverage_forms.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/thread_pool.h"
#include "core/numeric/time_series.h"
#include "core/settings/engine_context.h"
#include "estimators/weighted_fit.h"
#include "estimators/yule_walker.h"
#include "platform/errors.h"

namespace {

// Residuals below tiny (2^-52 of the dependent variable's largest
// magnitude) are rounding, and are taken as 0, whatever the data's units.
void ZeroTinyResiduals(std::vector<double>& e, double tiny) {
    for (double& v : e)
        if (std::fabs(v) < tiny) v = 0.0;
}

}  // namespace

void WLSE::FilterWork() {
    const int q = arOrder_;
    workStride_ = twoStage_ ? 2 * k_ : k_;
    work_.resize(static_cast<std::size_t>(n_) * workStride_);
    workWeights_.clear();
    const double* phi = arCoefficients_.data();
    ForEachBlock(context_->Pool(), n_, kMomentChunkRows, [&](long long first, int count) {
        for (long long t = first; t < first + count; ++t) {
            double* out = WorkRow(t);
            for (int half = 0; half < (twoStage_ ? 2 : 1); ++half) {
                auto value = [&](long long s, int j) { return half == 0 ? X(s)[j] : Z(s)[j]; };
                for (int j = 0; j < k_; ++j) {
                    double v;
                    if (t < q) {
                        v = 0.0;
                        for (int i = 0; i <= t; ++i) v += arTransform_[static_cast<int>(t)][i] * value(i, j);
                    } else {
                        v = value(t, j);
                        for (int i = 1; i <= q; ++i) v -= phi[i - 1] * value(t - i, j);
                    }
                    out[half * k_ + j] = v;
                }
            }
        }
    });
}

bool WLSE::YuleWalker(const double* residual) {
    const int q = arOrder_;
    if (q == 1) {
        double phi;
        try {
            phi = EstimateAR1Coefficient(residual, n_, &arVariance_);
        } catch (const EMathError&) {
            return false;
        }
        // A unit or explosive root has no stationary transform.
        if (!std::isfinite(phi) || std::fabs(phi) >= 1.0 || !std::isfinite(arVariance_)) return false;
        arCoefficients_[0] = phi;
        arVariances_[0] = 1.0 - phi * phi;
        arTransform_[0][0] = std::sqrt(1.0 - phi * phi);
        return true;
    }
    std::vector<double> e(residual, residual + n_);
    CenterDoubles(n_, e.data(), e.data());
    YuleWalkerFit fit;
    if (!FitYuleWalker(e.data(), n_, q, fit)) return false;
    for (int i = 0; i < q; ++i) {
        arCoefficients_[i] = fit.phi[i];
        arVariances_[i] = fit.variance[i];
    }
    arVariance_ = fit.sigma2;
    arTransform_ = std::move(fit.transform);
    return true;
}

bool WLSE::EstimateAR(int q) {
    ClearAR();
    // An order the series cannot carry is refused before anything is sized by it.
    if (q < 1 || q > n_ - 3) return false;
    arMode_ = true;
    arOrder_ = q;
    arTransform_.Replace(Matrix(q, q, 0.0));
    arCoefficients_.assign(q, 0.0);
    arVariances_.assign(q, 0.0);
    weightKind_ = 0;
    residualDf_ = n_ - p_;
    weights_.assign(n_, 1.0);

    std::vector<double> e(n_);
    const double tiny = ZeroObservedBelow(context_->Pool(), n_, [this](long long t) { return X(t)[p_]; });
    FormMoments();
    Residuals(e.data());
    ZeroTinyResiduals(e, tiny);
    if (q == 1) {
        long double lag = 0.0L, ss = 0.0L;
        for (int t = 0; t < n_; ++t) {
            ss += static_cast<long double>(e[t]) * e[t];
            if (t > 0) lag += static_cast<long double>(e[t]) * e[t - 1];
        }
        const double phi = ss > 0.0L ? static_cast<double>((n_ - p_) * lag / ((n_ - 1) * ss)) : 0.0;
        if (!std::isfinite(phi) || std::fabs(phi) >= 1.0) return false;
        arCoefficients_[0] = phi;
        arTransform_[0][0] = std::sqrt(1.0 - phi * phi);
    } else if (!YuleWalker(e.data())) {
        return false;
    }

    double previous = 0.0;
    iterations_ = 0;
    while (iterations_ < kPassLimit) {
        FilterWork();
        MomentsFromWork();
        Residuals(e.data());
        ZeroTinyResiduals(e, tiny);
        if (!YuleWalker(e.data())) return false;
        double norm = 0.0;
        for (double phi : arCoefficients_) norm += phi * phi;
        norm = std::sqrt(norm);
        const double change = norm != 0.0 ? std::fabs((previous - norm) / norm) : std::fabs(previous - norm);
        context_->Services().ProgressStep();
        ShowPassCount();
        if (change < kSingleEpsilon) break;
        previous = norm;
        ++iterations_;
    }

    FilterWork();
    MomentsFromWork();
    CovarianceFromSweep();
    WriteTransformedTables();
    // One-step predictions: the fit plus the AR forecast of its error.
    Residuals(e.data());
    ZeroTinyResiduals(e, tiny);
    for (int t = 0; t < n_; ++t) {
        double fitted = X(t)[p_] - e[t];
        if (t >= q)
            for (int i = 1; i <= q; ++i) fitted += arCoefficients_[i - 1] * e[t - i];
        weights_[t] = fitted;
    }
    return true;
}

// WLSE: the weighted and iteratively reweighted fit, and Huber's covariance.
#include "estimators/robust_reweight.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "core/model/regression_model.h"
#include "core/numeric/distributions.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "core/numeric/thread_pool.h"
#include "core/settings/engine_context.h"
#include "estimators/weighted_fit.h"
#include "estimators/weighted_fit_kernels.h"
#include "platform/errors.h"

namespace {

constexpr double kCollinsA = 1.65067;
constexpr double kCollinsEnd = 4.0;

}  // namespace

double BoundedInfluenceFactor(double h) { return std::sqrt(std::max(1.0 - h, kSingleEpsilon)); }

bool HasWeightRule(int kind) { return kind >= kWeightT && kind <= kWeightAutomatic; }

double RobustWeight(int kind, double u, double c, double m, double d) {
    const double au = std::fabs(u);
    switch (kind) {
        case kWeightT:
            return (m + 1.0) / (u * u + m);
        case kWeightHuber:
            return au <= c ? 1.0 : c / au;
        case kWeightAndrews: {
            if (au > c * std::numbers::pi) return 0.0;
            const double x = u / c;
            // The limit of sin(x) / x at 0.
            return x == 0.0 ? 1.0 : std::sin(x) / x;
        }
        case kWeightCollins:
            if (au <= kCollinsKnee) return 1.0;
            if (au <= kCollinsEnd) return (kCollinsA / au) * std::tanh(0.5 * kCollinsA * (kCollinsEnd - au));
            return 0.0;
        case kWeightAutomatic:
            return (d + 1.0) / (u * u + d);
        default:
            return 1.0;
    }
}

void WLSE::ClearAR() {
    arMode_ = false;
    arOrder_ = 0;
    arTransform_.Clear();
    arCoefficients_.clear();
    arVariances_.clear();
}

bool WLSE::UpdateWeights(const double* factor, const double* residual) {
    if (!HasWeightRule(weightKind_)) return true;
    if (weightKind_ == kWeightAutomatic || iterations_ < 2) {
        std::vector<double> work(n_);
        scale_ = MedianAbsDeviationBySelection(static_cast<double>(madDivisor_), work.data(), n_, residual,
                                               context_->Pool());
    }
    const double s = scale_;
    // A vanishing or broken scale would turn every weight into NaN.
    if (!std::isfinite(s) || !(s > 0.0)) return false;
    if (weightKind_ == kWeightCollins) tuning = kCollinsKnee;
    const double d = n_ - p_;
    // A weight that is no number or negative fails the whole update (the
    // caller then drops every weight).
    std::atomic<bool> usable{true};
    ForEachBlock(context_->Pool(), n_, kMomentChunkRows, [&](long long first, int count) {
        bool ok = true;
        for (long long t = first; t < first + count; ++t) {
            const double w = RobustWeight(weightKind_, residual[t] / (s * factor[t]), tuning, tDf, d);
            ok &= std::isfinite(w) && w >= 0.0;
            weights_[t] = w;
        }
        if (!ok) usable.store(false, std::memory_order_relaxed);
    });
    return usable.load();
}

void WLSE::ShowPassCount() {
    progressShown_ = progressCaption_ + " (反復数 = " + std::to_string(iterations_) + " )";
    context_->Services().ProgressCaption(progressShown_);
}

bool WLSE::Reweight(int kind) {
    if (kind < 0) {
        kind = kWeightManual;
        weights_.assign(n_, 1.0);
    }
    ClearAR();
    weightKind_ = kind;
    residualDf_ = n_ - p_;
    madDivisor_ = kind == kWeightAutomatic ? TUpperQuantileApprox(n_ - p_, 0.25f) : NormalUpperQuantileApprox(0.25f);

    // The weights the moments and the covariance were last formed for:
    // while the weights are those to the bit, forming them again would give
    // the same bits, and is skipped.
    std::vector<double> formedWeights;
    auto form = [&] {
        const bool held = formedWeights.size() == weights_.size();
        if (held && std::memcmp(formedWeights.data(), weights_.data(), weights_.size() * sizeof(double)) == 0) return;
        FormCovariance();
        formedWeights = weights_;
    };

    std::vector<double> factor(n_, 1.0), residual(n_), h;
    if (kind > 0) {
        weights_.assign(n_, 1.0);
        if (boundedInfluence) {
            form();
            h.resize(n_);
            Leverages(h.data(), false);
            for (int t = 0; t < n_; ++t) factor[t] = BoundedInfluenceFactor(h[t]);
        }
    }
    // The passes end when the size of the coefficients settles. Each enters
    // times the root mean square of its regressor, so that every term is in
    // the dependent variable's units and the end does not depend on the
    // units of any regressor.
    // One pass over the rows in blocks on the pool, the block sums added
    // in order (the same bits on any number of threads); none for a fit
    // without passes.
    std::vector<double> columnSize(static_cast<std::size_t>(p_), 0.0);
    if (kind > 0) {
        const auto p = static_cast<std::size_t>(p_);
        const long long blocks = (static_cast<long long>(n_) + kMomentChunkRows - 1) / kMomentChunkRows;
        std::vector<long double> parts(static_cast<std::size_t>(blocks) * p, 0.0L);
        ForEachBlock(context_->Pool(), n_, kMomentChunkRows, [&](long long first, int count) {
            long double* part = &parts[static_cast<std::size_t>(first / kMomentChunkRows) * p];
            for (long long t = first; t < first + count; ++t) {
                const double* x = X(t);
                for (std::size_t j = 0; j < p; ++j) part[j] += static_cast<long double>(x[j]) * x[j];
            }
        });
        for (std::size_t j = 0; j < p; ++j) {
            long double sum = 0.0L;
            for (long long b = 0; b < blocks; ++b) sum += parts[static_cast<std::size_t>(b) * p + j];
            columnSize[j] = static_cast<double>(std::sqrt(sum / n_));
        }
    }
    double previous = 0.0;
    bool failed = false;
    iterations_ = 0;
    while (iterations_ < kPassLimit) {
        form();
        if (kind < 1) break;
        // The residuals (and leverages) feed the weight rule alone.
        if (HasWeightRule(kind)) {
            Residuals(residual.data());
            if (kind == kWeightAutomatic) {
                h.resize(n_);
                Leverages(h.data(), true);
                for (int t = 0; t < n_; ++t) factor[t] = BoundedInfluenceFactor(h[t]);
            }
            if (!UpdateWeights(factor.data(), residual.data())) {
                failed = true;
                break;
            }
        }
        double norm = 0.0;
        for (int j = 0; j < p_; ++j) {
            const double b = moments_[j][p_] * columnSize[static_cast<std::size_t>(j)];
            norm += b * b;
        }
        // All-zero coefficients: compare absolutely rather than divide by 0.
        const double change = norm != 0.0 ? std::fabs((previous - norm) / norm) : std::fabs(previous - norm);
        context_->Services().ProgressStep();
        ShowPassCount();
        if (change < kSingleEpsilon) break;
        previous = norm;
        ++iterations_;
    }

    bool ok = true;
    if (!failed && kind > 0 && !IsZeroSeries(weights_.data(), n_)) {
        // Weights that leave too few observations, or a regressor without
        // variation among them, give no fit either.
        form();
        failed = unswept_ >= 0 || EffectiveCount() - p_ < 2;
    }
    if (failed || (kind > 0 && IsZeroSeries(weights_.data(), n_))) {
        ok = false;
        weights_.assign(n_, 1.0);
    }
    form();
    // The transformed rows of the final weights; those whose weight the
    // work arrays hold already (the checks', in a robust fit most) stay.
    TransformRows(weights_.data(), false, WorkRowsWeights());
    WriteTransformedTables();
    return ok;
}

bool WLSE::HuberCovariance() {
    const double c = tuning;
    const double s = scale_;
    if (!std::isfinite(s) || !(s > 0.0)) return false;
    std::vector<double> r(n_);
    results_->ReadSpan(kRowTransformedResidual, 0, n_, r.data());
    const double bound = c * s;
    long double q = 0.0L;
    int inside = 0;
    for (int t = 0; t < n_; ++t) {
        if (std::fabs(r[t]) < bound) ++inside;
        const double psi = std::clamp(r[t], -bound, bound);
        q += static_cast<long double>(psi) * psi;
    }
    if (inside == 0) return false;
    const double pi = static_cast<double>(inside) / n_;
    const double k = (1.0 + ((1.0 - pi) / pi) * (static_cast<double>(p_) / n_)) / pi;
    const double s2 = k * k * static_cast<double>(q) / (n_ - p_);

    // The unweighted sweep of the untransformed data (the fit's own sweep
    // stays for its coefficients); moments_ takes it once the figures
    // prove finite.
    WeightedSums sums;
    BuildSums(data_.data(), nullptr, k_, nullptr, sums);
    LongMatrix unweighted;
    (void)SweptFromSums(sums, false, unweighted);
    Matrix huber(unweighted);
    for (int i = 0; i < p_; ++i)
        for (int j = 0; j < p_; ++j) huber[i][j] = static_cast<double>(unweighted[i][j] * s2);
    std::vector<double> se(static_cast<std::size_t>(p_));
    for (int j = 0; j < p_; ++j) {
        se[static_cast<std::size_t>(j)] = std::sqrt(huber[j][j]);
        if (!std::isfinite(s2) || !std::isfinite(se[static_cast<std::size_t>(j)]))
            throw Exception(NonFiniteCoefficientMessage(names_[static_cast<std::size_t>(j)]));
    }
    moments_.Replace(huber);
    s2_ = s2;
    heldStandardErrors_ = se;
    standardErrors_.swap(se);
    if (shown_) shown_->huber = true;
    return true;
}

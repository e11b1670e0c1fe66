#include "estimators/restricted.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "core/numeric/precise_moments.h"
#include "core/numeric/regression_moments.h"
#include "core/settings/engine_context.h"
#include "estimators/restricted_algebra.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {

// A pivot below this share of its value before any regressor was swept
// has lost its digits.
constexpr double kDigitLoss = 1e-7;
// A pivot at or below this share of its value is rounding noise: the
// regressor is a combination of the others.
constexpr long double kSingularPivot = 0x1p-52L;
// An inflation factor below which the pass over the observations keeps
// more than 12 digits in double precision (centred values).
constexpr long double kMaxDoublePassVif = 1e4L;
// A restriction row whose remainder, after the earlier rows are taken out,
// is at most this share of its largest coefficient depends on them.
constexpr double kDependentRow = 1e-12;

}  // namespace

Restricted::Restricted(const Reg& reg, std::uint16_t groupMask, const std::vector<std::uint8_t>& varFlags,
                       const std::string& depName) {
    std::vector<std::string> names;
    context_ = &reg.Context();
    BuildDesignMatrix(reg, groupMask, &varFlags, false, true, names, data_, depName);
    n_ = data_.Rows();
    k_ = data_.Cols() - 1;
    m_ = 1;
    const std::size_t k = static_cast<std::size_t>(k_), n = static_cast<std::size_t>(n_);
    names_.assign(names.begin(), names.begin() + static_cast<long>(k));
    depName_ = names[k - 1];
    names_[k - 1] = Reg::ConstantName();
    // The residual variance of the unrestricted fit divides by n - k.
    if (n_ <= k_) throw Exception("自由度不足");
    CheckData();

    cov_.Replace(Matrix(k_, k_, 0.0));
    unscaledCov_.Replace(Matrix(k_, k_, 0.0));
    rMatrix_.Replace(Matrix(1, k_, 0.0));
    r_.assign(1, 0.0);
    bRestricted_.assign(k, 0.0);
    residuals_.assign(n, 0.0);
    leverage_.assign(n, 0.0);
    fitted_.assign(n, 0.0);

    SweepMoments(reg.Context());

    // The constant of the unrestricted fit: the mean of y less the slopes
    // times the means of the regressors.
    bOLS_.assign(k, 0.0);
    DoubleDouble constant = yMean_;
    for (int j = 0; j < k_ - 1; ++j) {
        bOLS_[static_cast<std::size_t>(j)] = slopes_[static_cast<std::size_t>(j)].ToDouble();
        constant -= slopes_[static_cast<std::size_t>(j)] * means_[static_cast<std::size_t>(j)];
    }
    bOLS_[k - 1] = constant.ToDouble();
    // The first coefficient fixed at its own estimate: F = 0.
    rMatrix_[0][0] = 1.0;
    r_[0] = bOLS_[0];
}

void Restricted::CheckData() const {
    // Regressors and the dependent; the constant column is the builder's.
    // Row by row, as the values lie; the first bad one is named.
    const double* values = data_.Data();
    const long long stride = k_ + 1;
    for (long long i = 0; i < n_; ++i) {
        const double* row = values + i * stride;
        double sum = 0.0;
        for (int j = 0; j < k_; ++j) sum += row[j] * 0.0;
        if (sum == 0.0) continue;  // NaN for any value that is not finite
        for (int j = 0; j < k_; ++j)
            if (!std::isfinite(row[j])) {
                const std::string& name = j == k_ - 1 ? depName_ : names_[static_cast<std::size_t>(j)];
                throw Exception("変数 " + name + " の " + std::to_string(i + 1) +
                                " 番目の値が有限の数値ではありません。");
            }
    }
}

void Restricted::SweepMoments(EngineContext& context) {
    const int p = k_ - 1;  // regressors; the dependent's row and column is p
    LongMatrix m;
    BuildDesignMoments(data_.Data(), n_, k_ + 1, p + 1, m, context.Pool());
    syy_ = static_cast<double>(m[p][p]);
    const std::size_t ps = static_cast<std::size_t>(p);
    // The sweeps rewrite the row of means: take them first.
    std::vector<long double> original(ps), mean(ps);
    for (int i = 0; i < p; ++i) {
        original[static_cast<std::size_t>(i)] = m[i][i];
        mean[static_cast<std::size_t>(i)] = m[p + 1][i];
    }
    const long double yMean = m[p + 1][p];
    bool singular = false;
    for (int i = 0; i < p; ++i) {
        // A pivot that was zero from the start (a constant regressor) has
        // lost everything too.
        const long double pivot = m[i][i], before = original[static_cast<std::size_t>(i)];
        if (!(pivot >= before * kDigitLoss) || pivot == 0.0L) lostDigits_ = true;
        if (!(pivot > before * kSingularPivot) || pivot == 0.0L) {
            singular = true;
            break;
        }
        (void)m.Sweep(i);
    }
    if (lostDigits_) WarningBox(context.Services(), "桁落ちが存在します。");
    if (singular) throw EZeroDivide("INVERSE ERROR!");

    long double largestVif = 0.0L;
    for (int i = 0; i < p; ++i) largestVif = std::max(largestVif, m[i][i] * original[static_cast<std::size_t>(i)]);
    const bool precise = lostDigits_ || !(largestVif < kMaxLongDoubleVif);
    doublePass_ = !precise && largestVif < kMaxDoublePassVif;

    sInverse_.assign(ps * ps, DoubleDouble());
    slopes_.assign(ps, DoubleDouble());
    means_.assign(ps, DoubleDouble());
    if (precise) {
        PreciseMatrix dd = BuildPreciseMoments(data_.Data(), n_, k_ + 1, p + 1);
        for (int i = 0; i < p; ++i) means_[static_cast<std::size_t>(i)] = dd.At(p + 1, i);
        yMean_ = dd.At(p + 1, p);
        for (int i = 0; i < p; ++i)
            if (!SweepPrecise(dd, i)) throw EZeroDivide("INVERSE ERROR!");
        for (int i = 0; i < p; ++i) {
            for (int j = 0; j < p; ++j) sInverse_[static_cast<std::size_t>(i) * ps + j] = dd.At(i, j);
            slopes_[static_cast<std::size_t>(i)] = dd.At(i, p);
        }
        sseU_ = dd.At(p, p);
        return;
    }
    for (int i = 0; i < p; ++i) {
        for (int j = 0; j < p; ++j) sInverse_[static_cast<std::size_t>(i) * ps + j] = ToDoubleDouble(m[i][j]);
        slopes_[static_cast<std::size_t>(i)] = ToDoubleDouble(m[i][p]);
        means_[static_cast<std::size_t>(i)] = ToDoubleDouble(mean[static_cast<std::size_t>(i)]);
    }
    yMean_ = ToDoubleDouble(yMean);
    sseU_ = ToDoubleDouble(m[p][p]);
}

void Restricted::AddRestriction() {
    rMatrix_.Resize(m_ + 1, k_, true);
    r_.push_back(0.0);
    ++m_;
}

void Restricted::DeleteRestriction(int j) {
    if (j < 0 || j >= m_) return;
    Matrix kept(m_ - 1, k_, 0.0);
    for (int a = 0, row = 0; a < m_; ++a) {
        if (a == j) continue;
        for (int c = 0; c < k_; ++c) kept[row][c] = rMatrix_[a][c];
        ++row;
    }
    rMatrix_.Replace(kept);
    r_.erase(r_.begin() + j);
    --m_;
}

bool Restricted::RestrictionsIndependent() const {
    std::vector<std::vector<double>> reduced;
    std::vector<int> pivots;
    for (int j = 0; j < m_; ++j) {
        std::vector<double> row(rMatrix_[j], rMatrix_[j] + k_);
        double scale = 0.0;
        for (double v : row) scale = std::max(scale, std::abs(v));
        if (!(scale > 0.0) || !std::isfinite(scale)) return false;
        for (std::size_t q = 0; q < reduced.size(); ++q) {
            const double f = row[static_cast<std::size_t>(pivots[q])] / reduced[q][static_cast<std::size_t>(pivots[q])];
            for (int c = 0; c < k_; ++c) row[static_cast<std::size_t>(c)] -= f * reduced[q][static_cast<std::size_t>(c)];
        }
        int pivot = 0;
        for (int c = 1; c < k_; ++c)
            if (std::abs(row[static_cast<std::size_t>(c)]) > std::abs(row[static_cast<std::size_t>(pivot)])) pivot = c;
        if (!(std::abs(row[static_cast<std::size_t>(pivot)]) > kDependentRow * scale)) return false;
        reduced.push_back(row);
        pivots.push_back(pivot);
    }
    return true;
}

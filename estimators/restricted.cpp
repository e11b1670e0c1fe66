#include "estimators/restricted.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/statistics.h"
#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {

// A pivot below this share of its value before any regressor was swept
// has lost its digits.
constexpr double kDigitLoss = 1e-7;
// A restriction row whose remainder, after the earlier rows are taken out,
// is at most this share of its largest coefficient depends on them.
constexpr double kDependentRow = 1e-12;
// The iterative inverse can settle on the well-determined directions
// before the nearly singular one has grown in; such a result is no
// inverse. True when a * inverse is the identity within kIdentityTolerance.
constexpr double kIdentityTolerance = 1e-6;

bool ReproducesIdentity(const Matrix& a, const Matrix& inverse, int k) {
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j) {
            long double s = 0.0L;
            for (int l = 0; l < k; ++l) s += static_cast<long double>(a[i][l]) * inverse[l][j];
            const long double deviation = s - (i == j ? 1.0L : 0.0L);
            if (!(std::abs(deviation) <= kIdentityTolerance)) return false;
        }
    return true;
}

}  // namespace

Restricted::Restricted(const Reg& reg, std::uint16_t groupMask, const std::vector<std::uint8_t>& varFlags,
                       const std::string& depName) {
    Matrix d;
    std::vector<std::string> names;
    context_ = &reg.Context();
    BuildDesignMatrix(reg, groupMask, &varFlags, false, true, names, d, depName);
    n_ = d.Rows();
    k_ = d.Cols() - 1;
    m_ = 1;
    const std::size_t k = static_cast<std::size_t>(k_), n = static_cast<std::size_t>(n_);
    x_.Replace(Matrix(n_, k_, 1.0));
    y_.assign(n, 0.0);
    for (int i = 0; i < n_; ++i) {
        y_[static_cast<std::size_t>(i)] = d[i][k_ - 1];
        for (int j = 0; j < k_ - 1; ++j) x_[i][j] = d[i][j];
    }
    names_.assign(names.begin(), names.begin() + static_cast<long>(k));
    depName_ = names[k - 1];
    names_[k - 1] = Reg::ConstantName();
    cov_.Replace(Matrix(k_, k_, 0.0));
    rMatrix_.Replace(Matrix(1, k_, 0.0));
    r_.assign(1, 0.0);
    bRestricted_.assign(k, 0.0);
    residuals_.assign(n, 0.0);
    leverage_.assign(n, 0.0);
    fitted_.assign(n, 0.0);
    xty_.assign(k, 0.0);
    for (int j = 0; j < k_; ++j) {
        long double s = 0.0L;
        for (int i = 0; i < n_; ++i) s += static_cast<long double>(x_[i][j]) * y_[static_cast<std::size_t>(i)];
        xty_[static_cast<std::size_t>(j)] = static_cast<double>(s);
    }

    Invert(reg.Context());

    bOLS_.assign(k, 0.0);
    for (int i = 0; i < k_; ++i) {
        long double s = 0.0L;
        for (int j = 0; j < k_; ++j) s += static_cast<long double>(xtxInv_[i][j]) * xty_[static_cast<std::size_t>(j)];
        bOLS_[static_cast<std::size_t>(i)] = static_cast<double>(s);
    }
    // The first coefficient fixed at its own estimate: F = 0.
    rMatrix_[0][0] = 1.0;
    r_[0] = bOLS_[0];
}

void Restricted::Invert(EngineContext& context) {
    auto moments = [&](Matrix& m) { BuildMomentMatrix(x_, n_, k_ - 1, m, context.Pool()); };
    moments(xtxInv_);
    std::vector<double> tol(static_cast<std::size_t>(k_));
    for (int i = 0; i < k_; ++i) tol[static_cast<std::size_t>(i)] = std::abs(xtxInv_[i][i]) * kDigitLoss;
    for (int i = 0; i < k_ - 1; ++i) {
        // A pivot that was zero from the start (a constant regressor) has
        // lost everything too.
        const double pivot = std::abs(xtxInv_[i][i]);
        if (pivot < tol[static_cast<std::size_t>(i)] || pivot == 0.0) lostDigits_ = true;
        (void)xtxInv_.Sweep(i);
    }
    if (!lostDigits_) return;
    WarningBox(context.Services(), "桁落ちが存在します。");
    // X'X itself: the moment matrix with the constant swept back out.
    Matrix xtx;
    moments(xtx);
    (void)xtx.Sweep(k_ - 1);
    Matrix inverse;
    if (xtx.InvertIterative(inverse, k_) && ReproducesIdentity(xtx, inverse, k_)) {
        xtxInv_.Replace(inverse);
        return;
    }
    xtxInv_.Replace(xtx.Inverse());
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

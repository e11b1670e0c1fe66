#include "estimators/multicollinearity.h"

#include <cmath>
#include <limits>

#include "core/model/perfect_fit.h"
#include "core/numeric/statistics.h"
#include "estimators/ridge_grid.h"
#include "platform/errors.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The leading n x n block of a as a matrix of its own.
Matrix Block(const Matrix& a, int n) {
    Matrix b(n, n);
    b.Assign(a);
    return b;
}

bool AllFinite(const Matrix& a) {
    for (int i = 0; i < a.Rows(); ++i)
        for (int j = 0; j < a.Cols(); ++j)
            if (!std::isfinite(a[i][j])) return false;
    return true;
}

bool AllFinite(const std::vector<double>& v) {
    for (double x : v)
        if (!std::isfinite(x)) return false;
    return true;
}

bool Varies(const Matrix& a, int j) {
    for (int t = 1; t < a.Rows(); ++t)
        if (a[t][j] != a[0][j]) return true;
    return false;
}

}  // namespace

const std::array<double, kRidgeTableConstants>& RidgeTableConstants() {
    static const std::array<double, kRidgeTableConstants> constants = [] {
        std::array<double, kRidgeTableConstants> c{};
        c[0] = 0.0;
        c[1] = 0.00005;
        int i = 2;
        for (double unit : {0.0001, 0.001, 0.01})
            for (int f = 1; f <= 9; ++f) c[static_cast<std::size_t>(i++)] = f * unit;
        c[29] = 0.1;
        return c;
    }();
    return constants;
}

MclEigenPage MclEigenPageOf(const Matrix& m, int p) {
    MclEigenPage page;
    if (p < 2) {
        page.eigenvalues.assign(static_cast<std::size_t>(std::max(p, 0)), 0.0);
        return page;
    }
    Vector values;
    Matrix vectors;
    if (!Block(m, p).Eigen(values, vectors)) {
        page.status = MclEigenPage::Status::kFailed;
        return page;
    }
    // Rounding noise around a zero eigenvalue counts as zero, which then
    // divides as 2^-23.
    std::vector<double> lambda(static_cast<std::size_t>(p));
    for (int k = 0; k < p; ++k) {
        const double v = values.At(k);
        lambda[static_cast<std::size_t>(k)] = std::fabs(v) < kSingleEpsilon ? 0.0 : v;
    }
    auto divisor = [](double l) { return l == 0.0 ? kMclZeroEigenvalue : l; };
    page.eigenvalues = lambda;
    page.conditionNumber = std::sqrt(lambda[0] / divisor(lambda.back()));
    for (double l : lambda) page.conditionIndex.push_back(lambda[0] / divisor(l));
    page.proportion.assign(static_cast<std::size_t>(p), std::vector<double>(static_cast<std::size_t>(p)));
    for (int j = 0; j < p; ++j) {
        std::vector<double>& share = page.proportion[static_cast<std::size_t>(j)];
        double vif = 0.0;
        for (int k = 0; k < p; ++k) {
            share[static_cast<std::size_t>(k)] = vectors[j][k] * vectors[j][k] / divisor(lambda[static_cast<std::size_t>(k)]);
            vif += share[static_cast<std::size_t>(k)];
        }
        for (double& s : share) s /= vif;
        page.vif.push_back(vif);
    }
    bool finite = std::isfinite(page.conditionNumber) && AllFinite(page.conditionIndex) && AllFinite(page.vif);
    for (const auto& share : page.proportion) finite = finite && AllFinite(share);
    if (!finite) return MclEigenPage{MclEigenPage::Status::kFailed, 0.0, {}, {}, {}, {}};
    page.status = MclEigenPage::Status::kDone;
    return page;
}

std::optional<double> MclRidgeFit::StudentisedResidual(int i) const {
    if (i < 0 || i >= static_cast<int>(residual.size())) return std::nullopt;
    const auto t = static_cast<std::size_t>(i);
    const double v = (1.0 - leverage[t]) * s2Held;
    if (!(v > 0.0)) return std::nullopt;
    const double r = residual[t] / std::sqrt(v);
    return std::isfinite(r) ? std::optional<double>(r) : std::nullopt;
}

std::vector<double> MclRidgeFit::StudentisedResiduals() const {
    std::vector<double> r(residual.size());
    for (std::size_t i = 0; i < r.size(); ++i) r[i] = StudentisedResidual(static_cast<int>(i)).value_or(0.0);
    return r;
}

Multicollinearity::Multicollinearity(MclData data)
    : n_(data.x.Rows()), p_(data.x.Cols() - 1), generalised_(data.generalised), names_(std::move(data.names)),
      leftOut_(std::move(data.leftOut)), x_(std::move(data.x)) {
    Matrix y = std::move(data.y);
    if (p_ < 1) throw Exception("説明変数がありません。");
    if (y.Rows() != n_ || y.Cols() != p_ + 1 || static_cast<int>(names_.size()) != p_ + 1)
        throw ERangeError(kRangeErrorText);
    if (n_ <= p_) throw Exception("自由度不足");
    if (!AllFinite(x_) || !AllFinite(y)) throw Exception("データに数値でない値があります。");
    if (!Varies(x_, p_) || !Varies(y, p_)) throw Exception("被説明変数に変動がありません。");
    for (int j = 0; j <= p_; ++j) {
        x_.StandardizeColumn(j, false);
        y.StandardizeColumn(j, false);
    }
    ComputeCrossProducts(y, x_, b_, &s_);
    ComputeGramMatrix(x_, gram_);

    Matrix m = Block(b_, p_);
    if (generalised_) {
        try {
            Matrix inverse = m.Inverse();
            Matrix sp = Block(s_, p_);
            SandwichProduct(inverse, sp, p_);
            m.Replace(inverse.Inverse());
        } catch (const EZeroDivide&) {
            eigen_.status = MclEigenPage::Status::kFailed;
            return;
        }
    }
    eigen_ = MclEigenPageOf(m, p_);
}

std::vector<double> Multicollinearity::RidgeCoefficients(double k) const {
    Matrix a = b_;
    for (int j = 0; j < p_; ++j) a[j][j] += k;
    for (int j = 0; j < p_; ++j)
        if (a.Sweep(j) == SweepResult::kZeroPivot) return std::vector<double>(static_cast<std::size_t>(p_), kNaN);
    std::vector<double> coef(static_cast<std::size_t>(p_));
    for (int j = 0; j < p_; ++j) coef[static_cast<std::size_t>(j)] = a[j][p_];
    return coef;
}

Matrix Multicollinearity::VarianceFactor(double k) const {
    Matrix bk = Block(b_, p_);
    for (int j = 0; j < p_; ++j) bk[j][j] += k;
    Matrix w = bk.Inverse();
    Matrix sp = Block(s_, p_);
    SandwichProduct(w, sp, p_);
    return w;
}

std::vector<double> Multicollinearity::RidgeVif(double k) const {
    const Matrix w = VarianceFactor(k);
    std::vector<double> vif(static_cast<std::size_t>(p_));
    for (int j = 0; j < p_; ++j) vif[static_cast<std::size_t>(j)] = w[j][j];
    return vif;
}

std::optional<std::vector<double>> Multicollinearity::SEigenvalues() const {
    Vector values;
    Matrix vectors;
    if (!Block(s_, p_).Eigen(values, vectors)) return std::nullopt;
    std::vector<double> lambda;
    for (int k = 0; k < p_; ++k) lambda.push_back(values.At(k));
    if (!AllFinite(lambda)) return std::nullopt;
    return lambda;
}

std::optional<double> Multicollinearity::AutomaticK() const {
    const auto lambda = SEigenvalues();
    if (!lambda) return std::nullopt;
    const std::vector<double> b0 = RidgeCoefficients(0.0);
    double rss0 = 0.0;
    for (int i = 0; i < n_; ++i) {
        double e = x_[i][p_];
        for (int j = 0; j < p_; ++j) e -= b0[static_cast<std::size_t>(j)] * x_[i][j];
        rss0 += e * e;
    }
    const double s0Squared = rss0 / (n_ - p_);
    // RSS(k) = d'd - 2 b'X'd + b'X'X b: the grid needs no pass over the
    // observations.
    auto rss = [this](double k) {
        const std::vector<double> b = RidgeCoefficients(k);
        double r = gram_[p_][p_];
        for (int j = 0; j < p_; ++j) {
            const double bj = b[static_cast<std::size_t>(j)];
            r -= 2.0 * bj * gram_[j][p_];
            for (int l = 0; l < p_; ++l) r += bj * b[static_cast<std::size_t>(l)] * gram_[j][l];
        }
        return r;
    };
    const RidgeGridResult best = SearchRidgeGrid(
        [&](double k) { return rss(k) / s0Squared - n_ + 2.0 * RidgeEffectiveParameters(*lambda, k); }, {});
    return best.k > 0.0 ? best.k : kMclZeroEigenvalue;
}

std::optional<MclRidgeFit> Multicollinearity::Fit(double k) const {
    if (!std::isfinite(k)) return std::nullopt;
    const auto lambda = SEigenvalues();
    if (!lambda) return std::nullopt;
    MclRidgeFit f;
    f.k = k;
    f.n = n_;
    f.p = p_;
    f.coef = RidgeCoefficients(k);
    Matrix w;
    try {
        w.Replace(VarianceFactor(k));
    } catch (const EZeroDivide&) {
        return std::nullopt;
    }
    f.observed.resize(static_cast<std::size_t>(n_));
    f.fitted.resize(static_cast<std::size_t>(n_));
    f.residual.resize(static_cast<std::size_t>(n_));
    f.leverage.resize(static_cast<std::size_t>(n_));
    for (int i = 0; i < n_; ++i) {
        const double* x = x_[i];
        double fitted = 0.0, h = 0.0;
        for (int j = 0; j < p_; ++j) {
            fitted += f.coef[static_cast<std::size_t>(j)] * x[j];
            double wx = 0.0;
            for (int l = 0; l < p_; ++l) wx += w[j][l] * x[l];
            h += x[j] * wx;
        }
        const auto t = static_cast<std::size_t>(i);
        f.observed[t] = x[p_];
        f.fitted[t] = fitted;
        f.residual[t] = x[p_] - fitted;
        f.leverage[t] = h;
        f.rss += f.residual[t] * f.residual[t];
    }
    f.s2 = f.rss / (n_ - p_);
    f.r2 = 1.0 - f.rss;
    // The standardised y has a sum of squares of 1. Where s2 is a perfect
    // fit's rounding (least squares at k = 0 on exact data) it is held at
    // its floor wherever a figure divides by it.
    const double floor = VarianceFloorOf(1.0 / (n_ - 1));
    const bool perfect = IsRoundingVariance(f.s2, floor);
    f.s2Held = HeldAtFloor(f.s2, floor);
    for (int j = 0; j < p_; ++j) {
        const double vif = w[j][j];
        f.vif.push_back(vif);
        f.stdErr.push_back(vif >= 0.0 ? std::sqrt(vif * f.s2) : -1.0);
        f.heldStdErr.push_back(vif >= 0.0 ? std::sqrt(vif * f.s2Held) : -1.0);
    }
    const double effective = n_ - RidgeEffectiveParameters(*lambda, k);
    f.gcv = f.rss / (effective * effective);
    const ResidualTests tests = ResidualTestsOf(f.fitted.data(), f.residual.data(), n_, perfect);
    f.dw = tests.durbinWatson;
    f.gk = tests.gk;
    f.gkLevel = ChiSquare1SignificanceLevel(f.gk);
    const bool finite = AllFinite(f.coef) && AllFinite(f.stdErr) && AllFinite(f.fitted) && AllFinite(f.leverage) &&
                        std::isfinite(f.rss) && std::isfinite(f.gcv) && std::isfinite(f.dw) && std::isfinite(f.gk);
    if (!finite) return std::nullopt;
    return f;
}

MclRidgeTable Multicollinearity::Table(double scale) const {
    MclRidgeTable t;
    t.scale = scale;
    t.xMax = 0.1 / scale;
    t.coef.resize(static_cast<std::size_t>(p_));
    const auto& constants = RidgeTableConstants();
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (std::size_t i = 0; i < constants.size(); ++i) {
        t.k[i] = constants[i] / scale;
        const std::vector<double> b = RidgeCoefficients(t.k[i]);
        for (int j = 0; j < p_; ++j) {
            const double v = b[static_cast<std::size_t>(j)];
            t.coef[static_cast<std::size_t>(j)][i] = v;
            // Least squares (the first constant) may lie far off the
            // curves; the range leaves it out.
            if (i == 0) continue;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    t.yMin = lo < 0.0 ? 1.2 * lo : 0.0;
    t.yMax = 1.2 * hi;
    return t;
}

int Multicollinearity::NearestCurve(double k, double value) const {
    const std::vector<double> b = RidgeCoefficients(k);
    int best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int j = 0; j < p_; ++j) {
        const double d = std::fabs(b[static_cast<std::size_t>(j)] - value);
        if (d < bestDistance) {
            bestDistance = d;
            best = j;
        }
    }
    return best;
}

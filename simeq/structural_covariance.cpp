// The cross-equation covariance and the LIML ratio of a RegFile.
#include <algorithm>
#include <cmath>

#include "core/data/variable.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "platform/errors.h"
#include "simeq/structural_store.h"

namespace {

constexpr int kBlockRows = 4096;

// Predetermined variables whose remaining spread is below this share of
// their own are already explained by those swept before.
constexpr long double kExplainedShare = 0x1p-40L;

const char* const kNotPositiveDefinite =
    "LIML 比を計算できません: 全先決変数で説明した後の内生変数の残差積和行列 W が正定値ではありません。";

bool IsPredetermined(int type) { return type == Var::kExogenous || type == Var::kLagged; }

void SweepIfUsable(LongMatrix& m, int v, long double own) {
    if (own > 0.0L && m[v][v] > kExplainedShare * own) static_cast<void>(m.Sweep(v));
}

LimlRatio NotFormed(const std::string& why) {
    LimlRatio r;
    r.message = why;
    return r;
}

LimlRatio Formed(double value) {
    if (!std::isfinite(value)) return NotFormed(kNotPositiveDefinite);
    LimlRatio r;
    r.formed = true;
    r.value = value;
    return r;
}

}  // namespace

std::vector<long double> RegFile::CoefficientTransform() const {
    // The coefficients' inverse cross-products P times an observed row x
    // (the constant 1.0 last) is T u with u = (x - m, 1), m the first-stage
    // means and T = [C 0; -m'C 1/n], C the swept block of the regressors.
    const int q = k_ - 1, k = k_;
    std::vector<long double> t(static_cast<std::size_t>(k) * k, 0.0L);
    for (int r = 0; r < q; ++r)
        for (int c = 0; c < q; ++c) t[static_cast<std::size_t>(r) * k + c] = moments_[r][c];
    for (int c = 0; c < q; ++c) {
        long double v = 0.0L;
        for (int r = 0; r < q; ++r) v -= unswept_[k_][r] * moments_[r][c];
        t[static_cast<std::size_t>(q) * k + c] = v;
    }
    t[static_cast<std::size_t>(q) * k + q] = 1.0L / n_;
    return t;
}

void RegFile::CrossCovariance(const RegFile& other, Matrix& out) const {
    const int ka = k_, kb = other.k_;
    if (&other == this) {
        Matrix result = SweptBlock();
        for (int r = 0; r < ka; ++r)
            for (int c = 0; c < ka; ++c) result[r][c] *= s2_;
        out.Replace(result);
        return;
    }
    if (other.n_ != n_) throw ERangeError("観測数の異なる式の共分散は求められません。");
    const int qa = ka - 1, qb = kb - 1, cols = qa + qb;

    // The cross-products of the observed regressors about their means by
    // the moment method, and the residual cross-product, block by block.
    const int aCols = observed_->Cols(), bCols = other.observed_->Cols();
    auto observedRow = [&](const double* oa, const double* ob, double* out) {
        for (int i = 0; i < qa; ++i) out[i] = oa[columns_[static_cast<std::size_t>(i)]];
        for (int j = 0; j < qb; ++j) out[qa + j] = ob[other.columns_[static_cast<std::size_t>(j)]];
    };
    const long long sampleCount = MomentSampleCount(n_);
    std::vector<double> sample(static_cast<std::size_t>(sampleCount) * std::max(cols, 1));
    {
        std::vector<double> ra(static_cast<std::size_t>(aCols)), rb(static_cast<std::size_t>(bCols));
        for (long long s = 0; s < sampleCount; ++s) {
            const int t = static_cast<int>(MomentSampleRow(s, n_));
            observed_->ReadRow(t, ra.data());
            other.observed_->ReadRow(t, rb.data());
            observedRow(ra.data(), rb.data(), sample.data() + s * cols);
        }
    }
    // (An equation of the constant term alone has no regressor to sum.)
    std::vector<double> shift(static_cast<std::size_t>(std::max(cols, 1)), 0.0);
    MomentShiftFromSample(sample.data(), sampleCount, cols, cols, shift.data());
    MomentAccumulator sums(std::max(cols, 1), shift.data());
    long double sab = 0.0L;
    const int aw = ka + 3, bw = kb + 3;
    const std::size_t block = static_cast<std::size_t>(std::min(kBlockRows, n_));
    std::vector<double> aObs(block * aCols), bObs(block * bCols), aRec(block * aw), bRec(block * bw),
        both(block * std::max(cols, 1));
    for (int first = 0; first < n_; first += kBlockRows) {
        const int count = std::min(kBlockRows, n_ - first);
        observed_->ReadRows(first, count, aObs.data());
        other.observed_->ReadRows(first, count, bObs.data());
        rows_->ReadRows(first, count, aRec.data());
        other.rows_->ReadRows(first, count, bRec.data());
        for (int r = 0; r < count; ++r) {
            observedRow(aObs.data() + static_cast<std::size_t>(r) * aCols, bObs.data() + static_cast<std::size_t>(r) * bCols,
                        both.data() + static_cast<std::size_t>(r) * cols);
            sab += static_cast<long double>(aRec[static_cast<std::size_t>(r) * aw + ka + 1]) *
                   bRec[static_cast<std::size_t>(r) * bw + kb + 1];
        }
        if (cols > 0) sums.Add(both.data(), count, cols);
    }
    LongMatrix m;
    if (cols > 0) sums.Finish(m);

    // U = sum of u_a u_b' with u = (x - first-stage mean, 1): the centred
    // cross-products moved to the first-stage means, which the observed
    // means meet but for rounding.
    const long double n = n_;
    std::vector<long double> da(static_cast<std::size_t>(qa)), db(static_cast<std::size_t>(qb));
    for (int i = 0; i < qa; ++i) da[static_cast<std::size_t>(i)] = m[cols][i] - unswept_[k_][i];
    for (int j = 0; j < qb; ++j) db[static_cast<std::size_t>(j)] = m[cols][qa + j] - other.unswept_[other.k_][j];
    std::vector<long double> u(static_cast<std::size_t>(ka) * kb, 0.0L);
    for (int i = 0; i < qa; ++i) {
        for (int j = 0; j < qb; ++j)
            u[static_cast<std::size_t>(i) * kb + j] = m[i][qa + j] + n * da[static_cast<std::size_t>(i)] * db[static_cast<std::size_t>(j)];
        u[static_cast<std::size_t>(i) * kb + qb] = n * da[static_cast<std::size_t>(i)];
    }
    for (int j = 0; j < qb; ++j) u[static_cast<std::size_t>(qa) * kb + j] = n * db[static_cast<std::size_t>(j)];
    u[static_cast<std::size_t>(qa) * kb + qb] = n;

    // s_AB T_A U T_B'.
    const std::vector<long double> ta = CoefficientTransform(), tb = other.CoefficientTransform();
    std::vector<long double> tu(static_cast<std::size_t>(ka) * kb, 0.0L);
    for (int r = 0; r < ka; ++r)
        for (int c = 0; c < kb; ++c) {
            long double v = 0.0L;
            for (int l = 0; l < ka; ++l) v += ta[static_cast<std::size_t>(r) * ka + l] * u[static_cast<std::size_t>(l) * kb + c];
            tu[static_cast<std::size_t>(r) * kb + c] = v;
        }
    const long double scale = sab / (n_ - 1);
    Matrix result(ka, kb);
    for (int r = 0; r < ka; ++r)
        for (int c = 0; c < kb; ++c) {
            long double v = 0.0L;
            for (int l = 0; l < kb; ++l) v += tu[static_cast<std::size_t>(r) * kb + l] * tb[static_cast<std::size_t>(c) * kb + l];
            result[r][c] = static_cast<double>(scale * v);
        }
    out.Replace(result);
}

LimlRatio RegFile::ComputeLimlRoot() const {
    const Reg& model = *model_;
    const int v = model.GetVarCount();
    std::vector<int> mark(static_cast<std::size_t>(v), -1);
    for (int i = 0; i < k_ - 1; ++i) {
        const int j = model.FindVar(names_[static_cast<std::size_t>(i)]);
        if (j >= 0 && j < v) mark[static_cast<std::size_t>(j)] = 1;
    }
    const int dep = model.FindVar(names_[static_cast<std::size_t>(k_ - 1)]);
    if (dep >= 0 && dep < v) mark[static_cast<std::size_t>(dep)] = 0;

    std::vector<int> endo;
    for (int j = 0; j < v; ++j)
        if (model.GetVarType(j) == Var::kEndogenous && mark[static_cast<std::size_t>(j)] >= 0) endo.push_back(j);
    const int g = static_cast<int>(endo.size());
    if (g == 0) return Formed(0.0);

    LongMatrix d1(model.PreciseMoments()), d2(model.PreciseMoments());
    if (d1.Rows() < v + 1 || d1.Cols() < v + 1) return NotFormed("LIML 比を計算できません: データのモーメント行列がありません。");
    for (int j = 0; j < v; ++j) {
        if (!IsPredetermined(model.GetVarType(j))) continue;
        const long double own = d2[j][j];
        if (mark[static_cast<std::size_t>(j)] == 1) SweepIfUsable(d1, j, own);
        SweepIfUsable(d2, j, own);
    }
    Matrix w0(g, g), w(g, g);
    for (int s = 0; s < g; ++s)
        for (int t = 0; t < g; ++t) {
            w0[s][t] = static_cast<double>(d1[endo[s]][endo[t]]);
            w[s][t] = static_cast<double>(d2[endo[s]][endo[t]]);
        }

    if (g == 1) {
        if (!(w[0][0] > 0.0)) return NotFormed(kNotPositiveDefinite);
        return Formed(w0[0][0] / w[0][0]);
    }
    if (g == 2) {
        const double w00 = w[0][0], w10 = w[1][0], w11 = w[1][1];
        const double c00 = w0[0][0], c10 = w0[1][0], c11 = w0[1][1];
        const double p = w00 * w11 - w10 * w10;
        const double q = 2.0 * w10 * c10 - w11 * c00 - w00 * c11;
        const double r = c00 * c11 - c10 * c10;
        // det W judged against the scale of W, so that the units of the data
        // do not decide which form is used.
        const double scale = std::fabs(w00 * w11);
        if (!(w00 > 0.0) || !(w11 > 0.0) || p < -kSingleEpsilon * scale) return NotFormed(kNotPositiveDefinite);
        if (std::fabs(p) < kSingleEpsilon * scale) {
            if (q == 0.0) return NotFormed(kNotPositiveDefinite);
            return Formed(-r / q);
        }
        // Rounding may push a double root's discriminant below zero.
        const double disc = std::max(0.0, q * q - 4.0 * p * r);
        return Formed((-q - std::sqrt(disc)) / (2.0 * p));
    }
    try {
        Matrix u(g, g), l(g, g);
        CholeskyDecompose(w.Data(), g, u.Data(), g, g);
        for (int p = 0; p < g; ++p)
            if (u[p][p] * u[p][p] <= kSingleEpsilon * w[p][p]) return NotFormed(kNotPositiveDefinite);
        TransposeCopy(u.Data(), g, l.Data(), g, g, g);
        for (int p = 0; p < g; ++p)
            if (l.Sweep(p) != SweepResult::kSwept || u.Sweep(p) != SweepResult::kSwept)
                return NotFormed(kNotPositiveDefinite);
        TripleProduct(l, w0, u, g);
        Vector values;
        Matrix vectors;
        if (!w0.Eigen(values, vectors))
            return NotFormed("LIML 比を計算できません: 固有値の計算が収束しませんでした。");
        return Formed(values.At(g - 1));
    } catch (const EMathError&) {
        return NotFormed(kNotPositiveDefinite);
    }
}

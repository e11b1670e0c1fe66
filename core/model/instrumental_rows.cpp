// RegIV: the per-observation diagnostics and influence rows, the partial
// residuals, the comparison with least squares and the prediction. With the
// constant term in the model every row is taken about the means, as the fit
// itself is (instrumental_fit.cpp): the forms then keep their digits on data
// far from zero beside their spread.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/model/instrumental_fit.h"
#include "core/model/instrumental_moments.h"
#include "core/model/instrumental_passes.h"
#include "core/model/instrumental_rows.h"
#include "core/model/leverage_forms.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "core/numeric/tolerance_interval.h"
#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {

using namespace instrumental_rows;

constexpr int kBlock = kLeverageBlock;

// A value below 2^-23 counts as zero (also a NaN from 0 / 0).
double ZeroBelowEpsilon(double x) { return x >= kSingleEpsilon ? x : 0.0; }

std::size_t At(int a, int t) { return static_cast<std::size_t>(a) * kBlock + static_cast<std::size_t>(t); }

// The q x q block of m over vars, as doubles.
std::vector<double> BlockOf(const Matrix& m, const std::vector<int>& vars) {
    const auto q = vars.size();
    std::vector<double> out(q * q);
    for (std::size_t a = 0; a < q; ++a)
        for (std::size_t c = 0; c < q; ++c) out[a * q + c] = m[vars[a]][vars[c]];
    return out;
}

// q' D^-1 q for the p x p matrix D (row-major, p = q.size()) by elimination
// with partial pivoting: a solve, not the inverse. The difference of two
// covariance matrices is nearly singular along what both estimates share,
// and q lies clear of that direction; an explicit inverse would spread
// its rounding there over every element. EZeroDivide "INVERSE ERROR!" at
// a zero pivot, as the inverse gives.
long double InverseQuadraticForm(std::vector<long double> d, const std::vector<long double>& q) {
    const std::size_t p = q.size();
    std::vector<long double> x = q;
    for (std::size_t c = 0; c < p; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < p; ++r)
            if (std::fabs(d[r * p + c]) > std::fabs(d[pivot * p + c])) pivot = r;
        if (!(d[pivot * p + c] != 0.0L)) throw EZeroDivide("INVERSE ERROR!");
        if (pivot != c) {
            for (std::size_t k = 0; k < p; ++k) std::swap(d[c * p + k], d[pivot * p + k]);
            std::swap(x[c], x[pivot]);
        }
        for (std::size_t r = c + 1; r < p; ++r) {
            const long double f = d[r * p + c] / d[c * p + c];
            for (std::size_t k = c + 1; k < p; ++k) d[r * p + k] -= f * d[c * p + k];
            x[r] -= f * x[c];
        }
    }
    long double sum = 0.0L;
    for (std::size_t c = p; c-- > 0;) {
        for (std::size_t k = c + 1; k < p; ++k) x[c] -= d[c * p + k] * x[k];
        x[c] /= d[c * p + c];
        sum += q[c] * x[c];
    }
    return sum;
}

}  // namespace

void RegIV::ComputeDiagnostics() {
    if (diagnosticsDone_) return;
    EnsureLeverages();
    const InstrumentalForms f = FitForms(false);
    const int q = static_cast<int>(f.vars.size());
    const double* e = analysis_->Row(kResidual);
    // H[r][t] = x_r' A z_t = 1/n + (x_r - m)' u_t with u_t = C (z_t - m_z)
    // (without the constant term no 1/n and no means). The sums over r of
    // H[r][t]^2 and of e_r H[r][t] are then 1/n + u_t' X'X u_t and u_t' X'e
    // (the residuals sum to 0 with the constant term in): X'X from the
    // data's moments, X'e from one pass.
    const std::vector<double> xx = BlockOf(CheckMatrixOf(DataMoments(), HasConstant()), f.vars);
    const std::vector<long double> xeSums = InstrumentalCentredCross(context_->Pool(), x_, n_, f, e);
    const std::vector<double> xe(xeSums.begin(), xeSums.end());
    const double* press = analysis_->Row(kPress);
    const double* hatA = analysis_->Row(kHatA);
    const double* hatB = analysis_->Row(kHatB);
    double* deleted = analysis_->RowForOverwrite(kDeletedS2);
    double* standardized = analysis_->RowForOverwrite(kStandardized);
    double* residualSd = analysis_->RowForOverwrite(kResidualSd);
    double* studentized = analysis_->RowForOverwrite(kStudentized);
    double* share = analysis_->RowForOverwrite(kResidualShare);
    double* errorPercent = analysis_->RowForOverwrite(kErrorPercent);
    const auto qs = static_cast<std::size_t>(q);
    const double floor = VarianceFloor();
    const double s2 = HeldAtFloor(s2_, floor);
    const double shareRss = HeldSumOfSquares(rss_, df_, floor);
    const double zeroY =
        ZeroObservedBelow(context_->Pool(), n_, [this](long long i) { return x_[static_cast<int>(i)][dependent_]; });
    std::vector<double> zc(qs * kBlock), u(qs * kBlock);
    ProgressScope progress(context_->Services(), "分析データ計算中・・・", n_);
    for (int start = 0; start < n_; start += kBlock) {
        const int len = std::min(kBlock, n_ - start);
        CentreInstrumentalBlock(Design(), f.vars, f.zHi, f.zLo, start, len, zc.data());
        MatrixProduct(f.hatA.data(), q, zc.data(), kBlock, len, u.data());
        for (int t = 0; t < len; ++t) {
            progress.Step();
            const int i = start + t;
            double g = f.offset, ee = 0.0;
            for (int a = 0; a < q; ++a) {
                const double* row = &xx[static_cast<std::size_t>(a) * qs];
                double sum = 0.0;
                for (int b = 0; b < q; ++b) sum += row[b] * u[At(b, t)];
                g += u[At(a, t)] * sum;
                ee += u[At(a, t)] * xe[static_cast<std::size_t>(a)];
            }
            const double dt = press[i];
            // At a leverage of 1 the residual has no variance: no studentised
            // residuals, and SIG(RES) at its floor.
            const bool one = hatA[i] == 1.0;
            const double s2t = DeletedVariance((g - 1.0) * dt * dt + 2.0 * dt * ee + rss_, rss_, hatA[i], df_ - 1);
            deleted[i] = s2t;
            const double w = 1.0 - 2.0 * hatA[i] + hatB[i];
            standardized[i] = one ? kNoFigure : e[i] / std::sqrt(s2 * w);
            // s2(i) held at the floor before its factor, as the main fit does.
            double var = w * std::max(s2t, floor);
            if (one || var <= 0.0) var = floor;
            residualSd[i] = std::sqrt(var);
            studentized[i] = one ? kNoFigure : e[i] / std::sqrt(var);
            share[i] = e[i] * e[i] / shareRss;
            const double y = x_[i][dependent_];
            errorPercent[i] = std::fabs(y) < zeroY ? 999900.0 : 100.0 * e[i] / y;
        }
    }
    diagnosticsDone_ = true;
}

void RegIV::ComputeInfluence() {
    if (influenceDone_) return;
    ComputeDiagnostics();
    EnsureLeverages();
    const std::vector<int> s = ModelSet();
    const InstrumentalForms f = FitForms(false);
    const int q = static_cast<int>(f.vars.size());
    const auto qs = static_cast<std::size_t>(q);
    const bool centred = HasConstant();
    const int p = GetParamCount();
    const int d = dependent_;
    // s2 and s2(i) held at the floor wherever they divide; R^2(i) takes
    // s2(i) as formed.
    const double floor = VarianceFloor();
    const double s2 = HeldAtFloor(s2_, floor);
    // The change of the coefficients without observation t is u d with
    // u = A z_t, and w = Cf x_t: over the variables C (z - m_z) and
    // Cf (x - m); the constant term's entries (with it in) 1/n less the
    // means times those.
    const std::vector<double> cfq = BlockOf(cf_, f.vars);
    std::vector<long double> mean(qs, 0.0L);
    for (int a = 0; a < q && centred; ++a) mean[static_cast<std::size_t>(a)] = zx_[v_][f.vars[a]];
    const double* press = analysis_->Row(kPress);
    const double* deleted = analysis_->Row(kDeletedS2);
    const double* hatA = analysis_->Row(kHatA);
    const double* hatB = analysis_->Row(kHatB);
    const double* hatC = analysis_->Row(kHatC);
    const auto ps = s.size();
    std::vector<double*> change(ps), dfbetas(ps);
    for (std::size_t a = 0; a < ps; ++a) {
        change[a] = analysis_->RowForOverwrite(s[a] - 100);
        dfbetas[a] = analysis_->RowForOverwrite(kDfbetas + s[a]);
    }
    double* welsch = analysis_->RowForOverwrite(kW);
    double* dffitsRow = analysis_->RowForOverwrite(kDffits);
    double* cook = analysis_->RowForOverwrite(kCook);
    double* covRatio = analysis_->RowForOverwrite(kCovRatio);
    double* deletedR2 = analysis_->RowForOverwrite(kDeletedR2);
    double* deletedAdjR2 = analysis_->RowForOverwrite(kDeletedAdjR2);
    const Matrix& design = Design();
    std::vector<double> xc(qs * kBlock), zc(qs * kBlock), ub(qs * kBlock), wb(qs * kBlock), u(ps), w(ps);
    for (int start = 0; start < n_; start += kBlock) {
        const int len = std::min(kBlock, n_ - start);
        CentreInstrumentalBlock(x_, f.vars, f.xHi, f.xLo, start, len, xc.data());
        CentreInstrumentalBlock(design, f.vars, f.zHi, f.zLo, start, len, zc.data());
        MatrixProduct(f.hatA.data(), q, zc.data(), kBlock, len, ub.data());
        MatrixProduct(cfq.data(), q, xc.data(), kBlock, len, wb.data());
        for (int t = 0; t < len; ++t) {
            const int i = start + t;
            long double uc = f.offset, wc = f.offset;
            for (int a = 0; a < q; ++a) {
                u[static_cast<std::size_t>(a)] = ub[At(a, t)];
                w[static_cast<std::size_t>(a)] = wb[At(a, t)];
                uc -= mean[static_cast<std::size_t>(a)] * ub[At(a, t)];
                wc -= mean[static_cast<std::size_t>(a)] * wb[At(a, t)];
            }
            if (centred) {
                u[qs] = static_cast<double>(uc);
                w[qs] = static_cast<double>(wc);
            }
            const double dt = press[i];
            const double s2t = HeldAtFloor(deleted[i], floor);
            const double hb = hatB[i];
            const double hc = hatC[i];
            const double ha = hatA[i];
            const double m = 1.0 - ha;
            const double fh = ha / m + 1.0;
            for (std::size_t a = 0; a < ps; ++a) {
                const int j = s[a];
                change[a][i] = u[a] * dt;
                const double var = s2t * (2.0 * u[a] * w[a] / m + cf_[j][j] - (fh * fh - hb / (m * m)) * u[a] * u[a]);
                dfbetas[a][i] = (coef_[j] - u[a] * dt) / std::sqrt(var);
            }
            const double dd = hc * dt * dt;
            welsch[i] = std::sqrt(dd / ((1.0 - 2.0 * ha + hb) * s2t / (n_ - 1)));
            const double dffits = std::sqrt(dd / s2t);
            dffitsRow[i] = dt >= 0.0 ? dffits : -dffits;
            cook[i] = dd / (p * s2);
            covRatio[i] = IntPower(p, s2t / s2) * (1.0 - hc) / (m * m);
            const double dev = x_[i][d] - meanY_;
            const double r2t = 1.0 - (df_ - 1) * deleted[i] / (tss_ - dev * dev * n_ / (n_ - 1));
            deletedR2[i] = r2t;
            deletedAdjR2[i] = ZeroBelowEpsilon(1.0 - (n_ - 2.0) / (df_ - 1) * (1.0 - r2t));
            if (ha == 1.0) {
                // Each of these divides by 1 - h.
                for (std::size_t a = 0; a < ps; ++a) change[a][i] = dfbetas[a][i] = kNoFigure;
                for (double* row : {welsch, dffitsRow, cook, covRatio, deletedR2, deletedAdjR2}) row[i] = kNoFigure;
            }
        }
    }
    influenceDone_ = true;
}

void RegIV::ComputeResidualTests() {
    const double* fitted = analysis_->Row(kFitted);
    const double* residual = analysis_->Row(kResidual);
    const ResidualTests tests = ResidualTestsOf(fitted, residual, n_, IsPerfectFit());
    gk_ = tests.gk;
    dw_ = tests.durbinWatson;
}

void RegIV::GetPartialResiduals(int k, std::vector<double>& outY, std::vector<double>& outK) const {
    if (k < 0 || k > v_) throw ERangeError("RegIV: variable out of range");
    // Z'X of the fit's design with X's own column k in it: that row from
    // the data's moments.
    LongMatrix m = zx_;
    if (k < v_) {
        const LongMatrix& xx = DataMoments();
        for (int j = 0; j <= v_; ++j) m[k][j] = xx[k][j];
    }
    const int d = dependent_;
    std::vector<int> set;
    for (int j : ModelSet())
        if (j != k && j != d) set.push_back(j);
    // With the constant term among them, about the means (m is swept on it
    // as formed); else back to the sums about zero.
    const bool centred = std::find(set.begin(), set.end(), v_) != set.end();
    if (!centred) (void)m.Sweep(v_);
    std::vector<int> others;
    for (int j : set)
        if (j != v_ && m.Sweep(j) == SweepResult::kSwept) others.push_back(j);
    const auto at = [&](int j) { return centred ? static_cast<long double>(zx_[v_][j]) : 0.0L; };
    outY.assign(n_, 0.0);
    outK.assign(n_, 0.0);
    for (int t = 0; t < n_; ++t) {
        long double fy = at(d), fk = at(k);
        for (int j : others) {
            const long double dev = x_[t][j] - at(j);
            fy += dev * m[j][d];
            fk += dev * m[j][k];
        }
        outY[t] = static_cast<double>(x_[t][d] - fy);
        outK[t] = static_cast<double>(x_[t][k] - fk);
    }
}

double RegIV::SpecificationTest() {
    const std::vector<int> s = ModelSet();
    const int p = static_cast<int>(s.size());
    const int d = dependent_;
    // Least squares on the observed data, swept on the model's variables
    // from the data's moments.
    LongMatrix m;
    if (SweepFromBase(DataMoments(), s, m) == SweepResult::kZeroPivot) throw EZeroDivide("INVERSE ERROR!");
    // s2 as the fit takes it: the two variances of least squares itself
    // then cancel exactly. Both held at the floor, as the standard errors
    // are: a perfect fit's rounding is no variance.
    const double floor = VarianceFloor();
    const double s2iv = HeldAtFloor(s2_, floor);
    const double s2ols = HeldAtFloor(static_cast<double>(m[d][d]) / df_, floor);
    ComputeCovarianceFactor();
    if (p == 0) return 0.0;
    const auto ps = static_cast<std::size_t>(p);
    std::vector<long double> q(ps), diff(ps * ps), scale(ps, 1.0L);
    for (std::size_t a = 0; a < ps; ++a) {
        q[a] = coef_[s[a]] - m[s[a]][d];
        for (std::size_t b = 0; b < ps; ++b)
            diff[a * ps + b] = static_cast<long double>(s2iv) * cf_[s[a]][s[b]] - s2ols * m[s[a]][s[b]];
    }
    // To a unit diagonal first: the coefficients' variances differ by many
    // orders of magnitude (the constant term's and a slope's).
    for (std::size_t a = 0; a < ps; ++a)
        if (diff[a * ps + a] != 0.0L) scale[a] = 1.0L / std::sqrt(std::fabs(diff[a * ps + a]));
    for (std::size_t a = 0; a < ps; ++a) {
        q[a] *= scale[a];
        for (std::size_t b = 0; b < ps; ++b) diff[a * ps + b] *= scale[a] * scale[b];
    }
    const long double sum = InverseQuadraticForm(diff, q);
    return ZeroIfTiny(static_cast<double>(sum));
}

double RegIV::Predict(double* x, double* lower, double* upper, double c1, double c2) {
    x[v_] = 1.0;
    const std::vector<int> s = ModelSet();
    const bool centred = HasConstant();
    // With the constant term: the mean of y plus the slopes times the
    // point's distance from the means, and 1/n plus its form in Cf.
    long double yhat = centred ? zx_[v_][dependent_] : 0.0L;
    long double qf = centred ? zx_[v_][v_] : 0.0L;
    std::vector<long double> dev;
    std::vector<int> used;
    for (int j : s) {
        if (centred && j == v_) continue;
        used.push_back(j);
        dev.push_back(x[j] - (centred ? zx_[v_][j] : 0.0L));
    }
    for (std::size_t a = 0; a < used.size(); ++a) {
        yhat += swept_[used[a]][dependent_] * dev[a];
        for (std::size_t b = 0; b < used.size(); ++b) qf += dev[a] * cf_[used[a]][used[b]] * dev[b];
    }
    const double half = ToleranceHalfWidth(static_cast<double>(qf), s2_, n_, df_, c1, c2);
    *lower = static_cast<double>(yhat) - half;
    *upper = static_cast<double>(yhat) + half;
    return static_cast<double>(yhat);
}

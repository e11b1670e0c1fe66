// Ridge::Estimate, the per-observation results and the accessors.
#include <algorithm>
#include <cmath>
#include <exception>
#include <initializer_list>

#include "core/model/leverage_forms.h"
#include "core/model/regression_model.h"
#include "core/numeric/statistics.h"
#include "core/numeric/thread_pool.h"
#include "core/settings/engine_context.h"
#include "estimators/ridge.h"
#include "estimators/ridge_grid.h"
#include "platform/errors.h"

namespace {

// Observations per task of the per-observation pass; the chunks and their
// order do not depend on the thread count, so neither do the sums.
constexpr int kChunkRows = 16384;

// A figure of the fit, not of a variable, that is no finite number.
const char* const kNotANumberText = "数値になりません";

template <class T>
const T& Checked(const std::vector<T>& v, int i) {
    if (i < 0 || static_cast<std::size_t>(i) >= v.size()) throw ERangeError(kRangeErrorText);
    return v[static_cast<std::size_t>(i)];
}

// Why a fit cannot be shown, in the words of the other estimators: the first
// variable (the regressors, then the constant term) whose coefficient,
// standard error or variance factor is no finite number, else a figure that
// is none; empty when every one is finite. A standard error of -1 (a
// negative variance factor) is a finite mark, no refusal.
std::string NonFiniteFigure(const std::vector<std::string>& names, const std::vector<double>& coef,
                            const std::vector<double>& stdErr, const std::vector<double>& vif,
                            std::initializer_list<double> figures) {
    const std::size_t p = vif.size();
    for (std::size_t j = 0; j <= p; ++j) {
        const std::size_t i = j < p ? j : p + 1;
        if (!std::isfinite(coef[i]) || !std::isfinite(stdErr[i]) || (j < p && !std::isfinite(vif[j])))
            return NonFiniteCoefficientMessage(names[i]);
    }
    for (double v : figures)
        if (!std::isfinite(v)) return kNotANumberText;
    return {};
}

}  // namespace

bool Ridge::Estimate(double k) {
    std::string refusal;
    try {
        if (!std::isfinite(k) || !EnsureCrossProducts()) return false;
        const std::size_t p = static_cast<std::size_t>(p_);
        const std::vector<double> b = StandardisedCoefficients(k);
        std::vector<double> coef(p + 2, 0.0);
        long double constant = yMean_;
        for (std::size_t j = 0; j < p; ++j) {
            coef[j] = b[j] / rootSS_[j];
            constant -= static_cast<long double>(coef[j]) * mean_[j];
        }
        coef[p + 1] = static_cast<double>(constant);

        // Variance factors: V = (R + kI)^-1, B = V R V.
        Matrix r(p_, p_, 0.0), rk(p_, p_, 0.0);
        for (int i = 0; i < p_; ++i)
            for (int j = 0; j < p_; ++j) r[i][j] = rk[i][j] = cross_[i][j];
        for (int j = 0; j < p_; ++j) rk[j][j] += k;
        const Matrix v = rk.Inverse();
        const Matrix bFactor = v.Multiply(r).Multiply(v);
        Matrix cov(p_ + 2, p_ + 2, 0.0);
        for (int i = 0; i < p_; ++i)
            for (int j = 0; j < p_; ++j) cov[i][j] = bFactor[i][j];
        const double nk = n_ + k;
        cov[p_ + 1][p_ + 1] = n_ / (nk * nk);

        // Fitted values, residuals and their sum of squares, chunk by chunk.
        const std::size_t n = static_cast<std::size_t>(n_);
        std::vector<double> fitted(n), resid(n), lever(n);
        const int chunks = (n_ + kChunkRows - 1) / kChunkRows;
        std::vector<long double> chunkRss(static_cast<std::size_t>(chunks), 0.0L);
        auto firstPass = [&](int c) {
            const int begin = c * kChunkRows, end = std::min(n_, begin + kChunkRows);
            std::vector<double> u(p);
            long double sum = 0.0L;
            for (int i = begin; i < end; ++i) {
                const double* row = design_[i];
                long double f = coef[p + 1];
                for (std::size_t j = 0; j < p; ++j) f += static_cast<long double>(coef[j]) * row[j];
                const double fit = static_cast<double>(f);
                const double e = row[p] - fit;
                fitted[static_cast<std::size_t>(i)] = fit;
                resid[static_cast<std::size_t>(i)] = e;
                sum += static_cast<long double>(e) * e;
                // Variance factor of the observation.
                for (std::size_t j = 0; j < p; ++j) u[j] = (row[j] - mean_[j]) / rootSS_[j];
                double h = cov[p_ + 1][p_ + 1];
                for (int a = 0; a < p_; ++a) {
                    const double* ba = bFactor[a];
                    double s = 0.5 * ba[a] * u[static_cast<std::size_t>(a)];
                    for (int bb = a + 1; bb < p_; ++bb) s += ba[bb] * u[static_cast<std::size_t>(bb)];
                    h += 2.0 * u[static_cast<std::size_t>(a)] * s;
                }
                // At k = 0 a leverage may be 1 (to rounding).
                lever[static_cast<std::size_t>(i)] = LeverageSnappedToOne(h);
            }
            chunkRss[static_cast<std::size_t>(c)] = sum;
        };
        if (ThreadPool* pool = context_->Pool(); pool && chunks > 1)
            pool->ParallelFor(chunks, firstPass);
        else
            for (int c = 0; c < chunks; ++c) firstPass(c);
        long double rssSum = 0.0L;
        for (long double s : chunkRss) rssSum += s;
        const double rss = static_cast<double>(rssSum);
        const double s2 = rss / df_;
        // A perfect fit (least squares at k = 0 on exact data) is held at
        // the floor wherever a figure divides by s2; sizes stay as formed.
        const double floor = VarianceFloorOf(syy_ / (n_ - 1));
        const bool perfect = IsRoundingVariance(s2, floor);
        const double s2Held = HeldAtFloor(s2, floor);

        std::vector<double> vif(p), stdErr(p + 2, 0.0), heldStdErr(p + 2, 0.0);
        for (std::size_t j = 0; j < p; ++j) {
            vif[j] = bFactor[static_cast<int>(j)][j];
            stdErr[j] = RidgeStandardError(vif[j], s2, rootSS_[j]);
            heldStdErr[j] = RidgeStandardError(vif[j], s2Held, rootSS_[j]);
        }
        const double constantFactor = ConstantVarianceFactor(bFactor);
        stdErr[p + 1] = std::sqrt(constantFactor * s2);
        heldStdErr[p + 1] = std::sqrt(constantFactor * s2Held);
        const double r2 = 1.0 - rss / syy_;
        const ResidualTests tests = ResidualTestsOf(fitted.data(), resid.data(), n_, perfect);
        const double gk = tests.gk;
        const double dw = tests.durbinWatson;
        const double t = RidgeEffectiveParameters(eigenvalues_, k);
        const double denominator = n_ - n_ / nk - t;
        const double gcv = rss / (denominator * denominator);
        // Checked before anything is stored: a refused fit leaves the last
        // one whole, the table rows included.
        refusal = NonFiniteFigure(names_, coef, stdErr, vif, {s2, r2, dw, gk, gcv});
        if (!refusal.empty()) throw EMathError(refusal);

        // The table rows: observed, fitted, residual, share of RSS, leverage,
        // studentised residual.
        std::vector<double> row(n);
        for (std::size_t i = 0; i < n; ++i) row[i] = design_[static_cast<int>(i)][p];
        results_->WriteRow(0, row.data());
        results_->WriteRow(1, fitted.data());
        results_->WriteRow(2, resid.data());
        const double shareRss = HeldSumOfSquares(rss, df_, floor);
        for (std::size_t i = 0; i < n; ++i) row[i] = resid[i] * resid[i] / shareRss;
        results_->WriteRow(3, row.data());
        results_->WriteRow(4, lever.data());
        for (std::size_t i = 0; i < n; ++i)
            row[i] = lever[i] == 1.0 ? kNoFigure : resid[i] / std::sqrt((1.0 - lever[i]) * s2Held);
        results_->WriteRow(5, row.data());

        k_ = k;
        coef_ = coef;
        stdErr_ = stdErr;
        heldStdErr_ = heldStdErr;
        vif_ = vif;
        covFactor_.Replace(cov);
        s2_ = s2;
        r2_ = r2;
        gk_ = gk;
        dw_ = dw;
        gcv_ = gcv;
        return true;
    } catch (const std::exception&) {
        // The refusal goes on to the caller; any other error is a fit that
        // cannot be had.
        if (!refusal.empty()) throw;
        return false;
    }
}

double Ridge::ConstantVarianceFactor(const Matrix& slopeFactor) const {
    // The constant is ybar - xbar'b: ybar is uncorrelated with the slopes
    // (they are fitted on centred data), so its factor is 1/n + xbar'C xbar
    // with C the slopes' factor on the data scale, C_ab = B_ab / (rootSS_a
    // rootSS_b).
    std::vector<long double> u(static_cast<std::size_t>(p_));
    for (int a = 0; a < p_; ++a) u[static_cast<std::size_t>(a)] = static_cast<long double>(mean_[a]) / rootSS_[a];
    long double q = 0.0L;
    for (int a = 0; a < p_; ++a) {
        long double row = 0.0L;
        for (int b = 0; b < p_; ++b) row += slopeFactor[a][b] * u[static_cast<std::size_t>(b)];
        q += u[static_cast<std::size_t>(a)] * row;
    }
    return static_cast<double>(1.0L / n_ + q);
}

double Ridge::GetCoef(int i) const { return Checked(coef_, i); }
double Ridge::GetStdErr(int i) const { return Checked(stdErr_, i); }
double Ridge::GetHeldStdErr(int i) const { return Checked(heldStdErr_, i); }
double Ridge::GetVIF(int i) const { return Checked(vif_, i); }
std::string Ridge::GetName(int i) const { return Checked(names_, i); }
double Ridge::Mean(int j) const { return Checked(mean_, j); }
double Ridge::RootSS(int j) const { return Checked(rootSS_, j); }

double Ridge::GetResult(int row, int col) const { return results_->GetValue(row, col); }

void Ridge::ReadResultRow(int row, double* buf) const {
    if (row < 0 || row >= kResultRows) throw ERangeError(kRangeErrorText);
    results_->ReadRow(row, buf);
}

int Ridge::IndexOfName(const std::string& name) const {
    for (int i = 0; i <= p_ && static_cast<std::size_t>(i) < names_.size(); ++i)
        if (names_[static_cast<std::size_t>(i)] == name) return i;
    return -1;
}

double Ridge::Predict(const double* x) const {
    long double y = coef_[static_cast<std::size_t>(p_) + 1];
    for (int j = 0; j < p_; ++j) y += static_cast<long double>(coef_[static_cast<std::size_t>(j)]) * x[j];
    return static_cast<double>(y);
}

// Restricted::Estimate and the element access.
#include <cmath>
#include <exception>
#include <new>

#include "core/model/leverage_forms.h"
#include "core/numeric/statistics.h"
#include "core/settings/engine_context.h"
#include "core/settings/file_services.h"
#include "estimators/restricted.h"
#include "estimators/restricted_solution.h"
#include "platform/errors.h"

namespace {

constexpr double kSmallFit = 1.1920929e-07;

template <class T>
const T& Checked(const std::vector<T>& v, int i) {
    if (i < 0 || static_cast<std::size_t>(i) >= v.size()) throw ERangeError(kRangeErrorText);
    return v[static_cast<std::size_t>(i)];
}

}  // namespace

bool Restricted::Estimate() {
    for (int j = 0; j < m_; ++j) {
        bool finite = std::isfinite(r_[static_cast<std::size_t>(j)]);
        for (int c = 0; c < k_; ++c) finite = finite && std::isfinite(rMatrix_[j][c]);
        if (!finite)
            throw Exception("制約 " + std::to_string(j + 1) + " の係数または値が有限の数値ではありません。");
    }
    try {
        if (m_ < 1 || m_ > k_ || !RestrictionsIndependent()) return false;
        const Solution s = Solve();
        if (!s.ok) return false;
        const std::size_t n = static_cast<std::size_t>(n_);
        std::vector<double> fitted(n), resid(n), lever(n);
        const long double sse = ObservationPass(s, fitted, resid, lever);
        const double df = n_ - s.traceA;
        const double sseD = static_cast<double>(sse);
        const double s2 = sseD / df;
        const double varY = syy_ / (n_ - 1);
        const double floor = VarianceFloorOf(varY);
        // A restricted fit that is itself perfect meets the restrictions:
        // what SSE gained is rounding, of either sign.
        const bool perfect = IsRoundingVariance(s2, floor);
        const double increase = perfect ? 0.0 : s.sseIncrease.ToDouble();
        double f = (increase / m_) / HeldAtFloor(sseU_.ToDouble() / GetTestDegreesOfFreedom(), floor);
        if (f < 0.0) f = 0.0;
        Matrix cov(k_, k_, 0.0), unscaled(k_, k_, 0.0);
        for (int i = 0; i < k_; ++i)
            for (int j = 0; j < k_; ++j) {
                unscaled[i][j] = s.cov(i, j).ToDouble();
                cov[i][j] = unscaled[i][j] * s2;
            }
        std::vector<double> bR(static_cast<std::size_t>(k_));
        for (int j = 0; j < k_; ++j) bR[static_cast<std::size_t>(j)] = s.coef[static_cast<std::size_t>(j)].ToDouble();
        if (!std::isfinite(s2) || !std::isfinite(f) || !std::isfinite(sseD)) return false;

        bRestricted_ = bR;
        cov_.Replace(cov);
        unscaledCov_.Replace(unscaled);
        fitted_.swap(fitted);
        residuals_.swap(resid);
        leverage_.swap(lever);
        sse_ = sseD;
        df_ = df;
        f_ = f;
        s2_ = s2;
        varY_ = varY;
        r2_ = 1.0 - sseD / syy_;
        adjR2_ = 1.0 - s2 / varY;
        if (!(adjR2_ >= kSmallFit)) adjR2_ = 0.0;
        const ResidualTests tests = ResidualTestsOf(fitted_.data(), residuals_.data(), n_, perfect);
        gk_ = tests.gk;
        dw_ = tests.durbinWatson;
        return true;
    } catch (const std::bad_alloc&) {
        FatalMemoryError(context_->Services());
        return false;
    } catch (const EOutOfMemory&) {
        FatalMemoryError(context_->Services());
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

double Restricted::GetX(int i, int j) const {
    if (j < 0 || j >= k_) throw ERangeError(kRangeErrorText);
    // The constant's column follows the dependent's.
    return data_.At(i, j == k_ - 1 ? k_ : j);
}

double Restricted::GetCoefficient(int i) const { return Checked(bRestricted_, i); }
double Restricted::GetUnrestrictedCoefficient(int i) const { return Checked(bOLS_, i); }
void Restricted::SetRestrictionValue(int j, double v) {
    Checked(r_, j);
    r_[static_cast<std::size_t>(j)] = v;
}
double Restricted::GetRestrictionValue(int j) const { return Checked(r_, j); }
double Restricted::GetResidual(int i) const { return Checked(residuals_, i); }
double Restricted::GetLeverage(int i) const { return Checked(leverage_, i); }
double Restricted::GetFitted(int i) const { return Checked(fitted_, i); }
double Restricted::GetY(int i) const {
    if (i < 0 || i >= n_) throw ERangeError(kRangeErrorText);
    return data_[i][k_ - 1];
}
std::string Restricted::GetName(int i) const { return Checked(names_, i); }

int Restricted::IndexOfName(const std::string& name) const {
    for (int i = 0; i < k_; ++i)
        if (names_[static_cast<std::size_t>(i)] == name) return i;
    return -1;
}

int Restricted::GetDegreesOfFreedom() const { return TruncToInt(df_, "df"); }

double Restricted::VarianceFloor() const { return VarianceFloorOf(varY_); }

double Restricted::HeldS2() const { return HeldAtFloor(s2_, VarianceFloor()); }

PredictionModel Restricted::ForPrediction() const {
    PredictionModel model;
    model.coef = bRestricted_;
    model.s2 = s2_;
    if (IsRoundingVariance(s2_, VarianceFloor())) {
        // Cov / s2 of a perfect fit divides rounding by rounding; the
        // interval's width is a size and comes from s2 as formed.
        model.q.Replace(unscaledCov_);
    } else {
        model.q.Replace(cov_);
        for (int e = 0; e < model.q.Count(); ++e) model.q.Data()[e] /= s2_;
    }
    model.names.assign(names_.begin(), names_.end() - 1);
    model.n = n_;
    model.p = k_ - 1;
    model.df = GetDegreesOfFreedom();
    return model;
}

// Restricted::Estimate and the element access.
#include <cmath>
#include <exception>
#include <new>

#include "core/numeric/statistics.h"
#include "core/settings/engine_context.h"
#include "core/settings/file_services.h"
#include "estimators/restricted.h"
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
    try {
        if (m_ < 1 || m_ > k_ || !RestrictionsIndependent()) return false;
        const Matrix b = xtxInv_.Multiply(rMatrix_.Transpose());  // k x m
        const Matrix d = rMatrix_.Multiply(b);                     // m x m
        const Matrix w = b.Multiply(d.Inverse());                  // k x m
        Matrix a = w.Multiply(rMatrix_);                           // k x k, then I - W R
        for (int i = 0; i < k_; ++i)
            for (int j = 0; j < k_; ++j) a[i][j] = (i == j ? 1.0 : 0.0) - a[i][j];
        std::vector<double> bR(bOLS_);
        std::vector<double> gap(static_cast<std::size_t>(m_));
        for (int j = 0; j < m_; ++j) {
            long double s = r_[static_cast<std::size_t>(j)];
            for (int c = 0; c < k_; ++c) s -= static_cast<long double>(rMatrix_[j][c]) * bOLS_[static_cast<std::size_t>(c)];
            gap[static_cast<std::size_t>(j)] = static_cast<double>(s);
        }
        for (int i = 0; i < k_; ++i) {
            long double s = bR[static_cast<std::size_t>(i)];
            for (int j = 0; j < m_; ++j) s += static_cast<long double>(w[i][j]) * gap[static_cast<std::size_t>(j)];
            bR[static_cast<std::size_t>(i)] = static_cast<double>(s);
        }
        Matrix cov = a.Multiply(xtxInv_);

        const std::size_t n = static_cast<std::size_t>(n_);
        std::vector<double> fitted(n), resid(n), lever(n);
        long double sse = 0.0L, sseU = 0.0L;
        double mean = 0.0, syy = 0.0;
        for (int i = 0; i < n_; ++i) {
            const std::size_t ui = static_cast<std::size_t>(i);
            const double yi = y_[ui];
            const double delta = yi - mean;
            mean += delta / (i + 1);
            syy += delta * (delta / (i + 1)) * i;
            const double* xi = x_[i];
            long double f = 0.0L, fu = 0.0L, h = 0.0L;
            for (int j = 0; j < k_; ++j) {
                f += static_cast<long double>(bR[static_cast<std::size_t>(j)]) * xi[j];
                fu += static_cast<long double>(bOLS_[static_cast<std::size_t>(j)]) * xi[j];
                long double row = 0.0L;
                for (int l = 0; l < k_; ++l) row += static_cast<long double>(cov[j][l]) * xi[l];
                h += xi[j] * row;
            }
            fitted[ui] = static_cast<double>(f);
            resid[ui] = yi - fitted[ui];
            lever[ui] = static_cast<double>(h);
            const double u = yi - static_cast<double>(fu);
            sse += static_cast<long double>(resid[ui]) * resid[ui];
            sseU += static_cast<long double>(u) * u;
        }
        const double df = n_ - a.Trace();
        const double sseD = static_cast<double>(sse), sseUD = static_cast<double>(sseU);
        const double s2 = sseD / df;
        const double varY = syy / (n_ - 1);
        for (int e = 0; e < cov.Count(); ++e) cov.Data()[e] *= s2;

        bRestricted_ = bR;
        cov_.Replace(cov);
        fitted_ = fitted;
        residuals_ = resid;
        leverage_ = lever;
        sse_ = sseD;
        syy_ = syy;
        df_ = df;
        f_ = ((sseD - sseUD) / m_) / (sseUD / df);
        s2_ = s2;
        varY_ = varY;
        r2_ = 1.0 - sseD / syy;
        adjR2_ = 1.0 - s2 / varY;
        if (!(adjR2_ >= kSmallFit)) adjR2_ = 0.0;
        gk_ = HeteroskedasticityStatistic(fitted_.data(), residuals_.data(), n_);
        dw_ = DurbinWatson(residuals_.data(), n_);
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
double Restricted::GetY(int i) const { return Checked(y_, i); }
std::string Restricted::GetName(int i) const { return Checked(names_, i); }

int Restricted::IndexOfName(const std::string& name) const {
    for (int i = 0; i < k_; ++i)
        if (names_[static_cast<std::size_t>(i)] == name) return i;
    return -1;
}

int Restricted::GetDegreesOfFreedom() const { return TruncToInt(df_, "df"); }

PredictionModel Restricted::ForPrediction() const {
    PredictionModel model;
    model.coef = bRestricted_;
    model.q.Replace(cov_);
    for (int e = 0; e < model.q.Count(); ++e) model.q.Data()[e] /= s2_;
    model.names.assign(names_.begin(), names_.end() - 1);
    model.s2 = s2_;
    model.n = n_;
    model.p = k_ - 1;
    model.df = GetDegreesOfFreedom();
    return model;
}

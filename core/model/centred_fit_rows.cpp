#include "core/model/centred_fit_rows.h"

#include <utility>

#include "core/model/leverage_forms.h"
#include "core/numeric/precise_moments.h"

namespace {

double ToDouble(long double x) { return static_cast<double>(x); }
double ToDouble(const DoubleDouble& x) { return x.ToDouble(); }
bool Positive(long double x) { return x > 0.0L; }
bool Positive(const DoubleDouble& x) { return x.hi > 0.0 || (x.hi == 0.0 && x.lo > 0.0); }

// S = L D L' of the q x q matrix s(i, j), L below its unit diagonal into
// l (row-major) and 1 / D into inverseD, rounded to double.
template <class T, class Element>
void FactorLdl(std::size_t q, const Element& s, std::vector<double>& l, std::vector<double>& inverseD) {
    std::vector<T> lt(q * q, T(0.0)), d(q, T(0.0));
    for (std::size_t j = 0; j < q; ++j) {
        T dj = s(j, j);
        for (std::size_t k = 0; k < j; ++k) dj = dj - lt[j * q + k] * lt[j * q + k] * d[k];
        d[j] = dj;
        for (std::size_t i = j + 1; i < q; ++i) {
            T v = s(i, j);
            for (std::size_t k = 0; k < j; ++k) v = v - lt[i * q + k] * lt[j * q + k] * d[k];
            lt[i * q + j] = Positive(dj) ? v / dj : T(0.0);
        }
    }
    l.assign(q * q, 0.0);
    inverseD.assign(q, 0.0);
    for (std::size_t j = 0; j < q; ++j) {
        for (std::size_t k = 0; k < j; ++k) l[j * q + k] = ToDouble(lt[j * q + k]);
        // A variable the fit swept in has a positive pivot.
        if (Positive(d[j])) inverseD[j] = ToDouble(T(1.0) / d[j]);
    }
}

}  // namespace

CentredFitRows::CentredFitRows(const LongMatrix& swept, const LongMatrix& unswept, std::vector<int> vars,
                               int dependent, long long n, const PreciseMatrix* precise)
    : vars_(std::move(vars)) {
    const std::size_t q = vars_.size();
    const int means = unswept.Rows() - 1;
    hi_.resize(q);
    lo_.resize(q);
    b_.assign(q, 0.0L);
    for (std::size_t s = 0; s < q; ++s) {
        const int v = vars_[s];
        const long double mean = unswept[means][v];
        hi_[s] = static_cast<double>(mean);
        lo_[s] = static_cast<double>(mean - hi_[s]);
        if (dependent >= 0) b_[s] = swept[v][dependent];
        // The swept diagonal times the original is the inflation factor.
        if (!(swept[v][v] * unswept[v][v] < kMaxLongDoubleVif)) illConditioned_ = true;
    }
    bDouble_.assign(b_.begin(), b_.end());
    if (precise) {
        FactorLdl<DoubleDouble>(q, [&](std::size_t i, std::size_t j) { return precise->At(vars_[i], vars_[j]); }, l_,
                                inverseD_);
    } else {
        FactorLdl<long double>(q, [&](std::size_t i, std::size_t j) { return unswept[vars_[i]][vars_[j]]; }, l_,
                               inverseD_);
    }
    if (dependent >= 0) meanY_ = unswept[means][dependent];
    meanYHi_ = static_cast<double>(meanY_);
    meanYLo_ = static_cast<double>(meanY_ - meanYHi_);
    inverseN_ = n > 0 ? 1.0L / n : 0.0L;
}

void CentredFitRows::Centre(const double* x, double* c) const {
    for (std::size_t s = 0; s < vars_.size(); ++s) c[s] = (x[s] - hi_[s]) - lo_[s];
}

void CentredFitRows::PointFromCentred(const double* c, long double& fitted, long double& leverage, double* u) const {
    const std::size_t q = vars_.size();
    double buffer[16];
    std::vector<double> large;
    double* z = buffer;
    if (q > 16) {
        large.resize(q);
        z = large.data();
    }
    long double f = 0.0L;
    double h = 0.0;
    for (std::size_t s = 0; s < q; ++s) {
        f += b_[s] * c[s];
        double zs = c[s];
        for (std::size_t k = 0; k < s; ++k) zs -= l_[s * q + k] * z[k];
        z[s] = zs;
        h += zs * zs * inverseD_[s];
    }
    fitted = meanY_ + f;
    leverage = inverseN_ + h;
    if (!u) return;
    // S^-1 c = L^-T D^-1 z.
    for (std::size_t s = q; s-- > 0;) {
        double v = z[s] * inverseD_[s];
        for (std::size_t k = s + 1; k < q; ++k) v -= l_[k * q + s] * u[k];
        u[s] = v;
    }
}

long double CentredFitRows::FittedFromCentred(const double* c) const {
    long double f = 0.0L, h = 0.0L;
    PointFromCentred(c, f, h);
    return f;
}

long double CentredFitRows::LeverageFromCentred(const double* c) const {
    long double f = 0.0L, h = 0.0L;
    PointFromCentred(c, f, h);
    return h;
}

void CentredFitRows::CentreRows(const double* rows, long long rowStride, const int* cols, int len, double* c) const {
    ::CentreRows(rows, static_cast<int>(rowStride), cols, hi_.data(), lo_.data(), static_cast<int>(vars_.size()), len,
                 len, c, kBlock);
}

void CentredFitRows::CentreColumns(const double* const* columns, long long first, int len, double* c) const {
    for (std::size_t s = 0; s < vars_.size(); ++s) {
        const double hi = hi_[s], lo = lo_[s];
        const double* x = columns[s] + first;
        double* cs = c + s * kBlock;
        for (int t = 0; t < len; ++t) cs[t] = (x[t] - hi) - lo;
    }
}

void CentredFitRows::FittedBlock(const double* c, int len, long double* fitted) const {
    if (illConditioned_) {
        // The centred terms cancel to a few digits of their size.
        for (int t = 0; t < len; ++t) fitted[t] = meanY_;
        for (std::size_t s = 0; s < vars_.size(); ++s)
            for (int t = 0; t < len; ++t) fitted[t] += b_[s] * c[s * kBlock + t];
        return;
    }
    double sum[kBlock] = {};
    for (std::size_t s = 0; s < vars_.size(); ++s) {
        const double bs = bDouble_[s];
        const double* cs = c + s * kBlock;
        for (int t = 0; t < len; ++t) sum[t] += bs * cs[t];
    }
    for (int t = 0; t < len; ++t) fitted[t] = meanY_ + sum[t];
}

void CentredFitRows::LeverageBlock(double* c, int len, double* leverage) const {
    const std::size_t q = vars_.size();
    double sum[kBlock] = {};
    for (std::size_t s = 0; s < q; ++s) {
        // z_s = c_s - sum over k < s of L_sk z_k, in place.
        double* zs = c + s * kBlock;
        for (std::size_t k = 0; k < s; ++k) {
            const double lsk = l_[s * q + k];
            const double* zk = c + k * kBlock;
            for (int t = 0; t < len; ++t) zs[t] -= lsk * zk[t];
        }
        const double ds = inverseD_[s];
        for (int t = 0; t < len; ++t) sum[t] += zs[t] * zs[t] * ds;
    }
    for (int t = 0; t < len; ++t) leverage[t] = static_cast<double>(inverseN_ + sum[t]);
}

void CentredFitRows::SlopeChangeBlock(const double* z, int len, double* u) const {
    const std::size_t q = vars_.size();
    // L' u = D^-1 z from the last row up.
    for (std::size_t s = q; s-- > 0;) {
        const double ds = inverseD_[s];
        const double* zs = z + s * kBlock;
        double* us = u + s * kBlock;
        for (int t = 0; t < len; ++t) us[t] = zs[t] * ds;
        for (std::size_t k = s + 1; k < q; ++k) {
            const double lks = l_[k * q + s];
            const double* uk = u + k * kBlock;
            for (int t = 0; t < len; ++t) us[t] -= lks * uk[t];
        }
    }
}

void CentredFitRows::FittedColumns(const double* const* columns, long long first, int len, double* fitted) const {
    if (illConditioned_) {
        double c[kBlock * 16];
        std::vector<double> large;
        double* block = c;
        if (vars_.size() > 16) {
            large.resize(vars_.size() * kBlock);
            block = large.data();
        }
        long double f[kBlock];
        CentreColumns(columns, first, len, block);
        FittedBlock(block, len, f);
        for (int t = 0; t < len; ++t) fitted[t] = static_cast<double>(f[t]);
        return;
    }
    // The mean of y as a double and its remainder: the sum stays in double.
    double sum[kBlock];
    for (int t = 0; t < len; ++t) sum[t] = meanYLo_;
    for (std::size_t s = 0; s < vars_.size(); ++s) {
        const double bs = bDouble_[s], hi = hi_[s], lo = lo_[s];
        const double* x = columns[s] + first;
        for (int t = 0; t < len; ++t) sum[t] += bs * ((x[t] - hi) - lo);
    }
    for (int t = 0; t < len; ++t) fitted[t] = meanYHi_ + sum[t];
}

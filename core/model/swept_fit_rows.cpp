#include "core/model/swept_fit_rows.h"

#include <utility>

SweptFitRows::SweptFitRows(const LongMatrix& swept, const std::vector<long double>& means, std::vector<int> vars,
                           int dependent, long long n)
    : vars_(std::move(vars)) {
    const std::size_t q = vars_.size();
    hi_.resize(q);
    lo_.resize(q);
    b_.assign(q, 0.0L);
    c_.resize(q * q);
    for (std::size_t s = 0; s < q; ++s) {
        const long double mean = means[static_cast<std::size_t>(vars_[s])];
        hi_[s] = static_cast<double>(mean);
        lo_[s] = static_cast<double>(mean - hi_[s]);
        if (dependent >= 0) b_[s] = swept[vars_[s]][dependent];
        for (std::size_t l = 0; l < q; ++l) c_[s * q + l] = swept[vars_[s]][vars_[l]];
    }
    if (dependent >= 0) meanY_ = means[static_cast<std::size_t>(dependent)];
    inverseN_ = n > 0 ? 1.0L / n : 0.0L;
}

void SweptFitRows::Centre(const double* x, double* c) const {
    for (std::size_t s = 0; s < vars_.size(); ++s) c[s] = (x[s] - hi_[s]) - lo_[s];
}

long double SweptFitRows::FittedFromCentred(const double* c) const {
    long double f = meanY_;
    for (std::size_t s = 0; s < vars_.size(); ++s) f += b_[s] * c[s];
    return f;
}

long double SweptFitRows::LeverageFromCentred(const double* c, long double* u) const {
    const std::size_t q = vars_.size();
    long double h = 0.0L;
    for (std::size_t s = 0; s < q; ++s) {
        long double us = 0.0L;
        const long double* row = c_.data() + s * q;
        for (std::size_t l = 0; l < q; ++l) us += row[l] * c[l];
        if (u) u[s] = us;
        h += us * c[s];
    }
    return inverseN_ + h;
}

long double SweptFitRows::Fitted(const double* x) const {
    std::vector<double> c(vars_.size());
    Centre(x, c.data());
    return FittedFromCentred(c.data());
}

long double SweptFitRows::Leverage(const double* x) const {
    std::vector<double> c(vars_.size());
    Centre(x, c.data());
    return LeverageFromCentred(c.data());
}

std::vector<long double> MomentMeans(const LongMatrix& unswept, int columns) {
    std::vector<long double> means(static_cast<std::size_t>(columns));
    for (int j = 0; j < columns; ++j) means[static_cast<std::size_t>(j)] = unswept[columns][j];
    return means;
}

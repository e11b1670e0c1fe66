#include "estimators/yule_walker.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/numeric/numeric_helpers.h"
#include "core/text/number_format.h"
#include "platform/errors.h"
#include "resources/string_table.h"

Matrix ReverseCholesky(const Matrix& a, int n) {
    Matrix reversed(n, n, 0.0), u(n, n, 0.0), l(n, n, 0.0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) reversed[i][j] = a[n - 1 - i][n - 1 - j];
    CholeskyDecompose(reversed.Data(), n, u.Data(), n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) l[i][j] = u[n - 1 - i][n - 1 - j];
    return l;
}

bool FitYuleWalker(const double* x, int n, int q, YuleWalkerFit& fit) {
    if (q < 1 || q >= n) return false;
    std::vector<double> c(q + 1), r(q + 1);
    for (int j = 0; j <= q; ++j) {
        long double sum = 0.0L;
        for (int t = 0; t + j < n; ++t) sum += static_cast<long double>(x[t]) * x[t + j];
        c[j] = static_cast<double>(sum / n);
    }
    if (!(c[0] > 0.0)) return false;
    for (int j = 0; j <= q; ++j) r[j] = c[j] / c[0];
    Matrix gamma(q, q, 0.0), rho(q, q, 0.0);
    for (int i = 0; i < q; ++i)
        for (int j = 0; j < q; ++j) {
            gamma[i][j] = c[std::abs(i - j)];
            rho[i][j] = r[std::abs(i - j)];
        }
    fit.phi.assign(q, 0.0);
    fit.variance.assign(q, 0.0);
    try {
        InvertMatrix(gamma.Data(), q, gamma.Data(), q, q);
        InvertMatrix(rho.Data(), q, rho.Data(), q, q);
        double explained = 0.0;
        for (int i = 0; i < q; ++i) {
            double phi = 0.0;
            for (int j = 0; j < q; ++j) phi += rho[i][j] * r[j + 1];
            fit.phi[i] = phi;
            explained += phi * r[i + 1];
        }
        const double sigma2 = (1.0 - explained) * c[0];
        if (!std::isfinite(sigma2) || !(sigma2 > 0.0)) return false;
        fit.sigma2 = sigma2;
        Matrix scaled(q, q, 0.0);
        for (int i = 0; i < q; ++i) {
            fit.variance[i] = sigma2 * gamma[i][i];
            for (int j = 0; j < q; ++j) scaled[i][j] = sigma2 * gamma[i][j];
        }
        // L Gamma L' = sigma^2 I: the first q filtered values are white.
        fit.transform.Replace(ReverseCholesky(scaled, q));
    } catch (const EZeroDivide&) {
        return false;
    }
    for (int i = 0; i < q; ++i)
        if (!std::isfinite(fit.phi[i])) return false;
    return true;
}

std::vector<double> WhitenedSeries(const double* x, int n, const YuleWalkerFit& fit) {
    const int q = static_cast<int>(fit.phi.size());
    std::vector<double> e(static_cast<std::size_t>(n));
    for (int t = 0; t < n; ++t) {
        double v = 0.0;
        if (t < q) {
            for (int j = 0; j <= t; ++j) v += fit.transform[t][j] * x[j];
        } else {
            v = x[t];
            for (int j = 0; j < q; ++j) v -= fit.phi[j] * x[t - j - 1];
        }
        e[static_cast<std::size_t>(t)] = v;
    }
    return e;
}

bool YuleWalkerSeries::SetData(const std::vector<double>& values, int order) {
    const int n = static_cast<int>(values.size());
    if (n - 4 < 1) return false;
    for (double v : values)
        if (!std::isfinite(v)) return false;
    std::vector<double> centred(values.size());
    const double mean = CenterDoubles(n, values.data(), centred.data());
    YuleWalkerFit fit;
    const int q = std::min(std::max(order, 1), n - 4);
    if (!FitYuleWalker(centred.data(), n, q, fit)) return false;
    whitened_ = WhitenedSeries(centred.data(), n, fit);
    centred_ = std::move(centred);
    mean_ = mean;
    Take(fit);
    return true;
}

bool YuleWalkerSeries::SetOrder(int order) {
    const int n = Count();
    if (order < 1 || n == 0) return false;
    YuleWalkerFit fit;
    if (!FitYuleWalker(centred_.data(), n, std::min(order, n - 4), fit)) return false;
    whitened_ = WhitenedSeries(centred_.data(), n, fit);
    Take(fit);
    return true;
}

void YuleWalkerSeries::Take(YuleWalkerFit& fit) {
    fit_.phi = std::move(fit.phi);
    fit_.variance = std::move(fit.variance);
    fit_.sigma2 = fit.sigma2;
    // A matrix's assignment keeps its own shape.
    fit_.transform.Replace(fit.transform);
}

std::string YuleWalkerSeries::CommentText() const {
    std::string t = "->YW(" + FormatNumber(false, mean_) + ";";
    for (std::size_t i = 0; i < fit_.phi.size(); ++i) t += (i ? "," : "") + FormatNumber(false, fit_.phi[i]);
    return t + ")";
}

ResultTable YuleWalkerTable(const YuleWalkerSeries& s) {
    ResultTable t({"", LoadStr(kStrEstimate), LoadStr(kStrVariance), LoadStr(kStrIntervalLower),
                   LoadStr(kStrIntervalUpper)});
    const double rootN = std::sqrt(static_cast<double>(s.Count()));
    for (int i = 0; i < s.Order(); ++i) {
        const double phi = s.Fit().phi[i], d = s.Fit().variance[i];
        const double h = 1.96 * std::sqrt(d) / rootN;
        const double lower = phi - h, upper = phi + h;
        ResultCell lag = TextCell(std::to_string(i + 1));
        lag.value = i + 1;
        t.AddRow({lag, NumberCell(phi), NumberCell(d, false, lower * upper < 0.0 ? "* " : ""), NumberCell(lower),
                  NumberCell(upper)});
    }
    return t;
}

// Diagnostics of the current fit. Collinearity, tolerance intervals of
// a prediction, the LIML root, the Breusch-Godfrey statistic, the ordinary
// and White covariances and the added-variable plot data. None of them
// changes the model.
#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "core/numeric/distributions.h"
#include "core/numeric/tolerance_interval.h"
#include "platform/errors.h"
#include "core/numeric/numeric_helpers.h"
#include "core/model/regression_data_blocks.h"
#include "core/model/regression_diagnostics.h"
#include "core/numeric/statistics.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Explanatory variables (role 2 among 0 .. k-1) in index order.
std::vector<int> ExplanatoryIndices(const std::vector<std::uint8_t>& role, int k) {
    std::vector<int> ex;
    for (int j = 0; j < k && j < static_cast<int>(role.size()); ++j)
        if (role[j] == Reg::kRoleExplanatory) ex.push_back(j);
    return ex;
}

// Out matrix of the covariances: (k + 1) x (k + 1), all zeros.
void ZeroCovarianceOutput(Matrix& out, int k) {
    if (out.Rows() != k + 1 || out.Cols() != k + 1)
        out.Resize(k + 1, k + 1, false);
    else
        ZeroVector(out);
}

}  // namespace

// ---------------------------------------------------------------------------

double GetConditionNumber(const Reg& reg, Vector& vif) {
    // Neither the leverages nor the design are needed when the moments are kept.
    const LongMatrix& unswept = reg.UnsweptMoments();
    const int n = reg.GetObsCount();
    const int k = reg.GetVarCount();
    const std::vector<int> ex = ExplanatoryIndices(reg.Roles(), k);
    const int m = static_cast<int>(ex.size());
    if (m < 2) return 0.0;
    try {
        Matrix passed;
        if (reg.IsTwoStage() && reg.IsRealCalc()) {
            // The collinearity the instruments see: (Z'X)^-1 Z'Z (Z'X)^-T,
            // inverted, on unit-length columns.
            Matrix z(n, m + 1), x(n, m + 1);
            for (int s = 0; s < m; ++s) {
                CopyColumnTo(reg, z, s, true, ex[s]);
                CopyColumnTo(reg, x, s, false, ex[s]);
            }
            CopyColumnTo(reg, z, m, true, reg.GetDependent());
            CopyColumnTo(reg, x, m, false, reg.GetDependent());
            for (int c = 0; c <= m; ++c) {
                z.StandardizeColumn(c, false);
                x.StandardizeColumn(c, false);
            }
            Matrix a, b;
            ComputeCrossProducts(z, x, a, &b);
            InvertMatrix(a.Data(), a.Cols(), a.Data(), m, a.Cols());
            SandwichProduct(a, b, m);
            InvertMatrix(a.Data(), a.Cols(), a.Data(), m, a.Cols());
            passed.Replace(Matrix(m, m));
            passed.Assign(a);
        } else if (unswept.Rows() == k + 1 && unswept.Cols() == k + 1) {
            // Correlations are pairwise, and every entry of the one moment
            // method depends on its two columns alone: the design's moments
            // before the sweeps give the explanatory block as it stands.
            Matrix cov(m, m);
            for (int s = 0; s < m; ++s)
                for (int t = 0; t < m; ++t) cov[s][t] = static_cast<double>(unswept[ex[s]][ex[t]]);
            CovarianceToCorrelation(cov, m, passed);
        } else {
            Matrix columns(n, m);
            const Matrix& design = reg.Design();
            for (int s = 0; s < m; ++s) {
                for (int i = 0; i < n; ++i) columns[i][s] = design[i][ex[s]];
            }
            ComputeCorrelationMatrix(columns, n, m, passed, reg.Pool());
        }
        Matrix vectors;
        Vector values;
        return ComputeVifAndConditionNumber(passed, m, vif, vectors, values);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

double GetToleranceInterval(const Reg& reg, std::span<double> x, double& lower, double& upper,
                            double probability, double confidence) {
    const RegFit& fit = reg.Fit();
    const int n = reg.GetObsCount();
    const int k = reg.GetVarCount();
    if (static_cast<long long>(x.size()) < static_cast<long long>(k) + 1) throw ERangeError(kRangeErrorText);
    x[k] = 1.0;
    const std::vector<int> swept = reg.SweptIndices();
    long double prediction = 0.0L, q = 0.0L;
    for (int a : swept) {
        prediction += static_cast<long double>(fit.coef.At(a)) * x[a];
        long double row = 0.0L;
        for (int b : swept) row += fit.moments[a][b] * x[b];
        q += x[a] * row;
    }
    // Without a residual degree of freedom the quantiles are NaN, and so
    // are the bounds.
    const double half =
        ToleranceHalfWidth(static_cast<double>(q), fit.s2, n, fit.residualDf, confidence, probability);
    const double yhat = static_cast<double>(prediction);
    lower = yhat - half;
    upper = yhat + half;
    return yhat;
}

bool HasTooFewEquations(const Reg& reg) { return HasTooFewEquations(reg, reg.Expressions().GetCount()); }

bool HasTooFewEquations(const Reg& reg, int equationCount) {
    const int k = reg.GetVarCount();
    int endogenous = 0;
    for (int j = 0; j < k; ++j)
        if (reg.GetVarType(j) == Var::kEndogenous) ++endogenous;
    return endogenous > equationCount;
}

// ---------------------------------------------------------------------------

double ComputeLimlRoot(const Reg& reg) {
    const std::vector<std::uint8_t>& role = reg.Roles();
    const int k = reg.GetVarCount();
    try {
        std::vector<int> endo;
        for (int j = 0; j < k && j < static_cast<int>(role.size()); ++j)
            if (reg.GetVarType(j) == Var::kEndogenous && role[j] != Reg::kRoleUnused) endo.push_back(j);
        const int g = static_cast<int>(endo.size());
        if (g == 0) return 0.0;

        // Residual cross-products on the included (W1) and on all (W2)
        // exogenous variables.
        Matrix w1(reg.Moments()), w2(reg.Moments());
        if (w1.Rows() < k + 1 || w1.Cols() < k + 1) return -1.0;
        for (int j = 0; j < k; ++j) {
            if (!reg.IsExogenous(j)) continue;
            // A zero pivot leaves that variable unswept.
            static_cast<void>(w2.Sweep(j));
            if (role[j] == Reg::kRoleExplanatory) static_cast<void>(w1.Sweep(j));
        }
        Matrix a(g, g), b(g, g);
        for (int s = 0; s < g; ++s)
            for (int t = 0; t < g; ++t) {
                a[s][t] = w1[endo[s]][endo[t]];
                b[s][t] = w2[endo[s]][endo[t]];
            }

        double root = -1.0;
        if (g == 1) {
            // A zero divisor is a math error here, not an infinite root.
            if (b[0][0] == 0.0) return -1.0;
            root = a[0][0] / b[0][0];
        } else if (g == 2) {
            const double ba = b[0][0], bb = b[0][1], bc = b[1][1];
            const double ad = a[0][0], ae = a[0][1], af = a[1][1];
            const double alpha2 = ba * bc - bb * bb;
            const double beta2 = 2.0 * bb * ae - bc * ad - ba * af;
            const double gamma2 = ad * af - ae * ae;
            // A vanishing det B leaves the equation linear in the root.
            // "Vanishing" is judged against the scale of B: the root does not
            // change with the units of the data, so an absolute test would
            // take data in small units for singular and give a wrong root.
            if (std::fabs(alpha2) <= kSingleEpsilon * std::fabs(ba * bc)) {
                if (beta2 == 0.0) return -1.0;
                root = -gamma2 / beta2;
            } else {
                const double disc = beta2 * beta2 - 4.0 * alpha2 * gamma2;
                if (disc < 0.0) return -1.0;
                root = (-beta2 - std::sqrt(disc)) / (2.0 * alpha2);
            }
        } else {
            // Reduce to a symmetric problem: with B = U'U the roots are the
            // eigenvalues of U'^-1 A U^-1.
            Matrix u(g, g), l(g, g);
            CholeskyDecompose(b.Data(), g, u.Data(), g, g);
            // A singular B rarely leaves an exact zero pivot: judged against
            // the scale of B, as for g = 2.
            for (int p = 0; p < g; ++p)
                if (u[p][p] * u[p][p] <= kSingleEpsilon * b[p][p]) return -1.0;
            TransposeCopy(u.Data(), g, l.Data(), g, g, g);
            for (int p = 0; p < g; ++p) {
                if (l.Sweep(p) == SweepResult::kZeroPivot || u.Sweep(p) == SweepResult::kZeroPivot) return -1.0;
            }
            TripleProduct(l, a, u, g);
            Vector values;
            Matrix vectors;
            if (!a.Eigen(values, vectors)) return -1.0;
            root = values.At(g - 1);
        }
        return std::isfinite(root) ? root : -1.0;
    } catch (const EMathError&) {
        return -1.0;
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

// ---------------------------------------------------------------------------

double BreuschGodfreyTest(const Reg& reg, int q) {
    static_cast<void>(reg.Design());  // its values are read below
    const RegFit& fit = reg.Fit();
    if (q < 1) return kNaN;
    const int n = reg.GetObsCount();
    const int k = reg.GetVarCount();
    const int obs = n - q;
    if (obs <= 0) return kNaN;
    const std::vector<int> ex = ExplanatoryIndices(reg.Roles(), k);
    // Explanatory variables, q lagged residuals and the current one.
    const int c = static_cast<int>(ex.size()) + q + 1;
    // An auxiliary fit with no residual degree of freedom says nothing.
    if (obs <= c) return kNaN;
    try {
        const double* e = reg.Analysis().Row(Reg::kRowResidual);
        std::vector<double> rows(static_cast<std::size_t>(obs) * c);
        for (int t = 0; t < obs; ++t) {
            const double* z = fit.design[t + q];
            double* row = rows.data() + static_cast<std::size_t>(t) * c;
            int s = 0;
            for (int j : ex) row[s++] = z[j];
            for (int l = 0; l <= q; ++l) row[s++] = e[t + l];
        }
        LongMatrix m;
        BuildMomentsFromRows(rows.data(), obs, c, c, m);
        const long double sst = m[c - 1][c - 1];
        // A zero pivot leaves its column out; the sweep changes nothing.
        for (int s = 0; s < c - 1; ++s) static_cast<void>(m.Sweep(s));
        const long double sse = m[c - 1][c - 1];
        return static_cast<double>(obs * (1.0L - sse / sst));
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

// ---------------------------------------------------------------------------

void GetCovariance(const Reg& reg, Matrix& out) {
    const RegFit& fit = reg.Fit();
    const int k = reg.GetVarCount();
    ZeroCovarianceOutput(out, k);
    const std::vector<int> swept = reg.SweptIndices();
    const long double s2 = fit.s2;
    for (int a : swept)
        for (int b : swept) out[a][b] = static_cast<double>(fit.moments[a][b] * s2);
}

void GetWhiteCovariance(const Reg& reg, Matrix& out) {
    static_cast<void>(reg.Design());  // its values are read below
    const RegFit& fit = reg.Fit();
    const int n = reg.GetObsCount();
    const int k = reg.GetVarCount();
    try {
        const std::vector<int> ex = ExplanatoryIndices(reg.Roles(), k);
        const int m = static_cast<int>(ex.size());
        const int p = m + 1;  // the constant term last
        // A z_i in centred form: with C the swept block of the explanatory
        // variables and d_i the centred row, A z_i = [C d_i; 1/n - mean' C d_i].
        // Summing e_i^2 (A z_i)(A z_i)' gives A B A without the cancellation
        // of raw cross-products.
        std::vector<long double> mean(m, 0.0L);
        for (int i = 0; i < n; ++i) {
            const double* z = fit.design[i];
            for (int s = 0; s < m; ++s) mean[s] += z[ex[s]];
        }
        for (int s = 0; s < m && n > 0; ++s) mean[s] /= n;
        std::vector<long double> c(static_cast<size_t>(m) * m);
        for (int s = 0; s < m; ++s)
            for (int t = 0; t < m; ++t) c[static_cast<size_t>(s) * m + t] = fit.moments[ex[s]][ex[t]];
        const long double inverseN = n > 0 ? 1.0L / n : 0.0L;

        const double* e = reg.Analysis().Row(Reg::kRowResidual);
        std::vector<long double> d(m), w(p), sum(static_cast<size_t>(p) * p, 0.0L);
        for (int i = 0; i < n; ++i) {
            const double* z = fit.design[i];
            for (int s = 0; s < m; ++s) d[s] = z[ex[s]] - mean[s];
            long double last = inverseN;
            for (int s = 0; s < m; ++s) {
                long double cs = 0.0L;
                for (int t = 0; t < m; ++t) cs += c[static_cast<size_t>(s) * m + t] * d[t];
                w[s] = cs;
                last -= mean[s] * cs;
            }
            w[m] = last;
            const long double e2 = static_cast<long double>(e[i]) * e[i];
            for (int s = 0; s < p; ++s) {
                const long double ws = e2 * w[s];
                for (int t = 0; t <= s; ++t) sum[static_cast<size_t>(s) * p + t] += ws * w[t];
            }
        }
        std::vector<int> index(ex);
        index.push_back(k);
        // The output is only touched once the result is complete.
        ZeroCovarianceOutput(out, k);
        for (int s = 0; s < p; ++s)
            for (int t = 0; t <= s; ++t) {
                const double v = static_cast<double>(sum[static_cast<size_t>(s) * p + t]);
                out[index[s]][index[t]] = v;
                out[index[t]][index[s]] = v;
            }
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

// ---------------------------------------------------------------------------

void GetPartialRegression(const Reg& reg, std::vector<double>& ox, std::vector<double>& oy, int j) {
    static_cast<void>(reg.Design());  // its values are read below
    const RegFit& fit = reg.Fit();
    const int n = reg.GetObsCount();
    const int k = reg.GetVarCount();
    if (j < 0 || j >= k) throw ERangeError(kRangeErrorText);
    const int dep = reg.GetDependent();
    try {
        // In the two-stage leverage variant j enters with its observed
        // values, and observed values replace the design in the sums.
        const bool observed = reg.IsTwoStage() && reg.IsRealCalc();
        LongMatrix mm;
        if (observed) {
            Matrix data(fit.design);
            for (int i = 0; i < n; ++i) data[i][j] = reg.GetValue(i, j);
            ::BuildMomentMatrix(data, n, k, mm);
        } else {
            ::BuildMomentMatrix(fit.design, n, k, mm);
        }
        // Means before the sweeps: the residuals are formed from centred
        // values, which is the same sum without cancelling large terms.
        std::vector<long double> mean(k);
        for (int l = 0; l < k; ++l) mean[l] = mm[k][l];
        std::vector<int> others;
        for (int l = 0; l < k; ++l) {
            if (l == j || l == dep || reg.Roles()[l] != Reg::kRoleExplanatory) continue;
            // A zero pivot leaves the variable unswept, and out of the sums.
            if (mm.Sweep(l) == SweepResult::kSwept) others.push_back(l);
        }
        const int q = static_cast<int>(others.size());
        std::vector<long double> bDep(q), bJ(q);
        for (int s = 0; s < q; ++s) {
            bDep[s] = mm[others[s]][dep];
            bJ[s] = mm[others[s]][j];
        }
        std::vector<double> rx(n), ry(n);
        for (int i = 0; i < n; ++i) {
            auto value = [&](int col) -> double { return observed ? reg.GetValue(i, col) : fit.design[i][col]; };
            long double fy = 0.0L, fx = 0.0L;
            for (int s = 0; s < q; ++s) {
                const long double d = value(others[s]) - mean[others[s]];
                fy += bDep[s] * d;
                fx += bJ[s] * d;
            }
            ry[i] = static_cast<double>((value(dep) - mean[dep]) - fy);
            rx[i] = static_cast<double>((value(j) - mean[j]) - fx);
        }
        ox.swap(rx);
        oy.swap(ry);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

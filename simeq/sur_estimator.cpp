#include "simeq/sur_estimator.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/model/leverage_forms.h"
#include "platform/errors.h"

namespace {

constexpr double kConvergence = 1.1920929e-07;
// Below this a previous covariance element counts as zero and its change is
// measured absolutely (a relative change would divide by zero).
constexpr double kTinyElement = 2.220446049250313e-16;
// A pivot this small against its value before the sweep means a regressor
// that is a linear combination of the others in its equation; sweeping it
// would give numbers of no meaning.
constexpr double kPivotTolerance = 1e-12;

const char* const kSweepFailed = "掃き出し演算";

bool AllFinite(const double* p, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (!std::isfinite(p[i])) return false;
    return true;
}

// a(r, c) = sum over the first n rows of u(t, r) v(t, c).
Matrix CrossProduct(const Matrix& u, const Matrix& v, int n) {
    const int ku = u.Cols(), kv = v.Cols();
    std::vector<long double> acc(static_cast<std::size_t>(ku) * kv, 0.0L);
    for (int t = 0; t < n; ++t) {
        const double* ur = u[t];
        const double* vr = v[t];
        for (int r = 0; r < ku; ++r) {
            const long double a = ur[r];
            long double* row = acc.data() + static_cast<std::size_t>(r) * kv;
            for (int c = 0; c < kv; ++c) row[c] += a * vr[c];
        }
    }
    Matrix out(ku, kv);
    for (int r = 0; r < ku; ++r)
        for (int c = 0; c < kv; ++c) out[r][c] = static_cast<double>(acc[static_cast<std::size_t>(r) * kv + c]);
    return out;
}

std::vector<double> CrossVector(const Matrix& u, const std::vector<double>& y, int n) {
    std::vector<long double> acc(static_cast<std::size_t>(u.Cols()), 0.0L);
    for (int t = 0; t < n; ++t) {
        const double* ur = u[t];
        for (int r = 0; r < u.Cols(); ++r) acc[r] += static_cast<long double>(ur[r]) * y[t];
    }
    return std::vector<double>(acc.begin(), acc.end());
}

double Dot(const std::vector<double>& a, const std::vector<double>& b, int n) {
    long double s = 0.0L;
    for (int t = 0; t < n; ++t) s += static_cast<long double>(a[t]) * b[t];
    return static_cast<double>(s);
}

// Sweeps every pivot of the K x (K + 1) system in ascending order: the
// leading block becomes the inverse, the last column the solution.
void SweepSystem(Matrix& system, int K) {
    std::vector<double> before(K);
    for (int q = 0; q < K; ++q) before[q] = std::fabs(system[q][q]);
    for (int q = 0; q < K; ++q) {
        if (before[q] == 0.0 || std::fabs(system[q][q]) <= kPivotTolerance * before[q])
            throw EZeroDivide(kSweepFailed);
        if (system.Sweep(q) != SweepResult::kSwept) throw EZeroDivide(kSweepFailed);
    }
}

}  // namespace

Zelner::Zelner(std::vector<SurEquation> equations) : eq_(std::move(equations)) {
    if (eq_.empty()) throw Exception("式がありません");
    n_ = static_cast<int>(eq_.front().y.size());
    for (const SurEquation& e : eq_) {
        const int k = static_cast<int>(e.varNames.size());
        const int rows = static_cast<int>(e.y.size());
        if (k < 1 || e.dependentPos < 0 || e.dependentPos >= k || e.residualRegressors.Cols() != k ||
            e.estimationRegressors.Cols() != k || e.residualRegressors.Rows() < rows ||
            e.estimationRegressors.Rows() < rows)
            throw ERangeError("式（" + e.name + "）のデータの形が合いません。");
        n_ = std::min(n_, rows);
    }
    for (SurEquation& e : eq_) {
        const int k = static_cast<int>(e.varNames.size());
        e.y.resize(static_cast<std::size_t>(n_));
        e.residualRegressors.Resize(n_, k, true);
        e.estimationRegressors.Resize(n_, k, true);
        if (!AllFinite(e.y.data(), e.y.size()) ||
            !AllFinite(e.residualRegressors.Data(), static_cast<std::size_t>(n_) * k) ||
            !AllFinite(e.estimationRegressors.Data(), static_cast<std::size_t>(n_) * k))
            throw EMathError("式（" + e.name + "）のデータに有限の数値でない値があります。");
    }
}

int Zelner::FindVar(int i, const std::string& name) const {
    const SurEquation& e = eq_.at(i);
    if (name == "定数項") return e.dependentPos;
    const auto it = std::find(e.varNames.begin(), e.varNames.end(), name);
    return it == e.varNames.end() ? -1 : static_cast<int>(it - e.varNames.begin());
}

SurResult Zelner::Estimate(const SurOptions& options) const {
    const int G = GetEquationCount();
    std::vector<int> offset(G + 1, 0);
    for (int i = 0; i < G; ++i) {
        if (n_ <= GetCoefCount(i) + 1) throw Exception("自由度不足");
        offset[i + 1] = offset[i] + GetCoefCount(i);
    }
    const int K = offset[G];

    // Z_i' X_j and Z_i' y_j stay the same through the iterations.
    std::vector<Matrix> A(static_cast<std::size_t>(G) * G);
    std::vector<std::vector<double>> c(static_cast<std::size_t>(G) * G);
    for (int i = 0; i < G; ++i)
        for (int j = 0; j < G; ++j) {
            A[i * G + j].Replace(CrossProduct(eq_[i].estimationRegressors, eq_[j].residualRegressors, n_));
            c[i * G + j] = CrossVector(eq_[i].estimationRegressors, eq_[j].y, n_);
        }

    SurResult result;
    result.equations.resize(G);
    for (int i = 0; i < G; ++i) {
        result.equations[i].coef.assign(GetCoefCount(i), 0.0);
        result.equations[i].stdErr.assign(GetCoefCount(i), 0.0);
        result.equations[i].residual.assign(n_, 0.0);
    }
    // The first step weights with the identity: least squares equation by
    // equation.
    Matrix sigma(G, G);
    for (int i = 0; i < G; ++i) sigma[i][i] = 1.0;
    Matrix previous(G, G, 1.0);
    Matrix system(K, K + 1);
    const int limit = options.iterationLimit > 0 ? options.iterationLimit : (options.iterate ? 200 : 2);

    for (int iteration = 0; iteration < limit; ++iteration) {
        const Matrix W = sigma.Inverse();
        result.sigmaUsed.assign(sigma.Data(), sigma.Data() + G * G);
        for (int i = 0; i < G; ++i)
            for (int r = 0; r < GetCoefCount(i); ++r) {
                double* row = system[offset[i] + r];
                long double rhs = 0.0L;
                for (int j = 0; j < G; ++j) {
                    const double w = W[i][j];
                    const double* a = A[i * G + j][r];
                    for (int s = 0; s < GetCoefCount(j); ++s) row[offset[j] + s] = w * a[s];
                    rhs += static_cast<long double>(w) * c[i * G + j][r];
                }
                row[K] = static_cast<double>(rhs);
            }
        SweepSystem(system, K);

        for (int i = 0; i < G; ++i) {
            SurEquationResult& r = result.equations[i];
            const int k = GetCoefCount(i);
            for (int s = 0; s < k; ++s) {
                const int q = offset[i] + s;
                if (!(system[q][q] >= 0.0)) throw EZeroDivide(kSweepFailed);
                r.coef[s] = system[q][K];
                r.stdErr[s] = std::sqrt(system[q][q]);
            }
            const Matrix& X = eq_[i].residualRegressors;
            for (int t = 0; t < n_; ++t) {
                long double fit = 0.0L;
                const double* x = X[t];
                for (int s = 0; s < k; ++s) fit += static_cast<long double>(x[s]) * r.coef[s];
                r.residual[t] = static_cast<double>(eq_[i].y[t] - fit);
            }
        }
        for (int i = 0; i < G; ++i)
            for (int j = i; j < G; ++j)
                sigma[i][j] = sigma[j][i] = Dot(result.equations[i].residual, result.equations[j].residual, n_) /
                                            std::sqrt(static_cast<double>(GetDf(i)) * GetDf(j));
        result.iterations = iteration + 1;

        double change = 0.0;
        for (int i = 0; i < G; ++i)
            for (int j = i; j < G; ++j) {
                const double p = previous[i][j];
                const double d = std::fabs(sigma[i][j] - p);
                change = std::max(change, std::fabs(p) < kTinyElement ? d : d / std::fabs(p));
            }
        if (change < kConvergence) {
            result.converged = true;
            break;
        }
        previous.Replace(sigma);
    }
    result.sigma.assign(sigma.Data(), sigma.Data() + G * G);

    // Leverages with the final covariance: z holds U(g, j) X_j(t, .) in the
    // block of equation j (W = U'U), and h = z' S z with S the inverse of
    // the weighted normal matrix.
    const Matrix U = CholeskyMatrix(sigma.Inverse());
    std::vector<double> z(K);
    for (int g = 0; g < G; ++g) {
        std::vector<double>& h = result.equations[g].leverage;
        h.assign(n_, 0.0);
        for (int t = 0; t < n_; ++t) {
            for (int j = 0; j < G; ++j) {
                const double u = U[g][j];
                const double* x = eq_[j].residualRegressors[t];
                for (int s = 0; s < GetCoefCount(j); ++s) z[offset[j] + s] = u * x[s];
            }
            long double sum = 0.0L;
            for (int a = 0; a < K; ++a) {
                if (z[a] == 0.0) continue;
                const double* srow = system[a];
                long double v = 0.0L;
                for (int b = 0; b < K; ++b) v += static_cast<long double>(srow[b]) * z[b];
                sum += v * z[a];
            }
            h[t] = LeverageSnappedToOne(static_cast<double>(sum));
        }
    }

    for (int i = 0; i < G; ++i) {
        const int k = GetCoefCount(i);
        std::vector<double>& V = result.equations[i].coefCov;
        V.assign(static_cast<std::size_t>(k) * k, 0.0);
        for (int r = 0; r < k; ++r)
            for (int s = r; s < k; ++s) V[r * k + s] = V[s * k + r] = system[offset[i] + r][offset[i] + s];
    }

    bool finite = AllFinite(sigma.Data(), static_cast<std::size_t>(G) * G);
    for (const SurEquationResult& r : result.equations)
        finite = finite && AllFinite(r.coef.data(), r.coef.size()) && AllFinite(r.stdErr.data(), r.stdErr.size()) &&
                 AllFinite(r.leverage.data(), r.leverage.size());
    if (!finite) throw EMathError("推定値が有限の数値になりません。");
    return result;
}

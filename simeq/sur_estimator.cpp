#include "simeq/sur_estimator.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "platform/errors.h"
#include "simeq/sur_system.h"

namespace {

constexpr double kConvergence = 1.1920929e-07;
// Below this share of the root of its two variances a previous covariance
// element counts as zero, and its change is measured against that root (a
// change relative to the element would divide by zero): a correlation's
// change, the same in any units.
constexpr double kTinyElement = 2.220446049250313e-16;

bool AllFinite(const double* p, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (!std::isfinite(p[i])) return false;
    return true;
}

double Dot(const std::vector<double>& a, const std::vector<double>& b, int n) {
    long double s = 0.0L;
    for (int t = 0; t < n; ++t) s += static_cast<long double>(a[t]) * b[t];
    return static_cast<double>(s);
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
        // The estimate is formed about the means, which needs the constant
        // term.
        for (const Matrix* m : {&e.residualRegressors, &e.estimationRegressors})
            for (int t = 0; t < n_; ++t)
                if ((*m)[t][e.dependentPos] != 1.0)
                    throw ERangeError("式（" + e.name + "）のデータの形が合いません。");
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
    for (int i = 0; i < G; ++i)
        if (n_ <= GetCoefCount(i) + 1) throw Exception("自由度不足");

    // The centred cross products stay the same through the iterations.
    const SurCentredSystem system(eq_, n_);

    SurResult result;
    result.equations.resize(G);
    // The first step weights with the identity: least squares equation by
    // equation.
    Matrix sigma(G, G);
    for (int i = 0; i < G; ++i) sigma[i][i] = 1.0;
    Matrix previous(G, G, 1.0);
    // Matrices assign into their own shape: each step is built anew.
    std::optional<SurStep> step;
    const int limit = options.iterationLimit > 0 ? options.iterationLimit : (options.iterate ? 200 : 2);

    for (int iteration = 0; iteration < limit; ++iteration) {
        step.emplace(system.Solve(sigma));
        result.sigmaUsed.assign(sigma.Data(), sigma.Data() + G * G);
        for (int i = 0; i < G; ++i) system.Residuals(*step, i, result.equations[i].residual);
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
                const double root = std::sqrt(std::fabs(previous[i][i] * previous[j][j]));
                const bool tiny = std::fabs(p) < kTinyElement * root;
                const double relative = tiny ? (root > 0.0 ? d / root : d) : d / std::fabs(p);
                change = std::max(change, relative);
            }
        if (change < kConvergence) {
            result.converged = true;
            break;
        }
        previous.Replace(sigma);
    }
    result.sigma.assign(sigma.Data(), sigma.Data() + G * G);

    // Coefficients, their covariances and the leverages all come from the
    // last weighted step (the sigma it was weighted with).
    for (int i = 0; i < G; ++i) {
        SurEquationResult& r = result.equations[i];
        const int k = GetCoefCount(i);
        r.coef.resize(k);
        r.stdErr.resize(k);
        r.coefCov.assign(static_cast<std::size_t>(k) * k, 0.0);
        for (int a = 0; a < k; ++a) {
            r.coef[a] = static_cast<double>(system.Coefficient(*step, i, a));
            for (int b = a; b < k; ++b)
                r.coefCov[a * k + b] = r.coefCov[b * k + a] =
                    static_cast<double>(system.InverseElement(*step, i, a, i, b));
            const double variance = r.coefCov[a * k + a];
            if (!(variance >= 0.0)) throw EZeroDivide("掃き出し演算");
            r.stdErr[a] = std::sqrt(variance);
        }
    }
    std::vector<std::vector<double>> leverage;
    system.Leverages(*step, leverage);
    for (int g = 0; g < G; ++g) result.equations[g].leverage = std::move(leverage[g]);

    bool finite = AllFinite(sigma.Data(), static_cast<std::size_t>(G) * G);
    for (const SurEquationResult& r : result.equations)
        finite = finite && AllFinite(r.coef.data(), r.coef.size()) && AllFinite(r.stdErr.data(), r.stdErr.size()) &&
                 AllFinite(r.leverage.data(), r.leverage.size());
    if (!finite) throw EMathError("推定値が有限の数値になりません。");
    return result;
}

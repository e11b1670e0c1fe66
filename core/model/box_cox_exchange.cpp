// Box-Cox parameter of the model; see box_cox_exchange.h.
#include "core/model/box_cox_exchange.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "core/numeric/box_cox_units.h"
#include "core/numeric/numeric_helpers.h"
#include "core/text/number_format.h"
#include "platform/numeric_tolerances.h"

namespace {

constexpr double kPivotTolerance = 1e-12;
constexpr double kZeroLambda = 1.1920929e-07;

// Centred cross products of the selected columns of rows (row-major, width
// cols) with their means.
struct CrossProducts {
    int size = 0;
    std::vector<double> means;
    std::vector<double> a;  // size x size
    double& At(int i, int j) { return a[static_cast<std::size_t>(i * size + j)]; }
};

CrossProducts Centred(const std::vector<double>& rows, int n, int cols) {
    CrossProducts m;
    m.size = cols;
    m.means.assign(static_cast<std::size_t>(cols), 0.0);
    m.a.assign(static_cast<std::size_t>(cols * cols), 0.0);
    for (int c = 0; c < cols; ++c) {
        long double s = 0.0L;
        for (int i = 0; i < n; ++i) s += rows[static_cast<std::size_t>(i * cols + c)];
        m.means[static_cast<std::size_t>(c)] = static_cast<double>(s / n);
    }
    for (int p = 0; p < cols; ++p)
        for (int q = p; q < cols; ++q) {
            long double s = 0.0L;
            for (int i = 0; i < n; ++i)
                s += static_cast<long double>(rows[static_cast<std::size_t>(i * cols + p)] - m.means[static_cast<std::size_t>(p)]) *
                     (rows[static_cast<std::size_t>(i * cols + q)] - m.means[static_cast<std::size_t>(q)]);
            m.At(p, q) = m.At(q, p) = static_cast<double>(s);
        }
    return m;
}

// Sweeps on pivot k; a pivot that is (nearly) a combination of those swept
// before is left out. False when left out.
bool Sweep(CrossProducts& m, int k, double original) {
    const double d = m.At(k, k);
    if (!(d > kPivotTolerance * std::max(original, 1e-300))) return false;
    for (int i = 0; i < m.size; ++i) {
        if (i == k) continue;
        for (int j = 0; j < m.size; ++j) {
            if (j == k) continue;
            m.At(i, j) -= m.At(i, k) * m.At(k, j) / d;
        }
    }
    for (int i = 0; i < m.size; ++i) {
        if (i == k) continue;
        m.At(i, k) /= d;
        m.At(k, i) /= d;
    }
    m.At(k, k) = -1.0 / d;
    return true;
}

// Coefficients of the last column on the columns in pivots (zero for a
// pivot left out) and the intercept.
void Regress(CrossProducts& m, const std::vector<int>& pivots, int target, std::vector<double>& b, double& c) {
    std::vector<double> diag(static_cast<std::size_t>(m.size));
    for (int i = 0; i < m.size; ++i) diag[static_cast<std::size_t>(i)] = m.At(i, i);
    std::vector<bool> swept(static_cast<std::size_t>(m.size), false);
    for (int p : pivots) swept[static_cast<std::size_t>(p)] = Sweep(m, p, diag[static_cast<std::size_t>(p)]);
    b.assign(pivots.size(), 0.0);
    c = m.means[static_cast<std::size_t>(target)];
    for (std::size_t j = 0; j < pivots.size(); ++j) {
        const int p = pivots[j];
        if (!swept[static_cast<std::size_t>(p)]) continue;
        b[j] = m.At(p, target);
        c -= b[j] * m.means[static_cast<std::size_t>(p)];
    }
}

// The columns of a search with the logarithms of the transformed ones taken
// once, in units near 1 (box_cox_units.h): there the -1 of the transform
// keeps the values' digits for every lambda. The transform in those units is
// an affine map of the data's own, which the constant term absorbs; only
// y's gain changes SSE, by c^(2 lambda), so the criterion differs from the
// data's own by n ln c of y's units, the same for every lambda.
struct TrialColumns {
    const BoxCoxColumns* cols = nullptr;
    std::vector<std::vector<double>> logs;  // per column, empty when not transformed
    double ownShift = 0.0;                  // n ln c of the dependent's units when transformed
    int dependent = -1;

    double Value(int i, int c, double lambda) const {
        const std::vector<double>& l = logs[static_cast<std::size_t>(c)];
        return l.empty() ? cols->At(i, c) : BoxCoxOfLog(lambda, l[static_cast<std::size_t>(i)]);
    }
};

TrialColumns PrepareTrials(const BoxCoxColumns& cols) {
    TrialColumns t;
    t.cols = &cols;
    t.logs.resize(static_cast<std::size_t>(cols.Cols()));
    for (int c = 0; c < cols.Cols(); ++c) {
        if (cols.codes[static_cast<std::size_t>(c)] == BoxCoxColumns::kDependent) t.dependent = c;
        if (!cols.transform[static_cast<std::size_t>(c)] || cols.rows < 1) continue;
        const BoxCoxUnits units = BoxCoxUnitsOf(&cols.values[static_cast<std::size_t>(c)], cols.rows, cols.Cols());
        std::vector<double>& l = t.logs[static_cast<std::size_t>(c)];
        l.resize(static_cast<std::size_t>(cols.rows));
        for (int i = 0; i < cols.rows; ++i) l[static_cast<std::size_t>(i)] = units.Log(cols.At(i, c));
        if (c == t.dependent) t.ownShift = cols.rows * units.LogScale();
    }
    return t;
}

}  // namespace

BoxCoxColumns BuildBoxCoxColumns(const Reg& model, const std::vector<std::uint8_t>& flags) {
    BoxCoxColumns cols;
    const int k = model.GetVarCount();
    const int dep = model.GetDependent();
    auto add = [&](int j, int code) {
        cols.variables.push_back(j);
        cols.codes.push_back(code);
        const bool flagged = code != BoxCoxColumns::kOtherExogenous && j < static_cast<int>(flags.size()) &&
                             flags[static_cast<std::size_t>(j)];
        cols.transform.push_back(flagged ? 1 : 0);
    };
    for (int j = 0; j < k; ++j)
        if (j != dep && model.IsExplanatory(j))
            add(j, model.IsExogenous(j) ? BoxCoxColumns::kExogenous : BoxCoxColumns::kEndogenous);
    if (dep >= 0 && dep < k) add(dep, BoxCoxColumns::kDependent);
    for (int j = 0; j < k; ++j)
        if (j != dep && !model.IsExplanatory(j) && model.IsExogenous(j)) add(j, BoxCoxColumns::kOtherExogenous);
    cols.rows = model.GetObsCount();
    cols.values.reserve(static_cast<std::size_t>(cols.rows) * cols.codes.size());
    for (int i = 0; i < cols.rows; ++i)
        for (int j : cols.variables) cols.values.push_back(model.GetValue(i, j));
    return cols;
}

namespace {

// SSE / n of one trial in the units of the trial columns; false when it is
// not a positive number.
bool TrialVariance(const TrialColumns& t, double lambda, bool twoStage, double* variance) {
    const BoxCoxColumns& cols = *t.cols;
    const int n = cols.rows;
    int dep = -1;
    std::vector<int> explanatory, exogenous;
    for (int c = 0; c < cols.Cols(); ++c) {
        const int code = cols.codes[static_cast<std::size_t>(c)];
        if (code == BoxCoxColumns::kDependent) dep = c;
        else if (code != BoxCoxColumns::kOtherExogenous) explanatory.push_back(c);
        if (code == BoxCoxColumns::kExogenous || code == BoxCoxColumns::kOtherExogenous) exogenous.push_back(c);
    }
    if (dep < 0 || n < 1) return false;
    const int all = cols.Cols();
    std::vector<double> actual(static_cast<std::size_t>(n * all));
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < all; ++c) actual[static_cast<std::size_t>(i * all + c)] = t.Value(i, c, lambda);

    // Second-stage rows: the explanatory columns (endogenous ones fitted
    // from the exogenous columns under two stages), then the dependent.
    const int p = static_cast<int>(explanatory.size());
    std::vector<double> rows(static_cast<std::size_t>(n * (p + 1)));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < p; ++j)
            rows[static_cast<std::size_t>(i * (p + 1) + j)] = actual[static_cast<std::size_t>(i * all + explanatory[static_cast<std::size_t>(j)])];
        rows[static_cast<std::size_t>(i * (p + 1) + p)] = actual[static_cast<std::size_t>(i * all + dep)];
    }
    if (twoStage) {
        for (int j = 0; j < p; ++j) {
            const int e = explanatory[static_cast<std::size_t>(j)];
            if (cols.codes[static_cast<std::size_t>(e)] != BoxCoxColumns::kEndogenous) continue;
            // regress column e on the exogenous columns
            const int z = static_cast<int>(exogenous.size());
            std::vector<double> first(static_cast<std::size_t>(n * (z + 1)));
            for (int i = 0; i < n; ++i) {
                for (int q = 0; q < z; ++q)
                    first[static_cast<std::size_t>(i * (z + 1) + q)] = actual[static_cast<std::size_t>(i * all + exogenous[static_cast<std::size_t>(q)])];
                first[static_cast<std::size_t>(i * (z + 1) + z)] = actual[static_cast<std::size_t>(i * all + e)];
            }
            CrossProducts m = Centred(first, n, z + 1);
            std::vector<int> pivots(static_cast<std::size_t>(z));
            for (int q = 0; q < z; ++q) pivots[static_cast<std::size_t>(q)] = q;
            std::vector<double> b;
            double c = 0.0;
            Regress(m, pivots, z, b, c);
            for (int i = 0; i < n; ++i) {
                long double fit = c;
                for (int q = 0; q < z; ++q) fit += b[static_cast<std::size_t>(q)] * first[static_cast<std::size_t>(i * (z + 1) + q)];
                rows[static_cast<std::size_t>(i * (p + 1) + j)] = static_cast<double>(fit);
            }
        }
    }
    CrossProducts m = Centred(rows, n, p + 1);
    std::vector<int> pivots(static_cast<std::size_t>(p));
    for (int j = 0; j < p; ++j) pivots[static_cast<std::size_t>(j)] = j;
    std::vector<double> b;
    double c = 0.0;
    Regress(m, pivots, p, b, c);
    // residuals of the actual (transformed) values
    long double sse = 0.0L;
    for (int i = 0; i < n; ++i) {
        long double r = actual[static_cast<std::size_t>(i * all + dep)] - c;
        for (int j = 0; j < p; ++j)
            r -= b[static_cast<std::size_t>(j)] * actual[static_cast<std::size_t>(i * all + explanatory[static_cast<std::size_t>(j)])];
        sse += r * r;
    }
    *variance = static_cast<double>(sse / n);
    return *variance > 0.0 && std::isfinite(*variance);
}

}  // namespace

bool BoxCoxCriterion(const BoxCoxColumns& cols, double lambda, bool twoStage, double logSum, double* criterion) {
    const TrialColumns t = PrepareTrials(cols);
    double variance = 0.0;
    if (!TrialVariance(t, lambda, twoStage, &variance)) return false;
    // In the data's own units: SSE there is c^(2 lambda) times SSE here.
    *criterion = cols.rows * 0.5 * std::log(variance) + lambda * t.ownShift + (1.0 - lambda) * logSum;
    return std::isfinite(*criterion);
}

BoxCoxExchangeResult CheckBoxCoxColumns(const BoxCoxColumns& cols) {
    BoxCoxExchangeResult result;
    int dep = -1;
    for (int c = 0; c < cols.Cols(); ++c)
        if (cols.codes[static_cast<std::size_t>(c)] == BoxCoxColumns::kDependent) dep = c;
    if (dep < 0) {
        result.refusal = "目的変数が選ばれていません。";
        return result;
    }
    for (int c = 0; c < cols.Cols(); ++c) {
        if (c != dep && !cols.transform[static_cast<std::size_t>(c)]) continue;
        for (int i = 0; i < cols.rows; ++i) {
            const double v = cols.At(i, c);
            if (!(v > 0.0) || !std::isfinite(v)) {
                result.refusal = "ボックス・コックス変換には正の値が必要です。";
                result.refusedVariable = cols.variables[static_cast<std::size_t>(c)];
                result.refusedObservation = i;
                return result;
            }
        }
    }
    return result;
}

BoxCoxExchangeResult SearchBoxCoxExchange(const BoxCoxColumns& cols, bool twoStage,
                                          const std::function<void()>& step) {
    BoxCoxExchangeResult result = CheckBoxCoxColumns(cols);
    if (!result.refusal.empty()) return result;
    int dep = 0;
    for (int c = 0; c < cols.Cols(); ++c)
        if (cols.codes[static_cast<std::size_t>(c)] == BoxCoxColumns::kDependent) dep = c;
    // The criterion in the units of the trials: the data's own less n ln c.
    const TrialColumns t = PrepareTrials(cols);
    long double logSum = 0.0L;
    const std::vector<double>& depLogs = t.logs[static_cast<std::size_t>(dep)];
    for (int i = 0; i < cols.rows; ++i) logSum += depLogs.empty() ? std::log(cols.At(i, dep)) : depLogs[static_cast<std::size_t>(i)];

    double best = 1e100, bestLambda = 0.0;
    auto trial = [&](double lambda) {
        double variance = 0.0;
        if (TrialVariance(t, lambda, twoStage, &variance)) {
            const double l = cols.rows * 0.5 * std::log(variance) + static_cast<double>((1.0L - lambda) * logSum);
            if (l < best) {
                best = l;
                bestLambda = lambda;
            }
        }
        if (step) step();
    };
    for (int t = 0; t <= 60; ++t) trial(-3.0 + 0.1 * t);
    const double centre2 = bestLambda;
    for (int t = 0; t <= 20; ++t) trial(centre2 - 0.1 + 0.01 * t);
    const double centre3 = bestLambda;
    for (int t = 0; t <= 2000; ++t) trial(centre3 - 0.01 + 1e-5 * t);

    result.found = best < 1e100;
    result.criterion = result.found ? best + t.ownShift : best;
    result.lambda = std::fabs(bestLambda) < kZeroLambda ? 0.0 : bestLambda;
    return result;
}

std::vector<std::vector<double>> BoxCoxExchangeValues(const Reg& m, const std::vector<std::uint8_t>& flags,
                                                      double lambda) {
    std::vector<std::vector<double>> values;
    for (int j = 0; j < m.GetVarCount() && j < static_cast<int>(flags.size()); ++j) {
        if (!flags[static_cast<std::size_t>(j)]) continue;
        values.emplace_back(static_cast<std::size_t>(m.GetObsCount()));
        for (int i = 0; i < m.GetObsCount(); ++i)
            values.back()[static_cast<std::size_t>(i)] = BoxCox(true, lambda, m.GetValue(i, j));
    }
    return values;
}

namespace {

// The spread (max - min) of the first n values over their largest
// magnitude; NaN when a value is not finite.
double RelativeSpread(const std::vector<double>& v, int n) {
    n = std::min(n, static_cast<int>(v.size()));
    if (n < 1) return 0.0;
    double lo = v[0], hi = v[0], size = 0.0;
    for (int i = 0; i < n; ++i) {
        const double x = v[static_cast<std::size_t>(i)];
        if (!std::isfinite(x)) return std::numeric_limits<double>::quiet_NaN();
        lo = std::min(lo, x);
        hi = std::max(hi, x);
        size = std::max(size, std::fabs(x));
    }
    return size > 0.0 ? (hi - lo) / size : 0.0;
}

}  // namespace

// Each stored value is rounded to 2^-53 of its size, and every figure of a
// fit rests on the deviations from the mean. A transform that leaves the
// spread of a column at most 2^-23 of the share of its size it had before
// has cost it 23 bits or more of its variation: the figures of the fit
// would show the rounding of the transform more than the data. Where
// y^lambda sinks below the -1 of the transform (EMPLOY x 1e-12 with lambda
// 2.7) the column is an exact constant and keeps nothing.
std::string CheckBoxCoxValues(const Reg& m, const std::vector<std::uint8_t>& flags,
                              const std::vector<std::vector<double>>& values, double lambda) {
    static const std::string kUnits = "\n値がおよそ 1 の桁になるよう単位を変えてから実行してください。";
    static const std::string kUnchanged = "\nデータは変更しません。";
    const int n = m.GetObsCount();
    std::size_t c = 0;
    for (int j = 0; j < m.GetVarCount() && j < static_cast<int>(flags.size()) && c < values.size(); ++j) {
        if (!flags[static_cast<std::size_t>(j)]) continue;
        const double spread = RelativeSpread(values[c++], n);
        std::vector<double> raw;
        m.GetVarValues(j, raw);
        const double before = RelativeSpread(raw, n);
        if (spread > kSingleEpsilon * before) continue;
        const std::string name = m.GetVarName(j);
        const std::string head = "λ = " + FormatNumber(false, lambda) + " で変換すると、変数 " + name;
        if (std::isnan(spread)) return head + " の値が倍精度の範囲を超えます。" + kUnits + kUnchanged;
        // No spread to keep: no change of units helps.
        if (!(before > 0.0)) return "変数 " + name + " の値は一定で、変換できません。" + kUnchanged;
        return head + " の値の散らばりが丸め誤差に埋もれ、ほぼ一定になります。" + kUnits + kUnchanged;
    }
    return {};
}

std::string ApplyBoxCoxExchange(const DataEdit& ed, const std::vector<std::uint8_t>& flags, double lambda) {
    const std::vector<std::vector<double>> values = BoxCoxExchangeValues(ed.model, flags, lambda);
    std::string refusal = CheckBoxCoxValues(ed.model, flags, values, lambda);
    if (refusal.empty()) BoxCoxExchangeWithUndo(ed, flags, values, lambda);
    return refusal;
}

std::string BoxCoxNote(const Reg& model, const std::vector<std::uint8_t>& flags, double lambda) {
    std::string names;
    for (int j = 0; j < model.GetVarCount() && j < static_cast<int>(flags.size()); ++j) {
        if (!flags[static_cast<std::size_t>(j)]) continue;
        if (!names.empty()) names += ",";
        names += model.GetVarName(j);
    }
    return "BCE(" + FormatNumber(false, lambda) + ";" + names + ")";
}

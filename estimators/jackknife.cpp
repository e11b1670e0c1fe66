#include "estimators/jackknife.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/model/instrumental_fit.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"

namespace {

const char* const kConstantName = "定数項";

// The parts both model kinds share: coefficients of the explanatory
// variables 0..v (v the constant), their change rows and observed values,
// read a whole row or column at a time.
template <class Model, class ColumnOf, class NameOf>
JackknifeInput Collect(const Model& model, int n, int v, ColumnOf column, NameOf name) {
    if (n < 1) throw ERangeError("観測値がありません。");
    JackknifeInput in;
    for (int j = 0; j <= v; ++j)
        if (model.IsExplanatory(j)) in.varIndex.push_back(j);
    const int k = static_cast<int>(in.varIndex.size());
    in.changes.resize(static_cast<std::size_t>(k));
    in.values.resize(static_cast<std::size_t>(k));
    for (int c = 0; c < k; ++c) {
        const int j = in.varIndex[c];
        in.coef.push_back(model.GetCoef(j));
        in.names.push_back(j == v ? std::string(kConstantName) : name(j));
        std::vector<double>& d = in.changes[c];
        model.GetAnalysisRow(j - 100, d);
        if (static_cast<int>(d.size()) < n) throw ERangeError("係数の変化量の行が足りません。");
        d.resize(static_cast<std::size_t>(n));
        std::vector<double>& x = in.values[c];
        if (j == v) {
            x.assign(static_cast<std::size_t>(n), 1.0);
        } else {
            column(j, x);
            if (static_cast<int>(x.size()) < n) throw ERangeError("変数の値が足りません。");
            x.resize(static_cast<std::size_t>(n));
        }
    }
    in.depIndex = model.GetDependent();
    in.depName = name(in.depIndex);
    column(in.depIndex, in.y);
    if (static_cast<int>(in.y.size()) < n) throw ERangeError("変数の値が足りません。");
    in.y.resize(static_cast<std::size_t>(n));
    return in;
}

}  // namespace

std::optional<double> JackknifeResult::TValue(int j) const {
    const double se = stdErr.at(static_cast<std::size_t>(j));
    if (se == 0.0) return std::nullopt;
    return coef.at(static_cast<std::size_t>(j)) / se;
}

std::optional<double> JackknifeResult::StandardizedResidual(int i) const {
    if (sdResidual == 0.0) return std::nullopt;
    return (residual.at(static_cast<std::size_t>(i)) - meanResidual) / sdResidual;
}

JackknifeInput JackknifeInputOf(Reg& reg) {
    reg.ComputeInfluence();
    const int v = reg.GetVarCount();
    JackknifeInput in = Collect(
        reg, reg.Design().Rows(), v, [&](int j, std::vector<double>& out) { (void)reg.GetVarValues(j, out); },
        [&](int j) { return reg.GetVarName(j); });
    in.perfectFit = reg.IsPerfectFit();
    return in;
}

JackknifeInput JackknifeInputOf(RegIV& model) {
    model.ComputeInfluence();
    JackknifeInput in = Collect(
        model, model.Rows(), model.VarCount(), [&](int j, std::vector<double>& out) { model.GetDataColumn(j, out); },
        [&](int j) { return model.GetVarName(j); });
    in.perfectFit = model.IsPerfectFit();
    return in;
}

JackknifeResult Jackknife(const JackknifeInput& in) {
    const int n = static_cast<int>(in.y.size());
    const int k = static_cast<int>(in.coef.size());
    bool shaped = n >= 2 && k >= 1 && static_cast<int>(in.changes.size()) == k &&
                  static_cast<int>(in.values.size()) == k;
    for (int j = 0; shaped && j < k; ++j)
        shaped = static_cast<int>(in.changes[j].size()) == n && static_cast<int>(in.values[j].size()) == n;
    if (!shaped) throw ERangeError("ジャックナイフ推定のデータの形が合いません。");

    JackknifeResult r;
    r.coef.resize(static_cast<std::size_t>(k));
    r.stdErr.resize(static_cast<std::size_t>(k));
    const double n1 = n - 1.0;
    for (int j = 0; j < k; ++j) {
        const double b = in.coef[j];
        const std::vector<double>& D = in.changes[j];
        if (in.perfectFit) {
            // No coefficient moves when an observation is left out, but
            // for one that alone determines it (no change to be had).
            const bool defined = std::all_of(D.begin(), D.end(), [](double d) { return std::isfinite(d); });
            r.coef[j] = b;
            r.stdErr[j] = defined ? 0.0 : std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        long double leftOut = 0.0L;
        for (int i = 0; i < n; ++i) leftOut += b - D[i];
        const double bJ = b + n1 * (b - static_cast<double>(leftOut / n));
        double ss = 0.0;
        for (int i = 0; i < n; ++i) {
            const double d = b + n1 * D[i] - bJ;
            ss += d * d;
        }
        r.coef[j] = bJ;
        r.stdErr[j] = std::sqrt(ss / (static_cast<double>(n) * n1));
    }

    // Fitted values column by column, in coefficient order.
    r.fitted.assign(static_cast<std::size_t>(n), 0.0);
    for (int j = 0; j < k; ++j) {
        const double b = r.coef[j];
        const std::vector<double>& x = in.values[j];
        for (int i = 0; i < n; ++i) r.fitted[i] += b * x[i];
    }
    r.residual.resize(static_cast<std::size_t>(n));
    double mean = 0.0, ss = 0.0;
    for (int i = 0; i < n; ++i) {
        r.residual[i] = in.y[i] - r.fitted[i];
        // Running mean and sum of squares, stable in one pass.
        const double delta = r.residual[i] - mean;
        mean += delta / (i + 1);
        ss += delta * (delta / (i + 1)) * i;
    }
    r.meanResidual = mean;
    r.sdResidual = in.perfectFit ? 0.0 : std::sqrt(ss / n1);

    bool finite = std::isfinite(mean) && std::isfinite(r.sdResidual);
    for (int j = 0; j < k; ++j) finite = finite && std::isfinite(r.coef[j]) && std::isfinite(r.stdErr[j]);
    if (!finite) throw EMathError("ジャックナイフ推定値が有限の数値になりません。");
    return r;
}

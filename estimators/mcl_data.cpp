// The three bindings of the multicollinearity analysis.
#include "estimators/mcl_data.h"

#include <functional>

#include "core/data/data_set.h"
#include "core/model/instrumental_fit.h"
#include "core/model/regression_model.h"
#include "estimators/weighted_fit.h"
#include "platform/errors.h"

namespace {

const char* const kNoDependent = "被説明変数がありません。";

using ColumnValue = std::function<double(int column, int t)>;

// Regressor columns whose X or Y values are all equal are left out: scaled
// to unit length they would divide by a zero sum of squares.
bool Varies(const ColumnValue& value, int column, int n) {
    for (int t = 1; t < n; ++t)
        if (value(column, t) != value(column, 0)) return true;
    return false;
}

// Fills data from the candidate columns (regressors first, dependent last).
MclData Collect(const std::vector<int>& regressors, int dependent, int n, const std::vector<std::string>& allNames,
                const ColumnValue& xValue, const ColumnValue& yValue, bool generalised) {
    MclData d;
    d.generalised = generalised;
    std::vector<int> kept;
    for (int c : regressors) {
        if (Varies(xValue, c, n) && Varies(yValue, c, n)) {
            kept.push_back(c);
        } else {
            d.leftOut.push_back(allNames[static_cast<std::size_t>(c)]);
        }
    }
    kept.push_back(dependent);
    const int m = static_cast<int>(kept.size());
    d.x.Resize(n, m, false);
    d.y.Resize(n, m, false);
    for (int j = 0; j < m; ++j) {
        const int c = kept[static_cast<std::size_t>(j)];
        d.names.push_back(allNames[static_cast<std::size_t>(c)]);
        for (int t = 0; t < n; ++t) {
            d.x[t][j] = xValue(c, t);
            d.y[t][j] = yValue(c, t);
        }
    }
    return d;
}

// The names of a model's v variables and the candidate regressors among
// them: the explanatory ones, or all but the dependent with allVariables.
template <class Model>
void ListVariables(const Model& model, int v, int dep, bool allVariables, std::vector<int>& regressors,
                   std::vector<std::string>& names) {
    if (dep < 0 || dep >= v) throw Exception(kNoDependent);
    for (int j = 0; j < v; ++j) {
        names.push_back(model.GetVarName(j));
        if (j != dep && (allVariables || model.IsExplanatory(j))) regressors.push_back(j);
    }
}

}  // namespace

MclData MclDataOf(const Reg& model, bool allVariables) {
    const int dep = model.GetDependent();
    std::vector<int> regressors;
    std::vector<std::string> names;
    ListVariables(model, model.GetVarCount(), dep, allVariables, regressors, names);
    // Residuals against the observed regressors: the fit uses the
    // first-stage values on the instrumented side only.
    const bool generalised = model.IsTwoStage() && model.IsRealCalc();
    const ColumnValue design = [&](int j, int t) {
        return j == dep ? model.GetValue(t, j) : model.GetDesignValue(t, j);
    };
    const ColumnValue observed = [&](int j, int t) { return model.GetValue(t, j); };
    return Collect(regressors, dep, model.GetObsCount(), names, generalised ? observed : design, design,
                   generalised);
}

MclData MclDataOf(const RegIV& model, bool allVariables) {
    const int dep = model.GetDependent();
    std::vector<int> regressors;
    std::vector<std::string> names;
    ListVariables(model, model.VarCount(), dep, allVariables, regressors, names);
    const ColumnValue observed = [&](int j, int t) { return model.GetDataValue(t, j); };
    const ColumnValue design = [&](int j, int t) {
        return j == dep ? model.GetDataValue(t, j) : model.GetDesignValue(t, j);
    };
    return Collect(regressors, dep, model.Rows(), names, observed, design, true);
}

MclData MclDataOf(const WLSE& model) {
    const int k = model.RowCount();
    if (k < 1) throw Exception(kNoDependent);
    std::vector<int> regressors;
    std::vector<std::string> names;
    for (int r = 0; r < k; ++r) {
        names.push_back(model.GetName(r));
        if (r < k - 1 && model.GetName(r) != Data::ConstantName()) regressors.push_back(r);
    }
    const bool twoStage = model.TwoStage();
    const ColumnValue transformed = [&](int r, int t) { return model.GetTransformed(r, t); };
    const ColumnValue second = [&](int r, int t) { return model.GetSecondTransformed(r, t); };
    return Collect(regressors, k - 1, model.ObsCount(), names, transformed, twoStage ? second : transformed,
                   twoStage);
}

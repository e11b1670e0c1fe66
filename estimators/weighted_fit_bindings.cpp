// WLSE: the three ways to bind a block of data.
#include <string>
#include <vector>

#include "core/data/data_set.h"
#include "core/model/instrumental_fit.h"
#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "estimators/weighted_fit.h"
#include "platform/errors.h"

namespace {

// A transposed design (k x n) into observation-major values.
std::vector<double> ObservationMajor(const Matrix& m) {
    const int k = m.Rows(), n = m.Cols();
    std::vector<double> out(static_cast<std::size_t>(n) * k);
    for (int j = 0; j < k; ++j) {
        const double* row = m[j];
        for (int t = 0; t < n; ++t) out[static_cast<std::size_t>(t) * k + j] = row[t];
    }
    return out;
}

}  // namespace

WLSE::WLSE(const Reg& model, std::uint16_t groupMask, const std::string& dependentName) {
    Matrix block;
    BuildDesignMatrix(model, groupMask, nullptr, true, false, names_, block, dependentName);
    if (model.IsTwoStage()) {
        std::vector<std::string> secondNames;
        Matrix second;
        BuildDesignMatrix(model, groupMask, nullptr, true, true, secondNames, second, dependentName);
        secondData_ = ObservationMajor(second);
        if (model.IsRealCalc()) {
            // Fit on the first-stage values, residuals against the observed.
            data_ = ObservationMajor(block);
            twoStage_ = true;
        } else {
            names_.swap(secondNames);
            data_ = secondData_;
            secondData_.clear();
        }
    } else {
        data_ = ObservationMajor(block);
    }
    // A name outside the block would leave a dependent variable of 1.0
    // without a name.
    if (names_.empty() || names_.back() != dependentName) throw Exception("DERR");
    SetUp(model.Context(), block.Cols(), block.Rows());
}

WLSE::WLSE(const RegIV& model, EngineContext& context) {
    const int v = model.VarCount();
    const int n = model.Rows();
    std::vector<int> columns;
    int dependent = -1;
    for (int j = 0; j <= v; ++j) {
        if (model.GetRole(j) == RegIV::kRoleExplanatory) columns.push_back(j);
        if (model.GetRole(j) == RegIV::kRoleDependent) dependent = j;
    }
    if (dependent < 0) throw Exception("DERR");
    columns.push_back(dependent);
    const int k = static_cast<int>(columns.size());
    twoStage_ = true;
    data_.resize(static_cast<std::size_t>(n) * k);
    secondData_.resize(static_cast<std::size_t>(n) * k);
    for (int r = 0; r < k; ++r) {
        const int j = columns[r];
        names_.push_back(model.GetVarName(j));
        for (int t = 0; t < n; ++t) {
            data_[static_cast<std::size_t>(t) * k + r] = model.GetDataValue(t, j);
            secondData_[static_cast<std::size_t>(t) * k + r] = model.GetDesignValue(t, j);
        }
    }
    SetUp(context, n, k);
}

WLSE::WLSE(const TNamedData& data, const TFileMatrix* second, int dependentColumn) {
    const int cols = data.Cols();
    const int n = data.Rows();
    if (dependentColumn < 0 || dependentColumn >= cols) throw ERangeError(kRangeErrorText);
    if (second != nullptr && (second->Rows() != n || second->Cols() != cols)) throw ERangeError(kRangeErrorText);
    std::vector<int> columns;
    for (int j = 0; j < cols; ++j)
        if (j != dependentColumn && data.IsSelected(j)) columns.push_back(j);
    const bool addConstant = data.FindColumn(Data::ConstantName()) < 0;
    const int k = static_cast<int>(columns.size()) + (addConstant ? 1 : 0) + 1;
    twoStage_ = second != nullptr;
    for (int j : columns) names_.push_back(data.GetColumnName(j));
    if (addConstant) names_.push_back(Data::ConstantName());
    names_.push_back(data.GetColumnName(dependentColumn));

    data_.assign(static_cast<std::size_t>(n) * k, 1.0);
    if (twoStage_) secondData_.assign(static_cast<std::size_t>(n) * k, 1.0);
    std::vector<double> row(cols), secondRow(cols);
    for (int t = 0; t < n; ++t) {
        data.ReadRow(t, row.data());
        if (twoStage_) second->ReadRow(t, secondRow.data());
        double* out = &data_[static_cast<std::size_t>(t) * k];
        double* out2 = twoStage_ ? &secondData_[static_cast<std::size_t>(t) * k] : nullptr;
        for (std::size_t r = 0; r < columns.size(); ++r) {
            out[r] = row[columns[r]];
            if (out2) out2[r] = secondRow[columns[r]];
        }
        out[k - 1] = row[dependentColumn];
        if (out2) out2[k - 1] = secondRow[dependentColumn];
    }
    SetUp(data.Context(), n, k);
}

#include "core/model/result_columns.h"

#include <cmath>

#include "core/model/leverage_forms.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "resources/string_table.h"

namespace {

std::string CoefficientName(const Reg& model, int j) {
    return j == model.GetVarCount() ? Data::ConstantName() : model.GetVarName(j);
}

}  // namespace

ResultColumn ResultColumn::FromCode(int code) {
    if (code < 0) return {ResultKind::Time, 0};
    if (code < 100) return {ResultKind::Variable, code};
    if (code < 110) return {ResultKind::Diagnostic, code - 100};
    if (code < 200) return {};
    if (code < 207) return {ResultKind::Influence, code - 200};
    if (code < 300) return {};
    if (code < 400) return {ResultKind::DeletedT, code - 300};
    if (code < 500) return {ResultKind::ScaledDfbeta, code - 400};
    if (code < 600) return {ResultKind::RawDfbeta, code - 500};
    return {};
}

std::optional<int> ResultColumn::Code() const {
    switch (kind) {
    case ResultKind::Time: return -1;
    case ResultKind::Variable:
        if (index < 100) return index;
        return std::nullopt;
    case ResultKind::Diagnostic: return 100 + index;
    case ResultKind::Influence: return 200 + index;
    case ResultKind::DeletedT: return 300 + index;
    case ResultKind::ScaledDfbeta: return 400 + index;
    case ResultKind::RawDfbeta: return 500 + index;
    case ResultKind::None: break;
    }
    return 110;  // a code with no title and the value 0
}

std::string ResultColumnTitle(const Reg& model, ResultColumn column) {
    switch (column.kind) {
    case ResultKind::Time: return LoadStr(kStrTime);
    case ResultKind::Variable: return model.GetVarName(column.index);
    case ResultKind::Diagnostic: return LoadStrByNumber(column.index + 1);
    case ResultKind::Influence: return LoadStrByNumber(column.index + 11);
    case ResultKind::DeletedT: return FormatIndexedLabel("t", CoefficientName(model, column.index), true);
    case ResultKind::ScaledDfbeta:
    case ResultKind::RawDfbeta:
        return FormatIndexedLabel(LoadStr(kStrBetaChange), CoefficientName(model, column.index), true);
    case ResultKind::None: break;
    }
    return {};
}

double ResultColumnValue(const Reg& model, ResultColumn column, int i) {
    const int j = column.index;
    switch (column.kind) {
    case ResultKind::Time: return i + 1.0;
    case ResultKind::Variable: return model.GetValue(i, j);
    case ResultKind::Diagnostic: return model.GetAnalysisValue(j, i);
    case ResultKind::Influence: return model.GetAnalysisValue(j + Reg::kRowS2Deleted, i);
    case ResultKind::DeletedT: return model.GetAnalysisValue(Reg::kRowDeletedTValue + j, i);
    case ResultKind::RawDfbeta: return model.GetAnalysisValue(Reg::kRowDfbeta + j, i);
    case ResultKind::ScaledDfbeta:
        return model.GetAnalysisValue(Reg::kRowDfbeta + j, i) /
               std::sqrt(HeldAtFloor(model.GetAnalysisValue(Reg::kRowS2Deleted, i), model.VarianceFloor()) *
                         model.GetSweepElement(j, j));
    case ResultKind::None: break;
    }
    return 0.0;
}

std::vector<ResultColumn> InfluenceGridColumns(const Reg& model, bool raw) {
    std::vector<int> explanatory;
    for (int j = 0; j < model.GetVarCount(); ++j)
        if (model.IsExplanatory(j)) explanatory.push_back(j);
    const ResultKind dfbeta = raw ? ResultKind::RawDfbeta : ResultKind::ScaledDfbeta;
    std::vector<ResultColumn> out;
    for (int m = 0; m < kInfluenceMeasures; ++m) out.push_back({ResultKind::Influence, m});
    for (int j : explanatory) out.push_back({ResultKind::DeletedT, j});
    out.push_back({dfbeta, model.GetVarCount()});
    for (int j : explanatory) out.push_back({dfbeta, j});
    return out;
}

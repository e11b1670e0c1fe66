#include "simeq/iv_tables.h"

#include <cmath>
#include <string>

#include "core/model/estimate_texts.h"
#include "core/model/instrumental_fit.h"
#include "core/model/leverage_forms.h"
#include "core/model/result_texts.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

constexpr int kRowDeletedS2 = 12;
constexpr int kRowDeletedT = 19;
constexpr int kRowCoefficientChange = -100;

const char* const kNotPossible = "不能";

ResultCell ValueWithLevel(double value, const std::string& level) {
    return ResultCell{FormatIndexedLabel(FormatNumber(true, value), level, false), {}, value};
}

}  // namespace

std::vector<int> IVEstimateRowVariables(const RegIV& model) {
    std::vector<int> rows;
    for (int i = 0; i <= model.VarCount(); ++i)
        if (i != model.GetDependent()) rows.push_back(i);
    return rows;
}

bool IVRowLocked(const RegIV& model, int variable) {
    return !model.IsExplanatory(variable) && model.GetFValue(variable) == 0.0;
}

ResultTable IVEstimatesTable(const RegIV& model) {
    ResultTable table({model.GetVarName(model.GetDependent()), LoadStr(kStrFValue), LoadStr(kStrBetaEstimate),
                       LoadStr(kStrBetaStdError)});
    const int df = model.GetDf();
    const ResultCell none = TextCell("-");
    for (int i : IVEstimateRowVariables(model)) {
        std::vector<ResultCell> cells(4, none);
        cells[0] = TextCell(model.GetVarName(i));
        cells[1] = IVRowLocked(model, i) ? TextCell(LoadStr(kStrTolCheck)) : NumberCell(model.GetFValue(i));
        if (model.IsExplanatory(i)) {
            const double b = model.GetCoef(i), se = model.GetCoefSE(i), held = model.GetHeldCoefSE(i);
            cells[2] = NumberCell(b, true);
            // Without spread the level of b / se is not defined.
            cells[3] = ValueWithLevel(se, held == 0.0 ? "-" : FormatPercent(TSignificanceLevel(df, b / held)));
            cells[3].mark = TStatisticMark(df, held, b);
        }
        table.AddRow(std::move(cells));
    }
    return table;
}

bool IVHasInstrument(const RegIV& model) {
    std::vector<int> in;
    for (int j = 0; j < model.VarCount(); ++j)
        if (model.IsExplanatory(j)) in.push_back(j);
    // Row by row: one pass along the stored rows.
    for (int i = 0; i < model.Rows(); ++i)
        for (int j : in)
            if (model.GetDesignValue(i, j) != model.GetDataValue(i, j)) return true;
    return false;
}

ResultCell IVSpecificationCell(RegIV& model) {
    // Without an instrument both estimates are least squares and their
    // difference is rounding noise: no test.
    if (!IVHasInstrument(model)) return TextCell(kNotPossible);
    double x = 0.0;
    try {
        x = ZeroIfTiny(model.SpecificationTest());
    } catch (const EMathError&) {
        return TextCell(kNotPossible);
    }
    if (!(x >= 0.0)) return TextCell(kNotPossible);
    const std::string level = FormatPercent(ChiSquareSignificanceLevel(model.GetParamCount(), x));
    return ResultCell{FormatIndexedLabel(FormatNumber(false, x), level, false), {}, x};
}

IVSummary IVSummaryCells(RegIV& model) {
    IVSummary s;
    s.df = ResultCell{std::to_string(model.GetDf()), {}, static_cast<double>(model.GetDf())};
    s.s = NumberCell(std::sqrt(model.GetS2()));
    s.r2 = NumberCell(model.GetR2(), true);
    s.adjR2 = NumberCell(model.GetAdjR2(), true);
    s.specification = IVSpecificationCell(model);
    s.press = NumberCell(model.GetPress());
    model.ComputeResidualTests();
    const double gk = model.GetHetero();
    s.gk = ValueWithLevel(gk, FormatPercent(ChiSquare1SignificanceLevel(gk)));
    s.dw = NumberCell(model.GetDurbinWatson());
    return s;
}

std::string IVColumnTitle(const RegIV& model, ResultColumn column) {
    switch (column.kind) {
    case ResultKind::Time: return LoadStr(kStrTime);
    case ResultKind::Variable: return model.GetVarName(column.index);
    case ResultKind::Diagnostic: return LoadStrByNumber(column.index + 1);
    case ResultKind::Influence: return LoadStrByNumber(column.index + 11);
    case ResultKind::DeletedT: return FormatIndexedLabel("t", model.GetVarName(column.index), true);
    case ResultKind::ScaledDfbeta:
    case ResultKind::RawDfbeta:
        return FormatIndexedLabel(LoadStr(kStrBetaChange), model.GetVarName(column.index), true);
    case ResultKind::None: break;
    }
    return {};
}

double IVColumnValue(const RegIV& model, ResultColumn column, int i) {
    const int j = column.index;
    switch (column.kind) {
    case ResultKind::Time: return i + 1.0;
    case ResultKind::Variable: return model.GetDesignValue(i, j);
    case ResultKind::Diagnostic: return model.GetAnalysisValue(j, i);
    case ResultKind::Influence: return model.GetAnalysisValue(j + kRowDeletedS2, i);
    case ResultKind::DeletedT: return model.GetAnalysisValue(kRowDeletedT + j, i);
    case ResultKind::RawDfbeta: return model.GetAnalysisValue(kRowCoefficientChange + j, i);
    case ResultKind::ScaledDfbeta:
        return model.GetAnalysisValue(kRowCoefficientChange + j, i) /
               std::sqrt(model.GetCovarianceFactor(j, j) *
                         HeldAtFloor(model.GetAnalysisValue(kRowDeletedS2, i), model.VarianceFloor()));
    case ResultKind::None: break;
    }
    return 0.0;
}

std::vector<ResultColumn> IVInfluenceColumns(const RegIV& model, bool raw) {
    std::vector<int> in;
    for (int j = 0; j <= model.VarCount(); ++j)
        if (model.IsExplanatory(j)) in.push_back(j);
    std::vector<ResultColumn> out;
    for (int m = 0; m < kInfluenceMeasures; ++m) out.push_back({ResultKind::Influence, m});
    for (int j : in) out.push_back({ResultKind::DeletedT, j});
    const ResultKind dfbeta = raw ? ResultKind::RawDfbeta : ResultKind::ScaledDfbeta;
    for (int j : in) out.push_back({dfbeta, j});
    return out;
}

InfluenceCutoffs IVInfluenceCutoffs(const RegIV& model) { return ComputeInfluenceCutoffs(model.Rows(), model.GetDf()); }

std::string IVDiagnosticCellText(const RegIV& model, const ResultMarks& marks, int column, int i) {
    if (column < 1 || column > kDiagnosticColumns) return {};
    const double v =
        column == 1 ? model.GetDataValue(i, model.GetDependent()) : model.GetAnalysisValue(column - 1, i);
    return DiagnosticValueText(marks, column, v);
}

std::string IVInfluenceCellText(const RegIV& model, const ResultMarks& marks, ResultColumn column, int i) {
    const double v = IVColumnValue(model, column, i);
    if (column.kind != ResultKind::ScaledDfbeta && column.kind != ResultKind::RawDfbeta)
        return InfluenceValueText(marks, column, v, v, v);
    const double d = IVColumnValue(model, {ResultKind::RawDfbeta, column.index}, i);
    const double s = IVColumnValue(model, {ResultKind::ScaledDfbeta, column.index}, i);
    return InfluenceValueText(marks, column, v, d, s);
}

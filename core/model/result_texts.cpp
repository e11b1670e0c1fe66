#include "core/model/result_texts.h"

#include <cmath>

#include "core/model/regression_model.h"
#include "core/numeric/distributions.h"
#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "resources/string_table.h"

namespace {

std::string CutoffLine(const std::string& label, const std::string& value) {
    return label + "の切断点 = " + value;
}

}  // namespace

std::string DiagnosticValueText(const ResultMarks& marks, int column, double v) {
    switch (column) {
    case 1: return FormatNumber(false, v);
    case 3: return FormatNumber(true, v);
    case 4: return ErrorRateText(v);
    default:
        if (column >= 1 && column <= kDiagnosticColumns)
            return marks.Mark({ResultKind::Diagnostic, column - 1}, v) + FormatNumber(false, v);
        return {};
    }
}

std::string InfluenceValueText(const ResultMarks& marks, ResultColumn column, double v, double raw, double scaled) {
    switch (column.kind) {
    case ResultKind::Influence:
        if (column.index == 5 || column.index == 6) return FormatNumber(true, v);
        return marks.Mark(column, v) + FormatNumber(false, v);
    case ResultKind::ScaledDfbeta:
    case ResultKind::RawDfbeta: {
        const std::string text =
            FormatIndexedLabel(FormatNumber(true, raw), FormatFloat(LoadStr(kStrCoefficientPicture), scaled), false);
        return marks.Mark(column, scaled) + text;
    }
    default: return FormatNumber(false, v);
    }
}

std::string DiagnosticCellText(const Reg& model, const ResultMarks& marks, int column, int i) {
    if (column < 1 || column > kDiagnosticColumns) return {};
    const double v = column == 1 ? model.GetValue(i, model.GetDependent()) : model.GetAnalysisValue(column - 1, i);
    return DiagnosticValueText(marks, column, v);
}

std::string InfluenceCellText(const Reg& model, const ResultMarks& marks, ResultColumn column, int i) {
    const double v = ResultColumnValue(model, column, i);
    if (column.kind != ResultKind::ScaledDfbeta && column.kind != ResultKind::RawDfbeta)
        return InfluenceValueText(marks, column, v, v, v);
    const double d = ResultColumnValue(model, {ResultKind::RawDfbeta, column.index}, i);
    const double s = ResultColumnValue(model, {ResultKind::ScaledDfbeta, column.index}, i);
    return InfluenceValueText(marks, column, v, d, s);
}

std::string InfluenceCutoffText(const InfluenceCutoffs& cut, ResultColumn column) {
    if (column.kind == ResultKind::ScaledDfbeta || column.kind == ResultKind::RawDfbeta)
        return CutoffLine("標準化" + LoadStr(kStrBetaChange), FormatNumber(false, cut.dfbeta));
    if (column.kind != ResultKind::Influence) return {};
    const std::string label = LoadStrByNumber(column.index + 11);
    switch (column.index) {
    case 1:
        return CutoffLine(label, FormatNumber(false, cut.covratioLow) + "～" + FormatNumber(false, cut.covratioHigh));
    case 2: return cut.dffits ? CutoffLine(label, FormatNumber(false, *cut.dffits)) : std::string();
    case 3: return cut.cooksD ? CutoffLine(label, FormatNumber(false, *cut.cooksD)) : std::string();
    case 4: return cut.welsch ? CutoffLine(label, FormatNumber(false, *cut.welsch)) : std::string();
    default: return {};
    }
}

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

std::string DiagnosticCellText(const Reg& model, const ResultMarks& marks, int column, int i) {
    switch (column) {
    case 1: return FormatNumber(false, model.GetValue(i, model.GetDependent()));
    case 3: return FormatNumber(true, model.GetAnalysisValue(Reg::kRowResidual, i));
    case 4: return ErrorRateText(model.GetAnalysisValue(Reg::kRowErrorRate, i));
    default:
        if (column >= 1 && column <= kDiagnosticColumns) {
            const double v = model.GetAnalysisValue(column - 1, i);
            return marks.Mark({ResultKind::Diagnostic, column - 1}, v) + FormatNumber(false, v);
        }
        return {};
    }
}

std::string InfluenceCellText(const Reg& model, const ResultMarks& marks, ResultColumn column, int i) {
    const double v = ResultColumnValue(model, column, i);
    switch (column.kind) {
    case ResultKind::Influence:
        if (column.index == 5 || column.index == 6) return FormatNumber(true, v);
        return marks.Mark(column, v) + FormatNumber(false, v);
    case ResultKind::ScaledDfbeta:
    case ResultKind::RawDfbeta: {
        const double d = ResultColumnValue(model, {ResultKind::RawDfbeta, column.index}, i);
        const double s = ResultColumnValue(model, {ResultKind::ScaledDfbeta, column.index}, i);
        const std::string text =
            FormatIndexedLabel(FormatNumber(true, d), FormatFloat(LoadStr(kStrCoefficientPicture), s), false);
        return marks.Mark(column, s) + text;
    }
    default: return FormatNumber(false, v);
    }
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

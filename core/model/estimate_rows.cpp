#include "core/model/estimate_rows.h"

#include "core/model/regression_diagnostics.h"
#include "core/model/regression_model.h"
#include "core/numeric/statistics.h"
#include "core/numeric/vector.h"
#include "core/report/report_text.h"
#include "core/text/number_format.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

void FillStatistics(EstimateRow& row, const Reg& model) {
    row.b = model.GetCoef(row.index);
    row.se = model.GetStdError(row.index);
    const double held = model.GetHeldStdError(row.index);
    row.t = row.b / (held == 0.0 ? kSingleEpsilon : held);
    row.level = TSignificanceLevel(model.GetResidualDf(), row.t);
}

}  // namespace

std::vector<EstimateRow> EstimateRows(const Reg& model, const Vector& vifs) {
    const int k = model.GetVarCount();
    const int dep = model.GetDependent();
    // Roles without an estimate have names and nothing else: their figures
    // are placeholders.
    const bool estimated = model.HasEstimate();
    std::vector<EstimateRow> rows;
    rows.reserve(static_cast<std::size_t>(k) + 1);

    EstimateRow constant;
    constant.index = k;
    constant.name = Data::ConstantName();
    constant.constant = true;
    constant.inModel = estimated;
    if (estimated) FillStatistics(constant, model);
    rows.push_back(std::move(constant));

    for (int j = 0, e = 0; j < k; ++j) {
        if (j == dep) continue;
        EstimateRow row;
        row.index = j;
        row.name = model.GetVarName(j);
        if (!estimated) {
            rows.push_back(std::move(row));
            continue;
        }
        row.f = model.GetFValue(j);
        if (model.IsExplanatory(j)) {
            row.inModel = true;
            FillStatistics(row, model);
            row.mark = SignificanceMark(50, 5, row.level);
            // A lone regressor is uncorrelated with the others: VIF 1.
            row.vif = e < vifs.Count() ? vifs.At(e) : 1.0;
            ++e;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<EstimateRow> EstimateRows(const Reg& model) {
    if (!model.HasEstimate()) return EstimateRows(model, Vector());
    Vector vifs;
    try {
        (void)GetConditionNumber(model, vifs);
    } catch (const EMathError&) {
        std::vector<EstimateRow> rows = EstimateRows(model, Vector());
        for (EstimateRow& row : rows)
            if (row.inModel && !row.constant) row.vif = EstimateRow::kNone;
        return rows;
    }
    return EstimateRows(model, vifs);
}

ResultTable EstimatesTable(const Reg& model, const std::vector<EstimateRow>& rows) {
    const int dep = model.GetDependent();
    ResultTable table({dep >= 0 && dep < model.GetVarCount() ? model.GetVarName(dep) : std::string(),
                       LoadStr(kStrFValue), LoadStr(kStrBetaEstimate), LoadStr(kStrBetaStdError), LoadStr(kStrVif)});
    const ResultCell none = TextCell("-");
    for (const EstimateRow& row : rows) {
        std::vector<ResultCell> cells(5, none);
        cells[0] = TextCell(row.name);
        if (!row.constant && model.HasEstimate())
            cells[1] = row.ToleranceFailure() ? TextCell(LoadStr(kStrTolCheck)) : NumberCell(row.f);
        if (row.inModel) {
            cells[2] = NumberCell(row.b, true);
            cells[3] = ResultCell{FormatIndexedLabel(FormatNumber(true, row.se), FormatPercent(row.level), false),
                                  row.mark, row.se};
            if (!row.constant) cells[4] = NumberCell(row.vif);
        }
        table.AddRow(std::move(cells));
    }
    return table;
}

std::string EstimateReportHeader() {
    std::string line;
    AppendColumn(line, "番号", 4);
    AppendColumn(line, "変数名", 12);
    AppendColumn(line, "β推定値", kReportColumn);
    AppendColumn(line, "β標準誤差", kReportColumn);
    AppendColumn(line, "ｔ値", 20);
    AppendColumn(line, "分散拡大要因", 14);
    return line;
}

std::string EstimateReportLine(const EstimateRow& row) {
    std::string line;
    AppendColumn(line, row.Number(), 4);
    AppendColumn(line, row.name, 12);
    AppendNumberColumn(line, row.b);
    AppendNumberColumn(line, row.se);
    AppendColumn(line, FormatNumber(true, row.t) + " (" + FormatPercent(row.level) + ")", 20);
    if (!row.constant) AppendNumberColumn(line, row.vif, 14);
    return line;
}

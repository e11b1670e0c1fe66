#include "simeq/iv_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <vector>

#include "core/data/group_mask.h"
#include "core/model/instrumental_fit.h"
#include "core/numeric/statistics.h"
#include "core/report/report_number.h"
#include "core/report/report_text.h"
#include "core/text/number_format.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "simeq/iv_tables.h"

namespace {

constexpr int kNumberWidth = 4;
constexpr int kTWidth = 20;
constexpr int kMinMargin = 80;
constexpr int kStages = 7;
constexpr int kCovratio = 1;  // influence measure index
constexpr int kStepsPerStage = 10;
const char* const kFailure = "ファイルの書き込みに失敗しました。";

std::string Numbered(const char* pattern, int a) {
    char text[48];
    std::snprintf(text, sizeof text, pattern, a, a);
    return text;
}

// One cell's text built in place from a mark and the quick number forms,
// so that the long tables need neither the general formatter nor a string
// per value. Each Add returns false for a value no quick form covers; the
// caller then takes the general text of the cell.
class QuickCell {
public:
    void Mark(const std::string& mark) {
        if (mark.empty()) return;
        std::memcpy(text_ + length_, mark.data(), mark.size());
        length_ += static_cast<int>(mark.size());
    }
    bool Number(bool smallAsFixed, double x) { return Add(QuickNumberText(smallAsFixed, x, text_ + length_, added_)); }
    void AppendTo(std::string& line) const { AppendPaddedText(line, text_, length_, kReportColumn); }

private:
    bool Add(bool done) {
        if (done) length_ += added_;
        return done;
    }
    // A mark and a number fit.
    char text_[4 + 3 * kQuickNumberBytes];
    int length_ = 0;
    int added_ = 0;
};

class IVReportWriter {
public:
    IVReportWriter(RegIV& model, const IVReportTitle& title, std::ostream& out, UiServices* services)
        : model_(model),
          title_(title),
          text_(out, kFailure),
          per_(IVReportBlockColumns(title.margin)) {
        if (services)
            progress_ = std::make_unique<ProgressScope>(*services, "データの書き込み中・・・", kStages * kStepsPerStage);
    }

    void Write() {
        marks_ = ResultMarks(IVInfluenceCutoffs(model_));
        const int v = model_.VarCount();
        for (int j = 0; j < v; ++j) {
            if (model_.GetRole(j) != RegIV::kRoleUnused) withRole_.push_back(j);
            if (model_.IsExplanatory(j)) explanatory_.push_back(j);
        }
        coefficients_ = explanatory_;
        coefficients_.push_back(v);
        WriteEstimates();
        WriteValues("【データ】", withRole_, false, "");
        WriteValues("【操作変数】", explanatory_, true, "\n");
        WriteDiagnostics();
        WriteInfluence();
        WriteDeletedT();
        WriteCoefficientChanges();
        text_.Finish();
    }

private:
    void Put(const std::string& s) { text_.Put(s); }
    void Stage() {
        if (progress_)
            for (int i = 0; i < kStepsPerStage; ++i) progress_->Step();
    }
    int Rows() const { return model_.Rows(); }
    // The line of observation i, begun with its number, built in place at
    // the end of the text held for the file.
    std::string& StartRow(int i) {
        char number[16];
        const auto end = std::to_chars(number, number + sizeof number, i + 1).ptr;
        std::string& row = text_.Pending();
        AppendPaddedText(row, number, static_cast<int>(end - number), kNumberWidth);
        return row;
    }
    void EndRow() {
        text_.Pending() += '\n';
        text_.Commit();
    }

    void WriteEstimates() {
        const int v = model_.VarCount(), df = model_.GetDf();
        std::string s = "【" + title_.dataSetName + "】 における操作変数推定量の分析\n";
        s += title_.groupMask == 0 ? LoadStr(kStrAllData)
                                   : LoadStr(kStrGroup) + "[" + GroupMaskText(title_.groupMask, false) + "]";
        s += "\n\n【パラメータ推定】\n\n";
        s += LoadStr(kStrDependentName) + " ： " + model_.GetVarName(model_.GetDependent()) + "\n";
        s += Column(LoadStr(kStrNumber), kNumberWidth);
        for (StringId id : {kStrVariableName, kStrBetaEstimate, kStrBetaStdError})
            AppendColumn(s, LoadStr(id), kReportColumn);
        AppendColumn(s, LoadStr(kStrTValue), kTWidth);
        s += "\n";
        for (int j = 0; j <= v; ++j) {
            if (!model_.IsExplanatory(j)) continue;
            const double b = model_.GetCoef(j), se = model_.GetCoefSE(j), held = model_.GetHeldCoefSE(j);
            AppendColumn(s, j + 1, kNumberWidth);
            AppendColumn(s, model_.GetVarName(j), kReportColumn);
            AppendNumberColumn(s, b);
            AppendNumberColumn(s, se);
            // Without spread the t value is not defined.
            const std::string t = held == 0.0 ? std::string("-")
                                              : FormatNumber(true, b / held) + " (" +
                                                    FormatPercent(TSignificanceLevel(df, b / held)) + ")";
            AppendColumn(s, t, kTWidth);
            s += "\n";
        }
        s += "\n" + LoadStr(kStrResidual) + LoadStr(kStrStdDeviation) + " = " +
             FormatNumber(false, std::sqrt(model_.GetS2()));
        s += "\n決定係数 = " + FormatNumber(false, model_.GetR2()) + " (" + LoadStr(kStrAdjRSquared) + " = " +
             FormatNumber(false, model_.GetAdjR2()) + ")";
        s += "\n特定化検定 = " + IVSpecificationCell(model_).Shown();
        const IVSummary summary = IVSummaryCells(model_);
        s += "\nＧＫ統計量 = " + summary.gk.Shown();
        s += "\nダービン・ワトソン比 = " + summary.dw.Shown() + "\n\n";
        Put(s);
        Stage();
    }

    // Blocks of the variables' values: observed data or the design.
    void WriteValues(const char* heading, const std::vector<int>& vars, bool design, const char* before) {
        Put(std::string(before) + heading);
        const int count = static_cast<int>(vars.size());
        for (int from = 0; from < count; from += per_) {
            const int to = std::min(count, from + per_);
            std::string s = "\n" + std::string(kNumberWidth, ' ');
            for (int k = from; k < to; ++k) AppendColumn(s, model_.GetVarName(vars[k]), kReportColumn);
            s += "\n";
            Put(s);
            for (int i = 0; i < Rows(); ++i) {
                std::string& row = StartRow(i);
                for (int k = from; k < to; ++k)
                    AppendNumberColumn(row, design ? model_.GetDesignValue(i, vars[k]) : model_.GetDataValue(i, vars[k]));
                EndRow();
            }
        }
        Stage();
    }

    void WriteDiagnostics() {
        Put("\n【回帰診断】");
        for (int from = 1; from <= kDiagnosticColumns; from += per_) {
            const int to = std::min(kDiagnosticColumns, from + per_ - 1);
            std::string s = "\n" + std::string(kNumberWidth, ' ');
            for (int c = from; c <= to; ++c) AppendColumn(s, LoadStrByNumber(c), kReportColumn);
            s += "\n";
            Put(s);
            for (int i = 0; i < Rows(); ++i) {
                std::string& row = StartRow(i);
                for (int c = from; c <= to; ++c) AppendDiagnostic(row, c, i);
                EndRow();
            }
        }
        Stage();
    }

    void WriteInfluence() {
        std::string s = "\n【影響分析】\n" + std::string(kNumberWidth, ' ');
        for (int m = 1; m < kInfluenceMeasures; ++m) AppendColumn(s, LoadStrByNumber(m + 11), kReportColumn);
        s += "\n";
        Put(s);
        for (int i = 0; i < Rows(); ++i) {
            std::string& row = StartRow(i);
            for (int m = 1; m < kInfluenceMeasures; ++m) {
                const ResultColumn column{ResultKind::Influence, m};
                const double x = IVColumnValue(model_, column, i);
                QuickCell cell;
                if (m == kCovratio) {
                    // The report marks both sides of the COVRATIO band alike.
                    const InfluenceCutoffs& cut = marks_.Cutoffs();
                    if (x < cut.covratioLow || x > cut.covratioHigh) cell.Mark(SingleSignificanceMark());
                    if (cell.Number(false, x))
                        cell.AppendTo(row);
                    else
                        AppendMarkedColumn(row, x < cut.covratioLow || x > cut.covratioHigh ? "* " : "", x);
                    continue;
                }
                // The two measures without a mark show small values as fixed.
                const bool plain = m == 5 || m == 6;
                if (!plain) cell.Mark(marks_.Mark(column, x));
                if (cell.Number(plain, x))
                    cell.AppendTo(row);
                else
                    AppendColumn(row, IVInfluenceCellText(model_, marks_, column, i), kReportColumn);
            }
            EndRow();
        }
        Stage();
    }

    void WriteDeletedT() {
        const int count = static_cast<int>(coefficients_.size());
        for (int from = 0; from < count; from += per_) {
            const int to = std::min(count, from + per_);
            std::string s = "\n" + std::string(kNumberWidth, ' ');
            for (int k = from; k < to; ++k) AppendColumn(s, Numbered("t%d(i)", coefficients_[k] + 1), kReportColumn);
            s += "\n";
            Put(s);
            for (int i = 0; i < Rows(); ++i) {
                std::string& row = StartRow(i);
                for (int k = from; k < to; ++k) {
                    const int j = coefficients_[k];
                    // A coefficient outside the model has no leave-one-out t.
                    if (model_.IsExplanatory(j))
                        AppendNumberColumn(row, IVColumnValue(model_, {ResultKind::DeletedT, j}, i));
                    else
                        AppendColumn(row, "-", kReportColumn);
                }
                EndRow();
            }
        }
        Stage();
    }

    void WriteCoefficientChanges() {
        const int count = static_cast<int>(coefficients_.size());
        const int pairs = std::max(per_ / 2, 1);
        for (int from = 0; from < count; from += pairs) {
            const int to = std::min(count, from + pairs);
            std::string s = "\n" + std::string(kNumberWidth, ' ');
            for (int k = from; k < to; ++k) {
                AppendColumn(s, Numbered("B%d-B%d(i)", coefficients_[k] + 1), kReportColumn);
                AppendColumn(s, Numbered("DFBETAS%d(i)", coefficients_[k] + 1), kReportColumn);
            }
            s += "\n";
            Put(s);
            for (int i = 0; i < Rows(); ++i) {
                std::string& row = StartRow(i);
                for (int k = from; k < to; ++k) {
                    const int j = coefficients_[k];
                    if (!model_.IsExplanatory(j)) {
                        AppendColumn(row, "-", kReportColumn);
                        AppendColumn(row, "-", kReportColumn);
                        continue;
                    }
                    AppendNumberColumn(row, IVColumnValue(model_, {ResultKind::RawDfbeta, j}, i));
                    AppendScaledDfbeta(row, j, i);
                }
                EndRow();
            }
        }
        Stage();
    }

    // The diagnostics cell as IVDiagnosticCellText gives it.
    void AppendDiagnostic(std::string& s, int c, int i) {
        const double v = c == 1 ? model_.GetDataValue(i, model_.GetDependent()) : model_.GetAnalysisValue(c - 1, i);
        QuickCell cell;
        bool quick = false;
        switch (c) {
        case 1: quick = cell.Number(false, v); break;
        case 3: quick = cell.Number(true, v); break;
        case 4: break;  // the error rate keeps its own form
        default:
            cell.Mark(marks_.Mark({ResultKind::Diagnostic, c - 1}, v));
            quick = cell.Number(false, v);
        }
        if (quick)
            cell.AppendTo(s);
        else
            AppendColumn(s, IVDiagnosticCellText(model_, marks_, c, i), kReportColumn);
    }

    // The scaled DFBETA alone: the raw change stands in the column before
    // it, and both together do not fit a field.
    void AppendScaledDfbeta(std::string& s, int j, int i) {
        const double scaled = IVColumnValue(model_, {ResultKind::ScaledDfbeta, j}, i);
        const std::string& mark = marks_.Mark({ResultKind::ScaledDfbeta, j}, scaled);
        QuickCell cell;
        cell.Mark(mark);
        if (cell.Number(false, scaled))
            cell.AppendTo(s);
        else
            AppendMarkedColumn(s, mark, scaled);
    }

    RegIV& model_;
    const IVReportTitle& title_;
    ReportText text_;
    const int per_;
    ResultMarks marks_;
    std::vector<int> withRole_, explanatory_, coefficients_;
    std::unique_ptr<ProgressScope> progress_;
};

}  // namespace

int IVReportBlockColumns(int margin) { return (std::max(margin, kMinMargin) - kNumberWidth) / kReportColumn; }

void WriteIVReport(RegIV& model, const IVReportTitle& title, std::ostream& out, UiServices* services) {
    // The measures first, under their own progress window.
    model.ComputeInfluence();
    IVReportWriter(model, title, out, services).Write();
}

// The report's frame and its first sections: title, variable list,
// parameter estimates, data and correlation matrix.
#include "core/model/text_report.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/data/variable_type_names.h"
#include "core/model/estimate_rows.h"
#include "core/model/regression_model.h"
#include "core/model/text_report_writer.h"
#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

// A report line's number columns after its leading text.
void AddNumbers(std::string& line, const Reg& model, const std::vector<int>& columns, int a, int b,
                double (Data::*get)(int) const) {
    for (int c = a; c < b; ++c) AppendNumberColumn(line, (model.*get)(columns[static_cast<std::size_t>(c)]));
}

}  // namespace

void WriteTextReport(Reg& model, const TextReportOptions& options, std::ostream& out) {
    try {
        TextReportWriter(model, options, out).Write();
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

TextReportWriter::TextReportWriter(Reg& model, const TextReportOptions& options, std::ostream& out)
    : model_(model), options_(options), text_(out, "ファイルの書き込みに失敗しました。") {
    n_ = model.GetObsCount();
    k_ = model.GetVarCount();
    margin_ = std::max(options.margin, kMinReportMargin);
    for (int j = 0; j < k_; ++j) {
        if (!options.selectedOnly || model.GetRole(j) != Reg::kRoleUnused) listed_.push_back(j);
        if (model.IsExplanatory(j)) explanatory_.push_back(j);
    }
}

void TextReportWriter::Tick() {
    if (progress_) progress_->Step();
}

bool TextReportWriter::SystemReady() {
    if (!options_.simultaneous || model_.Expressions().GetCount() == 0) return false;
    ExpresList& list = model_.Expressions();
    list.SetData(model_);
    return list.ComputeReducedForm();
}

int TextReportWriter::TotalTicks() const {
    const int listed = static_cast<int>(listed_.size());
    const int m = static_cast<int>(explanatory_.size());
    long long ticks = static_cast<long long>(listed) + m + BlockCount(listed, DataColumns(margin_));
    if (options_.correlation) ticks += BlockCount(listed, MatrixColumns(margin_));
    if (options_.residuals) ticks += BlockCount(10, RowColumns(margin_));
    if (options_.influence)
        ticks += static_cast<long long>(n_) + BlockCount(m, RowColumns(margin_)) +
                 BlockCount(m + 1, DfbetaPairs(margin_));
    if (systemReady_) {
        const ExpresList& list = model_.Expressions();
        ticks += BlockCount(list.GetCount(), MatrixColumns(margin_)) +
                 BlockCount(list.GetPredeterminedCount(), MatrixColumns(margin_)) +
                 2LL * BlockCount(list.GetEndogenousCount(), RowColumns(margin_));
    }
    return static_cast<int>(std::clamp(ticks, 1LL, 1LL << 30));
}

void TextReportWriter::Write() {
    model_.ComputeInfluence();
    marks_ = ResultMarks(model_);
    systemReady_ = SystemReady();
    progress_ = std::make_unique<ProgressScope>(model_.Context().Services(), "データの書き込み中・・・", TotalTicks());

    WriteTitle();
    WriteVariables();
    WriteEstimates();
    WriteData();
    if (options_.correlation) WriteCorrelation();
    if (options_.residuals) WriteDiagnostics();
    if (options_.influence) {
        WriteInfluenceMeasures();
        WriteDeletedT();
        WriteDfbeta();
    }
    if (systemReady_) {
        WriteSystem();
        WriteFinalForm();
    }
    Put("\n");
    text_.Finish();
    progress_.reset();
}

void TextReportWriter::WriteTitle() {
    Put("\n【" + model_.GetName() + "】 における回帰分析の結果\n{\n" + model_.GetInfo() + "\n}\n");
}

void TextReportWriter::WriteVariables() {
    Put("【変数リスト】\n" + Column("番号", 4) + Column("変数名", 12) + "：" + Column("タイプ", 16) + "：" + " コメント\n");
    for (int j : listed_) {
        Put(Column(j + 1, 4) + Column(model_.GetVarName(j), 12) + "：" + Column(GetVarTypeName(model_.GetVarType(j)), 16) +
            "：" + model_.GetVarInfo(j) + "\n");
        Tick();
    }
    Put("\n");
}

void TextReportWriter::WriteEstimates() {
    Put("【パラメータ推定】");
    if (model_.IsTwoStage()) Put("( 二段階最小自乗法 )");
    Put("\n");
    const int dep = model_.GetDependent();
    Put(LoadStr(kStrDependentName) + " ： " + (dep >= 0 && dep < k_ ? model_.GetVarName(dep) : std::string()) + "\n");
    Put(EstimateReportHeader() + "\n");
    // The rows of the estimates page that are in the model.
    for (const EstimateRow& row : EstimateRows(model_)) {
        if (!row.inModel) continue;
        Put(EstimateReportLine(row) + "\n");
        if (!row.constant) Tick();
    }
    // Adjusted R² can turn negative; it is shown as 0 then.
    const double adj = model_.GetAdjR2() < kSingleEpsilon ? 0.0 : model_.GetAdjR2();
    const double g = model_.GetHetero();
    Put("\n残差標準偏差 = " + FormatNumber(false, std::sqrt(model_.GetS2())) + "\n");
    Put("決定係数 = " + FormatNumber(false, model_.GetR2()) + " (自由度修正済R^2 = " + FormatNumber(false, adj) + ")\n");
    Put("ＧＫ統計量 = " + FormatNumber(false, g) + " (" + FormatPercent(ChiSquare1SignificanceLevel(g)) + ")\n");
    Put("ダービン・ワトソン比 = " + FormatNumber(false, model_.GetDurbinWatson()) + "\n\n");
}

void TextReportWriter::WriteData() {
    Put("【データ】");
    const int count = static_cast<int>(listed_.size());
    const int per = DataColumns(margin_);
    for (int a = 0; a < count; a += per) {
        const int b = std::min(a + per, count);
        std::string line = "\n" + std::string(10, ' ');
        for (int c = a; c < b; ++c) line += Column(model_.GetVarName(listed_[static_cast<std::size_t>(c)]), 12);
        Put(line + "\n");
        for (int i = 0; i < n_; ++i) {
            line = Column(i + 1, 10);
            for (int c = a; c < b; ++c) AppendNumberColumn(line, model_.GetValue(i, listed_[static_cast<std::size_t>(c)]));
            Put(line + "\n");
        }
        const std::pair<const char*, double (Data::*)(int) const> summaries[] = {
            {"平均値", &Data::GetMean}, {"標準偏差", &Data::GetStdDev}, {"最大値", &Data::GetMax}, {"最小値", &Data::GetMin}};
        for (const auto& [label, get] : summaries) {
            line = Column(label, 10);
            AddNumbers(line, model_, listed_, a, b, get);
            Put(line + "\n");
        }
        Tick();
    }
}

void TextReportWriter::WriteCorrelation() {
    Put("\n【相関行列】");
    const int count = static_cast<int>(listed_.size());
    const int per = MatrixColumns(margin_);
    for (int a = 0; a < count; a += per) {
        const int b = std::min(a + per, count);
        std::string line = "\n" + std::string(12, ' ');
        for (int c = a; c < b; ++c) line += Column(model_.GetVarName(listed_[static_cast<std::size_t>(c)]), 12);
        Put(line + "\n");
        for (int r : listed_) {
            line = Column(model_.GetVarName(r), 12);
            for (int c = a; c < b; ++c) AppendNumberColumn(line, model_.GetCorrelation(r, listed_[static_cast<std::size_t>(c)]));
            Put(line + "\n");
        }
        Tick();
    }
}

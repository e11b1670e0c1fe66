#include "estimators/weighted_fit_report.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <ostream>
#include <vector>

#include "core/data/group_mask.h"
#include "core/report/report_text.h"
#include "core/text/number_format.h"
#include "estimators/weighted_fit.h"
#include "estimators/weighted_fit_tables.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {

constexpr int kNumberWidth = 4;
constexpr int kMinMargin = 80;
// Observations formatted per pass: the columns of a chunk are read with one
// file read each.
constexpr int kChunk = 4096;
constexpr int kStepsPerSection = 10;
const char* const kFailure = "ファイルの書き込みに失敗しました。";

class WLSReportWriter {
public:
    WLSReportWriter(const WLSE& fit, const WLSReportTitle& title, std::ostream& out, UiServices* services)
        : fit_(fit), title_(title), text_(out, kFailure),
          columns_(std::shared_ptr<const WLSE>(&fit, [](const WLSE*) {}), false) {
        if (services) progress_ = std::make_unique<ProgressScope>(*services, "データの書き込み中・・・", 4 * kStepsPerSection);
    }

    void Write() {
        WriteEstimates();
        WriteObservations();
        WriteTransformed();
        WriteAnalysis();
        text_.Finish();
    }

private:
    void Line(const std::string& s) {
        text_.Put(s);
        text_.Put("\n");
    }
    void Step() {
        if (progress_) progress_->Step();
    }
    // Steps evenly over the chunks of one section.
    void SectionProgress(int chunk, int chunks) {
        if (!progress_ || chunks <= 0) return;
        const int before = chunk * kStepsPerSection / chunks;
        const int after = (chunk + 1) * kStepsPerSection / chunks;
        for (int i = before; i < after; ++i) progress_->Step();
    }
    static std::string Header(const std::vector<std::string>& titles) {
        std::string line(kNumberWidth, ' ');
        for (const std::string& t : titles) AppendColumn(line, t, kReportColumn);
        return line;
    }

    // Rows of the codes over every observation, a chunk at a time.
    void WriteRows(const std::vector<int>& codes, bool progress) {
        const int n = fit_.ObsCount();
        const int chunks = (n + kChunk - 1) / kChunk;
        std::vector<std::vector<double>> values(codes.size(), std::vector<double>(kChunk));
        std::string block;
        for (int c = 0; c < chunks; ++c) {
            const int first = c * kChunk;
            const int count = std::min(kChunk, n - first);
            for (std::size_t i = 0; i < codes.size(); ++i) columns_.Read(codes[i], first, count, values[i].data());
            block.clear();
            for (int r = 0; r < count; ++r) {
                AppendColumn(block, first + r + 1, kNumberWidth);
                for (std::size_t i = 0; i < codes.size(); ++i) AppendValue(block, codes[i], values[i][r]);
                block += '\n';
            }
            text_.Put(block);
            if (progress) SectionProgress(c, chunks);
        }
    }
    void AppendValue(std::string& line, int code, double x) const {
        if (code == 3) {
            AppendColumn(line, columns_.CellOf(code, x).text, kReportColumn);
            return;
        }
        AppendMarkedColumn(line, columns_.Mark(code, x), x);
    }

    void WriteEstimates() {
        const int p = fit_.CoefCount();
        Line("【" + title_.dataSetName + "】 における加重回帰分析");
        Line(title_.groupMask == 0 ? LoadStr(kStrAllData)
                                   : LoadStr(kStrGroup) + "[" + GroupMaskText(title_.groupMask, false) + "]");
        Line("");
        Line("【パラメータ推定】");
        Line(LoadStr(kStrDependentName) + " ： " + fit_.GetName(p));
        std::string head = Column(LoadStr(kStrNumber), kNumberWidth);
        for (StringId id : {kStrVariableName, kStrBetaEstimate, kStrBetaStdError, kStrTValue})
            AppendColumn(head, LoadStr(id), kReportColumn);
        Line(head);
        const ResultTable estimates = WLSEstimateTable(fit_);
        for (int j = 0; j < p; ++j) {
            std::string line = Column(j + 1, kNumberWidth);
            for (int c = 0; c < 4; ++c) AppendColumn(line, estimates.Cell(c, j).Shown(), kReportColumn);
            Line(line);
        }
        const WLSFitTexts f = FitTexts(fit_);
        Line("");
        Line(LoadStr(kStrResidual) + LoadStr(kStrStdDeviation) + " = " + f.standardError);
        Line("決定係数 = " + f.r2);
        Line("ＧＫ統計量 = " + f.gk + " (" + f.gkLevel + ")");
        Line("ダービン・ワトソン比 = " + f.durbinWatson);
        for (int i = 0; i < kStepsPerSection; ++i) Step();
    }

    void WriteObservations() {
        Line("");
        Line("【観測値・残差】");
        Line("");
        Line(Header({LoadStr(kStrObserved), LoadStr(kStrPredicted), LoadStr(kStrResidual), LoadStr(kStrErrorRate),
                     LoadStr(kStrWeight)}));
        WriteRows({0, 1, 2, 3, 4}, true);
    }

    void WriteTransformed() {
        Line("");
        Line("【変換データ】");
        const int k = fit_.RowCount();
        const int per = std::max(title_.margin, kMinMargin);
        const int first = columns_.FirstDataCode();
        for (int from = 0; from < k; from += per) {
            if (from > 0) Line("");
            const int to = std::min(k, from + per);
            std::vector<std::string> names;
            std::vector<int> codes;
            for (int j = from; j < to; ++j) {
                names.push_back(fit_.GetName(j));
                codes.push_back(first + j);
            }
            Line(Header(names));
            WriteRows(codes, from == 0);
        }
    }

    void WriteAnalysis() {
        Line("");
        Line("【変換データ分析】");
        Line(Header({LoadStr(kStrPredicted), LoadStr(kStrResidual), LoadStr(kStrPressResidual),
                     LoadStr(kStrStudentInternal), LoadStr(kStrStudentExternal)}));
        WriteRows({5, 6, 7, 8, 9}, true);
        Line("");
        Line(Header({LoadStr(kStrSquaredResidual), LoadStr(kStrLeverage), LoadStr(kStrWi), LoadStr(kStrCovratio),
                     LoadStr(kStrDeletedVariance)}));
        WriteRows({10, 11, 13, 14, 12}, false);
        const int p = fit_.CoefCount();
        const int per = std::max(title_.margin, kMinMargin);
        for (int from = 0; from < p; from += per) {
            const int to = std::min(p, from + per);
            std::vector<std::string> names;
            std::vector<int> codes;
            for (int j = from; j < to; ++j) {
                char name[32];
                std::snprintf(name, sizeof name, "DFBETAS%d(i)", j + 1);
                names.push_back(name);
                codes.push_back(WLSColumns::kCoefChangeCode + j);
            }
            Line("");
            Line(Header(names));
            WriteRows(codes, false);
        }
    }

    const WLSE& fit_;
    const WLSReportTitle& title_;
    ReportText text_;
    WLSColumns columns_;
    std::unique_ptr<ProgressScope> progress_;
};

}  // namespace

void WriteWLSReport(const WLSE& fit, const WLSReportTitle& title, std::ostream& out, UiServices* services) {
    WLSReportWriter(fit, title, out, services).Write();
}

// The report's per-observation sections: regression diagnostics, influence
// measures, leave-one-out t values and DFBETA.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/model/regression_model.h"
#include "core/model/text_report_writer.h"
#include "core/text/number_format.h"
#include "resources/string_table.h"

namespace {

std::string Num(double x) { return FormatNumberPadded(12, x); }
std::string Pad(std::string_view s, int w) { return PadLeft(s, w); }
std::string Pad(int number, int w) { return PadLeft(std::to_string(number), w); }

std::string Marked(bool mark, double v) {
    return PadLeft((mark ? SingleSignificanceMark() : std::string()) + FormatNumber(false, v), 12);
}

std::string Numbered(const char* pattern, int k) {
    char text[48];
    std::snprintf(text, sizeof text, pattern, k, k);
    return text;
}

}  // namespace

void TextReportWriter::WriteDiagnostics() {
    Put("\n【回帰診断】");
    constexpr int kColumns = 10;
    const int per = RowColumns(margin_);
    const StudentMarker marker(model_.GetResidualDf());
    for (int a = 0; a < kColumns; a += per) {
        const int b = std::min(a + per, kColumns);
        std::string line = "\n" + std::string(4, ' ');
        for (int c = a; c < b; ++c) line += Pad(LoadStrByNumber(c + 1), 12);
        Put(line + "\n");
        for (int i = 0; i < n_; ++i) {
            line = Pad(i + 1, 4);
            for (int c = a; c < b; ++c) {
                const double v = model_.GetAnalysisValue(c, i);
                if (c == Reg::kRowStudentExternal)
                    line += Pad(marker.Mark(v) + FormatNumber(false, v), 12);
                else if (c == Reg::kRowErrorRate)
                    line += Pad(ErrorRateText(v), 12);
                else
                    line += Num(v);
            }
            Put(line + "\n");
        }
        Tick();
    }
}

void TextReportWriter::WriteInfluenceMeasures() {
    const InfluenceCutoffs& cut = cutoffs_;
    std::string line = "\n【影響分析】\n" + std::string(4, ' ');
    for (int s = kStrCovratio; s <= kStrAdjR2Deleted; ++s) line += Pad(LoadStrByNumber(s), 12);
    Put(line + "\n");
    for (int i = 0; i < n_; ++i) {
        const double cov = model_.GetAnalysisValue(Reg::kRowCovratio, i);
        const double dffits = model_.GetAnalysisValue(Reg::kRowDffits, i);
        const double cook = model_.GetAnalysisValue(Reg::kRowCooksD, i);
        const double welsch = model_.GetAnalysisValue(Reg::kRowWelsch, i);
        line = Pad(i + 1, 4);
        line += Marked(cov < cut.covratioLow || cov > cut.covratioHigh, cov);
        line += Marked(cut.dffits && std::fabs(dffits) > *cut.dffits, dffits);
        line += Marked(cut.cooksD && cook > *cut.cooksD, cook);
        line += Marked(cut.welsch && welsch > *cut.welsch, welsch);
        line += Num(model_.GetAnalysisValue(Reg::kRowR2Deleted, i));
        line += Num(model_.GetAnalysisValue(Reg::kRowAdjR2Deleted, i));
        Put(line + "\n");
        Tick();
    }
}

void TextReportWriter::WriteDeletedT() {
    const int count = static_cast<int>(explanatory_.size());
    const int per = RowColumns(margin_);
    for (int a = 0; a < count; a += per) {
        const int b = std::min(a + per, count);
        std::string line = "\n" + std::string(4, ' ');
        for (int c = a; c < b; ++c) line += Pad(Numbered("t%d(i)", explanatory_[static_cast<std::size_t>(c)] + 1), 12);
        Put(line + "\n");
        for (int i = 0; i < n_; ++i) {
            line = Pad(i + 1, 4);
            for (int c = a; c < b; ++c) {
                const int j = explanatory_[static_cast<std::size_t>(c)];
                line += Num(model_.GetAnalysisValue(Reg::kRowDeletedTValue + j, i));
            }
            Put(line + "\n");
        }
        Tick();
    }
}

void TextReportWriter::WriteDfbeta() {
    // The explanatory variables, then the constant term (numbered 0).
    std::vector<int> coefficients = explanatory_;
    coefficients.push_back(k_);
    const int count = static_cast<int>(coefficients.size());
    const int per = DfbetaPairs(margin_);
    for (int a = 0; a < count; a += per) {
        const int b = std::min(a + per, count);
        std::string line = "\n" + std::string(4, ' ');
        for (int c = a; c < b; ++c) {
            const int j = coefficients[static_cast<std::size_t>(c)];
            const int number = j == k_ ? 0 : j + 1;
            line += Pad(Numbered("B%d-B%d(i)", number), 12) + Pad(Numbered("DFBETAS%d(i)", number), 12);
        }
        Put(line + "\n");
        for (int i = 0; i < n_; ++i) {
            line = Pad(i + 1, 4);
            const double s2i = model_.GetAnalysisValue(Reg::kRowS2Deleted, i);
            for (int c = a; c < b; ++c) {
                const int j = coefficients[static_cast<std::size_t>(c)];
                const double d = model_.GetAnalysisValue(Reg::kRowDfbeta + j, i);
                const double scaled = d / std::sqrt(model_.GetSweepElement(j, j) * s2i);
                line += Num(d) + Marked(std::fabs(scaled) > cutoffs_.dfbeta, scaled);
            }
            Put(line + "\n");
        }
        Tick();
    }
}

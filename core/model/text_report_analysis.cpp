// The report's per-observation sections: regression diagnostics, influence
// measures, leave-one-out t values and DFBETA.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/model/leverage_forms.h"
#include "core/model/regression_model.h"
#include "core/model/text_report_writer.h"
#include "core/text/number_format.h"
#include "resources/string_table.h"

namespace {

// The report marks every value past a cut-off alike, with "* ", where the
// page tells a COVRATIO under its lower point by "**".
void AppendMarked(std::string& line, const std::string& mark, double v) {
    AppendMarkedColumn(line, mark.empty() ? mark : SingleSignificanceMark(), v);
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
    for (int a = 0; a < kColumns; a += per) {
        const int b = std::min(a + per, kColumns);
        std::string line = "\n" + std::string(4, ' ');
        for (int c = a; c < b; ++c) line += Column(LoadStrByNumber(c + 1), 12);
        Put(line + "\n");
        for (int i = 0; i < n_; ++i) {
            line = Column(i + 1, 4);
            for (int c = a; c < b; ++c) {
                const double v = model_.GetAnalysisValue(c, i);
                if (c == Reg::kRowErrorRate)
                    line += Column(ErrorRateText(v), kReportColumn);
                else
                    AppendMarkedColumn(line, marks_.Mark({ResultKind::Diagnostic, c}, v), v);
            }
            Put(line + "\n");
        }
        Tick();
    }
}

void TextReportWriter::WriteInfluenceMeasures() {
    std::string line = "\n【影響分析】\n" + std::string(4, ' ');
    for (int s = kStrCovratio; s <= kStrAdjR2Deleted; ++s) line += Column(LoadStrByNumber(s), 12);
    Put(line + "\n");
    for (int i = 0; i < n_; ++i) {
        line = Column(i + 1, 4);
        // COVRATIO, DFFITS, Cook's D and W(i), marked; then the two R².
        for (int m = 1; m <= 4; ++m) {
            const double v = model_.GetAnalysisValue(Reg::kRowS2Deleted + m, i);
            AppendMarked(line, marks_.Mark({ResultKind::Influence, m}, v), v);
        }
        AppendNumberColumn(line, model_.GetAnalysisValue(Reg::kRowR2Deleted, i));
        AppendNumberColumn(line, model_.GetAnalysisValue(Reg::kRowAdjR2Deleted, i));
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
        for (int c = a; c < b; ++c) line += Column(Numbered("t%d(i)", explanatory_[static_cast<std::size_t>(c)] + 1), 12);
        Put(line + "\n");
        for (int i = 0; i < n_; ++i) {
            line = Column(i + 1, 4);
            for (int c = a; c < b; ++c) {
                const int j = explanatory_[static_cast<std::size_t>(c)];
                AppendNumberColumn(line, model_.GetAnalysisValue(Reg::kRowDeletedTValue + j, i));
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
            line += Column(Numbered("B%d-B%d(i)", number), 12) + Column(Numbered("DFBETAS%d(i)", number), 12);
        }
        Put(line + "\n");
        for (int i = 0; i < n_; ++i) {
            line = Column(i + 1, 4);
            const double s2i = HeldAtFloor(model_.GetAnalysisValue(Reg::kRowS2Deleted, i), model_.VarianceFloor());
            for (int c = a; c < b; ++c) {
                const int j = coefficients[static_cast<std::size_t>(c)];
                const double d = model_.GetAnalysisValue(Reg::kRowDfbeta + j, i);
                const double scaled = d / std::sqrt(model_.GetSweepElement(j, j) * s2i);
                AppendNumberColumn(line, d);
                AppendMarked(line, marks_.Mark({ResultKind::ScaledDfbeta, j}, scaled), scaled);
            }
            Put(line + "\n");
        }
        Tick();
    }
}

// The writer behind WriteTextReport, one section per member, shared by the
// files that write the sections.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/result_marks.h"
#include "core/model/text_report.h"
#include "core/report/report_text.h"
#include "platform/ui_services.h"

class Reg;

class TextReportWriter {
public:
    TextReportWriter(Reg& model, const TextReportOptions& options, std::ostream& out);
    void Write();

    // Columns per block of each table kind for a margin (at least 1).
    static int DataColumns(int margin) { return AtLeastOne((margin - 10) / 12); }
    static int MatrixColumns(int margin) { return AtLeastOne(margin / 12 - 1); }
    static int RowColumns(int margin) { return AtLeastOne((margin - 4) / 12); }
    static int DfbetaPairs(int margin) { return AtLeastOne(((margin - 4) / 12) / 2); }
    // Blocks of per columns over count columns.
    static int BlockCount(int count, int per) { return count <= 0 ? 0 : (count + per - 1) / per; }

private:
    static int AtLeastOne(int v) { return v < 1 ? 1 : v; }

    void Put(std::string_view utf8) { text_.Put(utf8); }
    void Tick();
    int TotalTicks() const;
    bool SystemReady();

    void WriteTitle();
    void WriteVariables();
    void WriteEstimates();
    void WriteData();
    void WriteCorrelation();
    void WriteDiagnostics();
    void WriteInfluenceMeasures();
    void WriteDeletedT();
    void WriteDfbeta();
    void WriteSystem();
    void WriteFinalForm();

    Reg& model_;
    TextReportOptions options_;
    ReportText text_;
    int n_ = 0;
    int k_ = 0;
    int margin_ = kMinReportMargin;
    // The variables of the list, data and correlation sections.
    std::vector<int> listed_;
    // The explanatory variables in index order (the constant excluded).
    std::vector<int> explanatory_;
    ResultMarks marks_;
    bool systemReady_ = false;
    std::unique_ptr<ProgressScope> progress_;
};

// The instrumental-variable report: the estimates with the tests, the
// observed data, the instruments in use, the regression diagnostics and the
// influence analysis, as CP932 text with line feeds alone. Values stand
// right-justified in fields of 12 bytes (numbers of observations and
// variables in 4); the wide tables are cut into blocks of (margin - 4) / 12
// columns. Every value and mark is the one the window's pages show.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

class RegIV;
class UiServices;

struct IVReportTitle {
    std::string dataSetName;
    // The groups of the observations used; 0 for all.
    std::uint16_t groupMask = 0;
    // Report width in bytes; taken as 80 below that, so a block always holds
    // columns.
    int margin = 80;
};

// Value columns per block at a margin (never below the 80 of the floor).
int IVReportBlockColumns(int margin);

// Writes the whole report to out; computes the influence rows and the
// residual tests on the way. EWriteError when the stream fails (the text
// may then be incomplete), EConvertError for a text without a CP932 form.
// With services the progress window runs while it writes.
void WriteIVReport(RegIV& model, const IVReportTitle& title, std::ostream& out, UiServices* services = nullptr);

// The weighted regression report: the estimates with the fit figures, the
// observations with residuals and weights, the transformed data and the
// per-observation analysis, as CP932 text with line feeds alone. Values
// stand right-justified in fields of 12 bytes (observation numbers in 4);
// the wide tables are cut into blocks of at most margin columns. Every
// value and mark is the one the window's tables show.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

class UiServices;
class WLSE;

struct WLSReportTitle {
    std::string dataSetName;
    // The groups of the observations used; 0 for all.
    std::uint16_t groupMask = 0;
    // Columns per block of the wide tables (never taken below 80).
    int margin = 80;
};

// Writes the whole report to out. EWriteError when the stream fails (the
// text may then be incomplete), EConvertError for a text without a CP932
// form. With services, the progress window runs while it writes.
void WriteWLSReport(const WLSE& fit, const WLSReportTitle& title, std::ostream& out, UiServices* services = nullptr);

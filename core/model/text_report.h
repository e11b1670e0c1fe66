// The main text report: the whole least-squares analysis of the data set
// as fixed-width text in CP932, lines ended by a line feed alone. Values
// sit right-justified in fields of 12 bytes; wide tables are cut into
// blocks of columns so that no line passes the margin.
#pragma once

#include <iosfwd>

class Reg;

struct TextReportOptions {
    // Variable list, data and correlation matrix only for the variables of
    // the model (dependent and explanatory).
    bool selectedOnly = false;
    bool residuals = true;        // regression diagnostics
    bool influence = true;        // influence analysis
    bool simultaneous = false;    // equation tables, reduced form, final form
    bool correlation = true;      // correlation matrix
    int margin = 80;              // never taken below 80
};

inline constexpr int kMinReportMargin = 80;

// Writes the report to out at its position, in CP932. Computes the
// influence measures and, for the equation tables, the reduced form on the
// model; the modified flag is left alone. The final form printed is the
// one the model's file companions hold. Raises EOutOfMemory when memory
// runs out, EConvertError for a text without a CP932 form.
void WriteTextReport(Reg& model, const TextReportOptions& options, std::ostream& out);

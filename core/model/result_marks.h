// The marks and cut-off points that the result pages and the text report
// share: the error-rate text, the mark of an externally studentised
// residual, and the influence cut-offs. Cut-offs that need more residual
// degrees of freedom than the fit has are left out, and so are their marks.
#pragma once

#include <optional>
#include <string>

#include "core/model/result_columns.h"

class Reg;

// The error rate in percent: signed with two decimals, "+∞" / "-∞" beyond
// ±9999.
std::string ErrorRateText(double percent);

// The mark of an externally studentised residual: "**" below the 1 % level,
// "* " below 5 %; none when the fit has fewer than two residual degrees of
// freedom.
std::string StudentMark(int residualDf, double t);

// The same marks for many values of one fit: the two critical values are
// found once instead of stepping through the levels for every value.
class StudentMarker {
public:
    explicit StudentMarker(int residualDf);
    const std::string& Mark(double t) const;

private:
    bool usable_ = false;
    double atOne_ = 0.0;   // |t| from here on: below the 1 % level
    double atFive_ = 0.0;  // below the 5 % level
};

struct InfluenceCutoffs {
    int n = 0;
    int df = 0;
    int p = 0;  // coefficients, the constant included
    double covratioLow = 0.0;
    double covratioHigh = 0.0;
    std::optional<double> dffits;  // df >= 1
    std::optional<double> cooksD;  // df >= 2
    std::optional<double> welsch;  // df >= 1
    double dfbeta = 0.0;           // scaled DFBETA
};

InfluenceCutoffs ComputeInfluenceCutoffs(const Reg& model);
// The same for any fit of n observations and df residual degrees of
// freedom (p = n - df coefficients).
InfluenceCutoffs ComputeInfluenceCutoffs(int n, int df);

// Every mark of the diagnostics and influence values of one fit, for the
// pages and the text report alike.
class ResultMarks {
public:
    ResultMarks() : ResultMarks(InfluenceCutoffs{}) {}
    explicit ResultMarks(const Reg& model) : ResultMarks(ComputeInfluenceCutoffs(model)) {}
    // The marks the cut-offs give; the residual marks follow their df.
    ResultMarks(const InfluenceCutoffs& cut);  // NOLINT: implicit on purpose

    const InfluenceCutoffs& Cutoffs() const { return cut_; }
    // True when these are the marks of a fit of n observations and df
    // residual degrees of freedom (nothing else moves a cut-off).
    bool Fits(int n, int df) const { return cut_.n == n && cut_.df == df; }

    // The mark of a value in its column: the externally studentised
    // residual ("**" below 1 %, "* " below 5 %); COVRATIO "**" under its
    // lower point and "* " over its upper one; DFFITS (in magnitude), Cook's
    // D and W(i) "* " over their points; the DFBETA columns "* " for a
    // scaled value over its point in magnitude (value is the scaled DFBETA
    // for both forms). No mark elsewhere, for NaN, nor for a point left out.
    const std::string& Mark(ResultColumn column, double value) const;

private:
    InfluenceCutoffs cut_;
    StudentMarker student_;
};

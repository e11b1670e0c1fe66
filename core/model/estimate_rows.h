// The rows of the estimates: per coefficient its F value (or the tolerance
// check), estimate, standard error, t value with its significance level and
// mark, and VIF. The estimates page shows them as a result table and the
// main text report prints the rows of the model's coefficients, so both
// read the same numbers and marks.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "core/numeric/vector.h"
#include "core/report/result_table.h"

class Reg;

struct EstimateRow {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

    int index = 0;  // the variable; the variable count for the constant term
    std::string name;
    bool constant = false;
    bool inModel = false;  // the constant term and the explanatory variables
    // F to move the variable in or out; 0 when the tolerance check keeps it
    // out; none for the constant term.
    double f = kNone;
    double b = kNone;
    double se = kNone;  // from s2 as formed: 0 (or rounding) for a perfect fit
    // b over the standard error from s2 held at its floor, so that a perfect
    // fit's t is finite and the same in any units; that error is 0 only
    // where the dependent variable has no spread at all, and reads as 2^-23
    // there.
    double t = kNone;
    double level = kNone;  // two-sided significance level of t, in percent
    std::string mark;      // of the level; the constant term has none
    double vif = kNone;    // explanatory variables only

    // An F of 0 outside the model: the variable cannot enter. Inside it an F
    // of 0 is a coefficient of 0, which may still leave the model.
    bool ToleranceFailure() const { return !constant && !inModel && f == 0.0; }
    // The report's number: 0 for the constant term, else the variable's.
    int Number() const { return constant ? 0 : index + 1; }
};

// The constant term, then every variable but the dependent one in index
// order. The VIFs are left out (NaN) when the two-stage cross-product block
// is singular. A model without an estimate gives the names alone (no row in
// the model, no figure), which the page shows as "-".
std::vector<EstimateRow> EstimateRows(const Reg& model);
// The same with the VIFs of the explanatory variables in their order, as
// GetConditionNumber gives them.
std::vector<EstimateRow> EstimateRows(const Reg& model, const Vector& vifs);

// The estimates page: the dependent variable's name over the names, then
// the F value, estimate, standard error with its level (marked) and VIF;
// "-" where a row has no such number.
ResultTable EstimatesTable(const Reg& model, const std::vector<EstimateRow>& rows);

// The report's header and its line for a row of the model (no line feed):
// number, name, estimate, standard error, "t (level)" and, for an
// explanatory variable, the VIF.
std::string EstimateReportHeader();
std::string EstimateReportLine(const EstimateRow& row);

// The tables the simultaneous-equation window shows of a built system: one
// structural equation's estimates and coefficient covariance with its
// summary figures, the coefficient matrix of all equations, the reduced
// form, the static and dynamic tests of the reduced form, the predictions
// from entered values, and the stored final form. The grids, the status bar
// texts and the plots read these values, so each is formed in one place.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/report/result_table.h"

class FFList;
class SimultaneousSystem;

// Structural equation s (0 .. S-1): heading the dependent's name; one row
// per regressor, the constant term last: name, estimate, standard error and
// the marked t value with its level. Without the two-stage estimates the
// stored coefficients with "-" in the other columns.
ResultTable StructuralEstimateTable(const SimultaneousSystem& sys, int s);
// The coefficient covariance of equation s, "β共分散" in the corner; an
// empty table without the two-stage estimates.
ResultTable StructuralCovarianceTable(const SimultaneousSystem& sys, int s);

// Standard error of the regression, corrected R² and the LIML ratio as
// shown. Without the two-stage estimates the first two come from the stored
// coefficients over all observations ("-" when there is no residual degree
// of freedom or the dependent variable is constant) and the ratio is "-".
struct StructuralSummary {
    std::string ve;
    std::string r2;
    std::string liml;
};
StructuralSummary StructuralSummaryOf(const SimultaneousSystem& sys, int s);

// Rows: the system names; columns "第1式" ... : the system coefficient
// matrix (1 for the left-hand variable, minus a right-hand coefficient).
ResultTable AllCoefficientsTable(const SimultaneousSystem& sys);
// "誘導型" in the corner; a row per endogenous, a column per predetermined
// variable.
ResultTable ReducedFormTable(const SimultaneousSystem& sys);

// A reduced-form residual as the test pages show it: "**" for a relative
// error |e / y| above 0.8, "* " above 0.5 (an observed value of almost 0
// counts as 2.2e-16).
ResultCell TestResidualCell(double residual, double observed);

// The total test (static reduced-form values) or the final test (dynamic
// simulation) of every observation: values, or residuals with their marks.
// Cells are formed when asked, so a long system costs only the rows shown.
class SystemTestTable {
public:
    SystemTestTable(std::shared_ptr<const SimultaneousSystem> sys, bool simulation, bool residuals)
        : sys_(std::move(sys)), simulation_(simulation), residuals_(residuals) {}
    int ColumnCount() const;
    int RowCount() const;
    std::string Title(int column) const;
    ResultCell Cell(int column, int row) const;

private:
    std::shared_ptr<const SimultaneousSystem> sys_;
    bool simulation_;
    bool residuals_;
};

// The predicted values of endogenous g at every observation: the static
// reduced form, or the dynamic simulation.
std::vector<double> PredictedSeries(const SimultaneousSystem& sys, int g, bool simulation);
std::vector<double> ObservedSeries(const SimultaneousSystem& sys, int g);
// (observed - predicted) / s with s² = SSE / (n - G); nothing when n - G is
// not positive or the residuals are all 0.
std::optional<std::vector<double>> StandardizedTestResiduals(const SimultaneousSystem& sys, int g, bool simulation);

// "先決変数" / "値": the entered values of the predetermined variables
// (the constant left out).
ResultTable PredictionInputTable(const SimultaneousSystem& sys);
// "内生変数" / "予測値": the predictions from those values.
ResultTable PredictionTable(const SimultaneousSystem& sys);

// Stored final-form equation i: its variable in the corner, "係数" over the
// coefficients, one row per term. "未決定" and empty cells when i is not
// below the list's count.
ResultTable FinalFormTable(const FFList& list, int i);

// Status-bar texts of the pages' cells (row r >= 1, column c >= 1 of the
// grid; empty for a cell that has none). left: the left mouse button.
std::string StructuralCellText(const SimultaneousSystem& sys, int s, const std::string& rowName, int r);
std::string AllCoefficientsCellText(const SimultaneousSystem& sys, int c, int r, bool left);
std::string ReducedFormCellText(const SimultaneousSystem& sys, int c, int r, bool left);

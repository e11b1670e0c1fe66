// The tables the SUR window shows for one equation of an estimated system:
// the estimates, the residuals (formed when asked, so a long system costs
// nothing until it is scrolled), the fit figures and the series its plots
// draw. The grid, the report and the clipboard read the same cells.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/report/result_table.h"
#include "simeq/sur_estimator.h"

// Heading the dependent's name; the constant term first ("定数項"), then
// the other coefficients in equation order: estimate, standard error and t
// with its mark for n - k degrees of freedom ("-" when the standard error
// is 0).
ResultTable SurEstimateTable(const Zelner& z, const SurResult& r, int eq);

// Number, observed, fitted, residual, error rate and leverage.
class SurResidualTable {
public:
    SurResidualTable(std::shared_ptr<const Zelner> z, std::shared_ptr<const SurResult> r, int eq)
        : z_(std::move(z)), r_(std::move(r)), eq_(eq) {}
    int ColumnCount() const { return 6; }
    int RowCount() const;
    std::string Title(int column) const;
    ResultCell Cell(int column, int row) const;

private:
    std::shared_ptr<const Zelner> z_;
    std::shared_ptr<const SurResult> r_;
    int eq_;
};

// The error rate in percent: e / y, e / 2^-52 where |y| is below it.
ResultCell SurErrorRateCell(double residual, double observed);

struct SurFitFigures {
    ResultCell standardError;  // sqrt(sigma_ii)
    ResultCell adjustedR2;     // 1 - sigma_ii / var(y), 0 when negative
    int df = 0;                // n - k
};
SurFitFigures SurFit(const Zelner& z, const SurResult& r, int eq);

// What the residual plots draw. Observations whose 1 - h is not positive
// are left out of the standardised residuals; with a residual sum of
// squares of 0 every series is empty.
struct SurPlotSeries {
    std::vector<double> time, fitted, standardized;  // one point each
    std::vector<double> squaredRatio, leverage;      // e^2 / (sum e^2 / n), h
};
SurPlotSeries SurPlots(const Zelner& z, const SurResult& r, int eq);

// The tables the Tobit window shows: the estimates, sigma with its
// standard error, the residuals and the latent-index prediction. The grid,
// the report and the clipboard read the same cells; the residual table
// forms its cells when asked.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/report/result_table.h"
#include "estimators/tobit.h"

// Heading the dependent's name; one row per coefficient: name, estimate,
// standard error and t ("-" for both where the variance is not positive).
ResultTable TobitEstimateTable(const TobitProblem& problem, const TobitResult& r);

// sigma, and the standard error of sigma ("-" when its variance is not
// positive).
ResultCell TobitSigmaCell(const TobitResult& r);
ResultCell TobitSigmaStdErrorCell(const TobitResult& r);

// Number, observed, latent index, residual and error rate; a censored
// observation (y at or below 0) shows "-" for its residual and rate.
class TobitResidualTable {
public:
    TobitResidualTable(std::shared_ptr<const TobitProblem> problem, std::shared_ptr<const TobitResult> r)
        : problem_(std::move(problem)), r_(std::move(r)) {}
    int ColumnCount() const { return 5; }
    int RowCount() const;
    std::string Title(int column) const;
    ResultCell Cell(int column, int row) const;

private:
    std::shared_ptr<const TobitProblem> problem_;
    std::shared_ptr<const TobitResult> r_;
};

// The latent index x'b at the values of the explanatory variables (one per
// coefficient but the constant's). Throws ERangeError for a wrong count.
double TobitPrediction(const TobitResult& r, const std::vector<double>& explanatory);

// What the displays plot: the latent index, the observed values and the
// residuals standardised by sigma, of the positive observations only or of
// all of them.
struct TobitDisplaySeries {
    std::vector<double> index, observed, standardized;
};
TobitDisplaySeries TobitDisplay(const TobitProblem& problem, const TobitResult& r, bool allObservations);

// What the ridge regression window shows of a Ridge fit: the estimates with
// standard errors and variance inflation factors, the figures under them,
// the residuals (formed when asked, so only the rows in view cost), the
// series of the displays and the equation for the equation list.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/data/equation.h"
#include "core/report/result_table.h"
#include "estimators/ridge.h"

// Titles: the dependent's name, "β推定値", "β標準誤差", "分散拡大要因". Row 0
// the constant term (estimate and standard error), then one row per
// regressor; a standard error marked by the t test of the estimate, "-"
// where the variance factor came out negative.
ResultTable RidgeEstimateTable(const Ridge& r);

struct RidgeFigures {
    std::string k;  // "0.00000"
    ResultCell sigma, r2, dw, gcv;
    std::string gk;  // the value with its level in parentheses
};
RidgeFigures RidgeStatistics(const Ridge& r);

// Number, observed, fitted, residual, error rate, leverage.
class RidgeResidualTable {
public:
    explicit RidgeResidualTable(std::shared_ptr<const Ridge> r) : r_(std::move(r)) {}
    int ColumnCount() const { return 6; }
    int RowCount() const { return r_->N(); }
    std::string Title(int column) const;
    ResultCell Cell(int column, int row) const;

private:
    std::shared_ptr<const Ridge> r_;
};

// 100 x residual / observed, the observed value held to 2^-52 in size: an
// observed 0 shows "+∞" or "-∞" by the residual's sign. No value (NaN) past
// the infinity marks.
ResultCell RidgeErrorRateCell(double residual, double observed);

// A result row (0 observed, 1 fitted, 2 residual, 3 squared-residual share,
// 4 leverage, 5 studentised residual), n values.
std::vector<double> RidgeResultRow(const Ridge& r, int row);

// The regressor values of the block, column j (n values).
std::vector<double> RidgeRegressorValues(const Ridge& r, int j);

// The fitted equation: the dependent on the regressors and the constant
// term (last).
Expres RidgeEquation(const Ridge& r);

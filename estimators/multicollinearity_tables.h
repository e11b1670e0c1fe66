// The tables and texts the multicollinearity window shows: the VIF and
// eigen page, the ridge estimates with their summary texts, the residuals
// of the ridge fit and the ridge table over the 30 constants. The grid and
// the clipboard read the same cells.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/report/result_table.h"
#include "estimators/multicollinearity.h"

// Titles: the condition number, "VIF", "λ1".."λp"; rows "固有値" and
// "状態指標", then one row per regressor: name, VIF, variance proportions.
// A failed decomposition shows "-"; fewer than two regressors show zero
// eigenvalues and leave the rest blank.
ResultTable MclVifTable(const MclEigenPage& page, const std::vector<std::string>& names);

// Titled by the dependent's name; one row per regressor: name, estimate,
// standard error (marked; "-" when not positive), VIF.
ResultTable MclEstimateTable(const MclRidgeFit& fit, const std::vector<std::string>& names);

// The texts beside the estimates.
struct MclFitTexts {
    std::string k, standardError, r2, durbinWatson, gk, gcv;
};
MclFitTexts MclFitTextsOf(const MclRidgeFit& fit);

// Number, standardised observed value, fitted, residual, error rate,
// leverage; cells formed when asked.
class MclResidualTable {
public:
    explicit MclResidualTable(std::shared_ptr<const MclRidgeFit> fit) : fit_(std::move(fit)) {}
    int ColumnCount() const { return 6; }
    int RowCount() const { return static_cast<int>(fit_->residual.size()); }
    std::string Title(int column) const;
    ResultCell Cell(int column, int row) const;

private:
    std::shared_ptr<const MclRidgeFit> fit_;
};

// Residual over observed value in percent; an observed value below 2^-52 in
// size divides as 2^-52, and a ratio beyond +-9999 shows "+∞" or "-∞".
ResultCell MclErrorRateCell(double residual, double observed);

// "リッジ係数" over the shown constants; one column per regressor.
ResultTable MclRidgeCoefficientTable(const MclRidgeTable& table, const std::vector<std::string>& names);

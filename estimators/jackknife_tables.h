// The tables the jackknife window shows: the estimates with their standard
// errors and t values, and the residuals of the jackknifed equation. The
// grid, the report and the clipboard read the same cells. The residual
// table forms its cells when asked, so a million rows cost nothing until
// they are shown.
#pragma once

#include <memory>
#include <string>

#include "core/report/result_table.h"
#include "estimators/jackknife.h"

// Heading the dependent's name; one row per coefficient: name, estimate,
// standard error, t ("-" when the standard error is 0).
ResultTable JackknifeEstimateTable(const JackknifeInput& in, const JackknifeResult& r);

// Number, observed, fitted, residual, error rate, standardised residual.
class JackknifeResidualTable {
public:
    JackknifeResidualTable(std::shared_ptr<const JackknifeInput> in, std::shared_ptr<const JackknifeResult> r)
        : in_(std::move(in)), r_(std::move(r)) {}
    int ColumnCount() const { return 6; }
    int RowCount() const;
    std::string Title(int column) const;
    ResultCell Cell(int column, int row) const;

private:
    std::shared_ptr<const JackknifeInput> in_;
    std::shared_ptr<const JackknifeResult> r_;
};

// The error rate of a residual in percent as the result windows show it:
// residual / observed x 100, "+∞" for an observed value of (almost) 0.
ResultCell ErrorRateCell(double residual, double observed);

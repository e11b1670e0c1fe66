// The tables the weighted regression window shows and its report writes:
// the estimates with the fit figures, and the per-observation columns by
// one code space shared by the residual, data and analysis pages, the marks,
// the plots and the statistics:
//   -1          observation number
//   0..3        observed, fitted, residual, error rate
//   4           weight (with AR errors: the one-step prediction)
//   5..14       transformed fitted, residual, PRESS, r(i), t(i), residual
//               share, leverage, s^2(i), W(i), COVRATIO
//   15 + j      change of coefficient j (j < p)
//   p + 16 + j  transformed data row j (j < k), or its instrumented form
// Cells are formed when asked, so a million rows cost nothing until shown.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/model/result_marks.h"
#include "core/report/result_table.h"
#include "estimators/weighted_fit.h"

class WLSColumns {
public:
    static constexpr int kTimeCode = -1;
    static constexpr int kWeightCode = 4;
    static constexpr int kFirstAnalysisCode = 5;
    static constexpr int kStudentizedCode = 9;
    static constexpr int kCoefChangeCode = 15;

    // instrumented: the data codes read the transformed instrumented rows.
    WLSColumns(std::shared_ptr<const WLSE> fit, bool instrumented);

    const WLSE& Fit() const { return *fit_; }
    bool Instrumented() const { return instrumented_; }
    // Codes 0 .. CodeCount() - 1 exist.
    int CodeCount() const { return fit_->RowCount() + fit_->CoefCount() + 16; }
    int FirstDataCode() const { return fit_->CoefCount() + 16; }
    bool Valid(int code) const { return code >= kTimeCode && code < CodeCount(); }

    std::string Title(int code) const;
    // count values of a code from observation first on.
    void Read(int code, int first, int count, double* out) const;
    std::vector<double> Column(int code) const;
    double Value(int code, int t) const;
    // The codes of the per-observation analysis (5 .. p + 14), which an
    // observation of leverage 1 may lack, and that leverage row (the one
    // the PRESS residual divides by).
    bool IsAnalysis(int code) const { return code >= kFirstAnalysisCode && code < FirstDataCode(); }
    std::vector<double> PressLeverage() const;
    // "**" / "* " of a value of that code as the report writes it, or empty;
    // the cut-offs count the observations s2 counts.
    const std::string& Mark(int code, double value) const;
    // The value as the pages show it: the error rate's own text, else the
    // number form with its mark (none on t(i)).
    ResultCell Cell(int code, int t) const;
    ResultCell CellOf(int code, double value) const;

private:
    std::shared_ptr<const WLSE> fit_;
    bool instrumented_;
    StudentMarker student_;
    double welschLimit_ = 0.0;
    double covratioLow_ = 0.0, covratioHigh_ = 0.0;
    double changeLimit_ = 0.0;
};

// A page of per-observation columns: column 0 the observation number, then
// one column per code.
class WLSPageTable {
public:
    WLSPageTable(std::shared_ptr<const WLSColumns> columns, std::vector<int> codes, std::string corner = {});
    int ColumnCount() const { return static_cast<int>(codes_.size()) + 1; }
    int RowCount() const { return columns_->Fit().ObsCount(); }
    std::string Title(int column) const;
    ResultCell Cell(int column, int row) const;
    // The code of a grid column (column 0: the observation number).
    int CodeOf(int column) const;

private:
    std::shared_ptr<const WLSColumns> columns_;
    std::vector<int> codes_;
    std::string corner_;
};

// Observed, fitted, residual, error rate, weight.
WLSPageTable WLSResidualTable(std::shared_ptr<const WLSColumns> columns);
// The transformed data ("(iv)" in the corner for the instrumented rows).
WLSPageTable WLSDataTable(std::shared_ptr<const WLSColumns> columns);
// Codes 5 .. p + 14.
WLSPageTable WLSAnalysisTable(std::shared_ptr<const WLSColumns> columns);

// Heading the dependent's name; per coefficient: name, estimate, standard
// error, t.
ResultTable WLSEstimateTable(const WLSE& fit);

// The fit figures as the window and the report show them.
struct WLSFitTexts {
    std::string standardError;  // sqrt(s2)
    std::string r2;
    std::string adjustedR2;
    std::string durbinWatson;
    std::string gk;       // GK value
    std::string gkLevel;  // its chi-square(1) level, "##0.0%"
    std::string degreesOfFreedom;  // "自由度 = " and the residual degrees of freedom
};
WLSFitTexts FitTexts(const WLSE& fit);

// The AR coefficients: number, estimate and variance figure, the figure
// marked "* " when the coefficient lies within 1.96 standard errors of
// zero. No rows outside AR mode.
ResultTable ARCoefficientTable(const WLSE& fit);
// The innovation variance; empty outside AR mode.
std::string ARVarianceText(const WLSE& fit);

#include "stats/curve_fit_tables.h"

#include <cmath>

#include "core/model/estimate_texts.h"
#include "core/numeric/distributions.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "core/text/float_format.h"
#include "core/text/number_format.h"
#include "stats/curve_fit.h"

namespace {

constexpr double kEpsilon = 2.220446049250313e-16;

CurveCell Plain(double x) { return {"", FormatNumber(false, x)}; }

}  // namespace

std::string CurveSlopeName(const TSRA& fit, int j) {
    if (j <= 0) return fit.XLabel();
    return std::to_string(j + 1) + "乗項";
}

std::string CurvePointNumber(const TSRA& fit, const CurvePlotRanges& ranges, int i) {
    const std::string number = std::to_string(fit.PointNumber(i));
    return ranges.Contains(fit.GetX(i), fit.GetY(i)) ? number : "_" + number;
}

std::string CurveHeteroskedasticityText(const TSRA& fit) {
    const double gk = fit.GetHeteroskedasticity();
    return FormatIndexedLabel(FormatNumber(false, gk), FormatPercent(ChiSquare1SignificanceLevel(gk)), false);
}

CurveCorrelationText CurveCorrelation(const TSRA& fit, int kind) {
    if (kind == 1) return {"S.R.C.C.", FormatNumber(false, fit.Spearman()), "スピアマンの順位相関係数"};
    if (kind == 2) return {"K.R.C.C.", FormatNumber(false, fit.Kendall()), "ケンドールの順位相関係数"};
    const double r = fit.Pearson();
    const int n = fit.N();
    CurveCorrelationText t{"相関係数", FormatNumber(false, r), "相関係数"};
    if (n > 3) {
        double lower = r, upper = r;
        if (std::fabs(std::fabs(r) - 1.0) > kEpsilon) {
            const double z = Atanh(r);
            const double h = NormalLowerQuantile(1.0 - 0.05 * 0.5) / std::sqrt(n - 3.0);
            lower = Tanh(z - h);
            upper = Tanh(z + h);
        }
        t.status += " 信頼区間 ( " + FormatNumber(false, lower) + " ... " + FormatNumber(false, upper) + ")";
    }
    if (n > 4) t.status += " umv[" + FormatNumber(false, r * (1.0 + (1.0 - r * r) / (2.0 * (n - 4)))) + "]";
    return t;
}

// ---- data

int CurveDataTable::RowCount() const { return fit_->N(); }

std::string CurveDataTable::Title(int column) const {
    if (column == 1) return fit_->XName();
    if (column == 2) return fit_->YName();
    return {};
}

CurveCell CurveDataTable::Cell(int column, int row) const {
    if (column == 0) return {"", CurvePointNumber(*fit_, ranges_, row)};
    return Plain(column == 1 ? fit_->GetX(row) : fit_->GetY(row));
}

// ---- estimates

int CurveEstimateTable::RowCount() const { return fit_->Fitted() ? fit_->ParamCount() : 0; }

std::string CurveEstimateTable::Title(int column) const {
    switch (column) {
        case 0: return fit_->YLabel();
        case 1: return "β推定値";
        case 2: return "β標準誤差";
        case 3: return "ｔ値";
        default: return {};
    }
}

int CurveEstimateTable::CoefIndex(int row) const { return row == 0 ? fit_->ParamCount() - 1 : row - 1; }

std::string CurveEstimateTable::RowName(int row) const {
    return row == 0 ? std::string("定数項") : CurveSlopeName(*fit_, row - 1);
}

CurveCell CurveEstimateTable::Cell(int column, int row) const {
    if (column == 0) return {"", RowName(row)};
    const int j = CoefIndex(row);
    const double b = fit_->GetCoef(j);
    const double se = fit_->GetCoefSE(j);
    if (column == 1) return Plain(b);
    if (column == 2) return Plain(se);
    if (se == 0.0) return {"", "-"};
    CurveCell t = Plain(b / se);
    if (row > 0) t.mark = TStatisticMark(fit_->Df(), se, b);
    return t;
}

// ---- analysis

int CurveAnalysisTable::ColumnCount() const { return fit_->ParamCount() + 7; }

int CurveAnalysisTable::RowCount() const { return fit_->Fitted() ? fit_->N() : 0; }

std::string CurveAnalysisTable::Title(int column) const {
    static const char* const kTitles[] = {"", "予測値", "残差", "作用点", "SIG(RES)", "Ｔ値", "W(i)", "COVRATIO"};
    if (column >= 0 && column < 8) return kTitles[column];
    const int j = column - 8;
    if (j < 0 || j >= fit_->ParamCount() - 1) return {};
    const std::string name = j == 0 ? fit_->XLabel() : fit_->XLabel() + "^" + std::to_string(j + 1);
    return FormatIndexedLabel("β変化量", name, true);
}

CurveCell CurveAnalysisTable::Cell(int column, int row) const {
    const TSRA& f = *fit_;
    const int i = row;
    switch (column) {
        case 0: return {"", CurvePointNumber(f, ranges_, i)};
        case 1: return Plain(f.GetFitted(i));
        case 2: return Plain(f.GetResidual(i));
        case 3: return Plain(f.GetLeverage(i));
        default: break;
    }
    if (!f.HasLeaveOneOut()) return {"", "-"};
    const double n = f.N();
    const double p = f.ParamCount();
    switch (column) {
        case 4: return Plain(f.GetResidualSE(i));
        case 5: {
            const double t = f.GetStudentized(i);
            const double level = TSignificanceLevel(f.Df(), t);
            CurveCell c = Plain(t);
            if (level < 1.0)
                c.mark = DoubleSignificanceMark();
            else if (level < 5.0)
                c.mark = SingleSignificanceMark();
            return c;
        }
        case 6: {
            const double w = f.GetWelsch(i);
            CurveCell c = Plain(w);
            if (w > 2.0 * std::sqrt(p * n * (n - 1)) / (n - p)) c.mark = SingleSignificanceMark();
            return c;
        }
        case 7: {
            const double r = f.GetCovRatio(i);
            CurveCell c = Plain(r);
            if (r > 1.0 + 3.0 * p / n)
                c.mark = SingleSignificanceMark();
            else if (r < 1.0 - 3.0 * p / n)
                c.mark = DoubleSignificanceMark();
            return c;
        }
        default: break;
    }
    const int j = column - 8;
    if (j < 0 || j >= f.ParamCount() - 1) return {};
    const double d = f.GetDfbeta(i, j);
    if (!std::isfinite(d)) return Plain(d);
    const double sig = f.GetResidualSE(i);
    const double scale2 = f.GetMoment(j, j) * sig * sig / (1.0 - f.GetLeverage(i));
    // s(i)^2 (X'X)^-1 is held at a floor relative to the data already; only
    // where it is none (an exact fit) is there nothing to scale by.
    if (!(scale2 > 0.0) || !std::isfinite(scale2)) return Plain(d);
    const double scaled = d / std::sqrt(scale2);
    CurveCell c{"", FormatNumber(false, d) + " (" + FormatFloat("+##0.0000;-##0.0000", scaled) + ")"};
    if (std::fabs(scaled) > 2.0 / std::sqrt(n)) c.mark = SingleSignificanceMark();
    return c;
}

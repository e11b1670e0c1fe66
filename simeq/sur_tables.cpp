#include "simeq/sur_tables.h"

#include <cmath>
#include <limits>

#include "core/model/estimate_texts.h"
#include "core/model/result_marks.h"
#include "core/text/number_format.h"
#include "resources/string_table.h"

namespace {

constexpr double kTiny = std::numeric_limits<double>::epsilon();

ResultCell TCell(int df, double b, double se) {
    if (se == 0.0 || !std::isfinite(se)) return TextCell("-");
    return NumberCell(b / se, false, TStatisticMark(df, se, b));
}

void AddCoefficientRow(ResultTable& t, const Zelner& z, const SurResult& r, int eq, int j, std::string name) {
    const double b = r.GetCoef(eq, j), se = r.GetStdError(eq, j);
    t.AddRow({TextCell(std::move(name)), NumberCell(b), NumberCell(se), TCell(z.GetDf(eq), b, se)});
}

}  // namespace

ResultTable SurEstimateTable(const Zelner& z, const SurResult& r, int eq) {
    const int d = z.GetDependentPos(eq), k = z.GetCoefCount(eq);
    ResultTable t({z.GetVarName(eq, d), LoadStr(kStrBetaEstimate), LoadStr(kStrBetaStdError), LoadStr(kStrTValue)});
    AddCoefficientRow(t, z, r, eq, d, LoadStr(kStrConstantName));
    for (int j = 0; j < k; ++j)
        if (j != d) AddCoefficientRow(t, z, r, eq, j, z.GetVarName(eq, j));
    return t;
}

ResultCell SurErrorRateCell(double residual, double observed) {
    const double ratio = residual / (std::fabs(observed) < kTiny ? kTiny : observed);
    ResultCell c;
    c.value = ratio * 100.0;
    c.text = ErrorRateText(c.value);
    if (!std::isfinite(c.value) || std::fabs(c.value) > 9999.0) c.value = std::nan("");
    return c;
}

int SurResidualTable::RowCount() const { return z_->GetObservationCount(); }

std::string SurResidualTable::Title(int column) const {
    static const StringId titles[] = {kStrObserved, kStrPredicted, kStrResidual, kStrErrorRate, kStrLeverage};
    if (column == 0) return {};
    return column >= 1 && column <= 5 ? LoadStr(titles[column - 1]) : std::string();
}

ResultCell SurResidualTable::Cell(int column, int row) const {
    if (row < 0 || row >= RowCount()) return {};
    const double y = z_->GetDependent(eq_, row);
    const double e = r_->GetResidualData(eq_)[static_cast<std::size_t>(row)];
    switch (column) {
    case 0: {
        ResultCell c = TextCell(std::to_string(row + 1));
        c.value = row + 1;
        return c;
    }
    case 1: return NumberCell(y);
    case 2: return NumberCell(y - e);
    case 3: return NumberCell(e);
    case 4: return SurErrorRateCell(e, y);
    case 5: return NumberCell(r_->GetLeverageData(eq_)[static_cast<std::size_t>(row)]);
    default: return {};
    }
}

SurFitFigures SurFit(const Zelner& z, const SurResult& r, int eq) {
    const double s2 = r.GetSigma(eq, eq);
    const std::vector<double>& y = z.GetDependentData(eq);
    const int n = z.GetObservationCount();
    long double sum = 0.0L, sq = 0.0L;
    for (int t = 0; t < n; ++t) sum += y[static_cast<std::size_t>(t)];
    const long double mean = sum / n;
    for (int t = 0; t < n; ++t) {
        const long double d = y[static_cast<std::size_t>(t)] - mean;
        sq += d * d;
    }
    const double var = n > 1 ? static_cast<double>(sq / (n - 1)) : 0.0;
    // A constant dependent has no variance to explain.
    const double r2 = var > 0.0 ? 1.0 - s2 / var : 0.0;
    return {NumberCell(std::sqrt(s2)), NumberCell(r2 > 0.0 ? r2 : 0.0), z.GetDf(eq)};
}

SurPlotSeries SurPlots(const Zelner& z, const SurResult& r, int eq) {
    SurPlotSeries s;
    const std::vector<double>& e = r.GetResidualData(eq);
    const std::vector<double>& h = r.GetLeverageData(eq);
    const int n = z.GetObservationCount();
    long double rss = 0.0L;
    for (int t = 0; t < n; ++t) rss += static_cast<long double>(e[t]) * e[t];
    const double s2 = r.GetSigma(eq, eq);
    if (rss == 0.0L || !(s2 > 0.0)) return s;
    const double meanSquare = static_cast<double>(rss / n);
    for (int t = 0; t < n; ++t) {
        s.squaredRatio.push_back(e[t] * e[t] / meanSquare);
        s.leverage.push_back(h[t]);
        const double rest = 1.0 - h[t];
        if (!(rest > 0.0)) continue;
        s.time.push_back(t);
        s.fitted.push_back(z.GetDependent(eq, t) - e[t]);
        s.standardized.push_back(e[t] / std::sqrt(rest * s2));
    }
    return s;
}

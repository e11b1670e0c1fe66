#include "estimators/restricted_tables.h"

#include <cmath>

#include "core/data/data_set.h"
#include "core/model/leverage_forms.h"
#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "platform/numeric_tolerances.h"
#include "resources/string_table.h"

namespace {

constexpr int kEndogenous = 1;
constexpr int kExogenous = 2;
constexpr int kLagged = 3;

// Sum of squares about zero of regressor i (the constant's: n) and of y.
long double RegressorSquares(const Restricted& r, int i) {
    long double s = 0.0L;
    for (int t = 0; t < r.N(); ++t) s += static_cast<long double>(r.GetX(t, i)) * r.GetX(t, i);
    return s;
}

long double DependentSquares(const Restricted& r) {
    long double s = 0.0L;
    for (int t = 0; t < r.N(); ++t) s += static_cast<long double>(r.GetY(t)) * r.GetY(t);
    return s;
}

// A coefficient is in the equation when its size in the data's own units,
// |b| times the root of its regressor's sum of squares over y's, reaches
// 2^-23: a restriction to zero leaves only rounding, whatever the units.
bool CoefficientIncluded(const Restricted& r, int i, long double yy) {
    const long double size = std::fabs(r.GetCoefficient(i));
    if (!(yy > 0.0L)) return size >= kSingleEpsilon;
    return size * std::sqrt(RegressorSquares(r, i) / yy) >= kSingleEpsilon;
}

}  // namespace

ResultTable RestrictedTable(const Restricted& r) {
    std::vector<std::string> titles = {r.DepName(), LoadStr(kStrBetaEstimate), LoadStr(kStrBetaStdError)};
    for (int j = 0; j < r.M(); ++j) titles.push_back("制約" + std::to_string(j + 1));
    ResultTable t(std::move(titles));
    std::vector<ResultCell> values = {TextCell("制約値"), TextCell("---"), TextCell("--->")};
    for (int j = 0; j < r.M(); ++j) values.push_back(NumberCell(r.GetRestrictionValue(j)));
    t.AddRow(std::move(values));
    for (int i = 0; i < r.K(); ++i) {
        std::vector<ResultCell> row = {TextCell(r.GetName(i)), NumberCell(r.GetCoefficient(i)),
                                       RestrictedStdErrorCell(r, i)};
        for (int j = 0; j < r.M(); ++j) row.push_back(NumberCell(r.GetRestrictionCoefficient(j, i)));
        t.AddRow(std::move(row));
    }
    return t;
}

ResultCell RestrictedStdErrorCell(const Restricted& r, int i) {
    const double v = r.GetCovariance(i, i);
    if (v >= 0.0) return NumberCell(std::sqrt(v));
    // A negative variance within rounding of zero, against s2 over the
    // regressor's sum of squares (the variance's own units), reads 0.
    const long double xx = RegressorSquares(r, i);
    const long double scale = xx > 0.0L ? r.S2() / xx : 1.0L;
    if (std::fabs(v) < kSingleEpsilon * scale) {
        ResultCell c = TextCell("0");
        c.value = 0.0;
        return c;
    }
    return TextCell("-");
}

double RestrictedStdError(const Restricted& r, int i) { return std::sqrt(std::max(r.GetCovariance(i, i), 0.0)); }

RestrictedFigures RestrictedStatistics(const Restricted& r, bool adjustedR2) {
    RestrictedFigures f;
    f.f = NumberCell(r.F());
    const double level = FSignificanceLevel(r.M(), r.GetTestDegreesOfFreedom(), r.F());
    f.fLevel = TextCell(FormatPercent(level));
    f.fLevel.value = level;
    f.sigma = NumberCell(std::sqrt(r.S2()));
    f.r2 = NumberCell(adjustedR2 ? r.AdjR2() : r.R2(), true);
    f.r2Title = LoadStr(adjustedR2 ? kStrAdjRSquared : kStrRSquared);
    f.dw = NumberCell(r.DW());
    f.gk = FormatIndexedLabel(FormatNumber(true, r.GK()), FormatPercent(ChiSquare1SignificanceLevel(r.GK())), false);
    return f;
}

std::vector<double> RestrictedStandardizedResiduals(const Restricted& r) {
    std::vector<double> z(static_cast<std::size_t>(r.N()));
    const double s2 = r.HeldS2();
    for (int i = 0; i < r.N(); ++i) {
        const double h = r.GetLeverage(i);
        const double v = std::sqrt(s2 * (1.0 - h));
        const double zi = r.GetResidual(i) / v;
        z[static_cast<std::size_t>(i)] = h == 1.0 ? kNoFigure : std::isfinite(zi) ? zi : 0.0;
    }
    return z;
}

RestrictedDisplay RestrictedDisplaySeries(const Restricted& r, int mode) {
    RestrictedDisplay d;
    const int n = r.N();
    auto series = [n](auto f) {
        std::vector<double> v(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = f(i);
        return v;
    };
    auto fitted = [&r](int i) { return r.GetFitted(i); };
    if (mode == 0 || mode == 1 || (mode >= 100 && mode < 100 + r.K() - 1)) {
        d.yName = LoadStr(kStrStandardizedResidual);
        d.y = RestrictedStandardizedResiduals(r);
        if (mode == 0) {
            d.xName = LoadStr(kStrPredicted);
            d.x = series(fitted);
        } else if (mode == 1) {
            d.xName = LoadStr(kStrTime);
            d.x = series([](int i) { return i + 1.0; });
        } else {
            const int j = mode - 100;
            d.xName = r.GetName(j);
            d.x = series([&r, j](int i) { return r.GetX(i, j); });
        }
    } else if (mode == 200) {
        // A perfect fit's residuals share SSE as s2 is held: near 0.
        const double sse = HeldSumOfSquares(r.SSE(), r.Df(), r.VarianceFloor());
        d.xName = LoadStr(kStrSquaredResidual);
        d.x = series([&r, sse](int i) { return r.GetResidual(i) * r.GetResidual(i) / sse; });
        d.yName = LoadStr(kStrLeverage);
        d.y = series([&r](int i) { return r.GetLeverage(i); });
    } else if (mode > 200 && mode < 205) {
        const int lag = mode - 200;
        if (n - lag < 4) return d;
        d.xName = LoadStr(kStrEi);
        d.yName = LagResidualLabel(lag);
        for (int i = 0; i + lag < n; ++i) {
            d.x.push_back(r.GetResidual(i + lag));
            d.y.push_back(r.GetResidual(i));
        }
    } else if (mode == 205) {
        d.xName = LoadStr(kStrPredicted);
        d.x = series(fitted);
        d.yName = LoadStr(kStrObserved);
        d.y = series([&r](int i) { return r.GetY(i); });
    }
    return d;
}

bool RestrictedEquationIdentified(const Restricted& r, const Data& data) {
    int gx = 0, gxi = 0, gy = 0;
    const long double yy = DependentSquares(r);
    for (int i = 0; i < r.K(); ++i) {
        const bool included = CoefficientIncluded(r, i, yy);
        const int var = i == r.K() - 1 ? -1 : data.FindVar(r.GetName(i));
        const int type = var < 0 ? kExogenous : data.GetVarType(var);
        if (type == kExogenous || type == kLagged) {
            ++gx;
            if (included) ++gxi;
        } else if (type == kEndogenous && included) {
            ++gy;
        }
    }
    const int dep = data.FindVar(r.DepName());
    if (dep >= 0 && data.GetVarType(dep) == kEndogenous) ++gy;
    return gx >= 2 && gx - gxi >= gy - 1;
}

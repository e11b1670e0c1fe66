#include "estimators/ridge_tables.h"

#include <cmath>

#include "core/model/estimate_texts.h"
#include "core/model/result_marks.h"
#include "core/numeric/statistics.h"
#include "core/text/float_format.h"
#include "core/text/number_format.h"
#include "estimators/residual_titles.h"
#include "resources/string_table.h"

namespace {

constexpr double kTinyObserved = 2.220446049250313e-16;
constexpr double kRateLimit = 9999.0;

ResultCell StdErrCell(const Ridge& r, int i) {
    const double se = r.GetStdErr(i);
    if (se < 0.0) return TextCell("-");
    return NumberCell(se, true, TStatisticMark(r.Df(), r.GetHeldStdErr(i), r.GetCoef(i)));
}

}  // namespace

ResultTable RidgeEstimateTable(const Ridge& r) {
    ResultTable t({r.GetName(r.P()), LoadStr(kStrBetaEstimate), LoadStr(kStrBetaStdError), LoadStr(kStrVif)});
    const int c = r.ConstIndex();
    t.AddRow({TextCell(LoadStr(kStrConstantName)), NumberCell(r.GetCoef(c), true), NumberCell(r.GetStdErr(c), true)});
    for (int j = 0; j < r.P(); ++j)
        t.AddRow({TextCell(r.GetName(j)), NumberCell(r.GetCoef(j), true), StdErrCell(r, j), NumberCell(r.GetVIF(j))});
    return t;
}

RidgeFigures RidgeStatistics(const Ridge& r) {
    RidgeFigures f;
    f.k = FormatFloat("0.00000", r.K());
    f.sigma = NumberCell(std::sqrt(r.S2()));
    f.r2 = NumberCell(r.R2());
    f.dw = NumberCell(r.DW());
    f.gcv = NumberCell(r.Gcv());
    f.gk = FormatIndexedLabel(FormatNumber(false, r.GK()), FormatPercent(ChiSquare1SignificanceLevel(r.GK())), false);
    return f;
}

std::string RidgeResidualTable::Title(int column) const {
    return ResidualColumnTitle(column, kStrLeverage);
}

ResultCell RidgeResidualTable::Cell(int column, int row) const {
    if (row < 0 || row >= RowCount()) return {};
    const double y = r_->GetResult(0, row);
    const double fitted = r_->GetResult(1, row);
    switch (column) {
    case 0: return TextCell(std::to_string(row + 1));
    case 1: return NumberCell(y);
    case 2: return NumberCell(fitted);
    case 3: return NumberCell(y - fitted);
    case 4: return RidgeErrorRateCell(y - fitted, y);
    case 5: return NumberCell(r_->GetResult(4, row));
    default: return {};
    }
}

ResultCell RidgeErrorRateCell(double residual, double observed) {
    const double y = std::fabs(observed) < kTinyObserved ? kTinyObserved : observed;
    ResultCell c;
    c.value = 100.0 * (residual / y);
    c.text = ErrorRateText(c.value);
    if (!std::isfinite(c.value) || std::fabs(c.value) > kRateLimit) c.value = std::nan("");
    return c;
}

std::vector<double> RidgeResultRow(const Ridge& r, int row) {
    std::vector<double> v(static_cast<std::size_t>(r.N()));
    if (!v.empty()) r.ReadResultRow(row, v.data());
    return v;
}

std::vector<double> RidgeRegressorValues(const Ridge& r, int j) {
    std::vector<double> v(static_cast<std::size_t>(r.N()));
    for (int i = 0; i < r.N(); ++i) v[static_cast<std::size_t>(i)] = r.GetData(i, j);
    return v;
}

Expres RidgeEquation(const Ridge& r) {
    std::vector<double> coefs;
    std::vector<std::string> names;
    for (int j = 0; j < r.P(); ++j) {
        coefs.push_back(r.GetCoef(j));
        names.push_back(r.GetName(j));
    }
    coefs.push_back(r.GetCoef(r.ConstIndex()));
    names.push_back(LoadStr(kStrConstantName));
    return Expres(r.GetName(r.P()), static_cast<int>(coefs.size()), false, coefs, names);
}

#include "estimators/multicollinearity_tables.h"

#include <cmath>

#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "estimators/residual_titles.h"
#include "resources/string_table.h"

namespace {

constexpr double kTiny = 2.220446049250313e-16;
constexpr double kRatioLimit = 9999.0;

const std::string& NameOf(const std::vector<std::string>& names, int j) {
    static const std::string none;
    return j >= 0 && j < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(j)] : none;
}

}  // namespace

ResultTable MclVifTable(const MclEigenPage& page, const std::vector<std::string>& names) {
    const int p = static_cast<int>(names.size()) - 1;
    const bool failed = page.status == MclEigenPage::Status::kFailed;
    const bool done = page.status == MclEigenPage::Status::kDone;
    std::vector<std::string> titles{failed ? "-" : NumberCell(page.conditionNumber).text, "VIF"};
    for (int k = 0; k < p; ++k) titles.push_back("λ" + std::to_string(k + 1));
    ResultTable t(std::move(titles));
    auto value = [&](const std::vector<double>& v, int k, bool small) {
        if (failed) return TextCell("-");
        if (k >= static_cast<int>(v.size())) return ResultCell{};
        return NumberCell(v[static_cast<std::size_t>(k)], small);
    };
    std::vector<ResultCell> eigen{TextCell(LoadStr(kStrEigenvalue)), {}};
    std::vector<ResultCell> index{TextCell(LoadStr(kStrConditionIndex)), {}};
    for (int k = 0; k < p; ++k) {
        eigen.push_back(value(page.eigenvalues, k, false));
        index.push_back(value(page.conditionIndex, k, false));
    }
    t.AddRow(std::move(eigen));
    t.AddRow(std::move(index));
    for (int j = 0; j < p; ++j) {
        std::vector<ResultCell> row{TextCell(NameOf(names, j)), value(page.vif, j, false)};
        for (int k = 0; k < p; ++k)
            row.push_back(done ? NumberCell(page.proportion[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)], true)
                               : value({}, k, true));
        t.AddRow(std::move(row));
    }
    return t;
}

ResultTable MclEstimateTable(const MclRidgeFit& fit, const std::vector<std::string>& names) {
    ResultTable t({NameOf(names, fit.p), LoadStr(kStrBetaEstimate), LoadStr(kStrBetaStdError), LoadStr(kStrVif)});
    for (int j = 0; j < fit.p; ++j) {
        const auto i = static_cast<std::size_t>(j);
        const double b = fit.coef[i], se = fit.stdErr[i], held = fit.heldStdErr[i];
        const ResultCell seCell =
            held > 0.0 ? NumberCell(se, false, SignificanceMark(50, 5, TSignificanceLevel(fit.Df(), b / held)))
                       : TextCell("-");
        t.AddRow({TextCell(NameOf(names, j)), NumberCell(b), seCell, NumberCell(fit.vif[i])});
    }
    return t;
}

MclFitTexts MclFitTextsOf(const MclRidgeFit& fit) {
    MclFitTexts t;
    t.k = FormatFloat("0.00000", fit.k);
    t.standardError = FormatNumber(false, std::sqrt(fit.s2));
    t.r2 = FormatNumber(false, fit.r2);
    t.durbinWatson = FormatNumber(false, fit.dw);
    t.gk = FormatNumber(false, fit.gk) + " (" + FormatPercent(fit.gkLevel) + ")";
    t.gcv = FormatFloat("#.00000e+", fit.gcv);
    return t;
}

ResultCell MclErrorRateCell(double residual, double observed) {
    const double y = std::fabs(observed) < kTiny ? kTiny : observed;
    const double ratio = residual / y;
    if (ratio > kRatioLimit) return TextCell("+∞");
    if (ratio < -kRatioLimit) return TextCell("-∞");
    ResultCell c;
    c.value = 100.0 * ratio;
    c.text = FormatFloat(LoadStr(kStrErrorRatioPicture), c.value);
    return c;
}

std::string MclResidualTable::Title(int column) const {
    return ResidualColumnTitle(column, kStrLeverage);
}

ResultCell MclResidualTable::Cell(int column, int row) const {
    if (row < 0 || row >= RowCount()) return {};
    const auto i = static_cast<std::size_t>(row);
    switch (column) {
    case 0: return TextCell(std::to_string(row + 1));
    case 1: return NumberCell(fit_->observed[i]);
    case 2: return NumberCell(fit_->fitted[i]);
    case 3: return NumberCell(fit_->residual[i], true);
    case 4: return MclErrorRateCell(fit_->residual[i], fit_->observed[i]);
    case 5: return NumberCell(fit_->leverage[i]);
    default: return {};
    }
}

ResultTable MclRidgeCoefficientTable(const MclRidgeTable& table, const std::vector<std::string>& names) {
    std::vector<std::string> titles{"リッジ係数"};
    for (std::size_t j = 0; j < table.coef.size(); ++j) titles.push_back(NameOf(names, static_cast<int>(j)));
    ResultTable t(std::move(titles));
    for (std::size_t i = 0; i < table.k.size(); ++i) {
        std::vector<ResultCell> row{NumberCell(table.k[i])};
        for (const auto& curve : table.coef) row.push_back(NumberCell(curve[i]));
        t.AddRow(std::move(row));
    }
    return t;
}

#include "estimators/jackknife_tables.h"

#include <cmath>

#include "core/model/result_marks.h"
#include "estimators/residual_titles.h"
#include "resources/string_table.h"

namespace {

constexpr double kTiny = 2.220446049250313e-16;

}  // namespace

ResultCell ErrorRateCell(double residual, double observed) {
    const double ratio = std::fabs(observed) < kTiny ? 9999.0 : residual / observed;
    ResultCell c;
    c.value = ratio * 100.0;
    c.text = ErrorRateText(c.value);
    if (!std::isfinite(c.value) || std::fabs(c.value) > 9999.0) c.value = std::nan("");
    return c;
}

ResultTable JackknifeEstimateTable(const JackknifeInput& in, const JackknifeResult& r) {
    ResultTable t({in.depName, LoadStr(kStrBetaEstimate), LoadStr(kStrBetaStdError), LoadStr(kStrTValue)});
    for (std::size_t j = 0; j < r.coef.size(); ++j) {
        const auto tv = r.TValue(static_cast<int>(j));
        t.AddRow({TextCell(j < in.names.size() ? in.names[j] : std::string()), NumberCell(r.coef[j]),
                  NumberCell(r.stdErr[j]), tv ? NumberCell(*tv) : TextCell("-")});
    }
    return t;
}

int JackknifeResidualTable::RowCount() const { return static_cast<int>(r_->residual.size()); }

std::string JackknifeResidualTable::Title(int column) const {
    return ResidualColumnTitle(column, kStrStandardizedResidual);
}

ResultCell JackknifeResidualTable::Cell(int column, int row) const {
    if (row < 0 || row >= RowCount()) return {};
    const auto i = static_cast<std::size_t>(row);
    const double e = r_->residual[i];
    switch (column) {
    case 0: return TextCell(std::to_string(row + 1));
    case 1: return NumberCell(in_->y[i]);
    case 2: return NumberCell(r_->fitted[i]);
    case 3: return NumberCell(e, true);
    case 4: return ErrorRateCell(e, in_->y[i]);
    case 5: {
        const auto s = r_->StandardizedResidual(row);
        return s ? NumberCell(*s, true) : TextCell("-");
    }
    default: return {};
    }
}

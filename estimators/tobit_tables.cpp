#include "estimators/tobit_tables.h"

#include "estimators/jackknife_tables.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

double Observed(const TobitProblem& p, int i) { return p.data[i][p.data.Cols() - 1]; }

}  // namespace

ResultTable TobitEstimateTable(const TobitProblem& problem, const TobitResult& r) {
    ResultTable t({problem.depName, LoadStr(kStrBetaEstimate), LoadStr(kStrBetaStdError), LoadStr(kStrTValue)});
    for (std::size_t j = 0; j < r.coef.size(); ++j) {
        const auto se = r.StdError(static_cast<int>(j));
        t.AddRow({TextCell(j < problem.names.size() ? problem.names[j] : std::string()), NumberCell(r.coef[j]),
                  se ? NumberCell(*se) : TextCell("-"), se ? NumberCell(r.coef[j] / *se) : TextCell("-")});
    }
    return t;
}

ResultCell TobitSigmaCell(const TobitResult& r) { return NumberCell(r.sigma); }

ResultCell TobitSigmaStdErrorCell(const TobitResult& r) {
    const auto se = r.SigmaStdError();
    return se ? NumberCell(*se) : TextCell("-");
}

int TobitResidualTable::RowCount() const { return problem_->data.Rows(); }

std::string TobitResidualTable::Title(int column) const {
    switch (column) {
    case 1: return LoadStr(kStrObserved);
    case 2: return LoadStr(kStrPredicted);
    case 3: return LoadStr(kStrResidual);
    case 4: return LoadStr(kStrErrorRate);
    default: return {};
    }
}

ResultCell TobitResidualTable::Cell(int column, int row) const {
    if (row < 0 || row >= RowCount() || static_cast<std::size_t>(row) >= r_->index.size()) return {};
    const double y = Observed(*problem_, row);
    const double index = r_->index[static_cast<std::size_t>(row)];
    // Censored as the likelihood counts it: at or below 0, in any units.
    const bool censored = !(y > 0.0);
    switch (column) {
    case 0: return TextCell(std::to_string(row + 1));
    case 1: return NumberCell(y);
    case 2: return NumberCell(index);
    case 3: return censored ? TextCell("-") : NumberCell(y - index, true);
    case 4: return censored ? TextCell("-") : ErrorRateCell(y - index, y);
    default: return {};
    }
}

double TobitPrediction(const TobitResult& r, const std::vector<double>& explanatory) {
    if (r.coef.empty() || explanatory.size() + 1 != r.coef.size())
        throw ERangeError("説明変数の数が合いません");
    double sum = r.coef.back();
    for (std::size_t j = 0; j < explanatory.size(); ++j) sum += r.coef[j] * explanatory[j];
    return sum;
}

TobitDisplaySeries TobitDisplay(const TobitProblem& problem, const TobitResult& r, bool allObservations) {
    TobitDisplaySeries s;
    const int n = problem.data.Rows();
    for (int i = 0; i < n && static_cast<std::size_t>(i) < r.index.size(); ++i) {
        const double y = Observed(problem, i);
        if (!allObservations && !(y > 0.0)) continue;
        const double index = r.index[static_cast<std::size_t>(i)];
        s.index.push_back(index);
        s.observed.push_back(y);
        s.standardized.push_back(r.sigma > 0.0 ? (y - index) / r.sigma : 0.0);
    }
    return s;
}

#include "stats/pca_tables.h"

#include <algorithm>
#include <cmath>

#include "core/text/float_format.h"
#include "core/text/number_format.h"

namespace {

constexpr double kLoadingMark = 0.5;
constexpr double kOutlierStrong = 2.5758;
constexpr double kOutlierWeak = 1.96;

ResultTable VariableRows(std::string corner, int columns) {
    std::vector<std::string> titles{std::move(corner)};
    for (int i = 0; i < columns; ++i) titles.push_back(std::string());
    return ResultTable(std::move(titles));
}

}  // namespace

ResultCell LoadingCell(double loading) {
    if (std::fabs(loading) < kLoadingMark) return NumberCell(loading);
    return NumberCell(loading, false, loading >= 0.0 ? SingleSignificanceMark() : DoubleSignificanceMark());
}

ResultCell OutlierCell(double value) {
    ResultCell c;
    c.value = value;
    c.text = FormatFloat("##0.00", value);
    const double a = std::fabs(value);
    if (a >= kOutlierStrong) {
        c.mark = DoubleSignificanceMark();
    } else if (a >= kOutlierWeak) {
        c.mark = SingleSignificanceMark();
    }
    return c;
}

ResultTable PcaCorrelationTable(const PCA& pca) {
    const int p = pca.VarCount();
    ResultTable t = VariableRows(std::string(), p);
    for (int i = 0; i < p; ++i) t.SetTitle(i + 1, pca.GetVarName(i));
    for (int j = 0; j < p; ++j) {
        std::vector<ResultCell> row{TextCell(pca.GetVarName(j))};
        for (int i = 0; i < p; ++i) row.push_back(NumberCell(pca.GetCorrelation(j, i)));
        t.AddRow(std::move(row));
    }
    return t;
}

ResultTable PcaEigenTable(const PCA& pca) {
    const int p = pca.VarCount();
    ResultTable t = VariableRows("固有値", p);
    for (int i = 0; i < p; ++i) t.SetTitle(i + 1, FormatNumber(false, pca.GetEigenValue(i)));
    std::vector<ResultCell> contribution{TextCell("寄与率")}, cumulative{TextCell("累積寄与率")};
    for (int i = 0; i < p; ++i) {
        contribution.push_back(NumberCell(pca.GetContribution(i)));
        cumulative.push_back(NumberCell(pca.GetCumulativeContribution(i)));
    }
    t.AddRow(std::move(contribution));
    t.AddRow(std::move(cumulative));
    for (int j = 0; j < p; ++j) {
        std::vector<ResultCell> row{TextCell(pca.GetVarName(j))};
        for (int i = 0; i < p; ++i) row.push_back(NumberCell(pca.GetEigenVector(j, i)));
        t.AddRow(std::move(row));
    }
    return t;
}

ResultTable PcaLoadingTable(const PCA& pca, bool loadings) {
    const int p = pca.VarCount();
    ResultTable t = VariableRows(loadings ? "因子負荷量" : "寄与率", p);
    for (int i = 0; i < p; ++i) t.SetTitle(i + 1, pca.GetScoreName(i));
    for (int j = 0; j < p; ++j) {
        std::vector<ResultCell> row{TextCell(pca.GetVarName(j))};
        for (int i = 0; i < p; ++i)
            row.push_back(loadings ? LoadingCell(pca.GetLoading(j, i)) : NumberCell(pca.GetCommunality(j, i)));
        t.AddRow(std::move(row));
    }
    return t;
}

ResultTable PcaRotatedTable(const PCA& pca) {
    const int p = pca.VarCount(), m = pca.FactorCount();
    ResultTable t = VariableRows(pca.Method() == PCA::kMethodVarimax ? "Varimax" : "Minres", m);
    for (int f = 0; f < m; ++f) t.SetTitle(f + 1, pca.GetFactorScoreName(f));
    for (int j = 0; j < p; ++j) {
        std::vector<ResultCell> row{TextCell(pca.GetVarName(j))};
        for (int f = 0; f < m; ++f) row.push_back(LoadingCell(pca.GetRotatedLoading(j, f)));
        t.AddRow(std::move(row));
    }
    return t;
}

PcaObservationTable::PcaObservationTable(const PCA& pca, Kind kind) : pca_(&pca), kind_(kind) {
    switch (kind) {
    case Kind::Scores: columns_ = pca.VarCount() + 1; break;
    case Kind::FactorScores: columns_ = pca.FactorCount() + 1; break;
    case Kind::Outliers: columns_ = pca.VarCount() + pca.OutlierComponents() + 1; break;
    }
}

std::string PcaObservationTable::Title(int column) const {
    if (column < 1 || column >= columns_) return {};
    const int c = column - 1;
    switch (kind_) {
    case Kind::Scores: return pca_->GetScoreName(c);
    case Kind::FactorScores: return pca_->GetFactorScoreName(c);
    case Kind::Outliers: return c < pca_->VarCount() ? pca_->GetVarName(c) : pca_->GetScoreName(c - pca_->VarCount());
    }
    return {};
}

double PcaObservationTable::Value(int column, int row) const {
    if (column < 1 || column >= columns_ || row < 0 || row >= RowCount()) return 0.0;
    switch (kind_) {
    case Kind::Scores: return pca_->GetScore(row, column - 1);
    case Kind::FactorScores: return pca_->GetFactorScore(row, column - 1);
    case Kind::Outliers: return pca_->GetOutlierValue(row, column - 1);
    }
    return 0.0;
}

ResultCell PcaObservationTable::Cell(int column, int row) const {
    if (column < 0 || column >= columns_ || row < 0 || row >= RowCount()) return {};
    if (column == 0) return TextCell(std::to_string(row + 1));
    const double v = Value(column, row);
    return kind_ == Kind::Outliers ? OutlierCell(v) : NumberCell(v);
}

std::vector<double> PcaReconstruction(const PCA& pca, int variable, int last) {
    const int n = pca.ObsCount();
    std::vector<double> v(static_cast<std::size_t>(n), 0.0);
    if (variable < 0 || variable >= pca.VarCount()) return v;
    last = std::min(last, pca.VarCount() - 1);
    for (int i = 0; i < n; ++i) {
        double s = 0.0;
        for (int c = 0; c <= last; ++c) s += pca.GetScore(i, c) * pca.GetEigenVector(variable, c);
        v[static_cast<std::size_t>(i)] = s;
    }
    return v;
}

// The tables the principal component window shows: correlation matrix,
// eigenvalues, loadings, scores, rotated factors, factor scores and the
// outlier table. The grid and the clipboard read the same cells. The tables
// of one row per observation form their cells when asked, so a million
// rows cost nothing until shown; they read the analysis they were made
// from, which must outlive them.
#pragma once

#include <string>
#include <vector>

#include "core/report/result_table.h"
#include "stats/principal_components.h"

// A loading of magnitude 0.5 or more is marked: "* " when positive or
// zero, "**" when negative.
ResultCell LoadingCell(double loading);
// An outlier value as "##0.00", marked "**" from 2.5758 and "* " from 1.96
// in magnitude.
ResultCell OutlierCell(double value);

// Variable names across and down; correlations.
ResultTable PcaCorrelationTable(const PCA& pca);
// The heading row holds "固有値" and the eigenvalues, then rows of
// contributions, cumulative contributions and one row per variable of
// eigenvector elements.
ResultTable PcaEigenTable(const PCA& pca);
// Variables down, components across: marked loadings, or the cumulative
// squared loadings when loadings is false (corner "寄与率").
ResultTable PcaLoadingTable(const PCA& pca, bool loadings);
// Variables down, factors across: marked rotated loadings; corner "Varimax"
// or "Minres" after the analysis's method.
ResultTable PcaRotatedTable(const PCA& pca);

// One row per observation: its number, then the component scores
// (Scores), the factor scores (FactorScores) or the outlier values of the
// variables and the first outlier components (Outliers).
class PcaObservationTable {
public:
    enum class Kind { Scores, FactorScores, Outliers };
    PcaObservationTable(const PCA& pca, Kind kind);
    int ColumnCount() const { return columns_; }
    int RowCount() const { return pca_->ObsCount(); }
    std::string Title(int column) const;
    ResultCell Cell(int column, int row) const;
    // The number behind cell (column, row), column >= 1.
    double Value(int column, int row) const;

private:
    const PCA* pca_;
    Kind kind_;
    int columns_;
};

// The variable rebuilt from components 0 .. last, per observation: the
// sum of score(obs, i) * eigenvector(variable, i). With every component it
// is the standardised variable again.
std::vector<double> PcaReconstruction(const PCA& pca, int variable, int last);

// Plottable columns of the main window's grids. Each is a (kind, index)
// pair: the observation number, a variable, a diagnostics row, an influence
// measure, or per coefficient the leave-one-out t and the scaled or raw
// DFBETA. The integer code form (−1 time, 0..99 variables, 100.. diagnostics,
// 200.. influence, 300 + j, 400 + j, 500 + j) is kept for callers that
// store codes; inside the program the pair is passed, so a data set of 100
// or more variables never mistakes a variable for a diagnostics column.
#pragma once

#include <optional>
#include <string>
#include <vector>

class Reg;

enum class ResultKind { None, Time, Variable, Diagnostic, Influence, DeletedT, ScaledDfbeta, RawDfbeta };

struct ResultColumn {
    ResultKind kind = ResultKind::None;
    int index = 0;  // variable, diagnostics row 0..9, influence measure 0..6, or coefficient

    static ResultColumn FromCode(int code);
    // The code form; none for a variable of index 100 or more, which the
    // code numbering cannot hold.
    std::optional<int> Code() const;
    bool operator==(const ResultColumn&) const = default;
};

inline constexpr int kDiagnosticColumns = 10;
inline constexpr int kInfluenceMeasures = 7;

std::string ResultColumnTitle(const Reg& model, ResultColumn column);
double ResultColumnValue(const Reg& model, ResultColumn column, int i);
// The column holds figures of the fit (not the time or a variable's values).
inline bool ReadsFit(ResultColumn column) {
    return column.kind != ResultKind::None && column.kind != ResultKind::Time && column.kind != ResultKind::Variable;
}

// Columns of the influence grid after its number column: the measures, the
// leave-one-out t of each explanatory variable, then the scaled DFBETA (raw
// with raw) of the constant term (index = variable count) and of each
// explanatory variable, in variable order.
std::vector<ResultColumn> InfluenceGridColumns(const Reg& model, bool raw = false);

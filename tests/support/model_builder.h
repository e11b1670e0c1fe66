// Regression models built from column data, and the checks that compare a
// model's numbers with values computed elsewhere, for the model tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/model/regression_model.h"

// Data given variable by variable: one vector of observations per column.
using Columns = std::vector<std::vector<double>>;
// Expected tables given row by row.
using Rows = std::vector<std::vector<double>>;

// A model whose variables hold the columns (at least one, all as long as the
// first). Types and names, where given, go to the first variables they
// cover; the others keep their defaults. Without a context the model has its
// own.
std::unique_ptr<Reg> MakeModel(const Columns& cols, const std::vector<int>& types = {},
                               const std::vector<std::string>& names = {}, EngineContext* context = nullptr);

// actual within rel * |expected| of expected; the failure names what[index].
void ExpectRel(double actual, double expected, double rel, const char* what, int index);

// The row `code` of the model's per-observation table, value by value within
// rel * |expected| + abs.
void ExpectAnalysisRow(const Reg& reg, int code, const std::vector<double>& expected, double rel, double abs,
                       const char* what);

// Handing the model's data to other estimators: a block of observations and
// variables chosen by a group mask or by the model, as a design matrix with
// names; and read access to the design matrix of the fit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/model/regression_model.h"
#include "core/numeric/matrix.h"

// The block of cells another estimator works on: by a group mask, or (mask
// 0) every observation and every variable, or the model's variables with
// modelOnly. flags (n bytes) and names are filled when given. Returns false,
// filling neither, when either count is 0.
[[nodiscard]] bool SelectDataBlock(const Reg& reg, std::uint16_t mask, bool modelOnly, std::vector<std::uint8_t>* flags,
                     std::vector<std::string>* names, int& varCount, int& obsCount);
// Design matrix of the block for another estimator: m selected variables
// plus the constant term, one row per block observation (one column when
// transposed). Without a selection the dependent variable ends last and the
// constant term stands before it; with one the dependent variable is at
// m - 1 and the constant last. A dependent name outside the block leaves
// column m - 1 at 1.0. Throws Exception "DERR" on an empty block and
// EOutOfMemory when memory ran out.
void BuildDesignMatrix(const Reg& reg, std::uint16_t mask, const std::vector<std::uint8_t>* selection,
                       bool transposed, bool twoStageValues, std::vector<std::string>& names, Matrix& out,
                       const std::string& dependentName);
// Copies min(n, rows) values of variable j (0 .. k) into column c: from the
// design (first-stage values included) or the observed values.
void CopyColumnTo(const Reg& reg, Matrix& m, int c, bool fromDesign, int j);
// Column j (n values) and observation i (k + 1 values) of the design.
void GetDesignColumn(const Reg& reg, int j, std::vector<double>& out);
void GetDesignRow(const Reg& reg, int i, std::vector<double>& out);
// Statistics of design column j; the standard deviation has divisor n - 1.
double GetDesignMean(const Reg& reg, int j);
double GetDesignStdDev(const Reg& reg, int j);
double GetDesignMax(const Reg& reg, int j);
double GetDesignMin(const Reg& reg, int j);

// Jackknife estimates of the coefficients of a least-squares or an
// instrumental-variables model, from the leave-one-out coefficient changes
// that the model's influence rows already hold (no refitting).
//
// With b the full-sample estimate and D(i, j) = b_j - b_j(i): pseudo-values
// P_i = b_j + (n - 1) D(i, j), the jackknife estimate b_j + (n - 1)(b_j -
// mean of b_j(i)) and its standard error sqrt(sum (P_i - bJ_j)^2 / (n (n -
// 1))). The jackknifed equation's fitted values and residuals are taken on
// the observed data.
#pragma once

#include <optional>
#include <string>
#include <vector>


class Reg;
class RegIV;

struct JackknifeInput {
    std::vector<int> varIndex;       // k: model variable of each coefficient, the constant's last
    std::vector<std::string> names;  // k; the constant term's "定数項"
    std::string depName;
    int depIndex = -1;
    std::vector<double> coef;        // k: b
    // Column by column (k columns of n values), so that each pass over an
    // observation count of millions reads memory in order.
    std::vector<std::vector<double>> changes;  // D(., j)
    std::vector<std::vector<double>> values;   // observed regressor j, 1.0 for the constant
    std::vector<double> y;           // n: observed dependent
    // The model's s2 is a perfect fit's rounding: its coefficient changes
    // and residuals are rounding too, and read as exactly 0.
    bool perfectFit = false;
};

struct JackknifeResult {
    std::vector<double> coef, stdErr;  // k
    std::vector<double> fitted, residual;  // n
    double meanResidual = 0.0, sdResidual = 0.0;  // sd with divisor n - 1

    // Empty when the standard error is 0 (always so for a perfect fit):
    // there is no t value to show.
    std::optional<double> TValue(int j) const;
    // (e_i - mean) / sd; empty when sd is 0 (a perfect fit's).
    std::optional<double> StandardizedResidual(int i) const;
};

// Run the model's influence computation first and read its coefficient
// change rows. Throws for a model without observations.
[[nodiscard]] JackknifeInput JackknifeInputOf(Reg& reg);
[[nodiscard]] JackknifeInput JackknifeInputOf(RegIV& model);

// Throws ERangeError for inconsistent sizes or fewer than two observations,
// EMathError for values that are not finite.
[[nodiscard]] JackknifeResult Jackknife(const JackknifeInput& in);

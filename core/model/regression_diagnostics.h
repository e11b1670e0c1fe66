// Diagnostics of the model's current fit. None of them changes the model;
// they read what the last estimation left, through Reg's public interface.
// Running out of memory raises EOutOfMemory.
// "Model variables" are the indices 0 .. k of role 2 (the constant
// included).
#pragma once

#include <span>
#include <vector>

#include "core/model/regression_model.h"
#include "core/numeric/matrix.h"

// Variance inflation factors of the explanatory variables (index order)
// into vif and the condition number. Fewer than two explanatory variables:
// 0.0, vif untouched. EZeroDivide when the two-stage cross-product block
// (realCalc) is singular.
double GetConditionNumber(const Reg& reg, Vector& vif);
// Prediction at x (k + 1 values; x[k] is set to 1.0) with its simultaneous
// tolerance interval: share `probability` of the population at confidence
// `confidence`. ERangeError when x is too short; no residual degree of
// freedom gives NaN bounds.
double GetToleranceInterval(const Reg& reg, std::span<double> x, double& lower, double& upper,
                            double probability, double confidence);
// True when the data set has more endogenous variables than the model's
// equation list (or equationCount) has equations.
bool HasTooFewEquations(const Reg& reg);
bool HasTooFewEquations(const Reg& reg, int equationCount);
// Smallest root of det(A - lambda B) = 0 for the limited-information
// estimator; -1.0 when the computation fails (a singular or indefinite
// block, or a result that is not a number).
double ComputeLimlRoot(const Reg& reg);
// Breusch-Godfrey statistic of lag order q. NaN when q < 1 or when the
// auxiliary regression has no more observations than columns.
double BreuschGodfreyTest(const Reg& reg, int q);
// Ordinary covariance of the coefficients, (k + 1) x (k + 1) by variable
// index, zero outside the model. out is resized when its shape differs.
void GetCovariance(const Reg& reg, Matrix& out);
// White's heteroskedasticity-consistent covariance (no small-sample
// factor), laid out as GetCovariance.
void GetWhiteCovariance(const Reg& reg, Matrix& out);
// Added-variable plot of variable j (0 .. k-1; ERangeError otherwise):
// residuals of j and of the dependent variable on the other model
// variables, n values each.
void GetPartialRegression(const Reg& reg, std::vector<double>& ox, std::vector<double>& oy, int j);

// The equation of the current estimate, for the equation list.
#pragma once

#include "core/data/equation.h"

class Reg;

// The current estimate of the model: dependent = explanatory variables in
// index order, then the constant. With correct, the coefficients get the
// small-sample correction b + (b - b_OLS)(K - k - g)/(n - K). Without an
// estimate its NoEstimateReason() is thrown.
Expres EstimatedEquation(const Reg& model, bool correct);

// The data the multicollinearity analysis works on, taken from one of the
// three models it is opened with: p regressors and the dependent variable
// (last), in two copies X and Y of n x (p + 1) values. The cross-products
// are B = Y'X and S = Y'Y, so X is the side the residuals are taken
// against and Y the instrumented side:
// - least squares: X = Y = the design values (first-stage values for
//   endogenous regressors in two-stage mode); when residuals are taken
//   against the observed regressors, X holds the observed values and the
//   form is generalised;
// - instrumental variables: X the observed values, Y the estimation design;
//   always generalised;
// - weighted: the transformed regressors (the constant term's column, a
//   plain weight column, never among them) and dependent; Y the
//   instrumented ones in two-stage mode, which is then generalised.
// The dependent's column holds its observed values in the least-squares and
// instrumental-variable cases. A regressor whose values do not vary is left
// out and named in leftOut.
#pragma once

#include <string>
#include <vector>

#include "core/numeric/matrix.h"

class Reg;
class RegIV;
class WLSE;

struct MclData {
    std::vector<std::string> names;  // p regressors, the dependent last
    Matrix x, y;                     // n x (p + 1), unscaled
    bool generalised = false;
    std::vector<std::string> leftOut;
};

// allVariables: every variable other than the dependent instead of the
// explanatory ones. Throws Exception when the model has no dependent.
MclData MclDataOf(const Reg& model, bool allVariables);
MclData MclDataOf(const RegIV& model, bool allVariables);
// A fitted weighted model (its transformed tables exist).
MclData MclDataOf(const WLSE& model);

#include "core/model/regression_fit.h"

RegFit::RegFit(int n, int k)
    : moments(k + 1, k + 1, 0.0L),
      design(n, k + 1, 0.0),
      coef(k + 1, 0.0),
      stdErr(k + 1, 0.0),
      heldStdErr(k + 1, 0.0),
      fValue(k + 1, 0.0),
      tolerance(k + 1, 0.0) {}

void RegFit::ResetFor(int k) {
    moments.Replace(LongMatrix(k + 1, k + 1, 0.0L));
    coef.Replace(Vector(k + 1, 0.0));
    stdErr.Replace(Vector(k + 1, 0.0));
    heldStdErr.Replace(Vector(k + 1, 0.0));
    fValue.Replace(Vector(k + 1, 0.0));
    tolerance.Replace(Vector(k + 1, 0.0));
    toleranceLong.assign(static_cast<std::size_t>(k) + 1, 0.0L);
}

void RegFit::ClearFigures() {
    residualDf = 0;
    s2 = varY = r2 = adjR2 = syy = sse = press = hetero = durbinWatson = 0.0;
}

bool RegFit::HasShape(int k) const {
    return design.Cols() == k + 1 && moments.Rows() == k + 1 && coef.Count() == k + 1;
}

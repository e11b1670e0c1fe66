// The equations of a seemingly-unrelated-regressions system, one per
// observation group of the current model: each group's variables with the
// chosen dependent variable, its position holding the constant term.
#pragma once

#include <vector>

#include "simeq/sur_estimator.h"

class Reg;

// dependent[i]: variable index in the data set; group[i]: group number
// 1..16. The regressors are the group's first-stage values for the
// estimation and, when the model computes its residuals from the observed
// values, the observed ones for the residuals. Throws "式がありません" for
// no equation and "式（name）の設定に失敗しました。" for a group that cannot
// be set up (no observation, no more observations than columns, a dependent
// variable outside the group). One observation more than columns is set up;
// the estimation refuses it with "自由度不足".
[[nodiscard]] std::vector<SurEquation> MakeSurEquations(const Reg& model, const std::vector<int>& dependent,
                                                        const std::vector<int>& group);

// Row codes of the instrumental-variable estimator's per-observation table
// (the table's own codes; the coefficient changes are j - 100).
#pragma once

#include "core/model/instrumental_fit.h"

namespace instrumental_rows {

constexpr int kObserved = 0;
constexpr int kFitted = 1;
constexpr int kResidual = 2;
constexpr int kErrorPercent = 3;
constexpr int kPress = 4;
constexpr int kResidualSd = 5;
constexpr int kStandardized = 6;
constexpr int kStudentized = 7;
constexpr int kResidualShare = 8;
constexpr int kHatB = 9;
constexpr int kHatC = 10;
constexpr int kHatA = RegIV::kPressLeverageRow;
constexpr int kDeletedS2 = 12;
constexpr int kCovRatio = 13;
constexpr int kDffits = 14;
constexpr int kCook = 15;
constexpr int kW = 16;
constexpr int kDeletedR2 = 17;
constexpr int kDeletedAdjR2 = 18;
constexpr int kDfbetas = 19;

}  // namespace instrumental_rows

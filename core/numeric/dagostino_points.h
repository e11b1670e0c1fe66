// Simulated percentage points of D'Agostino's D for normal samples of the
// sizes where the moment expansion of its distribution is not accurate.
// The table is written by scripts/dagostino_points.sh.
#pragma once

constexpr int kDAgostinoFirstTabledN = 3;
constexpr int kDAgostinoLastTabledN = 199;

// The 0.5, 2.5, 5, 95, 97.5 and 99.5 % points of D for samples of n, in
// that order; null outside kDAgostinoFirstTabledN..kDAgostinoLastTabledN.
const double* DAgostinoTabledPoints(int n);

// Data sets that several model tests fit, each with what its columns are.
// Expected results stay with the tests that check them.
#pragma once

#include <string>
#include <vector>

#include "support/model_builder.h"

// Longley employment data (NIST StRD), n = 16: GNP deflator, GNP,
// unemployed, armed forces, population, year; then total employment, the
// dependent variable.
const Columns& LongleyColumns();

// n = 12, i = 0..11: x1 = 4.8 + 1.3i, x3 = (7i mod 5) + 0.5i, then the
// dependent y = 3 + 0.7i + (5i mod 7).
Columns TwelveRows();

// cols with a column inserted before position at that is 1 at observation
// one and 0 elsewhere: a dummy of its own, which gives that observation a
// leverage of 1.
Columns WithDummy(Columns cols, int at, int one);
// The same with the dummy's complement (0 at observation one, 1 elsewhere):
// beside the constant term the same fit, the leverage of 1 reached only
// through the sums.
Columns WithComplementDummy(Columns cols, int at, int one);

// n = 25, i = 0..24: x1 = 1e8 + (37i mod 101), x2 = 1.5e8 + 3 (i^2 mod 53),
// x3 = ((7i mod 11) - 5) / 2, then y = 1e8 + 2 (x1 - 1e8) - 0.7 (x2 -
// 1.5e8) + 4 x3 + ((5i mod 7) - 3): regressors far from zero beside their
// spread.
const Columns& FarFromZeroColumns();

// n = 12: three regressors, the first two nearly collinear; then the
// dependent variable.
const Columns& NearlyCollinearColumns();

// A three-equation system, n = 15: endogenous y1, y2, y3, exogenous x1, x2,
// x3 and the lagged x4, with their types and names.
const Columns& SystemColumns();
const std::vector<int>& SystemTypes();
const std::vector<std::string>& SystemNames();

// Instrumental-variable data, n = 25: 0 y (endogenous), 1 y2 (endogenous),
// 2 x1 (exogenous), 3 x2 (exogenous), 4 x3 (lagged), 5 w (type 0, neither
// instrument nor endogenous); IvTypes() are those types.
const Columns& IvColumns();
const std::vector<int>& IvTypes();

// A small simultaneous system, n = 14: exogenous x0..x3, then endogenous
// y2, y3, y1; SemTypes() are those types.
const Columns& SemColumns();
const std::vector<int>& SemTypes();

// n = 11 with sums of squares near the top of the double range: x1 (values
// to 9e149), x2 near x1 in correlation, x3 nearer still, then the dependent
// (values to 9.6e153).
const Columns& NearTopOfDoubleColumns();

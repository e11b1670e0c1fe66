// Ten observations of four variables driven by two factors: the data the
// principal-component tests share, their expected values computed from it
// independently and kept in each test.
#pragma once

#include "support/model_builder.h"

inline const Columns kFourVariableSample = {
        {3.14, 2.23, 2.15, 3.97, 5.0, 1.38, 5.14, 4.91, 2.13, 2.31},
        {10.23, 9.11, 10.18, 12.04, 12.85, 5.59, 13.75, 14.03, 8.01, 8.26},
        {-1.86, 0.58, 1.05, 1.04, -4.14, -3.96, -1.48, 0.1, -0.76, -2.95},
        {5.37, 4.13, 2.52, 4.4, 8.1, 6.92, 6.52, 4.71, 3.18, 5.79}};

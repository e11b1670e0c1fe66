// Twelve observations where the third column is the sum of the first two
// plus a few 1e-5: more than seven of its digits are lost in the fit. The
// fourth column is the dependent.
#pragma once

#include "support/model_builder.h"

inline const Columns kNearlyCollinearColumns = {
    {1.2, 2.1, 2.9, 4.3, 5.0, 6.2, 6.8, 8.1, 9.0, 9.7, 11.2, 12.1},
    {3.5, 1.2, 4.4, 2.8, 0.9, 3.3, 2.2, 4.9, 1.7, 3.8, 2.5, 0.4},
    {4.70003, 3.2999799999999997, 7.30001, 7.10004, 5.899970000000001, 9.5, 9.00002, 12.99999, 10.699959999999999,
     13.50001, 13.70003, 12.49998},
    {4.1, 5.9, 6.2, 8.8, 10.1, 11.7, 12.5, 15.3, 16.0, 17.9, 20.2, 21.0}};

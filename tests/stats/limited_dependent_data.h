// The small data sets the limited-dependent fit tests share: a censored
// sample on x = 0.5 .. 12 and a truncated one.
#pragma once

#include <vector>

namespace limited_dependent_data {

inline const std::vector<double> kX = {0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0, 4.5, 5.0, 5.5, 6.0,
                                       6.5, 7.0, 7.5, 8.0, 8.5, 9.0, 9.5, 10.0, 10.5, 11.0, 11.5, 12.0};
inline const std::vector<double> kCensored = {0.0,   0.0,   0.0,   0.0,   0.0,   0.0,   1.434, 0.909,
                                              1.944, 1.299, 1.774, 1.822, 0.0,   3.226, 3.107, 3.399,
                                              1.071, 1.307, 2.632, 3.438, 4.666, 4.545, 5.525, 4.43};
inline const std::vector<double> kTruncX = {1.0, 3.0, 3.5, 4.0, 4.5,  5.0,  5.5,  6.0,  7.0, 7.5,
                                            8.0, 8.5, 9.0, 9.5, 10.0, 10.5, 11.0, 11.5, 12.0};
inline const std::vector<double> kTruncY = {0.266, 0.18,  2.418, 1.636, 2.805, 1.873, 2.343, 2.277, 3.782, 3.509,
                                            3.748, 0.713, 0.884, 2.415, 3.298, 4.707, 4.431, 5.532, 4.037};

}  // namespace limited_dependent_data

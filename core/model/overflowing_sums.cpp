#include "core/model/overflowing_sums.h"

#include <cmath>

std::string OverflowingSumOfSquaresMessage(const std::string& name) {
    return "変数 " + name + " の平方和が有限の数値になりません。";
}

bool SumOfSquaresOverflowed(long double ss, const double* values, long long n, long long stride) {
    if (std::isfinite(static_cast<double>(ss))) return false;
    for (long long i = 0; i < n; ++i)
        if (!std::isfinite(values[i * stride])) return false;
    return true;
}

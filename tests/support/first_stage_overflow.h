// Two first stages whose figures are no number, kept for the engine and the
// window tests alike; each column is a variable, the target last.
#pragma once

#include <vector>

// n = 8, values 1e16 to 1e16 + 4 and a column of zeros: with both
// candidates swept in and out again, the constant alone is left with its
// inverse element negative by rounding (its standard error NaN).
inline std::vector<std::vector<double>> NearE16FirstStage() {
    const double e = 1e16;
    return {{e, e + 4, e, e + 4, e, e + 2, e, e + 4},
            {e, e, e + 2, e, e + 2, e, e + 2, e + 2},
            std::vector<double>(8, 0.0),
            {e + 4, e, e + 2, e + 4, e + 2, e + 4, e, e + 2}};
}

// n = 5: with both candidates in, coefficients near 1e153 and the
// constant's standard error past the largest double.
inline std::vector<std::vector<double>> OverflowingFirstStage() {
    return {{0, 1, 2, 3, 4}, {-5, -5, -5, -5, -1}, {1e-200, 1e16 + 2, 1e154, 1e-200, 2}};
}

inline constexpr char kFirstStageRefusal[] = "変数 定数項 の係数または標準誤差が有限の数値になりません。";

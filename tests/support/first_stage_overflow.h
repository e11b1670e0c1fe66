// A first stage whose figures are no number, for the engine and the window
// tests alike: n = 5, the candidates a and b, the target last. With both
// candidates in, coefficients near 1e153 and the constant's standard error
// past the largest double.
#pragma once

#include <vector>

inline std::vector<std::vector<double>> OverflowingFirstStage() {
    return {{0, 1, 2, 3, 4}, {-5, -5, -5, -5, -1}, {1e-200, 1e16 + 2, 1e154, 1e-200, 2}};
}

inline constexpr char kFirstStageRefusal[] = "変数 定数項 の係数または標準誤差が有限の数値になりません。";

// The run-time errors of macro runs: "範囲エラー", "型違反エラー" and
// "システムエラー" followed by " at " and a code address.
#pragma once

#include <string>

#include "platform/errors.h"

inline constexpr int kRunRange = 0;
inline constexpr int kRunType = 1;
inline constexpr int kRunSystem = 2;
// Kind 4 (a zero divisor) reads as the range error.
inline constexpr int kRunDivide = 4;

class EMacroRunError : public Exception {
public:
    using Exception::Exception;
};

std::string RunErrorText(int kind, int address);
[[noreturn]] void ThrowRunError(int kind, int address);

// The program's error families, one hierarchy.
//
// Catch sites catch the family they mean: a math error covers zero divides
// (a failed inverse or Cholesky factor), a stream error covers read and write
// failures of files. Every error carries a message ready to show the user.
#pragma once

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

// General error with a message (texts from the string table or the model).
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// Floating-point failures that the program detects and raises itself.
class EMathError : public Exception {
public:
    using Exception::Exception;
};

// Division by a zero pivot or divisor (a failed inverse or Cholesky factor).
class EZeroDivide : public EMathError {
public:
    using EMathError::EMathError;
};

// A text that is not a number, or a text that cannot be converted between
// encodings.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// An index, count or value outside its allowed range.
class ERangeError : public Exception {
public:
    using Exception::Exception;
};

// File and stream failures.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A failure the user has been told of already (a formula's own error box):
// the command stops, and its guard shows nothing more.
class EAlreadyShown : public Exception {
public:
    EAlreadyShown() : Exception("") {}
};

// An allocation that could not be satisfied (also raised for sizes that
// a file or a user asks for but that cannot be right).
class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception("メモリーの確保に失敗しました。") {}
    using Exception::Exception;
};

namespace detail {
inline void CheckIntRange(double x, const char* what) {
    // The bounds are exact in double: -2^31 and 2^31.
    if (!(x >= -2147483648.0 && x < 2147483648.0))
        throw ERangeError(std::string("数値が整数の範囲外です: ") + what);
}
}  // namespace detail

// Checked double -> int conversions. NaN, infinities and values outside the
// int range raise ERangeError instead of undefined behaviour.

// Truncates towards zero.
inline int TruncToInt(double x, const char* what = "") {
    double t = std::trunc(x);
    detail::CheckIntRange(t, what);
    return static_cast<int>(t);
}

// Rounds half away from zero.
inline int RoundToInt(double x, const char* what = "") {
    double r = std::round(x);
    detail::CheckIntRange(r, what);
    return static_cast<int>(r);
}

// Rounds down.
inline int FloorToInt(double x, const char* what = "") {
    double f = std::floor(x);
    detail::CheckIntRange(f, what);
    return static_cast<int>(f);
}

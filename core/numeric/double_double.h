// Double-double numbers: an unevaluated sum hi + lo of two doubles with
// |lo| <= ulp(hi) / 2, about 32 significant digits. The least-squares model
// falls back to them when its long double sweep would lose too many digits.
//
// Built on exact transformations (the rounding error of a sum by TwoSum,
// of a product by a fused multiply-add), so the results do not depend on
// the processor as long as double arithmetic is IEEE 754 with round to
// nearest, as the build keeps it (no fast-math).
#pragma once

#include <cmath>

struct DoubleDouble {
    double hi = 0.0;
    double lo = 0.0;

    DoubleDouble() = default;
    DoubleDouble(double h) : hi(h) {}  // NOLINT: a double is exactly a double-double
    DoubleDouble(double h, double l) : hi(h), lo(l) {}

    long double ToLongDouble() const { return static_cast<long double>(hi) + static_cast<long double>(lo); }
    double ToDouble() const { return hi + lo; }
};

namespace dd_detail {

// s + e == a + b exactly.
inline DoubleDouble TwoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// The same when |a| >= |b|.
inline DoubleDouble QuickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// p + e == a * b exactly.
inline DoubleDouble TwoProd(double a, double b) {
    const double p = a * b;
    return {p, std::fma(a, b, -p)};
}

}  // namespace dd_detail

inline DoubleDouble operator+(const DoubleDouble& a, const DoubleDouble& b) {
    DoubleDouble s = dd_detail::TwoSum(a.hi, b.hi);
    const DoubleDouble t = dd_detail::TwoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = dd_detail::QuickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return dd_detail::QuickTwoSum(s.hi, s.lo);
}

inline DoubleDouble operator-(const DoubleDouble& a) { return {-a.hi, -a.lo}; }

inline DoubleDouble operator-(const DoubleDouble& a, const DoubleDouble& b) { return a + (-b); }

inline DoubleDouble operator*(const DoubleDouble& a, const DoubleDouble& b) {
    DoubleDouble p = dd_detail::TwoProd(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return dd_detail::QuickTwoSum(p.hi, p.lo);
}

inline DoubleDouble operator/(const DoubleDouble& a, const DoubleDouble& b) {
    const double q1 = a.hi / b.hi;
    DoubleDouble r = a - DoubleDouble(q1) * b;
    const double q2 = r.hi / b.hi;
    r = r - DoubleDouble(q2) * b;
    const double q3 = r.hi / b.hi;
    return dd_detail::QuickTwoSum(q1, q2) + DoubleDouble(q3);
}

inline DoubleDouble& operator+=(DoubleDouble& a, const DoubleDouble& b) { return a = a + b; }
inline DoubleDouble& operator-=(DoubleDouble& a, const DoubleDouble& b) { return a = a - b; }

inline bool operator==(const DoubleDouble& a, const DoubleDouble& b) { return a.hi == b.hi && a.lo == b.lo; }

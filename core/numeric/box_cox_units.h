// The Box-Cox transform in units where the values are near 1.
//
// (v^lambda - 1) / lambda loses its digits to the -1 where v^lambda is far
// below 1 (large v with lambda < 0, small v with lambda > 0). Divided by a
// power of two c near their geometric mean the values keep them, and
// nothing else changes: BoxCox(lambda, v) = c^lambda BoxCox(lambda, v / c)
// + BoxCox(lambda, c), an affine map, which a fit with a constant term
// absorbs. The division by c is exact.
#pragma once

// (v^lambda - 1) / lambda from ln v; ln v itself for |lambda| <= 2^-52.
// expm1 keeps the digits where lambda ln v is near 0.
double BoxCoxOfLog(double lambda, double logV);

struct BoxCoxUnits {
    int exponent = 0;  // the values are divided by 2^exponent

    // ln(v / 2^exponent) for v > 0.
    double Log(double v) const;
    // ln 2^exponent.
    double LogScale() const;
    // BoxCox(lambda, v) = Gain(lambda) BoxCox(lambda, v / 2^exponent)
    // + Offset(lambda).
    double Gain(double lambda) const;
    double Offset(double lambda) const;
};

// The units of n positive values v[0], v[stride], ...: the power of two
// nearest the mean of their binary exponents. Values that are not positive
// and finite are left out of the mean.
BoxCoxUnits BoxCoxUnitsOf(const double* v, long long n, int stride = 1);

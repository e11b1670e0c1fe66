// Doubles as text: the general 15-digit form, picture formats and the
// exponent form that every page, report and file of the program uses.
//
// Rounding is half away from zero on the exact decimal value of the double,
// so a tie such as 0.125 to two decimals always goes up in magnitude while
// 0.1 + 0.2 is judged by what is really stored. Non-finite values print as
// "NAN", "INF" and "-INF" in every form. The decimal point is always ".".
#pragma once

#include <string>
#include <string_view>

// General form with 15 significant digits, trailing zeros removed: fixed
// notation when the rounded value lies in [1e-5, 1e15), otherwise
// scientific as "1E20" or "1.5E-7" (exponent sign only when negative, no
// leading zeros in the exponent).
std::string FloatToStrGeneral(double x);

// Picture format. Within a section "0" is a digit always shown, "#" a digit
// shown when significant, "." the decimal point, "," (before the point)
// groups thousands, "E+" "E-" "e+" "e-" switch to scientific notation (the
// "0"s after them give the least number of exponent digits, at most 4; "+"
// writes the exponent sign always, "-" only when negative), text in single
// or double quotes and any other character are copied as they stand ("%"
// does not scale). Sections "positive;negative;zero": the negative section
// prints the magnitude (its own literals carry the sign); without it the
// positive section is used with "-" in front. A value that rounds to zero
// uses the zero section when there is one and otherwise prints unsigned.
// An empty picture or section, and a fixed picture for |x| >= 1e18, give
// FloatToStrGeneral.
std::string FormatFloat(std::string_view picture, double x);

enum class TFloatFormat { ffGeneral, ffExponent, ffFixed };

// The class library's FloatToStrF:
//  ffGeneral  precision significant digits (clamped to 1..18), trailing
//             zeros removed, scientific below 1e-5 or when the exponent
//             reaches precision;
//  ffExponent "-d.dddE+dddd": one digit before the point, precision - 1
//             after it (clamped to 1..18), exponent sign always written and
//             at least digits exponent digits (clamped to 0..4);
//  ffFixed    digits decimals (clamped to 0..18); values from 1e18 up, or
//             beyond the precision, fall back to ffExponent.
std::string FloatToStrF(double x, TFloatFormat format, int precision, int digits);

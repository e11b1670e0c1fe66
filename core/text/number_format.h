// The texts in which every window, report and prompt shows numbers.
//
// One place decides the program's look: four decimals, the switch to the
// exponent form, report column widths (counted in CP932 bytes, as the
// reports are written), interval texts and significance marks. Every
// function returns a fresh text; only the two mark texts are shared.
#pragma once

#include <string>
#include <string_view>

#include "core/text/float_format.h"
#include "platform/numeric_tolerances.h"

// The shared significance marks: "* " (asterisk and blank) and "**".
const std::string& SingleSignificanceMark();
const std::string& DoubleSignificanceMark();

// The program-wide value text: "0" below kSingleEpsilon; below 1e-4 either
// "0.0000" / "-0.0000" (smallAsFixed) or the "#.0000e+" picture; from 1e6
// up the "#.0000e+" picture; otherwise "0.0000".
std::string FormatNumber(bool smallAsFixed, double x);

// Exponent form "d.ddddddE+dddd": precision clamped to 3..14, values below
// kSingleEpsilon shown as 0.
std::string FormatExponent(int precision, double x);

// The text right-justified in width CP932 bytes. A longer text keeps its
// last width bytes; a double-byte character that would be cut is dropped
// whole and a blank takes its place, so the width always holds.
std::string PadLeft(std::string_view text, int width);

// FormatNumber(false, x) padded to width: the report column form.
std::string FormatNumberPadded(int width, double x);

// bracket: name (a trailing "(i)" dropped) + "[" + text + "]";
// otherwise name + " (" + text + ")".
std::string FormatIndexedLabel(std::string_view name, std::string_view text, bool bracket);

// name (a trailing "(i)" dropped) + "[i] = " + FormatExponent(7, x).
std::string FormatElementValue(std::string_view name, int i, double x);

// A value already in percent with the picture "##0.0%": 95 -> "95.0%".
std::string FormatPercent(double value);

// "**" when p > a, "* " when b < p <= a, empty otherwise.
std::string SignificanceMark(int a, int b, double p);

// "e(i-k)": the label of the k-th lagged residual.
std::string LagResidualLabel(int k);

// Axis labels of a partial-regression plot: y becomes "e(y|-x)" and x
// becomes "e(x|-x)".
void MakePartialPlotLabels(std::string& xName, std::string& yName);

// a / b rounded up for a positive remainder, never less than 1 (page and
// block counts); a zero b gives 1.
int DivideRoundUp(int a, int b);

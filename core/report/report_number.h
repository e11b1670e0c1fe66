// The report's value column: FormatNumberPadded(12, x) with quick paths
// for the fixed form "0.0000" and the small exponent form "d.dddde-N",
// which are what nearly every value takes. The text forms write into a
// caller's buffer of kQuickNumberBytes and return false for a value they
// do not cover, leaving it to the general formatter.
#pragma once

#include <string>

// Appends FormatNumber(false, x) right-justified in width bytes to out.
void AppendPaddedNumber(std::string& out, double x, int width);

inline constexpr int kQuickNumberBytes = 32;

// FormatNumber(smallAsFixed, x).
bool QuickNumberText(bool smallAsFixed, double x, char* buffer, int& length);
// FormatFloat("+##0.0000;-##0.0000", x): the signed coefficient picture.
bool QuickSignedFixedText(double x, char* buffer, int& length);

// An ASCII text right-justified in width bytes; a longer one keeps its last
// width bytes (PadLeft for ASCII).
void AppendPaddedText(std::string& out, const char* text, int length, int width);

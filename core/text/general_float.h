// The general 15-digit form of FloatToStrGeneral, appended to a text
// without building a string per value: the form every data file, clipboard
// text and report cell uses for a plain value.
#pragma once

#include <string>

// The longest text the form gives ("-1.23456789012345E-308" and the like).
inline constexpr int kGeneralFloatMaxBytes = 24;

// Appends FloatToStrGeneral(x): byte for byte the same text.
void AppendGeneralFloat(std::string& out, double x);

// Bytes WriteGeneralFloat may touch from p on (beyond the text's end as
// scratch).
inline constexpr int kGeneralFloatRoom = 48;

// Writes the same text at p, which has room for kGeneralFloatRoom bytes;
// returns the end of the text.
char* WriteGeneralFloat(char* p, double x);

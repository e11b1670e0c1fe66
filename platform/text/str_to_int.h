// Text to integer with the class library's rules, for settings and typed
// counts: the caller's default stands in for anything that is not an integer.
#pragma once

#include <string_view>

// Optional blanks around an optional sign followed by decimal digits, or by
// hexadecimal digits after "$" or "0x" (at most eight, read as 32 bits, so
// "$FFFFFFFF" is -1). Anything else, or a decimal outside the int range,
// gives defaultValue.
int StrToIntDef(std::string_view text, int defaultValue);

// The plain decimal number as the reader has always taken it, for tests of
// faster readers: the number token's form, then the library's correctly
// rounding conversion; no infinity, no subnormal.
#pragma once

#include <cstdint>
#include <string>

bool LibraryDecimal(const std::string& s, double& value);
// The bits of a double, to compare results exactly (-0.0 and 0.0 differ).
std::uint64_t Bits(double x);

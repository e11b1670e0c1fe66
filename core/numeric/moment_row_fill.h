// Filling a block of the moment method (used by moment_matrix.cpp only):
// len rows of `cols` values (row stride `stride`) become hi = fl(x - shift)
// and lo, its exact error by two-sum (rows of `width` doubles); bits[j]
// collects whether column j has any error and most[j] keeps the largest
// |hi| (a NaN leaves it as it is). bits and most are updated, not set.
// Every fill performs the same operations on each value: all give the
// same bits.
#pragma once

#include <cstdint>

enum class MomentKernel;

using MomentRowFill = void (*)(const double* rows, long long stride, int len, int cols, int width,
                               const double* negShift, double* hi, double* lo, std::uint64_t* bits, double* most);

void MomentRowFillPortable(const double* rows, long long stride, int len, int cols, int width, const double* negShift,
                           double* hi, double* lo, std::uint64_t* bits, double* most);

// The fill that goes with a kernel choice: the wide one with the wide
// kernel, the portable one with the portable kernel.
MomentRowFill FindMomentRowFill(MomentKernel kernel);

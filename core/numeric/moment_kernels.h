// Block kernels of the moment matrix (used by moment_matrix.cpp only).
//
// A block holds up to kMomentBlockRows observations of `cols` columns,
// row-major with `width` doubles a row (width a multiple of 8, the extra
// columns zero): hi the shifted values, lo their exact rounding errors.
// For every entry j <= i < cols a kernel forms, over rows 0 .. len-1 in
// order,
//   p = hi_i hi_j,  e = fma(hi_i, hi_j, -p)        (p + e exact)
//   (n, q) = TwoSum(s, p),  u = q + e
//   u = fma(hi_i, lo_j, u); u = fma(lo_i, hi_j, u)   (when either has lo)
//   s = n,  c = c + u
// and stores s and c at [i * width + j]. Every kernel performs exactly
// these operations, so all give the same bits.
#pragma once

enum class MomentKernel;

using MomentBlockKernel = void (*)(const double* hi, const double* lo, const unsigned char* hasLo, int cols,
                                   int width, int len, double* s, double* c);

void MomentBlockPortable(const double* hi, const double* lo, const unsigned char* hasLo, int cols, int width, int len,
                         double* s, double* c);

// The kernel for a choice; nullptr when the processor cannot run it.
MomentBlockKernel FindMomentKernel(MomentKernel kernel);

// Block kernels of the moment matrix (used by moment_matrix.cpp only).
//
// A block holds up to kMomentBlockRows observations of `cols` columns,
// row-major with `width` doubles a row (width a multiple of 8, the extra
// columns zero): hi the shifted values, lo their exact rounding errors.
// scale[j] is MomentColumnScale of the largest |hi| of column j in the
// block. For every entry j <= i < cols a kernel forms, with the power of
// two g = min(scale_i scale_j, 2^1023) (above 128 times any |hi_i hi_j| of
// the block, but near the top of the range),
// over rows 0 .. len-1 in order,
//   p = hi_i hi_j,  e = fma(hi_i, hi_j, -p)        (p + e exact)
//   q = (g + p) - g,  r = p - q                     (q + r = p exactly)
//   s = s + q                                       (exact: multiples of
//                                                    ulp(g) below g)
//   u = r + e
//   u = fma(hi_i, lo_j, u); u = fma(lo_i, hi_j, u)   (when either has lo)
//   c = c + u
// and stores s and c at [i * width + j]: s + c is the block sum to about
// twice the double precision. Every kernel performs exactly these
// operations, so all give the same bits.
#pragma once

enum class MomentKernel;

using MomentBlockKernel = void (*)(const double* hi, const double* lo, const unsigned char* hasLo,
                                   const double* scale, int cols, int width, int len, double* s, double* c);

void MomentBlockPortable(const double* hi, const double* lo, const unsigned char* hasLo, const double* scale, int cols,
                         int width, int len, double* s, double* c);

// 2^(E+4) with maxAbs < 2^E (a column of zeros: 2^-507; not finite: inf).
double MomentColumnScale(double maxAbs);

// The kernel for a choice; nullptr when the processor cannot run it.
MomentBlockKernel FindMomentKernel(MomentKernel kernel);

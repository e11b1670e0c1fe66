// The numeric tolerances of the whole program, each defined once here.
// They are the machine epsilons of the two floating-point widths the
// design computed in; every comparison "close enough to zero or to each
// other" uses one of them.
#pragma once

// Double-precision epsilon, 2^-52. Values closer than this are equal:
// equality tests, ties in ranks, constant and zero series, zero means and
// sums of squares, Box-Cox and root arguments taken as zero, the centre of
// a value search.
inline constexpr double kDoubleEpsilon = 2.220446049250313e-16;

// Single-precision epsilon, 2^-23. Below it a value shows as zero and an
// eigenvalue counts as zero; it also floors probabilities and stands for a
// standard error of exactly zero, and ends the power iteration.
inline constexpr double kSingleEpsilon = 1.1920928955078125e-07;

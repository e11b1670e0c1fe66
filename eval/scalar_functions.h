// The built-in scalar functions of the expression and macro languages,
// called by number, and the order-statistic aggregates "median",
// "trimmean" and "percentile".
//
// The numbers are the positions of the function names among the reserved
// words ("sin" 0 .. "qf" 44); 100 and 101 combine two values into their
// larger and smaller one. Domain errors of the elementary functions raise
// EMathError ("範囲エラー"), poles, a root of degree 0 and an even root of
// a negative value raise EZeroDivide ("０除算エラー"), bad counts raise
// ERangeError; a result that is no finite number from finite arguments
// (an overflow) raises EMathError too.
#pragma once

// Dispatcher numbers.
enum ScalarFunctionIndex : int {
    sfSin = 0,
    sfCos,
    sfTan,
    sfAtan,
    sfLog,
    sfAbs,
    sfInt,
    sfFrac,
    sfExp,
    sfSqrt,
    sfGamma,      // 10
    sfLnGamma,
    sfAsin,
    sfAcos,
    sfSinh,
    sfCosh,
    sfTanh,
    sfLog10,
    sfDeg,
    sfRad,
    sfAsinh,      // 20
    sfAcosh,
    sfAtanh,
    sfPnor,
    sfQnor,
    sfFact,
    sfFact2,
    sfFisher,
    sfFisherInv,
    sfSgn,
    sfReal,       // 30: no computation, the value stays
    sfBce,
    sfInvBce,
    sfLoga,
    sfRound,
    sfPt,
    sfQt,
    sfPchi2,
    sfQchi2,
    sfRoot,
    sfCombin,     // 40
    sfPermut,
    sfPow,
    sfPf,
    sfQf,         // 44
    sfLarger = 100,
    sfSmaller = 101,
};

// Replaces *a by the value of function index applied to *a (and *b, *c
// where the function takes them). Integer arguments (degrees of freedom,
// counts, digits, powers) are truncated toward zero. An index without a
// function (30, 45 .. 99, above 101, negative) leaves *a unchanged.
void CallScalarFunction(int index, double* a, double* b, double* c);

// Median of data[0 .. n-1]; sorts the values in place. n < 1 throws
// ERangeError.
double Median(double* data, int n);

// block[0] is the trimming parameter (a total fraction below 1, otherwise
// a count cut from each end), block[1 .. count-1] the data, sorted in place.
// A negative parameter or no data throws ERangeError ("範囲エラー").
double TrimMean(double* block, int count);

// block[0] is p in [0, 1], block[1 .. count-1] the data, sorted in place;
// linear interpolation between order statistics. p outside [0, 1] or no
// data throws ERangeError ("範囲エラー").
double Percentile(double* block, int count);

// Box-Cox transform with the given lambda and its inverse.
double ApplyBoxCox(double x, double lambda);
double ApplyInverseBoxCox(double y, double lambda);

// x rounded to digits significant digits (digits below 1 mean 6, above 14
// mean 14), half away from zero. Non-finite values are returned as they are.
double RoundToSignificantDigits(int digits, double x);

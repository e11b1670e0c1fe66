// Tail probabilities and quantiles of the normal, t, chi-square and F
// distributions for integer degrees of freedom.
//
// Every p-value and critical value of the program comes from here. Two
// families: quick single-precision approximations (float in, float out,
// intermediates rounded to float as they are stored) and double-precision
// functions, exact finite series for integer degrees of freedom wherever one
// exists. All probabilities are upper tails P(X > x), except
// NormalLowerQuantile; the t functions are two-sided.
//
// None of them throws or loops without bound: probabilities at or beyond
// their limits return the limit at once, degrees of freedom below 1 give NaN
// (the quick chi-square quantile gives 0), and NaN arguments give NaN.
#pragma once

// ---- single precision ------------------------------------------------------

// Q(x) = P(Z > x).
float NormalUpperTailApprox(float x);
// z with Q(z) = p; p is clamped to [2^-23, 1 - 2^-23].
float NormalUpperQuantileApprox(float p);
// t with one-sided upper tail p (Cornish-Fisher, five terms).
float TUpperQuantileApprox(int df, float p);
// P(X > x) for chi-square with df degrees of freedom.
float ChiSquareUpperTailApprox(int df, float x);
// x with P(X > x) = p; 0 for df < 1.
float ChiSquareUpperQuantileApprox(int df, float p);

// ---- double precision ------------------------------------------------------

// Q(x) = P(Z > x).
double NormalUpperTail(double x);
// z with P(Z <= z) = p; p is clamped to [2^-23, 1 - 2^-23].
double NormalLowerQuantile(double p);
// P(X > x), chi-square.
double ChiSquareUpperTail(int df, double x);
// x with P(X > x) = p, chi-square.
double ChiSquareUpperQuantile(int df, double p);
// P(|T| > t).
double TTwoSidedTail(int df, double t);
// t with P(|T| > t) = p.
double TTwoSidedQuantile(int df, double p);
// P(F > x).
double FUpperTail(int df1, int df2, double x);
// x with P(F > x) = p.
double FUpperQuantile(int df1, int df2, double p);

// The robust weight functions of WLSE::Reweight, by weight kind:
// 1 t with m degrees of freedom, 2 Huber, 3 Andrews, 4 Collins, 5 automatic
// (t with d = n - p degrees of freedom). u is the scaled residual, c the
// tuning constant.
#pragma once

inline constexpr int kWeightManual = 0;
inline constexpr int kWeightT = 1;
inline constexpr int kWeightHuber = 2;
inline constexpr int kWeightAndrews = 3;
inline constexpr int kWeightCollins = 4;
inline constexpr int kWeightAutomatic = 5;
// The Collins weight is 1 up to this |u|.
inline constexpr double kCollinsKnee = 1.59;

// sqrt(1 - h) of the bounded-influence scaling, with 1 - h held at 2^-23
// or more so that a leverage of 1 (or just above it by rounding) gives a
// finite factor.
double BoundedInfluenceFactor(double h);
// True for the kinds that have a weight rule (1 to 5).
bool HasWeightRule(int kind);
// The weight of scaled residual u; m is the t kind's degrees of freedom, d
// the automatic kind's. Kinds without a rule give 1.
double RobustWeight(int kind, double u, double c, double m, double d);

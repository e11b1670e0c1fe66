// Thirty observations fitted exactly: y = 3 + 2 x1 - 0.5 x2 + 0.25 x3 with
// integer regressors (t from 0: x1 = 1 + 7t mod 11, x2 = 2 + t^2 mod 13,
// x3 = 5t + 3 mod 17), and z1 = x1 + (t mod 3) - 1, an instrument for x1.
// The residual variance of the fit is rounding: its figures are those of
// s2 and s2(i) held at var(y) x 2^-23, var(y) = 87217 / 1740. References
// from exact rational arithmetic (python fractions), square roots taken
// last with mpmath to 50 digits; the main, instrumental and weighted fits'
// tests share them.
#pragma once

#include <vector>

#include "support/model_builder.h"

// x1, x2, x3, then y.
inline const Columns kPerfectFitColumns = {
    {1, 8, 4, 11, 7, 3, 10, 6, 2, 9, 5, 1, 8, 4, 11, 7, 3, 10, 6, 2, 9, 5, 1, 8, 4, 11, 7, 3, 10, 6},
    {2, 3, 6, 11, 5, 14, 12, 12, 14, 5, 11, 6, 3, 2, 3, 6, 11, 5, 14, 12, 12, 14, 5, 11, 6, 3, 2, 3, 6, 11},
    {3, 8, 13, 1, 6, 11, 16, 4, 9, 14, 2, 7, 12, 0, 5, 10, 15, 3, 8, 13, 1, 6, 11, 16, 4, 9, 14, 2, 7, 12},
    {4.75, 19.5, 11.25, 19.75, 16.0, 4.75, 21.0, 10.0, 2.25, 22.0, 8.0, 3.75, 20.5, 10.0, 24.75,
     16.5, 7.25, 21.25, 10.0, 4.25, 15.25, 7.5, 5.25, 17.5, 9.0, 25.75, 19.5, 8.0, 21.75, 12.5}};

inline const std::vector<double> kPerfectFitInstrument = {
    0, 8, 5, 10, 7, 4, 9, 6, 3, 8, 5, 2, 7, 4, 12, 6, 3, 11, 5, 2, 10, 4, 1, 9, 3, 11, 8, 2, 10, 7};

// Least squares, and the weighted fit with weights 1: per coefficient (x1,
// x2, x3, the constant term) t = b / sqrt(M_jj var(y) 2^-23), M the inverse
// of the cross-products, and the F to remove, t^2.
inline constexpr double kPerfectFitT[] = {
    14168.446888607886, -4662.1955490474874, 2654.9932538789923, 2041.4880760759604};
inline constexpr double kPerfectFitF[] = {
    200744887.23530249, 21736067.337558202, 7048989.1781429593, 4167673.5647603265};
// COVRATIO (s2(i) / s2)^p / (1 - h), both variances at the floor: 1 / (1 - h).
inline constexpr double kPerfectFitCovratio[] = {
    1.2835633803298382, 1.0898057784622619, 1.1050676560222218,
    1.3003597157019922, 1.0548640402664785, 1.1547299662906165,
    1.2611062676498105, 1.1146401720582014, 1.1753674978228652,
    1.1517326925113827, 1.138268973395406, 1.1493686440365969,
    1.1298873933809042, 1.2338614829055762, 1.1761081515779452,
    1.0503149930803144, 1.1621787841026074, 1.1410241179178192,
    1.1242731802113417, 1.1621710727758952, 1.2420859936151373,
    1.1409087926087591, 1.1861447328079044, 1.1778026854940653,
    1.0823387115414317, 1.1720778826470368, 1.1968275121844923,
    1.1837054145451787, 1.0955995264518426, 1.0762889825521951};

// z1 in place of x1: t = b / sqrt(Cf_jj var(y) 2^-23) with Cf = (Z'X)^-1
// Z'Z (X'Z)^-1; the F to remove |M_jd M_dj| / |M_jj| over the floor, M the
// moments Z'X with y's row and column, swept on the model; COVRATIO
// (1 - z'(Z'Z)^-1 z) / (1 - x'(Z'X)^-1 z)^2.
inline constexpr double kPerfectFitIvT[] = {
    13720.710901308685, -4660.2286094268531, 2654.9926649611426, 2013.7049313968073};
inline constexpr double kPerfectFitIvF[] = {
    200744887.23530249, 22711682.890035247, 5901443.9180943756, 4784031.102760573};
inline constexpr double kPerfectFitIvCovratio[] = {
    1.2933142570712938, 1.0904190416009346, 1.102106449433447,
    1.3022267085944902, 1.0549815924537977, 1.1521993346703105,
    1.2565026313747644, 1.114663577606492, 1.173580576176803,
    1.147293848879584, 1.1383779772368186, 1.1492669222239741,
    1.1255197377768204, 1.2353798437169039, 1.1788078762786675,
    1.046498801345422, 1.1644725978637851, 1.1411722636921114,
    1.1195081706643802, 1.1662262263462102, 1.2414879414317623,
    1.1368369351471867, 1.1945283618399417, 1.1772750266677885,
    1.0813332429518141, 1.1781097939093767, 1.1930449941898737,
    1.1856121124113617, 1.0992931046579869, 1.0735168560545677};

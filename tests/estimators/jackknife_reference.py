#!/usr/bin/env python3
"""Independent figures for the jackknife tests: least squares refitted
without each observation in turn (exact rational arithmetic), the
pseudo-values b + (n-1)(b - b(i)), their mean and standard error, and the
residuals of the jackknifed equation. Prints C++ initialisers."""
from fractions import Fraction as F
import math

X1 = [1, 2, 3, 4, 5, 6, 7, 8, 9]
X2 = [2, 1, 4, 3, 6, 5, 8, 9, 7]
Y = [3, 4, 8, 9, 12, 14, 17, 16, 21]


W = [1, 3, 2, 5, 4, 7, 6, 8, 10]  # instrument for x2


def iv(zrows, xrows, y):
    """Just-identified IV, (Z'X)^-1 Z'y, by solving Z'X b = Z'y."""
    k = len(xrows[0])
    A = [[sum(F(z[a]) * x[b] for z, x in zip(zrows, xrows)) for b in range(k)] +
         [sum(F(z[a]) * v for z, v in zip(zrows, y))] for a in range(k)]
    for c in range(k):
        p = next(i for i in range(c, k) if A[i][c] != 0)
        A[c], A[p] = A[p], A[c]
        A[c] = [v / A[c][c] for v in A[c]]
        for i in range(k):
            if i != c:
                f = A[i][c]
                A[i] = [a - f * b for a, b in zip(A[i], A[c])]
    return [A[i][k] for i in range(k)]


import sys
rows = [[a, b, 1] for a, b in zip(X1, X2)]
zrows = [[a, w, 1] for a, w in zip(X1, W)] if "iv" in sys.argv else rows
n, k = len(rows), 3
b = iv(zrows, rows, Y)
D = []
for i in range(n):
    bi = iv(zrows[:i] + zrows[i + 1:], rows[:i] + rows[i + 1:], Y[:i] + Y[i + 1:])
    D.append([b[j] - bi[j] for j in range(k)])
bJ, seJ = [], []
for j in range(k):
    P = [b[j] + (n - 1) * D[i][j] for i in range(n)]
    m = sum(b[j] - D[i][j] for i in range(n)) / n
    bj = b[j] + (n - 1) * (b[j] - m)
    bJ.append(bj)
    seJ.append(math.sqrt(sum((p - bj) ** 2 for p in P) / (n * (n - 1))))
fitted = [sum(bJ[j] * rows[i][j] for j in range(k)) for i in range(n)]
res = [Y[i] - fitted[i] for i in range(n)]
mean = sum(res) / n
sd = math.sqrt(sum((e - mean) ** 2 for e in res) / (n - 1))
f = lambda v: repr(float(v))
print("const Rows kChanges = {" + ",\n ".join("{" + ", ".join(f(v) for v in r) + "}" for r in D) + "};")
print("const std::vector<double> kJackCoef = {" + ", ".join(f(v) for v in bJ) + "};")
print("const std::vector<double> kJackSe = {" + ", ".join(f(v) for v in seJ) + "};")
print("const std::vector<double> kJackResidual = {" + ", ".join(f(v) for v in res) + "};")
print(f"const double kJackMean = {f(mean)}, kJackSd = {f(sd)};")
print("const std::vector<double> kOlsCoef = {" + ", ".join(f(v) for v in b) + "};")

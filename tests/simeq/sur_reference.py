#!/usr/bin/env python3
"""Independent figures for the seemingly-unrelated-regressions tests.

Feasible GLS written out plainly in 50-digit arithmetic (mpmath): the
stacked normal equations Z'(inv(S) x I)X b = Z'(inv(S) x I)y, S from the
residuals with the divisor sqrt((n-k_i)(n-k_j)), starting from S = I.
Prints C++ initialisers to paste into sur_estimator_test.cpp.
"""
import sys
from mpmath import mp, mpf, sqrt, matrix, cholesky

mp.dps = 50


def lcg(seed):
    s = seed
    while True:
        s = (s * 1103515245 + 12345) % 2147483648
        yield s


def make_data(n, ks, seed, stage):
    g = lcg(seed)
    nxt = lambda: (next(g) % 4001 - 2000) / 256.0  # exact in binary
    common = [nxt() for _ in range(n)]
    eqs = []
    for e, k in enumerate(ks):
        X = [[nxt() for _ in range(k - 1)] + [1.0] for _ in range(n)]
        # First-stage values: the observed ones moved a little.
        Z = [[x + (nxt() / 16.0 if stage else 0.0) for x in row[:-1]] + [1.0] for row in X]
        y = [sum((j + 1 + e) * 0.5 * X[t][j] for j in range(k - 1)) + (e + 1) + common[t] * (0.5 + e) + nxt()
             for t in range(n)]
        eqs.append((X, Z, y))
    return eqs


def sur(eqs, limit):
    G = len(eqs)
    n = len(eqs[0][2])
    ks = [len(e[0][0]) for e in eqs]
    off = [sum(ks[:i]) for i in range(G + 1)]
    K = off[G]
    S = matrix(G, G)
    for i in range(G):
        S[i, i] = 1
    prev = [[mpf(1)] * G for _ in range(G)]
    its = 0
    for it in range(limit):
        W = S ** -1
        used = S.copy()
        M = matrix(K, K)
        r = matrix(K, 1)
        for i in range(G):
            Xi, Zi, yi = eqs[i]
            for a in range(ks[i]):
                for j in range(G):
                    Xj, Zj, yj = eqs[j]
                    for b in range(ks[j]):
                        M[off[i] + a, off[j] + b] = W[i, j] * sum(mpf(Zi[t][a]) * Xj[t][b] for t in range(n))
                    r[off[i] + a] += W[i, j] * sum(mpf(Zi[t][a]) * yj[t] for t in range(n))
        Minv = M ** -1
        beta = Minv * r
        res = []
        for i in range(G):
            Xi, Zi, yi = eqs[i]
            res.append([yi[t] - sum(mpf(Xi[t][a]) * beta[off[i] + a] for a in range(ks[i])) for t in range(n)])
        S = matrix(G, G)
        for i in range(G):
            for j in range(G):
                S[i, j] = sum(res[i][t] * res[j][t] for t in range(n)) / sqrt((n - ks[i]) * (n - ks[j]))
        its = it + 1
        d = max(abs((S[i, j] - prev[i][j]) / prev[i][j]) for i in range(G) for j in range(i, G))
        if d < mpf('1.1920929e-07'):
            break
        prev = [[S[i, j] for j in range(G)] for i in range(G)]
    U = cholesky(S ** -1).T  # upper factor: W = U'U
    lev = []
    for g in range(G):
        h = []
        for t in range(n):
            z = matrix(K, 1)
            for j in range(G):
                for b in range(ks[j]):
                    z[off[j] + b] = U[g, j] * eqs[j][0][t][b]
            h.append((z.T * Minv * z)[0])
        lev.append(h)
    coef = [[beta[off[i] + a] for a in range(ks[i])] for i in range(G)]
    se = [[sqrt(Minv[off[i] + a, off[i] + a]) for a in range(ks[i])] for i in range(G)]
    # The covariance block is read from its upper triangle (Z'WX is not
    # symmetric in the three-stage form).
    cov = [[Minv[off[i] + min(a, b), off[i] + max(a, b)] for a in range(ks[i]) for b in range(ks[i])]
           for i in range(G)]
    return dict(its=its, coef=coef, se=se, cov=cov, res=res, lev=lev,
                sigma=[S[i, j] for i in range(G) for j in range(G)],
                used=[used[i, j] for i in range(G) for j in range(G)])


def num(x):
    return repr(float(x))


def rows(table):
    return "{" + ",\n ".join("{" + ", ".join(num(v) for v in row) + "}" for row in table) + "}"


def emit(name, r):
    print(f"// {name}: {r['its']} iterations")
    print(f"const SurFigures k{name} = {{{r['its']},")
    for key in ("coef", "se", "cov", "res", "lev"):
        print(rows(r[key]) + ",")
    print("{" + ", ".join(num(v) for v in r["used"]) + "},")
    print("{" + ", ".join(num(v) for v in r["sigma"]) + "}};")


def emit_data(name, eqs):
    print(f"const std::vector<EquationData> k{name} = {{")
    for X, Z, y in eqs:
        zs = "{}" if Z == X else rows(Z)  # empty: the same as X
        print(" {" + rows(X) + ",\n  " + zs + ",\n  {" + ", ".join(num(v) for v in y) + "}},")
    print("};")


if __name__ == "__main__":
    plain = make_data(10, [3, 4, 2], 7, False)
    stage = make_data(10, [3, 2, 3], 11, True)
    emit_data("Plain", plain)
    emit_data("Stage", stage)
    emit("LeastSquares", sur(plain, 1))
    emit("TwoStep", sur(plain, 2))
    emit("Iterated", sur(plain, 200))
    emit("ThreeStage", sur(stage, 2))

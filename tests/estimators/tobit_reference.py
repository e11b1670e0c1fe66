#!/usr/bin/env python3
"""Independent figures for the Tobit tests.

The censored-normal likelihood maximised by Newton's method in 40-digit
arithmetic (mpmath): analytic gradient, Hessian by central differences of
that gradient, started from least squares. Then Amemiya's information
matrix of (b, sigma^2) at the maximum, inverted. Prints C++ initialisers.
"""
from mpmath import mp, mpf, matrix, ncdf, npdf, log, sqrt, exp

mp.dps = 40


def lcg(seed):
    s = seed
    while True:
        s = (s * 1103515245 + 12345) % 2147483648
        yield s


def make_data(n, seed, shift):
    g = lcg(seed)
    u = lambda: (next(g) % 4001 - 2000) / 1024.0  # exact in binary
    rows = []
    for _ in range(n):
        x1, x2 = u() * 2, u()
        e = u() + u() + u()
        y = max(0.0, shift + 0.75 * x1 - 1.25 * x2 + e)
        rows.append([x1, x2, 1.0, y])
    return rows


def ols(rows):
    m = len(rows[0]) - 1
    A = matrix(m, m)
    c = matrix(m, 1)
    for r in rows:
        for a in range(m):
            c[a] += mpf(r[a]) * r[m]
            for b in range(m):
                A[a, b] += mpf(r[a]) * r[b]
    b = A ** -1 * c
    sse = sum((r[m] - sum(mpf(r[a]) * b[a] for a in range(m))) ** 2 for r in rows)
    return [b[a] for a in range(m)], sse


def negll(rows, th):
    m = len(th) - 1
    s = th[m]
    tot = mpf(0)
    for r in rows:
        z = (r[m] - sum(mpf(r[a]) * th[a] for a in range(m))) / s
        if r[m] > 0:
            tot += log(s) + log(2 * mp.pi) / 2 + z * z / 2
        else:
            tot -= log(ncdf(z))
    return tot


def grad(rows, th):
    """Gradient of the log-likelihood."""
    m = len(th) - 1
    s = th[m]
    g = [mpf(0)] * (m + 1)
    for r in rows:
        z = (r[m] - sum(mpf(r[a]) * th[a] for a in range(m))) / s
        if r[m] > 0:
            for a in range(m):
                g[a] += z * r[a] / s
            g[m] += -1 / s + z * z / s
        else:
            lam = npdf(z) / ncdf(z)
            for a in range(m):
                g[a] += lam * (-r[a] / s)
            g[m] += lam * (-z / s)
    return g


def tobit(rows):
    m = len(rows[0]) - 1
    b, sse = ols(rows)
    n = len(rows)
    th = b + [sqrt(sse / (n - m))]
    h = mpf('1e-12')
    for _ in range(100):
        g = grad(rows, th)
        H = matrix(m + 1, m + 1)
        for j in range(m + 1):
            tp = list(th); tp[j] += h
            tm = list(th); tm[j] -= h
            gp, gm = grad(rows, tp), grad(rows, tm)
            for i in range(m + 1):
                H[i, j] = (gp[i] - gm[i]) / (2 * h)
        step = H ** -1 * matrix(g)
        t = mpf(1)
        base = negll(rows, th)
        while True:
            cand = [th[i] - t * step[i] for i in range(m + 1)]
            if cand[m] > 0 and negll(rows, cand) <= base + mpf('1e-30'):
                break
            t /= 2
        th = cand
        if max(abs(t * step[i]) for i in range(m + 1)) < mpf('1e-30'):
            break
    return th, b, sse


def amemiya(rows, beta, s):
    m = len(beta)
    p = m + 1
    I = matrix(p, p)
    for r in rows:
        z = sum(mpf(r[a]) * beta[a] for a in range(m)) / s
        phi = npdf(z)
        Phi = ncdf(z)
        Q = 1 - Phi
        a = -(z * phi - phi ** 2 / Q - Phi) / s ** 2
        bb = (z ** 2 * phi + phi - z * phi ** 2 / Q) / (2 * s ** 3)
        c = -(z ** 3 * phi + z * phi - z ** 2 * phi ** 2 / Q - 2 * Phi) / (4 * s ** 4)
        for j in range(m):
            for l in range(m):
                I[j, l] += a * r[j] * r[l]
            I[j, m] += bb * r[j]
            I[m, j] += bb * r[j]
        I[m, m] += c
    V = I ** -1
    return [V[j, j] for j in range(p)]


def num(x):
    return repr(float(x))


def emit(name, rows):
    th, b, sse = tobit(rows)
    m = len(rows[0]) - 1
    n = len(rows)
    var = amemiya(rows, th[:m], th[m])
    cens = sum(1 for r in rows if r[m] <= 0)
    print(f"// {name}: n = {n}, {cens} censored")
    print(f"const TobitCase k{name} = {{")
    print(" {" + ",\n  ".join("{" + ", ".join(num(v) for v in r) + "}" for r in rows) + "},")
    print(" {" + ", ".join(num(v) for v in b) + "}, " + num(sqrt(sse / (n - m))) + ",")
    print(" {" + ", ".join(num(v) for v in th[:m]) + "}, " + num(th[m]) + ",")
    print(" {" + ", ".join(num(v) for v in var) + "},")
    print(" " + num(negll(rows, th)) + ", " + num(sqrt(sse / n)) + "};")


if __name__ == "__main__":
    emit("Censored", make_data(40, 5, 0.25))
    emit("Uncensored", make_data(30, 9, 12.0))

#!/usr/bin/env python3
"""Writes the golden instrumental-variable reports from exact arithmetic.

y on x1, x2 and the constant term, x2 instrumented by w. Every number is
worked out here with fractions from the definitions (two-stage least
squares, leave-one-out refits for the deleted figures); only square roots
and the distribution levels use mpmath at 50 digits. The layout follows the
report's rules: 4-byte number fields, 12-byte value fields, blocks of
(margin - 4) / 12 columns, CP932 with line feeds.

    python3 make_golden.py        # writes margin80.txt and margin100.txt
"""
from fractions import Fraction as F
import os
import mpmath as mp

mp.mp.dps = 50

X1 = [1, 2, 3, 4, 5, 6, 7, 8, 9]
X2 = [F(3, 2), 2, F(7, 2), 3, F(11, 2), 4, 7, F(13, 2), 9]
W = [2, 1, 4, 3, 6, 5, 8, 7, 9]
Y = [3, 5, 6, 9, 10, 14, 13, 21, 18]
N = len(Y)
P = 3  # x1, x2, constant

X = [[F(X1[t]), F(X2[t]), F(1)] for t in range(N)]
Z = [[F(X1[t]), F(W[t]), F(1)] for t in range(N)]
YF = [F(v) for v in Y]


# --- exact linear algebra ---------------------------------------------------
def transpose(a):
    return [list(r) for r in zip(*a)]


def mul(a, b):
    return [[sum(a[i][k] * b[k][j] for k in range(len(b))) for j in range(len(b[0]))] for i in range(len(a))]


def inverse(a):
    n = len(a)
    m = [list(a[i]) + [F(int(i == j)) for j in range(n)] for i in range(n)]
    for c in range(n):
        piv = next(r for r in range(c, n) if m[r][c] != 0)
        m[c], m[piv] = m[piv], m[c]
        d = m[c][c]
        m[c] = [v / d for v in m[c]]
        for r in range(n):
            if r != c and m[r][c] != 0:
                f = m[r][c]
                m[r] = [vr - f * vc for vr, vc in zip(m[r], m[c])]
    return [row[n:] for row in m]


def vec(m):
    return [r[0] for r in m]


def col(v):
    return [[x] for x in v]


def two_sls(xr, zr, yr):
    """b = (Z'X)^-1 Z'y, residuals against X, and the covariance factor."""
    zt = transpose(zr)
    ainv = inverse(mul(zt, xr))
    b = vec(mul(ainv, mul(zt, col(yr))))
    e = [yr[t] - sum(xr[t][k] * b[k] for k in range(P)) for t in range(len(yr))]
    cf = mul(mul(ainv, mul(zt, zr)), transpose(ainv))
    return b, e, cf, ainv


def tss_of(yr):
    m = sum(yr) / len(yr)
    return sum((v - m) ** 2 for v in yr)


b, e, CF, AINV = two_sls(X, Z, YF)
rss = sum(v * v for v in e)
df = N - P
s2 = rss / df
tss = tss_of(YF)
varY = tss / (N - 1)
fitted = [YF[t] - e[t] for t in range(N)]

EPS = F(1, 2 ** 23)


def zero_below_eps(x):
    return x if x >= EPS else F(0)


r2 = zero_below_eps(1 - rss / tss)
adjr2 = zero_below_eps(1 - s2 / varY)

# Hat forms: P = X (Z'X)^-1 Z' on the diagonal, (P P')_tt, and the
# projection on Z.
ZZINV = inverse(mul(transpose(Z), Z))


def quad(u, m, v):
    return sum(u[i] * m[i][j] * v[j] for i in range(P) for j in range(P))


hatA = [quad(X[t], AINV, Z[t]) for t in range(N)]
hatB = [quad(X[t], CF, X[t]) for t in range(N)]
hatC = [quad(Z[t], ZZINV, Z[t]) for t in range(N)]
press = [e[t] / (1 - hatA[t]) for t in range(N)]

# Leave-one-out refits.
deleted = []
for t in range(N):
    keep = [r for r in range(N) if r != t]
    bt, et, cft, _ = two_sls([X[r] for r in keep], [Z[r] for r in keep], [YF[r] for r in keep])
    rsst = sum(v * v for v in et)
    s2t = rsst / (N - 1 - P)
    deleted.append({"b": bt, "cf": cft, "s2": s2t, "rss": rsst, "tss": tss_of([YF[r] for r in keep])})

sqrt = lambda x: mp.sqrt(mp.mpf(x.numerator) / x.denominator) if isinstance(x, F) else mp.sqrt(x)
mpf = lambda x: mp.mpf(x.numerator) / x.denominator

# --- distribution levels -----------------------------------------------------
def t_two_sided_p(dfree, t):
    t = abs(mp.mpf(t))
    return mp.betainc(mp.mpf(dfree) / 2, mp.mpf(1) / 2, 0, dfree / (dfree + t * t), regularized=True)


def chi2_upper_p(dfree, x):
    return mp.gammainc(mp.mpf(dfree) / 2, mp.mpf(x) / 2, mp.inf, regularized=True)


near_steps = []


def stepped_level(p, what):
    """The level in 0.1 % steps: the first step i / 1000 reaching p. A p
    close to a step (where the program's approximate quantiles could fall
    on the other side) is listed for a look."""
    scaled = p * 1000
    i = int(mp.ceil(scaled))
    near = [10, 50] if what == "student" else None  # marks read only 1 % and 5 %
    if (near is None and abs(scaled - mp.nint(scaled)) < mp.mpf("0.02")) or \
            (near and min(abs(scaled - k + 1) for k in near) < mp.mpf("0.02")):
        near_steps.append((what, p))
    return min(max(i, 1), 1000) / 10.0


def f_upper_quantile_1(df2, p):
    # F(1, df2) upper p quantile = (two-sided t quantile)^2
    tq = mp.findroot(lambda t: t_two_sided_p(df2, t) - p, 2)
    return tq * tq


# --- number texts --------------------------------------------------------------
near_ties = []


def round_half_away(x, places):
    """x (exact) rounded half away from zero to places decimals, as an int of 10^-places."""
    q = abs(x) * 10 ** places
    whole = int(q)
    frac = q - whole
    if abs(frac - F(1, 2)) < F(1, 10 ** 9):
        near_ties.append(x)
    return whole + (1 if frac >= F(1, 2) else 0)


def fixed(x, places=4):
    x = F(x) if not isinstance(x, F) else x
    u = round_half_away(x, places)
    s = "%d.%0*d" % (u // 10 ** places, places, u % 10 ** places)
    return ("-" + s) if x < 0 else s


def to_fraction(x):
    # An mpmath value at its working precision.
    return x if isinstance(x, F) else F(str(mp.mpf(x)))


def number(small_as_fixed, x):
    x = to_fraction(x)
    ax = abs(x)
    if ax < EPS:
        return "0"
    if ax < F(1, 10000) or ax >= 1000000:
        if small_as_fixed and ax < F(1, 10000):
            return "-0.0000" if x < 0 else "0.0000"
        raise SystemExit("exponent form not covered: %s" % float(x))
    return fixed(x)


def error_rate(x):
    s = fixed(x, 2)
    return s if s.startswith("-") else "+" + s


def cp(s):
    return len(s.encode("cp932"))


def pad(s, width):
    return " " * (width - cp(s)) + s


def percent(level):
    return "%.1f%%" % level


# --- marks -------------------------------------------------------------------------
SINGLE, DOUBLE = "* ", "**"


def student_mark(t):
    # Level of t with df - 1 residual degrees of freedom, in 0.1 % steps:
    # below 1 % "**", below 5 % "* ".
    level = stepped_level(t_two_sided_p(df - 1, t), "student")
    if level < 1.0:
        return DOUBLE
    if level < 5.0:
        return SINGLE
    return ""


cov_low = 1 - F(3 * P, N)
cov_high = 1 + F(3 * P, N)
dffits_cut = 2 * mp.sqrt(mp.mpf(P) / df)
welsch_cut = 2 * mp.sqrt(mp.mpf(P * N * (N - 1))) / df
fq = f_upper_quantile_1(df - 1, mp.mpf("0.1"))
cook_cut = fq / (fq + df - 1)
dfbeta_cut = 2 / mp.sqrt(N)

# --- the per-observation figures ----------------------------------------------------
rows = []
for t in range(N):
    d = deleted[t]
    s2t = d["s2"]
    w = 1 - 2 * hatA[t] + hatB[t]
    standardized = mpf(e[t]) / sqrt(s2 * w)
    residual_sd = sqrt(w * s2t)
    studentized = mpf(e[t]) / residual_sd
    dt = press[t]
    dd = hatC[t] * dt * dt
    welsch = sqrt(dd / (w * s2t / (N - 1)))
    dffits = sqrt(dd / s2t) * (1 if dt >= 0 else -1)
    cook = dd / (P * s2)
    covratio = (s2t / s2) ** P * (1 - hatC[t]) / (1 - hatA[t]) ** 2
    r2t = 1 - d["rss"] / d["tss"]
    adjr2t = zero_below_eps(1 - (d["rss"] / (N - 1 - P)) / (d["tss"] / (N - 2)))
    tdel = [mpf(d["b"][k]) / sqrt(d["cf"][k][k] * s2t) for k in range(P)]
    raw = [b[k] - d["b"][k] for k in range(P)]
    scaled = [mpf(raw[k]) / sqrt(CF[k][k] * s2t) for k in range(P)]
    rows.append(dict(w=w, standardized=standardized, residual_sd=residual_sd, studentized=studentized,
                     welsch=welsch, dffits=dffits, cook=cook, covratio=covratio, r2t=r2t, adjr2t=adjr2t,
                     tdel=tdel, raw=raw, scaled=scaled))

# --- summary tests -------------------------------------------------------------------
# Specification test: least squares on the observed data against the
# instrumental estimate.
XT = transpose(X)
XXINV = inverse(mul(XT, X))
bols = vec(mul(XXINV, mul(XT, col(YF))))
eols = [YF[t] - sum(X[t][k] * bols[k] for k in range(P)) for t in range(N)]
s2ols = sum(v * v for v in eols) / df
q = [b[k] - bols[k] for k in range(P)]
diff = [[s2 * CF[i][j] - s2ols * XXINV[i][j] for j in range(P)] for i in range(P)]
spec = quad(q, inverse(diff), q)
if spec < 0:
    raise SystemExit("specification test negative")

# n r^2 of the fitted values against the squared residuals.
e2 = [v * v for v in e]
mfit, me2 = sum(fitted) / N, sum(e2) / N
sxy = sum((fitted[t] - mfit) * (e2[t] - me2) for t in range(N))
sxx = sum((v - mfit) ** 2 for v in fitted)
syy = sum((v - me2) ** 2 for v in e2)
gk = N * sxy * sxy / (sxx * syy)
emean = sum(e) / N
dw = sum((e[t] - e[t - 1]) ** 2 for t in range(1, N)) / sum((v - emean) ** 2 for v in e)


# --- the report --------------------------------------------------------------------
def report(margin):
    per = (max(margin, 80) - 4) // 12
    names = ["x1", "x2", "定数項"]
    numbers = [1, 2, 5]
    out = []
    out.append("【sample】 における操作変数推定量の分析")
    out.append("全データ")
    out.append("")
    out.append("【パラメータ推定】")
    out.append("")
    out.append("目的変数名 ： y")
    out.append(pad("番号", 4) + pad("変数名", 12) + pad("β推定値", 12) + pad("β標準誤差", 12) + pad("ｔ値", 20))
    for k in range(P):
        se = sqrt(s2 * CF[k][k])
        tv = mpf(b[k]) / se
        level = stepped_level(t_two_sided_p(df, tv), "t")
        out.append(pad(str(numbers[k]), 4) + pad(names[k], 12) + pad(number(False, b[k]), 12) +
                   pad(number(False, se), 12) + pad(number(True, tv) + " (" + percent(level) + ")", 20))
    out.append("")
    out.append("残差標準偏差 = " + number(False, sqrt(s2)))
    out.append("決定係数 = " + number(False, r2) + " (自由度修正済R^2 = " + number(False, adjr2) + ")")
    out.append("特定化検定 = " + number(False, spec) + " (" +
               percent(stepped_level(chi2_upper_p(P, mpf(spec)), "spec")) + ")")
    out.append("ＧＫ統計量 = " + number(True, gk) + " (" +
               percent(stepped_level(chi2_upper_p(1, mpf(gk)), "gk")) + ")")
    out.append("ダービン・ワトソン比 = " + number(False, dw))
    out.append("")

    def blocks(heading, columns, cell):
        """Heading on the first block's title line; columns cut by per."""
        first = True
        for start in range(0, len(columns), per):
            part = columns[start:start + per]
            title = " " * 4 + "".join(pad(c, 12) for c in part)
            if first and heading:
                out.append(heading)
            elif not first:
                out.append("")
            first = False
            out.append(title)
            for t in range(N):
                out.append(pad(str(t + 1), 4) + "".join(pad(cell(c, t), 12) for c in part))

    data_cols = {"x1": X1, "x2": X2, "y": Y}
    blocks("【データ】", ["x1", "x2", "y"], lambda c, t: number(False, F(data_cols[c][t])))
    design_cols = {"x1": X1, "x2": W}
    out.append("")
    blocks("【操作変数】", ["x1", "x2"], lambda c, t: number(False, F(design_cols[c][t])))
    out.append("")
    diag_titles = ["観測値", "予測値", "残差", "誤差率(%)", "PRESS残差", "SIG(RES)", "r(i)", "t(i)", "残差平方", "作用点"]

    def diag(c, t):
        r = rows[t]
        i = diag_titles.index(c) + 1
        if i == 1:
            return number(False, YF[t])
        if i == 2:
            return number(False, fitted[t])
        if i == 3:
            return number(True, e[t])
        if i == 4:
            return error_rate(100 * e[t] / YF[t])
        if i == 5:
            return number(False, press[t])
        if i == 6:
            return number(False, r["residual_sd"])
        if i == 7:
            return number(False, r["standardized"])
        if i == 8:
            return student_mark(r["studentized"]) + number(False, r["studentized"])
        if i == 9:
            return number(False, e[t] * e[t] / rss)
        return number(False, hatB[t])

    blocks("【回帰診断】", diag_titles, diag)
    out.append("")
    out.append("【影響分析】")
    infl_titles = ["COVRATIO", "DFFITS", "Cook's D", "W(i)", "R^2(i)", "R'^2(i)"]
    out.append(" " * 4 + "".join(pad(c, 12) for c in infl_titles))
    for t in range(N):
        r = rows[t]
        cov = r["covratio"]
        cells = [(SINGLE if cov < cov_low or cov > cov_high else "") + number(False, cov),
                 (SINGLE if abs(r["dffits"]) > dffits_cut else "") + number(False, r["dffits"]),
                 (SINGLE if mpf(r["cook"]) > cook_cut else "") + number(False, r["cook"]),
                 (SINGLE if r["welsch"] > welsch_cut else "") + number(False, r["welsch"]),
                 number(True, r["r2t"]), number(True, r["adjr2t"])]
        out.append(pad(str(t + 1), 4) + "".join(pad(c, 12) for c in cells))
    out.append("")
    blocks("", ["t1(i)", "t2(i)", "t5(i)"],
           lambda c, t: number(False, rows[t]["tdel"][["t1(i)", "t2(i)", "t5(i)"].index(c)]))
    out.append("")
    pairs = max(per // 2, 1)
    for start in range(0, P, pairs):
        part = list(range(start, min(P, start + pairs)))
        out.append(" " * 4 + "".join(pad("B%d-B%d(i)" % (numbers[k], numbers[k]), 12) +
                                     pad("DFBETAS%d(i)" % numbers[k], 12) for k in part))
        for t in range(N):
            r = rows[t]
            line = pad(str(t + 1), 4)
            for k in part:
                sc = r["scaled"][k]
                mark = SINGLE if abs(sc) > dfbeta_cut else ""
                line += pad(number(False, r["raw"][k]), 12)
                line += pad(mark + number(False, sc), 12)
            out.append(line)
        if start + pairs < P:
            out.append("")
    return "\n".join(out) + "\n"


here = os.path.dirname(os.path.abspath(__file__))
for margin in (80, 100):
    with open(os.path.join(here, "margin%d.txt" % margin), "wb") as f:
        f.write(report(margin).encode("cp932"))
print("near rounding ties:", [float(x) for x in near_ties])
print("near level steps:", [(w, mp.nstr(p, 12)) for w, p in near_steps])
print("cut-offs: covratio", float(cov_low), float(cov_high), "dffits", mp.nstr(dffits_cut, 8), "cook",
      mp.nstr(cook_cut, 8), "W", mp.nstr(welsch_cut, 8), "dfbeta", mp.nstr(dfbeta_cut, 8))

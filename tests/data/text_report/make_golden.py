#!/usr/bin/env python3
"""Builds the expected main text reports byte by byte.

Every number is computed here from the data with textbook formulas in
50-digit arithmetic (mpmath), then formatted by the report's layout rules:
CP932 text, LF line ends, right-justified 12-byte fields, column blocks
from the margin. Run from this folder: python3 make_golden.py
"""
import math
from decimal import Decimal, ROUND_HALF_UP

import mpmath as mp

mp.mp.dps = 50
DISPLAY_ZERO = 1.1920928955078125e-07
# Printed values that lie within a millionth of a unit of the last
# decimal from a rounding tie (listed at the end; the test must still pass).
NEAR_TIES = []

# ---------------------------------------------------------------- text ---

def cp(s):
    return s.encode('cp932')


def pad(s, w):
    """Right-justified in w CP932 bytes; a longer text keeps its last w
    bytes, never half a character (a blank takes the place of one)."""
    b = cp(s)
    if len(b) <= w:
        return ' ' * (w - len(b)) + s
    out, used = '', 0
    for ch in reversed(s):
        n = len(cp(ch))
        if used + n > w:
            break
        out, used = ch + out, used + n
    return ' ' * (w - used) + out


def fixed(x, places):
    q = Decimal(1).scaleb(-places)
    d = Decimal(x)
    # A value this close to a rounding tie could round either way in the
    # program's double arithmetic; such data are not used.
    tail = abs(d.scaleb(places) - d.scaleb(places).to_integral_value(rounding='ROUND_FLOOR') - Decimal('0.5'))
    if tail < Decimal('1e-6') and d != d.quantize(q):
        NEAR_TIES.append(x)
    return str(d.quantize(q, rounding=ROUND_HALF_UP))


def expo(x):
    d = Decimal(x)
    sign = '-' if d < 0 else ''
    d = abs(d)
    if d == 0:
        return '0.0000e+0'
    e = d.adjusted()
    m = (d.scaleb(-e)).quantize(Decimal('0.0001'), rounding=ROUND_HALF_UP)
    if m >= 10:
        e += 1
        m = (d.scaleb(-e)).quantize(Decimal('0.0001'), rounding=ROUND_HALF_UP)
    return '%s%se%s%d' % (sign, m, '+' if e >= 0 else '-', abs(e))


def fmt(x, small_fixed=False):
    x = float(x)
    if math.isnan(x):
        return 'NAN'
    if math.isinf(x):
        return 'INF' if x > 0 else '-INF'
    ax = abs(x)
    if ax < DISPLAY_ZERO:
        return '0'
    if ax < 1e-4:
        if small_fixed:
            return '-0.0000' if x < 0 else '0.0000'
        return expo(x)
    if ax >= 1e6:
        return expo(x)
    return fixed(x, 4)


def num(x, w=12):
    return pad(fmt(x), w)


def pct(v):
    return fixed(v, 1) + '%'


def signed(x, places):
    x = float(x)
    r = fixed(abs(x), places)
    assert float(r) != 0.0 or x == 0.0, 'sign of a value rounded to zero'
    return ('-' if x < 0 else '+') + r


def error_rate(v):
    v = float(v)
    if v > 9999:
        return '+∞'
    if v < -9999:
        return '-∞'
    return signed(v, 2)

# --------------------------------------------------------- distributions ---

def norm_upper_quantile(p):
    return float(-mp.sqrt(2) * mp.erfinv(2 * mp.mpf(p) - 1))


def t_quantile_cf(df, p):
    """The five-term Cornish-Fisher t quantile the levels are stepped on."""
    z = norm_upper_quantile(p)
    v = float(df)
    z2 = z * z
    return z * (1 + (z2 + 1) / (4 * v) + (5 * z2**2 + 16 * z2 + 3) / (96 * v**2)
                + (3 * z2**3 + 19 * z2**2 + 17 * z2 - 15) / (384 * v**3)
                + (79 * z2**4 + 776 * z2**3 + 1482 * z2**2 - 1920 * z2 - 945) / (92160 * v**4)
                + (27 * z2**5 + 339 * z2**4 + 930 * z2**3 - 1782 * z2**2 - 765 * z2 + 17955) / (368640 * v**5))


def stepped(exceeded):
    i = 1
    while i < 1000 and not exceeded(i):
        i += 1
    return min(i, 1000) * 0.1


def not_on_step(a, crit):
    # The program steps in single precision: a statistic this close to a
    # step could land on either side, so such data are not used.
    assert abs(a - crit) > 1e-5 * abs(crit), 'statistic %r on a step %r' % (a, crit)


def t_level(df, t):
    a = abs(float(t))
    level = stepped(lambda i: t_quantile_cf(df, i / 2000.0) <= a)
    i = round(level * 10)
    for j in (i - 1, i):
        if 1 <= j < 1000:
            not_on_step(a, t_quantile_cf(df, j / 2000.0))
    return level


def chi1_level(x):
    x = float(x)
    level = stepped(lambda i: norm_upper_quantile(0.5 * i / 1000.0) ** 2 < x)
    i = round(level * 10)
    for j in (i - 1, i):
        if 1 <= j < 1000:
            not_on_step(x, norm_upper_quantile(0.5 * j / 1000.0) ** 2)
    return level


def f1_upper(df2, p):
    # F(1, v) upper p point = square of the t(v) upper p/2 point.
    v = mp.mpf(df2)
    cdf = lambda t: 1 - mp.betainc(v / 2, mp.mpf(1) / 2, 0, v / (v + t * t), regularized=True) / 2
    t = mp.findroot(lambda t: cdf(t) - (1 - mp.mpf(p) / 2), 2)
    return float(t * t)

# ---------------------------------------------------------------- algebra ---

def inverse(a):
    return mp.inverse(mp.matrix(a))


def ols(x_cols, y):
    """x_cols: explanatory columns then the constant column."""
    n, p = len(y), len(x_cols)
    X = mp.matrix(n, p)
    for i in range(n):
        for j in range(p):
            X[i, j] = mp.mpf(x_cols[j][i])
    Y = mp.matrix([mp.mpf(v) for v in y])
    C = mp.inverse(X.T * X)
    b = C * (X.T * Y)
    return X, Y, C, b


def mean(v):
    return mp.fsum(mp.mpf(x) for x in v) / len(v)


def sd(v):
    m = mean(v)
    return mp.sqrt(mp.fsum((mp.mpf(x) - m) ** 2 for x in v) / (len(v) - 1))


def corr(a, b):
    ma, mb = mean(a), mean(b)
    sab = mp.fsum((mp.mpf(x) - ma) * (mp.mpf(y) - mb) for x, y in zip(a, b))
    saa = mp.fsum((mp.mpf(x) - ma) ** 2 for x in a)
    sbb = mp.fsum((mp.mpf(y) - mb) ** 2 for y in b)
    return sab / mp.sqrt(saa * sbb)


def vifs(cols):
    m = len(cols)
    if m < 2:
        return [1.0] * m
    R = mp.matrix(m, m)
    for i in range(m):
        for j in range(m):
            R[i, j] = corr(cols[i], cols[j])
    Ri = mp.inverse(R)
    return [Ri[i, i] for i in range(m)]

# ---------------------------------------------------------------- report ---

TYPE_NAMES = ['未定義', '内生変数', '外生変数', 'ラグ付き内生変数']
DIAG_TITLES = ['観測値', '予測値', '残差', '誤差率(%)', 'PRESS残差', 'SIG(RES)', 'r(i)', 't(i)', '残差平方', '作用点']
INFL_TITLES = ['COVRATIO', 'DFFITS', "Cook's D", 'W(i)', 'R^2(i)', "R'^2(i)"]


def blocks(count, per):
    per = max(per, 1)
    a = 0
    while a < count:
        yield a, min(a + per, count)
        a += per


def fit(case):
    cols, dep, expl = case['cols'], case['dep'], sorted(case['expl'])
    n, k = len(cols[0]), len(cols)
    y = cols[dep]
    design = design_columns(case)
    Z, Y, C, b = ols([design[j] for j in expl] + [[1.0] * n], y)
    # Fitted values and residuals from the observed explanatory values.
    X, _, _, _ = ols([cols[j] for j in expl] + [[1.0] * n], y) if case.get('two_stage') else (Z, Y, C, b)
    p = len(expl) + 1
    df = n - p
    fitted = X * b
    e = [Y[i] - fitted[i] for i in range(n)]
    sse = mp.fsum(v * v for v in e)
    ybar = mean(y)
    syy = mp.fsum((mp.mpf(v) - ybar) ** 2 for v in y)
    s2 = sse / df
    h = []
    for i in range(n):
        zi = Z[i, :]
        h.append((zi * C * zi.T)[0, 0])
    r = dict(n=n, k=k, p=p, df=df, X=X, C=C, b=b, e=e, sse=sse, s2=s2, h=h, y=y, ybar=ybar, syy=syy,
             fitted=fitted)
    # A fit worse than the mean (two-stage) shows 0.
    r['r2'] = max(1 - sse / syy, 0)
    r['adj'] = max(1 - s2 / (syy / (n - 1)), 0)
    r['design'] = design
    # Heteroskedasticity: n r^2 of the fitted values against e^2.
    e2 = [v * v for v in e]
    mx, my = mean([fitted[i] for i in range(n)]), mean(e2)
    sxx = mp.fsum((fitted[i] - mx) ** 2 for i in range(n))
    see = mp.fsum((v - my) ** 2 for v in e2)
    sxy = mp.fsum((fitted[i] - mx) * (e2[i] - my) for i in range(n))
    r['g'] = n * sxy ** 2 / (sxx * see) if sxx * see > 2.220446049250313e-16 else mp.mpf(0)
    em = mean(e)
    den = mp.fsum((v - em) ** 2 for v in e)
    r['dw'] = mp.fsum((e[i] - e[i - 1]) ** 2 for i in range(1, n)) / den if den != 0 else mp.mpf(0)
    # Per observation.
    rows = {c: [] for c in list(range(19))}
    coef_index = {j: c for c, j in enumerate(expl)}
    coef_index[k] = p - 1
    r['coef_index'] = coef_index
    r['dfbeta'] = {j: [] for j in coef_index}
    r['tdel'] = {j: [] for j in expl}
    for i in range(n):
        ei, hi = e[i], h[i]
        q = 1 - hi
        s2i = (sse - ei * ei / q) / (df - 1)
        v = q * s2i
        if v < DISPLAY_ZERO:
            v = mp.mpf(DISPLAY_ZERO)
        press = ei / q
        yi = mp.mpf(y[i])
        rows[0].append(yi)
        rows[1].append(fitted[i])
        rows[2].append(ei)
        rows[3].append(100 * ei / yi if abs(yi) >= 2.220446049250313e-16 else mp.mpf(999900))
        rows[4].append(press)
        rows[5].append(mp.sqrt(v))
        rows[6].append(ei / mp.sqrt(s2 * q))
        rows[7].append(ei / mp.sqrt(v))
        rows[8].append(ei * ei / sse)
        rows[9].append(hi)
        rows[12].append(s2i)
        rows[13].append((s2i / s2) ** p / q)
        rows[14].append(mp.sqrt(hi) * ei / (mp.sqrt(s2i) * q))
        rows[15].append(hi * press ** 2 / (p * s2))
        rows[16].append(mp.sqrt(hi * press ** 2 * (n - 1) / (q * s2i)))
        r2i = 1 - (sse - ei * press) / (syy - (yi - ybar) ** 2 * n / (n - 1))
        rows[17].append(r2i)
        a2 = 1 - mp.mpf(n - 2) / (df - 1) * (1 - r2i)
        rows[18].append(a2 if a2 >= DISPLAY_ZERO else mp.mpf(0))
        # Leaving observation i out: b - b(i) = C z_i e_i / (1 - h_i).
        zi = Z[i, :]
        c = C * zi.T
        for j, m in coef_index.items():
            d = c[m] * press
            r['dfbeta'][j].append((d, d / mp.sqrt(C[m, m] * s2i)))
            if j in r['tdel']:
                r['tdel'][j].append((b[m] - d) / mp.sqrt((c[m] ** 2 / q + C[m, m]) * s2i))
    r['rows'] = rows
    return r


def design_columns(case):
    """The regressors' columns: observed values, or with two-stage least
    squares the endogenous ones replaced by their fit on every exogenous and
    lagged variable and the constant."""
    cols, types = case['cols'], case['types']
    if not case.get('two_stage'):
        return cols
    n = len(cols[0])
    inst = [cols[j] for j in range(len(cols)) if types[j] in (2, 3)] + [[1.0] * n]
    out = []
    for j, c in enumerate(cols):
        if types[j] == 1 and j != case['dep']:
            W, _, _, g = ols(inst, c)
            fitted = W * g
            out.append([fitted[i] for i in range(n)])
        else:
            out.append(c)
    return out


def report(case):
    o = case['options']
    M = max(o.get('margin', 80), 80)
    cols, names, types, infos = case['cols'], case['names'], case['types'], case['infos']
    dep, expl = case['dep'], sorted(case['expl'])
    f = fit(case)
    n, k, p, df = f['n'], f['k'], f['p'], f['df']
    in_model = set(expl) | {dep}
    listed = [j for j in range(k) if not o.get('selected') or j in in_model]
    out = []
    w = out.append
    w('\n【' + case['name'] + '】 における回帰分析の結果\n{\n' + case['info'] + '\n}\n')
    w('【変数リスト】\n' + pad('番号', 4) + pad('変数名', 12) + '：' + pad('タイプ', 16) + '：' + ' コメント\n')
    for j in listed:
        w(pad(str(j + 1), 4) + pad(names[j], 12) + '：' + pad(TYPE_NAMES[types[j]], 16) + '：' + infos[j] + '\n')
    w('\n')
    # Estimates.
    w('【パラメータ推定】' + ('( 二段階最小自乗法 )' if case.get('two_stage') else '') + '\n')
    w('目的変数名 ： ' + names[dep] + '\n')
    w(pad('番号', 4) + pad('変数名', 12) + pad('β推定値', 12) + pad('β標準誤差', 12) + pad('ｔ値', 20) +
      pad('分散拡大要因', 14) + '\n')
    C, b, s2 = f['C'], f['b'], f['s2']

    def tlabel(m):
        se = mp.sqrt(s2 * C[m, m])
        t = b[m] / se
        return num(b[m]) + num(se) + pad(fmt(t, True) + ' (' + pct(t_level(df, t)) + ')', 20)

    w(pad('0', 4) + pad('定数項', 12) + tlabel(p - 1) + '\n')
    vif = vifs([f['design'][j] for j in expl])
    for c, j in enumerate(expl):
        w(pad(str(j + 1), 4) + pad(names[j], 12) + tlabel(c) + pad(fmt(vif[c]), 14) + '\n')
    adj = f['adj'] if f['adj'] >= DISPLAY_ZERO else 0
    w('\n残差標準偏差 = ' + fmt(mp.sqrt(s2)) + '\n')
    w('決定係数 = ' + fmt(f['r2']) + ' (自由度修正済R^2 = ' + fmt(adj) + ')\n')
    w('ＧＫ統計量 = ' + fmt(f['g']) + ' (' + pct(chi1_level(f['g'])) + ')\n')
    w('ダービン・ワトソン比 = ' + fmt(f['dw']) + '\n\n')
    # Data.
    w('【データ】')
    for a, z in blocks(len(listed), (M - 10) // 12):
        part = listed[a:z]
        w('\n' + ' ' * 10 + ''.join(pad(names[j], 12) for j in part) + '\n')
        for i in range(n):
            w(pad(str(i + 1), 10) + ''.join(num(cols[j][i]) for j in part) + '\n')
        for label, g in (('平均値', mean), ('標準偏差', sd), ('最大値', max), ('最小値', min)):
            w(pad(label, 10) + ''.join(num(g(cols[j])) for j in part) + '\n')
    if o.get('correlation', True):
        w('\n【相関行列】')
        for a, z in blocks(len(listed), M // 12 - 1):
            part = listed[a:z]
            w('\n' + ' ' * 12 + ''.join(pad(names[j], 12) for j in part) + '\n')
            for r in listed:
                w(pad(names[r], 12) + ''.join(num(1.0 if r == j else corr(cols[r], cols[j])) for j in part) + '\n')
    rows = f['rows']
    if o.get('residuals', True):
        w('\n【回帰診断】')
        for a, z in blocks(10, (M - 4) // 12):
            w('\n' + ' ' * 4 + ''.join(pad(DIAG_TITLES[c], 12) for c in range(a, z)) + '\n')
            for i in range(n):
                line = pad(str(i + 1), 4)
                for c in range(a, z):
                    v = rows[c][i]
                    if c == 7:
                        lvl = t_level(df - 1, v)
                        mark = '**' if lvl < 1.0 else '* ' if lvl < 5.0 else ''
                        line += pad(mark + fmt(v), 12)
                    elif c == 3:
                        line += pad(error_rate(v), 12)
                    else:
                        line += num(v)
                w(line + '\n')
    if o.get('influence', True):
        w('\n【影響分析】\n' + ' ' * 4 + ''.join(pad(t, 12) for t in INFL_TITLES) + '\n')
        lo, hi = 1 - 3.0 * p / n, 1 + 3.0 * p / n
        dffits_cut = 2 * math.sqrt(p / df)
        fq = f1_upper(df - 1, 0.1)
        cook_cut = fq / (fq + df - 1)
        w_cut = 2 * math.sqrt(p * n * (n - 1)) / df
        for i in range(n):
            cells = [(rows[13][i], rows[13][i] < lo or rows[13][i] > hi),
                     (rows[14][i], abs(rows[14][i]) > dffits_cut),
                     (rows[15][i], rows[15][i] > cook_cut),
                     (rows[16][i], rows[16][i] > w_cut)]
            line = pad(str(i + 1), 4) + ''.join(pad(('* ' if m else '') + fmt(v), 12) for v, m in cells)
            w(line + num(rows[17][i]) + num(rows[18][i]) + '\n')
        for a, z in blocks(len(expl), (M - 4) // 12):
            part = expl[a:z]
            w('\n' + ' ' * 4 + ''.join(pad('t%d(i)' % (j + 1), 12) for j in part) + '\n')
            for i in range(n):
                w(pad(str(i + 1), 4) + ''.join(num(f['tdel'][j][i]) for j in part) + '\n')
        coefs = list(expl) + [k]
        cut = 2 / math.sqrt(n)
        for a, z in blocks(len(coefs), ((M - 4) // 12) // 2):
            part = coefs[a:z]
            head = ''
            for j in part:
                kk = 0 if j == k else j + 1
                head += pad('B%d-B%d(i)' % (kk, kk), 12) + pad('DFBETAS%d(i)' % kk, 12)
            w('\n' + ' ' * 4 + head + '\n')
            for i in range(n):
                line = pad(str(i + 1), 4)
                for j in part:
                    d, s = f['dfbeta'][j][i]
                    line += num(d) + pad(('* ' if abs(s) > cut else '') + fmt(s), 12)
                w(line + '\n')
    if o.get('simultaneous') and case.get('equations'):
        w(system_sections(case, M))
    w('\n')
    return ''.join(out)


def system_sections(case, M):
    cols, names, types = case['cols'], case['names'], case['types']
    n = len(cols[0])
    endo = [names[j] for j in range(len(names)) if types[j] == 1]
    pre = [names[j] for j in range(len(names)) if types[j] in (2, 3)] + ['定数項']
    eqs = sorted(case['equations'], key=lambda e: cp(e[0]))

    def sys_coef(eq, name):
        if name == eq[0]:
            return 1.0
        for nm, c in eq[1]:
            if nm == name:
                return -c
        return 0.0

    out = []
    w = out.append
    w('\n【式】')
    for a, z in blocks(len(eqs), M // 12 - 1):
        w('\n' + ' ' * 12 + ''.join(pad('第%d式' % (e + 1), 12) for e in range(a, z)) + '\n')
        for name in endo + pre:
            w(pad(name, 12) + ''.join(num(sys_coef(eqs[e], name)) for e in range(a, z)) + '\n')
    g = len(endo)
    B = mp.matrix(g, g)
    G = mp.matrix(g, len(pre))
    for i in range(g):
        for j in range(g):
            B[i, j] = sys_coef(eqs[i], endo[j])
        for j in range(len(pre)):
            G[i, j] = sys_coef(eqs[i], pre[j])
    Pi = -(mp.inverse(B) * G)
    w('\n【誘導型】')
    for a, z in blocks(len(pre), M // 12 - 1):
        w('\n' + ' ' * 12 + ''.join(pad(pre[c], 12) for c in range(a, z)) + '\n')
        for r in range(g):
            w(pad(endo[r], 12) + ''.join(num(Pi[r, c]) for c in range(a, z)) + '\n')
    value = lambda name, i: 1.0 if name == '定数項' else cols[names.index(name)][i]
    fitted = [[mp.fsum(Pi[r, c] * value(pre[c], i) for c in range(len(pre))) for r in range(g)] for i in range(n)]
    for title, resid in (('\n【誘導型から導かれた内生変数の予測値】', False), ('\n【内生変数予測値と観測値との残差】', True)):
        w(title)
        for a, z in blocks(g, (M - 4) // 12):
            w('\n' + ' ' * 4 + ''.join(pad(endo[c], 12) for c in range(a, z)) + '\n')
            for i in range(n):
                line = pad(str(i + 1), 4)
                for c in range(a, z):
                    v = fitted[i][c]
                    line += num(value(endo[c], i) - v if resid else v)
                w(line + '\n')
    if case.get('final_form'):
        w('\n【最終型】\n')
        for text in case['final_form']:
            w(text + '\n')
    return ''.join(out)

# ------------------------------------------------------------------ cases ---

LONGLEY = [
    [83.0, 88.5, 88.2, 89.5, 96.2, 98.1, 99.0, 100.0, 101.2, 104.6, 108.4, 110.8, 112.6, 114.2, 115.7, 116.9],
    [234289, 259426, 258054, 284599, 328975, 346999, 365385, 363112, 397469, 419180, 442769, 444546, 482704,
     502601, 518173, 554894],
    [2356, 2325, 3682, 3351, 2099, 1932, 1870, 3578, 2904, 2822, 2936, 4681, 3813, 3931, 4806, 4007],
    [1590, 1456, 1616, 1650, 3099, 3594, 3547, 3350, 3048, 2857, 2798, 2637, 2552, 2514, 2572, 2827],
    [107608, 108632, 109773, 110929, 112075, 113270, 115094, 116219, 117388, 118734, 120445, 121950, 123366,
     125368, 127852, 130081],
    [1947, 1948, 1949, 1950, 1951, 1952, 1953, 1954, 1955, 1956, 1957, 1958, 1959, 1960, 1961, 1962],
    [60323, 61122, 60171, 61187, 63221, 63639, 64989, 63761, 66019, 67857, 68169, 66513, 68655, 69564, 69331,
     70551]]

LONGLEY_CASE = dict(
    name='Longley', info='Longley (1967) 雇用データ',
    cols=LONGLEY,
    # A 13-byte name whose last 12 bytes would start inside a character,
    # and a 17-byte name cut to its last 12.
    names=['DEFLATOR', '国民総生産額A', 'UNEMPLOYED', 'ARMED_FORCES_SIZE', 'POP', 'YEAR', 'EMPLOY'],
    types=[2, 2, 2, 2, 2, 3, 1],
    infos=['GNPデフレータ', '', '失業者数', '軍人数', '14歳以上人口', '年', '総雇用者数'],
    dep=6, expl=[0, 1, 2, 3, 4, 5], options={})

SEM = [
    [5.1, 7.7, 7.4, 4.0, 4.4, 3.9, 6.1, 4.9, 6.5, 1.3, 8.1, 4.8, 6.4, 4.7],
    [2.2, 3.9, 4.6, 2.6, 2.7, 4.4, 1.3, -0.0, 3.8, 1.7, -0.8, 1.4, 2.1, 0.6],
    [-3.0, 0.1, 1.8, -0.5, -1.5, 0.8, 1.4, -0.6, 1.1, 2.1, -0.4, -1.6, 0.7, 0.5],
    [10.2, 5.4, 6.7, 6.3, 4.5, 8.3, 9.1, 6.5, 10.8, 9.6, 9.3, 8.8, 9.9, 5.3],
    [7.84, 6.91, 4.1, 4.14, 5.14, 5.26, 5.75, 4.31, 5.71, 0.47, 9.07, 5.75, 5.89, 4.14],
    [6.39, 2.38, 3.1, 2.67, 2.87, 6.7, 3.09, 2.07, 5.86, 4.46, 2.97, 5.13, 3.01, 2.05],
    [9.78, 9.14, 8.03, 5.52, 7.89, 7.47, 10.86, 5.86, 7.33, 2.9, 13.79, 7.79, 8.37, 7.73]]


IV = [
    [4.205, -3.255, 4.737, 8.119, 4.978, -2.521, 5.199, 5.324, 0.7, 8.87, 6.017, 8.105, 6.02, 4.109, 5.768,
     5.319, 3.362, -1.058, 7.44, 8.925, -1.913, 9.237, 4.768, -0.199, 6.206],
    [2.413, -1.927, 2.372, 2.718, 2.684, -2.629, 3.132, 3.827, -0.913, 5.079, 3.745, 4.622, 3.735, 1.608, 3.102,
     4.24, 0.724, -1.374, 2.055, 4.118, -3.346, 5.709, 1.667, 0.88, 4.842],
    [3.002, 3.597, 2.452, 1.219, 2.091, 1.017, 3.12, 5.68, 2.016, 1.759, 3.98, 3.714, 3.211, 1.139, 2.941, 4.391,
     0.312, 2.085, -0.802, 0.421, -0.683, 2.53, 0.465, 3.543, 3.314],
    [-0.28, -3.775, -0.808, -0.073, 0.17, -2.295, -0.717, -1.468, -1.213, 1.591, -1.211, -0.049, 1.327, -0.875,
     -0.168, 0.166, 0.096, -1.838, 0.114, 2.038, -2.321, 1.289, 0.179, -0.962, 3.001],
    [1.762, -0.199, 1.075, 1.577, 0.811, 1.683, 0.933, 1.667, 2.439, 0.324, 1.203, 0.537, 1.127, -0.187, 0.421,
     0.804, 1.899, 2.145, -0.324, 0.205, 1.647, -0.992, 0.537, 0.903, 2.257],
    [2.345, 1.836, 1.816, 1.875, 2.762, 1.786, 1.848, 2.176, 1.94, 1.901, 1.443, 1.994, 1.778, 2.583, 2.327,
     1.988, 2.334, 1.83, 2.526, 1.997, 2.292, 1.355, 2.173, 1.156, 0.982]]


def wide_columns(k, n):
    cols = []
    for j in range(k):
        cols.append([float(((i + 1) * (j + 3)) % 7 + (i * i) % 5 + 0.25 * j + 0.5 * i + 0.01 * (i * j % 3)) for i in range(n)])
    return cols


CASES = {
    'longley_m80': LONGLEY_CASE,
    'longley_m100_selected': dict(LONGLEY_CASE, expl=[1, 2, 3, 5],
                                  options=dict(margin=100, selected=True)),
    'longley_flags_off': dict(LONGLEY_CASE, options=dict(residuals=False, influence=False, correlation=False)),
    'system': dict(
        name='SEM', info='三本の方程式', cols=SEM,
        names=['x0', 'x1', 'x2', 'x3', 'y2', 'y3', 'y1'], types=[2, 2, 2, 2, 1, 1, 1],
        infos=['外生%d' % j for j in range(4)] + ['内生2', '内生3', '内生1'], dep=6, expl=[4, 0, 1],
        options=dict(simultaneous=True),
        equations=[('y2', [('y3', 0.31), ('x2', 0.62), ('定数項', 0.93)]),
                   ('y1', [('y2', 0.4), ('x0', 0.8), ('x1', -0.5), ('定数項', 1.5)]),
                   ('y3', [('y1', -0.23), ('x3', 0.71), ('定数項', -1.13)])],
        final_form=['y1[t] = +0.5000*y1[t-1]+x0[t]+2.0000',
                    'y2[t] = +y1[t+1]-y3[t-2]+0.2500*x2[t]-0.7500']),
    'wide55': dict(
        name='Wide', info='55 variables', cols=wide_columns(55, 6),
        names=['V%d' % (j + 1) for j in range(55)], types=[0] * 55, infos=['col %d' % (j + 1) for j in range(55)],
        dep=0, expl=[1, 2], options={}),
    'two_stage': dict(
        name='IV', info='二段階', cols=IV, names=['y', 'y2', 'x1', 'x2', 'x3', 'w'], types=[1, 1, 2, 2, 3, 0],
        infos=['被説明', '内生', '外生1', '外生2', 'ラグ', 'その他'], dep=0, expl=[1, 2], two_stage=True,
        options=dict(margin=100)),
    'small_n': dict(
        name='Small', info='', cols=[[1.0, 2.0, 4.0, 3.0], [2.0, 3.5, 9.0, 5.5]],
        names=['x', 'y'], types=[0, 0], infos=['説明', '目的'], dep=1, expl=[], options={}),
}


def main():
    for name, case in CASES.items():
        with open(name + '.txt', 'wb') as f:
            f.write(cp(report(case)))
        if NEAR_TIES:
            print(name, 'values near a rounding tie:', NEAR_TIES)
            NEAR_TIES.clear()


if __name__ == '__main__':
    main()

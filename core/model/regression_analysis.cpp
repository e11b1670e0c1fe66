// Reg: per-observation residual analysis and leave-one-out (deletion)
// measures of the fitted model.
//
// Every deletion measure comes from its closed form in the swept matrix, so
// the whole table costs one pass over the observations, in blocks so that
// the inner loops vectorise. Products with the swept block are taken on
// centred rows, as for the leverages: with C the inverse of the centred
// cross-products of the explanatory variables and m the design means,
// M v = (C (v - m), 1/n - m' C (v - m)) for any row v whose constant entry
// is 1, which avoids the cancellation of large uncentred terms.
//
// The two-stage variant (leverages from the observed explanatory values)
// deletes an observation from the instrumental-variable form of the second
// stage: every other structural residual moves, and the sums over all
// observations that this needs reduce to the cross-products of the observed
// variables with each other and with the residuals, taken once.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "core/numeric/numeric_helpers.h"
#include "core/model/leverage_forms.h"
#include "core/model/regression_model.h"
#include "core/numeric/streamed_store.h"
#include "core/numeric/regression_moments.h"
#include "core/numeric/statistics.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {

// The leverage block, so that the leverages may be formed in the same pass.
constexpr int kBlock = kLeverageBlock;
// Observations per task of a pass: whole blocks.
constexpr int kChunk = 4096;

// Error rate shown for an observed value of zero.
constexpr double kZeroErrorRate = 100.0 * 9999.0;

// The measures' loops compiled for AVX-512 and AVX2 as well, chosen by the
// processor. Products and sums stay separate operations (AVX-512 would
// allow fused multiply-adds, rounded once): every path gives the same bits.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define MERLOX_VECTOR_CLONES \
    __attribute__((target_clones("avx512f", "avx2", "default"), optimize("fp-contract=off")))
#else
#define MERLOX_VECTOR_CLONES
#endif

// The swept block of the explanatory variables in double, with the design
// means, for products on centred rows.
struct CentredBlock {
    std::vector<int> swept;  // every swept index, the constant (k) last
    std::vector<int> vars;   // the swept variables (constant excluded)
    int q = 0;
    std::vector<double> c;     // q x q, row-major
    std::vector<double> diag;  // M[m][m] per swept index
    std::vector<double> meanHi, meanLo;
    double inverseN = 0.0;
    int rows = 0;  // observations (rows of the design)
};

// out (q x kBlock) = C v for the columns of v (q x kBlock, column-major in
// blocks of kBlock).
void BlockProduct(const double* c, int q, const double* v, int len, double* out) {
    MatrixProduct(c, q, v, kBlock, len, out);
}

// The constant's entry of M v: 1/n - m' C (v - m), with w = C (v - m).
void ConstantEntry(const CentredBlock& b, const double* w, int len, double* out) {
    for (int t = 0; t < len; ++t) out[t] = b.inverseN;
    for (int s = 0; s < b.q; ++s) {
        const double m = b.meanHi[s];
        const double* ws = w + static_cast<size_t>(s) * kBlock;
        for (int t = 0; t < len; ++t) out[t] -= m * ws[t];
    }
}

// Centred rows v - m of a block: from the design (stride doubles a row) or,
// with columns set, from the variables' own values (one per swept
// variable).
void CentreBlock(const CentredBlock& b, const double* design, int stride, const double* const* columns, int start,
                 int len, double* out) {
    if (columns != nullptr) {
        for (int s = 0; s < b.q; ++s) {
            const double hi = b.meanHi[s], lo = b.meanLo[s];
            const double* x = columns[s] + start;
            double* os = out + static_cast<size_t>(s) * kBlock;
            for (int t = 0; t < len; ++t) os[t] = (x[t] - hi) - lo;
        }
        return;
    }
    CentreRows(design + static_cast<size_t>(start) * stride, stride, b.vars.data(), b.meanHi.data(), b.meanLo.data(),
               b.q, len, b.rows - start, out, kBlock);
}

// What the residual measures need of the fit besides the block's own values.
struct ResidualScale {
    const double* y;  // observed values of the dependent variable
    double sse;
    double s2;        // held at the floor
    double shareSse;  // SSE as s2 is held: the residual shares' divisor
    double floor;     // least residual variance, s2 and s2(i)
    double zeroY;  // an observed value below this counts as 0 in the error rate
};

ResidualScale ResidualScaleOf(const Reg& reg, const RegFit& fit, double floor, ThreadPool* pool) {
    const double* y = reg.GetVar(reg.GetDependent()).Data();
    const double zeroY = ZeroObservedBelow(pool, reg.GetObsCount(), [y](long long i) { return y[i]; });
    return {y, fit.sse, HeldAtFloor(fit.s2, floor), HeldSumOfSquares(fit.sse, fit.residualDf, floor), floor, zeroY};
}

// The residual measures of a block, from the residuals e, their variance
// factors g (Var e = s2 g) and the variances s2i without each observation.
// The ordinary and two-stage analyses differ only in g and s2i. Where the
// leverage lev of the PRESS residual is 1 the residual has no variance:
// SIG(RES) is held at the floor, and the studentised residuals are no number.
struct ResidualMeasureRows {
    double* rate;
    double* sig;
    double* r;
    double* tExt;
    double* share;
};

void ResidualMeasures(const ResidualScale& fit, int start, int len, const double* e, const double* g,
                      const double* s2i, const double* lev, const ResidualMeasureRows& out) {
    for (int t = 0; t < len; ++t) {
        out.r[t] = e[t] / std::sqrt(fit.s2 * g[t]);
        // s2(i) held at the floor before its factor: a leverage just short
        // of 1 keeps its digits, and a perfect fit a finite t(i).
        double v = g[t] * std::max(s2i[t], fit.floor);
        if (v <= 0.0 || lev[t] == 1.0) v = fit.floor;
        out.sig[t] = std::sqrt(v);
        out.tExt[t] = e[t] / out.sig[t];
        out.share[t] = e[t] * e[t] / fit.shareSse;
        const double yi = fit.y[start + t];
        out.rate[t] = std::fabs(yi) < fit.zeroY ? kZeroErrorRate : 100.0 * e[t] / yi;
        if (lev[t] == 1.0) out.r[t] = out.tExt[t] = kNoFigure;
    }
}

// As ResidualMeasures, written with s2i to their rows of the table.
void WriteResidualMeasures(RAData& table, const ResidualScale& fit, int start, int len, const double* e,
                           const double* g, const double* s2i, const double* lev) {
    double rate[kBlock], sig[kBlock], r[kBlock], tExt[kBlock], share[kBlock];
    ResidualMeasures(fit, start, len, e, g, s2i, lev, {rate, sig, r, tExt, share});
    table.WriteSpan(Reg::kRowErrorRate, start, len, rate);
    table.WriteSpan(Reg::kRowSigRes, start, len, sig);
    table.WriteSpan(Reg::kRowStudentInternal, start, len, r);
    table.WriteSpan(Reg::kRowStudentExternal, start, len, tExt);
    table.WriteSpan(Reg::kRowResidualShare, start, len, share);
    table.WriteSpan(Reg::kRowS2Deleted, start, len, s2i);
}

template <class T>
std::vector<T> WorkArray(size_t n) {
    try {
        return std::vector<T>(n);
    } catch (const std::bad_alloc&) {
        // The operation cannot go on and may leave the table half-written.
        throw EOutOfMemory();
    }
}

// The centred block of the current fit, every swept index with its
// diagonal element.
CentredBlock MakeCentredBlock(const Reg& reg, const RegFit& fit) {
    const int n = reg.GetObsCount();
    const int k = reg.GetVarCount();
    CentredBlock b;
    b.swept = reg.SweptIndices();
    for (int col : b.swept)
        if (col < k) b.vars.push_back(col);
    const int q = static_cast<int>(b.vars.size());
    const int p = static_cast<int>(b.swept.size());
    b.q = q;
    b.c.resize(static_cast<size_t>(q) * q);
    b.meanHi.resize(q);
    b.meanLo.resize(q);
    for (int s = 0; s < q; ++s) {
        for (int l = 0; l < q; ++l)
            b.c[static_cast<size_t>(s) * q + l] = static_cast<double>(fit.moments[b.vars[s]][b.vars[l]]);
        b.meanHi[s] = fit.designMeanHi[b.vars[s]];
        b.meanLo[s] = fit.designMeanLo[b.vars[s]];
    }
    b.diag.resize(p);
    for (int s = 0; s < p; ++s) b.diag[s] = static_cast<double>(fit.moments[b.swept[s]][b.swept[s]]);
    b.inverseN = n > 0 ? 1.0 / n : 0.0;
    b.rows = n;
    return b;
}

// What the deletion measures need of the fit besides the table's rows.
struct InfluenceScale {
    double nb;  // coefficients, the constant included
    int nbInt;
    double nd;  // observations
    double s2;     // held at the floor
    double floor;  // least residual variance, s2 and s2(i)
    double sse, syy;
    double df1;  // residual degrees of freedom less one
    double adjFactor;
    double yHi, yLo;  // mean of the dependent variable
    const double* y;
};

InfluenceScale MakeInfluenceScale(const Reg& reg, const RegFit& fit) {
    const int dep = reg.GetDependent();
    InfluenceScale f;
    f.nb = static_cast<double>(reg.CountExplanatory() + 1);
    f.nbInt = reg.CountExplanatory() + 1;
    f.nd = static_cast<double>(reg.GetObsCount());
    f.floor = reg.VarianceFloor();
    f.s2 = HeldAtFloor(fit.s2, f.floor);
    f.sse = fit.sse;
    f.syy = fit.syy;
    f.df1 = fit.residualDf - 1.0;
    f.adjFactor = (f.nd - 2.0) / f.df1;
    f.yHi = fit.designMeanHi[dep];
    f.yLo = fit.designMeanLo[dep];
    f.y = reg.GetVar(dep).Data();
    return f;
}

// Output slots of a block: rows 13 .. 18, then 19 + m and m - 100 per swept
// index; when the pass forms the residual measures as well, their six rows
// follow (s2i last).
constexpr int kFixed = 6;
constexpr int kResidualSlots = 6;

// One block of observations for the deletion measures: the rows read from
// the table, c = M z_i (and d = M x_i in the two-stage variant), one entry
// per swept index, the constant's last, and the output slots. The rows
// point into the table where it is in memory, else into the block's own
// copies.
struct InfluenceBlock {
    InfluenceBlock(int q, int p, bool twoStage, bool residualMeasures)
        : zc(static_cast<size_t>(q) * kBlock),
          c(static_cast<size_t>(q + 1) * kBlock),
          out(static_cast<size_t>(kFixed + 2 * p + (residualMeasures ? kResidualSlots : 0)) * kBlock),
          p(p) {
        if (twoStage) {
            xc.resize(static_cast<size_t>(q) * kBlock);
            d.resize(static_cast<size_t>(q + 1) * kBlock);
        }
    }
    double* Slot(int s) { return &out[static_cast<size_t>(s) * kBlock]; }

    std::vector<double> zc, c, xc, d, out;
    int p;
    const double* e = nullptr;
    const double* h = nullptr;
    const double* pr = nullptr;
    const double* s2i = nullptr;
    const double* av = nullptr;
    const double* bv = nullptr;
    double eCopy[kBlock], hCopy[kBlock], prCopy[kBlock], s2iCopy[kBlock], avCopy[kBlock], bvCopy[kBlock];
    // s2(i) held at the floor (HoldDeletedVariances).
    double s2iHeld[kBlock];
};

// Where a pass reads the design and the table's rows.
struct InfluenceInputs {
    const RAData* table;
    // The rows of a table in memory; for the file form null (read a span at
    // a time) or a chunk's copies (FileChunk).
    const double* e = nullptr;
    const double* h = nullptr;
    const double* pr = nullptr;
    const double* s2i = nullptr;
    const double* av = nullptr;
    const double* bv = nullptr;
    const double* design = nullptr;
    int stride = 0;
    // The swept variables' own values: the centred rows of an ordinary
    // design not copied yet are read in them.
    const double* const* columns = nullptr;
    // The two-stage variant, with the observed explanatory values (null
    // when the model has none: the flag, not the pointer, tells the variant).
    bool twoStage = false;
    const double* const* observed = nullptr;
    // The table's rows above hold the values from this observation on.
    int origin = 0;
};

const double* RowSpan(const RAData& table, const double* row, int origin, int code, int start, int len,
                      double* copy) {
    if (row != nullptr) return row + (start - origin);
    table.ReadSpan(code, start, len, copy);
    return copy;
}

// The leverage and PRESS rows when the pass forms them (those of an ordinary
// fit left for their first reader): from the same centred rows, with the
// same form and order of sums as the fit's own pass.
struct PassLeverages {
    const LeverageSource* source = nullptr;
    double* h = nullptr;
    double* pr = nullptr;
};

void BlockLeverages(const PassLeverages& lev, int q, int start, int len, long double& press, InfluenceBlock& blk) {
    double hb[kBlock];
    QuadraticForm(lev.source->packed.data(), q, blk.zc.data(), len, hb);
    const double inverseN = lev.source->inverseN;
    const double* e = blk.e;
    long double sum = press;  // in a register through the block
    for (int t = 0; t < len; ++t) {
        const double hi = LeverageSnappedToOne(hb[t] + inverseN);
        const double pressResidual = PressResidualOf(e[t], hi);
        sum += static_cast<long double>(pressResidual) * pressResidual;
        blk.prCopy[t] = pressResidual;
        blk.hCopy[t] = hi;
    }
    press = sum;
    blk.h = blk.hCopy;
    blk.pr = blk.prCopy;
    StreamValues(blk.hCopy, static_cast<std::size_t>(len), lev.h + start);
    StreamValues(blk.prCopy, static_cast<std::size_t>(len), lev.pr + start);
}

// s2i is read from the table unless the pass forms it (residualMeasures);
// the leverages likewise when lev has a source (press gathers the squared
// PRESS residuals).
void ReadInfluenceBlock(const InfluenceInputs& in, const CentredBlock& b, bool residualMeasures,
                        const PassLeverages& lev, long double& press, int start, int len, InfluenceBlock& blk) {
    const int q = b.q;
    const RAData& table = *in.table;
    blk.e = RowSpan(table, in.e, in.origin, Reg::kRowResidual, start, len, blk.eCopy);
    if (lev.source == nullptr) {
        blk.h = RowSpan(table, in.h, in.origin, Reg::kRowLeverage, start, len, blk.hCopy);
        blk.pr = RowSpan(table, in.pr, in.origin, Reg::kRowPress, start, len, blk.prCopy);
    }
    if (!residualMeasures) blk.s2i = RowSpan(table, in.s2i, in.origin, Reg::kRowS2Deleted, start, len, blk.s2iCopy);
    CentreBlock(b, in.design, in.stride, in.columns, start, len, blk.zc.data());
    if (lev.source != nullptr) BlockLeverages(lev, q, start, len, press, blk);
    BlockProduct(b.c.data(), q, blk.zc.data(), len, blk.c.data());
    ConstantEntry(b, blk.c.data(), len, &blk.c[static_cast<size_t>(q) * kBlock]);
    if (in.twoStage) {
        blk.av = RowSpan(table, in.av, in.origin, Reg::kRowTwoStageA, start, len, blk.avCopy);
        blk.bv = RowSpan(table, in.bv, in.origin, Reg::kRowTwoStageB, start, len, blk.bvCopy);
        if (q > 0) CentreBlock(b, nullptr, 0, in.observed, start, len, blk.xc.data());
        BlockProduct(b.c.data(), q, blk.xc.data(), len, blk.d.data());
        ConstantEntry(b, blk.d.data(), len, &blk.d[static_cast<size_t>(q) * kBlock]);
    }
}

// True when the pending leverages centre the rows as the block does (the
// fit takes both from the same swept variables and means).
bool SameCentring(const LeverageSource& source, const CentredBlock& b) {
    const auto sameBits = [](const std::vector<double>& x, const std::vector<double>& y) {
        return x.size() == y.size() && (x.empty() || std::memcmp(x.data(), y.data(), x.size() * sizeof(double)) == 0);
    };
    return source.q == b.q && source.vars == b.vars && source.n == b.rows && sameBits(source.centreHi, b.meanHi) &&
           sameBits(source.centreLo, b.meanLo) &&
           source.packed.size() == static_cast<std::size_t>(b.q) * static_cast<std::size_t>(b.q) &&
           std::memcmp(&source.inverseN, &b.inverseN, sizeof(double)) == 0;
}

// The residual measures of an ordinary fit into the block's last slots, s2i
// among them, as the residual analysis alone forms them.
void OrdinaryResidualMeasures(const ResidualScale& fit, double sse, double df1, int start, int len,
                              InfluenceBlock& blk) {
    const int first = kFixed + 2 * blk.p;
    double* s2i = blk.Slot(first + 5);
    double g[kBlock];
    const double* e = blk.e;
    const double* h = blk.h;
    for (int t = 0; t < len; ++t) {
        g[t] = 1.0 - h[t];
        s2i[t] = DeletedVariance(sse - e[t] * e[t] / g[t], sse, h[t], df1);
    }
    ResidualMeasures(fit, start, len, e, g, s2i, h,
                     {blk.Slot(first), blk.Slot(first + 1), blk.Slot(first + 2), blk.Slot(first + 3), blk.Slot(first + 4)});
    blk.s2i = s2i;
}

// s2(i) held at the floor, for every figure that divides by it; R^2(i)
// takes it as formed.
void HoldDeletedVariances(double floor, int len, InfluenceBlock& blk) {
    for (int t = 0; t < len; ++t) blk.s2iHeld[t] = HeldAtFloor(blk.s2i[t], floor);
}

// out[t] = IntPower(n, x[t] / d) by the same products, all entries at
// each step, so that they run in vectors.
void PowersOf(int n, double d, const double* x, int len, double* out) {
    double base[kBlock];
    for (int t = 0; t < len; ++t) {
        base[t] = x[t] / d;
        out[t] = 1.0;
    }
    std::uint32_t e = n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
    while (e != 0) {
        if ((e & 1u) != 0)
            for (int t = 0; t < len; ++t) out[t] *= base[t];
        e >>= 1;
        if (e != 0)
            for (int t = 0; t < len; ++t) base[t] *= base[t];
    }
    if (n < 0)
        for (int t = 0; t < len; ++t) out[t] = 1.0 / out[t];
}

// Rows 13 to 18 of a block. Both forms share R'^2(i); the rest differ in
// the leverage used.
MERLOX_VECTOR_CLONES void FixedMeasures(const InfluenceScale& f, bool twoStage, int start, int len, InfluenceBlock& blk) {
    double* covratio = blk.Slot(0);
    double* dffits = blk.Slot(1);
    double* cooks = blk.Slot(2);
    double* welsch = blk.Slot(3);
    double* r2i = blk.Slot(4);
    double* adj = blk.Slot(5);
    const double* e = blk.e;
    const double* h = blk.h;
    const double* pr = blk.pr;
    const double* s2i = blk.s2i;
    const double* s2h = blk.s2iHeld;
    const double* av = blk.av;
    const double* bv = blk.bv;
    const double nd = f.nd, s2 = f.s2;
    // The powers first, so that the loop below runs in vectors.
    PowersOf(f.nbInt, s2, s2h, len, covratio);
    const double* y = f.y;
    const double yHi = f.yHi, yLo = f.yLo, syy = f.syy, df1 = f.df1, sse = f.sse, nb = f.nb;
    if (twoStage) {
        for (int t = 0; t < len; ++t) {
            const double dy = (y[start + t] - yHi) - yLo;
            const double syyDeleted = syy - dy * dy * nd / (nd - 1.0);
            const double qb = 1.0 - bv[t];
            const double bigA = av[t] * pr[t] * pr[t];
            welsch[t] = std::sqrt(bigA * (nd - 1.0) / ((1.0 - 2.0 * bv[t] + h[t]) * s2h[t]));
            const double g = std::sqrt(bigA / s2h[t]);
            dffits[t] = pr[t] < 0.0 ? -g : g;
            cooks[t] = bigA / (nb * s2);
            covratio[t] = covratio[t] * (1.0 - av[t]) / (qb * qb);
            r2i[t] = 1.0 - df1 * s2i[t] / syyDeleted;
        }
    } else {
        for (int t = 0; t < len; ++t) {
            const double dy = (y[start + t] - yHi) - yLo;
            const double syyDeleted = syy - dy * dy * nd / (nd - 1.0);
            const double qh = 1.0 - h[t];
            dffits[t] = std::sqrt(h[t]) * e[t] / (std::sqrt(s2h[t]) * qh);
            cooks[t] = h[t] * pr[t] * pr[t] / (nb * s2);
            welsch[t] = std::sqrt(h[t] * pr[t] * pr[t] * (nd - 1.0) / (qh * s2h[t]));
            covratio[t] = covratio[t] / qh;
            r2i[t] = 1.0 - (sse - e[t] * pr[t]) / syyDeleted;
        }
    }
    const double adjFactor = f.adjFactor;
    for (int t = 0; t < len; ++t) {
        const double a = 1.0 - adjFactor * (1.0 - r2i[t]);
        adj[t] = a < kSingleEpsilon ? 0.0 : a;
    }
}

// Per swept index s: the t value without each observation and the change
// of the coefficient (DFBETA).
// The build compiles this file without errno from the math functions, so
// that the square roots run in vectors (the same roots).
MERLOX_VECTOR_CLONES void CoefficientMeasures(const CentredBlock& b, const std::vector<double>& coef, bool twoStage, int len,
                         InfluenceBlock& blk) {
    const int p = blk.p;
    const double* h = blk.h;
    const double* pr = blk.pr;
    const double* s2i = blk.s2iHeld;
    const double* bv = blk.bv;
    for (int s = 0; s < p; ++s) {
        const double* cs = &blk.c[static_cast<size_t>(s) * kBlock];
        double* tv = blk.Slot(kFixed + s);
        double* dfb = blk.Slot(kFixed + p + s);
        const double bm = coef[s], mm = b.diag[s];
        if (twoStage) {
            const double* ds = &blk.d[static_cast<size_t>(s) * kBlock];
            for (int t = 0; t < len; ++t) {
                const double qb = 1.0 - bv[t];
                const double g = (bv[t] / qb + 1.0) * (bv[t] / qb + 1.0) - h[t] / (qb * qb);
                dfb[t] = cs[t] * pr[t];
                tv[t] = (bm - dfb[t]) / std::sqrt(s2i[t] * (2.0 * cs[t] * ds[t] / qb + mm - g * cs[t] * cs[t]));
            }
        } else {
            for (int t = 0; t < len; ++t) {
                const double qh = 1.0 - h[t];
                dfb[t] = cs[t] * pr[t];
                tv[t] = (bm - dfb[t]) / std::sqrt((cs[t] * cs[t] / qh + mm) * s2i[t]);
            }
        }
    }
}

// The deletion measures of an observation of leverage 1 divide by 1 - h:
// they are no number there (the leverage of its PRESS residual tells).
void BlankLeverageOne(bool twoStage, int len, InfluenceBlock& blk) {
    const double* lev = twoStage ? blk.bv : blk.h;
    const int slots = kFixed + 2 * blk.p;
    for (int t = 0; t < len; ++t) {
        if (lev[t] != 1.0) continue;
        for (int s = 0; s < slots; ++s) blk.Slot(s)[t] = kNoFigure;
    }
}

// The row codes of the block's slots, in slot order.
std::vector<int> InfluenceSlotCodes(const std::vector<int>& swept, bool residualMeasures) {
    std::vector<int> codes;
    for (int f = 0; f < kFixed; ++f) codes.push_back(Reg::kRowCovratio + f);
    for (int col : swept) codes.push_back(Reg::kRowDeletedTValue + col);
    for (int col : swept) codes.push_back(Reg::kRowDfbeta + col);
    if (residualMeasures)
        for (int code : {Reg::kRowErrorRate, Reg::kRowSigRes, Reg::kRowStudentInternal, Reg::kRowStudentExternal,
                         Reg::kRowResidualShare, Reg::kRowS2Deleted})
            codes.push_back(code);
    return codes;
}

// rows: per slot, the row of a table in memory taken for overwriting (the
// pass writes every value of it and reads none), stored past the cache;
// empty for the file form, written a span at a time.
void WriteInfluenceBlock(RAData& table, const std::vector<int>& codes, const std::vector<double*>& rows, int start,
                         int len, InfluenceBlock& blk) {
    for (std::size_t slot = 0; slot < codes.size(); ++slot) {
        const double* values = blk.Slot(static_cast<int>(slot));
        if (rows.empty())
            table.WriteSpan(codes[slot], start, len, values);
        else
            StreamValues(values, static_cast<std::size_t>(len), rows[slot] + start);
    }
}

// The file form of the table, a chunk at a time: its rows read into memory
// and its results gathered there, so that the file is read and written in
// spans of a chunk, not of a block.
struct FileChunk {
    FileChunk(const RAData& table, const InfluenceInputs& shared, bool readS2i, bool twoStage, std::size_t slots,
              int first, int count)
        : in(shared), out(slots, std::vector<double>(static_cast<std::size_t>(count))), first(first), count(count) {
        in.origin = first;
        in.e = Read(table, Reg::kRowResidual, e);
        in.h = Read(table, Reg::kRowLeverage, h);
        in.pr = Read(table, Reg::kRowPress, pr);
        if (readS2i) in.s2i = Read(table, Reg::kRowS2Deleted, s2i);
        if (twoStage) {
            in.av = Read(table, Reg::kRowTwoStageA, av);
            in.bv = Read(table, Reg::kRowTwoStageB, bv);
        }
    }
    const double* Read(const RAData& table, int code, std::vector<double>& into) const {
        into.resize(static_cast<std::size_t>(count));
        table.ReadSpan(code, first, count, into.data());
        return into.data();
    }
    void Keep(int start, int len, InfluenceBlock& blk) {
        for (std::size_t slot = 0; slot < out.size(); ++slot)
            std::memcpy(out[slot].data() + (start - first), blk.Slot(static_cast<int>(slot)), sizeof(double) * len);
    }
    void Write(RAData& table, const std::vector<int>& codes) const {
        for (std::size_t slot = 0; slot < out.size(); ++slot) table.WriteSpan(codes[slot], first, count, out[slot].data());
    }

    InfluenceInputs in;
    std::vector<double> e, h, pr, s2i, av, bv;
    std::vector<std::vector<double>> out;
    int first, count;
};

}  // namespace

// ---------------------------------------------------------------------------

void Reg::ComputeResidualTests() {
    const int n = GetObsCount();
    if (analysis_.table.Columns() != n) return;
    const RAData& table = analysis_.table;
    if (table.InMemory() && n > 0) {
        // Read in place: copies would cost as much as the statistics.
        SetResidualTests(ResidualTestsOf(table.Row(kRowFitted), table.Row(kRowResidual), n, IsPerfectFit()));
        return;
    }
    std::vector<double> fitted, residuals;
    try {
        table.GetRow(kRowFitted, fitted);
        table.GetRow(kRowResidual, residuals);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
    SetResidualTests(ResidualTestsOf(fitted.data(), residuals.data(), n, IsPerfectFit()));
}

void Reg::SetResidualTests(const ResidualTests& tests) {
    fit_.hetero = tests.gk;
    fit_.durbinWatson = tests.durbinWatson;
}

void Reg::ComputeAnalysisData() {
    if (!ReadyToAnalyse()) return;
    CompleteLeverages();
    if (analysis_.analysisReady) return;
    const int k = GetVarCount();
    // A model not estimated for the present shape of the data has no rows
    // to analyse.
    if (!EstimatedForCurrentShape() || static_cast<int>(fit_.designMeanHi.size()) != k + 1) return;
    if (TwoStageLeverages()) {
        AnalysisTwoStage();
    } else {
        AnalysisOrdinary();
    }
    analysis_.analysisReady = true;
    ComputeResidualTests();
}

void Reg::AnalysisOrdinary() {
    const int n = GetObsCount();
    const double sse = fit_.sse;
    const double df1 = fit_.residualDf - 1.0;
    const ResidualScale fit = ResidualScaleOf(*this, fit_, VarianceFloor(), TablePool());
    ForEachBlock(TablePool(), n, kChunk, [&](long long first, int count) {
        double e[kBlock], h[kBlock], g[kBlock], s2i[kBlock];
        const int last = static_cast<int>(first) + count;
        for (int start = static_cast<int>(first); start < last; start += kBlock) {
            const int len = last - start < kBlock ? last - start : kBlock;
            analysis_.table.ReadSpan(kRowResidual, start, len, e);
            analysis_.table.ReadSpan(kRowLeverage, start, len, h);
            for (int t = 0; t < len; ++t) {
                g[t] = 1.0 - h[t];
                s2i[t] = DeletedVariance(sse - e[t] * e[t] / g[t], sse, h[t], df1);
            }
            WriteResidualMeasures(analysis_.table, fit, start, len, e, g, s2i, h);
        }
    });
}

ThreadPool* Reg::TablePool() const {
    // Disjoint spans of a table in memory may be written at once; the file
    // form keeps to one thread.
    return analysis_.table.InMemory() ? Pool() : nullptr;
}

void Reg::AnalysisTwoStage() {
    CompleteDesign();
    const int n = GetObsCount();
    const CentredBlock b = MakeCentredBlock(*this, fit_);
    const std::vector<int>& vars = b.vars;
    const int q = b.q;

    // Cross-products of the observed explanatory variables with each other
    // and with the residuals, about their means: the sums over every
    // observation of the deletion formulas reduce to these.
    std::vector<const double*> observed(q);
    for (int s = 0; s < q; ++s) observed[s] = std::as_const(*this).GetVar(vars[s]).Data();
    std::vector<double> residuals;
    LongMatrix cross;
    {
        const int cols = q + 1;
        std::vector<double> rows = WorkArray<double>(static_cast<size_t>(n) * cols);
        analysis_.table.GetRow(kRowResidual, residuals);
        for (int i = 0; i < n; ++i) {
            double* row = &rows[static_cast<size_t>(i) * cols];
            for (int s = 0; s < q; ++s) row[s] = observed[s][i];
            row[q] = residuals[i];
        }
        BuildDesignMoments(rows.data(), n, cols, cols, cross);
    }
    std::vector<double> sxx(static_cast<size_t>(q) * q), sxe(q), meanShift(q);
    for (int s = 0; s < q; ++s) {
        for (int l = 0; l < q; ++l) sxx[static_cast<size_t>(s) * q + l] = static_cast<double>(cross[s][l]);
        sxe[s] = static_cast<double>(cross[s][q]);
        // Observed mean less design mean (zero in theory: the first stage
        // keeps the means).
        meanShift[s] = static_cast<double>((cross[q + 1][s] - b.meanHi[s]) - b.meanLo[s]);
    }
    const double sumE = static_cast<double>(cross[q + 1][q] * n);

    const double* design = fit_.design.Data();
    const int stride = fit_.design.Cols();
    const double sse = fit_.sse;
    const double df1 = fit_.residualDf - 1.0;
    const ResidualScale fit = ResidualScaleOf(*this, fit_, VarianceFloor(), TablePool());
    std::vector<double> zc(static_cast<size_t>(q) * kBlock), w(static_cast<size_t>(q) * kBlock),
        sw(static_cast<size_t>(q) * kBlock);
    double e[kBlock], h[kBlock], p[kBlock], bb[kBlock], alpha[kBlock], bigP[kBlock], bigQ[kBlock];
    double g[kBlock], s2i[kBlock];

    ProgressScope progress(context_->Services(), "分析データ計算中・・・", n);
    for (int start = 0; start < n; start += kBlock) {
        const int len = n - start < kBlock ? n - start : kBlock;
        analysis_.table.ReadSpan(kRowResidual, start, len, e);
        analysis_.table.ReadSpan(kRowLeverage, start, len, h);
        analysis_.table.ReadSpan(kRowPress, start, len, p);
        analysis_.table.ReadSpan(kRowTwoStageB, start, len, bb);
        CentreBlock(b, design, stride, nullptr, start, len, zc.data());
        BlockProduct(b.c.data(), q, zc.data(), len, w.data());
        BlockProduct(sxx.data(), q, w.data(), len, sw.data());
        for (int t = 0; t < len; ++t) {
            alpha[t] = b.inverseN;
            bigP[t] = 0.0;
            bigQ[t] = 0.0;
        }
        for (int s = 0; s < q; ++s) {
            const double* ws = &w[static_cast<size_t>(s) * kBlock];
            const double* sws = &sw[static_cast<size_t>(s) * kBlock];
            for (int t = 0; t < len; ++t) {
                alpha[t] += meanShift[s] * ws[t];
                bigP[t] += sxe[s] * ws[t];
                bigQ[t] += ws[t] * sws[t];
            }
        }
        for (int t = 0; t < len; ++t) {
            // c_ij = alpha + w' (x_j - mean x): P = sum e_j c_ij, Q = sum c_ij^2.
            const double bigPt = bigP[t] + alpha[t] * sumE;
            const double bigQt = bigQ[t] + n * alpha[t] * alpha[t];
            s2i[t] = DeletedVariance(sse + 2.0 * p[t] * bigPt + p[t] * p[t] * (bigQt - 1.0), sse, bb[t], df1);
            g[t] = 1.0 - 2.0 * bb[t] + h[t];
            progress.Step();
        }
        WriteResidualMeasures(analysis_.table, fit, start, len, e, g, s2i, bb);
    }
}

// ---------------------------------------------------------------------------

bool Reg::ReadyToAnalyse() const {
    // Nothing chosen yet: no rows to analyse. Roles kept without an
    // estimate after a refusal: the reader is refused with its reason.
    if (estimated_) return true;
    if (!unestimatedReason_.empty()) RequireEstimate();
    return false;
}

void Reg::ComputeInfluence() {
    if (!ReadyToAnalyse()) return;
    // An ordinary fit's residual measures (and its leverages, when the fit
    // left them for their first reader) are formed in the same pass as the
    // deletion measures when none is formed yet: the rows are read once.
    if (!analysis_.analysisReady && !analysis_.influenceReady && !TwoStageLeverages() &&
        EstimatedForCurrentShape() && static_cast<int>(fit_.designMeanHi.size()) == GetVarCount() + 1) {
        InfluenceRows();  // the residual tests among them
        analysis_.analysisReady = true;
        analysis_.influenceReady = true;
        return;
    }
    ComputeAnalysisData();
    // The flags may date from before a data edit that is not re-estimated yet.
    if (analysis_.influenceReady || !analysis_.analysisReady || !EstimatedForCurrentShape() ||
        static_cast<int>(fit_.designMeanHi.size()) != GetVarCount() + 1)
        return;
    InfluenceRows();
    analysis_.influenceReady = true;
}

// Forms the residual measures and tests too while they are not ready (an
// ordinary fit only: the two-stage ones need sums over every observation
// first).
void Reg::InfluenceRows() {
    const bool twoStage = TwoStageLeverages();
    const bool residualMeasures = !analysis_.analysisReady && !twoStage;
    // An ordinary design not copied yet holds the values of the variables:
    // they are read instead (a copy would be read once more here).
    const bool designInVariables = !twoStage && designPending_.load(std::memory_order_acquire);
    if (!designInVariables) CompleteDesign();
    const int n = GetObsCount();
    const int k = GetVarCount();
    const CentredBlock b = MakeCentredBlock(*this, fit_);
    const int q = b.q;
    const int p = static_cast<int>(b.swept.size());  // q + 1: the constant is swept, last
    std::vector<double> coef(p);
    for (int s = 0; s < p; ++s) coef[s] = fit_.coef.At(b.swept[s]);

    // Rows of indices outside the model (the dependent variable among them)
    // would otherwise show the figures of an earlier model.
    for (int j = 0; j <= k; ++j) {
        if (role_[j] == kRoleExplanatory) continue;
        analysis_.table.FillRow(kRowDeletedTValue + j, 0.0);
        analysis_.table.FillRow(kRowDfbeta + j, 0.0);
    }

    const InfluenceScale scale = MakeInfluenceScale(*this, fit_);
    const ResidualScale residualScale = ResidualScaleOf(*this, fit_, VarianceFloor(), TablePool());
    const double sse = fit_.sse;
    const double df1 = fit_.residualDf - 1.0;
    std::vector<const double*> columns(q);
    for (int s = 0; s < q; ++s) columns[s] = std::as_const(*this).GetVar(b.vars[s]).Data();

    // Leverages the fit left for their first reader are formed here, from
    // the centred rows this pass reads anyway; the lock keeps other readers
    // waiting until they are in the table.
    static_assert(kChunk == kResidualChunk, "the PRESS sums are added per chunk of the fit's pass");
    std::unique_lock<std::mutex> leverageHold(leverageLock_, std::defer_lock);
    PassLeverages lev;
    if (residualMeasures && analysis_.table.InMemory() && n > 0 && leveragesPending_.load(std::memory_order_acquire)) {
        leverageHold.lock();
        if (leveragesPending_.load(std::memory_order_acquire) && pendingLeverages_ &&
            SameCentring(*pendingLeverages_, b)) {
            lev.source = pendingLeverages_.get();
            lev.h = analysis_.table.RowForOverwrite(kRowLeverage);
            lev.pr = analysis_.table.RowForOverwrite(kRowPress);
        } else {
            leverageHold.unlock();
        }
    }
    if (lev.source == nullptr) CompleteLeverages();
    std::vector<long double> pressPartial(lev.source != nullptr ? static_cast<std::size_t>((n + kChunk - 1) / kChunk) : 0);

    InfluenceInputs in;
    in.table = &analysis_.table;
    in.design = fit_.design.Data();
    in.stride = fit_.design.Cols();
    if (designInVariables) in.columns = columns.data();
    in.twoStage = twoStage;
    if (twoStage) in.observed = columns.data();
    const std::vector<int> codes = InfluenceSlotCodes(b.swept, residualMeasures);
    std::vector<double*> rows;
    if (analysis_.table.InMemory() && n > 0) {
        const RAData& table = analysis_.table;
        in.e = table.Row(kRowResidual);
        if (lev.source == nullptr) {
            in.h = table.Row(kRowLeverage);
            in.pr = table.Row(kRowPress);
        }
        if (!residualMeasures) in.s2i = table.Row(kRowS2Deleted);
        if (twoStage) {
            in.av = table.Row(kRowTwoStageA);
            in.bv = table.Row(kRowTwoStageB);
        }
        for (int code : codes) rows.push_back(analysis_.table.RowForOverwrite(code));
        // The rows written here, their pages handed out at once on the
        // table's first use (a fault per page costs more than the pass).
        std::vector<int> written = codes;
        if (lev.source != nullptr) written.insert(written.end(), {kRowLeverage, kRowPress});
        ForEachBlock(TablePool(), static_cast<long long>(written.size()), 1, [&](long long first, int count) {
            for (long long r = first; r < first + count; ++r) analysis_.table.Prefault(written[static_cast<std::size_t>(r)]);
        });
    }
    const bool fileForm = rows.empty() && n > 0;
    const auto chunk = [&](long long first, int count) {
        InfluenceBlock blk(q, p, twoStage, residualMeasures);
        std::unique_ptr<FileChunk> file;
        if (fileForm)
            file = std::make_unique<FileChunk>(analysis_.table, in, !residualMeasures, twoStage, codes.size(),
                                               static_cast<int>(first), count);
        const InfluenceInputs& from = fileForm ? file->in : in;
        long double press = 0.0L;
        const int last = static_cast<int>(first) + count;
        for (int start = static_cast<int>(first); start < last; start += kBlock) {
            const int len = last - start < kBlock ? last - start : kBlock;
            ReadInfluenceBlock(from, b, residualMeasures, lev, press, start, len, blk);
            if (residualMeasures) OrdinaryResidualMeasures(residualScale, sse, df1, start, len, blk);
            HoldDeletedVariances(scale.floor, len, blk);
            FixedMeasures(scale, twoStage, start, len, blk);
            CoefficientMeasures(b, coef, twoStage, len, blk);
            BlankLeverageOne(twoStage, len, blk);
            if (fileForm)
                file->Keep(start, len, blk);
            else
                WriteInfluenceBlock(analysis_.table, codes, rows, start, len, blk);
        }
        if (fileForm) file->Write(analysis_.table, codes);
        if (lev.source != nullptr) pressPartial[static_cast<std::size_t>(first / kChunk)] = press;
        FinishStreamedValues();
    };
    if (residualMeasures) {
        // The residual tests (sums in one order over every observation) run
        // beside the chunks, as the first task, so that they end with them.
        const long long chunks = (static_cast<long long>(n) + kChunk - 1) / kChunk;
        ForEachBlock(TablePool(), chunks + 1, 1, [&](long long first, int count) {
            for (long long task = first; task < first + count; ++task) {
                if (task == 0) {
                    ComputeResidualTests();
                } else {
                    const long long start = (task - 1) * kChunk;
                    chunk(start, static_cast<int>(std::min<long long>(kChunk, n - start)));
                }
            }
        });
    } else {
        ForEachBlock(TablePool(), n, kChunk, chunk);
    }
    if (lev.source != nullptr) TakeCompletedLeverages(pressPartial);
}

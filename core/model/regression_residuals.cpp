// Reg: residuals, PRESS residuals and leverages of the swept model.
//
// One pass over the observations in blocks. The leverages and PRESS
// residuals of an ordinary fit are left for their first reader (most fits
// are never asked for them): what they are formed from is kept, and the
// design the fit holds gives the same centred rows (regression_leverages.cpp).
// Fitted values are summed in long double from the long double
// coefficients, since the fitted value of an ill-conditioned model is a
// small difference of large terms. Leverages are
// quadratic forms in the swept block of the moment matrix on centred rows,
// packed once per call into doubles and evaluated over a block of
// observations at a time so that the inner loops vectorise.
#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "core/model/leverage_forms.h"
#include "core/model/regression_model.h"
#include "core/numeric/streamed_store.h"

namespace {

constexpr int kBlock = kLeverageBlock;
constexpr int kChunk = kResidualChunk;

// The swept model as the residual pass reads it.
struct ResidualInputs {
    int p = 0;  // swept indices, the constant included
    int q = 0;  // swept variables, the constant excluded
    std::vector<int> vars;
    std::vector<long double> b;      // coefficient per swept index
    std::vector<long double> bVars;  // coefficient per swept variable
    // The swept block C of the variables, full and packed (upper triangle,
    // doubled off-diagonal elements).
    std::vector<double> full, packed;
    // Observed explanatory values per swept index (nullptr: the constant)
    // and per swept variable.
    std::vector<const double*> observed, observedVars;
    const double* y = nullptr;
    const double* design = nullptr;
    int stride = 0;
    std::vector<double> centreHi, centreLo;  // the means per swept variable
    long long n = 0;
    long double meanY = 0.0L;
    double inverseN = 0.0;
    bool twoStageLeverage = false;
    // The leverages wait for a reader (all but the two-stage variant, and
    // not when the rows of the fit before were read).
    bool deferLeverages = false;
    // With the observed values in the design, the fit is the mean of y plus
    // the centred terms: small terms, and no second read of the data.
    bool centredFit = false;
};

ResidualInputs PrepareResidualPass(const Reg& reg, const RegFit& fit, bool mayDefer) {
    const int n = reg.GetObsCount();
    const int k = reg.GetVarCount();
    const int dep = reg.GetDependent();
    const LongMatrix& M = fit.moments;
    ResidualInputs in;
    const std::vector<int> swept = reg.SweptIndices();
    in.p = static_cast<int>(swept.size());
    in.b.resize(in.p);
    for (int s = 0; s < in.p; ++s) in.b[s] = M[swept[s]][dep];

    // Leverages in centred form: with the design means m and C the swept
    // block of the explanatory variables (the inverse of their centred
    // cross-products), u' M v = 1/n + (u - m)' C (v - m) for rows u, v whose
    // constant entry is 1.
    for (int col : swept)
        if (col < k) in.vars.push_back(col);
    const int q = static_cast<int>(in.vars.size());
    in.q = q;
    const std::vector<int>& vars = in.vars;
    in.full.resize(static_cast<size_t>(q) * q);
    in.packed.assign(static_cast<size_t>(q) * q, 0.0);
    for (int s = 0; s < q; ++s) {
        for (int l = 0; l < q; ++l) in.full[static_cast<size_t>(s) * q + l] = static_cast<double>(M[vars[s]][vars[l]]);
        in.packed[static_cast<size_t>(s) * q + s] = in.full[static_cast<size_t>(s) * q + s];
        for (int l = s + 1; l < q; ++l)
            in.packed[static_cast<size_t>(s) * q + l] = static_cast<double>(M[vars[s]][vars[l]] + M[vars[l]][vars[s]]);
    }
    in.inverseN = n > 0 ? 1.0 / n : 0.0;

    // Observed explanatory values: the variables themselves (the design may
    // hold first-stage fitted values), 1.0 for the constant.
    in.observed.assign(in.p, nullptr);
    for (int s = 0; s < in.p; ++s)
        if (swept[s] < k) in.observed[s] = reg.GetVar(swept[s]).Data();
    in.observedVars.resize(q);
    for (int s = 0; s < q; ++s) in.observedVars[s] = reg.GetVar(vars[s]).Data();
    in.y = reg.GetVar(dep).Data();
    in.twoStageLeverage = reg.IsTwoStage() && reg.IsRealCalc();
    in.deferLeverages = mayDefer && !in.twoStageLeverage;
    in.centredFit = !fit.designTwoStage;
    in.bVars.resize(q);
    for (int s = 0; s < q; ++s) in.bVars[s] = M[vars[s]][dep];
    in.meanY = static_cast<long double>(fit.designMeanHi[dep]) + fit.designMeanLo[dep];
    in.design = fit.design.Data();
    in.stride = fit.design.Cols();
    in.n = n;
    for (int col : vars) {
        in.centreHi.push_back(fit.designMeanHi[col]);
        in.centreLo.push_back(fit.designMeanLo[col]);
    }
    return in;
}

// The analysis-table rows every estimation writes.
struct ResidualRows {
    double *y, *fit, *e, *press, *h, *a, *b;
};

ResidualRows ResidualRowsOf(RAData& table, bool twoStageLeverage, bool deferLeverages) {
    ResidualRows rows;
    // The pass writes these rows whole.
    rows.y = table.RowForOverwrite(Reg::kRowObserved);
    rows.fit = table.RowForOverwrite(Reg::kRowFitted);
    rows.e = table.RowForOverwrite(Reg::kRowResidual);
    rows.press = deferLeverages ? nullptr : table.RowForOverwrite(Reg::kRowPress);
    rows.h = deferLeverages ? nullptr : table.RowForOverwrite(Reg::kRowLeverage);
    // The two-stage rows only when written: left alone they read as zeros
    // without being cleared on every fit.
    rows.a = twoStageLeverage ? table.Row(Reg::kRowTwoStageA) : nullptr;
    rows.b = twoStageLeverage ? table.Row(Reg::kRowTwoStageB) : nullptr;
    return rows;
}

// One block of observations: the rows column-major in blocks of kBlock, and
// the leverages (h, and a, bb in the two-stage variant).
struct ResidualBlock {
    ResidualBlock(int p, int q)
        : xb(static_cast<size_t>(p) * kBlock), xc(static_cast<size_t>(q) * kBlock), zc(static_cast<size_t>(q) * kBlock) {}
    std::vector<double> xb;  // observed rows, for the uncentred fit
    std::vector<double> xc;  // centred observed rows (two-stage leverages)
    std::vector<double> zc;  // centred design rows
    double h[kBlock], a[kBlock], bb[kBlock];
};

// Blocks read ahead: the columns of a later block are asked into the
// second-level cache while this one is worked on.
constexpr int kPrefetchAhead = 2;

void PrefetchColumn(const double* column, long long first, long long len) {
    const char* from = reinterpret_cast<const char*>(column + first);
    const char* to = reinterpret_cast<const char*>(column + first + len);
    for (; from < to; from += 64) __builtin_prefetch(from, 0, 2);
}

void PrefetchBlock(const ResidualInputs& in, long long first) {
    const long long len = std::min<long long>(kBlock, in.n - first);
    if (len <= 0) return;
    PrefetchColumn(in.y, first, len);
    if (in.centredFit) {
        for (const double* x : in.observedVars) PrefetchColumn(x, first, len);
    } else {
        for (const double* x : in.observed)
            if (x != nullptr) PrefetchColumn(x, first, len);
    }
}

void LoadBlock(const ResidualInputs& in, int start, int len, ResidualBlock& blk) {
    PrefetchBlock(in, start + static_cast<long long>(kPrefetchAhead) * kBlock);
    for (int s = 0; s < in.p && !in.centredFit; ++s) {
        double* xs = &blk.xb[static_cast<size_t>(s) * kBlock];
        if (in.observed[s] != nullptr) {
            for (int t = 0; t < len; ++t) xs[t] = in.observed[s][start + t];
        } else {
            for (int t = 0; t < len; ++t) xs[t] = 1.0;
        }
    }
    if (in.centredFit) {
        // The design holds the observed values: the columns give the same
        // numbers, read in order.
        for (int s = 0; s < in.q; ++s) {
            const double hi = in.centreHi[s], lo = in.centreLo[s];
            const double* x = in.observedVars[s] + start;
            double* zs = &blk.zc[static_cast<size_t>(s) * kBlock];
            for (int t = 0; t < len; ++t) zs[t] = (x[t] - hi) - lo;
        }
    } else if (!in.deferLeverages) {
        // The design is read row by row (its rows are contiguous) and the
        // next block is asked for meanwhile: it is far larger than the cache.
        const long long ahead = std::min<long long>(kBlock, in.n - start - kBlock);
        const double* next = in.design + static_cast<size_t>(start + kBlock) * in.stride;
        for (long long a = 0; a < ahead * in.stride; a += 8) __builtin_prefetch(next + a);
        for (int t = 0; t < len; ++t) {
            const double* row = in.design + static_cast<size_t>(start + t) * in.stride;
            for (int s = 0; s < in.q; ++s)
                blk.zc[static_cast<size_t>(s) * kBlock + t] = (row[in.vars[s]] - in.centreHi[s]) - in.centreLo[s];
        }
    }
    for (int s = 0; s < in.q && in.twoStageLeverage; ++s) {
        const double hi = in.centreHi[s], lo = in.centreLo[s];
        double* xs = &blk.xc[static_cast<size_t>(s) * kBlock];
        for (int t = 0; t < len; ++t) xs[t] = (in.observedVars[s][start + t] - hi) - lo;
    }
}

void BlockLeverages(const ResidualInputs& in, int len, ResidualBlock& blk) {
    if (in.twoStageLeverage) {
        QuadraticForm(in.packed.data(), in.q, blk.xc.data(), len, blk.h);
        QuadraticForm(in.packed.data(), in.q, blk.zc.data(), len, blk.a);
        BilinearForm(in.full.data(), in.q, blk.xc.data(), blk.zc.data(), len, blk.bb);
        for (int t = 0; t < len; ++t) {
            blk.h[t] = LeverageSnappedToOne(blk.h[t] + in.inverseN);
            blk.a[t] = LeverageSnappedToOne(blk.a[t] + in.inverseN);
            blk.bb[t] = LeverageSnappedToOne(blk.bb[t] + in.inverseN);
        }
    } else {
        QuadraticForm(in.packed.data(), in.q, blk.zc.data(), len, blk.h);
        for (int t = 0; t < len; ++t) blk.h[t] = LeverageSnappedToOne(blk.h[t] + in.inverseN);
    }
}

// Fitted values of block entries t and t + 1 from the coefficients b and
// the rows v (count entries), each in two interleaved sums starting from
// f0. The two entries are independent chains, so they overlap in the
// pipeline; each is summed exactly as alone.
inline void FittedPair(const long double* b, const double* v, int count, int t, long double f0, long double& first,
                       long double& second) {
    long double a0 = f0, a1 = 0.0L, c0 = f0, c1 = 0.0L;
    int s = 0;
    for (; s + 1 < count; s += 2) {
        const double* vs = v + static_cast<size_t>(s) * kBlock + t;
        const long double bs = b[s], bn = b[s + 1];
        a0 += bs * vs[0];
        c0 += bs * vs[1];
        a1 += bn * vs[kBlock];
        c1 += bn * vs[kBlock + 1];
    }
    if (s < count) {
        const double* vs = v + static_cast<size_t>(s) * kBlock + t;
        a0 += b[s] * vs[0];
        c0 += b[s] * vs[1];
    }
    first = a0 + a1;
    second = c0 + c1;
}

// The same for entries t, t + 1 and t + 2: six chains, as many as the
// floating-point stack holds beside the coefficient, so the adds no longer
// wait on one another.
inline void FittedTriple(const long double* b, const double* v, int count, int t, long double f0, long double* out) {
    long double a0 = f0, a1 = 0.0L, c0 = f0, c1 = 0.0L, d0 = f0, d1 = 0.0L;
    int s = 0;
    for (; s + 1 < count; s += 2) {
        const double* vs = v + static_cast<size_t>(s) * kBlock + t;
        const long double bs = b[s];
        a0 += bs * vs[0];
        c0 += bs * vs[1];
        d0 += bs * vs[2];
        const long double bn = b[s + 1];
        a1 += bn * vs[kBlock];
        c1 += bn * vs[kBlock + 1];
        d1 += bn * vs[kBlock + 2];
    }
    if (s < count) {
        const double* vs = v + static_cast<size_t>(s) * kBlock + t;
        a0 += b[s] * vs[0];
        c0 += b[s] * vs[1];
        d0 += b[s] * vs[2];
    }
    out[0] = a0 + a1;
    out[1] = c0 + c1;
    out[2] = d0 + d1;
}

// The same for entry t alone.
inline long double FittedValue(const long double* b, const double* v, int count, int t, long double f0) {
    long double f1 = 0.0L;
    int s = 0;
    for (; s + 1 < count; s += 2) {
        f0 += b[s] * v[static_cast<size_t>(s) * kBlock + t];
        f1 += b[s + 1] * v[static_cast<size_t>(s + 1) * kBlock + t];
    }
    if (s < count) f0 += b[s] * v[static_cast<size_t>(s) * kBlock + t];
    return f0 + f1;
}

struct ResidualSums {
    long double sse = 0.0L;
    long double press = 0.0L;
};

void WriteBlock(const ResidualInputs& in, int start, int len, const ResidualBlock& blk, const ResidualRows& rows,
                ResidualSums& sums) {
    long double sse = sums.sse, press = sums.press;
    const double* y = in.y;
    // Centred: the mean of y plus the centred terms; else the observed rows.
    const long double* b = in.centredFit ? in.bVars.data() : in.b.data();
    const double* v = in.centredFit ? blk.zc.data() : blk.xb.data();
    const int count = in.centredFit ? in.q : in.p;
    const long double f0 = in.centredFit ? in.meanY : 0.0L;
    long double fits[kBlock];
    int t = 0;
    for (; t + 2 < len; t += 3) FittedTriple(b, v, count, t, f0, fits + t);
    for (; t + 1 < len; t += 2) FittedPair(b, v, count, t, f0, fits[t], fits[t + 1]);
    if (t < len) fits[t] = FittedValue(b, v, count, t, f0);
    if (in.deferLeverages) {
        // Three rows, each written whole and not read again by this pass.
        double fitOut[kBlock], eOut[kBlock];
        for (t = 0; t < len; ++t) {
            const long double e = y[start + t] - fits[t];
            sse += e * e;
            fitOut[t] = static_cast<double>(fits[t]);
            eOut[t] = static_cast<double>(e);
        }
        StreamValues(y + start, static_cast<std::size_t>(len), rows.y + start);
        StreamValues(fitOut, static_cast<std::size_t>(len), rows.fit + start);
        StreamValues(eOut, static_cast<std::size_t>(len), rows.e + start);
        sums.sse = sse;
        return;
    }
    // Every row is written whole and not read again by this pass: the
    // values go past the cache.
    double fitOut[kBlock], eOut[kBlock], pressOut[kBlock];
    for (t = 0; t < len; ++t) {
        const long double fit = fits[t];
        const long double e = y[start + t] - fit;
        sse += e * e;
        const double ed = static_cast<double>(e);
        const double pressResidual = PressResidualOf(ed, in.twoStageLeverage ? blk.bb[t] : blk.h[t]);
        press += static_cast<long double>(pressResidual) * pressResidual;
        fitOut[t] = static_cast<double>(fit);
        eOut[t] = ed;
        pressOut[t] = pressResidual;
    }
    const auto values = static_cast<std::size_t>(len);
    StreamValues(y + start, values, rows.y + start);
    StreamValues(fitOut, values, rows.fit + start);
    StreamValues(eOut, values, rows.e + start);
    StreamValues(pressOut, values, rows.press + start);
    StreamValues(blk.h, values, rows.h + start);
    if (in.twoStageLeverage) {
        StreamValues(blk.a, values, rows.a + start);
        StreamValues(blk.bb, values, rows.b + start);
    }
    sums.sse = sse;
    sums.press = press;
}

}  // namespace

long double Reg::StructuralSse() const {
    const int n = GetObsCount();
    const int k = GetVarCount();
    const int dep = dependent_;
    if (k < 1) return 0.0L;
    const std::vector<int> swept = SweptIndices();
    const int p = static_cast<int>(swept.size());
    std::vector<long double> b(p);
    std::vector<const double*> x(p, nullptr);
    for (int s = 0; s < p; ++s) {
        b[s] = fit_.moments[swept[s]][dep];
        if (swept[s] < k) x[s] = GetVar(swept[s]).Data();
    }
    const double* y = GetVar(dep).Data();
    long double sse = 0.0L;
    for (int i = 0; i < n; ++i) {
        long double fit = 0.0L;
        for (int s = 0; s < p; ++s) fit += x[s] ? b[s] * x[s][i] : b[s];
        const long double e = y[i] - fit;
        sse += e * e;
    }
    return sse;
}

double Reg::ComputeResiduals() {
    const int n = GetObsCount();
    const int k = GetVarCount();
    if (k < 1) {
        DropPendingLeverages();
        fit_.press = 0.0;
        return 0.0;
    }
    // The table and the design still have the former shape: no rows to write.
    if (!EstimatedForCurrentShape()) return fit_.sse;
    DropPendingLeverages();
    fit_.press = 0.0;
    if (static_cast<int>(fit_.designMeanHi.size()) != k + 1) {
        fit_.designMeanHi.assign(k + 1, 0.0);
        fit_.designMeanLo.assign(k + 1, 0.0);
    }

    if (fit_.designTwoStage) FinishPendingDesign();  // read by this pass
    const bool read = leveragesRead_.exchange(false, std::memory_order_acq_rel);
    const ResidualInputs in = PrepareResidualPass(*this, fit_, !read);
    const ResidualRows rows = ResidualRowsOf(analysis_.table, in.twoStageLeverage, in.deferLeverages);
    // Chunks of whole blocks on the worker threads; their sums are added in
    // chunk order, so the result does not depend on the thread count.
    std::vector<ResidualSums> partial(static_cast<std::size_t>((n + kChunk - 1) / kChunk));
    ForEachBlock(Pool(), n, kChunk, [&](long long first, int count) {
        ResidualBlock block(in.p, in.q);
        ResidualSums& sums = partial[static_cast<std::size_t>(first / kChunk)];
        const int last = static_cast<int>(first) + count;
        for (int start = static_cast<int>(first); start < last; start += kBlock) {
            const int len = last - start < kBlock ? last - start : kBlock;
            LoadBlock(in, start, len, block);
            if (!in.deferLeverages) BlockLeverages(in, len, block);
            WriteBlock(in, start, len, block, rows, sums);
        }
        FinishStreamedValues();
    });
    ResidualSums sums;
    for (const ResidualSums& s : partial) {
        sums.sse += s.sse;
        sums.press += s.press;
    }
    if (in.deferLeverages) {
        auto source = std::make_unique<LeverageSource>();
        source->q = in.q;
        source->vars = in.vars;
        source->packed = in.packed;
        source->centreHi = in.centreHi;
        source->centreLo = in.centreLo;
        source->inverseN = in.inverseN;
        source->n = n;
        pendingLeverages_ = std::move(source);
        leveragesPending_.store(true, std::memory_order_release);
    } else {
        fit_.press = static_cast<double>(sums.press);
    }
    return static_cast<double>(sums.sse);
}

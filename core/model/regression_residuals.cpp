// Reg: residuals, PRESS residuals and leverages of the swept model.
//
// One pass over the observations in blocks. Fitted values are summed in long
// double from the long double coefficients, since the fitted value of an
// ill-conditioned model is a small difference of large terms. Leverages are
// quadratic forms in the swept block of the moment matrix on centred rows,
// packed once per call into doubles and evaluated over a block of
// observations at a time so that the inner loops vectorise.
#include <cmath>
#include <vector>

#include "core/model/regression_model.h"

namespace {

constexpr int kBlock = 64;

// Compiled for AVX2 as well where the processor has it: these two forms are
// the bulk of a toggle.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define MERLOX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define MERLOX_VECTOR_CLONES
#endif

// out[t] = v_t' Q v_t for the packed symmetric form Q (p x p, upper triangle
// with doubled off-diagonal elements), v column-major in blocks of kBlock.
MERLOX_VECTOR_CLONES void QuadraticForm(const double* q, int p, const double* v, int len, double* out) {
    double acc[kBlock];
    for (int t = 0; t < len; ++t) out[t] = 0.0;
    for (int s = 0; s < p; ++s) {
        const double* qs = q + static_cast<size_t>(s) * p;
        const double* vs = v + static_cast<size_t>(s) * kBlock;
        for (int t = 0; t < len; ++t) acc[t] = qs[s] * vs[t];
        for (int l = s + 1; l < p; ++l) {
            const double c = qs[l];
            const double* vl = v + static_cast<size_t>(l) * kBlock;
            for (int t = 0; t < len; ++t) acc[t] += c * vl[t];
        }
        for (int t = 0; t < len; ++t) out[t] += vs[t] * acc[t];
    }
}

// out[t] = x_t' M z_t for the full p x p matrix M.
MERLOX_VECTOR_CLONES void BilinearForm(const double* m, int p, const double* x, const double* z, int len, double* out) {
    double acc[kBlock];
    for (int t = 0; t < len; ++t) out[t] = 0.0;
    for (int s = 0; s < p; ++s) {
        const double* ms = m + static_cast<size_t>(s) * p;
        for (int t = 0; t < len; ++t) acc[t] = 0.0;
        for (int l = 0; l < p; ++l) {
            const double c = ms[l];
            const double* zl = z + static_cast<size_t>(l) * kBlock;
            for (int t = 0; t < len; ++t) acc[t] += c * zl[t];
        }
        const double* xs = x + static_cast<size_t>(s) * kBlock;
        for (int t = 0; t < len; ++t) out[t] += xs[t] * acc[t];
    }
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
    const int dep = dependent_;
    if (k < 1) {
        fit_.press = 0.0;
        return 0.0;
    }
    // The table and the design still have the former shape: no rows to write.
    if (!EstimatedForCurrentShape()) return fit_.sse;
    fit_.press = 0.0;

    const std::vector<int> swept = SweptIndices();
    const int p = static_cast<int>(swept.size());
    const LongMatrix& M = fit_.moments;
    std::vector<long double> b(p);
    for (int s = 0; s < p; ++s) b[s] = M[swept[s]][dep];

    // Leverages in centred form: with the design means m and C the swept
    // block of the explanatory variables (the inverse of their centred
    // cross-products), u' M v = 1/n + (u - m)' C (v - m) for rows u, v whose
    // constant entry is 1.
    std::vector<int> vars;
    for (int col : swept)
        if (col < k) vars.push_back(col);
    const int q = static_cast<int>(vars.size());
    std::vector<double> full(static_cast<size_t>(q) * q), packed(static_cast<size_t>(q) * q, 0.0);
    for (int s = 0; s < q; ++s) {
        for (int l = 0; l < q; ++l) full[static_cast<size_t>(s) * q + l] = static_cast<double>(M[vars[s]][vars[l]]);
        packed[static_cast<size_t>(s) * q + s] = full[static_cast<size_t>(s) * q + s];
        for (int l = s + 1; l < q; ++l)
            packed[static_cast<size_t>(s) * q + l] = static_cast<double>(M[vars[s]][vars[l]] + M[vars[l]][vars[s]]);
    }
    if (static_cast<int>(fit_.designMeanHi.size()) != k + 1) {
        fit_.designMeanHi.assign(k + 1, 0.0);
        fit_.designMeanLo.assign(k + 1, 0.0);
    }
    const double inverseN = n > 0 ? 1.0 / n : 0.0;

    // Observed explanatory values: the variables themselves (the design may
    // hold first-stage fitted values), 1.0 for the constant.
    std::vector<const double*> observed(p, nullptr);
    for (int s = 0; s < p; ++s)
        if (swept[s] < k) observed[s] = GetVar(swept[s]).Data();
    std::vector<const double*> observedVars(q);
    for (int s = 0; s < q; ++s) observedVars[s] = GetVar(vars[s]).Data();
    const double* y = GetVar(dep).Data();
    const bool twoStageLeverage = twoStage_ && realCalc_;
    // With the observed values in the design, the fit is the mean of y plus
    // the centred terms: small terms, and no second read of the data.
    const bool centredFit = !fit_.designTwoStage;
    std::vector<long double> bVars(q);
    for (int s = 0; s < q; ++s) bVars[s] = M[vars[s]][dep];
    const long double meanY = static_cast<long double>(fit_.designMeanHi[dep]) + fit_.designMeanLo[dep];

    double* rowY = analysis_.table.Row(kRowObserved);
    double* rowFit = analysis_.table.Row(kRowFitted);
    double* rowE = analysis_.table.Row(kRowResidual);
    double* rowP = analysis_.table.Row(kRowPress);
    double* rowH = analysis_.table.Row(kRowLeverage);
    double* rowA = analysis_.table.Row(kRowTwoStageA);
    double* rowB = analysis_.table.Row(kRowTwoStageB);

    std::vector<double> xb(static_cast<size_t>(p) * kBlock);
    std::vector<double> xc(static_cast<size_t>(q) * kBlock), zc(static_cast<size_t>(q) * kBlock);
    double h[kBlock], a[kBlock], bb[kBlock];
    const double* design = fit_.design.Data();
    const int stride = fit_.design.Cols();
    long double sse = 0.0L, press = 0.0L;

    for (int start = 0; start < n; start += kBlock) {
        const int len = n - start < kBlock ? n - start : kBlock;
        for (int s = 0; s < p && !centredFit; ++s) {
            double* xs = &xb[static_cast<size_t>(s) * kBlock];
            if (observed[s] != nullptr) {
                for (int t = 0; t < len; ++t) xs[t] = observed[s][start + t];
            } else {
                for (int t = 0; t < len; ++t) xs[t] = 1.0;
            }
        }
        for (int s = 0; s < q; ++s) {
            const int col = vars[s];
            const double hi = fit_.designMeanHi[col], lo = fit_.designMeanLo[col];
            double* zs = &zc[static_cast<size_t>(s) * kBlock];
            for (int t = 0; t < len; ++t) zs[t] = (design[static_cast<size_t>(start + t) * stride + col] - hi) - lo;
            if (twoStageLeverage) {
                double* xs = &xc[static_cast<size_t>(s) * kBlock];
                for (int t = 0; t < len; ++t) xs[t] = (observedVars[s][start + t] - hi) - lo;
            }
        }
        if (twoStageLeverage) {
            QuadraticForm(packed.data(), q, xc.data(), len, h);
            QuadraticForm(packed.data(), q, zc.data(), len, a);
            BilinearForm(full.data(), q, xc.data(), zc.data(), len, bb);
            for (int t = 0; t < len; ++t) {
                h[t] += inverseN;
                a[t] += inverseN;
                bb[t] += inverseN;
            }
        } else {
            QuadraticForm(packed.data(), q, zc.data(), len, h);
            for (int t = 0; t < len; ++t) h[t] += inverseN;
        }
        for (int t = 0; t < len; ++t) {
            const int i = start + t;
            long double f0 = 0.0L, f1 = 0.0L;
            if (centredFit) {
                f0 = meanY;
                int s = 0;
                for (; s + 1 < q; s += 2) {
                    f0 += bVars[s] * zc[static_cast<size_t>(s) * kBlock + t];
                    f1 += bVars[s + 1] * zc[static_cast<size_t>(s + 1) * kBlock + t];
                }
                if (s < q) f0 += bVars[s] * zc[static_cast<size_t>(s) * kBlock + t];
            } else {
                int s = 0;
                for (; s + 1 < p; s += 2) {
                    f0 += b[s] * xb[static_cast<size_t>(s) * kBlock + t];
                    f1 += b[s + 1] * xb[static_cast<size_t>(s + 1) * kBlock + t];
                }
                if (s < p) f0 += b[s] * xb[static_cast<size_t>(s) * kBlock + t];
            }
            const long double fit = f0 + f1;
            const long double e = y[i] - fit;
            sse += e * e;
            const double ed = static_cast<double>(e);
            const double pressResidual = ed / (1.0 - (twoStageLeverage ? bb[t] : h[t]));
            press += static_cast<long double>(pressResidual) * pressResidual;
            rowY[i] = y[i];
            rowFit[i] = static_cast<double>(fit);
            rowE[i] = ed;
            rowP[i] = pressResidual;
            rowH[i] = h[t];
            if (twoStageLeverage) {
                rowA[i] = a[t];
                rowB[i] = bb[t];
            }
        }
    }
    fit_.press = static_cast<double>(press);
    return static_cast<double>(sse);
}

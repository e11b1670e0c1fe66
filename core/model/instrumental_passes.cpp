#include "core/model/instrumental_passes.h"

#include <algorithm>
#include <cstddef>

#include "core/model/leverage_forms.h"
#include "core/numeric/thread_pool.h"

namespace {

constexpr int kBlock = kLeverageBlock;
constexpr int kChunk = kResidualChunk;
// Rows per task of the copies.
constexpr int kCopyRows = 4096;

std::size_t At(int a, int t) { return static_cast<std::size_t>(a) * kBlock + static_cast<std::size_t>(t); }

// A block of observations about the centres, and its hat forms.
struct CentredBlock {
    explicit CentredBlock(int q) : xc(static_cast<std::size_t>(q) * kBlock), zc(xc.size()) {}
    std::vector<double> xc, zc;
    double ha[kBlock], hb[kBlock], hc[kBlock];
};

// Centres the block's rows of x and z; returns the design's (x's own when
// the design is the data).
const double* Centre(const Matrix& x, const Matrix& z, const InstrumentalForms& f, long long start, int len,
                     CentredBlock& blk) {
    CentreInstrumentalBlock(x, f.vars, f.xHi, f.xLo, start, len, blk.xc.data());
    if (&z == &x) return blk.xc.data();
    CentreInstrumentalBlock(z, f.vars, f.zHi, f.zLo, start, len, blk.zc.data());
    return blk.zc.data();
}

// x'Cf x and z'Wc z of the block into blk.hb, blk.hc, snapped.
void LeverageForms(const InstrumentalForms& f, const double* zc, long long start, int len,
                   const std::vector<long long>& sole, CentredBlock& blk) {
    const int q = static_cast<int>(f.vars.size());
    QuadraticForm(f.hatB.data(), q, blk.xc.data(), len, blk.hb);
    QuadraticForm(f.hatC.data(), q, zc, len, blk.hc);
    for (int t = 0; t < len; ++t) {
        blk.hb[t] = LeverageAt(blk.hb[t] + f.offset, start + t, sole);
        blk.hc[t] = LeverageAt(blk.hc[t] + f.offset, start + t, sole);
    }
}

long long ChunkCount(long long n) { return (n + kChunk - 1) / kChunk; }

}  // namespace

void CentreInstrumentalBlock(const Matrix& m, const std::vector<int>& vars, const std::vector<double>& hi,
                             const std::vector<double>& lo, long long start, int len, double* out) {
    const int q = static_cast<int>(vars.size());
    if (q == 0 || len <= 0) return;
    const int stride = m.Cols();
    CentreRows(m.Data() + start * stride, stride, vars.data(), hi.data(), lo.data(), q, len, m.Rows() - start, out,
               kBlock);
}

double InstrumentalResidualPass(ThreadPool* pool, const Matrix& x, const Matrix& z, int n, int dependent,
                                const InstrumentalForms& f, const InstrumentalResidualRows& rows, double& press,
                                const std::vector<long long>& sole) {
    const int q = static_cast<int>(f.vars.size());
    const int cols = x.Cols();
    const double* xData = x.Data();
    const bool leverages = rows.hatB != nullptr && rows.hatC != nullptr;
    std::vector<long double> rssPart(static_cast<std::size_t>(ChunkCount(n)), 0.0L), pressPart(rssPart);
    ForEachBlock(pool, n, kChunk, [&](long long first, int count) {
        CentredBlock blk(q);
        long double rss = 0.0L, pressSum = 0.0L;
        for (long long start = first; start < first + count; start += kBlock) {
            const int len = static_cast<int>(std::min<long long>(kBlock, first + count - start));
            const double* zc = Centre(x, z, f, start, len, blk);
            BilinearForm(f.hatA.data(), q, blk.xc.data(), zc, len, blk.ha);
            if (leverages) LeverageForms(f, zc, start, len, sole, blk);
            for (int t = 0; t < len; ++t) {
                const long long i = start + t;
                // The mean of y plus centred terms: small terms, summed in
                // long double.
                long double fit = f.fit0;
                for (int a = 0; a < q; ++a) fit += f.b[static_cast<std::size_t>(a)] * blk.xc[At(a, t)];
                const double y = xData[i * cols + dependent];
                const long double e = y - fit;
                rss += e * e;
                const double ed = static_cast<double>(e);
                // A leverage within rounding of 1 is 1: no PRESS residual.
                const double ha = LeverageAt(blk.ha[t] + f.offset, i, sole);
                const double p = PressResidualOf(ed, ha);
                pressSum += static_cast<long double>(p) * p;
                rows.observed[i] = y;
                rows.fitted[i] = static_cast<double>(fit);
                rows.residual[i] = ed;
                rows.press[i] = p;
                rows.hatA[i] = ha;
                if (leverages) {
                    rows.hatB[i] = blk.hb[t];
                    rows.hatC[i] = blk.hc[t];
                }
            }
        }
        rssPart[static_cast<std::size_t>(first / kChunk)] = rss;
        pressPart[static_cast<std::size_t>(first / kChunk)] = pressSum;
    });
    long double rss = 0.0L, pressSum = 0.0L;
    for (std::size_t c = 0; c < rssPart.size(); ++c) {
        rss += rssPart[c];
        pressSum += pressPart[c];
    }
    press = static_cast<double>(pressSum);
    return static_cast<double>(rss);
}

void InstrumentalLeveragePass(ThreadPool* pool, const Matrix& x, const Matrix& z, int n,
                              const InstrumentalForms& f, double* hatB, double* hatC,
                              const std::vector<long long>& sole) {
    ForEachBlock(pool, n, kChunk, [&](long long first, int count) {
        CentredBlock blk(static_cast<int>(f.vars.size()));
        for (long long start = first; start < first + count; start += kBlock) {
            const int len = static_cast<int>(std::min<long long>(kBlock, first + count - start));
            LeverageForms(f, Centre(x, z, f, start, len, blk), start, len, sole, blk);
            std::copy(blk.hb, blk.hb + len, hatB + start);
            std::copy(blk.hc, blk.hc + len, hatC + start);
        }
    });
}

std::vector<long double> InstrumentalCentredCross(ThreadPool* pool, const Matrix& x, int n,
                                                  const InstrumentalForms& f, const double* e) {
    const int q = static_cast<int>(f.vars.size());
    const auto qs = static_cast<std::size_t>(q);
    std::vector<long double> parts(static_cast<std::size_t>(ChunkCount(n)) * qs, 0.0L);
    if (q == 0) return parts;
    ForEachBlock(pool, n, kChunk, [&](long long first, int count) {
        std::vector<double> xc(qs * kBlock);
        long double* part = parts.data() + static_cast<std::size_t>(first / kChunk) * qs;
        for (long long start = first; start < first + count; start += kBlock) {
            const int len = static_cast<int>(std::min<long long>(kBlock, first + count - start));
            CentreInstrumentalBlock(x, f.vars, f.xHi, f.xLo, start, len, xc.data());
            for (int a = 0; a < q; ++a)
                for (int t = 0; t < len; ++t) part[a] += static_cast<long double>(xc[At(a, t)]) * e[start + t];
        }
    });
    std::vector<long double> total(qs, 0.0L);
    for (std::size_t c = 0; c < parts.size() / qs; ++c)
        for (std::size_t a = 0; a < qs; ++a) total[a] += parts[c * qs + a];
    return total;
}

void FillObservationRows(ThreadPool* pool, const std::vector<const double*>& columns, int count,
                         const std::vector<int>& source, Matrix& out) {
    const int n = out.Rows(), cols = out.Cols();
    const int v = static_cast<int>(columns.size());
    double* data = out.Data();
    ForEachBlock(pool, n, kCopyRows, [&](long long first, int rowCount) {
        for (long long r = first; r < first + rowCount; ++r) {
            double* row = data + r * cols;
            const long long i = source.empty() ? r : source[static_cast<std::size_t>(r)];
            const bool present = i >= 0 && i < count;
            for (int j = 0; j < v; ++j) row[j] = present && columns[j] ? columns[j][i] : 1.0;
            for (int j = v; j < cols; ++j) row[j] = 1.0;
        }
    });
}

void CopyMatrixRows(ThreadPool* pool, const Matrix& src, Matrix& dst) {
    const long long cols = src.Cols();
    const double* from = src.Data();
    double* to = dst.Data();
    ForEachBlock(pool, src.Rows(), kCopyRows, [&](long long first, int count) {
        std::copy(from + first * cols, from + (first + count) * cols, to + first * cols);
    });
}

#include "core/model/instrumental_passes.h"

#include <algorithm>
#include <cstddef>
#include <memory>

#include "core/model/leverage_forms.h"
#include "core/numeric/thread_pool.h"

namespace {

// Rows per partial sum (the rounding of the sums depends on it) and rows
// per task of the pool (a whole number of blocks).
constexpr int kBlockRows = 256;
constexpr int kChunkRows = 16 * kBlockRows;

std::size_t Packed(int i, int j) { return static_cast<std::size_t>(i) * (i + 1) / 2 + j; }

// The p x p matrix m (row-major) by columns.
std::vector<double> Transposed(const std::vector<double>& m, int p) {
    std::vector<double> t(m.size());
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j) t[static_cast<std::size_t>(j) * p + i] = m[static_cast<std::size_t>(i) * p + j];
    return t;
}

// RSS, and the PRESS sum into press: long double, in observation order.
double SumSquares(const InstrumentalResidualRows& rows, int n, double& press) {
    long double rss = 0.0L, pressSum = 0.0L;
    for (int t = 0; t < n; ++t) {
        rss += static_cast<long double>(rows.residual[t]) * rows.residual[t];
        pressSum += static_cast<long double>(rows.press[t]) * rows.press[t];
    }
    press = static_cast<double>(pressSum);
    return static_cast<double>(rss);
}

}  // namespace

void InstrumentalCrossProducts(ThreadPool* pool, const Matrix& z, const Matrix& x, bool designIsData, Matrix& zx,
                               Matrix& zz) {
    const int n = z.Rows(), k = z.Cols();
    const std::size_t kk = static_cast<std::size_t>(k) * k;
    const std::size_t tri = static_cast<std::size_t>(k) * (k + 1) / 2;
    // Per block: Z'X in full (unless it is Z'Z), then Z'Z's lower triangle.
    const std::size_t perBlock = (designIsData ? 0 : kk) + tri;
    const long long blocks = (static_cast<long long>(n) + kBlockRows - 1) / kBlockRows;
    std::unique_ptr<double[]> partial(new double[static_cast<std::size_t>(blocks) * perBlock]);
    const double* zData = z.Data();
    const double* xData = x.Data();
    ForEachBlock(pool, n, kChunkRows, [&](long long first, int count) {
        std::vector<double> cross(designIsData ? 0 : kk), gram(kk);
        for (long long r0 = first; r0 < first + count; r0 += kBlockRows) {
            const long long r1 = std::min<long long>(first + count, r0 + kBlockRows);
            std::fill(cross.begin(), cross.end(), 0.0);
            std::fill(gram.begin(), gram.end(), 0.0);
            for (long long r = r0; r < r1; ++r) {
                const double* zr = zData + r * k;
                const double* xr = xData + r * k;
                for (int i = 0; i < k; ++i) {
                    const double zi = zr[i];
                    double* g = &gram[static_cast<std::size_t>(i) * k];
                    if (!designIsData) {
                        double* c = &cross[static_cast<std::size_t>(i) * k];
                        for (int j = 0; j < k; ++j) c[j] += zi * xr[j];
                    }
                    for (int j = 0; j <= i; ++j) g[j] += zi * zr[j];
                }
            }
            double* out = &partial[static_cast<std::size_t>(r0 / kBlockRows) * perBlock];
            if (!designIsData) out = std::copy(cross.begin(), cross.end(), out);
            for (int i = 0; i < k; ++i)
                for (int j = 0; j <= i; ++j) out[Packed(i, j)] = gram[static_cast<std::size_t>(i) * k + j];
        }
    });
    std::vector<long double> total(perBlock, 0.0L);
    for (long long b = 0; b < blocks; ++b) {
        const double* p = &partial[static_cast<std::size_t>(b) * perBlock];
        for (std::size_t e = 0; e < perBlock; ++e) total[e] += p[e];
    }
    const long double* gramTotal = total.data() + (designIsData ? 0 : kk);
    Matrix a(k, k), w(k, k);
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j) {
            const double g = static_cast<double>(gramTotal[j <= i ? Packed(i, j) : Packed(j, i)]);
            w[i][j] = g;
            // Z = X: each product z_i x_j is x_j z_i, summed in the same order.
            a[i][j] = designIsData ? g : static_cast<double>(total[static_cast<std::size_t>(i) * k + j]);
        }
    zx.Replace(a);
    zz.Replace(w);
}

double InstrumentalResidualPass(ThreadPool* pool, const Matrix& x, const Matrix& z, int n, int dependent,
                                const std::vector<int>& s, const std::vector<double>& a,
                                const std::vector<double>& cf, const std::vector<double>& wc,
                                const std::vector<double>& b, const InstrumentalResidualRows& rows, double& press,
                                const std::vector<long long>& sole) {
    const int p = static_cast<int>(s.size());
    const int cols = x.Cols();
    const double* xData = x.Data();
    const double* zData = z.Data();
    const int d = dependent;
    const std::vector<double> at = Transposed(a, p);
    ForEachBlock(pool, n, kChunkRows, [&](long long first, int count) {
        std::vector<double> xs(static_cast<std::size_t>(p)), zs(static_cast<std::size_t>(p)),
            az(static_cast<std::size_t>(p));
        for (long long t = first; t < first + count; ++t) {
            const double* xr = xData + t * cols;
            const double* zr = zData + t * cols;
            for (int i = 0; i < p; ++i) {
                xs[i] = xr[s[i]];
                zs[i] = zr[s[i]];
            }
            // A z by columns: each element still sums over j in order.
            std::fill(az.begin(), az.end(), 0.0);
            for (int j = 0; j < p; ++j) {
                const double zj = zs[j];
                const double* column = &at[static_cast<std::size_t>(j) * p];
                for (int i = 0; i < p; ++i) az[i] += column[i] * zj;
            }
            double fit = 0.0, ha = 0.0;
            for (int i = 0; i < p; ++i) {
                fit += xs[i] * b[i];
                ha += xs[i] * az[i];
            }
            const double e = xr[d] - fit;
            rows.observed[t] = xr[d];
            rows.fitted[t] = fit;
            rows.residual[t] = e;
            // A leverage within rounding of 1 is 1: no PRESS residual.
            const double lev = LeverageAt(ha, t, sole);
            rows.press[t] = PressResidualOf(e, lev);
            rows.hatA[t] = lev;
        }
    });
    if (rows.hatB && rows.hatC) InstrumentalLeveragePass(pool, x, z, n, s, cf, wc, rows.hatB, rows.hatC, sole);
    return SumSquares(rows, n, press);
}

void InstrumentalLeveragePass(ThreadPool* pool, const Matrix& x, const Matrix& z, int n, const std::vector<int>& s,
                              const std::vector<double>& cf, const std::vector<double>& wc, double* hatB,
                              double* hatC, const std::vector<long long>& sole) {
    const int p = static_cast<int>(s.size());
    const int cols = x.Cols();
    const double* xData = x.Data();
    const double* zData = z.Data();
    const std::vector<double> cft = Transposed(cf, p), wct = Transposed(wc, p);
    ForEachBlock(pool, n, kChunkRows, [&](long long first, int count) {
        std::vector<double> xs(static_cast<std::size_t>(p)), zs(static_cast<std::size_t>(p)),
            cx(static_cast<std::size_t>(p)), wz(static_cast<std::size_t>(p));
        for (long long t = first; t < first + count; ++t) {
            const double* xr = xData + t * cols;
            const double* zr = zData + t * cols;
            for (int i = 0; i < p; ++i) {
                xs[i] = xr[s[i]];
                zs[i] = zr[s[i]];
            }
            std::fill(cx.begin(), cx.end(), 0.0);
            std::fill(wz.begin(), wz.end(), 0.0);
            for (int j = 0; j < p; ++j) {
                const double xj = xs[j], zj = zs[j];
                const double* cColumn = &cft[static_cast<std::size_t>(j) * p];
                const double* wColumn = &wct[static_cast<std::size_t>(j) * p];
                for (int i = 0; i < p; ++i) {
                    cx[i] += cColumn[i] * xj;
                    wz[i] += wColumn[i] * zj;
                }
            }
            double hb = 0.0, hc = 0.0;
            for (int i = 0; i < p; ++i) {
                hb += xs[i] * cx[i];
                hc += zs[i] * wz[i];
            }
            hatB[t] = LeverageAt(hb, t, sole);
            hatC[t] = LeverageAt(hc, t, sole);
        }
    });
}

void FillObservationRows(ThreadPool* pool, const std::vector<const double*>& columns, int count,
                         const std::vector<int>& source, Matrix& out) {
    const int n = out.Rows(), cols = out.Cols();
    const int v = static_cast<int>(columns.size());
    double* data = out.Data();
    ForEachBlock(pool, n, kChunkRows, [&](long long first, int rowCount) {
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
    ForEachBlock(pool, src.Rows(), kChunkRows, [&](long long first, int count) {
        std::copy(from + first * cols, from + (first + count) * cols, to + first * cols);
    });
}

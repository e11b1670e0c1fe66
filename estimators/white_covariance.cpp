#include "estimators/white_covariance.h"

#include <algorithm>
#include <functional>
#include <new>
#include <vector>

#include "core/model/regression_model.h"
#include "platform/errors.h"

namespace {

constexpr long long kChunkRows = 8192;
constexpr int kBlockRows = 64;

std::vector<int> ExplanatoryOrder(const Reg& reg) {
    std::vector<int> ex;
    const int k = reg.GetVarCount();
    for (int j = 0; j < k; ++j)
        if (reg.IsExplanatory(j)) ex.push_back(j);
    return ex;
}

void RunChunks(const Reg& reg, int chunks, const std::function<void(int)>& body) {
    ThreadPool* pool = reg.Pool();
    if (pool != nullptr && chunks > 1)
        pool->ParallelFor(chunks, body);
    else
        for (int c = 0; c < chunks; ++c) body(c);
}

}  // namespace

Matrix ComputeWhiteCovariance(const Reg& reg) {
    const int k = reg.GetVarCount();
    const long long n = reg.GetObsCount();
    const LongMatrix& moments = reg.SweptMoments();
    if (n < 1 || moments.Rows() != k + 1 || moments.Cols() != k + 1)
        throw EMathError("推定結果がありません。");
    try {
        const std::vector<int> ex = ExplanatoryOrder(reg);
        const int m = static_cast<int>(ex.size());
        const int p = m + 1;
        const Matrix& design = reg.Design();
        const double* e = reg.Analysis().Row(Reg::kRowResidual);
        if (design.Rows() < n || design.Cols() < k + 1 || e == nullptr)
            throw EMathError("推定結果がありません。");
        const int stride = design.Cols();
        const double* z = design.Data();
        const int chunks = static_cast<int>((n + kChunkRows - 1) / kChunkRows);

        // Means of the explanatory design columns.
        std::vector<double> partialMean(static_cast<std::size_t>(chunks) * m, 0.0);
        RunChunks(reg, chunks, [&](int c) {
            const long long begin = c * kChunkRows, end = std::min(n, begin + kChunkRows);
            double* out = &partialMean[static_cast<std::size_t>(c) * m];
            for (long long i = begin; i < end; ++i) {
                const double* row = z + i * stride;
                for (int s = 0; s < m; ++s) out[s] += row[ex[s]];
            }
        });
        std::vector<double> mean(m);
        for (int s = 0; s < m; ++s) {
            long double sum = 0.0L;
            for (int c = 0; c < chunks; ++c) sum += partialMean[static_cast<std::size_t>(c) * m + s];
            mean[s] = static_cast<double>(sum / n);
        }

        // B = sum e_i^2 u_i u_i', u_i = (centred explanatory values, 1), lower
        // triangle; a block of rows is laid out by column so the inner loop
        // runs over contiguous values.
        const std::size_t tri = static_cast<std::size_t>(p) * (p + 1) / 2;
        std::vector<double> partial(static_cast<std::size_t>(chunks) * tri, 0.0);
        RunChunks(reg, chunks, [&](int c) {
            const long long begin = c * kChunkRows, end = std::min(n, begin + kChunkRows);
            double* out = &partial[static_cast<std::size_t>(c) * tri];
            std::vector<double> block(static_cast<std::size_t>(p) * kBlockRows);
            for (long long b = begin; b < end; b += kBlockRows) {
                const int rows = static_cast<int>(std::min<long long>(kBlockRows, end - b));
                for (int r = 0; r < rows; ++r) {
                    const double* row = z + (b + r) * stride;
                    const double ei = e[b + r];
                    for (int s = 0; s < m; ++s) block[static_cast<std::size_t>(s) * kBlockRows + r] = ei * (row[ex[s]] - mean[s]);
                    block[static_cast<std::size_t>(m) * kBlockRows + r] = ei;
                }
                std::size_t at = 0;
                for (int s = 0; s < p; ++s) {
                    const double* us = &block[static_cast<std::size_t>(s) * kBlockRows];
                    for (int t = 0; t <= s; ++t, ++at) {
                        const double* ut = &block[static_cast<std::size_t>(t) * kBlockRows];
                        double sum = 0.0;
                        for (int r = 0; r < rows; ++r) sum += us[r] * ut[r];
                        out[at] += sum;
                    }
                }
            }
        });
        std::vector<long double> meat(static_cast<std::size_t>(p) * p, 0.0L);
        {
            std::size_t at = 0;
            for (int s = 0; s < p; ++s)
                for (int t = 0; t <= s; ++t, ++at) {
                    long double sum = 0.0L;
                    for (int c = 0; c < chunks; ++c) sum += partial[static_cast<std::size_t>(c) * tri + at];
                    meat[static_cast<std::size_t>(s) * p + t] = sum;
                    meat[static_cast<std::size_t>(t) * p + s] = sum;
                }
        }

        // (X'X)^-1 x_i = T u_i with T = [C 0; -mean'C 1/n], C the swept block
        // of the explanatory variables; the covariance is T B T'.
        std::vector<long double> T(static_cast<std::size_t>(p) * p, 0.0L);
        for (int s = 0; s < m; ++s)
            for (int t = 0; t < m; ++t) T[static_cast<std::size_t>(s) * p + t] = moments[ex[s]][ex[t]];
        for (int t = 0; t < m; ++t) {
            long double v = 0.0L;
            for (int s = 0; s < m; ++s) v -= mean[s] * T[static_cast<std::size_t>(s) * p + t];
            T[static_cast<std::size_t>(m) * p + t] = v;
        }
        T[static_cast<std::size_t>(m) * p + m] = 1.0L / n;
        std::vector<long double> TB(static_cast<std::size_t>(p) * p, 0.0L);
        for (int s = 0; s < p; ++s)
            for (int t = 0; t < p; ++t) {
                long double v = 0.0L;
                for (int u = 0; u < p; ++u) v += T[static_cast<std::size_t>(s) * p + u] * meat[static_cast<std::size_t>(u) * p + t];
                TB[static_cast<std::size_t>(s) * p + t] = v;
            }
        Matrix out(p, p);
        for (int s = 0; s < p; ++s)
            for (int t = 0; t <= s; ++t) {
                long double v = 0.0L;
                for (int u = 0; u < p; ++u) v += TB[static_cast<std::size_t>(s) * p + u] * T[static_cast<std::size_t>(t) * p + u];
                out[s][t] = static_cast<double>(v);
                out[t][s] = static_cast<double>(v);
            }
        return out;
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

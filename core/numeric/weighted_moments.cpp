#include "core/numeric/weighted_moments.h"

#include <algorithm>
#include <cmath>

#include "core/numeric/moment_matrix.h"

namespace {

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define MERLOX_FMA_CLONES __attribute__((target_clones("fma", "default")))
#else
#define MERLOX_FMA_CLONES
#endif

// The shifted values of observations first .. first + count - 1, packed:
// u_j = q (x_j - s_j c), the constant's own r = q c (its s is 0).
struct ShiftedRows {
    const std::vector<WeightedRows>& pieces;
    const double* constant;  // the constant's first value, or nullptr
    long long constantStride;
    const double* weights;  // or nullptr
    const std::vector<double>& shift;
    int width;

    void operator()(long long first, long long count, double* out) const;
};

// x - s c is rounded once: a filtered constant c is no power of two, and
// s c rounded alone would cost the digits the centring keeps. A fused
// multiply-add and the library's give the same bits.
MERLOX_FMA_CLONES void ShiftedRows::operator()(long long first, long long count, double* out) const {
    for (long long t = first; t < first + count; ++t, out += width) {
        const double q = weights ? std::sqrt(weights[t]) : 1.0;
        const double c = constant ? constant[t * constantStride] : 0.0;
        const double* s = shift.data();
        double* o = out;
        for (const WeightedRows& piece : pieces) {
            const double* x = piece.rows + t * piece.stride;
            for (int j = 0; j < piece.count; ++j) o[j] = q * std::fma(-s[j], c, x[j]);
            s += piece.count;
            o += piece.count;
        }
    }
}

}  // namespace

void BuildWeightedSums(long long n, const std::vector<WeightedRows>& pieces, int constant, const double* weights,
                       WeightedSums& out, ThreadPool* pool) {
    int width = 0;
    const double* constantValues = nullptr;
    long long constantStride = 0;
    for (const WeightedRows& piece : pieces) {
        if (constant >= width && constant < width + piece.count) {
            constantValues = piece.rows + (constant - width);
            constantStride = piece.stride;
        }
        width += piece.count;
    }
    const long long samples = MomentSampleCount(n);

    // s_j from the sampled rows: near the centre is all it needs to be.
    std::vector<double> shift(static_cast<std::size_t>(width), 0.0);
    if (constantValues) {
        std::vector<long double> cx(static_cast<std::size_t>(width), 0.0L);
        long double cc = 0.0L;
        std::vector<double> row(static_cast<std::size_t>(width));
        for (long long s = 0; s < samples; ++s) {
            const long long t = MomentSampleRow(s, n);
            ShiftedRows{pieces, nullptr, 0, nullptr, shift, width}(t, 1, row.data());
            const long double c = constantValues[t * constantStride];
            const long double wc = (weights ? weights[t] : 1.0L) * c;
            cc += wc * c;
            for (int j = 0; j < width; ++j) cx[j] += wc * row[j];
        }
        if (cc > 0.0L)
            for (int j = 0; j < width; ++j) shift[j] = static_cast<double>(cx[j] / cc);
        shift[constant] = 0.0;
    }
    const ShiftedRows rows{pieces, constantValues, constantStride, weights, shift, width};

    // The moment method's own shift, from the same sample rows.
    std::vector<double> sample(static_cast<std::size_t>(std::max<long long>(samples, 1)) * width);
    for (long long s = 0; s < samples; ++s) rows(MomentSampleRow(s, n), 1, &sample[static_cast<std::size_t>(s) * width]);
    std::vector<double> kernelShift(static_cast<std::size_t>(width));
    MomentShiftFromSample(sample.data(), samples, width, width, kernelShift.data());

    LongMatrix centred;
    BuildMomentsFromChunks(n, width, kernelShift.data(), rows, centred, pool);

    // The plain sums of u and r: the centred sums plus n times the products
    // of the means.
    const long double count = static_cast<long double>(n);
    LongMatrix raw(width, width, 0.0L);
    for (int i = 0; i < width; ++i)
        for (int j = 0; j < width; ++j) raw[i][j] = centred[i][j] + count * centred[width][i] * centred[width][j];
    out.spread.assign(static_cast<std::size_t>(width), 0.0L);
    for (int j = 0; j < width; ++j) out.spread[j] = raw[j][j];
    if (!constantValues) {
        out.m.Replace(raw);
        return;
    }
    // Swept on r: a_j = s_j + (u_j r) / (r r).
    const int c = constant;
    const long double rr = raw[c][c];
    out.m.Replace(LongMatrix(width, width, 0.0L));
    for (int i = 0; i < width; ++i) {
        if (i == c) continue;
        for (int j = 0; j < width; ++j)
            if (j != c) out.m[i][j] = raw[i][j] - raw[i][c] * raw[c][j] / rr;
        const long double centre = shift[i] + raw[i][c] / rr;
        out.m[c][i] = centre;
        out.m[i][c] = -centre;
    }
    out.m[c][c] = 1.0L / rr;
}

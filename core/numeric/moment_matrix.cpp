// The one moment method; see moment_matrix.h. Nothing here may be fused
// into a multiply-add: the sums must round the same on every processor.
#ifdef __clang__
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include "core/numeric/moment_matrix.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <bit>
#include <cstdint>
#include <stdexcept>
#include <type_traits>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "core/numeric/moment_kernels.h"
#include "core/numeric/moment_row_fill.h"
#include "core/numeric/streamed_store.h"
#include "core/numeric/thread_pool.h"

namespace {

constexpr int kBlock = kMomentBlockRows;
constexpr int kChunk = kMomentChunkRows;
constexpr long long kSample = 4096;
// Blocks read ahead of the one being summed: the kernel is busy long enough
// for them to arrive. They are asked into the second-level cache, which
// holds them beside the block's own buffers.
constexpr int kPrefetchAhead = 2;
// Rows of a block copied from each column in one go.
constexpr int kGatherRows = 8;
// Chunk totals held at once by a parallel run, in bytes (more chunks are
// run in waves).
constexpr std::size_t kWaveBytes = std::size_t(32) << 20;

// The variables and a column of ones (its products are the column sums),
// padded to whole vectors.
int Width(int cols) { return (cols + 1 + 7) / 8 * 8; }
std::size_t Packed(int i, int j) { return static_cast<std::size_t>(i) * (i + 1) / 2 + j; }
std::size_t PackedSize(int cols) { return Packed(cols + 1, 0); }

MomentBlockKernel KernelFor(MomentKernel choice) {
    const MomentBlockKernel kernel = FindMomentKernel(choice);
    if (kernel == nullptr) throw std::invalid_argument("moment kernel not supported by this processor");
    return kernel;
}

// Where observations are read: row-major rows or separate columns, and
// optionally a design to fill on the way.
struct Source {
    long long n = 0;  // observations
    const double* rows = nullptr;
    long long stride = 0;
    const double* const* columns = nullptr;
    double* design = nullptr;
    long long designStride = 0;

    double At(long long i, int j) const { return rows ? rows[i * stride + j] : columns[j][i]; }
};

bool IsWideFill(MomentRowFill fill) {
#if defined(__x86_64__) && defined(__GNUC__)
    return MomentKernelAvailable(MomentKernel::Avx512) && fill == FindMomentRowFill(MomentKernel::Avx512);
#else
    (void)fill;
    return false;
#endif
}

// The buffers of one block: hi and lo (kBlock x width), the kernel's
// output (width x width), 64-byte aligned.
struct BlockWork {
    BlockWork(int cols, MomentRowFill fill)
        : wide(IsWideFill(fill)),
          cols(cols),
          width(Width(cols)),
          hasLo(static_cast<std::size_t>(Width(cols)), 0),
          loBits(static_cast<std::size_t>(cols)),
          maxAbs(static_cast<std::size_t>(cols)),
          stage(static_cast<std::size_t>(kBlock) * (cols + 1)),
          fill(fill) {
        const std::size_t w = static_cast<std::size_t>(width);
        storage.assign(2 * kBlock * w + 2 * w * w + w + 8, 0.0);
        const auto address = reinterpret_cast<std::uintptr_t>(storage.data());
        hi = storage.data() + ((64 - address % 64) % 64) / sizeof(double);
        lo = hi + kBlock * w;
        s = lo + kBlock * w;
        c = s + w * w;
        scale = c + w * w;
        std::fill_n(scale, w, 1.0);
        // The column of ones; the padding stays zero.
        for (int t = 0; t < kBlock; ++t) hi[t * width + cols] = 1.0;
        scale[cols] = MomentColumnScale(1.0);
    }
    // The wide fill is in use: columns are filled eight at a time straight
    // from their arrays.
    bool wide;
    int cols, width;
    std::vector<double> storage;
    std::vector<unsigned char> hasLo;
    std::vector<std::uint64_t> loBits;
    std::vector<double> maxAbs;
    std::vector<double> stage;  // a block of rows gathered from columns (and 1.0)
    double *hi, *lo, *s, *c;
    double* scale;  // of the columns, the ones and the padding
    MomentRowFill fill;
};

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define MERLOX_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define MERLOX_CLONES
#endif

void StartFill(BlockWork& w) {
    std::fill_n(w.loBits.data(), w.cols, 0);
    std::fill_n(w.maxAbs.data(), w.cols, 0.0);
}

// MomentColumnScale without the library calls for a normal size whose
// scale is finite: 2^(E+4) for maxAbs in [2^(E-1), 2^E) has the biased
// exponent of maxAbs plus 5. Every other size takes the function itself.
double ColumnScale(double maxAbs) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(maxAbs);
    const std::uint64_t biased = bits >> 52;  // sign bit clear: maxAbs >= 0
    if (biased >= 1 && biased <= 2041) return std::bit_cast<double>((biased + 5) << 52);
    return MomentColumnScale(maxAbs);
}

// Each column's scale and whether it has rounding errors.
void FinishFill(BlockWork& w) {
    for (int j = 0; j < w.cols; ++j) {
        w.hasLo[j] = w.loBits[j] != 0;
        w.scale[j] = ColumnScale(w.maxAbs[j]);
    }
}

// len rows (row stride `stride`) into the block, with each column's scale
// and whether it has rounding errors.
void FillRows(const double* rows, long long stride, int len, const double* negShift, BlockWork& w) {
    StartFill(w);
    w.fill(rows, stride, len, w.cols, w.width, negShift, w.hi, w.lo, w.loBits.data(), w.maxAbs.data());
    FinishFill(w);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define MERLOX_WIDE_COLUMN_FILL 1
// The shuffle intrinsics start from an undefined register, which some
// compilers take for an uninitialised read.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
// Rows first .. first + len - 1 of the columns into the block, eight
// columns by eight rows at a time: the values are turned into rows in
// registers, and each row then takes exactly the steps of the wide row
// fill (the same values, errors, error bits and sizes, row by row in
// order), without a staging copy. With copy, the rows of values are also
// stored there (row stride copyStride).
__attribute__((target("avx512f"))) void FillColumns512(const double* const* columns, long long first, int len,
                                                       int cols, int width, const double* negShift, double* hi,
                                                       double* lo, std::uint64_t* bits, double* most, double* copy,
                                                       int copyStride) {
    const __m512i signless = _mm512_set1_epi64(0x7fffffffffffffffLL);
    for (int j0 = 0; j0 < cols; j0 += 8) {
        const int group = std::min(8, cols - j0);
        const __mmask8 m = group == 8 ? __mmask8(0xff) : __mmask8((1u << group) - 1);
        const __m512d c = _mm512_maskz_loadu_pd(m, negShift + j0);
        __m512i any = _mm512_maskz_loadu_epi64(m, bits + j0);
        __m512d largest = _mm512_maskz_loadu_pd(m, most + j0);
        for (int t0 = 0; t0 < len; t0 += 8) {
            const int rows = std::min(8, len - t0);
            const __mmask8 r = rows == 8 ? __mmask8(0xff) : __mmask8((1u << rows) - 1);
            __m512d v[8];
            for (int a = 0; a < 8; ++a)
                v[a] = a < group ? _mm512_maskz_loadu_pd(r, columns[j0 + a] + first + t0) : _mm512_setzero_pd();
            // Transpose: x[t] holds row t0 + t of columns j0 .. j0 + 7.
            const __m512d p0 = _mm512_unpacklo_pd(v[0], v[1]), p1 = _mm512_unpackhi_pd(v[0], v[1]);
            const __m512d p2 = _mm512_unpacklo_pd(v[2], v[3]), p3 = _mm512_unpackhi_pd(v[2], v[3]);
            const __m512d p4 = _mm512_unpacklo_pd(v[4], v[5]), p5 = _mm512_unpackhi_pd(v[4], v[5]);
            const __m512d p6 = _mm512_unpacklo_pd(v[6], v[7]), p7 = _mm512_unpackhi_pd(v[6], v[7]);
            const __m512d q0 = _mm512_shuffle_f64x2(p0, p2, 0x88), q1 = _mm512_shuffle_f64x2(p1, p3, 0x88);
            const __m512d q2 = _mm512_shuffle_f64x2(p0, p2, 0xdd), q3 = _mm512_shuffle_f64x2(p1, p3, 0xdd);
            const __m512d q4 = _mm512_shuffle_f64x2(p4, p6, 0x88), q5 = _mm512_shuffle_f64x2(p5, p7, 0x88);
            const __m512d q6 = _mm512_shuffle_f64x2(p4, p6, 0xdd), q7 = _mm512_shuffle_f64x2(p5, p7, 0xdd);
            const __m512d x[8] = {_mm512_shuffle_f64x2(q0, q4, 0x88), _mm512_shuffle_f64x2(q1, q5, 0x88),
                                  _mm512_shuffle_f64x2(q2, q6, 0x88), _mm512_shuffle_f64x2(q3, q7, 0x88),
                                  _mm512_shuffle_f64x2(q0, q4, 0xdd), _mm512_shuffle_f64x2(q1, q5, 0xdd),
                                  _mm512_shuffle_f64x2(q2, q6, 0xdd), _mm512_shuffle_f64x2(q3, q7, 0xdd)};
            for (int t = 0; t < rows; ++t) {
                const __m512d a = x[t];
                if (copy != nullptr) _mm512_mask_storeu_pd(copy + (t0 + t) * copyStride + j0, m, a);
                const __m512d sum = _mm512_add_pd(a, c);
                const __m512d bb = _mm512_sub_pd(sum, a);
                const __m512d e = _mm512_add_pd(_mm512_sub_pd(a, _mm512_sub_pd(sum, bb)), _mm512_sub_pd(c, bb));
                _mm512_mask_storeu_pd(hi + (t0 + t) * width + j0, m, sum);
                _mm512_mask_storeu_pd(lo + (t0 + t) * width + j0, m, e);
                const __m512i eBits = _mm512_castpd_si512(e);
                any = _mm512_or_si512(any, _mm512_add_epi64(eBits, eBits));
                const __m512d size = _mm512_castsi512_pd(_mm512_and_si512(_mm512_castpd_si512(sum), signless));
                largest = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(largest, size, _CMP_LT_OQ), largest, size);
            }
        }
        _mm512_mask_storeu_epi64(bits + j0, m, any);
        _mm512_mask_storeu_pd(most + j0, m, largest);
    }
}
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

// Copies len rows of `cols` values (row stride `from`) into the design
// (row stride `to`) with 1.0 after them. Stores bypass the cache: the
// design is far larger than it, and is not read again here.
void WriteDesign(const double* rows, long long from, int len, int cols, double* design, long long to) {
    for (int t = 0; t < len; ++t) {
        const double* x = rows + t * from;
        double* d = design + t * to;
#if defined(__x86_64__) && defined(__GNUC__)
        for (int j = 0; j < cols; ++j) _mm_stream_si64(reinterpret_cast<long long*>(d + j), std::bit_cast<long long>(x[j]));
        _mm_stream_si64(reinterpret_cast<long long*>(d + cols), std::bit_cast<long long>(1.0));
#else
        std::copy_n(x, cols, d);
        d[cols] = 1.0;
#endif
    }
}

// Observations first .. first+len-1 into the block. Columns are copied
// into rows of a staging block first (the wide fill turns them into rows
// itself, and writes the staging rows only for a design); when the design's
// rows follow one another with no gap, the staging rows take its layout
// (the values, then 1.0) and go to the design whole.
void FillBlock(const Source& src, long long first, int len, const double* negShift, BlockWork& w) {
    if (src.rows) {
        FillRows(src.rows + first * src.stride, src.stride, len, negShift, w);
        return;
    }
    const int cols = w.cols;
    const bool packedDesign = src.design != nullptr && src.designStride == cols + 1;
    const int stride = packedDesign ? cols + 1 : cols;
    double* rows = w.stage.data();
#ifdef MERLOX_WIDE_COLUMN_FILL
    if (w.wide) {
        StartFill(w);
        FillColumns512(src.columns, first, len, cols, w.width, negShift, w.hi, w.lo, w.loBits.data(),
                       w.maxAbs.data(), src.design != nullptr ? rows : nullptr, stride);
        FinishFill(w);
    } else
#endif
    {
        // A cache line of every column at a time: all the columns' streams
        // advance together, which keeps more of their reads under way.
        for (int t0 = 0; t0 < len; t0 += kGatherRows) {
            const int end = std::min(len, t0 + kGatherRows);
            for (int j = 0; j < cols; ++j) {
                const double* x = src.columns[j] + first;
                for (int t = t0; t < end; ++t) rows[t * stride + j] = x[t];
            }
        }
        FillRows(rows, stride, len, negShift, w);
    }
    if (packedDesign) {
        for (int t = 0; t < len; ++t) rows[t * stride + cols] = 1.0;
        StreamValues(rows, static_cast<std::size_t>(len) * stride, src.design + first * src.designStride);
    } else if (src.design) {
        WriteDesign(rows, cols, len, cols, src.design + first * src.designStride, src.designStride);
    }
}

// Makes the design's stores visible to other threads.
void FinishDesign() { FinishStreamedValues(); }

// A chunk's total: double-double pairs (hi, lo), lower triangle packed.
struct ChunkSums {
    explicit ChunkSums(int cols) : hi(PackedSize(cols), 0.0), lo(PackedSize(cols), 0.0) {}
    void Clear() {
        std::fill(hi.begin(), hi.end(), 0.0);
        std::fill(lo.begin(), lo.end(), 0.0);
    }
    std::vector<double> hi, lo;
};

// The block's sums (s, c) into the chunk total, by two-sum on hi.
MERLOX_CLONES void AddBlockRow(const double* s, const double* c, int count, double* hi, double* lo) {
    for (int j = 0; j < count; ++j) {
        const double a = hi[j], b = s[j];
        const double n = a + b;
        const double z = n - a;
        const double err = (a - (n - z)) + (b - z);
        hi[j] = n;
        lo[j] = lo[j] + (err + c[j]);
    }
}

void AddBlock(BlockWork& w, MomentBlockKernel kernel, int len, ChunkSums& chunk) {
    const int n = w.cols + 1, width = w.width;
    kernel(w.hi, w.lo, w.hasLo.data(), w.scale, n, width, len, w.s, w.c);
    for (int i = 0; i < n; ++i) {
        const std::size_t p = Packed(i, 0);
        AddBlockRow(w.s + i * width, w.c + i * width, i + 1, chunk.hi.data() + p, chunk.lo.data() + p);
    }
}

// The chunk's total into the grand total, in long double.
void AddChunkTotal(const ChunkSums& chunk, long double* total) {
    for (std::size_t p = 0; p < chunk.hi.size(); ++p)
        total[p] += static_cast<long double>(chunk.hi[p]) + static_cast<long double>(chunk.lo[p]);
}

// count chunk totals (hi then lo, packed entries each) into the grand
// total, each entry in chunk order. The entries are independent of each
// other: runs of them are shared out.
void AddChunkTotals(const double* totals, long long count, std::size_t packed, long double* total, ThreadPool* pool) {
    constexpr std::size_t kRun = 512;
    const std::size_t runs = (packed + kRun - 1) / kRun;
    const auto add = [&](int r) {
        const std::size_t from = static_cast<std::size_t>(r) * kRun, to = std::min(packed, from + kRun);
        for (long long t = 0; t < count; ++t) {
            const double* hi = totals + static_cast<std::size_t>(t) * 2 * packed;
            const double* lo = hi + packed;
            for (std::size_t p = from; p < to; ++p)
                total[p] += static_cast<long double>(hi[p]) + static_cast<long double>(lo[p]);
        }
    };
    if (pool == nullptr || runs < 2 || count < 16) {
        for (std::size_t r = 0; r < runs; ++r) add(static_cast<int>(r));
    } else {
        pool->ParallelFor(static_cast<int>(runs), add);
    }
}

// Asks for the observations of a later block while this one is summed.
void PrefetchBlock(const Source& src, long long first, int cols) {
    const long long len = std::min<long long>(kBlock, src.n - first);
    if (len <= 0) return;
    if (src.rows) {
        const char* from = reinterpret_cast<const char*>(src.rows + first * src.stride);
        const char* to = reinterpret_cast<const char*>(src.rows + (first + len - 1) * src.stride + cols);
        for (; from < to; from += 64) __builtin_prefetch(from, 0, 2);
    } else {
        for (int j = 0; j < cols; ++j) {
            const char* from = reinterpret_cast<const char*>(src.columns[j] + first);
            const char* to = reinterpret_cast<const char*>(src.columns[j] + first + len);
            for (; from < to; from += 64) __builtin_prefetch(from, 0, 2);
        }
    }
}

void AddChunk(const Source& src, long long first, long long len, const double* negShift, MomentBlockKernel kernel,
              BlockWork& w, ChunkSums& chunk) {
    for (long long b = 0; b < len; b += kBlock) {
        const int blockLen = static_cast<int>(std::min<long long>(kBlock, len - b));
        FillBlock(src, first + b, blockLen, negShift, w);
        PrefetchBlock(src, first + b + kPrefetchAhead * kBlock, w.cols);
        AddBlock(w, kernel, blockLen, chunk);
    }
    if (src.design) FinishDesign();
}

// shift[from] .. shift[to - 1] from count sampled rows; each column's sum
// runs over the rows in order, whichever columns are formed with it.
template <class Get>
void ShiftFrom(Get at, long long count, int from, int to, double* shift) {
    if (count < 1) {
        std::fill(shift + from, shift + to, 0.0);
        return;
    }
    const auto cols = static_cast<std::size_t>(to - from);
    std::vector<double> first(cols), sum(cols, 0.0);
    for (int j = from; j < to; ++j) first[j - from] = at(0, j);
    for (long long t = 0; t < count; ++t)
        for (int j = from; j < to; ++j) sum[j - from] += at(t, j) - first[j - from];
    // A constant column shifts to its own value.
    for (int j = from; j < to; ++j) shift[j] = first[j - from] + sum[j - from] / static_cast<double>(count);
}

// The shift of every column from the sampled rows of the source; the
// sampled values lie far apart, so groups of columns go to the pool.
void ShiftFromSource(const Source& src, long long n, int cols, double* shift, ThreadPool* pool) {
    const long long count = MomentSampleCount(n);
    std::vector<long long> row(static_cast<std::size_t>(count));
    for (long long t = 0; t < count; ++t) row[t] = MomentSampleRow(t, n);
    const auto at = [&](long long t, int j) { return src.At(row[t], j); };
    constexpr int kGroup = 8;
    const int groups = (cols + kGroup - 1) / kGroup;
    if (pool == nullptr || pool->Threads() < 2 || groups < 2 || count * cols < (1 << 16)) {
        ShiftFrom(at, count, 0, cols, shift);
        return;
    }
    pool->ParallelFor(groups, [&](int g) { ShiftFrom(at, count, g * kGroup, std::min(cols, (g + 1) * kGroup), shift); });
}

// The completed matrix from the grand totals.
void Complete(const long double* total, const double* shift, long long n, int cols, LongMatrix& m) {
    if (m.Rows() != cols + 1 || m.Cols() != cols + 1) m.Resize(cols + 1, cols + 1, false);
    ZeroVector(m);
    if (n < 1) return;
    const long double nn = static_cast<long double>(n);
    for (int i = 0; i < cols; ++i) {
        const long double si = total[Packed(cols, i)];
        for (int j = 0; j <= i; ++j) {
            const long double v = total[Packed(i, j)] - si * total[Packed(cols, j)] / nn;
            m[i][j] = v;
            m[j][i] = v;
        }
        const long double mean = static_cast<long double>(shift[i]) + si / nn;
        m[cols][i] = mean;
        m[i][cols] = -mean;
    }
    m[cols][cols] = 1.0L / nn;
}

// Sums chunks 0 .. chunks - 1 into total (packed) in chunk order:
// sum(c, work, chunk) forms chunk c's sums into the cleared chunk with one
// thread's work (from makeWork). The totals are the same bits whichever
// thread ran which chunk: each thread keeps its work and takes the next
// chunk as it finishes one, so a slow thread holds up no other, and the
// chunk totals are kept apart to be added in order.
template <class MakeWork, class SumChunk>
void SumChunksInOrder(long long chunks, int cols, ThreadPool* pool, long double* total, MakeWork makeWork,
                      SumChunk sum) {
    const std::size_t packed = PackedSize(cols);
    if (pool == nullptr || pool->Threads() < 2 || chunks < 2) {
        auto work = makeWork();
        ChunkSums chunk(cols);
        for (long long c = 0; c < chunks; ++c) {
            chunk.Clear();
            sum(c, work, chunk);
            AddChunkTotal(chunk, total);
        }
        return;
    }
    const long long wave =
        std::clamp<long long>(static_cast<long long>(kWaveBytes / (packed * 2 * sizeof(double))), 1, chunks);
    // Chunk t's total: hi at 2 t packed, lo after it. Each slot is written
    // whole before it is read.
    std::unique_ptr<double[]> totals(new double[static_cast<std::size_t>(wave) * 2 * packed]);
    for (long long c0 = 0; c0 < chunks; c0 += wave) {
        const long long count = std::min(wave, chunks - c0);
        std::atomic<long long> next{0};
        const int threads = static_cast<int>(std::min<long long>(pool->Threads(), count));
        pool->ParallelFor(threads, [&](int) {
            auto work = makeWork();
            ChunkSums chunk(cols);
            for (long long t = next.fetch_add(1, std::memory_order_relaxed); t < count;
                 t = next.fetch_add(1, std::memory_order_relaxed)) {
                chunk.Clear();
                sum(c0 + t, work, chunk);
                double* slot = totals.get() + static_cast<std::size_t>(t) * 2 * packed;
                std::copy(chunk.hi.begin(), chunk.hi.end(), slot);
                std::copy(chunk.lo.begin(), chunk.lo.end(), slot + packed);
            }
        });
        AddChunkTotals(totals.get(), count, packed, total, pool);
    }
}

void BuildScaledIfNeeded(const Source& src, long long n, int cols, LongMatrix& m, ThreadPool* pool,
                         MomentKernel choice);

void BuildUnscaled(const Source& src, long long n, int cols, LongMatrix& m, ThreadPool* pool, MomentKernel choice) {
    if (n < 0 || cols < 0) throw ERangeError(kRangeErrorText);
    const MomentBlockKernel kernel = KernelFor(choice);
    const MomentRowFill fill = FindMomentRowFill(choice);
    if (n < 1) {
        Complete(nullptr, nullptr, 0, cols, m);
        return;
    }
    std::vector<double> shift(static_cast<std::size_t>(cols)), negShift(static_cast<std::size_t>(cols));
    ShiftFromSource(src, n, cols, shift.data(), pool);
    for (int j = 0; j < cols; ++j) negShift[j] = -shift[j];

    const long long chunks = (n + kChunk - 1) / kChunk;
    std::vector<long double> total(PackedSize(cols), 0.0L);
    SumChunksInOrder(
        chunks, cols, pool, total.data(), [&] { return BlockWork(cols, fill); },
        [&](long long c, BlockWork& w, ChunkSums& chunk) {
            const long long first = c * kChunk;
            AddChunk(src, first, std::min<long long>(kChunk, n - first), negShift.data(), kernel, w, chunk);
        });
    Complete(total.data(), shift.data(), n, cols, m);
}

// Products of doubles overflow past about 1e154 and vanish below 1e-154,
// where long double still holds them. Such a column is summed again as an
// exact power-of-two multiple of itself near 1, and its moments scaled back.
bool OutsideDoubleProducts(const LongMatrix& m, int cols) {
    constexpr long double kTiny = 0x1p-400L;
    for (int i = 0; i <= cols; ++i)
        for (int j = 0; j <= cols; ++j)
            if (!std::isfinite(m[i][j])) return true;
    for (int j = 0; j < cols; ++j) {
        const long double mean = std::fabs(m[cols][j]);
        if (mean != 0.0L && mean < kTiny) return true;
        if (m[j][j] != 0.0L && m[j][j] < kTiny * kTiny) return true;
    }
    return false;
}

void Build(const Source& src, long long n, int cols, LongMatrix& m, ThreadPool* pool, MomentKernel choice) {
    BuildUnscaled(src, n, cols, m, pool, choice);
    if (n > 0 && cols > 0 && OutsideDoubleProducts(m, cols)) BuildScaledIfNeeded(src, n, cols, m, pool, choice);
}

void BuildScaledIfNeeded(const Source& src, long long n, int cols, LongMatrix& m, ThreadPool* pool,
                         MomentKernel choice) {
    std::vector<double> most(static_cast<std::size_t>(cols), 0.0);
    for (long long i = 0; i < n; ++i)
        for (int j = 0; j < cols; ++j) most[j] = std::max(most[j], std::fabs(src.At(i, j)));
    std::vector<int> exponent(static_cast<std::size_t>(cols), 0);
    bool any = false;
    for (int j = 0; j < cols; ++j) {
        // A value that is no number gives no scale; it stays what it is.
        if (!std::isfinite(most[j]) || most[j] == 0.0) continue;
        std::frexp(most[j], &exponent[j]);
        any = any || exponent[j] > 128 || exponent[j] < -128;
    }
    if (!any) return;
    // Scaled copies; a power of two changes no digit of a normal double.
    std::vector<std::vector<double>> scaled(static_cast<std::size_t>(cols), std::vector<double>(n));
    std::vector<const double*> columns(static_cast<std::size_t>(cols));
    for (int j = 0; j < cols; ++j) {
        for (long long i = 0; i < n; ++i) scaled[j][i] = std::ldexp(src.At(i, j), -exponent[j]);
        columns[j] = scaled[j].data();
    }
    Source copy;
    copy.n = n;
    copy.columns = columns.data();
    BuildUnscaled(copy, n, cols, m, pool, choice);
    for (int i = 0; i < cols; ++i) {
        for (int j = 0; j < cols; ++j) m[i][j] = std::ldexp(m[i][j], exponent[i] + exponent[j]);
        m[cols][i] = std::ldexp(m[cols][i], exponent[i]);
        m[i][cols] = std::ldexp(m[i][cols], exponent[i]);
    }
}

}  // namespace

bool MomentKernelAvailable(MomentKernel kernel) { return FindMomentKernel(kernel) != nullptr; }

long long MomentSampleCount(long long n) { return std::clamp<long long>(n, 0, kSample); }

long long MomentSampleRow(long long t, long long n) {
    const long long count = MomentSampleCount(n);
    return count == n ? t : static_cast<long long>(static_cast<__int128>(t) * n / count);
}

void MomentShiftFromSample(const double* sample, long long count, long long stride, int cols, double* shift) {
    ShiftFrom([&](long long t, int j) { return sample[t * stride + j]; }, count, 0, cols, shift);
}

void BuildMomentsFromRows(const double* rows, long long n, long long stride, int cols, LongMatrix& m,
                          ThreadPool* pool, MomentKernel kernel) {
    if (n > 0 && cols > 0 && (rows == nullptr || stride < cols)) throw ERangeError(kRangeErrorText);
    Source src;
    src.n = n;
    src.rows = rows;
    src.stride = stride;
    Build(src, n, cols, m, pool, kernel);
}

void BuildMomentsFromColumns(const double* const* columns, long long n, int cols, LongMatrix& m, ThreadPool* pool,
                             MomentKernel kernel, double* design, long long designStride) {
    if (n > 0 && ((cols > 0 && columns == nullptr) || (design != nullptr && designStride < cols + 1)))
        throw ERangeError(kRangeErrorText);
    Source src;
    src.n = n;
    src.columns = columns;
    src.design = design;
    src.designStride = designStride;
    Build(src, n, cols, m, pool, kernel);
}

// ---- in pieces ---------------------------------------------------------------

struct MomentAccumulator::Work {
    Work(int cols, MomentKernel choice) : block(cols, FindMomentRowFill(choice)), kernel(KernelFor(choice)), chunk(cols) {}
    BlockWork block;
    MomentBlockKernel kernel;
    ChunkSums chunk;  // of the chunk under way
};

MomentAccumulator::MomentAccumulator(int cols, const double* shift, MomentKernel kernel)
    : cols_(cols < 0 ? throw ERangeError(kRangeErrorText) : cols),
      shift_(shift, shift + cols),
      pending_(static_cast<std::size_t>(kBlock) * cols),
      total_(PackedSize(cols), 0.0L),
      work_(std::make_unique<Work>(cols, kernel)) {
    for (double& s : shift_) s = -s;  // kept negated, as the blocks use it
}

MomentAccumulator::~MomentAccumulator() = default;

void MomentAccumulator::Add(const double* rows, long long count, long long stride) {
    if (count < 0 || (count > 0 && cols_ > 0 && (rows == nullptr || stride < cols_)))
        throw ERangeError(kRangeErrorText);
    Source src;
    src.rows = pending_.data();
    src.stride = cols_;
    for (long long r = 0; r < count; ++r) {
        const int slot = static_cast<int>(count_ % kBlock);
        std::copy_n(rows + r * stride, cols_, pending_.data() + static_cast<std::size_t>(slot) * cols_);
        ++count_;
        if (slot + 1 == kBlock) {
            FillBlock(src, 0, kBlock, shift_.data(), work_->block);
            AddBlock(work_->block, work_->kernel, kBlock, work_->chunk);
            if (count_ % kChunk == 0) {
                AddChunkTotal(work_->chunk, total_.data());
                work_->chunk.Clear();
            }
        }
    }
}

void MomentAccumulator::Finish(LongMatrix& m) {
    std::vector<long double> total = total_;
    if (count_ % kChunk != 0) {
        ChunkSums chunk = work_->chunk;
        const int pending = static_cast<int>(count_ % kBlock);
        if (pending > 0) {
            Source src;
            src.rows = pending_.data();
            src.stride = cols_;
            FillBlock(src, 0, pending, shift_.data(), work_->block);
            AddBlock(work_->block, work_->kernel, pending, chunk);
        }
        AddChunkTotal(chunk, total.data());
    }
    std::vector<double> shift(shift_.size());
    for (std::size_t j = 0; j < shift.size(); ++j) shift[j] = -shift_[j];
    Complete(total.data(), shift.data(), count_, cols_, m);
}

// ---- chunks handed over by a reader ------------------------------------------

void BuildMomentsFromChunks(long long n, int cols, const double* shift, const MomentChunkReader& read, LongMatrix& m,
                            ThreadPool* pool, MomentKernel choice) {
    if (n < 0 || cols < 0 || (cols > 0 && shift == nullptr)) throw ERangeError(kRangeErrorText);
    const MomentBlockKernel kernel = KernelFor(choice);
    const MomentRowFill fill = FindMomentRowFill(choice);
    std::vector<double> negShift(static_cast<std::size_t>(cols));
    for (int j = 0; j < cols; ++j) negShift[j] = -shift[j];
    const long long chunks = (n + kChunk - 1) / kChunk;
    std::vector<long double> total(PackedSize(cols), 0.0L);
    // Each chunk is read into a thread's buffer and summed exactly as the
    // in-memory builders sum it.
    struct ReaderWork {
        std::vector<double> rows;
        BlockWork block;
    };
    SumChunksInOrder(
        chunks, cols, pool, total.data(), [&] { return ReaderWork{{}, BlockWork(cols, fill)}; },
        [&](long long c, ReaderWork& w, ChunkSums& chunk) {
            const long long first = c * kChunk, len = std::min<long long>(kChunk, n - first);
            w.rows.resize(static_cast<std::size_t>(len) * std::max(cols, 1));
            read(first, len, w.rows.data());
            Source src;
            src.n = len;
            src.rows = w.rows.data();
            src.stride = cols;
            AddChunk(src, 0, len, negShift.data(), kernel, w.block, chunk);
        });
    Complete(total.data(), shift, n, cols, m);
}

// ---- entries for the callers ---------------------------------------------------

namespace {

template <class T>
void StoreMoments(LongMatrix& built, BasicMatrix<T>& m) {
    {
        if (m.Rows() != built.Rows() || m.Cols() != built.Cols()) m.Resize(built.Rows(), built.Cols(), false);
        for (int i = 0; i < built.Rows(); ++i)
            for (int j = 0; j < built.Cols(); ++j) m[i][j] = static_cast<T>(built[i][j]);
    }
}

}  // namespace

template <class T>
void BuildMomentMatrix(const Matrix& data, int n, int k, BasicMatrix<T>& m, ThreadPool* pool) {
    if (n < 0 || k < 0 || n > data.Rows() || k > data.Cols()) throw ERangeError(kRangeErrorText);
    // A matrix without storage has no rows to read (n is then 0).
    const double* rows = n > 0 ? data.Data() : nullptr;
    if constexpr (std::is_same_v<T, long double>) {
        BuildMomentsFromRows(rows, n, data.Cols(), k, m, pool);
    } else {
        LongMatrix built;
        BuildMomentsFromRows(rows, n, data.Cols(), k, built, pool);
        StoreMoments(built, m);
    }
}

template <class T>
void BuildMomentMatrixFromColumns(const double* const* columns, int n, int k, BasicMatrix<T>& m, ThreadPool* pool) {
    if (n < 0 || k < 0) throw ERangeError(kRangeErrorText);
    if constexpr (std::is_same_v<T, long double>) {
        BuildMomentsFromColumns(columns, n, k, m, pool);
    } else {
        LongMatrix built;
        BuildMomentsFromColumns(columns, n, k, built, pool);
        StoreMoments(built, m);
    }
}

template void BuildMomentMatrix(const Matrix&, int, int, BasicMatrix<double>&, ThreadPool*);
template void BuildMomentMatrix(const Matrix&, int, int, BasicMatrix<long double>&, ThreadPool*);
template void BuildMomentMatrixFromColumns(const double* const*, int, int, BasicMatrix<double>&, ThreadPool*);
template void BuildMomentMatrixFromColumns(const double* const*, int, int, BasicMatrix<long double>&, ThreadPool*);

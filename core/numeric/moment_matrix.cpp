// The one moment method; see moment_matrix.h. Nothing here may be fused
// into a multiply-add: the sums must round the same on every processor.
#ifdef __clang__
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include "core/numeric/moment_matrix.h"

#include <algorithm>
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

// The buffers of one block: hi and lo (kBlock x width), the kernel's
// output (width x width), 64-byte aligned.
struct BlockWork {
    BlockWork(int cols, MomentRowFill fill)
        : cols(cols),
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

// len rows (row stride `stride`) into the block, with each column's scale
// and whether it has rounding errors.
void FillRows(const double* rows, long long stride, int len, const double* negShift, BlockWork& w) {
    const int cols = w.cols;
    std::fill_n(w.loBits.data(), cols, 0);
    std::fill_n(w.maxAbs.data(), cols, 0.0);
    w.fill(rows, stride, len, cols, w.width, negShift, w.hi, w.lo, w.loBits.data(), w.maxAbs.data());
    for (int j = 0; j < cols; ++j) {
        w.hasLo[j] = w.loBits[j] != 0;
        w.scale[j] = MomentColumnScale(w.maxAbs[j]);
    }
}

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

// Observations first .. first+len-1 into the block. Columns are first
// copied into rows of a staging block; when the design's rows follow one
// another with no gap, the staging rows take its layout (the values, then
// 1.0) and go to the design whole.
void FillBlock(const Source& src, long long first, int len, const double* negShift, BlockWork& w) {
    if (src.rows) {
        FillRows(src.rows + first * src.stride, src.stride, len, negShift, w);
        return;
    }
    const int cols = w.cols;
    const bool packedDesign = src.design != nullptr && src.designStride == cols + 1;
    const int stride = packedDesign ? cols + 1 : cols;
    double* rows = w.stage.data();
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

template <class Get>
void ShiftFrom(Get at, long long count, int cols, double* shift) {
    if (count < 1) {
        std::fill_n(shift, cols, 0.0);
        return;
    }
    std::vector<double> first(static_cast<std::size_t>(cols)), sum(static_cast<std::size_t>(cols), 0.0);
    for (int j = 0; j < cols; ++j) first[j] = at(0, j);
    for (long long t = 0; t < count; ++t)
        for (int j = 0; j < cols; ++j) sum[j] += at(t, j) - first[j];
    // A constant column shifts to its own value.
    for (int j = 0; j < cols; ++j) shift[j] = first[j] + sum[j] / static_cast<double>(count);
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
    ShiftFrom([&](long long t, int j) { return src.At(MomentSampleRow(t, n), j); }, MomentSampleCount(n), cols,
              shift.data());
    for (int j = 0; j < cols; ++j) negShift[j] = -shift[j];

    const std::size_t packed = PackedSize(cols);
    const long long chunks = (n + kChunk - 1) / kChunk;
    std::vector<long double> total(packed, 0.0L);
    if (pool == nullptr || pool->Threads() < 2 || chunks < 2) {
        BlockWork w(cols, fill);
        ChunkSums chunk(cols);
        for (long long c = 0; c < chunks; ++c) {
            chunk.Clear();
            const long long first = c * kChunk;
            AddChunk(src, first, std::min<long long>(kChunk, n - first), negShift.data(), kernel, w, chunk);
            AddChunkTotal(chunk, total.data());
        }
    } else {
        // Chunk totals kept apart and added in chunk order: the same sums
        // as above, whichever thread ran which chunk.
        const long long wave =
            std::clamp<long long>(static_cast<long long>(kWaveBytes / (packed * 2 * sizeof(double))), 1, chunks);
        std::vector<ChunkSums> sums(static_cast<std::size_t>(wave), ChunkSums(cols));
        for (long long c0 = 0; c0 < chunks; c0 += wave) {
            const int count = static_cast<int>(std::min(wave, chunks - c0));
            pool->ParallelFor(count, [&](int task) {
                BlockWork w(cols, fill);
                ChunkSums& chunk = sums[static_cast<std::size_t>(task)];
                chunk.Clear();
                const long long first = (c0 + task) * kChunk;
                AddChunk(src, first, std::min<long long>(kChunk, n - first), negShift.data(), kernel, w, chunk);
            });
            for (int t = 0; t < count; ++t) AddChunkTotal(sums[static_cast<std::size_t>(t)], total.data());
        }
    }
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
    ShiftFrom([&](long long t, int j) { return sample[t * stride + j]; }, count, cols, shift);
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
    const std::size_t packed = PackedSize(cols);
    const long long chunks = (n + kChunk - 1) / kChunk;
    std::vector<long double> total(packed, 0.0L);
    // Each chunk is read into a buffer of its own and summed exactly as the
    // in-memory builders sum it; totals are added in chunk order.
    const auto sumChunk = [&](long long c, std::vector<double>& rows, ChunkSums& chunk) {
        const long long first = c * kChunk, len = std::min<long long>(kChunk, n - first);
        rows.resize(static_cast<std::size_t>(len) * std::max(cols, 1));
        read(first, len, rows.data());
        Source src;
        src.n = len;
        src.rows = rows.data();
        src.stride = cols;
        BlockWork w(cols, fill);
        chunk.Clear();
        AddChunk(src, 0, len, negShift.data(), kernel, w, chunk);
    };
    const int threads = pool == nullptr ? 1 : pool->Threads();
    const long long wave = threads < 2 ? 1 : std::clamp<long long>(4LL * threads, 1, std::max(chunks, 1LL));
    std::vector<ChunkSums> sums(static_cast<std::size_t>(wave), ChunkSums(cols));
    std::vector<std::vector<double>> buffers(static_cast<std::size_t>(wave));
    for (long long c0 = 0; c0 < chunks; c0 += wave) {
        const int count = static_cast<int>(std::min(wave, chunks - c0));
        const auto task = [&](int t) {
            sumChunk(c0 + t, buffers[static_cast<std::size_t>(t)], sums[static_cast<std::size_t>(t)]);
        };
        if (count > 1) {
            pool->ParallelFor(count, task);
        } else {
            task(0);
        }
        for (int t = 0; t < count; ++t) AddChunkTotal(sums[static_cast<std::size_t>(t)], total.data());
    }
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

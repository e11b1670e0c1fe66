// The moment matrix that the least-squares code sweeps: one method for the
// data set, the fit and the diagnostics alike.
//
// Each column is shifted by a double near its mean (the first value plus
// the mean difference from it over an even sample of rows); the shifted
// value hi and its exact rounding error lo are both kept. Observations go
// in fixed blocks of kMomentBlockRows: within a block every cross-product
// is formed exactly (fused multiply-add), its high part summed exactly
// against a power of two above the block's largest product, and the low
// parts, product errors and lo terms summed in a second double, so a block
// sum is as good as one in twice the double precision. Block sums are
// added by two-sum into the total of their chunk of kMomentChunkRows
// observations, and chunk totals into the grand total in long double, in
// chunk order. Finally the cross-products are corrected to the exact
// means: S2 - S1 S1' / n.
//
// Blocks and chunks depend on n alone, and every kernel performs the same
// operations in the same order, so the result is the same to the last bit
// on any processor and any number of threads. A constant column gives
// exact zeros; two equal columns give equal rows.
//
// Layout of a completed matrix for k variables, (k+1) x (k+1):
//   m[i][j] (i, j < k) the sum of products of deviations from the means,
//   m[k][j] the mean of variable j, m[j][k] its negation, m[k][k] = 1/n;
// the cross-product matrix swept on the constant term. With no
// observations the matrix is all zeros.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "core/numeric/matrix.h"

class ThreadPool;

inline constexpr int kMomentBlockRows = 64;
inline constexpr int kMomentChunkRows = 4096;

// Which block kernel sums the products. All give the same bits; Automatic
// takes the widest the processor runs.
enum class MomentKernel { Automatic, Portable, Avx2, Avx512 };
bool MomentKernelAvailable(MomentKernel kernel);

// Moments of the first `cols` values of n row-major rows (row stride
// `stride` doubles), into m resized to (cols+1) x (cols+1). The chunks are
// spread over the pool when one is given.
void BuildMomentsFromRows(const double* rows, long long n, long long stride, int cols, LongMatrix& m,
                          ThreadPool* pool = nullptr, MomentKernel kernel = MomentKernel::Automatic);
// The same from `cols` separate columns of n values, element i of column j
// at columns[j][i]. When design is given, row i of it (stride
// designStride, at least cols + 1) is filled with the values of
// observation i and 1.0 in column cols on the way.
void BuildMomentsFromColumns(const double* const* columns, long long n, int cols, LongMatrix& m,
                             ThreadPool* pool = nullptr, MomentKernel kernel = MomentKernel::Automatic,
                             double* design = nullptr, long long designStride = 0);

// Thin entries kept for their callers: the first k columns of n data rows,
// or k separate columns, in double or long double.
template <class T>
void BuildMomentMatrix(const Matrix& data, int n, int k, BasicMatrix<T>& m, ThreadPool* pool = nullptr);
template <class T>
void BuildMomentMatrixFromColumns(const double* const* columns, int n, int k, BasicMatrix<T>& m,
                                  ThreadPool* pool = nullptr);

// For data that arrive in pieces (a file read block by block). The shift
// comes from the sampled rows: the t-th of MomentSampleCount(n) is row
// MomentSampleRow(t, n), increasing in t, row 0 first. Rows fed to a
// MomentAccumulator built with that shift, in order and in pieces of any
// size, give the same bits as the in-memory builders.
long long MomentSampleCount(long long n);
long long MomentSampleRow(long long t, long long n);
// shift[j] from the sampled rows (count rows, row stride `stride`).
void MomentShiftFromSample(const double* sample, long long count, long long stride, int cols, double* shift);

// The same bits as a MomentAccumulator with that shift fed all n rows in
// order, for rows a reader hands over a chunk at a time:
// read(first, count, out) writes rows first .. first+count-1 (cols values
// each, packed) to out. Chunks go to the pool when one is given, so read
// must then be safe to call from several threads at once; an exception it
// throws comes out of this call.
using MomentChunkReader = std::function<void(long long first, long long count, double* out)>;
void BuildMomentsFromChunks(long long n, int cols, const double* shift, const MomentChunkReader& read, LongMatrix& m,
                            ThreadPool* pool = nullptr, MomentKernel kernel = MomentKernel::Automatic);

class MomentAccumulator {
public:
    MomentAccumulator(int cols, const double* shift, MomentKernel kernel = MomentKernel::Automatic);
    ~MomentAccumulator();
    MomentAccumulator(const MomentAccumulator&) = delete;
    MomentAccumulator& operator=(const MomentAccumulator&) = delete;

    // The next `count` observations, row-major with row stride `stride`.
    void Add(const double* rows, long long count, long long stride);
    long long Count() const { return count_; }
    // The completed matrix of the observations added so far.
    void Finish(LongMatrix& m);

private:
    struct Work;
    int cols_;
    long long count_ = 0;
    std::vector<double> shift_, pending_;
    std::vector<long double> total_;
    std::unique_ptr<Work> work_;
};

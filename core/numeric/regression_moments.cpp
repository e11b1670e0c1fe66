#include "core/numeric/regression_moments.h"

void BuildDesignMoments(const double* rows, int n, int stride, int cols, LongMatrix& m, ThreadPool* pool) {
    BuildMomentsFromRows(rows, n, stride, cols < 0 ? 0 : cols, m, pool);
}

void BuildDesignMoments(const double* rows, int n, int stride, int cols, LongMatrix& m, MomentKernel kernel,
                        ThreadPool* pool) {
    BuildMomentsFromRows(rows, n, stride, cols < 0 ? 0 : cols, m, pool, kernel);
}

void BuildDesignFromColumns(const double* const* columns, int n, int cols, double* design, int stride,
                            LongMatrix& m, ThreadPool* pool) {
    BuildDesignFromColumns(columns, n, cols, design, stride, m, MomentKernel::Automatic, pool);
}

void BuildDesignFromColumns(const double* const* columns, int n, int cols, double* design, int stride,
                            LongMatrix& m, MomentKernel kernel, ThreadPool* pool) {
    BuildMomentsFromColumns(columns, n, cols < 0 ? 0 : cols, m, pool, kernel, design, stride);
}

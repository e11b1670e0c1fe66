#include "estimators/weighted_fit_store.h"

#include <algorithm>
#include <cstring>

#include "core/settings/engine_context.h"
#include "platform/errors.h"

namespace {

[[noreturn]] void ThrowRange() { throw ERangeError("ファイル行列の添字が範囲外です。"); }

}  // namespace

WeightedFitStore::WeightedFitStore(EngineContext& context, int rows, int cols) : rows_(rows), cols_(cols) {
    if (rows < 0 || cols < 0) ThrowRange();
    const std::size_t count = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
    if (!context.FileTablesForced()) {
        // calloc: zero pages come from the system untouched until written.
        block_.reset(static_cast<double*>(std::calloc(std::max<std::size_t>(count, 1), sizeof(double))));
        if (block_) return;
    }
    file_ = std::make_unique<TFileMatrix>(context, rows, cols, 0.0);
}

WeightedFitStore::~WeightedFitStore() = default;

double* WeightedFitStore::Row(int i) {
    if (i < 0 || i >= rows_) ThrowRange();
    if (file_) return nullptr;
    return block_.get() + static_cast<std::size_t>(i) * static_cast<std::size_t>(cols_);
}

const double* WeightedFitStore::Row(int i) const { return const_cast<WeightedFitStore*>(this)->Row(i); }

double WeightedFitStore::GetValue(int i, int j) const {
    if (file_) return file_->GetValue(i, j);
    if (i < 0 || j < 0 || i >= rows_ || j >= cols_) return 0.0;
    return Row(i)[j];
}

void WeightedFitStore::ReadSpan(int i, int j, int count, double* out) const {
    if (file_) return file_->ReadSpan(i, j, count, out);
    if (count < 0) ThrowRange();
    // The columns [lo, hi) of the span lie inside the row; the rest is 0.0.
    const long long first = j;
    const long long lo = std::max<long long>(first, 0);
    const long long hi = std::min<long long>(first + count, cols_);
    if (i < 0 || i >= rows_ || lo >= hi) {
        std::fill_n(out, count, 0.0);
        return;
    }
    std::fill(out, out + (lo - first), 0.0);
    std::fill(out + (hi - first), out + count, 0.0);
    std::memcpy(out + (lo - first), Row(i) + lo, static_cast<std::size_t>(hi - lo) * sizeof(double));
}

void ReadObservationMajorSpan(const double* values, long long stride, int offset, int rows, int cols, int i,
                              int first, int count, double* out) {
    if (count < 0) ThrowRange();
    std::fill_n(out, count, 0.0);
    if (!values || i < 0 || i >= rows) return;
    const long long lo = std::max<long long>(first, 0);
    const long long hi = std::min<long long>(static_cast<long long>(first) + count, cols);
    for (long long t = lo; t < hi; ++t) out[t - first] = values[t * stride + offset + i];
}

void WeightedFitStore::WriteSpan(int i, int j, int count, const double* values) {
    if (file_) return file_->WriteSpan(i, j, count, values);
    if (i < 0 || i >= rows_) ThrowRange();
    if (count < 0 || j < 0 || j > cols_ || count > cols_ - j) ThrowRange();
    if (count > 0) std::memcpy(Row(i) + j, values, static_cast<std::size_t>(count) * sizeof(double));
}

// Per-observation table of a fit: zero-filled rows of doubles by row code,
// in memory or in a temporary file.
#include "core/model/analysis_table.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "core/settings/engine_context.h"
#include "platform/errors.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// Values per write when a row of the file form is filled.
constexpr int kFillChunk = 8192;

[[noreturn]] void ThrowRange() { throw ERangeError("範囲エラー"); }

}  // namespace

RAData::RAData(EngineContext& context, int n, int k) : context_(&context) {
    Allocate(n, k);
}

RAData::~RAData() = default;

void RAData::Allocate(int n, int k) {
    if (inMemory_ && table_ && n > 0 && k >= 0 && n == columns_ && RowCountFor(k) == rows_ &&
        !context_->FileTablesForced()) {
        // The same shape: the block stays, and what was written goes stale.
        for (int r = 0; r < rows_; ++r) {
            if (written_[static_cast<std::size_t>(r)].exchange(false, std::memory_order_relaxed))
                stale_[static_cast<std::size_t>(r)].store(true, std::memory_order_relaxed);
        }
        base_ = k + 20;
        return;
    }
    table_.reset();
    fileTable_.reset();
    rowCache_.clear();
    inMemory_ = true;
    columns_ = 0;
    rows_ = 0;
    base_ = 0;
    if (n < 0 || k < 0) throw EOutOfMemory();
    const int rows = RowCountFor(k);
    const size_t count = static_cast<size_t>(rows) * static_cast<size_t>(n);
    bool inMemory = false;
    if (!context_->FileTablesForced()) {
        if (count == 0) {
            inMemory = true;
        } else {
            // calloc: zero pages come from the system untouched, so rows that
            // are never written take no memory. The values start on a cache
            // line, so that spans streamed past the cache fill whole lines.
            constexpr std::size_t kLine = 64;
            if (count <= (SIZE_MAX - kLine) / sizeof(double)) {
                auto* block = static_cast<char*>(std::calloc(count * sizeof(double) + kLine, 1));
                if (block != nullptr) {
                    const std::size_t offset = kLine - reinterpret_cast<std::uintptr_t>(block) % kLine;
                    table_ = std::unique_ptr<double, FreeDeleter>(reinterpret_cast<double*>(block + offset),
                                                                  FreeDeleter(offset));
                    inMemory = true;
                }
            }
        }
    }
    if (!inMemory) {
        try {
            fileTable_ = std::make_unique<TFileMatrix>(*context_, rows, n, 0.0);
            rowCache_.resize(static_cast<size_t>(rows));
        } catch (const std::exception&) {
            // Neither memory nor a temporary file.
            fileTable_.reset();
            rowCache_.clear();
            throw EOutOfMemory();
        }
    }
    inMemory_ = inMemory;
    rows_ = rows;
    columns_ = n;
    base_ = k + 20;
    written_ = std::vector<std::atomic<bool>>(static_cast<std::size_t>(rows));
    stale_ = std::vector<std::atomic<bool>>(static_cast<std::size_t>(rows));
    present_ = std::vector<std::atomic<bool>>(static_cast<std::size_t>(rows));
}

void RAData::Prefault(int code) {
    const int row = RowOf(code);
    if (row < 0 || !inMemory_ || columns_ == 0) return;
    if (present_[static_cast<std::size_t>(row)].exchange(true, std::memory_order_relaxed)) return;
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    // The whole pages inside the row; the partial ones at its ends come on
    // their first write as before.
    const long page = sysconf(_SC_PAGESIZE);
    if (page <= 0) return;
    const auto start = reinterpret_cast<std::uintptr_t>(table_.get() + static_cast<size_t>(row) * columns_);
    const std::uintptr_t end = start + sizeof(double) * static_cast<size_t>(columns_);
    const std::uintptr_t from = (start + page - 1) / page * page;
    const std::uintptr_t to = end / page * page;
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#endif
}

void RAData::Fresh(int row) const {
    std::atomic<bool>& stale = stale_[static_cast<std::size_t>(row)];
    if (!stale.load(std::memory_order_acquire)) return;
    const std::lock_guard<std::mutex> hold(freshLock_);
    if (!stale.load(std::memory_order_relaxed)) return;
    std::memset(table_.get() + static_cast<size_t>(row) * columns_, 0, sizeof(double) * static_cast<size_t>(columns_));
    stale.store(false, std::memory_order_release);
}

int RAData::RowOf(int code) const {
    const long long row = code >= 0 ? code : static_cast<long long>(code) + base_ + 100;
    return row >= 0 && row < rows_ ? static_cast<int>(row) : -1;
}

void RAData::CheckCell(int row, int i) const {
    if (row < 0 || i < 0 || i >= columns_) ThrowRange();
}

void RAData::CheckSpan(int row, int first, int count) const {
    if (row < 0 || first < 0 || count < 0 || first > columns_ || count > columns_ - first) ThrowRange();
}

double* RAData::CachedRow(int row) const {
    if (inMemory_) return nullptr;
    std::vector<double>& cached = rowCache_[static_cast<size_t>(row)];
    return cached.empty() ? nullptr : cached.data();
}

void RAData::SetValue(int code, int i, double x) {
    const int row = RowOf(code);
    CheckCell(row, i);
    if (inMemory_) {
        Fresh(row);
        MarkWritten(row);
        table_.get()[static_cast<size_t>(row) * columns_ + i] = x;
    } else if (double* cached = CachedRow(row)) {
        cached[i] = x;
    } else {
        fileTable_->SetValue(row, i, x);
    }
}

double RAData::GetValue(int code, int i) const {
    const int row = RowOf(code);
    CheckCell(row, i);
    if (inMemory_) {
        Fresh(row);
        return table_.get()[static_cast<size_t>(row) * columns_ + i];
    }
    if (const double* cached = CachedRow(row)) return cached[i];
    return fileTable_->GetValue(row, i);
}

void RAData::GetRow(int code, std::vector<double>& out) const {
    const int row = RowOf(code);
    if (row < 0) ThrowRange();
    out.resize(static_cast<size_t>(columns_));
    ReadSpan(code, 0, columns_, out.data());
}

void RAData::ReadSpan(int code, int first, int count, double* out) const {
    const int row = RowOf(code);
    CheckSpan(row, first, count);
    if (count == 0) return;
    if (inMemory_) {
        Fresh(row);
        std::memcpy(out, table_.get() + static_cast<size_t>(row) * columns_ + first, sizeof(double) * count);
    } else if (const double* cached = CachedRow(row)) {
        std::memcpy(out, cached + first, sizeof(double) * count);
    } else {
        fileTable_->ReadSpan(row, first, count, out);
    }
}

void RAData::WriteSpan(int code, int first, int count, const double* values) {
    const int row = RowOf(code);
    CheckSpan(row, first, count);
    if (count == 0) return;
    if (inMemory_) {
        Fresh(row);
        MarkWritten(row);
        std::memcpy(table_.get() + static_cast<size_t>(row) * columns_ + first, values, sizeof(double) * count);
    } else if (double* cached = CachedRow(row)) {
        std::memcpy(cached + first, values, sizeof(double) * count);
    } else {
        fileTable_->WriteSpan(row, first, count, values);
    }
}

void RAData::FillRow(int code, double x) {
    const int row = RowOf(code);
    if (row < 0) ThrowRange();
    if (columns_ == 0) return;
    if (inMemory_) {
        // Every value is written: old ones need no clearing.
        stale_[static_cast<std::size_t>(row)].store(false, std::memory_order_release);
        MarkWritten(row);
        double* r = table_.get() + static_cast<size_t>(row) * columns_;
        std::fill(r, r + columns_, x);
    } else if (double* cached = CachedRow(row)) {
        std::fill(cached, cached + columns_, x);
    } else {
        // A bounded buffer of copies written span by span: a row of a large
        // data set need not fit in memory a second time.
        std::vector<double> values;
        try {
            values.assign(static_cast<size_t>(std::min(columns_, kFillChunk)), x);
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory();
        }
        const int chunk = static_cast<int>(values.size());
        for (int first = 0; first < columns_;) {
            const int m = std::min(chunk, columns_ - first);
            fileTable_->WriteSpan(row, first, m, values.data());
            first += m;
        }
    }
}

double* RAData::Row(int code) {
    const int row = RowOf(code);
    if (row < 0) ThrowRange();
    // An empty table (no observations) has no storage; hand out a null row
    // that no loop over zero observations touches.
    if (columns_ == 0) return nullptr;
    if (inMemory_) {
        Fresh(row);
        MarkWritten(row);
        return table_.get() + static_cast<size_t>(row) * columns_;
    }
    std::vector<double>& cached = rowCache_[static_cast<size_t>(row)];
    if (cached.empty()) {
        try {
            cached.resize(static_cast<size_t>(columns_));
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory();
        }
        fileTable_->ReadRow(row, cached.data());
    }
    return cached.data();
}

const double* RAData::Row(int code) const { return const_cast<RAData*>(this)->Row(code); }

double* RAData::RowForOverwrite(int code) {
    const int row = RowOf(code);
    if (row < 0) ThrowRange();
    if (columns_ == 0 || !inMemory_) return Row(code);
    stale_[static_cast<std::size_t>(row)].store(false, std::memory_order_release);
    MarkWritten(row);
    return table_.get() + static_cast<size_t>(row) * columns_;
}

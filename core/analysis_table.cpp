// Per-observation table of a fit: zero-filled rows of doubles by row code.
#include "core/analysis_table.h"

#include <algorithm>
#include <string>

#include "platform/errors.h"

RAData::RAData(int n, int k) {
    if (Allocate(n, k)) throw EOutOfMemory();
}

bool RAData::Allocate(int n, int k) {
    table_.reset();
    columns_ = 0;
    rows_ = 0;
    base_ = 0;
    if (n < 0 || k < 0) return true;
    const int rows = RowCountFor(k);
    const size_t count = static_cast<size_t>(rows) * static_cast<size_t>(n);
    if (count > 0) {
        // calloc: zero pages come from the system untouched, so rows that
        // are never written take no memory.
        auto* p = static_cast<double*>(std::calloc(count, sizeof(double)));
        if (p == nullptr) return true;
        table_.reset(p);
    }
    rows_ = rows;
    columns_ = n;
    base_ = k + 20;
    return false;
}

int RAData::RowOf(int code) const {
    const long long row = code >= 0 ? code : static_cast<long long>(code) + base_ + 100;
    return row >= 0 && row < rows_ ? static_cast<int>(row) : -1;
}

void RAData::CheckCell(int row, int i) const {
    if (row < 0 || i < 0 || i >= columns_) throw ERangeError("範囲エラー");
}

void RAData::SetValue(int code, int i, double x) {
    const int row = RowOf(code);
    CheckCell(row, i);
    table_.get()[static_cast<size_t>(row) * columns_ + i] = x;
}

double RAData::GetValue(int code, int i) const {
    const int row = RowOf(code);
    CheckCell(row, i);
    return table_.get()[static_cast<size_t>(row) * columns_ + i];
}

void RAData::GetRow(int code, std::vector<double>& out) const {
    const double* r = Row(code);
    out.assign(r, r + columns_);
}

double* RAData::Row(int code) {
    const int row = RowOf(code);
    if (row < 0) throw ERangeError("範囲エラー");
    // An empty table (no observations) has no storage; hand out a null row
    // that no loop over zero observations touches.
    return table_ ? table_.get() + static_cast<size_t>(row) * columns_ : nullptr;
}

const double* RAData::Row(int code) const {
    return const_cast<RAData*>(this)->Row(code);
}

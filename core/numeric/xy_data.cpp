#include "core/numeric/xy_data.h"

#include <algorithm>

#include "platform/errors.h"

XYData::XYData(std::uint32_t colour, std::uint8_t penStyle, bool removable, int n)
    : x_(n > 0 ? n : 0, 0.0), y_(n > 0 ? n : 0, 0.0), colour_(colour), penStyle_(penStyle), removable_(removable) {}

void XYData::AddPoint(double x, double y) {
    x_.reserve(x_.size() + 1);
    y_.reserve(y_.size() + 1);
    x_.push_back(x);
    y_.push_back(y);
}

void XYData::SetData(const double* x, const double* y, int n) {
    if (n <= 0) return;
    if (n > Count()) {
        x_.assign(x, x + n);
        y_.assign(y, y + n);
        return;
    }
    std::copy(x, x + n, x_.begin());
    std::copy(y, y + n, y_.begin());
}

void XYData::SetPoint(int i, double x, double y) {
    if (i < 0 || i >= Count()) return;
    x_[i] = x;
    y_[i] = y;
}

void XYDataList::Add(const XYData& s) { items_.push_back(std::make_unique<XYData>(s)); }

XYData* XYDataList::GetItem(int i) {
    if (i < 0 || i >= Count()) throw ERangeError("XYDataList: index out of range");
    return items_[i].get();
}

const XYData* XYDataList::GetItem(int i) const {
    if (i < 0 || i >= Count()) throw ERangeError("XYDataList: index out of range");
    return items_[i].get();
}

void XYDataList::Delete(int i) {
    if (items_.empty()) return;
    if (items_.size() == 1) {
        if (items_[0]->Removable() && i <= 0) items_.clear();
        return;
    }
    if (i < 0) {
        i = -1;
        for (int j = Count() - 1; j >= 0; --j)
            if (items_[j]->Removable()) {
                i = j;
                break;
            }
        if (i < 0) return;
    }
    if (i >= Count()) return;
    items_.erase(items_.begin() + i);
}

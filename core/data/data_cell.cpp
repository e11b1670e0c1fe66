#include "core/data/data_cell.h"

#include <string>

#include "platform/errors.h"

DataString::DataString(int n, std::uint16_t mark, double value) {
    if (n >= 1) cells_.assign(static_cast<std::size_t>(n), DataCell(mark, value));
}

const DataCell& DataString::Cell(int i) const {
    if (i < 0 || i >= Count())
        throw ERangeError("範囲エラー: データ組のセル " + std::to_string(i));
    return cells_[static_cast<std::size_t>(i)];
}

DataCell& DataString::Cell(int i) {
    return const_cast<DataCell&>(static_cast<const DataString&>(*this).Cell(i));
}

void DataString::Set(int i, std::uint16_t mark, double value) {
    Cell(i) = DataCell(mark, value);
}

void DataString::SetCell(int i, const DataCell& cell) { Cell(i) = cell; }

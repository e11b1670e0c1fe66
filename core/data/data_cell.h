// One value of the data table with its group word, and a row of such cells.
//
// A DataString is how a row of the data set travels: the clipboard, the undo
// store and the observation insert/append operations all move rows as
// DataStrings. The group word has bit g-1 set when the value belongs to
// group g (1..16); 0 means no group.
#pragma once

#include <cstdint>
#include <vector>

struct DataCell {
    double value = 0.0;
    std::uint16_t mark = 0;

    DataCell() = default;
    DataCell(std::uint16_t m, double v) : value(v), mark(m) {}

    void Assign(const DataCell& other) { *this = other; }
};

class DataString {
public:
    DataString() = default;
    // n cells, each holding value and mark; n < 1 gives an empty row.
    DataString(int n, std::uint16_t mark, double value);

    int Count() const { return static_cast<int>(cells_.size()); }

    // Cell accessors. An index outside 0..Count()-1 raises ERangeError rather
    // than reading past the row.
    double GetValue(int i) const { return Cell(i).value; }
    std::uint16_t GetAttribute(int i) const { return Cell(i).mark; }
    const DataCell& GetCell(int i) const { return Cell(i); }

    void Set(int i, std::uint16_t mark, double value);
    void SetCell(int i, const DataCell& cell);

    void Add(const DataCell& cell) { cells_.push_back(cell); }
    void Clear() { cells_.clear(); }
    void Assign(const DataString& other) { cells_ = other.cells_; }

    const std::vector<DataCell>& Cells() const { return cells_; }

private:
    const DataCell& Cell(int i) const;
    DataCell& Cell(int i);

    std::vector<DataCell> cells_;
};

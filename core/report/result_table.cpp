#include "core/report/result_table.h"

#include "core/text/number_format.h"

namespace {
const ResultCell kNoCell;
const std::string kNoTitle;
}  // namespace

ResultCell TextCell(std::string text) { return ResultCell{std::move(text), {}}; }

ResultCell NumberCell(double value, bool smallAsFixed, std::string mark) {
    return ResultCell{FormatNumber(smallAsFixed, value), std::move(mark), value};
}

const std::string& ResultTable::Title(int column) const {
    if (column < 0 || column >= ColumnCount()) return kNoTitle;
    return titles_[static_cast<std::size_t>(column)];
}

void ResultTable::SetTitle(int column, std::string title) {
    if (column >= 0 && column < ColumnCount()) titles_[static_cast<std::size_t>(column)] = std::move(title);
}

void ResultTable::AddRow(std::vector<ResultCell> cells) {
    cells.resize(titles_.size());
    rows_.push_back(std::move(cells));
}

const ResultCell& ResultTable::Cell(int column, int row) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount()) return kNoCell;
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

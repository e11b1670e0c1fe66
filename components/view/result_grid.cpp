#include "components/view/result_grid.h"

#include <algorithm>

ResultGrid::ResultGrid(QWidget* parent, int fixedColumns)
    : TStringGrid(parent), fixedColumns_(std::max(0, fixedColumns)) {
    SetEditable(false);
    SetRangeSelect(false);
    context_.font = font();
    UseGridCellPainter(*this, [this]() -> const GridCellContext& { return context_; });
    Resize(0, 0);
}

void ResultGrid::Resize(int columns, int rows) {
    // The grid keeps one scrolling row and column beside its fixed ones.
    SetColCount(std::max(columns, fixedColumns_ + 1));
    SetRowCount(std::max(rows + 1, 2));
    SetFixedCols(fixedColumns_);
    SetFixedRows(1);
    SetTopRow(1);
    SetLeftCol(fixedColumns_);
    viewport()->update();
}

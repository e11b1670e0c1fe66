#include "components/view/result_grid.h"

#include <algorithm>

#include <QFontMetrics>

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

void ResultGrid::paintEvent(QPaintEvent* event) {
    // Room for the painter's margins on both sides of the text.
    constexpr int kMargin = 12;
    const QFontMetrics metrics(font());
    const int last = std::min(LastVisibleRow(), RowCount() - 1);
    for (int c = 0; c < ColCount(); ++c) {
        int needed = ColWidth(c);
        for (int r = 0; r < FixedRows(); ++r) needed = std::max(needed, metrics.horizontalAdvance(Cell(c, r)) + kMargin);
        for (int r = std::max(TopRow(), FixedRows()); r <= last; ++r)
            needed = std::max(needed, metrics.horizontalAdvance(Cell(c, r)) + kMargin);
        if (needed > ColWidth(c)) SetColWidth(c, needed);
    }
    TStringGrid::paintEvent(event);
}

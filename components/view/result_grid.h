// ResultGrid: a result table on the string grid, read-only. The top row
// holds the column titles; each further row one row of the table, its cells
// showing mark and text, so that the one cell painter draws marked values
// red or blue as on every other grid. The grid asks for the visible cells
// only, so a table of many rows shows at once.
//
// A table offers ColumnCount(), RowCount(), Title(column) and
// Cell(column, row).Shown() (the mark followed by the text).
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "components/view/grid_cell_painter.h"
#include "components/view/qt_text.h"
#include "platform/qt/string_grid.h"

class ResultGrid : public TStringGrid {
public:
    // fixedColumns: how many leading columns stay in view (the names).
    explicit ResultGrid(QWidget* parent = nullptr, int fixedColumns = 1);

    // Shows a copy of the table; the grid keeps it until the next one.
    template <class Table>
    void Show(Table table) {
        auto shown = std::make_shared<const Table>(std::move(table));
        const int columns = shown->ColumnCount();
        ClearCells();
        SetCellProvider([shown, columns](int col, int row) -> QString {
            if (col < 0 || col >= columns || row < 0 || row > shown->RowCount()) return {};
            if (row == 0) return Q(shown->Title(col));
            return Q(shown->Cell(col, row - 1).Shown());
        });
        Resize(columns, shown->RowCount());
    }

    // Column marks: marked(i) for grid column i + 1, asked as cells are
    // painted (the painter then draws the column's header marked).
    void SetColumnMarks(std::function<bool(int)> marked) { context_.columnMarked = std::move(marked); }

protected:
    // Widens the columns whose shown cells do not fit before painting, so a
    // number is never cut; only the visible rows are measured.
    void paintEvent(QPaintEvent* event) override;

private:
    // Keeps the fixed row and columns inside a table of that size.
    void Resize(int columns, int rows);

    int fixedColumns_;
    GridCellContext context_;
};

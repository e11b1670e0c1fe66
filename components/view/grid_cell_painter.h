// DrawGridCell: the one painter of every grid cell in the program. A grid
// hands it its context (which grid it is, how to ask its row and column
// marks, the model, the colouring switch and the group colours), so the look
// of headers, marks, flagged values, variable kinds and group colours is the
// same everywhere and the painter never reaches into a window.
//
// Texts beginning "**" or "* " in a data cell are flagged values: drawn
// without the two characters in red or blue (lime or yellow when selected).
// A header text beginning "_" in a grid other than the main window's three
// is drawn white without the "_" (a hidden name).
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>

#include "core/settings/grid_color_list.h"
#include "components/plot/core/plot_canvas.h"
#include "platform/qt/string_grid.h"

class Reg;

// MarkedRows: a small value grid whose number column shows row marks.
enum class GridKind { Other, MainEdit, MainDiagnostics, MainInfluence, MarkedRows };

struct GridCellContext {
    GridKind kind = GridKind::Other;
    // Column mark of data column index (column − 1); null: the grid has none.
    std::function<bool(int)> columnMarked;
    // Mark of observation index (row − 1); asked on the main window's grids.
    std::function<bool(int)> observationMarked;
    const Reg* model = nullptr;
    bool coloring = true;
    // Text and background colours of a group word; null: black on white.
    std::function<GridColorEntry(std::uint16_t)> groupColors;
    QFont font;

    bool IsMainGrid() const { return kind != GridKind::Other && kind != GridKind::MarkedRows; }
    bool ShowsObservationMarks() const { return IsMainGrid() || kind == GridKind::MarkedRows; }
};

void DrawGridCell(PlotCanvas& canvas, const GridCellContext& context, const QString& text, int col, int row,
                  const QRect& rect, GridDrawState state);

// The grid's own text of the cell.
void DrawGridCell(PlotCanvas& canvas, const GridCellContext& context, const TStringGrid& grid, int col, int row,
                  const QRect& rect, GridDrawState state);

// The context of a grid whose marked rows draw their number cell yellow
// with a sunken edge (marked(i) for observation index i = row − 1).
GridCellContext MarkedGridCellContext(std::function<bool(int)> marked, const QFont& font);

// Connects the grid's DrawCell to the painter; context is asked at each cell.
void UseGridCellPainter(TStringGrid& grid, std::function<const GridCellContext&()> context);

// The painter for a grid without marks or variable names of its own (a
// result list of an analysis window): flagged values red or blue, numbers
// right-aligned, in the grid's current font.
void UsePlainGridCellPainter(TStringGrid& grid);

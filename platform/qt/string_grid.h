// TStringGrid: the one string grid of every window. Fixed rows and columns,
// column widths, one row height with a few rows of their own (a separator),
// a top row and a left column scrolled in
// whole rows and columns, a rectangle selection with a focus cell, an
// in-place editor for editable grids, and signals for drawing a cell,
// choosing a cell, clicks (also after keyboard moves), keys and the mouse.
//
// Only the cells in view are painted, and cell texts need not be stored: a
// cell provider is asked for every cell that was not written, so a grid of
// a million rows keeps only what its owner writes.
#pragma once

#include <QAbstractScrollArea>
#include <QPainter>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <unordered_map>
#include <vector>

class QLineEdit;

struct GridDrawState {
    bool selected = false;
    bool focused = false;
    bool fixed = false;
    bool operator==(const GridDrawState&) const = default;
};

// Columns left..right and rows top..bottom, inclusive.
struct GridRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Contains(int c, int r) const { return c >= left && c <= right && r >= top && r <= bottom; }
    bool operator==(const GridRect&) const = default;
};

class TStringGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    using CellProvider = std::function<QString(int col, int row)>;

    explicit TStringGrid(QWidget* parent = nullptr);
    ~TStringGrid() override;

    // --- shape -----------------------------------------------------------------
    int ColCount() const { return colCount_; }
    int RowCount() const { return rowCount_; }
    void SetColCount(int n);
    void SetRowCount(int n);
    int FixedCols() const { return fixedCols_; }
    int FixedRows() const { return fixedRows_; }
    void SetFixedCols(int n);
    void SetFixedRows(int n);
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int w);
    int DefaultRowHeight() const { return rowHeight_; }
    void SetDefaultRowHeight(int h);
    // A row of its own height; the others keep the default. Kept sparse, so
    // a long grid with a few such rows costs what it did.
    int RowHeight(int r) const;
    void SetRowHeight(int r, int h);
    int ColWidth(int c) const;
    void SetColWidth(int c, int w);
    static constexpr int kGridLineWidth = 1;

    // --- texts ------------------------------------------------------------------
    // A written text, else the provider's, else empty.
    QString Cell(int c, int r) const;
    void SetCell(int c, int r, const QString& text);
    void ClearCells();
    void SetCellProvider(CellProvider provider);
    int StoredCellCount() const { return static_cast<int>(cells_.size()); }

    // --- view -------------------------------------------------------------------
    int TopRow() const { return topRow_; }
    void SetTopRow(int r);
    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int c);
    // Scrollable rows that fit wholly in the view (at least 1).
    int VisibleRowCount() const;
    // Rows from the top row to the last one painted, partly shown included.
    int LastVisibleRow() const;
    int LastVisibleCol() const;
    // Cell at a point of the viewport; -1 for a coordinate past the cells.
    void MouseToCell(int x, int y, int& col, int& row) const;
    // Cell rectangle in viewport coordinates; empty when not in view.
    QRect CellRect(int c, int r) const;
    void InvalidateCell(int c, int r);
    void InvalidateRow(int r);
    void InvalidateGrid();

    // --- selection ----------------------------------------------------------------
    int Col() const { return col_; }
    int Row() const { return row_; }
    // Moves the focus cell (asking SelectCell), collapsing the selection to it,
    // and scrolls it into view.
    void SetCurrentCell(int c, int r);
    GridRect Selection() const;
    void SetSelection(const GridRect& rect);
    bool RangeSelect() const { return rangeSelect_; }
    void SetRangeSelect(bool on) { rangeSelect_ = on; }

    // --- in-place editor ----------------------------------------------------------
    bool Editable() const { return editable_; }
    void SetEditable(bool on);
    bool IsEditing() const;
    void ShowEditor(const QString* initial = nullptr);
    // Commit writes the text to the cell and emits SetEditText, when it
    // differs from the cell's or the user typed it.
    void HideEditor(bool commit);
    QLineEdit* Editor() const { return editor_; }

    // Paints the cells meeting area (viewport coordinates) on the painter.
    void PaintCells(QPainter& painter, const QRect& area);

signals:
    // Owner drawing: the painter is clipped to the cell and set to the
    // grid's font; a window's cell painter draws on it.
    void DrawCell(QPainter* painter, int col, int row, QRect rect, GridDrawState state);
    void SelectCell(int col, int row, bool* canSelect);
    void Click();
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void GridMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void GridMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);
    void GridMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void TopLeftChanged();
    void SetEditText(int col, int row, const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The current cell is drawn by whether the grid has the focus.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static std::uint64_t Key(int c, int r) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(r)) << 32) | static_cast<std::uint32_t>(c);
    }
    int FixedWidth() const;
    int FixedHeight() const;
    int RowPitch() const { return rowHeight_ + kGridLineWidth; }
    int RowPitchOf(int r) const { return RowHeight(r) + kGridLineWidth; }
    // Height of rows from .. to - 1 with their grid lines.
    long long RowSpan(int from, int to) const;
    // Top edge of a fixed row or of a row from the top row on.
    int RowY(int r) const;
    // The row whose band holds the offset below the top of row from (rows
    // past the last counted at the default height).
    long long RowAtOffset(int from, long long offset) const;
    // Rows from first down that fit wholly in space (past the last at the
    // default height).
    int RowsFittingFrom(int first, int space) const;
    // Scrollable rows ending at last that fit wholly in space.
    int RowsFittingUpTo(int last, int space) const;
    int MaxTopRow() const;
    int MaxLeftCol() const;
    // The same for a view of that height or width.
    int MaxTopRowIn(int viewHeight) const;
    int MaxLeftColIn(int viewWidth) const;
    int ColX(int c) const;  // left edge, or -1 when the column is scrolled away
    void UpdateScrollBars();
    // Moves the focus (and with extend the far corner of the selection).
    bool MoveFocus(int c, int r, bool extend);
    void ScrollIntoView(int c, int r);
    void DefaultDraw(QPainter& painter, int c, int r, const QRect& rect, GridDrawState state);

    int colCount_ = 5;
    int rowCount_ = 5;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int rowHeight_ = 24;
    std::vector<int> colWidths_;
    std::map<int, int> rowHeights_;  // rows that differ from the default
    std::unordered_map<std::uint64_t, QString> cells_;
    CellProvider provider_;
    int topRow_ = 1;
    int leftCol_ = 1;
    int col_ = 1;
    int row_ = 1;
    int anchorCol_ = 1;
    int anchorRow_ = 1;
    bool rangeSelect_ = true;
    bool selecting_ = false;
    bool editable_ = false;
    bool syncingBars_ = false;
    QLineEdit* editor_ = nullptr;
    int editCol_ = -1;
    int editRow_ = -1;
    // The user typed into the editor: its text commits even where it reads
    // as the cell does (a cell may show a value rounded to what was typed).
    bool editTyped_ = false;
};

Q_DECLARE_METATYPE(GridDrawState)

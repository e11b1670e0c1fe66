// The string grid: geometry, rows of their own height, scroll bars that go
// when the cells fit, the top row, mouse to cell, the state each cell is
// drawn with, and the events that clicks and keys produce.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QLineEdit>
#include <QTest>
#include <map>
#include <vector>

#include "gui_fixture.h"
#include "platform/qt/string_grid.h"

namespace {

struct AppFirst {
    AppFirst() { TestApp(); }
};

class StringGridTest : public ::testing::Test, private AppFirst {
protected:
    StringGridTest() {
        grid.SetColCount(4);
        grid.SetRowCount(101);
        grid.SetDefaultColWidth(50);
        grid.SetDefaultRowHeight(20);
        grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid.setFrameStyle(0);
        grid.resize(300, 21 * 6);  // the fixed row and five data rows
        grid.show();
    }
    // Every cell the grid paints, with its state.
    std::map<std::pair<int, int>, GridDrawState> Painted() {
        std::map<std::pair<int, int>, GridDrawState> out;
        auto conn = QObject::connect(&grid, &TStringGrid::DrawCell,
                                     [&](QPainter*, int c, int r, QRect, GridDrawState s) { out[{c, r}] = s; });
        QImage image(grid.viewport()->size(), QImage::Format_RGB32);
        QPainter painter(&image);
        grid.PaintCells(painter, image.rect());
        QObject::disconnect(conn);
        return out;
    }
    QPoint CellCentre(int c, int r) { return grid.CellRect(c, r).center(); }

    TStringGrid grid;
};

TEST_F(StringGridTest, GeometryOfCellsAndMouseToCell) {
    grid.SetColWidth(0, 30);
    EXPECT_EQ(grid.CellRect(0, 0), QRect(0, 0, 30, 20));
    EXPECT_EQ(grid.CellRect(1, 0), QRect(31, 0, 50, 20));
    EXPECT_EQ(grid.CellRect(2, 3), QRect(82, 63, 50, 20));
    EXPECT_EQ(grid.VisibleRowCount(), 5);
    EXPECT_TRUE(grid.CellRect(1, 7).isEmpty());  // below the view

    struct Case {
        int x, y, col, row;
    } cases[] = {
        {0, 0, 0, 0},     {29, 19, 0, 0},   {30, 20, 0, 0},  // the grid line belongs to the cell before it
        {31, 21, 1, 1},   {81, 41, 1, 1},   {82, 42, 2, 2},  {150, 104, 3, 4},
        {200, 10, -1, 0},
        {-1, -1, -1, -1}, {500, 10, -1, 0},
    };
    for (const Case& k : cases) {
        int c, r;
        grid.MouseToCell(k.x, k.y, c, r);
        EXPECT_EQ(c, k.col) << k.x << "," << k.y;
        EXPECT_EQ(r, k.row) << k.x << "," << k.y;
    }
}

TEST_F(StringGridTest, TopRowScrollsByWholeRowsAndStaysInRange) {
    QSignalSpy moved(&grid, &TStringGrid::TopLeftChanged);
    grid.SetTopRow(50);
    EXPECT_EQ(grid.TopRow(), 50);
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(grid.verticalScrollBar()->value(), 49);
    int c, r;
    grid.MouseToCell(40, 21, c, r);
    EXPECT_EQ(r, 50);
    grid.MouseToCell(40, 5, c, r);
    EXPECT_EQ(r, 0);  // the fixed row stays

    grid.SetTopRow(1000);
    EXPECT_EQ(grid.TopRow(), 96);  // the last five rows fill the view
    grid.SetTopRow(-3);
    EXPECT_EQ(grid.TopRow(), 1);
    grid.SetTopRow(1);
    EXPECT_EQ(moved.count(), 3);  // no change, no signal

    grid.verticalScrollBar()->setValue(10);
    EXPECT_EQ(grid.TopRow(), 11);

    // Fewer rows bring the top row back.
    grid.SetTopRow(90);
    grid.SetRowCount(20);
    EXPECT_EQ(grid.TopRow(), 15);
}

TEST_F(StringGridTest, ARowOfItsOwnHeightMovesTheRowsBelowIt) {
    // Row 3 a 4-pixel separator at 63, row 4 at 68; the view's last pixel
    // (125) lies in row 6.
    grid.SetRowHeight(3, 4);
    EXPECT_EQ(grid.CellRect(1, 3), QRect(51, 63, 50, 4));
    EXPECT_EQ(grid.CellRect(1, 4), QRect(51, 68, 50, 20));
    for (const auto& [y, row] : {std::pair{62, 2}, {63, 3}, {67, 3}, {68, 4}}) {
        int c, r;
        grid.MouseToCell(60, y, c, r);
        EXPECT_EQ(r, row) << y;
    }
    EXPECT_EQ(grid.VisibleRowCount(), 5);
    EXPECT_EQ(grid.LastVisibleRow(), 6);
    std::map<int, int> heights;
    auto conn = QObject::connect(&grid, &TStringGrid::DrawCell,
                                 [&](QPainter*, int, int r, QRect rect, GridDrawState) { heights[r] = rect.height(); });
    QImage image(grid.viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    grid.PaintCells(painter, image.rect());
    QObject::disconnect(conn);
    EXPECT_EQ(heights, (std::map<int, int>{{0, 20}, {1, 20}, {2, 20}, {3, 4}, {4, 20}, {5, 20}, {6, 20}}));

    // Two thin rows near the end: the last six rows fit the 105 pixels
    // below the fixed row, so the top row goes down to 95.
    grid.SetRowHeight(98, 4);
    grid.SetRowHeight(99, 4);
    grid.SetTopRow(1000);
    EXPECT_EQ(grid.TopRow(), 95);
    EXPECT_EQ(grid.verticalScrollBar()->maximum(), 94);
    grid.SetTopRow(1);
    grid.SetCurrentCell(1, 100);
    EXPECT_EQ(grid.TopRow(), 95);
    // Rows cut off lose their height.
    grid.SetRowCount(50);
    grid.SetRowCount(101);
    EXPECT_EQ(grid.RowHeight(99), 20);
    EXPECT_EQ(grid.RowHeight(3), 4);
}

TEST(StringGridBars, CellsThatFitOnceTheBarsAreGoneHaveNoBars) {
    TestApp();
    TStringGrid g;
    g.SetColCount(4);
    g.SetRowCount(6);
    g.SetDefaultColWidth(50);
    g.SetDefaultRowHeight(20);
    const int frame = 2 * g.frameWidth();
    g.resize(120, 70);
    g.show();
    QApplication::processEvents();
    EXPECT_GT(g.verticalScrollBar()->maximum(), 0);
    EXPECT_GT(g.horizontalScrollBar()->maximum(), 0);
    // Exactly the cells: 4 x 51 by 6 x 21 pixels.
    g.resize(204 + frame, 126 + frame);
    QApplication::processEvents();
    EXPECT_EQ(g.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(g.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(g.viewport()->size(), QSize(204, 126));
}

TEST_F(StringGridTest, PaintsOnlyTheCellsInViewWithTheirState) {
    grid.SetTopRow(40);
    grid.SetCurrentCell(2, 41);
    grid.SetSelection({1, 41, 2, 42});
    const auto painted = Painted();
    EXPECT_EQ(painted.size(), 4u * 6u);  // 4 columns, the fixed row and rows 40..44
    for (const auto& [cell, state] : painted) {
        const auto [c, r] = cell;
        EXPECT_TRUE(r == 0 || (r >= 40 && r <= 44)) << r;
        EXPECT_EQ(state.fixed, c == 0 || r == 0) << c << "," << r;
        EXPECT_EQ(state.selected, c >= 1 && c <= 2 && r >= 41 && r <= 42) << c << "," << r;
        EXPECT_FALSE(state.focused);  // the grid has no keyboard focus offscreen
    }
}

// The current cell is drawn one way while the grid has the keyboard focus
// and another while it has not, so the grid repaints as the focus comes
// and goes: a click that hands the focus on leaves no stale cell behind.
TEST(StringGridFocus, TheCurrentCellIsRepaintedAsTheFocusComesAndGoes) {
    TestApp();
    QWidget window;
    auto* grid = new TStringGrid(&window);
    auto* edit = new QLineEdit(&window);
    grid->SetColCount(3);
    grid->SetRowCount(4);
    grid->setGeometry(0, 30, 200, 100);
    edit->setGeometry(0, 0, 200, 25);
    window.resize(200, 130);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    grid->SetCurrentCell(1, 2);
    std::vector<bool> drawnFocused;  // the current cell's state in each real paint
    QObject::connect(grid, &TStringGrid::DrawCell, [&](QPainter*, int c, int r, QRect, GridDrawState s) {
        if (c == 1 && r == 2) drawnFocused.push_back(s.focused);
    });
    const struct {
        const char* name;
        QWidget* focus;
        bool focused;
    } steps[] = {{"to the grid", grid, true}, {"to the edit", edit, false}, {"back to the grid", grid, true}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        drawnFocused.clear();
        step.focus->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !drawnFocused.empty(); }, 1000));
        EXPECT_EQ(drawnFocused.back(), step.focused);
    }
}

TEST_F(StringGridTest, ProviderFillsUnwrittenCellsWithoutStoringThem) {
    grid.SetRowCount(1'000'001);
    int asked = 0;
    grid.SetCellProvider([&](int c, int r) {
        ++asked;
        return QStringLiteral("%1:%2").arg(c).arg(r);
    });
    grid.SetCell(1, 0, QStringLiteral("X"));
    EXPECT_EQ(grid.Cell(1, 0), "X");
    EXPECT_EQ(grid.Cell(2, 999'999), "2:999999");
    EXPECT_EQ(grid.Cell(9, 1), "");  // outside the grid
    grid.SetTopRow(999'990);
    asked = 0;
    std::map<std::pair<int, int>, QString> seen;
    auto conn = QObject::connect(&grid, &TStringGrid::DrawCell, [&](QPainter*, int c, int r, QRect, GridDrawState) {
        seen[{c, r}] = grid.Cell(c, r);
    });
    QImage image(grid.viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    grid.PaintCells(painter, image.rect());
    QObject::disconnect(conn);
    EXPECT_EQ(seen.size(), 24u);
    EXPECT_EQ(seen[std::make_pair(3, 999994)], "3:999994");
    EXPECT_EQ(grid.StoredCellCount(), 1);
    // Shrinking drops written cells beyond the new size.
    grid.SetCell(1, 999'999, QStringLiteral("gone"));
    grid.SetRowCount(10);
    EXPECT_EQ(grid.StoredCellCount(), 1);
}

TEST_F(StringGridTest, KeysMoveTheFocusScrollAndClick) {
    QSignalSpy clicks(&grid, &TStringGrid::Click);
    QSignalSpy keys(&grid, &TStringGrid::KeyDown);
    grid.SetCurrentCell(1, 1);
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int col, row, top;
        GridRect sel;
    } steps[] = {
        {Qt::Key_Down, Qt::NoModifier, 1, 2, 1, {1, 2, 1, 2}},
        {Qt::Key_Right, Qt::ShiftModifier, 2, 2, 1, {1, 2, 2, 2}},
        {Qt::Key_Down, Qt::ShiftModifier, 2, 3, 1, {1, 2, 2, 3}},
        {Qt::Key_PageDown, Qt::NoModifier, 2, 8, 4, {2, 8, 2, 8}},
        {Qt::Key_End, Qt::ControlModifier, 3, 100, 96, {3, 100, 3, 100}},
        {Qt::Key_Home, Qt::ControlModifier, 1, 1, 1, {1, 1, 1, 1}},
        {Qt::Key_Up, Qt::NoModifier, 1, 1, 1, {1, 1, 1, 1}},  // already at the first data row
    };
    int expectClicks = 0;
    for (const Step& s : steps) {
        const int before = grid.Row() * 100 + grid.Col();
        QTest::keyClick(&grid, s.key, s.mods);
        if (grid.Row() * 100 + grid.Col() != before) ++expectClicks;
        EXPECT_EQ(grid.Col(), s.col) << s.key;
        EXPECT_EQ(grid.Row(), s.row) << s.key;
        EXPECT_EQ(grid.TopRow(), s.top) << s.key;
        EXPECT_EQ(grid.Selection(), s.sel) << s.key;
    }
    EXPECT_EQ(clicks.count(), expectClicks);
    // Every key press is reported (the modifier keys themselves included).
    int arrows = 0;
    for (const auto& k : keys) {
        if (k.at(0).toInt() == Qt::Key_Right) {
            ++arrows;
            EXPECT_EQ(k.at(1).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
        }
    }
    EXPECT_EQ(arrows, 1);
}

TEST_F(StringGridTest, SelectCellCanRefuseAMove) {
    QObject::connect(&grid, &TStringGrid::SelectCell, [](int c, int, bool* can) { *can = c != 3; });
    grid.SetCurrentCell(2, 1);
    QTest::keyClick(&grid, Qt::Key_Right);
    EXPECT_EQ(grid.Col(), 2);
}

TEST_F(StringGridTest, MouseSelectsDragsAndReportsButtonsAndModifiers) {
    QSignalSpy downs(&grid, &TStringGrid::GridMouseDown);
    QSignalSpy ups(&grid, &TStringGrid::GridMouseUp);
    QSignalSpy moves(&grid, &TStringGrid::GridMouseMove);
    QSignalSpy clicks(&grid, &TStringGrid::Click);
    QWidget* vp = grid.viewport();

    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, CellCentre(1, 2));
    QMouseEvent move(QEvent::MouseMove, QPointF(CellCentre(3, 4)), vp->mapToGlobal(QPointF(CellCentre(3, 4))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &move);
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, CellCentre(3, 4));
    EXPECT_EQ(grid.Selection(), (GridRect{1, 2, 3, 4}));
    EXPECT_EQ(grid.Col(), 3);
    EXPECT_EQ(clicks.count(), 1);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs.at(0).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
    EXPECT_EQ(moves.count(), 1);
    EXPECT_EQ(moves.at(0).at(0).value<Qt::MouseButtons>(), Qt::MouseButtons(Qt::LeftButton));

    // Shift extends from the anchor; a right click or a header click moves nothing.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, CellCentre(2, 5));
    EXPECT_EQ(grid.Selection(), (GridRect{1, 2, 2, 5}));
    QTest::mouseClick(vp, Qt::RightButton, Qt::ControlModifier | Qt::AltModifier, CellCentre(3, 1));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, CellCentre(0, 3));
    EXPECT_EQ(grid.Selection(), (GridRect{1, 2, 2, 5}));
    ASSERT_EQ(downs.count(), 4);
    EXPECT_EQ(downs.at(2).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(downs.at(2).at(1).value<Qt::KeyboardModifiers>(), Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(ups.count(), 4);
    EXPECT_EQ(clicks.count(), 2);  // only the clicks that chose a data cell
}

TEST_F(StringGridTest, InPlaceEditorCommitsOrCancels) {
    QSignalSpy edits(&grid, &TStringGrid::SetEditText);
    grid.SetCurrentCell(2, 3);
    QTest::keyClick(&grid, Qt::Key_F2);
    EXPECT_FALSE(grid.IsEditing());  // not an editable grid

    grid.SetEditable(true);
    grid.SetCell(2, 3, QStringLiteral("old"));
    QTest::keyClick(&grid, Qt::Key_F2);
    ASSERT_TRUE(grid.IsEditing());
    EXPECT_EQ(grid.Editor()->text(), "old");
    EXPECT_EQ(grid.Editor()->geometry(), grid.CellRect(2, 3));
    grid.Editor()->setText(QStringLiteral("new"));
    QTest::keyClick(grid.Editor(), Qt::Key_Return);
    EXPECT_FALSE(grid.IsEditing());
    EXPECT_EQ(grid.Cell(2, 3), "new");
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits.at(0).at(2).toString(), "new");

    QTest::keyClick(&grid, Qt::Key_7);  // typing starts the editor with the key
    ASSERT_TRUE(grid.IsEditing());
    EXPECT_EQ(grid.Editor()->text(), "7");
    QTest::keyClick(grid.Editor(), Qt::Key_Escape);
    EXPECT_EQ(grid.Cell(2, 3), "new");
    EXPECT_EQ(edits.count(), 1);

    // F2 and Return without typing commit nothing; a text typed as the cell
    // reads commits all the same (the cell may show a rounded value).
    QTest::keyClick(&grid, Qt::Key_F2);
    QTest::keyClick(grid.Editor(), Qt::Key_Return);
    EXPECT_EQ(edits.count(), 1);
    grid.SetCell(2, 3, QStringLiteral("0"));
    QTest::keyClick(&grid, Qt::Key_0);
    QTest::keyClick(grid.Editor(), Qt::Key_Return);
    ASSERT_EQ(edits.count(), 2);
    EXPECT_EQ(edits.at(1).at(2).toString(), "0");
    QTest::keyClick(&grid, Qt::Key_F2);
    grid.Editor()->selectAll();
    QTest::keyClicks(grid.Editor(), "0");
    QTest::keyClick(grid.Editor(), Qt::Key_Return);
    ASSERT_EQ(edits.count(), 3);
    EXPECT_EQ(edits.at(2).at(2).toString(), "0");
}

}  // namespace

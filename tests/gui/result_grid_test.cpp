// A result table on the result grid: titles on the fixed row, marks in
// front of the values for the cell painter, and a table replaced whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QFontMetrics>

#include "components/view/result_grid.h"
#include "gui_fixture.h"

namespace {

struct FakeCell {
    std::string mark, text;
    std::string Shown() const { return mark + text; }
};

// The shape the grid reads, in the least code.
struct FakeTable {
    std::vector<std::string> titles;
    std::vector<std::vector<FakeCell>> rows;
    int ColumnCount() const { return static_cast<int>(titles.size()); }
    int RowCount() const { return static_cast<int>(rows.size()); }
    const std::string& Title(int c) const { return titles[static_cast<std::size_t>(c)]; }
    const FakeCell& Cell(int c, int r) const { return rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]; }
};

TEST(ResultGridTest, ShowsTitlesAndMarkedCellsAndTakesTheNextTableWhole) {
    TestApp();
    ResultGrid grid;
    grid.Show(FakeTable{{"変数", "係数", "t値"},
                        {{{"", "X1"}, {"", "0.5"}, {"**", "4.21"}}, {{"", "定数項"}, {"", "-1"}, {"* ", "2.1"}}}});
    EXPECT_EQ(grid.ColCount(), 3);
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.FixedCols(), 1);
    struct Case {
        int col, row;
        const char* text;
    };
    const Case cases[] = {{0, 0, "変数"}, {2, 0, "t値"}, {0, 2, "定数項"}, {2, 1, "**4.21"}, {2, 2, "* 2.1"}, {3, 1, ""}};
    for (const Case& c : cases) EXPECT_EQ(grid.Cell(c.col, c.row).toStdString(), c.text) << c.col << "," << c.row;

    // An empty table still leaves a grid to look at, with nothing in it.
    grid.Show(FakeTable{{"A"}, {}});
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cell(0, 0).toStdString(), "A");
    EXPECT_EQ(grid.Cell(0, 1).toStdString(), "");
    EXPECT_EQ(grid.Cell(2, 1).toStdString(), "");
}

// A number wider than its column widens the column when painted: a shown
// value is never cut on the left.
TEST(ResultGridTest, PaintingWidensAColumnTooNarrowForItsNumbers) {
    TestApp();
    ResultGrid grid;
    grid.resize(500, 200);
    grid.Show(FakeTable{{"番号", "予測値"}, {{{"", "1"}, {"", "231860.161803398"}}}});
    const int before = grid.ColWidth(1);
    const int needed = grid.fontMetrics().horizontalAdvance("231860.161803398");
    ASSERT_LT(before, needed);
    grid.grab();
    EXPECT_GT(grid.ColWidth(1), needed);
    EXPECT_EQ(grid.ColWidth(0), before);  // a column that fits keeps its width
}

}  // namespace

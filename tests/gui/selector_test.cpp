// The check-list selector (first item for all, Shift+Enter), the group
// chooser built on it, and the owner drawing of names by kind and of grid
// cells whose rows carry marks.
#include <gtest/gtest.h>

#include <QListWidget>

#include "components/view/selector_dialog.h"
#include "components/view/variable_list_drawing.h"
#include "core/data/selekto.h"
#include "gui_fixture.h"
#include "components/plot/core/recording_canvas.h"
#include "components/plot/qpainter_canvas.h"

namespace {

using namespace canvas_color;
using Flags = std::vector<std::uint8_t>;

class SelectorTest : public ::testing::Test {
protected:
    SelectorTest() { TestApp(); }
    void Tick(TfrmSelector& s, int i, bool on) {
        s.lbList->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    static bool Enabled(TfrmSelector& s, int i) { return s.lbList->item(i)->flags() & Qt::ItemIsEnabled; }
};

TEST_F(SelectorTest, FirstItemForAllClearsAndGreysTheOthersAndUntickingFreesThem) {
    TfrmSelector s;
    ASSERT_TRUE(s.SetItems({"全データ", "A", "B", "C"}, {}, true));
    EXPECT_EQ(s.GetChecked(), (Flags{0, 0, 0, 0}));
    Tick(s, 1, true);
    Tick(s, 3, true);
    EXPECT_EQ(s.GetChecked(), (Flags{0, 1, 0, 1}));
    Tick(s, 0, true);
    EXPECT_EQ(s.GetChecked(), (Flags{1, 0, 0, 0}));
    for (int i = 1; i < 4; ++i) EXPECT_FALSE(Enabled(s, i)) << i;
    Tick(s, 0, false);
    EXPECT_EQ(s.GetChecked(), (Flags{0, 0, 0, 0}));
    for (int i = 1; i < 4; ++i) EXPECT_TRUE(Enabled(s, i)) << i;
}

TEST_F(SelectorTest, WithoutTheAllItemTheFirstIsAnOrdinaryItem) {
    TfrmSelector s;
    s.SetItems({"X", "Y", "Z"}, {1, 2, 3}, false);
    Tick(s, 1, true);
    Tick(s, 0, true);
    EXPECT_EQ(s.GetChecked(), (Flags{1, 1, 0}));
    EXPECT_TRUE(Enabled(s, 2));
    EXPECT_EQ(s.lbList->item(2)->data(kKindRole).toInt(), 3);
    // New items start unticked again.
    s.SetItems({"P", "Q"}, {}, false);
    EXPECT_EQ(s.GetChecked(), (Flags{0, 0}));
    EXPECT_EQ(s.lbList->item(1)->data(kKindRole).toInt(), 0);
}

TEST_F(SelectorTest, ShiftEnterTogglesTheCurrentItemButNotAGreyedOne) {
    TfrmSelector s;
    s.SetItems({"全データ", "A", "B"}, {}, true);
    s.lbList->setCurrentRow(2);
    s.lbListKeyDown(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(s.GetChecked(), (Flags{0, 0, 1}));
    s.lbListKeyDown(Qt::Key_Return, Qt::NoModifier);  // Enter alone: nothing
    EXPECT_EQ(s.GetChecked(), (Flags{0, 0, 1}));
    s.lbList->setCurrentRow(0);
    s.lbListKeyDown(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(s.GetChecked(), (Flags{1, 0, 0}));
    s.lbList->setCurrentRow(1);
    s.lbListKeyDown(Qt::Key_Enter, Qt::ShiftModifier);
    EXPECT_EQ(s.GetChecked(), (Flags{1, 0, 0}));
}

struct KindCase {
    int kind;
    bool coloring;
    bool selected;
    CanvasColor brush;
    CanvasColor text;
};

TEST_F(SelectorTest, ItemsAreDrawnInTheirKindsColours) {
    const KindCase cases[] = {
        {1, true, false, kWhite, 0x008000},  {2, true, false, kWhite, 0xFF0000},
        {3, true, false, kWhite, 0x800000},  {0, true, false, kWhite, kBlack},
        {7, true, false, kWhite, kBlack},    {1, false, false, kWhite, kBlack},
        {2, true, true, kHighlight, kHighlightText},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.kind);
        RecordingCanvas canvas;
        DrawKindListItem(canvas, QRect(10, 20, 100, 16), "GDP", c.kind, c.selected, c.coloring);
        ASSERT_EQ(canvas.fills.size(), 1u);
        EXPECT_EQ(canvas.fills[0].color, c.brush);
        EXPECT_EQ(canvas.fills[0].rect, ToCanvasRect(QRect(10, 20, 100, 16)));
        ASSERT_EQ(canvas.texts.size(), 1u);
        EXPECT_EQ(canvas.texts[0].color, c.text);
        EXPECT_EQ(canvas.texts[0].x, 12);
        EXPECT_EQ(canvas.texts[0].y, 20);
        // The brush is white again for whatever is drawn next.
        canvas.FillRect(CanvasRect{});
        EXPECT_EQ(canvas.fills.back().color, kWhite);
    }
}

struct CellCase {
    const char* what;
    MarkedCell cell;
    CanvasColor brush;
    CanvasColor text;
    bool edge;
    int x;
};

TEST_F(SelectorTest, MarkedGridCells) {
    Selekto marks;
    marks.Reset(4);
    marks.Set(1, 1);  // observation 2
    const QRect r(100, 40, 70, 20);
    // Text "12.5" is 4 characters of 7 pixels: 28 wide.
    const CellCase cases[] = {
        {"marked header", {0, 2, true, false, false}, kYellow, kBlack, true, 100 + (70 - 28) / 2},
        {"plain header", {0, 1, true, false, false}, kButtonFace, kBlack, false, 100 + (70 - 28) / 2},
        {"title row", {1, 0, true, false, false}, kButtonFace, kBlack, false, 100 + (70 - 28) / 2},
        {"selected", {1, 2, false, true, false}, kHighlight, kHighlightText, false, 170 - 5 - 28},
        {"focused", {1, 2, false, true, true}, kWhite, kBlack, false, 170 - 5 - 28},
        {"plain", {1, 3, false, false, false}, kWhite, kBlack, false, 170 - 5 - 28},
    };
    for (const CellCase& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingCanvas canvas;
        DrawMarkedGridCell(canvas, r, QStringLiteral("12.5"), c.cell, marks);
        ASSERT_EQ(canvas.fills.size(), 1u);
        EXPECT_EQ(canvas.fills[0].color, c.brush);
        EXPECT_EQ(canvas.edges.size(), c.edge ? 1u : 0u);
        ASSERT_EQ(canvas.texts.size(), 1u);
        EXPECT_EQ(canvas.texts[0].color, c.text);
        EXPECT_EQ(canvas.texts[0].x, c.x);
        EXPECT_EQ(canvas.texts[0].y, 42);
    }
}

TEST_F(SelectorTest, VariableNamesTakeTheirKindColourAndASuffixWhenSelected) {
    auto model = MakeModel({{1, 2, 3}, {3, 1, 2}, {2, 2, 1}}, {1, 3, 0}, {"Y", "L", "U"});
    struct Case {
        const char* name;
        bool selected;
        const char* text;
        CanvasColor color;
    };
    const Case cases[] = {
        {"Y", false, "Y", 0x008000}, {"Y", true, "Y..en", kHighlightText}, {"L", false, "L", 0x800000},
        {"L", true, "L..lg", kHighlightText}, {"U", true, "U", kHighlightText}, {"W", false, "W", kBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingCanvas canvas;
        DrawVarListItem(canvas, QRect(0, 0, 80, 16), c.name, c.selected, model.get(), true);
        ASSERT_EQ(canvas.texts.size(), 1u);
        EXPECT_EQ(canvas.texts[0].text, c.text);
        EXPECT_EQ(canvas.texts[0].color, c.color);
    }
    RecordingCanvas plain;
    DrawVarListItem(plain, QRect(0, 0, 80, 16), "Y", true, model.get(), false);
    EXPECT_EQ(plain.texts[0].text, "Y");
}

class GroupChooserTest : public SelectorTest {
protected:
    GroupChooserTest() : model_(MakeModel({{1, 2, 3, 4}, {4, 3, 2, 1}}, {}, {"X", "Y"})) {
        model_->SetMark(0, 0, 0x0002);  // group 2
        model_->SetMark(1, 1, 0x0010);  // group 5
        model_->SetMark(2, 0, 0x0012);  // groups 2 and 5
        EXPECT_TRUE(model_->SetGroupName(5, "東部"));
    }
    // Ticks the listed rows, then answers with result.
    SelectorRunner Ticking(std::vector<int> rows, int result, std::vector<std::string>* shown = nullptr) {
        return [this, rows, result, shown](TfrmSelector& s) {
            if (shown)
                for (int i = 0; i < s.lbList->count(); ++i) shown->push_back(s.lbList->item(i)->text().toStdString());
            for (int r : rows) Tick(s, r, true);
            return result;
        };
    }
    std::unique_ptr<Reg> model_;
};

TEST_F(GroupChooserTest, ListsAllDataAndTheUsedGroupsByName) {
    std::vector<std::string> shown;
    std::uint16_t mask = 0xFFFF;
    ASSERT_TRUE(ChooseGroupMask(*model_, mask, nullptr, true, Ticking({1, 2}, QDialog::Accepted, &shown)));
    EXPECT_EQ(shown, (std::vector<std::string>{"全データ", "2", "東部"}));
    EXPECT_EQ(mask, 0x0012);
}

TEST_F(GroupChooserTest, AllDataGivesZeroAndCancelKeepsTheMask) {
    std::uint16_t mask = 0x0400;
    ASSERT_TRUE(ChooseGroupMask(*model_, mask, nullptr, true, Ticking({2, 0}, QDialog::Accepted)));
    EXPECT_EQ(mask, 0);
    mask = 0x0400;
    EXPECT_FALSE(ChooseGroupMask(*model_, mask, nullptr, true, Ticking({1}, QDialog::Rejected)));
    EXPECT_EQ(mask, 0x0400);
    ASSERT_TRUE(ChooseGroupMask(*model_, mask, nullptr, true, Ticking({}, QDialog::Accepted)));
    EXPECT_EQ(mask, 0);
}

}  // namespace

// Group words, mask texts, group names, selections, cell rows and the
// collection of group words for undo.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/data/data_cell.h"
#include "core/data/data_set.h"
#include "core/data/group_mask.h"
#include "core/data/group_name.h"
#include "core/data/selekto.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "support/scripted_services.h"

namespace {

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int c : b) s += static_cast<char>(c);
    return s;
}

}  // namespace

TEST(GroupBitTest, Table) {
    const struct {
        int g;
        unsigned bit;
    } cases[] = {{1, 1}, {2, 2}, {10, 512}, {16, 32768}, {0, 0}, {-3, 0}, {17, 1}, {18, 2}, {33, 1}};
    for (const auto& c : cases) EXPECT_EQ(GroupBit(c.g), c.bit) << "g=" << c.g;
}

TEST(GroupBitTest, FromText) {
    const struct {
        const char* text;
        int g;
        unsigned bit;
    } cases[] = {{"3", 3, 4}, {" 16 ", 16, 32768}, {"17", 17, 1}, {"", 0, 0},
                 {"abc", 0, 0}, {"3x", 0, 0}, {"-2", -2, 0}, {"99999999999", 0, 0}};
    for (const auto& c : cases) {
        int g = 12345;
        EXPECT_EQ(GroupBitFromText(c.text, &g), c.bit) << c.text;
        EXPECT_EQ(g, c.g) << c.text;
    }
    EXPECT_EQ(GroupBitFromText("5"), 16u);
}

TEST(GroupMaskTest, Text) {
    EXPECT_EQ(GroupMaskText(0x8001, true), "1" + std::string(14, '_') + "0");
    EXPECT_EQ(GroupMaskText(0x8001, false), "10");
    EXPECT_EQ(GroupMaskText(0, false), "");
    EXPECT_EQ(GroupMaskText(0, true), std::string(16, '_'));
    EXPECT_EQ(GroupMaskText(0xFFFF, false), "123456789ABCDEF0");
    EXPECT_EQ(GroupMaskText(0x4200, false), "AF");
}

TEST(GroupMaskTest, Parse) {
    std::string t = "1a0";
    EXPECT_EQ(ParseGroupMask(t), 0x8201);
    EXPECT_EQ(t, "1A0");
    t = "n";
    EXPECT_EQ(ParseGroupMask(t), 0);
    EXPECT_EQ(t, "N");
    t = "_G 2f";
    EXPECT_EQ(ParseGroupMask(t), 0x4002);
    EXPECT_EQ(t, "_G 2F");
    t = "";
    EXPECT_EQ(ParseGroupMask(t), 0);
    t = "nn";  // only the whole text "N" means none; its letters name no group
    EXPECT_EQ(ParseGroupMask(t), 0);
}

TEST(GroupMaskTest, RoundTripEveryMask) {
    for (unsigned m = 0; m <= 0xFFFF; ++m) {
        for (bool pad : {false, true}) {
            std::string t = GroupMaskText(static_cast<std::uint16_t>(m), pad);
            ASSERT_EQ(ParseGroupMask(t), m) << m;
        }
    }
}

TEST(GroupMaskTest, MarkTable) {
    const MarkTable t = NewMarkTable(3, 4);
    ASSERT_EQ(t.size(), 3u);
    for (const auto& row : t) EXPECT_EQ(row, std::vector<std::uint16_t>(4, 0));
    EXPECT_TRUE(NewMarkTable(-1, 5).empty());
}

TEST(GroupNameTest, SetNameRules) {
    GroupName g;
    EXPECT_TRUE(g.SetName("A", 3));
    EXPECT_FALSE(g.SetName("B", 3));  // renames code 3
    EXPECT_EQ(g.GetName(3), "B");
    EXPECT_FALSE(g.SetName("B", 5));  // moves B to code 5
    EXPECT_EQ(g.Count(), 1);
    EXPECT_EQ(g.GetCode("B"), 5);
    EXPECT_EQ(g.GetName(3), "");
    EXPECT_FALSE(g.SetName("C", 17));
    EXPECT_EQ(g.Count(), 1);
    EXPECT_TRUE(g.SetName("zero", 0));
    EXPECT_TRUE(g.SetName("minus", -4));
    EXPECT_EQ(g.GetCode("minus"), -4);
    EXPECT_EQ(g.GetCode("unknown"), -1);
    EXPECT_EQ(g.GetName(9), "");
    EXPECT_EQ(g.GetCode("b"), -1);  // exact comparison
    EXPECT_THROW(g.SetName("\xF0\x9F\x98\x80", 2), EConvertError);  // no CP932 form
    EXPECT_EQ(g.Count(), 3);
    g.Clear();
    EXPECT_EQ(g.Count(), 0);
}

TEST(GroupNameTest, RecordBytesAndRoundTrip) {
    GroupName g;
    g.SetName("AB", 3);
    g.SetName("群", 16);
    std::ostringstream out;
    g.Save(out);
    const std::string expected = Bytes({2, 0, 0, 0, 2, 0, 0, 0, 'A', 'B', 3, 0, 0, 0,
                                        2, 0, 0, 0, 0x8C, 0x51, 16, 0, 0, 0});
    EXPECT_EQ(out.str(), expected);

    GroupName h;
    h.SetName("old", 1);
    std::istringstream in(expected);
    h.Load(in);
    ASSERT_EQ(h.Count(), 2);
    EXPECT_EQ(h.GetCode("AB"), 3);
    EXPECT_EQ(h.GetName(16), "群");
}

TEST(GroupNameTest, LoadCountZeroEmpties) {
    GroupName g;
    g.SetName("A", 1);
    std::istringstream in(Bytes({0, 0, 0, 0}));
    g.Load(in);
    EXPECT_EQ(g.Count(), 0);
}

TEST(GroupNameTest, LoadDamagedRecordKeepsTable) {
    GroupName g;
    g.SetName("A", 1);
    // Count 5 but only one entry follows.
    std::istringstream in(Bytes({5, 0, 0, 0, 1, 0, 0, 0, 'X', 2, 0, 0, 0}));
    EXPECT_THROW(g.Load(in), EReadError);
    EXPECT_EQ(g.Count(), 1);
    EXPECT_EQ(g.GetCode("A"), 1);
    std::istringstream negative(Bytes({1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_THROW(g.Load(negative), EReadError);
}

TEST(GroupNameTest, LongNameCutToReaderLimit) {
    // 1025 bytes: 1022 'a', then a double-byte character straddling the
    // 1023-byte limit, then code 7.
    std::string rec = Bytes({1, 0, 0, 0, 0x01, 0x04, 0, 0});
    rec += std::string(1022, 'a');
    rec += Bytes({0x82, 0xA0, 'z'});
    rec += Bytes({7, 0, 0, 0});
    GroupName g;
    std::istringstream in(rec);
    g.Load(in);
    ASSERT_EQ(g.Count(), 1);
    EXPECT_EQ(g.NameAt(0), std::string(1022, 'a'));
    EXPECT_EQ(g.CodeAt(0), 7);
}

TEST(SelektoTest, GrowsOnAccess) {
    Selekto s;
    EXPECT_EQ(s.Get(10), 0);
    EXPECT_EQ(s.Count(), 11);
    EXPECT_EQ(s.FindFirst(), -1);
    s.Set(14, 1);
    EXPECT_EQ(s.Count(), 15);
    s.Set(3, 2);
    EXPECT_EQ(s.FindFirst(), 3);
    EXPECT_EQ(s.Get(-1), 0);
    s.Set(-5, 1);
    EXPECT_EQ(s.Count(), 15);
}

TEST(SelektoTest, ResizeResetClear) {
    Selekto s;
    for (int i = 0; i < 5; ++i) s.Set(i, static_cast<std::uint8_t>(i + 1));
    EXPECT_NO_THROW(s.Resize(3));
    EXPECT_EQ(s.Flags(), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_NO_THROW(s.Resize(6));
    EXPECT_EQ(s.Flags(), (std::vector<std::uint8_t>{1, 2, 3, 0, 0, 0}));
    s.Clear();
    EXPECT_EQ(s.Flags(), std::vector<std::uint8_t>(6, 0));
    s.Set(1, 1);
    EXPECT_NO_THROW(s.Reset(6));
    EXPECT_EQ(s.Flags(), std::vector<std::uint8_t>(6, 0));
    EXPECT_NO_THROW(s.Reset(2));
    EXPECT_EQ(s.Count(), 2);
}

TEST(DataStringTest, Cells) {
    DataString d;
    EXPECT_EQ(d.Count(), 0);
    d.Add(DataCell(3, 2.5));
    ASSERT_EQ(d.Count(), 1);
    EXPECT_EQ(d.GetValue(0), 2.5);
    EXPECT_EQ(d.GetAttribute(0), 3);

    DataString e(3, 0x10, -1.0);
    ASSERT_EQ(e.Count(), 3);
    e.Set(1, 7, 4.0);
    e.SetCell(2, DataCell(8, 5.0));
    EXPECT_EQ(e.GetValue(0), -1.0);
    EXPECT_EQ(e.GetAttribute(0), 0x10);
    EXPECT_EQ(e.GetCell(1).value, 4.0);
    EXPECT_EQ(e.GetAttribute(2), 8);
    EXPECT_THROW(e.GetValue(3), ERangeError);
    EXPECT_THROW(e.Set(-1, 0, 0.0), ERangeError);

    d.Assign(e);
    EXPECT_EQ(d.Count(), 3);
    EXPECT_EQ(d.GetValue(2), 5.0);
    d.Clear();
    EXPECT_EQ(d.Count(), 0);
    EXPECT_EQ(DataString(0, 1, 1.0).Count(), 0);
}

class GroupUndoTest : public ::testing::Test {
protected:
    void SetUp() override {
        sink_.services = &services_;
        // 4 observations x 3 variables; cell (i, j) has word 10*i + j + 1.
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 3; ++j) data_.SetMark(i, j, static_cast<std::uint16_t>(10 * i + j + 1));
    }

    ScriptedServices services_;
    GroupUndoSink sink_;
    Data data_{4, 3, "d"};
};

TEST_F(GroupUndoTest, CollectsBlockRowByRow) {
    std::vector<std::pair<bool, GroupUndoBlock>> pushed;
    sink_.hook = [&](bool intoUndo, const GroupUndoBlock& b) { pushed.emplace_back(intoUndo, b); };
    const GroupUndoBlock b = SaveGroupUndoRange(data_, sink_, true, 1, 2, 1, 2);
    EXPECT_EQ(b.cellCount, 4);
    EXPECT_EQ(b.marks, (std::vector<std::uint16_t>{12, 13, 22, 23}));
    EXPECT_EQ(b.rowFlags, (std::vector<std::uint8_t>{0, 1, 1, 0}));
    EXPECT_EQ(b.colFlags, (std::vector<std::uint8_t>{0, 1, 1}));
    ASSERT_EQ(pushed.size(), 1u);
    EXPECT_TRUE(pushed[0].first);
    EXPECT_EQ(pushed[0].second.marks, b.marks);
    const auto undo = services_.CallsOf(ServiceCall::UndoEnabled);
    ASSERT_EQ(undo.size(), 1u);
    EXPECT_EQ(undo[0].value, 1);
}

TEST_F(GroupUndoTest, UndoAndRedoRestoreWords) {
    // A minimal undo/redo list standing in for the store.
    std::vector<GroupUndoBlock> undo, redo;
    sink_.hook = [&](bool intoUndo, const GroupUndoBlock& b) { (intoUndo ? undo : redo).push_back(b); };
    auto restore = [&](const GroupUndoBlock& b) {
        std::size_t w = 0;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 3; ++j)
                if (b.rowFlags[i] && b.colFlags[j]) data_.SetMark(i, j, b.marks[w++]);
    };
    // Edit: group 5 on rows 0..1, columns 0..1.
    SaveGroupUndoRange(data_, sink_, true, 0, 1, 0, 1);
    for (int i = 0; i <= 1; ++i)
        for (int j = 0; j <= 1; ++j) data_.SetMark(i, j, GroupBit(5));
    // Undo: save the edited words to redo, then restore.
    const GroupUndoBlock step = undo.back();
    SaveGroupUndo(data_, sink_, false, step.cellCount, step.rowFlags, step.colFlags);
    restore(step);
    EXPECT_EQ(data_.GetMark(0, 0), 1);
    EXPECT_EQ(data_.GetMark(1, 1), 12);
    EXPECT_EQ(data_.GetMark(2, 2), 23);
    // Redo.
    ASSERT_EQ(redo.size(), 1u);
    restore(redo.back());
    EXPECT_EQ(data_.GetMark(0, 0), 16);
    EXPECT_EQ(data_.GetMark(1, 1), 16);
    EXPECT_EQ(data_.GetMark(0, 2), 3);
    EXPECT_EQ(services_.CallsOf(ServiceCall::RedoEnabled).size(), 1u);
}

TEST_F(GroupUndoTest, BoundsClampedAndCountChecked) {
    const GroupUndoBlock b = SaveGroupUndoRange(data_, sink_, true, 3, 9, -2, 0);
    EXPECT_EQ(b.cellCount, 1);
    EXPECT_EQ(b.marks, (std::vector<std::uint16_t>{31}));
    const GroupUndoBlock empty = SaveGroupUndoRange(data_, sink_, true, 2, 1, 0, 2);
    EXPECT_EQ(empty.cellCount, 0);
    EXPECT_TRUE(empty.marks.empty());
    // Without a hook nothing is handed over and no action is enabled.
    EXPECT_TRUE(services_.CallsOf(ServiceCall::UndoEnabled).empty());

    bool called = false;
    sink_.hook = [&](bool, const GroupUndoBlock&) { called = true; };
    const std::vector<std::uint8_t> rows{1, 1, 0, 0}, cols{1, 0, 0};
    EXPECT_THROW(SaveGroupUndo(data_, sink_, true, 5, rows, cols), ERangeError);
    EXPECT_FALSE(called);
    // Short flag arrays count as unflagged beyond their end.
    const GroupUndoBlock s = SaveGroupUndo(data_, sink_, true, 2, rows, cols);
    EXPECT_EQ(s.marks, (std::vector<std::uint16_t>{1, 11}));
    EXPECT_TRUE(called);
}

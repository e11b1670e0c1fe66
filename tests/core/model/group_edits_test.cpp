// The group a typed text names, group edits over selections with their
// undo, and clearing every group.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/model/group_edits.h"
#include "core/model/undo_store.h"
#include "support/model_builder.h"

namespace {

using Words = std::vector<std::vector<std::uint16_t>>;

Words WordsOf(const Reg& m) {
    Words w(m.GetObsCount(), std::vector<std::uint16_t>(m.GetVarCount()));
    for (int i = 0; i < m.GetObsCount(); ++i)
        for (int j = 0; j < m.GetVarCount(); ++j) w[i][j] = m.GetMark(i, j);
    return w;
}

TEST(GroupEdits, TextNamesAGroupByNameThenByNumber) {
    auto m = MakeModel({{1, 2, 3}, {3, 1, 2}});
    ASSERT_TRUE(m->SetGroupName(3, "南"));
    ASSERT_TRUE(m->SetGroupName(5, "7"));  // a name that looks like a number
    struct Case {
        const char* text;
        int code;
        std::uint16_t mask;
    };
    const Case cases[] = {
        {"南", 3, 0x0004}, {"7", 5, 0x0010}, {"16", 16, 0x8000}, {"1", 1, 0x0001}, {" 2 ", 2, 0x0002},
        {"17", 0, 0},      {"0", 0, 0},      {"-1", 0, 0},        {"北", 0, 0},      {"", 0, 0},
        {"33", 0, 0},  // would wrap onto group 1
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GroupCodeFromText(*m, c.text), c.code) << c.text;
        EXPECT_EQ(GroupMaskFromText(*m, c.text), c.mask) << c.text;
    }
}

TEST(GroupEdits, FlaggedRowsAndColumnsJoinTheGroupAsOneUndoStep) {
    auto m = MakeModel({{1, 2, 3, 4}, {4, 3, 2, 1}, {1, 3, 2, 4}});
    m->SetMark(1, 0, 0x0010);
    const Words before = WordsOf(*m);
    UndoStore store;
    DataEdit ed{*m, store, {}};
    SetGroupFlagsWithUndo(ed, {0, 1, 0, 1}, {1, 0, 1}, 0x0002);
    const Words expected = {{0, 0, 0}, {0x0012, 0, 0x0002}, {0, 0, 0}, {0x0002, 0, 0x0002}};
    EXPECT_EQ(WordsOf(*m), expected);
    ASSERT_TRUE(store.Undo(*m));
    EXPECT_EQ(WordsOf(*m), before);
    EXPECT_FALSE(store.CanUndo());
    ASSERT_TRUE(store.Redo(*m));
    EXPECT_EQ(WordsOf(*m), expected);
}

TEST(GroupEdits, NothingIsRecordedWithoutAMaskOrACell) {
    auto m = MakeModel({{1, 2, 3}, {3, 1, 2}});
    UndoStore store;
    DataEdit ed{*m, store, {}};
    SetGroupFlagsWithUndo(ed, {1, 1, 1}, {1, 1}, 0);
    SetGroupFlagsWithUndo(ed, {0, 0, 0}, {1, 1}, 0x0001);
    SetGroupFlagsWithUndo(ed, {1, 1, 1}, {}, 0x0001);
    EXPECT_FALSE(store.CanUndo());
    // Flags past the data set are ignored.
    SetGroupFlagsWithUndo(ed, {0, 0, 1, 1, 1}, {0, 1, 1}, 0x0001);
    EXPECT_EQ(WordsOf(*m), (Words{{0, 0}, {0, 0}, {0, 1}}));
}

TEST(GroupEdits, ClearAllGroupsEmptiesEveryWord) {
    auto m = MakeModel({{1, 2, 3}, {3, 1, 2}});
    m->SetMark(0, 1, 0xFFFF);
    m->SetMark(2, 0, 0x0100);
    ClearAllGroups(*m);
    EXPECT_EQ(WordsOf(*m), (Words{{0, 0}, {0, 0}, {0, 0}}));
}

}  // namespace

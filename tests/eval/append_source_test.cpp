// Another data file read for appending: the variables kept, row choices
// over the file's own values, and what a failed read leaves.
#include "eval/append_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/model/data_edit_commands.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace fs = std::filesystem;

namespace {

using Flags = std::vector<std::uint8_t>;

class AppendSourceTest : public ::testing::Test {
protected:
    AppendSourceTest() {
        dir_ = fs::temp_directory_path() / ("merlox_append_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        state_.SetServices(&ui_);
        // The open data set: A positive everywhere, so a condition read
        // against it would mark every row.
        state_.SetModel(MakeModel({{5, 6, 7}, {1, 3, 2}, {9, 8, 9.5}}, {}, {"A", "B", "C"}, &state_.Context()));
        // The file: A, X, B over four observations.
        auto file = MakeModel({{-1, 2, -3, 4}, {100, 200, 300, 400}, {10, 20, 30, 40}}, {}, {"A", "X", "B"});
        SaveAs(*file, Path("other.MDF"));
    }
    ~AppendSourceTest() override {
        state_.SetModel(nullptr);
        state_.SetServices(nullptr);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
    ScriptedServices ui_;
    AppState state_;
};

TEST_F(AppendSourceTest, KeepsOnlyTheVariablesTheOpenDataSetHas) {
    AppendSource source(state_, *state_.Model(), Path("other.MDF"));
    const Reg& shown = source.Shown();
    ASSERT_EQ(shown.GetVarCount(), 2);
    EXPECT_EQ(shown.GetVarName(0), "A");
    EXPECT_EQ(shown.GetVarName(1), "B");
    ASSERT_EQ(source.ObservationCount(), 4);
    const double a[] = {-1, 2, -3, 4}, b[] = {10, 20, 30, 40};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(shown.GetValue(i, 0), a[i]);
        EXPECT_EQ(shown.GetValue(i, 1), b[i]);
    }
}

TEST_F(AppendSourceTest, RowChoicesAreReadOverTheFilesValues) {
    AppendSource source(state_, *state_.Model(), Path("other.MDF"));
    struct Case {
        bool condition;
        const char* text;
        Flags expected;
    };
    const Case cases[] = {
        {true, "A>0", {0, 1, 0, 1}},
        {true, "B>=30", {0, 0, 1, 1}},
        {true, "A<0 && B<20", {1, 0, 0, 0}},
        {false, "2,4", {0, 1, 0, 1}},
        {false, "1,9", {1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const Flags got = c.condition ? source.ConditionMarks(c.text) : source.ListedRows(c.text);
        EXPECT_EQ(got, c.expected) << c.text;
    }
}

TEST_F(AppendSourceTest, FlaggedRowsAppendByNameWithZeroElsewhere) {
    AppendSource source(state_, *state_.Model(), Path("other.MDF"));
    Reg& m = *state_.Model();
    const DataEdit ed{m, state_.Undo(), {}};
    ASSERT_TRUE(AppendDataWithUndo(ed, source.Shown(), Flags{1, 0, 1, 1}));
    ASSERT_EQ(m.GetObsCount(), 6);
    const double a[] = {5, 6, 7, -1, -3, 4}, b[] = {1, 3, 2, 10, 30, 40}, c[] = {9, 8, 9.5, 0, 0, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(m.GetValue(i, 0), a[i]) << i;
        EXPECT_EQ(m.GetValue(i, 1), b[i]) << i;
        EXPECT_EQ(m.GetValue(i, 2), c[i]) << i;
    }
}

TEST_F(AppendSourceTest, FileWithoutCommonVariableIsRefused) {
    auto file = MakeModel({{1, 2, 3}, {3, 1, 2}}, {}, {"P", "Q"});
    SaveAs(*file, Path("none.MDF"));
    try {
        AppendSource source(state_, *state_.Model(), Path("none.MDF"));
        FAIL() << "no common variable was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), kNothingToAppend);
    }
}

TEST_F(AppendSourceTest, DataFileNameWithoutMagicIsReadAsText) {
    std::ofstream(Path("text.MDF"), std::ios::binary) << "ID,B,Z\r\n1,7,1\r\n2,8,2\r\n";
    AppendSource source(state_, *state_.Model(), Path("text.MDF"));
    ASSERT_EQ(source.Shown().GetVarCount(), 1);
    EXPECT_EQ(source.Shown().GetVarName(0), "B");
    ASSERT_EQ(source.ObservationCount(), 2);
    EXPECT_EQ(source.Shown().GetValue(1, 0), 8.0);
}

TEST_F(AppendSourceTest, UnreadableFileLeavesTheProgramAsItWas) {
    std::ofstream(Path("broken.MDF"), std::ios::binary) << std::string("MDF\0\xff\xff\x00\x00", 8);
    GridColorEntry entry;
    entry.mask = 3;
    state_.Colors().SetColors(entry);
    const std::size_t colors = state_.Colors().Entries().size();
    EXPECT_THROW(AppendSource(state_, *state_.Model(), Path("broken.MDF")), EReadError);
    EXPECT_THROW(AppendSource(state_, *state_.Model(), Path("missing.MDF")), Exception);
    EXPECT_EQ(state_.Model()->GetObsCount(), 3);
    EXPECT_EQ(state_.Colors().Entries().size(), colors);
}

}  // namespace

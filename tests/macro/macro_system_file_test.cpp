// "%" commands on files and the run's folder: saving and loading the data
// set, values of variables stored in a data file, the folder chooser, and
// the folder taken from the settings at the start of every run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/io/stored_variables.h"
#include "core/model/undo_store.h"
#include "core/settings/grid_color_list.h"
#include "macro_system_support.h"

namespace {

namespace fs = std::filesystem;

struct FileFixture : SystemFixture {
    ScratchFolder folder;
    explicit FileFixture(const std::string& name, bool withData = true) : SystemFixture(withData), folder(name) {
        state.Work().dataFolder = folder.Text();
    }
    std::string File(const std::string& name) const { return folder.Text() + name; }
    // The data set as it starts, saved as t.MDF.
    void SaveStart() { ASSERT_EQ(RunBody("%save \"t.MDF\""), ""); }
};

TEST(MacroSystemFiles, SaveWritesIntoTheDataFolder) {
    FileFixture f("save");
    ASSERT_EQ(f.RunBody("%xchgdata 1, 2 %save \"t.MDF\""), "");
    EXPECT_TRUE(fs::exists(f.File("t.MDF")));
    EXPECT_EQ(f.state.Model()->GetFileName(), f.File("t.MDF"));
    EXPECT_FALSE(f.state.Model()->IsModified());
    EXPECT_TRUE(f.state.Undo().AtSavedState());
    Var x2;
    ASSERT_TRUE(ReadVariableFromFile(f.File("t.MDF"), "x2", x2));
    EXPECT_EQ(std::vector<double>(x2.Data(), x2.Data() + x2.Count()), (std::vector<double>{1, 2, 4, 2, 6, 5}));
}

// Loading asks to save first, takes the file's data set, clears the edit
// history and lets the window refresh.
TEST(MacroSystemFiles, LoadReplacesTheDataSet) {
    FileFixture f("load");
    f.SaveStart();
    ASSERT_EQ(f.RunBody("%xchgvar 1, 2 %deldata 4"), "");
    f.services.ClearCalls();
    ASSERT_EQ(f.RunBody("%load \"t.MDF\""), "");
    ExpectTable(f.Now(), StartTable(), "loaded");
    EXPECT_EQ(f.state.Model()->GetDependent(), 2);
    EXPECT_EQ(f.state.Undo().UndoStepCount(), 0);
    const auto calls = f.services.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.front().kind, ServiceCall::ConfirmSave);
    EXPECT_EQ(calls.back().kind, ServiceCall::RefreshAfterLoad);
}

TEST(MacroSystemFiles, LoadWithoutDataSetOpensOne) {
    FileFixture f("loadnone");
    f.SaveStart();
    static_cast<void>(f.state.ReleaseModel());
    ASSERT_EQ(f.RunBody("%load \"t.MDF\""), "");
    ASSERT_NE(f.state.Model(), nullptr);
    ExpectTable(f.Now(), StartTable(), "loaded");
}

// A cancelled save question keeps the open data set and ends the run.
TEST(MacroSystemFiles, CancelledSaveQuestionKeepsTheDataSet) {
    FileFixture f("cancel");
    f.SaveStart();
    f.services.SetConfirmSaveResult(false);
    // LDI 1, LDI 2, SYS (10), LSI "t.MDF" (7): the load at 82.
    EXPECT_EQ(f.RunBody("%xchgdata 1, 2 %load \"t.MDF\" %xchgdata 3, 4"), "システムエラー at 82");
    ExpectTable(f.Now(), Table({"x1", "x2", "y"}, {{2, 1, 3, 4, 5, 6}, {1, 2, 4, 2, 6, 5}, {4, 3.5, 7.5, 7, 11.5, 12}}),
                "kept");
    EXPECT_EQ(f.state.Undo().UndoStepCount(), 1);
}

// A file that cannot be read leaves the data set and the colours as they were.
TEST(MacroSystemFiles, FailedLoadKeepsTheDataSet) {
    FileFixture f("badload");
    GridColorEntry entry;
    entry.Set(4, 255, 0);
    f.state.Colors().SetColors(entry);
    {
        std::ofstream bad(f.File("bad.MDF"), std::ios::binary);
        bad << "not a data file";
    }
    for (const char* name : {"none.MDF", "bad.MDF"}) {
        f.services.ClearCalls();
        EXPECT_NE(f.RunBody(std::string("%load \"") + name + "\""), "") << name;
        ExpectTable(f.Now(), StartTable(), name);
        EXPECT_EQ(f.state.Colors().Count(), 1) << name;
        EXPECT_TRUE(f.services.CallsOf(ServiceCall::RefreshAfterLoad).empty()) << name;
    }
}

// A folder that does not exist: the file error, and the data set keeps its
// name and its modified flag.
TEST(MacroSystemFiles, FailedSaveKeepsNameAndModifiedFlag) {
    FileFixture f("badsave");
    f.state.Work().dataFolder = f.folder.Text() + "missing/";
    f.state.Model()->SetModified(true);
    const std::string name = f.state.Model()->GetFileName();
    EXPECT_NE(f.RunBody("%save \"t.MDF\""), "");
    EXPECT_EQ(f.state.Model()->GetFileName(), name);
    EXPECT_TRUE(f.state.Model()->IsModified());
    EXPECT_FALSE(fs::exists(f.folder.Path() / "missing"));
}

// The chosen folder serves the rest of the run; the next run starts from the
// data folder of the settings again. Cancel keeps the folder.
TEST(MacroSystemFiles, PathChoosesTheFolderOfOneRun) {
    FileFixture f("path");
    ScratchFolder other("path_other");
    f.services.QueueFolder(other.Path().string());
    ASSERT_EQ(f.RunBody("%path input %save \"p.MDF\""), "");
    EXPECT_TRUE(fs::exists(other.Path() / "p.MDF"));
    ASSERT_EQ(f.services.CallsOf(ServiceCall::Folder).size(), 1u);
    EXPECT_EQ(f.services.CallsOf(ServiceCall::Folder)[0].text, f.folder.Text());
    EXPECT_EQ(f.state.MacroFolder(), other.Text());

    ASSERT_EQ(f.RunBody("%save \"q.MDF\""), "");
    EXPECT_TRUE(fs::exists(f.File("q.MDF")));

    f.services.QueueCancel();
    ASSERT_EQ(f.RunBody("%path input %save \"r.MDF\""), "");
    EXPECT_TRUE(fs::exists(f.File("r.MDF")));
}

TEST(MacroSystemFiles, GetvarReadsStoredValues) {
    const struct {
        const char* body;
        std::vector<double> column;
    } cases[] = {
        // y from observation 2 on, three values; the rest of the array stays.
        {"%getvar \"t.MDF\", \"y\", a, 2, 3", {4, 7.5, 7, 0, 0, 0}},
        {"mat a = {9, 9, 9, 9, 9, 8} %getvar \"t.MDF\", \"x1\", a, 5, 0", {9, 9, 9, 9, 9, 8}},
        // Past the stored values, and a name not stored: zeros.
        {"mat a = {9, 9, 9, 9, 9, 8} %getvar \"t.MDF\", \"x1\", a, 5, 4", {5, 6, 0, 0, 9, 8}},
        {"mat a = {9, 9, 9, 9, 9, 8} %getvar \"t.MDF\", \"none\", a, 1, 2", {0, 0, 9, 9, 9, 8}},
    };
    for (const auto& c : cases) {
        FileFixture f("getvar");
        f.SaveStart();
        ASSERT_EQ(f.RunBody(std::string(c.body) + " %addvar \"g\", a"), "") << c.body;
        ExpectTable(f.Now(), Table({"x1", "x2", "y", "g"}, {kX1X2Y[0], kX1X2Y[1], kX1X2Y[2], c.column}), c.body);
    }
}

// The stored values change in the file only; writing past the stored count
// is cut there.
TEST(MacroSystemFiles, PutvarWritesStoredValues) {
    const struct {
        const char* body;
        std::vector<double> stored;
    } cases[] = {
        {"mat b = {20, 21, 22} %putvar \"t.MDF\", \"x2\", b, 2, 3", {2, 20, 21, 22, 6, 5}},
        {"mat b = {20, 21, 22} %putvar \"t.MDF\", \"x2\", b, 5, 3", {2, 1, 4, 2, 20, 21}},
        {"mat b = {20, 21, 22} %putvar \"t.MDF\", \"none\", b, 1, 3", {2, 1, 4, 2, 6, 5}},
    };
    for (const auto& c : cases) {
        FileFixture f("putvar");
        f.SaveStart();
        ASSERT_EQ(f.RunBody(c.body), "") << c.body;
        Var x2, y;
        ASSERT_TRUE(ReadVariableFromFile(f.File("t.MDF"), "x2", x2));
        ASSERT_TRUE(ReadVariableFromFile(f.File("t.MDF"), "y", y));
        EXPECT_EQ(std::vector<double>(x2.Data(), x2.Data() + x2.Count()), c.stored) << c.body;
        EXPECT_EQ(std::vector<double>(y.Data(), y.Data() + y.Count()), kX1X2Y[2]) << c.body;
        ExpectTable(f.Now(), StartTable(), c.body);
    }
}

// Stored values need no open data set.
TEST(MacroSystemFiles, GetvarWithoutDataSet) {
    FileFixture f("getnone");
    f.SaveStart();
    static_cast<void>(f.state.ReleaseModel());
    ASSERT_EQ(f.Run("macro m var b[3] { %getvar \"t.MDF\", \"x1\", b, 4, 3 %addvar \"g\", b }"), "");
    ExpectTable(f.Now(), Table({"g"}, {{4, 5, 6}}), "made from the stored values");
}

// Without a window and without a data set there is nothing to undo.
TEST(MacroSystemFiles, UndoAndRedoWithoutDataSetDoNothing) {
    SystemFixture f(false);
    EXPECT_EQ(f.RunBody("%undo %redo"), "");
    EXPECT_EQ(f.state.Model(), nullptr);
}

}  // namespace

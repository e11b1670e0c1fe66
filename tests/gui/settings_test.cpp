// The settings file: defaults, round trip, clamps, the run number and a
// damaged or unreadable file; the settings dialog's OK button.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>

#include "app/settings/settings_dialog.h"
#include "app/settings/settings_file.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "macro/macro_engine.h"
#include "support/scripted_services.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : dir_("settings") {
        TestApp();
        state_.SetServices(&ui_);
    }
    ~SettingsTest() override { state_.SetServices(nullptr); }

    std::string Ini() const { return dir_.Path("conf/MERLOX.ini"); }
    void WriteIni(const std::string& text) {
        std::filesystem::create_directories(dir_.Path("conf"));
        WriteText(Ini(), text);
    }

    ScratchFolder dir_;
    ScriptedServices ui_;
    AppState state_;
};

TEST_F(SettingsTest, MissingFileGivesTheDefaultsAndWritesTheNextRunNumber) {
    SettingsFile s(state_, Ini());
    s.LoadSettings();
    const ProgramSettings& v = s.Values();
    for (const SettingsFlag& f : SettingsFlags()) EXPECT_EQ(v.*f.member, f.defaultValue) << f.key;
    EXPECT_EQ(v.TextOut_Margin, 80);
    EXPECT_EQ(v.UndoSize, 100);
    EXPECT_EQ(v.DataFolder, DefaultDataFolder());
    EXPECT_EQ(v.TempFolder, DefaultTempFolder());
    EXPECT_EQ(v.MacroLibrary, "");
    EXPECT_EQ(state_.Work().runNumber, 0);
    EXPECT_EQ(state_.Work().dataFolder, DefaultDataFolder());
    EXPECT_EQ(state_.UserScalars().GetName(3, false), "3");
    EXPECT_NE(ReadText(Ini()).find("Level=1"), std::string::npos);
    EXPECT_TRUE(s.DamagedItems().empty());
}

TEST_F(SettingsTest, DefaultFileNameFollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", "/some/where", 1);
    EXPECT_EQ(DefaultSettingsFileName(), "/some/where/merlox/MERLOX.ini");
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(DefaultSettingsFileName(), std::string(std::getenv("HOME")) + "/.config/merlox/MERLOX.ini");
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST_F(SettingsTest, EverySettingSurvivesASaveAndARead) {
    std::filesystem::create_directories(dir_.Path("data"));
    WriteText(dir_.Path("recent.MDF"), "x");
    {
        // A library of one macro; the writer stores the library's file.
        MacroList written(state_);
        written.AddOrReplace("macro A { 1 }");
        written.SaveLibrary(dir_.Path("lib.mlb"));
    }
    {
        SettingsFile s(state_, Ini());
        s.LoadSettings();
        ProgramSettings& v = s.Values();
        for (const SettingsFlag& f : SettingsFlags()) v.*f.member = !f.defaultValue;
        v.TextOut_Margin = 132;
        v.UndoSize = 7;
        v.DataFolder = dir_.Path("data") + "/";
        v.TempFolder = dir_.Folder();
        GetMacroEngine(state_).library.LoadLibrary(dir_.Path("lib.mlb"));
        GridColorEntry e;
        e.FromText("13/clRed/clYellow");
        s.Colors().SetColors(e);
        state_.UserScalars().SetName(2, false, "rate");
        state_.UserScalars().SetValue(2, false, 0.25);
        state_.UserFunctions().Entry(1).SetDefinition("f(x) = x * 2");
        state_.RecentFiles().Add(dir_.Path("recent.MDF"));
        ASSERT_TRUE(s.SaveSettings());
    }
    AppState other;
    SettingsFile s(other, Ini());
    s.LoadSettings();
    const ProgramSettings& v = s.Values();
    for (const SettingsFlag& f : SettingsFlags()) EXPECT_EQ(v.*f.member, !f.defaultValue) << f.key;
    EXPECT_EQ(v.TextOut_Margin, 132);
    EXPECT_EQ(v.UndoSize, 7);
    EXPECT_EQ(v.DataFolder, dir_.Path("data") + "/");
    EXPECT_EQ(v.TempFolder, dir_.Folder());
    EXPECT_EQ(v.MacroLibrary, dir_.Path("lib.mlb"));
    const MacroList& library = GetMacroEngine(other).library;
    EXPECT_EQ(library.FileName(), dir_.Path("lib.mlb"));
    ASSERT_EQ(library.Count(), 1);
    EXPECT_EQ(library.EntryName(0), "A");
    ASSERT_EQ(s.Colors().Count(), 1);
    EXPECT_EQ(s.Colors().GetEntry(0).ToText(), "13/clRed/clYellow");
    EXPECT_EQ(other.UserScalars().GetName(2, false), "rate");
    EXPECT_DOUBLE_EQ(other.UserScalars().GetValue(2, false), 0.25);
    EXPECT_EQ(other.UserFunctions().Entry(1).Definition(), "f(x) = x * 2");
    ASSERT_EQ(other.RecentFiles().Count(), 1);
    EXPECT_EQ(other.RecentFiles().GetItem(0), dir_.Path("recent.MDF"));
    // The settings reach the state: bank switch and colour switches.
    EXPECT_EQ(other.UserScalars().BankSwitch(), 1);
    EXPECT_TRUE(other.FileCompanions().colorSettings.saveColors);
    EXPECT_EQ(other.FileCompanions().colorSettings.settingsColors, &s.Colors());
    EXPECT_TRUE(s.DamagedItems().empty());
}

TEST_F(SettingsTest, NumbersAreBroughtIntoTheirRanges) {
    struct Case {
        const char* text;
        int margin;
        int undo;
    };
    const Case cases[] = {
        {"[TEXT]\nTextOut_Margin=30\n[UNDO]\nsize=0\n", 80, 1},
        {"[TEXT]\nTextOut_Margin=1000\n[UNDO]\nsize=-5\n", 512, 1},
        {"[TEXT]\nTextOut_Margin=200\n[UNDO]\nsize=250\n", 200, 250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteIni(c.text);
        SettingsFile s(state_, Ini());
        s.LoadSettings();
        EXPECT_EQ(s.Values().TextOut_Margin, c.margin);
        EXPECT_EQ(s.Values().UndoSize, c.undo);
    }
    // Typed into the dialog.
    EXPECT_EQ(SettingsFile::ParseUndoSize("abc"), 100);
    EXPECT_EQ(SettingsFile::ParseUndoSize("0"), 1);
    EXPECT_EQ(SettingsFile::ParseUndoSize("12"), 12);
    EXPECT_EQ(SettingsFile::ParseMargin("30"), 80);
    EXPECT_EQ(SettingsFile::ParseMargin("1000"), 1000);
    EXPECT_EQ(SettingsFile::ParseMargin("wide"), 80);
}

TEST_F(SettingsTest, RunNumberIsAdvancedAtStartAndWrittenBackAtClose) {
    struct Case {
        int inFile;
        int run;
        int atStart;
    };
    for (const Case& c : {Case{0, 0, 1}, Case{41, 41, 42}, Case{99, 99, 0}, Case{250, 50, 51}}) {
        SCOPED_TRACE(c.inFile);
        WriteIni("[FLAGS]\nLevel=" + std::to_string(c.inFile) + "\n");
        SettingsFile s(state_, Ini());
        s.LoadSettings();
        EXPECT_EQ(state_.Work().runNumber, c.run);
        EXPECT_NE(ReadText(Ini()).find("Level=" + std::to_string(c.atStart) + "\n"), std::string::npos);
        ASSERT_TRUE(s.SaveSettings());
        EXPECT_NE(ReadText(Ini()).find("Level=" + std::to_string(c.inFile) + "\n"), std::string::npos);
    }
}

TEST_F(SettingsTest, FoldersRecordsAndLibraryAreCheckedWhenRead) {
    std::filesystem::create_directories(dir_.Path("data"));
    WriteText(dir_.Path("a.MDF"), "x");
    WriteText(dir_.Path("b.MDF"), "x");
    WriteText(dir_.Path("lib.txt"), "");
    std::string text = "[DIR]\ndata=" + dir_.Path("data") + "\ntemp=" + dir_.Path("nothing") + "\n[RECORD]\nsize=15\n";
    text += "item0=" + dir_.Path("a.MDF") + "\nitem1=" + dir_.Path("gone.MDF") + "\nitem2=" + dir_.Path("b.MDF") + "\n";
    for (int i = 3; i < 15; ++i) text += "item" + std::to_string(i) + "=" + dir_.Path("a.MDF") + "\n";
    text += "[MACRO]\nlib=" + dir_.Path("lib.txt") + "\n";
    WriteIni(text);
    SettingsFile s(state_, Ini());
    s.LoadSettings();
    EXPECT_EQ(s.Values().DataFolder, dir_.Path("data") + "/");
    EXPECT_EQ(s.Values().TempFolder, DefaultTempFolder());
    EXPECT_EQ(s.Values().MacroLibrary, "");
    ASSERT_GE(state_.RecentFiles().Count(), 2);
    EXPECT_EQ(state_.RecentFiles().GetItem(0), dir_.Path("a.MDF"));
    EXPECT_EQ(state_.RecentFiles().GetItem(1), dir_.Path("b.MDF"));
}

TEST_F(SettingsTest, ADamagedItemTakesItsDefaultAndTheFileIsKeptBeforeRewriting) {
    const std::string text =
        "[FLAGS]\nLevel=3\nAutoSave=yes\nColoring=0\nOS_Clip=1\n"
        "[VAR]\nitem0=alpha/1+1\nitem1=beta/\n"
        "[FUNC]\nitem0=g(x) = x + 1\n"
        "[COLOR]\nsize=2\nitem0=1/clNoSuchColour/clWhite\nitem1=2/clRed/clWhite\n";
    WriteIni(text);
    SettingsFile s(state_, Ini());
    s.LoadSettings();
    // The bad items take their defaults ...
    EXPECT_FALSE(s.Values().AutoSave);
    EXPECT_EQ(state_.UserScalars().GetName(1, false), "1");
    // ... and everything else is read.
    EXPECT_FALSE(s.Values().Coloring);
    EXPECT_TRUE(s.Values().OS_Clip);
    EXPECT_EQ(state_.Work().runNumber, 3);
    EXPECT_EQ(state_.UserScalars().GetName(0, false), "alpha");
    EXPECT_DOUBLE_EQ(state_.UserScalars().GetValue(0, false), 2.0);
    EXPECT_EQ(state_.UserFunctions().Entry(0).Definition(), "g(x) = x + 1");
    ASSERT_EQ(s.Colors().Count(), 1);
    EXPECT_EQ(s.Colors().GetEntry(0).mask, 2);
    const std::vector<std::string> damaged = {"FLAGS/AutoSave", "VAR/item1", "COLOR/item0"};
    EXPECT_EQ(s.DamagedItems(), damaged);
    // The file as it was is kept; the settings file itself carries on.
    EXPECT_EQ(ReadText(s.DamagedBackupName()), text);
    EXPECT_NE(ReadText(Ini()).find("Level=4"), std::string::npos);
    ASSERT_TRUE(s.SaveSettings());
    EXPECT_EQ(ReadText(s.DamagedBackupName()), text);
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsNeverOverwritten) {
    // A folder where the file should be cannot be read as a file.
    std::filesystem::create_directories(Ini());
    SettingsFile s(state_, Ini());
    s.LoadSettings();
    EXPECT_FALSE(s.ReadProblem().empty());
    EXPECT_TRUE(s.Values().Coloring);
    ui_.QueueOK();
    EXPECT_FALSE(s.SaveSettings());
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("環境設定ファイルの書き込みに失敗しました。", 0), 0u);
    EXPECT_TRUE(std::filesystem::is_directory(Ini()));
}

TEST_F(SettingsTest, DialogOkTakesTheControlsAndCancelTakesNothing) {
    TSetteiDlg dlg(state_, Ini());
    dlg.FormActivate();
    ASSERT_EQ(dlg.flagBoxes.size(), SettingsFlags().size());
    EXPECT_EQ(dlg.flagBoxes[0]->text().toStdString(), "自動保存(&A)");
    EXPECT_EQ(dlg.eMargin->text().toStdString(), "80");

    dlg.flagBoxes[2]->setChecked(true);  // FileUV
    dlg.eMargin->setText(QStringLiteral("1000"));
    dlg.eUndoSize->setText(QStringLiteral("many"));
    dlg.eDataPath->setText(QString::fromStdString(dir_.Path()));
    dlg.OKBtnClick();
    EXPECT_TRUE(dlg.Values().FileUV);
    EXPECT_EQ(state_.UserScalars().BankSwitch(), 1);
    EXPECT_EQ(dlg.Values().TextOut_Margin, 1000);
    EXPECT_EQ(dlg.Values().UndoSize, 100);
    EXPECT_EQ(dlg.Values().DataFolder, dir_.Folder());
    EXPECT_EQ(state_.Work().dataFolder, dir_.Folder());

    dlg.FormActivate();
    dlg.eMargin->setText(QStringLiteral("30"));
    dlg.OKBtnClick();
    EXPECT_EQ(dlg.Values().TextOut_Margin, 80);

    // A folder chosen with the "..." button is taken at once.
    ui_.QueueFolder(dir_.Path("conf"));
    std::filesystem::create_directories(dir_.Path("conf"));
    dlg.btnTempClick();
    EXPECT_EQ(dlg.Values().TempFolder, dir_.Path("conf") + "/");
}

}  // namespace

namespace {

class SettingsLibraryTest : public SettingsTest {};

TEST_F(SettingsLibraryTest, LibraryIsLoadedOnlyFromAnExistingMlbFile) {
    {
        MacroList written(state_);
        written.AddOrReplace("macro A { 1 }");
        written.SaveLibrary(dir_.Path("lower.mlb"));
        written.SaveLibrary(dir_.Path("other.txt"));
    }
    struct Case {
        std::string lib;
        int count;
    };
    const Case cases[] = {
        {dir_.Path("lower.mlb"), 1},
        {dir_.Path("other.txt"), 0},
        {dir_.Path("missing.MLB"), 0},
        {"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lib);
        AppState state;
        MacroList& library = GetMacroEngine(state).library;
        library.AddOrReplace("macro Old { 2 }");
        WriteIni("[MACRO]\nlib=" + c.lib + "\n");
        SettingsFile s(state, Ini());
        s.LoadSettings();
        EXPECT_EQ(library.Count(), c.count);
        EXPECT_EQ(library.FileName(), c.count ? c.lib : "");
        EXPECT_EQ(s.Values().MacroLibrary, c.count ? c.lib : "");
        EXPECT_TRUE(s.DamagedItems().empty());
    }
}

TEST_F(SettingsLibraryTest, DamagedLibraryKeepsTheOtherSettings) {
    WriteText(dir_.Path("bad.MLB"), std::string("\x30\0\0\0\x09\0\0\0", 8));
    WriteIni("[FLAGS]\nOS_Clip=1\n[UNDO]\nsize=9\n[MACRO]\nlib=" + dir_.Path("bad.MLB") + "\n");
    SettingsFile s(state_, Ini());
    s.LoadSettings();
    EXPECT_TRUE(s.Values().OS_Clip);
    EXPECT_EQ(s.Values().UndoSize, 9);
    EXPECT_EQ(GetMacroEngine(state_).library.Count(), 0);
    EXPECT_EQ(s.DamagedItems(), std::vector<std::string>{"MACRO/lib"});
}

TEST_F(SettingsLibraryTest, WriterStoresTheLibraryInUse) {
    {
        MacroList written(state_);
        written.AddOrReplace("macro A { 1 }");
        written.SaveLibrary(dir_.Path("first.MLB"));
        written.SaveLibrary(dir_.Path("second.MLB"));
    }
    WriteIni("[MACRO]\nlib=" + dir_.Path("first.MLB") + "\n");
    SettingsFile s(state_, Ini());
    s.LoadSettings();
    MacroList& library = GetMacroEngine(state_).library;
    EXPECT_EQ(library.FileName(), dir_.Path("first.MLB"));
    // The macro window loads another library.
    library.LoadLibrary(dir_.Path("second.MLB"));
    ASSERT_TRUE(s.SaveSettings());
    EXPECT_NE(ReadText(Ini()).find("lib=" + dir_.Path("second.MLB")), std::string::npos);
    // ... and clears it.
    library.Clear();
    ASSERT_TRUE(s.SaveSettings());
    EXPECT_NE(ReadText(Ini()).find("lib=\n"), std::string::npos);
}

}  // namespace

// The settings dialog through "MERLOX.ini" and back, its undo level and
// folder buttons, its group colour button, the folder chooser and the
// about box.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/dialogs/about_box.h"
#include "app/main_window/launch_table.h"
#include "app/settings/folder_dialog.h"
#include "app/settings/settings_dialog.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "support/scripted_services.h"

namespace {

class SettingsDialogTest : public ::testing::Test {
protected:
    SettingsDialogTest() : dir_("settings_dialog") {
        TestApp();
        state_.SetServices(&ui_);
    }
    ~SettingsDialogTest() override { state_.SetServices(nullptr); }
    std::string Ini() const { return dir_.Path("MERLOX.ini"); }

    ScratchFolder dir_;
    ScriptedServices ui_;
    AppState state_;
};

// The keys each check box is stored under, in the order of the dialog's
// boxes, and the section they belong to.
const std::pair<const char*, const char*> kKeys[] = {
    {"FLAGS", "AutoSave"},  {"FLAGS", "Coloring"},      {"FLAGS", "FileUV"},       {"FLAGS", "OS_Clip"},
    {"FLAGS", "Chow_Test"}, {"FLAGS", "Combination"},   {"FLAGS", "TSLS_Reduced"}, {"FLAGS", "RV_Selected"},
    {"FLAGS", "GCL_Save"},  {"FLAGS", "FileGCL"},       {"FLAGS", "IV_Selected"},  {"FLAGS", "ConvertedToComment"},
    {"TEXT", "Selected"},   {"TEXT", "Residuals"},      {"TEXT", "Analyzed"},      {"TEXT", "Reduce"},
    {"TEXT", "RelativeMatrix"}, {"TEXT", "OriginalData"},
};
// Defaults of the boxes in the same order.
const bool kDefaults[] = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 0};

TEST_F(SettingsDialogTest, EveryControlGoesThroughTheFileAndBack) {
    std::filesystem::create_directories(dir_.Path("data"));
    {
        TSetteiDlg dlg(state_, Ini());
        dlg.FormActivate();
        ASSERT_EQ(dlg.flagBoxes.size(), std::size(kDefaults));
        for (std::size_t i = 0; i < dlg.flagBoxes.size(); ++i) {
            EXPECT_EQ(dlg.flagBoxes[i]->isChecked(), kDefaults[i]) << kKeys[i].second;
            dlg.flagBoxes[i]->setChecked(!kDefaults[i]);
        }
        dlg.eMargin->setText(QStringLiteral("132"));
        dlg.eUndoSize->setText(QStringLiteral("7"));
        dlg.eDataPath->setText(QString::fromStdString(dir_.Path("data")));
        dlg.eTemp->setText(QString::fromStdString(dir_.Path()));
        dlg.OKBtnClick();
        ASSERT_TRUE(dlg.SaveSettings());
    }
    const std::string text = ReadText(Ini());
    for (std::size_t i = 0; i < std::size(kDefaults); ++i) {
        const std::string line = std::string(kKeys[i].second) + "=" + (kDefaults[i] ? "0" : "1");
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    for (const char* line : {"TextOut_Margin=132", "size=7", "[UNDO]", "[DIR]"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    AppState other;
    TSetteiDlg again(other, Ini());
    again.FormActivate();
    for (std::size_t i = 0; i < again.flagBoxes.size(); ++i)
        EXPECT_EQ(again.flagBoxes[i]->isChecked(), !kDefaults[i]) << kKeys[i].second;
    EXPECT_EQ(again.eMargin->text().toStdString(), "132");
    EXPECT_EQ(again.eUndoSize->text().toStdString(), "7");
    EXPECT_EQ(again.eDataPath->text().toStdString(), dir_.Path("data") + "/");
    EXPECT_EQ(again.eTemp->text().toStdString(), dir_.Folder());
    EXPECT_EQ(other.Undo().Limit(), 7);
}

TEST_F(SettingsDialogTest, UndoLevelIsAtLeastOne) {
    TSetteiDlg dlg(state_, Ini());
    const std::pair<const char*, int> cases[] = {{"0", 1}, {"-5", 1}, {"1", 1}, {"x", 100}, {"250", 250}};
    for (const auto& [typed, want] : cases) {
        dlg.FormActivate();
        dlg.eUndoSize->setText(QString::fromLatin1(typed));
        dlg.OKBtnClick();
        EXPECT_EQ(dlg.Values().UndoSize, want) << typed;
        EXPECT_EQ(state_.Undo().Limit(), want) << typed;
    }
}

TEST_F(SettingsDialogTest, CancelledFolderChoiceLeavesTheFolder) {
    TSetteiDlg dlg(state_, Ini());
    dlg.FormActivate();
    const std::string data = dlg.Values().DataFolder;
    const std::string temp = dlg.Values().TempFolder;
    ui_.QueueCancel();
    dlg.btnPathSetClick();
    ui_.QueueCancel();
    dlg.btnTempClick();
    EXPECT_EQ(dlg.Values().DataFolder, data);
    EXPECT_EQ(dlg.Values().TempFolder, temp);
    EXPECT_EQ(dlg.eDataPath->text().toStdString(), data);
    EXPECT_EQ(dlg.eTemp->text().toStdString(), temp);
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Folder).size(), 2u);
}

// A group colour window that adds one entry to the table it is given.
class FakeColorWindow : public RequestWindow<LaunchRequest> {
public:
    FakeColorWindow(int result, int& opened) : result_(result), opened_(opened) {}
    bool Fill(const LaunchRequest& r) override {
        GridColorEntry e;
        e.FromText("5/clBlue/clWhite");
        r.colors->SetColors(e);
        return true;
    }
    int ShowModal() override {
        ++opened_;
        return result_;
    }

private:
    int result_;
    int& opened_;
};

TEST_F(SettingsDialogTest, GroupColourButtonEditsTheTableInUseOnlyOnOk) {
    TSetteiDlg dlg(state_, Ini());
    EXPECT_FALSE(dlg.btnGrpClr->isEnabled());
    int opened = 0;
    int result = mrCancel;
    ScopedAnalysisWindow w("TfrmColorSel",
                           [&](const WindowContext&) { return std::make_unique<FakeColorWindow>(result, opened); });
    EXPECT_TRUE(dlg.btnGrpClr->isEnabled());

    dlg.btnGrpClrClick();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(dlg.GetColorList().Count(), 0);

    result = mrOK;
    dlg.btnGrpClrClick();
    ASSERT_EQ(dlg.GetColorList().Count(), 1);
    EXPECT_EQ(dlg.GetColorList().GetEntry(0).ToText(), "5/clBlue/clWhite");
    EXPECT_EQ(state_.Colors().Count(), 0);

    // With the data file's colours in use, those are edited instead.
    dlg.Settings().Values().FileGCL = true;
    dlg.btnGrpClrClick();
    EXPECT_EQ(state_.Colors().Count(), 1);
    EXPECT_EQ(dlg.GetColorList().Count(), 1);
}

TEST_F(SettingsDialogTest, FolderChooserWalksTheFolders) {
    std::filesystem::create_directories(dir_.Path("b"));
    std::filesystem::create_directories(dir_.Path("a/inner"));
    WriteText(dir_.Path("f.txt"), "x");
    TfrmSetDir dlg;
    EXPECT_EQ(dlg.windowTitle().toStdString(), "ディレクトリ設定");
    EXPECT_EQ(dlg.btnExit->text().toStdString(), "設定(&S)");
    EXPECT_EQ(dlg.btnCancel->text().toStdString(), "取り消し(&C)");
    dlg.SetDirectory(dir_.Path());
    auto texts = [](QListWidget* l) {
        std::vector<std::string> t;
        for (int i = 0; i < l->count(); ++i) t.push_back(l->item(i)->text().toStdString());
        return t;
    };
    EXPECT_EQ(texts(dlg.dlbDir), (std::vector<std::string>{"..", "a", "b"}));
    EXPECT_EQ(texts(dlg.flbFiles), (std::vector<std::string>{"f.txt"}));
    dlg.EnterFolder(1);
    EXPECT_EQ(dlg.CurrentDirectory(), dir_.Path("a"));
    EXPECT_EQ(texts(dlg.dlbDir), (std::vector<std::string>{"..", "inner"}));
    EXPECT_TRUE(texts(dlg.flbFiles).empty());
    dlg.EnterFolder(0);
    EXPECT_EQ(dlg.CurrentDirectory(), dir_.Path());
    // A folder that does not exist shows the nearest one above it.
    dlg.SetDirectory(dir_.Path("b/gone/deeper"));
    EXPECT_EQ(dlg.CurrentDirectory(), dir_.Path("b"));
    EXPECT_TRUE(dlg.ChosenDirectory().empty());
    dlg.btnExitClick();
    EXPECT_EQ(dlg.ChosenDirectory(), dir_.Path("b"));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(SettingsDialogTest, AboutBoxTexts) {
    TAboutBox box;
    EXPECT_EQ(box.windowTitle().toStdString(), "バージョン情報");
    EXPECT_EQ(box.ProductName->text().toStdString(), "回帰分析");
    EXPECT_EQ(box.ProductNameSub->text().toStdString(), "MERLOX");
    EXPECT_EQ(box.Comments->text().toStdString(), "計量経済分析を指向した回帰分析を行う為のプログラム");
    EXPECT_TRUE(box.Comments->wordWrap());
    EXPECT_EQ(box.OKButton->text().toStdString(), "OK");
    EXPECT_TRUE(box.OKButton->isDefault());
    EXPECT_EQ(box.Version->text().toStdString(), kProgramVersionText);
}

}  // namespace

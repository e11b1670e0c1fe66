// Group commands of the main window with scripted answers: the data grid's
// pop-up, GROUPING over selections and through its dialog, group names,
// the colour table of group combinations and the group file.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "app/settings/color_sel.h"
#include "app/dialogs/group_dialogs.h"
#include "app/settings/settings_dialog.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "platform/ini_file.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace {

using Words = std::vector<std::vector<std::uint16_t>>;

class GroupsTest : public StartedWindows {
protected:
    GroupsTest() : StartedWindows("groups") {
        auto model = MakeModel({{1, 2, 3, 4, 5, 6}, {2, 4, 5, 4, 5, 7}, {3, 1, 4, 1, 5, 9}}, {}, {"X", "Y", "Z"});
        path_ = dir_.Path("g.MDF");
        SaveAs(*model, path_);
        main_->OpenAndRemember(path_);
        model_ = state_.Model();
        ui_.ClearCalls();
    }
    Words WordsNow() const {
        Words w(model_->GetObsCount(), std::vector<std::uint16_t>(model_->GetVarCount()));
        for (int i = 0; i < model_->GetObsCount(); ++i)
            for (int j = 0; j < model_->GetVarCount(); ++j) w[i][j] = model_->GetMark(i, j);
        return w;
    }
    void Popup(const char* name) {
        QAction* a = main_->EditPopup()->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
    }
    // Runs the command; the modal dialog of type D, once shown, goes to act.
    template <class D>
    void WithDialog(const char* action, const std::function<void(D&)>& act) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            shown = true;
            act(*d);
            if (d->isVisible()) d->done(mrCancel);
        });
        main_->Action(action)->trigger();
        EXPECT_TRUE(shown);
    }

    std::string path_;
    Reg* model_ = nullptr;
};

TEST_F(GroupsTest, PopupSetsResetsAndClearsTheBlockWithUndo) {
    ASSERT_TRUE(model_->SetGroupName(2, "東"));
    model_->SetMark(1, 0, 0x0012);  // groups 2 and 5
    model_->SetMark(2, 1, 0x0010);  // group 5 only
    main_->EditGrid()->SetSelection({1, 2, 2, 4});  // X..Y, observations 2..4
    const Words start = WordsNow();
    struct Step {
        const char* item;
        const char* answer;  // null: no prompt
        Words expected;
    };
    const Step steps[] = {
        {"mnuSetGrp", "東", {{0, 0, 0}, {0x12, 0x02, 0}, {0x02, 0x12, 0}, {0x02, 0x02, 0}, {0, 0, 0}, {0, 0, 0}}},
        {"mnuSetGrp", "16", {{0, 0, 0}, {0x8012, 0x8002, 0}, {0x8002, 0x8012, 0}, {0x8002, 0x8002, 0}, {0, 0, 0}, {0, 0, 0}}},
        {"mnuResetGrp", "2", {{0, 0, 0}, {0x8010, 0x8000, 0}, {0x8000, 0x8010, 0}, {0x8000, 0x8000, 0}, {0, 0, 0}, {0, 0, 0}}},
        {"mnuClearGrp", nullptr, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
    };
    std::vector<Words> history{start};
    for (const Step& s : steps) {
        if (s.answer) ui_.QueueInput(s.answer);
        Popup(s.item);
        EXPECT_EQ(WordsNow(), s.expected) << s.item << " " << (s.answer ? s.answer : "");
        history.push_back(s.expected);
    }
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(prompts.size(), 3u);
    EXPECT_EQ(prompts[0].text, "設定するグループ名・番号は？");
    EXPECT_EQ(prompts[2].text, "解除するグループ名・番号は？");
    ASSERT_EQ(prompts[0].items.size(), 16u);
    EXPECT_EQ(prompts[0].items[0], "1");
    EXPECT_EQ(prompts[0].items[1], "東");
    EXPECT_EQ(prompts[0].items[15], "16");
    for (int k = static_cast<int>(history.size()) - 2; k >= 0; --k) {
        ASSERT_TRUE(state_.Undo().Undo(*model_));
        EXPECT_EQ(WordsNow(), history[k]) << "undo to " << k;
    }
    EXPECT_FALSE(state_.Undo().CanUndo());
}

TEST_F(GroupsTest, AnswersThatNameNoGroupChangeNothing) {
    main_->EditGrid()->SetSelection({1, 1, 3, 6});
    model_->SetMark(0, 0, 0x0001);
    const Words start = WordsNow();
    for (const char* answer : {"17", "0", "北", "", "-3"}) {
        ui_.QueueInput(answer);
        Popup("mnuSetGrp");
        ui_.QueueInput(answer);
        Popup("mnuResetGrp");
        EXPECT_EQ(WordsNow(), start) << answer;
    }
    EXPECT_FALSE(state_.Undo().CanUndo());
    ui_.QueueCancel();
    Popup("mnuSetGrp");
    EXPECT_EQ(WordsNow(), start);
}

TEST_F(GroupsTest, GroupingOverTwoSelectedVariablesTakesEveryObservation) {
    main_->EditColumnMarks.Set(0, 1);
    main_->EditColumnMarks.Set(2, 1);
    ui_.QueueOK();
    ui_.QueueInput("3");
    main_->Action("GROUPING")->trigger();
    const Words expected(6, std::vector<std::uint16_t>{0x0004, 0, 0x0004});
    EXPECT_EQ(WordsNow(), expected);
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).at(0).text, "選択されている領域にグループ設定します。");
    EXPECT_EQ(main_->EditColumnMarks.FindFirst(), -1);  // the selection is cleared
    ASSERT_TRUE(state_.Undo().Undo(*model_));
    EXPECT_EQ(WordsNow(), Words(6, std::vector<std::uint16_t>(3, 0)));
}

TEST_F(GroupsTest, GroupingOverSelectedObservationsAndCancel) {
    main_->ObservationMarks.Set(1, 1);
    main_->ObservationMarks.Set(4, 1);
    ui_.QueueCancel();  // the confirmation
    main_->Action("GROUPING")->trigger();
    EXPECT_EQ(WordsNow(), Words(6, std::vector<std::uint16_t>(3, 0)));
    EXPECT_EQ(main_->ObservationMarks.FindFirst(), 1);  // kept after Cancel
    ui_.QueueOK();
    ui_.QueueInput("1");
    main_->Action("GROUPING")->trigger();
    Words expected(6, std::vector<std::uint16_t>(3, 0));
    expected[1] = expected[4] = {1, 1, 1};
    EXPECT_EQ(WordsNow(), expected);
}

TEST_F(GroupsTest, GroupDialogSetsResetsAndClearsOneVariable) {
    main_->EditGrid()->SetCurrentCell(2, 3);  // Y, observation 3
    Words afterSet, afterReset, afterClear;
    WithDialog<TfrmGroup>("GROUPING", [&](TfrmGroup& d) {
        EXPECT_EQ(d.cbVName->currentText(), "Y");
        EXPECT_EQ(d.cbSNo->currentText(), "3");
        EXPECT_EQ(d.cbENo->currentText(), "3");
        EXPECT_EQ(d.cbSNo->count(), 6);
        d.eGRP->setText("4");
        d.eGRPChange();
        d.cbVName->setEditText("Z");
        d.cbSNo->setEditText("5");  // numbers in either order
        d.cbENo->setEditText("2");
        d.btnSetClick();
        afterSet = WordsNow();
        model_->SetMark(3, 2, 0x0009);  // groups 1 and 4
        d.btnResetClick();
        afterReset = WordsNow();
        d.btnClrClick();
        afterClear = WordsNow();
        d.eGRP->setText("17");  // no such group: the buttons do nothing
        d.btnSetClick();
    });
    Words expected(6, std::vector<std::uint16_t>(3, 0));
    for (int i = 1; i <= 4; ++i) expected[i][2] = 0x0008;
    EXPECT_EQ(afterSet, expected);
    for (int i = 1; i <= 4; ++i) expected[i][2] = 0;
    expected[3][2] = 0x0001;
    EXPECT_EQ(afterReset, expected);
    EXPECT_EQ(afterClear, Words(6, std::vector<std::uint16_t>(3, 0)));
    EXPECT_EQ(WordsNow(), afterClear);
    ASSERT_TRUE(state_.Undo().Undo(*model_));
    EXPECT_EQ(WordsNow(), afterReset);
    ASSERT_TRUE(state_.Undo().Undo(*model_));
    ASSERT_TRUE(state_.Undo().Undo(*model_));
    EXPECT_EQ(model_->GetMark(1, 2), 0);
    EXPECT_FALSE(state_.Undo().CanUndo());
}

TEST_F(GroupsTest, GroupDialogNamesGroupsAndClearsEverythingWithoutUndo) {
    model_->SetMark(0, 0, 0x0003);
    WithDialog<TfrmGroup>("GROUPING", [&](TfrmGroup& d) {
        EXPECT_EQ(d.stGrpName->text(), "1");
        ui_.QueueInput("西");
        d.stGrpNameClick();
        EXPECT_EQ(d.stGrpName->text(), "西");
        ui_.QueueNo();
        d.btnAllResetClick();
        EXPECT_EQ(model_->GetMark(0, 0), 0x0003);
        ui_.QueueYes();
        d.btnAllResetClick();
    });
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].text, "グループ(1)の名前変更");
    EXPECT_EQ(model_->GetGroupName(1), "西");
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).at(0).text,
              "全グループ情報を解除します。アンドゥによる修復はできません。");
    EXPECT_EQ(WordsNow(), Words(6, std::vector<std::uint16_t>(3, 0)));
    EXPECT_FALSE(state_.Undo().CanUndo());
}

TEST_F(GroupsTest, GroupDialogSetsEveryObservationOfTheModelsVariables) {
    // Y depends on X; Z takes no part.
    ASSERT_TRUE(model_->SetModel(1, {2, 0, 0}));
    ASSERT_NE(model_->GetRole(0), Reg::kRoleUnused);
    ASSERT_NE(model_->GetRole(1), Reg::kRoleUnused);
    ASSERT_EQ(model_->GetRole(2), Reg::kRoleUnused);
    WithDialog<TfrmGroup>("GROUPING", [&](TfrmGroup& d) {
        d.eGRP->setText("2");
        ui_.QueueOK();
        d.btnAllSelVarClick();
    });
    EXPECT_EQ(WordsNow(), Words(6, std::vector<std::uint16_t>{2, 2, 0}));
    ASSERT_TRUE(state_.Undo().Undo(*model_));
    EXPECT_EQ(WordsNow(), Words(6, std::vector<std::uint16_t>(3, 0)));
}

TEST_F(GroupsTest, SavedGroupReopensWithOnlyItsObservationsWordsAndNames) {
    for (int i : {0, 2, 3, 5})
        for (int j = 0; j < 3; ++j) model_->SetMark(i, j, i == 3 ? 0x0006 : 0x0002);
    ASSERT_TRUE(model_->SetGroupName(2, "春"));
    ASSERT_TRUE(model_->SetGroupName(3, "2"));  // a name that is another group's number
    const std::string target = dir_.Path("spring.MDF");
    WithDialog<TGrpSaveDlg>("mnuGrpSave", [&](TGrpSaveDlg& d) {
        ASSERT_EQ(d.lbGrpNo->count(), 2);
        EXPECT_EQ(d.lbGrpNo->item(0)->text(), "春");
        EXPECT_EQ(d.lbGrpNo->item(1)->text(), "2");
        ui_.QueueFile(target);
        d.btnDirClick();
        EXPECT_EQ(d.eFile->text(), "spring");
        d.lbGrpNo->item(0)->setCheckState(Qt::Checked);
        d.OKBtnClick();
        EXPECT_EQ(d.Mask(), 0x0002);
    });
    const auto request = ui_.CallsOf(ServiceCall::SaveFile);
    ASSERT_EQ(request.size(), 1u);
    EXPECT_EQ(request[0].file.defaultExt, "MDF");
    EXPECT_EQ(request[0].file.filterIndex, 1);

    ui_.QueueNo();  // the open data set is not saved
    main_->OpenAndRemember(target);
    const Reg* g = state_.Model();
    ASSERT_NE(g, model_);
    EXPECT_EQ(g->GetName(), "spring");
    ASSERT_EQ(g->GetObsCount(), 4);
    ASSERT_EQ(g->GetVarCount(), 3);
    const double x[] = {1, 3, 4, 6};
    const std::uint16_t words[] = {0x0002, 0x0002, 0x0006, 0x0002};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(g->GetValue(i, 0), x[i]);
        for (int j = 0; j < 3; ++j) EXPECT_EQ(g->GetMark(i, j), words[i]);
    }
    EXPECT_EQ(g->GetGroupName(2), "春");
    EXPECT_EQ(g->GroupNames().Count(), 1);
}

TEST_F(GroupsTest, GroupSaveRefusesTheOpenFileAndTooSmallGroups) {
    for (int i : {0, 2, 3, 5})
        for (int j = 0; j < 3; ++j) model_->SetMark(i, j, 0x0002);
    model_->SetMark(4, 0, 0x0001);
    const std::string before = ReadText(path_);
    struct Case {
        std::string file;
        int item;
        const char* message;
    };
    const Case cases[] = {
        {path_, 1, "開いているデータファイルにはグループを保存できません: "},
        {dir_.Path("small.MDF"), 0, "グループ設定に失敗しました。"},
        {"", 1, "保存するファイル名がありません。"},  // no file chosen
    };
    for (const Case& c : cases) {
        ui_.ClearCalls();
        WithDialog<TGrpSaveDlg>("mnuGrpSave", [&](TGrpSaveDlg& d) {
            if (!c.file.empty()) {
                ui_.QueueFile(c.file);
                d.btnDirClick();
            }
            d.lbGrpNo->item(c.item)->setCheckState(Qt::Checked);
            ui_.QueueOK();  // the error box
            d.OKBtnClick();
        });
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), 1u) << c.file;
        EXPECT_EQ(boxes[0].text.rfind(c.message, 0), 0u) << boxes[0].text;
    }
    EXPECT_EQ(ReadText(path_), before);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path("small.MDF")));
    // Nothing checked: nothing is written and nothing asked.
    ui_.ClearCalls();
    WithDialog<TGrpSaveDlg>("mnuGrpSave", [&](TGrpSaveDlg& d) {
        ui_.QueueFile(dir_.Path("none.MDF"));
        d.btnDirClick();
        d.OKBtnClick();
    });
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
    EXPECT_FALSE(std::filesystem::exists(dir_.Path("none.MDF")));
}

TEST_F(GroupsTest, SettingsButtonEditsTheColourTableInUse) {
    TSetteiDlg& settings = *windows_->SetteiDlg;
    ASSERT_TRUE(settings.btnGrpClr->isEnabled());
    struct Case {
        bool fileTable;  // FileGCL
        bool ok;
        int settingsCount, fileCount;  // entries afterwards
    };
    const Case cases[] = {{false, false, 1, 1}, {false, true, 0, 1}, {true, false, 0, 1}, {true, true, 0, 0}};
    settings.Settings().Colors().SetColors({0x0001, 0x0000FF, 0xFFFFFF});
    state_.Colors().SetColors({0x0002, 0x00FF00, 0xFFFFFF});
    for (const Case& c : cases) {
        settings.Settings().Values().FileGCL = c.fileTable;
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<TfrmColorSel*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            shown = true;
            EXPECT_EQ(d->WorkingTable().Count(), 1);
            d->btnClearClick();
            (c.ok ? d->btnOK : d->btnCancel)->click();
        });
        settings.btnGrpClr->click();
        EXPECT_TRUE(shown);
        EXPECT_EQ(settings.GetColorList().Count(), c.settingsCount) << c.fileTable << c.ok;
        EXPECT_EQ(state_.Colors().Count(), c.fileCount) << c.fileTable << c.ok;
    }
}

TEST(ColorSel, CombinationColoursAndTheirTextRoundTrip) {
    TestApp();
    GridColorList table;
    table.SetColors({0x0002, 0x000080, 0xFFFFFF});  // group 2: maroon on white
    std::vector<ColorValue> answers = {0x0000FF, 0x00FFFF, 0x00FF00};
    std::size_t next = 0;
    TfrmColorSel dialog(table, nullptr, [&](ColorValue) -> std::optional<ColorValue> {
        if (next >= answers.size()) return std::nullopt;
        return answers[next++];
    });
    // Nothing checked: a chosen colour is not stored.
    dialog.btnFCClick();
    EXPECT_EQ(dialog.WorkingTable().Count(), 1);
    dialog.SetChecked(1, true);
    dialog.SetChecked(3, true);
    EXPECT_EQ(dialog.Mask(), 0x0005);
    dialog.btnBCClick();  // yellow background
    dialog.btnFCClick();  // lime text
    dialog.btnFCClick();  // cancelled: unchanged
    const GridColorEntry e = dialog.WorkingTable().GetColors(0x0005);
    EXPECT_EQ(e.textColor, 0x00FF00u);
    EXPECT_EQ(e.backgroundColor, 0x00FFFFu);
    EXPECT_EQ(e.ToText(), "13/clLime/clYellow");
    EXPECT_EQ(dialog.WorkingTable().GetEntry(0).ToText(), "2/clMaroon/clWhite");
    EXPECT_EQ(dialog.stForeColor->palette().color(QPalette::Window), QColor(255, 255, 0));
    EXPECT_EQ(dialog.stForeColor->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    EXPECT_EQ(table.Count(), 1);  // the caller's table is a separate copy

    ScratchFolder dir("colors");
    {
        IniFile ini(dir.Path("c.ini"));
        dialog.WorkingTable().SaveSettings(ini);
        ini.UpdateFile();
    }
    IniFile again(dir.Path("c.ini"));
    GridColorList loaded;
    loaded.LoadSettings(again);
    EXPECT_EQ(loaded.Entries(), dialog.WorkingTable().Entries());

    dialog.btnClearClick();
    EXPECT_EQ(dialog.WorkingTable().Count(), 0);
    EXPECT_EQ(dialog.stForeColor->palette().color(QPalette::Window), QColor(255, 255, 255));
}

}  // namespace

// The variable and data property dialogs driven through their controls:
// each edit lands as its own undo step, a bad name keeps the old one while
// the other edits apply, Set without changes records nothing, and a
// transformation reaches the data set only on Set; opened by class name
// from another window, a dialog of its own runs on that window's variable.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/main_window/launch_table.h"
#include "app/dialogs/data_property_dialog.h"
#include "app/dialogs/henkan_window.h"
#include "app/dialogs/property_dialog.h"
#include "core/data/variable.h"
#include "core/data/variable_property_request.h"
#include "core/data/variable_type_names.h"
#include "modal_window.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"
#include "support/model_builder.h"

namespace {

class PropertyDialogsTest : public StartedWindows {
protected:
    PropertyDialogsTest() : StartedWindows("property") {}
    Reg* Open() {
        auto m = MakeModel({{1, 2, 3, 4}, {2.0, 4.0, 5.0, 9.0}}, {Var::kExogenous, Var::kEndogenous}, {"X", "Y"});
        ASSERT_MODEL(m->SetModel(1, {2, 0, 2}));
        m->SetName("data");
        m->SetInfo("about");
        state_.SetModel(std::move(m));
        main_->RefreshAfterLoad();
        ui_.ClearCalls();
        return state_.Model();
    }
    static void ASSERT_MODEL(bool ok) { EXPECT_TRUE(ok); }
    TfrmProperty& Property() { return *windows_->frmProperty; }
    int Steps() { return state_.Undo().UndoStepCount(); }
    void Undo() { main_->Action("UndoEdit")->trigger(); }
};

TEST_F(PropertyDialogsTest, VariableDialogCaptions) {
    TfrmProperty& p = Property();
    EXPECT_EQ(p.windowTitle(), "変数情報");
    const std::pair<QAbstractButton*, const char*> buttons[] = {
            {p.btnSet, "設定(&S)"}, {p.btnCancel, "取り消し(&C)"}, {p.btnRP, "系列プロット(&T)"},
            {p.btnFund, "基本統計量(&F)"}, {p.btnVarInput, "直接入力(&E)"}, {p.btnChanger, "実行(&R)"},
            {p.rgChange->button(0), "ボックスコックス変換(&B)"}, {p.rgChange->button(1), "指数平滑変換(&M)"},
            {p.rgChange->button(2), "一般階差変換(&J)"}, {p.rgChange->button(3), "移動平均(&L)"},
            {p.rgChange->button(4), "予備回帰(&P)"}, {p.rgChange->button(5), "ユールウォーカー変換(&Y)"},
    };
    for (const auto& [button, caption] : buttons) {
        ASSERT_TRUE(button) << caption;
        EXPECT_EQ(button->text(), caption);
    }
    EXPECT_TRUE(p.btnSet->isDefault());
    QStringList labels;
    for (const QLabel* l : p.findChildren<QLabel*>()) labels << l->text();
    for (const char* label : {"変数名", "コメント", "タイプ"}) EXPECT_TRUE(labels.contains(label)) << label;
    const auto* box = p.findChild<QGroupBox*>("rgChange");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title(), "変数変換");
}

TEST_F(PropertyDialogsTest, SetWithoutChangesRecordsNothing) {
    Open();
    Property().SetVarIndex(0);
    Property().btnSet->click();
    EXPECT_EQ(Steps(), 0);
}

TEST_F(PropertyDialogsTest, EachEditIsItsOwnUndoStep) {
    Reg* m = Open();
    TfrmProperty& p = Property();
    const std::string info = m->GetVarInfo(0);
    p.SetVarIndex(0);
    EXPECT_EQ(p.eVarNam->text(), "X");
    EXPECT_EQ(p.cbType->currentText(), QString::fromStdString(GetVarTypeName(Var::kExogenous)));
    p.eVarNam->setText("X9");
    p.eComment->setText("note");
    p.cbType->setCurrentIndex(Var::kLagged);
    p.btnSet->click();
    EXPECT_EQ(m->GetVarName(0), "X9");
    EXPECT_EQ(m->GetVarInfo(0), "note");
    EXPECT_EQ(m->GetVarType(0), Var::kLagged);
    EXPECT_EQ(Steps(), 3);
    Undo();
    EXPECT_EQ(m->GetVarType(0), Var::kExogenous);
    Undo();
    EXPECT_EQ(m->GetVarInfo(0), info);
    Undo();
    EXPECT_EQ(m->GetVarName(0), "X");
}

TEST_F(PropertyDialogsTest, BadNameKeepsTheOldNameAndAppliesTheOtherEdits) {
    const char* bad[] = {"Y", "sin"};  // a duplicate, a reserved word
    for (const char* name : bad) {
        SCOPED_TRACE(name);
        Reg* m = Open();
        TfrmProperty& p = Property();
        p.SetVarIndex(0);
        p.eVarNam->setText(name);
        p.eComment->setText("kept");
        ui_.QueueOK();
        p.btnSet->click();
        EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
        EXPECT_EQ(m->GetVarName(0), "X");
        EXPECT_EQ(m->GetVarInfo(0), "kept");
        EXPECT_EQ(Steps(), 1);
        while (state_.Undo().CanUndo()) Undo();
    }
}

TEST_F(PropertyDialogsTest, TransformationReachesTheDataOnlyOnSet) {
    Reg* m = Open();
    TfrmProperty& p = Property();
    p.SetVarIndex(1);
    ASSERT_TRUE(p.rgChange->button(1)->isEnabled());
    EXPECT_EQ(p.rgChange->button(4)->isEnabled(), AnalysisWindows().Has("TfrmPreREG"));
    p.rgChange->button(1)->setChecked(true);
    QTimer::singleShot(0, [] {
        auto* w = qobject_cast<TfrmHenkan*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        w->eVal->setText("0.5");
        w->btnRun->click();
        w->btnOK->click();
    });
    p.btnChanger->click();
    EXPECT_TRUE(p.ValuesModified());
    // smoothing with 0.5: 2, 3, 4, 6.5
    EXPECT_EQ(p.WorkingValues(), (std::vector<double>{2.0, 3.0, 4.0, 6.5}));
    EXPECT_EQ(m->GetValue(3, 1), 9.0);
    p.btnSet->click();
    EXPECT_EQ(m->GetValue(1, 1), 3.0);
    EXPECT_EQ(m->GetValue(3, 1), 6.5);
    Undo();
    EXPECT_EQ(m->GetValue(3, 1), 9.0);
}

TEST_F(PropertyDialogsTest, CancelAfterTransformationLeavesTheData) {
    Reg* m = Open();
    TfrmProperty& p = Property();
    p.SetVarIndex(1);
    p.rgChange->button(3)->setChecked(true);
    QTimer::singleShot(0, [] {
        auto* w = qobject_cast<TfrmHenkan*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        w->eVal->setText("2");
        w->btnRun->click();
        w->btnOK->click();
    });
    p.btnChanger->click();
    p.btnCancel->click();
    EXPECT_EQ(m->GetValue(3, 1), 9.0);
    EXPECT_EQ(Steps(), 0);
}

TEST_F(PropertyDialogsTest, ObjectModeWithoutRenameChangesNothing) {
    Open();
    Var v("V", "c", 3, 1.0);
    TfrmProperty& p = Property();
    p.SetVar(&v, false);
    for (QWidget* w : std::initializer_list<QWidget*>{p.eVarNam, p.eComment, p.cbType, p.btnChanger, p.btnVarInput})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    p.eVarNam->setText("W");
    p.btnSet->click();
    EXPECT_EQ(v.GetName(), "V");
    p.SetVar(&v, true);
    EXPECT_TRUE(p.eVarNam->isEnabled());
    p.eVarNam->setText("W");
    p.btnSet->click();
    EXPECT_EQ(v.GetName(), "W");
    EXPECT_EQ(Steps(), 0);
}

TEST_F(PropertyDialogsTest, DataPropertyShowsStatisticsAndSetsNameAndInfoAsSteps) {
    Reg* m = Open();
    TfrmDataProperty d(state_, &Property());
    ASSERT_EQ(d.sgVar->RowCount(), 3);
    EXPECT_EQ(d.sgVar->Cell(0, 0), "変数名");
    EXPECT_EQ(d.sgVar->Cell(1, 0), "平均値");
    EXPECT_EQ(d.sgVar->Cell(2, 0), "標準偏差");
    EXPECT_EQ(d.sgVar->Cell(0, 2), "Y");
    // Y = 2, 4, 5, 9: mean 5, standard deviation sqrt(26/3) = 2.9439
    EXPECT_EQ(d.sgVar->Cell(1, 2), "5.0000");
    EXPECT_EQ(d.sgVar->Cell(2, 2), "2.9439");
    EXPECT_EQ(d.eName->text(), "data");
    d.btnOK->click();
    EXPECT_EQ(Steps(), 0);

    TfrmDataProperty e(state_, &Property());
    e.eName->setText("renamed");
    e.mText->setPlainText("more");
    e.btnOK->click();
    EXPECT_EQ(m->GetName(), "renamed");
    EXPECT_EQ(m->GetInfo(), "more");
    EXPECT_EQ(Steps(), 2);
    Undo();
    Undo();
    EXPECT_EQ(m->GetName(), "data");
    EXPECT_EQ(m->GetInfo(), "about");
}

TEST_F(PropertyDialogsTest, HeaderRowOpensNothing) {
    Open();
    TfrmDataProperty d(state_, &Property());
    d.OpenRow(0);  // "変数名" names no variable: no modal dialog may open
    d.OpenRow(99);
    EXPECT_EQ(Steps(), 0);
}

TEST_F(PropertyDialogsTest, OpenedByClassNameADialogOfItsOwnRunsOnTheCallersVariable) {
    Open();
    QWidget opener;
    for (const bool set : {true, false}) {
        SCOPED_TRACE(set);
        Var v("V", "about V", 3, 1.0);
        int result = -1;
        const auto open = [&] {
            result = OpenWindow("TfrmProperty", WindowContext(state_, &opener), VariablePropertyRequest{&v, true});
        };
        const auto type = [&](TfrmProperty& d) {
            EXPECT_NE(&d, &Property());
            EXPECT_EQ(d.eVarNam->text(), "V");
            d.eVarNam->setText("W");
            (set ? d.btnSet : d.btnCancel)->click();
        };
        EXPECT_TRUE(WhileModal<TfrmProperty>(open, type));
        EXPECT_EQ(result, set ? mrOK : mrCancel);
        EXPECT_EQ(v.GetName(), set ? "W" : "V");
    }
    // Without a variable, nothing to show.
    EXPECT_EQ(OpenWindow("TfrmProperty", WindowContext(state_, &opener), VariablePropertyRequest{}), mrNone);
}

}  // namespace

// The Box-Cox action of the main window: the choice dialog, the exchange as
// one undo step, the note in the information text, the hint with lambda,
// and the refusals. The lambda was found by a separate maximum-likelihood
// grid search (normal equations solved directly).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <memory>

#include "app/dialogs/box_cox_dialog.h"
#include "app/settings/settings_dialog.h"
#include "app/settings/settings_file.h"
#include "core/data/variable.h"
#include "modal_window.h"
#include "platform/qt/progress_window.h"
#include "started_windows.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

using Flags = std::vector<std::uint8_t>;

const Columns kData = {
    {6.25, 4.65, 4.92, 3.76, 4.97, 3.99, 5.23, 4.67, 5.35, 4.07, 5.0, 4.73, 4.97, 4.04, 4.14},
    {3.62, 2.22, 3.7, 1.43, 3.07, 2.96, 3.41, 2.48, 2.03, 2.5, 4.3, 1.69, 2.19, 3.57, 4.16},
    {4.96, 4.4, 3.39, 3.62, 3.88, 2.75, 4.11, 4.15, 4.94, 2.99, 3.34, 4.13, 4.22, 2.52, 2.05},
    {36.129, 22.391, 29.774, 15.429, 29.29, 20.489, 32.128, 23.554, 22.849, 19.18, 30.523, 20.649, 22.974,
     21.874, 28.088},
};
constexpr double kLambdaDependentOls = 0.35261000000000037;

// The scripted answers, with the progress window shown while the work runs
// as the program shows it: a window of its own that takes the activation.
class ShownProgressServices : public ScriptedServices {
public:
    void ProgressBegin(const std::string& caption, int max) override {
        ScriptedServices::ProgressBegin(caption, max);
        if (bar_) return;
        bar_ = std::make_unique<TfrmBAR>();
        bar_->SetMaximum(max);
        bar_->show();
        bar_->SetTitle(caption);
    }
    void ProgressStep() override {
        ScriptedServices::ProgressStep();
        if (bar_) bar_->Step();
    }
    void ProgressEnd() override {
        ScriptedServices::ProgressEnd();
        if (ProgressDepth() == 0) bar_.reset();
    }

private:
    std::unique_ptr<TfrmBAR> bar_;
};

class BoxCoxActionTest : public StartedWindows {
protected:
    BoxCoxActionTest() : StartedWindows("boxcox") {}
    Reg* Open(Columns data = kData) {
        auto m = MakeModel(data, {Var::kEndogenous, Var::kExogenous, Var::kExogenous, Var::kEndogenous},
                           {"X1", "X2", "Z", "Y"});
        Flags roles(5, Reg::kRoleUnused);
        roles[0] = roles[1] = roles[4] = Reg::kRoleExplanatory;
        EXPECT_TRUE(m->SetModel(3, roles));
        m->SetInfo("info");
        state_.SetModel(std::move(m));
        main_->RefreshAfterLoad();
        ui_.ClearCalls();
        return state_.Model();
    }
    // Longley's GNP and EMPLOY x 1e-12 (E12), the dependent.
    Reg* OpenTinyUnits() {
        Columns data = {LongleyColumns()[1], LongleyColumns()[6]};
        for (double& v : data[1]) v *= 1e-12;
        auto m = MakeModel(data, {Var::kExogenous, Var::kEndogenous}, {"GNP", "E12"});
        EXPECT_TRUE(m->SetModel(1, {Reg::kRoleExplanatory, Reg::kRoleUnused, Reg::kRoleExplanatory}));
        m->SetInfo("info");
        state_.SetModel(std::move(m));
        main_->RefreshAfterLoad();
        ui_.ClearCalls();
        return state_.Model();
    }
    void SetNoteWanted(bool on) { windows_->SetteiDlg->Settings().Values().ConvertedToComment = on; }
    QString Hint() { return main_->Action("BCExchange")->statusTip(); }
};

TEST_F(BoxCoxActionTest, ExchangeFindsLambdaAndUndoRestoresEverything) {
    SetNoteWanted(false);
    Reg* m = Open();
    const double coef = m->GetCoef(0);
    ASSERT_TRUE(main_->RunBoxCoxExchange({0, 0, 0, 1}));
    EXPECT_NEAR(state_.Undo().BoxCox().parameter, kLambdaDependentOls, 1e-9);
    EXPECT_TRUE(state_.Undo().BoxCox().done);
    const double l = state_.Undo().BoxCox().parameter;
    for (int i = 0; i < 15; ++i) {
        const double y = kData[3][static_cast<std::size_t>(i)];
        EXPECT_NEAR(m->GetValue(i, 3), (std::pow(y, l) - 1.0) / l, 1e-12 * y);
        EXPECT_EQ(m->GetValue(i, 0), kData[0][static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(Hint(), "ボックス・コックス変換をする (0.3526)");
    EXPECT_EQ(m->GetInfo(), "info");

    main_->Action("UndoEdit")->trigger();
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 15; ++i)
            EXPECT_EQ(m->GetValue(i, j), kData[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)]);
    EXPECT_FALSE(state_.Undo().BoxCox().done);
    EXPECT_EQ(m->GetCoef(0), coef);
    main_->Action("BCExchange")->hover();
    EXPECT_EQ(Hint(), "ボックス・コックス変換をする");
}

TEST_F(BoxCoxActionTest, NoteGoesToTheInformationTextAsItsOwnStep) {
    SetNoteWanted(true);
    Reg* m = Open();
    ASSERT_TRUE(main_->RunBoxCoxExchange({1, 1, 0, 1}));
    // λ of X1, X2 and Y together by ordinary least squares: -0.10558
    EXPECT_EQ(m->GetInfo(), "info" + std::string("BCE(-0.1056;X1,X2,Y)"));
    main_->Action("UndoEdit")->trigger();
    EXPECT_EQ(m->GetInfo(), "info");
    EXPECT_TRUE(state_.Undo().BoxCox().done);
    main_->Action("UndoEdit")->trigger();
    EXPECT_FALSE(state_.Undo().BoxCox().done);
    EXPECT_EQ(m->GetValue(0, 0), 6.25);
}

TEST_F(BoxCoxActionTest, NonPositiveValuesAreRefusedAndNothingChanges) {
    const struct {
        const char* what;
        int variable;
        double value;
        Flags flags;
    } cases[] = {{"zero dependent", 3, 0.0, {0, 0, 0, 1}},
                 {"negative explanatory chosen", 1, -2.0, {0, 1, 0, 0}},
                 {"negative dependent with only an explanatory chosen", 3, -1.0, {0, 1, 0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Columns data = kData;
        data[static_cast<std::size_t>(c.variable)][6] = c.value;
        Reg* m = Open(data);
        ui_.QueueOK();
        EXPECT_FALSE(main_->RunBoxCoxExchange(c.flags));
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].text.find("データ組 7"), std::string::npos) << boxes[0].text;
        EXPECT_EQ(ui_.CallsOf(ServiceCall::ProgressBegin).size(), 0u);
        EXPECT_FALSE(state_.Undo().CanUndo());
        EXPECT_EQ(m->GetValue(6, c.variable), c.value);
    }
}

TEST_F(BoxCoxActionTest, NothingChosenDoesNothing) {
    Open();
    EXPECT_FALSE(main_->RunBoxCoxExchange({0, 0, 0, 0}));
    EXPECT_FALSE(state_.Undo().CanUndo());
    EXPECT_FALSE(state_.Undo().BoxCox().done);
}

TEST_F(BoxCoxActionTest, DialogListsTheExplanatoryVariablesAndSetsFlags) {
    Reg* m = Open();
    TBoxCoxDlg dlg;
    dlg.Prepare(*m, true, 0.5);
    EXPECT_EQ(dlg.stLamda->text(), "0.5000");
    ASSERT_EQ(dlg.lbSetumei->count(), 2);
    EXPECT_EQ(dlg.lbSetumei->item(0)->text(), "X1");
    EXPECT_EQ(dlg.lbSetumei->item(1)->text(), "X2");
    dlg.lbSetumei->setCurrentRow(1);
    QKeyEvent shiftEnter(QEvent::KeyPress, Qt::Key_Return, Qt::ShiftModifier);
    QApplication::sendEvent(dlg.lbSetumei, &shiftEnter);
    QApplication::sendEvent(dlg.cbMokuteki, &shiftEnter);
    dlg.OKBtnClick();
    EXPECT_EQ(dlg.Flags(), (Flags{0, 1, 0, 1}));
    EXPECT_FALSE(dlg.NothingChosen());
    dlg.Prepare(*m, false, 0.0);
    EXPECT_EQ(dlg.stLamda->text(), "");
    dlg.OKBtnClick();
    EXPECT_TRUE(dlg.NothingChosen());
}

TEST_F(BoxCoxActionTest, ActionRunsThroughTheDialog) {
    SetNoteWanted(false);
    Open();
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<TBoxCoxDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->cbMokuteki->setChecked(true);
        dlg->OKBtnClick();
    });
    main_->Action("BCExchange")->trigger();
    EXPECT_NEAR(state_.Undo().BoxCox().parameter, kLambdaDependentOls, 1e-9);
}

// After the action, whichever way it ended, the keyboard is the main
// window's at once: its focus widget (the variable list the run started
// from) takes F9 and Ctrl+B without a click.
TEST_F(BoxCoxActionTest, KeysReachTheMainWindowAfterEveryRoad) {
    SetNoteWanted(false);
    ShownProgressServices shown;
    state_.SetServices(&shown);
    main_->show();
    QApplication::setActiveWindow(main_);
    ASSERT_TRUE(QTest::qWaitForWindowActive(main_));
    int added = 0, exchanged = 0;
    QObject::connect(main_->Action("VARADD"), &QAction::triggered, [&] { ++added; });
    QObject::connect(main_->Action("BCExchange"), &QAction::triggered, [&] { ++exchanged; });
    const struct {
        const char* road;
        bool tiny;       // E12 on GNP, else the kData model
        bool accept;     // else Cancel
        bool dependent;  // the dependent checked
        int searches, messages;
        bool exchanged;
    } roads[] = {{"cancel", false, false, true, 0, 0, false},
                 {"nothing chosen", false, true, false, 0, 0, false},
                 {"refusal", true, true, true, 1, 1, false},
                 {"exchange", false, true, true, 1, 0, true}};
    for (const auto& r : roads) {
        SCOPED_TRACE(r.road);
        r.tiny ? OpenTinyUnits() : Open();
        shown.ClearCalls();
        main_->Pages()->setCurrentIndex(1);
        main_->VariableList()->setFocus();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), main_->VariableList());
        if (r.messages) shown.QueueOK();
        ASSERT_TRUE(WhileModal<TBoxCoxDlg>([&] { main_->Action("BCExchange")->trigger(); },
                                           [&](TBoxCoxDlg& dlg) {
                                               dlg.cbMokuteki->setChecked(r.dependent);
                                               r.accept ? dlg.OKBtnClick() : dlg.reject();
                                           }));
        EXPECT_EQ(shown.CallsOf(ServiceCall::ProgressBegin).size(), static_cast<std::size_t>(r.searches));
        EXPECT_EQ(shown.MessageTexts().size(), static_cast<std::size_t>(r.messages));
        EXPECT_EQ(state_.Undo().CanUndo(), r.exchanged);
        // The activation arrives ahead of the next key; no waiting.
        QApplication::processEvents();
        EXPECT_EQ(QApplication::activeWindow(), main_);
        ASSERT_EQ(QApplication::focusWidget(), main_->VariableList());

        shown.QueueCancel();  // the name of the new variable
        const int addedBefore = added, exchangedBefore = exchanged;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F9);
        EXPECT_EQ(added, addedBefore + 1) << "F9";
        const std::string opened =
            ModalClassClosed([] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier); });
        EXPECT_EQ(opened, "TBoxCoxDlg");
        EXPECT_EQ(exchanged, exchangedBefore + 1) << "Ctrl+B";
    }
    state_.SetServices(&ui_);
}

}  // namespace

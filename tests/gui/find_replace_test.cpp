// Find and replace in the data grid with scripted answers: each scope,
// direction, start and tolerance, the repeat commands, the confirmation of
// each replacement and its undo. Expected cells worked out by hand from the
// table below.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>

#include "app/dialogs/find_dialogs.h"
#include "core/model/regression_model.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace {

struct Settings {
    Settings(std::string v, int sc = 0, std::string ch = {}, bool back = false, int st = 0, std::string rep = {})
        : value(std::move(v)), scope(sc), choice(std::move(ch)), backward(back), start(st), replacement(std::move(rep)) {}
    std::string value;
    int scope = 0;  // 0 all, 1 one variable, 2 one group
    std::string choice;  // variable name or group number
    bool backward = false;
    int start = 0;  // 0 first, 1 current, 2 last
    std::string replacement;
};

class FindReplaceTest : public StartedWindows {
protected:
    FindReplaceTest() : StartedWindows("find") {
        //        X         Y          Z
        // 1      1         100.00001  0
        // 2      2.5       10.4       3
        // 3      100.0001  9.5        1e-16
        // 4      1         10.6       2
        auto model = MakeModel({{1, 2.5, 100.0001, 1}, {100.00001, 10.4, 9.5, 10.6}, {0, 3, 1e-16, 2}}, {},
                               {"X", "Y", "Z"});
        SaveAs(*model, dir_.Path("f.MDF"));
        main_->OpenAndRemember(dir_.Path("f.MDF"));
        model_ = state_.Model();
        ui_.ClearCalls();
    }
    // The dialog filled with s and confirmed (or cancelled).
    template <class D>
    void Fill(D& d, const Settings& s, bool ok) {
        d.eValue->setText(QString::fromStdString(s.value));
        QRadioButton* scopes[] = {d.rbAllData, d.rbVar, d.rbGroup};
        scopes[s.scope]->click();
        if (s.scope == 1) d.cbVar->setCurrentText(QString::fromStdString(s.choice));
        if (s.scope == 2) d.cbGroup->setCurrentText(QString::fromStdString(s.choice));
        (s.backward ? d.rbBackward : d.rbForward)->setChecked(true);
        QRadioButton* starts[] = {d.rbFromFirst, d.rbFromCurrent, d.rbFromLast};
        starts[s.start]->setChecked(true);
        if constexpr (std::is_same_v<D, TfrmReplace>) d.eReplace->setText(QString::fromStdString(s.replacement));
        if (ok)
            d.btnOkClick();
        else
            d.btnCancel->click();
    }
    template <class D>
    void RunDialog(const char* action, const Settings& s, bool ok = true,
                   const std::function<void(D&)>& before = {}, const std::function<void(D&)>& after = {}) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            shown = true;
            if (before) before(*d);
            Fill(*d, s, ok);
            if (after) after(*d);
            if (d->isVisible()) d->done(mrCancel);
        });
        main_->Action(action)->trigger();
        EXPECT_TRUE(shown);
    }
    // The grid's cursor as (observation, variable), 1-based as shown.
    std::pair<int, int> Cursor() const { return {main_->EditGrid()->Row(), main_->EditGrid()->Col()}; }
    void Place(int observation, int variable) { main_->EditGrid()->SetCurrentCell(variable, observation); }

    Reg* model_ = nullptr;
};

using Cell = std::pair<int, int>;

TEST_F(FindReplaceTest, FindOverEachScopeDirectionStartAndTolerance) {
    model_->SetMark(1, 1, 0x0002);   // Y[2] in group 2
    model_->SetMark(3, 1, 0x8004);   // Y[4] in groups 3 and 16
    model_->SetMark(2, 0, 0x0002);   // X[3] in group 2
    struct Case {
        const char* what;
        Settings s;
        Cell cursor;    // before the command
        Cell expected;  // the cursor after it (unchanged when nothing is found)
    };
    const Case cases[] = {
        {"range, ends in either order", {"[3,2]"}, {1, 1}, {2, 1}},
        {"range backward from the last", {"[3,2]", 0, "", true, 2}, {1, 1}, {4, 3}},
        {"tolerance", {"{10,0.5}"}, {1, 1}, {2, 2}},
        {"tolerance backward from the last", {"{10,0.5}", 0, "", true, 2}, {1, 1}, {3, 2}},
        {"centre alone: 9.9e-05", {"{10}"}, {1, 1}, {1, 1}},
        {"one value, relative 1e-7", {"100"}, {3, 3}, {1, 2}},
        {"zero within 2.2e-16, backward", {"0", 0, "", true, 2}, {1, 1}, {3, 3}},
        {"empty value: exactly 0, backward", {"", 0, "", true, 2}, {1, 1}, {1, 3}},
        {"backward from the first examines nothing", {"[3,2]", 0, "", true, 0}, {2, 2}, {2, 2}},
        {"forward from the last examines nothing", {"2", 0, "", false, 2}, {2, 2}, {2, 2}},
        {"from the cursor", {"[3,2]", 0, "", false, 1}, {2, 2}, {2, 3}},
        {"from the cursor backward", {"[3,2]", 0, "", true, 1}, {2, 2}, {2, 1}},
        {"one variable", {"[2,3]", 1, "Z"}, {1, 1}, {2, 3}},
        {"one variable from the cursor in another column", {"[9,11]", 1, "Y", false, 1}, {4, 1}, {4, 2}},
        {"one variable from the cursor, backward", {"[9,11]", 1, "Y", true, 1}, {3, 1}, {3, 2}},
        {"group 2", {"[9,11]", 2, "2"}, {1, 1}, {2, 2}},
        {"group 16", {"[9,11]", 2, "16"}, {1, 1}, {4, 2}},
        {"group 3 backward", {"[9,11]", 2, "3", true, 2}, {1, 1}, {4, 2}},
    };
    for (const Case& c : cases) {
        Place(c.cursor.first, c.cursor.second);
        RunDialog<TfrmFind>("FindData", c.s);
        EXPECT_EQ(Cursor(), c.expected) << c.what;
    }
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(FindReplaceTest, GroupListOffersTheGroupsInUse) {
    model_->SetMark(3, 1, 0x8004);
    RunDialog<TfrmFind>("FindData", {"1", 2, "3"}, false, [](TfrmFind& d) {
        d.rbGroup->click();
        ASSERT_EQ(d.cbGroup->count(), 2);
        EXPECT_EQ(d.cbGroup->itemText(0), "3");
        EXPECT_EQ(d.cbGroup->itemText(1), "16");
        EXPECT_FALSE(d.cbVar->isEnabled());
        d.rbVar->click();
        EXPECT_EQ(d.cbVar->count(), 3);
        EXPECT_FALSE(d.cbGroup->isEnabled());
    });
}

TEST_F(FindReplaceTest, RepeatGoesOnFromTheLastCellFound) {
    Place(1, 1);
    RunDialog<TfrmFind>("FindData", {"[9,11]"});
    std::vector<Cell> seen{Cursor()};
    for (int r = 0; r < 3; ++r) {
        main_->Action("FindNext")->trigger();
        seen.push_back(Cursor());
    }
    EXPECT_EQ(seen, (std::vector<Cell>{{2, 2}, {3, 2}, {4, 2}, {4, 2}}));
    // The repeat starts from wherever the cursor now stands.
    Place(2, 3);
    main_->Action("FindNext")->trigger();
    EXPECT_EQ(Cursor(), Cell(3, 2));
}

TEST_F(FindReplaceTest, RepeatBeforeAnySearchDoesNothing) {
    Place(2, 2);
    main_->Action("FindNext")->trigger();
    main_->Action("ReplaceNext")->trigger();
    EXPECT_EQ(Cursor(), Cell(2, 2));
    EXPECT_TRUE(ui_.Calls().empty());
}

TEST_F(FindReplaceTest, CancelledDialogAndBadValue) {
    Place(1, 1);
    RunDialog<TfrmFind>("FindData", {"[9,11]"}, false);
    EXPECT_EQ(Cursor(), Cell(1, 1));
    // An error in the value is shown and the dialog stays open.
    bool stayed = false;
    ui_.QueueOK();
    RunDialog<TfrmFind>("FindData", {"[1,nosuch]"}, true, {}, [&](TfrmFind& d) { stayed = d.isVisible(); });
    EXPECT_TRUE(stayed);
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    EXPECT_EQ(Cursor(), Cell(1, 1));
}

TEST_F(FindReplaceTest, ReplaceAsksForEachCellAndEachReplacementUndoes) {
    Place(1, 1);
    ui_.QueueYes();
    RunDialog<TfrmReplace>("ReplaceData", {"[9,11]", 0, "", false, 0, "@@*2"});
    EXPECT_EQ(Cursor(), Cell(2, 2));
    EXPECT_DOUBLE_EQ(model_->GetValue(1, 1), 20.8);
    // The input box shows the new value, so Enter does not write back the old.
    EXPECT_EQ(main_->InputBox()->currentText().toStdString(), "20.8");
    ui_.QueueNo();
    main_->Action("ReplaceNext")->trigger();
    EXPECT_EQ(Cursor(), Cell(3, 2));
    EXPECT_DOUBLE_EQ(model_->GetValue(2, 1), 9.5);
    ui_.QueueYes();
    main_->Action("ReplaceNext")->trigger();
    EXPECT_DOUBLE_EQ(model_->GetValue(3, 1), 21.2);
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "置換しますか？\n10.4000 ---> 20.8000");
    EXPECT_EQ(boxes[1].text, "置換しますか？\n9.5000 ---> 19.0000");
    EXPECT_EQ(boxes[0].value, static_cast<long>(mbYesNo));
    // Nothing left in range: no question.
    main_->Action("ReplaceNext")->trigger();
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 3u);

    ASSERT_TRUE(state_.Undo().Undo(*model_));
    EXPECT_DOUBLE_EQ(model_->GetValue(3, 1), 10.6);
    EXPECT_DOUBLE_EQ(model_->GetValue(1, 1), 20.8);
    ASSERT_TRUE(state_.Undo().Undo(*model_));
    EXPECT_DOUBLE_EQ(model_->GetValue(1, 1), 10.4);
    EXPECT_FALSE(state_.Undo().CanUndo());
}

TEST_F(FindReplaceTest, ReplaceInOneVariableBackwardWithAPlainValue) {
    Place(4, 1);
    ui_.QueueYes();
    RunDialog<TfrmReplace>("ReplaceData", {"1", 1, "X", true, 1, "7"});
    EXPECT_EQ(Cursor(), Cell(4, 1));
    EXPECT_EQ(model_->GetValue(3, 0), 7.0);
    ui_.QueueYes();
    main_->Action("ReplaceNext")->trigger();
    EXPECT_EQ(Cursor(), Cell(1, 1));
    EXPECT_EQ(model_->GetValue(0, 0), 7.0);
    EXPECT_EQ(model_->GetValue(1, 0), 2.5);
}

TEST_F(FindReplaceTest, FailingReplacementKeepsTheOldValue) {
    Place(1, 1);
    ui_.QueueOK();   // the evaluation error
    ui_.QueueYes();  // the confirmation shows no change
    RunDialog<TfrmReplace>("ReplaceData", {"2.5", 0, "", false, 0, "nosuch*2"});
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "置換しますか？\n2.5000 ---> 2.5000");
    EXPECT_EQ(model_->GetValue(1, 0), 2.5);
    EXPECT_FALSE(state_.Undo().CanUndo());
}

}  // namespace

// The stepwise selection dialog, offscreen: opened from the main window's
// command, a forced-in name moved, run and applied; then what only the
// dialog decides (limits read as formulas, a limit that does not evaluate
// keeps the dialog and the model). The chosen
// variables are the engine's own, read by one call.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "components/view/numeric_field.h"
#include "core/model/regression_model.h"
#include "estimators/stepwise_selection.h"
#include "estimators/ui/auto_select_dialog.h"
#include "started_windows.h"
#include "support/model_builder.h"

namespace {

std::vector<std::string> Items(const QListWidget* list) {
    std::vector<std::string> names;
    for (int i = 0; i < list->count(); ++i) names.push_back(list->item(i)->text().toStdString());
    return names;
}

void Select(QListWidget* list, const QString& name) {
    const auto found = list->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    list->setCurrentItem(found.front());
}

class AutoSelectDialogTest : public StartedWindows {
protected:
    AutoSelectDialogTest() : StartedWindows("autosel") {}

    // Y depends on X1 and X3; X2 is noise. Y on X2 to start with.
    Reg* Open() {
        auto model = MakeModel({{1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                                {3, 1, 4, 1, 5, 9, 2, 6, 5, 3},
                                {2, 7, 1, 8, 2, 8, 1, 8, 2, 8},
                                {5.1, 10.9, 8.2, 14.8, 12.1, 18.9, 15.2, 21.8, 19.1, 26.2}},
                               {}, {"X1", "X2", "X3", "Y"});
        SaveAs(*model, dir_.Path("autosel.MDF"));
        main_->OpenAndRemember(dir_.Path("autosel.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(3);
        EXPECT_TRUE(m->ToggleVariable(1));
        main_->Action("mnuSelectView")->trigger();
        ui_.ClearCalls();
        return m;
    }
    std::vector<int> Explanatory(const Reg& m) {
        std::vector<int> in;
        for (int j = 0; j < m.GetVarCount(); ++j)
            if (m.IsExplanatory(j)) in.push_back(j);
        return in;
    }
};

TEST_F(AutoSelectDialogTest, WiringOpenFromCommandForceInRunApply) {
    Reg* m = Open();
    StepwiseOptions options;
    options.forcedIn = {"X2"};
    const StepwiseResult expected = RunStepwiseSelection(*m, options);
    QPushButton* command = main_->EstimateButton("btnAutoSel");
    ASSERT_TRUE(command && command->isEnabled());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TAutoSelectDlg*>(QApplication::activeModalWidget());
        ASSERT_TRUE(d);
        seen = true;
        EXPECT_EQ(Items(d->lbVar), (std::vector<std::string>{"X1", "X2", "X3"}));
        EXPECT_EQ(d->eFIn2->text(), "2.0");
        Select(d->lbVar, "X2");
        d->btnAddAdopt->click();
        EXPECT_EQ(Items(d->lbAdoption), (std::vector<std::string>{"X2"}));
        EXPECT_EQ(Items(d->lbVar), (std::vector<std::string>{"X1", "X3"}));
        d->OKBtn->click();
    });
    command->click();
    ASSERT_TRUE(seen);
    EXPECT_EQ(Explanatory(*m), expected.chosen);
    EXPECT_EQ(m->GetDependent(), 3);
}

TEST_F(AutoSelectDialogTest, LimitsAreFormulasAndABadOneKeepsDialogAndModel) {
    Reg* m = Open();
    TAutoSelectDlg d{WindowContext(state_)};
    ASSERT_TRUE(d.Prepare(m));
    Select(d.lbVar, "X1");
    d.btnAddElimClick();
    EXPECT_EQ(Items(d.lbElimination), (std::vector<std::string>{"X1"}));
    // A limit so high that nothing enters in the second stage.
    d.eFIn2->setText("10^6");
    d.eFOut2->setText("10^6");
    d.eFIn1->setText("(");
    ui_.QueueOK();
    d.OKBtnClick();
    EXPECT_EQ(d.result(), 0);
    EXPECT_EQ(Explanatory(*m), std::vector<int>{1});
    d.eFIn1->setText("1/5");
    d.OKBtnClick();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_TRUE(Explanatory(*m).empty());
}

}  // namespace

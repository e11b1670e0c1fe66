// The restricted regression window opened from the main window's menu: the
// initial restriction and a typed one against the engine, what Enter in
// the restriction grid takes and refuses, adding, deleting and failing
// fits, the group and variable choices, the prediction dialog's request
// and the equation added with one undo step only when identified.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include "components/view/window_registry.h"
#include "core/data/equation.h"
#include "core/model/regression_model.h"
#include "core/report/result_table.h"
#include "core/text/number_format.h"
#include "estimators/prediction_request.h"
#include "estimators/restricted.h"
#include "estimators/ui/restricted_window.h"
#include "platform/qt/string_grid.h"
#include "modal_window.h"
#include "request_probe.h"
#include "started_windows.h"
#include "support/nearly_collinear_sample.h"
#include "support/sample_columns.h"

namespace {

using Strings = std::vector<std::string>;

const char* const kFailed = "制約付き推定に失敗しました。制約式を確認してください。";

class RestrictedWindowTest : public StartedWindows {
protected:
    RestrictedWindowTest() : StartedWindows("rreg") {}

    // VAR3 on VAR0 .. VAR2 of the nearly collinear sample, with these types.
    Reg* Open(std::vector<int> types = {2, 2, 2, 1}, const Columns& columns = NearlyCollinearColumns()) {
        SaveAs(*MakeModel(columns, types), dir_.Path("rreg.MDF"));
        main_->OpenAndRemember(dir_.Path("rreg.MDF"));
        Reg* m = state_.Model();
        EXPECT_TRUE(m->SetModel(3, {2, 2, 2, 1}));
        ui_.ClearCalls();
        return m;
    }
    // The window the menu command fills, kept unshown for the handlers.
    TfrmRREG* Launch() {
        return kept_.Keep([this] { main_->Action("mnuRest")->trigger(); });
    }
    // Types text into cell (c, r) and presses Enter there.
    static void Type(TfrmRREG& w, int c, int r, const char* text) {
        w.sgTable->SetCell(c, r, text);
        w.CommitCell(c, r);
    }

    KeptWindow<TfrmRREG> kept_{"TfrmRREG", RegisterRestrictedWindow};
};

// b1 + b2 = 8/5 in the grid's first restriction, each cell with Enter.
void TypeSumRestriction(TfrmRREG& w) {
    const char* column[] = {"8/5", "0", "1", "1", "0"};
    for (int r = 1; r <= 5; ++r) {
        w.sgTable->SetCell(3, r, column[r - 1]);
        w.sgTable->SetCurrentCell(3, r);
        emit w.sgTable->KeyDown(Qt::Key_Return, Qt::NoModifier);
    }
}

TEST_F(RestrictedWindowTest, OpensFromTheMenuWithTheInitialRestrictionAndFitsATypedOne) {
    Reg* model = Open();
    QAction* command = main_->Action("mnuRest");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text().toStdString(), "線形制約(&L)");
    ASSERT_TRUE(command->isEnabled());
    QString caption;
    const bool opened = WhileModal<TfrmRREG>([command] { command->trigger(); }, [&](TfrmRREG& w) {
        Restricted engine(*model, 0, {1, 1, 1, 1}, "VAR3");
        EXPECT_EQ(w.sgTable->Cell(0, 0).toStdString(), "VAR3");
        EXPECT_EQ(w.sgTable->Cell(1, 2).toStdString(), NumberCell(engine.GetUnrestrictedCoefficient(0)).Shown());
        EXPECT_EQ(w.stF0->text().toStdString(), "0");

        TypeSumRestriction(w);
        w.btnRestrict->click();
        engine.SetRestrictionCoefficient(0, 0, 0.0);
        engine.SetRestrictionCoefficient(0, 1, 1.0);
        engine.SetRestrictionCoefficient(0, 2, 1.0);
        engine.SetRestrictionValue(0, 1.6);
        ASSERT_TRUE(engine.Estimate());
        EXPECT_EQ(w.sgTable->Cell(1, 3).toStdString(), NumberCell(engine.GetCoefficient(1)).Shown());
        EXPECT_EQ(w.stF0->text().toStdString(), NumberCell(engine.F()).Shown());

        // The adjusted R^2 stays chosen for the next opening.
        w.stR_R2Click();
        caption = w.lblR_R2->text();
        w.Exitence->trigger();
    });
    ASSERT_TRUE(opened);
    TfrmRREG* again = Launch();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->lblR_R2->text(), caption);
    again->stR_R2Click();
    again->close();
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

TEST_F(RestrictedWindowTest, EnterTakesOnlyRestrictionCells) {
    Open();
    TfrmRREG* w = Launch();
    ASSERT_NE(w, nullptr);
    const Restricted& e = *w->Estimator();
    const double b0 = e.GetRestrictionValue(0);
    const struct {
        int c, r;
        const char* text;
        double value, coef0;  // r[0] and R[0][0] afterwards
        bool error;
    } cases[] = {
        {3, 1, "2*3", 6.0, 1.0, false},   // the value row
        {3, 2, "-1", 6.0, -1.0, false},   // a coefficient row
        {2, 2, "5", 6.0, -1.0, false},    // the standard-error column
        {3, 0, "5", 6.0, -1.0, false},    // the heading row
        {4, 2, "5", 6.0, -1.0, false},    // right of the last restriction
        {3, 6, "5", 6.0, -1.0, false},    // below the constant term's row
        {3, 2, "1+", 6.0, -1.0, true},    // an expression that fails
    };
    EXPECT_NE(b0, 6.0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.error) ui_.QueueOK();
        Type(*w, c.c, c.r, c.text);
        EXPECT_EQ(e.GetRestrictionValue(0), c.value);
        EXPECT_EQ(e.GetRestrictionCoefficient(0, 0), c.coef0);
        EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), c.error ? 1u : 0u);
        ui_.ClearCalls();
    }
    // The failed text gives way to the value the restriction kept.
    EXPECT_EQ(w->sgTable->Cell(3, 2).toStdString(), "-1.0000");
    w->close();
}

TEST_F(RestrictedWindowTest, AddDeleteAndFitsThatFail) {
    Open();
    TfrmRREG* w = Launch();
    ASSERT_NE(w, nullptr);
    const Restricted* e = w->Estimator();
    w->btnRDel->click();  // the only restriction stays, nothing asked
    EXPECT_EQ(e->M(), 1);
    EXPECT_TRUE(ui_.Calls().empty());

    // A second restriction of zeros: the fit fails and says so; the figures stay.
    w->btnRAdd->click();
    EXPECT_EQ(w->sgTable->ColCount(), 5);
    EXPECT_EQ(w->sgTable->Cell(4, 0).toStdString(), "制約2");
    const QString f = w->stF0->text();
    ui_.QueueOK();
    w->btnRestrict->click();
    EXPECT_EQ(ui_.MessageTexts(), Strings{kFailed});
    EXPECT_EQ(w->stF0->text(), f);
    ui_.ClearCalls();

    // Never more restrictions than coefficients.
    for (int i = 0; i < 2; ++i) w->btnRAdd->click();
    ui_.QueueOK();
    w->btnRAdd->click();
    EXPECT_EQ(e->M(), 4);
    EXPECT_EQ(ui_.MessageTexts(), Strings{"制約式の数が係数の数を超えます。"});
    ui_.ClearCalls();

    // Deleting by number: out of range does nothing; then down to one.
    ui_.QueueInput("7");
    w->btnRDel->click();
    EXPECT_EQ(e->M(), 4);
    for (int m = 4; m > 1; --m) {
        ui_.QueueInput(std::to_string(m));
        if (m > 2) ui_.QueueOK();  // zero rows still fail
        w->btnRDel->click();
        EXPECT_EQ(e->M(), m - 1);
    }
    EXPECT_EQ(w->stF0->text().toStdString(), "0");
    EXPECT_EQ(w->sgTable->ColCount(), 4);
    w->close();
}

TEST_F(RestrictedWindowTest, GroupAndVariableChoicesRebuildTheFit) {
    Reg* model = Open();
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j) model->SetMark(i, j, 0x1);
    TfrmRREG* w = Launch();
    ASSERT_NE(w, nullptr);
    auto ticking = [](std::vector<int> rows) {
        return [rows](TfrmSelector& s) {
            for (int r : rows) s.lbList->item(r)->setCheckState(Qt::Checked);
            return static_cast<int>(QDialog::Accepted);
        };
    };
    // Group 1 with VAR3 as the dependent.
    w->SetSelectorRunner(ticking({1}));
    ui_.QueueInput("VAR3");
    w->GroupingExecute();
    EXPECT_EQ(w->Estimator()->N(), 8);
    EXPECT_EQ(w->Estimator()->K(), 4);
    // Only VAR1 of the three offered.
    w->SetSelectorRunner(ticking({1}));
    w->VarSelExecute();
    EXPECT_EQ(w->Estimator()->K(), 2);
    EXPECT_EQ(w->Estimator()->GetName(0), "VAR1");
    EXPECT_EQ(w->sgTable->RowCount(), 4);
    // Initialising takes every variable again.
    w->btnSetup->click();
    EXPECT_EQ(w->Estimator()->K(), 4);
    w->close();
}

// The restricted fit's ends, worked out in exact fractions.
TEST_F(RestrictedWindowTest, EachPlotHandsTheRestrictedFitsSeries) {
    Open();
    TfrmRREG* w = Launch();
    ASSERT_NE(w, nullptr);
    TypeSumRestriction(*w);
    w->btnRestrict->click();
    std::vector<GraphSeen> seen;
    auto probe = ProbeGraphs(seen);
    const double fit0 = 3.6369082835201213, fitLast = 20.682647056202505;
    const double z0 = 0.96799503908410053, zLast = 0.71516188257767081;
    const double e0 = 0.46309171647987867, eLast = 0.31735294379749543;
    const std::vector<PlotCase> plots = {
            {w->EYPlot, nullptr, "予測値", "標準化残差", {12, fit0, fitLast, z0, zLast}},
            {w->ETPlot, nullptr, "時間", "標準化残差", {12, 1, 12, z0, zLast}},
            {w->EXPlot, "VAR1", "VAR1", "標準化残差", {12, 1.0, 11.8, z0, zLast}},
            {w->LRPlot, nullptr, "残差平方", "作用点",
             {12, 0.071818032603546795, 0.033727530287711537, 0.310189580433323, 0.40650326717298751}},
            {w->EEPlot, nullptr, "e(i)", "e(i-1)", {11, 0.49487725207330608, eLast, e0, 0.56904436530723871}},
            {w->pmEELag->actions()[1], nullptr, "e(i)", "e(i-3)", {9, 0.399520348416245, eLast, e0, -0.582926247311206}},
            {w->YYPlot, nullptr, "予測値", "観測値", {12, fit0, fitLast, 4.1, 21.0}},
    };
    ExpectPlots(plots, ui_, seen, 1e-9);
    w->close();
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

TEST_F(RestrictedWindowTest, PredictionOpensWithTheRestrictedFit) {
    Open();
    std::vector<PredictionModel> opened;
    ScopedAnalysisWindow fake("TfrmPredict", [&opened](const WindowContext&) {
        struct Fake : RequestWindow<PredictionRequest> {
            explicit Fake(std::vector<PredictionModel>& o) : out(o) {}
            bool Fill(const PredictionRequest& r) override {
                out.push_back(r.model);
                return false;
            }
            int ShowModal() override { return 0; }
            std::vector<PredictionModel>& out;
        };
        return std::make_unique<Fake>(opened);
    });
    TfrmRREG* w = Launch();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->btnPred->isEnabled());
    w->btnPred->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].coef, w->Estimator()->ForPrediction().coef);
    w->close();
}

TEST_F(RestrictedWindowTest, ARegressorThatRepeatsTheOthersWarnsOnce) {
    // VAR2 = VAR0 + VAR1 + a few 1e-5.
    const Columns& cols = kNearlyCollinearColumns;
    Open({2, 2, 2, 1}, cols);
    ui_.QueueOK();
    TfrmRREG* w = Launch();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(ui_.MessageTexts(), Strings{"桁落ちが存在します。"});
    w->close();
}

TEST_F(RestrictedWindowTest, TheEquationIsAddedOnlyWhenIdentifiedWithOneUndoStep) {
    const struct {
        std::vector<int> types;
        bool excludeVar1;  // restriction b(VAR1) = 0
        bool added;
        bool warned;
    } cases[] = {
        {{2, 2, 2, 1}, false, true, false},   // exogenous regressors only
        {{1, 2, 2, 1}, false, false, true},   // an endogenous regressor, nothing excluded
        {{1, 2, 2, 1}, true, true, false},    // ... and one exogenous excluded
        {{2, 2, 2, 2}, false, false, false},  // an exogenous dependent: nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.types[0]) + (c.excludeVar1 ? " excluding VAR1" : ""));
        Reg* model = Open(c.types);
        TfrmRREG* w = Launch();
        ASSERT_NE(w, nullptr);
        if (c.excludeVar1) {
            const char* column[] = {"0", "0", "1", "0", "0"};
            for (int r = 1; r <= 5; ++r) Type(*w, 3, r, column[r - 1]);
            w->btnRestrict->click();
        }
        if (c.warned) ui_.QueueYes();
        const int before = model->Expressions().GetCount();
        w->AddExpres->trigger();
        EXPECT_EQ(model->Expressions().GetCount(), before + (c.added ? 1 : 0));
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), c.warned ? 1u : 0u);
        if (c.warned) {
            EXPECT_EQ(boxes[0].text, "識別不能状態です。");
        }
        if (c.added) {
            main_->Action("UndoEdit")->trigger();
            EXPECT_EQ(model->Expressions().GetCount(), before);
        }
        w->close();
        QApplication::processEvents();
        ui_.ClearCalls();
    }
}

}  // namespace

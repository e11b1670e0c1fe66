// The ridge regression window from the main window's menu: a cell and the
// constant against the engine, typed constants (0 and 1 taken, values
// outside [0, 1] ignored) and the reset, the prediction, the variable and
// group choices and the equation with one undo step; on a table: no group
// choice, the fit handed over on closing, a single regressor predicting
// nothing and a fit that cannot be had or is refused opening nothing; the
// actions' captions and keys; the residual page and plots at constant 0; a
// model leaving out a variable fits its own variables; a refused fit said
// with the fit before kept on every page; a constant typed after scrolling
// the residuals shows them anew from the first row.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

#include "components/view/result_grid.h"
#include "core/data/equation.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "core/report/result_table.h"
#include "core/text/float_format.h"
#include "core/text/number_format.h"
#include "estimators/ridge.h"
#include "estimators/ui/ridge_window.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"
#include "grid_rows.h"
#include "modal_window.h"
#include "painted_grid.h"
#include "request_probe.h"
#include "started_windows.h"
#include "support/sample_columns.h"

namespace {

class RidgeWindowTest : public StartedWindows {
protected:
    RidgeWindowTest() : StartedWindows("ridge") {}

    // VAR3 on VAR0 .. VAR2 of the nearly collinear sample.
    Reg* Open(std::vector<int> types = {2, 2, 2, 1}) {
        SaveAs(*MakeModel(NearlyCollinearColumns(), types), dir_.Path("ridge.MDF"));
        main_->OpenAndRemember(dir_.Path("ridge.MDF"));
        Reg* m = state_.Model();
        EXPECT_TRUE(m->SetModel(3, {2, 2, 2, 1}));
        ui_.ClearCalls();
        return m;
    }
    // The window the menu command fills, kept unshown for the handlers.
    TfrmRidge* Launch() {
        return kept_.Keep([this] { main_->Action("mnuRidge")->trigger(); });
    }
    // A table of columns of the data (the sample unless given), the last one
    // the dependent.
    std::unique_ptr<TNamedData> Table(const std::vector<int>& columns, const Columns& data = NearlyCollinearColumns()) {
        const int n = static_cast<int>(data[0].size());
        auto t = std::make_unique<TNamedData>(state_.Context(), n, static_cast<int>(columns.size()));
        for (std::size_t c = 0; c < columns.size(); ++c) {
            t->SetColumnName(static_cast<int>(c), "C" + std::to_string(c));
            for (int i = 0; i < n; ++i)
                t->SetValue(i, static_cast<int>(c), data[static_cast<std::size_t>(columns[c])][static_cast<std::size_t>(i)]);
        }
        return t;
    }


    KeptWindow<TfrmRidge> kept_{"TfrmRidge", RegisterRidgeWindow};
};

TEST_F(RidgeWindowTest, OpensFromTheMenuAndRefitsAtTypedConstants) {
    Reg* model = Open();
    QAction* command = main_->Action("mnuRidge");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text().toStdString(), "リッジ回帰(&R)");
    TfrmRidge* w = Launch();
    ASSERT_NE(w, nullptr);

    Ridge engine(*model, 0, {1, 1, 1, 1}, "VAR3");
    ASSERT_TRUE(engine.Calculate());
    EXPECT_EQ(w->sgEst->Cell(1, 2).toStdString(), NumberCell(engine.GetCoef(0), true).Shown());
    EXPECT_EQ(w->sgRes->Cell(2, 1).toStdString(), NumberCell(engine.GetResult(1, 0)).Shown());
    const std::string automatic = FormatFloat("0.00000", engine.K());
    EXPECT_EQ(w->stOpt->text().toStdString(), automatic);

    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {{"0", "0.00000"}, {"1", "1.00000"}, {"1.5", "1.00000"}, {"-0.1", "1.00000"}, {"1/4", "0.25000"}};
    for (const auto& c : cases) {
        ui_.QueueInput(c.typed);
        w->stOptClick();
        EXPECT_EQ(w->stOpt->text().toStdString(), c.shown) << c.typed;
    }
    w->ResetRidge->trigger();
    EXPECT_EQ(w->stOpt->text().toStdString(), automatic);

    // The prediction at typed values; an empty cell is 0.
    w->sgVList->SetCell(1, 1, "2");
    w->sgVList->SetCell(1, 2, "1+2");
    w->btnCalc->click();
    const double x[] = {2.0, 3.0, 0.0};
    EXPECT_EQ(w->Prediction(), engine.Predict(x));
    EXPECT_EQ(w->stPred->text().toStdString(), FormatNumber(false, engine.Predict(x)));
    w->OptExit->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(RidgeWindowTest, VariableAndGroupChoices) {
    Reg* model = Open();
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j) model->SetMark(i, j, 0x1);
    TfrmRidge* w = Launch();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->ActiveGroup->isVisible());
    auto ticking = [](std::vector<int> rows) {
        return [rows](TfrmSelector& s) {
            for (int r : rows) s.lbList->item(r)->setCheckState(Qt::Checked);
            return static_cast<int>(QDialog::Accepted);
        };
    };
    w->SetSelectorRunner(ticking({0, 2}));
    w->VarSel->trigger();
    ASSERT_EQ(w->Estimator()->P(), 2);
    EXPECT_EQ(w->Estimator()->GetName(1), "VAR2");
    EXPECT_EQ(w->sgEst->Cell(0, 3).toStdString(), "VAR2");

    w->SetSelectorRunner(ticking({1}));
    ui_.QueueInput("VAR3");
    w->ActiveGroup->trigger();
    EXPECT_EQ(w->Estimator()->N(), 8);
    EXPECT_EQ(w->Estimator()->P(), 3);
    // Cancelled: everything stays.
    w->SetSelectorRunner([](TfrmSelector&) { return static_cast<int>(QDialog::Rejected); });
    w->ActiveGroup->trigger();
    EXPECT_EQ(w->Estimator()->N(), 8);
    w->close();
}

TEST_F(RidgeWindowTest, TheEquationIsAddedForAnEndogenousDependentOnly) {
    for (const int depType : {1, 2, 3, 0}) {
        SCOPED_TRACE(depType);
        Reg* model = Open({2, 2, 2, depType});
        TfrmRidge* w = Launch();
        ASSERT_NE(w, nullptr);
        const int before = model->Expressions().GetCount();
        w->AddToExpres->trigger();
        EXPECT_EQ(model->Expressions().GetCount(), before + (depType == 1 ? 1 : 0));
        if (depType == 1) {
            EXPECT_GE(model->Expressions().IndexOf("VAR3"), 0);
            main_->Action("UndoEdit")->trigger();
            EXPECT_EQ(model->Expressions().GetCount(), before);
        }
        w->close();
        QApplication::processEvents();
    }
}

TEST_F(RidgeWindowTest, OnATableTheFitIsHandedOverAndGroupsAreNotOffered) {
    Open();
    auto table = Table({0, 1, 2, 3});
    std::vector<double> handed;
    int calls = 0;
    RidgeRequest request{nullptr, table.get(), 3, [&](const Ridge& r) {
                             ++calls;
                             handed.assign(static_cast<std::size_t>(r.N()), 0.0);
                             r.ReadResultRow(1, handed.data());
                         }};
    TfrmRidge w{WindowContext(state_)};
    ASSERT_TRUE(w.Fill(WindowRequest(request)));
    EXPECT_TRUE(w.isModal());
    EXPECT_FALSE(w.ActiveGroup->isVisible());
    EXPECT_FALSE(w.ActiveGroup->isEnabled());
    Ridge engine(*table, 3);
    ASSERT_TRUE(engine.Calculate());
    w.done(QDialog::Rejected);
    w.done(QDialog::Rejected);
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(handed.size(), 12u);
    EXPECT_EQ(handed[5], engine.GetResult(1, 5));
}

TEST_F(RidgeWindowTest, ASingleRegressorPredictsNothingAndAnUnusableFitOpensNothing) {
    Open();
    auto one = Table({0, 3});
    TfrmRidge w{WindowContext(state_)};
    ASSERT_TRUE(w.Fill(WindowRequest(RidgeRequest{nullptr, one.get(), 1, {}})));
    w.sgVList->SetCell(1, 1, "5");
    w.btnCalc->click();
    EXPECT_EQ(w.Prediction(), 0.0);

    // The same column twice: no least-squares fit, so no ridge fit; a fit
    // whose standard error is no finite number is refused.
    const struct {
        std::unique_ptr<TNamedData> table;
        const char* box;
    } cases[] = {{Table({0, 0, 3}), "リッジ回帰の計算ができません。"},
                 {Table({0, 2, 3}, NearTopOfDoubleColumns()), "変数 C0 の係数または標準誤差が有限の数値になりません。"}};
    for (const auto& c : cases) {
        ui_.ClearCalls();
        TfrmRidge refused{WindowContext(state_)};
        ui_.QueueOK();
        EXPECT_FALSE(refused.Fill(WindowRequest(RidgeRequest{nullptr, c.table.get(), 2, {}})));
        EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{c.box});
    }
}

TEST_F(RidgeWindowTest, ActionsKeepTheirCaptionsHintsAndKeys) {
    Open();
    TfrmRidge w{WindowContext(state_)};
    const struct {
        QAction* action;
        const char *caption, *hint, *keys;
    } cases[] = {
            {w.OptExit, "終了(&X)", "終了", "Ctrl+X"},     {w.ActiveGroup, "グループ", "使用するグループを設定", "Ctrl+Alt+G"},
            {w.VarSel, "変数選択", "変数選択", "Ctrl+Alt+S"}, {w.RPlotCS, "e-y", "残差プロット(&C)", "Ctrl+Alt+C"},
            {w.RPlotTS, "e-t", "残差時系列(&T)", "Ctrl+Alt+T"}, {w.NPlot, "統計量", "正規プロット(&N)", "Ctrl+Alt+N"},
            {w.EEPlot, "e-e", "Ｅ・Ｅ-1プロット(&E)", "Ctrl+Alt+E"}, {w.XEPlots, "e-x", "Ｘ－Ｅプロット(&S)", "Ctrl+Alt+X"},
            {w.YYPlot, "y-y", "観測値・予測値プロット", "Ctrl+Alt+Y"}, {w.LRPlot, "L-R", "Ｌ－Ｒプロット(&L)", "Ctrl+Alt+L"},
            {w.AddToExpres, "式追加", "式への追加(&A)", "Ctrl+Alt+A"}, {w.ResetRidge, "", "", "Ctrl+Z"},
            {w.EELagx, "", "", "Ctrl+E"},                     {w.HelpContext, "", "", "Ctrl+H"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        ASSERT_NE(c.action, nullptr);
        EXPECT_EQ(c.action->text().toStdString(), c.caption);
        EXPECT_EQ(c.action->statusTip().toStdString(), c.hint);
        EXPECT_EQ(c.action->shortcut(), QKeySequence(c.keys));
    }
}

TEST_F(RidgeWindowTest, AtConstantZeroTheResidualPageAndPlotsFollowTheFit) {
    Open();
    auto table = Table({0, 2, 3});
    std::vector<GraphSeen> seen;
    auto probe = ProbeGraphs(seen);
    TfrmRidge w{WindowContext(state_)};
    ASSERT_TRUE(w.SetNamedData(table.get(), 2));
    const QString automaticFit = w.sgRes->Cell(2, 1);
    ui_.QueueInput("0");
    w.stOptClick();
    ASSERT_EQ(w.sgRes->RowCount(), 13);
    EXPECT_NE(w.sgRes->Cell(2, 1), automaticFit);

    // Least squares in exact fractions, each series at both ends:
    // e / sqrt(s2 (1 - h)), the fit, e^2 / SSE, h, the residuals.
    const double s0 = 0.33046019917806249, sLast = -0.82180911578808018;
    const double fit0 = 3.9941785621911313, fitLast = 21.231304889241384;
    const std::vector<PlotCase> plots = {
            {w.RPlotCS, nullptr, "予測値", "標準化残差", {12, fit0, fitLast, s0, sLast}},
            {w.RPlotTS, nullptr, "時間", "標準化残差", {12, 1.0, 12.0, s0, sLast}},
            {w.YYPlot, nullptr, "予測値", "観測値", {12, fit0, fitLast, 4.1, 21.0}},
            {w.LRPlot, nullptr, "残差平方", "作用点",
             {12, 0.0085269818133917829, 0.040739683083500785, 0.29725215003178926, 0.45710199328077247}},
            {w.EEPlot, nullptr, "e(i)", "e(i-1)",
             {11, 0.54623526668499814, -0.23130488924138362, 0.10582143780886874, 0.33451040602158067}},
            {w.XEPlots, "C1", "C1", "標準化残差", {12, 3.5, 0.4, s0, sLast}},
    };
    ExpectPlots(plots, ui_, seen, 1e-9);
}

TEST_F(RidgeWindowTest, AModelThatLeavesOutAMiddleVariableFitsItsOwnVariables) {
    // x3's row at k = 0.25 of y on x1 and x3, or on x3 alone, by hand in exact fractions.
    const auto x3Shows = [this](TfrmRidge& w, int rows, const char* estimate) {
        ui_.QueueInput("0.25");
        w.stOptClick();
        ASSERT_EQ(w.sgEst->RowCount(), rows);
        EXPECT_EQ(w.sgEst->Cell(0, 0), "y");
        EXPECT_EQ(w.sgEst->Cell(0, rows - 1), "x3");
        EXPECT_EQ(w.sgEst->Cell(1, rows - 1).remove('*').trimmed().toStdString(), estimate);
    };
    const auto ticking = [](int row) {
        return [row](TfrmSelector& s) {
            s.lbList->item(row)->setCheckState(Qt::Checked);
            return static_cast<int>(QDialog::Accepted);
        };
    };
    // The data set's x1, x2, y, x3; the model leaves out x2.
    const Columns& sample = NearlyCollinearColumns();
    SaveAs(*MakeModel({sample[0], sample[1], sample[3], sample[2]}, {}, {"x1", "x2", "y", "x3"}), dir_.Path("m.MDF"));
    main_->OpenAndRemember(dir_.Path("m.MDF"));
    ASSERT_TRUE(state_.Model()->SetModel(2, {2, 0, 1, 2}));
    TfrmRidge* w = Launch();
    ASSERT_NE(w, nullptr);
    x3Shows(*w, 4, "-0.1041");
    w->SetSelectorRunner(ticking(1));  // x3 of x1 and x3
    w->VarSel->trigger();
    x3Shows(*w, 3, "-0.6035");
    w->SetSelectorRunner(ticking(0));  // back to all data
    w->ActiveGroup->trigger();
    x3Shows(*w, 4, "-0.1041");
}

TEST_F(RidgeWindowTest, ARefusedFitIsSaidAndTheFitBeforeStaysOnEveryPage) {
    // C3 on C0 and C1, C2 left out until the variable choice.
    Open();
    auto table = Table({0, 1, 2, 3}, NearTopOfDoubleColumns());
    table->SetSelected(2, 0);
    TfrmRidge w{WindowContext(state_)};
    ASSERT_TRUE(w.Fill(WindowRequest(RidgeRequest{nullptr, table.get(), 3, {}})));
    w.show();
    // The prompt's answer, then the refusal's box if one comes.
    const auto type = [&](const char* k, bool refused) {
        ui_.QueueInput(k);
        if (refused) ui_.QueueOK();
        QTest::mouseClick(w.stOpt, Qt::LeftButton);
    };
    // The estimates, the labels beside them and the residual rows.
    const auto shown = [&w] {
        std::vector<RowTexts> rows;
        for (int r = 0; r < w.sgEst->RowCount(); ++r) rows.push_back(GridRow(*w.sgEst, r));
        RowTexts labels;
        for (QLabel* l : {w.stOpt, w.stResSig, w.stRR2, w.stDWR, w.stGK, w.stCp}) labels.push_back(l->text().toStdString());
        rows.push_back(labels);
        for (int r = 0; r < w.sgRes->RowCount(); ++r) rows.push_back(GridRow(*w.sgRes, r));
        return rows;
    };
    type("1", false);
    ASSERT_EQ(w.stOpt->text().toStdString(), "1.00000");
    const std::vector<RowTexts> atOne = shown();
    ASSERT_EQ(atOne.size(), 4u + 1u + 12u);
    // s2 times a variance factor passes the largest double: at k = 0, and
    // with C2 for C1 at the automatic constant.
    const std::vector<std::pair<const char*, std::function<void()>>> refusals = {
        {"typed 0", [&] { type("0", true); }},
        {"C0 and C2",
         [&] {
             ui_.QueueOK();
             w.SetSelectorRunner([](TfrmSelector& s) {
                 for (int row : {0, 2}) s.lbList->item(row)->setCheckState(Qt::Checked);
                 return static_cast<int>(QDialog::Accepted);
             });
             w.VarSel->trigger();
         }},
    };
    for (const auto& [what, refuse] : refusals) {
        SCOPED_TRACE(what);
        ui_.ClearCalls();
        refuse();
        EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{"変数 C0 の係数または標準誤差が有限の数値になりません。"});
        EXPECT_EQ(shown(), atOne);
    }
}

TEST_F(RidgeWindowTest, AConstantTypedAfterScrollingTheResidualsShowsThemFromTheFirstRow) {
    Open();
    TfrmRidge* w = Launch();
    ASSERT_NE(w, nullptr);
    w->resize(680, 260);
    w->show();
    w->PageControl1->setCurrentWidget(w->sgRes);
    QApplication::processEvents();
    w->sgRes->verticalScrollBar()->setValue(4);
    ASSERT_EQ(w->sgRes->TopRow(), 5);
    // The constant is typed where it shows, on the estimates page: a click
    // on it opens the prompt.
    w->PageControl1->setCurrentWidget(w->tsEstimate);
    ui_.QueueInput("0.25");
    QTest::mouseClick(w->stOpt, Qt::LeftButton);
    ASSERT_EQ(w->stOpt->text().toStdString(), "0.25000");
    // VAR3 on VAR0 .. VAR2 at k = 0.25, by hand in 60-digit arithmetic.
    const RowTexts expected[] = {{"1", "4.1000", "4.7310", "-0.6310", "-15.39", "0.2577"},
                                 {"2", "5.9000", "6.3621", "-0.4621", "-7.83", "0.2734"}};
    // So before the page is seen again, and on it.
    for (const bool back : {false, true}) {
        SCOPED_TRACE(back ? "back on the residuals" : "still on the estimates");
        if (back) w->PageControl1->setCurrentWidget(w->sgRes);
        QApplication::processEvents();
        EXPECT_EQ(w->sgRes->TopRow(), 1);
        for (int r = 1; r <= 2; ++r) {
            RowTexts painted;
            for (int c = 0; c < 6; ++c) painted.push_back(Painted(*w->sgRes, c, r).text.toStdString());
            EXPECT_EQ(painted, expected[r - 1]) << r;
        }
    }
}

}  // namespace

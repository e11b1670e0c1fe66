// The ridge regression window from the main window's menu: a cell and the
// constant against the engine, typed constants (0 and 1 taken, values
// outside [0, 1] ignored) and the reset, the prediction, the variable and
// group choices and the equation with one undo step; a model that leaves
// out a variable between its own fits those (at a typed constant, after
// the variable choice and after going back to all data); on a table: no group
// choice, the fit handed over on closing, a single regressor predicting
// nothing and a fit that cannot be had opening nothing; the actions' captions,
// hints and keys; at constant 0 the residual page (an observed 0 under a
// larger fit rated "-∞") and the plots' series against least squares.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <cmath>

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
#include "modal_window.h"
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
    // A table of the sample's columns, the last one the dependent.
    std::unique_ptr<TNamedData> Table(const std::vector<int>& columns) {
        const Columns& data = NearlyCollinearColumns();
        auto t = std::make_unique<TNamedData>(state_.Context(), 12, static_cast<int>(columns.size()));
        for (std::size_t c = 0; c < columns.size(); ++c) {
            t->SetColumnName(static_cast<int>(c), "C" + std::to_string(c));
            for (int i = 0; i < 12; ++i)
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

    // The same column twice: no least-squares fit, so no ridge fit.
    auto twice = Table({0, 0, 3});
    TfrmRidge refused{WindowContext(state_)};
    ui_.QueueOK();
    EXPECT_FALSE(refused.Fill(WindowRequest(RidgeRequest{nullptr, twice.get(), 2, {}})));
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "リッジ回帰の計算ができません。");
}

TEST_F(RidgeWindowTest, ActionsKeepTheirCaptionsHintsAndKeys) {
    Open();
    TfrmRidge w{WindowContext(state_)};
    struct Case {
        QAction* action;
        const char* name;
        const char* caption;
        const char* hint;
        const char* keys;
    };
    const Case cases[] = {
            {w.OptExit, "OptExit", "終了(&X)", "終了", "Ctrl+X"},
            {w.ActiveGroup, "ActiveGroup", "グループ", "使用するグループを設定", "Ctrl+Alt+G"},
            {w.VarSel, "VarSel", "変数選択", "変数選択", "Ctrl+Alt+S"},
            {w.RPlotCS, "RPlotCS", "e-y", "残差プロット(&C)", "Ctrl+Alt+C"},
            {w.RPlotTS, "RPlotTS", "e-t", "残差時系列(&T)", "Ctrl+Alt+T"},
            {w.NPlot, "NPlot", "統計量", "正規プロット(&N)", "Ctrl+Alt+N"},
            {w.EEPlot, "EEPlot", "e-e", "Ｅ・Ｅ-1プロット(&E)", "Ctrl+Alt+E"},
            {w.XEPlots, "XEPlots", "e-x", "Ｘ－Ｅプロット(&S)", "Ctrl+Alt+X"},
            {w.YYPlot, "YYPlot", "y-y", "観測値・予測値プロット", "Ctrl+Alt+Y"},
            {w.LRPlot, "LRPlot", "L-R", "Ｌ－Ｒプロット(&L)", "Ctrl+Alt+L"},
            {w.AddToExpres, "AddToExpres", "式追加", "式への追加(&A)", "Ctrl+Alt+A"},
            {w.ResetRidge, "ResetRidge", "", "", "Ctrl+Z"},
            {w.EELagx, "EELagx", "", "", "Ctrl+E"},
            {w.HelpContext, "HelpContext", "", "", "Ctrl+H"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.action, nullptr);
        EXPECT_EQ(c.action->objectName().toStdString(), c.name);
        EXPECT_EQ(c.action->text().toStdString(), c.caption);
        EXPECT_EQ(c.action->statusTip().toStdString(), c.hint);
        EXPECT_EQ(c.action->shortcut(), QKeySequence(c.keys));
    }
}

// y on a and b, y = 0 at the first observation.
std::unique_ptr<TNamedData> ZeroFirstTable(EngineContext& context) {
    const std::vector<std::vector<double>> cols = {
            {1, 2, 3, 4, 5, 6, 7, 8}, {2, 1, 4, 3, 6, 5, 8, 7}, {0.0, 2.9, 3.2, 5.1, 5.8, 7.4, 7.9, 9.6}};
    const char* const names[] = {"a", "b", "y"};
    auto t = std::make_unique<TNamedData>(context, 8, 3);
    for (int j = 0; j < 3; ++j) {
        t->SetColumnName(j, names[j]);
        for (int i = 0; i < 8; ++i) t->SetValue(i, j, cols[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)]);
    }
    return t;
}

TEST_F(RidgeWindowTest, AtConstantZeroThePagesAndPlotsShowTheLeastSquaresFit) {
    Open();
    auto table = ZeroFirstTable(state_.Context());
    std::vector<GraphSeen> seen;
    auto probe = ProbeGraphs(seen);
    TfrmRidge w{WindowContext(state_)};
    ASSERT_TRUE(w.SetNamedData(table.get(), 2));
    const QString automaticFit = w.sgRes->Cell(2, 1);
    ui_.QueueInput("0");
    w.stOptClick();
    EXPECT_EQ(w.stOpt->text(), "0.00000");

    // By hand (exact fractions): least squares y = -0.24125 + 1.62125 a
    // - 0.40375 b, residual sum of squares on 5 degrees of freedom.
    const TStringGrid& g = *w.sgRes;
    ASSERT_EQ(g.RowCount(), 9);
    const char* const titles[] = {"観測値", "予測値", "残差", "誤差率(%)", "作用点"};
    for (int c = 1; c <= 5; ++c) EXPECT_EQ(g.Cell(c, 0).toStdString(), titles[c - 1]);
    struct Row {
        int row;
        const char* number;
        const char* observed;
        const char* fitted;
        const char* residual;
        const char* rate;
        const char* leverage;
    };
    const Row rows[] = {
            {1, "1", "0", "0.5725", "-0.5725", "-∞", "0.4750"},
            {2, "2", "2.9000", "2.5975", "0.3025", "+10.43", "0.4750"},
            {8, "8", "9.6000", "9.9025", "-0.3025", "-3.15", "0.4750"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.row);
        EXPECT_EQ(g.Cell(0, r.row).toStdString(), r.number);
        EXPECT_EQ(g.Cell(1, r.row).toStdString(), r.observed);
        EXPECT_EQ(g.Cell(2, r.row).toStdString(), r.fitted);
        EXPECT_EQ(g.Cell(3, r.row).toStdString(), r.residual);
        EXPECT_EQ(g.Cell(4, r.row).toStdString(), r.rate);
        EXPECT_EQ(g.Cell(5, r.row).toStdString(), r.leverage);
    }
    EXPECT_NE(g.Cell(2, 1), automaticFit);  // the page follows the constant

    // The plots at their first and last values: e / sqrt(s2 (1 - h)), e^2 / SSE.
    struct Plot {
        QAction* action;
        const char* xName;
        const char* yName;
        std::size_t n;
        double x0, xLast, y0, yLast;
    };
    const double s0 = -2.134304201780911, sLast = -1.1277327878405685;
    const Plot plots[] = {
            {w.RPlotCS, "予測値", "標準化残差", 8, 0.5725, 9.9025, s0, sLast},
            {w.RPlotTS, "時間", "標準化残差", 8, 1.0, 8.0, s0, sLast},
            {w.YYPlot, "予測値", "観測値", 8, 0.5725, 9.9025, 0.0, 9.6},
            {w.LRPlot, "残差平方", "作用点", 8, 0.47830171470266325, 0.13353703028091937, 0.475, 0.475},
            {w.EEPlot, "e(i)", "e(i-1)", 7, 0.3025, -0.3025, -0.5725, 0.0225},
    };
    auto near = [](double a, double b) { EXPECT_NEAR(a, b, 1e-9 * (1.0 + std::fabs(b))); };
    for (const Plot& p : plots) {
        SCOPED_TRACE(p.xName);
        seen.clear();
        p.action->trigger();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].xName, p.xName);
        EXPECT_EQ(seen[0].yName, p.yName);
        ASSERT_EQ(seen[0].x.size(), p.n);
        near(seen[0].x.front(), p.x0);
        near(seen[0].x.back(), p.xLast);
        near(seen[0].y.front(), p.y0);
        near(seen[0].y.back(), p.yLast);
    }
    // A regressor chosen by name: its values against the residuals.
    seen.clear();
    ui_.QueueInput("b");
    w.XEPlots->trigger();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].xName, "b");
    EXPECT_EQ(seen[0].x.front(), 2.0);
    EXPECT_EQ(seen[0].x.back(), 7.0);
    near(seen[0].y.back(), sLast);
}

// The sample's columns with the dependent among the data set's variables
// and a variable the model leaves out: y on x1 and x3.
struct MiddleLayout {
    const char* what;
    std::vector<int> sampleColumns;  // of the data set's x1, x2, y, x3 (in its order)
    std::vector<std::string> names;
    int dependent;
    std::vector<std::uint8_t> roles;
};

// The number of a shown cell, without the significance mark before it.
std::string NumberPart(const QString& cell) {
    const std::string text = cell.toStdString();
    const std::size_t start = std::min(text.find_first_not_of("* "), text.size());
    return text.substr(start);
}

// One row of sgEst: name, estimate, standard error, VIF ("" where none).
struct ShownRow {
    const char* name;
    const char* estimate;
    const char* stdErr;
    const char* vif;
};

void ExpectEstimates(TfrmRidge& w, const std::vector<ShownRow>& rows) {
    ASSERT_EQ(w.sgEst->RowCount(), static_cast<int>(rows.size()) + 1);
    EXPECT_EQ(w.sgEst->Cell(0, 0).toStdString(), "y");
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = static_cast<int>(r) + 1;
        SCOPED_TRACE(rows[r].name);
        EXPECT_EQ(w.sgEst->Cell(0, row).toStdString(), rows[r].name);
        EXPECT_EQ(NumberPart(w.sgEst->Cell(1, row)), rows[r].estimate);
        EXPECT_EQ(NumberPart(w.sgEst->Cell(2, row)), rows[r].stdErr);
        EXPECT_EQ(w.sgEst->Cell(3, row).toStdString(), rows[r].vif);
    }
}

TEST_F(RidgeWindowTest, AModelThatLeavesOutAMiddleVariableFitsItsOwnVariables) {
    // Independent ridge fit at k = 0.25 (raw-scale normal equations with k
    // times each regressor's sum of squared deviations, exact fractions),
    // rounded to the page's four decimals.
    const std::vector<ShownRow> bothRows = {{"定数項", "4.4710", "0.9641", ""},
                                            {"x1", "1.2638", "0.0898", "0.6478"},
                                            {"x3", "-0.1041", "0.2267", "0.6478"}};
    const std::vector<ShownRow> x3Rows = {{"定数項", "14.0641", "3.1272", ""}, {"x3", "-0.6035", "0.9992", "0.6400"}};
    const MiddleLayout layouts[] = {
        {"dependent third", {0, 1, 3, 2}, {"x1", "x2", "y", "x3"}, 2, {2, 0, 1, 2}},
        {"dependent last", {0, 1, 2, 3}, {"x1", "x2", "x3", "y"}, 3, {2, 0, 2, 1}},
    };
    for (const MiddleLayout& l : layouts) {
        SCOPED_TRACE(l.what);
        Columns cols;
        for (int c : l.sampleColumns) cols.push_back(NearlyCollinearColumns()[static_cast<std::size_t>(c)]);
        SaveAs(*MakeModel(cols, {}, l.names), dir_.Path("middle.MDF"));
        main_->OpenAndRemember(dir_.Path("middle.MDF"));
        ASSERT_TRUE(state_.Model()->SetModel(l.dependent, l.roles));
        ui_.ClearCalls();
        TfrmRidge* w = Launch();
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
        ui_.QueueInput("0.25");
        w->stOptClick();
        ExpectEstimates(*w, bothRows);

        // The variable choice offers x1 and x3; x3 alone.
        w->SetSelectorRunner([](TfrmSelector& s) {
            EXPECT_EQ(s.lbList->count(), 2);
            s.lbList->item(1)->setCheckState(Qt::Checked);
            return static_cast<int>(QDialog::Accepted);
        });
        w->VarSel->trigger();
        ui_.QueueInput("0.25");
        w->stOptClick();
        ExpectEstimates(*w, x3Rows);

        // Back to all data: the model's variables again.
        w->SetSelectorRunner([](TfrmSelector& s) {
            s.lbList->item(0)->setCheckState(Qt::Checked);
            return static_cast<int>(QDialog::Accepted);
        });
        w->ActiveGroup->trigger();
        ui_.QueueInput("0.25");
        w->stOptClick();
        ExpectEstimates(*w, bothRows);
        w->close();
        QApplication::processEvents();
    }
}

}  // namespace

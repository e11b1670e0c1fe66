// The ridge regression window from the main window's menu: a cell and the
// constant against the engine, typed constants (0 and 1 taken, values
// outside [0, 1] ignored) and the reset, the prediction, the variable and
// group choices and the equation with one undo step; a model that leaves
// out a variable between its own fits those (at a typed constant, after
// the variable choice and after going back to all data); on a table: no group
// choice, the fit handed over on closing, a single regressor predicting
// nothing and a fit that cannot be had opening nothing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

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

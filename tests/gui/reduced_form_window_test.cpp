// The simultaneous-equation window and its final-form assistant, offscreen
// with scripted answers, on a system of two stochastic equations, one
// identity and a lagged endogenous variable: opened from the main window,
// each page's cells against the engine's tables (one call each), the
// commands, and what only the windows decide. Numbers are the engine's.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include "app/settings/settings_dialog.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "core/io/final_form_storage.h"
#include "core/text/number_format.h"
#include "simeq/final_form_assistant.h"
#include "simeq/system_build.h"
#include "simeq/system_tables.h"
#include "simeq/ui/final_form_page.h"
#include "simeq/ui/final_form_window.h"
#include "simeq/ui/prediction_page.h"
#include "simeq/ui/reduced_form_window.h"
#include "simeq/ui/structural_page.h"
#include "simeq/ui/system_test_page.h"
#include "simeq/small_system_fixture.h"
#include "request_probe.h"
#include "started_windows.h"
#include "stats/xy_graph_request.h"

namespace {


// A grid cell as the grid shows the table: titles in row 0.
template <class Table>
QString Shown(const Table& t, int c, int r) {
    return Q(r == 0 ? t.Title(c) : t.Cell(c, r - 1).Shown());
}

class ReducedFormWindowTest : public StartedWindows {
protected:
    ReducedFormWindowTest() : StartedWindows("rf") {}

    Reg* Open() {
        SaveAs(*MakeSmallSystem(), dir_.Path("sys.MDF"));
        main_->OpenAndRemember(dir_.Path("sys.MDF"));
        main_->UpdateLaunchActions();
        ui_.ClearCalls();
        return state_.Model();
    }
    void SetTwoStage(bool on) { windows_->SetteiDlg->Settings().Values().TSLS_Reduced = on; }
    std::unique_ptr<TfrmRF> Window(bool twoStage) {
        auto w = std::make_unique<TfrmRF>(WindowContext(state_));
        LaunchRequest r;
        r.model = state_.Model();
        r.twoStage = twoStage;
        EXPECT_TRUE(w->Fill(r));
        return w;
    }
    // The engine's own system, built the same way.
    std::shared_ptr<SimultaneousSystem> Engine(bool twoStage) {
        auto s = std::make_shared<SimultaneousSystem>();
        EXPECT_TRUE(s->TryBuild(*state_.Model(), twoStage)) << s->ErrorText();
        return s;
    }
    static void Click(TStringGrid* g, int c, int r, Qt::MouseButton b = Qt::LeftButton) {
        const QRect rect = g->CellRect(c, r);
        ASSERT_FALSE(rect.isEmpty()) << c << "," << r;
        QMouseEvent press(QEvent::MouseButtonPress, rect.center(), g->viewport()->mapToGlobal(rect.center()), b, b,
                          Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, rect.center(), g->viewport()->mapToGlobal(rect.center()), b,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &release);
    }
};

TEST_F(ReducedFormWindowTest, WiringOpenFromMenuCellChangerClose) {
    Open();
    SetTwoStage(true);
    QAction* command = main_->Action("ReducedF");
    ASSERT_TRUE(command && command->isEnabled());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmRF*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        seen = true;
        EXPECT_EQ(w->windowTitle(), "誘導型");
        EXPECT_EQ(w->PC->count(), 7);
        const auto engine = Engine(true);
        EXPECT_EQ(w->tsKozo->sgEst->Cell(1, 1), Shown(StructuralEstimateTable(*engine, 0), 1, 1));
        EXPECT_EQ(w->tsKozo->stLIML->text(), Q(StructuralSummaryOf(*engine, 0).liml));
        w->PC->setCurrentWidget(w->tsTest);
        w->Changer->trigger();
        EXPECT_FALSE(w->tsTest->ShowsValues());
        EXPECT_EQ(w->tsTest->grid->Cell(0, 0), "残差");
        w->Exitence->trigger();
    });
    command->trigger();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(ReducedFormWindowTest, EveryPageShowsTheEngineTablesInBothModes) {
    Open();
    for (bool twoStage : {false, true}) {
        SCOPED_TRACE(twoStage);
        auto w = Window(twoStage);
        const auto e = Engine(twoStage);
        w->show();
        EXPECT_EQ(w->tsKozo->cbSelect->count(), 2);
        w->tsKozo->cbSelectChange(1);
        EXPECT_EQ(w->tsKozo->sgEst->Cell(2, 2), Shown(StructuralEstimateTable(*e, 1), 2, 2));
        EXPECT_EQ(w->tsKozo->stR2->text(), Q(StructuralSummaryOf(*e, 1).r2));
        EXPECT_EQ(w->tsKozo->stLIML->text(), Q(StructuralSummaryOf(*e, 1).liml));
        if (!twoStage) {
            EXPECT_EQ(w->tsKozo->sgEst->Cell(2, 1) + w->tsKozo->stLIML->text(), "--");
        }
        w->PC->setCurrentWidget(w->sgExpres);
        EXPECT_EQ(w->sgExpres->Cell(1, 3), Shown(AllCoefficientsTable(*e), 1, 3));
        w->PC->setCurrentWidget(w->sgReduced);
        EXPECT_EQ(w->sgReduced->Cell(2, 3), Shown(ReducedFormTable(*e), 2, 3));
        w->PC->setCurrentWidget(w->tsTest);
        EXPECT_EQ(w->tsTest->grid->Cell(3, 2), Shown(SystemTestTable(e, false, false), 3, 2));
        w->PC->setCurrentWidget(w->tsFinalTest);
        w->Changer->trigger();
        EXPECT_EQ(w->tsFinalTest->grid->Cell(1, 4), Shown(SystemTestTable(e, true, true), 1, 4));
        // The other test page keeps its own display.
        EXPECT_TRUE(w->tsTest->ShowsValues());
        w->PC->setCurrentWidget(w->tsPredict);
        EXPECT_EQ(w->tsPredict->sgPred->Cell(1, 3), Shown(PredictionTable(*e), 1, 3));
        w->close();
    }
}

TEST_F(ReducedFormWindowTest, EstimateClicksFollowTheMode) {
    Open();
    for (bool twoStage : {false, true}) {
        auto w = Window(twoStage);
        w->show();
        // A left click switches to the covariance matrix only where there is one.
        Click(w->tsKozo->sgEst, 1, 1);
        EXPECT_EQ(w->tsKozo->ShowsEstimates(), !twoStage);
        EXPECT_EQ(w->tsKozo->sgEst->Cell(0, 0), twoStage ? "β共分散" : "C");
    }
}

TEST_F(ReducedFormWindowTest, FailedBuildShowsItsMessageAndOpensNothing) {
    Reg* m = Open();
    // An estimated equation without the constant term cannot be estimated.
    m->AddExpres(Expres("I", 1, false, std::vector<double>{0.2}, std::vector<std::string>{"YL"}));
    SetTwoStage(true);
    ui_.QueueOK();
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (auto* w = qobject_cast<TfrmRF*>(QApplication::activeModalWidget())) {
            opened = true;
            w->close();
        }
    });
    main_->Action("ReducedF")->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(opened);
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("定数項"), std::string::npos) << boxes[0].text;
}

TEST_F(ReducedFormWindowTest, TestGridsPlotScrollAndSwitch) {
    Open();
    std::vector<GraphSeen> seen;
    const auto probe = ProbeGraphs(seen);
    auto w = Window(false);
    const auto e = Engine(false);
    w->resize(700, 200);
    w->show();
    w->PC->setCurrentWidget(w->tsFinalTest);
    TStringGrid* g = w->tsFinalTest->grid;
    Click(g, 3, 1);
    Click(g, 3, 1, Qt::RightButton);
    // Column 0 plots nothing.
    Click(g, 0, 2, Qt::RightButton);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].xName, "Y予測値");
    EXPECT_EQ(seen[0].yName, "Y観測値");
    EXPECT_EQ(seen[1].yName, "Y標準化残差");
    EXPECT_EQ(seen[1].x.size(), 10u);
    // The corner cell switches like the command.
    Click(g, 0, 0);
    EXPECT_FALSE(w->tsFinalTest->ShowsValues());
    // Scrolled down, the rows in view are the new ones.
    g->SetTopRow(6);
    EXPECT_EQ(g->Cell(0, 8), "8");
    EXPECT_EQ(g->Cell(2, 8), Shown(SystemTestTable(e, true, true), 2, 8));
    // The second axis is asked among the other variables only.
    ui_.QueueInput("Y");
    ui_.QueueInput("C");
    w->XYPlot->trigger();
    const auto asked = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].items, (std::vector<std::string>{"C", "I", "Y"}));
    EXPECT_EQ(asked[1].items, (std::vector<std::string>{"C", "I"}));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].xName, "C");
    EXPECT_EQ(seen[2].yName, "Y");
    // The tool bar's plot asks for the variable; a name outside the system plots nothing.
    ui_.QueueInput("I");
    w->YYPlot->trigger();
    ui_.QueueInput("G");
    w->EYPlot->trigger();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[3].yName, "I観測値");
    // The test page takes the observed YL, the final test its own Y.
    w->PC->setCurrentWidget(w->tsTest);
    ui_.QueueInput("Y");
    w->EYPlot->trigger();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[4].yName, "Y標準化残差");
    // By hand: I = 0.2 YL + 2, Y = (5 + I + G) / 0.4, C = 0.6 Y + 5.
    const SeriesEnds ends[] = {
            {10, 58.0, 75.7900390625, 52.7, 74.4},
            {10, 58.0, 75.7900390625, -1.6077713942009927, -0.42167264934140864},
            {10, 39.8, 50.4740234375, 58.0, 75.7900390625},
            {10, 10.0, 16.016015625, 9.1, 15.2},
            {10, 58.0, 75.3, -1.4780377965849746, -0.25098755036348625},
    };
    for (std::size_t k = 0; k < seen.size(); ++k) {
        SCOPED_TRACE(k);
        ExpectEnds(seen[k], ends[k]);
    }
}

TEST_F(ReducedFormWindowTest, EnteredFormulasArePredicted) {
    Open();
    auto w = Window(false);
    w->show();
    w->PC->setCurrentWidget(w->tsPredict);
    TStringGrid* exo = w->tsPredict->sgExo;
    ASSERT_EQ(exo->RowCount(), 3);
    const int g = exo->Cell(0, 1) == "G" ? 1 : 2;
    exo->SetCell(1, g, "1+1");
    exo->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(exo, &enter);
    EXPECT_EQ(w->System().PredictionInputs()[static_cast<std::size_t>(g - 1)], 2.0);
    std::vector<double> in(2, 0.0);
    in[static_cast<std::size_t>(g - 1)] = 2.0;
    EXPECT_EQ(w->tsPredict->sgPred->Cell(1, 3), Q(FormatNumber(false, Engine(false)->Predict(in)[2])));
}

TEST_F(ReducedFormWindowTest, FinalFormDerivedDecidedStoredAndSaved) {
    Reg* m = Open();
    auto w = Window(false);
    w->show();
    ASSERT_TRUE(w->FFA->isEnabled());
    FinalFormLists& lists = state_.FinalForms();
    // The same steps on the engine's assistant give the expected equation.
    FinalFormLists expected;
    ASSERT_TRUE(BuildStartingEquations(*Engine(false), expected));
    FinalFormAssistant engine(expected);
    engine.Activate();
    engine.ChooseEquation("C");
    const FFElement start = engine.Current();
    engine.ClickTerm(0);
    ASSERT_GT(engine.Candidates().GetCount(), 0);
    ASSERT_TRUE(engine.ApplyCandidate(0));
    const FFElement substituted = engine.Current();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* a = qobject_cast<TfrmFFA*>(QApplication::activeModalWidget());
        ASSERT_TRUE(a);
        seen = true;
        EXPECT_EQ(a->windowTitle(), "最終型の計算補助");
        ui_.QueueInput("C");
        Click(a->sgFFC, 0, 0);
        EXPECT_EQ(a->sgFFC->Cell(0, 0), "C");
        // YL, noted "@Y/1", enters as the endogenous Y one period back.
        EXPECT_EQ(a->sgFFC->Cell(0, 1), "Y'[t-1]");
        Click(a->sgFFC, 0, 1);
        ASSERT_EQ(a->lbList->count(), engine.Candidates().GetCount());
        a->lbListClick(0);
        EXPECT_EQ(a->Assistant().Current(), substituted);
        a->Undo->trigger();
        const FFElement once = a->Assistant().Current();
        a->Undo->trigger();
        EXPECT_EQ(a->Assistant().Current(), once);
        EXPECT_EQ(once, start);
        // A prompt opened and closed in between does not move the state
        // that Reset returns to.
        a->lbListClick(0);
        ui_.QueueInput(mrCancel, "");
        a->TrendSet->trigger();
        a->Reset->trigger();
        EXPECT_EQ(a->Assistant().Current(), start);
        a->TimeSet->trigger();
        a->Decision->trigger();
        a->Exitence->trigger();
    });
    w->FFA->trigger();
    ASSERT_TRUE(seen);
    ASSERT_EQ(lists.stored.GetCount(), 1);
    EXPECT_TRUE(m->IsModified());
    w->PC->setCurrentWidget(w->tsFFA);
    EXPECT_EQ(w->tsFFA->sgFFC->Cell(0, 0), Shown(FinalFormTable(lists.stored, 0), 0, 0));
    EXPECT_EQ(w->tsFFA->sgFFC->Cell(1, 1), Shown(FinalFormTable(lists.stored, 0), 1, 1));

    // Saved with the data set and read back with it.
    const FFElement decided = lists.stored.GetElement(0);
    ui_.QueueYes();
    ASSERT_TRUE(main_->ConfirmSaveIfModified());
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    w->close();
    w.reset();
    lists.stored.Clear();
    main_->OpenAndRemember(dir_.Path("sys.MDF"));
    ASSERT_EQ(lists.stored.GetCount(), 1);
    EXPECT_EQ(lists.stored.GetElement(0), decided);

    // Deleting marks the data set; the page and its plots then have nothing.
    std::vector<GraphSeen> graphs;
    const auto probe = ProbeGraphs(graphs);
    w = Window(false);
    w->PC->setCurrentWidget(w->tsFFA);
    w->YYPlot->trigger();
    EXPECT_EQ(graphs.size(), 1u);
    w->tsFFA->btnDel->click();
    EXPECT_TRUE(state_.Model()->IsModified());
    EXPECT_EQ(w->tsFFA->sgFFC->Cell(0, 0), "未決定");
    w->YYPlot->trigger();
    w->EYPlot->trigger();
    w->tsFFA->btnYPlot->click();
    EXPECT_EQ(graphs.size(), 1u);
}

TEST_F(ReducedFormWindowTest, RefusedSubstitutionKeepsTheEquationAndSaysSo) {
    Open();
    // C[t] = Y[t] with Y = C + I: C's own coefficient would become 1.
    FinalFormLists& lists = state_.FinalForms();
    FFElement c, y;
    c.SetHead(FFCell("C", 1, 1.0, 0));
    c.AppendTerm(FFCell("Y", 1, 1.0, 0));
    y.SetHead(FFCell("Y", 1, 1.0, 0));
    y.AppendTerm(FFCell("C", 1, 1.0, 0));
    y.AppendTerm(FFCell("I", 1, 1.0, 0));
    lists.work.Clear();
    lists.work.Append(c);
    lists.decided.Clear();
    lists.decided.Append(y);
    TfrmFFA a{WindowContext(state_)};
    ASSERT_TRUE(a.Fill(LaunchRequest{}));
    a.show();
    Click(a.sgFFC, 0, 1);
    ASSERT_EQ(a.lbList->count(), 1);
    a.lbListClick(0);
    EXPECT_EQ(lists.work.GetElement(0), c);
    EXPECT_FALSE(a.SB->currentMessage().isEmpty());
}

}  // namespace

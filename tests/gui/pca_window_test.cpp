// The principal component window, offscreen: opened from the main window's
// command with every page showing the engine's cells and marks, one
// command, closed; then what only the window decides (method and factor
// count, renaming with the name checks, adding score series with one undo
// step each, refusing series of a group analysis, keeping the analysis when
// a group choice cannot be analysed, a table source, no ticked variable,
// the loadings handed to the loading plot; captions, page sizes, the other
// plots, a score column's variable information, Enter, a failed Minres,
// a Minres fit that does not settle at the asked factor count).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/dialogs/property_dialog.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "eval/reserved_words.h"
#include "modal_window.h"
#include "started_windows.h"
#include "stats/fac_load_plot_request.h"
#include "stats/ui/pca_window.h"
#include "request_probe.h"
#include "support/four_variable_sample.h"
#include "support/model_builder.h"

namespace {

const Columns& kData = kFourVariableSample;

// Scores, varimax factor scores and standardized values.
constexpr double kZ0First = 0.044341702763164677, kZ0Last = -0.50520576907893787;
constexpr double kZ1First = -0.32527867265142556, kZ1Last = -1.2860289166544593;
constexpr double kF0First = -0.156822590573749, kF0Last = -1.4832264522035165;
constexpr double kF1First = -0.41545264289103567, kF1Last = -1.1639083662638702;
constexpr double kStdFirst[] = {-0.068254801362021233, -0.063544026390593961, -0.31561290293925191,
                                0.11946040946207067};
constexpr double kStdLast[] = {-0.65837443813782981, -0.77886820918756598, -0.86869660744694418,
                               0.36302046758862254};
constexpr double kTolerance = 1e-12;

class PcaWindowTest : public StartedWindows {
protected:
    PcaWindowTest() : StartedWindows("pca") {}

    Reg* Open() {
        auto model = MakeModel(kData, {}, {"a", "b", "c", "d"});
        SaveAs(*model, dir_.Path("pca.MDF"));
        main_->OpenAndRemember(dir_.Path("pca.MDF"));
        ui_.ClearCalls();
        return state_.Model();
    }
    std::unique_ptr<TfrmPCA> Window(Reg* m) {
        auto w = std::make_unique<TfrmPCA>(WindowContext(state_));
        EXPECT_TRUE(w->Start(m));
        w->RefreshPages();
        return w;
    }
    static SelectorRunner Ticking(std::vector<int> rows) {
        return [rows](TfrmSelector& s) {
            for (int r : rows) s.lbList->item(r)->setCheckState(Qt::Checked);
            s.lbListClick();
            return static_cast<int>(QDialog::Accepted);
        };
    }
};

TEST_F(PcaWindowTest, WiringFromTheMainWindowEveryPageOneCommandClose) {
    Open();
    QAction* command = main_->Action("PCARun");
    ASSERT_TRUE(command && command->isEnabled());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmPCA*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        seen = true;
        const PCA* p = w->Analysis();
        ASSERT_TRUE(p);
        EXPECT_EQ(w->windowTitle(), "主成分分析");
        EXPECT_EQ(w->lbVarSel->count(), 4);
        EXPECT_EQ(w->sgRelMat->Cell(2, 1), "0.9491");
        EXPECT_EQ(w->sgEV->Cell(1, 0), "2.1037");
        EXPECT_EQ(w->sgFL->Cell(2, 4), "**-0.7139");
        EXPECT_EQ(w->sgScore->Cell(2, 7), "0.3479");
        EXPECT_EQ(w->sgRF->Cell(0, 0), "Varimax");
        EXPECT_EQ(w->sgFS->Cell(1, 10), "-1.4832");
        w->PC->setCurrentWidget(w->sgCheck);
        EXPECT_EQ(w->sgCheck->Cell(3, 4), "1.33");
        // Score names count as taken while the window is open.
        EXPECT_EQ(ClassifyNewName(state_, "Z0", true), kNewNameTaken);
        w->sgEVClick(2, 1);
        EXPECT_EQ(w->SB->currentMessage(), "寄与率[2] = 4.561594E-0001");
        w->Exitence->trigger();
    });
    command->trigger();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(ui_.MessageTexts().empty());
    EXPECT_EQ(ClassifyNewName(state_, "Z0", true), kNewNameFree);
}

// Captions, keys and hints of the commands; each page's caption and size.
TEST_F(PcaWindowTest, CaptionsKeysHintsAndPageSizes) {
    auto w = Window(Open());
    struct Action {
        QAction* action;
        const char *caption, *shortcut, *hint;
    };
    const Action actions[] = {
            {w->Exitence, "終了", "Ctrl+X", "閉じる"},
            {w->FFPlot, "FFPlot", "Ctrl+Alt+F", "因子負荷量のプロット"},
            {w->ZZPlot, "ZZPlot", "Ctrl+Alt+Z", "スコアーのプロット"},
            {w->Selection, "Selection", "Ctrl+Alt+S", "主成分のデータへの追加"},
            {w->Rotation, "Rotation", "Ctrl+Alt+R", "因子数の決定"},
            {w->Rename, "Rename", "Ctrl+Alt+N", "名前の変更"},
            {w->ActiveGroup, "ActiveGroup", "Ctrl+Alt+G", "使用するグループを設定"},
            {w->Setting, "Setting", "Ctrl+O", "規準バリマックス法かＭｉｎｒｅｓ法かの選択"},
            {w->Changer, "Changer", "Ctrl+C", ""},
            {w->HelpContext, "HelpContext", "Ctrl+H", ""},
    };
    for (const Action& c : actions) {
        SCOPED_TRACE(c.caption);
        ASSERT_TRUE(c.action);
        EXPECT_EQ(c.action->text(), c.caption);
        EXPECT_EQ(c.action->shortcut(), QKeySequence(c.shortcut));
        EXPECT_EQ(c.action->statusTip(), c.hint);
    }
    const QStringList pages = {"選択", "固有値", "因子負荷量", "スコアー", "回転因子", "因子得点", "特異点"};
    const ResultGrid* grids[] = {w->sgRelMat, w->sgEV, w->sgFL, w->sgScore, w->sgRF, w->sgFS, w->sgCheck};
    const int rows[] = {5, 7, 5, 11, 5, 11, 11}, cols[] = {5, 5, 5, 5, 3, 3, 7};
    w->PC->setCurrentWidget(w->sgCheck);  // the outlier page fills when shown
    ASSERT_EQ(w->PC->count(), 7);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(pages[i].toStdString());
        EXPECT_EQ(w->PC->tabText(i), pages[i]);
        EXPECT_EQ(grids[i]->RowCount(), rows[i]);
        EXPECT_EQ(grids[i]->ColCount(), cols[i]);
    }
}

TEST_F(PcaWindowTest, FactorCountAndLoadingView) {
    auto w = Window(Open());
    const PCA* p = w->Analysis();
    struct Case {
        const char* answer;
        int factors;
    };
    // Two eigenvalues exceed 1: the default; more than p means p.
    const Case cases[] = {{"1+2", 3}, {"0", 2}, {"9", 4}, {"-3", 2}, {"2.9", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        ui_.QueueInput(c.answer);
        w->RotationExecute();
        EXPECT_EQ(p->FactorCount(), c.factors);
        EXPECT_EQ(w->sgRF->ColCount(), c.factors + 1);
        EXPECT_EQ(w->sgFS->ColCount(), c.factors + 1);
    }
    w->SettingExecute();
    EXPECT_EQ(w->sgRF->Cell(0, 0), "Minres");
    EXPECT_EQ(w->sgFS->Cell(2, 1), "-0.1964");
    w->SettingExecute();
    EXPECT_EQ(w->sgRF->Cell(0, 0), "Varimax");
    // Showing the window again (back from a plot) keeps the chosen count.
    ui_.QueueInput("3");
    w->RotationExecute();
    w->show();
    w->hide();
    w->show();
    EXPECT_EQ(p->FactorCount(), 3);
    // The loadings view switches only on its own page.
    w->ChangerExecute();
    EXPECT_TRUE(w->ShowsLoadings());
    w->PC->setCurrentWidget(w->sgFL);
    w->ChangerExecute();
    EXPECT_FALSE(w->ShowsLoadings());
    EXPECT_EQ(w->sgFL->Cell(0, 0), "寄与率");
    EXPECT_EQ(w->sgFL->Cell(2, 1), "0.9931");
    w->sgFLClick(0, 0);  // the corner switches back
    EXPECT_TRUE(w->ShowsLoadings());
    EXPECT_EQ(w->sgFL->Cell(1, 1), "* 0.9408");
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

TEST_F(PcaWindowTest, EachPlotGetsItsSeriesAndNames) {
    auto w = Window(Open());
    std::vector<GraphSeen> graphs;
    auto probe = ProbeGraphs(graphs);
    const auto cumulativeCell = [&] {
        w->PC->setCurrentWidget(w->sgFL);
        w->ChangerExecute();
        w->sgFLClick(2, 3);
        w->ChangerExecute();
    };
    struct Case {
        std::function<void()> run;
        const char *xName, *yName;
        SeriesEnds ends;
    };
    const Case cases[] = {
            // The vertical axis is asked first.
            {[&] { ui_.QueueInput("F1"); ui_.QueueInput("Z0"); w->ZZPlotExecute(); }, "Z0", "F1",
             {10, kZ0First, kZ0Last, kF1First, kF1Last}},
            {[&] { ui_.QueueInput("b"); ui_.QueueInput("Z1"); w->ZZPlotExecute(); }, "Z1", "b",
             {10, kZ1First, kZ1Last, kStdFirst[1], kStdLast[1]}},
            {[&] { w->sgRelMatClick(2, 4); }, "b", "d", {10, kStdFirst[1], kStdLast[1], kStdFirst[3], kStdLast[3]}},
            {[&] { w->sgFLClick(2, 3); }, "Z1", "c", {10, kZ1First, kZ1Last, kStdFirst[2], kStdLast[2]}},
            // The variable rebuilt from the components so far.
            {cumulativeCell, "Z0 ... Z1", "c",
             {10, -0.23465088945997138, -0.78053628044502235, kStdFirst[2], kStdLast[2]}},
            {[&] { w->sgRFClick(1, 2); }, "F0", "b", {10, kF0First, kF0Last, kStdFirst[1], kStdLast[1]}},
            {[&] { w->sgRFClick(2, 4); }, "F1", "d", {10, kF1First, kF1Last, kStdFirst[3], kStdLast[3]}},
            // The score over the root of its eigenvalue.
            {[&] { w->ObservationGridClick(w->sgCheck, Qt::RightButton, 5, 3); }, "時間", "Z0",
             {10, 1, 10, 0.030571872123536316, -0.34831964507201046}},
    };
    w->PC->setCurrentWidget(w->sgCheck);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.xName) + " " + c.yName);
        graphs.clear();
        c.run();
        ASSERT_EQ(graphs.size(), 1u);
        EXPECT_EQ(graphs[0].xName, c.xName);
        EXPECT_EQ(graphs[0].yName, c.yName);
        ExpectEnds(graphs[0], c.ends, 1e-9);
    }
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

// The real dialog, owned by the window, shows the column's series and renames it.
TEST_F(PcaWindowTest, ScoreColumnOpensItsVariableInformationAndANewNameRenamesTheSeries) {
    auto w = Window(Open());
    struct Case {
        ResultGrid* grid;
        int col;
        bool byEnter;
        const char *column, *typed;
        double first;
    };
    const Case cases[] = {{w->sgScore, 2, false, "Z1", "size", kZ1First}, {w->sgFS, 1, true, "F0", "g", kF0First}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const auto open = [&] {
            if (!c.byEnter) return w->ObservationGridClick(c.grid, Qt::RightButton, c.col, 1);
            c.grid->SetCurrentCell(c.col, 5);
            QTest::keyClick(c.grid, Qt::Key_Return);
        };
        const auto rename = [&](TfrmProperty& d) {
            EXPECT_EQ(d.parentWidget(), w.get());
            EXPECT_EQ(d.eVarNam->text(), c.column);
            const std::vector<double> v = d.WorkingValues();
            ASSERT_EQ(v.size(), 10u);
            EXPECT_NEAR(v.front(), c.first, kTolerance);
            d.eVarNam->setText(c.typed);
            d.btnSet->click();
        };
        EXPECT_TRUE(WhileModal<TfrmProperty>(open, rename));
        EXPECT_EQ(c.grid->Cell(c.col, 0), c.typed);
    }
    // Enter on the outlier page reads the cell, as a left click: no plot.
    std::vector<GraphSeen> graphs;
    auto probe = ProbeGraphs(graphs);
    w->PC->setCurrentWidget(w->sgCheck);
    w->sgCheck->SetCurrentCell(5, 2);
    QTest::keyClick(w->sgCheck, Qt::Key_Return);
    EXPECT_TRUE(graphs.empty());
    EXPECT_TRUE(w->SB->currentMessage().startsWith("Z0[2] = "));
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::Input).empty());
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

TEST_F(PcaWindowTest, EnterInTheVariableListTogglesTheFocusedVariable) {
    auto w = Window(Open());
    w->lbVarSel->setCurrentRow(1);
    QTest::keyClick(w->lbVarSel, Qt::Key_Return);
    EXPECT_EQ(w->VarFlags(), (std::vector<std::uint8_t>{1, 0, 1, 1}));
    EXPECT_EQ(w->sgRelMat->RowCount(), 4);
    QTest::keyClick(w->lbVarSel, Qt::Key_Enter);
    EXPECT_EQ(w->VarFlags(), (std::vector<std::uint8_t>{1, 1, 1, 1}));
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

TEST_F(PcaWindowTest, MinresFailingForEveryFactorCountKeepsVarimaxAndItsName) {
    // d repeats a: no Minres fit has factor scores, whatever the count.
    SaveAs(*MakeModel({kData[0], kData[1], kData[2], kData[0]}, {}, {"a", "b", "c", "d"}), dir_.Path("twin.MDF"));
    main_->OpenAndRemember(dir_.Path("twin.MDF"));
    ui_.ClearCalls();
    auto w = Window(state_.Model());
    const PCA* p = w->Analysis();
    ASSERT_TRUE(p);
    ui_.QueueOK();
    w->Setting->trigger();
    EXPECT_TRUE(w->UsesVarimax());
    EXPECT_EQ(p->Method(), PCA::kMethodVarimax);
    EXPECT_EQ(ui_.MessageTexts(),
              (std::vector<std::string>{"Minres 法の因子得点を計算できません: 相関行列に逆行列がありません。"}));
    // A rename redraws every page: the rotated loadings keep their name.
    ui_.QueueInput("Z0");
    ui_.QueueInput("first");
    w->RenameExecute();
    EXPECT_EQ(p->GetScoreName(0), "first");
    EXPECT_EQ(w->sgRF->Cell(0, 0), "Varimax");
}

TEST_F(PcaWindowTest, MinresFailingWhenATwinIsTickedBackSaysWhyInTheWindowsWords) {
    SaveAs(*MakeModel({kData[0], kData[1], kData[2], kData[3], kData[0]}, {}, {"a", "b", "c", "d", "e"}),
           dir_.Path("twin5.MDF"));
    main_->OpenAndRemember(dir_.Path("twin5.MDF"));
    auto w = Window(state_.Model());
    w->lbVarSel->setCurrentRow(4);
    QTest::keyClick(w->lbVarSel, Qt::Key_Return);  // e, a's twin, out
    w->Setting->trigger();                         // Minres on a to d
    ASSERT_FALSE(w->UsesVarimax());
    ui_.ClearCalls();
    ui_.QueueOK();
    QTest::keyClick(w->lbVarSel, Qt::Key_Return);  // e back: R has no inverse
    EXPECT_EQ(ui_.MessageTexts(),
              (std::vector<std::string>{"Minres 法の因子得点を計算できません: 相関行列に逆行列がありません。"}));
}

TEST_F(PcaWindowTest, MinresNotSettlingAtTheAskedCountSaysSoInTheWindowsWords) {
    // Minres fits three factors of these data; at two (also the default
    // count) it is still moving at the iteration cap.
    const Columns data = {{0.13, 0.58, -0.03, -0.86, -0.12, 0.44, 0.57, 0.22, -1.41, 1.82},
                          {-0.42, -1.10, -1.19, -0.68, -0.30, 1.21, 0.23, -0.78, 0.43, 0.22},
                          {-2.26, -0.40, 0.49, 0.59, -2.44, -0.29, -0.12, 1.46, 0.95, 0.06},
                          {-1.52, 0.37, 0.82, -0.05, -1.68, -1.29, 0.41, 1.43, -0.01, 0.59}};
    SaveAs(*MakeModel(data, {}, {"a", "b", "c", "d"}), dir_.Path("minres.MDF"));
    main_->OpenAndRemember(dir_.Path("minres.MDF"));
    auto w = Window(state_.Model());
    const PCA* p = w->Analysis();
    ASSERT_TRUE(p);
    ui_.ClearCalls();
    ui_.QueueInput("3");
    w->Rotation->trigger();
    w->Setting->trigger();
    ASSERT_FALSE(w->UsesVarimax());
    ASSERT_EQ(p->FactorCount(), 3);
    ASSERT_TRUE(ui_.MessageTexts().empty());
    ui_.QueueInput("2");
    ui_.QueueOK();
    w->Rotation->trigger();
    EXPECT_EQ(ui_.MessageTexts(), (std::vector<std::string>{"Minres 法の因子の計算が収束しません。"}));
    // The three-factor solution stays on its page.
    EXPECT_EQ(p->FactorCount(), 3);
    EXPECT_EQ(w->sgRF->ColCount(), 4);
    EXPECT_EQ(w->sgRF->Cell(0, 0), "Minres");
}

TEST_F(PcaWindowTest, RenamingChecksTheNewName) {
    auto w = Window(Open());
    const PCA* p = w->Analysis();
    ui_.QueueInput("Z0");
    ui_.QueueInput("wealth");
    w->RenameExecute();
    EXPECT_EQ(p->GetScoreName(0), "wealth");
    EXPECT_EQ(w->sgScore->Cell(1, 0), "wealth");
    // A variable's name is refused; a name no score has ends silently.
    ui_.QueueInput("F1");
    ui_.QueueInput("a");
    ui_.QueueOK();
    w->RenameExecute();
    EXPECT_EQ(p->GetFactorScoreName(1), "F1");
    EXPECT_EQ(ui_.MessageTexts(), (std::vector<std::string>{"二重定義エラー"}));
    ui_.QueueInput("nothing");
    w->RenameExecute();
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).size(), 5u);
}

TEST_F(PcaWindowTest, AddingTwoScoreSeriesOneUndoStepEach) {
    Reg* m = Open();
    auto w = Window(m);
    w->RunSelector = Ticking({1, 4});  // the second score, the first factor score
    w->SelectionExecute();
    ASSERT_EQ(m->GetVarCount(), 6);
    EXPECT_EQ(m->GetVarName(4), "Z1");
    EXPECT_EQ(m->GetVarName(5), "F0");
    EXPECT_EQ(m->GetVarInfo(4), "PCA");
    EXPECT_NEAR(m->GetValue(0, 4), kZ1First, kTolerance);
    EXPECT_NEAR(m->GetValue(9, 4), kZ1Last, kTolerance);
    EXPECT_NEAR(m->GetValue(0, 5), kF0First, kTolerance);
    EXPECT_NEAR(m->GetValue(9, 5), kF0Last, kTolerance);
    ASSERT_TRUE(state_.Undo().Undo(*m));
    EXPECT_EQ(m->GetVarCount(), 5);
    ASSERT_TRUE(state_.Undo().Undo(*m));
    EXPECT_EQ(m->GetVarCount(), 4);
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

TEST_F(PcaWindowTest, GroupsThatCannotBeAnalysedKeepTheAnalysisAndShorterScoresAreNotAdded) {
    Reg* m = Open();
    // Group 1: one observation of every variable; group 2: the first eight.
    for (int j = 0; j < 4; ++j) m->SetMark(0, j, 1);
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j) m->SetMark(i, j, static_cast<std::uint16_t>(m->GetVar(j).GetMark(i) | 2));
    auto w = Window(m);
    const PCA* before = w->Analysis();
    w->RunSelector = Ticking({1});
    ui_.QueueOK();
    w->ActiveGroup->trigger();  // through the command guard
    EXPECT_EQ(w->Analysis(), before);
    EXPECT_EQ(ui_.MessageTexts(), (std::vector<std::string>{"定数です = a"}));
    EXPECT_EQ(w->sgScore->RowCount(), 11);
    EXPECT_EQ(w->VarFlags().size(), 4u);

    w->RunSelector = Ticking({2});
    w->ActiveGroupExecute();
    ASSERT_NE(w->Analysis(), nullptr);
    EXPECT_EQ(w->Analysis()->ObsCount(), 8);
    EXPECT_EQ(w->sgScore->RowCount(), 9);
    ui_.ClearCalls();
    ui_.QueueOK();
    w->RunSelector = Ticking({0});
    w->SelectionExecute();
    EXPECT_EQ(ui_.MessageTexts(), (std::vector<std::string>{"グループの一部で計算した主成分はデータに追加できません"}));
    EXPECT_EQ(m->GetVarCount(), 4);
    EXPECT_NE(w->Analysis(), nullptr);
}

TEST_F(PcaWindowTest, TableSourceHidesGroupsAndAddingAndNoTickLeavesNothing) {
    EngineContext& context = state_.Context();
    TNamedData table(context, 10, 4);
    for (int j = 0; j < 4; ++j) {
        table.SetColumnName(j, std::string(1, static_cast<char>('p' + j)));
        for (int i = 0; i < 10; ++i) table.SetValue(i, j, kData[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)]);
    }
    TfrmPCA w{WindowContext(state_)};
    ASSERT_TRUE(w.StartFromTable(table));
    w.RefreshPages();
    EXPECT_FALSE(w.ActiveGroup->isVisible());
    EXPECT_FALSE(w.Selection->isVisible());
    EXPECT_EQ(w.sgRelMat->Cell(1, 0), "p");
    w.ActiveGroupExecute();  // nothing to choose from
    for (int i = 0; i < 4; ++i) w.lbVarSel->item(i)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(w.Analysis(), nullptr);
    EXPECT_EQ(w.sgScore->Cell(1, 1), "");
    w.lbVarSel->item(2)->setCheckState(Qt::Checked);
    w.lbVarSel->item(3)->setCheckState(Qt::Checked);
    ASSERT_NE(w.Analysis(), nullptr);
    EXPECT_EQ(w.Analysis()->VarCount(), 2);
    EXPECT_EQ(w.sgRelMat->Cell(2, 0), "s");
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

TEST_F(PcaWindowTest, LoadingPlotGetsTheChosenAxes) {
    auto w = Window(Open());
    const PCA* p = w->Analysis();
    std::vector<FacLoadPlotRequest> plots;
    auto probe = Probe<FacLoadPlotRequest>("TfrmFacLoadPlot", [&plots](const auto& r) { plots.push_back(r); });
    ui_.QueueInput("F1");  // vertical
    ui_.QueueInput("Z0");  // horizontal
    w->FFPlotExecute();
    ASSERT_EQ(plots.size(), 1u);
    EXPECT_EQ(plots[0].analysis, p);
    EXPECT_EQ(plots[0].xName, "Z0");
    EXPECT_EQ(plots[0].yName, "F1");
    EXPECT_EQ(plots[0].labels, (std::vector<std::string>{"a", "b", "c", "d"}));
    ASSERT_EQ(plots[0].x.size(), 4u);
    ASSERT_EQ(plots[0].y.size(), 4u);
    EXPECT_NEAR(plots[0].x.front(), 0.94083242387512595, kTolerance);
    EXPECT_NEAR(plots[0].x.back(), 0.67897448934163223, kTolerance);
    EXPECT_NEAR(plots[0].y.front(), -0.16890538918858462, 1e-9);
    EXPECT_NEAR(plots[0].y.back(), -0.95363123392883703, 1e-9);
    // A variable's name is no axis of the loading plot.
    ui_.QueueInput("a");
    w->FFPlotExecute();
    EXPECT_EQ(plots.size(), 1u);

    // Two other components, each axis its own loadings (variables a and d).
    plots.clear();
    ui_.QueueInput("Z2");
    ui_.QueueInput("Z3");
    w->FFPlotExecute();
    ASSERT_EQ(plots.size(), 1u);
    ExpectGraph({{plots[0].xName, plots[0].yName, plots[0].x, plots[0].y}}, "Z3", "Z2",
                {4, 0.077199173551443396, -0.013464321472481386, -0.030572332185027048, 0.17059780980547678}, 1e-9);
    EXPECT_TRUE(ui_.MessageTexts().empty());
}

}  // namespace

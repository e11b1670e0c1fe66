// The principal component window, offscreen: opened from the main window's
// command with every page showing the engine's cells and marks, one
// command, closed; then what only the window decides (method and factor
// count, renaming with the name checks, adding score series with one undo
// step each, refusing series of a group analysis, keeping the analysis when
// a group choice cannot be analysed, a table source, no ticked variable,
// the loadings handed to the loading plot, a switch to Minres that fails).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "eval/reserved_words.h"
#include "started_windows.h"
#include "stats/fac_load_plot_request.h"
#include "stats/pca_tables.h"
#include "stats/ui/pca_window.h"
#include "request_probe.h"
#include "support/four_variable_sample.h"
#include "support/model_builder.h"

namespace {

const Columns& kData = kFourVariableSample;

QString Shown(const ResultCell& c) { return Q(c.Shown()); }

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
    std::vector<std::string> Errors() const {
        std::vector<std::string> texts;
        for (const RecordedCall& c : ui_.CallsOf(ServiceCall::MessageBox)) texts.push_back(c.text);
        return texts;
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
        EXPECT_EQ(w->sgRelMat->Cell(2, 1), Q(FormatNumber(false, p->GetCorrelation(0, 1))));
        EXPECT_EQ(w->sgEV->Cell(1, 0), Q(FormatNumber(false, p->GetEigenValue(0))));
        EXPECT_EQ(w->sgEV->Cell(0, 3), "a");
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i) EXPECT_EQ(w->sgFL->Cell(i + 1, j + 1), Shown(LoadingCell(p->GetLoading(j, i))));
        EXPECT_EQ(w->sgScore->Cell(2, 7), Q(FormatNumber(false, p->GetScore(6, 1))));
        EXPECT_EQ(w->sgRF->Cell(0, 0), "Varimax");
        EXPECT_EQ(w->sgRF->Cell(1, 2), Shown(LoadingCell(p->GetRotatedLoading(1, 0))));
        EXPECT_EQ(w->sgFS->Cell(1, 10), Q(FormatNumber(false, p->GetFactorScore(9, 0))));
        w->PC->setCurrentWidget(w->sgCheck);
        EXPECT_EQ(w->sgCheck->Cell(3, 4), Shown(OutlierCell(p->GetOutlierValue(3, 2))));
        // Score names count as taken while the window is open.
        EXPECT_EQ(ClassifyNewName(state_, p->GetScoreName(0), true), kNewNameTaken);
        w->SettingExecute();
        EXPECT_EQ(w->sgRF->Cell(0, 0), "Minres");
        w->sgEVClick(2, 1);
        EXPECT_EQ(w->SB->currentMessage().toStdString(), FormatElementValue("寄与率", 2, p->GetContribution(1)));
        w->Exitence->trigger();
    });
    command->trigger();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(ClassifyNewName(state_, "Z0", true), kNewNameFree);
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
    }
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
    EXPECT_EQ(w->sgFL->Cell(2, 1), Q(FormatNumber(false, p->GetCommunality(0, 1))));
    w->sgFLClick(0, 0);  // the corner switches back
    EXPECT_TRUE(w->ShowsLoadings());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PcaWindowTest, MinresFailingForEveryFactorCountKeepsVarimaxAndItsName) {
    // d repeats a: the correlation matrix has no inverse, so no Minres fit
    // gives factor scores, whatever the number of factors.
    SaveAs(*MakeModel({kData[0], kData[1], kData[2], kData[0]}, {}, {"a", "b", "c", "d"}), dir_.Path("twin.MDF"));
    main_->OpenAndRemember(dir_.Path("twin.MDF"));
    ui_.ClearCalls();
    auto w = Window(state_.Model());
    const PCA* p = w->Analysis();
    ASSERT_TRUE(p);
    const int factors = p->FactorCount();
    std::vector<double> shown;
    for (int j = 0; j < 4; ++j)
        for (int f = 0; f < factors; ++f) shown.push_back(p->GetRotatedLoading(j, f));
    const auto expectVarimax = [&](const char* after) {
        SCOPED_TRACE(after);
        EXPECT_TRUE(w->UsesVarimax());
        EXPECT_EQ(p->Method(), PCA::kMethodVarimax);
        EXPECT_EQ(w->sgRF->Cell(0, 0), "Varimax");
        EXPECT_EQ(p->FactorCount(), factors);
        std::vector<double> now;
        for (int j = 0; j < 4; ++j)
            for (int f = 0; f < factors; ++f) now.push_back(p->GetRotatedLoading(j, f));
        EXPECT_EQ(now, shown);
    };
    // Each attempt shows the fit's error once and changes nothing.
    for (int attempt = 0; attempt < 2; ++attempt) {
        ui_.QueueOK();
        w->Setting->trigger();
        expectVarimax("switch");
    }
    EXPECT_EQ(Errors(), (std::vector<std::string>{"INVERSE ERROR!", "INVERSE ERROR!"}));
    // A rename redraws every page: the rotated loadings keep their name.
    ui_.QueueInput(p->GetScoreName(0));
    ui_.QueueInput("first");
    w->RenameExecute();
    EXPECT_EQ(p->GetScoreName(0), "first");
    expectVarimax("rename");
}

TEST_F(PcaWindowTest, RenamingChecksTheNewName) {
    auto w = Window(Open());
    const PCA* p = w->Analysis();
    const std::string z0 = p->GetScoreName(0), f1 = p->GetFactorScoreName(1);
    ui_.QueueInput(z0);
    ui_.QueueInput("wealth");
    w->RenameExecute();
    EXPECT_EQ(p->GetScoreName(0), "wealth");
    EXPECT_EQ(w->sgScore->Cell(1, 0), "wealth");
    // A variable's name is refused; a name no score has ends silently.
    ui_.QueueInput(f1);
    ui_.QueueInput("a");
    ui_.QueueOK();
    w->RenameExecute();
    EXPECT_EQ(p->GetFactorScoreName(1), f1);
    EXPECT_EQ(Errors(), (std::vector<std::string>{"二重定義エラー"}));
    ui_.QueueInput("nothing");
    w->RenameExecute();
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).size(), 5u);
}

TEST_F(PcaWindowTest, AddingTwoScoreSeriesOneUndoStepEach) {
    Reg* m = Open();
    auto w = Window(m);
    const PCA* p = w->Analysis();
    const std::string z1 = p->GetScoreName(1), f0 = p->GetFactorScoreName(0);
    w->RunSelector = Ticking({1, 4});  // the second score, the first factor score
    w->SelectionExecute();
    ASSERT_EQ(m->GetVarCount(), 6);
    EXPECT_EQ(m->GetVarName(4), z1);
    EXPECT_EQ(m->GetVarName(5), f0);
    EXPECT_EQ(m->GetVarInfo(4), "PCA");
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(m->GetValue(i, 4), p->GetScore(i, 1));
        EXPECT_EQ(m->GetValue(i, 5), p->GetFactorScore(i, 0));
    }
    ASSERT_TRUE(state_.Undo().Undo(*m));
    EXPECT_EQ(m->GetVarCount(), 5);
    ASSERT_TRUE(state_.Undo().Undo(*m));
    EXPECT_EQ(m->GetVarCount(), 4);
    EXPECT_TRUE(Errors().empty());
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
    EXPECT_EQ(Errors(), (std::vector<std::string>{"定数です = a"}));
    EXPECT_EQ(w->sgScore->RowCount(), 11);
    EXPECT_EQ(w->VarFlags().size(), 4u);

    w->RunSelector = Ticking({2});
    w->ActiveGroupExecute();
    ASSERT_NE(w->Analysis(), nullptr);
    EXPECT_EQ(w->Analysis()->ObsCount(), 8);
    ui_.ClearCalls();
    ui_.QueueOK();
    w->RunSelector = Ticking({0});
    w->SelectionExecute();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"グループの一部で計算した主成分はデータに追加できません"}));
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
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PcaWindowTest, LoadingPlotGetsTheChosenAxes) {
    auto w = Window(Open());
    const PCA* p = w->Analysis();
    std::vector<FacLoadPlotRequest> plots;
    auto probe = Probe<FacLoadPlotRequest>("TfrmFacLoadPlot", [&plots](const auto& r) { plots.push_back(r); });
    ui_.QueueInput(p->GetFactorScoreName(1));  // vertical
    ui_.QueueInput(p->GetScoreName(0));        // horizontal
    w->FFPlotExecute();
    ASSERT_EQ(plots.size(), 1u);
    EXPECT_EQ(plots[0].analysis, p);
    EXPECT_EQ(plots[0].xName, p->GetScoreName(0));
    EXPECT_EQ(plots[0].labels, (std::vector<std::string>{"a", "b", "c", "d"}));
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(plots[0].x[static_cast<std::size_t>(j)], p->GetLoading(j, 0));
        EXPECT_EQ(plots[0].y[static_cast<std::size_t>(j)], p->GetRotatedLoading(j, 1));
    }
    // A variable's name is no axis of the loading plot.
    ui_.QueueInput("a");
    w->FFPlotExecute();
    EXPECT_EQ(plots.size(), 1u);

    EXPECT_TRUE(Errors().empty());
}

}  // namespace

// The jackknife window opened from the main window's button: a cell of its
// estimates against the engine, the jackknifed equation added and undone,
// and the lag plots that need four points.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>

#include "components/view/window_registry.h"
#include "components/view/result_grid.h"
#include "core/data/equation_list.h"
#include "core/report/result_table.h"
#include "core/model/regression_model.h"
#include "estimators/jackknife.h"
#include "estimators/ui/jackknife_window.h"
#include "request_probe.h"
#include "modal_window.h"
#include "started_windows.h"
#include "stats/xy_graph_request.h"

namespace {

class JackknifeWindowTest : public StartedWindows {
protected:
    JackknifeWindowTest() : StartedWindows("jackknife") {}

    // Y (endogenous) on X1 and X2, six observations.
    Reg* Open() {
        auto model = MakeModel({{1, 2, 3, 4, 5, 6}, {2, 1, 4, 3, 6, 5}, {1.5, 2.5, 2, 4, 4.5, 6.5}}, {1, 2, 1},
                               {"X1", "X2", "Y"});
        SaveAs(*model, dir_.Path("jne.MDF"));
        main_->OpenAndRemember(dir_.Path("jne.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(2);
        EXPECT_TRUE(m->ToggleVariable(0));
        EXPECT_TRUE(m->ToggleVariable(1));
        main_->UpdateLaunchActions();
        return m;
    }
    // The window the button fills, kept unshown for the handlers.
    TfrmJNE* Launch() {
        return kept_.Keep([this] { main_->EstimateButton("btnJNE")->click(); });
    }

    KeptWindow<TfrmJNE> kept_{"TfrmJNE", RegisterJackknifeWindow};
};

TEST_F(JackknifeWindowTest, OpensFromItsButtonAndAddsTheEquationWithOneUndoStep) {
    Reg* model = Open();
    QPushButton* button = main_->EstimateButton("btnJNE");
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled());
    const bool opened = WhileModal<TfrmJNE>([button] { button->click(); }, [&](TfrmJNE& w) {
        EXPECT_EQ(w.windowTitle().toStdString(), "ジャックナイフ推定値");

        const JackknifeResult engine = Jackknife(JackknifeInputOf(*model));
        EXPECT_EQ(w.sgEst->Cell(0, 0).toStdString(), "Y");
        EXPECT_EQ(w.sgEst->Cell(0, 3).toStdString(), "定数項");
        EXPECT_EQ(w.sgEst->Cell(1, 1).toStdString(), NumberCell(engine.coef[0]).Shown());
        EXPECT_EQ(w.sgRes->RowCount(), 7);

        const int before = model->Expressions().GetCount();
        w.AddExp->trigger();
        ASSERT_EQ(model->Expressions().GetCount(), before + 1);
        EXPECT_GE(model->Expressions().IndexOf("Y"), 0);
        main_->Action("UndoEdit")->trigger();
        EXPECT_EQ(model->Expressions().GetCount(), before);

        w.Exitence->trigger();
    });
    EXPECT_TRUE(opened);
    // Closed and destroyed when the command ends.
    for (QWidget* top : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<TfrmJNE*>(top), nullptr);
}

// The jackknifed fit in exact fractions: residuals 5/12, -1/6, -5/6, -5/12, -1/12, 1/3.
TEST_F(JackknifeWindowTest, EachPlotHandsItsSeriesOnBothAxes) {
    Open();
    std::vector<GraphSeen> seen;
    auto probe = ProbeGraphs(seen);
    TfrmJNE* w = Launch();
    ASSERT_NE(w, nullptr);
    const std::vector<PlotCase> plots = {
            {w->EYPlot, nullptr, "予測値", "残差", {6, 13.0 / 12, 37.0 / 6, 5.0 / 12, 1.0 / 3}},
            {w->ETPlot, nullptr, "時間", "残差", {6, 1, 6, 5.0 / 12, 1.0 / 3}},
            {w->YYPlot, nullptr, "Y予測値", "Y観測値", {6, 13.0 / 12, 37.0 / 6, 1.5, 6.5}},
            {w->EXPlot, "X2", "X2", "残差", {6, 2, 5, 5.0 / 12, 1.0 / 3}},
            {w->EEPlot, nullptr, "e(i)", "e(i-1)", {5, -1.0 / 6, 1.0 / 3, 5.0 / 12, -1.0 / 12}},
            {w->pmEELag->findChild<QAction*>("mnuEE2"), nullptr, "e(i)", "e(i-2)",
             {4, -5.0 / 6, 1.0 / 3, 5.0 / 12, -5.0 / 12}},
    };
    ExpectPlots(plots, ui_, seen);
    w->close();
}

TEST_F(JackknifeWindowTest, LagPlotsNeedFourPoints) {
    Open();
    std::vector<int> points;
    auto graph = Probe<XYGraphRequest>("TfrmGraphXY", [&points](const XYGraphRequest& r) { points.push_back(r.n); });
    TfrmJNE* w = Launch();
    ASSERT_NE(w, nullptr);
    for (const char* lag : {"mnuEE2", "mnuEE3", "mnuEE4"}) w->pmEELag->findChild<QAction*>(lag)->trigger();
    w->EEPlot->trigger();
    // Six residuals: lag 2 leaves four points, lags 3 and 4 too few.
    EXPECT_EQ(points, (std::vector<int>{4, 5}));
    w->close();
}

}  // namespace

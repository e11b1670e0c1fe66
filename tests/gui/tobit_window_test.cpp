// The Tobit window opened from the main window's menu: a cell and sigma's
// standard error against the engine, the latent-index prediction on Enter,
// the displays of the positive observations (left click) or of all (right
// click), and a failed estimation that shows "FAILURE" and opens nothing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "components/view/window_registry.h"
#include "components/view/result_grid.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "estimators/tobit.h"
#include "estimators/tobit_tables.h"
#include "estimators/ui/tobit_window.h"
#include "request_probe.h"
#include "modal_window.h"
#include "started_windows.h"
#include "stats/xy_graph_request.h"

namespace {

class TobitWindowTest : public StartedWindows {
protected:
    TobitWindowTest() : StartedWindows("tobit") {}

    Reg* Open(const std::vector<double>& y) {
        const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        SaveAs(*MakeModel({x, y}, {}, {"X", "Y"}), dir_.Path("mle.MDF"));
        main_->OpenAndRemember(dir_.Path("mle.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(1);
        EXPECT_TRUE(m->ToggleVariable(0));
        ui_.ClearCalls();
        return m;
    }
    TfrmMLE* Opened() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<TfrmMLE*>(w)) return t;
        return nullptr;
    }
};

TEST_F(TobitWindowTest, OpensFromTheMenuPredictsAndShowsThePositiveOrAllObservations) {
    // Three of ten observations censored at zero.
    Reg* model = Open({0, 0, 0.8, 0, 2.1, 2.4, 3.9, 3.7, 5.2, 5.6});
    QAction* command = main_->Action("mnuTobit");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text().toStdString(), "ﾄｰビット推定量(&T)");
    ASSERT_TRUE(command->isEnabled());
    const bool opened = WhileModal<TfrmMLE>([command] { command->trigger(); }, [&](TfrmMLE& w) {
        const TobitResult engine = TobitEstimate(MakeTobitProblem(*model));
        EXPECT_EQ(w.sgEst->Cell(1, 1).toStdString(), NumberCell(engine.coef[0]).Shown());
        EXPECT_EQ(w.stVeVar->text().toStdString(), TobitSigmaStdErrorCell(engine).Shown());
        EXPECT_EQ(w.sgRes->Cell(3, 1).toStdString(), "-");  // censored

        w.sgVList->SetCell(1, 1, "2*3");
        emit w.sgVList->KeyDown(Qt::Key_Return, Qt::NoModifier);
        EXPECT_EQ(w.stPred->text().toStdString(), FormatNumber(false, engine.coef[0] * 6 + engine.coef[1]));

        std::vector<GraphSeen> seen;
        auto graph = ProbeGraphs(seen);
        w.resize(640, 480);
        QApplication::processEvents();
        // Left: the 7 positive observations, right: all 10; index 0.811016 x - 2.353219.
        const double index3 = 0.0798283160850679, index1 = -1.54220351976737, index10 = 5.75693974156861;
        const struct {
            QToolButton* button;
            Qt::MouseButton click;
            const char* yName;
            SeriesEnds ends;
        } plots[] = {
                {w.tbEYPlot, Qt::LeftButton, "残差", {7, index3, index10, 1.27843633388716, -0.278596718440086}},
                {w.tbEYPlot, Qt::RightButton, "残差", {10, index1, index10, 2.73769305008132, -0.278596718440086}},
                {w.tbYYPlot, Qt::LeftButton, "観測値", {7, index3, index10, 0.8, 5.6}},
                {w.tbYYPlot, Qt::RightButton, "観測値", {10, index1, index10, 0, 5.6}},
        };
        for (const auto& p : plots) {
            SCOPED_TRACE(std::string(p.yName) + (p.click == Qt::LeftButton ? " left" : " right"));
            seen.clear();
            QTest::mouseClick(p.button, p.click);
            ExpectGraph(seen, "予測値", p.yName, p.ends, 1e-3);  // the simplex's tolerance
        }

        w.Exitence->trigger();
    });
    EXPECT_TRUE(opened);
    EXPECT_EQ(Opened(), nullptr);  // closed and destroyed when the command ends
}

TEST_F(TobitWindowTest, AFailedEstimationShowsFailureAndNoWindow) {
    Open({-1, -2, -1.5, -3, -2.5, -4, -3.5, -5, -4.5, -6});
    ui_.QueueOK();
    main_->Action("mnuTobit")->trigger();
    EXPECT_EQ(Opened(), nullptr);
    const auto shown = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "FAILURE");
}

}  // namespace

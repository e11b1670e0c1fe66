// The preliminary regression and Yule-Walker windows through the main
// window's transformation commands: the chosen variable's values are
// replaced in one undo step that restores them bit for bit; a collinear
// candidate ignores clicks; the ridge hand-off takes the ridge fit; the
// Yule-Walker order prompt takes order 1 for a text giving no value and
// refuses orders below 1; each help button says that there is no help.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "components/view/result_grid.h"
#include "components/view/window_registry.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "estimators/ridge.h"
#include "estimators/ridge_request.h"
#include "app/dialogs/henkan_window.h"
#include "estimators/ui/preliminary_regression_window.h"
#include "estimators/ui/yule_walker_window.h"
#include "estimators/yule_walker_request.h"
#include "request_probe.h"
#include "started_windows.h"
#include "stats/fundamental_stats_request.h"
#include "stats/xy_graph_request.h"

namespace {

const std::vector<double> kY = {3.9, 5.6, 9.1, 10.4, 14.2, 15.1, 19.3, 21.2};

class TransformationWindowsTest : public StartedWindows {
protected:
    TransformationWindowsTest() : StartedWindows("transform") {}

    Reg* Open() {
        const std::vector<double> x1 = {1, 2, 3, 4, 5, 6, 7, 8}, x2 = {2, 1, 4, 3, 6, 5, 8, 9};
        std::vector<double> x3;
        for (double v : x1) x3.push_back(2 * v);
        SaveAs(*MakeModel({x1, x2, x3, kY}, {}, {"x1", "x2", "x3", "y"}), dir_.Path("pre.MDF"));
        main_->OpenAndRemember(dir_.Path("pre.MDF"));
        ui_.ClearCalls();
        return state_.Model();
    }
    // Runs the command on variable y with the modal window handled by act.
    template <class Window>
    void Run(const char* command, std::function<void(Window*)> act) {
        ui_.QueueInput("y");
        QTimer::singleShot(0, [act] {
            auto* w = qobject_cast<Window*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            act(w);
        });
        main_->Action(command)->trigger();
    }
};

TEST_F(TransformationWindowsTest, HelpButtonsSayThatHelpCannotBeShown) {
    Open();
    int seen = 0;
    const auto help = [&](QPushButton* button, QPushButton* cancel) {
        ++seen;
        ui_.ClearCalls();
        ui_.QueueOK();
        button->click();
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        cancel->click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "HTML HELPファイルの表示に失敗しました。");
    };
    Run<TfrmHenkan>("mnuExpConv", [&](TfrmHenkan* w) { help(w->btnHelp, w->btnCancel); });
    Run<TfrmPreREG>("mnuPreREG", [&](TfrmPreREG* w) { help(w->btnHelp, w->btnCancel); });
    Run<TfrmYWEst>("mnuYWxchg", [&](TfrmYWEst* w) { help(w->btnHelp, w->btnCancel); });
    EXPECT_EQ(seen, 3);
}

TEST_F(TransformationWindowsTest, PreliminaryResidualsReplaceTheVariableInOneUndoStep) {
    Reg* model = Open();
    const PreliminaryRegression engine(*model, 3, "y", kY, PreliminaryRegression::Mode::Variables);
    std::vector<double> residuals;
    Run<TfrmPreREG>("mnuPreREG", [&](TfrmPreREG* w) {
        EXPECT_EQ(w->windowTitle().toStdString(), "予備回帰");
        EXPECT_EQ(w->sgEst->Cell(2, 2).toStdString(), NumberCell(engine.Coef(0)).Shown());
        EXPECT_EQ(w->sgEst->Cell(1, 4).toStdString(), "TOL CHECK");
        w->ToggleRow(4);  // x3 is collinear with x1: nothing happens
        EXPECT_FALSE(w->Regression()->InModel(2));
        w->ToggleRow(3);  // x2 goes in
        EXPECT_TRUE(w->Regression()->InModel(1));
        w->btnSet->click();
        EXPECT_EQ(w->btnSet->text().toStdString(), "残差採用(&S)");
        residuals = w->Regression()->Residuals();
        w->btnOK->click();
    });
    ASSERT_EQ(residuals.size(), 8u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(model->GetValue(i, 3), residuals[static_cast<std::size_t>(i)]);
    main_->Action("UndoEdit")->trigger();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(model->GetValue(i, 3), kY[static_cast<std::size_t>(i)]);
}

// y on x1 and x2 by exact least squares; the time plot carries the fit as a line.
TEST_F(TransformationWindowsTest, PreliminaryPlotsHandTheTargetAndTheFit) {
    Open();
    std::vector<GraphSeen> seen, lines;
    auto probe = Probe<XYGraphRequest>("TfrmGraphXY", [&](const XYGraphRequest& r) {
        seen.push_back({r.xName, r.yName, {r.x, r.x + r.n}, {r.y, r.y + r.n}});
        for (const XYData& line : r.extraSeries) lines.push_back(SeriesOf(line));
    });
    Run<TfrmPreREG>("mnuPreREG", [&](TfrmPreREG* w) {
        w->ToggleRow(3);  // x2 goes in
        w->btnYY->click();
        w->btnTime->click();
        w->btnCancel->click();
    });
    const double fit0 = 4.1387254901960784, fitLast = 21.456862745098039;
    ASSERT_EQ(seen.size(), 2u);
    ExpectGraph({seen[0]}, "観測値", "予測値", {8, 3.9, 21.2, fit0, fitLast});
    ExpectGraph({seen[1]}, "時間", "y", {8, 1, 8, 3.9, 21.2});
    ASSERT_EQ(lines.size(), 1u);
    ExpectEnds(lines[0], {8, 1, 8, fit0, fitLast});
}

TEST_F(TransformationWindowsTest, RidgeHandOffTakesTheRidgeFitAndTimeModeStartsAgain) {
    Open();
    int dependent = -1;
    std::vector<int> selected;
    ScopedAnalysisWindow ridge("TfrmRidge", [&](const WindowContext&) {
        struct Fake : RequestWindow<RidgeRequest> {
            std::function<void(const RidgeRequest&)> seen;
            bool Fill(const RidgeRequest& r) override {
                seen(r);
                return false;
            }
            int ShowModal() override { return 0; }
        };
        auto f = std::make_unique<Fake>();
        f->seen = [&](const RidgeRequest& r) {
            dependent = r.dependentColumn;
            for (int j = 0; j < r.table->Cols(); ++j)
                if (r.table->IsSelected(j)) selected.push_back(j);
            Ridge fit(*r.table, r.dependentColumn);
            ASSERT_TRUE(fit.Estimate(0.5));
            r.closed(fit);
        };
        return f;
    });
    Run<TfrmPreREG>("mnuPreREG", [&](TfrmPreREG* w) {
        ASSERT_TRUE(w->btnRIDGE->isEnabled());
        const std::vector<double> before = w->Regression()->Fitted();
        w->btnRIDGE->click();
        EXPECT_NE(w->Regression()->Fitted(), before);
        w->rbTime->click();
        EXPECT_EQ(w->sgEst->Cell(0, 2).toStdString(), "1乗項");
        EXPECT_EQ(w->sgEst->Cell(0, 0).toStdString(), "y");
        w->btnCancel->click();
    });
    EXPECT_EQ(dependent, 3);
    EXPECT_EQ(selected, (std::vector<int>{0, 3}));
}

TEST_F(TransformationWindowsTest, YuleWalkerWhitensTheVariableAndRefusesOrdersBelowOne) {
    Reg* model = Open();
    YuleWalkerSeries engine;
    ASSERT_TRUE(engine.SetData(kY, 2));
    Run<TfrmYWEst>("mnuYWxchg", [&](TfrmYWEst* w) {
        // A text that gives no value asks for order 1; only an order below 1
        // is refused, with a word.
        const struct {
            const char* typed;
            int order;
        } cases[] = {{"3", 3}, {"", 1}, {"1+1", 2}, {"1+", 1}, {"3", 3}, {"1/0", 1}, {"0", 1}};
        for (const auto& c : cases) {
            SCOPED_TRACE(c.typed);
            const bool refused = std::string(c.typed) == "0";
            ui_.ClearCalls();
            ui_.QueueInput(c.typed);
            if (refused) ui_.QueueOK();
            w->btnSetRho->click();
            EXPECT_EQ(w->Series().Order(), c.order);
            EXPECT_EQ(w->sgEst->RowCount(), c.order + 1);
            const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
            ASSERT_EQ(boxes.size(), refused ? 1u : 0u);
            if (refused) { EXPECT_EQ(boxes[0].text, "次数は 1 以上です。"); }
        }
        const std::pair<QString, const char*> captions[] = {
                {w->windowTitle(), "ユールウォーカー推定"}, {w->btnSetRho->text(), "次数(&P)"},
                {w->btnRes->text(), "残差(&R)"},             {w->btnOK->text(), "決定(&O)"},
                {w->btnCancel->text(), "取り消し(&C)"},      {w->btnHelp->text(), "ヘルプ(&H)"},
        };
        for (const auto& [shown, caption] : captions) EXPECT_EQ(shown.toStdString(), caption);
        // The residuals of order 1 to the statistics window: sqrt(1 - r1^2)
        // x0 first, then x(i) - r1 x(i-1), x centred on 12.35.
        std::vector<FundamentalStatsRequest> stats;
        auto probe = Probe<FundamentalStatsRequest>(
                "TfrmFund", [&stats](const FundamentalStatsRequest& r) { stats.push_back(r); });
        w->btnRes->click();
        ASSERT_EQ(stats.size(), 1u);
        EXPECT_EQ(stats[0].name, "残差");
        ASSERT_EQ(stats[0].values.size(), 8u);
        EXPECT_NEAR(stats[0].values[0], -6.6132035289405, 1e-12);
        EXPECT_NEAR(stats[0].values[1], -1.4899582620658882, 1e-12);
        EXPECT_EQ(stats[0].observation, 0);
        ui_.QueueInput("1+1");
        w->btnSetRho->click();
        EXPECT_EQ(w->Series().Order(), 2);
        EXPECT_EQ(w->sgEst->Cell(1, 2).toStdString(), "-0.2293");  // by hand, exact fractions
        w->btnOK->click();
    });
    for (int i = 0; i < 8; ++i) EXPECT_EQ(model->GetValue(i, 3), engine.Whitened()[static_cast<std::size_t>(i)]);

    // From a series shown elsewhere: the window opens on its own request.
    YuleWalkerRequest request{"y", kY, 1};
    auto window = AnalysisWindows().Create("TfrmYWEst", WindowContext(state_));
    ASSERT_TRUE(window && window->Fill(WindowRequest(request)));
    EXPECT_FALSE(AnalysisWindows().Create("TfrmYWEst", WindowContext(state_))->Fill(
        WindowRequest(YuleWalkerRequest{"c", std::vector<double>(8, 1.0), 1})));
}

}  // namespace

// The SUR window from the main menu on a data set with three groups: one
// ticked group computes nothing, two give the engine's estimates with their
// n - k figures, the prediction dialog and the residual correlation matrix
// get the current equation, the equations are added with one undo step
// each, and a group too small to fit names itself in the error; on two
// equations of one regressor each, the rows each shows, worked by hand; an
// observation of leverage 1 is left out of the residual plots and
// statistics, which say so, and a command with no value to show says that.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>

#include "components/view/result_grid.h"
#include "components/view/window_registry.h"
#include "core/io/file_matrix.h"
#include "core/model/regression_model.h"
#include "estimators/prediction_request.h"
#include "simeq/sur_equations.h"
#include "simeq/sur_tables.h"
#include "simeq/ui/sur_window.h"
#include "grid_rows.h"
#include "request_probe.h"
#include "modal_window.h"
#include "started_windows.h"
#include "stats/correlation_matrix_request.h"
#include "stats/fundamental_stats_request.h"
#include "stats/ui/xy_graph_window.h"
#include "support/sur_sample.h"

namespace {

class SurWindowTest : public StartedWindows {
protected:
    SurWindowTest() : StartedWindows("sure") {}

    // The shared SUR sample (or the set given), y1 and y2 endogenous, y1 on
    // the regressors given.
    Reg* Open(std::unique_ptr<Reg> built = SurSampleModel({2, 2, 1, 1}),
              std::initializer_list<int> regressors = {0, 1}) {
        SaveAs(*built, dir_.Path("sure.MDF"));
        main_->OpenAndRemember(dir_.Path("sure.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(2);
        for (int j : regressors) EXPECT_TRUE(m->ToggleVariable(j));
        ui_.ClearCalls();
        return m;
    }
    // The window the menu command fills, kept unshown for the handlers.
    TfrmSURE* Opened() {
        return kept_.Keep([this] { main_->Action("mnuSURE")->trigger(); });
    }
    static void Tick(TfrmSURE* w, std::initializer_list<int> rows) {
        for (int i = 0; i < w->lbGrpSel->count(); ++i) w->lbGrpSel->item(i)->setCheckState(Qt::Unchecked);
        for (int i : rows) w->lbGrpSel->item(i)->setCheckState(Qt::Checked);
    }
    // Groups 1 and 2 with y1 and y2 as their dependents, computed.
    void ComputeBoth(TfrmSURE* w) {
        Tick(w, {0, 1});
        ui_.QueueInput("y1");
        ui_.QueueInput("y2");
        w->btnCalc->click();
    }

    KeptWindow<TfrmSURE> kept_{"TfrmSURE", RegisterSurWindow};
};

TEST_F(SurWindowTest, EstimatesPredictsCorrelatesAndAddsTheEquations) {
    Reg* model = Open();
    TfrmSURE* w = Opened();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle().toStdString(), "SURE推定量");
    ui_.QueueOK();  // no help file comes with the program
    w->btnHelp->click();
    const auto help = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].text, "HTML HELPファイルの表示に失敗しました。");
    ASSERT_EQ(w->lbGrpSel->count(), 3);
    EXPECT_EQ(w->lbGrpSel->item(1)->text().toStdString(), "west");

    Tick(w, {0});
    w->btnCalc->click();
    EXPECT_EQ(w->Estimator(), nullptr);
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::Input).empty());

    ComputeBoth(w);
    ASSERT_NE(w->Result(), nullptr);
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].text, "式（east）の被説明変数の選択");

    const Zelner engine(MakeSurEquations(*model, {2, 3}, {1, 2}));
    const SurResult r = engine.Estimate({});
    EXPECT_EQ(w->sgEst->Cell(0, 0).toStdString(), "y1");
    EXPECT_EQ(w->sgEst->Cell(1, 2).toStdString(), SurEstimateTable(engine, r, 0).Cell(1, 1).Shown());
    EXPECT_EQ(w->stFE->text().toStdString(), "4");  // n = 8, k = 4
    w->cbSel->setCurrentIndex(1);
    emit w->cbSel->activated(1);
    EXPECT_EQ(w->sgEst->Cell(0, 0).toStdString(), "y2");

    PredictionModel predicted;
    ScopedAnalysisWindow predict("TfrmPredict", [&predicted](const WindowContext&) {
        return std::make_unique<RequestProbe<PredictionRequest>>(
            [&](const PredictionRequest& p) { predicted = p.model; });
    });
    std::vector<std::string> columns;
    ScopedAnalysisWindow relative("TfrmRelative", [&columns](const WindowContext&) {
        return std::make_unique<RequestProbe<CorrelationMatrixRequest>>([&](const CorrelationMatrixRequest& c) {
            for (int j = 0; j < c.table->Cols(); ++j) columns.push_back(c.table->GetColumnName(j));
        });
    });
    ASSERT_TRUE(w->btnPred->isEnabled());
    w->btnPred->click();
    EXPECT_EQ(predicted.df, 4);
    EXPECT_EQ(predicted.p, 3);
    EXPECT_EQ(predicted.coef.back(), r.GetCoef(1, 3));  // the constant term last
    w->btnRelMat->click();
    EXPECT_EQ(columns, (std::vector<std::string>{"east", "west"}));

    const int before = model->Expressions().GetCount();
    w->btnAdd->click();
    EXPECT_EQ(model->Expressions().GetCount(), before + 2);
    main_->Action("UndoEdit")->trigger();
    main_->Action("UndoEdit")->trigger();
    EXPECT_EQ(model->Expressions().GetCount(), before);

    w->btnEnd->click();
}

TEST_F(SurWindowTest, AGroupTooSmallToFitIsNamedAndTheIntervalFollowsTheRow) {
    Reg* model = Open();
    TfrmSURE* w = Opened();
    ASSERT_NE(w, nullptr);
    Tick(w, {0, 2});
    ui_.QueueInput("y1");  // group 3 fails before its prompt
    ui_.QueueOK();
    w->btnCalc->click();
    EXPECT_EQ(w->Estimator(), nullptr);
    const auto shown = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, model->GetGroupName(3) + "式のグループ設定に失敗しました。");

    ComputeBoth(w);
    ASSERT_NE(w->Result(), nullptr);
    w->ShowInterval(1);
    EXPECT_TRUE(w->SB->currentMessage().startsWith("定数項 : 95.0% 信頼区間"));
}

// Each equation's residual rows, and the figures beside its estimates:
// n - k, the standard error and the adjusted R^2.
const RowTexts kResidualHeading = {"", "観測値", "予測値", "残差", "誤差率(%)", "作用点"};
const ShownRows kResiduals[] = {
    {6, kResidualHeading, {"1", "3.0000", "3.1568", "-0.1568", "-5.23", "0.5251"},
     {"6", "10.0000", "11.1766", "-1.1766", "-11.77", "0.5494"}},
    {6, kResidualHeading, {"1", "6.0000", "5.7489", "0.2511", "+4.19", "0.2686"},
     {"6", "12.0000", "10.8630", "1.1370", "+9.47", "0.4499"}},
};
const RowTexts kFigures[] = {{"4", "1.3818", "0.8122"}, {"4", "1.4915", "0.7745"}};

// y1 on x1 in group 1 ("east"), y2 on x2 in group 2 ("west"): two-step
// estimates (least squares, then one weighted step).
TEST_F(SurWindowTest, EachEquationShowsItsRowsFromTheFirstToTheLast) {
    auto built = MakeModel({{1, 2, 3, 4, 5, 6}, {2, 5, 1, 4, 3, 6}, {3, 4, 8, 7, 11, 10}, {6, 9, 4, 10, 5, 12}},
                           {2, 2, 1, 1}, {"x1", "x2", "y1", "y2"});
    for (int t = 0; t < 6; ++t)
        for (int j = 0; j < 4; ++j) built->SetMark(t, j, j % 2 == 0 ? 1 : 2);
    EXPECT_TRUE(built->SetGroupName(1, "east"));
    EXPECT_TRUE(built->SetGroupName(2, "west"));
    Open(std::move(built), {0});
    TfrmSURE* w = Opened();
    ASSERT_NE(w, nullptr);
    ComputeBoth(w);
    ASSERT_NE(w->Result(), nullptr);
    ExpectRows(*w->sgEst, {2, {"y1", "β推定値", "β標準誤差", "ｔ値"}, {"定数項", "1.5528", "1.1726", "* 1.3243"},
                           {"x1", "1.6040", "0.2938", "5.4593"}});
    for (int e : {0, 1}) {
        SCOPED_TRACE(e);
        w->cbSel->setCurrentIndex(e);
        emit w->cbSel->activated(e);
        ExpectRows(*w->sgRes, kResiduals[e]);
        EXPECT_EQ((RowTexts{w->stFE->text().toStdString(), w->stVe->text().toStdString(), w->stR2->text().toStdString()}),
                  kFigures[e]);
    }
    w->btnEnd->click();
}

// The series of an equation as the engine may give them: observation 5
// (t = 4) of leverage 1 left out, or kept without a number. Either way the
// window leaves it out of the statistics with the notice and numbers the
// rest by observation, in the statistics and on the time plot's data page.
SurPlotSeries FifthAtLeverageOne(int n, bool kept) {
    SurPlotSeries s;
    for (int t = 0; t < n; ++t) {
        s.leverage.push_back(t == 4 ? 1.0 : 0.25);
        s.squaredRatio.push_back(0.5 + 0.1 * t);
        if (t == 4 && !kept) continue;
        s.time.push_back(t);
        s.fitted.push_back(2.0 * t);
        s.standardized.push_back(t == 4 ? std::nan("") : 0.3 * t - 1.0);
    }
    return s;
}

TEST_F(SurWindowTest, AResidualOfLeverageOneIsLeftOutWithTheNoticeAndTheOthersKeepTheirNumbers) {
    Open();
    TfrmSURE* w = Opened();
    ASSERT_NE(w, nullptr);
    ComputeBoth(w);
    ASSERT_NE(w->Result(), nullptr);
    const int n = w->Estimator()->GetObservationCount();
    ASSERT_EQ(n, 8);

    using Texts = std::vector<std::string>;
    const Texts notice = {"観測値 5 は作用点が 1 で数値にならないため、除いて計算します。"};
    const Texts kept = {"1", "2", "3", "4", "6", "7", "8"};
    for (bool keptWithoutNumber : {false, true}) {
        SCOPED_TRACE(keptWithoutNumber);
        w->PlotSeries = [&](const Zelner&, const SurResult&, int) { return FifthAtLeverageOne(n, keptWithoutNumber); };
        std::vector<FundamentalStatsRequest> stats;
        {
            const auto probe = Probe<FundamentalStatsRequest>("TfrmFund", [&](const auto& r) { stats.push_back(r); });
            ui_.ClearCalls();
            ui_.QueueOK();
            w->btnNPlot->click();
        }
        EXPECT_EQ(ui_.MessageTexts(), notice);
        ASSERT_EQ(stats.size(), 1u);
        EXPECT_EQ(stats[0].name, "残差");
        std::vector<double> values;
        for (int t : {0, 1, 2, 3, 5, 6, 7}) values.push_back(0.3 * t - 1.0);
        EXPECT_EQ(stats[0].values, values);
        EXPECT_EQ(stats[0].numbers, (std::vector<int>{1, 2, 3, 4, 6, 7, 8}));

        // The residual time plot: the graph's data page and its selection.
        Texts numbers;
        std::string fifthPoint;
        ui_.ClearCalls();
        EXPECT_TRUE(WhileModal<TfrmGraphXY>([&] { w->btnETPlot->click(); }, [&](TfrmGraphXY& g) {
            for (int r = 1; r < g.dgData->RowCount(); ++r) numbers.push_back(g.dgData->Cell(0, r).toStdString());
            for (int i = 0; i < 4; ++i) g.ForwardExecute();
            fifthPoint = g.stPlot->text().toStdString();
        }));
        EXPECT_EQ(numbers, kept);
        EXPECT_EQ(fifthPoint, "6");
        EXPECT_TRUE(ui_.MessageTexts().empty());
    }

    // An equation with no value to show: every plot and the statistics say
    // so, and nothing opens.
    w->PlotSeries = [](const Zelner&, const SurResult&, int) { return SurPlotSeries{}; };
    std::vector<GraphSeen> graphs;
    std::vector<FundamentalStatsRequest> stats;
    const auto graphProbe = ProbeGraphs(graphs);
    const auto statsProbe = Probe<FundamentalStatsRequest>("TfrmFund", [&](const auto& r) { stats.push_back(r); });
    for (QPushButton* b : {w->btnYEPlot, w->btnETPlot, w->btnNPlot, w->btnLRPlot}) {
        SCOPED_TRACE(b->objectName().toStdString());
        ui_.ClearCalls();
        ui_.QueueOK();
        b->click();
        EXPECT_EQ(ui_.MessageTexts(), Texts{"数値になりません"});
    }
    EXPECT_TRUE(graphs.empty());
    EXPECT_TRUE(stats.empty());
    w->btnEnd->click();
}

}  // namespace

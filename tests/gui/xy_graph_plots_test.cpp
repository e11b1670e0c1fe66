// The X-Y graph window's derived plots, column statistics and
// limited-dependent fits, offscreen with recording graph and statistics
// windows: what each command hands on (compared with the engine's series,
// one call each), what it asks, and where it shows nothing; the weighted
// regression's estimates become the curve.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTabWidget>

#include "components/plot/xy_plot.h"
#include "core/io/file_matrix.h"
#include "estimators/weighted_fit.h"
#include "estimators/wls_request.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "request_probe.h"
#include "stats/curve_fit.h"
#include "stats/curve_plot_series.h"
#include "stats/curve_types.h"
#include "stats/fundamental_stats_request.h"
#include "stats/limited_dependent.h"
#include "stats/ui/xy_graph_window.h"
#include "support/scripted_services.h"

namespace {

const std::vector<double> kX = {1, 2, 3, 4, 5, 6};
const std::vector<double> kY = {2, 1, 4, 3, 6, 5};

template <class Request>
class Recorder : public RequestWindow<Request> {
public:
    explicit Recorder(std::vector<Request>& seen) : seen_(seen) {}
    using RequestWindow<Request>::Fill;
    bool Fill(const Request& r) override {
        seen_.push_back(r);
        // The arrays of a graph request live only during the call.
        if constexpr (std::is_same_v<Request, XYGraphRequest>) {
            xs.emplace_back(r.x, r.x + r.n);
            ys.emplace_back(r.y, r.y + r.n);
        }
        return false;
    }
    int ShowModal() override { return 0; }
    static inline std::vector<std::vector<double>> xs, ys;

private:
    std::vector<Request>& seen_;
};
using GraphRecorder = Recorder<XYGraphRequest>;

class XYGraphPlotsTest : public ::testing::Test {
protected:
    XYGraphPlotsTest() {
        TestApp();
        state_.SetServices(&ui_);
        GraphRecorder::xs.clear();
        GraphRecorder::ys.clear();
    }
    ~XYGraphPlotsTest() override { state_.SetServices(nullptr); }
    std::unique_ptr<TfrmGraphXY> Open(const std::vector<double>& x, const std::vector<double>& y, int type = 0) {
        auto w = std::make_unique<TfrmGraphXY>(WindowContext(state_));
        w->plots->resize(400, 300);
        EXPECT_TRUE(w->SetXY("X", x.data(), "Y", y.data(), static_cast<int>(x.size()), type, false));
        return w;
    }

    ScriptedServices ui_;
    AppState state_;
    std::vector<XYGraphRequest> graphs_;
    std::vector<FundamentalStatsRequest> stats_;
    ScopedAnalysisWindow graphProbe_{"TfrmGraphXY", [this](const WindowContext&) -> std::unique_ptr<AnalysisWindow> {
                                         return std::make_unique<GraphRecorder>(graphs_);
                                     }};
    ScopedAnalysisWindow statsProbe_{"TfrmFund", [this](const WindowContext&) -> std::unique_ptr<AnalysisWindow> {
                                         return std::make_unique<Recorder<FundamentalStatsRequest>>(stats_);
                                     }};
};

TEST_F(XYGraphPlotsTest, EachResidualPlotOpensANestedGraphOfTheFittersSeries) {
    auto w = Open(kX, kY);
    const struct {
        QAction* action;
        int kind;
    } cases[] = {{w->EYPlot, kCurvePlotFittedResidual},
                 {w->ETPlot, kCurvePlotTimeResidual},
                 {w->EXPlot, kCurvePlotRegressorResidual},
                 {w->LRPlot, kCurvePlotLeverageResidual},
                 {w->EEPlot, kCurvePlotLag + 1},
                 {w->YYPlot, kCurvePlotFittedObserved},
                 {w->LagPopup()->actions()[0], kCurvePlotLag + 2}};
    for (const auto& c : cases) {
        graphs_.clear();
        GraphRecorder::xs.clear();
        GraphRecorder::ys.clear();
        c.action->trigger();
        const auto expected = CurveResidualPlot(*w->Fitter(), c.kind);
        ASSERT_TRUE(expected);
        ASSERT_EQ(graphs_.size(), 1u) << c.kind;
        EXPECT_EQ(graphs_[0].xName, expected->xName);
        EXPECT_EQ(graphs_[0].yName, expected->yName);
        EXPECT_EQ(GraphRecorder::xs[0], expected->x) << c.kind;
        EXPECT_EQ(GraphRecorder::ys[0], expected->y) << c.kind;
    }
    // Six residuals give 2 pairs at lag 4: nothing opens.
    graphs_.clear();
    w->LagPopup()->actions()[2]->trigger();
    EXPECT_TRUE(graphs_.empty());
}

// y against time, with x drawn over it as a line of its own.
TEST_F(XYGraphPlotsTest, DualPlotHandsYOverTimeWithXAsItsLine) {
    const std::vector<double> x = {0.5, 1.5, 2, 3.5, 4, 6.5};
    auto w = Open(x, kY);
    w->XYDual->trigger();
    ASSERT_EQ(graphs_.size(), 1u);
    const GraphSeen g{graphs_[0].xName, graphs_[0].yName, GraphRecorder::xs[0], GraphRecorder::ys[0]};
    ExpectGraph({g}, "時間", "Y", {6, 1, 6, 2, 5}, 0);
    ASSERT_EQ(graphs_[0].extraSeries.size(), 1u);
    ExpectEnds(SeriesOf(graphs_[0].extraSeries[0]), {6, 1, 6, 0.5, 6.5}, 0);
}

TEST_F(XYGraphPlotsTest, RegressorPlotAsksAmongThePowersOfAPolynomial) {
    auto w = Open(kX, kY, reg2ji);
    ui_.QueueInput("2乗項");
    ui_.QueueInput("3乗項");
    w->EXPlot->trigger();
    w->EXPlot->trigger();
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].text, "説明変数の選択");
    EXPECT_EQ(prompts[0].items, (std::vector<std::string>{"X", "2乗項"}));
    // The name not offered shows nothing.
    ASSERT_EQ(graphs_.size(), 1u);
    EXPECT_EQ(graphs_[0].xName, "2乗項");
    EXPECT_EQ(GraphRecorder::xs[0], (std::vector<double>{1, 4, 9, 16, 25, 36}));
}

TEST_F(XYGraphPlotsTest, ColumnStatisticsNeedFourValues) {
    auto w = Open(kX, kY);
    w->SelectPoint(2);
    w->XFund->trigger();
    ASSERT_EQ(stats_.size(), 1u);
    EXPECT_EQ(stats_[0].name, "X");
    EXPECT_EQ(stats_[0].values, kX);
    EXPECT_EQ(stats_[0].observation, 3);
    w->NPlot->trigger();
    ASSERT_EQ(stats_.size(), 2u);
    EXPECT_EQ(stats_[1].values, CurveColumnSeries(*w->Fitter(), 100, nullptr)->y);
    // A view that holds no point opens nothing.
    w->plots->MinX = 100;
    w->plots->MaxX = 200;
    w->ShowColumnStatistics(true, 102);
    EXPECT_EQ(stats_.size(), 2u);
}

TEST_F(XYGraphPlotsTest, AnExactFitShowsNoStandardisedResiduals) {
    const std::vector<double> y = {3, 5, 7, 9, 11, 13};
    auto w = Open(kX, y);
    for (QAction* a : {w->EYPlot, w->ETPlot, w->LRPlot, w->NPlot}) a->trigger();
    EXPECT_TRUE(graphs_.empty());
    EXPECT_TRUE(stats_.empty());
}

TEST_F(XYGraphPlotsTest, LimitedDependentFitsDrawTheirLineAndReportTheEstimates) {
    const std::vector<double> censored = {0, -1, 1.5, 0, 3.2, 2.9, 4.8, 6.1};
    const std::vector<double> binary = {0, 0, 1, 0, 1, 0, 1, 1};
    const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8};
    const struct {
        const std::vector<double>* y;
        LimitedDependentModel model;
        const char* action;
    } cases[] = {{&censored, LimitedDependentModel::kCensored, "CRModel"},
                 {&censored, LimitedDependentModel::kTruncated, "TRModel"},
                 {&binary, LimitedDependentModel::kProbit, "ProbitModel"}};
    for (const auto& c : cases) {
        auto w = Open(x, *c.y);
        ui_.ClearCalls();
        const LimitedDependentFit expected = FitLimitedDependent(c.model, *w->Fitter());
        ui_.QueueOK();
        w->findChild<QAction*>(c.action)->trigger();
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), 1u) << c.action;
        EXPECT_EQ(boxes[0].text, LimitedDependentMessage(c.model, expected));
        EXPECT_EQ(w->plots->GetB(0), expected.alpha);
        EXPECT_EQ(w->plots->GetB(1), expected.beta);
    }
}

TEST_F(XYGraphPlotsTest, AFailedFitLeavesThePlot) {
    // Every value at or below 0: the censored likelihood has no maximum.
    const std::vector<double> y = {-1, -2, -1.5, -3, -2.5, -4};
    auto w = Open(kX, y, reg2ji);
    const double b0 = w->plots->GetB(0), b1 = w->plots->GetB(1);
    ui_.QueueOK();
    w->CRModel->trigger();
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("FAILURE", 0), 0u);
    EXPECT_EQ(w->plots->GetB(0), b0);
    EXPECT_EQ(w->plots->GetB(1), b1);
    EXPECT_EQ(w->plots->RegLineType, reg2ji);
}

// Offered once its window registers; the design goes to it with automatic
// robust weights, the response last, and its estimates become the curve on
// the graph page. The stand-in fits z = 1 3 2 5 4 7 instead of y: by hand,
// z = 9/10 + 113/280 x + 5/56 x^2.
TEST_F(XYGraphPlotsTest, WeightedRegressionTakesTheDesignAndItsEstimatesDrawTheCurve) {
    auto w = Open(kX, kY, reg2ji);
    EXPECT_FALSE(w->WLS->isEnabled());
    w->PC->setCurrentWidget(w->tsData);
    const std::vector<double> z = {1, 3, 2, 5, 4, 7};
    int dependent = -1, mode = -1;
    auto probe = Probe<WLSRequest>("TfrmWLS", [&](const WLSRequest& r) {
        ASSERT_NE(r.table, nullptr);
        dependent = r.dependentColumn;
        mode = r.mode;
        TNamedData own(state_.Context(), r.table->Rows(), r.table->Cols());
        for (int j = 0; j < r.table->Cols(); ++j)
            for (int i = 0; i < r.table->Rows(); ++i)
                own.SetValue(i, j, j == dependent ? z[static_cast<std::size_t>(i)] : r.table->GetValue(i, j));
        WLSE fit(own, nullptr, dependent);
        ASSERT_TRUE(fit.Estimate(0));
        r.closed(fit);
    });
    EXPECT_TRUE(w->WLS->isEnabled());
    w->WLS->trigger();
    EXPECT_EQ(dependent, 2);
    EXPECT_EQ(mode, 5);
    EXPECT_EQ(w->PC->currentWidget(), w->tsGraph);
    EXPECT_EQ(w->plots->RegLineType, reg2ji);
    const double b[] = {0.9, 113.0 / 280, 5.0 / 56};
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(w->plots->GetB(j), b[j], 1e-12) << j;
}

}  // namespace

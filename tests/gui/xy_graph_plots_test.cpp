// The X-Y graph window's derived plots, column statistics, limited-dependent
// fits and weighted regression, offscreen with recording graph, statistics
// and weighted-regression windows: what each command hands on (names and
// the values at both ends, worked out by hand with exact fractions for the
// line y = 3/5 + 29/35 x through kX, kY), what it asks, where it shows
// nothing, and what the curve takes back.
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
    // Fitted values, residuals e, standardised residuals r = e / sqrt((1 - h)
    // s2) with s2 = 48/35, leverages h and e^2 / SSE at points 1, 2, 5 and 6.
    const double fitted1 = 1.4285714285714286, fitted6 = 5.571428571428571;
    const double e1 = 0.5714285714285714, e2 = -1.2571428571428571, e3 = 0.9142857142857143;
    const double e4 = -0.9142857142857143, e5 = 1.2571428571428571, e6 = -0.5714285714285714;
    const double r1 = 0.7071067811865476, r6 = -0.7071067811865476;
    const double h1 = 0.5238095238095238, share1 = 0.05952380952380952;
    const struct {
        QAction* action;
        const char *xName, *yName;
        int count;
        double x0, xLast, y0, yLast;
    } cases[] = {
        {w->EYPlot, "Y/予測値", "Y/標準化残差", 6, fitted1, fitted6, r1, r6},
        {w->ETPlot, "時間", "Y/標準化残差", 6, 1, 6, r1, r6},
        {w->EXPlot, "X", "Y/標準化残差", 6, 1, 6, r1, r6},
        {w->LRPlot, "残差平方", "作用点", 6, share1, share1, h1, h1},
        {w->EEPlot, "e(i)", "e(i-1)", 5, e2, e6, e1, e5},
        {w->YYPlot, "Y/予測値", "Y/観測値", 6, fitted1, fitted6, 2, 5},
        {w->LagPopup()->actions()[0], "e(i)", "e(i-2)", 4, e3, e6, e1, e4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.yName);
        graphs_.clear();
        GraphRecorder::xs.clear();
        GraphRecorder::ys.clear();
        c.action->trigger();
        ASSERT_EQ(graphs_.size(), 1u);
        EXPECT_EQ(graphs_[0].xName, c.xName);
        EXPECT_EQ(graphs_[0].yName, c.yName);
        const std::vector<double>& x = GraphRecorder::xs[0];
        const std::vector<double>& y = GraphRecorder::ys[0];
        ASSERT_EQ(x.size(), static_cast<std::size_t>(c.count));
        ASSERT_EQ(y.size(), static_cast<std::size_t>(c.count));
        EXPECT_NEAR(x.front(), c.x0, 1e-12);
        EXPECT_NEAR(x.back(), c.xLast, 1e-12);
        EXPECT_NEAR(y.front(), c.y0, 1e-12);
        EXPECT_NEAR(y.back(), c.yLast, 1e-12);
    }
    // Six residuals give 2 pairs at lag 4: nothing opens.
    graphs_.clear();
    w->LagPopup()->actions()[2]->trigger();
    EXPECT_TRUE(graphs_.empty());
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
    EXPECT_EQ(stats_[1].name, "標準化残差");
    ASSERT_EQ(stats_[1].values.size(), 6u);
    EXPECT_NEAR(stats_[1].values.front(), 0.7071067811865476, 1e-12);
    EXPECT_NEAR(stats_[1].values.back(), -0.7071067811865476, 1e-12);
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

TEST_F(XYGraphPlotsTest, WeightedRegressionTakesTheDesignAndItsEstimatesDrawTheCurve) {
    // The stand-in window fits its own response z = 1 3 2 5 4 7 on the
    // regressors it is given (weights all 1); least squares by hand with
    // exact fractions: z = 1/15 + 36/35 x, and z = 9/10 + 113/280 x + 5/56 x^2.
    const std::vector<double> z = {1, 3, 2, 5, 4, 7};
    const struct {
        int type;
        std::vector<std::string> names;
        std::vector<double> first, last;  // table rows 1 and 6
        std::vector<double> b;            // B0, B1, ... of the curve afterwards
    } cases[] = {
        {regXY, {"X", "Y"}, {1, 2}, {6, 5}, {1.0 / 15, 36.0 / 35}},
        {reg2ji, {"X", "2乗項", "Y"}, {1, 1, 2}, {6, 36, 5}, {0.9, 113.0 / 280, 5.0 / 56}},
    };
    {
        auto w = Open(kX, kY);
        EXPECT_FALSE(w->WLS->isEnabled());
        auto probe = Probe<WLSRequest>("TfrmWLS", [](const WLSRequest&) {});
        EXPECT_TRUE(w->WLS->isEnabled());  // registered while the graph is open
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        auto w = Open(kX, kY, c.type);
        w->PC->setCurrentWidget(w->tsData);
        std::vector<std::string> names;
        std::vector<double> first, last;
        int rows = 0, dependent = -1, mode = -1;
        auto probe = Probe<WLSRequest>("TfrmWLS", [&](const WLSRequest& r) {
            ASSERT_NE(r.table, nullptr);
            const TNamedData& t = *r.table;
            rows = t.Rows();
            dependent = r.dependentColumn;
            mode = r.mode;
            TNamedData own(state_.Context(), t.Rows(), t.Cols());
            for (int j = 0; j < t.Cols(); ++j) {
                names.push_back(t.GetColumnName(j));
                first.push_back(t.GetValue(0, j));
                last.push_back(t.GetValue(t.Rows() - 1, j));
                own.SetColumnName(j, t.GetColumnName(j));
                for (int i = 0; i < t.Rows(); ++i)
                    own.SetValue(i, j, j == r.dependentColumn ? z[static_cast<std::size_t>(i)] : t.GetValue(i, j));
            }
            // The window closes with estimates of its own.
            WLSE fit(own, nullptr, r.dependentColumn);
            ASSERT_TRUE(fit.Estimate(0));
            ASSERT_TRUE(r.closed);
            r.closed(fit);
        });
        w->WLS->trigger();
        EXPECT_EQ(rows, 6);
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(dependent, static_cast<int>(c.names.size()) - 1);
        EXPECT_EQ(mode, 5);
        ASSERT_EQ(first.size(), c.first.size());
        for (std::size_t j = 0; j < c.first.size(); ++j) {
            EXPECT_NEAR(first[j], c.first[j], 1e-15);
            EXPECT_NEAR(last[j], c.last[j], 1e-15);
        }
        // The curve on the graph page takes the estimates.
        EXPECT_EQ(w->PC->currentWidget(), w->tsGraph);
        EXPECT_EQ(w->plots->RegLineType, c.type);
        for (std::size_t j = 0; j < c.b.size(); ++j) EXPECT_NEAR(w->plots->GetB(static_cast<int>(j)), c.b[j], 1e-12) << j;
    }
}

}  // namespace

// The main window's plot commands with a recording graph window: what each
// command hands to the graph (titles and arrays, read back from the
// model's own tables by one call each), which prompts it asks, and the
// cases where it draws nothing.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "app/main_window/main_window.h"
#include "components/view/window_registry.h"
#include "platform/errors.h"
#include "core/model/regression_diagnostics.h"
#include "core/model/regression_model.h"
#include "core/model/tolerance_rows.h"
#include "started_windows.h"
#include "stats/xy_graph_request.h"
#include "support/model_builder.h"

namespace fs = std::filesystem;

namespace {

struct Drawn {
    std::string xName, yName;
    std::vector<double> x, y;
    std::vector<XYData> extra;
};

// Keeps what each graph request held; the arrays live only during the call.
class RecordingGraph : public RequestWindow<XYGraphRequest> {
public:
    explicit RecordingGraph(std::vector<Drawn>& seen) : seen_(seen) {}
    using RequestWindow<XYGraphRequest>::Fill;
    bool Fill(const XYGraphRequest& r) override {
        if (failWith == 1) throw Exception("描画できません");
        if (failWith == 2) throw std::bad_alloc();
        seen_.push_back({r.xName, r.yName, {r.x, r.x + r.n}, {r.y, r.y + r.n}, r.extraSeries});
        return false;
    }
    int ShowModal() override { return 0; }
    static inline int failWith = 0;  // 1 an error, 2 no memory

private:
    std::vector<Drawn>& seen_;
};

std::vector<double> Row(const Reg& m, int code) {
    std::vector<double> out;
    for (int i = 0; i < m.GetObsCount(); ++i) out.push_back(m.GetAnalysisValue(code, i));
    return out;
}
std::vector<double> Column(const Reg& m, int j) {
    std::vector<double> out;
    for (int i = 0; i < m.GetObsCount(); ++i) out.push_back(m.GetValue(i, j));
    return out;
}
std::vector<double> Squares(std::vector<double> v) {
    for (double& d : v) d *= d;
    return v;
}
std::vector<double> Count(int n) {
    std::vector<double> out;
    for (int i = 1; i <= n; ++i) out.push_back(i);
    return out;
}

class PlotCommandsTest : public StartedWindows {
protected:
    PlotCommandsTest() : StartedWindows("plots") {}
    void OpenLongley() {
        const char* dir = std::getenv("MERLOX_SOURCE_DIR");
        fs::copy_file(std::string(dir ? dir : ".") + "/data/samples/Longley.MDF", dir_.Path("Longley.MDF"));
        main_->OpenAndRemember(dir_.Path("Longley.MDF"));
        ASSERT_NE(state_.Model(), nullptr);
    }
    // y on x (and any further columns, unused).
    void Use(const Columns& cols, const std::vector<std::uint8_t>& roles, int dep,
             const std::vector<std::string>& names, const std::vector<int>& types = {}) {
        auto model = MakeModel(cols, types, names);
        ASSERT_TRUE(model->SetModel(dep, roles));
        state_.SetModel(std::move(model));
        main_->RefreshAfterLoad();
    }
    Reg& M() { return *state_.Model(); }
    void Trigger(const char* name) { main_->Action(name)->trigger(); }

    std::vector<Drawn> seen_;
    ScopedAnalysisWindow probe_{"TfrmGraphXY", [this](const WindowContext&) -> std::unique_ptr<AnalysisWindow> {
                                    return std::make_unique<RecordingGraph>(seen_);
                                }};
};

TEST_F(PlotCommandsTest, ToolButtonsAndLagMenuDoNothingWithoutData) {
    for (const char* b : {"tbEYPlot", "tnETPlot", "tbXEPlot", "tbEELag", "tbFund"})
        EXPECT_NE(main_->PlotButton(b), nullptr) << b;
    ASSERT_EQ(main_->LagPopup()->actions().size(), 3);
    EXPECT_TRUE(main_->findChild<QPushButton*>("btnYYPlot")->isEnabled());
    for (const char* a : {"PlotsCS", "PlotsTS", "PRLPlots", "NPlots", "EEPlots", "XEPlots", "LRPlotter", "XYPlotter"})
        Trigger(a);
    main_->LagPopup()->actions()[2]->trigger();
    EXPECT_TRUE(seen_.empty());
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::Input).empty());
}

TEST_F(PlotCommandsTest, EachResidualPlotHandsItsTitlesAndSeries) {
    OpenLongley();
    Reg& m = M();
    m.ComputeInfluence();
    const int n = m.GetObsCount();
    ASSERT_EQ(n, 16);
    const std::vector<double> r = Row(m, Reg::kRowStudentInternal), e = Row(m, 2);
    const int gnp = m.FindVar("GNP");
    std::vector<double> e1x(e.begin() + 1, e.end()), e1y(e.begin(), e.end() - 1);
    std::vector<double> e4x(e.begin() + 4, e.end()), e4y(e.begin(), e.end() - 4);
    const struct {
        const char* what;
        std::function<void()> run;
        std::string xName, yName;
        std::vector<double> x, y;
    } cases[] = {
        {"PlotsCS", [&] { Trigger("PlotsCS"); }, "予測値", "標準化残差", Row(m, 1), r},
        {"PlotsTS", [&] { Trigger("PlotsTS"); }, "時間", "標準化残差", Count(n), r},
        {"right tbEYPlot", [&] { main_->tbEYPlotMouseDown(Qt::RightButton); }, "予測値", "標準化残差平方", Row(m, 1),
         Squares(r)},
        {"right tnETPlot", [&] { main_->tnETPlotMouseDown(Qt::RightButton); }, "時間", "標準化残差平方", Count(n),
         Squares(r)},
        {"LRPlotter", [&] { Trigger("LRPlotter"); }, "残差平方", "作用点", Row(m, Reg::kRowResidualShare), Row(m, 9)},
        {"EEPlots", [&] { Trigger("EEPlots"); }, "e(i)", "e(i-1)", e1x, e1y},
        {"四期前", [&] { main_->LagPopup()->actions()[2]->trigger(); }, "e(i)", "e(i-4)", e4x, e4y},
        {"XEPlots GNP", [&] { ui_.QueueInput("GNP"); Trigger("XEPlots"); }, "GNP", "標準化残差", Column(m, gnp), r},
        {"right tbXEPlot GNP", [&] { ui_.QueueInput("GNP"); main_->tbXEPlotMouseDown(Qt::RightButton); }, "GNP",
         "標準化残差平方", Column(m, gnp), Squares(r)},
    };
    for (const auto& c : cases) {
        seen_.clear();
        c.run();
        ASSERT_EQ(seen_.size(), 1u) << c.what;
        EXPECT_EQ(seen_[0].xName, c.xName) << c.what;
        EXPECT_EQ(seen_[0].yName, c.yName) << c.what;
        EXPECT_EQ(seen_[0].x, c.x) << c.what;
        EXPECT_EQ(seen_[0].y, c.y) << c.what;
    }
    // The left button runs the button's action, not the right-button variant.
    seen_.clear();
    main_->tbEYPlotMouseDown(Qt::LeftButton);
    EXPECT_TRUE(seen_.empty());
    // One-stage: the prompt offers the variables but the dependent one, and no "(iv)".
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    ASSERT_FALSE(prompts.empty());
    EXPECT_EQ(prompts[0].text, "説明変数の選択");
    EXPECT_EQ(prompts[0].items, (std::vector<std::string>{"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR"}));
}

TEST_F(PlotCommandsTest, LagPlotsNeedFourPairs) {
    for (int n : {7, 8}) {
        std::vector<double> x, y;
        for (int i = 0; i < n; ++i) {
            x.push_back(i + 1);
            y.push_back(2.0 * i + (i % 3 == 0 ? 0.5 : -0.25 * (i % 2)));
        }
        Use({x, y}, {2, 0}, 1, {"X", "Y"});
        seen_.clear();
        main_->mnuEE3Click();
        if (n == 7) {
            EXPECT_TRUE(seen_.empty());
        } else {
            ASSERT_EQ(seen_.size(), 1u);
            EXPECT_EQ(seen_[0].x.size(), 4u);
        }
    }
}

TEST_F(PlotCommandsTest, TwoVariablesAskNothingAndHaveNoPartialPlot) {
    Use({{1, 2, 3, 4, 5, 6}, {1.5, 1.8, 3.4, 3.9, 5.6, 5.7}}, {2, 0}, 1, {"X", "Y"});
    Trigger("XEPlots");
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].xName, "X");
    EXPECT_EQ(seen_[0].x, Column(M(), 0));
    seen_.clear();
    Trigger("PRLPlots");
    EXPECT_TRUE(seen_.empty());
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::Input).empty());
}

TEST_F(PlotCommandsTest, TwoStageOffersFirstStageValuesOfEndogenousVariables) {
    // X1 endogenous, X2 and Z exogenous; Y on X1 and X2 with Z an instrument.
    Use({{1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 3, 6, 5, 8}, {3, 1, 2, 6, 4, 5, 9}, {1.5, 2.5, 2, 4, 4.5, 6.5, 6}},
        {2, 2, 0, 0}, 3, {"X1", "X2", "Z", "Y"}, {1, 2, 2, 1});
    M().SetTwoStage(true);
    M().Reestimate(false);
    ASSERT_TRUE(M().IsTwoStage());
    ui_.QueueInput("(iv)X1");
    Trigger("XEPlots");
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].items, (std::vector<std::string>{"X1", "X2", "Z", "(iv)X1"}));
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].xName, "(iv)X1");
    for (int i = 0; i < M().GetObsCount(); ++i) EXPECT_EQ(seen_[0].x[i], M().GetDesignValue(i, 0)) << i;
}

TEST_F(PlotCommandsTest, ExactFitDrawsNoStandardisedResidualsNorLRPlot) {
    Use({{1, 2, 3, 4, 5, 6}, {3, 5, 7, 9, 11, 13}}, {2, 0}, 1, {"X", "Y"});
    ASSERT_EQ(M().GetS2(), 0.0);
    int statistics = 0;
    main_->SetFundamentalStatsView([&](const std::string&, const std::vector<double>&, int) { ++statistics; });
    for (const char* a : {"PlotsCS", "PlotsTS", "XEPlots", "LRPlotter", "NPlots"}) Trigger(a);
    main_->tbFundMouseDown(Qt::RightButton);
    main_->tbEYPlotMouseDown(Qt::RightButton);
    EXPECT_TRUE(seen_.empty());
    EXPECT_EQ(statistics, 0);
}

TEST_F(PlotCommandsTest, ResidualStatisticsOpenOnRAndT) {
    OpenLongley();
    std::vector<std::vector<double>> values;
    main_->SetFundamentalStatsView([&](const std::string&, const std::vector<double>& v, int) { values.push_back(v); });
    Trigger("NPlots");
    main_->tbFundMouseDown(Qt::RightButton);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0], Row(M(), Reg::kRowStudentInternal));
    EXPECT_EQ(values[1], Row(M(), Reg::kRowStudentExternal));
}

TEST_F(PlotCommandsTest, XYPlotOfMarkedColumnsOverMarkedObservations) {
    OpenLongley();
    Reg& m = M();
    const int gnp = m.FindVar("GNP"), pop = m.FindVar("POP");
    const struct {
        int marked;
        std::size_t rows;
    } cases[] = {{3, 16}, {4, 4}};
    for (const auto& c : cases) {
        seen_.clear();
        main_->EditColumnMarks.Set(gnp, 1);
        main_->EditColumnMarks.Set(pop, 1);
        for (int i = 0; i < c.marked; ++i) main_->ObservationMarks.Set(2 * i, 1);
        Trigger("XYPlotter");
        ASSERT_EQ(seen_.size(), 1u);
        // The first marked column is the vertical axis.
        EXPECT_EQ(seen_[0].yName, "GNP");
        EXPECT_EQ(seen_[0].xName, "POP");
        ASSERT_EQ(seen_[0].x.size(), c.rows);
        const int step = c.rows == 16 ? 1 : 2;
        for (std::size_t r = 0; r < c.rows; ++r) {
            EXPECT_EQ(seen_[0].y[r], m.GetValue(static_cast<int>(r) * step, gnp)) << r;
            EXPECT_EQ(seen_[0].x[r], m.GetValue(static_cast<int>(r) * step, pop)) << r;
        }
        EXPECT_EQ(main_->CountMarkedObservations(), 0);
        EXPECT_EQ(main_->CountMarkedColumns(true), 0);
    }
}

TEST_F(PlotCommandsTest, XYPlotWithoutMarksAsksBothAxes) {
    OpenLongley();
    ui_.QueueInput("GNP");
    ui_.QueueInput("YEAR");
    Trigger("XYPlotter");
    const auto prompts = ui_.CallsOf(ServiceCall::Input);
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].text, "縦軸？");
    EXPECT_EQ(prompts[1].items, (std::vector<std::string>{"GNPDEF", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"}));
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].x, Column(M(), M().FindVar("YEAR")));
}

TEST_F(PlotCommandsTest, PartialRegressionPlotOfTheChosenVariable) {
    OpenLongley();
    ui_.QueueInput("GNP");
    Trigger("PRLPlots");
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input)[0].text, "変数の選択");
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].xName, "e(GNP|-GNP)");
    EXPECT_EQ(seen_[0].yName, "e(EMPLOY|-GNP)");
    std::vector<double> ox, oy;
    GetPartialRegression(M(), ox, oy, M().FindVar("GNP"));
    EXPECT_EQ(seen_[0].x, ox);
    EXPECT_EQ(seen_[0].y, oy);
}

TEST_F(PlotCommandsTest, PredictionPlotWithDefaultLevelsForEmptyFields) {
    OpenLongley();
    main_->ConfidenceField()->setText("");
    main_->ProbabilityField()->setText("abc");
    main_->findChild<QPushButton*>("btnYYPlot")->click();
    ASSERT_EQ(seen_.size(), 1u);
    const Drawn& d = seen_[0];
    EXPECT_EQ(d.xName, "時間");
    EXPECT_EQ(d.x, Count(16));
    EXPECT_EQ(d.y, Column(M(), M().GetDependent()));
    ASSERT_EQ(d.extra.size(), 3u);
    const ToleranceRows rows = GetObservationToleranceIntervals(M(), 0.90, 0.95);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(d.extra[0].Y(i), rows.upper[i]) << i;
        EXPECT_EQ(d.extra[1].Y(i), rows.lower[i]) << i;
        EXPECT_EQ(d.extra[2].Y(i), rows.fitted[i]) << i;
    }
}

TEST_F(PlotCommandsTest, AFailingPlotShowsItsOwnErrorAndMemoryOnlyForMemory) {
    OpenLongley();
    const struct {
        int failWith;
        const char* message;
    } cases[] = {{1, "描画できません"}, {2, "メモリーの確保に失敗しました。"}};
    for (const auto& c : cases) {
        ui_.ClearCalls();
        RecordingGraph::failWith = c.failWith;
        ui_.QueueOK();
        Trigger("PlotsCS");
        RecordingGraph::failWith = 0;
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), 1u) << c.message;
        EXPECT_EQ(boxes[0].text, c.message);
    }
}

// The constant alone (X exogenous and Z endogenous left out) in two-stage
// estimation with observed leverages: a constant axis is asked about (the
// fitted values are the mean 6, every leverage 1/8) and the residuals are
// drawn as r(i) = (y - 6) / 3.
TEST_F(PlotCommandsTest, ModelOfTheConstantAloneInTwoStageEstimation) {
    Use({{2, 3, 5, 7, 11, 4, 6, 10}, {1, 2, 3, 4, 5, 6, 7, 8}, {3, 1, 4, 1, 5, 9, 2, 6}}, {1, 0, 0, 2}, 0,
        {"Y", "X", "Z"}, {1, 2, 1});
    for (const char* command : {"LSE", "btnRealCalc"}) Trigger(command);
    ASSERT_TRUE(M().IsTwoStage() && M().IsRealCalc());
    const struct {
        const char* command;
        const char* question;  // answered no
    } cases[] = {{"PlotsCS", "横軸が定数です = 6.0000\n縦軸を表示しますか？"},
                 {"LRPlotter", "縦軸が定数です = 0.1250\n横軸を表示しますか？"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        ui_.ClearCalls();
        ui_.QueueNo();
        Trigger(c.command);
        const auto asked = ui_.CallsOf(ServiceCall::YesNo);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].text, c.question);
        EXPECT_TRUE(seen_.empty());
    }
    Trigger("PlotsTS");
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].yName, "標準化残差");
    const std::vector<double> r = {-4.0 / 3, -1, -1.0 / 3, 1.0 / 3, 5.0 / 3, -2.0 / 3, 0, 4.0 / 3};
    ASSERT_EQ(seen_[0].y.size(), r.size());
    for (std::size_t i = 0; i < r.size(); ++i) EXPECT_NEAR(seen_[0].y[i], r[i], 1e-12) << i;
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

}  // namespace

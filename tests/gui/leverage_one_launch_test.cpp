// An observation that a dummy of its own gives leverage 1 has no r(i), t(i)
// or deletion figures. The windows hand the statistics window the other
// observations (the mark renumbered among them) after one message naming
// what was left out and why; the X-Y graph plots the other pairs under
// their own observation numbers.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QTabWidget>

#include <cmath>
#include <limits>

#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/launch_request.h"
#include "components/view/result_grid.h"
#include "core/data/variable.h"
#include "core/model/regression_model.h"
#include "core/model/result_columns.h"
#include "estimators/ui/weighted_fit_window.h"
#include "modal_window.h"
#include "request_probe.h"
#include "simeq/ui/iv_window.h"
#include "started_windows.h"
#include "stats/fundamental_stats_request.h"
#include "stats/ui/fund_window.h"
#include "stats/ui/xy_graph_window.h"
#include "support/sample_columns.h"

namespace {

using Texts = std::vector<std::string>;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const char kFifthAtOne[] = "観測値 5 は作用点が 1 で数値にならないため、除いて計算します。";
const Texts kNumbersWithoutFive = {"1", "2", "3", "4", "6", "7", "8", "9", "10", "11", "12"};

// x1, x3, d and y of the twelve rows, d = 1 at the fifth observation alone.
Columns TwelveWithDummy() { return WithDummy(TwelveRows(), 2, 4); }

bool AllFinite(const std::vector<double>& v) {
    for (double d : v)
        if (!std::isfinite(d)) return false;
    return true;
}

// The first column of the graph's data page and its point label after
// `forward` steps from the first point.
struct GraphShown {
    Texts numbers;
    std::string label;
};
GraphShown ReadGraph(TfrmGraphXY& w, int forward) {
    GraphShown g;
    for (int r = 1; r < w.dgData->RowCount(); ++r) g.numbers.push_back(w.dgData->Cell(0, r).toStdString());
    for (int i = 0; i < forward; ++i) w.ForwardExecute();
    g.label = w.stPlot->text().toStdString();
    return g;
}

class LeverageOneLaunchTest : public StartedWindows {
protected:
    LeverageOneLaunchTest() : StartedWindows("leverage1") {}
    // The data opened, y endogenous (for the instrumental-variable window),
    // the model y on x1, x3 and d built by toggling them in.
    Reg* OpenDummyModel() {
        std::vector<int> types(4, Var::kExogenous);
        types[3] = Var::kEndogenous;
        SaveAs(*MakeModel(TwelveWithDummy(), types, {"x1", "x3", "d", "y"}), dir_.Path("dummy.MDF"));
        main_->OpenAndRemember(dir_.Path("dummy.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(3);
        for (int j = 0; j < 3; ++j) EXPECT_TRUE(m->ToggleVariable(j));
        m->ComputeInfluence();
        main_->UpdateLaunchActions();
        ui_.ClearCalls();
        return m;
    }
    // Runs the command with an OK queued for each expected message; the
    // messages shown.
    Texts Run(const std::function<void()>& command, const Texts& expected) {
        ui_.ClearCalls();
        for (std::size_t i = 0; i < expected.size(); ++i) ui_.QueueOK();
        command();
        return ui_.MessageTexts();
    }
    // A statistics command, what it must hand on (count of values, the mark)
    // and the messages it must show.
    struct StatsCase {
        const char* what;
        std::function<void()> run;
        std::size_t count;
        int k;
        Texts boxes;
    };
    void ExpectStats(const std::vector<StatsCase>& cases) {
        for (const StatsCase& c : cases) {
            SCOPED_TRACE(c.what);
            stats_.clear();
            EXPECT_EQ(Run(c.run, c.boxes), c.boxes);
            ASSERT_EQ(stats_.size(), 1u);
            EXPECT_EQ(stats_[0].values.size(), c.count);
            // What is handed on after a message has every figure.
            EXPECT_TRUE(c.boxes.empty() || AllFinite(stats_[0].values));
            EXPECT_EQ(stats_[0].observation, c.k);
        }
    }
    std::vector<FundamentalStatsRequest> stats_;
    std::unique_ptr<ScopedAnalysisWindow> ProbeStatistics() {
        return Probe<FundamentalStatsRequest>("TfrmFund", [this](const auto& r) { stats_.push_back(r); });
    }
};

// Each road of the main window to a result column's statistics; the mark
// of observation 5 is dropped, a later one moves up by one.
TEST_F(LeverageOneLaunchTest, MainWindowLeavesOutTheObservationOfLeverageOne) {
    OpenDummyModel();
    main_->SetFundamentalStatsView([&](const std::string& title, const std::vector<double>& values, int k) {
        stats_.push_back({title, values, k});
    });
    const auto column = [this](ResultKind kind, int index, int k) {
        return [=, this] { main_->ShowResultColumnStatistics({kind, index}, k); };
    };
    ExpectStats({
        {"NPlots r(i)", [&] { main_->Action("NPlots")->trigger(); }, 11, 1, {kFifthAtOne}},
        {"right tbFund t(i)", [&] { main_->tbFundMouseDown(Qt::RightButton); }, 11, 1, {kFifthAtOne}},
        {"t(i) at 8", column(ResultKind::Diagnostic, Reg::kRowStudentExternal, 8), 11, 7, {kFifthAtOne}},
        {"PRESS at 5", column(ResultKind::Diagnostic, Reg::kRowPress, 5), 11, 0, {kFifthAtOne}},
        {"DFFITS at 12", column(ResultKind::Influence, 2, 12), 11, 11, {kFifthAtOne}},
        {"t without i at 3", column(ResultKind::DeletedT, 0, 3), 11, 3, {kFifthAtOne}},
        {"DFBETA of d at 6", column(ResultKind::ScaledDfbeta, 2, 6), 11, 5, {kFifthAtOne}},
        {"residuals at 5", column(ResultKind::Diagnostic, Reg::kRowResidual, 5), 12, 5, {}},
        {"s2(i) at 5", column(ResultKind::Influence, 0, 5), 12, 5, {}},
        {"y at 5", column(ResultKind::Variable, 3, 5), 12, 5, {}},
    });
}

// The launcher itself: every reason in one message, the mark renumbered;
// a column without any figure goes on whole and the statistics window
// refuses it. (The wording of the list is the engine's, tested there.)
TEST_F(LeverageOneLaunchTest, ColumnStatisticsSayOnceWhatWasLeftOut) {
    const auto with = [](std::vector<int> at) {
        std::vector<double> v;
        for (int i = 0; i < 16; ++i) v.push_back(1.5 * i + (i % 3));
        for (int i : at) v[static_cast<std::size_t>(i)] = kNaN;
        return v;
    };
    std::vector<double> leverage(16, 0.25), atOne(16, 1.0);
    leverage[4] = 1.0;
    const auto show = [this](std::vector<double> v, const std::vector<double>& h, int k) {
        return [=, this] { (void)ShowColumnFundamentalStats(WindowContext(state_), "Z", v.data(), h.data(), 16, k); };
    };
    std::vector<int> all;
    for (int i = 0; i < 16; ++i) all.push_back(i);
    {
        const auto probe = ProbeStatistics();
        ExpectStats({
            {"leverage 1", show(with({4}), leverage, 9), 15, 8, {kFifthAtOne}},
            {"both reasons", show(with({2, 4, 7}), leverage, 16), 13, 13,
             {"観測値 5 は作用点が 1 で数値にならないため、除いて計算します。\n"
              "観測値 3, 8 は数値にならないため、除いて計算します。"}},
            {"every figure", show(with({}), leverage, 5), 16, 5, {}},
            {"no figure", show(with(all), atOne, 3), 16, 3, {}},
        });
    }
    RegisterFundWindow();
    const std::vector<double> none = with(all);
    bool opened = true;
    const Texts refused = {"数値になりません"};
    const auto refusal = [&] {
        opened = ShowColumnFundamentalStats(WindowContext(state_), "Z", none.data(), atOne.data(), 16, 1);
    };
    EXPECT_EQ(Run(refusal, refused), refused);
    EXPECT_FALSE(opened);
}

// The instrumental-variable and weighted windows' statistics commands.
TEST_F(LeverageOneLaunchTest, IVAndWeightedWindowsHandOnTheOtherObservations) {
    Reg* m = OpenDummyModel();
    const auto probe = ProbeStatistics();
    KeptWindow<TfrmIV> keptIV{"TfrmIV", RegisterIVWindow};
    TfrmIV* iv = keptIV.Keep([this] { main_->Action("mnuIVEst")->trigger(); });
    ASSERT_NE(iv, nullptr);
    iv->PC->setCurrentWidget(iv->tsRes);
    TfrmWLS wls{WindowContext(state_)};
    LaunchRequest request;
    request.model = m;
    request.mode = -1;
    ASSERT_TRUE(wls.Fill(request));
    ExpectStats({
        {"IV r(i)", [&] { iv->NPlot->trigger(); }, 11, 1, {kFifthAtOne}},
        {"IV t(i) at 8", [&] { iv->ResCellClick(8, 8, Qt::RightButton, Qt::NoModifier); }, 11, 7, {kFifthAtOne}},
        {"IV residuals at 8", [&] { iv->ResCellClick(3, 8, Qt::RightButton, Qt::NoModifier); }, 12, 8, {}},
        {"weighted r(i)", [&] { wls.FundExecute(false); }, 11, 1, {kFifthAtOne}},
        {"weighted t(i)", [&] { wls.FundExecute(true); }, 11, 1, {kFifthAtOne}},
        {"weighted t(i) at 5", [&] { wls.ShowColumnStatistics(9, 5); }, 11, 0, {kFifthAtOne}},
        {"weighted residuals at 5", [&] { wls.ShowColumnStatistics(6, 5); }, 12, 5, {}},
    });
    iv->close();
}

// The X-Y graph opens on the finite pairs, numbered by observation; with
// none left it says so and opens nothing.
TEST_F(LeverageOneLaunchTest, XYGraphPlotsTheFinitePairsUnderTheirObservationNumbers) {
    const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8}, y = {2, 1, 4, 3, kNaN, 5, 8, 7};
    std::vector<double> xGap = x, none(8, kNaN);
    xGap[0] = kNaN;
    const Texts refused = {"数値になりません"};
    const struct {
        const char* what;
        const std::vector<double>*x, *y;
        GraphShown shown;  // nothing when no graph opens
        Texts boxes;
    } cases[] = {
        {"y at 5", &x, &y, {{"1", "2", "3", "4", "6", "7", "8"}, "6"}, {}},
        {"x at 1, y at 5", &xGap, &y, {{"2", "3", "4", "6", "7", "8"}, "7"}, {}},
        {"no y", &x, &none, {}, refused},
        {"no x", &none, &y, {}, refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GraphShown shown;
        Texts boxes;
        const auto plot = [&] { ShowXYGraph(WindowContext(state_), "X", c.x->data(), "Y", 8, c.y->data()); };
        const bool opened = WhileModal<TfrmGraphXY>([&] { boxes = Run(plot, c.boxes); },
                                                    [&](TfrmGraphXY& w) { shown = ReadGraph(w, 4); });
        EXPECT_EQ(opened, !c.shown.numbers.empty());
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(shown.numbers, c.shown.numbers);
        EXPECT_EQ(shown.label, c.shown.label);
    }

    // The main window's plots of r(i) against the fitted values and time.
    OpenDummyModel();
    for (const char* command : {"PlotsCS", "PlotsTS"}) {
        SCOPED_TRACE(command);
        GraphShown shown;
        EXPECT_TRUE(WhileModal<TfrmGraphXY>([&] { main_->Action(command)->trigger(); },
                                            [&](TfrmGraphXY& w) { shown = ReadGraph(w, 4); }));
        EXPECT_EQ(shown.numbers, kNumbersWithoutFive);
        EXPECT_EQ(shown.label, "6");
        EXPECT_TRUE(ui_.MessageTexts().empty());
    }
}

}  // namespace

// An observation that a dummy of its own gives leverage 1 has no r(i), t(i)
// or deletion figures: the windows hand the statistics window the other
// observations (the mark renumbered, each value with its observation's
// number) after one message, and the X-Y graph plots the other pairs under
// their own observation numbers.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "components/view/graph_launchers.h"
#include "components/view/launch_request.h"
#include "components/view/result_grid.h"
#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "core/model/regression_model.h"
#include "core/model/result_columns.h"
#include "estimators/ui/preliminary_regression_window.h"
#include "estimators/ui/weighted_fit_window.h"
#include "modal_window.h"
#include "request_probe.h"
#include "simeq/ui/iv_set_dialog.h"
#include "simeq/ui/iv_window.h"
#include "started_windows.h"
#include "stats/fundamental_stats_request.h"
#include "stats/ui/xy_graph_window.h"
#include "support/sample_columns.h"

namespace {

using Texts = std::vector<std::string>;
const Texts kFifthAtOne = {"観測値 5 は作用点が 1 で数値にならないため、除いて計算します。"};
const std::vector<int> kNumbersButFifth = {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12};

class LeverageOneLaunchTest : public StartedWindows {
protected:
    LeverageOneLaunchTest() : StartedWindows("leverage1") {}
    // y on x1, x3 and d, d = 1 at observation 5 alone; y endogenous.
    Reg* OpenDummyModel() {
        std::vector<int> types = {Var::kExogenous, Var::kExogenous, Var::kExogenous, Var::kEndogenous};
        SaveAs(*MakeModel(WithDummy(TwelveRows(), 2, 4), types, {"x1", "x3", "d", "y"}), dir_.Path("d.MDF"));
        main_->OpenAndRemember(dir_.Path("d.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(3);
        for (int j = 0; j < 3; ++j) EXPECT_TRUE(m->ToggleVariable(j));
        m->ComputeInfluence();
        main_->UpdateLaunchActions();
        return m;
    }
    // The messages the command shows, an OK queued for each expected one.
    Texts Run(const std::function<void()>& command, const Texts& expected) {
        ui_.ClearCalls();
        for (std::size_t i = 0; i < expected.size(); ++i) ui_.QueueOK();
        command();
        return ui_.MessageTexts();
    }
};

TEST_F(LeverageOneLaunchTest, StatisticsLeaveOutTheObservationOfLeverageOne) {
    TfrmWLS wls{WindowContext(state_)};
    LaunchRequest weighted;
    weighted.model = OpenDummyModel();
    weighted.mode = -1;
    ASSERT_TRUE(wls.Fill(weighted));
    std::vector<FundamentalStatsRequest> seen;
    const auto probe = Probe<FundamentalStatsRequest>("TfrmFund", [&](const auto& r) { seen.push_back(r); });
    KeptWindow<TfrmIV> keptIV{"TfrmIV", RegisterIVWindow};
    TfrmIV* iv = keptIV.Keep([this] { main_->Action("mnuIVEst")->trigger(); });
    ASSERT_NE(iv, nullptr);
    const auto column = [this](int row, int k) {
        return [=, this] { main_->ShowResultColumnStatistics({ResultKind::Diagnostic, row}, k); };
    };
    // What each command must hand on (count of values, the mark) and say.
    const struct { const char* what; std::function<void()> run; std::size_t count; int k; Texts boxes; } cases[] = {
        {"NPlots r(i)", [&] { main_->Action("NPlots")->trigger(); }, 11, 1, kFifthAtOne},
        {"t(i) at 8", column(Reg::kRowStudentExternal, 8), 11, 7, kFifthAtOne},
        {"residuals at 5", column(Reg::kRowResidual, 5), 12, 5, {}},
        {"IV r(i)", [&] { iv->NPlot->trigger(); }, 11, 1, kFifthAtOne},
        {"weighted t(i) at 5", [&] { wls.ShowColumnStatistics(9, 5); }, 11, 0, kFifthAtOne},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        seen.clear();
        EXPECT_EQ(Run(c.run, c.boxes), c.boxes);
        ASSERT_EQ(seen.size(), 1u);
        const std::vector<double>& v = seen[0].values;
        EXPECT_EQ(v.size(), c.count);
        EXPECT_TRUE(std::all_of(v.begin(), v.end(), [](double d) { return std::isfinite(d); }));
        EXPECT_EQ(seen[0].observation, c.k);
        if (c.count == 11) { EXPECT_EQ(seen[0].numbers, kNumbersButFifth); }
    }
}

// The windows that leave the row out of their standardised residuals
// themselves say so as the others do, and number the rest by observation.
TEST_F(LeverageOneLaunchTest, PreliminaryAndFirstStageResidualsSayOnceWhatIsLeftOut) {
    std::vector<FundamentalStatsRequest> seen;
    const auto probe = Probe<FundamentalStatsRequest>("TfrmFund", [&](const auto& r) { seen.push_back(r); });

    // The preliminary regression of y on x1, x3 and d.
    OpenDummyModel();
    ui_.ClearCalls();
    ui_.QueueInput("y");
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmPreREG*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        for (int j = 0; j < 3; ++j)
            if (!w->Regression()->InModel(j)) w->ToggleRow(j + 2);
        ui_.QueueOK();
        w->btnRes->click();
        w->btnCancel->click();
    });
    main_->Action("mnuPreREG")->trigger();

    // The first stage of t (the same values) on the exogenous x1, x3 and d.
    Columns columns = WithDummy(TwelveRows(), 2, 4);
    columns.push_back(columns[3]);
    auto data = MakeModel(columns, {Var::kExogenous, Var::kExogenous, Var::kExogenous, Var::kEndogenous,
                                    Var::kEndogenous}, {"x1", "x3", "d", "t", "y"});
    RegIV iv(*data, 0);
    TfrmIVSet d{WindowContext(state_)};
    d.SetModel(&iv, data.get(), 0);
    d.cbIVSel->setCurrentText("t");
    d.methods->button(TfrmIVSet::kExogenous)->click();
    ui_.QueueOK();
    d.btnRES->click();

    const Texts twice = {kFifthAtOne[0], kFifthAtOne[0]};
    EXPECT_EQ(ui_.MessageTexts(), twice);
    ASSERT_EQ(seen.size(), 2u);
    for (const FundamentalStatsRequest& r : seen) {
        EXPECT_EQ(r.name, "標準化残差");
        EXPECT_EQ(r.values.size(), 11u);
        EXPECT_EQ(r.numbers, kNumbersButFifth);
    }
}

TEST_F(LeverageOneLaunchTest, XYGraphPlotsTheFinitePairsUnderTheirObservationNumbers) {
    const double nan = std::nan("");
    const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8}, y = {2, 1, 4, 3, nan, 5, 8, 7}, none(8, nan);
    Texts numbers;  // the data page's first column
    std::string label;  // of the point four steps on
    const auto read = [&](TfrmGraphXY& w) {
        numbers.clear();
        for (int r = 1; r < w.dgData->RowCount(); ++r) numbers.push_back(w.dgData->Cell(0, r).toStdString());
        for (int i = 0; i < 4; ++i) w.ForwardExecute();
        label = w.stPlot->text().toStdString();
    };
    const auto plot = [&](const std::vector<double>& ys) {
        ShowXYGraph(WindowContext(state_), "X", x.data(), "Y", 8, ys.data());
    };
    EXPECT_TRUE(WhileModal<TfrmGraphXY>([&] { plot(y); }, read));  // a message would find no OK
    EXPECT_EQ(numbers, (Texts{"1", "2", "3", "4", "6", "7", "8"}));
    EXPECT_EQ(label, "6");
    // With no pair left it says so and opens nothing.
    const Texts refused = {"数値になりません"};
    EXPECT_FALSE(WhileModal<TfrmGraphXY>([&] { EXPECT_EQ(Run([&] { plot(none); }, refused), refused); }, read));

    // The main window's plot of r(i) against the fitted values.
    OpenDummyModel();
    EXPECT_TRUE(WhileModal<TfrmGraphXY>([&] { main_->Action("PlotsCS")->trigger(); }, read));
    EXPECT_EQ(numbers, (Texts{"1", "2", "3", "4", "6", "7", "8", "9", "10", "11", "12"}));
    EXPECT_EQ(label, "6");
}

}  // namespace

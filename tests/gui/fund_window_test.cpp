// The univariate statistics window: opened through ShowFundamentalStats, it
// shows the engine's values and decides only what to show: which series it
// refuses, the location cycle, the rank correlation toggle, the stepping and
// typed choice of an observation, the probability plot's selection and free
// lines, the plot options, and the marks at the program-wide level.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

#include "components/plot/xy_plot.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/window_registry.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "stats/ui/fund_basic_page.h"
#include "stats/ui/fund_window.h"
#include "stats/ui/nplot_option_dialog.h"
#include "stats/univariate_fields.h"
#include "support/scripted_services.h"

namespace {

const std::vector<double> kSeries = {4.1, 5.3, 2.2, 7.8, 6.0, 3.3, 5.5, 9.1, 4.4, 6.6, 2.9, 8.0};

std::string Text(const QLabel* label) { return label->text().toStdString(); }

class FundWindowTest : public ::testing::Test {
protected:
    FundWindowTest() {
        TestApp();
        state_.SetServices(&ui_);
    }
    ~FundWindowTest() override { state_.SetServices(nullptr); }

    // A window loaded on the series, not shown.
    std::unique_ptr<TfrmFund> Load(const std::vector<double>& values, int observation = 0) {
        auto w = std::make_unique<TfrmFund>(WindowContext(state_));
        const bool filled = w->Fill(WindowRequest(FundamentalStatsRequest{"Z", values, observation}));
        return filled ? std::move(w) : nullptr;
    }

    ScriptedServices ui_;
    AppState state_;
};

TEST_F(FundWindowTest, LauncherShowsTheEngineValuesAndSteps) {
    RegisterFundWindow();
    const UnivariateStatistics s = ComputeUnivariateStatistics(kSeries.data(), static_cast<int>(kSeries.size()));
    std::map<std::string, std::string> seen;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmFund*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        const TfsFundPage* p = w->tsFund;
        seen = {{"title", w->windowTitle().toStdString()}, {"stAve", Text(p->stAve)},
                {"stSig", Text(p->stSig)},     {"stSkew", Text(p->stSkew)},
                {"stKurt", Text(p->stKurt)},   {"stG", Text(p->stG)},
                {"stMedian", Text(p->stMedian)}, {"stRCC", Text(p->stRCC)},
                {"stSW", Text(p->stSW)},       {"stDAgostino", Text(p->stDAgostino)},
                {"stAD", Text(p->stAD)},       {"stNumber", Text(p->stNumber)},
                {"stPLOT", Text(p->stPLOT)}};
        w->Foward->trigger();
        seen["after Foward"] = Text(p->stPLOT);
        w->Exitence->trigger();
    });
    ASSERT_TRUE(ShowFundamentalStats(WindowContext(state_), "Z", kSeries.data(), static_cast<int>(kSeries.size()), 3));
    AnalysisWindows().Unregister("TfrmFund");

    const std::map<std::string, std::string> expected = {
        {"title", "単変量統計 --- Z"},
        {"stAve", FormatNumber(false, s.mean)},
        {"stSig", FormatNumber(false, s.sd)},
        {"stSkew", SkewnessField(s, 0.05)},
        {"stKurt", KurtosisField(s, 0.05)},
        {"stG", GearyField(s, 0.05)},
        {"stMedian", LocationField(s, kLocationMedian)},
        {"stRCC", RankCorrelationField(s, true)},
        {"stSW", ShapiroWilkField(s)},
        {"stDAgostino", DAgostinoField(s)},
        {"stAD", AndersonDarlingField(s)},
        {"stNumber", "12"},
        {"stPLOT", "3"},
        {"after Foward", "4"},
    };
    EXPECT_EQ(seen, expected);
    const auto progress = ui_.CallsOf(ServiceCall::ProgressBegin);
    ASSERT_EQ(progress.size(), 1u);
    EXPECT_EQ(progress[0].text, "データの設定中・・・");
    EXPECT_EQ(ui_.ProgressDepth(), 0);
}

TEST_F(FundWindowTest, SkewnessMarkFollowsTheProgramWideLevel) {
    // Skewness 1.35863009906373389, whose normal score (D'Agostino) 2.3585
    // lies beyond the two-sided 5 % point 1.95996 and within the 1 % point
    // 2.57583.
    const std::vector<double> skewed = {1, 2, 2, 3, 3, 3, 4, 4, 5, 6, 8, 12};
    const struct {
        double level;
        const char* shown;
    } cases[] = {{0.10, "* 1.3586"}, {0.05, "* 1.3586"}, {0.01, "1.3586"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        ASSERT_TRUE(state_.SetCoefficientAlpha(c.level));
        auto w = Load(skewed);
        ASSERT_TRUE(w);
        EXPECT_EQ(Text(w->tsFund->stSkew), c.shown);
        EXPECT_EQ(w->Alpha(), c.level);
    }
    // An open window shows the level as it stands when the page is shown.
    ASSERT_TRUE(state_.SetCoefficientAlpha(0.05));
    auto w = Load(skewed);
    ASSERT_TRUE(w);
    ASSERT_TRUE(state_.SetCoefficientAlpha(0.01));
    w->tsFundShow();
    EXPECT_EQ(Text(w->tsFund->stSkew), "1.3586");
}

TEST_F(FundWindowTest, RefusedSeriesOpenNoWindow) {
    RegisterFundWindow();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        std::vector<double> values;
        std::string box;  // the message shown, or empty
        MsgKind kind;
        unsigned buttons;
    };
    const Case cases[] = {
        {"empty", {}, "", MsgKind::Warning, 0},
        {"three values", {1, 2, 3}, "", MsgKind::Warning, 0},
        {"constant", {2.5, 2.5, 2.5, 2.5, 2.5}, ConstantSeriesMessage(2.5), MsgKind::Warning, mbYes},
        {"not a number", {1, 2, nan, 4, 5}, "数値になりません", MsgKind::Error, mbOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui_.ClearCalls();
        if (!c.box.empty()) ui_.QueueOK();
        EXPECT_FALSE(ShowFundamentalStats(WindowContext(state_), "Z", c.values.empty() ? nullptr : c.values.data(),
                                          static_cast<int>(c.values.size()), 0));
        const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(boxes.size(), c.box.empty() ? 0u : 1u);
        if (!c.box.empty()) {
            EXPECT_EQ(boxes[0].text, c.box);
            EXPECT_EQ(boxes[0].msgKind, c.kind);
            EXPECT_EQ(boxes[0].value, static_cast<long>(c.buttons));
        }
        EXPECT_TRUE(ui_.CallsOf(ServiceCall::ProgressBegin).empty());
    }
    AnalysisWindows().Unregister("TfrmFund");
}

TEST_F(FundWindowTest, LocationCycleReturnsToTheMedianAndNonPositiveValuesShowDashes) {
    auto w = Load({-1.0, 2.0, 3.5, 4.0, 5.5, 6.0, 8.0});
    ASSERT_TRUE(w);
    const UnivariateStatistics& s = w->Statistics();
    const char* const captions[] = {"Wins-1", "Trim-1", "Wins-2", "Trim-2", "調和平均", "幾何平均", "メジアン"};
    for (int click = 0; click < 7; ++click) {
        SCOPED_TRACE(click + 1);
        w->stMedianClick();
        const int index = (click + 1) % 7;
        EXPECT_EQ(Text(w->tsFund->lblRP), captions[click]);
        EXPECT_EQ(Text(w->tsFund->stMedian), LocationField(s, index));
        if (index == kLocationHarmonic || index == kLocationGeometric) {
            EXPECT_EQ(Text(w->tsFund->stMedian), "-");
        }
    }
    w->stRCCClick();
    EXPECT_EQ(Text(w->tsFund->lblRCC), "K.R.C.C.");
    EXPECT_EQ(Text(w->tsFund->stRCC), RankCorrelationField(s, false));
}

TEST_F(FundWindowTest, ForwardAndBackwardWrapAtTheEnds) {
    auto w = Load({3, 1, 4, 1.5, 9});
    ASSERT_TRUE(w);
    w->SelectObservation(5);
    ASSERT_EQ(w->Selected(), 4);
    w->FowardExecute();
    EXPECT_EQ(w->Selected(), 0);
    EXPECT_EQ(Text(w->tsFund->stPLOT), "1");
    w->BackwardExecute();
    EXPECT_EQ(w->Selected(), 4);
    EXPECT_EQ(Text(w->tsFund->stPLOT), "5");
    // The read-outs are those of the dot of observation 5 (the largest).
    const int p = w->Statistics().PlotPositionOf(4);
    EXPECT_EQ(Text(w->tsFund->stYoko), FormatNumber(false, w->Statistics().standardizedSorted[p]));
    EXPECT_EQ(w->tsFund->NPlot->SelIndex, p);
}

TEST_F(FundWindowTest, TypedObservationOutsideTheSeriesKeepsTheSelection) {
    auto w = Load(kSeries);
    ASSERT_TRUE(w);
    struct Case {
        int result;
        const char* text;
        int selected;  // afterwards, 0-based
    };
    const Case cases[] = {{mrOK, "2+1", 2}, {mrOK, "0", 2}, {mrOK, "13", 2}, {mrOK, "-4", 2},
                          {mrCancel, "5", 2}, {mrOK, "12", 11}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ui_.QueueInput(c.result, c.text);
        w->stPLOTClick();
        EXPECT_EQ(w->Selected(), c.selected);
        EXPECT_EQ(Text(w->tsFund->stPLOT), std::to_string(c.selected + 1));
    }
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input).at(0).text, "データ組番号");
}

TEST_F(FundWindowTest, PlotSelectsTheNearestDotAndKeepsDrawnLines) {
    auto w = Load(kSeries);
    ASSERT_TRUE(w);
    TXYPlot* plot = w->tsFund->NPlot;
    plot->resize(300, 300);
    w->tsFundShow();
    const UnivariateStatistics& s = w->Statistics();
    const int p = 2;
    int px = 0, py = 0;
    plot->setxy(s.normalScores[p], s.standardizedSorted[p], &px, &py);

    w->NPlotMouseDown(Qt::LeftButton, px + 1, py);
    EXPECT_EQ(w->Selected(), s.sortIndex[p]);
    EXPECT_EQ(Text(w->tsFund->stPNOR), FormatNumber(false, s.normalScores[p]));
    w->NPlotMouseMove(px + 40, py - 40);
    w->NPlotMouseMove(px + 80, py - 60);
    w->NPlotMouseUp(Qt::LeftButton, px + 80, py - 60);
    ASSERT_EQ(w->FreeLines().Count(), 1);
    EXPECT_EQ(w->FreeLines().GetItem(0)->Count(), 3);

    // A click without a drag draws no line.
    w->NPlotMouseDown(Qt::LeftButton, px, py);
    w->NPlotMouseUp(Qt::LeftButton, px, py);
    EXPECT_EQ(w->FreeLines().Count(), 1);

    // The right button takes away the only line, then finds none.
    for (int expected : {0, 0}) {
        w->NPlotMouseDown(Qt::RightButton, px, py);
        EXPECT_EQ(w->FreeLines().Count(), expected);
    }
}

TEST_F(FundWindowTest, PlotOptionsSwitchToTheHalfNormalPlotOnlyOnOk) {
    auto w = Load(kSeries);
    ASSERT_TRUE(w);
    const UnivariateStatistics& s = w->Statistics();
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        w->RunDialog = [ok](QDialog& d) {
            auto& dialog = static_cast<TfrmNPlotOpt&>(d);
            dialog.Load(1, 0x0000FF, 2);
            dialog.btnOKClick();
            return ok ? QDialog::Accepted : QDialog::Rejected;
        };
        w->OptionSetExecute();
        EXPECT_EQ(w->PlotKind(), ok ? 1 : 0);
        EXPECT_EQ(w->FreeLineStyle(), ok ? 2 : 0);
        EXPECT_EQ(w->tsFund->NPlot->GetCaption(), ok ? "半正規確率プロット" : "正規確率プロット");
        const double r = ok ? s.halfNormalPlotR : s.normalPlotR;
        EXPECT_EQ(Text(w->tsFund->stRR2), FormatNumber(false, r * r));
        // The middle observation stays selected, its dot and read-out those
        // of the plot shown.
        EXPECT_EQ(w->Selected(), 6);
        const std::vector<int>& order = ok ? s.absSortIndex : s.sortIndex;
        const int p = static_cast<int>(std::find(order.begin(), order.end(), 6) - order.begin());
        EXPECT_EQ(w->tsFund->NPlot->SelIndex, p);
        EXPECT_EQ(Text(w->tsFund->stYoko), FormatNumber(false, (ok ? s.absStandardized : s.standardizedSorted)[p]));
    }
    EXPECT_EQ(w->FreeLineColour(), 0x0000FFu);
}

TEST_F(FundWindowTest, IntervalTextsGoToTheStatusBar) {
    auto w = Load(kSeries);
    ASSERT_TRUE(w);
    w->stAveClick();
    EXPECT_EQ(w->SB->currentMessage().toStdString(), MeanIntervalText(w->Statistics(), 0.05));
    w->stSigClick();
    EXPECT_EQ(w->SB->currentMessage().toStdString(), SigmaIntervalText(w->Statistics(), 0.05));
    EXPECT_TRUE(w->TextSave->isEnabled());
}

}  // namespace

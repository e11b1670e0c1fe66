// The univariate statistics window: opened through ShowFundamentalStats, it
// shows the engine's values and decides only what to show: which series it
// refuses, the location cycle, the rank correlation toggle, the stepping and
// typed choice of an observation, the probability plot's selection and free
// lines, and the plot options.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

#include "components/plot/xy_plot.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/window_registry.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "stats/ui/fund_basic_page.h"
#include "stats/ui/fund_window.h"
#include "stats/ui/nplot_option_dialog.h"
#include "support/scripted_services.h"

namespace {

const std::vector<double> kSeries = {13.76, 13.45, 16.34, 18.86, 12.11, 13.95, 17.83, 10.45, 14.43, 13.91,
                                     12.21, 13.8,  14.5,  18.02, 16.47, 13.76, 15.68, 17.65, 14.32, 14.89,
                                     15.21, 13.76, 13.05, 13.53, 12.1,  14.74, 13.94, 16.89, 15.59, 13.04};

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

TEST_F(FundWindowTest, CommandsCarryTheirCaptionsShortcutsAndHints) {
    auto w = Load(kSeries);
    ASSERT_TRUE(w);
    const char* const commands[][4] = {
        // name, caption, shortcut, hint
        {"Exitence", "終了", "Ctrl+X", "終了する"},
        {"Backward", "前", "Ctrl+B", "前の点"},
        {"Foward", "次", "Ctrl+F", "次の点"},
        {"BitMapSave", "画像保存", "", "画面をビットマップとして保存"},
        {"TextSave", "テキスト保存", "", "テキスト保存"},
        {"OptionSet", "設定", "Ctrl+O", "各種設定をする"},
        {"HelpContext", "ヘルプ", "Ctrl+H", ""},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c[0]);
        const auto* a = w->findChild<QAction*>(c[0]);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text().toStdString(), c[1]);
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(c[2])));
        EXPECT_EQ(a->statusTip().toStdString(), c[3]);
    }
    const char* const pages[] = {"基本統計量", "度数分布", "時系列", "ACF", "周期分析", "箱ひげ図"};
    ASSERT_EQ(w->PC->count(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(w->PC->tabText(i).toStdString(), pages[i]);
}

TEST_F(FundWindowTest, LauncherShowsTheEngineValuesAndSteps) {
    RegisterFundWindow();
    std::map<std::string, std::string> seen;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmFund*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        const TfsFundPage* p = w->tsFund;
        seen = {{"title", w->windowTitle().toStdString()}, {"stAve", Text(p->stAve)},
                {"stNumber", Text(p->stNumber)}, {"stPLOT", Text(p->stPLOT)}};
        w->Foward->trigger();
        seen["after Foward"] = Text(p->stPLOT);
        w->Exitence->trigger();
    });
    ASSERT_TRUE(ShowFundamentalStats(WindowContext(state_), "Z", kSeries.data(), static_cast<int>(kSeries.size()), 3));
    AnalysisWindows().Unregister("TfrmFund");

    const std::map<std::string, std::string> expected = {
        {"title", "単変量統計 --- Z"},
        {"stAve", "14.6080"},
        {"stNumber", "30"},
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
    // D'Agostino's score of the skewness 1.3586, 2.3585, lies between the
    // two-sided 5 % and 1 % points.
    auto w = Load({1, 2, 2, 3, 3, 3, 4, 4, 5, 6, 8, 12});
    ASSERT_TRUE(w);
    EXPECT_EQ(Text(w->tsFund->stSkew), "* 1.3586");
    // An open window takes the level as it stands when the page is shown.
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
        {"constant", {2.5, 2.5, 2.5, 2.5, 2.5}, "定数です = 2.5000", MsgKind::Warning, mbYes},
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
    const char* const clicks[][2] = {{"Wins-1", "4.1429"}, {"Trim-1", "4.2000"}, {"Wins-2", "4.4286"},
                                     {"Trim-2", "4.3333"}, {"調和平均", "-"},   {"幾何平均", "-"},
                                     {"メジアン", "4.0000"}};
    for (const auto& c : clicks) {
        w->stMedianClick();
        EXPECT_EQ(Text(w->tsFund->lblRP), c[0]);
        EXPECT_EQ(Text(w->tsFund->stMedian), c[1]) << c[0];
    }
    w->stRCCClick();
    EXPECT_EQ(Text(w->tsFund->lblRCC), "K.R.C.C.");
    EXPECT_EQ(Text(w->tsFund->stRCC), "1.0000");
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
    EXPECT_EQ(Text(w->tsFund->stYoko), "1.6595");
    EXPECT_EQ(w->tsFund->NPlot->SelIndex, 4);
}

TEST_F(FundWindowTest, TypedObservationOutsideTheSeriesKeepsTheSelection) {
    auto w = Load(kSeries);
    ASSERT_TRUE(w);
    struct Case {
        int result;
        const char* text;
        int selected;  // afterwards, 0-based
    };
    const Case cases[] = {{mrOK, "2+1", 2}, {mrOK, "0", 2}, {mrOK, "31", 2}, {mrOK, "-4", 2},
                          {mrCancel, "5", 2}, {mrOK, "30", 29}};
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
    // The third dot: 12.11, observation 5.
    int px = 0, py = 0;
    plot->setxy(-1.3645597089205246, -1.2775986298060684, &px, &py);

    w->NPlotMouseDown(Qt::LeftButton, px + 1, py);
    EXPECT_EQ(w->Selected(), 4);
    EXPECT_EQ(Text(w->tsFund->stPNOR), "-1.3646");
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
    auto w = Load(kSeries, 3);
    ASSERT_TRUE(w);
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
        EXPECT_EQ(Text(w->tsFund->stRR2), ok ? "0.9815" : "0.9646");
        // Observation 3 stays selected, its dot and read-out those of the
        // plot shown; the plot's first and last dots (Blom's positions at
        // both ends, the standardised series or its absolute values sorted).
        EXPECT_EQ(w->Selected(), 2);
        EXPECT_EQ(w->tsFund->NPlot->SelIndex, ok ? 19 : 23);
        EXPECT_EQ(Text(w->tsFund->stPNOR), ok ? "0.9326" : "0.7769");
        EXPECT_NEAR(w->tsFund->NPlot->X(0), ok ? 0.025897814831561325 : -2.040281322010411, 1e-6);
        EXPECT_NEAR(w->tsFund->NPlot->Y(0), ok ? 0.05523644996759561 : -2.1266033237524553, 1e-12);
        ASSERT_EQ(w->tsFund->NPlot->Count(), 30);
        EXPECT_NEAR(w->tsFund->NPlot->X(29), ok ? 2.3141197011116755 : 2.0402813220104115, 1e-6);
        EXPECT_NEAR(w->tsFund->NPlot->Y(29), 2.1746794931686965, 1e-12);
    }
    EXPECT_EQ(w->FreeLineColour(), 0x0000FFu);
}

TEST_F(FundWindowTest, IntervalTextsGoToTheStatusBar) {
    auto w = Load(kSeries);
    ASSERT_TRUE(w);
    w->stAveClick();
    EXPECT_EQ(w->SB->currentMessage().toStdString(), " 信頼区間 ( 13.8779 ... 15.3381)");
    w->stSigClick();
    EXPECT_EQ(w->SB->currentMessage().toStdString(), "umv[1.9722] : 信頼区間 ( 1.5572 ... 2.6284)");
    EXPECT_TRUE(w->TextSave->isEnabled());
}

}  // namespace

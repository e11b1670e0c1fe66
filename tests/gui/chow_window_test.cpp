// The structural change test window, offscreen: opened from the main
// window's menu command, a cell, the scroll bar, the coefficient interval,
// closed; then what only the window decides (one calculation per scroll
// move, a typed boundary held to the scroll range and the middle taken for
// a text that gives no value, the group mode read from
// the setting with "ω" disabled, the recursive residuals plotted from their
// first value). Numbers are the engine's own, read by one call.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

#include <cmath>

#include "app/settings/settings_dialog.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "core/data/group_mask.h"
#include "core/model/estimate_texts.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "estimators/chow_test.h"
#include "estimators/recursive_residuals.h"
#include "estimators/ui/chow_window.h"
#include "request_probe.h"
#include "started_windows.h"
#include "stats/xy_graph_request.h"
#include "support/model_builder.h"

namespace {

QString Num(double v) { return Q(FormatNumber(false, v)); }

class ChowWindowTest : public StartedWindows {
protected:
    ChowWindowTest() : StartedWindows("chow") {}

    // Y on X over twelve observations.
    Reg* Open() {
        auto model = MakeModel({{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                                {2.1, 3.9, 6.2, 7.8, 10.1, 12.2, 16.5, 19.1, 22.4, 24.8, 28.3, 31.0}},
                               {}, {"X", "Y"});
        SaveAs(*model, dir_.Path("chow.MDF"));
        main_->OpenAndRemember(dir_.Path("chow.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(1);
        EXPECT_TRUE(m->ToggleVariable(0));
        ui_.ClearCalls();
        return m;
    }
    void SetGroupMode(bool on) { windows_->SetteiDlg->Settings().Values().Chow_Test = on; }
    std::unique_ptr<TfrmChow> Window(Reg* m) {
        auto w = std::make_unique<TfrmChow>(WindowContext(state_));
        EXPECT_TRUE(w->Fill(ChowRequest{m, [this] { return windows_->SetteiDlg->Settings().Values().Chow_Test; }}));
        return w;
    }
    static ChowResult Expected(const Reg& m, int boundary) {
        return *ComputeChowTest(m, {ChowMode::kBoundary, boundary, 0, 0});
    }
};

TEST_F(ChowWindowTest, WiringOpenFromMenuCellScrollIntervalClose) {
    Reg* m = Open();
    QAction* command = main_->Action("mnuChowTest");
    ASSERT_TRUE(command && command->isEnabled());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmChow*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        seen = true;
        const ChowResult at6 = Expected(*m, 6);
        EXPECT_EQ(w->eAGun->text(), "6");
        EXPECT_EQ(w->stF0Val->text(), Num(at6.f));
        EXPECT_EQ(w->stFVal->text(), Q(FormatPercent(at6.level)));
        EXPECT_EQ(w->sgB->Cell(3, 2), Num(at6.b.coef[1]));
        EXPECT_EQ(w->sgB->Cell(0, 1), "定数項");
        w->sbSep->setValue(8);
        EXPECT_EQ(w->eAGun->text(), "8");
        EXPECT_EQ(w->stN1->text(), "8");
        const ChowResult at8 = Expected(*m, 8);
        EXPECT_EQ(w->stRSSA->text(), Num(at8.SseA()));
        const QRect cell = w->sgB->CellRect(2, 2);
        w->sgBMouseDown(cell.center().x(), cell.center().y());
        EXPECT_EQ(w->SB->currentMessage().toStdString(),
                  "Ａ群(X) : " + FormatConfidenceInterval(at8.a.df, 0.05, at8.a.stdErr[1], at8.a.coef[1]));
        w->btnExit->click();
    });
    command->trigger();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(ChowWindowTest, CaptionsOfTheWindowAndItsButtons) {
    Reg* m = Open();
    auto w = Window(m);
    EXPECT_EQ(w->windowTitle(), "構造変化検定");
    EXPECT_EQ(w->lblAGun->text(), "データ境界");
    const std::pair<QPushButton*, const char*> captions[] = {
            {w->btnCalc, "計算(&C)"},      {w->btnW, "ω"},              {w->btnExit, "閉じる(&X)"},
            {w->btnHelp, "&?"},            {w->SpeedButton1, "Ａ群"},   {w->SpeedButton2, "Ｂ群"},
            {w->SpeedButton3, "Ａ群残差"}, {w->SpeedButton4, "Ｂ群残差"}, {w->SpeedButton5, "Ａ群作用点"},
            {w->SpeedButton6, "Ｂ群作用点"},
    };
    for (const auto& [button, caption] : captions) EXPECT_EQ(button->text().toStdString(), caption);
    // The coefficient table's headings and names.
    const char* const headings[] = {"Y", "Ａ群β推定値", "Ａ群β標準誤差", "Ｂ群β推定値", "Ｂ群β標準誤差"};
    for (int c = 0; c < 5; ++c) EXPECT_EQ(w->sgB->Cell(c, 0).toStdString(), headings[c]);
    EXPECT_EQ(w->sgB->RowCount(), 3);
    EXPECT_EQ(w->sgB->Cell(0, 1), "定数項");
    EXPECT_EQ(w->sgB->Cell(0, 2), "X");
    // Slope of part B at the middle by hand: 2.9285714286.
    EXPECT_EQ(w->sgB->Cell(3, 2), "2.9286");
}

TEST_F(ChowWindowTest, OneCalculationPerMoveAndTypedBoundaryKeepsToTheRange) {
    Reg* m = Open();
    auto w = Window(m);
    EXPECT_EQ(w->Calculations(), 1);
    w->sbSep->setValue(7);
    EXPECT_EQ(w->Calculations(), 2);
    // Twelve observations, one regressor: boundaries 3 .. 9, the middle 6.
    // Part A's residual sum of squares by hand (exact fractions).
    struct Case {
        const char* typed;
        int boundary;
        const char* n2;
        const char* sseA;
    };
    const Case cases[] = {
            {"1", 3, "9", "0.0417"},   {"100", 9, "3", "6.7282"}, {"2*4", 8, "4", "4.6558"},
            {"", 6, "6", "0.1280"},    {"7.9", 7, "5", "3.1625"}, {"1+", 6, "6", "0.1280"},
            {"9", 9, "3", "6.7282"},   {"1/0", 6, "6", "0.1280"}, {"8", 8, "4", "4.6558"},
            {"Q", 6, "6", "0.1280"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const int before = w->Calculations();
        w->eAGun->setText(c.typed);
        w->btnCalc->click();
        EXPECT_EQ(w->Calculations(), before + 1);
        EXPECT_EQ(w->sbSep->value(), c.boundary);
        EXPECT_EQ(w->eAGun->text(), QString::number(c.boundary));
        EXPECT_EQ(w->stN1->text(), QString::number(c.boundary));
        EXPECT_EQ(w->stN2->text(), c.n2);
        EXPECT_EQ(w->stRSSA->text(), c.sseA);
        EXPECT_EQ(w->stRSSR->text(), "9.9566");
    }
    // A text that gives no value stands for the middle without a word.
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(ChowWindowTest, GroupModeIsReadAtEachUseAndDisablesRecursiveResiduals) {
    Reg* m = Open();
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 2; ++j) m->SetMark(i, j, GroupBit(i < 6 ? 1 : 2));
    SetGroupMode(true);
    auto w = Window(m);
    w->show();
    EXPECT_TRUE(w->eBGun->isVisible());
    EXPECT_FALSE(w->sbSep->isVisible());
    EXPECT_FALSE(w->btnW->isEnabled());
    EXPECT_EQ(w->Calculations(), 0);
    w->eAGun->setText("1");
    w->eBGun->setText("1");
    ui_.QueueOK();
    w->btnCalc->click();
    ASSERT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox)[0].text, "両群の計算が出来ません。");
    EXPECT_FALSE(w->Result());
    w->eBGun->setText("2");
    w->btnCalc->click();
    ASSERT_TRUE(w->Result());
    EXPECT_EQ(w->stN2->text(), "6");
    // The setting turned off: the next calculation takes the boundary.
    SetGroupMode(false);
    w->eAGun->setText("5");
    w->btnCalc->click();
    EXPECT_EQ(w->Result()->n1, 5);
    EXPECT_EQ(w->Result()->n2, 7);
}

TEST_F(ChowWindowTest, EachPartsPlotsTakeThatPartsSeries) {
    Reg* m = Open();
    std::vector<GraphSeen> seen;
    auto probe = ProbeGraphs(seen);
    auto w = Window(m);  // at the middle: observations 1-6 and 7-12
    // By hand: each part's straight-line fit, e / sqrt(s2 (1 - h)),
    // e^2 / SSE and h = 1/6 + (x - mean)^2 / 17.5 at its first and last
    // observation.
    struct Case {
        QPushButton* button;
        const char* xName;
        const char* yName;
        double x0, xLast, y0, yLast;
    };
    const Case cases[] = {
            {w->SpeedButton3, "Ａ群残差", "Ａ群予測値", 0.8100925873009827, 0.8100925873009827, 2.0, 12.1},
            {w->SpeedButton4, "Ｂ群残差", "Ｂ群予測値", 0.7863729095926286, -0.027116307227332024, 16.36190476190476,
             31.004761904761907},
            {w->SpeedButton5, "Ａ群残差平方", "Ａ群作用点", 0.078125, 0.078125, 11.0 / 21.0, 11.0 / 21.0},
            {w->SpeedButton6, "Ｂ群残差平方", "Ｂ群作用点", 0.07361694677871149, 8.753501400560224e-05, 11.0 / 21.0,
             11.0 / 21.0},
    };
    auto near = [](double a, double b) { EXPECT_NEAR(a, b, 1e-12 * (1.0 + std::fabs(b))); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xName);
        seen.clear();
        c.button->click();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].xName, c.xName);
        EXPECT_EQ(seen[0].yName, c.yName);
        ASSERT_EQ(seen[0].x.size(), 6u);
        ASSERT_EQ(seen[0].y.size(), 6u);
        near(seen[0].x.front(), c.x0);
        near(seen[0].x.back(), c.xLast);
        near(seen[0].y.front(), c.y0);
        near(seen[0].y.back(), c.yLast);
    }
}

TEST_F(ChowWindowTest, RecursiveResidualsArePlottedFromTheirFirstValue) {
    Reg* m = Open();
    std::vector<GraphSeen> seen;
    auto probe = ProbeGraphs(seen);
    auto w = Window(m);
    ui_.ClearCalls();
    w->btnW->click();
    // The calculation's progress window came and went.
    ASSERT_EQ(ui_.CallsOf(ServiceCall::ProgressBegin).size(), 1u);
    EXPECT_EQ(ui_.CallsOf(ServiceCall::ProgressBegin)[0].text, "データの設定中・・・");
    EXPECT_EQ(ui_.CallsOf(ServiceCall::ProgressEnd).size(), 1u);
    const RecursiveResidualSeries series = *ComputeRecursiveResiduals(*m, 12);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].xName, "時間");
    EXPECT_EQ(seen[0].yName, "逐次残差");
    ASSERT_EQ(seen[0].x.size(), static_cast<std::size_t>(12 - series.t0));
    EXPECT_EQ(seen[0].x.front(), series.t0 + 1.0);
    EXPECT_EQ(seen[0].y.front(), series.w[static_cast<std::size_t>(series.t0)]);
}

}  // namespace

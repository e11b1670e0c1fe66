// The structural change test window, offscreen: opened from the main
// window's menu command, a cell, the scroll bar, the coefficient interval,
// closed; then what only the window decides (one calculation per scroll
// move, a typed boundary held to the scroll range, the group mode read from
// the setting with "ω" disabled, the recursive residuals plotted from their
// first value, each group's series, the captions; the middle for a text giving
// no value; each part's R² in its own label). Numbers are the engine's own,
// read by one call, or worked out by hand where a label could show the other
// part's.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

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

TEST_F(ChowWindowTest, CaptionsOfTheWindowItsButtonsAndTable) {
    auto w = Window(Open());
    const std::pair<QString, const char*> captions[] = {
            {w->windowTitle(), "構造変化検定"},     {w->lblAGun->text(), "データ境界"},
            {w->btnCalc->text(), "計算(&C)"},        {w->btnW->text(), "ω"},
            {w->btnExit->text(), "閉じる(&X)"},      {w->btnHelp->text(), "&?"},
            {w->SpeedButton1->text(), "Ａ群"},       {w->SpeedButton2->text(), "Ｂ群"},
            {w->SpeedButton3->text(), "Ａ群残差"},   {w->SpeedButton4->text(), "Ｂ群残差"},
            {w->SpeedButton5->text(), "Ａ群作用点"}, {w->SpeedButton6->text(), "Ｂ群作用点"},
            {w->sgB->Cell(0, 0), "Y"},               {w->sgB->Cell(1, 0), "Ａ群β推定値"},
            {w->sgB->Cell(2, 0), "Ａ群β標準誤差"},  {w->sgB->Cell(3, 0), "Ｂ群β推定値"},
            {w->sgB->Cell(4, 0), "Ｂ群β標準誤差"},  {w->sgB->Cell(0, 2), "X"},
    };
    for (const auto& [shown, caption] : captions) EXPECT_EQ(shown.toStdString(), caption);
    EXPECT_EQ(w->sgB->RowCount(), 3);
}

TEST_F(ChowWindowTest, OneCalculationPerMoveAndTypedBoundaryKeepsToTheRange) {
    Reg* m = Open();
    auto w = Window(m);
    const ChowBoundaryRange range = *ChowBoundaryLimits(*m);
    EXPECT_EQ(w->Calculations(), 1);
    w->sbSep->setValue(7);
    EXPECT_EQ(w->Calculations(), 2);
    struct Case {
        const char* typed;
        int boundary;
    };
    // A text that gives no value stands for the middle, without a word.
    const Case cases[] = {{"1", range.minimum}, {"1/0", 6}, {"100", range.maximum}, {"1+", 6},
                          {"2*4", 8},           {"", 6},    {"1", range.minimum},   {"Q", 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const int before = w->Calculations();
        w->eAGun->setText(c.typed);
        w->btnCalc->click();
        EXPECT_EQ(w->Calculations(), before + 1);
        EXPECT_EQ(w->sbSep->value(), c.boundary);
        EXPECT_EQ(w->eAGun->text(), QString::number(c.boundary));
        EXPECT_EQ(w->Result()->n1, c.boundary);
    }
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

// Each part's R² in its own label, from its straight-line fit in exact
// fractions: observations 1-7 give 0.97864..., 8-12 give 0.99752... The
// groups are typed the other way round, so part A is the later one.
TEST_F(ChowWindowTest, EachPartsRSquaredInItsOwnLabel) {
    Reg* m = Open();
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 2; ++j) m->SetMark(i, j, GroupBit(i < 7 ? 1 : 2));
    auto w = Window(m);
    w->sbSep->setValue(7);
    EXPECT_EQ(w->stRR2A->text().toStdString(), "0.9786");
    EXPECT_EQ(w->stRR2B->text().toStdString(), "0.9975");
    SetGroupMode(true);
    w->eAGun->setText("2");
    w->eBGun->setText("1");
    w->btnCalc->click();
    ASSERT_TRUE(w->Result());
    EXPECT_EQ(w->stN1->text().toStdString(), "5");
    EXPECT_EQ(w->stRR2A->text().toStdString(), "0.9975");
    EXPECT_EQ(w->stRR2B->text().toStdString(), "0.9786");
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(ChowWindowTest, RecursiveResidualsFromTheirFirstValueAndEachGroupsSeriesArePlotted) {
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
    // From the third observation on, by exact least squares.
    ExpectEnds(seen[0], {10, 3, 12, 0.20412414523193151, 0.93743189340802502});

    // Each group's series (1-6 and 7-12) at both ends, by hand from its
    // straight-line fit: e / sqrt(s2 (1 - h)), the fit, e^2 / SSE and
    // h = 1/6 + (x - mean)^2 / 17.5.
    const struct {
        QPushButton* button;
        const char *xName, *yName;
        SeriesEnds ends;
    } groups[] = {
            {w->SpeedButton3, "Ａ群残差", "Ａ群予測値", {6, 0.8100925873009827, 0.8100925873009827, 2.0, 12.1}},
            {w->SpeedButton4, "Ｂ群残差", "Ｂ群予測値",
             {6, 0.7863729095926286, -0.027116307227332022, 16.36190476190476, 6511.0 / 210}},
            {w->SpeedButton5, "Ａ群残差平方", "Ａ群作用点", {6, 0.078125, 0.078125, 11.0 / 21, 11.0 / 21}},
            {w->SpeedButton6, "Ｂ群残差平方", "Ｂ群作用点",
             {6, 0.07361694677871149, 1.0 / 11424, 11.0 / 21, 11.0 / 21}},
    };
    for (const auto& c : groups) {
        SCOPED_TRACE(c.xName);
        seen.clear();
        c.button->click();
        ExpectGraph(seen, c.xName, c.yName, c.ends);
    }
}

}  // namespace

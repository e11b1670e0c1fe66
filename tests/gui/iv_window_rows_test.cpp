// The rows each page of the instrumental-variable window shows on seven
// observations, w typed in as the instrument of x2 (worked by hand in exact
// arithmetic), and the pages after an entry the estimator refused.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QTabWidget>

#include <cmath>
#include <string>
#include <vector>

#include "components/view/result_grid.h"
#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "simeq/ui/iv_set_dialog.h"
#include "simeq/ui/iv_window.h"
#include "grid_rows.h"
#include "modal_window.h"
#include "started_windows.h"

namespace {

const std::vector<double> kW = {1, 3, 2, 5, 4, 7, 6};

// x1, x2 (endogenous), w, v and y (endogenous). v is of the order of
// 1e-157: the inverse of its cross-products overflows, so its entry is refused.
Columns Data() {
    std::vector<double> v;
    for (double c : {3, 1, 2, 5, 4, 1, 2}) v.push_back(std::ldexp(c, -520));
    return {{1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 3, 6, 5, 8}, kW, v, {3, 4, 8, 0, 12, 14, 17}};
}

// A page and what the grid on it shows.
struct PageRows {
    QWidget* TfrmIV::*page;
    ShownRows shown;
};

const PageRows kPages[] = {
    {&TfrmIV::tsView,
     {7, {"", "x1", "x2", "w", "v"}, {"1", "1.0000", "1.0000", "1.0000", "0"},
      {"7", "7.0000", "6.0000", "6.0000", "0"}}},
    {&TfrmIV::tsEst,
     {5, {"y", "Ｆ値", "β推定値", "β標準誤差"}, {"x1", "1.0547", "0.3690", "**1.6225 (83.2%)"},
      {"定数項", "0.0243", "-1.4269", "**3.1246 (67.2%)"}}},
    {&TfrmIV::tsRes,
     {7,
      {"", "観測値", "予測値", "残差", "誤差率(%)", "PRESS残差", "SIG(RES)", "r(i)", "t(i)", "残差平方", "作用点"},
      {"1", "3.0000", "2.9184", "0.0816", "+2.72", "0.1667", "3.1865", "0.0296", "0.0256", "0.0001", "0.5802"},
      {"7", "17.0000", "17.0612", "-0.0612", "-0.36", "-0.1395", "2.8815", "-0.0245", "-0.0212", "6.8868e-5",
       "0.5802"}}},
    {&TfrmIV::tsAna,
     {7,
      {"", "s^2(i)", "COVRATIO", "DFFITS", "Cook's D", "W(i)", "R^2(i)", "R'^2(i)", "t[x1]", "t[x2]", "t[定数項]",
       "β変化量[x1]", "β変化量[x2]", "β変化量[定数項]"},
      {"1", "18.1389", "* 5.1098", "0.0272", "0.0003", "0.0890", "0.7343", "0.5572", "0.1677", "1.0884", "-0.2984",
       "-0.0268 (-0.0143)", "0.0089 (+0.0053)", "0.0940 (+0.0260)"},
      {"7", "18.1394", "* 5.5939", "-0.0242", "0.0003", "0.0876", "0.6344", "0.3906", "0.1962", "1.0533", "-0.3560",
       "0.0008 (+0.0004)", "-0.0158 (-0.0093)", "0.0421 (+0.0117)"}}},
    {&TfrmIV::tsPred, {2, {"説明変数名", "値"}, {"x1", ""}, {"x2", ""}}},
};

void ShowAndExpect(TfrmIV& w, const PageRows& p) {
    w.PC->setCurrentWidget(w.*p.page);
    SCOPED_TRACE(w.PC->tabText(w.PC->currentIndex()).toStdString());
    ExpectRows(*(w.*p.page)->findChild<TStringGrid*>(), p.shown);
}

// A click on the estimates row of the variable named.
void ClickEstimate(TfrmIV& w, int row, const std::string& name) {
    w.PC->setCurrentWidget(w.tsEst);
    ASSERT_EQ(w.sgEst->Cell(0, row).toStdString(), name);
    w.EstCellClick(0, row, Qt::LeftButton, Qt::NoModifier);
}

class IVWindowRowsTest : public StartedWindows {
protected:
    IVWindowRowsTest() : StartedWindows("ivrows") {}

    // The entry of v: refused, with the reason.
    void RefusedEntryOfV(TfrmIV& w) {
        ui_.ClearCalls();
        ui_.QueueOK();
        ClickEstimate(w, 4, "v");
        const auto shown = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "係数を計算できません: 係数または標準誤差が有限の数値になりません。");
        EXPECT_FALSE(w.Estimator()->IsExplanatory(3));
    }

    KeptWindow<TfrmIV> kept_{"TfrmIV", RegisterIVWindow};
};

// After a refusal the estimate is the one before: its residual pass, its
// done pages, PRESS and the covariance factor; leverages a change left to
// be formed are still to be formed. The influence columns follow the
// coefficients of the equation.
TEST_F(IVWindowRowsTest, EveryPageShowsItsRowsAndARefusedEntryLeavesThemAsBefore) {
    // y on x1 and x2 in the main window; the window from its menu command,
    // w typed in as the instrument of x2.
    const auto ex = Var::kExogenous, en = Var::kEndogenous;
    auto model = MakeModel(Data(), {ex, en, ex, ex, en}, {"x1", "x2", "w", "v", "y"});
    SaveAs(*model, dir_.Path("iv.MDF"));
    main_->OpenAndRemember(dir_.Path("iv.MDF"));
    state_.Model()->SetDependent(4);
    for (int j : {0, 1}) EXPECT_TRUE(state_.Model()->ToggleVariable(j));
    main_->UpdateLaunchActions();
    TfrmIV* w = kept_.Keep([this] { main_->Action("mnuIVEst")->trigger(); });
    ASSERT_NE(w, nullptr);
    w->ivSetRunner = [this](TfrmIVSet& d) {
        d.cbIVSel->setCurrentText("x2");
        d.rgIVSetClick(TfrmIVSet::kTyped);
        for (double v : kW) ui_.QueueInput(std::to_string(static_cast<int>(v)));
        d.btnSetClick();
        return 1;
    };
    w->IVSet->trigger();
    for (const PageRows& p : kPages) ShowAndExpect(*w, p);
    const RegIV* iv = w->Estimator();
    const auto cf = [iv] { return std::pair(iv->GetCovarianceFactor(0, 1), iv->GetCovarianceFactor(5, 5)); };
    const auto cfBefore = cf();
    const double press = iv->GetPress();
    RefusedEntryOfV(*w);
    EXPECT_TRUE(iv->DiagnosticsDone());
    EXPECT_TRUE(iv->InfluenceDone());
    EXPECT_EQ(iv->GetPress(), press);
    EXPECT_EQ(cf(), cfBefore);
    for (const PageRows& p : kPages) ShowAndExpect(*w, p);

    ClickEstimate(*w, 1, "x1");  // x1 leaves
    RefusedEntryOfV(*w);
    w->PC->setCurrentWidget(w->tsRes);
    // y on x2 alone, w its instrument.
    EXPECT_EQ(w->sgRes->Cell(10, 1).toStdString(), "0.4990");
    EXPECT_EQ(w->sgRes->Cell(10, 7).toStdString(), "1.2968");

    ClickEstimate(*w, 5, "定数項");  // the constant term leaves
    w->PC->setCurrentWidget(w->tsAna);
    EXPECT_EQ(GridRow(*w->sgAna, 0),
              (RowTexts{"", "s^2(i)", "COVRATIO", "DFFITS", "Cook's D", "W(i)", "R^2(i)", "R'^2(i)", "t[x2]",
                        "β変化量[x2]"}));
    w->close();
}

}  // namespace

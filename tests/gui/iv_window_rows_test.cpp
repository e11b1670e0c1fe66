// The rows each page of the instrumental-variable window shows, on seven
// observations with w typed in as the instrument of x2: the heading, the
// first and the last row and their count, written out as worked by hand
// in exact arithmetic; and what the pages show after a change the
// estimator refused.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "components/view/result_grid.h"
#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "platform/qt/string_grid.h"
#include "simeq/ui/iv_set_dialog.h"
#include "simeq/ui/iv_window.h"
#include "grid_rows.h"
#include "modal_window.h"
#include "started_windows.h"

namespace {

const std::vector<double> kW = {1, 3, 2, 5, 4, 7, 6};

// x1, x2 (endogenous), w, v and y (endogenous). v is of the order of
// 1e-157: its cross-products lie below the normal range of a double and
// their inverse overflows, so an estimate with v in it is refused.
Columns Data() {
    std::vector<double> v;
    for (double c : {3, 1, 2, 5, 4, 1, 2}) v.push_back(std::ldexp(c, -520));
    return {{1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 3, 6, 5, 8}, kW, v, {3, 4, 8, 0, 12, 14, 17}};
}

// A page, the grid on it and what the grid shows.
struct PageRows {
    const char* name;
    QWidget* TfrmIV::*page;
    std::function<const TStringGrid*(const TfrmIV&)> grid;
    ShownRows shown;
};

const PageRows kDesign = {
    "design", &TfrmIV::tsView, [](const TfrmIV& w) -> const TStringGrid* { return w.sgTable; },
    {7, {"", "x1", "x2", "w", "v"}, {"1", "1.0000", "1.0000", "1.0000", "0"}, {"7", "7.0000", "6.0000", "6.0000", "0"}}};

const PageRows kEstimates = {
    "estimates", &TfrmIV::tsEst, [](const TfrmIV& w) -> const TStringGrid* { return w.sgEst; },
    {5, {"y", "Ｆ値", "β推定値", "β標準誤差"}, {"x1", "1.0547", "0.3690", "**1.6225 (83.2%)"},
     {"定数項", "0.0243", "-1.4269", "**3.1246 (67.2%)"}}};

const PageRows kDiagnostics = {
    "diagnostics", &TfrmIV::tsRes, [](const TfrmIV& w) -> const TStringGrid* { return w.sgRes; },
    {7,
     {"", "観測値", "予測値", "残差", "誤差率(%)", "PRESS残差", "SIG(RES)", "r(i)", "t(i)", "残差平方", "作用点"},
     {"1", "3.0000", "2.9184", "0.0816", "+2.72", "0.1667", "3.1865", "0.0296", "0.0256", "0.0001", "0.5802"},
     {"7", "17.0000", "17.0612", "-0.0612", "-0.36", "-0.1395", "2.8815", "-0.0245", "-0.0212", "6.8868e-5",
      "0.5802"}}};

const PageRows kInfluence = {
    "influence", &TfrmIV::tsAna, [](const TfrmIV& w) -> const TStringGrid* { return w.sgAna; },
    {7,
     {"", "s^2(i)", "COVRATIO", "DFFITS", "Cook's D", "W(i)", "R^2(i)", "R'^2(i)", "t[x1]", "t[x2]", "t[定数項]",
      "β変化量[x1]", "β変化量[x2]", "β変化量[定数項]"},
     {"1", "18.1389", "* 5.1098", "0.0272", "0.0003", "0.0890", "0.7343", "0.5572", "0.1677", "1.0884", "-0.2984",
      "-0.0268 (-0.0143)", "0.0089 (+0.0053)", "0.0940 (+0.0260)"},
     {"7", "18.1394", "* 5.5939", "-0.0242", "0.0003", "0.0876", "0.6344", "0.3906", "0.1962", "1.0533", "-0.3560",
      "0.0008 (+0.0004)", "-0.0158 (-0.0093)", "0.0421 (+0.0117)"}}};

const PageRows kPrediction = {
    "prediction", &TfrmIV::tsPred, [](const TfrmIV& w) -> const TStringGrid* { return w.sgVList; },
    {2, {"説明変数名", "値"}, {"x1", ""}, {"x2", ""}}};

std::vector<RowTexts> AllRows(const TStringGrid& grid) {
    std::vector<RowTexts> rows;
    for (int r = 0; r < grid.RowCount(); ++r) rows.push_back(GridRow(grid, r));
    return rows;
}

// The grid as it is now, without showing its page again.
void ExpectShown(const TfrmIV& w, const PageRows& p) {
    SCOPED_TRACE(p.name);
    ExpectRows(*p.grid(w), p.shown);
}

void ShowAndExpect(TfrmIV& w, const PageRows& p) {
    w.PC->setCurrentWidget(w.*p.page);
    ExpectShown(w, p);
}

class IVWindowRowsTest : public StartedWindows {
protected:
    IVWindowRowsTest() : StartedWindows("ivrows") {}

    // y on x1 and x2 in the main window; the window from its menu command,
    // w typed in as the instrument of x2.
    TfrmIV* Launch() {
        auto model = MakeModel(Data(),
                               {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kExogenous, Var::kEndogenous},
                               {"x1", "x2", "w", "v", "y"});
        SaveAs(*model, dir_.Path("iv.MDF"));
        main_->OpenAndRemember(dir_.Path("iv.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(4);
        for (int j : {0, 1}) EXPECT_TRUE(m->ToggleVariable(j));
        main_->UpdateLaunchActions();
        QAction* a = main_->Action("mnuIVEst");
        TfrmIV* w = kept_.Keep([a] { a->trigger(); });
        if (!w) return nullptr;
        w->ivSetRunner = [this](TfrmIVSet& d) {
            d.cbIVSel->setCurrentText("x2");
            d.rgIVSetClick(TfrmIVSet::kTyped);
            for (double v : kW) ui_.QueueInput(std::to_string(static_cast<int>(v)));
            d.btnSetClick();
            return 1;
        };
        w->IVSet->trigger();
        return w;
    }
    // A click on v's row of the estimates page: refused, with the reason.
    void RefusedEntryOfV(TfrmIV& w) {
        w.PC->setCurrentWidget(w.tsEst);
        ASSERT_EQ(w.sgEst->Cell(0, 4).toStdString(), "v");
        ui_.QueueOK();
        w.EstCellClick(0, 4, Qt::LeftButton, Qt::NoModifier);
        const auto shown = ui_.CallsOf(ServiceCall::MessageBox);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "INVERSE ERROR!");
        EXPECT_FALSE(w.Estimator()->IsExplanatory(3));
    }

    KeptWindow<TfrmIV> kept_{"TfrmIV", RegisterIVWindow};
};

TEST_F(IVWindowRowsTest, EveryPageShowsItsRowsFromTheFirstToTheLast) {
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    for (const PageRows* p : {&kDesign, &kEstimates, &kDiagnostics, &kInfluence, &kPrediction}) ShowAndExpect(*w, *p);
    w->close();
}

// The influence columns follow the coefficients of the equation: without
// the constant term its t and coefficient-change columns go.
TEST_F(IVWindowRowsTest, InfluenceCaptionsFollowTheEquation) {
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    w->PC->setCurrentWidget(w->tsEst);
    ASSERT_EQ(w->sgEst->Cell(0, 5).toStdString(), "定数項");
    w->EstCellClick(0, 5, Qt::LeftButton, Qt::NoModifier);
    w->PC->setCurrentWidget(w->tsAna);
    EXPECT_EQ(GridRow(*w->sgAna, 0), (RowTexts{"", "s^2(i)", "COVRATIO", "DFFITS", "Cook's D", "W(i)", "R^2(i)", "R'^2(i)",
                                        "t[x1]", "t[x2]", "β変化量[x1]", "β変化量[x2]"}));
    w->close();
}

// After a refused entry the estimator is the estimate before: the rows of
// its residual pass, its diagnostics and influence rows (still done),
// PRESS and the covariance factor behind the scaled coefficient changes.
TEST_F(IVWindowRowsTest, ARefusedEntryLeavesEveryPageAsBefore) {
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    RegIV* iv = w->Estimator();
    ShowAndExpect(*w, kEstimates);
    ASSERT_EQ(w->stPSS->text().toStdString(), "150.7460");
    ShowAndExpect(*w, kDiagnostics);
    ShowAndExpect(*w, kInfluence);
    const std::vector<RowTexts> diagnostics = AllRows(*w->sgRes), influence = AllRows(*w->sgAna);
    const double press = iv->GetPress();
    const int in[] = {0, 1, 5};
    std::vector<double> cf;
    for (int a : in)
        for (int b : in) cf.push_back(iv->GetCovarianceFactor(a, b));

    RefusedEntryOfV(*w);
    EXPECT_TRUE(iv->DiagnosticsDone());
    EXPECT_TRUE(iv->InfluenceDone());
    EXPECT_EQ(iv->GetPress(), press);
    // 65/336, -53/336, -283/2352; 53/336, -53/2352; 11813/16464.
    const double exact[] = {0.19345238095238096,  -0.15773809523809523, -0.12032312925170068,
                            -0.15773809523809523, 0.15773809523809523,  -0.022534013605442178,
                            -0.12032312925170068, -0.022534013605442178, 0.7175048590864918};
    for (int i = 0; i < 9; ++i) {
        const double now = iv->GetCovarianceFactor(in[i / 3], in[i % 3]);
        EXPECT_EQ(now, cf[static_cast<std::size_t>(i)]) << i;
        EXPECT_NEAR(now, exact[i], 1e-13) << i;
    }
    // The influence page as it stood, then shown again; the other pages too.
    ExpectShown(*w, kInfluence);
    EXPECT_EQ(AllRows(*w->sgAna), influence);
    ShowAndExpect(*w, kInfluence);
    ShowAndExpect(*w, kDiagnostics);
    EXPECT_EQ(AllRows(*w->sgRes), diagnostics);
    ShowAndExpect(*w, kEstimates);
    EXPECT_EQ(w->stPSS->text().toStdString(), "150.7460");
    w->close();
}

// Leverages read on the first model stay in the table while the next one
// leaves them to be formed; a refusal then keeps them to be formed: the
// page shows the leverages of the model that stands.
TEST_F(IVWindowRowsTest, ARefusedEntryKeepsTheLeveragesToBeFormed) {
    TfrmIV* w = Launch();
    ASSERT_NE(w, nullptr);
    ShowAndExpect(*w, kDiagnostics);
    w->PC->setCurrentWidget(w->tsEst);
    w->EstCellClick(0, 1, Qt::LeftButton, Qt::NoModifier);  // x1 leaves
    ASSERT_FALSE(w->Estimator()->IsExplanatory(0));
    RefusedEntryOfV(*w);
    w->PC->setCurrentWidget(w->tsRes);
    const RowTexts first = GridRow(*w->sgRes, 1), last = GridRow(*w->sgRes, 7);
    // Fitted value, residual, leverage of y on x2 (w its instrument) alone.
    EXPECT_EQ((RowTexts{first[2], first[3], first[10]}), (RowTexts{"2.9850", "0.0150", "0.4990"}));
    EXPECT_EQ((RowTexts{last[2], last[3], last[10]}), (RowTexts{"17.8271", "-0.8271", "1.2968"}));
    w->close();
}

}  // namespace

// The analysis-of-variance window, offscreen: opened from the main window's
// command, then what only the window decides (the two switches, "-" where a
// ratio has no denominator, the width of a long name's column, no window
// without a fit, the captions and the thin row before the whole). Numbers
// are the engine table's own, read by one call.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "platform/qt/string_grid.h"
#include "estimators/anova.h"
#include "estimators/ui/anova_window.h"
#include "started_windows.h"
#include "support/model_builder.h"

namespace {

QString Num(double v) { return Q(FormatNumber(false, v)); }

class AnovaWindowTest : public StartedWindows {
protected:
    AnovaWindowTest() : StartedWindows("anova") {}

    // Y on the regressors among X1 and X2 (long names when asked).
    Reg* Open(std::vector<int> regressors, bool longName = false) {
        const std::string x1 = longName ? "とても長い名前の説明変数その一" : "X1";
        auto model = MakeModel({{1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 3, 6, 5, 8}, {1.5, 2.5, 2, 4, 4.5, 6.5, 6}}, {},
                               {x1, "X2", "Y"});
        SaveAs(*model, dir_.Path("anova.MDF"));
        main_->OpenAndRemember(dir_.Path("anova.MDF"));
        Reg* m = state_.Model();
        m->SetDependent(2);
        for (int j : regressors) EXPECT_TRUE(m->ToggleVariable(j));
        ui_.ClearCalls();
        return m;
    }
    std::unique_ptr<TfrmAnova> Window(const Reg* m) {
        auto w = std::make_unique<TfrmAnova>(WindowContext(state_));
        EXPECT_TRUE(w->FillTables(m));
        return w;
    }
};

TEST_F(AnovaWindowTest, WiringOpenFromCommandCellSwitchClose) {
    Reg* m = Open({0, 1});
    const AnovaTable t = ComputeAnova(*m);
    QPushButton* command = main_->EstimateButton("btnANOVA");
    ASSERT_TRUE(command);
    ASSERT_TRUE(command->isEnabled());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmAnova*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        seen = true;
        EXPECT_EQ(w->sgAnova->Cell(1, 2), Num(t.ssResidual));
        EXPECT_EQ(w->sgAnova->Cell(4, 1), Q(FormatIndexedLabel(FormatNumber(false, *t.f), FormatPercent(*t.fLevel), false)));
        EXPECT_EQ(w->stRR2->text(), Num(*t.adjR2));
        EXPECT_EQ(w->sgB->Cell(0, 3), "定数項");
        w->btnComp->click();
        EXPECT_EQ(w->btnComp->text(), "推定値(&C)");
        EXPECT_EQ(w->sgB->Cell(0, 0), "共分散");
        EXPECT_EQ(w->sgB->Cell(2, 1), Num(t.covariance.At(0, 1)));
        w->btnExit->click();
    });
    command->click();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(AnovaWindowTest, CaptionsAndTheThinRowBeforeTheWhole) {
    auto w = Window(Open({0, 1}));
    w->show();
    const TStringGrid& g = *w->sgAnova;
    const std::pair<QString, const char*> captions[] = {
            {w->windowTitle(), "分散分析"},   {w->btnComp->text(), "共分散(&C)"}, {w->btnWhite->text(), "ホワイト(&W)"},
            {w->btnExit->text(), "閉じる(&X)"}, {g.Cell(0, 0), "要因"},           {g.Cell(1, 0), "平方和"},
            {g.Cell(2, 0), "自由度"},           {g.Cell(3, 0), "分散"},           {g.Cell(4, 0), "分散比"},
            {g.Cell(0, 1), "回帰"},             {g.Cell(0, 2), "残差"},           {g.Cell(0, 3), ""},
            {g.Cell(4, 3), ""},                 {g.Cell(0, 4), "全体"},
    };
    for (const auto& [shown, caption] : captions) EXPECT_EQ(shown.toStdString(), caption);
    // Row 3 is a 4-pixel line between the parts and the whole; all rows fit.
    ASSERT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.RowHeight(3), 4);
    EXPECT_EQ(g.LastVisibleRow(), 4);
    EXPECT_LE(g.CellRect(1, 4).bottom(), g.viewport()->height());
}

TEST_F(AnovaWindowTest, WhiteSwitchChangesOnlyErrorsAndLevels) {
    Reg* m = Open({0, 1});
    auto w = Window(m);
    const AnovaTable white = ComputeAnova(*m, CovarianceKind::kWhite);
    const QString coef = w->sgB->Cell(1, 1), standardised = w->sgB->Cell(2, 1);
    w->btnWhite->click();
    EXPECT_EQ(w->btnWhite->text(), "標準(&S)");
    EXPECT_EQ(w->sgB->Cell(1, 1), coef);
    EXPECT_EQ(w->sgB->Cell(2, 1), standardised);
    const AnovaCoefficient& c = white.coefficients[0];
    EXPECT_EQ(w->sgB->Cell(3, 1), Num(*c.stdErr));
    EXPECT_EQ(w->sgB->Cell(4, 1), Q(FormatIndexedLabel(FormatNumber(false, *c.t), FormatPercent(*c.level), false)));
    // The covariance view follows the kind chosen.
    w->btnComp->click();
    EXPECT_EQ(w->sgB->Cell(1, 1), Num(white.covariance.At(0, 0)));
    w->btnWhite->click();
    EXPECT_EQ(w->btnWhite->text(), "ホワイト(&W)");
    EXPECT_EQ(w->sgB->Cell(1, 1), Num(ComputeAnova(*m).covariance.At(0, 0)));
    EXPECT_FALSE(w->ShowsEstimates());
}

TEST_F(AnovaWindowTest, NoExplanatoryVariableShowsDashWhereARatioHasNoDenominator) {
    Reg* m = Open({});
    auto w = Window(m);
    EXPECT_EQ(w->sgAnova->Cell(2, 1), "0");
    EXPECT_EQ(w->sgAnova->Cell(3, 1), "-");
    EXPECT_EQ(w->sgAnova->Cell(4, 1), "-");
    EXPECT_EQ(w->sgB->RowCount(), 2);
    EXPECT_EQ(w->sgB->Cell(2, 1), "-");  // the constant has no standardised value
}

TEST_F(AnovaWindowTest, LongNameWidensItsCovarianceColumn) {
    Reg* m = Open({0, 1}, true);
    auto w = Window(m);
    w->btnCompClick();
    const int text = QFontMetrics(w->sgB->font()).horizontalAdvance(w->sgB->Cell(1, 0));
    ASSERT_GT(text, 80);
    EXPECT_EQ(w->sgB->ColWidth(1), text + 20);
    EXPECT_EQ(w->sgB->ColWidth(2), 100);
    EXPECT_EQ(w->sgB->ColWidth(0), text + 20);
}

TEST_F(AnovaWindowTest, NothingToShowWithoutAModel) {
    TfrmAnova w{WindowContext(state_)};
    EXPECT_FALSE(w.FillTables(nullptr));
}

}  // namespace

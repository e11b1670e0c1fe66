// The X-Y graph window and its options dialog, offscreen with scripted
// answers: one wiring test, then what only the window decides (curve
// fallback, correlation cycle, zoom and free lines, the nested band window
// and the free-line state it leaves behind) and what the launchers ask.
// Numbers are the fitter's own, read by one call each.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>

#include <cmath>

#include "app/window_registration.h"
#include "components/plot/core/recording_canvas.h"
#include "components/plot/free_lines.h"
#include "components/plot/xy_plot.h"
#include "components/view/graph_launchers.h"
#include "components/view/numeric_field.h"
#include "components/view/result_grid.h"
#include "core/model/estimate_texts.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "grid_rows.h"
#include "gui_fixture.h"
#include "request_probe.h"
#include "stats/curve_fit.h"
#include "stats/ui/graph_setting_dialog.h"
#include "stats/ui/xy_graph_window.h"
#include "support/scripted_services.h"

namespace {

const std::vector<double> kX = {1, 2, 3, 4, 5, 6};
const std::vector<double> kY = {2, 1, 4, 3, 6, 5};

QString Q8(const std::string& s) { return QString::fromStdString(s); }

// Takes the graph requests instead of opening a window.
class ProbeGraph : public RequestWindow<XYGraphRequest> {
public:
    explicit ProbeGraph(std::vector<XYGraphRequest>& seen) : seen_(seen) {}
    using RequestWindow<XYGraphRequest>::Fill;
    bool Fill(const XYGraphRequest& r) override {
        seen_.push_back(r);
        seen_.back().extraSeries = r.extraSeries;
        // The arrays live only during the call: keep the x values.
        xs_.emplace_back(r.x, r.x + r.n);
        return false;
    }
    int ShowModal() override { return 0; }
    static inline std::vector<std::vector<double>> xs_;

private:
    std::vector<XYGraphRequest>& seen_;
};

class XYGraphWindowTest : public ::testing::Test {
protected:
    XYGraphWindowTest() {
        TestApp();
        state_.SetServices(&ui_);
    }
    ~XYGraphWindowTest() override { state_.SetServices(nullptr); }
    WindowContext Context() { return WindowContext(state_); }
    std::unique_ptr<TfrmGraphXY> Open(const std::vector<double>& x, const std::vector<double>& y, int type = 0) {
        auto w = std::make_unique<TfrmGraphXY>(Context());
        w->plots->resize(400, 300);
        EXPECT_TRUE(w->SetXY("X", x.data(), "Y", y.data(), static_cast<int>(x.size()), type, false));
        return w;
    }
    void Drag(TfrmGraphXY& w, int x0, int y0, int x1, int y1) {
        w.plotsMouseDown(Qt::LeftButton, x0, y0);
        for (int k = 1; k <= 4; ++k) w.plotsMouseMove(x0 + (x1 - x0) * k / 4, y0 + (y1 - y0) * k / 4);
        w.plotsMouseUp(Qt::LeftButton, x1, y1);
    }

    ScriptedServices ui_;
    AppState state_;
};

TEST_F(XYGraphWindowTest, WiringOpenFillCellCommandClose) {
    RegisterStandardWindows();
    EXPECT_TRUE(AnalysisWindows().Has("TfrmGraphXY"));
    auto w = Open(kX, kY);
    const TSRA& f = *w->Fitter();
    EXPECT_EQ(w->dgEst->Cell(1, 1), Q8(FormatNumber(false, f.GetCoef(1))));  // the intercept row
    EXPECT_EQ(w->stR2->text(), Q8(FormatNumber(false, f.R2())));
    EXPECT_EQ(w->stRelative->text(), Q8(FormatNumber(false, f.Pearson())));
    EXPECT_EQ(FreeLines().list, &w->Lines());
    const double slope = f.GetCoef(0);
    w->ExchangeXYExecute();
    EXPECT_TRUE(w->Exchanged());
    EXPECT_TRUE(FreeLines().swap);
    EXPECT_EQ(w->stYoko->text(), "Y");
    ExpectEnds(SeriesOf(*w->plots), {6, 2, 5, 1, 6}, 0);  // both series whole, exchanged
    w->ExchangeXYExecute();
    EXPECT_FALSE(w->Exchanged());
    EXPECT_EQ(w->stYoko->text(), "X");
    EXPECT_EQ(w->Fitter()->GetCoef(0), slope);
    ExpectEnds(SeriesOf(*w->plots), {6, 1, 6, 2, 5}, 0);
    w->close();
    EXPECT_EQ(FreeLines().list, nullptr);
    AnalysisWindows().Unregister("TfrmGraphXY");
}

TEST_F(XYGraphWindowTest, QuarticOnFivePointsComesBackAsALine) {
    const std::vector<double> x = {1, 2, 3, 4, 5}, y = {1, 3, 2, 5, 4};
    auto w = Open(x, y, reg4ji);
    EXPECT_EQ(w->CurveType(), 0);
    w->cbRegType->setCurrentIndex(reg4ji);  // the chooser's own road
    EXPECT_EQ(w->CurveType(), 0);
    EXPECT_EQ(w->cbRegType->currentText(), "Y = A + B * X");
    w->cbRegType->setCurrentIndex(reg2ji);
    EXPECT_EQ(w->CurveType(), reg2ji);
    EXPECT_EQ(w->dgEst->Cell(0, 3), "2乗項");
}

TEST_F(XYGraphWindowTest, CurveWithZeroCoefficientsFallsBackToTheLine) {
    // ln y = 0 everywhere: the power curve fits with both coefficients 0.
    const std::vector<double> x = {1, 2, 3, 4}, y = {1, 1, 1, 1};
    auto w = Open(x, y);
    w->cbRegType->setCurrentIndex(reglnXlnY);
    EXPECT_EQ(w->CurveType(), 0);
    EXPECT_EQ(w->Fitter()->Type(), 0);
    EXPECT_EQ(w->cbRegType->currentText(), "Y = A + B * X");
}

TEST_F(XYGraphWindowTest, CorrelationCycleAndR2Toggle) {
    auto w = Open(kX, kY);
    const TSRA& f = *w->Fitter();
    const struct {
        const char* label;
        double value;
    } cycle[] = {{"S.R.C.C.", f.Spearman()}, {"K.R.C.C.", f.Kendall()}, {"相関係数", f.Pearson()}};
    for (const auto& c : cycle) {
        w->stRelativeClick();
        EXPECT_EQ(w->lblRelative->text(), c.label);
        EXPECT_EQ(w->stRelative->text(), Q8(FormatNumber(false, c.value)));
    }
    EXPECT_TRUE(w->StatusText(0).startsWith("相関係数 信頼区間 ( "));
    w->stR2Click();
    EXPECT_EQ(w->lblRR2->text(), "自由度修正済R^2");
    EXPECT_EQ(w->stR2->text(), Q8(FormatNumber(false, f.AdjR2())));
}

// Every point has its row on the data and analysis pages; the quadratic
// adds the change of its coefficient.
TEST_F(XYGraphWindowTest, PagesShowEveryPointAndTheCurveChosen) {
    auto w = Open(kX, kY);
    const QStringList titles = {"予測値", "残差", "作用点", "SIG(RES)", "Ｔ値", "W(i)", "COVRATIO", "β変化量[X]"};
    for (const int type : {int(regXY), int(reg2ji)}) {
        SCOPED_TRACE(type);
        w->cbRegType->setCurrentIndex(type);
        QStringList shown;
        for (int col = 1; col < w->dgAna->ColCount(); ++col) shown << w->dgAna->Cell(col, 0);
        EXPECT_EQ(shown, type == reg2ji ? titles + QStringList{"β変化量[X^2]"} : titles);
        for (const ResultGrid* g : {w->dgData, w->dgAna}) {
            ASSERT_EQ(g->RowCount(), 7);
            EXPECT_EQ(g->Cell(0, 1), "1");
            EXPECT_EQ(g->Cell(0, 6), "6");
        }
    }
}

// "**" above the 50 % level, "* " above 5 %, never on the constant (78.3 %).
// The line's slope is at 5.8 % on its 3 degrees of freedom (4.0 % on 4).
TEST_F(XYGraphWindowTest, EstimateRowsMarkTheSlopesButNotTheConstant) {
    const struct {
        std::vector<double> x, y;
        int type;
        std::vector<RowTexts> rows;
    } fits[] = {
            {{1, 2, 3, 4, 5, 6, 7}, {0, 1, 5, 6, 7, 5, 0}, reg3ji,
             {{"定数項", "-0.5714", "1.9006", "-0.3007"}, {"X", "-0.7619", "1.9176", "**-0.3973"},
              {"2乗項", "1.2857", "0.5393", "* 2.3842"}, {"3乗項", "-0.1667", "0.0445", "-3.7417"}}},
            {{1, 2, 3, 4, 5}, {0, 1, 3, 4, 3}, regXY,
             {{"定数項", "-0.5000", "0.9950", "-0.5025"}, {"X", "0.9000", "0.3000", "* 3.0000"}}},
    };
    for (const auto& f : fits) {
        SCOPED_TRACE(f.type);
        auto w = Open(f.x, f.y, f.type);
        ASSERT_EQ(w->CurveType(), f.type);
        ASSERT_EQ(w->dgEst->RowCount(), static_cast<int>(f.rows.size()) + 1);
        for (std::size_t r = 0; r < f.rows.size(); ++r) EXPECT_EQ(GridRow(*w->dgEst, r + 1), f.rows[r]) << r;
    }
}

TEST_F(XYGraphWindowTest, PointSteppingWrapsAndThePromptSelectsByNumber) {
    auto w = Open(kX, kY);
    w->BackwardExecute();
    EXPECT_EQ(w->stPlot->text(), "6");
    w->ForwardExecute();
    EXPECT_EQ(w->stPlot->text(), "1");
    ui_.QueueInput("2+1");
    w->stPlotClick();
    EXPECT_EQ(w->stPlot->text(), "3");
    EXPECT_EQ(w->stTateVal->text(), "4.0000");
    ui_.QueueInput("7");  // no such point: nothing changes
    w->stPlotClick();
    EXPECT_EQ(w->stPlot->text(), "3");
    EXPECT_EQ(ui_.CallsOf(ServiceCall::Input)[0].text, "データ組番号");
}

TEST_F(XYGraphWindowTest, CoefficientAndDataClicksFillTheStatusAndPrediction) {
    auto w = Open(kX, kY);
    const TSRA& f = *w->Fitter();
    w->dgEstMouseDown(Qt::RightButton, 1, 2);
    EXPECT_EQ(w->StatusText(0).toStdString(),
              "X : " + FormatConfidenceInterval(f.Df(), 0.05, f.GetCoefSE(0), f.GetCoef(0)));
    w->dgEstMouseDown(Qt::LeftButton, 2, 1);
    EXPECT_EQ(w->StatusText(0).toStdString(), "定数項[β標準誤差] = " + FormatExponent(7, f.GetCoefSE(1)));
    w->dgDataMouseDown(Qt::LeftButton, 1, 4);
    EXPECT_EQ(w->epX->text(), "4.0000");
    w->btnCalcClick();
    double upper = 0, lower = 0;
    const double y = f.PredictInterval(&upper, &lower, 4.0, 0.95, 0.90);
    EXPECT_EQ(w->stPredY->text(), Q8(FormatNumber(false, y)));
    EXPECT_EQ(w->stUpper->text(), Q8(FormatNumber(false, upper)));
}

TEST_F(XYGraphWindowTest, PerfectCorrelationShowsRAsBothLimits) {
    const std::vector<double> x = {1, 2, 3, 4, 5}, y = {9, 7, 5, 3, 1};
    auto w = Open(x, y);
    EXPECT_TRUE(w->StatusText(0).startsWith("相関係数 信頼区間 ( -1.0000 ... -1.0000)"));
}

TEST_F(XYGraphWindowTest, ZoomNeedsPointsAndClearPopsOnlyWhatWasPushed) {
    auto w = Open(kX, kY);
    w->SetFreeDrawMode(false);
    const double minX = w->plots->MinX, maxX = w->plots->MaxX;
    w->ClearExecute();  // empty stack
    EXPECT_EQ(w->plots->MinX, minX);
    int px0, py0, px1, py1;
    w->plots->setxy(1.2, 5.9, &px0, &py0);  // above the points on the left: empty
    w->plots->setxy(1.8, 5.5, &px1, &py1);
    Drag(*w, px0, py0, px1, py1);
    EXPECT_EQ(w->ZoomDepth(), 0);
    EXPECT_EQ(w->plots->MinX, minX);
    w->plots->setxy(1.5, 4.5, &px0, &py0);  // round points 3 and 4
    w->plots->setxy(4.5, 2.5, &px1, &py1);
    Drag(*w, px0, py0, px1, py1);
    ASSERT_EQ(w->ZoomDepth(), 1);
    EXPECT_FALSE(w->plots->MinMax);
    EXPECT_GT(w->plots->MinX, minX);
    EXPECT_EQ(w->dgData->Cell(0, 1), "_1");
    w->ClearExecute();
    EXPECT_EQ(w->ZoomDepth(), 0);
    EXPECT_EQ(w->plots->MinX, minX);
    EXPECT_EQ(w->plots->MaxX, maxX);
    EXPECT_EQ(w->dgData->Cell(0, 1), "1");
}

TEST_F(XYGraphWindowTest, FreeLineDrawnAndCleared) {
    auto w = Open(kX, kY);
    Drag(*w, 50, 50, 150, 120);
    ASSERT_EQ(w->Lines().Count(), 1);
    EXPECT_TRUE(w->Lines().GetItem(0)->Removable());
    w->ClearExecute();
    EXPECT_EQ(w->Lines().Count(), 0);
}

TEST_F(XYGraphWindowTest, BandGraphNestsAndLeavesTheOpenersLines) {
    ScopedAnalysisWindow real("TfrmGraphXY", [](const WindowContext& c) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmGraphXY>(c);
    });
    auto w = Open(kX, kY);
    Drag(*w, 50, 50, 150, 120);
    ASSERT_EQ(w->Lines().Count(), 1);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* nested = dynamic_cast<TfrmGraphXY*>(QApplication::activeModalWidget());
        ASSERT_NE(nested, nullptr);
        seen = true;
        EXPECT_EQ(nested->Lines().Count(), 2);
        EXPECT_FALSE(nested->Lines().GetItem(0)->Removable());
        // The same points; each band line over x = 1 + 5 k / 500, k = 0 .. 499.
        ExpectEnds(SeriesOf(*nested->plots), {6, 1, 6, 2, 5}, 0);
        for (int k = 0; k < nested->Lines().Count(); ++k) {
            const GraphSeen band = SeriesOf(*nested->Lines().GetItem(k));
            EXPECT_EQ(band.x.size(), 500u);
            if (!band.x.empty()) {
                EXPECT_EQ((std::pair{band.x[0], band.x.back()}), (std::pair{1.0, 5.99}));
            }
        }
        EXPECT_EQ(FreeLines().list, &nested->Lines());
        EXPECT_FALSE(nested->cbRegType->isEnabled());
        EXPECT_EQ(nested->eSinrai->text(), "95.0000");
        nested->ClearExecute();  // band lines are never removed
        EXPECT_EQ(nested->Lines().Count(), 2);
        nested->close();
    });
    w->btnPGraphClick();
    EXPECT_TRUE(seen);
    EXPECT_EQ(FreeLines().list, &w->Lines());
    EXPECT_EQ(FreeLines().plot, w->plots);
    EXPECT_EQ(w->Lines().Count(), 1);
}

TEST_F(XYGraphWindowTest, BandLeavesOutWhereThePredictionIsNotFinite) {
    // y = A + B / x on both sides of 0: the band's grid of x values meets
    // x = 0 (k = 250 of 500), where the curve is not defined.
    const std::vector<double> x = {-3, -2, -1, 1, 2, 3};
    const std::vector<double> y = {0.4, 0.1, -1.1, 3.1, 1.9, 1.6};
    std::vector<XYGraphRequest> seen;
    ScopedAnalysisWindow probe("TfrmGraphXY", [&seen](const WindowContext&) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<ProbeGraph>(seen);
    });
    auto w = Open(x, y, reginvXY);
    ASSERT_EQ(w->CurveType(), reginvXY);
    w->btnPGraphClick();
    ASSERT_EQ(seen.size(), 1u);
    ASSERT_EQ(seen[0].extraSeries.size(), 2u);
    EXPECT_TRUE(seen[0].fixed);
    for (const XYData& band : seen[0].extraSeries) {
        EXPECT_EQ(band.Count(), 499);
        for (int i = 0; i < band.Count(); ++i) EXPECT_TRUE(std::isfinite(band.Y(i))) << i;
    }
}

TEST_F(XYGraphWindowTest, FailedFillShowsItsErrorAndRestoresTheLines) {
    const std::vector<double> x = {1, 2}, y = {3, 4};
    TfrmGraphXY w(Context());
    XYDataList openers;
    FreeLines() = {&openers, nullptr, true};
    ui_.QueueOK();
    EXPECT_FALSE(w.SetXY("X", x.data(), "Y", y.data(), 2, 0, false));
    EXPECT_EQ(FreeLines().list, &openers);
    EXPECT_TRUE(FreeLines().swap);
    FreeLines() = {};
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "自由度不足");
    // Data no line fits (a value that is not a number) open nothing, without
    // a word.
    ui_.ClearCalls();
    const std::vector<double> x5 = {1, 2, std::nan(""), 4, 5}, y5 = {1, 3, 2, 5, 4};
    TfrmGraphXY none(Context());
    EXPECT_FALSE(none.SetXY("X", x5.data(), "Y", y5.data(), 5, 0, false));
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

// The fits on the first row, the plots and statistics on a row of their
// own; each caption is the command's hint, each key works without a button.
TEST_F(XYGraphWindowTest, CommandsCarryTheirCaptionsKeysAndRows) {
    auto w = Open(kX, kY);
    const QToolBar *first = w->TB, *second = w->TBPlot;
    const struct {
        const char *name, *caption, *key;
        const QToolBar* row;  // null: a key without a button
    } commands[] = {
        {"WLS", "加重回帰", "Ctrl+Alt+W", first},
        {"CRModel", "打ち切り回帰モデル", "F5", first},
        {"TRModel", "切断回帰モデル", "F6", first},
        {"ProbitModel", "プロビットモデル", "F7", first},
        {"EYPlot", "予測値と標準化残差とのプロット", "Ctrl+Alt+C", second},
        {"ETPlot", "標準化残差の時系列プロット", "Ctrl+Alt+T", second},
        {"EXPlot", "標準化残差と説明変数とのプロット", "Ctrl+Alt+X", second},
        {"LRPlot", "Ｌ－Ｒプロット", "Ctrl+Alt+L", second},
        {"EEPlot", "Ｅ(i)・Ｅ(i-1)プロット", "Ctrl+Alt+E", second},
        {"YYPlot", "観測値・予測値プロット", "Ctrl+Alt+Y", second},
        {"NPlot", "標準化残差の基本統計量", "Ctrl+Alt+N", second},
        {"XYDual", "縦軸プロット・横軸曲線", "Ctrl+Alt+D", second},
        {"XFund", "横軸の基本統計量", "F1", second},
        {"YFund", "縦軸の基本統計量", "F2", second},
        {"EELagx", "", "Ctrl+E", nullptr},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.name);
        auto* a = w->findChild<QAction*>(c.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), c.caption);
        EXPECT_EQ(a->statusTip(), c.caption);
        EXPECT_EQ(a->shortcut(), QKeySequence(c.key));
        EXPECT_TRUE(w->actions().contains(a));
        for (const QToolBar* bar : {first, second}) EXPECT_EQ(bar->actions().contains(a), bar == c.row);
    }
    EXPECT_EQ(w->cbRegType->parentWidget(), first);
    QStringList lags;
    for (const QAction* a : w->LagPopup()->actions()) lags << a->text();
    EXPECT_EQ(lags, (QStringList{"二期前(&2)", "三期前(&3)", "四期前(&4)"}));
    w->show();
    w->findChild<QAction*>("EELagx")->trigger();
    EXPECT_TRUE(w->LagPopup()->isVisible());
    w->LagPopup()->close();
}

TEST_F(XYGraphWindowTest, HintOfTheCommandUnderTheMouseGoesToTheFirstPanel) {
    auto w = Open(kX, kY);
    QWidget* button = w->TBPlot->widgetForAction(w->EXPlot);
    ASSERT_NE(button, nullptr);
    QStatusTipEvent hover(w->EXPlot->statusTip()), leave{QString()};
    QApplication::sendEvent(button, &hover);
    EXPECT_EQ(w->StatusText(0), "標準化残差と説明変数とのプロット");
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(w->StatusText(0), "");
}

TEST_F(XYGraphWindowTest, ExtraSeriesDrawInTheirColoursAndStyles) {
    XYGraphRequest r;
    r.xName = "t";
    r.yName = "Y";
    r.x = kX.data();
    r.y = kY.data();
    r.n = 6;
    XYData red(canvas_color::kRed, 1, false, 0), green(canvas_color::kGreen, 2, false, 0);
    for (int i = 1; i <= 6; ++i) {
        red.AddPoint(i, i);
        green.AddPoint(i, 7 - i);
    }
    r.extraSeries = {red, green};
    TfrmGraphXY w(Context());
    w.plots->resize(400, 300);
    ASSERT_TRUE(w.Fill(WindowRequest(r)));
    RecordingCanvas canvas;
    w.plots->Paint(canvas);
    int redDashed = 0, greenDotted = 0;
    for (const CanvasOp& op : canvas.OpsOf(CanvasOpKind::Polyline)) {
        if (op.pen == CanvasPen{canvas_color::kRed, 1, PenStyle::Dash}) ++redDashed;
        if (op.pen == CanvasPen{canvas_color::kGreen, 1, PenStyle::Dot}) ++greenDotted;
    }
    EXPECT_EQ(redDashed, 1);
    EXPECT_EQ(greenDotted, 1);
}

TEST_F(XYGraphWindowTest, OptionsDialogEvaluatesAndAutoKeepsTheNumbers) {
    TfrmSetting d([this](const std::string& t, double f) { return state_.Evaluator().Evaluate(t, f); }, ui_);
    d.SetValues(false, true, 1, 2, 0.5, 10, 20, 5, true, canvas_color::kRed, 3);
    EXPECT_FALSE(d.eYMin->isEnabled());
    EXPECT_EQ(d.eXMax->text(), "2.0000");
    d.eXMax->setText("2*3");
    d.btnOK->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.xMax, 6.0);
    EXPECT_EQ(d.yMin, 10.0);  // disabled, still given back
    EXPECT_EQ(d.lineColour, canvas_color::kRed);
    EXPECT_EQ(d.lineStyle, 3);
    d.SetValues(true, true, 1, 2, 0.5, 10, 20, 5, true, canvas_color::kRed, 0);
    d.eXMax->setText("99");
    d.btnAuto->click();
    EXPECT_EQ(d.automatic, 1);
    EXPECT_EQ(d.xMax, 2.0);
}

TEST_F(XYGraphWindowTest, LaunchersAskAboutSameAndConstantSeries) {
    std::vector<XYGraphRequest> seen;
    ProbeGraph::xs_.clear();
    ScopedAnalysisWindow probe("TfrmGraphXY", [&seen](const WindowContext&) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<ProbeGraph>(seen);
    });
    const std::vector<double> a = {4, 2, 7, 1};
    ui_.QueueNo();
    ShowXYGraph(Context(), "A", a.data(), "A", 4, a.data());
    EXPECT_TRUE(seen.empty());
    ui_.QueueYes();
    ShowXYGraph(Context(), "A", a.data(), "A", 4, a.data());
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].xName, "時間");
    EXPECT_EQ(ProbeGraph::xs_[0], (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(a, (std::vector<double>{4, 2, 7, 1}));  // the caller's series untouched

    const std::vector<double> c = {2, 2, 2, 2};
    ui_.QueueNo();
    ShowXYGraph(Context(), "C", c.data(), "A", 4, a.data());
    ui_.QueueNo();
    ShowXYGraph(Context(), "A", a.data(), "C", 4, c.data());
    const auto asked = ui_.CallsOf(ServiceCall::YesNo);
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[0].text, "同一データです。\n時系列で表示しますか？");
    EXPECT_EQ(asked[2].text, "横軸が定数です = 2.0000\n縦軸を表示しますか？");
    EXPECT_EQ(asked[3].text, "縦軸が定数です = 2.0000\n横軸を表示しますか？");
    EXPECT_EQ(seen.size(), 1u);

    ui_.QueueYes();
    ShowSeriesPlot(Context(), "時間", kX.data(), "C", {}, 4, c.data());
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "定数です = 2.0000");
    EXPECT_EQ(seen.size(), 1u);
    XYData line(canvas_color::kGreen, 0, false, 0);
    line.AddPoint(1, 1);
    line.AddPoint(2, 2);
    ShowSeriesPlot(Context(), "時間", kX.data(), "Y", {line}, 6, kY.data());
    ASSERT_EQ(seen.size(), 2u);
    ASSERT_EQ(seen[1].extraSeries.size(), 1u);
    EXPECT_EQ(seen[1].extraSeries[0].Colour(), canvas_color::kGreen);
}

}  // namespace

// The multicollinearity window: opened from the main window's button on the
// sample data set (a cell of each page against the engine, a typed k, the
// scale cycle), the eigen page's rows and columns, the trace drawn on a
// recording canvas and picked, the ridge table's clicks, the series each
// residual plot is handed, the variable option, and the refusals the window
// reports.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include <cmath>
#include <filesystem>
#include <limits>

#include "components/plot/core/recording_canvas.h"
#include "components/view/result_grid.h"
#include "core/model/regression_model.h"
#include "core/report/result_table.h"
#include "estimators/mcl_data.h"
#include "estimators/multicollinearity.h"
#include "estimators/ui/mcl_estimate_page.h"
#include "estimators/ui/mcl_window.h"
#include "estimators/ui/ridge_trace.h"
#include "estimators/ui/ridge_trace_box.h"
#include "request_probe.h"
#include "started_windows.h"
#include "stats/xy_graph_request.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace fs = std::filesystem;

namespace {

std::string SourceDir() {
    const char* dir = std::getenv("MERLOX_SOURCE_DIR");
    return dir ? dir : ".";
}

std::string Shown(double v) { return NumberCell(v).Shown(); }

class MclWindowTest : public StartedWindows {
protected:
    MclWindowTest() : StartedWindows("mcl") { TfrmMCL::SharedScaleStep() = 0; }

    std::unique_ptr<TfrmMCL> Window(const Reg& model, bool allVariables = false) {
        auto w = std::make_unique<TfrmMCL>(WindowContext(state_));
        EXPECT_TRUE(w->Fill(MclRequest{&model, nullptr, nullptr, allVariables}));
        return w;
    }
};

TEST_F(MclWindowTest, OpensFromItsButtonTypesKAndCyclesTheScale) {
    fs::copy_file(SourceDir() + "/data/samples/Longley.MDF", dir_.Path("Longley.MDF"));
    main_->OpenAndRemember(dir_.Path("Longley.MDF"));
    Reg* m = state_.Model();
    ASSERT_NE(m, nullptr);
    ASSERT_GE(m->CountExplanatory(), 2);
    main_->UpdateLaunchActions();
    QPushButton* button = main_->EstimateButton("btnMCL");
    ASSERT_TRUE(button && button->isEnabled());
    EXPECT_EQ(button->text().toStdString(), "多重共線性(&M)");

    const Multicollinearity engine(MclDataOf(*m, false));
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfrmMCL*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        seen = true;
        EXPECT_EQ(w->windowTitle().toStdString(), "多重共線性情報");
        EXPECT_EQ(w->sgVIF->Cell(1, 3).toStdString(), Shown(engine.EigenPage().vif[0]));
        EXPECT_EQ(w->sgVIF->Cell(0, 0).toStdString(), NumberCell(engine.EigenPage().conditionNumber).text);
        EXPECT_EQ(w->sgVIF->FixedRows(), 3);
        EXPECT_EQ(w->AutomaticK(), *engine.AutomaticK());

        ui_.QueueInput("0.01");
        w->tsRidgeEst->stRK->click();
        EXPECT_EQ(w->tsRidgeEst->stRK->text().toStdString(), "0.01000");
        EXPECT_EQ(w->tsRidgeEst->sgEst->Cell(1, 1).toStdString(), Shown(engine.Fit(0.01)->coef[0]));
        w->ResetRidge->trigger();
        EXPECT_EQ(w->Fit()->k, w->AutomaticK());

        // From the shared step 0: 1, 10, then back to 0.1.
        const double scales[] = {1.0, 10.0, 0.1};
        for (double s : scales) {
            w->Scale->trigger();
            EXPECT_DOUBLE_EQ(w->CurrentScale(), s);
            EXPECT_EQ(w->sgRD->Cell(0, 30).toStdString(), Shown(0.1 / s));
        }
        w->Exitence->trigger();
    });
    button->click();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());
}

TEST_F(MclWindowTest, TheScaleFollowsTheSharedStep) {
    auto model = MakeModel(NearlyCollinearColumns(), {}, {"x1", "x2", "x3", "y"});
    ASSERT_TRUE(model->SetModel(3, {2, 2, 2, 1, 2}));
    TfrmMCL::SharedScaleStep() = 1;
    auto w = Window(*model);
    EXPECT_DOUBLE_EQ(w->CurrentScale(), 0.1);
    const double scales[] = {10.0, 0.1, 1.0};
    for (double s : scales) {
        w->Scale->trigger();
        EXPECT_DOUBLE_EQ(w->CurrentScale(), s);
    }
}

// The eigen page of x1..x3 as the grid shows it: one row per regressor, one
// column per eigenvalue. From the correlation matrix of the three columns,
// decomposed in 40 digits (mpmath); proportion = v_jk^2 / l_k / VIF_j. The
// shares are far from symmetric, so a table read the other way round shows.
TEST_F(MclWindowTest, TheEigenPageHasARowPerRegressorAndAColumnPerEigenvalue) {
    auto model = MakeModel(NearlyCollinearColumns(), {}, {"x1", "x2", "x3", "y"});
    ASSERT_TRUE(model->SetModel(3, {2, 2, 2, 1, 2}));
    auto w = Window(*model);
    const std::vector<std::vector<std::string>> rows = {
            {"27.2166", "VIF", "λ1", "λ2", "λ3"},
            {"固有値", "", "2.0718", "0.9254", "0.0028"},
            {"状態指標", "", "1.0000", "2.2388", "740.7454"},
            {"x1", "178.6894", "0.0013", "0.0002", "0.9985"},
            {"x2", "179.3535", "0.0013", "0.0002", "0.9986"},
            {"x3", "1.0571", "0.0297", "0.9556", "0.0146"},
    };
    ASSERT_EQ(w->sgVIF->RowCount(), 6);
    ASSERT_EQ(w->sgVIF->ColCount(), 5);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(w->sgVIF->Cell(c, r).toStdString(), rows[r][c]) << "column " << c << ", row " << r;
}

TEST_F(MclWindowTest, RidgeTableClicksAndTracePicking) {
    auto model = MakeModel(NearlyCollinearColumns(), {}, {"x1", "x2", "x3", "y"});
    ASSERT_TRUE(model->SetModel(3, {2, 2, 2, 1, 2}));
    auto w = Window(*model);
    w->resize(700, 500);
    w->show();
    w->PC->setCurrentWidget(w->sgRD);
    QApplication::processEvents();

    // A data cell: the ridge VIF at that row's constant in the status bar.
    const QRect cell = w->sgRD->CellRect(2, 6);
    w->sgRDMouseDown(cell.center().x(), cell.center().y());
    const double vif = w->Engine()->RidgeVif(w->Table().k[5])[1];
    EXPECT_EQ(w->SB->currentMessage().toStdString(), "VIF[ x2 ] = " + NumberCell(vif).text);
    // A heading: x2's coefficient in (R + k I)^-1 r, k = 0 .. 0.1 in scale units.
    std::vector<GraphSeen> seen;
    auto graph = ProbeGraphs(seen);
    const QRect heading = w->sgRD->CellRect(2, 0);
    w->sgRDMouseDown(heading.center().x(), heading.center().y());
    ExpectGraph(seen, "リッジ係数", "x2", {kRidgeTableConstants, 0, 1, 0.020094243516930857, 0.32918837753929538}, 1e-9);

    // A click on x3's curve at the last constant picks it.
    RecordingCanvas canvas;
    w->RC->PaintOn(canvas, 600, 400);
    const RidgeTrace& trace = w->RC->Trace();
    const MclRidgeTable& t = w->Table();
    const int x = trace.LeftMargin() + static_cast<int>(t.k[29] * trace.XScale()) - 1;
    const int y = static_cast<int>((t.yMax - t.coef[2][29]) * trace.YScale());
    w->RCMouseDown(x, y);
    EXPECT_EQ(w->SelectedCurve(), 2);
    EXPECT_EQ(w->SB->currentMessage().toStdString(), "選択変数　：　x3");
    w->close();
}

// At k = 0: least squares on the columns scaled to unit length.
TEST_F(MclWindowTest, ResidualPlotsAtKZeroHandTheirSeries) {
    auto model = MakeModel(NearlyCollinearColumns(), {}, {"x1", "x2", "x3", "y"});
    ASSERT_TRUE(model->SetModel(3, {2, 2, 2, 1, 2}));
    auto w = Window(*model);
    ui_.QueueInput("0");
    w->tsRidgeEst->stRK->click();
    ASSERT_EQ(w->Fit()->k, 0.0);
    std::vector<GraphSeen> seen;
    auto probe = ProbeGraphs(seen);
    const double fit0 = -0.45075596590904393, fitLast = 0.46441850725757817;
    const double r0 = 0.35700867719439912, rLast = -0.81714927851288559;
    const double e0 = 0.0060582126925133262, eLast = -0.011756018162542543;
    const std::vector<PlotCase> plots = {
            {w->EYPlot, nullptr, "予測値", "標準化残差", {12, fit0, fitLast, r0, rLast}},
            {w->ETPlot, nullptr, "時間", "標準化残差", {12, 1, 12, r0, rLast}},
            {w->YYPlot, nullptr, "予測値", "観測値", {12, fit0, fitLast, -0.4446977532165306, 0.45266248909503563}},
            {w->LRPlot, nullptr, "作用点", "残差平方",
             {12, 0.29963260056386184, 0.49660125708586631, 0.009918384875717743, 0.03734843603298791}},
            {w->EXPlot, "x2", "x2", "標準化残差", {12, -0.47344319880061255, 0.44509330665686329, r0, rLast}},
            {w->EEPlot, nullptr, "e(i)", "e(i-1)", {11, 0.028839022500533292, eLast, e0, 0.01804609428275717}},
            {w->pmEELag->actions()[0], nullptr, "e(i)", "e(i-2)", {10, -0.02822568258571, eLast, e0, 0.01937847597755}},
    };
    ExpectPlots(plots, ui_, seen, 1e-9);
}

TEST_F(MclWindowTest, TheVariableOptionTakesEveryVariableAndNamesTheConstantOnes) {
    const Columns& c = NearlyCollinearColumns();
    auto model = MakeModel({c[0], c[1], std::vector<double>(12, 4.0), c[2], c[3]}, {},
                           {"x1", "x2", "flat", "x3", "y"});
    ASSERT_TRUE(model->SetModel(4, {2, 2, 0, 0, 1, 2}));
    auto w = Window(*model);
    EXPECT_EQ(w->Engine()->P(), 2);
    ui_.QueueOK();
    w->Select->trigger();
    EXPECT_TRUE(w->AllVariables());
    EXPECT_TRUE(w->Select->isChecked());
    EXPECT_EQ(w->Engine()->P(), 3);
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("flat"), std::string::npos);
    EXPECT_EQ(w->sgVIF->Cell(0, 5).toStdString(), "x3");
    w->Select->trigger();
    EXPECT_FALSE(w->AllVariables());
    EXPECT_EQ(w->Engine()->P(), 2);
}

TEST_F(MclWindowTest, AKTheFitCannotUseIsReportedAndChangesNothingElse) {
    // Two identical regressors (the second taken by the option): R + kI is
    // singular at k = 0.
    const Columns& c = NearlyCollinearColumns();
    auto model = MakeModel({c[0], c[0], c[3]}, {}, {"a", "b", "y"});
    ASSERT_TRUE(model->SetModel(2, {2, 0, 1, 2}));
    auto w = Window(*model, true);
    ASSERT_EQ(w->Engine()->P(), 2);
    ASSERT_NE(w->Fit(), nullptr);
    ui_.QueueInput("0");
    ui_.QueueOK();
    w->stRKClick();
    EXPECT_EQ(w->Fit(), nullptr);
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "このリッジ係数では推定できません。");
    EXPECT_EQ(w->tsRidgeEst->stRK->text(), "");
    // The automatic k comes back on reset; an empty answer changes nothing.
    w->ResetRidge->trigger();
    ASSERT_NE(w->Fit(), nullptr);
    ui_.QueueInput("");
    w->stRKClick();
    EXPECT_EQ(w->Fit()->k, w->AutomaticK());
}

// ---- the trace on a recording canvas ---------------------------------------

MclRidgeTable TwoCurves() {
    MclRidgeTable t;
    t.scale = 0.1;
    t.xMax = 1.0;
    t.coef.resize(2);
    for (int i = 0; i < kRidgeTableConstants; ++i) {
        t.k[static_cast<std::size_t>(i)] = RidgeTableConstants()[static_cast<std::size_t>(i)] / 0.1;
        t.coef[0][static_cast<std::size_t>(i)] = 1.0 - 0.5 * t.k[static_cast<std::size_t>(i)];
        t.coef[1][static_cast<std::size_t>(i)] = -0.2 + 0.1 * t.k[static_cast<std::size_t>(i)];
    }
    t.yMin = -0.24;
    t.yMax = 1.2;
    return t;
}

TEST(RidgeTrace, CurvesLabelsAndPens) {
    RecordingCanvas canvas;
    RidgeTrace trace;
    trace.Paint(canvas, TwoCurves(), 442, 300, 12, 1);
    // tw = 6 characters of 7 pixels; xScale = (442 - 42) / 1.
    EXPECT_EQ(trace.LeftMargin(), 42);
    EXPECT_DOUBLE_EQ(trace.XScale(), 400.0);
    EXPECT_DOUBLE_EQ(trace.YScale(), 282.0 / 1.44);
    const auto curves = canvas.OpsOf(CanvasOpKind::Polyline);
    ASSERT_EQ(curves.size(), 2u);
    EXPECT_EQ(curves[0].pen, (CanvasPen{canvas_color::kBlack, 1, PenStyle::Solid}));
    EXPECT_EQ(curves[1].pen, (CanvasPen{canvas_color::kRed, 2, PenStyle::Solid}));
    ASSERT_EQ(curves[0].points.size(), 30u);
    // The last point of the first curve: k = 1, value 0.5.
    EXPECT_EQ(curves[0].points[29], (CanvasPoint{442, static_cast<int>((1.2 - 0.5) * 282.0 / 1.44)}));

    std::vector<std::string> texts;
    for (const RecordedText& t : canvas.texts) texts.push_back(t.text);
    for (const char* label : {"0.100", "0.500", "0.900", "0", "+1.0", "-0.2"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), label), texts.end()) << label;
    // The zero line is solid, the other grid lines dotted.
    int solidGrid = 0;
    for (const CanvasOp& op : canvas.OpsOf(CanvasOpKind::Line))
        if (op.points[0].x == 42 && op.points[1].x == 442 && op.pen.style == PenStyle::Solid) ++solidGrid;
    EXPECT_EQ(solidGrid, 2);  // the grid's "0" line and the zero axis
    // A click is read back in the ranges.
    const auto p = trace.PointAt(42 + 200, 0);
    ASSERT_TRUE(p.has_value());
    EXPECT_DOUBLE_EQ(p->k, 0.5);
    EXPECT_DOUBLE_EQ(p->value, 1.2);
    EXPECT_DOUBLE_EQ(trace.PointAt(-50, 10000)->k, 0.0);
    EXPECT_DOUBLE_EQ(trace.PointAt(-50, 10000)->value, -0.24);
}

TEST(RidgeTrace, UnusableTablesAndTinyBoxesDrawABlankBox) {
    MclRidgeTable nan = TwoCurves();
    nan.coef[1][7] = std::numeric_limits<double>::quiet_NaN();
    MclRidgeTable flat = TwoCurves();
    flat.yMin = flat.yMax = 0.0;
    MclRidgeTable infinite = TwoCurves();
    infinite.yMax = std::numeric_limits<double>::infinity();
    const struct {
        const char* what;
        MclRidgeTable table;
        int height;
    } cases[] = {{"nan", nan, 300}, {"zero range", flat, 300}, {"infinite", infinite, 300},
                 {"no room", TwoCurves(), 18}};
    for (const auto& c : cases) {
        RecordingCanvas canvas;
        RidgeTrace trace;
        trace.Paint(canvas, c.table, 442, c.height, 12, -1);
        EXPECT_EQ(canvas.ops.size(), 1u) << c.what;
        EXPECT_EQ(canvas.fills.size(), 1u) << c.what;
        EXPECT_FALSE(trace.PointAt(100, 100).has_value()) << c.what;
    }
    // One pixel of plot under the margin still draws, with one text row.
    RecordingCanvas canvas;
    RidgeTrace trace;
    trace.Paint(canvas, TwoCurves(), 442, 19, 12, -1);
    EXPECT_EQ(canvas.OpsOf(CanvasOpKind::Polyline).size(), 2u);
}

}  // namespace

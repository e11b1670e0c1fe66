// The X-Y plot without pixels: its grid and geometry, the selection and
// region rules, the regression curves, and what one paint draws in which
// order, recorded on the recording canvas. Expected pixels are worked out by
// hand from the 10-pixel inset; curve values come from a separate script.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "components/plot/core/recording_canvas.h"
#include "components/plot/core/xy_plot_core.h"
#include "core/numeric/xy_data.h"

namespace {

using namespace canvas_color;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A 220 x 120 plot (200 x 100 inside) of x 0..10 and y 0..5: 20 pixels a unit.
struct Plot : XYPlotCore {
    Plot() { SetSize(220, 120); }
    void Fill(std::vector<double> x, std::vector<double> y, const bool* flags = nullptr) {
        ASSERT_TRUE(SetData(x.data(), y.data(), static_cast<int>(x.size()), flags, nullptr));
    }
    RecordingCanvas Painted() {
        RecordingCanvas c;
        Paint(c);
        return c;
    }
};

std::vector<CanvasOpKind> Kinds(const RecordingCanvas& c) {
    std::vector<CanvasOpKind> k;
    for (const CanvasOp& op : c.ops) k.push_back(op.kind);
    return k;
}

TEST(XYPlotCore, GridStepAndStartFromTheData) {
    const struct {
        double low, high, step, start;
    } cases[] = {
        {0.5, 37.0, 10.0, 0.0},
        {-123.0, 45.0, 100.0, -100.0},  // -100 lies inside: no step added
    };
    for (const auto& c : cases) {
        XYPlotCore p;
        p.SetSize(200, 150);
        const double x[] = {c.low, c.high}, y[] = {0.0, 1.0};
        ASSERT_TRUE(p.SetData(x, y, 2, nullptr, nullptr));
        EXPECT_DOUBLE_EQ(p.StepX, c.step) << c.low;
        EXPECT_DOUBLE_EQ(p.StartX, c.start) << c.low;
    }
}

TEST(XYPlotCore, PixelsAndValuesWithTheirClamping) {
    Plot p;
    p.Fill({0, 10}, {0, 5});
    int px, py;
    p.setxy(2.5, 1.0, &px, &py);
    EXPECT_EQ(px, 60);
    EXPECT_EQ(py, 90);
    const struct {
        int px, py;
        bool ok;
        double x, y;
    } cases[] = {
        {60, 90, true, 2.5, 1.0},
        {215, 115, true, 10.0, 0.0},   // beyond the ends: x lowered to MaxX, y raised to MinY
        {5, 5, true, -0.25, 5.25},     // the other ways: not clamped
        {0, 50, false, 0.0, -7.0},     // left edge: MinX, y untouched
        {220, 50, false, 10.0, -7.0},  // right edge: MaxX
        {60, 0, false, 2.5, 5.0},      // top: MaxY
        {60, 120, false, 2.5, 0.0},    // bottom: MinY
    };
    for (const auto& c : cases) {
        double x = -7.0, y = -7.0;
        EXPECT_EQ(p.getxy(c.px, c.py, &x, &y), c.ok) << c.px << "," << c.py;
        EXPECT_DOUBLE_EQ(x, c.x) << c.px << "," << c.py;
        EXPECT_DOUBLE_EQ(y, c.y) << c.px << "," << c.py;
    }
    Plot flat;
    flat.Fill({3, 3}, {1, 2});  // no x range: scale 0
    double x = 9, y = 9;
    EXPECT_FALSE(flat.getxy(50, 50, &x, &y));
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
}

// A layout that gives the plot its size after the data keeps the points
// spread over the whole plot: 420 x 220 (400 x 200 inside) is 40 pixels a unit.
TEST(XYPlotCore, ANewSizeRescalesThePoints) {
    Plot p;
    p.Fill({0, 10}, {0, 5});
    p.SetSize(420, 220);
    p.FitToSize();
    int px, py;
    p.setxy(10.0, 0.0, &px, &py);
    EXPECT_EQ(px, 410);
    EXPECT_EQ(py, 210);
    p.setxy(2.5, 1.0, &px, &py);
    EXPECT_EQ(px, 110);
    EXPECT_EQ(py, 170);
}

TEST(XYPlotCore, SelectionTiesGoToTheHigherIndex) {
    Plot p;
    // Points 0 and 2 fall on the same pixel (10, 110); point 1 is far away.
    p.Fill({0, 10, 0.01}, {0, 5, 0.01});
    p.setSel(12, 108, false);
    EXPECT_EQ(p.SelIndex, 2);
    p.setSel(200, 20, false);
    EXPECT_EQ(p.SelIndex, 1);
    p.DotSel(0);
    EXPECT_EQ(p.SelIndex, 0);
    p.DotSel(3);  // no such dot
    EXPECT_EQ(p.SelIndex, 0);
    p.SelIndex = 7;  // outside the points: SetData starts again at 0
    p.Fill({0, 1}, {0, 1});
    EXPECT_EQ(p.SelIndex, 0);
}

TEST(XYPlotCore, CoefficientsAreIndexedModuloFive) {
    XYPlotCore p;
    for (int i = 0; i < 5; ++i) p.SetB(i, 10.0 + i);
    EXPECT_EQ(p.GetB(7), 12.0);
    p.SetB(5, -1.0);
    EXPECT_EQ(p.GetB(0), -1.0);
    EXPECT_EQ(p.GetB(-1), 14.0);
}

TEST(XYPlotCore, RegionAfterAnUpLeftDragIsOrdered) {
    XYPlotCore p;
    p.RegionReset(100, 80);
    p.RegionLine(40, 20);
    EXPECT_TRUE(p.RegionShown());
    int l, t, r, b;
    p.GetRegion(&l, &t, &r, &b);
    EXPECT_EQ((CanvasRect{l, t, r, b}), (CanvasRect{40, 20, 100, 80}));
    // The corners were swapped in place: the anchor is now the top-left.
    p.RegionLine(120, 90);
    p.GetRegion(&l, &t, &r, &b);
    EXPECT_EQ((CanvasRect{l, t, r, b}), (CanvasRect{40, 20, 120, 90}));
    p.RegionReset(5, 5);
    EXPECT_FALSE(p.RegionShown());
}

// B = 0.5, 1.5, 0.3, -0.2, 0.05 at x = 2 (lambda = B2 = 0.3); values from a
// separate script.
TEST(XYPlotCore, AllFifteenCurves) {
    const double expected[15] = {3.5, 4.7, 3.1, 3.9000000000000004, 4.663287963194248, 33.11545195869231,
                                 1.5397207708399179, 0.8, 1.25, 0.2857142857142857, 10.944087000996516,
                                 1.6557220667245816, 3.835293497221131, 0.7557336829789215, 3.7554850606398613};
    XYPlotCore p;
    const double b[] = {0.5, 1.5, 0.3, -0.2, 0.05};
    for (int i = 0; i < 5; ++i) p.SetB(i, b[i]);
    for (int t = 0; t < 15; ++t) {
        p.RegLineType = static_cast<TRegLineType>(t);
        EXPECT_NEAR(p.GetLineData(2.0), expected[t], 1e-12 * std::fabs(expected[t])) << "type " << t;
    }
}

TEST(XYPlotCore, OnePaintInItsOrder) {
    Plot p;
    p.SetB(1, 0.5);  // the curve y = x / 2
    p.SetCaption("abc");
    const bool flags[] = {false, true, false};
    p.Fill({0, 5, 10}, {0, 2.5, 5}, flags);
    const RecordingCanvas c = p.Painted();
    using K = CanvasOpKind;
    const std::vector<K> order = {K::Rectangle, K::Line, K::Line, K::Line, K::Line, K::Line, K::Line, K::Line,
                                  K::Line,      K::Line, K::Line, K::Dots, K::Dots, K::Dots, K::Polyline,
                                  K::Ellipse,   K::Text};
    ASSERT_EQ(Kinds(c), order);
    EXPECT_EQ(c.ops[0].rect, (CanvasRect{0, 0, 220, 120}));
    EXPECT_EQ(c.ops[0].brush, kWhite);
    EXPECT_EQ(c.ops[0].pen.color, kBlack);
    // Grid: x = 0 (the zero line: solid, 2 wide) and 10, then y = 0 .. 5 upwards.
    EXPECT_EQ(c.ops[1].points, (std::vector<CanvasPoint>{{10, 10}, {10, 110}}));
    EXPECT_EQ(c.ops[1].pen, (CanvasPen{kBlue, 2, PenStyle::Solid}));
    EXPECT_EQ(c.ops[2].points, (std::vector<CanvasPoint>{{210, 10}, {210, 110}}));
    EXPECT_EQ(c.ops[2].pen, (CanvasPen{kBlue, 1, PenStyle::Dot}));
    EXPECT_EQ(c.ops[3].pen.width, 2);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(c.ops[3 + i].points[0], (CanvasPoint{10, 110 - 20 * i})) << i;
    // The mean cross through (5, 2.5).
    EXPECT_EQ(c.ops[9].points, (std::vector<CanvasPoint>{{10, 60}, {210, 60}}));
    EXPECT_EQ(c.ops[10].points, (std::vector<CanvasPoint>{{110, 10}, {110, 110}}));
    EXPECT_EQ(c.ops[9].pen.color, kRed);
    // Dots by state, radius DotWidth.
    const CanvasColor dotColour[] = {kBlue, kGreen, kBlue};
    const CanvasPoint dotAt[] = {{10, 110}, {110, 60}, {210, 10}};
    for (int i = 0; i < 3; ++i) {
        const CanvasOp& op = c.ops[11 + i];
        EXPECT_EQ(op.brush, dotColour[i]);
        EXPECT_EQ(op.pen.color, dotColour[i]);
        EXPECT_EQ(op.radius, 4);
        EXPECT_EQ(op.points, (std::vector<CanvasPoint>{dotAt[i]}));
    }
    // The curve: one sample per pixel column, each on y = x / 2.
    const CanvasOp& curve = c.ops[14];
    EXPECT_EQ(curve.pen, (CanvasPen{kAqua, 2, PenStyle::Solid}));
    EXPECT_EQ(curve.points.front(), (CanvasPoint{10, 110}));
    EXPECT_GE(curve.points.size(), 200u);
    for (const CanvasPoint& q : curve.points) EXPECT_NEAR(q.y - 10, 100 - (q.x - 10) / 2.0, 1.0);
    // The selected dot, then the caption.
    EXPECT_EQ(c.ops[15].rect, (CanvasRect{6, 106, 14, 114}));
    EXPECT_EQ(c.ops[15].brush, kRed);
    EXPECT_EQ(c.ops[16].text, "abc");
    EXPECT_EQ(c.ops[16].points[0], (CanvasPoint{10, 10}));
    EXPECT_EQ(c.ops[16].brush, kYellow);
    EXPECT_EQ(c.ops[16].fontColor, kBlue);
}

TEST(XYPlotCore, BindLineAndExtraLinesDrawnFromOnDrawn) {
    Plot p;
    p.RegLine = false;
    p.DotBindLine = true;
    XYData extra(kFuchsia, 2, false, 0);
    extra.AddPoint(1, 0);
    extra.AddPoint(2, 5);
    const double x[] = {0, 5, 10}, y[] = {0, 2.5, 5};
    ASSERT_TRUE(p.SetData(x, y, 3, nullptr, [&] { p.DispLine(extra, true); }));
    const RecordingCanvas c = p.Painted();
    const auto lines = c.OpsOf(CanvasOpKind::Polyline);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].pen, (CanvasPen{kGreen, 1, PenStyle::Solid}));
    EXPECT_EQ(lines[0].points, (std::vector<CanvasPoint>{{10, 110}, {110, 60}, {210, 10}}));
    // Exchanged: (0, 1) and (5, 2).
    EXPECT_EQ(lines[1].pen, (CanvasPen{kFuchsia, 1, PenStyle::Dot}));
    EXPECT_EQ(lines[1].points, (std::vector<CanvasPoint>{{10, 90}, {110, 70}}));
    EXPECT_EQ(lines[1].brush, kWhite);
}

TEST(XYPlotCore, AStrokeDrawnWithTheMouseIsKeptUntilNewData) {
    Plot p;
    p.RegLine = false;
    p.LineColor = kFuchsia;
    p.LineWidth = 3;
    p.Fill({0, 10}, {0, 5});
    p.MoveTo(10, 10);
    p.LineTo(50, 60);
    p.LineTo(70, 20);
    std::vector<CanvasOp> stroke;
    for (const CanvasOp& op : p.Painted().OpsOf(CanvasOpKind::Line))
        if (op.pen.color == kFuchsia) stroke.push_back(op);
    ASSERT_EQ(stroke.size(), 2u);
    EXPECT_EQ(stroke[0].points, (std::vector<CanvasPoint>{{10, 10}, {50, 60}}));
    EXPECT_EQ(stroke[1].points, (std::vector<CanvasPoint>{{50, 60}, {70, 20}}));
    EXPECT_EQ(stroke[1].pen.width, 3);
    p.Fill({0, 10}, {0, 5});
    EXPECT_FALSE(p.HasStroke());
}

TEST(XYPlotCore, PointsAndCurveSamplesThatAreNotFiniteAreSkipped) {
    Plot p;
    p.RegLineType = reglnXY;  // 1 + ln x: nothing at x <= 0
    p.SetB(0, 1.0);
    p.SetB(1, 1.0);
    p.Fill({-5, kNaN, 5, INFINITY, 10}, {0, 1, 2.5, 2, 5});
    // Ranges and means come from the three finite points.
    EXPECT_EQ(p.MinX, -5.0);
    EXPECT_EQ(p.MaxX, 10.0);
    EXPECT_NEAR(p.MeanX, 10.0 / 3, 1e-15);
    EXPECT_NEAR(p.MeanY, 2.5, 1e-15);
    const RecordingCanvas c = p.Painted();
    EXPECT_EQ(c.DotCount(), 4);  // three dots and the selected one
    const auto curve = c.OpsOf(CanvasOpKind::Polyline);
    ASSERT_EQ(curve.size(), 1u);
    // Sampled from x just above 0 (column 10 + 5/15 * 200 = 77) on.
    EXPECT_GE(curve[0].points.front().x, 76);
    EXPECT_LE(curve[0].points.front().x, 78);
}

TEST(XYPlotCore, ZoomedPixelsAreClampedNotOverflowed) {
    Plot p;
    p.MinMax = false;
    p.AutoSet = false;
    p.MinX = 0, p.MaxX = 1e-300, p.MinY = 0, p.MaxY = 1;
    p.RegLineType = regXY;
    p.SetB(1, 1e308);
    p.Fill({0, 1, 1e300}, {0.5, 0.5, 0.5});
    const RecordingCanvas c = p.Painted();
    for (const CanvasOp& op : c.ops)
        for (const CanvasPoint& q : op.points) {
            EXPECT_LE(std::abs(q.x), 1000010);
            EXPECT_LE(std::abs(q.y), 1000010);
        }
    // Only the dot at x = 0 lies on the plot.
    EXPECT_EQ(c.DotCount(), 2);
}

TEST(XYPlotCore, GridLinesAreBoundedAndNeedAnOrderedRange) {
    Plot p;
    p.AutoSet = false;
    p.StepX = 1e-9;  // a tiny step set by hand
    p.StepY = -1;    // no grid across
    p.Fill({0, 10}, {0, 5});
    const RecordingCanvas c = p.Painted();
    int grid = 0;
    for (const CanvasOp& op : c.OpsOf(CanvasOpKind::Line)) grid += op.pen.color == kBlue;
    EXPECT_EQ(grid, XYPlotCore::kMaxGridLines);

    Plot reversed;
    reversed.MinMax = false;
    reversed.AutoSet = false;
    reversed.MinX = 10, reversed.MaxX = 0, reversed.MinY = 5, reversed.MaxY = 0;
    reversed.StepX = reversed.StepY = 1;
    reversed.Fill({1, 2}, {1, 2});
    int reversedGrid = 0;
    for (const CanvasOp& op : reversed.Painted().OpsOf(CanvasOpKind::Line)) reversedGrid += op.pen.color == kBlue;
    EXPECT_EQ(reversedGrid, 0);
}

TEST(XYPlotCore, NoPointsDrawOnlyTheFrame) {
    Plot p;
    ASSERT_TRUE(p.SetData(nullptr, nullptr, 0, nullptr, nullptr));
    const RecordingCanvas c = p.Painted();
    ASSERT_EQ(c.ops.size(), 1u);
    EXPECT_EQ(c.ops[0].kind, CanvasOpKind::Rectangle);
}

TEST(XYPlotCore, DotsHiddenByALaterDotOfTheSameColourAreNotDrawn) {
    Plot p;
    p.RegLine = false;
    // Blue at A, green at A, blue at A again, blue at B, blue at B again.
    const bool flags[] = {false, true, false, false, false};
    p.Fill({0, 0, 0, 10, 10}, {0, 0, 0, 5, 5}, flags);
    p.SelIndex = 0;
    const auto dots = p.Painted().OpsOf(CanvasOpKind::Dots);
    // The first blue dot at A lies under the third and is dropped; green keeps
    // its place between them, so the blue on top stays on top.
    ASSERT_EQ(dots.size(), 2u);
    EXPECT_EQ(dots[0].brush, kGreen);
    EXPECT_EQ(dots[0].points, (std::vector<CanvasPoint>{{10, 110}}));
    EXPECT_EQ(dots[1].brush, kBlue);
    EXPECT_EQ(dots[1].points, (std::vector<CanvasPoint>{{10, 110}, {210, 10}}));
}

TEST(XYPlotCore, TinyPlotsStillMapToOnePixel) {
    XYPlotCore p;
    p.SetSize(12, 15);  // less than the two insets
    const double x[] = {0, 1}, y[] = {0, 1};
    ASSERT_TRUE(p.SetData(x, y, 2, nullptr, nullptr));
    EXPECT_EQ(p.ScaleX, 1.0);
    EXPECT_EQ(p.ScaleY, 1.0);
}

}  // namespace

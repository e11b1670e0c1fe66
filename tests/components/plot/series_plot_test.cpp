// The series plot: what it draws, recorded instead of painted. Positions are
// worked out by hand from the plot's margins.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "components/plot/core/recording_canvas.h"
#include "components/plot/series_plot.h"
#include "gui/gui_fixture.h"

namespace {

std::vector<CanvasOp> LinesOf(const RecordingCanvas& canvas, CanvasColor c) {
    std::vector<CanvasOp> out;
    for (const CanvasOp& op : canvas.OpsOf(CanvasOpKind::Line))
        if (op.pen.color == c) out.push_back(op);
    return out;
}

TEST(SeriesPlot, DrawsJoinedDotsAndTheLeastSquaresLine) {
    TestApp();
    const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7};
    const std::vector<double> y = {3.2, 4.1, 2.7, 5.6, 6.3, 4.8, 7.1};
    RecordingCanvas canvas;
    AxisScale scale;
    DrawSeriesPlot(canvas, {0, 0, 206, 128}, x, y, SeriesPlotStyle{}, &scale);
    EXPECT_DOUBLE_EQ(scale.low, 2.0);
    EXPECT_DOUBLE_EQ(scale.interval, 1.0);
    // plot area 6..200 across, 22..122 down; y from 2 to 8
    EXPECT_EQ(canvas.DotCount(), 7);
    ASSERT_EQ(LinesOf(canvas, canvas_color::kGreen).size(), 6u);
    const CanvasOp first = LinesOf(canvas, canvas_color::kGreen)[0];
    EXPECT_EQ(first.points[0], (CanvasPoint{6, 102}));
    EXPECT_EQ(first.points[1], (CanvasPoint{38, 87}));  // 38.33
    // fit 2.442857 + 0.596429 t, worked out with exact fractions: rows 104.68 and 45.04
    const auto fit = LinesOf(canvas, canvas_color::kAqua);
    ASSERT_EQ(fit.size(), 1u);
    EXPECT_EQ(fit[0].points[0].y, 105);
    EXPECT_EQ(fit[0].points[1].y, 45);
    ASSERT_EQ(canvas.texts.size(), 1u);
    EXPECT_EQ(canvas.texts[0].text, "min 2.7000  max 7.1000");
}

TEST(SeriesPlot, NonFiniteValuesBreakTheLine) {
    TestApp();
    const std::vector<double> x = {1, 2, 3, 4};
    const std::vector<double> y = {1.0, std::numeric_limits<double>::quiet_NaN(), 2.0, 3.0};
    RecordingCanvas canvas;
    DrawSeriesPlot(canvas, {0, 0, 100, 100}, x, y, SeriesPlotStyle{}, nullptr);
    EXPECT_EQ(canvas.DotCount(), 3);
    EXPECT_EQ(LinesOf(canvas, canvas_color::kGreen).size(), 1u);
}

TEST(SeriesPlot, EmptySeriesDrawsOnlyTheFrame) {
    TestApp();
    RecordingCanvas canvas;
    DrawSeriesPlot(canvas, {0, 0, 100, 100}, {}, {}, SeriesPlotStyle{}, nullptr);
    EXPECT_EQ(canvas.DotCount(), 0);
    EXPECT_TRUE(canvas.texts.empty());
    EXPECT_EQ(canvas.fills.size(), 1u);
}

}  // namespace

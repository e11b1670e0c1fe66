// The series plot: what it draws, recorded instead of painted. Positions are
// worked out by hand from the plot's margins.
#include <gtest/gtest.h>

#include <array>
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

// The silver lines: one across per interval of the y scale, from the
// bottom up (rows 122 - 100 (v - low) / (high - low)), then the two sides.
TEST(SeriesPlot, GridLinesAtEachIntervalOfTheScale) {
    TestApp();
    const SeriesPlotRanges fixed{{1, 10, 1}, {0, 10, 2.5}};
    const CanvasRect area{0, 0, 206, 128};
    const struct {
        const char* what;
        std::vector<double> y;
        CanvasRect area;
        const SeriesPlotRanges* fixed;
        int left, right;
        std::vector<int> rows;
    } cases[] = {
            {"2 .. 8 by 1", {3.2, 4.1, 2.7, 5.6, 6.3, 4.8, 7.1}, area, nullptr, 6, 200, {122, 105, 89, 72, 55, 39, 22}},
            {"-0.4 .. 0.6 by 0.2", {-0.35, 0.42, 0.1}, area, nullptr, 6, 200, {122, 102, 82, 62, 42, 22}},
            // the range holds 4.999999999999999 intervals
            {"0.01 .. 0.06 by 0.01", {0.03, 0.01, 0.06, 0.04}, area, nullptr, 6, 200, {122, 102, 82, 62, 42, 22}},
            {"fixed 0 .. 10 by 2.5, moved by (10, 20)", {3.2, 4.1, 2.7}, {10, 20, 216, 148}, &fixed, 16, 210,
             {142, 117, 92, 67, 42}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<double> x;
        for (std::size_t i = 0; i < c.y.size(); ++i) x.push_back(i + 1.0);
        RecordingCanvas canvas;
        DrawSeriesPlot(canvas, c.area, x, c.y, SeriesPlotStyle{}, nullptr, c.fixed);
        std::vector<std::array<int, 4>> want, got;  // x0, y0, x1, y1
        for (int row : c.rows) want.push_back({c.left, row, c.right, row});
        for (int side : {c.left, c.right}) want.push_back({side, c.rows.back(), side, c.rows.front()});
        for (const CanvasOp& op : LinesOf(canvas, canvas_color::kSilver))
            got.push_back({op.points[0].x, op.points[0].y, op.points[1].x, op.points[1].y});
        EXPECT_EQ(got, want);
    }
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

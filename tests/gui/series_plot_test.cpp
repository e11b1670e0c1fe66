// The series plot: round axis scales and what it draws, recorded instead of
// painted. Positions are worked out by hand from the plot's margins.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/series_plot.h"
#include "gui_fixture.h"

namespace {

struct RecordingPlotCanvas : PlotCanvas {
    struct Segment {
        QPointF from, to;
        CanvasColor color;
    };
    void SetPen(CanvasColor color) override { pen = color; }
    void FillRect(const QRectF& rect, CanvasColor color) override { fills.push_back({rect.topLeft(), rect.bottomRight(), color}); }
    void Line(const QPointF& from, const QPointF& to) override { lines.push_back({from, to, pen}); }
    void Dot(const QPointF& at) override { dots.push_back({at, at, pen}); }
    void Text(const QPointF&, const QString& text) override { texts.push_back(text); }
    std::vector<Segment> LinesOf(CanvasColor c) const {
        std::vector<Segment> out;
        for (const Segment& s : lines)
            if (s.color == c) out.push_back(s);
        return out;
    }
    CanvasColor pen = 0;
    std::vector<Segment> fills, lines, dots;
    std::vector<QString> texts;
};

TEST(SeriesPlot, RoundAxisScales) {
    const struct {
        double low, high, expLow, expHigh, expInterval;
    } cases[] = {
        {2.7, 7.1, 2.0, 8.0, 1.0},      // raw step 0.88 -> 1
        {0.0, 1.0, 0.0, 1.0, 0.2},      // raw step 0.2 -> 0.2
        {-3.2, 45.0, -10.0, 50.0, 10.0}, // raw step 9.64 -> 10
        {5.0, 5.0, 4.4, 5.6, 0.2},      // widened to 4.5..5.5
        {0.0, 0.0, -1.0, 1.0, 0.5},     // widened to -1..1
        {7.1, 2.7, 2.0, 8.0, 1.0},      // ends given the wrong way round
    };
    for (const auto& c : cases) {
        const AxisScale s = RoundAxisScale(c.low, c.high);
        EXPECT_NEAR(s.low, c.expLow, 1e-12) << c.low << ".." << c.high;
        EXPECT_NEAR(s.high, c.expHigh, 1e-12) << c.low << ".." << c.high;
        EXPECT_NEAR(s.interval, c.expInterval, 1e-12) << c.low << ".." << c.high;
    }
    const AxisScale bad = RoundAxisScale(std::nan(""), INFINITY);
    EXPECT_LT(bad.low, bad.high);
}

TEST(SeriesPlot, DrawsJoinedDotsAndTheLeastSquaresLine) {
    TestApp();
    const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7};
    const std::vector<double> y = {3.2, 4.1, 2.7, 5.6, 6.3, 4.8, 7.1};
    RecordingPlotCanvas canvas;
    AxisScale scale;
    DrawSeriesPlot(canvas, QRectF(0, 0, 206, 128), x, y, SeriesPlotStyle{}, &scale);
    EXPECT_DOUBLE_EQ(scale.low, 2.0);
    EXPECT_DOUBLE_EQ(scale.interval, 1.0);
    // plot area 6..200 across, 22..122 down; y from 2 to 8
    EXPECT_EQ(canvas.dots.size(), 7u);
    ASSERT_EQ(canvas.LinesOf(canvas_color::kGreen).size(), 6u);
    const auto first = canvas.LinesOf(canvas_color::kGreen)[0];
    EXPECT_NEAR(first.from.x(), 6.0, 1e-9);
    EXPECT_NEAR(first.from.y(), 102.0, 1e-9);
    EXPECT_NEAR(first.to.x(), 38.333333333333333, 1e-9);
    EXPECT_NEAR(first.to.y(), 87.0, 1e-9);
    // fit 2.442857 + 0.596429 t, worked out with exact fractions
    const auto fit = canvas.LinesOf(canvas_color::kAqua);
    ASSERT_EQ(fit.size(), 1u);
    EXPECT_NEAR(fit[0].from.y(), 104.67857142857143, 1e-9);
    EXPECT_NEAR(fit[0].to.y(), 45.03571428571428, 1e-9);
    ASSERT_EQ(canvas.texts.size(), 1u);
    EXPECT_EQ(canvas.texts[0], "min 2.7000  max 7.1000");
}

TEST(SeriesPlot, NonFiniteValuesBreakTheLine) {
    TestApp();
    const std::vector<double> x = {1, 2, 3, 4};
    const std::vector<double> y = {1.0, std::numeric_limits<double>::quiet_NaN(), 2.0, 3.0};
    RecordingPlotCanvas canvas;
    DrawSeriesPlot(canvas, QRectF(0, 0, 100, 100), x, y, SeriesPlotStyle{}, nullptr);
    EXPECT_EQ(canvas.dots.size(), 3u);
    EXPECT_EQ(canvas.LinesOf(canvas_color::kGreen).size(), 1u);
}

TEST(SeriesPlot, EmptySeriesDrawsOnlyTheFrame) {
    TestApp();
    RecordingPlotCanvas canvas;
    DrawSeriesPlot(canvas, QRectF(0, 0, 100, 100), {}, {}, SeriesPlotStyle{}, nullptr);
    EXPECT_TRUE(canvas.dots.empty());
    EXPECT_TRUE(canvas.texts.empty());
    EXPECT_EQ(canvas.fills.size(), 1u);
}

}  // namespace

// The correlogram's axis, slots, bars, lag marks and bands, recorded.
#include <gtest/gtest.h>

#include <vector>

#include "components/plot/core/acf_view_core.h"
#include "components/plot/core/recording_canvas.h"

namespace {

using namespace canvas_color;

TEST(ACFViewCore, AxisFromTheValues) {
    const double values[] = {1.0, 0.5, -0.35};
    const struct {
        bool round;
        double fixed, low, high;
    } cases[] = {
        {false, 0, -0.4, 1.0},
        {true, 0, -0.4, 0.5},  // lag 0 is 1.0: the largest comes from lags 1.. (0.5)
        {true, 0.8, -0.4, 0.8},
    };
    for (const auto& c : cases) {
        ACFViewCore v;
        v.RoundUpper = c.round;
        v.FixedUpper = c.fixed;
        ASSERT_TRUE(v.DataSet(values, 2, 100, 0));
        EXPECT_DOUBLE_EQ(v.AxisLow, c.low);
        EXPECT_DOUBLE_EQ(v.AxisHigh, c.high);
    }
    // After a lag 0 of 1.0 (smallest from 1.0, largest from 0).
    const struct {
        double a, b, low, high;
    } bounds[] = {
        {-0.95, 0.95, -1.0, 1.0},
        {-0.05, 0.05, -0.1, 0.1},
        {0.2, 0.0, 0.0, 0.2},
        {-0.3, -0.2, -0.3, 0.01},  // nothing above 0
    };
    for (const auto& b : bounds) {
        ACFViewCore v;
        v.RoundUpper = true;
        const double three[] = {1.0, b.a, b.b};
        ASSERT_TRUE(v.DataSet(three, 2, 50, 0));
        EXPECT_DOUBLE_EQ(v.AxisLow, b.low) << b.a;
        EXPECT_DOUBLE_EQ(v.AxisHigh, b.high) << b.b;
    }
}

TEST(ACFViewCore, OnePaintInItsOrder) {
    ACFViewCore v;
    v.SetSize(110, 140);  // axis -0.4 .. 1.0: 100 pixels a unit, zero row 100
    const double values[] = {1.0, 0.5, -0.35};
    ASSERT_TRUE(v.DataSet(values, 2, 100, 0));
    EXPECT_DOUBLE_EQ(v.Band1, 0.196);
    EXPECT_DOUBLE_EQ(v.Band2, 0.196);
    RecordingCanvas c;
    v.Paint(c);
    ASSERT_EQ(c.ops.size(), 1u + 19 + 1 + 3 + 4);
    EXPECT_EQ(c.ops[0].kind, CanvasOpKind::Rectangle);
    for (int i = -9; i <= 9; ++i) {
        const CanvasOp& grid = c.ops[1 + i + 9];
        EXPECT_EQ(grid.points, (std::vector<CanvasPoint>{{0, 100 - 10 * i}, {110, 100 - 10 * i}})) << i;
        EXPECT_EQ(grid.pen.style, i == 0 ? PenStyle::Solid : PenStyle::Dot) << i;
    }
    EXPECT_EQ(c.ops[20].points, (std::vector<CanvasPoint>{{0, 100}, {110, 100}}));
    EXPECT_EQ(c.ops[20].pen.color, kBlue);
    // Ten slots for two lags: 110 / 11 = 10 pixels a bar.
    const CanvasRect bars[] = {{0, 0, 10, 100}, {10, 50, 20, 100}, {20, 135, 30, 100}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(c.ops[21 + k].kind, CanvasOpKind::Rectangle);
        EXPECT_EQ(c.ops[21 + k].rect, bars[k]);
        EXPECT_EQ(c.ops[21 + k].brush, kAqua);
    }
    // Bands at +-0.196: 19 pixels.
    const int rows[] = {81, 119, 81, 119};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(c.ops[24 + i].points[0].y, rows[i]);
        EXPECT_EQ(c.ops[24 + i].pen.color, kRed);
    }
    EXPECT_EQ(v.GetIndex(15, 75), 1);
    EXPECT_EQ(v.GetIndex(20, 60), 1);  // edges included
    EXPECT_EQ(v.GetIndex(25, 120), 2);
    EXPECT_EQ(v.GetIndex(15, 30), -1);
}

TEST(ACFViewCore, SlotsAndLagMarks) {
    ACFViewCore v;
    const std::vector<double> five(6, 0.1);
    ASSERT_TRUE(v.DataSet(five.data(), 5, 50, 1));
    EXPECT_EQ(v.Slots(), 10);  // five lags fill about half the width
    const struct {
        int maxLag, slots;
    } slots[] = {{12, 20}, {25, 30}, {40, 40}};
    for (const auto& s : slots) {
        const std::vector<double> values(s.maxLag + 1, 0.1);
        ASSERT_TRUE(v.DataSet(values.data(), s.maxLag, 50, 0));
        EXPECT_EQ(v.Slots(), s.slots) << s.maxLag;
    }
    const struct {
        int firstLag;
        std::vector<int> marks;
    } cases[] = {{1, {95, 195}}, {0, {105, 205}}};
    for (const auto& m : cases) {
        ACFViewCore w;
        w.SetSize(310, 100);  // 30 slots: 10 pixels each
        const std::vector<double> values(26, 0.1);
        ASSERT_TRUE(w.DataSet(values.data(), 25, 50, m.firstLag));
        RecordingCanvas c;
        w.Paint(c);
        std::vector<int> green;
        for (const CanvasOp& op : c.OpsOf(CanvasOpKind::Line))
            if (op.pen.color == kGreen) green.push_back(op.points[0].x);
        EXPECT_EQ(green, m.marks) << m.firstLag;
    }
}

TEST(ACFViewCore, NothingToDrawBeyondTheFrame) {
    ACFViewCore v;
    EXPECT_FALSE(v.DataSet(nullptr, 3, 10, 0));
    const double one[] = {1.0};
    ASSERT_TRUE(v.DataSet(one, 0, 10, 0));  // no lag beyond 0
    v.SetSize(100, 100);
    RecordingCanvas c;
    v.Paint(c);
    EXPECT_EQ(c.ops.size(), 1u);
    EXPECT_FALSE(v.DataSet(one, -1, 10, 0));
    EXPECT_FALSE(v.HasValues());
}

}  // namespace

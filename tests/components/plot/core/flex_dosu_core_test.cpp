// The histogram's pieces and classes without pixels: automatic and manual
// division, joining and splitting, the grouped-data mode, the queries, and
// what one paint draws, recorded. Means and deviations of the automatic
// ranges come from a separate exact computation (python fractions).
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <vector>

#include "components/plot/core/flex_dosu_core.h"
#include "components/plot/core/recording_canvas.h"

namespace {

using namespace canvas_color;

std::vector<double> Spread(int n) {
    std::vector<double> v;
    for (int i = 0; i < n; ++i) v.push_back(((i * 37) % 101) / 10.0);
    return v;
}

// One piece per class from lo to hi in `pieces - 2` equal steps.
struct Manual : FlexDosuCore {
    Manual(double lo, double hi, int pieces, const std::vector<double>& data) {
        AutoSet = false;
        RangeLow = lo;
        RangeHigh = hi;
        PieceCount = pieces;
        SetSize(120, 100);
        EXPECT_TRUE(DataSet(data.data(), static_cast<int>(data.size())));
    }
};

TEST(FlexDosuCore, AutomaticClassesFollowTheCount) {
    const struct {
        int n, pieces, classes;
        double low, high;
    } cases[] = {
        {80, 14, 7, -3.882073104010476, 13.887073104010476},     // mean -+ 3 sd
        {300, 24, 12, -3.7741231707902285, 13.752789837456895},  // mean -+ 3 sd
        {600, 32, 16, -5.2246131919058705, 15.213279858572538},  // mean -+ 3.5 sd
    };
    for (const auto& c : cases) {
        FlexDosuCore h;
        h.RangeMode = 2;
        const std::vector<double> data = Spread(c.n);
        ASSERT_TRUE(h.DataSet(data.data(), c.n));
        EXPECT_EQ(h.PieceTotal(), c.pieces) << c.n;
        EXPECT_EQ(h.GetBaseRank(c.pieces - 1).rank + 1, c.classes) << c.n;
        EXPECT_EQ(h.GetWide(1, nullptr, nullptr), 2) << c.n;
        EXPECT_NEAR(h.RangeLow, c.low, 1e-12) << c.n;
        EXPECT_NEAR(h.RangeHigh, c.high, 1e-12) << c.n;
        EXPECT_NEAR(h.ClassWidth, (c.high - c.low) / (c.pieces - 2), 1e-12) << c.n;
        int total = 0;
        for (int k = 0; k < c.classes; ++k) total += h.GetFrequency(k);
        EXPECT_EQ(total, c.n);
    }
}

TEST(FlexDosuCore, AValueOnAHighBoundStaysInItsPiece) {
    Manual h(0, 10, 12, {3.0, 0.0, 10.0, 10.5, -DBL_MAX});
    EXPECT_EQ(h.GetRankIndex(3.0), 3);  // (2, 3]
    EXPECT_EQ(h.GetRankIndex(3.0000001), 4);
    EXPECT_EQ(h.GetRankIndex(0.0), 0);  // the open piece below
    EXPECT_EQ(h.GetRankIndex(10.0), 10);
    EXPECT_EQ(h.GetRankIndex(10.5), 11);
    EXPECT_EQ(h.GetRankIndex(-DBL_MAX), -1);  // in no piece: not counted
    EXPECT_EQ(h.GetRankIndex(NAN), -1);
    EXPECT_EQ(h.GetBaseRank(3).count, 1);
    EXPECT_EQ(h.GetRangeIndex(3.0), 3);
    EXPECT_TRUE(h.Contained(3, 3.0));
    EXPECT_FALSE(h.Contained(4, 3.0));
    // Record i modulo the piece count.
    EXPECT_EQ(h.GetBaseRank(12 + 3).high, 3.0);
    EXPECT_EQ(h.GetBaseRank(-9).high, 3.0);
}

TEST(FlexDosuCore, JoiningAndSplittingClasses) {
    FlexDosuCore h;
    const std::vector<double> data = Spread(80);
    ASSERT_TRUE(h.DataSet(data.data(), 80));  // 7 classes of 2 pieces
    const int f2 = h.GetFrequency(2);
    h.Separate(2);
    int first = -1, last = -1;
    EXPECT_EQ(h.GetWide(2, &first, &last), 1);
    EXPECT_EQ(h.GetWide(3, &first, &last), 1);
    EXPECT_EQ(first, 5);
    EXPECT_EQ(h.GetWide(4, &first, &last), 2);
    EXPECT_EQ(first, 6);
    EXPECT_EQ(h.GetFrequency(2) + h.GetFrequency(3), f2);
    h.Separate(2);  // one piece: nothing
    EXPECT_EQ(h.GetWide(2, nullptr, nullptr), 1);
    h.Bind(3, false);  // with the one before
    EXPECT_EQ(h.GetWide(2, &first, &last), 2);
    EXPECT_EQ(last, 5);
    EXPECT_EQ(h.GetFrequency(2), f2);
    h.Bind(1, true);  // with the one after: pieces 2 .. 5
    const DosuPiece whole = h.GetRank(1);
    EXPECT_EQ(whole.low, h.GetBaseRank(2).low);
    EXPECT_EQ(whole.high, h.GetBaseRank(5).high);
    EXPECT_EQ(whole.wide, 4);
    EXPECT_EQ(whole.count, h.GetBaseRank(2).count + h.GetBaseRank(3).count + f2);
    h.Bind(5, true);   // the last class with a next one: nothing
    h.Bind(0, false);  // the first with a previous one: nothing
    EXPECT_EQ(h.GetBaseRank(13).rank, 5);
    EXPECT_EQ(h.SettingParam(99, nullptr, nullptr), 0);
}

TEST(FlexDosuCore, ModeOfGroupedData) {
    // One-unit classes: class c holds (c - 1, c].
    const struct {
        std::vector<double> data;
        double mode;
        const char* what;
    } cases[] = {
        {{0.5, 0.6, 1.5, 1.6, 1.7, 1.8, 1.9, 2.5, 2.6, 2.7}, 1.6, "interpolated: 1 + 3 / (2 + 3)"},
        {{0.5, 1.5, 1.6, 1.7, 2.5, 2.6, 2.7, 3.5}, 2.0, "two tied: their common bound"},
        {{0.5, 1.5, 1.6, 1.7, 2.5, 2.6, 2.7, 3.5, 3.6, 3.7}, 2.5, "three tied: middle of the second"},
        {{0.5, 5.5, 5.6, 6.0}, 5.5, "the last class: up to the largest value, 5 + (6 - 5) / 2"},
        {{-1.0, -0.5, -0.2, 0.5}, 0.0, "the first class: from the smallest value, -1 + 1 * 1 / (0 + 1)"},
    };
    for (const auto& c : cases) {
        Manual h(0, 5, 7, c.data);
        h.SetMode();
        EXPECT_NEAR(h.ModeValue, c.mode, 1e-12) << c.what;
        EXPECT_EQ(h.ModePiece, h.GetRankIndex(h.ModeValue)) << c.what;
    }
}

TEST(FlexDosuCore, EqualValuesAllFallInTheFirstPiece) {
    FlexDosuCore h;
    const double data[] = {2.5, 2.5, 2.5};
    ASSERT_TRUE(h.DataSet(data, 3));
    EXPECT_EQ(h.ClassWidth, 0.0);
    EXPECT_EQ(h.GetBaseRank(0).count, 3);
    EXPECT_EQ(h.StdDev, 0.0);
}

TEST(FlexDosuCore, UnusableSettingsLeaveTheClassesAsTheyWere) {
    Manual h(0, 10, 12, {1, 2, 3});
    const struct {
        bool byWidth;
        int pieces;
        double width, high;
        const char* what;
    } cases[] = {
        {false, 2, 0, 10, "fewer than 3 pieces"},
        {false, 10001, 0, 10, "more than 10,000 pieces"},
        {false, 12, 0, INFINITY, "a range that is not finite"},
        {true, 0, NAN, 10, "a width that is not a number"},
        {true, 0, 1e-6, 10, "a width giving too many classes"},
        {true, 0, 1, 0, "an empty range: no class"},
    };
    for (const auto& c : cases) {
        h.Priority = c.byWidth ? 1 : 0;
        h.PieceCount = c.pieces;
        h.ClassWidth = c.width;
        h.RangeLow = 0;
        h.RangeHigh = c.high;
        EXPECT_FALSE(h.Reset()) << c.what;
        EXPECT_EQ(h.PieceTotal(), 12) << c.what;
        EXPECT_EQ(h.GetRankIndex(3.0), 3) << c.what;
    }
    // A width that is usable: 0 .. 10 by 2.5 gives 4 classes and 6 pieces.
    h.Priority = 1, h.ClassWidth = 2.5, h.RangeLow = 10, h.RangeHigh = 0;
    EXPECT_TRUE(h.Reset());
    EXPECT_EQ(h.PieceTotal(), 6);
    EXPECT_EQ(h.RangeLow, 0.0);
    EXPECT_EQ(h.RangeHigh, 10.0);
}

TEST(FlexDosuCore, OnePaintInItsOrder) {
    // Classes of one unit from 0 to 4: frequencies 0 1 2 3 1 0.
    Manual h(0, 4, 6, {0.5, 1.5, 1.6, 2.5, 2.6, 2.7, 3.5});
    RecordingCanvas c;
    h.Paint(c);
    using K = CanvasOpKind;
    std::vector<K> kinds;
    for (const CanvasOp& op : c.ops) kinds.push_back(op.kind);
    std::vector<K> order = {K::Rectangle};
    for (int i = 0; i < 6; ++i) order.insert(order.end(), {K::Rectangle, K::Text});
    order.insert(order.end(), {K::Line, K::Line, K::Polyline, K::Polygon});
    ASSERT_EQ(kinds, order);
    // Bars: 20 pixels a piece, 100/3 pixels a unit of frequency.
    const CanvasRect bars[] = {{0, 100, 20, 100},  {20, 67, 40, 100}, {40, 34, 60, 100},
                               {60, 0, 80, 100},   {80, 67, 100, 100}, {100, 100, 120, 100}};
    for (int k = 0; k < 6; ++k) {
        const CanvasOp& bar = c.ops[1 + 2 * k];
        EXPECT_EQ(bar.rect, bars[k]) << k;
        EXPECT_EQ(bar.brush, kAqua);
        EXPECT_EQ(bar.pen.color, kBlue);
        const CanvasOp& number = c.ops[2 + 2 * k];
        EXPECT_EQ(number.text, std::to_string(k + 1));
        EXPECT_EQ(number.points[0], (CanvasPoint{20 * k + 10, 75}));
    }
    // Mean 14.9 / 7 = 2.1286 in (2, 3]; mode 2 + 1 / 3.
    EXPECT_EQ(c.ops[13].points, (std::vector<CanvasPoint>{{62, 0}, {62, 100}}));
    EXPECT_EQ(c.ops[13].pen, (CanvasPen{kGreen, 1, PenStyle::Dash}));
    EXPECT_EQ(c.ops[14].points, (std::vector<CanvasPoint>{{66, 0}, {66, 100}}));
    EXPECT_EQ(c.ops[14].pen, (CanvasPen{kBlue, 1, PenStyle::Dash}));
    // Cumulative 0 1 3 6 7 7 of 7.
    EXPECT_EQ(c.ops[15].points, (std::vector<CanvasPoint>{{0, 100}, {10, 100}, {30, 86}, {50, 58}, {70, 15},
                                                          {90, 0}, {110, 0}}));
    EXPECT_EQ(c.ops[15].pen, (CanvasPen{kRed, 2, PenStyle::Solid}));
    // The marker under observation 0 (0.5, half way through (0, 1]).
    EXPECT_EQ(c.ops[16].points, (std::vector<CanvasPoint>{{26, 90}, {30, 100}, {34, 90}}));
    EXPECT_EQ(c.ops[16].brush, kRed);
    EXPECT_EQ(h.GetAccFreq(3), 6);
    EXPECT_EQ(h.GetIndex(70, 50), 3);
    EXPECT_EQ(h.GetIndex(60, 0), 3);  // edges belong to the bar
    EXPECT_EQ(h.GetIndex(10, 50), -1);
    h.SelectedPointer(3);  // 2.5
    EXPECT_EQ(h.SelectedPiece, 3);
}

TEST(FlexDosuCore, NormalCurvePeaksAtTheTopAndNeedsASpread) {
    Manual h(0, 4, 6, {0.5, 1.5, 1.6, 2.5, 2.6, 2.7, 3.5});
    h.NormalCurve = true;
    RecordingCanvas c;
    h.Paint(c);
    const CanvasOp& curve = c.ops.back();
    ASSERT_EQ(curve.kind, CanvasOpKind::Polyline);
    EXPECT_EQ(curve.pen.color, kBlack);
    EXPECT_EQ(curve.points.front(), (CanvasPoint{0, 100}));
    int top = 100;
    for (const CanvasPoint& q : curve.points) top = std::min(top, q.y);
    EXPECT_LE(top, 1);
    EXPECT_GE(curve.points.size(), 1000u);

    FlexDosuCore same;  // no spread: no curve
    same.NormalCurve = true;
    same.SetSize(120, 100);
    const double equal[] = {1, 1, 1};
    ASSERT_TRUE(same.DataSet(equal, 3));
    RecordingCanvas none;
    same.Paint(none);
    EXPECT_TRUE(none.OpsOf(CanvasOpKind::Polyline).size() <= 1u);  // at most the cumulative polygon

    FlexDosuCore one;  // fewer than two values: only the frame
    one.SetSize(120, 100);
    const double single[] = {4};
    one.DataSet(single, 1);
    RecordingCanvas frame;
    one.Paint(frame);
    EXPECT_EQ(frame.ops.size(), 1u);
}

}  // namespace

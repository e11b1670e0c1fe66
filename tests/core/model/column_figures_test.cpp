// The figures of a result column handed to its statistics: an observation
// without one is left out and named once, with the reason where its
// leverage is 1. The studentised residuals of a fit with a one-observation
// dummy keep n - 1 figures, whose mean and standard deviation are R's
// (rstandard without that row).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/model/column_figures.h"
#include "core/model/regression_model.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ColumnFigures, StudentisedResidualsOfADummyFitKeepTheOtherObservations) {
    const struct {
        const char* name;
        Columns cols;
        std::vector<std::uint8_t> roles;
        const char* leftOut;
        double mean, sd;
    } cases[] = {
        {"twelve rows + d", WithDummy(TwelveRows(), 2, 4), {2, 2, 2, 1, 2},
         "観測値 5 は作用点が 1 で数値にならないため、除いて計算します。", -2.212072456e-2, 1.070503930},
        {"Longley + D1952", WithDummy(LongleyColumns(), 6, 5), {2, 2, 2, 2, 2, 2, 2, 1, 2},
         "観測値 6 は作用点が 1 で数値にならないため、除いて計算します。", -1.514987946e-3, 1.048391568},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto reg = MakeModel(c.cols);
        ASSERT_TRUE(reg->SetModel(static_cast<int>(c.cols.size()) - 1, c.roles));
        reg->ComputeAnalysisData();
        std::vector<double> r, h;
        reg->GetAnalysisRow(Reg::kRowStudentInternal, r);
        reg->GetAnalysisRow(reg->PressLeverageRow(), h);
        const int n = static_cast<int>(r.size());
        const ColumnFigures f = FiguresOfColumn(r.data(), h.data(), n, 1);
        ASSERT_EQ(static_cast<int>(f.values.size()), n - 1);
        EXPECT_EQ(f.leftOut, c.leftOut);
        EXPECT_EQ(f.observation, 1);
        double sum = 0.0, squares = 0.0;
        for (double v : f.values) sum += v;
        const double mean = sum / (n - 1);
        for (double v : f.values) squares += (v - mean) * (v - mean);
        EXPECT_NEAR(mean, c.mean, 1e-11);
        EXPECT_NEAR(std::sqrt(squares / (n - 2)), c.sd, 1e-9);
    }
}

TEST(ColumnFigures, LeftOutObservationsAreNamedOnceAndTheMarkFollowsTheKeptOnes) {
    const double one = 1.0, inf = std::numeric_limits<double>::infinity();
    std::vector<double> many(15, kNaN);
    many[14] = 2.0;
    const struct {
        const char* name;
        std::vector<double> values, leverage;  // leverage empty: none given
        int mark;
        std::vector<double> kept;
        int keptMark;
        const char* leftOut;
    } cases[] = {
        {"nothing left out", {1, 2, 3}, {}, 2, {1, 2, 3}, 2, ""},
        {"leverage 1 and another gap", {1, kNaN, 3, inf, 5}, {0.2, one, 0.3, 0.4, 0.5}, 5, {1, 3, 5}, 3,
         "観測値 2 は作用点が 1 で数値にならないため、除いて計算します。\n"
         "観測値 4 は数値にならないため、除いて計算します。"},
        {"the mark left out", {1, kNaN, 3}, {}, 2, {1, 3}, 0, "観測値 2 は数値にならないため、除いて計算します。"},
        {"a long list", many, {}, 15, {2.0}, 1,
         "観測値 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 ほか 4 個 は数値にならないため、除いて計算します。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ColumnFigures f = FiguresOfColumn(c.values.data(), c.leverage.empty() ? nullptr : c.leverage.data(),
                                                static_cast<int>(c.values.size()), c.mark);
        EXPECT_EQ(f.values, c.kept);
        EXPECT_EQ(f.observation, c.keptMark);
        EXPECT_EQ(f.leftOut, c.leftOut);
    }
}

TEST(ColumnFigures, TheKeptValuesKeepTheirObservationNumbers) {
    using Numbers = std::vector<int>;
    const struct {
        const char* name;
        std::vector<double> values, leverage;
        Numbers given;  // empty: 1 .. n
        Numbers kept;
        const char* leftOut;
    } cases[] = {
        {"nothing left out", {1, 2, 3}, {0.2, 0.3, 0.4}, {}, {}, ""},
        {"the fifth of six", {1, 2, 3, 4, kNaN, 6}, {0.1, 0.1, 0.1, 0.1, 1.0, 0.1}, {}, {1, 2, 3, 4, 6},
         "観測値 5 は作用点が 1 で数値にならないため、除いて計算します。"},
        {"numbers given, one left out", {1, kNaN, 3, 4}, {0.1, 1.0, 0.1, 0.1}, {2, 4, 7, 9}, {2, 7, 9},
         "観測値 4 は作用点が 1 で数値にならないため、除いて計算します。"},
        {"numbers given, none left out", {1, 2, 3, 4}, {}, {3, 5, 8, 13}, {3, 5, 8, 13}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ColumnFigures f =
            FiguresOfColumn(c.values.data(), c.leverage.empty() ? nullptr : c.leverage.data(),
                            static_cast<int>(c.values.size()), 0, c.given.empty() ? nullptr : c.given.data());
        EXPECT_EQ(f.numbers, c.kept);
        EXPECT_EQ(f.leftOut, c.leftOut);
    }
}

}  // namespace

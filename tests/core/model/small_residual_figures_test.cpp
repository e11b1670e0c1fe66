// A nearly exact fit whose residuals are real, however small: s2 / var(y)
// about 4.1e-15, above a perfect fit's rounding (2^-52) yet below 2^-46.
// Its t values divide by the errors of s2 as formed, not of the floor
// var(y) x 2^-23 (which would give t = 6476.34 for x), and its residuals
// keep their Durbin-Watson ratio and GK statistic, in any units of y, by
// least squares and by instrumental variables. References from exact
// rational arithmetic (python fractions) on the doubles the test holds,
// the square root taken last with mpmath to 50 digits.
#include <gtest/gtest.h>

#include <vector>

#include "core/data/variable.h"
#include "core/model/estimate_rows.h"
#include "core/model/instrumental_fit.h"
#include "support/model_builder.h"

namespace {

// x = 1 .. 6, y = (2x + 4 + 3e-7 d) x scale, evaluated in double, d = (0.3,
// -0.7, 1, -0.2, 0.55, -0.9): a line with real residuals, however small
// (s2 / var(y) about 4.1e-15).
Columns SmallResidualLine(double scale) {
    const double d[] = {0.3, -0.7, 1.0, -0.2, 0.55, -0.9};
    Columns cols(2);
    for (int i = 0; i < 6; ++i) {
        const double x = i + 1;
        cols[0].push_back(x);
        cols[1].push_back((2.0 * x + 4.0 + 3e-7 * d[i]) * scale);
    }
    return cols;
}

// An instrument for x (by instrumental variables).
const std::vector<double> kInstrument = {1, 2, 4, 3, 5, 6};

struct SmallResidualCase {
    bool instrumental;
    double scale;
    double tX, tConstant;
};

// The residuals are about 3e-7 against values near 16 (times the scale):
// formed in double, each is good to about 1e-8 of itself (an ulp of 16
// against 3e-7), and so is t. 1e-6 allows for that and still tells t
// from the floor's, 5000 times smaller.
constexpr double kRelTolerance = 1e-6;

const SmallResidualCase kCases[] = {
    {false, 1.0, 34846900.600688978, 17895716.831097052},
    {false, 1e-9, 34846900.534561449, 17895716.79713709},
    {false, 1e9, 34846900.541637268, 17895716.800770891},
    {true, 1.0, 32366774.776441068, 16802375.01850346},
    {true, 1e-9, 32366774.717379977, 16802374.987843423},
    {true, 1e9, 32366774.721990914, 16802374.990237067},
};

TEST(SmallResidualFigures, TValuesComeFromTheResidualVarianceAsFormed) {
    for (const SmallResidualCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << (c.instrumental ? "instrumental" : "least squares") << ", y x "
                                        << c.scale);
        double tX = 0, tConstant = 0;
        if (c.instrumental) {
            auto data = MakeModel(SmallResidualLine(c.scale), {Var::kExogenous, Var::kEndogenous}, {"x", "y"});
            RegIV iv(*data, 0);
            iv.SetDesignColumn(0, kInstrument);
            ASSERT_TRUE(iv.SelectVariables({2, 1, 2}, 1));
            tX = iv.GetCoef(0) / iv.GetHeldCoefSE(0);
            tConstant = iv.GetCoef(2) / iv.GetHeldCoefSE(2);
        } else {
            auto reg = MakeModel(SmallResidualLine(c.scale), {}, {"x", "y"});
            ASSERT_TRUE(reg->SetModel(1, {2, 1, 2}));
            const std::vector<EstimateRow> rows = EstimateRows(*reg);
            ASSERT_EQ(rows.size(), 2u);
            tConstant = rows[0].t;
            tX = rows[1].t;
            // DW and GK of the residuals as held, by exact arithmetic.
            reg->ComputeAnalysisData();
            EXPECT_NEAR(reg->GetDurbinWatson(), 3.0471760738917522, kRelTolerance * 3.05);
            EXPECT_NEAR(reg->GetHetero(), 0.039085441989037052, kRelTolerance * 0.039);
        }
        EXPECT_NEAR(tX, c.tX, kRelTolerance * c.tX);
        EXPECT_NEAR(tConstant, c.tConstant, kRelTolerance * c.tConstant);
    }
}

}  // namespace

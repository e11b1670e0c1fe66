// The instrumental-variable estimator's passes over many observations: the
// coefficients against exact rational arithmetic (Python fractions on the
// integer data below), the same bits on one thread and on four, the rows of
// a group block, the leverage rows formed when first read, and Refit against
// the toggles one at a time.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "support/model_builder.h"

namespace {

constexpr int kRows = 20000;  // several chunks of rows, the last one short

// x1, x2 (instrumented by w), w, y: integers, so Z'X is exact.
Columns IntegerData() {
    Columns c(4, std::vector<double>(kRows));
    for (int i = 0; i < kRows; ++i) {
        c[0][i] = (i * 7) % 13;
        c[2][i] = (i * 11) % 17;
        c[1][i] = c[2][i] + (i * 5) % 7;
        c[3][i] = 3 + 2 * c[0][i] - c[1][i] + (i * 3) % 11;
    }
    return c;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

// Every figure and every per-observation row of the fit.
struct Figures {
    std::vector<double> scalars;
    std::vector<std::vector<double>> rows;
};

// A singular comparison with least squares counts as -1.
double SpecificationOrMinusOne(RegIV& iv) {
    try {
        return iv.SpecificationTest();
    } catch (const Exception&) {
        return -1.0;
    }
}

Figures Read(RegIV& iv) {
    Figures f;
    iv.ComputeResidualTests();
    f.scalars = {iv.GetRss(),    iv.GetPress(),  iv.GetR2(), iv.GetS2(), SpecificationOrMinusOne(iv),
                 iv.GetHetero(), iv.GetDurbinWatson()};
    // The covariance factor of the model's variables only: an earlier
    // model's entries stay outside it.
    for (int j = 0; j <= iv.VarCount(); ++j)
        for (double x : {iv.GetCoef(j), iv.GetCoefSE(j), iv.GetFValue(j),
                         iv.IsExplanatory(j) ? iv.GetCovarianceFactor(j, j) : 0.0})
            f.scalars.push_back(x);
    iv.ComputeInfluence();
    std::vector<int> codes;
    for (int code = 0; code <= 18; ++code) codes.push_back(code);
    for (int j : {0, 1, 4}) {
        codes.push_back(19 + j);   // DFBETAS
        codes.push_back(j - 100);  // coefficient change
    }
    for (int code : codes) {
        f.rows.emplace_back();
        iv.GetAnalysisRow(code, f.rows.back());
    }
    return f;
}

void ExpectSame(const Figures& a, const Figures& b, const char* what) {
    ASSERT_EQ(a.scalars.size(), b.scalars.size());
    for (std::size_t i = 0; i < a.scalars.size(); ++i)
        EXPECT_TRUE(SameBits(a.scalars[i], b.scalars[i])) << what << " figure " << i;
    ASSERT_EQ(a.rows.size(), b.rows.size());
    for (std::size_t i = 0; i < a.rows.size(); ++i) EXPECT_TRUE(SameBits(a.rows[i], b.rows[i])) << what << " row " << i;
}

const std::vector<std::uint8_t> kRoles = {2, 2, 0, 1, 2};

TEST(RegIVPasses, ExactCoefficientsAndTheSameBitsOnAnyThreadCount) {
    const Columns data = IntegerData();
    struct Case {
        const char* name;
        bool instrument;
    };
    for (const Case& c : {Case{"least squares", false}, Case{"w instruments x2", true}}) {
        std::vector<Figures> byThreads;
        for (int threads : {1, 4, 3}) {
            EngineContext context;
            context.SetThreads(threads);
            auto reg = MakeModel(data, {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kEndogenous}, {},
                                 &context);
            RegIV iv(*reg, 0);
            if (c.instrument) iv.SetDesignColumn(1, data[2]);
            ASSERT_TRUE(iv.SelectVariables(kRoles, 3));
            byThreads.push_back(Read(iv));
            if (!c.instrument) continue;
            EXPECT_NEAR(iv.GetCoef(0), 1.9996142800847723, 1e-12);
            EXPECT_NEAR(iv.GetCoef(1), -1.0000937389607378, 1e-12);
            EXPECT_NEAR(iv.GetCoef(4), 8.002995288546364, 1e-11);
            EXPECT_NEAR(iv.GetRss(), 200008.95200041105, 1e-7);
        }
        ExpectSame(byThreads[0], byThreads[1], c.name);
        ExpectSame(byThreads[0], byThreads[2], c.name);
    }
}

// A group block takes the group's observations in order; the constant
// column holds 1.0 and the design starts as the data.
TEST(RegIVPasses, GroupBlockRows) {
    const Columns data = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                          {5, 3, 8, 1, 9, 2, 7, 4, 6, 0},
                          {2, 2, 4, 4, 6, 6, 8, 8, 1, 1},
                          {3, 1, 4, 1, 5, 9, 2, 6, 5, 3}};
    auto reg = MakeModel(data);
    std::vector<int> taken;
    for (int i = 0; i < 10; ++i) {
        if (i % 3 == 0) continue;
        taken.push_back(i);
        for (int j = 0; j < 4; ++j) reg->SetMark(i, j, 1);
    }
    RegIV iv(*reg, 1);
    ASSERT_EQ(iv.Rows(), static_cast<int>(taken.size()));
    ASSERT_EQ(iv.VarCount(), 4);
    for (int r = 0; r < iv.Rows(); ++r) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(iv.GetDataValue(r, j), data[j][taken[r]]) << r << " " << j;
            EXPECT_EQ(iv.GetDesignValue(r, j), data[j][taken[r]]) << r << " " << j;
        }
        EXPECT_EQ(iv.GetDataValue(r, 4), 1.0);
        EXPECT_EQ(iv.GetDesignValue(r, 4), 1.0);
    }
    EXPECT_THROW(iv.GetDataValue(iv.Rows(), 0), ERangeError);
    EXPECT_THROW(iv.GetDesignValue(0, 5), ERangeError);
    EXPECT_THROW(iv.GetDesignValue(-1, 0), ERangeError);
}

// The leverage rows left for their first reader hold the bits of the full
// residual pass, and stay those of the fit when the design is edited
// before the next estimate.
TEST(RegIVPasses, LeverageRowsFormedWhenFirstRead) {
    const Columns data = IntegerData();
    auto reg = MakeModel(data);
    RegIV eager(*reg, 0), lazy(*reg, 0);
    for (RegIV* iv : {&eager, &lazy}) {
        iv->SetDesignColumn(1, data[2]);
        ASSERT_TRUE(iv->SelectVariables(kRoles, 3));
    }
    (void)eager.ComputeResiduals();
    for (int code : {9, 10}) {
        std::vector<double> a, b;
        eager.GetAnalysisRow(code, a);
        lazy.GetAnalysisRow(code, b);
        EXPECT_TRUE(SameBits(a, b)) << code;
        EXPECT_TRUE(SameBits(eager.GetAnalysisValue(code, 7), lazy.GetAnalysisValue(code, 7))) << code;
    }
    RegIV edited(*reg, 0);
    edited.SetDesignColumn(1, data[2]);
    ASSERT_TRUE(edited.SelectVariables(kRoles, 3));
    edited.SetDesignColumn(1, data[1]);  // back to least squares, not yet estimated
    std::vector<double> before, after;
    eager.GetAnalysisRow(10, before);
    edited.GetAnalysisRow(10, after);
    EXPECT_TRUE(SameBits(before, after));
    edited.Refit(false);
    edited.GetAnalysisRow(10, after);
    EXPECT_FALSE(SameBits(before, after));
}

// Refit gives what entering the variables one at a time gives.
TEST(RegIVPasses, RefitMatchesTheTogglesOneAtATime) {
    const Columns data = IntegerData();
    auto reg = MakeModel(data);
    RegIV refit(*reg, 0), toggled(*reg, 0);
    refit.SetDesignColumn(1, data[2]);
    ASSERT_TRUE(refit.SelectVariables(kRoles, 3));
    refit.SetDesignColumn(1, data[1]);
    ASSERT_TRUE(refit.Refit(false));
    toggled.SetDependent(3);
    EXPECT_TRUE(toggled.ToggleVariable(0));
    EXPECT_TRUE(toggled.ToggleVariable(1));
    EXPECT_TRUE(toggled.ToggleVariable(4));
    EXPECT_EQ(refit.GetDf(), toggled.GetDf());
    for (int j = 0; j <= 4; ++j) EXPECT_EQ(refit.GetRole(j), toggled.GetRole(j)) << j;
    ExpectSame(Read(refit), Read(toggled), "refit");
}

// A refit refused (an instrument of zeros) keeps every figure and row of the
// estimate before, the leave-one-out rows read before included.
TEST(RegIVPasses, RefusedRefitKeepsEveryFigureOfTheEstimateBefore) {
    const Columns data = IntegerData();
    auto reg = MakeModel(data);
    RegIV iv(*reg, 0);
    iv.SetDesignColumn(1, data[2]);
    ASSERT_TRUE(iv.SelectVariables(kRoles, 3));
    const Figures before = Read(iv);
    iv.SetDesignColumn(1, std::vector<double>(kRows, 0.0));
    EXPECT_FALSE(iv.Refit(false));
    ExpectSame(Read(iv), before, "after the refusal");
}

}  // namespace

#include "stats/factor_rotation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/numeric/matrix.h"
#include "platform/errors.h"
#include "support/model_builder.h"

namespace {

Matrix FromRows(const Rows& rows) {
    Matrix m(static_cast<int>(rows.size()), static_cast<int>(rows[0].size()));
    for (int i = 0; i < m.Rows(); ++i)
        for (int j = 0; j < m.Cols(); ++j) m[i][j] = rows[i][j];
    return m;
}

// The criterion of b with every row scaled to unit length (the rotation's
// own scale).
double NormalizedCriterion(const Matrix& b) {
    Matrix n(b.Rows(), b.Cols());
    for (int j = 0; j < b.Rows(); ++j) {
        double ss = 0.0;
        for (int c = 0; c < b.Cols(); ++c) ss += b[j][c] * b[j][c];
        for (int c = 0; c < b.Cols(); ++c) n[j][c] = ss > 0.0 ? b[j][c] / std::sqrt(ss) : 0.0;
    }
    return VarimaxCriterion(n, n.Cols(), n.Rows());
}

// Loadings, and the criterion at the maximum found by turning each pair of
// columns to its best angle by direct search until nothing changes.
struct VarimaxCase {
    const char* name;
    Rows loadings;
    double maximum;
};

const VarimaxCase kVarimaxCases[] = {
    {"8 x 3", {
        {0.244, -0.189, -0.245},
        {-0.592, -0.23, 0.357},
        {0.525, -0.054, 0.389},
        {0.488, -0.51, -0.752},
        {-0.284, -0.687, -0.188},
        {0.789, 0.071, -0.631},
        {0.474, -0.492, 0.476},
        {-0.526, 0.546, -0.322}}, 3.6234881666774283},
    {"6 x 2", {
        {-0.767, 0.478},
        {-0.38, -0.274},
        {-0.359, 0.659},
        {-0.656, 0.389},
        {-0.608, -0.087},
        {0.617, 0.538}}, 2.1427243366938327},
    // Rows near 45 degrees: the start is close to the criterion's minimum
    // for the pair and the arctangent of the quotient alone turns it lower.
    {"near the minimum", {{0.7, 0.72}, {0.6, -0.58}, {0.5, 0.51}, {0.4, -0.41}}, 1.9989369490863782},
};

TEST(VarimaxRotate, ReachesThePairwiseMaximumOfTheCriterion) {
    for (const VarimaxCase& c : kVarimaxCases) {
        SCOPED_TRACE(c.name);
        const Matrix a = FromRows(c.loadings);
        Matrix b;
        VarimaxRotate(a, b, a.Cols(), a.Rows());
        EXPECT_NEAR(NormalizedCriterion(b), c.maximum, 1e-7 * c.maximum);
    }
}

TEST(VarimaxRotate, KeepsRowLengthsAndInnerProducts) {
    for (const VarimaxCase& c : kVarimaxCases) {
        SCOPED_TRACE(c.name);
        const Matrix a = FromRows(c.loadings);
        Matrix b;
        VarimaxRotate(a, b, a.Cols(), a.Rows());
        // An orthogonal rotation leaves A A' unchanged.
        for (int i = 0; i < a.Rows(); ++i)
            for (int j = 0; j < a.Rows(); ++j) {
                double before = 0.0, after = 0.0;
                for (int k = 0; k < a.Cols(); ++k) {
                    before += a[i][k] * a[j][k];
                    after += b[i][k] * b[j][k];
                }
                EXPECT_NEAR(after, before, 1e-12);
            }
    }
}

TEST(VarimaxRotate, RotatesInPlace) {
    const Matrix a = FromRows(kVarimaxCases[0].loadings);
    Matrix separate, inPlace = a;
    VarimaxRotate(a, separate, 3, 8);
    VarimaxRotate(inPlace, inPlace, 3, 8);
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_DOUBLE_EQ(inPlace[i][j], separate[i][j]);
}

TEST(VarimaxRotate, ZeroDenominatorLeavesThePairAsItIs) {
    // Rows along the first axis make both terms of the angle exactly 0.
    const Matrix a = FromRows({{2.0, 0.0}, {-3.0, 0.0}});
    Matrix b;
    VarimaxRotate(a, b, 2, 2);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            ASSERT_TRUE(std::isfinite(b[i][j]));
            EXPECT_NEAR(b[i][j], a[i][j], 1e-15);
        }
}

TEST(VarimaxRotate, ZeroRowStaysZero) {
    const Matrix a = FromRows({{0.5, 0.5}, {0.0, 0.0}, {0.5, 0.5}, {0.9, -0.1}});
    Matrix b;
    VarimaxRotate(a, b, 2, 4);
    EXPECT_EQ(b[1][0], 0.0);
    EXPECT_EQ(b[1][1], 0.0);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 2; ++j) EXPECT_TRUE(std::isfinite(b[i][j]));
}

TEST(VarimaxRotate, OneColumnIsUnchanged) {
    const Matrix a = FromRows({{0.3, 9.0}, {-0.8, 9.0}, {0.0, 9.0}});
    Matrix b;
    VarimaxRotate(a, b, 1, 3);
    ASSERT_EQ(b.Cols(), 1);
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(b[i][0], a[i][0]);
}

// Correlations of six variables drawn from two factors (n = 40), and
// minimum-residual loadings fitted to them by minimising the off-diagonal
// residual sum of squares over the uniquenesses.
const Rows kMinresR = {
        {1.0, 0.8858083374255907, 0.8077450648074004, 0.35657967227793624, 0.4757084636258863, -0.12306458617007524},
        {0.8858083374255907, 1.0, 0.7014353177368352, 0.5817628095647464, 0.6497571438386738, 0.10193673615585457},
        {0.8077450648074004, 0.7014353177368352, 1.0, -0.0666750856062694, 0.08942953477521143, -0.5231416119997893},
        {0.35657967227793624, 0.5817628095647464, -0.0666750856062694, 1.0, 0.8874979558204994, 0.7716174503214629},
        {0.4757084636258863, 0.6497571438386738, 0.08942953477521143, 0.8874979558204994, 1.0, 0.6737123658794018},
        {-0.12306458617007524, 0.10193673615585457, -0.5231416119997893, 0.7716174503214629, 0.6737123658794018, 1.0}};
const Rows kMinresTwo = {
        {0.7875640796803615, -0.5170458523885852},
        {0.9173015488179707, -0.31443206105485044},
        {0.47619552190592723, -0.8399203493662655},
        {0.8062418644016994, 0.5299437495782868},
        {0.8495301632641052, 0.38249233989867076},
        {0.4033370534992169, 0.8513982213878988}};
const Rows kMinresOne = {
        {0.7412145253281409},
        {0.9433707118022427},
        {0.3995477636121698},
        {0.7408570533557912},
        {0.8333790198613781},
        {0.32685435840632115}};

// Starting loadings: the leading eigenvectors of R.
Matrix StartFrom(const Matrix& r, int m) {
    Vector values;
    Matrix vectors;
    EXPECT_TRUE(r.Eigen(values, vectors));
    Matrix b(r.Rows(), m);
    for (int i = 0; i < r.Rows(); ++i)
        for (int c = 0; c < m; ++c) b[i][c] = vectors[i][c];
    return b;
}

TEST(MinresFactors, MatchesTheMinimumResidualFitUpToColumnSign) {
    struct Case {
        int m;
        const Rows* expected;
        double tolerance;
    };
    for (const Case& c : {Case{2, &kMinresTwo, 1e-4}, Case{1, &kMinresOne, 1e-4}}) {
        SCOPED_TRACE(c.m);
        const Matrix r = FromRows(kMinresR);
        Matrix b = StartFrom(r, c.m);
        MinresFactors(r, 6, c.m, b);
        for (int k = 0; k < c.m; ++k) {
            const double sign = (b[0][k] * (*c.expected)[0][k] < 0.0) ? -1.0 : 1.0;
            for (int j = 0; j < 6; ++j) EXPECT_NEAR(sign * b[j][k], (*c.expected)[j][k], c.tolerance) << j << "," << k;
        }
    }
}

TEST(MinresFactors, NonFiniteValuesStopWithAnError) {
    Matrix r = FromRows(kMinresR);
    Matrix b = StartFrom(r, 2);
    r[1][2] = r[2][1] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(MinresFactors(r, 6, 2, b), EMathError);
    r[1][2] = r[2][1] = std::numeric_limits<double>::infinity();
    b = StartFrom(FromRows(kMinresR), 2);
    EXPECT_THROW(MinresFactors(r, 6, 2, b), EMathError);
}

}  // namespace

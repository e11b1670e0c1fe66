// The shift of the regressors for the censored normal fits: the constant
// term's column found and checked on every row, the others moved near
// their means, and nothing moved when the column the sample took for the
// constant term is not one after all.
#include "core/numeric/censored_normal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/numeric/moment_matrix.h"

namespace {

// n rows of (1e6 + i, 1.0, i mod 7 - 3).
Matrix Rows(int n) {
    Matrix m(n, 3);
    for (int i = 0; i < n; ++i) {
        m[i][0] = 1e6 + i;
        m[i][1] = 1.0;
        m[i][2] = i % 7 - 3;
    }
    return m;
}

}  // namespace

TEST(CensoredNormal, RegressorsShiftNearTheirMeansAndBack) {
    const Matrix data = Rows(5000);
    Matrix centred;
    const RegressorShift s = CentredCopy(data, centred, nullptr);
    ASSERT_EQ(s.constant, 1);
    EXPECT_EQ(s.shift[1], 0.0);
    // Near the mean 1e6 + 2499.5: the shift is the moment method's.
    EXPECT_NEAR(s.shift[0], 1e6 + 2499.5, 1.0);
    for (int i = 0; i < 5000; i += 997) {
        EXPECT_EQ(centred[i][0], data[i][0] - s.shift[0]) << i;
        EXPECT_EQ(centred[i][1], 1.0) << i;
        EXPECT_EQ(centred[i][2], data[i][2]) << i;  // the dependent stays
    }
    double coef[2] = {2.0, 5.0};
    ShiftCoefficients(s, coef);
    EXPECT_EQ(coef[0], 2.0);
    EXPECT_DOUBLE_EQ(coef[1], 5.0 + 2.0 * s.shift[0]);
    UnshiftCoefficients(s, coef);
    EXPECT_DOUBLE_EQ(coef[1], 5.0);
}

TEST(CensoredNormal, AColumnOfOnesOnlyInTheSampleShiftsNothing) {
    Matrix data = Rows(5000);
    // A row the sample of the moment method passes over.
    std::vector<char> sampled(5000, 0);
    for (long long t = 0; t < MomentSampleCount(5000); ++t) sampled[static_cast<std::size_t>(MomentSampleRow(t, 5000))] = 1;
    int missed = 0;
    while (sampled[static_cast<std::size_t>(missed)]) ++missed;
    data[missed][1] = 2.0;
    Matrix centred;
    const RegressorShift s = CentredCopy(data, centred, nullptr);
    EXPECT_EQ(s.constant, -1);
    for (int i = 0; i < 5000; ++i)
        for (int j = 0; j < 3; ++j) ASSERT_EQ(centred[i][j], data[i][j]) << i << " " << j;
}

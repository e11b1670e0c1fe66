// Vector and Matrix: element access, reshaping, sweep, Gauss-Jordan inverse,
// Cholesky factor, products and column statistics. Expected values were
// computed with numpy and mpmath (50 digits) and pasted in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/numeric/matrix.h"

namespace {

Matrix FromRows(std::initializer_list<std::initializer_list<double>> rows) {
    const int r = static_cast<int>(rows.size());
    const int c = r ? static_cast<int>(rows.begin()->size()) : 0;
    Matrix m(r, c);
    int i = 0;
    for (const auto& row : rows) {
        int j = 0;
        for (double x : row) m[i][j++] = x;
        ++i;
    }
    return m;
}

Matrix Hilbert(int n) {
    Matrix h(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) h[i][j] = 1.0 / (i + j + 1);
    return h;
}

void ExpectNear(const Matrix& m, std::initializer_list<std::initializer_list<double>> expected, double relTol) {
    int i = 0;
    for (const auto& row : expected) {
        int j = 0;
        for (double x : row) {
            EXPECT_NEAR(m[i][j], x, relTol * std::max(1.0, std::fabs(x))) << "at " << i << "," << j;
            ++j;
        }
        ++i;
    }
}

// ---- Vector -------------------------------------------------------------------

TEST(VectorTest, CheckedAccessRaisesRangeError) {
    Vector v(3, 1.5);
    EXPECT_EQ(v.At(2), 1.5);
    for (int bad : {-1, 3}) {
        try {
            v.At(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const ERangeError& e) {
            EXPECT_STREQ(e.what(), "範囲エラー");
        }
    }
    Vector empty;
    EXPECT_EQ(empty.Data(), nullptr);
    EXPECT_THROW(empty.At(0), Exception);
}

TEST(VectorTest, AssignmentCopiesOnlyTheOverlap) {
    Vector shortV(2, 0.0), longV(4, 7.0);
    shortV = longV;
    EXPECT_EQ(shortV.Count(), 2);
    EXPECT_EQ(shortV.At(1), 7.0);
    Vector target(4, 1.0), source(2, 9.0);
    target = source;
    EXPECT_EQ(target.Count(), 4);
    EXPECT_EQ(target.At(1), 9.0);
    EXPECT_EQ(target.At(2), 1.0);  // tail unchanged
    target.Replace(source);
    EXPECT_EQ(target.Count(), 2);
}

TEST(VectorTest, DotUsesTheShorterLength) {
    Vector a(3, 0.0), b(5, 0.0);
    for (int i = 0; i < 5; ++i) b.At(i) = i + 1;  // 1..5
    for (int i = 0; i < 3; ++i) a.At(i) = 2.0;
    EXPECT_EQ(a.Dot(b), 12.0);  // 2*(1+2+3)
    EXPECT_EQ(Vector().Dot(b), 0.0);
    // 1e16 + 1 - 1e16 survives only with extended accumulation.
    Vector x(3, 1.0), y(3, 0.0);
    y.At(0) = 1e16; y.At(1) = 1.0; y.At(2) = -1e16;
    EXPECT_EQ(x.Dot(y), 1.0);
    const Vector sum = a + b, diff = b - a;
    EXPECT_EQ(sum.Count(), 3);
    EXPECT_EQ(sum.At(2), 5.0);
    EXPECT_EQ(diff.At(0), -1.0);
}

TEST(VectorTest, GrowingAndShrinking) {
    Vector v;
    v.Append(2.0);
    v.Prepend(1.0);
    const double tail[] = {3.0, 4.0};
    v.AppendArray(tail, 2);
    const double head[] = {-1.0, 0.0};
    v.PrependArray(head, 2);
    ASSERT_EQ(v.Count(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(v.At(i), i - 1.0);
    v.InsertAt(6, 5.0);
    v.InsertAt(0, -2.0);
    EXPECT_THROW(v.InsertAt(9, 0.0), ERangeError);
    v.RemoveAt(100);  // out of range drops the last
    EXPECT_EQ(v.Count(), 7);
    EXPECT_EQ(v.At(6), 4.0);
    v.RemoveAt(0);
    EXPECT_EQ(v.At(0), -1.0);
    v.Swap(0, 5);
    EXPECT_EQ(v.At(0), 4.0);
    v.Resize(8, true);
    EXPECT_EQ(v.At(7), 0.0);
    v.Resize(2, true);
    EXPECT_EQ(v.At(1), 0.0);
    EXPECT_THROW(v.Resize(-1, true), ERangeError);
    v.Clear();
    v.RemoveAt(0);  // empty: nothing
    EXPECT_EQ(v.Count(), 0);
    EXPECT_EQ(v.Data(), nullptr);
}

// ---- shape ----------------------------------------------------------------------

// Zero-filled storage comes zero from the allocator; a fill of -0.0 is
// still written.
TEST(VectorTest, NegativeZeroFillKeepsItsSign) {
    const Vector v(300000, -0.0);
    const Matrix m(1000, 3, -0.0);
    EXPECT_TRUE(std::all_of(v.begin(), v.end(), [](double x) { return x == 0.0 && std::signbit(x); }));
    EXPECT_TRUE(std::all_of(m.begin(), m.end(), [](double x) { return x == 0.0 && std::signbit(x); }));
}

TEST(MatrixTest, RowAccessAndResize) {
    Matrix m = FromRows({{1, 2, 3}, {4, 5, 6}});
    EXPECT_EQ(m[1][2], 6.0);
    EXPECT_THROW(m[2], ERangeError);
    EXPECT_THROW(m[-1], ERangeError);
    EXPECT_THROW(m.At(0, 3), ERangeError);
    m.Resize(3, 2, true);
    ExpectNear(m, {{1, 2}, {4, 5}, {0, 0}}, 0);
    EXPECT_EQ(m.Count(), 6);
    EXPECT_THROW(Matrix(100000, 100000), EOutOfMemory);  // 1e10 elements
    EXPECT_THROW(Matrix(-1, 2), ERangeError);
    Matrix empty;
    EXPECT_EQ(empty.Resize(0, 0, true), 0);
    EXPECT_EQ(empty.DeleteRowOrCol(0, true), 1);
}

TEST(MatrixTest, DeleteRowOrColClampsTheIndex) {
    struct Case { int k; bool byRow; std::initializer_list<std::initializer_list<double>> expected; };
    const Case cases[] = {
        {-5, true, {{4, 5, 6}, {7, 8, 9}}},
        {3, true, {{1, 2, 3}, {4, 5, 6}}},
        {-5, false, {{2, 3}, {5, 6}, {8, 9}}},
        {3, false, {{1, 2}, {4, 5}, {7, 8}}},
        {1, false, {{1, 3}, {4, 6}, {7, 9}}},
    };
    for (const Case& c : cases) {
        Matrix m = FromRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
        EXPECT_EQ(m.DeleteRowOrCol(c.k, c.byRow), 0);
        EXPECT_EQ(m.Count(), m.Rows() * m.Cols());
        ExpectNear(m, c.expected, 0);
    }
}

TEST(MatrixTest, AssignKeepsTheShape) {
    Matrix small(2, 2, -1.0);
    small = FromRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    EXPECT_EQ(small.Rows(), 2);
    ExpectNear(small, {{1, 2}, {4, 5}}, 0);
    Matrix big(3, 3, -1.0);
    big.Assign(FromRows({{1, 2}, {3, 4}}));
    ExpectNear(big, {{1, 2, -1}, {3, 4, -1}, {-1, -1, -1}}, 0);
}

// ---- sweep ------------------------------------------------------------------------

TEST(MatrixTest, SweepFollowsTheConventionAndUndoes) {
    const Matrix a = FromRows({{4, 2, 1}, {2, 5, 3}, {1, 3, 6}});
    Matrix m = a;
    EXPECT_EQ(m.Sweep(0), SweepResult::kSwept);
    ExpectNear(m, {{0.25, 0.5, 0.25}, {-0.5, 4.0, 2.5}, {-0.25, 2.5, 5.75}}, 1e-15);
    EXPECT_EQ(m.Sweep(1), SweepResult::kSwept);
    EXPECT_EQ(m.Sweep(2), SweepResult::kSwept);
    // Sweeping every pivot inverts the matrix (mpmath).
    ExpectNear(m, {{0.31343283582089552239, -0.13432835820895522388, 0.014925373134328358209},
                   {-0.13432835820895522388, 0.34328358208955223881, -0.14925373134328358209},
                   {0.014925373134328358209, -0.14925373134328358209, 0.23880597014925373134}},
               1e-15);
    for (int k : {2, 1, 0}) EXPECT_EQ(m.Sweep(k), SweepResult::kSwept);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(m[i][j], a[i][j], 1e-14);
    EXPECT_THROW(static_cast<void>(m.Sweep(3)), ERangeError);
}

TEST(MatrixTest, SweepRefusesOnlyAnExactZeroPivot) {
    Matrix m = FromRows({{0, 1}, {1, 2}});
    const Matrix before = m;
    EXPECT_EQ(m.Sweep(0), SweepResult::kZeroPivot);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(m.Data()[i], before.Data()[i]);
    Matrix tiny = FromRows({{1e-300, 0}, {0, 1}});
    EXPECT_EQ(tiny.Sweep(0), SweepResult::kSwept);
    EXPECT_DOUBLE_EQ(tiny[0][0], 1e300);
    // A NaN pivot is swept like any other and does not hang.
    Matrix nan = FromRows({{std::nan(""), 1}, {1, 1}});
    EXPECT_EQ(nan.Sweep(0), SweepResult::kSwept);
    EXPECT_TRUE(std::isnan(nan[1][1]));
}

TEST(MatrixTest, ZeroPivotReadsAsNotSweptInEveryForm) {
    using Step = SweepResult (*)(Matrix&);
    const struct {
        const char* what;
        Step step;
    } forms[] = {
        {"Sweep", [](Matrix& m) { return m.Sweep(1); }},
        {"SweepSquare", [](Matrix& m) { return m.SweepSquare(1, 2); }},
        {"SweepPivot", [](Matrix& m) { return SweepPivot(m.Data(), m.Cols(), 1, 2, 2); }},
    };
    for (const auto& f : forms) {
        Matrix zero = FromRows({{2, 1}, {1, 0}});
        EXPECT_EQ(f.step(zero), SweepResult::kZeroPivot) << f.what;
        ExpectNear(zero, {{2, 1}, {1, 0}}, 0);
        Matrix swept = FromRows({{2, 1}, {1, 4}});
        EXPECT_EQ(f.step(swept), SweepResult::kSwept) << f.what;
        EXPECT_EQ(swept[1][1], 0.25) << f.what;
    }
}

TEST(MatrixTest, SweepMultipliesThePivotRowByTheReciprocal) {
    // Row k is multiplied by 1/p (not divided by p), and the other rows take
    // f times the scaled row: 5 * (1/3) rounds differently from 5 / 3.
    Matrix m = FromRows({{3, 5}, {5, 1}});
    EXPECT_EQ(m.Sweep(0), SweepResult::kSwept);
    EXPECT_EQ(m[0][0], 0.3333333333333333);
    EXPECT_EQ(m[0][1], 1.6666666666666665);
    EXPECT_EQ(m[1][0], -1.6666666666666665);
    EXPECT_EQ(m[1][1], -7.333333333333332);
}

TEST(MatrixTest, SweepSquareWorksOnTheLeadingBlock) {
    Matrix m = FromRows({{4, 2, 9}, {2, 5, 9}, {9, 9, 9}});
    EXPECT_EQ(m.SweepSquare(0, 2), SweepResult::kSwept);
    ExpectNear(m, {{0.25, 0.5, 9}, {-0.5, 4.0, 9}, {9, 9, 9}}, 1e-15);
}

TEST(MatrixTest, LongMatrixSweepsInExtendedPrecision) {
    LongMatrix m(2, 2);
    m[0][0] = 3.0L; m[0][1] = 1.0L; m[1][0] = 1.0L; m[1][1] = 2.0L;
    EXPECT_EQ(m.Sweep(0), SweepResult::kSwept);
    EXPECT_EQ(m[1][1], 2.0L - 1.0L / 3.0L);  // long double arithmetic throughout
    const Matrix rounded(m);
    EXPECT_EQ(rounded[1][1], static_cast<double>(2.0L - 1.0L / 3.0L));
}

// ---- inverse ----------------------------------------------------------------------

TEST(MatrixTest, InverseOfSmallMatrices) {
    const Matrix swapped = FromRows({{0, 1}, {1, 0}}).Inverse();
    ExpectNear(swapped, {{0, 1}, {1, 0}}, 0);
    ExpectNear(FromRows({{4}}).Inverse(), {{0.25}}, 0);
    ExpectNear(FromRows({{0., 2, 1, 3}, {1, 1, 0, 2}, {4, 0, 1, 1}, {2, 3, 5, 0}}).Inverse(),
               {{-0.4583333333333332, 0.6666666666666665, 0.041666666666666685, 0.08333333333333327},
                {-1.291666666666666, 2.3333333333333326, -0.7916666666666665, 0.4166666666666665},
                {0.958333333333333, -1.6666666666666663, 0.45833333333333326, -0.0833333333333332},
                {0.8749999999999998, -0.9999999999999998, 0.37499999999999994, -0.2499999999999999}},
               1e-14);
    // Outside the leading square block the elements are copied.
    const Matrix wide = FromRows({{2, 0, 7}, {0, 4, 8}}).Inverse();
    ExpectNear(wide, {{0.5, 0, 7}, {0, 0.25, 8}}, 0);
}

TEST(MatrixTest, InverseOfHilbertFive) {
    // Exact inverse (integers) from mpmath; the condition number is ~5e5.
    const double exact[5][5] = {{25, -300, 1050, -1400, 630},
                                {-300, 4800, -18900, 26880, -12600},
                                {1050, -18900, 79380, -117600, 56700},
                                {-1400, 26880, -117600, 179200, -88200},
                                {630, -12600, 56700, -88200, 44100}};
    const Matrix inv = Hilbert(5).Inverse();
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) EXPECT_NEAR(inv[i][j], exact[i][j], 1e-9 * std::fabs(exact[i][j]));
}

TEST(MatrixTest, SweepingEveryPivotOfHilbertFiveInverts) {
    const double exact[5][5] = {{25, -300, 1050, -1400, 630},
                                {-300, 4800, -18900, 26880, -12600},
                                {1050, -18900, 79380, -117600, 56700},
                                {-1400, 26880, -117600, 179200, -88200},
                                {630, -12600, 56700, -88200, 44100}};
    Matrix h = Hilbert(5);
    for (int k = 0; k < 5; ++k) ASSERT_EQ(h.Sweep(k), SweepResult::kSwept);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) EXPECT_NEAR(h[i][j], exact[i][j], 1e-9 * std::fabs(exact[i][j]));
    LongMatrix hl(Hilbert(5));
    for (int k = 0; k < 5; ++k) ASSERT_EQ(hl.Sweep(k), SweepResult::kSwept);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            EXPECT_NEAR(static_cast<double>(hl[i][j]), exact[i][j], 1e-11 * std::fabs(exact[i][j]));
    for (int k = 4; k >= 0; --k) ASSERT_EQ(hl.Sweep(k), SweepResult::kSwept);
    const Matrix back(hl), original = Hilbert(5);
    for (int i = 0; i < 25; ++i) EXPECT_NEAR(back.Data()[i], original.Data()[i], 1e-13);
}

TEST(MatrixTest, SingularInverseThrowsZeroDivide) {
    const Matrix singular[] = {FromRows({{1, 2}, {2, 4}}), FromRows({{0}}), FromRows({{0, 0}, {0, 0}}),
                               FromRows({{std::nan(""), 1}, {std::nan(""), 2}})};
    for (const Matrix& m : singular) {
        try {
            m.Inverse();
            ADD_FAILURE() << "no error";
        } catch (const EMathError& e) {  // math-error catch sites catch it
            EXPECT_STREQ(e.what(), "INVERSE ERROR!");
            EXPECT_NE(dynamic_cast<const EZeroDivide*>(&e), nullptr);
        }
    }
    EXPECT_EQ(Matrix().Inverse().Count(), 0);
}

TEST(MatrixTest, EqualPivotMagnitudesTakeTheUpperRow) {
    // Both rows qualify; taking the upper row means no exchange, and the
    // result is the inverse either way: [[1,1],[-1,1]]^-1 = [[.5,-.5],[.5,.5]].
    std::vector<double> a = {1, 1, -1, 1};
    InvertMatrix(a.data(), 2, a.data(), 2, 2);
    EXPECT_EQ(a, (std::vector<double>{0.5, -0.5, 0.5, 0.5}));
}

TEST(MatrixTest, EqualPivotMagnitudesShowInAFailedInverse) {
    // [[1, 2], [-1, -2]] by hand: the upper row is the first pivot (no
    // exchange), the second step finds a zero column and stops, leaving
    // [[2, 1], [0, 1]]; the lower row as pivot would have left [[2, -1], ...].
    std::vector<double> a = {1, 2, -1, -2};
    try {
        InvertMatrix(a.data(), 2, a.data(), 2, 2);
        ADD_FAILURE() << "no error";
    } catch (const EZeroDivide& e) {
        EXPECT_STREQ(e.what(), "INVERSE ERROR!");
    }
    EXPECT_EQ(a, (std::vector<double>{2, 1, 0, 1}));
}

TEST(MatrixTest, IterativeInverseConverges) {
    const Matrix c = FromRows({{2., 1, 0}, {1, 3, 1}, {0, 1, 4}});
    Matrix x;
    EXPECT_TRUE(c.InvertIterative(x, 3));
    ExpectNear(x, {{0.6111111111111112, -0.22222222222222224, 0.05555555555555556},
                   {-0.22222222222222224, 0.4444444444444445, -0.11111111111111112},
                   {0.05555555555555556, -0.11111111111111112, 0.2777777777777778}},
               1e-6);
    Matrix y;
    EXPECT_FALSE(FromRows({{std::nan(""), 1}, {1, 1}}).InvertIterative(y, 2));  // ends, reports failure
}

TEST(MatrixTest, IterativeInverseReportsFailureInsteadOfAZeroInverse) {
    const double inf = std::numeric_limits<double>::infinity();
    const Matrix cases[] = {FromRows({{0, 0}, {0, 0}}), FromRows({{1, 2}, {0, 0}}), FromRows({{1, 0}, {2, 0}}),
                            FromRows({{inf, 1}, {1, 1}}), FromRows({{1, 1}, {1, -inf}})};
    for (const Matrix& c : cases) {
        Matrix x;
        EXPECT_FALSE(c.InvertIterative(x, 2));
    }
}

// ---- Cholesky -----------------------------------------------------------------------

TEST(MatrixTest, CholeskyFactors) {
    ExpectNear(CholeskyMatrix(FromRows({{4, 2}, {2, 3}})), {{2, 1}, {0, std::sqrt(2.0)}}, 1e-15);
    ExpectNear(CholeskyMatrix(Hilbert(5)),
               {{1.0, 0.5, 0.3333333333333333, 0.25, 0.2},
                {0.0, 0.28867513459481287, 0.2886751345948129, 0.2598076211353316, 0.23094010767585027},
                {0.0, 0.0, 0.07453559924999295, 0.11180339887498915, 0.12777531299998798},
                {0.0, 0.0, 0.0, 0.01889822365046267, 0.037796447300922305},
                {0.0, 0.0, 0.0, 0.0, 0.004761904761904762}},
               1e-11);
}

TEST(MatrixTest, CholeskyRefusesMatricesThatAreNotPositiveDefinite) {
    const Matrix bad[] = {FromRows({{1, 2}, {2, 1}}), FromRows({{-1}}), FromRows({{0}}),
                          FromRows({{std::nan("")}})};
    for (const Matrix& m : bad) {
        try {
            CholeskyMatrix(m);
            ADD_FAILURE() << "no error";
        } catch (const EMathError& e) {
            EXPECT_STREQ(e.what(), "CHOLESKY ERROR!");
        }
    }
}

// ---- products -------------------------------------------------------------------------

TEST(MatrixTest, Products) {
    const Matrix a = FromRows({{1, 2, 3}, {4, 5, 6}});
    const Matrix b = FromRows({{7, 8}, {9, 10}, {11, 12}});
    ExpectNear(a.Multiply(b), {{58, 64}, {139, 154}}, 0);
    ExpectNear(a.Transpose(), {{1, 4}, {2, 5}, {3, 6}}, 0);
    EXPECT_EQ(a.Trace(), 6.0);
    Vector v(3, 0.0);
    v.At(0) = 1; v.At(1) = -1; v.At(2) = 2;
    const Vector y = a.MultiplyVector(v);
    EXPECT_EQ(y.At(0), 5.0);
    EXPECT_EQ(y.At(1), 11.0);
    EXPECT_THROW(a.MultiplyVector(Vector(2, 1.0)), ERangeError);
    EXPECT_THROW(a.Multiply(a), ERangeError);
    ExpectNear(a.Subtract(FromRows({{1, 1, 1}, {1, 1, 1}})), {{0, 1, 2}, {3, 4, 5}}, 0);
    EXPECT_THROW(a.Subtract(FromRows({{1}})), ERangeError);
    ExpectNear(DiagMatrix(a), {{1, 0}, {0, 5}}, 0);
    // Target with more columns than B: rows written with its own stride.
    Matrix t(2, 3, -1.0);
    a.MultiplyInto(b, t);
    ExpectNear(t, {{58, 64, -1}, {139, 154, -1}}, 0);
}

TEST(MatrixTest, StridedKernels) {
    const double a[] = {1, 2, 3, 4, 5, 6};  // 2 x 3
    double t[4] = {};
    // A A' through a transposed read of A.
    MultiplyStrided(a, 3, 1, a, 1, 3, t, 2, 1, 2, 3, 2);
    EXPECT_EQ(t[0], 14.0);
    EXPECT_EQ(t[1], 32.0);
    EXPECT_EQ(t[3], 77.0);
    double tr[6] = {};
    TransposeCopy(a, 3, tr, 2, 3, 2);
    EXPECT_EQ(tr[1], 4.0);
    EXPECT_EQ(tr[4], 3.0);
    double sum[6];
    AddSubStrided(a, 3, a, 3, sum, 3, true, 3, 2);
    EXPECT_EQ(sum[5], 12.0);
    AddSubStrided(a, 3, a, 3, sum, 3, false, 3, 2);
    EXPECT_EQ(sum[5], 0.0);
    const double x = 3.0;
    const double expected[] = {30, 13, 7};
    for (int op = 0; op < 3; ++op) {
        double out = 0;
        ScalarOpStrided(&out, 1, &x, 1, op, 10.0, 1, 1);
        EXPECT_EQ(out, expected[op]) << "op " << op;
    }
}

// ---- column statistics ------------------------------------------------------------

TEST(MatrixTest, ColumnStatistics) {
    // Column 1 holds 3, 1.5, -2, 8, 0.25; numpy: mean 2.15, sd 3.7483329627982624.
    Matrix m = FromRows({{0, 3}, {0, 1.5}, {0, -2}, {0, 8}, {0, 0.25}});
    double sd = 0;
    EXPECT_NEAR(m.ColumnMeanSd(1, &sd), 2.15, 1e-15);
    EXPECT_NEAR(sd, 3.7483329627982624, 1e-15);
    double lo = 0;
    EXPECT_EQ(m.ColumnMinMax(1, &lo), 8.0);
    EXPECT_EQ(lo, -2.0);
    const double unitVariance[] = {0.22676747461768848, -0.17341042176646762, -1.107158846662832,
                                   1.5606937958982088, -0.5068920020865977};
    const double unitLength[] = {0.11338373730884424, -0.08670521088323381, -0.553579423331416,
                                 0.7803468979491044, -0.25344600104329884};
    Matrix v = m, l = m;
    v.StandardizeColumn(1, true);
    l.StandardizeColumn(1, false);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(v[i][1], unitVariance[i], 1e-15);
        EXPECT_NEAR(l[i][1], unitLength[i], 1e-15);
    }
    // A constant column becomes zeros, never NaN.
    m.StandardizeColumn(0, true);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(m[i][0], 0.0);
    EXPECT_THROW(m.ColumnMeanSd(2, &sd), ERangeError);
}

TEST(MatrixTest, ColumnStatisticsOfOneAndNoRows) {
    const Matrix one = FromRows({{4.5}});
    double lo = 0, sd = -1;
    EXPECT_EQ(one.ColumnMinMax(0, &lo), 4.5);
    EXPECT_EQ(lo, 4.5);
    EXPECT_EQ(one.ColumnMeanSd(0, &sd), 4.5);
    EXPECT_EQ(sd, 0.0);
    const Matrix none(0, 1);
    EXPECT_EQ(none.ColumnMinMax(0, &lo), 0.0);
    EXPECT_EQ(none.ColumnMeanSd(0, &sd), 0.0);
}

}  // namespace

// Reshape keeps storage that is large enough (a refill follows), and gives
// new zeroed storage otherwise.
TEST(MatrixTest, ReshapeKeepsLargeEnoughStorage) {
    struct Case {
        int rows, cols;
        bool kept;
    } cases[] = {{4, 3, true}, {3, 4, true}, {2, 5, true}, {0, 3, true}, {5, 3, false}, {4, 4, false}};
    for (const Case& c : cases) {
        Matrix m(4, 3, 7.0);
        const double* before = m.Data();
        m.Reshape(c.rows, c.cols);
        EXPECT_EQ(m.Rows(), c.rows);
        EXPECT_EQ(m.Cols(), c.cols);
        EXPECT_EQ(m.Count(), c.rows * c.cols);
        EXPECT_EQ(m.Data() == before, c.kept) << c.rows << "x" << c.cols;
        for (int i = 0; i < m.Count(); ++i) EXPECT_EQ(m.Data()[i], c.kept ? 7.0 : 0.0);
    }
    Matrix m(2, 2, 1.0);
    m.Reshape(1, 2);
    m.Reshape(2, 2);  // grown again: new storage, not the old tail
    EXPECT_EQ(m.At(1, 1), 0.0);
    EXPECT_THROW(m.Reshape(-1, 2), ERangeError);
}

// Shared statistical routines. Expected values were computed independently
// while writing the test: exact rational sums (Python fractions) for the
// moment matrix, numpy and scipy for the correlations, ranks, scores,
// diagnostics and tail probabilities.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/numeric/statistics.h"

namespace {

// ---- the moment matrix ----------------------------------------------------------

// 2000 observations of three variables, two of them 1e8 plus small noise and
// nearly collinear. The same double arithmetic was done in Python.
Matrix OffsetData() {
    const int n = 2000;
    Matrix x(n, 3);
    for (int i = 0; i < n; ++i) {
        x[i][0] = 1e8 + ((i * 7919) % 10007) * 1e-3;
        x[i][1] = ((i * 104729) % 1009) * 0.37 - 150.0;
        x[i][2] = 1e8 + ((i * 7919) % 10007) * 1e-3 + ((i * 31) % 17) * 1e-4;
    }
    return x;
}

// Exact means and sums of products of deviations (rounded once to double).
const double kMeans[3] = {100000005.00735, 36.649829999999994, 100000005.0081501};
const double kCross[3][3] = {{16706.04714236252, 991.6324464673078, 16706.049957954678},
                             {991.6324464673078, 23251019.149542198, 991.8133819307914},
                             {16706.049957954678, 991.8133819307914, 16706.05325354519}};

template <class T>
void ExpectOffsetMoments(const BasicMatrix<T>& m, double relTol) {
    ASSERT_EQ(m.Rows(), 4);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(static_cast<double>(m[3][i]), kMeans[i], 1e-16 * kMeans[i]) << "mean " << i;
        EXPECT_EQ(m[i][3], -m[3][i]);
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(static_cast<double>(m[i][j]), kCross[i][j], relTol * std::fabs(kCross[i][j])) << i << "," << j;
    }
    EXPECT_EQ(static_cast<double>(m[3][3]), 1.0 / 2000);
}

TEST(MomentMatrixTest, LargeOffsetRowsAndColumns) {
    const Matrix data = OffsetData();
    LongMatrix fromRows, fromColumns;
    BuildMomentMatrix(data, data.Rows(), 3, fromRows);
    ExpectOffsetMoments(fromRows, 5e-14);

    std::vector<Vector> columns(3, Vector(data.Rows(), 0.0));
    std::vector<const double*> pointers;
    for (int j = 0; j < 3; ++j) {
        data.GetColumn(j, columns[j].Data());
        pointers.push_back(columns[j].Data());
    }
    BuildMomentMatrixFromColumns(pointers.data(), data.Rows(), 3, fromColumns);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(fromColumns.Data()[i], fromRows.Data()[i]);

    Matrix inDouble;
    BuildMomentMatrix(data, data.Rows(), 3, inDouble);
    ExpectOffsetMoments(inDouble, 5e-14);
}

TEST(MomentMatrixTest, OneObservationAtATimeInExtendedPrecision) {
    const Matrix data = OffsetData();
    const int n = data.Rows();
    std::vector<double> sample(static_cast<std::size_t>(MomentSampleCount(n)) * 3), shift(3), x(3);
    for (long long t = 0; t < MomentSampleCount(n); ++t) data.GetRow(static_cast<int>(MomentSampleRow(t, n)), &sample[t * 3]);
    MomentShiftFromSample(sample.data(), MomentSampleCount(n), 3, 3, shift.data());
    MomentAccumulator sums(3, shift.data());
    for (int r = 0; r < n; ++r) {
        data.GetRow(r, x.data());
        sums.Add(x.data(), 1, 3);
    }
    LongMatrix m;
    sums.Finish(m);
    ExpectOffsetMoments(m, 5e-14);
    // The same bits as all rows at once.
    LongMatrix whole;
    BuildMomentMatrix(data, n, 3, whole);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.Data()[i], whole.Data()[i]) << i;
}

TEST(MomentMatrixTest, SmallCaseByHand) {
    // x = 1, 2, 6 and y = 2, 0, 4: means 3 and 2; Sxx = 14, Sxy = 8, Syy = 8.
    Matrix data(3, 2);
    const double values[] = {1, 2, 2, 0, 6, 4};
    std::copy(values, values + 6, data.Data());
    Matrix m;
    BuildMomentMatrix(data, 3, 2, m);
    const double expected[3][3] = {{14, 8, -3}, {8, 8, -2}, {3, 2, 1.0 / 3}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_DOUBLE_EQ(m[i][j], expected[i][j]) << i << "," << j;
    // A constant column gives exact zeros.
    Matrix flat(5, 1, 0.1);
    BuildMomentMatrix(flat, 5, 1, m);
    EXPECT_EQ(m[0][0], 0.0);
    EXPECT_EQ(m[1][0], 0.1);
}

TEST(MomentMatrixTest, DegenerateSizes) {
    Matrix data(4, 2, 1.0);
    LongMatrix m(7, 7, 5.0L);
    BuildMomentMatrix(data, 0, 2, m);  // no observations: zeros, no 1/0
    ASSERT_EQ(m.Rows(), 3);
    for (long double x : m) EXPECT_EQ(x, 0.0L);
    BuildMomentMatrix(data, 4, 0, m);  // constant term only
    ASSERT_EQ(m.Rows(), 1);
    EXPECT_EQ(m[0][0], 0.25L);
    // A data matrix without storage and no observations: zeros, no reads.
    BuildMomentMatrix(Matrix(0, 3), 0, 3, m);
    ASSERT_EQ(m.Rows(), 4);
    for (long double x : m) EXPECT_EQ(x, 0.0L);
    EXPECT_THROW(BuildMomentMatrix(data, 5, 2, m), ERangeError);
    EXPECT_THROW(BuildMomentMatrix(data, 4, 3, m), ERangeError);
    // NaN data propagate and end.
    data[2][1] = std::nan("");
    BuildMomentMatrix(data, 4, 2, m);
    EXPECT_TRUE(std::isnan(static_cast<double>(m[1][1])));
    EXPECT_EQ(m[0][0], 0.0L);
}

// ---- series tests and sorts -------------------------------------------------

TEST(SeriesTest, ConstantZeroAndSame) {
    const double one[] = {4.2};
    EXPECT_TRUE(IsConstantSeries(one, 1));
    const double nearly[] = {1.0, 1.0 + 1e-17, 1.0};
    EXPECT_TRUE(IsConstantSeries(nearly, 3));
    const double varied[] = {1.0, 1.0 + 1e-15};
    EXPECT_FALSE(IsConstantSeries(varied, 2));
    const double zeros[] = {0.0, -2e-16, 2.220446049250313e-16};
    EXPECT_TRUE(IsZeroSeries(zeros, 3));
    const double nan[] = {0.0, std::nan("")};
    EXPECT_FALSE(IsZeroSeries(nan, 2));
    EXPECT_TRUE(IsSameSeries(nearly, one + 0, 0));
    EXPECT_FALSE(IsSameSeries(varied, nearly, 2));
    double seq[4];
    FillIndexSequence(seq, 4);
    EXPECT_EQ(seq[3], 4.0);
}

TEST(SortTest, SortIndicesDescending) {
    std::vector<int> a = {3, 9, 1, 9, 4};
    SortIndicesDescending(a.data(), 5);
    EXPECT_EQ(a, (std::vector<int>{9, 9, 4, 3, 1}));
    int single = 7;
    SortIndicesDescending(&single, 1);
    SortIndicesDescending(nullptr, 0);
    EXPECT_EQ(single, 7);
}

TEST(SortTest, ShellSorts) {
    std::vector<double> a = {0.5, -3, 8, 2, 2, -1, 7};
    std::vector<int> index(7);
    ShellSortWithIndex(a.data(), index.data(), 7, true);
    EXPECT_EQ(a, (std::vector<double>{-3, -1, 0.5, 2, 2, 7, 8}));
    EXPECT_EQ(index[0], 1);
    EXPECT_EQ(index[6], 2);
    ShellSortWithIndex(a.data(), nullptr, 7, false);
    EXPECT_EQ(a.front(), 8.0);
    EXPECT_EQ(a.back(), -3.0);
    std::vector<double> keys = {3, 1, 2}, values = {30, 10, 20};
    ShellSortPairs(keys.data(), values.data(), 3);
    EXPECT_EQ(values, (std::vector<double>{10, 20, 30}));
    // NaN keys do not hang the sort.
    std::vector<double> withNan = {2, std::nan(""), 1, 0};
    ShellSortWithIndex(withNan.data(), nullptr, 4, true);
}

// ---- scores, ranks and correlations -----------------------------------------

TEST(NormalScoresTest, BlomEndsFromNine) {
    struct Case { int n; bool half; std::vector<double> expected; };
    const Case cases[] = {
        {8, false, {-1.4332143617212612, -0.852132745915671, -0.47262008356066626, -0.15245499552993746,
                    0.15245499552993746, 0.4726200835606664, 0.852132745915671, 1.4332143617212612}},
        {8, true, {0.09526831806043307, 0.24955721340342651, 0.4100655347559635, 0.581971381043699,
                   0.7731830738102439, 0.9980767862456416, 1.2899436911224194, 1.7749975404119898}},
        {9, false, {-1.4941549086209047, -0.9322041089080964, -0.5717558844354739, -0.2744436737121327, 0.0,
                    0.2744436737121327, 0.571755884435474, 0.9322041089080965, 1.4941549086209052}},
        {9, true, {0.08478485714915902, 0.2219093216728736, 0.3634666573441947, 0.5127472146313139,
                   0.6744897501960817, 0.8562277028746671, 1.0719473428190112, 1.3543788985570608,
                   1.8278799714620912}},
    };
    for (const Case& c : cases) {
        std::vector<double> out(c.n);
        NormalScores(out.data(), c.n, c.half);
        for (int i = 0; i < c.n; ++i) EXPECT_NEAR(out[i], c.expected[i], 1e-7) << c.n << " " << c.half << " " << i;
    }
}

TEST(RankTest, TiesShareTheAverageRank) {
    std::vector<double> a = {3, 1, 3};
    EXPECT_EQ(RankTransform(false, a.data(), nullptr, 3), 0.0);
    EXPECT_EQ(a, (std::vector<double>{2.5, 1, 2.5}));
    std::vector<double> scaled = {3, 1, 3, 3 + 1e-17};
    RankTransform(true, scaled.data(), nullptr, 4);
    EXPECT_EQ(scaled, (std::vector<double>{0.75, 0.25, 0.75, 0.75}));
}

TEST(RankTest, SpearmanAndKendallAgainstTheOrder) {
    std::vector<double> v = {0.3, -1.2, 2.5, 0.7, -0.4, 1.9, -2.2, 0.05};
    double tau = 0;
    const double rho = RankTransform(false, v.data(), &tau, 8);
    EXPECT_NEAR(rho, -0.2142857142857143, 1e-15);  // scipy spearmanr
    EXPECT_NEAR(tau, -0.14285714285714285, 1e-15);  // scipy kendalltau
    EXPECT_EQ(v[6], 1.0);
    EXPECT_EQ(v[2], 8.0);
    double single = 5, tauOne = -1;
    EXPECT_EQ(RankTransform(false, &single, &tauOne, 1), 0.0);
    EXPECT_EQ(single, 1.0);
}

TEST(CorrelationTest, PearsonSpearmanKendall) {
    const double x[] = {1, 2, 4, 7, 11, 16, 22, 29};
    const double y[] = {3, 1, 4, 1, 5, 9, 2, 6.5};
    double rho = 0, tau = 0;
    EXPECT_NEAR(ComputeCorrelations(x, y, 8, &rho, &tau), 0.48977568253956255, 1e-15);
    // y has a tie (1, 1), where scipy applies a tie correction that the
    // program's formulas do not: rho = 1 - 6 * 41.5 / 504 and tau from the
    // hand-ranked y (x is already in order).
    const double ry[] = {4, 1.5, 5, 1.5, 6, 8, 3, 7};
    double s = 0;
    int q = 0;
    for (int i = 0; i < 8; ++i) s += (i + 1 - ry[i]) * (i + 1 - ry[i]);
    for (int i = 0; i < 8; ++i)
        for (int j = i + 1; j < 8; ++j) q += ry[j] > ry[i];
    EXPECT_NEAR(rho, 1 - 6 * s / (512 - 8), 1e-15);
    EXPECT_NEAR(tau, 4.0 * q / 56 - 1, 1e-15);
    const double constant[] = {2, 2, 2, 2, 2, 2, 2, 2};
    EXPECT_EQ(ComputeCorrelations(x, constant, 8, nullptr, nullptr), 0.0);
}

TEST(CorrelationTest, CorrelationMatrices) {
    Matrix d(5, 2);
    const double values[] = {1, 2, 3, 5, 4, 4, 6, 9, 2, 1};
    std::copy(values, values + 10, d.Data());
    Matrix r;
    ComputeCorrelationMatrix(d, 5, 2, r);
    EXPECT_NEAR(r[0][1], 0.9097242531522804, 1e-15);  // numpy corrcoef
    EXPECT_EQ(r[0][0], 1.0);
    Matrix cov(2, 2, 0.0);
    cov[0][0] = 4;
    cov[0][1] = cov[1][0] = 1;
    CovarianceToCorrelation(cov, 2, r);
    EXPECT_EQ(r[0][1], 0.0);  // zero variance: 0, not a division by zero
    EXPECT_EQ(r[1][1], 0.0);
    EXPECT_EQ(r[0][0], 1.0);
}

// ---- products -------------------------------------------------------------------

TEST(ProductTest, SandwichTripleCrossAndGram) {
    Matrix a(2, 2), b(2, 2), d(2, 2);
    const double av[] = {1, 2, 3, 4}, bv[] = {2, 0, 1, 3}, dv[] = {0.5, 1, -1, 2};
    std::copy(av, av + 4, a.Data());
    std::copy(bv, bv + 4, b.Data());
    std::copy(dv, dv + 4, d.Data());
    Matrix a1 = a, b1 = b;
    SandwichProduct(a1, b1, 2);
    EXPECT_EQ(std::vector<double>(a1.begin(), a1.end()), (std::vector<double>{16, 36, 34, 78}));
    EXPECT_EQ(std::vector<double>(b1.begin(), b1.end()), (std::vector<double>{2, 6, 7, 15}));
    Matrix b2 = b;
    TripleProduct(a, b2, d, 2);
    EXPECT_EQ(std::vector<double>(b2.begin(), b2.end()), (std::vector<double>{-4, 16, -7, 34}));
    Matrix x(3, 2), y(3, 2), xy, xx;
    const double xv[] = {1, 2, 3, 4, 5, 6}, yv[] = {1, 0, 0, 1, 2, 2};
    std::copy(xv, xv + 6, x.Data());
    std::copy(yv, yv + 6, y.Data());
    ComputeCrossProducts(x, y, xy, &xx);
    EXPECT_EQ(std::vector<double>(xy.begin(), xy.end()), (std::vector<double>{11, 13, 14, 16}));
    EXPECT_EQ(std::vector<double>(xx.begin(), xx.end()), (std::vector<double>{35, 44, 44, 56}));
}

// ---- diagnostics --------------------------------------------------------------

TEST(DiagnosticsTest, VifAndConditionNumber) {
    Matrix identity(3, 3);
    for (int i = 0; i < 3; ++i) identity[i][i] = 1;
    Vector vif, values;
    Matrix vectors;
    EXPECT_NEAR(ComputeVifAndConditionNumber(identity, 3, vif, vectors, values), 1.0, 1e-15);
    for (double v : vif) EXPECT_NEAR(v, 1.0, 1e-15);

    Matrix r(3, 3);
    const double rv[] = {1, 0.5, 0.3, 0.5, 1, 0.6, 0.3, 0.6, 1};
    std::copy(rv, rv + 9, r.Data());
    EXPECT_NEAR(ComputeVifAndConditionNumber(r, 3, vif, vectors, values), 2.3588430926025246, 1e-14);
    const double expected[] = {1.3333333333333333, 1.895833333333333, 1.5624999999999998};  // diag(inv(R))
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(vif.At(i), expected[i], 1e-14);

    Matrix singular(2, 2, 1.0);  // eigenvalues 2 and 0
    const double cond = ComputeVifAndConditionNumber(singular, 2, vif, vectors, values);
    EXPECT_NEAR(cond, std::sqrt(2 / 1.1920928955078125e-07), 1e-6);
    EXPECT_TRUE(std::isfinite(vif.At(0)));
    EXPECT_GT(vif.At(0), 1e6);
    Vector untouched(1, 7.0);
    EXPECT_EQ(ComputeVifAndConditionNumber(identity, 1, untouched, vectors, values), 0.0);
    EXPECT_EQ(untouched.At(0), 7.0);
}

TEST(DiagnosticsTest, DurbinWatsonAndHeteroskedasticity) {
    const double e[] = {0.5, -0.3, 0.8, -1.1, 0.2, 0.9, -0.6, 0.1};
    EXPECT_NEAR(DurbinWatson(e, 8), 3.072142064372919, 1e-14);
    const double flat[] = {0.4, 0.4, 0.4};
    EXPECT_EQ(DurbinWatson(flat, 3), 0.0);
    EXPECT_EQ(DurbinWatson(e, 1), 0.0);
    const double fit[] = {1, 1.5, 2.2, 2.9, 3.1, 4.0, 4.8, 5.5};
    EXPECT_NEAR(HeteroskedasticityStatistic(fit, e, 8), 0.015562036992023824, 1e-14);
    EXPECT_EQ(HeteroskedasticityStatistic(fit, flat, 3), 0.0);
}

// The same data in other units: constant series, ties, correlations and
// the heteroskedasticity statistic are judged against the values' own size.
TEST(DiagnosticsTest, TestsOfSpreadAreInTheDataOwnUnits) {
    const double tiny[] = {1e-20, 2e-20};
    EXPECT_FALSE(IsConstantSeries(tiny, 2));
    EXPECT_FALSE(IsSameSeries(tiny, tiny + 1, 1));
    const double rounded[] = {0.1 + 0.2, 0.3};
    EXPECT_TRUE(IsConstantSeries(rounded, 2));
    const double large[] = {1e20, 1e20 + 16384};  // one unit in the last place
    EXPECT_TRUE(IsConstantSeries(large, 2));
    std::vector<double> ranks = {3e-17, 1e-17, 2e-17};
    RankTransform(false, ranks.data(), nullptr, 3);
    EXPECT_EQ(ranks, (std::vector<double>{3, 1, 2}));

    const double x[] = {1, 2, 4, 7, 11, 16, 22, 29};
    const double y[] = {3, 1, 4, 1, 5, 9, 2, 6.5};
    const double fit[] = {1, 1.5, 2.2, 2.9, 3.1, 4.0, 4.8, 5.5};
    const double e[] = {0.5, -0.3, 0.8, -1.1, 0.2, 0.9, -0.6, 0.1};
    for (double scale : {1e-12, 1e-6, 1e6, 1e12}) {
        SCOPED_TRACE(scale);
        double sx[8], sy[8], sf[8], se[8];
        for (int i = 0; i < 8; ++i) {
            sx[i] = x[i] * scale;
            sy[i] = y[i] * scale;
            sf[i] = fit[i] * scale;
            se[i] = e[i] * scale;
        }
        EXPECT_NEAR(ComputeCorrelations(sx, sy, 8, nullptr, nullptr), 0.48977568253956255, 1e-14);
        EXPECT_NEAR(ComputeCorrelations(x, sy, 8, nullptr, nullptr), 0.48977568253956255, 1e-14);
        EXPECT_NEAR(HeteroskedasticityStatistic(sf, se, 8), 0.015562036992023824, 1e-13);
        EXPECT_NEAR(HeteroskedasticityStatistic(fit, se, 8), 0.015562036992023824, 1e-13);
        EXPECT_NEAR(HeteroskedasticityStatistic(sf, e, 8), 0.015562036992023824, 1e-13);
    }
}

// ---- significance levels ----------------------------------------------------------

TEST(SignificanceTest, StepsOfOneTenthPercent) {
    // Exact levels (scipy): t(10) 2.0 -> 7.339 %, normal 2.5 -> 1.242 %,
    // chi2(3) 7.0 -> 7.190 %, F(2,10) 5.0 -> 3.125 %, chi2(1) 5.0 -> 2.535 %;
    // each function reports the next step up.
    EXPECT_NEAR(TSignificanceLevel(10, 2.0), 7.4, 1e-12);
    EXPECT_NEAR(TSignificanceLevel(10, -2.0), 7.4, 1e-12);
    EXPECT_NEAR(NormalSignificanceLevel(2.5), 1.3, 1e-12);
    EXPECT_NEAR(ChiSquareSignificanceLevel(3, 7.0), 7.2, 1e-12);
    EXPECT_NEAR(FSignificanceLevel(2, 10, 5.0), 3.2, 1e-12);
    EXPECT_NEAR(ChiSquare1SignificanceLevel(5.0), 2.6, 1e-12);
}

TEST(SignificanceTest, Limits) {
    EXPECT_EQ(TSignificanceLevel(10, 0.0), 100.0);
    EXPECT_NEAR(TSignificanceLevel(10, 1e6), 0.1, 1e-15);
    EXPECT_EQ(TSignificanceLevel(10, std::nan("")), 100.0);
    EXPECT_EQ(NormalSignificanceLevel(0.0), 100.0);
    EXPECT_NEAR(NormalSignificanceLevel(50.0), 0.1, 1e-15);
    EXPECT_EQ(ChiSquare1SignificanceLevel(0.0), 100.0);
    EXPECT_EQ(FSignificanceLevel(2, 10, 0.0), 100.0);
}

// ---- normality helpers ------------------------------------------------------------

TEST(NormalityTest, ShapiroWilkAndSteps) {
    // z from the published polynomials, then scipy's normal cdf: 0.79100 and
    // 0.94203, stepped up to the next 0.001.
    EXPECT_NEAR(ShapiroWilkSignificance(10, 0.9), 0.791, 1e-12);
    EXPECT_NEAR(ShapiroWilkSignificance(50, 0.95), 0.943, 1e-12);
    EXPECT_EQ(ShapiroWilkSignificance(6, 0.9), 0.0);
    EXPECT_EQ(ShapiroWilkSignificance(2001, 0.9), 0.0);
    EXPECT_NEAR(NormalProbabilityStep(0.0), 0.5, 1e-12);
    EXPECT_NEAR(NormalProbabilityStep(1.0), 0.842, 1e-12);  // cdf(1) = 0.8413
    EXPECT_EQ(NormalProbabilityStep(10.0), 1.0);
    // scipy gamma.
    EXPECT_NEAR(ShapiroWilkGammaRatio(7), 0.39166066791109383, 1e-14);
    EXPECT_NEAR(ShapiroWilkGammaRatio(19), 0.23245290129196022, 1e-14);
    EXPECT_NEAR(ShapiroWilkGammaRatio(25), 0.19801049376818208, 1e-14);
}

TEST(NormalityTest, DAgostinoBounds) {
    // For n = 50 the bounds at 5 % lie around the mean 0.2821 - 0.0014.
    EXPECT_EQ(DAgostinoDBounds(50, 0.05, 0.2806), 0);
    EXPECT_EQ(DAgostinoDBounds(50, 0.05, 0.30), -1);
    EXPECT_EQ(DAgostinoDBounds(50, 0.05, 0.25), 1);
    EXPECT_EQ(DAgostinoDBounds(0, 0.05, 0.25), 0);
    // Two values always give D = 1/4: no bound exists, so no side either.
    EXPECT_EQ(DAgostinoDBounds(2, 0.01, 0.25), 0);
    EXPECT_EQ(DAgostinoDBounds(2, 0.01, 0.0), 0);
    double lower = 0, upper = 0;
    EXPECT_FALSE(DAgostinoDCriticalValues(2, 0.05, &lower, &upper));
    // Below 200 observations only the three levels of the marks are known.
    EXPECT_FALSE(DAgostinoDCriticalValues(50, 0.02, &lower, &upper));
    EXPECT_TRUE(DAgostinoDCriticalValues(500, 0.02, &lower, &upper));
}

// Critical values of D as (lower, upper) at 1, 5 and 10 %.
struct DCritical {
    double lower[3], upper[3];
};

DCritical CriticalValuesOfD(int n) {
    const double alpha[3] = {0.01, 0.05, 0.1};
    DCritical c{};
    for (int a = 0; a < 3; ++a) EXPECT_TRUE(DAgostinoDCriticalValues(n, alpha[a], &c.lower[a], &c.upper[a])) << n;
    return c;
}

TEST(NormalityTest, DAgostinoCriticalValuesAgreeWithIndependentPoints) {
    // n = 3: a sorted normal sample standardised lies uniformly on a 60-degree
    // arc, D = c cos u with u uniform on [0, pi/6] and c = sqrt(2/3) / 3, so the
    // p point of D is c cos((1 - p) pi / 6). The upper tail is nearly flat.
    const DCritical three = CriticalValuesOfD(3);
    const double exactLower[3] = {0.2360577161, 0.2374633355, 0.2391837226};
    const double exactUpper[3] = {0.2721645943, 0.2721422099, 0.2720722626};
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(three.lower[a], exactLower[a], 5e-5);
        EXPECT_NEAR(three.upper[a], exactUpper[a], 1e-6);
    }
    // A separate simulation of 400,000 normal samples per size: the 0.5, 2.5,
    // 5, 95, 97.5 and 99.5 % points.
    const struct {
        int n;
        double points[6];
    } kSimulated[] = {
        {10, {0.23733, 0.25107, 0.25722, 0.28437, 0.28496, 0.28579}},
        {16, {0.24850, 0.25883, 0.26339, 0.28555, 0.28604, 0.28673}},
        {30, {0.25913, 0.26612, 0.26931, 0.28616, 0.28664, 0.28729}},
        {100, {0.27136, 0.27445, 0.27587, 0.28551, 0.28602, 0.28683}},
    };
    for (const auto& k : kSimulated) {
        SCOPED_TRACE(k.n);
        const DCritical c = CriticalValuesOfD(k.n);
        for (int a = 0; a < 3; ++a) {
            // That simulation's own error: up to about 1.6e-4 in the long
            // lower tail at n = 10, far less in the steep upper one.
            const double lowerTolerance[3] = {5e-4, 3e-4, 2e-4};
            EXPECT_NEAR(c.lower[a], k.points[a], lowerTolerance[a]);
            EXPECT_NEAR(c.upper[a], k.points[5 - a], 1e-4);
        }
    }
}

TEST(NormalityTest, DAgostinoCriticalValuesNestAtEverySizeAndJoinTheExpansion) {
    for (int n = 3; n <= 3000; ++n) {
        const DCritical c = CriticalValuesOfD(n);
        // 1 % outside 5 % outside 10 %, on both sides.
        ASSERT_LT(c.lower[0], c.lower[1]) << n;
        ASSERT_LT(c.lower[1], c.lower[2]) << n;
        ASSERT_LT(c.lower[2], c.upper[2]) << n;
        ASSERT_LT(c.upper[2], c.upper[1]) << n;
        ASSERT_LT(c.upper[1], c.upper[0]) << n;
    }
    // From 199 simulated observations to 200 by the expansion the points move
    // by much less than a tenth of D's spread there (about 0.0021).
    const DCritical last = CriticalValuesOfD(199), first = CriticalValuesOfD(200);
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(last.lower[a], first.lower[a], 1e-4);
        EXPECT_NEAR(last.upper[a], first.upper[a], 1e-4);
    }
}

}  // namespace

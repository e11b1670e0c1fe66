// Numeric helpers and the random generator, against values worked out by
// hand or with mpmath / Python while writing the tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/numeric/numeric_helpers.h"
#include "core/numeric/random_generator.h"
#include "platform/errors.h"

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.14159265358979323846;
}  // namespace

// ---- gamma -------------------------------------------------------------------

TEST(Gamma, MatchesTable) {
    // mpmath.gamma / mpmath.loggamma at 30 digits.
    struct Row {
        double x, gamma, logGamma;
    };
    const Row rows[] = {
        {0.1, 9.5135076986687306, 2.252712651734206},
        {0.5, 1.7724538509055161, 0.57236494292470008},
        {1.0, 1.0, 0.0},
        {2.5, 1.329340388179137, 0.28468287047291918},
        {5.0, 24.0, 3.1780538303479458},
        {7.0, 720.0, 6.5792512120101012},
        {10.3, 716430.68906237639, 13.482036786138359},
        {20.0, 1.21645100408832e+17, 39.339884187199495},
        {100.0, 9.3326215443944153e+155, 359.1342053695754},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.x);
        EXPECT_NEAR(Gamma(r.x), r.gamma, r.gamma * 2e-14);
        EXPECT_NEAR(LogGamma(r.x), r.logGamma, 4e-15);
    }
    EXPECT_NEAR(Gamma(0.5), std::sqrt(kPi), 1e-15);
    const Row negative[] = {
        {-0.5, -3.5449077018110322, 0}, {-1.5, 2.3632718012073548, 0},
        {-2.5, -0.9453087204829419, 0}, {-10.3, -5.2623632395356098e-07, 0}};
    for (const Row& r : negative) {
        SCOPED_TRACE(r.x);
        EXPECT_NEAR(Gamma(r.x), r.gamma, std::fabs(r.gamma) * 1e-14);
    }
}

TEST(Gamma, NonFiniteAndFarNegativeReturnAtOnce) {
    EXPECT_TRUE(std::isnan(Gamma(kNaN)));
    EXPECT_TRUE(std::isnan(Gamma(-kInf)));
    EXPECT_EQ(Gamma(kInf), kInf);
    EXPECT_TRUE(std::isnan(Gamma(-1e300)));  // every such double is a pole
    EXPECT_TRUE(std::isnan(Gamma(-1e9)));
    // Gamma(-250.5) is about -1e-496: a negative zero; Gamma(-251.5) positive.
    EXPECT_EQ(Gamma(-250.5), 0.0);
    EXPECT_TRUE(std::signbit(Gamma(-250.5)));
    EXPECT_FALSE(std::signbit(Gamma(-251.5)));
    EXPECT_TRUE(std::isinf(Gamma(0.0)));
    EXPECT_TRUE(std::isnan(LogGamma(kNaN)));
    EXPECT_TRUE(std::isnan(LogGamma(-1e300)));
    EXPECT_TRUE(std::isnan(LogGamma(-kInf)));
    EXPECT_EQ(LogGamma(kInf), kInf);
    EXPECT_EQ(LogGamma(0.0), kInf);
}

// ---- random generator ----------------------------------------------------------

TEST(RandomGenerator, FirstValuesFromStartSeed) {
    RandomGenerator g;
    // Seed 5 -> 11 at the first fill; first table word 11 * 4099 = 45089.
    // Sequence computed in Python from the recurrence.
    g.Reset();
    const double expected[] = {0.7829621503050262, 0.5287837463099434, 0.18692601387711522,
                               0.4253647278181113, 0.3068440106263589, 0.3674104648490485,
                               0.787321573489961,  0.7947754807745924};
    for (double e : expected) EXPECT_EQ(g.Uniform(), e);
    // Past the first wrap of the table index.
    for (int i = 8; i < 31; ++i) g.Uniform();
    const double later[] = {0.4863493812672558, 0.3804174723943777, 0.0634716907811685, 0.06405397973212133,
                            0.18723095310257326};
    for (double e : later) EXPECT_EQ(g.Uniform(), e);
}

TEST(RandomGenerator, RepeatsAfterResetAndFollowsSeed) {
    RandomGenerator g;
    g.Reset();
    std::vector<double> first;
    for (int i = 0; i < 100; ++i) first.push_back(g.Uniform());
    g.Reset();
    for (int i = 0; i < 100; ++i) EXPECT_EQ(g.Uniform(), first[i]);
    for (double u : first) {
        EXPECT_GE(u, 0.0);
        EXPECT_LE(u, 1.0);
    }
    g.SetSeed(12345);
    EXPECT_EQ(g.Uniform(), 0.5794171907843171);
    EXPECT_EQ(g.Uniform(), 0.8439024765248888);
    EXPECT_EQ(g.Uniform(), 0.413974456681858);
}

TEST(RandomGenerator, NormalPairsShareOneRadiusAndAngle) {
    RandomGenerator g;
    // Box-Muller on the first four uniforms from seed 5 (Python).
    g.Reset();
    EXPECT_NEAR(g.Normal(), -0.6881207613659888, 1e-15);
    EXPECT_NEAR(g.Normal(), -0.12582394349034987, 1e-15);
    EXPECT_NEAR(g.Normal(), -1.6337047534790294, 1e-15);
    EXPECT_NEAR(g.Normal(), 0.8277037844092923, 1e-15);
    // Cosine and sine halves: their squares sum to the squared radius.
    g.Reset();
    double u1 = g.Uniform();
    g.Uniform();
    g.Reset();
    double c = g.Normal();
    double s = g.Normal();
    EXPECT_NEAR(c * c + s * s, -2.0 * std::log(u1), 1e-12);
}

TEST(RandomGenerator, TimeSeedStaysInRange) {
    RandomGenerator g;
    g.Init();
    for (int i = 0; i < 1000; ++i) {
        double u = g.Uniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LE(u, 1.0);
        ASSERT_TRUE(std::isfinite(g.Normal()));
    }
    g.Reset();
}

// ---- sorting and robust scale ---------------------------------------------------

TEST(QuickSortDoubles, SortsRangesOfAnyShape) {
    std::vector<std::vector<double>> cases = {
        {}, {1.0}, {2.0, 1.0}, {3, 1, 2, 3, 1, 2}, {5, 5, 5, 5, 5}, {-0.0, 0.0, -1.0, 1e300, -1e300}};
    // Rising then falling: lopsided partitions for the middle pivot, which
    // must not turn a million values into minutes of work.
    std::vector<double> pipe;
    for (int i = 0; i < 1000000; ++i) pipe.push_back(i < 500000 ? i : 1000000 - i);
    cases.push_back(pipe);
    std::vector<double> sorted(200000);
    for (int i = 0; i < 200000; ++i) sorted[i] = i % 7 == 0 ? -i : i;
    cases.push_back(sorted);
    for (auto v : cases) {
        std::vector<double> ref = v;
        std::sort(ref.begin(), ref.end());
        if (!v.empty()) QuickSortDoubles(static_cast<int>(v.size()) - 1, 0, v.data());
        EXPECT_EQ(v, ref);
    }
    // Only the given range moves.
    double a[] = {9, 4, 3, 2, 1, 0};
    QuickSortDoubles(4, 1, a);
    EXPECT_EQ(a[0], 9);
    EXPECT_EQ(a[1], 1);
    EXPECT_EQ(a[4], 4);
    EXPECT_EQ(a[5], 0);
}

TEST(QuickSortDoubles, NaNDoesNotHang) {
    double a[] = {3, kNaN, 1, kNaN, 2};
    QuickSortDoubles(4, 0, a);
    int nans = 0;
    for (double x : a) nans += std::isnan(x);
    EXPECT_EQ(nans, 2);
    std::vector<double> pipe;
    for (int i = 0; i < 200000; ++i) pipe.push_back(i % 1000 == 0 ? kNaN : (i < 100000 ? i : 200000 - i));
    QuickSortDoubles(199999, 0, pipe.data());
    nans = 0;
    for (double x : pipe) nans += std::isnan(x);
    EXPECT_EQ(nans, 200);
}

TEST(RobustScale, MedianAndMeanAbsoluteDeviation) {
    const double a[] = {1, 2, 3, 4, 100};
    std::vector<double> work(5);
    // Median 3; deviations 2 1 0 1 97 -> median 1.
    EXPECT_EQ(MedianAbsDeviation(1.0f, work.data(), 5, a), 1.0);
    EXPECT_EQ(MedianAbsDeviation(0.5f, work.data(), 5, a), 2.0);
    const double b[] = {1, 2, 4, 8};
    // Median 3; deviations 2 1 1 5 -> median 1.5.
    EXPECT_EQ(MedianAbsDeviation(1.0f, work.data(), 4, b), 1.5);
    EXPECT_TRUE(std::isnan(MedianAbsDeviation(1.0f, work.data(), 0, b)));
    EXPECT_EQ(MeanAbsDeviation(3.0, 4, b), (2 + 1 + 1 + 5) / 4.0);
    EXPECT_TRUE(std::isnan(MeanAbsDeviation(3.0, 0, b)));
}

// ---- small arithmetic ---------------------------------------------------------

TEST(Arithmetic, RemainderQuotientPowerRoot) {
    EXPECT_EQ(FloatRemainder(2.0, -7.5), -1.5);
    EXPECT_EQ(FloatRemainder(3.0, 7.0), 1.0);
    EXPECT_EQ(TruncatedQuotient(3.0, -7.0), -2.0);
    EXPECT_EQ(TruncatedQuotient(2.0, 7.0), 3.0);
    EXPECT_EQ(Square(-3.0), 9.0);
    EXPECT_TRUE(IsOdd(-3));
    EXPECT_FALSE(IsOdd(0));
    EXPECT_EQ(IntPower(-2, 2.0), 0.25);
    EXPECT_EQ(IntPower(0, 5.0), 1.0);
    EXPECT_EQ(IntPower(10, 2.0), 1024.0);
    EXPECT_EQ(IntPower(3, -1.5), -3.375);
    EXPECT_EQ(IntPower(std::numeric_limits<int>::min(), 2.0), 0.0);
    EXPECT_EQ(IntPower(std::numeric_limits<int>::max(), 1.0), 1.0);
    EXPECT_EQ(NthRoot(3, -8.0), -2.0);
    EXPECT_EQ(NthRoot(-2, 4.0), 0.5);
    EXPECT_EQ(NthRoot(-3, -8.0), -0.5);
    EXPECT_NEAR(NthRoot(5, 10.0), 1.5848931924611136, 1e-15);
    EXPECT_EQ(NthRoot(2, 1e-17), 0.0);
    // Degree 0 and an even root of a negative value are division errors;
    // a tiny value is 0 whatever the degree.
    EXPECT_THROW(NthRoot(2, -4.0), EZeroDivide);
    EXPECT_THROW(NthRoot(-4, -4.0), EZeroDivide);
    EXPECT_THROW(NthRoot(0, 4.0), EZeroDivide);
    EXPECT_EQ(NthRoot(0, 1e-17), 0.0);
    EXPECT_EQ(NthRoot(2, -1e-17), 0.0);
    EXPECT_TRUE(std::isnan(NthRoot(3, kNaN)));
    EXPECT_EQ(NthRoot(3, kInf), kInf);
    EXPECT_EQ(MinInt(-2, 5), -2);
}

TEST(Arithmetic, BoxCoxPair) {
    struct Row {
        bool apply;
        double lambda, x, y;
    };
    const Row rows[] = {
        {true, 0.0, 1.0, 0.0},
        {true, 1.0, 0.0, -1.0},
        {true, 0.5, 4.0, 2.0},     // (2 - 1) / 0.5
        {true, 2.0, 3.0, 4.0},     // (9 - 1) / 2
        {true, 0.0, 0.0, std::log(2.220446049250313e-16)},
        {false, 0.5, 4.0, 4.0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.x);
        EXPECT_NEAR(BoxCox(r.apply, r.lambda, r.x), r.y, 1e-15);
    }
    EXPECT_NEAR(BoxCoxInverse(true, 0.5, 2.0), 4.0, 1e-15);
    EXPECT_NEAR(BoxCoxInverse(true, 0.0, 0.0), 1.0, 1e-15);
    EXPECT_EQ(BoxCoxInverse(true, 1.0, -1.0), 0.0);   // lambda y + 1 = 0
    EXPECT_EQ(BoxCoxInverse(true, 0.0, -100.0), 0.0);  // exp below epsilon
    EXPECT_EQ(BoxCoxInverse(false, 2.0, 7.0), 7.0);
}

TEST(Arithmetic, TruthValuesAndEquality) {
    EXPECT_EQ(LogicalAnd(1.0, 1.0), 1.0);
    EXPECT_EQ(LogicalAnd(1.0, 2.0), 0.0);
    EXPECT_EQ(LogicalOr(0.0, 1.0), 1.0);
    EXPECT_EQ(LogicalOr(0.5, 2.0), 0.0);
    EXPECT_EQ(LogicalEqv(0.5, 0.5), 0.0);
    EXPECT_EQ(LogicalEqv(1.0, 1.0), 1.0);
    EXPECT_EQ(LogicalEqv(0.0, 0.0), 1.0);
    EXPECT_EQ(LogicalEqv(-0.0, 0.0), 0.0);
    EXPECT_EQ(LogicalEqv(1.0, 0.0), 0.0);
    EXPECT_TRUE(ApproxEqual(1e-17, 0.0));
    EXPECT_FALSE(ApproxEqual(1e20, 1e20 + 1e5));
    EXPECT_FALSE(ApproxEqual(kNaN, kNaN));
}

TEST(Arithmetic, ScalarFunctionBodies) {
    EXPECT_EQ(LogBase(8.0, 2.0), 3.0);
    EXPECT_EQ(IntPart(-2.7), -2.0);
    EXPECT_NEAR(FracPart(-2.7), -0.7, 1e-15);
    EXPECT_NEAR(Degrees(kPi), 180.0, 1e-13);
    EXPECT_NEAR(Radians(180.0), kPi, 1e-15);
    EXPECT_EQ(Larger(1.0, 2.0), 2.0);
    EXPECT_EQ(Smaller(1.0, 2.0), 1.0);
    EXPECT_EQ(Sign(-0.0), 0);
    EXPECT_EQ(Sign(1e-310), 0);
    EXPECT_EQ(Sign(-2.5), -1);
    EXPECT_EQ(Sign(3.0), 1);
    EXPECT_EQ(Sign(2.2250738585072014e-308), 1);
    EXPECT_NEAR(Atanh(0.5), 0.5493061443340548, 1e-15);
    EXPECT_NEAR(Tanh(0.5), 0.46211715726000974, 1e-15);
    EXPECT_EQ(Tanh(400.0), 1.0);
    EXPECT_EQ(Tanh(-400.0), -1.0);
    EXPECT_EQ(ZeroIfTiny(1e-7), 0.0);
    EXPECT_EQ(ZeroIfTiny(-1e-7), 0.0);
    EXPECT_EQ(ZeroIfTiny(1.1920928955078125e-07), 1.1920928955078125e-07);
    const double c[] = {2.0, -3.0, 1.0};  // 2x^2 - 3x + 1
    EXPECT_EQ(EvalPolynomial(c, 3, 4.0), 21.0);
    const double big = std::numeric_limits<double>::max();
    EXPECT_EQ(Midpoint(big, big), big);
    EXPECT_EQ(Midpoint(-big, -big), -big);
    EXPECT_EQ(Midpoint(1.0, 4.0), 2.5);
}

// ---- factorials and counts -----------------------------------------------------

TEST(Counts, Values) {
    // Python math.factorial / perm / comb.
    EXPECT_EQ(Factorial(0), 1.0);
    EXPECT_EQ(Factorial(5), 120.0);
    EXPECT_NEAR(Factorial(170), 7.257415615307999e+306, 7.257415615307999e+306 * 1e-14);
    EXPECT_EQ(DoubleFactorial(7), 105.0);
    EXPECT_EQ(DoubleFactorial(8), 384.0);
    EXPECT_EQ(DoubleFactorial(0), 1.0);
    EXPECT_EQ(Permutations(5, 0), 1.0);
    EXPECT_EQ(Permutations(5, 2), 20.0);
    EXPECT_EQ(Permutations(20, 7), 390700800.0);
    EXPECT_EQ(Combinations(5, 5), 1.0);
    EXPECT_EQ(Combinations(5, 2), 10.0);
    EXPECT_EQ(Combinations(2000, 3), 1331334000.0);
    EXPECT_NEAR(Combinations(60, 30), 1.1826458156486142e+17, 1e3);
    // Both the product and k! overflow here, but the count does not.
    EXPECT_EQ(Combinations(200, 199), 200.0);
    EXPECT_NEAR(Combinations(1000, 500), 2.7028824094543655e+299, 2.7028824094543655e+299 * 1e-12);
}

TEST(Counts, OverflowReturnsAtOnce) {
    const int big = std::numeric_limits<int>::max();
    EXPECT_EQ(Factorial(171), kInf);
    EXPECT_EQ(Factorial(big), kInf);
    EXPECT_EQ(DoubleFactorial(big), kInf);
    EXPECT_EQ(DoubleFactorial(big - 1), kInf);
    EXPECT_EQ(Permutations(big, big), kInf);
    EXPECT_EQ(Combinations(big, big / 2), kInf);
    EXPECT_EQ(Combinations(big, 2), 2305843005992468481.0);  // comb(2^31 - 1, 2)
}

TEST(Counts, NegativeArgumentsThrow) {
    EXPECT_THROW(Factorial(-1), ERangeError);
    EXPECT_THROW(DoubleFactorial(-3), ERangeError);
    EXPECT_THROW(Permutations(-1, 0), ERangeError);
    EXPECT_THROW(Permutations(3, -1), ERangeError);
    EXPECT_THROW(Permutations(3, 4), ERangeError);
    EXPECT_THROW(Combinations(3, 4), ERangeError);
}

// ---- array helpers ------------------------------------------------------------

TEST(Arrays, SumsMomentsAndMeans) {
    const double a[] = {2, 4, 4, 4, 5, 5, 7, 9};
    const double b[] = {1, 0, 1, 0, 1, 0, 1, 0};
    const double c[] = {2, 2, 2, 2, 2, 2, 2, 2};
    EXPECT_EQ(SumDoubles(8, a), 40.0);
    EXPECT_EQ(DotProduct(8, a, b), 18.0);
    EXPECT_EQ(TripleProductSum(8, a, b, c), 36.0);
    double ss = -1, mean = -1;
    MeanAndSumOfSquares(&ss, &mean, 8, a);
    EXPECT_NEAR(mean, 5.0, 1e-15);
    EXPECT_NEAR(ss, 32.0, 1e-13);
    double centred[8];
    EXPECT_EQ(CenterDoubles(8, a, centred), 5.0);
    EXPECT_EQ(centred[0], -3.0);
    EXPECT_EQ(centred[7], 4.0);
    double lo = 0, hi = 0;
    EXPECT_EQ(RangeOfDoubles(&lo, &hi, 8, a), 7.0);
    EXPECT_EQ(lo, 2.0);
    EXPECT_EQ(hi, 9.0);
    EXPECT_TRUE(std::isnan(RangeOfDoubles(&lo, &hi, 0, a)));

    const double g[] = {1, 2, 4};
    double geo = -1, harm = -1;
    ASSERT_TRUE(GeometricHarmonicMeans(&geo, &harm, 3, g));
    EXPECT_NEAR(geo, 2.0, 1e-15);
    EXPECT_NEAR(harm, 12.0 / 7.0, 1e-15);
    const double bad[] = {1, 0, 4};
    geo = harm = -1;
    EXPECT_FALSE(GeometricHarmonicMeans(&geo, &harm, 3, bad));
    EXPECT_EQ(geo, -1.0);
    EXPECT_EQ(harm, -1.0);
    EXPECT_FALSE(GeometricHarmonicMeans(&geo, &harm, 0, g));
}

TEST(Arrays, CopyFillSwapAndZeroTiny) {
    double a[4] = {1, 2, 3, 4};
    double b[4] = {};
    CopyDoubles(4, a, b);
    EXPECT_EQ(b[3], 4.0);
    FillDoubles(3, 7.0, b);
    EXPECT_EQ(b[0], 7.0);
    EXPECT_EQ(b[2], 7.0);
    EXPECT_EQ(b[3], 4.0);
    SwapDoubles(&a[0], &a[3]);
    EXPECT_EQ(a[0], 4.0);
    EXPECT_EQ(a[3], 1.0);
    double t[] = {1e-8, -1e-7, 2e-7, -3.0};
    ZeroTinyDoubles(4, t);
    EXPECT_EQ(t[0], 0.0);
    EXPECT_EQ(t[1], 0.0);
    EXPECT_EQ(t[2], 2e-7);
    EXPECT_EQ(t[3], -3.0);
}

#include "eval/scalar_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/errors.h"

// Expected values computed with mpmath / scipy, or by hand where noted.

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double Call(int index, double a, double b = 0.0, double c = 0.0) {
    CallScalarFunction(index, &a, &b, &c);
    return a;
}

struct Expect {
    int index;
    double a, b, c;
    double expected;
    double relTol;  // relative tolerance (absolute below 1)
};

void CheckTable(const std::vector<Expect>& table) {
    for (const Expect& e : table) {
        SCOPED_TRACE("index " + std::to_string(e.index) + " a=" + std::to_string(e.a) +
                     " b=" + std::to_string(e.b) + " c=" + std::to_string(e.c));
        const double got = Call(e.index, e.a, e.b, e.c);
        const double tol = e.relTol * std::max(1.0, std::fabs(e.expected));
        EXPECT_NEAR(got, e.expected, tol);
    }
}

constexpr double kExact = 1e-15;     // libm and exact arithmetic
constexpr double kSeries = 1e-12;    // finite series, Stirling fraction
constexpr double kTail = 1e-9;       // normal tail continued fraction
constexpr double kQuantile = 4e-7;   // bisection width 2^-23, relative

TEST(ScalarFunctions, ElementaryFunctions) {
    CheckTable({
        {sfSin, 0.5, 0, 0, 0.479425538604203, kExact},
        {sfCos, 0.5, 0, 0, 0.8775825618903728, kExact},
        {sfTan, 1.2, 0, 0, 2.5721516221263188, kExact},
        {sfAtan, 2.0, 0, 0, 1.1071487177940904, kExact},
        {sfLog, 10.0, 0, 0, 2.302585092994046, kExact},
        {sfAbs, -3.5, 0, 0, 3.5, 0},
        {sfInt, -2.7, 0, 0, -2.0, 0},
        {sfInt, 2.7, 0, 0, 2.0, 0},
        {sfFrac, -2.7, 0, 0, -0.7, kExact},
        {sfFrac, 5.25, 0, 0, 0.25, 0},
        {sfExp, 1.5, 0, 0, 4.4816890703380645, kExact},
        {sfSqrt, 2.0, 0, 0, 1.4142135623730951, kExact},
        {sfAsin, 0.3, 0, 0, 0.3046926540153975, kExact},
        {sfAcos, 0.3, 0, 0, 1.2661036727794992, kExact},
        {sfSinh, 1.1, 0, 0, 1.335647470124177, kExact},
        {sfCosh, 1.1, 0, 0, 1.6685185538222564, kExact},
        {sfTanh, 0.7, 0, 0, 0.6043677771171635, kExact},
        {sfLog10, 2000.0, 0, 0, 3.3010299956639813, kExact},
        {sfDeg, 1.0, 0, 0, 57.29577951308232, kExact},
        {sfRad, 90.0, 0, 0, 1.5707963267948966, kExact},
        {sfAsinh, 2.0, 0, 0, 1.4436354751788103, kExact},
        {sfAcosh, 3.0, 0, 0, 1.762747174039086, kExact},
        {sfAtanh, 0.5, 0, 0, 0.5493061443340549, kExact},
        {sfFisher, 0.5, 0, 0, 0.5493061443340549, 1e-14},
        {sfFisher, -0.9, 0, 0, -1.4722194895832204, 1e-14},
        {sfFisherInv, 0.5, 0, 0, 0.46211715726000974, 1e-14},
        {sfFisherInv, 400.0, 0, 0, 1.0, 0},     // no inf / inf
        {sfFisherInv, -400.0, 0, 0, -1.0, 0},
        {sfLoga, 8.0, 2.0, 0, 3.0, kExact},
        {sfLoga, 100.0, 10.0, 0, 2.0, kExact},
        {sfLoga, 5.0, 3.0, 0, 1.464973520717927, kExact},
        {sfLarger, 3.0, 7.0, 0, 7.0, 0},
        {sfLarger, 7.0, 3.0, 0, 7.0, 0},
        {sfSmaller, 3.0, 7.0, 0, 3.0, 0},
        {sfSmaller, 7.0, 3.0, 0, 3.0, 0},
    });
}

TEST(ScalarFunctions, GammaAndCounts) {
    CheckTable({
        {sfGamma, 5.0, 0, 0, 24.0, kSeries},
        {sfGamma, 0.5, 0, 0, 1.772453850905516, kSeries},
        {sfGamma, -1.5, 0, 0, 2.363271801207355, kSeries},
        {sfGamma, 3.7, 0, 0, 4.170651783796604, kSeries},
        {sfGamma, 10.3, 0, 0, 716430.6890623764, kSeries},
        {sfLnGamma, 100.0, 0, 0, 359.1342053695754, kSeries},
        {sfLnGamma, 0.5, 0, 0, 0.5723649429247001, kSeries},
        {sfLnGamma, 2.5, 0, 0, 0.2846828704729192, kSeries},
        {sfFact, 0.0, 0, 0, 1.0, 0},
        {sfFact, 10.9, 0, 0, 3628800.0, 0},  // argument truncated
        {sfFact, 20.0, 0, 0, 2.43290200817664e+18, kExact},
        {sfFact, 170.0, 0, 0, 7.257415615307999e+306, kSeries},
        {sfFact2, 0.0, 0, 0, 1.0, 0},
        {sfFact2, 7.0, 0, 0, 105.0, 0},  // by hand: 7*5*3*1
        {sfFact2, 8.0, 0, 0, 384.0, 0},  // 8*6*4*2
        {sfCombin, 5.0, 2.0, 0, 10.0, 0},
        {sfCombin, 5.0, 5.0, 0, 1.0, 0},
        {sfCombin, 30.0, 15.0, 0, 155117520.0, 0},
        {sfCombin, 200.0, 190.0, 0, 2.245100430901328e+16, kSeries},
        {sfPermut, 5.0, 2.0, 0, 20.0, 0},
        {sfPermut, 5.0, 0.0, 0, 1.0, 0},
        {sfPermut, 10.0, 4.0, 0, 5040.0, 0},
        {sfPow, 2.0, -2.0, 0, 0.25, 0},
        {sfPow, 2.0, 2.9, 0, 4.0, 0},  // the power is truncated
        {sfPow, 1.5, 3.0, 0, 3.375, 0},
        {sfPow, 3.0, -3.0, 0, 0.037037037037037035, kExact},
        {sfPow, 0.0, 0.0, 0, 1.0, 0},
        {sfRoot, 8.0, 3.0, 0, 2.0, kExact},
        {sfRoot, -8.0, 3.0, 0, -2.0, kExact},
        {sfRoot, 4.0, -2.0, 0, 0.5, kExact},
        {sfRoot, 2.0, 5.0, 0, 1.148698354997035, kExact},
        {sfRoot, 10.0, -3.0, 0, 0.46415888336127786, kExact},
        {sfRoot, 1e-20, 2.0, 0, 0.0, 0},  // tiny values snap to zero
        {sfRoot, 1e-20, -2.0, 0, 1e10, kExact},
        {sfRoot, -1e-20, -3.0, 0, -4641588.8336127745, kExact},  // -(1e20)^(1/3)
        {sfRoot, -1e-20, 2.0, 0, 0.0, 0},  // tiny: 0 before the sign is looked at
        {sfRoot, 1e-20, 0.0, 0, 0.0, 0},
    });
}

TEST(ScalarFunctions, Distributions) {
    CheckTable({
        {sfPnor, 0.975, 0, 0, 1.959963984540054, 1e-8},
        {sfPnor, 0.05, 0, 0, -1.6448536269514729, 1e-8},
        {sfPnor, 0.3, 0, 0, -0.5244005127080409, 1e-8},
        // Clamped to 2^-23; the polynomial is good to about 1e-6 out there.
        {sfPnor, 0.0, 0, 0, -5.1665781197287535, 2e-6},
        {sfPnor, 1.0, 0, 0, 5.1665781197287535, 2e-6},
        {sfPnor, 2.0, 0, 0, 5.1665781197287535, 2e-6},
        {sfQnor, 0.0, 0, 0, 0.5, kExact},
        {sfQnor, 1.96, 0, 0, 0.024997895148220435, kTail},
        {sfQnor, -1.0, 0, 0, 0.8413447460685429, kTail},
        {sfQnor, 0.5, 0, 0, 0.3085375387259869, kTail},
        {sfQnor, 2.5, 0, 0, 0.006209665325776132, kTail},
        {sfQnor, 3.0, 0, 0, 0.0013498980316300933, kTail},
        {sfPt, 0.05, 10.0, 0, 2.2281388519649385, kQuantile},
        {sfPt, 0.01, 3.0, 0, 5.840909299756432, kQuantile},
        {sfPt, 0.2, 1.0, 0, 3.077683537207806, kQuantile},
        {sfPt, 1.0, 7.0, 0, 0.0, 0},
        {sfQt, 2.0, 5.0, 0, 0.10193947882985828, kSeries},
        {sfQt, -2.0, 5.0, 0, 0.10193947882985828, kSeries},  // two-sided
        {sfQt, 1.5, 4.0, 0, 0.208, kSeries},
        {sfQt, 2.5, 30.0, 0, 0.018115649068066706, kSeries},
        {sfQt, 1.0, 1.0, 0, 0.5, kSeries},
        {sfPchi2, 0.05, 3.0, 0, 7.814727903251178, kQuantile},
        {sfPchi2, 0.5, 10.0, 0, 9.34181776559197, kQuantile},
        {sfPchi2, 0.01, 1.0, 0, 6.634896601021217, kQuantile},
        {sfQchi2, 3.0, 2.0, 0, 0.22313016014842982, kSeries},
        {sfQchi2, 4.0, 3.0, 0, 0.26146412994911117, kTail},
        {sfQchi2, 12.0, 7.0, 0, 0.10055886850835878, kTail},
        {sfQchi2, 50.5, 40.0, 0, 0.12349983459578959, kSeries},
        {sfQchi2, 0.0, 5.0, 0, 1.0, 0},
        {sfPf, 0.05, 3.0, 20.0, 3.09839121214078, kQuantile},
        {sfPf, 0.01, 2.0, 7.0, 9.546578021102288, kQuantile},
        {sfPf, 0.1, 5.0, 5.0, 3.4529822480379053, kQuantile},
        {sfQf, 3.0, 3.0, 20.0, 0.054858618668295125, kSeries},
        {sfQf, 2.5, 4.0, 9.0, 0.11671494271656864, kSeries},
        {sfQf, 1.7, 1.0, 1.0, 0.41652159022711427, kSeries},
        {sfQf, 4.0, 3.0, 5.0, 0.08487699754151326, kSeries},
        {sfQf, 2.0, 6.0, 3.0, 0.3041052449399715, kSeries},
        {sfQf, 3.0, 2.0, 2.0, 0.25, kSeries},  // 1 / (1 + x)
    });
}

TEST(ScalarFunctions, BoxCoxPair) {
    CheckTable({
        {sfBce, 2.0, 0.5, 0, 0.8284271247461901, kExact},
        {sfBce, 3.0, 0.0, 0, 1.0986122886681098, kExact},
        {sfBce, 5.0, -1.0, 0, 0.8, kExact},
        {sfBce, 1.0, 0.0, 0, 0.0, 0},
        {sfBce, 0.0, 1.0, 0, -1.0, 0},  // |x| <= epsilon gives -1/lambda
        {sfInvBce, 1.5, 0.5, 0, 3.0625, kExact},
        {sfInvBce, 0.7, 0.0, 0, 2.0137527074704766, kExact},
    });
    EXPECT_NEAR(ApplyInverseBoxCox(ApplyBoxCox(2.0, 0.5), 0.5), 2.0, 1e-15);
    EXPECT_NEAR(ApplyBoxCox(2.0, 0.5), 0.8284271247461901, 1e-15);
}

TEST(ScalarFunctions, SignAndRealAndUnknownIndices) {
    EXPECT_EQ(Call(sfSgn, -3.0), -1.0);
    EXPECT_EQ(Call(sfSgn, 4.0), 1.0);
    EXPECT_EQ(Call(sfSgn, 0.0), 0.0);
    EXPECT_EQ(Call(sfSgn, -0.0), 0.0);
    EXPECT_EQ(Call(sfSgn, 1e-310), 0.0);  // subnormal
    EXPECT_EQ(Call(sfSgn, 2.2250738585072014e-308), 1.0);
    for (int index : {30, 45, 56, 99, 102, -1, 1000}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(Call(index, 2.5, 9.0, 9.0), 2.5);
    }
    // Functions without a value to compute do not touch the other slots.
    double a = 2.5;
    CallScalarFunction(sfReal, &a, nullptr, nullptr);
    EXPECT_EQ(a, 2.5);
}

TEST(ScalarFunctions, RoundToSignificantDigits) {
    struct Case {
        int digits;
        double x;
        double expected;
    };
    // By hand: half away from zero on the decimal value.
    const Case cases[] = {
        {2, 1234.0, 1200.0},
        {0, 3.14159265, 3.14159},  // 0 means 6 digits
        {-5, 123456.789, 123457.0},
        {1, 2.5, 3.0},
        {1, -2.5, -3.0},
        {2, 0.125, 0.13},
        {3, 9.996, 10.0},
        {20, 1.23456789012345678, 1.2345678901235},  // capped at 14
        {4, -0.000123456, -0.0001235},
        {3, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(RoundToSignificantDigits(c.digits, c.x), c.expected);
    }
    EXPECT_EQ(Call(sfRound, 1234.0, 2.0), 1200.0);
    EXPECT_EQ(Call(sfRound, 2.0 / 3.0, 7.0), 0.6666667);
    EXPECT_EQ(RoundToSignificantDigits(1, 1.7976931348623157e308), kInf);
    EXPECT_EQ(RoundToSignificantDigits(3, kInf), kInf);
    EXPECT_TRUE(std::isnan(RoundToSignificantDigits(3, kNaN)));
}

TEST(ScalarFunctions, OverflowOfFiniteArgumentsIsTheMathError) {
    struct Case {
        int index;
        double a, b, c;
    };
    const Case overflows[] = {
        {sfExp, 1000.0, 0, 0},  {sfSinh, -1000.0, 0, 0}, {sfFact, 171.0, 0, 0},  {sfFact, 1e12, 0, 0},
        {sfFact2, 301.0, 0, 0}, {sfFact2, 2e9, 0, 0},    {sfPermut, 2e9, 2e9, 0}, {sfCombin, 2e9, 1e9, 0},
        {sfPow, 10.0, 400.0, 0}, {sfGamma, 200.0, 0, 0},
    };
    for (const Case& c : overflows) {
        SCOPED_TRACE(c.index);
        EXPECT_THROW(Call(c.index, c.a, c.b, c.c), EMathError);
    }
    // An infinite argument may give an infinity.
    EXPECT_EQ(Call(sfFact, kInf), kInf);
    EXPECT_NEAR(Call(sfFact2, 300.0), 8.154414069380598e+307, 1e-12 * 8.154414069380598e+307);
}

template <class E>
void ExpectThrowWithText(int index, double a, double b, double c, const std::string& text) {
    try {
        Call(index, a, b, c);
        ADD_FAILURE() << "no exception for index " << index << " a=" << a << " b=" << b;
    } catch (const E& e) {
        EXPECT_EQ(e.Message(), text) << "index " << index;
    }
}

TEST(ScalarFunctions, DomainErrorsAndPolesFail) {
    const std::string range = "範囲エラー";
    const std::string zero = "０除算エラー";
    struct Case {
        int index;
        double a, b, c;
    };
    const Case domains[] = {
        {sfLog, -1, 0, 0},     {sfLog10, -5, 0, 0},   {sfSqrt, -1, 0, 0},   {sfAsin, 2, 0, 0},
        {sfAcos, -1.5, 0, 0},  {sfAcosh, 0.5, 0, 0},  {sfAtanh, 2, 0, 0},   {sfFisher, 1.5, 0, 0},
        {sfLnGamma, -2.5, 0, 0}, {sfLoga, -1, 10, 0}, {sfLoga, 8, -2, 0},
        {sfFrac, kInf, 0, 0},  {sfGamma, -kInf, 0, 0}, {sfPt, 0.05, 0, 0},  {sfQt, 2, -3, 0},
        {sfPchi2, 0.05, 0, 0}, {sfQchi2, 3, 0, 0},    {sfPf, 0.05, 0, 5},   {sfQf, 2, 3, 0},
    };
    for (const Case& c : domains) ExpectThrowWithText<EMathError>(c.index, c.a, c.b, c.c, range);
    const Case poles[] = {
        {sfLog, 0, 0, 0},      {sfLog, -0.0, 0, 0},   {sfLog10, 0, 0, 0},   {sfAtanh, 1, 0, 0},
        {sfAtanh, -1, 0, 0},   {sfFisher, 1, 0, 0},   {sfFisher, -1, 0, 0}, {sfGamma, 0, 0, 0},
        {sfGamma, -3, 0, 0},   {sfLnGamma, 0, 0, 0},  {sfLnGamma, -2, 0, 0}, {sfLoga, 0, 10, 0},
        {sfLoga, 5, 1, 0},     {sfLoga, 5, 0, 0},     {sfPow, 0, -1, 0},    {sfRoot, 8, 0, 0},
        {sfRoot, 0, -2, 0},    {sfRoot, -4, 2, 0},    {sfRoot, -4, -2, 0},  {sfRoot, -1e-20, -2, 0},
    };
    for (const Case& c : poles) ExpectThrowWithText<EZeroDivide>(c.index, c.a, c.b, c.c, zero);
    const Case counts[] = {
        {sfFact, -1, 0, 0},   {sfFact2, -1, 0, 0},  {sfCombin, 2, 3, 0},  {sfCombin, -1, 0, 0},
        {sfPermut, -1, 0, 0}, {sfPermut, 5, -1, 0}, {sfPermut, 2, 3, 0},
    };
    for (const Case& c : counts) ExpectThrowWithText<ERangeError>(c.index, c.a, c.b, c.c, range);
    // Integer arguments outside the int range are refused, never wrapped.
    EXPECT_THROW(Call(sfPow, 2.0, 1e10), ERangeError);
    EXPECT_THROW(Call(sfPt, 0.05, kNaN), ERangeError);
    EXPECT_THROW(Call(sfRound, 1.0, kInf), ERangeError);
    // A missing argument slot.
    double a = 1.0;
    EXPECT_THROW(CallScalarFunction(sfLoga, &a, nullptr, nullptr), Exception);
    EXPECT_THROW(CallScalarFunction(sfSin, nullptr, nullptr, nullptr), Exception);
}

TEST(ScalarFunctions, NaNArgumentsPassThroughWithoutError) {
    for (int index : {int(sfSin), int(sfLog), int(sfSqrt), int(sfGamma), int(sfExp), int(sfQnor),
                      int(sfFisherInv)}) {
        SCOPED_TRACE(index);
        EXPECT_TRUE(std::isnan(Call(index, kNaN)));
    }
    EXPECT_TRUE(std::isnan(Call(sfLoga, 8.0, kNaN)));
}

// A runaway loop here is ended by the test time-out.
TEST(ScalarFunctions, ExtremeArgumentsReturnPromptly) {
    const double big = 2147483647.0;
    EXPECT_EQ(Call(sfGamma, -300.5), 0.0);  // underflows
    EXPECT_THROW(Call(sfGamma, -1e300), EZeroDivide);  // every such double is an integer
    EXPECT_THROW(Call(sfGamma, 1e300), EMathError);
    EXPECT_EQ(Call(sfLnGamma, kInf), kInf);
    EXPECT_NEAR(Call(sfRoot, 2.0, big), 1.0, 1e-9);
    EXPECT_NEAR(Call(sfRoot, 2.0, -big - 1.0), 1.0, 1e-9);
    EXPECT_EQ(Call(sfPow, 2.0, -big - 1.0), 0.0);
    EXPECT_EQ(Call(sfPow, 1.0, big), 1.0);
    // Only termination matters here: a reported error is fine.
    const auto finishes = [](int index, double a, double b, double c) {
        try {
            Call(index, a, b, c);
        } catch (const Exception&) {
        }
    };
    finishes(sfPt, 0.05, big, 0);
    finishes(sfPt, 1e-300, 3.0, 0);
    finishes(sfPf, 0.05, big, big);
    finishes(sfPf, 1.0, 3.0, 4.0);
    finishes(sfPf, 0.0, 3.0, 4.0);
    finishes(sfQt, 1e300, big, 0);
    finishes(sfQf, 1e300, big, big);
    finishes(sfPchi2, 1e-300, 3.0, 0);
    finishes(sfPchi2, 1.0, big, 0);
    finishes(sfQchi2, 1e300, big, 0);
    finishes(sfPnor, -1e300, 0, 0);
    EXPECT_TRUE(std::isfinite(Call(sfSin, 1e300)));
}

TEST(OrderStatistics, Median) {
    std::vector<double> even = {1, 3, 2, 4};
    EXPECT_EQ(Median(even.data(), 4), 2.5);
    EXPECT_EQ(even, (std::vector<double>{1, 2, 3, 4}));  // sorted in place
    std::vector<double> odd = {5, 1, 9, 7, 3};
    EXPECT_EQ(Median(odd.data(), 5), 5.0);
    double one = 42.0;
    EXPECT_EQ(Median(&one, 1), 42.0);
    EXPECT_THROW(Median(&one, 0), ERangeError);
}

TEST(OrderStatistics, TrimMean) {
    // block[0] is the parameter; expected values from scipy.stats.trim_mean
    // (cut 0.1 at each end) and numpy on the sorted middle.
    const std::vector<double> data = {7.0, 1.5, 3.0, 10.0, 2.0, 8.5, 4.0, 6.0, 9.0, 5.0};
    struct Case {
        double p;
        double expected;
    };
    const Case cases[] = {
        {0.2, 5.5625},             // a fraction: one value off each end
        {2.0, 5.583333333333333},  // a count: two off each end
        {0.0, 5.6},                // plain mean
        {1e300, 5.5},              // capped at floor(10/2) - 1 = 4 per end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.p);
        std::vector<double> block = {c.p};
        block.insert(block.end(), data.begin(), data.end());
        EXPECT_NEAR(TrimMean(block.data(), static_cast<int>(block.size())), c.expected, 1e-15);
    }
    std::vector<double> small = {5.0, 1.0, 2.0, 3.0, 100.0};  // m = 4: at most one per end
    EXPECT_EQ(TrimMean(small.data(), 5), 2.5);
    std::vector<double> single = {0.5, 7.0};
    EXPECT_EQ(TrimMean(single.data(), 2), 7.0);
    std::vector<double> negative = {-0.1, 1.0, 2.0};
    EXPECT_THROW(TrimMean(negative.data(), 3), ERangeError);
    std::vector<double> nan = {kNaN, 1.0, 2.0};
    EXPECT_THROW(TrimMean(nan.data(), 3), ERangeError);
    double onlyP = 0.1;
    EXPECT_THROW(TrimMean(&onlyP, 1), ERangeError);
    try {
        TrimMean(negative.data(), 3);
    } catch (const ERangeError& e) {
        EXPECT_EQ(e.Message(), "範囲エラー");
    }
}

TEST(OrderStatistics, Percentile) {
    struct Case {
        std::vector<double> block;
        double expected;
    };
    // numpy.percentile with linear interpolation.
    const std::vector<Case> cases = {
        {{0.5, 1, 2, 3, 4}, 2.5},
        {{0.3, 10, 1, 4, 7}, 3.7},
        {{1.0, 3, 1, 2}, 3.0},
        {{0.0, 3, 1, 2}, 1.0},
        {{0.7, 8.0}, 8.0},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.block[0]);
        EXPECT_NEAR(Percentile(c.block.data(), static_cast<int>(c.block.size())), c.expected, 1e-15);
    }
    for (double p : {-0.01, 1.01, kNaN}) {
        std::vector<double> block = {p, 1.0, 2.0};
        EXPECT_THROW(Percentile(block.data(), 3), ERangeError);
    }
    double onlyP = 0.5;
    EXPECT_THROW(Percentile(&onlyP, 1), ERangeError);
}

}  // namespace

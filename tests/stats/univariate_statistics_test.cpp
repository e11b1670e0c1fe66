// The loaded statistics of one series against values worked out
// separately in 40-digit arithmetic: moments, order statistics, locations,
// plot correlations, trend rank correlations (average ranks for ties, pairs
// counted one by one), intervals of the mean and sigma, and the page texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/errors.h"
#include "stats/univariate_fields.h"
#include "stats/univariate_statistics.h"

namespace {

// Three values tie at 13.76.
const std::vector<double> kSeriesA = {13.76, 13.45, 16.34, 18.86, 12.11, 13.95, 17.83, 10.45, 14.43, 13.91,
                                      12.21, 13.8,  14.5,  18.02, 16.47, 13.76, 15.68, 17.65, 14.32, 14.89,
                                      15.21, 13.76, 13.05, 13.53, 12.1,  14.74, 13.94, 16.89, 15.59, 13.04};
const std::vector<double> kSeriesC = {14.38, 11.84, 13.72, 16.09, 16.5, 10.98,
                                      11.79, 14.91, 13.24, 15.32, 15.31, 16.09};
const std::vector<double> kSeriesE = {-6, -3,  -1.5, -0.8, -0.5, -0.3, -0.2, -0.1, -0.05, 0,
                                      0,  0.05, 0.1, 0.2,  0.3,  0.5,  0.8,  1.5,  3,     6};

UnivariateStatistics Load(const std::vector<double>& x) {
    return ComputeUnivariateStatistics(x.data(), static_cast<int>(x.size()));
}

// n - 1 equal values and one far away: every moment mark is due.
std::vector<double> OneOutlier(int n) {
    std::vector<double> x(n, 1.0);
    x[n / 2] = 100.0;
    return x;
}

}  // namespace

TEST(UnivariateStatistics, MomentsAndOrderStatistics) {
    const UnivariateStatistics s = Load(kSeriesA);
    EXPECT_EQ(s.n, 30);
    EXPECT_NEAR(s.mean, 14.608, 1e-13);
    EXPECT_NEAR(s.sd, 1.9552306504736784, 1e-14);
    EXPECT_NEAR(s.skewness, 0.34420292030359837, 1e-14);
    EXPECT_NEAR(s.kurtosis, 2.7690971077110983, 1e-14);
    EXPECT_NEAR(s.geary, 0.77992503491283734, 1e-14);
    EXPECT_EQ(s.minimum, 10.45);
    EXPECT_EQ(s.maximum, 18.86);
    EXPECT_NEAR(s.lowerQuartile, 13.5875, 1e-13);
    EXPECT_NEAR(s.upperQuartile, 15.6575, 1e-13);
    // The sort keeps the observation numbers.
    EXPECT_EQ(s.sortIndex.front(), 7);
    EXPECT_EQ(s.sortIndex.back(), 3);
    EXPECT_EQ(s.PlotPositionOf(3), 29);
    EXPECT_EQ(s.PlotPositionOf(30), -1);
}

TEST(UnivariateStatistics, LocationCycle) {
    const UnivariateStatistics s = Load(kSeriesA);
    const double expected[kLocationCount] = {14.135,          14.635,           14.604642857142857, 14.623,
                                             14.569615384615384, 14.358639967039381, 14.482856580580538};
    for (int i = 0; i < kLocationCount; ++i) {
        EXPECT_TRUE(s.locationValid[i]) << i;
        EXPECT_NEAR(s.location[i], expected[i], 1e-13) << i;
    }
    EXPECT_EQ(LocationCaption(kLocationMedian), "メジアン");
    EXPECT_EQ(LocationCaption(kLocationWinsorized1), "Wins-1");
    EXPECT_EQ(LocationCaption(kLocationGeometric), "幾何平均");
    // A value at or below zero: no harmonic or geometric mean.
    const UnivariateStatistics e = Load(kSeriesE);
    EXPECT_FALSE(e.locationValid[kLocationHarmonic]);
    EXPECT_FALSE(e.locationValid[kLocationGeometric]);
    EXPECT_EQ(LocationField(e, kLocationHarmonic), "-");
    EXPECT_EQ(LocationField(e, kLocationMedian), "0");
}

TEST(UnivariateStatistics, PlotCorrelationsAndRankCorrelations) {
    const UnivariateStatistics s = Load(kSeriesA);
    // Scores through the program's normal quantile (about 1e-9 relative).
    EXPECT_NEAR(s.normalPlotR, 0.98215047478599108, 1e-9);
    EXPECT_NEAR(s.halfNormalPlotR, 0.99068482715439965, 1e-9);
    EXPECT_NEAR(s.rankRho, -0.011345939933259177, 1e-15);
    EXPECT_NEAR(s.rankTau, -0.02528735632183908, 1e-15);
}

TEST(UnivariateStatistics, HalfNormalOrderKnowsItsObservations) {
    struct Case {
        std::vector<double> values;
        std::vector<int> observations;  // by |x - mean| ascending, worked by hand
    };
    const Case cases[] = {
        {{1, 2, 4, 7, 11}, {2, 3, 1, 0, 4}},    // mean 5: |d| = 4 3 1 2 6
        {{10, 0, 9, 3, 6}, {4, 3, 2, 0, 1}},    // mean 5.6: |d| = 4.4 5.6 3.4 2.6 0.4
        {{-8, 1, 1, 2, 4}, {1, 2, 3, 4, 0}},    // mean 0: |d| = 8 1 1 2 4 (ties either way)
    };
    for (const Case& c : cases) {
        const UnivariateStatistics s = ComputeUnivariateStatistics(c.values.data(), static_cast<int>(c.values.size()));
        ASSERT_EQ(s.absSortIndex.size(), c.observations.size());
        for (std::size_t p = 0; p < c.observations.size(); ++p) {
            const int obs = s.absSortIndex[p];
            EXPECT_NEAR(std::fabs(c.values[static_cast<std::size_t>(obs)] - s.mean) / s.sd, s.absStandardized[p], 1e-14);
            EXPECT_NEAR(c.values[static_cast<std::size_t>(obs)], c.values[static_cast<std::size_t>(c.observations[p])], 0.0)
                << p;
        }
    }
}

TEST(UnivariateStatistics, NormalityResultsAreStored) {
    const UnivariateStatistics s = Load(kSeriesA);
    EXPECT_NEAR(s.swW, 0.96442511833156434, 2e-10);
    EXPECT_NEAR(s.swSignificance, 0.555, 0.0011);
    EXPECT_NEAR(s.ddD, 0.27753396805531818, 1e-14);
    EXPECT_NEAR(s.adA2, 0.53542719994563774, 1e-9);
    EXPECT_EQ(s.randomness.maxLag, 7);
    EXPECT_NEAR(s.randomness.ljungBox, 7.2626490098190154, 1e-12);
}

TEST(UnivariateStatistics, IntervalsOfTheMeanAndSigma) {
    const UnivariateStatistics s = Load(kSeriesA);
    const Interval m = MeanInterval(s, 0.05);
    // The t point is a single-precision approximation.
    EXPECT_NEAR(m.lower, 13.877904876335596, 1e-5);
    EXPECT_NEAR(m.upper, 15.338095123664403, 1e-5);
    const Interval g = SigmaInterval(s, 0.05);
    // The chi-square points are found to about 3e-8 relative.
    EXPECT_NEAR(g.lower, 1.5571592451872343, 1e-7);
    EXPECT_NEAR(g.upper, 2.6284462423479387, 1e-7);
    // sd / c4(30); the factor of n + 1 would give 1.97191...
    EXPECT_NEAR(UnbiasedSigma(s), 1.9721555845992668, 1e-13);
    EXPECT_EQ(MeanIntervalText(s, 0.05), " 信頼区間 ( 13.8779 ... 15.3381)");
    EXPECT_EQ(SigmaIntervalText(s, 0.05), "umv[1.9722] : 信頼区間 ( 1.5572 ... 2.6284)");
}

TEST(UnivariateStatistics, FieldTextsCarryTheirMarks) {
    const UnivariateStatistics a = Load(kSeriesA), c = Load(kSeriesC), e = Load(kSeriesE);
    struct Case {
        std::string actual, expected;
    };
    const Case cases[] = {
        {SkewnessField(a, 0.05), "0.3442"},
        {KurtosisField(a, 0.05), "2.7691"},
        {GearyField(a, 0.05), "0.7799"},
        {ShapiroWilkField(a), "0.9644"},
        {DAgostinoField(a), "0.277534"},
        {AndersonDarlingField(a), "0.5354"},
        // Well inside D's 90 % range at n = 12 (0.2599 .. 0.2849).
        {DAgostinoField(c), "0.281377"},
        {ShapiroWilkField(e), "***0.8439"},
        {AndersonDarlingField(e), "***1.6169"},
        {DAgostinoField(e), "+++_0.236822"},
        // z = 2.60 but n = 20: the kurtosis mark needs n > 20.
        {KurtosisField(e, 0.05), "5.9306"},
        {RankCorrelationCaption(true), "S.R.C.C."},
        {RankCorrelationCaption(false), "K.R.C.C."},
        {RankCorrelationField(a, false), "-0.0253"},
    };
    for (const Case& k : cases) EXPECT_EQ(k.actual, k.expected);
}

TEST(UnivariateStatistics, MarksStartAtNineTwentyOneAndFortyOne) {
    struct Case {
        int n;
        bool skew, kurt, geary;
    };
    const Case cases[] = {{8, false, false, false},  {9, true, false, false}, {20, true, false, false},
                          {21, true, true, false},   {40, true, true, false}, {41, true, true, true}};
    for (const Case& c : cases) {
        const UnivariateStatistics s = Load(OneOutlier(c.n));
        EXPECT_EQ(SkewnessField(s, 0.05).rfind("* ", 0) == 0, c.skew) << c.n;
        EXPECT_EQ(KurtosisField(s, 0.05).rfind("* ", 0) == 0, c.kurt) << c.n;
        EXPECT_EQ(GearyField(s, 0.05).rfind("* ", 0) == 0, c.geary) << c.n;
    }
}

TEST(UnivariateStatistics, ShapiroWilkMarksFromSeven) {
    // Level 0.997 at n = 20; the same shape at n = 6 has no level at all.
    const UnivariateStatistics e = Load(kSeriesE);
    EXPECT_EQ(ShapiroWilkField(e).substr(0, 3), "***");
    const UnivariateStatistics six = Load({-6, -1, 0, 0.1, 1, 6});
    EXPECT_EQ(six.swSignificance, 0.0);
    EXPECT_EQ(ShapiroWilkField(six).find('*'), std::string::npos);
}

TEST(UnivariateStatistics, RefusedAndSmallestSeries) {
    const double three[] = {1, 2, 4};
    EXPECT_EQ(CheckUnivariateSeries(three, 3), UnivariateRefusal::TooFew);
    EXPECT_THROW(ComputeUnivariateStatistics(three, 3), ERangeError);
    const double flat[] = {2.5, 2.5, 2.5, 2.5, 2.5};
    EXPECT_EQ(CheckUnivariateSeries(flat, 5), UnivariateRefusal::Constant);
    EXPECT_EQ(ConstantSeriesMessage(2.5), "定数です = 2.5000");
    const double gap[] = {1, std::numeric_limits<double>::quiet_NaN(), 2, 3};
    EXPECT_EQ(CheckUnivariateSeries(gap, 4), UnivariateRefusal::NotFinite);
    EXPECT_THROW(ComputeUnivariateStatistics(gap, 4), ERangeError);

    const double four[] = {8, 1, 4, 2};
    EXPECT_EQ(CheckUnivariateSeries(four, 4), UnivariateRefusal::None);
    const UnivariateStatistics s = ComputeUnivariateStatistics(four, 4);
    EXPECT_EQ(s.randomness.maxLag, 1);
    EXPECT_EQ(s.adA2, 0.0);
    EXPECT_NEAR(s.swW, 0.92173897123201605, 2e-11);
    EXPECT_TRUE(s.locationValid[kLocationTrimmed1]);
    EXPECT_FALSE(s.locationValid[kLocationTrimmed2]);
    EXPECT_EQ(s.lowerQuartile, 1.75);
    EXPECT_EQ(s.upperQuartile, 5.0);
}

TEST(UnivariateStatistics, ChangingTheLagClampsIt) {
    UnivariateStatistics s = Load(kSeriesA);
    ChangeAutocorrelationLag(s, 0);
    EXPECT_EQ(s.randomness.maxLag, 1);
    ChangeAutocorrelationLag(s, 100);
    EXPECT_EQ(s.randomness.maxLag, 28);
    EXPECT_EQ(s.randomness.acf.size(), 29u);
}

TEST(UnivariateStatistics, AutocorrelationTexts) {
    // 1.96 / sqrt(30) = 0.35785 and 2.5758 / sqrt(30) = 0.47028.
    EXPECT_EQ(AutocorrelationLimitText(30), "0.3578/0.4703");
    EXPECT_EQ(AutocorrelationMark(1.0, 30), "**");
    EXPECT_EQ(AutocorrelationMark(-0.4, 30), "* ");
    EXPECT_EQ(AutocorrelationMark(0.35, 30), "");
    // Upper tail of chi-square(7) at 7.26265 is 0.40205: 40.3 % in 0.1 % steps.
    EXPECT_EQ(PortmanteauText(7.2626490098190154, 7), "7.2626 (40.3%)");
    // Two-sided normal level of 1.96 is 5.0 %.
    EXPECT_EQ(NormalTestText(1.96), "1.9600 (5.0%)");
}

TEST(UnivariateStatistics, SelectionStepsWrapAround) {
    EXPECT_EQ(InitialObservation(30), 15);
    EXPECT_EQ(InitialObservation(5), 2);
    EXPECT_EQ(NextObservation(28, 30), 29);
    EXPECT_EQ(NextObservation(29, 30), 0);
    EXPECT_EQ(PreviousObservation(1, 30), 0);
    EXPECT_EQ(PreviousObservation(0, 30), 29);
    // A selection typed outside 1..n steps back into the series.
    EXPECT_EQ(NextObservation(70, 30), 11);
    EXPECT_EQ(PreviousObservation(70, 30), 9);
    EXPECT_EQ(NextObservation(-6, 30), 25);
}

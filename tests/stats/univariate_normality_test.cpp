// Normality tests and robust locations against values worked out with a
// separate 40-digit evaluation of the same formulas (scores from the
// inverse error function, not from the program's quantile routine).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "stats/univariate_normality.h"

namespace {

const std::vector<double> kSeriesA = {13.76, 13.45, 16.34, 18.86, 12.11, 13.95, 17.83, 10.45, 14.43, 13.91,
                                      12.21, 13.8,  14.5,  18.02, 16.47, 13.76, 15.68, 17.65, 14.32, 14.89,
                                      15.21, 13.76, 13.05, 13.53, 12.1,  14.74, 13.94, 16.89, 15.59, 13.04};
const std::vector<double> kSeriesC = {14.38, 11.84, 13.72, 16.09, 16.5, 10.98,
                                      11.79, 14.91, 13.24, 15.32, 15.31, 16.09};
// Symmetric with long tails.
const std::vector<double> kSeriesE = {-6, -3,  -1.5, -0.8, -0.5, -0.3, -0.2, -0.1, -0.05, 0,
                                      0,  0.05, 0.1, 0.2,  0.3,  0.5,  0.8,  1.5,  3,     6};

struct NormalityCase {
    const std::vector<double>* x;
    double mean, sd, skewness, kurtosis;
    double w, significance, d;
    int mark;
    double skewZ, kurtZ, a2;
};

const NormalityCase kCases[] = {
    {&kSeriesA, 14.608, 1.9552306504736784, 0.34420292030359837, 2.7690971077110983, 0.96442511833156434, 0.555,
     0.27753396805531818, 0, 0.88768981402606456, 0.17347656336317783, 0.53542719994563774},
    {&kSeriesC, 14.180833333333333, 1.8672023717234555, -0.44504270863812934, 1.8568578371607122,
     0.92445613065719423, 0.694, 0.28137717332500468, 0, -0.83231885228674449, -0.97589328876662473,
     0.41476804643513126},
    {&kSeriesE, 0.0, 0.0, 0.0, 5.9306130797684815, 0.84392529908318582, 0.997, 0.23682172998282308, 3, 0.0,
     2.5991502903028564, 1.6168636270959892},
};

std::vector<double> Sorted(const std::vector<double>& x) {
    std::vector<double> s(x);
    std::sort(s.begin(), s.end());
    return s;
}

std::vector<double> Standardized(const std::vector<double>& sorted) {
    const double n = static_cast<double>(sorted.size());
    double mean = 0, ss = 0;
    for (double v : sorted) mean += v / n;
    for (double v : sorted) ss += (v - mean) * (v - mean);
    const double sd = std::sqrt(ss / (n - 1));
    std::vector<double> z;
    for (double v : sorted) z.push_back((v - mean) / sd);
    return z;
}

}  // namespace

TEST(UnivariateNormality, ShapiroWilkMatchesTheWeightedFormula) {
    for (const NormalityCase& c : kCases) {
        const std::vector<double> s = Sorted(*c.x);
        double significance = -1;
        // The scores come through the program's normal quantile (about 1e-9
        // relative), hence the tolerance.
        EXPECT_NEAR(ShapiroWilkW(s.data(), static_cast<int>(s.size()), &significance), c.w, 2e-10);
        // The level moves in 0.001 steps; one step of slack.
        EXPECT_NEAR(significance, c.significance, 0.0011);
    }
}

TEST(UnivariateNormality, ShapiroWilkSignificanceOnlyFromSevenToTwoThousand) {
    const std::vector<double> six = {1, 2, 4, 7, 11, 30};
    double significance = -1;
    EXPECT_GT(ShapiroWilkW(six.data(), 6, &significance), 0.0);
    EXPECT_EQ(significance, 0.0);
    std::vector<double> big(2001);
    for (int i = 0; i < 2001; ++i) big[i] = std::exp(i / 500.0);
    significance = -1;
    EXPECT_GT(ShapiroWilkW(big.data(), 2001, &significance), 0.0);
    EXPECT_EQ(significance, 0.0);
    big.resize(2000);
    EXPECT_GT(ShapiroWilkW(big.data(), 2000, &significance), 0.0);
    EXPECT_GT(significance, 0.99);  // strongly skewed
}

TEST(UnivariateNormality, ShapiroWilkWithFourValuesStaysAProperRatio) {
    // For n = 4 the extreme weight alone exceeds one half, so the middle
    // weights come from the normalised scores.
    const double x[] = {1, 2, 4, 8};
    const double w = ShapiroWilkW(x, 4, nullptr);
    EXPECT_NEAR(w, 0.92173897123201605, 2e-11);
}

TEST(UnivariateNormality, DAgostinoDAndItsMark) {
    for (const NormalityCase& c : kCases) {
        const std::vector<double> s = Sorted(*c.x);
        int mark = 99;
        EXPECT_NEAR(DAgostinoD(s.data(), static_cast<int>(s.size()), &mark), c.d, 1e-14);
        EXPECT_EQ(mark, c.mark);
    }
}

// A normal sample is marked at a level about as often as that level says,
// half of it on each side: at small sizes (simulated critical points), in
// the middle and beyond 200 (the moment expansion).
TEST(UnivariateNormality, DAgostinoMarksComeAsOftenAsTheirLevels) {
    std::mt19937_64 engine(20260417);
    std::normal_distribution<double> normal;
    const int kSamples = 20000;
    const double kLevels[3] = {0.01, 0.05, 0.1};
    for (int n : {4, 8, 16, 30, 60, 120, 250}) {
        SCOPED_TRACE(n);
        int marked[2][3] = {};  // [D too large (-), too small (+)][1, 5, 10 %]
        std::vector<double> x(static_cast<std::size_t>(n));
        for (int s = 0; s < kSamples; ++s) {
            for (double& v : x) v = normal(engine);
            std::sort(x.begin(), x.end());
            int mark = 0;
            DAgostinoD(x.data(), n, &mark);
            // A mark at 1 % is significant at 5 and 10 % as well.
            for (int level = 0; level < 3; ++level)
                if (std::abs(mark) >= 3 - level) ++marked[mark < 0 ? 0 : 1][level];
        }
        for (int side = 0; side < 2; ++side)
            for (int level = 0; level < 3; ++level) {
                const double p = kLevels[level] / 2;
                const double spread = std::sqrt(kSamples * p * (1 - p));
                EXPECT_NEAR(marked[side][level], kSamples * p, 4.5 * spread)
                    << (side == 0 ? "upper" : "lower") << " side at " << kLevels[level];
            }
    }
}

// Longley's GNP, 1947 to 1962 (n = 16). D by a direct computation.
const std::vector<double> kLongleyGnp = {234289, 259426, 258054, 284599, 328975, 346999, 365385, 363112,
                                         397469, 419180, 442769, 444546, 482704, 502601, 518173, 554894};

TEST(UnivariateNormality, DAgostinoMarksSamplesByTheirSide) {
    std::vector<double> logGnp;
    for (double v : kLongleyGnp) logGnp.push_back(std::log(v));
    // Evenly spaced (uniform) values have D = sqrt((1 - 1/n^2) / 12), above a
    // normal sample's; exponential scores -ln(1 - i/(n+1)) fall below it.
    std::vector<double> even, exponential;
    for (int i = 1; i <= 20; ++i) even.push_back(i);
    for (int i = 1; i <= 50; ++i) exponential.push_back(-std::log(1 - i / 51.0));
    const struct {
        const char* name;
        std::vector<double> x;
        double d;
        int mark;
    } kSamples[] = {
        // Inside D's 90 % range at n = 16 (0.2634 .. 0.2856).
        {"log GNP", logGnp, 0.28497778317478528, 0},
        // Above the 99.5 % point at n = 16 (0.2867).
        {"GNP", kLongleyGnp, 0.28689695159634143, -3},
        {"uniform", even, 0.28831406486676986, -3},
        {"exponential", exponential, 0.26230681785989773, 3},
    };
    for (const auto& k : kSamples) {
        SCOPED_TRACE(k.name);
        const std::vector<double> s = Sorted(k.x);
        int mark = 99;
        EXPECT_NEAR(DAgostinoD(s.data(), static_cast<int>(s.size()), &mark), k.d, 1e-15);
        EXPECT_EQ(mark, k.mark);
    }
}

TEST(UnivariateNormality, SkewnessAndKurtosisZ) {
    for (const NormalityCase& c : kCases) {
        const int n = static_cast<int>(c.x->size());
        EXPECT_NEAR(SkewnessZ(n, c.skewness), c.skewZ, 1e-12);
        EXPECT_NEAR(KurtosisZ(n, c.kurtosis), c.kurtZ, 1e-12);
    }
}

TEST(UnivariateNormality, KurtosisZTakesTheNegativeCubeRoot) {
    // A b2 of 0.5 at n = 25 makes the cube-root argument -5.40; a real
    // cube root gives a finite z.
    EXPECT_NEAR(KurtosisZ(25, 0.5), 24.817398076850145, 1e-10);
    EXPECT_NEAR(KurtosisZ(25, 9.0), 3.5428123968990977, 1e-12);
}

TEST(UnivariateNormality, AndersonDarlingCorrected) {
    for (const NormalityCase& c : kCases) {
        const std::vector<double> z = Standardized(Sorted(*c.x));
        EXPECT_NEAR(AndersonDarlingA2(z.data(), static_cast<int>(z.size())), c.a2, 1e-9);
    }
}

TEST(UnivariateNormality, AndersonDarlingIsZeroBelowEight) {
    const std::vector<double> z = Standardized({1, 2, 3, 5, 8, 13, 21, 34});
    EXPECT_EQ(AndersonDarlingA2(z.data(), 7), 0.0);
    EXPECT_GT(AndersonDarlingA2(z.data(), 8), 0.0);
}

TEST(UnivariateNormality, RobustLocationsOfOneToFourAndAHundred) {
    const double x[] = {1, 2, 3, 4, 100};
    const RobustLocationSet r = RobustLocations(x, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(r.valid[i]) << i;
        EXPECT_DOUBLE_EQ(r.value[i], 3.0) << i;
    }
}

TEST(UnivariateNormality, RobustLocationsNeedEnoughValues) {
    struct Case {
        int n;
        int valid;
        double median, wins1, trim1;
    };
    const double x[] = {2, 3, 7, 20};
    const Case cases[] = {{1, 0, 0, 0, 0}, {2, 1, 2.5, 0, 0}, {3, 3, 3, 3, 3}, {4, 3, 5, 5, 5}};
    for (const Case& c : cases) {
        const RobustLocationSet r = RobustLocations(x, c.n);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(r.valid[i], i < c.valid) << c.n << " " << i;
        if (c.valid > 0) {
            EXPECT_DOUBLE_EQ(r.value[0], c.median);
        }
        if (c.valid > 1) {
            EXPECT_DOUBLE_EQ(r.value[1], c.wins1);
            EXPECT_DOUBLE_EQ(r.value[2], c.trim1);
        }
    }
    // Six values: twice-Winsorized (3 * 4 + 3 * 5) / 6 = 4.5, twice-trimmed 4.5.
    const double six[] = {-50, 1, 4, 5, 9, 80};
    const RobustLocationSet r = RobustLocations(six, 6);
    EXPECT_DOUBLE_EQ(r.value[3], 4.5);
    EXPECT_DOUBLE_EQ(r.value[4], 4.5);
    EXPECT_DOUBLE_EQ(r.value[1], (1 + 1 + 4 + 5 + 9 + 9) / 6.0);
    EXPECT_DOUBLE_EQ(r.value[2], 19 / 4.0);
}

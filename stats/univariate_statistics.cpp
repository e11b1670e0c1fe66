#include "stats/univariate_statistics.h"

#include <algorithm>
#include <cmath>

#include "core/numeric/distributions.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "platform/errors.h"
#include "stats/univariate_box_plot.h"
#include "stats/univariate_normality.h"

UnivariateRefusal CheckUnivariateSeries(const double* values, int n) {
    if (n < 4) return UnivariateRefusal::TooFew;
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(values[i])) return UnivariateRefusal::NotFinite;
    if (IsConstantSeries(values, n)) return UnivariateRefusal::Constant;
    return UnivariateRefusal::None;
}

std::string ConstantSeriesMessage(double value) { return "定数です = " + FormatNumber(true, value); }

const std::string& LocationCaption(int index) {
    static const std::string kCaptions[kLocationCount] = {"メジアン", "Wins-1",   "Trim-1",  "Wins-2",
                                                          "Trim-2",   "調和平均", "幾何平均"};
    return kCaptions[std::clamp(index, 0, kLocationCount - 1)];
}

int UnivariateStatistics::PlotPositionOf(int observation) const {
    for (int p = 0; p < n; ++p)
        if (sortIndex[p] == observation) return p;
    return -1;
}

int InitialObservation(int n) { return n / 2; }

namespace {

int WrapObservation(long long k, int n) {
    if (n < 1) return 0;
    const long long r = k % n;
    return static_cast<int>(r < 0 ? r + n : r);
}

}  // namespace

int NextObservation(int selected, int n) { return WrapObservation(static_cast<long long>(selected) + 1, n); }
int PreviousObservation(int selected, int n) { return WrapObservation(static_cast<long long>(selected) - 1, n); }

namespace {

double InterpolatedQuantile(const std::vector<double>& x, double q) {
    const double h = (static_cast<double>(x.size()) - 1) * q;
    const std::size_t i = static_cast<std::size_t>(h);
    if (i + 1 >= x.size()) return x.back();
    return x[i] + (x[i + 1] - x[i]) * (h - static_cast<double>(i));
}

void SortWithIndex(UnivariateStatistics& s) {
    // Equal values keep their observation order.
    std::vector<std::pair<double, int>> keyed(static_cast<std::size_t>(s.n));
    for (int i = 0; i < s.n; ++i) keyed[i] = {s.values[i], i};
    std::sort(keyed.begin(), keyed.end());
    s.sorted.resize(keyed.size());
    s.sortIndex.resize(keyed.size());
    for (std::size_t p = 0; p < keyed.size(); ++p) {
        s.sorted[p] = keyed[p].first;
        s.sortIndex[p] = keyed[p].second;
    }
}

// Spearman's rho and Kendall's tau of the ranks against the order 1..n.
// Values within their rounding (TieTolerance) share the average rank; the
// ranks come from the sorted values in one sweep.
void ComputeTrendRankCorrelations(UnivariateStatistics& s) {
    const int n = s.n;
    const std::vector<double>& v = s.sorted;
    std::vector<double> rank(static_cast<std::size_t>(n));
    const double tie = TieTolerance(v.data(), n);
    int below = 0, within = 0;  // values below x by more than tie; values up to x + tie
    for (int p = 0; p < n; ++p) {
        const double x = v[p];
        while (below < n && x - v[below] > tie) ++below;
        if (within < p + 1) within = p + 1;
        while (within < n && v[within] - x <= tie) ++within;
        rank[s.sortIndex[p]] = 1.0 + below + 0.5 * (within - below - 1);
    }
    long double d2 = 0.0L;
    for (int i = 0; i < n; ++i) {
        const long double d = (i + 1) - rank[i];
        d2 += d * d;
    }
    const double nn = n;
    s.rankRho = static_cast<double>(1.0L - 6.0L * d2 / (static_cast<long double>(nn) * nn * nn - nn));
    s.rankTau = 4.0 * static_cast<double>(CountAscendingPairs(rank.data(), n)) / (nn * nn - nn) - 1.0;
}

void ComputeMoments(UnivariateStatistics& s) {
    const int n = s.n;
    long double sum = 0.0L;
    for (double x : s.values) sum += x;
    s.mean = static_cast<double>(sum / n);
    long double s2 = 0.0L, s3 = 0.0L, s4 = 0.0L, sa = 0.0L;
    for (double x : s.sorted) {
        const long double d = x - s.mean, d2 = d * d;
        s2 += d2;
        s3 += d2 * d;
        s4 += d2 * d2;
        sa += d < 0 ? -d : d;
    }
    s.minimum = s.sorted.front();
    s.maximum = s.sorted.back();
    s.sd = std::sqrt(static_cast<double>(s2 / (n - 1)));
    const double m2 = static_cast<double>(s2 / n);
    s.skewness = static_cast<double>(s3) / (n * std::pow(m2, 1.5));
    s.kurtosis = static_cast<double>(s4) / (n * m2 * m2);
    s.geary = static_cast<double>(sa) / (n * s.sd);
}

void ComputeLocations(UnivariateStatistics& s) {
    const RobustLocationSet robust = RobustLocations(s.sorted.data(), s.n);
    for (int i = 0; i < 5; ++i) {
        s.location[i] = robust.value[i];
        s.locationValid[i] = robust.valid[i];
    }
    double geo = 0.0, harm = 0.0;
    const bool positive = GeometricHarmonicMeans(&geo, &harm, s.n, s.values.data());
    s.location[kLocationGeometric] = positive ? geo : 0.0;
    s.location[kLocationHarmonic] = positive ? harm : 0.0;
    s.locationValid[kLocationGeometric] = s.locationValid[kLocationHarmonic] = positive;
}

}  // namespace

UnivariateStatistics ComputeUnivariateStatistics(const double* values, int n, int maxLag) {
    if (CheckUnivariateSeries(values, n) != UnivariateRefusal::None)
        throw ERangeError("単変量統計: このデータは扱えません");
    UnivariateStatistics s;
    s.n = n;
    s.values.assign(values, values + n);
    SortWithIndex(s);
    ComputeMoments(s);
    ComputeLocations(s);
    s.lowerQuartile = InterpolatedQuantile(s.sorted, 0.25);
    s.upperQuartile = InterpolatedQuantile(s.sorted, 0.75);

    s.normalScores.resize(static_cast<std::size_t>(n));
    s.halfNormalScores.resize(static_cast<std::size_t>(n));
    NormalScores(s.normalScores.data(), n, false);
    NormalScores(s.halfNormalScores.data(), n, true);
    s.swW = ShapiroWilkWFromScores(s.sorted.data(), s.normalScores.data(), n, &s.swSignificance);
    s.ddD = DAgostinoD(s.sorted.data(), n, &s.dagostinoMark);

    s.standardizedSorted.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) s.standardizedSorted[i] = (s.sorted[i] - s.mean) / s.sd;
    // |z| ascending with the observation of each: the sorted values meet
    // the mean once, so the two sides merge outward from there.
    s.absStandardized.resize(static_cast<std::size_t>(n));
    s.absSortIndex.resize(static_cast<std::size_t>(n));
    const auto& z = s.standardizedSorted;
    int up = static_cast<int>(std::lower_bound(z.begin(), z.end(), 0.0) - z.begin());
    int down = up - 1;
    for (int p = 0; p < n; ++p) {
        const bool takeUp = down < 0 || (up < n && std::fabs(z[up]) <= std::fabs(z[down]));
        const int from = takeUp ? up++ : down--;
        s.absStandardized[p] = std::fabs(z[from]);
        s.absSortIndex[p] = s.sortIndex[from];
    }
    s.adA2 = AndersonDarlingA2(s.standardizedSorted.data(), n);
    s.normalPlotR = ComputeCorrelations(s.normalScores.data(), s.standardizedSorted.data(), n, nullptr, nullptr);
    s.halfNormalPlotR = ComputeCorrelations(s.halfNormalScores.data(), s.absStandardized.data(), n, nullptr, nullptr);

    ComputeTrendRankCorrelations(s);
    s.boxPlot = ComputeBoxPlot(s);

    ChangeAutocorrelationLag(s, maxLag < 1 ? DefaultAutocorrelationLag(n) : maxLag);
    return s;
}

void ChangeAutocorrelationLag(UnivariateStatistics& s, int maxLag) {
    s.randomness = ComputeRandomnessTests(s.values.data(), s.n, maxLag);
}

Interval MeanInterval(const UnivariateStatistics& s, double alpha) {
    const double t = TUpperQuantileApprox(s.n - 1, static_cast<float>(alpha * 0.5));
    const double h = t * s.sd / std::sqrt(static_cast<double>(s.n));
    return {s.mean - h, s.mean + h};
}

Interval SigmaInterval(const UnivariateStatistics& s, double alpha) {
    const int df = s.n - 1;
    const double lower = std::sqrt(df / ChiSquareUpperQuantile(df, alpha / 2)) * s.sd;
    const double upper = std::sqrt(df / ChiSquareUpperQuantile(df, 1 - alpha / 2)) * s.sd;
    return {lower, upper};
}

double UnbiasedSigma(const UnivariateStatistics& s) {
    const double n = s.n;
    const double k = std::sqrt((n - 1) / 2) * std::exp(std::lgamma((n - 1) / 2) - std::lgamma(n / 2));
    return k * s.sd;
}

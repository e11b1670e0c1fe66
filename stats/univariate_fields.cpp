#include "stats/univariate_fields.h"

#include <cmath>
#include <cstdio>

#include "core/numeric/distributions.h"
#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "stats/univariate_normality.h"

namespace {

std::string Marked(bool marked, double x) {
    return (marked ? SingleSignificanceMark() : std::string()) + FormatNumber(false, x);
}

}  // namespace

double TwoSidedNormalPoint(double alpha) { return NormalUpperQuantileApprox(static_cast<float>(alpha * 0.5)); }

std::string SkewnessField(const UnivariateStatistics& s, double alpha) {
    const bool marked = s.n > 8 && std::fabs(SkewnessZ(s.n, s.skewness)) >= TwoSidedNormalPoint(alpha);
    return Marked(marked, s.skewness);
}

std::string KurtosisField(const UnivariateStatistics& s, double alpha) {
    const bool marked = s.n > 20 && std::fabs(KurtosisZ(s.n, s.kurtosis)) >= TwoSidedNormalPoint(alpha);
    return Marked(marked, s.kurtosis);
}

std::string GearyField(const UnivariateStatistics& s, double alpha) {
    const double z = std::sqrt(static_cast<double>(s.n)) * (s.geary - 0.7978845608) * 4.710365157587198;
    return Marked(s.n > 40 && std::fabs(z) >= TwoSidedNormalPoint(alpha), s.geary);
}

std::string ShapiroWilkField(const UnivariateStatistics& s) {
    std::string mark;
    if (s.n >= 7) {
        if (s.swSignificance >= 0.99)
            mark = "***";
        else if (s.swSignificance >= 0.95)
            mark = DoubleSignificanceMark();
        else if (s.swSignificance >= 0.9)
            mark = SingleSignificanceMark();
    }
    return mark + FormatNumber(false, s.swW);
}

std::string DAgostinoField(const UnivariateStatistics& s) {
    static const char* const kMarks[7] = {"---_", "--_", "-_", "", "+_", "++_", "+++_"};
    char digits[64];
    std::snprintf(digits, sizeof digits, "%8.6f", s.ddD);
    const int mark = s.dagostinoMark < -3 ? -3 : s.dagostinoMark > 3 ? 3 : s.dagostinoMark;
    return std::string(kMarks[mark + 3]) + digits;
}

std::string AndersonDarlingField(const UnivariateStatistics& s) {
    std::string mark;
    if (s.adA2 > 1.035)
        mark = "***";
    else if (s.adA2 > 0.752)
        mark = DoubleSignificanceMark();
    else if (s.adA2 > 0.631)
        mark = SingleSignificanceMark();
    return mark + FormatNumber(false, s.adA2);
}

std::string LocationField(const UnivariateStatistics& s, int index) {
    if (index < 0 || index >= kLocationCount || !s.locationValid[index]) return "-";
    return FormatNumber(false, s.location[index]);
}

std::string RankCorrelationCaption(bool spearman) { return spearman ? "S.R.C.C." : "K.R.C.C."; }

std::string RankCorrelationField(const UnivariateStatistics& s, bool spearman) {
    return FormatNumber(false, spearman ? s.rankRho : s.rankTau);
}

std::string MeanIntervalText(const UnivariateStatistics& s, double alpha) {
    const Interval i = MeanInterval(s, alpha);
    return " 信頼区間 ( " + FormatNumber(false, i.lower) + " ... " + FormatNumber(false, i.upper) + ")";
}

std::string SigmaIntervalText(const UnivariateStatistics& s, double alpha) {
    const Interval i = SigmaInterval(s, alpha);
    return "umv[" + FormatNumber(false, UnbiasedSigma(s)) + "] :" + " 信頼区間 ( " + FormatNumber(false, i.lower) +
           " ... " + FormatNumber(false, i.upper) + ")";
}

double AutocorrelationBand95(int n) { return 1.96 / std::sqrt(static_cast<double>(n)); }
double AutocorrelationBand99(int n) { return 2.5758 / std::sqrt(static_cast<double>(n)); }

std::string AutocorrelationLimitText(int n) {
    return FormatNumber(false, AutocorrelationBand95(n)) + "/" + FormatNumber(false, AutocorrelationBand99(n));
}

std::string AutocorrelationMark(double r, int n) {
    const double a = std::fabs(r);
    if (a > AutocorrelationBand99(n)) return DoubleSignificanceMark();
    if (a > AutocorrelationBand95(n)) return SingleSignificanceMark();
    return std::string();
}

std::string PortmanteauText(double q, int maxLag) {
    return FormatNumber(false, q) + " (" + FormatPercent(ChiSquareSignificanceLevel(maxLag, q)) + ")";
}

std::string NormalTestText(double z) {
    return FormatNumber(false, z) + " (" + FormatPercent(NormalSignificanceLevel(z)) + ")";
}

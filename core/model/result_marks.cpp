#include "core/model/result_marks.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "core/model/regression_model.h"
#include "core/numeric/distributions.h"
#include "core/numeric/statistics.h"
#include "core/text/float_format.h"
#include "core/text/number_format.h"
#include "resources/string_table.h"

namespace {
constexpr double kRateLimit = 9999.0;
}  // namespace

namespace {

// The picture "+###0.00;-###0.00" of a value that does not round to zero:
// the sign, the whole part and two decimals rounded half away from zero on
// the exact value (10^2 is exact, the fused multiply-add decides the tie).
bool QuickErrorRate(double percent, std::string& out) {
    const double a = std::fabs(percent);
    if (!(a >= 0.005 && a <= kRateLimit)) return false;
    const double f = std::floor(a * 100.0);
    double units = std::fma(a, 100.0, -f) < 0.0 ? f - 1.0 : f;
    if (std::fma(a, 100.0, -(units + 0.5)) >= 0.0) units += 1.0;
    const long long u = static_cast<long long>(units);
    if (u == 0) return false;
    char buffer[24];
    const int n = std::snprintf(buffer, sizeof buffer, "%c%lld.%02lld", percent < 0 ? '-' : '+', u / 100, u % 100);
    out.assign(buffer, static_cast<std::size_t>(n));
    return true;
}

}  // namespace

std::string ErrorRateText(double percent) {
    if (percent > kRateLimit) return "+∞";
    if (percent < -kRateLimit) return "-∞";
    if (std::isnan(percent)) return FormatNumber(false, percent);
    std::string quick;
    if (QuickErrorRate(percent, quick)) return quick;
    return FormatFloat(LoadStr(kStrErrorRatioPicture), percent);
}

std::string StudentMark(int residualDf, double t) {
    if (residualDf < 2 || !std::isfinite(t)) return {};
    const double level = TSignificanceLevel(residualDf - 1, t);
    if (level < 1.0) return DoubleSignificanceMark();
    if (level < 5.0) return SingleSignificanceMark();
    return {};
}

namespace {

// The smallest critical t of the steps 1 .. last of the stepped level: a
// statistic reaching it has a level of at most last x 0.1 %.
double SmallestCritical(int df, int last) {
    const float h = 1.0f / 2000.0f;
    double smallest = std::numeric_limits<double>::infinity();
    for (int i = 1; i <= last; ++i) {
        const double c = TUpperQuantileApprox(df, static_cast<float>(i) * h);
        if (c < smallest) smallest = c;
    }
    return smallest;
}

}  // namespace

StudentMarker::StudentMarker(int residualDf) {
    if (residualDf < 2) return;
    usable_ = true;
    // Levels below 1.0 and 5.0 are steps up to 9 and 49.
    atOne_ = SmallestCritical(residualDf - 1, 9);
    atFive_ = SmallestCritical(residualDf - 1, 49);
}

const std::string& StudentMarker::Mark(double t) const {
    static const std::string kNone;
    if (!usable_ || !std::isfinite(t)) return kNone;
    const double a = std::fabs(t);
    if (a >= atOne_) return DoubleSignificanceMark();
    if (a >= atFive_) return SingleSignificanceMark();
    return kNone;
}

InfluenceCutoffs ComputeInfluenceCutoffs(const Reg& model) {
    return ComputeInfluenceCutoffs(model.GetObsCount(), model.GetResidualDf());
}

InfluenceCutoffs ComputeInfluenceCutoffs(int obsCount, int residualDf) {
    InfluenceCutoffs cut;
    cut.n = obsCount;
    cut.df = residualDf;
    cut.p = cut.n - cut.df;
    if (cut.n < 1) return cut;
    const double n = cut.n, p = cut.p, df = cut.df;
    cut.covratioLow = 1.0 - 3.0 * p / n;
    cut.covratioHigh = 1.0 + 3.0 * p / n;
    cut.dfbeta = 2.0 / std::sqrt(n);
    if (cut.df >= 1) {
        cut.dffits = 2.0 * std::sqrt(p / df);
        cut.welsch = 2.0 * std::sqrt(p * n * (n - 1.0)) / df;
    }
    if (cut.df >= 2) {
        const double f = FUpperQuantile(1, cut.df - 1, 0.1);
        cut.cooksD = f / (f + df - 1.0);
    }
    return cut;
}

ResultMarks::ResultMarks(const InfluenceCutoffs& cut) : cut_(cut), student_(cut.df) {}

const std::string& ResultMarks::Mark(ResultColumn column, double v) const {
    static const std::string kNone;
    switch (column.kind) {
    case ResultKind::Diagnostic:
        return column.index == Reg::kRowStudentExternal ? student_.Mark(v) : kNone;
    case ResultKind::Influence:
        switch (column.index) {
        case 1:
            if (v < cut_.covratioLow) return DoubleSignificanceMark();
            return v > cut_.covratioHigh ? SingleSignificanceMark() : kNone;
        case 2: return cut_.dffits && std::fabs(v) > *cut_.dffits ? SingleSignificanceMark() : kNone;
        case 3: return cut_.cooksD && v > *cut_.cooksD ? SingleSignificanceMark() : kNone;
        case 4: return cut_.welsch && v > *cut_.welsch ? SingleSignificanceMark() : kNone;
        default: return kNone;
        }
    case ResultKind::ScaledDfbeta:
    case ResultKind::RawDfbeta: return std::fabs(v) > cut_.dfbeta ? SingleSignificanceMark() : kNone;
    default: return kNone;
    }
}

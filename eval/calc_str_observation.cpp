// The per-observation functions of formulas (observation mode only): index,
// lag, fdif, gradz, grad, pred, rank and standard.
#include <cmath>
#include <string_view>
#include <vector>

#include "core/numeric/matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "core/model/regression_model.h"
#include "eval/calc_str.h"
#include "eval/calc_str_internal.h"
#include "eval/calc_str_token_cache.h"
#include "platform/errors.h"

namespace {

enum ObsFunction { ofIndex, ofLag, ofFdif, ofGradz, ofGrad, ofPred, ofRank, ofStandard, ofNone };

constexpr std::string_view kObsFunctionNames[] = {"index", "lag", "fdif", "gradz", "grad", "pred", "rank", "standard"};

// One column of values: a variable's data values, or its design column.
struct Column {
    const Reg& reg;
    int j;
    bool design;

    double At(int i) const { return design ? reg.GetDesignValue(i, j) : reg.GetValue(i, j); }
    double Mean(double* sd) const {
        if (!design) {
            *sd = reg.GetStdDev(j);
            return reg.GetMean(j);
        }
        const Reg::DesignColumnSummary s = reg.DesignSummary(j);
        *sd = s.sd;
        return s.mean;
    }
    double Max(double* min) const {
        if (!design) {
            *min = reg.GetMin(j);
            return reg.GetMax(j);
        }
        const Reg::DesignColumnSummary s = reg.DesignSummary(j);
        *min = s.min;
        return s.max;
    }
};

// Grade 1..10 of a z score in half standard deviations.
int GradeOfZ(double z) {
    static constexpr double kLimits[] = {-2.0, -1.5, -1.0, -0.5, 0.0, 0.5, 1.0, 1.5, 2.0};
    int grade = 1;
    for (double limit : kLimits) {
        if (z < limit) return grade;
        ++grade;
    }
    return 10;
}

// Class 1..m of x among m classes of width w from min.
int ClassOf(double x, double min, double max, int m) {
    const double w = (max - min) / m;
    if (x < min + w) return 1;
    if (x >= max - w) return m;
    // Between the two ends, so w > 0 and the quotient is finite.
    double q = std::floor((x - min) / w);
    int j = !(q >= 1.0) ? 1 : q > m - 2 ? m - 2 : static_cast<int>(q);  // NaN goes to 1
    // Correct a quotient that rounding put one class off.
    if (j > 1 && x < min + j * w) --j;
    else if (j < m - 2 && x >= min + (j + 1) * w) ++j;
    return j + 1;
}

// Rank of observation i among the n values of c, ties counted half.
double RankAt(const Column& c, int i, int n) {
    const double x = c.At(i);
    double smaller = 0.0, equal = 0.0;
    for (int o = 0; o < n; ++o) {
        if (o == i) continue;
        const double y = c.At(o);
        if (ApproxEqual(y, x)) equal += 1.0;
        else if (y < x) smaller += 1.0;
    }
    return 1.0 + smaller + 0.5 * equal;
}

}  // namespace

static_assert(ofLag == calc_str_detail::kObservationLag && ofFdif == calc_str_detail::kObservationFdif &&
              ofNone == calc_str_detail::kObservationNone);

int CalcStr::ObservationFunctionOfToken() {
    if (tokenIsString_) return ofNone;
    int* slot = LookupSlot(calc_str_detail::tlObservation);
    if (slot != nullptr && *slot != calc_str_detail::kNotLookedUp) return *slot;
    int fn = 0;
    while (fn < ofNone && token_ != kObsFunctionNames[fn]) ++fn;
    if (slot != nullptr) *slot = fn;
    return fn;
}

double CalcStr::LagAt(const Reg& reg, int j, bool design, int i, double m, int n) {
    // In double: a lag far outside the data gives 0.0 like any other.
    const double at = static_cast<double>(i) - m;
    return !(at >= 0.0 && at < n) ? 0.0 : Column{reg, j, design}.At(static_cast<int>(at));
}

double CalcStr::FdifAt(const Reg& reg, int j, bool design, int i, double d) {
    const Column c{reg, j, design};
    const bool first = i < 1;
    double v = 0.0;
    if (!calc_str_detail::QuasiDifference(c.At(first ? 0 : i), first ? 0.0 : c.At(i - 1), d, first, v))
        throw EMathError(LoadStr(kStrRangeError));
    return v;
}

double CalcStr::ObservationFunction(Reg& reg, bool& handled) {
    handled = false;
    if (tokenIsString_) return 0.0;
    const int fn = ObservationFunctionOfToken();
    if (fn == ofNone) return 0.0;
    handled = true;
    nonConstant_ = true;
    const int i = observation_;
    Step();

    if (fn == ofIndex) return ObservationIndex(i);
    if (!Is("(")) Fail(kStrSyntaxError);
    if (fn == ofPred) return ObservationPred(reg, i);
    return ObservationOfColumn(reg, fn, i);
}

double CalcStr::ObservationIndex(int i) {
    double d = 0.0;
    if (Is("(")) {
        Step();
        d = ParseOr();
        if (Is(")")) Step();
    }
    const double v = static_cast<double>(i) + 1.0;
    return d != 0.0 ? v / d : v;
}

double CalcStr::ObservationPred(const Reg& reg, int i) {
    std::vector<int> vars;
    int names = 0;
    do {
        Step();  // past "(" or ","
        if (++names > kMaxPredNames) Fail(kStrRangeError);
        const int j = tokenIsString_ ? -1 : reg.FindVar(token_);
        if (j >= 0) vars.push_back(j);
        Step();
    } while (Is(","));
    if (Is(")")) Step();
    if (vars.empty()) {
        MarkIncomplete();
        return 0.0;
    }
    // Sweeping a copy of the moment matrix on the regressors leaves the
    // intercept in row k and the slopes in the regressors' rows.
    Matrix m(reg.Moments());
    const int k = reg.GetVarCount();
    const int y = vars.front();
    for (std::size_t s = 1; s < vars.size(); ++s)
        if (m.Sweep(vars[s]) == SweepResult::kZeroPivot) Fail(kStrZeroDivideError);
    double v = m.At(k, y);
    for (std::size_t s = 1; s < vars.size(); ++s) v += reg.GetValue(i, vars[s]) * m.At(vars[s], y);
    return v;
}

double CalcStr::ObservationOfColumn(const Reg& reg, int fn, int i) {
    Step();
    const bool design = ParseDataPrefix();
    const int j = tokenIsString_ ? -1 : reg.FindVar(token_);
    if (j < 0) Fail(fn == ofLag || fn == ofFdif ? kStrSyntaxError : kStrSystemError);
    Step();
    const int n = reg.GetObsCount();

    switch (fn) {
        case ofLag: {
            double m = 1.0;
            if (Is(",")) {
                Step();
                m = ParseOr();
                if (std::isnan(m)) TruncToInt(m, "ラグ");
                m = std::trunc(m);
            }
            if (Is(")")) Step();
            return LagAt(reg, j, design, i, m, n);
        }
        case ofFdif: {
            double d = 1.0;
            if (Is(",")) {
                Step();
                d = ParseOr();
            }
            if (Is(")")) Step();
            return FdifAt(reg, j, design, i, d);
        }
        case ofGradz: {
            int g = 0;
            if (Is(",")) {
                Step();
                g = calc_str_detail::TokenToInt(token_);
                Step();
            }
            if (Is(")")) Step();
            // Here ".." means the data values and no prefix the design column.
            const Column c{reg, j, !design};
            double sd = 0.0;
            const double mean = c.Mean(&sd);
            if (sd == 0.0) {
                MarkIncomplete();
                return 0.0;
            }
            const int grade = GradeOfZ((c.At(i) - mean) / sd);
            return g != 0 ? grade : (grade + 1) / 2;
        }
        case ofGrad: {
            int m = 5;
            if (Is(",")) {
                Step();
                m = TruncToInt(ParseOr(), "階級数");
            }
            if (m < 2) m = 2;
            if (Is(")")) Step();
            const Column c{reg, j, design};
            double min = 0.0;
            const double max = c.Max(&min);
            return ClassOf(c.At(i), min, max, m);
        }
        case ofRank: {
            if (Is(")")) Step();
            return RankAt(Column{reg, j, design}, i, n);
        }
        default: {  // standard
            if (Is(")")) Step();
            const Column c{reg, j, design};
            double sd = 0.0;
            const double mean = c.Mean(&sd);
            if (sd == 0.0) {
                MarkIncomplete();
                return 0.0;
            }
            return (c.At(i) - mean) / sd;
        }
    }
}

// Item lists of CalcStr and the variable-wide functions over them: items are
// expressions or "##" whole variables and diagnostics rows, optionally cut
// to a range of observations and mapped through an element function.
#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <vector>

#include "core/settings/file_services.h"
#include "core/numeric/numeric_helpers.h"
#include "core/model/regression_model.h"
#include "eval/scalar_functions.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "eval/calc_str_internal.h"
#include "eval/calc_str_user_function.h"
#include "eval/reserved_words.h"
#include "platform/errors.h"

namespace calc_str_detail {

// Applies the element function of a "##" item to one value.
struct ElementFunction {
    int scalar = -1;    // 0..44, 100, 101, or -1
    int user = -1;      // user function index, or -1
    double a2 = 0.0;
    double a3 = 0.0;
    std::vector<double> userArgs;
    UserFunctionLink* link = nullptr;

    double Apply(double v) const {
        if (scalar >= 0) {
            double a = v, b = a2, c = a3;
            CallScalarFunction(scalar, &a, &b, &c);
            return a;
        }
        if (user >= 0) {
            link->SetSlot(user, 0, v);
            return link->Evaluate(user);
        }
        return v;
    }
};

}  // namespace calc_str_detail

using calc_str_detail::ElementFunction;

double CalcStr::VariableWideFunction(int index) {
    Step();
    if (!Is("(")) {
        MarkIncomplete();
        return 0.0;
    }
    std::vector<double> x;
    const bool nonConstantRange = ReadItemList(x);
    if (Is(")")) Step();
    if (nonConstantRange) {
        MarkIncomplete();
        return 0.0;
    }
    if (x.empty()) {
        // These need at least one value; the others are left without one.
        if (index == rwMedian || index == rwTrimmean || index == rwPercentile) Fail(kStrRangeError);
        MarkIncomplete();
        return 0.0;
    }
    const bool finite = std::all_of(x.begin(), x.end(), [](double v) { return std::isfinite(v); });
    const double result = ListFunction(index, x);
    // Sums and squares of finite values may overflow: the math error.
    if (finite && !std::isfinite(result)) throw EMathError(LoadStr(kStrRangeError));
    return result;
}

double CalcStr::ListFunction(int index, std::vector<double>& x) {
    const int n = static_cast<int>(x.size());
    double* a = x.data();
    switch (index) {
        case 45:    // varp
        case 46: {  // variable
            double ss = 0.0, mean = 0.0;
            MeanAndSumOfSquares(&ss, &mean, n, a);
            return index == 45 || n < 2 ? ss / n : ss / (n - 1);
        }
        case 47: {  // mean
            double ss = 0.0, mean = 0.0;
            MeanAndSumOfSquares(&ss, &mean, n, a);
            return mean;
        }
        case 48:    // geomean
        case 49: {  // harmean
            double geo = 0.0, harm = 0.0;
            if (!GeometricHarmonicMeans(&geo, &harm, n, a)) Fail(kStrRangeError);
            return index == 48 ? geo : harm;
        }
        case rwMax:
        case rwMin: {
            double min = 0.0, max = 0.0;
            RangeOfDoubles(&min, &max, n, a);
            return index == rwMax ? max : min;
        }
        case rwMedian:
            return Median(a, n);
        case rwTrimmean:
        case rwPercentile:
            // The first value is the parameter; without data there is nothing
            // to take it from.
            if (n < 2) Fail(kStrRangeError);
            return index == rwTrimmean ? TrimMean(a, n) : Percentile(a, n);
        case 54:  // sum
            return SumDoubles(n, a);
        default:  // hornor: x, then the coefficients from the highest power
            return EvalPolynomial(a + 1, n - 1, a[0]);
    }
}

bool CalcStr::ReadItemList(std::vector<double>& out) {
    bool flag = false;
    do {
        Step();  // past "(", "{" or ","
        if (Is("##")) flag = ReadWholeVariableItem(out);
        else out.push_back(ParseOr());
    } while (Is(","));
    return flag;
}

void CalcStr::ReadElementFunction(ElementFunction& ef) {
    Step();
    if (Is("@")) {
        ReadUserElementFunction(ef);
    } else {
        ReadScalarElementFunction(ef);
    }
}

void CalcStr::ReadUserElementFunction(ElementFunction& ef) {
    Step();
    UserFunctionLink* link = &Functions();
    ef.link = link;
    ef.user = tokenIsString_ ? -1 : link->Find(token_);
    if (ef.user < 0) Fail(kStrMissingParameter);
    Step();
    if (Is("(")) {
        do {
            Step();
            ef.userArgs.push_back(ParseOr());
        } while (Is(","));
        if (!Is(")")) Fail(kStrMissingParameter);
        Step();
    }
    if (link->ParameterCount(ef.user) != 1 + static_cast<int>(ef.userArgs.size()) ||
        link->SlotCount(ef.user) < link->ParameterCount(ef.user))
        Fail(kStrMissingParameter);
}

void CalcStr::ReadScalarElementFunction(ElementFunction& ef) {
    if (Is(ReservedWords[rwMax])) ef.scalar = 100;
    else if (Is(ReservedWords[rwMin])) ef.scalar = 101;
    else if (int f = tokenIsString_ ? -1 : FindFunctionName(token_); f >= 0 && f < kScalarFunctionWords)
        ef.scalar = f;
    Step();
    const int s = ef.scalar;
    if ((s >= rwBce && s <= rwPow) || s == 100 || s == 101) {
        ef.a2 = s == rwLoga ? 10.0 : s == rwRound ? 7.0 : 0.0;
        if (Is("(")) {
            Step();
            ef.a2 = ParseOr();
        }
        if (!Is(")")) Fail(kStrMissingParameter);
        Step();
    } else if (s == rwPf || s == rwQf) {
        if (!Is("(")) Fail(kStrMissingParameter);
        Step();
        ef.a2 = ParseOr();
        if (!Is(",")) Fail(kStrMissingParameter);
        Step();
        ef.a3 = ParseOr();
        if (!Is(")")) Fail(kStrMissingParameter);
        Step();
    }
}

bool CalcStr::ReadWholeVariableItem(std::vector<double>& out) {
    Step();
    Reg* reg = Model();
    const bool design = ParseDataPrefix();
    const std::string name = tokenIsString_ ? std::string() : token_;
    bool isResult = false;
    int code = -1;
    if (reg != nullptr) code = ParseResultName(*reg, isResult);
    if (!isResult) Step();
    Step();  // the delimiter after the name ("##x##")
    const int j = reg == nullptr ? -1 : reg->FindVar(name);
    if (!isResult && j < 0) Fail(kStrRangeError);
    const int n = reg->GetObsCount();

    nonConstant_ = false;
    int first = 0, count = n;
    if (Is("[")) {
        int last = 0;
        ReadRange(first, last);
        count = incomplete_ ? 0 : last - first + 1;
        if (last >= n) count = n - first;
    }

    ElementFunction ef;
    if (Is(".")) ReadElementFunction(ef);

    const bool itemFlag = nonConstant_;
    nonConstant_ = true;
    if (count <= 0 || itemFlag || first >= n) return itemFlag;
    count = std::min(count, n - first);
    try {
        out.reserve(out.size() + static_cast<std::size_t>(count));
        std::optional<UserCallScope> scope;
        if (ef.user >= 0) {
            UserFunctionLink& link = Functions();
            scope.emplace(Run(), link, ef.user);
            Run().currentUserFunction = ef.user;
            for (std::size_t a = 0; a < ef.userArgs.size(); ++a)
                link.SetSlot(ef.user, static_cast<int>(a) + 1, ef.userArgs[a]);
        }
        for (int m = 0; m < count; ++m) {
            // A body that ran into the nesting limit is not run again for
            // every further value.
            if (ef.user >= 0 && Run().nestingExceeded) {
                MarkIncomplete();
                break;
            }
            const int i = first + m;
            const double v = isResult ? reg->GetAnalysisValue(code, i)
                             : design ? reg->GetDesignValue(i, j)
                                      : reg->GetValue(i, j);
            out.push_back(ef.Apply(v));
        }
    } catch (const std::bad_alloc&) {
        ShowMemoryError(state_.Services());
        incomplete_ = true;
    } catch (const EOutOfMemory&) {
        ShowMemoryError(state_.Services());
        incomplete_ = true;
    }
    return itemFlag;
}

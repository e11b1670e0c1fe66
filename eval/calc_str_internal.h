// Helpers shared by the source files of CalcStr; not for other callers.
#pragma once

#include <cmath>
#include <string>

#include "eval/eval_run_state.h"

namespace calc_str_detail {

// Counts nesting over every evaluator instance, so a user function calling
// itself is bounded together with the parentheses of its body.
class NestingGuard {
public:
    explicit NestingGuard(EvalRunState& run);
    ~NestingGuard();
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    // False once the nesting limit is passed.
    bool Ok() const { return ok_; }

private:
    EvalRunState& run_;
    bool ok_;
};

// run.nestingExceeded is true from the moment a NestingGuard failed until the
// outermost level has returned: user-function calls still pending in the
// bodies above return at once instead of running into the limit again (a
// body that calls itself twice would otherwise take 2^depth calls).

// fdif's value: x - d * previous, or x * sqrt(1 - d^2) at the first
// observation. False when that is no finite number while x, d and (past the
// first observation) previous are: |d| > 1 at the first observation, an
// overflow at the others; the caller raises the range error.
inline bool QuasiDifference(double x, double previous, double d, bool first, double& out) {
    out = first ? x * std::sqrt(1.0 - d * d) : x - d * previous;
    return std::isfinite(out) || !std::isfinite(x) || !std::isfinite(d) || (!first && !std::isfinite(previous));
}

// trunc(v) into out when it lies in lo..hi; false otherwise (NaN included),
// so an index far out of range gets the caller's own error text.
bool TruncInRange(double v, int lo, int hi, int& out);

// A whole token as a decimal integer; EConvertError otherwise.
int TokenToInt(const std::string& token);

}  // namespace calc_str_detail

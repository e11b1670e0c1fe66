// The operator levels of CalcStr, from "||" down to the unary sign.
//
// Every two-operand level is left associative and evaluates both operands
// (no short circuit). Truth is exactly 1.0; "==" and "!=" allow the double
// epsilon as an absolute tolerance.
#include <cmath>
#include <utility>

#include "core/numeric/numeric_helpers.h"
#include "core/text/tokenizer.h"
#include "eval/calc_str.h"
#include "eval/calc_str_internal.h"
#include "platform/errors.h"

double CalcStr::ParseOr() {
    // Every recursion of the grammar passes through here.
    calc_str_detail::NestingGuard guard(Run());
    if (!guard.Ok()) {
        MarkIncomplete();
        return 0.0;
    }
    double v = ParseAnd();
    while (Is("||") || Is("$$")) {
        const bool eqv = Is("$$");
        Step();
        const double r = ParseAnd();
        v = eqv ? LogicalEqv(v, r) : LogicalOr(v, r);
        if (LevelEnds()) break;
    }
    return v;
}

double CalcStr::ParseAnd() {
    double v = ParseNotCond();
    while (Is("&&")) {
        Step();
        const double r = ParseNotCond();
        v = LogicalAnd(v, r);
        if (LevelEnds()) break;
    }
    return v;
}

double CalcStr::ParseNotCond() {
    const bool negate = Is("!");
    if (negate) Step();
    double v = ParseCompare();
    if (negate) v = v == 0.0 ? 1.0 : 0.0;
    if (!Is("?")) return v;
    Step();
    if (v == 1.0) {
        const double a = ParseOr();
        if (Is(":")) SkipBalanced('?', ';');
        return a;
    }
    SkipBalanced('?', ':');
    const double b = ParseOr();
    if (Is(";")) Step();
    return b;
}

double CalcStr::ParseCompare() {
    double v = ParseAdd();
    for (;;) {
        const int code = ComparisonCodeOfToken();
        if (code < 0) break;
        Step();
        if (code == 6 || code == 7) {
            // An interval [a,b], (a,b), [a,b) or (a,b]; a malformed one ends
            // the comparison with 0.0.
            if (!Is("[") && !Is("(")) return 0.0;
            const bool lowClosed = Is("[");
            Step();
            double lo = ParseOr();
            if (!Is(",")) return 0.0;
            Step();
            double hi = ParseOr();
            if (!Is("]") && !Is(")")) return 0.0;
            const bool highClosed = Is("]");
            Step();
            if (hi < lo) std::swap(lo, hi);
            const bool inside = (lowClosed ? lo <= v : lo < v) && (highClosed ? v <= hi : v < hi);
            v = (inside == (code == 6)) ? 1.0 : 0.0;
        } else {
            const double r = ParseAdd();
            bool t = false;
            switch (code) {
                case 0: t = v < r; break;
                case 1: t = v <= r; break;
                case 2: t = ApproxEqual(v, r); break;
                case 3: t = !ApproxEqual(v, r); break;
                case 4: t = v >= r; break;
                default: t = v > r; break;
            }
            v = t ? 1.0 : 0.0;
        }
        if (LevelEnds()) break;
    }
    return v;
}

double CalcStr::ParseAdd() {
    double v = ParseMul();
    while (Is("+") || Is("-")) {
        const bool minus = Is("-");
        Step();
        const double r = ParseMul();
        v = minus ? Difference(v, r) : Sum(v, r);
        if (LevelEnds()) break;
    }
    return v;
}

double CalcStr::ParseMul() {
    double v = ParsePow();
    for (;;) {
        int op = 0;
        if (Is("*")) op = 1;
        else if (Is("/")) op = 2;
        else if (Is("mod")) op = 3;
        else if (Is("div")) op = 4;
        else break;
        Step();
        const double r = ParsePow();
        v = Product(op, v, r);
        if (LevelEnds()) break;
    }
    return v;
}

double CalcStr::Product(int op, double v, double r) {
    if (op == 1) return FiniteOf(v * r, v, r);
    if (r == 0.0) {
        // A zero divisor is a result, not an error: the expression is
        // incomplete, and the rest of the text is still read so that
        // everything it names is checked.
        MarkIncomplete();
        return 0.0;
    }
    if (op == 2) return FiniteOf(v / r, v, r);
    if (op == 3) return FiniteOf(FloatRemainder(r, v), v, r);
    return FiniteOf(TruncatedQuotient(r, v), v, r);
}

double CalcStr::FiniteOf(double result, double v, double r) {
    // An overflow (or an invalid operation) of two numbers is the math
    // error; values that are no numbers already pass through.
    if (!std::isfinite(result) && std::isfinite(v) && std::isfinite(r)) throw EMathError(LoadStr(kStrRangeError));
    return result;
}

double CalcStr::Sum(double v, double r) { return FiniteOf(v + r, v, r); }

double CalcStr::Difference(double v, double r) { return FiniteOf(v - r, v, r); }

double CalcStr::ParsePow() {
    double v = ParseUnary();
    while (Is("^")) {
        Step();
        const double r = ParseUnary();
        v = Power(v, r);
        if (LevelEnds()) break;
    }
    return v;
}

double CalcStr::Power(double v, double r) {
    if (v == 0.0 && r < 0.0) {
        // 0 ^ -n divides by zero: incomplete, as 1 / 0 is.
        MarkIncomplete();
        return 0.0;
    }
    const double p = std::pow(v, r);
    // A negative base with a fractional power has no real value.
    if (std::isnan(p) && !std::isnan(v) && !std::isnan(r)) throw EMathError(LoadStr(kStrRangeError));
    return FiniteOf(p, v, r);
}

double CalcStr::ParseUnary() {
    const bool negate = Is("-");
    if (negate || Is("+")) Step();
    double v = 0.0;
    if (Is("(")) {
        Step();
        v = ParseOr();
        if (Is(")")) {
            Step();
        } else {
            MarkIncomplete();
            v = 0.0;
        }
    } else {
        v = Primary();
    }
    return negate ? -v : v;
}

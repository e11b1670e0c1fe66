#include "eval/scalar_functions.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

#include "core/numeric/distributions.h"
#include "core/text/float_format.h"
#include "core/numeric/numeric_helpers.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {


constexpr double kInf = std::numeric_limits<double>::infinity();

// The largest arguments whose factorial and double factorial are finite.
constexpr int kLargestFactorial = 170;
constexpr int kLargestDoubleFactorial = 300;

// Beyond this magnitude tanh is 1 to double precision, while e^(2x) of the
// defining formula would overflow.
constexpr double kTanhSaturation = 20.0;

[[noreturn]] void DomainError() { throw EMathError(LoadStr(kStrRangeError)); }
[[noreturn]] void PoleError() { throw EZeroDivide(LoadStr(kStrZeroDivideError)); }
[[noreturn]] void CountError() { throw ERangeError(LoadStr(kStrRangeError)); }

bool IsNonPositiveInteger(double x) { return std::isfinite(x) && x <= 0.0 && x == std::trunc(x); }

// Logarithm arguments: zero is a pole; negative values fall to the NaN
// check of the dispatcher.
void CheckLogArgument(double x) {
    if (x == 0.0) PoleError();
}

int CountArg(double x) {
    int n = TruncToInt(x, "整数引数");
    if (n < 0) CountError();
    return n;
}

int DegreesOfFreedom(double x) { return TruncToInt(x, "自由度"); }

// Arguments past the last finite value give +inf at once, also those
// beyond the int range.
double Factorial170(double a) {
    if (a >= kLargestFactorial + 1.0) return kInf;
    return Factorial(CountArg(a));
}

double DoubleFactorial300(double a) {
    if (a >= kLargestDoubleFactorial + 1.0) return kInf;
    return DoubleFactorial(CountArg(a));
}

double CountSelections(double a, double b, bool ordered) {
    int n = CountArg(a);
    int k = CountArg(b);
    if (k > n) CountError();
    return ordered ? Permutations(n, k) : Combinations(n, k);
}

double Power(double x, double b) {
    int n = TruncToInt(b, "べき指数");
    if (x == 0.0 && n < 0) PoleError();
    return IntPower(n, x);
}

// NthRoot gives 0 for a tiny x and fails with a zero divide for degree 0
// and for an even root of a negative value.
double Root(double x, double b) {
    int n = TruncToInt(b, "累乗根の次数");
    if (n < 0 && std::fabs(x) <= kDoubleEpsilon) {
        // The root helper snaps tiny arguments to 0, which is right for a
        // positive degree but would make 1/r vanish here instead of growing.
        if (x == 0.0 || (x < 0.0 && n % 2 == 0)) PoleError();
        double r = 1.0 / std::pow(std::fabs(x), -1.0 / static_cast<double>(n));
        return x < 0.0 ? -r : r;
    }
    return NthRoot(n, x);
}

double Fisher(double a) {
    if (std::fabs(a) == 1.0) PoleError();
    return Atanh(a);
}

double FisherInverse(double a) {
    if (std::fabs(a) > kTanhSaturation) return std::copysign(1.0, a);
    return Tanh(a);
}

double LogToBase(double a, double b) {
    CheckLogArgument(a);
    CheckLogArgument(b);
    if (b == 1.0) PoleError();
    return LogBase(a, b);
}

double GammaOf(double a) {
    if (IsNonPositiveInteger(a)) PoleError();
    return Gamma(a);
}

double LogGammaOf(double a) {
    if (IsNonPositiveInteger(a)) PoleError();
    return LogGamma(a);
}

double Evaluate(int index, double a, double b, double c) {
    switch (index) {
    case sfSin: return std::sin(a);
    case sfCos: return std::cos(a);
    case sfTan: return std::tan(a);
    case sfAtan: return std::atan(a);
    case sfLog: CheckLogArgument(a); return std::log(a);
    case sfAbs: return std::fabs(a);
    case sfInt: return IntPart(a);
    case sfFrac: return FracPart(a);
    case sfExp: return std::exp(a);
    case sfSqrt: return std::sqrt(a);
    case sfGamma: return GammaOf(a);
    case sfLnGamma: return LogGammaOf(a);
    case sfAsin: return std::asin(a);
    case sfAcos: return std::acos(a);
    case sfSinh: return std::sinh(a);
    case sfCosh: return std::cosh(a);
    case sfTanh: return std::tanh(a);
    case sfLog10: CheckLogArgument(a); return std::log10(a);
    case sfDeg: return Degrees(a);
    case sfRad: return Radians(a);
    case sfAsinh: return std::asinh(a);
    case sfAcosh: return std::acosh(a);
    case sfAtanh: if (std::fabs(a) == 1.0) PoleError(); return std::atanh(a);
    case sfPnor: return NormalLowerQuantile(a);  // clamps the probability itself
    case sfQnor: return NormalUpperTail(a);
    case sfFact: return Factorial170(a);
    case sfFact2: return DoubleFactorial300(a);
    case sfFisher: return Fisher(a);
    case sfFisherInv: return FisherInverse(a);
    case sfSgn: return static_cast<double>(Sign(a));
    case sfBce: return ApplyBoxCox(a, b);
    case sfInvBce: return ApplyInverseBoxCox(a, b);
    case sfLoga: return LogToBase(a, b);
    case sfRound: return RoundToSignificantDigits(TruncToInt(b, "桁数"), a);
    case sfPt: return TTwoSidedQuantile(DegreesOfFreedom(b), a);
    case sfQt: return TTwoSidedTail(DegreesOfFreedom(b), std::fabs(a));
    case sfPchi2: return ChiSquareUpperQuantile(DegreesOfFreedom(b), a);
    case sfQchi2: return ChiSquareUpperTail(DegreesOfFreedom(b), a);
    case sfRoot: return Root(a, b);
    case sfCombin: return CountSelections(a, b, false);
    case sfPermut: return CountSelections(a, b, true);
    case sfPow: return Power(a, b);
    case sfPf: return FUpperQuantile(DegreesOfFreedom(b), DegreesOfFreedom(c), a);
    case sfQf: return FUpperTail(DegreesOfFreedom(b), DegreesOfFreedom(c), a);
    case sfLarger: return Larger(a, b);
    case sfSmaller: return Smaller(a, b);
    default: return a;
    }
}

// How many of a, b, c a function reads (0 for the numbers without one).
int ArgumentCount(int index) {
    if (index == sfReal) return 0;
    if (index >= sfSin && index < sfBce) return 1;
    if (index >= sfBce && index < sfPf) return 2;
    if (index == sfPf || index == sfQf) return 3;
    if (index == sfLarger || index == sfSmaller) return 2;
    return 0;
}

double SortedBlockMean(const double* x, int first, int last) {
    long double sum = 0.0L;
    for (int i = first; i <= last; ++i) sum += x[i];
    return static_cast<double>(sum / static_cast<long double>(last - first + 1));
}

}  // namespace

void CallScalarFunction(int index, double* a, double* b, double* c) {
    const int count = ArgumentCount(index);
    if (count == 0) return;
    double* args[3] = {a, b, c};
    bool nanArgument = false;
    bool finiteArguments = true;
    for (int i = 0; i < count; ++i) {
        if (args[i] == nullptr) throw Exception(LoadStr(kStrMissingParameter));
        nanArgument = nanArgument || std::isnan(*args[i]);
        finiteArguments = finiteArguments && std::isfinite(*args[i]);
    }
    const double result = Evaluate(index, *a, count > 1 ? *b : 0.0, count > 2 ? *c : 0.0);
    // A NaN out of ordinary arguments is a domain error (logarithm or root
    // of a negative value, arcsine beyond 1, degrees of freedom below 1),
    // and an infinity out of finite ones an overflow: the caller must see
    // a failure rather than a value that is no number.
    if (std::isnan(result) && !nanArgument) DomainError();
    if (!std::isfinite(result) && finiteArguments) DomainError();
    *a = result;
}

double Median(double* data, int n) {
    if (n < 1 || data == nullptr) CountError();
    QuickSortDoubles(n - 1, 0, data);
    return (data[(n + 1) / 2 - 1] + data[(n + 2) / 2 - 1]) / 2.0;
}

double TrimMean(double* block, int count) {
    if (block == nullptr || count < 1) CountError();
    const double p = block[0];
    if (!(p >= 0.0)) CountError();  // negative or NaN
    const int m = count - 1;
    if (m < 1) CountError();
    double* x = block + 1;
    QuickSortDoubles(m - 1, 0, x);
    // Cap in double first, so a huge count never reaches the int conversion.
    double cut = (p < 1.0) ? std::trunc(m * p / 2.0) : std::trunc(p);
    const double cap = static_cast<double>(m / 2 - 1);
    if (cut > cap) cut = cap;
    if (cut < 0.0) cut = 0.0;
    const int k = TruncToInt(cut, "トリム数");
    return SortedBlockMean(x, k, m - k - 1);
}

double Percentile(double* block, int count) {
    if (block == nullptr || count < 1) CountError();
    const double p = block[0];
    if (!(p >= 0.0 && p <= 1.0)) CountError();  // also NaN
    const int m = count - 1;
    if (m < 1) CountError();
    double* x = block + 1;
    QuickSortDoubles(m - 1, 0, x);
    const double pos = (m - 1) * p;
    const int k = TruncToInt(pos, "順位");
    // At the top there is no next value to interpolate towards.
    if (k >= m - 1) return x[m - 1];
    return x[k] + (pos - k) * (x[k + 1] - x[k]);
}

double ApplyBoxCox(double x, double lambda) { return BoxCox(true, lambda, x); }

double ApplyInverseBoxCox(double y, double lambda) { return BoxCoxInverse(true, lambda, y); }

double RoundToSignificantDigits(int digits, double x) {
    if (!std::isfinite(x)) return x;
    if (digits < 1) digits = 6;
    if (digits > 14) digits = 14;
    const std::string text = FloatToStrF(x, TFloatFormat::ffExponent, digits, 4);
    double value = 0.0;
    const char* first = text.data();
    const char* last = first + text.size();
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        // Rounding up past the largest double overflows; a tiny value that
        // cannot be read back keeps its own value.
        return std::fabs(x) >= 1.0 ? std::copysign(kInf, x) : x;
    }
    if (ec != std::errc() || end != last) throw EConvertError(text);
    return value;
}

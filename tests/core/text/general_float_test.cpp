// The general 15-digit form: hand-picked values whose texts were worked out
// from the exact decimal value of each double (rounded half away from zero),
// and many random and awkward values against the digit-by-digit form.
#include "core/text/general_float.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "core/text/float_format.h"

namespace {

struct Case {
    double x;
    const char* text;
};

// clang-format off
const Case kCases[] = {
    {0.5, "0.5"},
    {-0.0, "0"},
    {1234567890123.125, "1234567890123.13"},    // exact tie: away from zero
    {-1234567890123.125, "-1234567890123.13"},
    {123456789012.0625, "123456789012.063"},    // exact tie
    {12345678901234.5, "12345678901234.5"},
    {999999999999999.5, "1E15"},                // exact tie carries to 1e15
    {999999999999999.4, "999999999999999"},
    {1e15, "1E15"},
    {1e-05, "0.00001"},
    {9.999999999999996e-06, "0.00001"},
    {5e-324, "4.94065645841247E-324"},
    {2.2250738585072014e-308, "2.2250738585072E-308"},
    {2.225073858507201e-308, "2.2250738585072E-308"},
    {1.7976931348623157e+308, "1.79769313486232E308"},
    {0.1, "0.1"},
    {0.30000000000000004, "0.3"},
    {9.999999999999995, "9.99999999999999"},    // stored just below the tie
    {99999999999999.95, "100000000000000"},
    {1e-13, "1E-13"},
    {1.5e-13, "1.5E-13"},
    {3.0517578125e-05, "0.000030517578125"},
    {1.0000000000000004, "1"},
    {0.0001220703125, "0.0001220703125"},
    {4503599627370495.5, "4.5035996273705E15"},
    {1e+22, "1E22"},
    {1e+23, "1E23"},
    {123456.78125, "123456.78125"},
    {-7.62939453125e-06, "-7.62939453125E-6"},
    {2.5, "2.5"},
    {100000000000000.0, "100000000000000"},
    {99999999999999.98, "100000000000000"},
};
// clang-format on

TEST(GeneralFloat, HandWorkedTexts) {
    for (const Case& c : kCases) {
        std::string s;
        AppendGeneralFloat(s, c.x);
        EXPECT_EQ(s, c.text) << c.x;
        EXPECT_EQ(FloatToStrGeneral(c.x), c.text) << c.x;
    }
}

TEST(GeneralFloat, NonFiniteForms) {
    std::string s;
    AppendGeneralFloat(s, std::numeric_limits<double>::quiet_NaN());
    s += ',';
    AppendGeneralFloat(s, std::numeric_limits<double>::infinity());
    s += ',';
    AppendGeneralFloat(s, -std::numeric_limits<double>::infinity());
    EXPECT_EQ(s, "NAN,INF,-INF");
}

TEST(GeneralFloat, AppendsWithoutTouchingWhatIsThere) {
    std::string s = "ID,";
    AppendGeneralFloat(s, -2.5);
    EXPECT_EQ(s, "ID,-2.5");
}

std::vector<double> AwkwardValues() {
    std::vector<double> xs;
    std::mt19937_64 rng(20261207);
    // Any bit pattern: every exponent, subnormals included.
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t b = rng();
        double x;
        std::memcpy(&x, &b, sizeof x);
        xs.push_back(x);
    }
    // The range data usually lives in, at every scale from 1e-16 to 1e17.
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<int> e(-16, 17);
    for (int i = 0; i < 400000; ++i) xs.push_back(u(rng) * std::pow(10.0, e(rng)));
    // Exact ties at the sixteenth digit: m / 2^f with a last digit 5.
    std::uniform_int_distribution<std::uint64_t> m(std::uint64_t{1} << 40, std::uint64_t{1} << 53);
    for (int i = 0; i < 100000; ++i) {
        const int f = 1 + i % 12;
        const double x = std::ldexp(static_cast<double>(m(rng) | 1), -f);
        xs.push_back(i % 2 ? x : -x);
    }
    // Neighbours of powers of ten and of rounding edges.
    for (int p = -330; p <= 310; ++p) {
        const double t = std::pow(10.0, p);
        double a = t, b = t;
        for (int s = 0; s < 8; ++s) {
            xs.push_back(a);
            xs.push_back(-b);
            a = std::nextafter(a, 0.0);
            b = std::nextafter(b, std::numeric_limits<double>::infinity());
        }
        for (double h : {0.5, 0.05, 9.5, 9.99999999999995, 1.00000000000005}) {
            const double v = h * t;
            xs.push_back(v);
            xs.push_back(std::nextafter(v, 0.0));
            xs.push_back(std::nextafter(v, 1e308));
        }
    }
    for (int i = 0; i < 50000; ++i) xs.push_back(std::round(u(rng) * 1e9) / 1e4);
    xs.push_back(-0.0);
    xs.push_back(std::numeric_limits<double>::quiet_NaN());
    xs.push_back(std::numeric_limits<double>::infinity());
    xs.push_back(-std::numeric_limits<double>::infinity());
    xs.push_back(std::numeric_limits<double>::denorm_min());
    xs.push_back(std::numeric_limits<double>::min());
    xs.push_back(std::numeric_limits<double>::max());
    return xs;
}

TEST(GeneralFloat, SameTextAsTheDigitByDigitForm) {
    for (double x : AwkwardValues()) {
        std::string s;
        AppendGeneralFloat(s, x);
        ASSERT_EQ(s, FloatToStrF(x, TFloatFormat::ffGeneral, 15, 0)) << std::hexfloat << x;
    }
}

}  // namespace

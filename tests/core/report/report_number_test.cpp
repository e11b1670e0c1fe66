// The report's quick value column against the program-wide number format,
// on ties that only the exact binary value decides and on many values of
// every size.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/text/number_format.h"
#include "core/report/report_number.h"

namespace {

std::string Padded(double x, int width = 12) {
    std::string out = "|";
    AppendPaddedNumber(out, x, width);
    return out.substr(1);
}

}  // namespace

TEST(ReportNumber, TiesAndNearTies) {
    struct Case {
        double x;
        const char* expected;
    };
    const Case cases[] = {
        {1.03125, "      1.0313"},   // exact tie: away from zero
        {-1.03125, "     -1.0313"},
        {2.00005, "      2.0000"},   // stored as 2.0000499999999998835
        {0.00015, "      0.0001"},   // stored just below 1.5e-4
        {0.0001, "      0.0001"},
        {9.99995e-5, "  9.9999e-5"},  // below 1e-4: the exponent form
        {1e6, "   1.0000e+6"},
        {123456.78125, "123456.7813"},
        {-123456.78125, "-123456.7813"},  // 12 bytes exactly
        {-723456.78125, "723456.7813"},   // 12 bytes in 11: the last 11 kept
        {0.0, "           0"},
        {5e-8, "           0"},
    };
    for (const Case& c : cases) {
        const int width = std::string(c.expected).size() < 12 ? static_cast<int>(std::string(c.expected).size()) : 12;
        EXPECT_EQ(Padded(c.x, width), c.expected) << c.x;
    }
}

TEST(ReportNumber, SameTextAsTheProgramFormat) {
    std::mt19937_64 gen(99);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-9, 8);
    for (int i = 0; i < 200000; ++i) {
        double x = mantissa(gen) * std::pow(10.0, exponent(gen));
        if (i % 3 == 0) x = std::round(x * 1e5) / 1e5;  // many fifth-decimal fives
        ASSERT_EQ(Padded(x), FormatNumberPadded(12, x)) << x;
        ASSERT_EQ(Padded(x, 4), FormatNumberPadded(4, x)) << x;
    }
}

namespace {

std::string Quick(bool (*form)(double, char*, int&), double x) {
    char buffer[kQuickNumberBytes];
    int length = 0;
    if (!form(x, buffer, length)) return "(general)";
    return std::string(buffer, static_cast<std::size_t>(length));
}

bool SmallAsFixed(double x, char* buffer, int& length) { return QuickNumberText(true, x, buffer, length); }

}  // namespace

TEST(ReportNumber, QuickTextForms) {
    struct Case {
        bool (*form)(double, char*, int&);
        double x;
        const char* expected;
    };
    const Case cases[] = {
        {SmallAsFixed, 3e-5, "0.0000"},
        {SmallAsFixed, -3e-5, "-0.0000"},
        {SmallAsFixed, -5e-8, "0"},  // below the single epsilon
        {SmallAsFixed, -1.03125, "-1.0313"},
        {SmallAsFixed, 2e6, "(general)"},  // from 1e6 up: the general exponent form
        {QuickSignedFixedText, 0.5, "+0.5000"},
        {QuickSignedFixedText, -1.03125, "-1.0313"},
        {QuickSignedFixedText, 12.00005, "+12.0000"},  // stored just below the tie
        {QuickSignedFixedText, -999999.5, "-999999.5000"},
        {QuickSignedFixedText, -3e-5, "+0.0000"},  // zero takes the positive section
        {QuickSignedFixedText, -0.0, "+0.0000"},
        {QuickSignedFixedText, -5e-5, "-0.0001"},  // stored just above the tie
        {QuickSignedFixedText, 4.99999e-5, "+0.0000"},
        {QuickSignedFixedText, 1e6, "(general)"},
        {QuickSignedFixedText, std::nan(""), "(general)"},
    };
    for (const Case& c : cases) EXPECT_EQ(Quick(c.form, c.x), c.expected) << c.x;
}

TEST(ReportNumber, QuickTextsAgreeWithTheGeneralFormatter) {
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-9, 8);
    const std::string coefficient = "+##0.0000;-##0.0000";
    int signedQuick = 0;
    for (int i = 0; i < 200000; ++i) {
        double x = mantissa(gen) * std::pow(10.0, exponent(gen));
        if (i % 3 == 0) x = std::round(x * 1e5) / 1e5;  // many fifth-decimal fives
        if (i % 7 == 0) x = std::round(x * 1e9) / 1e9 * 1e-4;  // near the 5e-5 tie
        for (bool smallAsFixed : {false, true}) {
            char buffer[kQuickNumberBytes];
            int length = 0;
            if (!QuickNumberText(smallAsFixed, x, buffer, length)) continue;
            ASSERT_EQ(std::string(buffer, static_cast<std::size_t>(length)), FormatNumber(smallAsFixed, x)) << x;
        }
        const std::string quick = Quick(QuickSignedFixedText, x);
        if (quick == "(general)") continue;
        ASSERT_EQ(quick, FormatFloat(coefficient, x)) << x;
        ++signedQuick;
    }
    EXPECT_GT(signedQuick, 50000);  // the quick form covers the common sizes
}

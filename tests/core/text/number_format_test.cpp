// Number texts. Every expected text was worked out by hand from the
// formatting rules; where a value sits near a rounding tie its exact
// decimal expansion (noted beside it) decided the direction.
#include "core/text/number_format.h"
#include "core/model/estimate_texts.h"
#include "core/settings/file_services.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct PictureCase {
    const char* picture;
    double x;
    const char* expected;
};

// clang-format off
const PictureCase kPictureCases[] = {
    // "0.0000": the program's fixed form.
    {"0.0000", 0.0, "0.0000"},
    {"0.0000", 1.0, "1.0000"},
    {"0.0000", -1.0, "-1.0000"},
    {"0.0000", 0.00015, "0.0001"},          // 0.000149999999999999986...
    {"0.0000", 1.00005, "1.0001"},          // 1.000050000000000105...
    {"0.0000", 2.00005, "2.0000"},          // 2.000049999999999883...
    {"0.0000", -2.00005, "-2.0000"},
    {"0.0000", 0.12345, "0.1235"},          // 0.123450000000000004...
    {"0.0000", 123.45665, "123.4566"},      // 123.456649999999996...
    {"0.0000", 999999.99, "999999.9900"},
    {"0.0000", 9.99995, "10.0000"},         // 9.999950000000000116...
    {"0.0000", -9.99995, "-10.0000"},
    {"0.0000", 0.99995, "1.0000"},          // 0.999950000000000005...
    {"0.0000", 123456.78125, "123456.7813"},  // exact tie: away from zero
    {"0.0000", -123456.78125, "-123456.7813"},
    {"0.0000", 99999.99995, "99999.9999"},  // 99999.999949999997...
    {"0.0000", -0.00005, "-0.0001"},        // 0.0000500000000000000024...
    {"0.0000", -0.00001, "0.0000"},         // rounds to zero: no sign
    {"0.0000", 1e300, "1E300"},             // too long for a fixed picture
    {"0.0000", kNaN, "NAN"},
    {"0.0000", kInf, "INF"},
    {"0.0000", -kInf, "-INF"},
    // Exact binary ties go away from zero, never to even.
    {"0", 0.5, "1"},
    {"0", 1.5, "2"},
    {"0", 2.5, "3"},
    {"0", -2.5, "-3"},
    {"0", 1234.5, "1235"},
    {"0.00", 0.125, "0.13"},
    {"0.00", -0.125, "-0.13"},
    {"0.0", 0.35, "0.3"},                   // 0.349999999999999977...
    {"0.0", 0.45, "0.5"},                   // 0.450000000000000011...
    // "#.0000e+": one digit before the point, exponent sign always.
    {"#.0000e+", 1234567.0, "1.2346e+6"},
    {"#.0000e+", -1234567.0, "-1.2346e+6"},
    {"#.0000e+", 9.99995e6, "1.0000e+7"},   // 9999950 exactly: tie, up
    {"#.0000e+", 1e6, "1.0000e+6"},
    {"#.0000e+", 5e-5, "5.0000e-5"},
    {"#.0000e+", 1.5e-7, "1.5000e-7"},      // 1.49999999999999993e-7
    {"#.0000e+", 0.00012345, "1.2345e-4"},  // 1.2344999999999999203e-4
    {"#.0000e+", 2.345e-5, "2.3450e-5"},
    {"#.0000e+", 6.02214076e23, "6.0221e+23"},
    {"#.0000e+", 1.25e10, "1.2500e+10"},
    {"#.0000e+", 9.99995e-5, "9.9999e-5"},  // 9.99994999999999996e-5
    {"#.0000e+", 123456.78125, "1.2346e+5"},
    {"#.0000e+", 0.0, "0.0000e+0"},
    {"#.0000e+", -kInf, "-INF"},
    // "##0.0%": "%" is a literal.
    {"##0.0%", 95.0, "95.0%"},
    {"##0.0%", 0.5, "0.5%"},
    {"##0.0%", 100.0, "100.0%"},
    {"##0.0%", 99.95, "100.0%"},            // 99.950000000000003...
    {"##0.0%", 0.05, "0.1%"},               // 0.050000000000000003...
    {"##0.0%", 0.04, "0.0%"},
    {"##0.0%", 12345.67, "12345.7%"},
    {"##0.0%", -5.0, "-5.0%"},
    {"##0.0%", 0.0, "0.0%"},
    // Signed sections: the negative section carries its own sign.
    {"+##0.0000;-##0.0000", 1.5, "+1.5000"},
    {"+##0.0000;-##0.0000", -1.5, "-1.5000"},
    {"+##0.0000;-##0.0000", 0.0, "+0.0000"},
    {"+##0.0000;-##0.0000", -0.00001, "+0.0000"},
    {"+##0.0000;-##0.0000", 1234.56785, "+1234.5678"},  // ...5678499999...
    {"+##0.0000;-##0.0000", -0.12345, "-0.1235"},
    {"+###0.00;-###0.00", 12345.678, "+12345.68"},
    {"+###0.00;-###0.00", -12345.678, "-12345.68"},
    {"+###0.00;-###0.00", 0.125, "+0.13"},
    {"+###0.00;-###0.00", -0.005, "-0.01"},  // 0.005000000000000000104...
    // General picture handling.
    {"#.00", 0.5, ".50"},
    {"#,##0.00", 1234567.891, "1,234,567.89"},
    {"0.00E+00", 123.456, "1.23E+02"},
    {"0.00E-00", 0.00123, "1.23E-03"},
    {"0.00E-0", 123.456, "1.23E2"},
    {"0.0;-0.0;zero", -0.01, "zero"},
    {"0.0;(0.0)", -1.25, "(1.3)"},
    {"0.##", 1.0, "1"},
    {"0.##", 1.5, "1.5"},
    {"'x='0.0", 2.0, "x=2.0"},
    {"000", 7.0, "007"},
    {"", 0.1, "0.1"},
    // Negative zero is zero: no sign, the zero or positive section.
    {"0.0000", -0.0, "0.0000"},
    {"#.0000e+", -0.0, "0.0000e+0"},
    {"##0.0%", -0.0, "0.0%"},
    {"+##0.0000;-##0.0000", -0.0, "+0.0000"},
    {"0.0;-0.0;zero", -0.0, "zero"},
    // The class library's own documented examples (1234, -1234, 0.5, 0).
    {"0", -1234.0, "-1234"},
    {"0", 0.0, "0"},
    {"0.00", 0.5, "0.50"},
    {"#.##", 1234.0, "1234"},
    {"#.##", -1234.0, "-1234"},
    {"#.##", 0.5, ".5"},
    {"#.##", 0.0, ""},
    {"#,##0.00", -1234.0, "-1,234.00"},
    {"#,##0.00;(#,##0.00)", -1234.0, "(1,234.00)"},
    {"#,##0.00;(#,##0.00)", 0.5, "0.50"},
    {"#,##0.00;;Zero", -1234.0, "-1,234.00"},
    {"#,##0.00;;Zero", 0.0, "Zero"},
    {"0.000E+00", 1234.0, "1.234E+03"},
    {"0.000E+00", 0.5, "5.000E-01"},
    {"0.000E+00", 0.0, "0.000E+00"},
    {"#.###E-0", -1234.0, "-1.234E3"},
    {"#.###E-0", 0.5, "5E-1"},
    {"#.###E-0", 0.0, "0E0"},
};
// clang-format on

TEST(FormatFloatTest, PictureTable) {
    for (const PictureCase& c : kPictureCases)
        EXPECT_EQ(FormatFloat(c.picture, c.x), c.expected) << c.picture << " " << c.x;
}

TEST(FloatToStrGeneralTest, FifteenDigitForm) {
    struct Case {
        double x;
        const char* expected;
    };
    const Case cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1e20, "1E20"},
        {1.5e-7, "1.5E-7"},
        {-1.5e-10, "-1.5E-10"},
        {0.1, "0.1"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {100.0, "100"},
        {-2.5, "-2.5"},
        {123.456, "123.456"},
        {1e15, "1E15"},
        {999999999999999.0, "999999999999999"},
        {999999999999999.9, "1E15"},  // rounds into the next decade
        {1e-5, "0.00001"},
        {9.99999e-6, "9.99999E-6"},
        {123456789012345678.0, "1.23456789012346E17"},
        {1e-300, "1E-300"},
        {1.7976931348623157e308, "1.79769313486232E308"},
        {5e-324, "4.94065645841247E-324"},  // 4.9406564584124654e-324
        {kNaN, "NAN"},
        {kInf, "INF"},
        {-kInf, "-INF"},
    };
    for (const Case& c : cases) EXPECT_EQ(FloatToStrGeneral(c.x), c.expected) << c.x;
}

TEST(FloatToStrFTest, ExponentForm) {
    EXPECT_EQ(FloatToStrF(1.5, TFloatFormat::ffExponent, 7, 4), "1.500000E+0000");
    EXPECT_EQ(FloatToStrF(-123456.0, TFloatFormat::ffExponent, 3, 4), "-1.23E+0005");
    EXPECT_EQ(FloatToStrF(0.0, TFloatFormat::ffExponent, 7, 4), "0.000000E+0000");
    EXPECT_EQ(FloatToStrF(1e-300, TFloatFormat::ffExponent, 7, 4), "1.000000E-0300");
    EXPECT_EQ(FloatToStrF(9.99999951, TFloatFormat::ffExponent, 7, 4), "1.000000E+0001");
    EXPECT_EQ(FloatToStrF(kNaN, TFloatFormat::ffExponent, 7, 4), "NAN");
    EXPECT_EQ(FloatToStrF(-0.0, TFloatFormat::ffExponent, 7, 4), "0.000000E+0000");
    EXPECT_EQ(FloatToStrF(-kInf, TFloatFormat::ffExponent, 7, 4), "-INF");
    EXPECT_EQ(FloatToStrF(2.5, TFloatFormat::ffFixed, 15, 0), "3");
    EXPECT_EQ(FloatToStrF(-0.125, TFloatFormat::ffFixed, 15, 2), "-0.13");
    EXPECT_EQ(FloatToStrF(1.0 / 3.0, TFloatFormat::ffGeneral, 4, 0), "0.3333");
}

TEST(FormatNumberTest, ChoosesTheForm) {
    EXPECT_EQ(FormatNumber(true, 1e-8), "0");
    EXPECT_EQ(FormatNumber(false, 1e-8), "0");
    EXPECT_EQ(FormatNumber(false, 0.0), "0");
    EXPECT_EQ(FormatNumber(true, -0.0), "0");
    EXPECT_EQ(FormatNumber(true, -5e-5), "-0.0000");
    EXPECT_EQ(FormatNumber(true, 5e-5), "0.0000");
    EXPECT_EQ(FormatNumber(false, -5e-5), "-5.0000e-5");
    EXPECT_EQ(FormatNumber(true, 1e6), "1.0000e+6");
    EXPECT_EQ(FormatNumber(false, 1e6), "1.0000e+6");
    EXPECT_EQ(FormatNumber(true, 999999.99), "999999.9900");
    EXPECT_EQ(FormatNumber(false, -999999.99), "-999999.9900");
    EXPECT_EQ(FormatNumber(false, 1e-4), "0.0001");
    EXPECT_EQ(FormatNumber(false, 0.00009999), "9.9990e-5");
    EXPECT_EQ(FormatNumber(false, 123.45665), "123.4566");
    EXPECT_EQ(FormatNumber(false, -1234567.0), "-1.2346e+6");
    EXPECT_EQ(FormatNumber(false, kNaN), "NAN");
    EXPECT_EQ(FormatNumber(true, kInf), "INF");
    EXPECT_EQ(FormatNumber(false, -kInf), "-INF");
}

TEST(FormatNumberTest, ZeroTestIsStrict) {
    // 1.1920929e-7 lies just above 2^-23, and 2^-23 itself is not below it.
    EXPECT_EQ(FormatNumber(false, 1.1920929e-7), "1.1921e-7");
    EXPECT_EQ(FormatNumber(true, 1.1920929e-7), "0.0000");
    EXPECT_EQ(FormatNumber(false, 1.1920928955078125e-07), "1.1921e-7");
    EXPECT_EQ(FormatNumber(false, -1.1920928e-7), "0");
}

TEST(FormatExponentTest, ClampsPrecision) {
    EXPECT_EQ(FormatExponent(2, 1.5), "1.50E+0000");
    EXPECT_EQ(FormatExponent(20, 1.0 / 3.0), "3.3333333333333E-0001");
    EXPECT_EQ(FormatExponent(7, 1e-8), "0.000000E+0000");
    EXPECT_EQ(FormatExponent(7, -1234.5678), "-1.234568E+0003");
    EXPECT_EQ(FormatExponent(7, 1.1920928955078125e-07), "1.192093E-0007");
    EXPECT_EQ(FormatExponent(7, kNaN), "NAN");
    EXPECT_EQ(FormatExponent(7, -0.0), "0.000000E+0000");
    EXPECT_EQ(FormatExponent(7, -1e-8), "0.000000E+0000");
}

TEST(PadLeftTest, CountsCp932Bytes) {
    EXPECT_EQ(PadLeft("12345", 3), "345");
    EXPECT_EQ(PadLeft("7", 3), "  7");
    EXPECT_EQ(PadLeft("abc", 0), "");
    EXPECT_EQ(PadLeft("abc", -4), "");
    EXPECT_EQ(PadLeft("定数項", 8), "  定数項");
    EXPECT_EQ(PadLeft("定数項", 6), "定数項");
    // Cutting would split 定: it goes whole and a blank keeps the width.
    EXPECT_EQ(PadLeft("定数項", 5), " 数項");
    EXPECT_EQ(PadLeft("x定数", 4), "定数");
    // Half-width katakana are one byte each.
    EXPECT_EQ(PadLeft("ｱｲ", 3), " ｱｲ");
    EXPECT_EQ(FormatNumberPadded(12, 1.5), "      1.5000");
    EXPECT_EQ(FormatNumberPadded(5, 1234.5), ".5000");
}

TEST(LabelTest, IndexedAndElementTexts) {
    EXPECT_EQ(FormatIndexedLabel("b(i)", "3", true), "b[3]");
    EXPECT_EQ(FormatIndexedLabel("b(i)", "3", false), "b(i) (3)");
    EXPECT_EQ(FormatIndexedLabel("x", "1", true), "x[1]");
    EXPECT_EQ(FormatIndexedLabel("(i)", "2", true), "[2]");
    EXPECT_EQ(FormatIndexedLabel("b(j)", "2", true), "b(j)[2]");
    EXPECT_EQ(FormatElementValue("b(i)", 2, 1.5), "b[2] = 1.500000E+0000");
    EXPECT_EQ(FormatElementValue("係数", 10, -0.25), "係数[10] = -2.500000E-0001");
    EXPECT_EQ(LagResidualLabel(3), "e(i-3)");

    std::string x = "x1", y = "y";
    MakePartialPlotLabels(x, y);
    EXPECT_EQ(x, "e(x1|-x1)");
    EXPECT_EQ(y, "e(y|-x1)");
}

TEST(FormatPercentTest, Examples) {
    EXPECT_EQ(FormatPercent(95.0), "95.0%");
    EXPECT_EQ(FormatPercent(0.5), "0.5%");
    EXPECT_EQ(FormatPercent((1 - 0.05) * 100), "95.0%");
}

TEST(SignificanceMarkTest, Thresholds) {
    EXPECT_EQ(SingleSignificanceMark(), "* ");
    EXPECT_EQ(DoubleSignificanceMark(), "**");
    EXPECT_EQ(SignificanceMark(50, 5, 60.0), "**");
    EXPECT_EQ(SignificanceMark(50, 5, 50.0), "* ");
    EXPECT_EQ(SignificanceMark(50, 5, 5.0001), "* ");
    EXPECT_EQ(SignificanceMark(50, 5, 5.0), "");
    EXPECT_EQ(SignificanceMark(50, 5, 0.1), "");
    EXPECT_EQ(SignificanceMark(50, 5, kNaN), "");
}

TEST(TStatisticMarkTest, ZeroStandardError) {
    EXPECT_EQ(TStatisticMark(10, 0.0, 5.0), "");
    EXPECT_EQ(TStatisticMark(10, 0.0, 0.0), "");
    // t = 0 is not significant at all (level 100 %); t = 1000 is.
    EXPECT_EQ(TStatisticMark(10, 1.0, 0.0), "**");
    EXPECT_EQ(TStatisticMark(10, 0.001, 1.0), "");
}

TEST(IntervalTextTest, AgainstIndependentQuantiles) {
    // t(20) upper 0.025 quantile 2.085963447 (scipy): 2 -+ 0.5 * q.
    EXPECT_EQ(FormatConfidenceInterval(20, 0.05, 0.5, 2.0), "95.0% 信頼区間 ( 0.9570 ... 3.0430 )");
    // t(60) upper 0.005 quantile 2.660283031: 0.5 -+ 0.01 * q.
    EXPECT_EQ(FormatConfidenceInterval(60, 0.01, 0.01, 0.5), "99.0% 信頼区間 ( 0.4734 ... 0.5266 )");
    // sqrt(df s2 / chi2 quantile): 1.530118275 and 2.888138980 (scipy).
    EXPECT_EQ(FormatSigmaConfidenceInterval(20, 0.05, 4.0), "95.0% 信頼区間 ( 1.5301 ... 2.8881 )");
    // 0.369539581 and 0.796535998.
    EXPECT_EQ(FormatSigmaConfidenceInterval(10, 0.10, 0.25), "90.0% 信頼区間 ( 0.3695 ... 0.7965 )");
    // 0.017913972 and 0.117907018.
    EXPECT_EQ(FormatSigmaConfidenceInterval(3, 0.05, 1e-3), "95.0% 信頼区間 ( 0.0179 ... 0.1179 )");
}

TEST(ExtractFileTitleTest, Separators) {
    EXPECT_EQ(ExtractFileTitle("C:\\data\\x.MDF", true), "x");
    EXPECT_EQ(ExtractFileTitle("C:\\data\\x.MDF", false), "x.MDF");
    EXPECT_EQ(ExtractFileTitle("/home/u/my.data/file", true), "file");
    EXPECT_EQ(ExtractFileTitle("C:\\my.dir\\file", true), "file");
    EXPECT_EQ(ExtractFileTitle("/a/b.c.MDF", true), "b.c");
    EXPECT_EQ(ExtractFileTitle("x.MDF", true), "x");
    EXPECT_EQ(ExtractFileTitle("/dir/", false), "");
    EXPECT_EQ(ExtractFileTitle("", true), "");
    // A colon is an ordinary character of a Linux file name.
    EXPECT_EQ(ExtractFileTitle("/tmp/a:b.MDF", true), "a:b");
}

TEST(DivideRoundUpTest, Counts) {
    EXPECT_EQ(DivideRoundUp(0, 5), 1);
    EXPECT_EQ(DivideRoundUp(10, 5), 2);
    EXPECT_EQ(DivideRoundUp(11, 5), 3);
    EXPECT_EQ(DivideRoundUp(4, 5), 1);
    EXPECT_EQ(DivideRoundUp(-7, 5), 1);
    EXPECT_EQ(DivideRoundUp(7, 0), 1);
    EXPECT_EQ(DivideRoundUp(INT_MIN, -1), INT_MAX);
}

}  // namespace

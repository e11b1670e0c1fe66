// Marks of studentised residuals, one value at a time and for a whole fit.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/model/result_marks.h"
#include "core/text/float_format.h"

// Two-sided critical t values from tables: df 20 gives 2.086 (5 %) and
// 2.845 (1 %); df 5 gives 2.571 and 4.032. The residual degrees of freedom
// are one more (the value's own observation is left out).
TEST(StudentMarks, AgainstTableCriticalValues) {
    struct Case {
        int residualDf;
        double t;
        const char* mark;
    };
    const Case cases[] = {
        {21, 2.9, "**"}, {21, -2.9, "**"}, {21, 2.5, "* "}, {21, 2.0, ""},   {6, 4.2, "**"},
        {6, 3.5, "* "},  {6, 2.4, ""},     {1, 50.0, ""},   {0, 50.0, ""},   {21, std::nan(""), ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StudentMark(c.residualDf, c.t), c.mark) << c.residualDf << " " << c.t;
        EXPECT_EQ(StudentMarker(c.residualDf).Mark(c.t), c.mark) << c.residualDf << " " << c.t;
    }
}

// The whole-fit form gives the mark of the stepped level everywhere,
// right at the steps too.
TEST(StudentMarks, MarkerAgreesWithTheSteppedLevel) {
    for (int df : {2, 3, 4, 7, 12, 40, 500}) {
        const StudentMarker marker(df);
        for (int i = -4000; i <= 4000; ++i) {
            const double t = i * 0.0025;
            ASSERT_EQ(marker.Mark(t), StudentMark(df, t)) << df << " " << t;
        }
    }
}

// The error rate's quick form is the picture "+###0.00;-###0.00" itself, on
// exact ties, near ties and many values of every size up to the limits.
TEST(ErrorRate, QuickFormAgreesWithThePicture) {
    const std::string picture = "+###0.00;-###0.00";
    const double fixed[] = {0.125, -0.125, 0.005, -0.005, 0.0049999, 2.675, 1.005, 9999.0, -9999.0, 9998.995, 0.0, -0.001};
    for (double v : fixed) EXPECT_EQ(ErrorRateText(v), FormatFloat(picture, v)) << v;
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-3, 3);
    for (int i = 0; i < 100000; ++i) {
        double v = mantissa(gen) * std::pow(10.0, exponent(gen));
        if (i % 2 == 0) v = std::round(v * 1000.0) / 1000.0;  // many third-decimal fives
        ASSERT_EQ(ErrorRateText(v), FormatFloat(picture, v)) << v;
    }
}

// Marks of studentised residuals, one value at a time and for a whole fit.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/model/result_marks.h"

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

// Which variables the instrumental-variable estimator offers to enter: with
// the constant term in, a variable counts as collinear only when its sum
// about the mean is, to a millionth, explained by the model. Longley's
// EMPLOY on GNP, UNEMP and ARMED; expected values from exact rational
// arithmetic (Python fractions), equal to R's nested lm fits (F 24.31445).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "core/model/instrumental_fit.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

// Longley's six regressors, then a copy of GNP and a column of 0.1s, then
// EMPLOY.
constexpr int kYear = 5, kGnpCopy = 6, kTenths = 7, kEmploy = 8;

Columns LongleyWithCandidates() {
    const Columns& longley = LongleyColumns();
    Columns c(longley.begin(), longley.end() - 1);
    c.push_back(longley[1]);
    c.push_back(std::vector<double>(16, 0.1));
    c.push_back(longley.back());
    return c;
}

struct Candidate {
    const char* name;
    int variable;
    double fToEnter;  // 0: "TOL CHECK"
    double coef, se, s;  // after it entered
};

const Candidate kCandidates[] = {
    {"YEAR, far from zero", kYear, 24.314452702242573, 1887.409510036529, 382.7664724814568, 279.3955172787239},
    {"a copy of GNP", kGnpCopy, 0.0, 0.0, 0.0, 0.0},
    {"a constant of 0.1 beside the constant term", kTenths, 0.0, 0.0, 0.0, 0.0},
};

}  // namespace

TEST(RegIVTolerance, FToEnterOnTheSumAboutTheMean) {
    for (const Candidate& c : kCandidates) {
        SCOPED_TRACE(c.name);
        auto reg = MakeModel(LongleyWithCandidates());
        RegIV iv(*reg, 0);
        std::vector<std::uint8_t> roles(10, RegIV::kRoleUnused);
        roles[1] = roles[2] = roles[3] = roles[9] = RegIV::kRoleExplanatory;
        ASSERT_TRUE(iv.SelectVariables(roles, kEmploy));
        if (c.fToEnter == 0.0) {
            EXPECT_EQ(iv.GetFValue(c.variable), 0.0);
            continue;
        }
        ExpectRel(iv.GetFValue(c.variable), c.fToEnter, 1e-10, "F to enter", c.variable);
        ASSERT_TRUE(iv.ToggleVariable(c.variable));
        ExpectRel(iv.GetCoef(c.variable), c.coef, 1e-10, "coefficient", c.variable);
        ExpectRel(iv.GetCoefSE(c.variable), c.se, 1e-10, "standard error", c.variable);
        ExpectRel(std::sqrt(iv.GetS2()), c.s, 1e-10, "s", c.variable);
    }
}

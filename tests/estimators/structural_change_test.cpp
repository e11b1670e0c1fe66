// The structural change test against least-squares and two-stage fits of
// each part computed separately in exact rational arithmetic (a short
// Python script with fractions; the F level from the regularised incomplete
// beta function in mpmath), pasted here.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/data/group_mask.h"
#include "estimators/chow_test.h"
#include "platform/errors.h"
#include "support/model_builder.h"

namespace {

const std::vector<double> kZ1 = {1.2, 2.5, 0.9, 3.3, 4.1, 2.7, 5.0, 4.4, 6.2, 5.5, 7.3, 6.1, 8.0, 7.4};
const std::vector<double> kZ2 = {0.8, 1.9, 2.6, 0.5, 1.4, 3.1, 2.2, 0.7, 1.8, 2.9, 0.3, 2.4, 1.6, 3.0};
const std::vector<double> kX1 = {2.1, 3.4, 1.8, 4.6, 5.2, 3.9, 6.3, 5.7, 7.1, 6.8, 8.4, 7.5, 9.2, 8.8};
const std::vector<double> kX2 = {1.5, 0.7, 2.3, 1.9, 0.4, 2.8, 1.1, 3.2, 0.9, 2.6, 1.7, 3.5, 0.6, 2.2};
const std::vector<double> kP = {3.0, 4.8, 3.9, 5.1, 6.6, 6.0, 7.7, 6.9, 9.1, 8.3, 9.9, 9.6, 11.4, 10.2};
const std::vector<double> kY = {5.3, 6.1, 6.4, 8.2, 7.9, 9.6, 9.8, 12.1, 11.0, 13.4, 13.9, 16.2, 14.1, 16.8};

struct PartExpect {
    std::vector<double> coef, se, stud;
    double sse, r2;
};

void ExpectPart(const RegData& r, const PartExpect& e, const char* what) {
    ASSERT_EQ(r.coef.size(), e.coef.size()) << what;
    ASSERT_EQ(r.studentised.size(), e.stud.size()) << what;
    for (std::size_t j = 0; j < e.coef.size(); ++j) {
        ExpectRel(r.coef[j], e.coef[j], 1e-10, what, static_cast<int>(j));
        ExpectRel(r.stdErr[j], e.se[j], 1e-10, what, static_cast<int>(j));
    }
    for (std::size_t i = 0; i < e.stud.size(); ++i) ExpectRel(r.studentised[i], e.stud[i], 1e-9, what, static_cast<int>(i));
    ExpectRel(r.sse, e.sse, 1e-10, what, -1);
    ExpectRel(r.r2, e.r2, 1e-10, what, -2);
}

// y on x1 and x2 (variables x1, x2, y).
std::unique_ptr<Reg> OrdinaryModel() {
    auto reg = MakeModel({kX1, kX2, kY}, {}, {"x1", "x2", "y"});
    EXPECT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    return reg;
}

TEST(ChowTest, BoundaryModeMatchesSeparateFitsOfEachPart) {
    auto reg = OrdinaryModel();
    const auto r = ComputeChowTest(*reg, {ChowMode::kBoundary, 6, 0, 0});
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->n1, 6);
    EXPECT_EQ(r->n2, 8);
    EXPECT_EQ(r->names, (std::vector<std::string>{"定数項", "x1", "x2"}));
    ExpectRel(r->sse, 4.244951216594053, 1e-11, "pooled SSE", 0);
    ExpectPart(r->a,
               {{1.341489156626506, 1.1119036144578314, 1.2605301204819277},
                {0.8844926572924054, 0.17772140136086403, 0.25942705387821624},
                {-0.7057085885541433, 0.24473006619963011, 0.4469457452475018, -1.6509435533432968,
                 0.9167330507319928, 1.2869333300107713},
                0.7579821686746988, 0.9402928579224341},
               "part A");
    ExpectPart(r->b,
               {{-3.9082511253409824, 1.8486777574830535, 1.7731062724836235},
                {1.2323391236950754, 0.1426157847940544, 0.16347513366352012},
                {0.3544106203252899, -0.6491709822564223, 0.5307022079746576, 0.3259518874615972,
                 -1.9000785280296926, 0.1168798501072359, -0.2064261757265177, 1.5405044769886433},
                0.9408161986140677, 0.9767978988596673},
               "part B");
    const std::vector<double> leverageA = {0.43225848849945236, 0.39519386637458925, 0.5062300109529025,
                                           0.384118291347207,   0.6505454545454545,  0.6316538882803943};
    const std::vector<double> shareB = {0.013134885963553968, 0.04386701876979408,  0.037106564399515464,
                                        0.017188488426785525, 0.5740880916558413,   0.0014784937922196156,
                                        0.004278890603021296, 0.30885756638926876};
    for (int i = 0; i < 6; ++i) ExpectRel(r->a.leverage[i], leverageA[i], 1e-10, "leverage A", i);
    for (int i = 0; i < 8; ++i) ExpectRel(r->b.share[i], shareB[i], 1e-9, "share B", i);
    ExpectRel(r->f, 3.99679035618394, 1e-10, "F", 0);
    EXPECT_NEAR(r->level, 5.198776009625855, 0.1);
}

TEST(ChowTest, GroupModeMatchesFitsOnEachGroupAndTheirUnion) {
    auto reg = OrdinaryModel();
    // x3 is marked too but is not in the model: the tables keep to the fit.
    Var extra("x3", "x3", 14, 0.0);
    for (int i = 0; i < 14; ++i) extra.At(i) = (i * 7 % 5) + 0.5;
    reg->AppendVar(extra);
    ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 0, 2}));
    // Group 1 the even observations, group 2 the odd ones but the last.
    for (int i = 0; i < 13; ++i)
        for (int j = 0; j < 4; ++j) reg->SetMark(i, j, GroupBit(i % 2 == 0 ? 1 : 2));

    const auto r = ComputeChowTest(*reg, {ChowMode::kGroups, 0, 1, 2});
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->k, 3);
    EXPECT_EQ(r->names, (std::vector<std::string>{"定数項", "x1", "x2"}));
    EXPECT_EQ(r->n, 13);
    EXPECT_EQ(r->n1, 7);
    EXPECT_EQ(r->n2, 6);
    ExpectPart(r->a,
               {{0.3576988375230024, 1.3365229378119166, 1.447239803656603},
                {0.7414948358546506, 0.07471439103187397, 0.3255152732791625},
                {-0.10351628874044264, 1.1514327656590857, 0.045468423563507186, -1.383720023983949,
                 -0.37225417618262896, -0.5385852528320085, 1.6715530297457546},
                0.7982027837645521, 0.9889375554637843},
               "group A");
    ExpectPart(r->b,
               {{-0.5800401147555235, 1.5553440802791887, 1.3241336413351714},
                {1.100335812383181, 0.29139510937576174, 0.4672926138470397},
                {1.3089258659430754, -1.3921986593937068, 1.0689522696060247, -0.702268222910609,
                 -0.07215454041208506, 0.9602293200695164},
                1.5853814834593905, 0.9766144928194602},
               "group B");
    ExpectRel(r->sse, 2.695671796011322, 1e-10, "pooled SSE", 0);
    ExpectRel(r->f, 0.3055080719614444, 1e-9, "F", 0);
    EXPECT_NEAR(r->level, 82.08937477338073, 0.1);
}

TEST(ChowTest, TwoStagePartsRunTheirOwnFirstStage) {
    // z1, z2, x1 exogenous; p and y endogenous; y on x1 and p.
    auto reg = MakeModel({kZ1, kZ2, kX1, kP, kY}, {2, 2, 2, 1, 1}, {"z1", "z2", "x1", "p", "y"});
    reg->SetTwoStage(true);
    ASSERT_TRUE(reg->SetModel(4, {0, 0, 2, 2, 1, 2}));
    const auto limits = ChowBoundaryLimits(*reg);
    ASSERT_TRUE(limits.has_value());
    // Four instruments and the constant: each part keeps five observations.
    EXPECT_EQ(limits->minimum, 5);
    EXPECT_EQ(limits->maximum, 9);
    // A typed boundary of 4 is held to the same minimum.
    const auto r = ComputeChowTest(*reg, {ChowMode::kBoundary, 4, 0, 0});
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->n1, 5);
    ExpectRel(r->sse, 32.82485484686691, 1e-9, "pooled SSE", 0);
    ExpectPart(r->a,
               {{4.064521289101838, 0.5566791114650466, 0.1734265277110476},
                {1.9343674155379615, 0.7713511015892394, 0.8571210606666146},
                {-0.9260742244719402, -0.8628817084014082, 1.5430462866899928, 1.2656895293364994,
                 -0.4378446273893966},
                1.6314330192086501, 0.731141559128436},
               "two-stage A");
    ExpectPart(r->b,
               {{9.429458703437657, 4.029426523392934, -2.8399443472954338},
                {7.300905269630292, 3.9181914332343717, 3.8598587196677583},
                {0.6580452222006815, -1.7992893785258615, -1.0993828548550284, -0.6529783830437823,
                 0.07169739342389898, -0.6784972025666872, 2.4973202865430824, -0.05554194707554474,
                 0.5752436386944733},
                30.987040198618768, 0.42046597858033974},
               "two-stage B");
    ExpectRel(r->f, 0.016872371894806795, 1e-8, "F", 0);
    EXPECT_NEAR(r->level, 99.67651742086349, 0.1);
}

TEST(ChowTest, BoundariesAreHeldInsideTheRange) {
    auto reg = OrdinaryModel();
    struct Case {
        int typed, expected;
    } cases[] = {{-3, 4}, {1, 4}, {4, 4}, {7, 7}, {10, 10}, {11, 10}, {1000, 10}};
    for (const Case& c : cases) {
        const auto r = ComputeChowTest(*reg, {ChowMode::kBoundary, c.typed, 0, 0});
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(r->n1, c.expected) << c.typed;
        EXPECT_EQ(r->n1 + r->n2, 14);
    }
}

TEST(ChowTest, RefusalsNameThePartThatCannotBeComputed) {
    auto reg = OrdinaryModel();
    for (int i = 0; i < 14; ++i) reg->SetMark(i, 0, GroupBit(i < 7 ? 1 : 2));
    struct Case {
        ChowOptions options;
        const char* message;
    } cases[] = {
        // One group against itself would give an F from one group twice.
        {{ChowMode::kGroups, 0, 1, 1}, "両群の計算が出来ません。"},
        // Only x1 is marked: the groups lack y and x2.
        {{ChowMode::kGroups, 0, 1, 2}, "両群の計算が出来ません。"},
    };
    for (const Case& c : cases) {
        try {
            static_cast<void>(ComputeChowTest(*reg, c.options));
            ADD_FAILURE() << c.message;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    // A group number that no cell carries: nothing to compute.
    EXPECT_FALSE(ComputeChowTest(*reg, {ChowMode::kGroups, 0, 1, 5}).has_value());

    // x2 without variation in the first part.
    auto flat = MakeModel({kX1, {1, 1, 1, 1, 1, 1, 2, 3, 1, 2, 3, 1, 2, 3}, kY}, {}, {"x1", "x2", "y"});
    ASSERT_TRUE(flat->SetModel(2, {2, 2, 1, 2}));
    try {
        static_cast<void>(ComputeChowTest(*flat, {ChowMode::kBoundary, 6, 0, 0}));
        ADD_FAILURE() << "a part without variation";
    } catch (const EMathError& e) {
        EXPECT_EQ(e.Message(), "Ａ群の計算が出来ません。");
    }

    // Seven observations leave no boundary for two regressors.
    auto small = MakeModel({{1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 3, 6, 5, 8}, {1, 3, 2, 5, 4, 7, 6}});
    ASSERT_TRUE(small->SetModel(2, {2, 2, 1, 2}));
    EXPECT_FALSE(ChowBoundaryLimits(*small).has_value());
    EXPECT_THROW(static_cast<void>(ComputeChowTest(*small, {ChowMode::kBoundary, 3, 0, 0})), Exception);
}

TEST(ChowTest, StudentisedResidualKeepsTheLeverageFloor) {
    struct Case {
        double e, h, s2, expected;
    } cases[] = {
        {2.0, 0.75, 4.0, 2.0},
        {-1.0, 0.0, 0.25, -2.0},
        // A leverage past 1: 1 - 2^-23 instead of 1 - h.
        {3.0, 1.5, 9.0, 1.00000005960465},
        // An exact fit has no spread to divide by.
        {0.0, 0.5, 0.0, 0.0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(StudentisedResidual(c.e, c.h, c.s2), c.expected) << c.h;
    // A leverage of 1 leaves no residual to studentise.
    EXPECT_TRUE(std::isnan(StudentisedResidual(3.0, 1.0, 9.0)));
}

}  // namespace

// Restricted least squares against the closed form b - G R'(R G R')^-1 (R b - r)
// with G = (X'X)^-1, its covariance s2 (G - G R'(R G R')^-1 R G), the
// leverages x' A G x, the F statistic and the Durbin-Watson ratio over the
// residuals' deviations from their mean, all computed independently in
// 50-digit arithmetic and pasted here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/settings/engine_context.h"
#include "estimators/restricted.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "support/nearly_collinear_sample.h"
#include "support/sample_columns.h"
#include "support/scripted_services.h"

namespace {

const Columns& kCollinear = NearlyCollinearColumns();

const Columns& ColumnsOf(const std::string& name) { return name == "A" ? kCollinear : LongleyColumns(); }

struct Case {
    const char* data;
    std::vector<std::vector<double>> R;
    std::vector<double> r;
    std::vector<double> coef;
    std::vector<std::vector<double>> cov;
    std::vector<double> leverage;
    double sse, s2, df, f, r2, adjR2, dw, gk, unrestrictedSse;
};

const Case kCases[] = {
    {"A", {{0, 1, 1, 0}}, {1.6},
     {0.13058281056510365, 1.4807472041383276, 0.11925279586167242, 1.5820769211878159},
     {{0.018848653613646629, -0.015435033999428451, 0.015435033999428451, -0.062747547438300179}, {-0.015435033999428451, 0.014455195556430989, -0.014455195556430989, 0.044242370174294467}, {0.015435033999428451, -0.014455195556430989, 0.014455195556430989, -0.044242370174294467}, {-0.062747547438300179, 0.044242370174294467, -0.044242370174294467, 0.26462527686348355}},
     {0.310189580433323, 0.38495384705934225, 0.25614691918843111, 0.12422343796055083, 0.29660715176677692, 0.11640085401035193, 0.10511047986944883, 0.39237193251291375, 0.16553165009553681, 0.19742666120302864, 0.24453421872730842, 0.40650326717298751},
     2.986073693442966, 0.33178596593810733, 9, 10.201311035851513, 0.9915809951338367, 0.98971010516357818, 2.5187840154728206, 0.34630389499698813, 1.3124653218930142},
    {"A", {{1, -1, 0, 0}, {0, 0, 1, 0}}, {0.0, 0.0},
     {0.79665045953512911, 0.79665045953512911, 0.0, 2.0256014724308899},
     {{0.00032700352624552703, 0.00032700352624552703, -2.3505239671666469e-54, -0.0042891962525871629}, {0.00032700352624552703, 0.00032700352624552703, -2.2645111027529778e-53, -0.0042891962525871629}, {-2.3727686734805268e-54, -7.4593915172544061e-54, -8.1563923150893109e-55, 2.1592194928672794e-53}, {-0.0042891962525871629, -0.0042891962525871629, 2.1592194928672794e-53, 0.071411030061498193}},
     {0.29767564553744327, 0.21998932847319229, 0.17442550614811839, 0.1250607018027686, 0.097602503612131967, 0.084844633361111278, 0.084436957056097459, 0.098285960947008076, 0.12980893170822367, 0.16367004598348911, 0.23172800796167843, 0.29247177740873746},
     1.8181287058075888, 0.18181287058075888, 10, 1.5411100788102765, 0.9948739261006461, 0.99436131871071071, 2.8432628879790585, 0.010662811890994662, 1.3124653218930142},
    {"A", {{1, 0, 1, 0}, {0, 2, 0, 1}, {1, 1, 1, 1}}, {0.9, 1.0, 2.5},
     {2.4881625441696113, -0.6, -1.5881625441696113, 2.2},
     {{0.03328845483700083, -2.8513402902642638e-50, -0.03328845483700083, 1.4865248433113986e-49}, {-6.1214312285381897e-50, 6.9813085133824576e-50, 1.3554355123516946e-49, -1.9388394745584764e-49}, {-0.03328845483700083, 3.2230414260571914e-50, 0.03328845483700083, -2.0312602998300745e-49}, {7.5003515398753498e-50, -7.113566590187036e-50, -1.2538545166548851e-49, 1.8335524557125356e-49}},
     {0.014378907311769503, 0.0022016852405544985, 0.006115792334873607, 0.006115792334873607, 0.04569176406632237, 0.022859472682794238, 0.05751562924707801, 0.027833650448491438, 0.14484914378907312, 0.094618102745311226, 0.20573525414514814, 0.37208480565371025},
     134.71504787985866, 12.246822534532605, 11, 271.04732919074661, 0.62018129487680205, 0.62018129487680205, 1.8222617474368098, 2.4624715913482847, 1.3124653218930142},
    {"LONGLEY", {{0, 1, 0, 0, 0, 0, 0}, {0, 0, 1, -1, 0, 0, 0}}, {0.0, 0.0},
     {36.473595154097586, 0.0, -1.3565960208962608, -1.3565960208962608, -0.41260997335805667, 1494.4514371587779, -2802978.4442412993},
     {{8466.8753799026137, -8.6049991138165349e-51, 3.4688256034934748, 3.4688256034934748, 7.112289618150291, -30017.115610039862, 56952257.302978245}, {-6.2123896041212057e-52, -9.2231554907046511e-55, -9.1821636885237415e-55, 2.147970434279661e-54, 2.0003999464283865e-54, -1.1954652427389996e-50, 2.83344067600377e-47}, {3.4688256034934748, 1.0756248892270669e-53, 0.052842846708725007, 0.052842846708725007, 0.011580669206346777, -34.764923842346776, 65928.992114674883}, {3.4688256034934748, 2.1774845318499158e-53, 0.052842846708725007, 0.052842846708725007, 0.011580669206346777, -34.764923842346776, 65928.992114674883}, {7.112289618150291, 1.3707658649296157e-53, 0.011580669206346777, 0.011580669206346777, 0.031520738213708523, -63.979476254564946, 120556.24079540832}, {-30017.115610039862, 6.5817749319338179e-51, -34.764923842346776, -34.764923842346776, -63.979476254564946, 167650.57074910166, -316906500.11449419}, {56952257.302978245, 4.3464429787242297e-47, 65928.992114674883, 65928.992114674883, 120556.24079540832, -316906500.11449419, 599064206761.72258}},
     {0.42160491131916127, 0.45061075379300295, 0.27081634217285512, 0.28594902385764628, 0.29894590503604049, 0.2289853981242594, 0.086242057562666472, 0.41680197377428345, 0.32917660203731564, 0.3035972058689362, 0.23152468371362531, 0.32344565467583152, 0.20263233172547659, 0.19461520453277341, 0.36415062050068763, 0.59090133130543829},
     2318669.2822389262, 210788.11656717511, 11, 7.9745476907214388, 0.98746725044220903, 0.98290988696664868, 1.3475666930788879, 0.30682320572434756, 836424.05550591462},
};

std::vector<std::uint8_t> AllOf(const Columns& cols) { return std::vector<std::uint8_t>(cols.size(), 1); }
std::string LastName(const Columns& cols) { return "VAR" + std::to_string(cols.size() - 1); }

void SetRestrictions(Restricted& est, const std::vector<std::vector<double>>& R, const std::vector<double>& r) {
    while (est.M() < static_cast<int>(R.size())) est.AddRestriction();
    for (int j = 0; j < est.M(); ++j) {
        est.SetRestrictionValue(j, r[j]);
        for (int i = 0; i < est.K(); ++i) est.SetRestrictionCoefficient(j, i, R[j][i]);
    }
}

}  // namespace

TEST(RestrictedTest, EstimatesCovarianceLeveragesAndStatisticsMatchTheClosedForm) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.data + std::string(" with ") + std::to_string(c.r.size()) + " restrictions");
        const Columns& cols = ColumnsOf(c.data);
        auto model = MakeModel(cols);
        Restricted est(*model, 0, AllOf(cols), LastName(cols));
        SetRestrictions(est, c.R, c.r);
        ASSERT_TRUE(est.Estimate());
        const int k = est.K();
        // Elements that are zero in exact arithmetic are compared against
        // the largest variance.
        double largest = 0.0;
        for (int i = 0; i < k; ++i) largest = std::max(largest, std::abs(c.cov[i][i]));
        for (int i = 0; i < k; ++i) {
            EXPECT_NEAR(est.GetCoefficient(i), c.coef[i], 1e-9 * (std::abs(c.coef[i]) + std::sqrt(largest))) << i;
            for (int j = 0; j < k; ++j)
                EXPECT_NEAR(est.GetCovariance(i, j), c.cov[i][j], 1e-8 * std::abs(c.cov[i][j]) + 1e-10 * largest)
                    << i << "," << j;
        }
        for (int i = 0; i < est.N(); ++i) ExpectRel(est.GetLeverage(i), c.leverage[i], 1e-8, "leverage", i);
        ExpectRel(est.SSE(), c.sse, 1e-9, "SSE", 0);
        ExpectRel(est.S2(), c.s2, 1e-9, "s2", 0);
        EXPECT_NEAR(est.Df(), c.df, 1e-12);
        // Truncated: a trace a little above k - m gives one less.
        EXPECT_EQ(est.GetDegreesOfFreedom(), static_cast<int>(std::trunc(est.Df())));
        EXPECT_GE(est.GetDegreesOfFreedom(), static_cast<int>(c.df) - 1);
        // ((SSE - SSE_u) / m) / (SSE_u / (n - k)), whatever df the fit has.
        ExpectRel(est.F(), c.f, 1e-7, "F", 0);
        const int n = est.N();
        ExpectRel(est.R2(), c.r2, 1e-10, "R2", 0);
        ExpectRel(est.AdjR2(), c.adjR2, 1e-10, "adjR2", 0);
        ExpectRel(est.DW(), c.dw, 1e-9, "DW", 0);
        ExpectRel(est.GK(), c.gk, 1e-6, "GK", 0);
        for (int i = 0; i < n; ++i) {
            EXPECT_NEAR(est.GetFitted(i) + est.GetResidual(i), est.GetY(i), 1e-9 * std::abs(est.GetY(i)));
            EXPECT_EQ(est.GetY(i), cols.back()[i]);
        }
    }
}

TEST(RestrictedTest, InitialRestrictionReproducesTheUnrestrictedFit) {
    for (const char* data : {"A", "LONGLEY"}) {
        const Columns& cols = ColumnsOf(data);
        auto model = MakeModel(cols);
        Restricted est(*model, 0, AllOf(cols), LastName(cols));
        EXPECT_EQ(est.M(), 1);
        EXPECT_EQ(est.GetRestrictionCoefficient(0, 0), 1.0);
        for (int i = 1; i < est.K(); ++i) EXPECT_EQ(est.GetRestrictionCoefficient(0, i), 0.0);
        EXPECT_EQ(est.GetRestrictionValue(0), est.GetUnrestrictedCoefficient(0));
        ASSERT_TRUE(est.Estimate());
        for (int i = 0; i < est.K(); ++i)
            EXPECT_NEAR(est.GetCoefficient(i), est.GetUnrestrictedCoefficient(i),
                        1e-9 * std::abs(est.GetUnrestrictedCoefficient(i)));
        EXPECT_NEAR(est.F(), 0.0, 1e-9);
        // Unrestricted residual sums of squares of the closed form.
        ExpectRel(est.SSE(), std::string(data) == "A" ? 1.3124653218930142 : 836424.05550591462, 1e-9, "SSE", 0);
        EXPECT_EQ(est.Df(), est.N() - est.K() + 1);
    }
}

TEST(RestrictedTest, RefusedRestrictionSetsKeepTheLastResult) {
    struct Refusal {
        const char* what;
        std::vector<std::vector<double>> R;
        std::vector<double> r;
    } refusals[] = {
        {"duplicate rows", {{0, 1, 1, 0}, {0, 1, 1, 0}}, {1.6, 1.6}},
        {"a multiple of another row", {{0, 1, 1, 0}, {0, 3, 3, 0}}, {1.6, 4.8}},
        {"a sum of two rows", {{1, 0, 1, 0}, {0, 1, 0, 1}, {1, 1, 1, 1}}, {1, 2, 3}},
        {"a zero row", {{0, 1, 1, 0}, {0, 0, 0, 0}}, {1.6, 0}},
        {"more restrictions than coefficients",
         {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, {1, 1, 0, 0}},
         {1, 1, 1, 1, 2}},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        auto model = MakeModel(kCollinear);
        Restricted est(*model, 0, AllOf(kCollinear), "VAR3");
        SetRestrictions(est, kCases[0].R, kCases[0].r);
        ASSERT_TRUE(est.Estimate());
        const double coef1 = est.GetCoefficient(1), f = est.F(), cov = est.GetCovariance(1, 2), lev = est.GetLeverage(4);
        SetRestrictions(est, refusal.R, refusal.r);
        EXPECT_FALSE(est.Estimate());
        EXPECT_EQ(est.GetCoefficient(1), coef1);
        EXPECT_EQ(est.F(), f);
        EXPECT_EQ(est.GetCovariance(1, 2), cov);
        EXPECT_EQ(est.GetLeverage(4), lev);
    }
}

TEST(RestrictedTest, NoRestrictionLeftIsRefused) {
    auto model = MakeModel(kCollinear);
    Restricted est(*model, 0, AllOf(kCollinear), "VAR3");
    est.DeleteRestriction(0);
    EXPECT_EQ(est.M(), 0);
    EXPECT_FALSE(est.Estimate());
}

TEST(RestrictedTest, AddingAndDeletingRestrictions) {
    auto model = MakeModel(kCollinear);
    Restricted est(*model, 0, AllOf(kCollinear), "VAR3");
    est.AddRestriction();
    est.AddRestriction();
    ASSERT_EQ(est.M(), 3);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(est.GetRestrictionCoefficient(2, i), 0.0);
    EXPECT_EQ(est.GetRestrictionValue(2), 0.0);
    for (int j = 0; j < 3; ++j) {
        est.SetRestrictionValue(j, 10.0 + j);
        est.SetRestrictionCoefficient(j, 3, 20.0 + j);
    }
    est.DeleteRestriction(3);
    est.DeleteRestriction(-1);
    EXPECT_EQ(est.M(), 3);
    est.DeleteRestriction(1);
    ASSERT_EQ(est.M(), 2);
    EXPECT_EQ(est.GetRestrictionValue(0), 10.0);
    EXPECT_EQ(est.GetRestrictionValue(1), 12.0);
    EXPECT_EQ(est.GetRestrictionCoefficient(1, 3), 22.0);
    EXPECT_EQ(est.GetRestrictionCoefficient(0, 0), 1.0);
    EXPECT_THROW(est.GetRestrictionValue(2), ERangeError);
    EXPECT_THROW(est.GetRestrictionCoefficient(2, 0), ERangeError);
    EXPECT_THROW(est.SetRestrictionCoefficient(0, 4, 1.0), ERangeError);
}

TEST(RestrictedTest, NamesWithTheConstantLast) {
    auto model = MakeModel(kCollinear, {}, {"x1", "x2", "x3", "y"});
    Restricted est(*model, 0, AllOf(kCollinear), "y");
    EXPECT_EQ(est.DepName(), "y");
    const char* names[] = {"x1", "x2", "x3", "定数項"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(est.GetName(i), names[i]);
    EXPECT_EQ(est.IndexOfName("x3"), 2);
    EXPECT_EQ(est.IndexOfName("定数項"), 3);
    EXPECT_EQ(est.IndexOfName("y"), -1);
    EXPECT_EQ(est.IndexOfName("X1"), -1);
    EXPECT_THROW(est.GetName(4), ERangeError);
    EXPECT_THROW(est.GetResidual(12), ERangeError);
    EXPECT_THROW(est.GetX(0, 4), ERangeError);
    EXPECT_EQ(est.GetX(3, 3), 1.0);
    EXPECT_EQ(est.GetX(3, 1), 4.0);
}

TEST(RestrictedTest, CollinearRegressorWarnsOnce) {
    // x3 = x1 + x2 exactly.
    const Columns cols = {{1, 2, 3, 4, 5, 6, 7, 8}, {2, 1, 4, 3, 6, 5, 8, 9}, {3, 3, 7, 7, 11, 11, 15, 17},
                          {1.5, 2.5, 2.0, 4.1, 3.3, 5.0, 4.4, 6.1}};
    EngineContext context;
    ScriptedServices services;
    context.SetServices(&services);
    services.QueueOK();
    auto model = MakeModel(cols, {}, {}, &context);
    try {
        Restricted est(*model, 0, AllOf(cols), "VAR3");
        EXPECT_TRUE(est.LostDigits());
        (void)est.Estimate();  // whatever it gives, it returns
    } catch (const EZeroDivide&) {
        // X'X may be exactly singular; the warning came first all the same.
    }
    const auto boxes = services.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "桁落ちが存在します。");
    EXPECT_EQ(boxes[0].msgKind, MsgKind::Warning);
}

TEST(RestrictedTest, WellConditionedDataShowNoWarning) {
    EngineContext context;
    ScriptedServices services;
    context.SetServices(&services);
    auto model = MakeModel(LongleyColumns(), {}, {}, &context);
    Restricted est(*model, 0, AllOf(LongleyColumns()), "VAR6");
    EXPECT_FALSE(est.LostDigits());
    EXPECT_TRUE(services.CallsOf(ServiceCall::MessageBox).empty());
}

TEST(RestrictedTest, NearlyCollinearRegressorFallsBackToAnAccurateInverse) {
    // x3 = x1 + x2 + a few 1e-5: more than seven digits of x3 are lost.
    const Columns& cols = kNearlyCollinearColumns;
    EngineContext context;
    ScriptedServices services;
    context.SetServices(&services);
    services.QueueOK();
    auto model = MakeModel(cols, {}, {}, &context);
    Restricted est(*model, 0, AllOf(cols), "VAR3");
    EXPECT_TRUE(est.LostDigits());
    EXPECT_EQ(services.CallsOf(ServiceCall::MessageBox).size(), 1u);
    // Least squares by the normal equations in 50 digits.
    const double ols[] = {-113.83490653615392, -115.39504759020276, 115.42524338543656, 1.9785856676773472};
    for (int i = 0; i < 4; ++i) ExpectRel(est.GetUnrestrictedCoefficient(i), ols[i], 1e-4, "b", i);
}

TEST(RestrictedTest, GroupMaskLimitsTheObservations) {
    auto model = MakeModel(kCollinear);
    for (int i = 2; i < 10; ++i)
        for (int j = 0; j < 4; ++j) model->SetMark(i, j, 0x1);
    Columns part(kCollinear.size());
    for (std::size_t j = 0; j < kCollinear.size(); ++j)
        part[j].assign(kCollinear[j].begin() + 2, kCollinear[j].begin() + 10);
    auto partModel = MakeModel(part);
    Restricted grouped(*model, 0x1, AllOf(kCollinear), "VAR3");
    Restricted alone(*partModel, 0, AllOf(part), "VAR3");
    ASSERT_EQ(grouped.N(), 8);
    SetRestrictions(grouped, kCases[0].R, kCases[0].r);
    SetRestrictions(alone, kCases[0].R, kCases[0].r);
    ASSERT_TRUE(grouped.Estimate());
    ASSERT_TRUE(alone.Estimate());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(grouped.GetCoefficient(i), alone.GetCoefficient(i)) << i;
    EXPECT_EQ(grouped.F(), alone.F());
}

TEST(RestrictedTest, TwoStageModelGivesFirstStageValuesOfEndogenousRegressors) {
    auto reg = MakeModel(IvColumns(), IvTypes());
    reg->SetTwoStage(true);
    const std::vector<std::uint8_t> flags = {1, 1, 1, 0, 0, 0};
    Restricted est(*reg, 0, flags, "VAR0");
    ASSERT_EQ(est.K(), 3);
    EXPECT_EQ(est.GetName(0), "VAR1");
    // y2 fitted on the constant, x1, x2 and x3 by least squares.
    const struct {
        int i;
        double value;
    } fitted[] = {{0, 2.1069405204129762}, {7, 2.6583989561210543}, {24, 6.1544595377753795}};
    for (const auto& f : fitted) EXPECT_NEAR(est.GetX(f.i, 0), f.value, 1e-12) << f.i;
    EXPECT_EQ(est.GetX(7, 1), IvColumns()[2][7]);
    EXPECT_EQ(est.GetY(7), IvColumns()[0][7]);
}

TEST(RestrictedTest, DegenerateDataAreRefusedAtConstruction) {
    const double nan = std::nan("");
    struct Refusal {
        const char* what;
        Columns cols;
        const char* message;
    } refusals[] = {
        // n = 3 observations for k = 5 coefficients, and n = k.
        {"fewer observations than coefficients", {{1, 2, 3}, {2, 1, 4}, {5, 3, 1}, {1, 1, 2}, {3, 4, 5}}, "自由度不足"},
        {"as many observations as coefficients", {{1, 2, 3}, {2, 1, 5}, {3, 4, 5}}, "自由度不足"},
        {"NaN in a regressor", {{1, 2, nan, 4, 5}, {3, 1, 4, 1, 5}}, "変数 VAR0 の 3 番目の値が有限の数値ではありません。"},
        {"infinity in the dependent", {{1, 2, 3, 4, 5}, {3, 1, 4, HUGE_VAL, 5}}, "変数 VAR1 の 4 番目の値が有限の数値ではありません。"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        auto model = MakeModel(refusal.cols);
        try {
            Restricted est(*model, 0, AllOf(refusal.cols), LastName(refusal.cols));
            ADD_FAILURE() << "constructed";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), refusal.message);
        }
    }
}

TEST(RestrictedTest, RestrictionsThatAreNoNumbersRaiseAndKeepTheLastResult) {
    struct Refusal {
        const char* what;
        double coefficient, value;
    } refusals[] = {
        {"NaN value", 1.0, std::nan("")},
        {"infinite value", 1.0, HUGE_VAL},
        {"NaN coefficient", std::nan(""), 1.6},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        auto model = MakeModel(kCollinear);
        Restricted est(*model, 0, AllOf(kCollinear), "VAR3");
        SetRestrictions(est, kCases[0].R, kCases[0].r);
        ASSERT_TRUE(est.Estimate());
        const double coef1 = est.GetCoefficient(1), f = est.F(), s2 = est.S2(), lev = est.GetLeverage(4);
        est.SetRestrictionCoefficient(0, 2, refusal.coefficient);
        est.SetRestrictionValue(0, refusal.value);
        EXPECT_THROW((void)est.Estimate(), Exception);
        EXPECT_EQ(est.GetCoefficient(1), coef1);
        EXPECT_EQ(est.F(), f);
        EXPECT_EQ(est.S2(), s2);
        EXPECT_EQ(est.GetLeverage(4), lev);
    }
}

// Jackknife estimates against leave-one-out refits worked out in exact
// rational arithmetic by a separate script (least squares, and
// instrumental variables with w for x2), read through the models' own
// coefficient-change rows; then the cases without a t value or a
// standardised residual, and the refusals.
#include "estimators/jackknife.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/model/instrumental_fit.h"
#include "support/expect_exception.h"
#include "support/model_builder.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7, 8, 9};
const std::vector<double> kX2 = {2, 1, 4, 3, 6, 5, 8, 9, 7};
const std::vector<double> kY = {3, 4, 8, 9, 12, 14, 17, 16, 21};
const std::vector<double> kW = {1, 3, 2, 5, 4, 7, 6, 8, 10};

namespace ols {
const Rows kChanges = {{-0.03330727809623068, 0.015372589890568004, 0.1221266863528458}, {-0.08858780614903596, 0.19194024665624457, -0.7037809044062301}, {-0.10127896076068033, 0.0736574260077675, 0.25473193161019597}, {-0.03321280299986608, 0.04566760412481586, -0.11486094370787019}, {-0.042931233192470226, 0.04770137021385581, 0.03657105049728945}, {0.029453195031374054, -0.02650787552823665, 0.022580782857386777}, {-0.09416924664602683, 0.16143299425033172, -0.1659172440906187}, {0.18863991662324128, -0.40871981935035606, 0.7021596896531759}, {0.35190918472652216, -0.25593395252837975, -0.27726178190574474}};
const std::vector<double> kJackCoef = {2.3323407907461857, -0.12935199574289552, 0.5245911611858795};
const std::vector<double> kJackSe = {0.4086392215324065, 0.5193998462865186, 1.0267027004050637};
const std::vector<double> kJackResidual = {0.40177203955372587, -1.0599207469353553, 0.9957944495471454, -0.46589833694193594, 0.5898168595405648, 0.12812407305148357, 1.1838392695339843, -2.019149525469306, 0.3898056922987173};
const double kJackMean = 0.016020419353224912, kJackSd = 1.029921060632489;
const std::vector<double> kOlsCoef = {2.175438596491228, 0.008771929824561403, 0.6345029239766082};
}  // namespace ols

namespace iv {
const Rows kChanges = {{0.0035049865746068277, -0.00027490090781230023, -0.02157972126326557}, {-0.05408307818854819, 0.11284000264030425, -0.39928000934261504}, {-0.11685766359573566, 0.10211885917825547, 0.15686298987175326}, {0.0010598233495190033, -0.0014044813493625816, 0.0030846890986000255}, {-0.016536594651184924, 0.018373994056872137, 0.00532845827649292}, {0.08604869021703658, -0.0818766325095439, 0.06153785118551707}, {-0.09904628536386685, 0.147851701340265, -0.1306262604074186}, {-0.11355542504404763, -0.07318016280616403, 0.5349722246519577}, {0.4453820909517112, -0.2891076730739178, -0.47273011408032506}};
const std::vector<double> kJackCoef = {1.992122722877184, 0.2892198685675702, 0.23227047573856593};
const std::vector<double> kJackSe = {0.4650348188346372, 0.3534449317664906, 0.792969733835798};
const std::vector<double> kJackResidual = {0.19716706424910949, -0.5057357900605044, 0.6344818813596008, -0.06842097295001313, 0.07179669847009207, 0.36889384416047816, 0.5091115155805833, -2.772231075864171, 0.8140859383937853};
const double kJackMean = -0.08342787740678216, kJackSd = 1.0832637810035777;
const std::vector<double> kOlsCoef = {1.871308016877637, 0.3466947960618847, 0.46554149085794655};
}  // namespace iv

struct Expected {
    const Rows& changes;
    const std::vector<double>& coef;
    const std::vector<double>& se;
    const std::vector<double>& residual;
    double mean, sd;
};

void ExpectJackknife(const JackknifeInput& in, const Expected& e) {
    ASSERT_EQ(in.coef.size(), 3u);
    ASSERT_EQ(in.changes.size(), 3u);
    for (int i = 0; i < 9; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(in.changes[j].at(i), e.changes[i][j], 1e-12) << i << "," << j;
    const JackknifeResult r = Jackknife(in);
    for (int j = 0; j < 3; ++j) {
        ExpectRel(r.coef[j], e.coef[j], 1e-12, "coef", j);
        ExpectRel(r.stdErr[j], e.se[j], 1e-11, "se", j);
        ExpectRel(*r.TValue(j), e.coef[j] / e.se[j], 1e-11, "t", j);
    }
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(r.residual[i], e.residual[i], 1e-12) << i;
        EXPECT_NEAR(r.fitted[i], kY[i] - e.residual[i], 1e-12) << i;
        EXPECT_NEAR(*r.StandardizedResidual(i), (e.residual[i] - e.mean) / e.sd, 1e-12) << i;
    }
    EXPECT_NEAR(r.meanResidual, e.mean, 1e-13);
    EXPECT_NEAR(r.sdResidual, e.sd, 1e-13);
}

}  // namespace

TEST(Jackknife, LeastSquaresModelMatchesLeaveOneOutRefits) {
    auto reg = MakeModel({kX1, kX2, kY}, {}, {"x1", "x2", "y"});
    ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    const JackknifeInput in = JackknifeInputOf(*reg);
    EXPECT_EQ(in.varIndex, (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(in.names, (std::vector<std::string>{"x1", "x2", "定数項"}));
    EXPECT_EQ(in.depName, "y");
    for (int j = 0; j < 3; ++j) ExpectRel(in.coef[j], ols::kOlsCoef[j], 1e-12, "b", j);
    ExpectJackknife(in, {ols::kChanges, ols::kJackCoef, ols::kJackSe, ols::kJackResidual, ols::kJackMean,
                         ols::kJackSd});
}

TEST(Jackknife, InstrumentalVariablesModelMatchesLeaveOneOutRefits) {
    auto reg = MakeModel({kX1, kX2, kY}, {}, {"x1", "x2", "y"});
    RegIV model(*reg, 0);
    model.SetDesignColumn(1, kW);
    model.SetDependent(2);
    ASSERT_TRUE(model.ToggleVariable(3));
    ASSERT_TRUE(model.ToggleVariable(0));
    ASSERT_TRUE(model.ToggleVariable(1));
    const JackknifeInput in = JackknifeInputOf(model);
    for (int j = 0; j < 3; ++j) ExpectRel(in.coef[j], iv::kOlsCoef[j], 1e-12, "b", j);
    ExpectJackknife(in, {iv::kChanges, iv::kJackCoef, iv::kJackSe, iv::kJackResidual, iv::kJackMean, iv::kJackSd});
}

TEST(Jackknife, NoTValueWithoutSpreadAndRefusals) {
    // Every change 0: the estimate is b itself with standard error 0, and a
    // perfect fit leaves no spread of the residuals either.
    JackknifeInput in;
    in.coef = {2.0, 1.0};
    in.changes = {{0, 0, 0}, {0, 0, 0}};
    in.values = {{0, 1, 2}, {1, 1, 1}};
    in.y = {1.0, 3.0, 5.0};
    const JackknifeResult r = Jackknife(in);
    EXPECT_EQ(r.coef, (std::vector<double>{2.0, 1.0}));
    EXPECT_FALSE(r.TValue(0).has_value());
    EXPECT_EQ(r.residual, (std::vector<double>{0.0, 0.0, 0.0}));
    EXPECT_FALSE(r.StandardizedResidual(1).has_value());

    JackknifeInput bad = in;
    bad.changes[1][2] = std::numeric_limits<double>::infinity();
    ExpectExceptionMessage([&] { (void)Jackknife(bad); }, "ジャックナイフ推定値が有限の数値になりません。", "infinite change");
    bad = in;
    bad.y.resize(1);
    ExpectExceptionMessage([&] { (void)Jackknife(bad); }, "ジャックナイフ推定のデータの形が合いません。", "one observation");
}

TEST(Jackknife, AnObservationOfLeverageOneLeavesNoEstimate) {
    // d marks observation 4 alone: without it d's coefficient has no
    // estimate, so neither has the jackknife; it is refused, not formed
    // from a change made of rounding.
    const std::vector<double> d = {0, 0, 0, 0, 1, 0, 0, 0, 0};
    auto reg = MakeModel({kX1, d, kY});
    ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    const JackknifeInput in = JackknifeInputOf(*reg);
    EXPECT_TRUE(std::isnan(in.changes[1][4]));
    ExpectExceptionMessage([&] { (void)Jackknife(in); }, "ジャックナイフ推定値が有限の数値になりません。", "leverage 1");
}

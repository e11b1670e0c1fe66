// The Box-Cox parameter of a model against a separate maximum-likelihood
// grid search (normal equations solved directly, in plain double precision),
// by ordinary and two-stage least squares, and the exchange with its undo.
#include <gtest/gtest.h>

#include <cmath>

#include "core/data/variable.h"
#include "core/model/box_cox_exchange.h"
#include "core/model/data_edit_commands.h"
#include "core/model/undo_store.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace {

using Flags = std::vector<std::uint8_t>;

// X1 endogenous explanatory, X2 exogenous explanatory, Z exogenous outside
// the model, Y dependent (about the square of a linear function).
const Columns kData = {
    {6.25, 4.65, 4.92, 3.76, 4.97, 3.99, 5.23, 4.67, 5.35, 4.07, 5.0, 4.73, 4.97, 4.04, 4.14},
    {3.62, 2.22, 3.7, 1.43, 3.07, 2.96, 3.41, 2.48, 2.03, 2.5, 4.3, 1.69, 2.19, 3.57, 4.16},
    {4.96, 4.4, 3.39, 3.62, 3.88, 2.75, 4.11, 4.15, 4.94, 2.99, 3.34, 4.13, 4.22, 2.52, 2.05},
    {36.129, 22.391, 29.774, 15.429, 29.29, 20.489, 32.128, 23.554, 22.849, 19.18, 30.523, 20.649, 22.974,
     21.874, 28.088},
};

std::unique_ptr<Reg> Model(bool twoStage) {
    auto m = MakeModel(kData, {Var::kEndogenous, Var::kExogenous, Var::kExogenous, Var::kEndogenous},
                       {"X1", "X2", "Z", "Y"});
    Flags roles(5, Reg::kRoleUnused);
    roles[0] = roles[1] = roles[4] = Reg::kRoleExplanatory;
    m->SetTwoStage(twoStage);
    EXPECT_TRUE(m->SetModel(3, roles));
    return m;
}

struct SearchCase {
    const char* what;
    Flags flags;  // X1, X2, Z, Y
    bool twoStage;
    double lambda;
    double criterion;
};

TEST(BoxCoxExchange, LambdaMatchesAnIndependentSearch) {
    const SearchCase cases[] = {
        {"dependent only, OLS", {0, 0, 0, 1}, false, 0.35261000000000037, 3.835562493930091},
        {"dependent only, 2SLS", {0, 0, 0, 1}, true, 0.35170000000000035, 3.8409928087293466},
        {"all, OLS", {1, 1, 0, 1}, false, -0.10557999999999965, 3.3665329241508957},
        {"all, 2SLS", {1, 1, 0, 1}, true, -0.076269999999999644, 3.3788198422240825},
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto m = Model(c.twoStage);
        const BoxCoxColumns cols = BuildBoxCoxColumns(*m, c.flags);
        int steps = 0;
        const BoxCoxExchangeResult r = SearchBoxCoxExchange(cols, c.twoStage, [&] { ++steps; });
        EXPECT_EQ(r.refusal, "");
        EXPECT_TRUE(r.found);
        EXPECT_NEAR(r.lambda, c.lambda, 1e-9);
        EXPECT_NEAR(r.criterion, c.criterion, 1e-9);
        EXPECT_EQ(steps, 61 + 21 + 2001);
    }
}

TEST(BoxCoxExchange, CriterionAtOneLambda) {
    const struct {
        Flags flags;
        bool twoStage;
        double expected;
    } cases[] = {{{0, 0, 0, 1}, false, 3.8779899674517111}, {{1, 1, 0, 1}, true, 3.7406636815261685}};
    for (const auto& c : cases) {
        auto m = Model(c.twoStage);
        double s = 0.0;
        for (double y : kData[3]) s += std::log(y);
        double l = 0.0;
        ASSERT_TRUE(BoxCoxCriterion(BuildBoxCoxColumns(*m, c.flags), 0.5, c.twoStage, s, &l));
        EXPECT_NEAR(l, c.expected, 1e-10);
    }
}

TEST(BoxCoxExchange, ColumnLayoutAndCodes) {
    auto m = Model(false);
    const BoxCoxColumns cols = BuildBoxCoxColumns(*m, {1, 0, 1, 1});
    EXPECT_EQ(cols.variables, (std::vector<int>{0, 1, 3, 2}));
    EXPECT_EQ(cols.codes, (std::vector<int>{1, 2, 0, 3}));
    // other exogenous columns are never transformed
    EXPECT_EQ(cols.transform, (Flags{1, 0, 1, 0}));
    EXPECT_EQ(cols.At(2, 2), 29.774);
}

TEST(BoxCoxExchange, NonPositiveValuesAreRefusedBeforeTheSearch) {
    const struct {
        const char* what;
        int variable;
        Flags flags;
        bool refused;
    } cases[] = {
        {"zero in the dependent", 3, {0, 0, 0, 1}, true},
        {"negative in a chosen explanatory", 0, {1, 0, 0, 1}, true},
        {"negative in an explanatory not chosen", 1, {0, 0, 0, 1}, false},
        {"negative in the dependent not chosen", 3, {1, 0, 0, 0}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Columns data = kData;
        data[static_cast<std::size_t>(c.variable)][4] = c.variable == 3 ? 0.0 : -1.0;
        auto m = MakeModel(data, {Var::kEndogenous, Var::kExogenous, Var::kExogenous, Var::kEndogenous});
        Flags roles(5, Reg::kRoleUnused);
        roles[0] = roles[1] = roles[4] = Reg::kRoleExplanatory;
        ASSERT_TRUE(m->SetModel(3, roles));
        int steps = 0;
        const auto r = SearchBoxCoxExchange(BuildBoxCoxColumns(*m, c.flags), false, [&] { ++steps; });
        EXPECT_EQ(!r.refusal.empty(), c.refused);
        if (c.refused) {
            EXPECT_EQ(steps, 0);
            EXPECT_EQ(r.refusedVariable, c.variable);
            EXPECT_EQ(r.refusedObservation, 4);
        }
    }
}

// Longley's EMPLOY on GNP (ordinary least squares), its values written in
// other units: the lambda of the least criterion is the same, the criterion
// moves by n ln(scale of y). References from an independent 50-digit search
// over the same three grids (mpmath); R's profile gives 2.702985 for the
// dependent alone.
TEST(BoxCoxExchange, LambdaDoesNotDependOnTheUnits) {
    const struct {
        const char* what;
        Flags flags;  // GNP, EMPLOY
        double lambda, criterion;
    } cases[] = {
        {"dependent only", {0, 1}, 2.70299, 102.40774769979994138},
        {"dependent and GNP", {1, 1}, 0.56837, 102.20911771069559182},
    };
    for (const auto& c : cases)
        for (double sx : {1e-12, 1.0, 1e9})
            for (double sy : {1e-12, 1e-10, 1e-8, 1.0, 1e8, 1e12}) {
                SCOPED_TRACE(testing::Message() << c.what << ", GNP x " << sx << ", EMPLOY x " << sy);
                Columns data = {LongleyColumns()[1], LongleyColumns()[6]};
                for (double& v : data[0]) v *= sx;
                for (double& v : data[1]) v *= sy;
                auto m = MakeModel(data, {Var::kExogenous, Var::kEndogenous}, {"GNP", "EMPLOY"});
                ASSERT_TRUE(m->SetModel(1, {Reg::kRoleExplanatory, Reg::kRoleUnused, Reg::kRoleExplanatory}));
                const BoxCoxExchangeResult r = SearchBoxCoxExchange(BuildBoxCoxColumns(*m, c.flags), false);
                ASSERT_TRUE(r.found);
                EXPECT_NEAR(r.lambda, c.lambda, 1e-9);
                EXPECT_NEAR(r.criterion, c.criterion + 16.0 * std::log(sy), 1e-9);
            }
}

// Longley's GNP and EMPLOY in other units, exchanged with a given lambda.
// Where the transformed column would lose its spread in double (y^lambda
// far below the -1 of the transform: every value -1/lambda) or leave the
// range of double, the exchange is refused and nothing changes; where it
// keeps it, the values match an independent 50-digit evaluation (mpmath) of
// (x^lambda - 1)/lambda for the first and the last observation.
TEST(BoxCoxExchange, ValuesThatCannotBeHeldAreRefusedAndNothingChanges) {
    const struct {
        const char* what;
        double gnpScale, employScale;
        Flags flags;  // GNP, EMPLOY
        double lambda;
        const char* refusal;
        double first, last;  // of the transformed EMPLOY when exchanged
    } cases[] = {
        {"EMPLOY x 1e-12 as dependent", 1.0, 1e-12, {0, 1}, 2.70299,
         "λ = 2.7030 で変換すると、変数 EMPLOY の値の散らばりが丸め誤差に埋もれ、ほぼ一定になります。\n"
         "値がおよそ 1 の桁になるよう単位を変えてから実行してください。\nデータは変更しません。",
         0, 0},
        {"GNP x 1e-12 as explanatory", 1e-12, 1.0, {1, 1}, 2.70299,
         "λ = 2.7030 で変換すると、変数 GNP の値の散らばりが丸め誤差に埋もれ、ほぼ一定になります。\n"
         "値がおよそ 1 の桁になるよう単位を変えてから実行してください。\nデータは変更しません。",
         0, 0},
        // The second of two ticked variables is checked on its own column.
        {"GNP and EMPLOY x 1e-12 both ticked", 1.0, 1e-12, {1, 1}, 2.70299,
         "λ = 2.7030 で変換すると、変数 EMPLOY の値の散らばりが丸め誤差に埋もれ、ほぼ一定になります。\n"
         "値がおよそ 1 の桁になるよう単位を変えてから実行してください。\nデータは変更しません。",
         0, 0},
        {"EMPLOY x 1e120 past the range of double", 1.0, 1e120, {0, 1}, 2.70299,
         "λ = 2.7030 で変換すると、変数 EMPLOY の値が倍精度の範囲を超えます。\n"
         "値がおよそ 1 の桁になるよう単位を変えてから実行してください。\nデータは変更しません。",
         0, 0},
        // A narrow spread the variable had already is kept: x - 1.
        {"EMPLOY + 1e12 with lambda 1", 1.0, -1.0, {0, 1}, 1.0, "", 1000000060322.0, 1000000070550.0},
        {"EMPLOY at its own scale", 1.0, 1.0, {0, 1}, 2.70299, "", 3088539222548.9382649, 4716405693911.1502275},
        {"EMPLOY x 1e-12 with a small lambda", 1.0, 1e-12, {0, 1}, 0.1, "", -8.1030831549411138607,
         -8.0731393071952955901},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Columns data = {LongleyColumns()[1], LongleyColumns()[6]};
        for (double& v : data[0]) v *= c.gnpScale;
        // a negative scale stands for a shift by 1e12
        for (double& v : data[1]) v = c.employScale < 0.0 ? v + 1e12 : v * c.employScale;
        auto m = MakeModel(data, {Var::kExogenous, Var::kEndogenous}, {"GNP", "EMPLOY"});
        ASSERT_TRUE(m->SetModel(1, {Reg::kRoleExplanatory, Reg::kRoleUnused, Reg::kRoleExplanatory}));
        m->SetModified(false);
        UndoStore store;
        store.BoxCox() = {0.25, true};
        const DataEdit ed{*m, store, {}};
        EXPECT_EQ(ApplyBoxCoxExchange(ed, c.flags, c.lambda), c.refusal);
        if (*c.refusal) {
            for (int j = 0; j < 2; ++j)
                for (int i = 0; i < 16; ++i)
                    EXPECT_EQ(m->GetValue(i, j), data[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)]);
            EXPECT_FALSE(store.CanUndo());
            EXPECT_EQ(store.BoxCox().parameter, 0.25);
            EXPECT_TRUE(store.BoxCox().done);
            EXPECT_FALSE(m->IsModified());
        } else {
            EXPECT_NEAR(m->GetValue(0, 1), c.first, 1e-13 * std::fabs(c.first));
            EXPECT_NEAR(m->GetValue(15, 1), c.last, 1e-13 * std::fabs(c.last));
            EXPECT_TRUE(store.CanUndo());
            EXPECT_EQ(store.BoxCox().parameter, c.lambda);
        }
    }
}

// The rule on given values of a flagged column whose own values (1, then
// 2 fifteen times) spread over half their size: the transformed column
// must keep more than 2^-23 of that, 2^-24. A spread of 4 against a size of
// 2^26 + 4 is 2^-24 less a hair and lost; one of 5 is kept; the same at any
// scale. Spread and size are exact in double here. A constant variable
// has no spread to keep.
TEST(BoxCoxExchange, SpreadBelowTwoToTheMinus23OfTheVariablesOwnIsLost) {
    const struct {
        const char* what;
        double base, step, scale;
        bool kept;
    } cases[] = {
        {"spread 4 on 2^26", 67108864.0, 4.0, 1.0, false},
        {"spread 5 on 2^26", 67108864.0, 5.0, 1.0, true},
        {"spread 4 on 2^26, x 2^-100", 67108864.0, 4.0, std::ldexp(1.0, -100), false},
        {"spread 5 on 2^26, x 2^-100", 67108864.0, 5.0, std::ldexp(1.0, -100), true},
        {"spread 5 on -2^26, x 2^100", -67108864.0, -5.0, std::ldexp(1.0, 100), true},
        {"a NaN", 1.0, std::nan(""), 1.0, false},
    };
    std::vector<double> own(16, 2.0);
    own[0] = 1.0;
    auto m = MakeModel({own, LongleyColumns()[6]}, {Var::kExogenous, Var::kEndogenous}, {"X", "EMPLOY"});
    ASSERT_TRUE(m->SetModel(1, {Reg::kRoleExplanatory, Reg::kRoleUnused, Reg::kRoleExplanatory}));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<double> column(16, c.base * c.scale);
        for (std::size_t i = 1; i < column.size(); ++i) column[i] = (c.base + c.step) * c.scale;
        EXPECT_EQ(CheckBoxCoxValues(*m, {1, 0}, {column}, 0.5).empty(), c.kept);
    }
    auto constant = MakeModel({std::vector<double>(16, 3.0), LongleyColumns()[6]},
                              {Var::kExogenous, Var::kEndogenous}, {"X", "EMPLOY"});
    EXPECT_EQ(CheckBoxCoxValues(*constant, {1, 0}, {std::vector<double>(16, 0.5)}, 0.5),
              "変数 X の値は一定で、変換できません。\nデータは変更しません。");
}

TEST(BoxCoxExchange, NoImprovementIsReported) {
    // a perfect fit: no trial has a positive residual variance
    auto m = MakeModel({{1, 2, 3, 4}, {3, 5, 7, 9}}, {}, {"x", "y"});
    ASSERT_TRUE(m->SetModel(1, {2, 0, 2}));
    const auto cols = BuildBoxCoxColumns(*m, {0, 0});
    const auto r = SearchBoxCoxExchange(cols, false);
    EXPECT_EQ(r.refusal, "");
    EXPECT_FALSE(r.found);
}

TEST(BoxCoxExchange, ExchangeAndUndoRestoreBitForBit) {
    auto m = Model(false);
    UndoStore store;
    const DataEdit ed{*m, store, {}};
    const double coefBefore = m->GetCoef(0);
    ASSERT_EQ(ApplyBoxCoxExchange(ed, {1, 0, 0, 1}, 0.0), "");
    // lambda 0: the natural logarithm
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(m->GetValue(i, 0), std::log(kData[0][static_cast<std::size_t>(i)]));
        EXPECT_EQ(m->GetValue(i, 3), std::log(kData[3][static_cast<std::size_t>(i)]));
        EXPECT_EQ(m->GetValue(i, 1), kData[1][static_cast<std::size_t>(i)]);
    }
    EXPECT_TRUE(store.BoxCox().done);
    EXPECT_EQ(BoxCoxNote(*m, {1, 0, 0, 1}, 0.5), "BCE(0.5000;X1,Y)");
    ASSERT_TRUE(store.Undo(*m));
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 15; ++i)
            EXPECT_EQ(m->GetValue(i, j), kData[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)]);
    EXPECT_FALSE(store.BoxCox().done);
    EXPECT_EQ(m->GetCoef(0), coefBefore);
}

}  // namespace

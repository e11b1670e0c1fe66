// Instrumental-variable estimation against values worked out in exact
// rational arithmetic: b = (Z'X)^-1 Z'y, the covariance factor
// (Z'X)^-1 Z'Z (X'Z)^-1, the three hat values, deleted variances from
// refitting without each observation, and the comparison with least squares;
// two-stage least squares through first-stage fitted values, and every
// leave-one-out row against a refit without the observation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "core/data/variable.h"
#include "core/model/instrumental_fit.h"
#include "platform/errors.h"
#include "core/settings/engine_context.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace {

const std::vector<double> kX1 = {1, 2, 3, 4, 5, 6, 7};
const std::vector<double> kX2 = {2, 1, 4, 3, 6, 5, 8};
const std::vector<double> kW = {1, 3, 2, 5, 4, 7, 6};
const std::vector<double> kY = {3, 4, 8, 0, 12, 14, 17};

// x1 exogenous, x2 endogenous, w exogenous (the instrument), y endogenous.
std::unique_ptr<Reg> SampleModel() {
    return MakeModel({kX1, kX2, kW, kY}, {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kEndogenous},
                     {"x1", "x2", "w", "y"});
}

struct Expected {
    const char* name;
    bool instrument;
    double coef[3], se[3];  // x1, x2, constant
    double rss, s2, r2, adjR2, press;
    std::vector<double> residual, ha, hb, hc, s2t;
};

const Expected kCases[] = {
    {"no instrument: least squares", false,
     {0.35714285714285715, 2.0, -1.4285714285714286},
     {1.5717329250719099, 1.4086784586980805, 3.124081497669616},
     54.42857142857143, 13.607142857142858, 0.7707581227436823, 0.6561371841155235, 147.75390266299357,
     {0.07142857142857142, 2.7142857142857144, 0.35714285714285715, -6.0, -0.35714285714285715,
      3.2857142857142856, -0.07142857142857142},
     {0.5714285714285714, 0.47619047619047616, 0.2857142857142857, 0.3333333333333333, 0.2857142857142857,
      0.47619047619047616, 0.5714285714285714},
     {0.5714285714285714, 0.47619047619047616, 0.2857142857142857, 0.3333333333333333, 0.2857142857142857,
      0.47619047619047616, 0.5714285714285714},
     {0.5714285714285714, 0.47619047619047616, 0.2857142857142857, 0.3333333333333333, 0.2857142857142857,
      0.47619047619047616, 0.5714285714285714},
     {18.13888888888889, 13.454545454545455, 18.083333333333332, 0.14285714285714285, 18.083333333333332,
      11.272727272727273, 18.13888888888889}},
    {"w instruments x2", true,
     {0.36904761904761907, 1.9880952380952381, -1.4268707482993197},
     {1.6224614583299115, 1.4650607902304797, 3.124638449355777},
     54.42954324586977, 13.607385811467443, 0.770754029650368, 0.6561310444755519, 150.7459675535059,
     {0.08163265306122448, 2.7006802721088436, 0.3673469387755102, -6.01360544217687, -0.3469387755102041,
      3.272108843537415, -0.061224489795918366},
     {0.5102040816326531, 0.43537414965986393, 0.336734693877551, 0.3333333333333333, 0.30612244897959184,
      0.5170068027210885, 0.5612244897959183},
     {0.5801749271137027, 0.49173955296404276, 0.2944606413994169, 0.3488824101068999, 0.2944606413994169,
      0.49173955296404276, 0.5801749271137027},
     {0.48247978436657685, 0.394429469901168, 0.394429469901168, 0.3189577717879605, 0.3189577717879605,
      0.5453728661275831, 0.5453728661275831},
     {18.13888888888889, 13.558620022257706, 18.08862590401052, 0.14327363598500625, 18.083333333333332,
      11.437677709449183, 18.1394146986359}},
};

void Fit(RegIV& iv, bool instrument) {
    if (instrument) iv.SetDesignColumn(1, kW);
    iv.SetDependent(3);
    ASSERT_TRUE(iv.ToggleVariable(4));  // the constant term
    ASSERT_TRUE(iv.ToggleVariable(0));
    ASSERT_TRUE(iv.ToggleVariable(1));
}

}  // namespace

TEST(RegIV, EstimatesAndPerObservationRows) {
    for (const Expected& e : kCases) {
        SCOPED_TRACE(e.name);
        auto reg = SampleModel();
        RegIV iv(*reg, 0);
        ASSERT_EQ(iv.VarCount(), 4);
        ASSERT_EQ(iv.Rows(), 7);
        Fit(iv, e.instrument);
        const int index[] = {0, 1, 4};
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(iv.GetCoef(index[c]), e.coef[c], 1e-12) << c;
            EXPECT_NEAR(iv.GetCoefSE(index[c]), e.se[c], 1e-12) << c;
        }
        EXPECT_EQ(iv.GetDf(), 4);
        EXPECT_EQ(iv.GetParamCount(), 3);
        EXPECT_EQ(iv.CountExplanatory(), 2);
        EXPECT_NEAR(iv.GetRss(), e.rss, 1e-11);
        EXPECT_NEAR(iv.GetS2(), e.s2, 1e-12);
        EXPECT_NEAR(iv.GetR2(), e.r2, 1e-13);
        EXPECT_NEAR(iv.GetAdjR2(), e.adjR2, 1e-13);
        EXPECT_NEAR(iv.GetPress(), e.press, 1e-10);
        iv.ComputeDiagnostics();
        for (int t = 0; t < 7; ++t) {
            EXPECT_NEAR(iv.GetAnalysisValue(2, t), e.residual[t], 1e-12) << t;
            EXPECT_NEAR(iv.GetAnalysisValue(11, t), e.ha[t], 1e-13) << t;
            EXPECT_NEAR(iv.GetAnalysisValue(9, t), e.hb[t], 1e-13) << t;
            EXPECT_NEAR(iv.GetAnalysisValue(10, t), e.hc[t], 1e-13) << t;
            EXPECT_NEAR(iv.GetAnalysisValue(12, t), e.s2t[t], 1e-11) << t;
        }
        // The observation with y = 0 has no error percentage.
        EXPECT_EQ(iv.GetAnalysisValue(3, 3), 999900.0);
        EXPECT_NEAR(iv.GetAnalysisValue(3, 0), 100.0 * e.residual[0] / 3.0, 1e-12);
        // Leaving observation t out: its own residual over the deleted fit.
        EXPECT_NEAR(iv.GetAnalysisValue(1, 0) + iv.GetAnalysisValue(2, 0), 3.0, 1e-13);
        iv.ComputeInfluence();
        EXPECT_TRUE(iv.InfluenceDone());
        if (!e.instrument) {
            // Least squares at t = 3 (e = -6, h = 1/3, deleted variance 1/7):
            // Cook's D = e^2 h / (p s2 (1 - h)^2) = 252/381, DFFITS =
            // t sqrt(h / (1 - h)) = -sqrt(189).
            EXPECT_NEAR(iv.GetAnalysisValue(15, 3), 252.0 / 381.0, 1e-13);
            EXPECT_NEAR(iv.GetAnalysisValue(14, 3), -std::sqrt(189.0), 1e-11);
        }
    }
}

TEST(RegIV, DiagnosticsShowTheirProgressOnceThroughTheDataSetsServices) {
    auto reg = SampleModel();
    ScriptedServices services;
    reg->Context().SetServices(&services);
    RegIV iv(*reg, 0);
    Fit(iv, true);
    iv.ComputeDiagnostics();
    const auto begun = services.CallsOf(ServiceCall::ProgressBegin);
    ASSERT_EQ(begun.size(), 1u);
    EXPECT_EQ(begun[0].text, "分析データ計算中・・・");
    EXPECT_EQ(begun[0].value, 7);
    EXPECT_EQ(services.CallsOf(ServiceCall::ProgressStep).size(), 7u);
    EXPECT_EQ(services.ProgressDepth(), 0);
    // Done once: asking again (also through the influence rows) shows none.
    iv.ComputeDiagnostics();
    iv.ComputeInfluence();
    EXPECT_EQ(services.CallsOf(ServiceCall::ProgressBegin).size(), 1u);
    reg->Context().SetServices(nullptr);
}

TEST(RegIV, SpecificationTestAgainstLeastSquares) {
    auto reg = SampleModel();
    RegIV iv(*reg, 0);
    Fit(iv, true);
    EXPECT_NEAR(iv.SpecificationTest(), 0.0008746837081234018, 0.0008746837081234018 * 1e-10);
}

TEST(RegIV, PredictionAtAPoint) {
    auto reg = SampleModel();
    RegIV iv(*reg, 0);
    Fit(iv, true);
    double x[5] = {2, 3, 0, 0, -7};
    double lower = 0, upper = 0;
    const double yhat = iv.Predict(x, &lower, &upper, 0.95, 0.95);
    EXPECT_EQ(x[4], 1.0);
    EXPECT_NEAR(yhat, 5.275510204081633, 1e-12);
    EXPECT_LT(lower, yhat);
    EXPECT_NEAR(upper - yhat, yhat - lower, 1e-12);
}

TEST(RegIV, RefusedToggles) {
    auto reg = SampleModel();
    RegIV iv(*reg, 0);
    iv.SetDependent(3);
    EXPECT_FALSE(iv.ToggleVariable(3));   // the dependent
    EXPECT_FALSE(iv.ToggleVariable(-1));
    EXPECT_FALSE(iv.ToggleVariable(5));
    // n = 7: entries leave df 6, 5, 4, 3; at df 2 an entry is refused.
    EXPECT_TRUE(iv.ToggleVariable(4));
    EXPECT_TRUE(iv.ToggleVariable(0));
    EXPECT_TRUE(iv.ToggleVariable(1));
    EXPECT_TRUE(iv.ToggleVariable(2));
    EXPECT_EQ(iv.GetDf(), 3);
    // Removing and entering again works; the constant term toggles too.
    EXPECT_TRUE(iv.ToggleVariable(4));
    EXPECT_EQ(iv.GetRole(4), RegIV::kRoleUnused);
    EXPECT_TRUE(iv.ToggleVariable(4));
    EXPECT_EQ(iv.GetDf(), 3);
}

// Before any dependent variable is set nothing is estimated: a toggle is
// refused or made on the sums of the block, never a fault.
TEST(RegIV, TogglesBeforeTheFirstDependent) {
    auto reg = SampleModel();
    for (int k : {0, 4}) {
        RegIV iv(*reg, 0);
        EXPECT_NO_THROW(iv.ToggleVariable(k)) << k;
        EXPECT_TRUE(std::isfinite(iv.GetS2())) << k;
    }
}

TEST(RegIV, RefusesEntryAtTwoDegreesOfFreedom) {
    auto reg = MakeModel({{1, 2, 3, 4}, {2, 1, 4, 3}, {1, 1, 2, 2}, {3, 4, 8, 9}});
    RegIV iv(*reg, 0);
    iv.SetDependent(3);
    EXPECT_TRUE(iv.ToggleVariable(4));   // df 3
    EXPECT_TRUE(iv.ToggleVariable(0));   // df 2
    EXPECT_FALSE(iv.ToggleVariable(1));  // no entry at df 2
    EXPECT_EQ(iv.GetDf(), 2);
}

TEST(RegIV, SelectAndRefitKeepTheModel) {
    auto reg = SampleModel();
    RegIV iv(*reg, 0);
    iv.SetDesignColumn(1, kW);
    const std::vector<std::uint8_t> roles = {2, 2, 0, 1, 2};
    ASSERT_TRUE(iv.SelectVariables(roles, 3));
    EXPECT_NEAR(iv.GetCoef(1), 1.9880952380952381, 1e-12);
    // Back to least squares through the design, then Refit.
    iv.SetDesignColumn(1, kX2);
    iv.Refit(false);
    EXPECT_NEAR(iv.GetCoef(1), 2.0, 1e-12);
    EXPECT_NEAR(iv.GetCoef(4), -1.4285714285714286, 1e-12);
    EXPECT_FALSE(iv.DiagnosticsDone());
}

TEST(RegIV, DefaultK) {
    auto reg = SampleModel();
    RegIV iv(*reg, 0);
    iv.SetDependent(3);
    ASSERT_TRUE(iv.ToggleVariable(4));
    ASSERT_TRUE(iv.ToggleVariable(0));
    ASSERT_TRUE(iv.ToggleVariable(1));
    // K = 1 + 2 (x1, w), kin = 1 + 1 (x1), g = 1 + 1 (x2): 1 + (1 - 2) / 7.
    EXPECT_DOUBLE_EQ(iv.GetDefaultK(), 6.0 / 7.0);
    // Without a predetermined variable besides the constant term: 0.
    auto plain = MakeModel({kX1, kX2, kY}, {Var::kEndogenous, Var::kEndogenous, Var::kEndogenous});
    RegIV none(*plain, 0);
    EXPECT_EQ(none.GetDefaultK(), 0.0);
}

TEST(RegIV, NamesAndDesignAccess) {
    auto reg = SampleModel();
    RegIV iv(*reg, 0);
    EXPECT_EQ(iv.FindVar("w"), 2);
    EXPECT_EQ(iv.FindVar(Reg::ConstantName()), 4);
    EXPECT_EQ(iv.GetVarName(4), Reg::ConstantName());
    EXPECT_EQ(iv.FindVar("none"), -1);
    iv.SetDesignValue(0, 4, 9.0);  // the constant column stays
    iv.SetDesignValue(0, 1, 9.0);
    EXPECT_EQ(iv.GetDesignValue(0, 4), 1.0);
    EXPECT_EQ(iv.GetDesignValue(0, 1), 9.0);
    EXPECT_EQ(iv.GetDataValue(0, 1), 2.0);
    EXPECT_EQ(iv.GetRole(3), RegIV::kRoleDependent);
    EXPECT_EQ(iv.GetRole(4), RegIV::kRoleExplanatory);
}

TEST(RegIV, PartialResidualsOfOneVariable) {
    // x1 and y each less their instrumented fit on x2 and the constant.
    const double y[] = {0.015037593984962405, 3.488721804511278, 0.06766917293233082, -5.458646616541353,
                        -0.8796992481203008, 3.593984962406015, -0.8270676691729323};
    const double k[] = {-0.18045112781954886, 2.1353383458646618, -0.8120300751879699, 1.5037593984962405,
                        -1.443609022556391, 0.8721804511278195, -2.075187969924812};
    auto reg = SampleModel();
    RegIV iv(*reg, 0);
    Fit(iv, true);
    std::vector<double> outY, outK;
    iv.GetPartialResiduals(0, outY, outK);
    ASSERT_EQ(outY.size(), 7u);
    for (int t = 0; t < 7; ++t) {
        EXPECT_NEAR(outY[t], y[t], 1e-12) << t;
        EXPECT_NEAR(outK[t], k[t], 1e-12) << t;
    }
    EXPECT_EQ(iv.GetDesignValue(0, 1), 1.0);  // the design is untouched
}

TEST(RegIV, CopyColumnToMatrix) {
    auto reg = SampleModel();
    RegIV iv(*reg, 0);
    iv.SetDesignColumn(1, kW);
    Matrix m(3, 2, 0.0);
    iv.CopyColumnToMatrix(1, m, 1, true);
    iv.CopyColumnToMatrix(1, m, 0, false);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m[i][0], kX2[i]);
        EXPECT_EQ(m[i][1], kW[i]);
    }
}

TEST(RegIV, DesignColumnOutOfRangeChangesNothing) {
    auto reg = SampleModel();
    RegIV iv(*reg, 0);
    struct Bad {
        int j;
        std::vector<double> values;
    };
    const std::vector<double> nines(7, 9.0);
    const Bad kBad[] = {
        {-1, nines}, {4, nines},  // the constant column stays
        {5, nines},  {100, nines}, {1, std::vector<double>(6, 9.0)},  // fewer than n values
    };
    for (const Bad& b : kBad) {
        EXPECT_NO_THROW(iv.SetDesignColumn(b.j, b.values)) << b.j;
        for (int j = 0; j <= 4; ++j) {
            std::vector<double> design, data;
            iv.GetDesignColumn(j, design);
            iv.GetDataColumn(j, data);
            EXPECT_EQ(design, data) << b.j << " " << j;
        }
    }
    // The same bounds as for a single value.
    iv.SetDesignValue(0, 5, 9.0);
    iv.SetDesignValue(7, 1, 9.0);
    iv.SetDesignValue(-1, 1, 9.0);
    for (int j = 0; j <= 4; ++j) {
        std::vector<double> design, data;
        iv.GetDesignColumn(j, design);
        iv.GetDataColumn(j, data);
        EXPECT_EQ(design, data) << j;
    }
    iv.SetDesignColumn(3, nines);  // in range: written
    std::vector<double> design;
    iv.GetDesignColumn(3, design);
    EXPECT_EQ(design, nines);
}

TEST(RegIV, SpecificationTestRaisesOnASingularDifference) {
    // Without an instrument the estimates and their covariance equal those
    // of least squares; with these values exactly, so the difference is 0.
    struct Case {
        const char* name;
        std::vector<int> enter;
    };
    const Case kSingular[] = {{"constant only", {2}}, {"x and constant", {2, 0}}};
    for (const Case& c : kSingular) {
        SCOPED_TRACE(c.name);
        auto reg = MakeModel({{-1, 1, -1, 1}, {1, 3, 5, 7}});
        RegIV iv(*reg, 0);
        iv.SetDependent(1);
        for (int j : c.enter) ASSERT_TRUE(iv.ToggleVariable(j));
        try {
            iv.SpecificationTest();
            ADD_FAILURE() << "no error";
        } catch (const EZeroDivide& e) {
            EXPECT_STREQ(e.what(), "INVERSE ERROR!");
        }
    }
}

namespace {

// x1 exogenous, x2 endogenous, w1 and w2 exogenous, y endogenous.
const std::vector<double> kTx1 = {1, 2, 3, 4, 5, 6, 7, 8};
const std::vector<double> kTx2 = {3, 1, 4, 2, 6, 5, 9, 7};
const std::vector<double> kTw1 = {1, 3, 2, 5, 4, 7, 6, 8};
const std::vector<double> kTw2 = {1, 0, 0, 1, 1, 0, 1, 0};
const std::vector<double> kTy = {3, 4, 8, 0, 12, 14, 17, 15};

// Fitted x2 of its regression on x1, w1, w2 and the constant term.
const std::vector<double> kTx2Hat = {2.037037037037037,  1.0162037037037037, 4.523148148148148,
                                     3.111111111111111,  6.618055555555555,  4.247685185185185,
                                     8.233796296296296,  7.212962962962963};

std::unique_ptr<Reg> TwoInstrumentModel(const std::vector<int>& drop = {}) {
    std::vector<std::vector<double>> cols = {kTx1, kTx2, kTw1, kTw2, kTy};
    for (auto& c : cols)
        for (auto it = drop.rbegin(); it != drop.rend(); ++it) c.erase(c.begin() + *it);
    return MakeModel(cols,
                     {Var::kExogenous, Var::kEndogenous, Var::kExogenous, Var::kExogenous, Var::kEndogenous},
                     {"x1", "x2", "w1", "w2", "y"});
}

struct TwoStageCase {
    const char* name;
    const std::vector<double>* instrument;  // design column of x2
    double coef[3], se[3];                   // x1, x2, constant
    double rss, s2, r2;
};

// Two-stage least squares: b = (Xh'Xh)^-1 Xh'y with Xh the projection of
// (x1, x2, 1) on the instruments, residuals against the observed x2, s2 =
// RSS / (n - 3), se = sqrt(s2 (Xh'Xh)^-1). Exactly identified: w1 alone.
const TwoStageCase kTwoStage[] = {
    {"over-identified: w1 and w2 through the first stage", &kTx2Hat,
     {0.9854605854953198, 1.2829508109119085, -1.243220135196516},
     {0.8676443381110668, 0.8303382735431882, 2.3313170953371336},
     42.66613941602069, 8.53322788320414, 0.8459010766012797},
    {"exactly identified: w1", &kTw1,
     {0.7782546494992847, 1.5150214592274678, -1.3841201716738198},
     {0.8564593045600796, 0.8233063861620041, 2.2749485812582053},
     40.56315889652293, 8.112631779304586, 0.8534964915701203},
};

void FitTwoStage(RegIV& iv, const std::vector<double>& instrument) {
    iv.SetDesignColumn(1, instrument);
    iv.SetDependent(4);
    ASSERT_TRUE(iv.ToggleVariable(5));  // the constant term
    ASSERT_TRUE(iv.ToggleVariable(0));
    ASSERT_TRUE(iv.ToggleVariable(1));
}

}  // namespace

TEST(RegIV, TwoStageLeastSquares) {
    for (const TwoStageCase& c : kTwoStage) {
        SCOPED_TRACE(c.name);
        auto reg = TwoInstrumentModel();
        RegIV iv(*reg, 0);
        FitTwoStage(iv, *c.instrument);
        const int index[] = {0, 1, 5};
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(iv.GetCoef(index[k]), c.coef[k], 1e-12 * std::fabs(c.coef[k])) << k;
            EXPECT_NEAR(iv.GetCoefSE(index[k]), c.se[k], 1e-12 * c.se[k]) << k;
        }
        EXPECT_EQ(iv.GetDf(), 5);
        EXPECT_NEAR(iv.GetRss(), c.rss, 1e-12 * c.rss);
        EXPECT_NEAR(iv.GetS2(), c.s2, 1e-12 * c.s2);
        EXPECT_NEAR(iv.GetR2(), c.r2, 1e-13);
        // Residuals are taken against the observed x2, not the instrument.
        iv.ComputeDiagnostics();
        long double rss = 0.0L;
        for (int t = 0; t < 8; ++t) {
            const double e = kTy[t] - (c.coef[0] * kTx1[t] + c.coef[1] * kTx2[t] + c.coef[2]);
            EXPECT_NEAR(iv.GetAnalysisValue(2, t), e, 1e-12) << t;
            rss += static_cast<long double>(e) * e;
        }
        EXPECT_NEAR(static_cast<double>(rss), c.rss, 1e-11);
    }
}

namespace {

double Det3(const double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// d' m^-1 d for a 3 x 3 m by Cramer's rule.
double InverseQuadraticForm(const double m[3][3], const double d[3]) {
    const double det = Det3(m);
    double sum = 0.0;
    for (int k = 0; k < 3; ++k) {
        double mk[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) mk[i][j] = j == k ? d[i] : m[i][j];
        sum += d[k] * Det3(mk) / det;
    }
    return sum;
}

void ExpectClose(double actual, double expected, const char* what, int t) {
    EXPECT_NEAR(actual, expected, 1e-10 * std::fmax(1.0, std::fabs(expected))) << what << " at " << t;
}

}  // namespace

// Each leave-one-out row against the fit of the same model on the other
// seven observations (the design row of the left-out observation dropped).
TEST(RegIV, LeaveOneOutRowsMatchRefitsWithoutTheObservation) {
    const int index[] = {0, 1, 5};
    for (const TwoStageCase& c : kTwoStage) {
        SCOPED_TRACE(c.name);
        auto reg = TwoInstrumentModel();
        RegIV iv(*reg, 0);
        FitTwoStage(iv, *c.instrument);
        iv.ComputeInfluence();
        const int n = iv.Rows();
        double cf[3][3];
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) cf[a][b] = iv.GetCovarianceFactor(index[a], index[b]);
        const double s2 = iv.GetS2();
        for (int t = 0; t < n; ++t) {
            auto without = TwoInstrumentModel({t});
            RegIV r(*without, 0);
            std::vector<double> instrument = *c.instrument;
            instrument.erase(instrument.begin() + t);
            FitTwoStage(r, instrument);
            ASSERT_EQ(r.Rows(), n - 1);
            const double s2t = r.GetS2();
            ExpectClose(iv.GetAnalysisValue(12, t), s2t, "deleted s2", t);

            double change[3], cft[3][3];
            for (int a = 0; a < 3; ++a) {
                const int j = index[a];
                change[a] = iv.GetCoef(j) - r.GetCoef(j);
                ExpectClose(iv.GetAnalysisValue(j - 100, t), change[a], "coefficient change", t);
                ExpectClose(iv.GetAnalysisValue(19 + j, t), r.GetCoef(j) / r.GetCoefSE(j), "DFBETAS", t);
                for (int b = 0; b < 3; ++b) cft[a][b] = r.GetCovarianceFactor(j, index[b]);
            }
            // The deleted prediction error of the left-out observation.
            const double dt = kTy[t] - (r.GetCoef(0) * kTx1[t] + r.GetCoef(1) * kTx2[t] + r.GetCoef(5));
            ExpectClose(iv.GetAnalysisValue(4, t), dt, "PRESS residual", t);

            double full[3][3], deleted[3][3];
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b) {
                    full[a][b] = s2 * cf[a][b];
                    deleted[a][b] = s2t * cft[a][b];
                }
            ExpectClose(iv.GetAnalysisValue(13, t), Det3(deleted) / Det3(full), "COVRATIO", t);

            // Squared change of the fit in the metric of the covariance factor.
            const double dd = InverseQuadraticForm(cf, change);
            const double ha = iv.GetAnalysisValue(11, t), hb = iv.GetAnalysisValue(9, t);
            ExpectClose(iv.GetAnalysisValue(16, t), std::sqrt(dd * (n - 1) / ((1.0 - 2.0 * ha + hb) * s2t)), "W", t);
            ExpectClose(iv.GetAnalysisValue(14, t), std::copysign(std::sqrt(dd / s2t), dt), "DFFITS", t);
            ExpectClose(iv.GetAnalysisValue(15, t), dd / (3.0 * s2), "Cook's D", t);

            ExpectClose(iv.GetAnalysisValue(17, t), 1.0 - r.GetRss() / r.GetTss(), "deleted R2", t);
            ExpectClose(iv.GetAnalysisValue(18, t), r.GetAdjR2(), "deleted adjusted R2", t);
        }
    }
}

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Per variable its role, coefficient, standard error, F value and design
// column; then the summary figures and the residuals.
std::vector<double> ShownOf(const RegIV& iv) {
    std::vector<double> s, column;
    for (int j = 0; j <= iv.VarCount(); ++j) {
        iv.GetDesignColumn(j, column);
        s.insert(s.end(), {static_cast<double>(iv.GetRole(j)), iv.GetCoef(j), iv.GetCoefSE(j), iv.GetFValue(j)});
        s.insert(s.end(), column.begin(), column.end());
    }
    iv.GetAnalysisRow(2, column);
    s.insert(s.end(), {static_cast<double>(iv.GetDf()), iv.GetS2(), iv.GetRss(), iv.GetR2(), iv.GetAdjR2(),
                       iv.GetPress()});
    s.insert(s.end(), column.begin(), column.end());
    return s;
}

struct Refusal {
    const char* name;
    Columns data;                        // x1, x2, w, y
    std::vector<double> instrument;      // of x2, when not empty
    std::vector<std::uint8_t> start;     // an estimate that stands (empty: the dependent alone)
    std::function<bool(RegIV&)> change;  // refused
    const char* message;
};

const std::vector<double> kBig(7, 1e16), kHuge(7, 1e200);
const std::vector<double> kOfX1 = {2.0, 2.5, 3.0, 3.5, 4.0, 4.5, 5.0};  // 1.5 + x1 / 2, exact in binary
const std::vector<double> kX1WithNaN = {1, 2, std::nan(""), 4, 5, 6, 7};
const std::vector<std::uint8_t> kX2AndConstant = {0, 2, 0, 1, 2}, kAll = {2, 2, 0, 1, 2};

const Refusal kRefusals[] = {
    {"instrument of x1, selected", {kX1, kX2, kW, kY}, {}, kAll,
     [](RegIV& iv) { iv.SetDesignColumn(1, kOfX1); return iv.SelectVariables(kAll, 3); }, "識別不能状態です。"},
    {"instrument of x1 for w, refitted", {kX1, kX2, kW, kY}, kW, kAll,
     [](RegIV& iv) { iv.SetDesignColumn(1, kOfX1); return iv.Refit(false); }, "識別不能状態です。"},
    {"instrument of x1, toggled", {kX1, kX2, kW, kY}, kOfX1, kX2AndConstant,
     [](RegIV& iv) { return iv.ToggleVariable(0); }, "識別不能状態です。"},
    {"no number in a regressor", {kX1WithNaN, kX2, kW, kY}, {}, kX2AndConstant,
     [](RegIV& iv) { return iv.ToggleVariable(0); }, "数値になりません"},
    {"no number in the design", {kX1, kX2, kW, kY}, {}, kAll,
     [](RegIV& iv) { iv.SetDesignValue(3, 1, std::nan("")); return iv.Refit(false); }, "数値になりません"},
    {"one observation", {{1}, {2}, {3}, {4}}, {}, {},
     [](RegIV& iv) { return iv.SelectVariables({0, 0, 0, 1, 0}, 3); }, "データ不足"},
    {"no residual degree of freedom left", {{1, 2, 3}, {2, 1, 5}, {1, 3, 2}, {3, 4, 8}}, {}, {0, 0, 0, 1, 2},
     [](RegIV& iv) { return iv.SelectVariables(kAll, 3); }, "データ不足"},
    {"a constant regressor of 1e16", {kX1, kBig, kW, kY}, {}, {2, 0, 0, 1, 2},
     [](RegIV& iv) { return iv.SelectVariables(kAll, 3); }, "INVERSE ERROR!"},
    {"cross-products beyond the range of a double", {kX1, kHuge, kW, kY}, {}, {2, 0, 0, 1, 2},
     [](RegIV& iv) { return iv.SelectVariables(kAll, 3); }, "INVERSE ERROR!"},
};

}  // namespace

// Each refusal says why, and the estimator is what it was: the estimate
// before, on the design it was made with.
TEST(RegIV, RefusalsKeepTheEstimateBefore) {
    for (const Refusal& r : kRefusals) {
        SCOPED_TRACE(r.name);
        auto reg = MakeModel(r.data);
        RegIV iv(*reg, 0);
        if (!r.instrument.empty()) iv.SetDesignColumn(1, r.instrument);
        if (r.start.empty())
            iv.SetDependent(3);
        else
            ASSERT_TRUE(iv.SelectVariables(r.start, 3));
        iv.ComputeDiagnostics();
        const std::vector<double> before = ShownOf(iv);
        EXPECT_FALSE(r.change(iv));
        EXPECT_EQ(RegIV::ProblemText(iv.FitProblem()), r.message);
        const std::vector<double> after = ShownOf(iv);
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < after.size(); ++i) EXPECT_TRUE(SameBits(after[i], before[i])) << i;
        EXPECT_TRUE(iv.DiagnosticsDone());
    }
}

// Least squares leaves out a constant regressor (1e16 or 3), a copy of
// another and one of zeros, the constant term first; a value that is no
// number stays for the estimate to refuse.
TEST(RegIV, RegressorsLeastSquaresLeavesOut) {
    const std::vector<double> x3 = {1, 0, 0, 2, 0, 1, 1};
    const std::vector<double> three(7, 3.0), zeros(7, 0.0);
    auto reg = MakeModel({kX1, kBig, kX1, zeros, x3, three, kX1WithNaN, kY});
    RegIV iv(*reg, 0);
    const std::vector<std::uint8_t> all = {2, 2, 2, 2, 2, 2, 2, 1, 2};
    EXPECT_EQ(iv.WithoutCollinearRegressors(all, 7), (std::vector<std::uint8_t>{2, 0, 0, 0, 2, 0, 2, 1, 2}));
    std::vector<std::uint8_t> noConstant = all;
    noConstant[8] = 0;
    EXPECT_EQ(iv.WithoutCollinearRegressors(noConstant, 7), (std::vector<std::uint8_t>{2, 2, 0, 0, 2, 0, 2, 1, 0}))
        << "the first constant regressor stands in";
    std::vector<std::uint8_t> kept = iv.WithoutCollinearRegressors(all, 7);
    kept[6] = 0;  // what stays out of the estimate is what keeps it finite
    EXPECT_TRUE(iv.SelectVariables(kept, 7));
}

// The multicollinearity analysis against values computed independently
// with a 40-digit script (mpmath) written for these tests: the columns
// scaled to unit length, B = Y'X and S = Y'Y, the symmetric eigenproblem
// of the regressors' block (generalised: (B^-1 S B^-1')^-1), ridge
// coefficients (B_p + kI)^-1 B_p., W = (B_p + kI)^-1 S_p (B_p + kI)^-1',
// the grid search on RSS/s0^2 - n + 2 T(k) walked with the same double
// steps, and the 30-constant table.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/model/instrumental_fit.h"
#include "core/model/regression_model.h"
#include "estimators/mcl_data.h"
#include "estimators/multicollinearity.h"
#include "estimators/multicollinearity_tables.h"
#include "estimators/weighted_fit.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "weighted_data.h"

namespace {

using V = std::vector<double>;

const V kZ1 = {1.5, 1.9, 3.2, 4.0, 5.4, 5.9, 7.2, 7.7, 9.3, 9.9, 10.8, 12.4};
const V kZ2 = {0.8, 2.6, 2.9, 4.3, 5.0, 6.4, 6.8, 8.2, 8.9, 10.4, 11.3, 11.5};
const V kZ3 = {3.1, 1.6, 4.0, 3.1, 1.4, 2.9, 2.6, 4.4, 2.0, 3.5, 2.9, 0.8};

struct Expected {
    double cond;
    V eig, index, vif, prop;  // prop row by row
    double k;
    V coef, se, ridgeVif;
    double rss, r2, gcv, dw, e0, fit0, h0, hLast;
    double autoK;
    V table5, table29, table0;  // scale 0.1, constants 5, 29 and 0
    double yMin, yMax;
};

// NearlyCollinearColumns: x1, x2 nearly collinear, x3, y; X = Y.
const Expected kOrdinary = {
    27.21663760253186,
    {2.071802325006643, 0.92540075930517926, 0.0027969156881777344},
    {1.0, 2.2388163227380741, 740.7453623875512},
    {178.6894071771255, 179.35347312177971, 1.0571022285802485},
    {0.0012606271444422232, 0.0002071772905153683, 0.99853219556504241, 0.0012599998914808876,
     0.00018612510884882686, 0.99855387499967029, 0.029727926307130756, 0.9556410938599205, 0.014630979832948742},
    0.01,
    {0.60286765629006509, 0.39234483280273586, 0.010276559713021901},
    {0.066348485611897499, 0.066458003108374286, 0.022617443704483933},
    {8.7826591983763274, 8.8116771534121746, 1.0205893626842904},
    0.0045110590075331635, 0.99548894099246684, 4.7000045937390167e-5, 2.6984200133472184,
    0.011600193144282286, -0.45629794636081292, 0.22475828475593718, 0.36518663919714721,
    0.0013200000000000028,
    {0.69681104146806972, 0.30135118885460788, 0.010105643657428834},
    {0.3322208708066783, 0.32918837753929538, -0.027728570286890946},
    {0.97963513515133262, 0.020094243516930773, 0.0079486238614605018},
    -0.033274284344269134, 1.0882685684572355};

// The same X with the instrumented regressors z1..z3 as Y.
const Expected kGeneralised = {
    1012.4525571625209,
    {2.0680841182606128, 0.8969003976542798, 2.0175245879143496e-6},
    {1.0, 2.3058124666567255, 1025060.1805049276},
    {247708.75318421134, 247935.13060267867, 14.623169556357242},
    {9.141216876626266e-7, 1.4382427220408301e-7, 0.99999894205404013, 9.1734414831719735e-7,
     1.3228416973911785e-7, 0.99999895037168194, 0.0020283934231059545, 0.071566330213141257, 0.92640527636375279},
    0.02,
    {0.35785842675543237, 0.63217058413002029, 0.011341803738830152},
    {0.092198899918811028, 0.092546713720973921, 0.026160127485183228},
    {12.87479932104042, 12.972121077339913, 1.0364985577081337},
    0.0059422855773077723, 0.99405771442269223, 6.3259244209336082e-5, 2.6903715356832816,
    0.014223618494952342, -0.45892137171148297, 0.2241873480425778, 0.37268528170767241,
    0.9999999999999917,
    {-0.15668702264354692, 1.155197400232257, 0.016751659776093997},
    {0.32695853581752085, 0.33429845559419252, -0.02348778332349384},
    {-18.296562371090603, 19.305083084208046, 0.14979088168759475},
    -4.4453475967192213, 5.6476106018777214};

void Near(double actual, double expected, double rel, const std::string& what) {
    EXPECT_NEAR(actual, expected, rel * std::fabs(expected) + 1e-13) << what;
}
void Near(const V& actual, const V& expected, double rel, const std::string& what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i) Near(actual[i], expected[i], rel, what + "[" + std::to_string(i) + "]");
}

MclData DataOf(const Columns& x, const Columns& y, bool generalised) {
    MclData d;
    const int n = static_cast<int>(x[0].size()), m = static_cast<int>(x.size());
    d.x.Resize(n, m, false);
    d.y.Resize(n, m, false);
    for (int j = 0; j < m; ++j) {
        d.names.push_back(j + 1 == m ? "y" : "x" + std::to_string(j + 1));
        for (int t = 0; t < n; ++t) {
            d.x[t][j] = x[j][t];
            d.y[t][j] = y[j][t];
        }
    }
    d.generalised = generalised;
    return d;
}

Columns Instrumented() {
    const Columns& c = NearlyCollinearColumns();
    return {kZ1, kZ2, kZ3, c[3]};
}

// rel: the generalised block has condition number 1e3 and VIFs of 2.5e5.
void ExpectAnalysis(const Multicollinearity& a, const Expected& e, double rel) {
    const MclEigenPage& page = a.EigenPage();
    ASSERT_EQ(page.status, MclEigenPage::Status::kDone);
    Near(page.conditionNumber, e.cond, rel, "cond");
    Near(page.eigenvalues, e.eig, rel, "eigenvalue");
    Near(page.conditionIndex, e.index, rel, "index");
    Near(page.vif, e.vif, rel, "vif");
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) Near(page.proportion[j][k], e.prop[j * 3 + k], rel, "proportion");

    const auto fit = a.Fit(e.k);
    ASSERT_TRUE(fit.has_value());
    Near(fit->coef, e.coef, 1e-10, "coef");
    Near(fit->stdErr, e.se, 1e-10, "se");
    Near(fit->vif, e.ridgeVif, 1e-10, "ridge vif");
    Near(fit->rss, e.rss, 1e-10, "rss");
    Near(fit->r2, e.r2, 1e-12, "r2");
    Near(fit->gcv, e.gcv, 1e-10, "gcv");
    Near(fit->dw, e.dw, 1e-10, "dw");
    Near(fit->residual[0], e.e0, 1e-9, "e0");
    Near(fit->fitted[0], e.fit0, 1e-12, "fit0");
    Near(fit->leverage[0], e.h0, 1e-10, "h0");
    Near(fit->leverage[11], e.hLast, 1e-10, "h11");

    const auto k = a.AutomaticK();
    ASSERT_TRUE(k.has_value());
    EXPECT_DOUBLE_EQ(*k, e.autoK);

    const MclRidgeTable t = a.Table(0.1);
    EXPECT_DOUBLE_EQ(t.xMax, 1.0);
    EXPECT_DOUBLE_EQ(t.k[5], 0.0004 / 0.1);
    for (int j = 0; j < 3; ++j) {
        Near(t.coef[j][5], e.table5[j], 1e-10, "table 5");
        Near(t.coef[j][29], e.table29[j], 1e-10, "table 29");
        Near(t.coef[j][0], e.table0[j], rel, "table 0");
    }
    Near(t.yMin, e.yMin, 1e-10, "ymin");
    Near(t.yMax, e.yMax, 1e-10, "ymax");
}

TEST(Multicollinearity, OrdinaryFormMatchesTheIndependentComputation) {
    const Columns& c = NearlyCollinearColumns();
    const Multicollinearity a(DataOf(c, c, false));
    ExpectAnalysis(a, kOrdinary, 1e-9);
    // At k = 0 the ridge VIFs are the least-squares ones of the VIF page.
    Near(a.Fit(0.0)->vif, kOrdinary.vif, 1e-9, "vif at 0");
    // All coefficients non-negative over constants 1..29 at scale 1: the
    // range starts at 0 and carries 20 % above the largest.
    const MclRidgeTable t1 = a.Table(1.0);
    EXPECT_EQ(t1.yMin, 0.0);
    Near(t1.yMax, 1.1654554796310997, 1e-10, "ymax at scale 1");
    Near(t1.coef[0][5], 0.91962231924746809, 1e-10, "scale 1");
}

TEST(Multicollinearity, GeneralisedFormMatchesTheIndependentComputation) {
    const Columns& c = NearlyCollinearColumns();
    const Multicollinearity a(DataOf(c, Instrumented(), true));
    ExpectAnalysis(a, kGeneralised, 1e-7);
}

TEST(Multicollinearity, ModelBindingsTakeTheirSides) {
    const Columns& c = NearlyCollinearColumns();
    // Least squares: the explanatory variables only, unless all are asked.
    auto reg = MakeModel({c[0], c[1], c[2], kZ1, c[3]}, {}, {"x1", "x2", "x3", "z", "y"});
    ASSERT_TRUE(reg->SetModel(4, {2, 2, 2, 0, 1, 2}));
    const Multicollinearity ols(MclDataOf(*reg, false));
    EXPECT_EQ(ols.Names(), (std::vector<std::string>{"x1", "x2", "x3", "y"}));
    Near(ols.EigenPage().vif, kOrdinary.vif, 1e-9, "reg vif");
    EXPECT_EQ(MclDataOf(*reg, true).names, (std::vector<std::string>{"x1", "x2", "x3", "z", "y"}));

    // Instrumental variables: X observed, Y the design with z1..z3 in it.
    RegIV iv(*reg, 0);
    iv.SetDesignColumn(0, kZ1);
    iv.SetDesignColumn(1, kZ2);
    iv.SetDesignColumn(2, kZ3);
    ASSERT_TRUE(iv.SelectVariables({2, 2, 2, 0, 1, 2}, 4));
    const Multicollinearity ivA(MclDataOf(iv, false));
    EXPECT_TRUE(ivA.Generalised());
    Near(ivA.EigenPage().vif, kGeneralised.vif, 1e-7, "iv vif");
    Near(ivA.Fit(kGeneralised.k)->coef, kGeneralised.coef, 1e-10, "iv coef");

    // Weighted with unit weights and a second table: the constant term's
    // column stays out and the instrumented copy is Y.
    EngineContext context;
    auto data = MakeNamedTable(context, {c[0], c[1], c[2], c[3]}, {"x1", "x2", "x3", "y"});
    auto second = MakeNamedTable(context, {kZ1, kZ2, kZ3, c[3]}, {"x1", "x2", "x3", "y"});
    WLSE w(*data, second.get(), 3);
    w.SetWeights(V(12, 1.0).data());
    ASSERT_TRUE(w.Estimate(0));
    const MclData wd = MclDataOf(w);
    EXPECT_EQ(wd.names, (std::vector<std::string>{"x1", "x2", "x3", "y"}));
    EXPECT_TRUE(wd.leftOut.empty());
    const Multicollinearity wA(wd);
    Near(wA.Fit(kGeneralised.k)->coef, kGeneralised.coef, 1e-10, "weighted coef");
    WLSE plain(*data, nullptr, 3);
    plain.SetWeights(V(12, 1.0).data());
    ASSERT_TRUE(plain.Estimate(0));
    Near(Multicollinearity(MclDataOf(plain)).EigenPage().vif, kOrdinary.vif, 1e-9, "weighted vif");
}

TEST(Multicollinearity, TwoStageResidualModeIsTwoStageLeastSquares) {
    // Residuals against the observed regressors: X observed, Y first stage,
    // so the coefficients at k = 0 are the model's own two-stage ones
    // scaled by root sums of squares of the observed columns.
    auto reg = MakeModel(IvColumns(), IvTypes(), {"y", "y2", "x1", "x2", "x3", "w"});
    reg->SetTwoStage(true);
    reg->SetRealCalc(true);
    ASSERT_TRUE(reg->SetModel(0, {1, 2, 2, 0, 0, 0, 2}));
    const Multicollinearity a(MclDataOf(*reg, false));
    ASSERT_TRUE(a.Generalised());
    auto rootSS = [&](int j) {
        double mean = 0.0, ss = 0.0;
        const int n = reg->GetObsCount();
        for (int t = 0; t < n; ++t) mean += reg->GetValue(t, j) / n;
        for (int t = 0; t < n; ++t) ss += (reg->GetValue(t, j) - mean) * (reg->GetValue(t, j) - mean);
        return std::sqrt(ss);
    };
    const V b = a.RidgeCoefficients(0.0);
    for (int j = 0; j < 2; ++j) Near(b[j], reg->GetCoef(j + 1) * rootSS(j + 1) / rootSS(0), 1e-9, "2sls");
}

TEST(Multicollinearity, EdgesAndRefusals) {
    const Columns& c = NearlyCollinearColumns();
    // One regressor: condition number 0 and zero eigenvalues, nothing else.
    const Multicollinearity one(DataOf({c[0], c[3]}, {c[0], c[3]}, false));
    EXPECT_EQ(one.EigenPage().status, MclEigenPage::Status::kTooFewRegressors);
    EXPECT_EQ(one.EigenPage().conditionNumber, 0.0);
    EXPECT_EQ(one.EigenPage().eigenvalues, V{0.0});
    const ResultTable oneTable = MclVifTable(one.EigenPage(), one.Names());
    EXPECT_EQ(oneTable.Title(0), "0");
    EXPECT_EQ(oneTable.Cell(2, 0).text, "0");
    EXPECT_EQ(oneTable.Cell(1, 2).text, "");

    // Two identical regressors: a zero eigenvalue divides as 2^-23.
    const Multicollinearity twin(DataOf({c[0], c[0], c[3]}, {c[0], c[0], c[3]}, false));
    const MclEigenPage& page = twin.EigenPage();
    ASSERT_EQ(page.status, MclEigenPage::Status::kDone);
    EXPECT_EQ(page.eigenvalues[1], 0.0);
    EXPECT_DOUBLE_EQ(page.conditionIndex[1], 2.0 / kMclZeroEigenvalue);
    EXPECT_DOUBLE_EQ(page.conditionNumber, std::sqrt(2.0 / kMclZeroEigenvalue));
    EXPECT_DOUBLE_EQ(page.vif[0], 0.25 + 0.5 / kMclZeroEigenvalue);
    EXPECT_DOUBLE_EQ(page.proportion[0][1], (0.5 / kMclZeroEigenvalue) / page.vif[0]);
    // Least squares is undefined there; the automatic k is never 0.
    EXPECT_FALSE(twin.Fit(0.0).has_value());
    const auto k = twin.AutomaticK();
    ASSERT_TRUE(k.has_value());
    EXPECT_GT(*k, 0.0);
    EXPECT_TRUE(twin.Fit(*k).has_value());
    // A typed k outside [0, 1] is used as it is.
    EXPECT_DOUBLE_EQ(twin.Fit(-0.5)->k, -0.5);

    // A decomposition that cannot converge shows "-".
    Matrix bad(2, 2, std::nan(""));
    const MclEigenPage failed = MclEigenPageOf(bad, 2);
    EXPECT_EQ(failed.status, MclEigenPage::Status::kFailed);
    const ResultTable failedTable = MclVifTable(failed, {"a", "b", "y"});
    EXPECT_EQ(failedTable.Title(0), "-");
    EXPECT_EQ(failedTable.Cell(1, 2).text, "-");
    EXPECT_EQ(failedTable.Cell(3, 3).text, "-");

    // Equally close curves: the lower index.
    EXPECT_EQ(twin.NearestCurve(0.01, 0.0), 0);

    // Refusals: no variation in the dependent, too few observations.
    EXPECT_THROW(Multicollinearity(DataOf({c[0], V(12, 2.0)}, {c[0], V(12, 2.0)}, false)), Exception);
    EXPECT_THROW(Multicollinearity(DataOf({{1, 2}, {2, 3}, {1, 5}}, {{1, 2}, {2, 3}, {1, 5}}, false)), Exception);
}

TEST(MulticollinearityTables, CellsAndTexts) {
    const Columns& c = NearlyCollinearColumns();
    const Multicollinearity a(DataOf(c, c, false));
    const MclRidgeFit fit = *a.Fit(0.01);
    const ResultTable est = MclEstimateTable(fit, a.Names());
    EXPECT_EQ(est.Title(0), "y");
    EXPECT_EQ(est.Cell(0, 2).text, "x3");
    // t = 0.4544 with 9 degrees of freedom: above the 50 % level.
    EXPECT_EQ(est.Cell(2, 2).mark, "**");
    EXPECT_EQ(est.Cell(2, 0).mark, "");
    const MclFitTexts texts = MclFitTextsOf(fit);
    EXPECT_EQ(texts.k, "0.01000");
    EXPECT_EQ(texts.gcv, "4.70000e-5");

    const struct {
        double e, y;
        const char* text;
    } rates[] = {{0.5, 2.0, "+25.00"}, {-0.5, 2.0, "-25.00"}, {1.0, 0.0, "+∞"}, {-1.0, 1e-20, "-∞"},
                 {1.0, -1e-4, "-∞"}};
    for (const auto& r : rates) EXPECT_EQ(MclErrorRateCell(r.e, r.y).text, r.text) << r.e << " " << r.y;

    const ResultTable ridge = MclRidgeCoefficientTable(a.Table(0.1), a.Names());
    EXPECT_EQ(ridge.ColumnCount(), 4);
    EXPECT_EQ(ridge.RowCount(), 30);
    EXPECT_EQ(ridge.Title(0), "リッジ係数");
    EXPECT_EQ(ridge.Cell(0, 29).text, "1.0000");
}

}  // namespace

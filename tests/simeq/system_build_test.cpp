#include "simeq/system_build.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "simeq/structural_store.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"

namespace fs = std::filesystem;

namespace {

// Endogenous y1, y2, y3; exogenous x1, x2, x3; lagged x4. n = 15.
const Columns& kColumns = SystemColumns();
const std::vector<int> kTypes = SystemTypes();
const std::vector<std::string> kNames = SystemNames();
const std::string kConst = "定数項";

// Figures from an exact rational-arithmetic script (Jacobian by central
// differences of step 1e-7 in exact arithmetic).
const Rows kCoef = {{0.3385612198532301, 0.15528250726203033, 0.651621491247564, 2.9816138936829364},
 {0.5802327182176196, 0.6634782125237769, -1.7539828634221333},
 {0.37455852619095914, -0.3594898863636289, 2.3522360593636695}};
const Rows kFirstStage = {{8.752643411644907, 12.027974394109176, 9.58450768989816, 12.76796920066879, 7.075642093822132, 11.115279828848784, 10.047855796045168, 9.609366129564489, 10.418601173042278, 11.813515295775767, 6.504117351395553, 6.814183873035813, 9.318821000755, 10.975510627782555, 9.674012133611429},
 {6.4722407126609465, 12.363537823948485, 3.5661091492412713, 9.874209044552755, 4.583998670635557, 4.9926532530926835, 8.688335844365136, 4.336891212300154, 5.398146098175779, 7.38415674624883, 2.612170103283644, 3.5112281376752175, 4.479737785603907, 9.612178480502443, 4.324406937713188},
 {0.21512517137886544, 0.8165978810292399, 3.4425494705906483, 3.8893841895675134, 4.49066424456175, 2.6526028110471254, 3.0533257775706253, 0.974320459107638, 2.331312839229921, 0.8269518789272895, 3.734622069673724, 3.6574592391781473, 1.1383709724766504, 5.457603744644422, 3.119109251016439}};
const Rows kPi = {{0.8109226139722231, 0.27954252842149235, 0.07238127591822914, -0.06946934813982278, 3.4260778911987906},
 {0.4705238325692404, 0.8256779336472057, 0.04199798447409363, -0.0403083887039755, 0.2339396242134307},
 {0.0, 0.0, 0.37455852619095914, -0.3594898863636289, 2.3522360593636695}};
const Rows kReducedCov = {{0.005509649994489531, -0.00011708270028092942, 0.0013716845411782456, -0.0013267617781784996, -0.03694501149355633, 0.004726806243886226, -0.00028599279840399173, 0.0009324543752846247, -0.0009008949302099891, -0.030889472063663267, 0.0, 0.0, -9.934426734632118e-05, 4.225077617187949e-05, 0.0003577335357717287},
 {-0.00011708270028092942, 0.0020848467537461584, -0.00025395124576691326, 2.464929402829528e-05, -0.004897108065174477, -0.0002798942498110928, 0.0019974258092157523, -0.00016626984698137745, 3.246023224880469e-05, -0.004082173005961187, 0.0, 0.0, -0.0005706025111846135, -0.0005860758352580941, 0.006391840836353041},
 {0.0013716845411782456, -0.00025395124576691326, 0.0023700373867884972, -0.002046456092494436, -0.011279490606778865, 0.0007700103438467694, -0.0006720208714066751, 0.001372862712762318, -0.0011852032120551817, -0.004605981127674573, 0.0, 0.0, 0.0014483473379856794, -0.00020901610703962233, -0.0073451861958225345},
 {-0.0013267617781784996, 2.464929402829528e-05, -0.002046456092494436, 0.0022387359350524243, 0.008863917727867014, -0.0007821672840586276, 0.00019803812430590172, -0.0011885219288003054, 0.0013000446848987638, 0.004606700746675872, 0.0, 0.0, -0.00020574581861520526, 0.0016185179197315345, -0.007271431476797102},
 {-0.03694501149355633, -0.004897108065174477, -0.011279490606778865, 0.008863917727867014, 0.3051112176233354, -0.03058483796894012, -0.0019616855653434603, -0.007361272979344252, 0.005926828689683465, 0.24446607523386674, 0.0, 0.0, -0.004786924676667697, -0.005557546396594033, 0.0771837702695949},
 {0.004726806243886226, -0.0002798942498110928, 0.0007700103438467694, -0.0007821672840586276, -0.03058483796894012, 0.02254452732362988, -0.0003610901491813829, 0.002214260034905345, -0.002150207667227926, -0.14892661814761995, 0.0, 0.0, -0.0005151497682038942, 0.0002712113623168464, 0.0015822665199431937},
 {-0.00028599279840399173, 0.0019974258092157523, -0.0006720208714066751, 0.00019803812430590172, -0.0019616855653434603, -0.0003610901491813829, 0.009498528649601518, -0.0004073469834253297, 0.00013162593298406757, -0.02791536663024214, 0.0, 0.0, -0.0010758484382585312, -0.0012802944939511187, 0.012968818085263895},
 {0.0009324543752846247, -0.00016626984698137745, 0.001372862712762318, -0.0011885219288003054, -0.007361272979344252, 0.002214260034905345, -0.0004073469834253297, 0.0009459279765403018, -0.0008329590878619681, -0.014365645702541747, 0.0, 0.0, 0.00079954238625871, -9.925840192368012e-05, -0.0041392146672001575},
 {-0.0009008949302099891, 3.246023224880469e-05, -0.0011852032120551817, 0.0013000446848987638, 0.005926828689683465, -0.002150207667227926, 0.00013162593298406757, -0.0008329590878619681, 0.0008937497822127455, 0.013895644952123903, 0.0, 0.0, -8.018718277395498e-05, 0.0009179833266559893, -0.0043368887578701},
 {-0.030889472063663267, -0.004082173005961187, -0.004605981127674573, 0.004606700746675872, 0.24446607523386674, -0.14892661814761995, -0.02791536663024214, -0.014365645702541747, 0.013895644952123903, 1.1798577834562576, 0.0, 0.0, 0.0027761221679563006, -0.001701821164449228, 0.01961075944780585},
 {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0},
 {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0},
 {-9.934426734632118e-05, -0.0005706025111846135, 0.0014483473379856794, -0.00020574581861520526, -0.004786924676667697, -0.0005151497682038942, -0.0010758484382585312, 0.00079954238625871, -8.018718277395498e-05, 0.0027761221679563006, 0.0, 0.0, 0.006106439085477543, 0.00026791495987608444, -0.03698227336140066},
 {4.225077617187949e-05, -0.0005860758352580941, -0.00020901610703962233, 0.0016185179197315345, -0.005557546396594033, 0.0002712113623168464, -0.0012802944939511187, -9.925840192368012e-05, 0.0009179833266559893, -0.001701821164449228, 0.0, 0.0, 0.00026791495987608444, 0.007080265247326113, -0.038614439293884646},
 {0.0003577335357717287, 0.006391840836353041, -0.0073451861958225345, -0.007271431476797102, 0.0771837702695949, 0.0015822665199431937, 0.012968818085263895, -0.0041392146672001575, -0.0043368887578701, 0.01961075944780585, 0.0, 0.0, -0.03698227336140066, -0.038614439293884646, 0.4669006748844929}};
const Rows kSimulation = {{8.431719822272028, 5.5268984133897465, -0.03223635554891601},
 {11.663764709820512, 11.383105879036027, -0.37923512044209157},
 {9.384347228440998, 3.7574702588865487, 1.567713197595916},
 {12.239983370264587, 10.125099088616142, 1.0387300346648547},
 {6.555283623432686, 4.504476558427635, 1.0234657432604102},
 {11.622597101471099, 5.188871709269803, 3.6288955985467988},
 {9.503718119366765, 8.272037179313772, 0.04682257906037682},
 {9.269838633625271, 3.956419910666851, 0.39652376474529083},
 {9.789262640201697, 5.452067496452975, 0.4806010744972841},
 {11.370331915092304, 6.966586010784512, -0.1930526866496624},
 {5.699996976040848, 2.6149070158563026, 0.4746120358170529},
 {7.179882910452708, 3.473585254232118, 3.93636249822602},
 {9.323525075775583, 4.120266183431915, 1.6439333987356601},
 {10.489031292816712, 9.971661081530684, 1.8471678884159495},
 {9.647158707869718, 4.374396826740913, 1.9151062749439787}};
const Rows kCrossY1Y3 = {{-0.00024993032166799507, -0.0001848393464271008, 0.002423586587220679},
 {0.0006405586142776862, -0.0005586595244079305, -0.0008086700147898151},
 {0.0001926636394103867, 3.740044419830506e-05, -0.0013183157969356497},
 {-0.0014323883176139314, 0.0023721115283481193, -0.0006219699762489986}};
const Rows kPiStored = {{1.2, 0.84, -0.4, 0.1, 4.2},
 {0.6, 1.12, -0.2, 0.05, 0.6},
 {1.8, 1.96, -1.6, 0.4, 4.8}};
const Rows kValuesStored = {{14.014, 8.027, 22.516000000000002},
 {21.614, 16.027, 38.516},
 {10.194, 3.6670000000000003, 6.136000000000001},
 {18.588, 12.834, 26.172},
 {7.888, 5.034000000000001, 5.6720000000000015},
 {13.062, 5.241, 10.728},
 {15.192, 10.856, 22.148},
 {12.74, 5.22, 15.76},
 {13.832, 7.026, 17.608},
 {17.588, 9.534, 25.972},
 {6.644, 2.942, 4.236},
 {6.894000000000001, 3.067, 2.236000000000002},
 {12.238, 5.109, 14.372},
 {15.4, 12.15, 20.0},
 {10.982, 4.551, 8.308}};
const Rows kSimulationStored = {{14.014, 8.027, 22.516000000000002},
 {21.614, 16.027, 38.516},
 {11.8956, 4.5178, 12.942400000000001},
 {22.3396, 14.7098, 41.178399999999996},
 {8.802240000000001, 5.4911200000000004, 9.328960000000002},
 {16.32984, 6.8749199999999995, 23.79936},
 {15.684896, 11.102448, 24.119584},
 {14.439936, 6.069968, 22.559744},
 {15.9839584, 8.1019792, 26.2158336},
 {19.263974400000002, 10.371987200000001, 32.6758976},
 {9.04558336, 4.14279168, 13.842333439999999},
 {9.37158976, 4.3057948800000005, 12.146359040000002},
 {12.812233344000001, 5.396116672, 16.668933376000002},
 {16.594635904, 12.747317952, 24.778543616},
 {11.9788933376, 5.0494466688, 12.2955733504}};
const Rows kFirstStageCollinear = {{8.941854065933663, 12.287916827636183, 9.523658844925757, 12.548809827102914, 7.070766604897512, 11.282672683235418, 10.116112712706373, 9.569951557239385, 10.116432494657007, 11.753304800552757, 6.24636511668373, 7.069290989634957, 9.416165128558287, 10.823409425066748, 9.733288921169308},
 {6.191742078143448, 11.97818162964979, 3.656315580749501, 10.199105680305216, 4.591226424226398, 4.74449879656942, 8.587147187775935, 4.395322032482248, 5.846101325642392, 7.473416845037464, 2.994279399149001, 3.133040143290123, 4.335428285540297, 9.837663561301028, 4.236531030137739},
 {0.8577694614060895, 1.6994790341538208, 3.2358794872154544, 3.1450206094219983, 4.474104896303718, 3.2211440618942313, 3.285156896764609, 0.8404508842477728, 1.3050124095880564, 0.6224500177597495, 2.859179814574703, 4.523917486172812, 1.4689953135615539, 4.940999804982471, 3.3204398219529594}};

struct Term {
    std::string name;
    double coef;
};

class SystemBuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("merlox_sys_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        ctx_.Work().workFolder = dir_.string() + "/";
    }
    void TearDown() override {
        system_.Clear();
        model_.reset();
        fs::remove_all(dir_);
    }
    void MakeData(const Columns& cols = kColumns) { model_ = MakeModel(cols, kTypes, kNames, &ctx_); }
    void Add(const std::string& left, const std::vector<Term>& terms, bool definition = false) {
        std::vector<std::string> names;
        std::vector<double> coefs;
        for (const Term& t : terms) {
            names.push_back(t.name);
            coefs.push_back(t.coef);
        }
        model_->AddExpres(Expres(left, static_cast<int>(terms.size()), definition, coefs, names));
    }
    // The three equations to be estimated (stored coefficients of 1).
    void AddEstimated() {
        Add("y1", {{"y2", 1}, {"y3", 1}, {"x1", 1}, {kConst, 1}});
        Add("y2", {{"y1", 1}, {"x2", 1}, {kConst, 1}});
        Add("y3", {{"x3", 1}, {"x4", 1}, {kConst, 1}});
    }
    // Stored coefficients and one definition.
    void AddStored() {
        Add("y1", {{"y2", 0.4}, {"y3", 0.2}, {"x1", 0.6}, {kConst, 3.0}});
        Add("y2", {{"y1", 0.5}, {"x2", 0.7}, {kConst, -1.5}});
        Add("y3", {{"y1", 1.0}, {"y2", 1.0}, {"x3", -1.0}, {"x4", 0.25}}, true);
    }
    static void ExpectTable(const TFileMatrix& m, const Rows& expected, double rel, double abs, bool transposed = false) {
        const int rows = static_cast<int>(transposed ? expected[0].size() : expected.size());
        const int cols = static_cast<int>(transposed ? expected.size() : expected[0].size());
        ASSERT_EQ(m.Rows(), rows);
        for (int i = 0; i < rows; ++i)
            for (int j = 0; j < cols; ++j) {
                const double e = transposed ? expected[j][i] : expected[i][j];
                EXPECT_NEAR(m.GetValue(i, j), e, abs + rel * std::fabs(e)) << i << "," << j;
            }
    }

    fs::path dir_;
    EngineContext ctx_;
    std::unique_ptr<Reg> model_;
    SimultaneousSystem system_;
};

TEST_F(SystemBuildTest, NamesAndCountsFollowTheVariableTypes) {
    MakeData();
    AddStored();
    ASSERT_TRUE(system_.TryBuild(*model_, false)) << system_.ErrorText();
    EXPECT_EQ(system_.G(), 3);
    EXPECT_EQ(system_.K(), 5);
    EXPECT_EQ(system_.S(), 2);
    EXPECT_EQ(system_.StochasticPositions(), (std::vector<int>{0, 1}));
    EXPECT_EQ(system_.Names(), (std::vector<std::string>{"y1", "y2", "y3", "x1", "x2", "x3", "x4", kConst}));
    EXPECT_EQ(system_.IndexOfName("x4"), 6);
    EXPECT_EQ(system_.IndexOfName("nothing"), -1);
    EXPECT_EQ(system_.Observed().Cols(), 7);
    EXPECT_EQ(system_.Observed().GetValue(4, 5), kColumns[5][4]);
    EXPECT_EQ(system_.StochasticTexts(),
              (std::vector<std::string>{"y1 = +0.4000*y2+0.2000*y3+0.6000*x1+3.0000", "y2 = +0.5000*y1+0.7000*x2-1.5000"}));
}

TEST_F(SystemBuildTest, StoredCoefficientsGiveMinusBInverseGamma) {
    MakeData();
    AddStored();
    model_->SetVarInfo(6, "@y3/2");
    ASSERT_TRUE(system_.TryBuild(*model_, false)) << system_.ErrorText();
    ExpectTable(system_.ReducedForm(), kPiStored, 1e-13, 1e-14);
    for (int t = 0; t < 15; ++t)
        for (int g = 0; g < 3; ++g)
            EXPECT_NEAR(system_.Equations().GetReducedFormValue(t, g), kValuesStored[t][g], 1e-12) << t << g;
    // Row of y2: 1 for y2, minus 0.5 for y1, minus 0.7 for x2, 1.5 for the constant.
    const std::vector<double> y2 = {-0.5, 1.0, 0.0, 0.0, -0.7, 0.0, 0.0, 1.5};
    for (int j = 0; j < 8; ++j) EXPECT_EQ(system_.Coefficients().GetValue(1, j), y2[j]) << j;
    // Without re-estimation: no stores and zero covariances.
    EXPECT_THROW(system_.Store(0), ERangeError);
    for (int i = 0; i < system_.StructuralCovariance().Rows(); ++i)
        for (int j = 0; j < system_.StructuralCovariance().Cols(); ++j)
            ASSERT_EQ(system_.StructuralCovariance().GetValue(i, j), 0.0);
    for (int i = 0; i < 15; ++i)
        for (int j = 0; j < 15; ++j) ASSERT_EQ(system_.ReducedFormCovariance().GetValue(i, j), 0.0);
    // The data set's equations keep their coefficients.
    EXPECT_EQ(model_->Expressions().GetItem(0).GetCoef(0), 0.4);
}

TEST_F(SystemBuildTest, DynamicSimulationFeedsBackTheSimulatedLag) {
    MakeData();
    AddStored();
    model_->SetVarInfo(6, "@y3/2");
    ASSERT_TRUE(system_.TryBuild(*model_, false)) << system_.ErrorText();
    ExpectTable(system_.Simulation(), kSimulationStored, 1e-12, 1e-12);
}

TEST_F(SystemBuildTest, TwoStageEstimatesReplaceTheCopyOnly) {
    MakeData();
    AddEstimated();
    ASSERT_TRUE(system_.TryBuild(*model_, true)) << system_.ErrorText();
    ASSERT_EQ(system_.S(), 3);
    for (int p = 0; p < 3; ++p) {
        const Expres& e = system_.Equations().GetItem(p);
        ASSERT_EQ(e.GetCount(), static_cast<int>(kCoef[p].size()));
        for (int i = 0; i < e.GetCount(); ++i) EXPECT_NEAR(e.GetCoef(i), kCoef[p][i], 1e-11 * std::fabs(kCoef[p][i])) << p << i;
        EXPECT_EQ(e.GetVarName(e.GetCount() - 1), kConst);
        EXPECT_EQ(model_->Expressions().GetItem(p).GetCoef(0), 1.0);
    }
    ExpectTable(system_.FirstStage(), kFirstStage, 1e-12, 0.0, true);
    for (int t = 0; t < 15; ++t) EXPECT_EQ(system_.FirstStage().GetValue(t, 6), kColumns[6][t]);
}

TEST_F(SystemBuildTest, TwoStageReducedFormAndItsCovariance) {
    MakeData();
    AddEstimated();
    ASSERT_TRUE(system_.TryBuild(*model_, true)) << system_.ErrorText();
    ExpectTable(system_.ReducedForm(), kPi, 1e-11, 1e-13);
    // Block of y1 (position 0) against y3 (position 2): rows y2, y3, x1,
    // constant; columns x3, x4, constant.
    const int w = 8;
    const std::vector<int> rows = {1, 2, 3, 7}, cols = {5, 6, 7};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) {
            const double e = kCrossY1Y3[r][c];
            EXPECT_NEAR(system_.StructuralCovariance().GetValue(rows[r], 2 * w + cols[c]), e, 1e-10 * std::fabs(e) + 1e-14);
            EXPECT_NEAR(system_.StructuralCovariance().GetValue(2 * w + cols[c], rows[r]), e, 1e-10 * std::fabs(e) + 1e-14);
        }
    // J V J' with J the numerical Jacobian of Pi.
    ExpectTable(system_.ReducedFormCovariance(), kReducedCov, 1e-8, 1e-12);
}

TEST_F(SystemBuildTest, TwoStageSimulationAgainstALoop) {
    MakeData();
    AddEstimated();
    model_->SetVarInfo(6, "@y1/1");
    ASSERT_TRUE(system_.TryBuild(*model_, true)) << system_.ErrorText();
    ExpectTable(system_.Simulation(), kSimulation, 1e-11, 1e-12);
}

TEST_F(SystemBuildTest, LinkWithoutAnEndogenousNameOrWithLagZeroUsesTheData) {
    MakeData();
    AddStored();
    for (const char* info : {"@x1/1", "@y3/0", "", "@y3/99"}) {
        SCOPED_TRACE(info);
        model_->SetVarInfo(6, info);
        ASSERT_TRUE(system_.TryBuild(*model_, false)) << system_.ErrorText();
        ExpectTable(system_.Simulation(), kValuesStored, 0.0, 1e-12);
    }
}

TEST_F(SystemBuildTest, PredictionsFromEnteredValues) {
    MakeData();
    AddStored();
    ASSERT_TRUE(system_.TryBuild(*model_, false));
    EXPECT_EQ(system_.PredictionInputs(), std::vector<double>(4, 0.0));
    for (int g = 0; g < 3; ++g) EXPECT_NEAR(system_.Predictions()[g], kPiStored[g][4], 1e-13);
    // At the values of observation 3 the prediction is the reduced-form value.
    system_.SetPredictionInputs({kColumns[3][3], kColumns[4][3], kColumns[5][3], kColumns[6][3]});
    for (int g = 0; g < 3; ++g) EXPECT_NEAR(system_.Predictions()[g], kValuesStored[3][g], 1e-12);
    EXPECT_THROW(system_.Predict({1.0}), ERangeError);
}

// A predetermined column that is a combination of others adds nothing.
TEST_F(SystemBuildTest, FirstStageSkipsAnExplainedColumn) {
    Columns cols = kColumns;
    cols[6] = cols[3];  // x4 a copy of x1
    MakeData(cols);
    AddStored();
    ASSERT_TRUE(system_.TryBuild(*model_, false)) << system_.ErrorText();
    ExpectTable(system_.FirstStage(), kFirstStageCollinear, 1e-10, 1e-12, true);
}

struct Refusal {
    const char* what;
    bool twoStage;
    std::vector<std::pair<std::string, std::vector<Term>>> equations;
    const char* named;  // a part of the message
};

TEST_F(SystemBuildTest, BrokenSystemsAreRefusedWithTheirCause) {
    const std::vector<Refusal> cases = {
        {"variable of no type", false,
         {{"y1", {{"y2", 0.4}, {"free", 1.0}, {kConst, 1.0}}}, {"y2", {{"y1", 0.5}, {kConst, 1.0}}},
          {"y3", {{"x3", 1.0}, {kConst, 1.0}}}},
         "free"},
        {"no constant last", true,
         {{"y1", {{"y2", 1}, {"x1", 1}}}, {"y2", {{"y1", 1}, {"x2", 1}, {kConst, 1}}},
          {"y3", {{"x3", 1}, {kConst, 1}}}},
         "定数項"},
        {"singular B", false,
         {{"y1", {{"y2", 1.0}, {"x1", 1.0}, {kConst, 1.0}}}, {"y2", {{"y1", 1.0}, {"x2", 1.0}, {kConst, 1.0}}},
          {"y3", {{"x3", 1.0}, {kConst, 1.0}}}},
         "B"},
        {"too few equations", false, {{"y1", {{"x1", 1.0}, {kConst, 1.0}}}}, "式の数"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        MakeData();
        Var free("free", "free", 15, 0.5);
        model_->AddVar(free);
        for (const auto& [left, terms] : c.equations) Add(left, terms);
        EXPECT_FALSE(system_.TryBuild(*model_, c.twoStage));
        EXPECT_NE(system_.ErrorText().find(c.named), std::string::npos) << system_.ErrorText();
        EXPECT_FALSE(system_.IsBuilt());
        EXPECT_THROW(system_.Build(*model_, c.twoStage), Exception);
    }
}

// A stochastic equation after the first G positions has its own block.
TEST_F(SystemBuildTest, MoreEquationsThanEndogenousVariables) {
    MakeData();
    AddEstimated();
    Var z("z", "z", 15, 0.0);
    for (int t = 0; t < 15; ++t) z.At(t) = kColumns[3][t] * 0.5 + kColumns[1][t] + (t % 3);
    model_->AddVar(z);
    model_->SetVarType(7, 2);
    Add("z", {{"x1", 1.0}, {"y2", 1.0}, {kConst, 1.0}});
    ASSERT_TRUE(system_.TryBuild(*model_, true)) << system_.ErrorText();
    ASSERT_EQ(system_.EquationCount(), 4);
    ASSERT_EQ(system_.StochasticPositions(), (std::vector<int>{0, 1, 2, 3}));
    const int w = system_.G() + system_.K();
    EXPECT_EQ(system_.StructuralCovariance().Rows(), 4 * w);
    // z's own block: s2 times the inverse cross-products of its store.
    Matrix own;
    system_.Store(3).CrossCovariance(system_.Store(3), own);
    const int x1 = system_.IndexOfName("x1");
    EXPECT_GT(own[0][0], 0.0);
    EXPECT_EQ(system_.StructuralCovariance().GetValue(3 * w + x1, 3 * w + x1), own[0][0]);
    EXPECT_EQ(system_.ReducedFormCovariance().Rows(), system_.G() * system_.K());
}

}  // namespace

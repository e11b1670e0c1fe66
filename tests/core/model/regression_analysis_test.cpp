// Per-observation analysis and leave-one-out measures of the model.
//
// Expected values were computed with statsmodels (OLSInfluence) and, where
// the table's definitions differ from it (unscaled DFBETA, W(i), R^2(i), the
// t values without an observation) or for the two-stage variant, by refitting
// without each observation in numpy. The two-stage refits keep the
// second-stage design and delete the observation from the
// instrumental-variable form (Z'X)^-1 Z'y, with the sandwich covariance.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "core/model/regression_model.h"
#include "support/model_builder.h"
#include "support/scripted_services.h"

namespace {

// A context that asks for the temporary-file form of every table.
struct FileTableForced : EngineContext {
    FileTableForced() { SetFileTablesForced(true); }
};

// --- ordinary least squares: y on x1, x2 and the constant; x3 stays out ---

const Columns kOls = {
    {5.002, 5.597, 4.452, 3.219, 4.091, 3.017, 5.12, 7.68, 4.016, 3.759, 5.98, 5.714},
    {-0.842, -2.396, -1.044, 0.043, -3.016, -1.686, -3.852, -2.934, -3.763, -1.353, -2.901, -0.593},
    {0.157, -0.187, -2.517, -0.539, -0.049, 0.113, -1.53, -0.478, -0.979, -0.809, 1.061, -0.808},
    {6.479, 9.737, 5.731, 3.912, 0.0, 6.001, 8.993, 11.241, 10.587, 4.584, 10.625, 6.902}};
const std::vector<std::uint8_t> kOlsRoles = {2, 2, 0, 1, 2};

const std::vector<double> kRate = {-0.023386650661923466, 13.44492859513153, -2.3761265927616053, 13.678970254685542,
                                   999900.0, 27.508998740736182, 1.8834865698338519, -4.034575987756272,
                                   31.667727057748372, -11.994495743798222, 12.257637726873508, -5.528300721989577};
const std::vector<double> kSig = {2.57386965958748,  2.6291273687585885, 2.639716238684658,  2.2531304366135467,
                                  0.839524280879435, 2.388038184649283,  2.428326626860674,  1.9780335175243176,
                                  1.9586444436704755, 2.6154054322738545, 2.544943955227011, 2.3681586596928064};
const std::vector<double> kRint = {-0.0006244040476487109, 0.520140403068655,   -0.05470748841748209, 0.2510247115508991,
                                   -2.8321429190305447,    0.7122539956910416,  0.07396125241999278,  -0.24239474472565356,
                                   1.5532639767535767,     -0.22236556608505223, 0.5341203320302744,  -0.17061946142076637};
const std::vector<double> kRext = {-0.0005886937944747634, 0.4979343005075096,  -0.05158729299594055, 0.23750125943333547,
                                   -8.096107138978164,     0.6912850158943433,  0.06975253878599283,  -0.22928159849955976,
                                   1.7117258185569262,     -0.2102265591830961, 0.5117495832493244,   -0.161122361574041};
const std::vector<double> kShare = {3.556203699780286e-08, 0.02654617498696303,   0.0002872331620438639, 0.004435464577866438,
                                    0.715572478601583,     0.04221156297113805,   0.0004443946840553913, 0.0031859599143201725,
                                    0.1741061953103826,    0.004682608185541465,  0.026272781471225585,  0.0022551105728435537};
const std::vector<double> kS2i = {8.070034316428597, 7.8274440090546635, 8.06735101249909,  8.013532402766819,
                                  0.877810386709876, 7.615148552233736,  8.06512963900189,  8.017350599374717,
                                  5.90670138637863,  8.025697496567004,  7.814228439420512, 8.04393169000845};
const std::vector<double> kCovratio = {1.7344420392129172, 1.4712551398834448, 1.6467993722344287, 2.2006688044713822,
                                       0.002282273591377157, 1.5975790313027622, 1.9438492128071212, 2.860800523838172,
                                       0.8596075459107855, 1.6431774599119733, 1.559621931100488, 2.0224755073831195};
const std::vector<double> kDffits = {-0.00027496111799537535, 0.18117680400708894, -0.0204896043623459,
                                     0.18064535433553727,     -4.011232134437067,  0.40032043740430906,
                                     0.04229787544928066,     -0.23484324027717568, 1.257497481665477,
                                     -0.08751292801521894,    0.23255427975155005, -0.10618469801249661};
const std::vector<double> kCook = {2.835135492529298e-08, 0.011939359407603142, 0.00015738160364659498, 0.012151599835169004,
                                   0.6563147646524385,    0.056708710535425776, 0.000670508562379219,   0.020546737433556183,
                                   0.4340253850353341,    0.002856163621156601, 0.019637701000216497,   0.0042145199484307306};
const std::vector<double> kWelsch = {0.0010065115613293641, 0.6394363127769289, 0.07312033087201147, 0.7527466028402975,
                                     14.84708635958586,     1.5342708297652703, 0.16406406619123737, 1.114952069684112,
                                     5.175119343405242,     0.314391596472933,  0.847199142947075,   0.42177581208691406};
const std::vector<double> kR2i = {0.4720746395344917, 0.454930543878715,  0.46539395876402045, 0.4266545809406407,
                                  0.8970297269552646, 0.49829824470476236, 0.4560489627831893, 0.3812053855144437,
                                  0.567044455140711,  0.44624619484322947, 0.4256801245555939, 0.4752692261210477};
const std::vector<double> kAdjR2i = {0.3400932994181146, 0.31866317984839376, 0.33174244845502554, 0.2833182261758008,
                                     0.8712871586940808, 0.37287280588095295, 0.3200612034789866,  0.2265067318930547,
                                     0.45880556892588875, 0.30780774355403684, 0.2821001556944924, 0.3440865326513096};
// Per coefficient x1, x2, constant.
const Rows kTDeleted = {
    {2.0076629721381414, 1.9474640748612044, 2.03038929265147, 2.0268339551623935, 3.794219444422959, 2.187156407297169,
     2.0308882327978446, 1.6763594993809317, 2.838395669034358, 1.946426631594836, 1.8907114015259314,
     1.9524940872436805},
    {-0.9828904382615421, -1.0363620644290894, -0.999328769803885, -1.0393183800987122, -5.524835050062386,
     -1.0277369194580235, -0.8986253896818205, -1.0439512796308157, -0.15700492193856494, -1.0158075686834622,
     -0.9736113861595844, -0.8560001022350001},
    {-0.3196445547344705, -0.26877454271524476, -0.30535373635319946, -0.3976980298335158, 0.7464641207617351,
     -0.6147624950540587, -0.316201530657544, -0.394439113538666, -0.748130578866587, -0.2371632932070532,
     -0.20869508049994406, -0.33398542539619336}};
const Rows kDfbeta = {
    {-6.090537514191752e-05, 0.05744556045311744, 0.0003495994089477428, -0.0448243492988627, 0.49855903762241327,
     -0.21205068163710816, -0.003512269793809253, -0.13785757550277733, -0.39657005096581766, 0.030695462174149313,
     0.08090955705314062, -0.04288313660240717},
    {-0.00013883775502243623, -0.011474686665548961, -0.008354102939327257, 0.0811875079505423, 0.6150041313699588,
     -0.026350246644553654, -0.02417308133275975, 0.002055766832742667, -0.6148814418183279, -0.013991818973379644,
     -0.04908685070415608, -0.056503479639785414},
    {-0.00014280460693449903, -0.17569771130959733, -0.03176044321416471, 0.4503793130760063, -1.8532002961582337,
     1.1489349377746398, -0.012846784401542521, 0.5889820332622571, 1.0882308984528555, -0.2295938834382153,
     -0.35729143704350386, 0.045806181524918}};
const std::vector<int> kOlsCoefIndex = {0, 1, 4};

std::unique_ptr<Reg> OlsModel(EngineContext* context = nullptr) {
    auto reg = MakeModel(kOls, {}, {}, context);
    EXPECT_TRUE(reg->SetModel(3, kOlsRoles));
    return reg;
}

TEST(RegAnalysis, ResidualAnalysisMatchesOlsInfluence) {
    auto reg = OlsModel();
    EXPECT_FALSE(reg->IsAnalysisReady());
    reg->ComputeAnalysisData();
    EXPECT_TRUE(reg->IsAnalysisReady());
    EXPECT_FALSE(reg->IsInfluenceReady());
    const struct {
        int code;
        const std::vector<double>* expected;
        const char* what;
    } rows[] = {{Reg::kRowErrorRate, &kRate, "error rate"},       {Reg::kRowSigRes, &kSig, "SIG(RES)"},
                {Reg::kRowStudentInternal, &kRint, "r(i)"},      {Reg::kRowStudentExternal, &kRext, "t(i)"},
                {Reg::kRowResidualShare, &kShare, "share"},      {Reg::kRowS2Deleted, &kS2i, "s2(i)"}};
    for (const auto& r : rows) ExpectAnalysisRow(*reg, r.code, *r.expected, 1e-10, 1e-13, r.what);
    // The observation whose value is 0 shows the error rate 999900.
    EXPECT_EQ(reg->GetAnalysisValue(3, 4), 999900.0);
    // Residual tests: n r^2 of e^2 on the fitted values, Durbin-Watson.
    EXPECT_NEAR(reg->GetHetero(), 0.016504203856089587, 1e-11);
    EXPECT_NEAR(reg->GetDurbinWatson(), 2.6013605652007206, 1e-12);
}

TEST(RegAnalysis, InfluenceMatchesOlsInfluenceAndRefits) {
    auto reg = OlsModel();
    reg->ComputeInfluence();
    EXPECT_TRUE(reg->IsAnalysisReady());
    EXPECT_TRUE(reg->IsInfluenceReady());
    const struct {
        int code;
        const std::vector<double>* expected;
        const char* what;
    } rows[] = {{Reg::kRowCovratio, &kCovratio, "COVRATIO"}, {Reg::kRowDffits, &kDffits, "DFFITS"},
                {Reg::kRowCooksD, &kCook, "Cook's D"},       {Reg::kRowWelsch, &kWelsch, "W(i)"},
                {Reg::kRowR2Deleted, &kR2i, "R2(i)"},        {Reg::kRowAdjR2Deleted, &kAdjR2i, "adj R2(i)"},
                {Reg::kRowS2Deleted, &kS2i, "s2(i)"}};
    for (const auto& r : rows) ExpectAnalysisRow(*reg, r.code, *r.expected, 1e-10, 1e-13, r.what);
    for (size_t s = 0; s < kOlsCoefIndex.size(); ++s) {
        const int j = kOlsCoefIndex[s];
        ExpectAnalysisRow(*reg, Reg::kRowDeletedTValue + j, kTDeleted[s], 1e-10, 1e-13, "t without i");
        ExpectAnalysisRow(*reg, Reg::kRowDfbeta + j, kDfbeta[s], 1e-9, 1e-13, "DFBETA");
    }
    // -100 is the DFBETA row of variable 0, -100 + k that of the constant.
    EXPECT_NEAR(reg->GetAnalysisValue(-100, 4), 0.49855903762241327, 1e-12);
    EXPECT_NEAR(reg->GetAnalysisValue(-96, 4), -1.8532002961582337, 1e-12);
    // DFFITS has the sign of the residual.
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(std::signbit(reg->GetAnalysisValue(14, i)), std::signbit(reg->GetAnalysisValue(2, i))) << i;
    // x3 and the dependent variable are outside the model: their rows stay 0.
    for (int j : {2, 3})
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(reg->GetAnalysisValue(19 + j, i), 0.0);
            EXPECT_EQ(reg->GetAnalysisValue(j - 100, i), 0.0);
        }
}

TEST(RegAnalysis, ConstantOnlyModel) {
    auto reg = MakeModel(kOls);
    reg->SetDependent(3);
    reg->ComputeInfluence();
    const std::vector<double> s2i = {12.229053454545454, 11.488361963636363, 12.072218254545454, 11.181437418181819,
                                     6.819913054545454,  12.142909163636363, 11.861552363636363, 10.365120072727272,
                                     10.914194690909092, 11.594607454545455, 10.884844872727273, 12.26370869090909};
    const std::vector<double> dfbeta = {-0.053363636363634726, 0.2428181818181825,  -0.12136363636363523,
                                        -0.28672727272727183,  -0.6423636363636351, -0.09681818181817992,
                                        0.17518181818181944,   0.37954545454545574, 0.32009090909090965,
                                        -0.2256363636363634,   0.3235454545454548,  -0.014909090909090317};
    const std::vector<double> tDeleted = {6.752134689943217, 6.676582680137907, 6.860763065971801, 7.292828174058327,
                                          9.789694010465567, 6.817401891844493, 6.635847064342106, 6.8881892469063075,
                                          6.7723746987302995, 7.102206897716539, 6.778026272728364, 6.706168298829499};
    const std::vector<double> cook = {0.0030643547763977977, 0.06344693075791166, 0.015849857913409364,
                                      0.08846800216748656,   0.44402774534647327, 0.010087000851091602,
                                      0.03302374113018404,   0.15501574133003418, 0.11025413645295908,
                                      0.054785596712292516,  0.11264678932957323, 0.00023919414127793336};
    const std::vector<double> covratio = {1.196322774268323,  1.1238636830905062, 1.180980170503909,  1.0938383973990164,
                                          0.6671667055842326, 1.1878955989786903, 1.1603715106437793, 1.013981110403959,
                                          1.0676950362564495, 1.1342572839452494, 1.0648238528045122, 1.1997129670304667};
    ExpectAnalysisRow(*reg, Reg::kRowS2Deleted, s2i, 1e-12, 1e-13, "s2(i)");
    ExpectAnalysisRow(*reg, -100 + 4, dfbeta, 1e-11, 1e-13, "DFBETA");
    ExpectAnalysisRow(*reg, 19 + 4, tDeleted, 1e-12, 1e-13, "t without i");
    ExpectAnalysisRow(*reg, Reg::kRowCooksD, cook, 1e-11, 1e-13, "Cook's D");
    ExpectAnalysisRow(*reg, Reg::kRowCovratio, covratio, 1e-12, 1e-13, "COVRATIO");
}

TEST(RegAnalysis, ComputedOncePerEstimation) {
    auto reg = OlsModel();
    reg->ComputeInfluence();
    // A second call without an estimation in between recomputes nothing.
    reg->Analysis().SetValue(Reg::kRowCooksD, 0, 42.0);
    reg->Analysis().SetValue(Reg::kRowSigRes, 0, 43.0);
    reg->ComputeInfluence();
    reg->ComputeAnalysisData();
    EXPECT_EQ(reg->GetAnalysisValue(Reg::kRowCooksD, 0), 42.0);
    EXPECT_EQ(reg->GetAnalysisValue(Reg::kRowSigRes, 0), 43.0);
    // A toggle clears both flags; removing x2 zeroes its coefficient rows.
    ASSERT_TRUE(reg->ToggleVariable(1));
    EXPECT_FALSE(reg->IsAnalysisReady());
    EXPECT_FALSE(reg->IsInfluenceReady());
    reg->ComputeInfluence();
    EXPECT_NE(reg->GetAnalysisValue(Reg::kRowCooksD, 0), 42.0);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(reg->GetAnalysisValue(19 + 1, i), 0.0);
        EXPECT_EQ(reg->GetAnalysisValue(-100 + 1, i), 0.0);
        EXPECT_NE(reg->GetAnalysisValue(-100 + 0, i), 0.0);
    }
}

// --- edge cases ---------------------------------------------------------------

TEST(RegAnalysis, PerfectFitFloorsTheDeletedSpread) {
    // y = 2x + 1: Var(y) = 14, s2(i) held at 14 * 2^-23, so SIG(RES) =
    // sqrt((1 - h) 14 * 2^-23) with h = 11/21, 31/105, 19/105, ...
    auto reg = MakeModel({{1, 2, 3, 4, 5, 6}, {3, 5, 7, 9, 11, 13}});
    ASSERT_TRUE(reg->SetModel(1, {2, 1, 2}));
    reg->ComputeInfluence();
    const double sigRes[] = {0.0008914755167727313, 0.0010845267740206823, 0.0011691591794315086,
                             0.0011691591794315086, 0.0010845267740206823, 0.0008914755167727313};
    for (int i = 0; i < 6; ++i) {
        EXPECT_DOUBLE_EQ(reg->GetAnalysisValue(Reg::kRowSigRes, i), sigRes[i]) << i;
        EXPECT_TRUE(std::isfinite(reg->GetAnalysisValue(Reg::kRowStudentExternal, i))) << i;
        EXPECT_LT(std::fabs(reg->GetAnalysisValue(Reg::kRowStudentExternal, i)), 1e-6) << i;
    }
}

TEST(RegAnalysis, DegenerateModelsGiveNonFiniteValuesWithoutFailing) {
    struct Case {
        const char* what;
        Columns cols;
        std::vector<std::uint8_t> roles;
    };
    const Case cases[] = {
        // Observation 0 alone determines the coefficient of d: leverage 1.
        {"leverage 1", {{1, 0, 0, 0, 0, 0, 0}, {0.3, 1.2, -0.7, 2.2, 0.1, 1.9, -1.1}, {2.1, 3.3, 0.4, 5.2, 1.8, 4.9, 0.2}},
         {2, 2, 1, 2}},
        // One residual degree of freedom: s2(i) divides by zero.
        {"residualDf 1", {{1.0, 2.5, 3.1}, {2.0, 2.2, 7.9}}, {2, 1, 2}},
        // A constant dependent variable: Syy = SSE = 0.
        {"zero Syy", {{1.0, 2.5, 3.1, 0.4, 2.2}, {4.0, 4.0, 4.0, 4.0, 4.0}}, {2, 1, 2}},
    };
    for (const Case& c : cases) {
        auto reg = MakeModel(c.cols);
        const int dep = static_cast<int>(c.cols.size()) - 1;
        static_cast<void>(reg->SetModel(dep, c.roles));
        reg->ComputeInfluence();
        EXPECT_TRUE(reg->IsInfluenceReady()) << c.what;
        int nonFinite = 0;
        for (int code = 0; code <= 18; ++code)
            for (int i = 0; i < reg->GetObsCount(); ++i)
                if (!std::isfinite(reg->GetAnalysisValue(code, i))) ++nonFinite;
        EXPECT_GT(nonFinite, 0) << c.what;
    }
}

TEST(RegAnalysis, LeverageOneLeavesOtherObservationsFinite) {
    auto reg = MakeModel(
        {{1, 0, 0, 0, 0, 0, 0}, {0.3, 1.2, -0.7, 2.2, 0.1, 1.9, -1.1}, {2.1, 3.3, 0.4, 5.2, 1.8, 4.9, 0.2}});
    ASSERT_TRUE(reg->SetModel(2, {2, 2, 1, 2}));
    reg->ComputeInfluence();
    EXPECT_NEAR(reg->GetAnalysisValue(Reg::kRowLeverage, 0), 1.0, 1e-12);
    for (int i = 1; i < 7; ++i)
        for (int code : {5, 6, 7, 12, 13, 14, 15, 16, 17, 19, 20, 22, -100, -99, -97})
            EXPECT_TRUE(std::isfinite(reg->GetAnalysisValue(code, i))) << code << " [" << i << "]";
}

// --- the temporary-file form -------------------------------------------------

TEST(RegAnalysis, FileTableGivesTheSameRowsBitForBit) {
    auto memory = OlsModel();
    memory->ComputeInfluence();
    ASSERT_TRUE(memory->Analysis().InMemory());
    FileTableForced forced;
    auto file = OlsModel(&forced);
    ASSERT_FALSE(file->Analysis().InMemory());
    file->ComputeInfluence();
    ASSERT_EQ(file->Analysis().Rows(), memory->Analysis().Rows());
    for (int row = 0; row < memory->Analysis().Rows(); ++row) {
        std::vector<double> a, b;
        memory->GetAnalysisRow(row, a);
        file->GetAnalysisRow(row, b);
        ASSERT_EQ(a.size(), b.size());
        EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(double)), 0) << "row " << row;
    }
    EXPECT_EQ(file->GetHetero(), memory->GetHetero());
    EXPECT_EQ(file->GetDurbinWatson(), memory->GetDurbinWatson());
}

TEST(AnalysisTableFile, NoStorageRaisesOutOfMemoryAndLeavesItEmpty) {
    struct Case {
        const char* what;
        bool forced;
        int n, k;
    };
    const Case cases[] = {
        {"negative n", false, -1, 2},
        {"negative k", false, 4, -1},
        {"no temporary file", true, 4, 2},
    };
    for (const Case& c : cases) {
        EngineContext context;
        context.Work().workFolder = "/nonexistent-merlox-folder/";
        RAData t(context, 3, 1);
        context.SetFileTablesForced(c.forced);
        EXPECT_THROW(t.Allocate(c.n, c.k), EOutOfMemory) << c.what;
        EXPECT_EQ(t.Rows(), 0) << c.what;
        EXPECT_EQ(t.Columns(), 0) << c.what;
    }
}

TEST(AnalysisTableFile, ZeroFilledAndConsistentAccess) {
    FileTableForced forced;
    RAData t(forced, 5, 2);
    ASSERT_FALSE(t.InMemory());
    EXPECT_EQ(t.Rows(), 25);
    EXPECT_EQ(t.Base(), 22);
    std::vector<double> row;
    t.GetRow(-98, row);
    EXPECT_EQ(row, std::vector<double>(5, 0.0));
    t.SetValue(7, 3, 2.5);           // in the file
    double* r = t.Row(2);            // moved into memory
    r[1] = -1.25;
    t.SetValue(2, 4, 9.0);
    const double span[3] = {1, 2, 3};
    t.WriteSpan(-100, 1, 3, span);   // DFBETA row of variable 0
    EXPECT_EQ(t.GetValue(7, 3), 2.5);
    EXPECT_EQ(t.GetValue(2, 1), -1.25);
    EXPECT_EQ(t.Row(2)[4], 9.0);
    t.GetRow(22, row);
    EXPECT_EQ(row, (std::vector<double>{0, 1, 2, 3, 0}));
    t.FillRow(7, 0.5);
    t.GetRow(7, row);
    EXPECT_EQ(row, std::vector<double>(5, 0.5));
    EXPECT_THROW(t.WriteSpan(7, 3, 3, span), ERangeError);
    EXPECT_THROW(t.GetValue(25, 0), ERangeError);
    // Reallocation starts from zeros again.
    ASSERT_NO_THROW(t.Allocate(4, 2));
    EXPECT_EQ(t.GetValue(2, 1), 0.0);
    EXPECT_EQ(t.GetValue(7, 3), 0.0);
}

}  // namespace

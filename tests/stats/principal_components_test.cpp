#include "stats/principal_components.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/settings/engine_context.h"
#include "platform/errors.h"
#include "stats/component_outliers.h"
#include "stats/factor_rotation.h"
#include "support/expect_exception.h"
#include "support/four_variable_sample.h"
#include "support/model_builder.h"

namespace {

// Ten observations of four variables driven by two factors (columns).
const Columns& kData = kFourVariableSample;
const Rows kCorrelation = {
        {1.0, 0.9490718640933651, 0.007483101257883086, 0.39798716024617337},
        {0.9490718640933651, 1.0, 0.27726142371249124, 0.1326839083929578},
        {0.007483101257883086, 0.27726142371249124, 1.0, -0.8518164878460842},
        {0.39798716024617337, 0.1326839083929578, -0.8518164878460842, 1.0}};
const std::vector<double> kEigenValues = {2.103684776477224, 1.824637492122096, 0.05986370318881283, 0.011814028211869122};
// Eigenvectors as columns, each with its largest component positive.
const Rows kEigenVectors = {
        {0.648667208519582, 0.24322199696585997, -0.12495302668261768, 0.7102539362131023},
        {0.5597408628993482, 0.42751459248491724, -0.1740064221619412, -0.6882174108953858},
        {-0.21628384476503718, 0.6919005591986797, 0.6840642632630202, 0.08093823818584582},
        {0.46812639050341887, -0.5285337733626382, 0.6972550393476367, -0.12387551426176864}};
const Rows kLoadings = {
        {0.9408324238751263, 0.3285421895175684, -0.03057233218502676, 0.07719917355144326},
        {0.811852897551936, 0.5774830484819224, -0.042574255957602246, -0.07480397170075934},
        {-0.3136999238480522, 0.9346133469970312, 0.16737041468793756, 0.008797367783657625},
        {0.6789744893416325, -0.7139388924551808, 0.1705978098054766, -0.013464321472481477}};
const Rows kCommunality = {
        {0.8851656498147454, 0.9931056201077433, 0.9940402876029749, 1.0000000000000007},
        {0.6591051272634744, 0.9925917985474488, 0.9944043658177922, 1.0000000000000002},
        {0.09840764222227373, 0.9719097506072668, 0.999922606320079, 1.0},
        {0.46100635717673066, 0.970715099336861, 0.9998187120472866, 1.0000000000000009}};
const std::vector<double> kContributions = {0.525921194119306, 0.456159373030524, 0.014965925797203208, 0.0029535070529672805};
const Rows kScores = {
        {0.04434170276316452, -0.3252786726514254, -0.11301942272768511, -0.04508950798107484},
        {-1.2073828822436479, 0.5801928592802971, 0.38414362987525297, -0.03545142205548357},
        {-1.5154496985930834, 1.3909315689209398, -0.16420574296934998, -0.20828194768885935},
        {0.21342171107932204, 1.4146663793040903, 0.31327571790409003, 0.11051249865994853},
        {2.4260001879511357, -1.2341283169388833, -0.1313495335986894, -0.050306180586796756},
        {-1.0591822577103518, -2.5622639294392853, 0.23431766267527976, 0.028076751006327116},
        {1.9526446244319342, 0.3479383671368231, 0.08378833208583247, 0.018228734556792234},
        {1.2387219550851176, 1.4611032482717004, -0.09690168689558276, 0.027024386840289565},
        {-1.587909573684656, 0.21286741277020338, -0.3867164511415692, 0.20214918111741786},
        {-0.5052057690789383, -1.2860289166544592, -0.12333250520758021, -0.04686249386855557}};
const Rows kStandardized = {
        {-0.06825480136202099, -0.06354402639059421, -0.3156129029392519, 0.11946040946207041},
        {-0.7152534392728473, -0.47022579529039593, 0.9224827291697105, -0.5996216669115592},
        {-0.7721324404078651, -0.08169946250219275, 1.1609683632234862, -1.5332685563966746},
        {0.5218648354137877, 0.5936827608492629, 1.15589420079681, -0.44304734383020405},
        {1.2541819750271403, 0.8878008258571551, -1.4725219362213968, 1.7026007872846574},
        {-1.3195928263324104, -1.7483684975469143, -1.3811870125412278, 1.0183130049291071},
        {1.3537202270134212, 1.2145986758659242, -0.12279473072556102, 0.7863510448085812},
        {1.1901930987502456, 1.3162691180908743, 0.678922932689259, -0.2632768247367969},
        {-0.7863521906916195, -0.8696453897455578, 0.2425449639951164, -1.1505313221978073},
        {-0.6583744381378296, -0.7788682091875665, -0.8686966074469442, 0.3630204675886223}};
// Per observation: the residuals after the two leading components, each
// over its unexplained standard deviation, then the two standardised
// component scores, then zeros.
const Rows kOutliers = {
        {-0.21561319445421917, 0.589020031882002, -0.4830626981489072, -0.42785365745305665, 0.0305718721235362, -0.2408059934368136, 0.0, 0.0},
        {-0.8813357068398544, -0.49314191061066437, 1.5507594833715284, 1.5908392642391396, -0.8324433384358622, 0.4295206836805355, 0.0, 0.0},
        {-1.5345222409151522, 1.9973777170168252, -0.7707883599758227, -0.5182792087008142, -1.044843375602764, 1.0297160140454875, 0.0, 0.0},
        {0.47387750773182835, -1.5169888800429652, 1.3320015834639178, 1.196431337342564, 0.14714593380305444, 1.0472870541224795, 0.0, 0.0},
        {-0.23265183688763205, 0.6677895251808941, -0.5603961657614542, -0.49876269479031043, 1.6726323730474582, -0.9136335098964203, 0.0, 0.0},
        {-0.11245101837976687, -0.698211363205879, 0.9699248565732026, 0.9343932817898307, -0.7302647963519094, -1.8968612542179746, 0.0, 0.0},
        {0.029836843170001574, -0.31514759819440014, 0.35078456547562226, 0.3281966661604657, 1.3462722006795382, 0.25758111796942706, 0.0, 0.0},
        {0.3769894064339769, -0.02018263447336087, -0.3824529619125075, -0.4143840764140701, 0.8540504050949149, 1.0816645811601147, 0.0, 0.0},
        {2.311129588820253, -0.8345611827828355, -1.4807586143800293, -1.721990459433648, -1.094801629285958, 0.15758718020035692, 0.0, 0.0},
        {-0.21525934867938884, 0.6240462952303387, -0.5260116887055555, -0.46859045274010874, -0.3483196450720107, -0.952055873627192, 0.0, 0.0}};
// Squared lengths of the loading rows over the first two components, and
// the varimax criterion at the maximum for them (pairwise direct search).
const std::vector<double> kTwoFactorH2 = {0.9931056201077433, 0.9925917985474488, 0.9719097506072668, 0.970715099336861};
const double kTwoFactorCriterion = 1.7360215179296477;

// Forty observations of six variables from two factors, their
// standardised values times the inverse correlation matrix, and the
// varimax maximum of their two-factor minimum-residual loadings.
const Columns kFactorData = {
        {0.44, 0.152, -0.492, 0.153, 0.028, 0.229, -0.4, 0.492, -0.491, -0.524, 0.368, 0.853, 0.145, 0.582, -0.262, 0.893, 0.904, -0.521, -0.169, -0.753, -0.825, 0.761, 0.441, -0.131, -0.007, 0.899, -0.632, 0.378, 0.18, -0.34, -0.926, 0.409, -0.634, 0.102, -0.792, -0.701, 0.303, 0.078, -0.018, 0.731},
        {0.742, 0.537, -0.334, -0.187, -0.195, 0.303, -0.486, 0.483, -0.343, -0.919, -0.115, 0.949, -0.183, 1.078, -0.005, 0.472, 0.552, -0.124, -0.42, -1.021, -0.546, 0.898, 0.389, 0.013, 0.03, 0.596, -0.665, -0.213, 0.405, -0.298, -0.893, 0.398, -0.567, 0.289, -0.92, -1.017, 0.43, -0.136, -0.151, 0.456},
        {0.107, 0.141, 0.152, -0.044, 0.17, 0.013, 0.064, 1.036, -0.747, -0.325, 0.527, 0.071, 0.124, 0.388, 0.012, 0.849, 0.368, -0.464, -0.116, -0.596, -0.272, 0.87, 0.793, -0.099, 0.081, 0.301, -0.674, 0.445, 0.24, -0.299, -0.702, 0.495, -0.611, -0.477, -0.77, -0.395, 0.309, -0.316, 0.396, 0.487},
        {0.553, 0.685, -0.654, 0.009, -0.434, -0.08, -0.539, -0.986, 0.391, -1.141, -0.618, 0.918, -0.783, 0.445, -0.31, -0.069, 0.147, 0.474, -0.594, -0.68, -0.041, 0.127, -0.288, 0.036, -0.319, 0.279, 0.068, -0.618, 0.287, -0.509, -0.279, 0.313, -0.214, 0.658, 0.032, -0.889, -0.001, 0.254, -0.893, 0.437},
        {0.38, 0.619, -0.369, 0.268, -0.473, -0.163, -0.605, -0.671, 0.161, -0.679, -0.694, 0.569, -0.803, 0.704, -0.382, -0.112, 0.212, 0.011, -0.512, -0.636, -0.041, 0.362, -0.098, -0.295, -0.366, 0.679, 0.121, -0.191, 0.511, -0.074, -0.67, -0.014, -0.127, 0.461, 0.101, -0.838, 0.237, 0.124, -0.663, 0.486},
        {0.312, 0.688, -0.516, 0.296, -0.145, -0.193, -0.528, -1.013, 0.776, -0.79, -0.67, 0.712, -0.968, 0.21, -0.605, -0.722, -0.209, 0.241, -0.275, -0.544, 0.15, -0.606, -0.785, -0.076, -0.203, 0.149, 0.495, -0.468, 0.264, -0.21, 0.011, 0.089, 0.593, 0.782, 0.308, -0.117, 0.089, 0.063, -0.566, -0.08}};
const Rows kFactorZRinv = {
        {-0.5525392616733307, 4.241850139515834, -2.270794192626914, 0.09109524601275787, -1.3301610275826794, -0.023336785780815106},
        {-3.3336629313765442, 0.10571257005634443, 4.321613737999013, 0.5609603913392034, 0.2851832473324718, 2.816964067531776},
        {-5.080290103058988, 1.5333411858914419, 2.574904739878814, -1.5655755707706325, 2.43801710332428, -0.7100456956407539},
        {2.890465551416411, -5.099698404387585, 1.979407918667218, -1.615169476151772, 2.3869935391831323, 2.3559020701584656},
        {1.3394849522272507, -1.4346874066810418, 2.4445498778126127, -0.3147333539455005, -3.0543702751770203, 3.8023345995263504},
        {0.8469801077200536, 4.936952403031688, -4.671238665618281, -1.1504755262322508, -1.642977157248337, -1.0337492030551951},
        {-1.8892295295422443, -1.8581765382355273, 2.7461610929929816, 2.973738122663357, -1.3310963930721305, -0.8696940845140624},
        {-2.460561019047524, 4.970083055863977, 1.7558164181800695, -4.306185113061478, -1.361215203889191, 2.499266216969154},
        {0.32843561287040113, 0.2809628481592924, -1.0555625602794247, 0.3264278987294409, -1.2009210923442426, 1.7975014570960557},
        {1.5366906282804456, 0.6042292162763526, -4.497203447748345, -4.309955264135288, 3.6670237314605796, -2.767138416299967},
        {3.1032214716388618, -3.88742267671265, 2.6731037690441792, 2.479116368512081, -3.889076784032979, 1.7301808996968155},
        {3.6799311123518406, 2.125463792439931, -2.8255667422908655, 0.8170275747372617, -3.688676726187062, 2.263569893049455},
        {2.923708064400919, 2.4693016149073523, -5.393569208384395, 0.2663577652075295, -2.144943098682419, -3.2322701789000963},
        {-3.33586356332851, 7.397973630156342, -2.5390318861237677, -4.724985838125392, 3.1764699358040165, -0.3549028585227676},
        {-3.5161809524266117, 4.763188989599867, -2.744063732414012, 1.4814080381664092, -0.17558422809740426, -4.400268221191225},
        {2.790379336839054, -5.417432729632101, 2.5359601359694595, 5.309490116300113, -1.2645528077638475, -2.281762194311921},
        {5.0517710090819605, -1.2583148414851535, -3.2240247213240387, 0.23499447716157273, 0.09252752912180301, -1.3984172889405655},
        {-3.4275433657418652, 1.2153325338979046, -0.20256342614419953, 5.891589085531008, -2.053836814609105, -3.118948078780843},
        {1.854924167100123, 0.20211844694935013, -1.2764131729924069, -1.8789514942142185, -1.0908429659444785, 1.3726461326732422},
        {0.8758956000358379, -1.3775649743830707, -3.379956691449217, 1.449747258879654, 1.2272464381279267, -4.363341765452355},
        {-5.691771220230617, -2.1642519114083347, 5.381310747824914, 2.448022379660249, 1.6770642335213237, -0.17303504536498426},
        {-2.7775494218715098, 1.0506970086837362, 0.8927757863337678, 1.2865010260577265, 3.2025269017485445, -4.1558582918845355},
        {-2.306899483864625, -1.337977530458597, 2.9950465002249866, 2.1430377905601916, 1.5830466014028106, -2.687752853265314},
        {-0.9243288824936476, 1.9416346213494202, -0.7290042796013727, 3.045526460820989, -3.482388024644312, -0.64510492971539},
        {-0.3759406301229075, 2.964150821104925, -0.8749508777971533, -1.1296443867482848, -2.170087792698888, 1.321604226898657},
        {4.416936631422952, -1.6086552718713596, -2.571918438766472, -3.601159605486931, 4.151663077720534, -0.14785467277177977},
        {-0.046724638795308526, -2.7180626095765312, 0.5769477210909, -0.2490714641662084, 1.9829889933593527, 0.6398787388753542},
        {3.4229538464794094, -5.726576347404827, 2.602691958519699, -1.911008748432554, 2.270657834365374, 1.567690617139137},
        {-2.866812467066376, 0.25709260063681594, 2.6573702141152133, -1.5382846318393915, 3.0334661000030323, 0.8962026910308887},
        {-1.0349753210891717, 4.314397569038504, -4.51081138936247, -5.940499812213783, 4.439920818339922, -1.554518702447476},
        {-0.9360027387948124, -0.4180671465896493, -0.12727557936528944, 3.8398923919415884, -3.707368670371763, -0.37603995791761524},
        {-0.33226511761156563, -3.682321051357079, 5.93739189526392, 5.209099738594706, -4.237341834748397, 2.662514208983576},
        {-0.319150379200694, 1.5279632835155343, 0.11443746557620527, -4.598206288171247, -0.19693614781270474, 4.954947560878699},
        {1.7001706188849435, 2.805301016162145, -3.808826891202397, -0.9698770399828938, -0.998010895062269, 1.1443675375976277},
        {-0.10818907907942454, -5.190855747836323, 0.7376180453477914, 2.0109323185070074, 3.413224518323317, -2.118462494901233},
        {1.3679950753404406, -1.6779800907111688, 1.4967716868767782, -2.248552529485612, -2.294056508603681, 4.3715767916744355},
        {-1.3375746549224177, 2.319740152750537, 0.7603367352104526, -3.5449130235205915, 1.4963741941459654, 2.1105063120828627},
        {3.1790055724502064, -2.6856224804866344, -2.853781511464989, 3.098351326397653, 0.2647903226539935, -3.0632143243334635},
        {-0.823274883982195, 1.966581286177488, 1.6272548998194654, -3.6772120842879223, -1.2464308757693197, 3.2840942946055165},
        {2.168380286779771, -6.450401026947148, 2.745086068207576, 4.311145475191469, 1.7716902044038378, -2.116032272475724}};
const double kMinresVarimaxCriterion = 1.9786267640969102;

Matrix RawOf(const Columns& cols) {
    Matrix m(static_cast<int>(cols[0].size()), static_cast<int>(cols.size()));
    for (int i = 0; i < m.Rows(); ++i)
        for (int j = 0; j < m.Cols(); ++j) m[i][j] = cols[j][i];
    return m;
}

std::vector<std::string> NamesOf(int p) {
    std::vector<std::string> names;
    for (int j = 0; j < p; ++j) names.push_back("x" + std::to_string(j + 1));
    return names;
}

NameInUse NoNames() { return NameListLookup({}); }

class PcaTest : public ::testing::Test {
protected:
    std::unique_ptr<PCA> Make(const Columns& cols) {
        return std::make_unique<PCA>(context_, RawOf(cols), NamesOf(static_cast<int>(cols.size())), NoNames());
    }
    EngineContext context_;
};

double RelTol(double x, double rel) { return rel * std::fabs(x) + 1e-13; }

TEST_F(PcaTest, ComponentsMatchIndependentValues) {
    auto pca = Make(kData);
    ASSERT_EQ(pca->VarCount(), 4);
    ASSERT_EQ(pca->ObsCount(), 10);
    double cumulative = 0.0;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(pca->GetEigenValue(i), kEigenValues[i], RelTol(kEigenValues[i], 1e-11));
        EXPECT_NEAR(pca->GetContribution(i), kContributions[i], RelTol(kContributions[i], 1e-11));
        cumulative += kContributions[i];
        EXPECT_NEAR(pca->GetCumulativeContribution(i), cumulative, 1e-12);
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(pca->GetCorrelation(i, j), kCorrelation[i][j], 1e-13);
            EXPECT_NEAR(pca->GetEigenVector(i, j), kEigenVectors[i][j], 1e-9);
            EXPECT_NEAR(pca->GetLoading(i, j), kLoadings[i][j], 1e-9);
            EXPECT_NEAR(pca->GetCommunality(i, j), kCommunality[i][j], 1e-9);
        }
    }
    for (int t = 0; t < 10; ++t)
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(pca->GetStandardizedValue(t, j), kStandardized[t][j], 1e-12);
            EXPECT_NEAR(pca->GetScore(t, j), kScores[t][j], 1e-9);
        }
}

TEST_F(PcaTest, DefaultFactorsAreTheEigenvaluesAboveOneRotatedToTheVarimaxMaximum) {
    auto pca = Make(kData);
    ASSERT_EQ(pca->FactorCount(), 2);
    Matrix rotated(4, 2);
    for (int j = 0; j < 4; ++j) {
        const double h2 = std::pow(pca->GetRotatedLoading(j, 0), 2) + std::pow(pca->GetRotatedLoading(j, 1), 2);
        EXPECT_NEAR(h2, kTwoFactorH2[j], 1e-9);
        for (int c = 0; c < 2; ++c) rotated[j][c] = pca->GetRotatedLoading(j, c) / std::sqrt(h2);
    }
    EXPECT_NEAR(VarimaxCriterion(rotated, 2, 4), kTwoFactorCriterion, 1e-7 * kTwoFactorCriterion);
}

TEST_F(PcaTest, VarimaxFactorScoresAreStandardizedValuesTimesRotatedLoadings) {
    auto pca = Make(kData);
    for (int t = 0; t < 10; ++t)
        for (int c = 0; c < 2; ++c) {
            double expected = 0.0;
            for (int j = 0; j < 4; ++j) expected += kStandardized[t][j] * pca->GetRotatedLoading(j, c);
            EXPECT_NEAR(pca->GetFactorScore(t, c), std::fabs(expected) < 1.1920928955078125e-7 ? 0.0 : expected, 1e-9);
        }
}

TEST_F(PcaTest, MinresFactorScoresAreRegressionScores) {
    auto pca = Make(kFactorData);
    pca->SetMethod(PCA::kMethodMinres);
    pca->Compute(2);
    ASSERT_EQ(pca->FactorCount(), 2);
    Matrix rotated(6, 2);
    for (int j = 0; j < 6; ++j) {
        const double h = std::hypot(pca->GetRotatedLoading(j, 0), pca->GetRotatedLoading(j, 1));
        for (int c = 0; c < 2; ++c) rotated[j][c] = pca->GetRotatedLoading(j, c) / h;
    }
    EXPECT_NEAR(VarimaxCriterion(rotated, 2, 6), kMinresVarimaxCriterion, 1e-6 * kMinresVarimaxCriterion);
    for (int t = 0; t < 40; ++t)
        for (int c = 0; c < 2; ++c) {
            double expected = 0.0;
            for (int j = 0; j < 6; ++j) expected += kFactorZRinv[t][j] * pca->GetRotatedLoading(j, c);
            EXPECT_NEAR(pca->GetFactorScore(t, c), expected, 1e-9) << t << "," << c;
        }
}

TEST_F(PcaTest, OutlierTableFollowsItsFormula) {
    auto pca = Make(kData);
    ASSERT_EQ(pca->OutlierComponents(), 2);
    for (int t = 0; t < 10; ++t)
        for (int j = 0; j < 8; ++j) EXPECT_NEAR(pca->GetOutlierValue(t, j), kOutliers[t][j], 1e-8) << t << "," << j;
}

TEST_F(PcaTest, FactorBoundByVariableCount) {
    const int p[] = {0, 1, 2, 3, 4, 5, 6, 10};
    const int bound[] = {0, 0, 0, 1, 1, 2, 3, 6};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(PCA::FactorBound(p[i]), bound[i]) << p[i];
}

TEST_F(PcaTest, TwoVariablesStillGiveOneFactor) {
    auto pca = Make({kData[0], kData[1]});
    EXPECT_EQ(PCA::FactorBound(2), 0);
    EXPECT_EQ(pca->FactorCount(), 1);
}

TEST_F(PcaTest, AllEigenvaluesOneGiveOneFactor) {
    // Orthogonal contrasts: the correlation matrix is the identity.
    const Columns orthogonal = {{1, -1, 1, -1}, {1, 1, -1, -1}, {1, -1, -1, 1}};
    auto pca = Make(orthogonal);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(pca->GetEigenValue(i), 1.0, 1e-15);
    EXPECT_EQ(pca->FactorCount(), 1);
}

TEST_F(PcaTest, TinyCorrelationsCountAsZero) {
    // The fourth value moved by 1e-8 gives a correlation near -2.5e-9.
    auto pca = Make({{1, -1, 1, -1}, {1, 1, -1, -1 + 1e-8}, {0.5, 2, -1, 3}});
    EXPECT_EQ(pca->GetCorrelation(0, 1), 0.0);
    EXPECT_EQ(pca->GetCorrelation(1, 0), 0.0);
    EXPECT_NE(pca->GetCorrelation(0, 2), 0.0);
}

TEST_F(PcaTest, OneVariable) {
    auto pca = Make({kData[0]});
    EXPECT_EQ(pca->GetEigenValue(0), 1.0);
    EXPECT_EQ(pca->FactorCount(), 1);
    EXPECT_EQ(pca->GetLoading(0, 0), 1.0);
    EXPECT_EQ(pca->GetRotatedLoading(0, 0), 1.0);
    for (int t = 0; t < 10; ++t) EXPECT_NEAR(pca->GetScore(t, 0), kStandardized[t][0], 1e-12);
}

TEST_F(PcaTest, OneFactorUnderEachMethod) {
    auto pca = Make(kData);
    pca->Compute(1);
    ASSERT_EQ(pca->FactorCount(), 1);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(pca->GetRotatedLoading(j, 0), pca->GetLoading(j, 0));
    auto factors = Make(kFactorData);
    factors->SetMethod(PCA::kMethodMinres);
    factors->Compute(1);
    ASSERT_EQ(factors->FactorCount(), 1);
    double ss = 0.0;
    for (int j = 0; j < 6; ++j) ss += std::pow(factors->GetRotatedLoading(j, 0), 2);
    EXPECT_NEAR(ss, 1.0, 1e-12);
}

TEST_F(PcaTest, MinresThatDoesNotSettleFallsBackToTheDefaultCount) {
    // One factor for these data drifts towards a loading above 1 and is
    // still moving after the iteration cap.
    Matrix r(4, 4);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r[i][j] = kCorrelation[i][j];
    Vector values;
    Matrix vectors;
    ASSERT_TRUE(r.Eigen(values, vectors));
    Matrix b(4, 1);
    for (int j = 0; j < 4; ++j) b[j][0] = vectors[j][0];
    ExpectExceptionMessage([&] { MinresFactors(r, 4, 1, b); }, "MINRES ERROR!", "capped fit");
    auto pca = Make(kData);
    pca->SetMethod(PCA::kMethodMinres);
    pca->Compute(1);
    EXPECT_EQ(pca->FactorCount(), 2);
}

TEST_F(PcaTest, ScoreNamesSkipNamesInUseAndMoveLaterNumbers) {
    auto pca = std::make_unique<PCA>(context_, RawOf(kData), NamesOf(4), NameListLookup({"Z1", "F0", "F3"}));
    const char* scores[] = {"Z0", "Z2", "Z3", "Z4"};
    const char* factors[] = {"F1", "F2", "F4", "F5"};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(pca->GetScoreName(k), scores[k]);
        EXPECT_EQ(pca->GetFactorScoreName(k), factors[k]);
    }
    pca->SetScoreName(1, "pc2");
    EXPECT_EQ(pca->GetScoreName(1), "pc2");
    EXPECT_TRUE(pca->HoldsScoreName("pc2"));
    EXPECT_TRUE(pca->HoldsScoreName("F5"));
    EXPECT_FALSE(pca->HoldsScoreName("Z2"));
}

TEST_F(PcaTest, LookupByName) {
    auto pca = Make(kData);
    struct Case {
        const char* name;
        int index;
        std::uint8_t kind;
    };
    const Case cases[] = {{"x3", 2, PCA::kNameVariable}, {"Z1", 1, PCA::kNameScore},
                          {"F1", 1, PCA::kNameFactorScore}, {"F2", -1, PCA::kNameVariable},
                          {"nothing", -1, PCA::kNameVariable}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto found = pca->FindName(c.name);
        EXPECT_EQ(found.first, c.index);
        if (c.index >= 0) {
            EXPECT_EQ(found.second, c.kind);
        }
    }
    EXPECT_NEAR(pca->GetValueByName(pca->FindName("x3"), 4), kStandardized[4][2], 1e-12);
    EXPECT_NEAR(pca->GetValueByName(pca->FindName("Z1"), 5), kScores[5][1], 1e-9);
    EXPECT_EQ(pca->GetValueByName(pca->FindName("F1"), 3), pca->GetFactorScore(3, 1));
    EXPECT_EQ(pca->GetValueByName({-1, PCA::kNameScore}, 3), 0.0);
    EXPECT_EQ(pca->GetValueByName(pca->FindName("Z1"), 10), 0.0);
    EXPECT_EQ(pca->GetValueByName(pca->FindName("Z1"), -1), 0.0);
}

TEST_F(PcaTest, ConstantVariableIsRefusedByName) {
    Columns cols = kData;
    cols[2].assign(10, 4.25);
    ExpectExceptionMessage([&] { Make(cols); }, "定数です = x3", "constant column");
    ExpectExceptionMessage([&] { Make({{7.0}, {1.0}}); }, "定数です = x1", "one observation");
}

TEST_F(PcaTest, EmptyBlockIsRefused) {
    ExpectExceptionMessage([&] { PCA(context_, Matrix(0, 3), NamesOf(3), NoNames()); }, "DERR", "no rows");
    ExpectExceptionMessage([&] { PCA(context_, Matrix(5, 0), {}, NoNames()); }, "DERR", "no columns");
}

TEST_F(PcaTest, FailedEigenDecompositionRaisesAnError) {
    Columns cols = kData;
    cols[1][3] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(Make(cols), EMathError);
}

TEST(PcaThreads, SameBitsOnAnyThreadCount) {
    // Many row blocks of six variables driven by two factors.
    const int n = 9000, p = 6;
    Matrix raw(n, p);
    unsigned long long s = 99;
    auto next = [&] {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 11) / 9007199254740992.0 - 0.5;
    };
    for (int i = 0; i < n; ++i) {
        const double f1 = next(), f2 = next();
        for (int j = 0; j < p; ++j) raw[i][j] = 10.0 * j + (j < 3 ? f1 : f2) + 0.3 * next();
    }
    EngineContext one, four;
    one.SetThreads(1);
    four.SetThreads(4);
    for (std::uint8_t method : {PCA::kMethodVarimax, PCA::kMethodMinres}) {
        SCOPED_TRACE(static_cast<int>(method));
        PCA a(one, raw, NamesOf(p), NoNames()), b(four, raw, NamesOf(p), NoNames());
        a.SetMethod(method);
        b.SetMethod(method);
        a.Compute(2);
        b.Compute(2);
        for (int i = 0; i < p; ++i) EXPECT_EQ(a.GetEigenValue(i), b.GetEigenValue(i));
        for (int t = 0; t < n; ++t) {
            for (int j = 0; j < p; ++j) ASSERT_EQ(a.GetScore(t, j), b.GetScore(t, j)) << t;
            for (int c = 0; c < 2; ++c) ASSERT_EQ(a.GetFactorScore(t, c), b.GetFactorScore(t, c)) << t;
            for (int j = 0; j < 2 * p; ++j) ASSERT_EQ(a.GetOutlierValue(t, j), b.GetOutlierValue(t, j)) << t;
        }
    }
}

TEST(ComponentOutliers, ResidualOverZeroSpreadIsZeroAndSpreadIsNeverImaginary) {
    EngineContext context;
    struct Case {
        const char* name;
        Rows r;
        Rows z;
        Rows expected;  // residual columns only
    };
    const Case cases[] = {
        // Two identical variables: the first component explains both fully,
        // so a residual has no spread to be measured by.
        {"fully explained", {{1, 1}, {1, 1}}, {{1, -1}, {0.5, 0.5}}, {{0, 0}, {0, 0}}},
        // Explained variance above 1 would put u^2 below zero.
        {"over-explained", {{1.5, 0.5}, {0.5, 1.5}}, {{1, -1}, {2, 0}}, {{0, 0}, {0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Matrix r(2, 2), z(2, 2);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                r[i][j] = c.r[i][j];
                z[i][j] = c.z[i][j];
            }
        TFileMatrix t(context, 2, 4, 0.0);
        ComponentOutliers(z, r, 2, 2, t);
        for (int i = 0; i < 2; ++i) {
            for (int j = 0; j < 4; ++j) EXPECT_TRUE(std::isfinite(t.GetValue(i, j)));
            for (int j = 0; j < 2; ++j) EXPECT_EQ(t.GetValue(i, j), c.expected[i][j]);
        }
    }
}

}  // namespace

// The diagnostics and influence pages on the Longley data: every cell of
// both grids, the marks against the cut-off points, the GK, DW and BG
// statistics and the texts of the status bar. The reference values come
// from exact rational refits of the data without each observation and from
// the chi-square and F distributions, computed apart from the program.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/main_window/main_window.h"
#include "core/model/result_texts.h"
#include "core/model/regression_model.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"

namespace fs = std::filesystem;

namespace {

struct InfluenceRow {
    double s2i, covratio, dffits, cooksD, welsch, r2i, adjR2i;
    double t[7], raw[7], scaled[7];  // constant, GNPDEF .. YEAR
};

// Observed, fitted, residual, error rate, PRESS residual, SIG(RES), r(i),
// t(i), squared-residual share and leverage of each observation.
const double kDiagnostics[16][10] = {
    {60323.0, 60055.65997024028, 267.3400297597205, 0.4431809256166313, 464.5650502833953, 226.34610190129914, 1.1560144442653817, 1.1811117024506887, 0.08544791489610959, 0.4245369306265356},
    {61122.0, 61216.013942398844, -94.01394239884034, -0.15381358986754418, -216.11322355245616, 210.66086344631785, -0.4675680213073255, -0.4462810075911308, 0.010567153475788538, 0.5649782977022654},
    {60171.0, 60124.712832242476, 46.28716775752688, 0.07692604038079287, 72.55891662356848, 257.7386162117272, 0.19010069127735238, 0.17958957193866082, 0.0025615020095488936, 0.3620747123656482},
    {61187.0, 61597.11462193091, -410.1146219309094, -0.6702643076648788, -653.2857152779603, 211.21368939554444, -1.6979003788014864, -1.9417047403725753, 0.20108699889053272, 0.3722277828217725},
    {63221.0, 62911.28540923977, 309.7145907602299, 0.48989195166199506, 805.5228280123625, 167.9555901786709, 1.6384294910906172, 1.8440266884285066, 0.1146824115092639, 0.6155110941741347},
    {63639.0, 63888.311215329726, -249.31121532972352, -0.3917585369501776, -395.4644486795071, 241.1295543372536, -1.0299891007893285, -1.0339305607516975, 0.07431168637490752, 0.3695736338318221},
    {64989.0, 65153.04895639561, -164.04895639560365, -0.25242572803952, -322.63349508457276, 223.15442840382573, -0.7546567480794519, -0.7351364593972414, 0.03217513881545264, 0.4915315399828494},
    {63761.0, 63774.18035686637, -13.180356866370245, -0.020671502746773488, -26.608500309612538, 227.5257640126916, -0.061430179018731323, -0.05792907420205402, 0.0002076958523386763, 0.5046561544992924},
    {66019.0, 66004.69522739995, 14.304772600050486, 0.021667660219104327, 26.34964395034161, 238.18998123620895, 0.06368480922362739, 0.06005614730648426, 0.0002446444692643206, 0.45711704389595625},
    {67857.0, 67401.60590544814, 455.39409455185694, 0.6711084995679988, 680.3173659563762, 209.9124091752477, 1.8258179531990668, 2.1694481824162484, 0.24794095768475793, 0.33061521381028797},
    {68169.0, 68186.26892711483, -17.26892711483122, -0.025332522282608256, -26.977706671284924, 258.62913445658324, -0.07080161918365846, -0.06677100455490331, 0.0003565366655039302, 0.35988157461833953},
    {66513.0, 66552.0550425227, -39.0550425226943, -0.058717908563279804, -75.55981006861013, 232.05659723168196, -0.17819355151918773, -0.16829964322756275, 0.0018235921556881548, 0.4831241305764086},
    {68655.0, 68810.54997359532, -155.54997359531927, -0.22656758225230392, -248.60486491190684, 249.78683517646493, -0.6450565356091955, -0.6227308716467348, 0.02892766429448229, 0.37430840844390395},
    {69564.0, 69649.67130804213, -85.67130804212746, -0.12315466051711728, -111.02762793598369, 282.4144197092154, -0.31991987910839226, -0.30335316493519665, 0.008774942534633012, 0.22837847088362698},
    {69331.0, 68989.06848603922, 341.93151396077286, 0.4931870504691593, 545.2326272799825, 225.72912824189757, 1.4163431298536038, 1.514786844852161, 0.13978215890597306, 0.37287041007326305},
    {70551.0, 70757.75782519374, -206.7578251937381, -0.29306150897044425, -663.9933224822745, 164.96266221393626, -1.2154044749271795, -1.2533613511013704, 0.051109001465754804, 0.6886146016938934},
};

// s²(i), COVRATIO, DFFITS, Cook's D, W(i), R²(i), R'²(i); then per
// coefficient (constant, GNPDEF .. YEAR) the t value without the
// observation, the raw and the scaled DFBETA.
const InfluenceRow kInfluence[16] = {
    {89028.4026422282, 1.28645492817966, 1.014471805396305, 0.14084015650782208, 5.17936934583308, 0.9955037897718765, 0.9921316321007838, {-3.9789170370762657, 0.4078280388397338, -1.046878410048153, -4.083164952442437, -4.740063444576974, -0.4351234478216168, 4.089424236838835}, {-14298.002060177016, -19.494912346762113, -0.0014781703263213345, -0.058085853361294335, -0.031253907882595994, 0.04670049296320091, 5.968577909775993}, {-0.016406198956186408, -0.2345659473309024, -0.045094541508596084, -0.12151299180337724, -0.1490260642832213, 0.2110571624953578, 0.013388462245276341}},
    {102013.29991940329, 4.413657354541778, -0.5085911819844714, 0.04056135019561956, 2.986475758065881, 0.995090723141888, 0.9914087654983039, {-3.7081963731022745, 0.38472557063215873, -1.1031848163121694, -3.872529726020836, -4.110117524322305, -0.050641115122525594, 3.800675914362529}, {-19224.774605969247, -25.719032683748182, 0.004366865859282785, 0.08031796300122442, 0.06458707905871872, -0.038344619519288047, 12.387374656801338}, {-0.020607711598147494, -0.2890907530796806, 0.12445296274398193, 0.1569643108933229, 0.2876997210781085, -0.16188960201026936, 0.02595822524334526}},
    {104133.18859498188, 3.475892317455297, 0.13529922327345142, 0.002930203133686256, 0.6560788292055997, 0.9946857973478898, 0.9907001453588071, {-3.682174368637321, 0.16028037451247737, -0.9892622240434469, -3.911733713899426, -4.557243082382147, -0.227644424486945, 3.781891510436669}, {-7900.598996510552, 0.6436432334035207, -0.0005955545977198471, 0.0049499354498856955, 0.0005051784184206999, 0.003558784480880893, 3.9066629958337686}, {-0.008382283498159414, 0.00716075133669341, -0.016799284495285786, 0.009574620791268274, 0.00222726760499037, 0.014871337345675134, 0.00810280686025209}},
    {71062.75392147878, 0.24344682182535957, -1.4951561027223323, 0.24419291787594868, 7.308548302305403, 0.9965920168135932, 0.9940360294237881, {-4.490259728022405, -0.6387377938093959, -0.7002227637925007, -4.102650500710474, -5.598368505222503, -0.9105073913467913, 4.631608761190989}, {14087.52220733428, 67.41919298064902, -0.014643554760856018, -0.21182776280660393, 0.016862566636840548, 0.140583580598928, -15.953822792363537}, {0.018092996782751024, 0.9079679127269625, -0.5000221984881178, -0.49599636415449977, 0.0899963418934523, 0.7111422873082983, -0.04005602676035078}},
    {73367.73531000534, 0.49700864870425343, 2.3331531026779815, 0.613916838192173, 14.572932770166558, 0.9967450476933662, 0.9943038334633909, {-4.402913404686407, 0.4160522212123307, -2.119809101236563, -4.744465723783335, -5.570783716138704, 0.7134441652400577, 4.489567625941823}, {1480436.5912353045, -16.549508233711247, 0.047950925128224346, 0.6776159015154029, 0.22262305945541072, -0.2172407725022856, -754.4276478525711}, {1.871260124902403, -0.21935144754915598, 1.611418036191475, 1.5615204008565025, 1.1693372509042064, -1.0815128962132243, -1.8641856503535859}},
    {92228.79164824095, 1.5036377704492754, -0.7916344370473904, 0.08884517150641437, 3.8614740771406306, 0.9959461081228898, 0.9929056892150571, {-3.441959706260687, 0.2543945546228706, -0.8598348811061924, -3.892093746124266, -4.070843539438602, -0.3059199032367735, 3.539028032395839}, {-285065.94165159453, -6.517337062724858, -0.0066102595906665125, -0.09388293559420191, -0.091920377368276, 0.0179980370654324, 146.68340095349785}, {-0.3213727009670866, -0.07704507659887448, -0.1981294537468028, -0.19296121808726602, -0.43062648232842154, 0.0799161959933379, 0.32327478617914607}},
    {97937.04591737804, 2.838421882381919, -0.7227891887918346, 0.07864810282384578, 3.925773760545967, 0.9957624581011764, 0.9925843016770586, {-3.7903583439326933, 0.39397591215085115, -1.2713220870759563, -3.7881897332474046, -4.676058872575515, 0.19490002780959315, 3.892672315590615}, {288793.61174704006, -21.093589481943358, 0.015063609483834227, 0.236544102457157, -0.004299463526646465, -0.10408957010573579, -143.7864568207802}, {0.3159446395325542, -0.2419830563678742, 0.4381464878328724, 0.47179708680061555, -0.019546228159053162, -0.44851465250793715, -0.3075166277618514}},
    {104509.16824701938, 4.590774196110228, -0.058471062974938176, 0.0005492300926844821, 0.321760874054963, 0.9954169248986571, 0.9919796185726499, {-3.5729590633482915, 0.1698188771866317, -0.9780194240863549, -3.8909022224374694, -3.97242159881552, -0.1903700639198795, 3.6720594421269204}, {14933.797802620997, -0.2469313277495995, 0.0006602757690145735, 0.002622983981339968, -0.007116638087901226, -0.003793464679482309, -7.526590837171806}, {0.015815756881387852, -0.0027422494888727418, 0.018591393820168195, 0.005064482479815858, -0.03131986488791366, -0.01582347152536167, -0.015582790553671776}},
    {104505.89123013908, 4.1878505006555455, 0.055108434231319434, 0.00048785961836459444, 0.2896747212833027, 0.995468165811049, 0.9920692901693358, {-3.6757298299067807, 0.169487595305885, -0.960178579498524, -3.7517225655833157, -4.446953965458228, -0.15439159766443017, 3.768308651703845}, {-3795.0308925871864, -4.113907404565559, 0.0008419619482754955, 0.009387257623064586, 0.0031091432884033953, -0.008335591623525984, 2.47084940372503}, {-0.004019220548687302, -0.04568694241861366, 0.023707505736224075, 0.018125290693630274, 0.013683353466525742, -0.03477034210388981, 0.005115640433485453}},
    {65826.4430785383, 0.13360996406615736, 1.5246592042460563, 0.23521439852572898, 7.217395270895016, 0.9970436194859086, 0.99482633410034, {-3.28478255312008, 0.4887746245235722, -0.8430717678412368, -4.064941674566683, -4.762491905312267, -0.038877845346228394, 3.3714689025866162}, {-763052.078331862, -20.16244906196157, -0.011630206790256593, -0.27289060592344727, -0.12894256905513113, -0.043665765066732525, 397.0267080862103}, {-1.0182417369352987, -0.28213116170848734, -0.4126207165995134, -0.6639035970548651, -0.7150202135474732, -0.22950058677943336, 1.035723070475224}},
    {104494.77243196036, 3.5490620067931977, -0.050065384056197725, 0.00040261284206161727, 0.2423555766794773, 0.9952591983173265, 0.9917035970553213, {-3.374314164354991, 0.18005855801716608, -0.9496672147310615, -3.478602587359834, -4.070512186479114, -0.19463980297464098, 3.4669038269805434}, {29218.948790866485, -2.231308026575885, 0.001046930140355782, 0.018313032417525785, 0.00784054837197913, -0.003402501294483296, -14.87798806375366}, {0.03094669069379006, -0.024781079087171233, 0.029480456710553736, 0.035361413142580275, 0.03450812409960339, -0.014193644961796231, -0.030804988099459703}},
    {104184.1329888348, 4.304639433719376, -0.16271194311638118, 0.004239927199247922, 0.8765403892093262, 0.9954574928378614, 0.9920506124662576, {-3.6973101945942775, 0.22345030711673114, -1.0239723915198817, -3.8924588439723644, -4.543632731254266, -0.2023994088591244, 3.7963386040898826}, {5644.13614845076, -7.168048118394165, 0.0010735690612166916, -0.004593270625272637, -0.0015549026630071914, -0.0025594034561260345, -2.566880177105422}, {0.005986784141408777, -0.07972748955971136, 0.030275615623964375, -0.008882554345226685, -0.006853692436679632, -0.010692539958169446, -0.005322662470209402}},
    {99719.19691664995, 2.616995953215445, -0.4816538415840796, 0.03556041200390498, 2.3583078611746187, 0.9953920042580289, 0.9919360074515505, {-3.5558957423663324, 0.07805844180780509, -0.7221386952306544, -3.5809657312460597, -4.695804667270176, -0.4851719408879803, 3.6697240980824404}, {-125330.6994582117, 8.12086284582377, -0.008777929375991665, -0.10698212900059989, 0.02102377603942357, 0.07759528188129558, 60.91987119388607}, {-0.13588295617705606, 0.09232530644514657, -0.25302677653221634, -0.21146499215438933, 0.0947204015006054, 0.3313514304456129, 0.12912005784295477}},
    {103364.02167397803, 2.7283081261025877, -0.16503419629745344, 0.004327481683521045, 0.7276414051361219, 0.9950116702833061, 0.9912704229957856, {-3.719427545390391, 0.1918274472887226, -1.0299280171089933, -3.931931559974628, -4.467706966055594, -0.22190928930295978, 3.8183630699688837}, {30741.118117717004, -2.171511054614599, 0.0006184443895966967, 0.017122072686038048, 0.02048575425543472, 0.0018201482386542012, -15.906283184765378}, {0.03273647168520862, -0.024248524293277677, 0.01750974177547118, 0.0332420859096054, 0.09065451825457435, 0.007634225452555709, -0.03311373222299992}},
    {81248.97972490755, 0.6224150477057743, 1.1680241940877225, 0.17038821306844512, 5.71240278117016, 0.9961269084817711, 0.9932220898430995, {-4.399696492524405, 0.041436662578695646, -1.1452806442688526, -4.5648191520711405, -5.336401422600694, -0.5703088502805131, 4.514619630111234}, {254651.0524005385, 11.756268721337028, 4.470174963410019e-05, 0.07731867694151516, 0.05077468227398347, 0.07249995050136901, -135.44240924716053}, {0.3058675655755252, 0.1480704903905868, 0.001427510628141031, 0.16931369446739605, 0.25343141670894836, 0.34298227193076203, -0.3180312776900667}},
    {87392.28002578938, 2.0879745973003914, -1.863868593935802, 0.4666825970163359, 12.936351227742001, 0.9955122387540598, 0.9921464178196047, {-3.210972900059745, -0.23549286811287462, -0.8239445830610757, -4.095429016152452, -4.43163378626621, 0.21943044621341876, 3.2840492437447737}, {-464817.27811648033, 35.572688191957376, -0.008484952073966998, -0.0679364026472694, -0.07498752428458494, -0.10244381320060754, 243.99594746543943}, {-0.5383226304291232, 0.4320043489716325, -0.2612622394514558, -0.14344408410344406, -0.36088985644989835, -0.4672960621902082, 0.5524210255990416}},
};

const char* const kRegressors[] = {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR"};

// n = 16, p = 7, df = 9: 1 ∓ 3p/n, 2 sqrt(p/df), F/(F + df − 1) with F the
// upper 10 % point of F(1, 8), 2 sqrt(p n (n − 1)) / df, 2 / sqrt(n).
constexpr double kCovratioLow = -0.3125, kCovratioHigh = 2.3125;
constexpr double kDffitsCut = 1.7638342073763937;
constexpr double kCookCut = 0.30179292879377473;
constexpr double kWelschCut = 9.108400680852975;
constexpr double kDfbetaCut = 0.5;

std::string SourceDir() {
    const char* dir = std::getenv("MERLOX_SOURCE_DIR");
    return dir ? dir : ".";
}

struct Shown {
    std::string mark;
    double value = 0.0;
    std::string rest;  // what follows the number
};

// A cell text split into its mark, its number and the rest.
Shown Split(const std::string& text) {
    Shown s;
    std::string body = text;
    if (body.rfind("**", 0) == 0 || body.rfind("* ", 0) == 0) {
        s.mark = body.substr(0, 2);
        body = body.substr(2);
    }
    char* end = nullptr;
    s.value = std::strtod(body.c_str(), &end);
    s.rest = end;
    return s;
}

// Shown with four decimals, or four in the exponent form.
void ExpectShows(double shown, double expected, const std::string& what) {
    EXPECT_NEAR(shown, expected, 5.1e-5 * std::max(1.0, std::fabs(expected))) << what;
}

class ResultPagesTest : public StartedWindows {
protected:
    ResultPagesTest() : StartedWindows("results") {
        main_->resize(1200, 800);
        main_->show();
    }
    ~ResultPagesTest() override {
        if (state_.Model()) state_.Model()->SetModified(false);
    }
    void OpenLongley() {
        fs::copy_file(SourceDir() + "/data/samples/Longley.MDF", dir_.Path("Longley.MDF"));
        main_->OpenAndRemember(dir_.Path("Longley.MDF"));
        ASSERT_NE(state_.Model(), nullptr);
        ASSERT_EQ(state_.Model()->GetResidualDf(), 9);
    }
    std::string Text(TStringGrid* g, int c, int r) const { return g->Cell(c, r).toStdString(); }
    std::string Label(const char* name) const { return main_->PageLabel(name)->text().toStdString(); }
    // The cell scrolled into view first.
    void Click(TStringGrid* g, int c, int r) {
        g->SetCurrentCell(c, r);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, g->CellRect(c, r).center());
    }
    void AskBG(const std::string& answer) {
        ui_.QueueInput(answer);
        main_->findChild<QPushButton*>("btnBGTest")->click();
    }
};

TEST_F(ResultPagesTest, DiagnosticsGridShowsEveryResidualMeasureOfLongley) {
    OpenLongley();
    main_->mnuCheckViewClick();
    TStringGrid* g = main_->DiagnosticsGrid();
    ASSERT_EQ(g->ColCount(), 11);
    ASSERT_EQ(g->RowCount(), 17);
    const char* titles[] = {"観測値", "予測値", "残差", "誤差率(%)", "PRESS残差", "SIG(RES)", "r(i)", "t(i)", "残差平方", "作用点"};
    for (int c = 1; c <= 10; ++c) EXPECT_EQ(Text(g, c, 0), titles[c - 1]);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(Text(g, 0, i + 1), std::to_string(i + 1));
        for (int c = 1; c <= 10; ++c) {
            const Shown s = Split(Text(g, c, i + 1));
            const std::string what = std::string(titles[c - 1]) + " of observation " + std::to_string(i + 1);
            if (c == 4) {
                char rate[32];
                std::snprintf(rate, sizeof rate, "%+.2f", kDiagnostics[i][3]);
                EXPECT_EQ(Text(g, c, i + 1), rate) << what;
                continue;
            }
            // Every t(i) of this fit lies above the 5 % level: no marks.
            EXPECT_EQ(s.mark, "") << what;
            ExpectShows(s.value, kDiagnostics[i][c - 1], what);
        }
    }
}

TEST_F(ResultPagesTest, ClickedDiagnosticsCellShowsItsValue) {
    OpenLongley();
    main_->mnuCheckViewClick();
    TStringGrid* g = main_->DiagnosticsGrid();
    struct Case {
        int column, row;
        const char* start;
        double value;
    };
    const Case cases[] = {
        {8, 3, "t[3] = ", kDiagnostics[2][7]},
        {7, 10, "r[10] = ", kDiagnostics[9][6]},
        {5, 16, "PRESS残差[16] = ", kDiagnostics[15][4]},
    };
    for (const Case& c : cases) {
        Click(g, c.column, c.row);
        const std::string status = main_->StatusPanel(0).toStdString();
        ASSERT_EQ(status.rfind(c.start, 0), 0u) << status;
        EXPECT_NEAR(std::strtod(status.c_str() + std::strlen(c.start), nullptr), c.value, 1e-6 * std::fabs(c.value)) << status;
        EXPECT_EQ(main_->StatusPanel(1), "");
    }
}

TEST_F(ResultPagesTest, GkAndDwBesideTheGridAndTheBgTestOfTwoOrders) {
    OpenLongley();
    main_->mnuCheckViewClick();
    // GK = n r² of the fitted values against the squared residuals,
    // 0.035420400825669; its chi-square(1) level 85.07 %.
    EXPECT_EQ(Label("stGK"), "0.0354 (85.1%)");
    // DW = 2.5594876892815344.
    EXPECT_EQ(Label("stDWR"), "2.5595");
    EXPECT_EQ(Label("stBGTest"), "");

    // Auxiliary regressions of e(t) on the regressors and the lagged
    // residuals over the last n − p observations: (n − p) R².
    AskBG("1");
    EXPECT_EQ(Label("stBGTest"), "3.1199 (7.8%)");  // 3.1198702370604, level 7.73 %
    EXPECT_EQ(Label("lblBGTest"), "ＢＧテスト (1)");
    AskBG("2");
    EXPECT_EQ(Label("stBGTest"), "3.0476 (21.8%)");  // 3.0476243918377, level 21.79 %
    EXPECT_EQ(Label("lblBGTest"), "ＢＧテスト (2)");
    // A model change keeps the last test.
    main_->mnuEditViewClick();
    main_->mnuCheckViewClick();
    EXPECT_EQ(Label("stBGTest"), "3.0476 (21.8%)");
}

TEST_F(ResultPagesTest, BgOrderIsAWholeNumberOfAtLeastOneLeavingFourDegreesOfFreedom) {
    OpenLongley();
    main_->mnuCheckViewClick();
    AskBG("2");
    struct Case {
        const char* answer;
        const char* label;  // after the answer
    };
    const Case cases[] = {
        {"0", "ＢＧテスト (2)"},                     // below 1: nothing
        {"-3", "ＢＧテスト (2)"},
        {"6", "ＢＧテスト (2)"},                     // 9 − 6 < 4
        {"99999999999999999999", "ＢＧテスト (2)"},  // no int at all
        {"5", "ＢＧテスト (5)"},                     // 9 − 5 = 4
        {"abc", "ＢＧテスト (1)"},                   // no number: order 1
        {"3", "ＢＧテスト (3)"},
    };
    for (const Case& c : cases) {
        AskBG(c.answer);
        EXPECT_EQ(Label("lblBGTest"), c.label) << c.answer;
    }
    // Order 3: 6.497021957251957, level 8.98 %.
    EXPECT_EQ(Label("stBGTest"), "6.4970 (9.0%)");
    const std::string before = Label("stBGTest");
    ui_.QueueCancel();
    main_->findChild<QPushButton*>("btnBGTest")->click();
    EXPECT_EQ(Label("stBGTest"), before);
}

TEST_F(ResultPagesTest, StudentisedResidualMarksAndErrorRates) {
    // Two-sided t(10) levels: 2.6 → 2.65 %, 3.7 → 0.41 %, 2.0 → 7.34 %.
    struct Case {
        int df;
        double t;
        const char* mark;
    };
    const Case marks[] = {
        {11, 2.6, "* "}, {11, -2.6, "* "}, {11, 3.7, "**"}, {11, 2.0, ""},
        {1, 50.0, ""},  // t(i) has df − 1 = 0 degrees of freedom: no level, no mark
        {11, std::nan(""), ""},
    };
    for (const Case& c : marks) EXPECT_EQ(StudentMark(c.df, c.t), c.mark) << c.df << " " << c.t;

    struct Rate {
        double percent;
        const char* text;
    };
    const Rate rates[] = {{999900.0, "+∞"}, {-999900.0, "-∞"}, {9999.0, "+9999.00"}, {-9999.0, "-9999.00"},
                          {12.5, "+12.50"}, {-0.4431809256166313, "-0.44"}};
    for (const Rate& r : rates) EXPECT_EQ(ErrorRateText(r.percent), r.text) << r.percent;
}

TEST_F(ResultPagesTest, InfluenceGridShowsEveryMeasureOfLongleyWithItsMarks) {
    OpenLongley();
    main_->mnuAnalysisViewClick();
    TStringGrid* g = main_->InfluenceGrid();
    ASSERT_EQ(g->ColCount(), 2 * 6 + 9);
    ASSERT_EQ(g->RowCount(), 17);
    EXPECT_EQ(Text(g, 0, 0), "CLR");
    const char* measures[] = {"s^2(i)", "COVRATIO", "DFFITS", "Cook's D", "W(i)", "R^2(i)", "R'^2(i)"};
    for (int c = 1; c <= 7; ++c) EXPECT_EQ(Text(g, c, 0), measures[c - 1]);
    for (int j = 0; j < 6; ++j) {
        EXPECT_EQ(Text(g, 8 + j, 0), std::string("t[") + kRegressors[j] + "]");
        EXPECT_EQ(Text(g, 15 + j, 0), std::string("β変化量[") + kRegressors[j] + "]");
    }
    EXPECT_EQ(Text(g, 14, 0), "β変化量[定数項]");
    EXPECT_EQ(g->ColWidth(0), 40);
    EXPECT_EQ(g->ColWidth(1), 100);
    EXPECT_EQ(g->ColWidth(6), 70);
    EXPECT_EQ(g->ColWidth(14), 150);

    for (int i = 0; i < 16; ++i) {
        const InfluenceRow& e = kInfluence[i];
        const double values[] = {e.s2i, e.covratio, e.dffits, e.cooksD, e.welsch, e.r2i, e.adjR2i};
        const std::string marks[] = {
            "",
            e.covratio < kCovratioLow ? "**" : e.covratio > kCovratioHigh ? "* " : "",
            std::fabs(e.dffits) > kDffitsCut ? "* " : "",
            e.cooksD > kCookCut ? "* " : "",
            e.welsch > kWelschCut ? "* " : "",
            "",
            "",
        };
        for (int c = 1; c <= 7; ++c) {
            const std::string what = std::string(measures[c - 1]) + " of observation " + std::to_string(i + 1);
            const Shown s = Split(Text(g, c, i + 1));
            EXPECT_EQ(s.mark, marks[c - 1]) << what;
            ExpectShows(s.value, values[c - 1], what);
        }
        for (int j = 0; j < 6; ++j) {
            const Shown s = Split(Text(g, 8 + j, i + 1));
            ExpectShows(s.value, e.t[j + 1], std::string("t of ") + kRegressors[j] + " without " + std::to_string(i + 1));
        }
        for (int j = 0; j < 7; ++j) {
            const int column = j == 0 ? 14 : 14 + j;
            const std::string what = "DFBETA " + std::to_string(j) + " of observation " + std::to_string(i + 1);
            const Shown s = Split(Text(g, column, i + 1));
            EXPECT_EQ(s.mark, std::fabs(e.scaled[j]) > kDfbetaCut ? "* " : "") << what;
            ExpectShows(s.value, e.raw[j], what);
            // " (+0.1234)": the scaled value with four decimals and its sign.
            ASSERT_GE(s.rest.size(), 4u) << what;
            EXPECT_EQ(s.rest.substr(0, 2), " (") << what;
            EXPECT_TRUE(s.rest[2] == '+' || s.rest[2] == '-') << what;
            EXPECT_NEAR(std::strtod(s.rest.c_str() + 2, nullptr), e.scaled[j], 5.1e-5) << what;
        }
    }
}

TEST_F(ResultPagesTest, ClickedInfluenceCellsExplainTheirValueAndCutOff) {
    OpenLongley();
    main_->mnuAnalysisViewClick();
    TStringGrid* g = main_->InfluenceGrid();
    struct Case {
        int column;
        const char* status0;  // the start of panel 0
        double value;
        const char* status1;
    };
    const InfluenceRow& e = kInfluence[4];
    const Case cases[] = {
        {1, "s^2[5] = ", e.s2i, ""},
        {2, "COVRATIO[5] = ", e.covratio, "COVRATIOの切断点 = -0.3125～2.3125"},
        {3, "DFFITS[5] = ", e.dffits, "DFFITSの切断点 = 1.7638"},
        {4, "Cook's D[5] = ", e.cooksD, "Cook's Dの切断点 = 0.3018"},
        {5, "W[5] = ", e.welsch, "W(i)の切断点 = 9.1084"},
        {6, "R^2[5] = ", e.r2i, ""},
        {8, "t[GNPDEF][5] = ", e.t[1], ""},
        {15, "β変化量[GNPDEF][5] = ", e.raw[1], "標準化β変化量の切断点 = 0.5000"},
    };
    for (const Case& c : cases) {
        Click(g, c.column, 5);
        const std::string status = main_->StatusPanel(0).toStdString();
        ASSERT_EQ(status.rfind(c.status0, 0), 0u) << status;
        const double shown = std::strtod(status.c_str() + std::strlen(c.status0), nullptr);
        EXPECT_NEAR(shown, c.value, 1e-6 * std::fabs(c.value)) << status;
        EXPECT_EQ(main_->StatusPanel(1).toStdString(), c.status1) << c.column;
    }
    // The DFBETA cell adds its scaled value: −0.219351447549.
    Click(g, 15, 5);
    const std::string status = main_->StatusPanel(0).toStdString();
    EXPECT_NE(status.find("(-0.219351)"), std::string::npos) << status;

    // YEAR out: p = 6, df = 10, and the points follow: 2 sqrt(6 / 10).
    ASSERT_TRUE(state_.Model()->ToggleVariable(5));
    main_->RefreshActivePage();
    Click(g, 3, 5);
    EXPECT_EQ(main_->StatusPanel(1).toStdString(), "DFFITSの切断点 = 1.5492");
}

TEST_F(ResultPagesTest, CutOffsNeedingMoreDegreesOfFreedomAreLeftOut) {
    // n = 20, p = 3 (df 17): the COVRATIO points of the example, and F(1, 16)
    // upper 10 % giving Cook's point 0.1600216421.
    std::vector<double> x1(20), x2(20), y(20);
    for (int i = 0; i < 20; ++i) {
        x1[i] = i + 1;
        x2[i] = (i * 7) % 5;
        y[i] = 3 + 0.5 * i + ((i * 3) % 4);
    }
    auto model = MakeModel({x1, x2, y});
    ASSERT_TRUE(model->SetModel(2, {2, 2, 0}));
    InfluenceCutoffs cut = ComputeInfluenceCutoffs(*model);
    EXPECT_DOUBLE_EQ(cut.covratioLow, 0.55);
    EXPECT_DOUBLE_EQ(cut.covratioHigh, 1.45);
    ASSERT_TRUE(cut.dffits && cut.cooksD && cut.welsch);
    EXPECT_NEAR(*cut.dffits, 0.8401680504168059, 1e-12);
    EXPECT_NEAR(*cut.cooksD, 0.1600216421113644, 1e-7);
    EXPECT_NEAR(*cut.welsch, 3.972221886149208, 1e-12);
    EXPECT_NEAR(cut.dfbeta, 0.4472135954999579, 1e-15);

    // n = 4, p = 3: one residual degree of freedom. No Cook's point (its F
    // would need df − 1 = 0), and so no Cook's mark and no cut-off text;
    // DFFITS 2 sqrt(3) and W(i) 12 stay.
    auto small = MakeModel({{1, 2, 3, 4}, {1, 0, 2, 5}, {2, 3, 7, 4}});
    ASSERT_TRUE(small->SetModel(2, {2, 2, 0}));
    ASSERT_EQ(small->GetResidualDf(), 1);
    small->ComputeInfluence();
    cut = ComputeInfluenceCutoffs(*small);
    EXPECT_FALSE(cut.cooksD.has_value());
    ASSERT_TRUE(cut.dffits && cut.welsch);
    EXPECT_NEAR(*cut.dffits, 3.4641016151377544, 1e-12);
    EXPECT_NEAR(*cut.welsch, 12.0, 1e-12);
    EXPECT_DOUBLE_EQ(cut.covratioLow, -1.25);
    EXPECT_EQ(InfluenceCutoffText(cut, {ResultKind::Influence, 3}), "");
    EXPECT_EQ(InfluenceCutoffText(cut, {ResultKind::Influence, 2}), "DFFITSの切断点 = 3.4641");
    for (int i = 0; i < 4; ++i) {
        const std::string cook = InfluenceCellText(*small, cut, {ResultKind::Influence, 3}, i);
        EXPECT_NE(cook.rfind("* ", 0), 0u) << cook;
        EXPECT_EQ(StudentMark(small->GetResidualDf(), small->GetAnalysisValue(Reg::kRowStudentExternal, i)), "");
    }
}

TEST_F(ResultPagesTest, ModelWithoutExplanatoryVariablesHasNineColumns) {
    OpenLongley();
    static_cast<void>(state_.Model()->SetDependent(6));
    ASSERT_EQ(state_.Model()->CountExplanatory(), 0);
    main_->mnuAnalysisViewClick();
    TStringGrid* g = main_->InfluenceGrid();
    EXPECT_EQ(g->ColCount(), 9);
    EXPECT_EQ(Text(g, 8, 0), "β変化量[定数項]");
}

}  // namespace

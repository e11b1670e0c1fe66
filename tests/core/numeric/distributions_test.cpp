// Tails and quantiles against values computed independently (mpmath at 40
// digits and scipy.stats), with the tolerance each approximation allows.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/numeric/distributions.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

void ExpectRelNear(double expected, double actual, double rel) {
    EXPECT_NEAR(actual, expected, std::fabs(expected) * rel) << "expected " << expected;
}

struct XP {
    double x;
    double p;
};
struct DfXP {
    int df;
    double x;
    double p;
};
struct Df2XP {
    int df1;
    int df2;
    double x;
    double p;
};

// P(Z > x)
const XP kNormalTail[] = {
    {-3, 0.9986501019683699},
    {-1.96, 0.97500210485177952},
    {-0.5, 0.69146246127401312},
    {0.3, 0.38208857781104738},
    {1, 0.15865525393145705},
    {1.5, 0.066807201268858071},
    {2.4, 0.0081975359245961311},
    {2.49, 0.006387154764943173},
    {2.5, 0.0062096653257761349},
    {3, 0.0013498980316300946},
    {4, 3.1671241833119924e-05},
    {6, 9.8658764503769809e-10},
    {8, 6.2209605742717839e-16},
    {12, 1.776482112077679e-33},
};

// z with P(Z <= z) = p
const XP kNormalQuantile[] = {
    {1e-06, -4.7534243088228987},
    {0.001, -3.0902323061678136},
    {0.025, -1.9599639845400543},
    {0.1, -1.2815515655446004},
    {0.3, -0.52440051270804078},
    {0.5, 0},
    {0.8, 0.84162123357291441},
    {0.975, 1.9599639845400538},
    {0.999, 3.0902323061678132},
    {0.999999, 4.7534243088170873},
};

// P(chi2(df) > x)
const DfXP kChiTail[] = {
    {1, 0.5, 0.47950012218695348},
    {1, 3, 0.083264516663550406},
    {1, 10, 0.0015654022580025497},
    {1, 40, 2.5396285894708649e-10},
    {1, 150, 1.7336432457178264e-34},
    {2, 0.5, 0.77880078307140488},
    {2, 3, 0.22313016014842982},
    {2, 10, 0.006737946999085467},
    {2, 40, 2.0611536224385579e-09},
    {2, 150, 2.6786369618080778e-33},
    {3, 0.5, 0.9188914116546758},
    {3, 3, 0.39162517627108895},
    {3, 10, 0.018566135463043233},
    {3, 40, 1.0655090334255861e-08},
    {3, 150, 2.6349139284880438e-32},
    {4, 0.5, 0.97350097883925613},
    {4, 3, 0.55782540037107453},
    {4, 10, 0.040427681994512805},
    {4, 40, 4.3284226071209714e-08},
    {4, 150, 2.0357640909741394e-31},
    {5, 0.5, 0.9921232932326296},
    {5, 3, 0.6999858358786275},
    {5, 10, 0.075235246146512183},
    {5, 40, 1.4933679000503952e-07},
    {5, 150, 1.3351378873003131e-30},
    {7, 0.5, 0.99944648139042491},
    {7, 3, 0.88500223164315062},
    {7, 10, 0.18857346751345008},
    {7, 40, 1.2587903873713088e-06},
    {7, 150, 4.0598800327763293e-29},
    {10, 0.5, 0.99999338828943896},
    {10, 3, 0.98142406377785929},
    {10, 10, 0.4404932850652124},
    {10, 40, 1.6944743930067385e-05},
    {10, 150, 3.7274850550625098e-27},
    {11, 0.5, 0.99999862652930638},
    {11, 3, 0.99072588636573533},
    {11, 10, 0.5303871510010405},
    {11, 40, 3.5775124527655239e-05},
    {11, 150, 1.4904699581360177e-26},
    {30, 0.5, 1},
    {30, 3, 0.9999999999176028},
    {30, 10, 0.99977374632382321},
    {30, 40, 0.10486428110798467},
    {30, 150, 6.706952523937961e-18},
    {99, 0.5, 1},
    {99, 3, 1},
    {99, 10, 1},
    {99, 40, 0.99999998013059044},
    {99, 150, 0.00072044539571696289},
    {100, 0.5, 1},
    {100, 3, 1},
    {100, 10, 1},
    {100, 40, 0.99999998754107389},
    {100, 150, 0.00090393204235400906},
};

// P(chi2(df) > x) where the cube-root normal form is used
const DfXP kChiTailLarge[] = {
    {101, 80.80000000000001, 0.93071351266951596},
    {101, 101.0, 0.48128504536921946},
    {101, 121.19999999999999, 0.083420228158999632},
    {150, 120.0, 0.96592534891567672},
    {150, 150.0, 0.48464360096035702},
    {150, 180.0, 0.047824569143429405},
    {1000, 800.0, 0.99999918906189211},
    {1000, 1000.0, 0.49405285382923964},
    {1000, 1200.0, 1.2255942330622905e-05},
    {5000, 4000.0, 1},
    {5000, 5000.0, 0.49734037889234511},
    {5000, 6000.0, 2.5217184417547448e-21},
};

// P(|T(df)| > t)
const DfXP kTTail[] = {
    {1, 0.5, 0.70483276469913347},
    {1, 1, 0.5},
    {1, 2, 0.29516723530086653},
    {1, 5, 0.12566591637800237},
    {2, 0.5, 0.66666666666666663},
    {2, 1, 0.42264973081037421},
    {2, 2, 0.18350341907227397},
    {2, 5, 0.037749551350623724},
    {3, 0.5, 0.65144796484815104},
    {3, 1, 0.39100221895577064},
    {3, 2, 0.13932596855884319},
    {3, 5, 0.015392438073302301},
    {4, 0.5, 0.64332996318186331},
    {4, 1, 0.37390096630005887},
    {4, 2, 0.11611652351681559},
    {4, 5, 0.0074904338812745242},
    {5, 0.5, 0.63829887164092902},
    {5, 1, 0.36321746764912261},
    {5, 2, 0.10193947882985836},
    {5, 5, 0.0041047159800533225},
    {10, 0.5, 0.62789360574297293},
    {10, 1, 0.34089313230205986},
    {10, 2, 0.073388034770740365},
    {10, 5, 0.00053733360275645258},
    {29, 0.5, 0.62084808419378135},
    {29, 1, 0.32558198801619354},
    {29, 2, 0.054943637182967187},
    {29, 5, 2.5366315735423233e-05},
    {30, 0.5, 0.62072300488512733},
    {30, 1, 0.3253086154260299},
    {30, 2, 0.054625044962983101},
    {30, 5, 2.3296685467007796e-05},
    {200, 0.5, 0.61762475231646063},
    {200, 1, 0.31851884790974666},
    {200, 2, 0.046853186187070975},
    {200, 5, 1.2501981277715394e-06},
    {2001, 0.5, 0.61713005591573966},
    {2001, 1, 0.3174314176534071},
    {2001, 2, 0.045635205824768064},
    {2001, 5, 6.2326395546967441e-07},
};

// P(F(df1, df2) > x)
const Df2XP kFTail[] = {
    {1, 1, 0.7, 0.55646804789846382},
    {1, 1, 3.2, 0.32451035830443797},
    {1, 2, 0.7, 0.49082492278268447},
    {1, 2, 3.2, 0.21553545944726388},
    {1, 3, 0.7, 0.46418808205300666},
    {1, 3, 3.2, 0.1715859283334758},
    {1, 6, 0.7, 0.43483358977108938},
    {1, 6, 3.2, 0.12384916980544586},
    {1, 9, 0.7, 0.42444084438530055},
    {1, 9, 3.2, 0.10726510907316517},
    {1, 30, 0.7, 0.40939898864401064},
    {1, 30, 3.2, 0.083741093855255869},
    {1, 41, 0.7, 0.40763384656344154},
    {1, 41, 3.2, 0.081028405742878895},
    {2, 1, 0.7, 0.6454972243679028},
    {2, 1, 3.2, 0.36760731104690386},
    {2, 2, 0.7, 0.58823529411764708},
    {2, 2, 3.2, 0.23809523809523808},
    {2, 3, 0.7, 0.56299283443961623},
    {2, 3, 3.2, 0.18029766474447831},
    {2, 6, 0.7, 0.53303851696839277},
    {2, 6, 3.2, 0.11328924843073411},
    {2, 9, 0.7, 0.5217245409819864},
    {2, 9, 3.2, 0.089176012441807506},
    {2, 30, 0.7, 0.5045150193942447},
    {2, 30, 3.2, 0.054991816556153705},
    {2, 41, 0.7, 0.50242241024736967},
    {2, 41, 3.2, 0.051122614751608494},
    {3, 1, 0.7, 0.68213245632798214},
    {3, 1, 3.2, 0.38483339290931434},
    {3, 2, 0.7, 0.63343317576020775},
    {3, 2, 3.2, 0.24713021879060626},
    {3, 3, 0.7, 0.61175880730758259},
    {3, 3, 3.2, 0.18248064442527337},
    {3, 6, 0.7, 0.58550463535776831},
    {3, 6, 3.2, 0.10484633447168434},
    {3, 9, 0.7, 0.57533208087150345},
    {3, 9, 3.2, 0.076535580540980072},
    {3, 30, 0.7, 0.55944736405803708},
    {3, 30, 3.2, 0.037357651367167156},
    {3, 41, 0.7, 0.55747400555059368},
    {3, 41, 3.2, 0.033136872657276113},
    {4, 1, 0.7, 0.70198518826878964},
    {4, 1, 3.2, 0.39403313121648342},
    {4, 2, 0.7, 0.65972222222222221},
    {4, 2, 3.2, 0.25200876552227902},
    {4, 3, 0.7, 0.64137480876463393},
    {4, 3, 3.2, 0.18327667995798944},
    {4, 6, 0.7, 0.61951454818659935},
    {4, 6, 3.2, 0.09890503088214167},
    {4, 9, 0.7, 0.61112503990742084},
    {4, 9, 3.2, 0.067983118117477218},
    {4, 30, 0.7, 0.59805196170162356},
    {4, 30, 3.2, 0.026571532885920415},
    {4, 41, 0.7, 0.5964254946538915},
    {4, 41, 3.2, 0.022398142405344962},
    {5, 1, 0.7, 0.71440905935479893},
    {5, 1, 3.2, 0.39973884256100972},
    {5, 2, 0.7, 0.67695472954003455},
    {5, 2, 3.2, 0.25506446097219682},
    {5, 3, 0.7, 0.66140347518301534},
    {5, 3, 3.2, 0.18362483471499955},
    {5, 6, 0.7, 0.64374842027569401},
    {5, 6, 3.2, 0.094599566960833645},
    {5, 9, 0.7, 0.63730439198943545},
    {5, 9, 3.2, 0.061924315959291397},
    {5, 30, 0.7, 0.62772330370756568},
    {5, 30, 3.2, 0.019667075959860947},
    {5, 41, 0.7, 0.62657483342247167},
    {5, 41, 3.2, 0.015720748864049137},
    {7, 1, 0.7, 0.72908494661303569},
    {7, 1, 3.2, 0.40642504070155805},
    {7, 2, 0.7, 0.69820331678032077},
    {7, 2, 3.2, 0.25868349085323433},
    {7, 3, 0.7, 0.6868835545188573},
    {7, 3, 3.2, 0.18387761682362688},
    {7, 6, 0.7, 0.67639560446021885},
    {7, 6, 3.2, 0.088842952130971015},
    {7, 9, 0.7, 0.673694333474959},
    {7, 9, 3.2, 0.053998917171322304},
    {7, 30, 0.7, 0.67175106970577114},
    {7, 30, 3.2, 0.011840785817696434},
    {7, 41, 0.7, 0.6717601057042627},
    {7, 41, 3.2, 0.0084966861634345123},
    {20, 1, 0.7, 0.75402149521139095},
    {20, 1, 3.2, 0.41764376132081882},
    {20, 2, 0.7, 0.73692442383617163},
    {20, 2, 3.2, 0.26487636767344303},
    {20, 3, 0.7, 0.73600429298414771},
    {20, 3, 3.2, 0.18388201270865312},
    {20, 6, 0.7, 0.74718465214500007},
    {20, 6, 3.2, 0.077082204455598116},
    {20, 9, 0.7, 0.75865676335821086},
    {20, 9, 3.2, 0.038499774316485075},
    {20, 30, 0.7, 0.79538966202104999},
    {20, 30, 3.2, 0.0019908418716582496},
    {20, 41, 0.7, 0.8028807059551698},
    {20, 41, 3.2, 0.00079351426049882319},
};

// {df, p, x} with P(chi2(df) > x) = p
const DfXP kChiQuantile[] = {
    {1, 0.1, 2.70554345409542},
    {1, 0.05, 3.8414588206941285},
    {1, 0.01, 6.6348966010212171},
    {1, 0.001, 10.827566170662733},
    {2, 0.1, 4.6051701859880918},
    {2, 0.05, 5.9914645471079826},
    {2, 0.01, 9.2103403719761818},
    {2, 0.001, 13.815510557964274},
    {3, 0.1, 6.2513886311703235},
    {3, 0.05, 7.8147279032511783},
    {3, 0.01, 11.344866730144368},
    {3, 0.001, 16.266236196238129},
    {5, 0.1, 9.2363568997811161},
    {5, 0.05, 11.070497693516355},
    {5, 0.01, 15.086272469388991},
    {5, 0.001, 20.515005652432876},
    {10, 0.1, 15.987179172105261},
    {10, 0.05, 18.30703805327515},
    {10, 0.01, 23.209251158954359},
    {10, 0.001, 29.588298445074422},
    {11, 0.1, 17.275008517500076},
    {11, 0.05, 19.675137572682491},
    {11, 0.01, 24.72497031131828},
    {11, 0.001, 31.264133620239988},
    {30, 0.1, 40.256023738711797},
    {30, 0.05, 43.772971825742168},
    {30, 0.01, 50.892181311517085},
    {30, 0.001, 59.703064304429944},
    {100, 0.1, 118.49800381106212},
    {100, 0.05, 124.34211340400408},
    {100, 0.01, 135.80672317102676},
    {100, 0.001, 149.44925277903889},
};

const DfXP kChiQuantileLarge[] = {
    {101, 0.1, 119.5886672425632},
    {101, 0.05, 125.45841940848238},
    {101, 0.01, 136.97100384679405},
    {1000, 0.1, 1057.723901381614},
    {1000, 0.05, 1074.6794488034409},
    {1000, 0.01, 1106.9689943522174},
};

// {df, p, t} with P(|T| > t) = p
const DfXP kTQuantile[] = {
    {1, 0.2, 3.0776835372078062},
    {1, 0.05, 12.706204736432102},
    {1, 0.01, 63.656741162874042},
    {1, 0.001, 636.61924943178542},
    {2, 0.2, 1.88561808316415},
    {2, 0.05, 4.3026527299112765},
    {2, 0.01, 9.9248432009180743},
    {2, 0.001, 31.599054577039769},
    {3, 0.2, 1.6377443572159065},
    {3, 0.05, 3.1824463052842638},
    {3, 0.01, 5.840909299756432},
    {3, 0.001, 12.923978636636937},
    {4, 0.2, 1.5332062737131438},
    {4, 0.05, 2.7764451051977996},
    {4, 0.01, 4.6040948714158976},
    {4, 0.001, 8.6103015813796517},
    {7, 0.2, 1.4149239276488585},
    {7, 0.05, 2.3646242510103002},
    {7, 0.01, 3.4994832973505039},
    {7, 0.001, 5.4078825209775641},
    {10, 0.2, 1.3721836411102861},
    {10, 0.05, 2.2281388519649385},
    {10, 0.01, 3.169272667175838},
    {10, 0.001, 4.5868938587030597},
    {30, 0.2, 1.3104150225671303},
    {30, 0.05, 2.0422724563012382},
    {30, 0.01, 2.7499956535670305},
    {30, 0.001, 3.6459586349971094},
    {120, 0.2, 1.2886462336537163},
    {120, 0.05, 1.9799304050527771},
    {120, 0.01, 2.6174211447650046},
    {120, 0.001, 3.3734537650693546},
};

// {df1, df2, p, x} with P(F > x) = p
const Df2XP kFQuantile[] = {
    {1, 1, 0.05, 161.44763879758827},
    {1, 1, 0.01, 4052.1806954768217},
    {1, 2, 0.05, 18.512820512820497},
    {1, 2, 0.01, 98.50251256281399},
    {1, 4, 0.05, 7.708647422176786},
    {1, 4, 0.01, 21.197689584391295},
    {1, 10, 0.05, 4.9646027437307145},
    {1, 10, 0.01, 10.04428927339659},
    {1, 60, 0.05, 4.0011913767549956},
    {1, 60, 0.01, 7.077105793614118},
    {2, 1, 0.05, 199.49999999999972},
    {2, 1, 0.01, 4999.4999999999927},
    {2, 2, 0.05, 18.999999999999982},
    {2, 2, 0.01, 98.999999999999915},
    {2, 4, 0.05, 6.9442719099991548},
    {2, 4, 0.01, 17.999999999999989},
    {2, 10, 0.05, 4.1028210151304005},
    {2, 10, 0.01, 7.5594321575478993},
    {2, 60, 0.05, 3.1504113105827303},
    {2, 60, 0.01, 4.977432035394953},
    {3, 1, 0.05, 215.70734536960882},
    {3, 1, 0.01, 5403.3520137385385},
    {3, 2, 0.05, 19.164292127511278},
    {3, 2, 0.01, 99.166201374471484},
    {3, 4, 0.05, 6.5913821164255779},
    {3, 4, 0.01, 16.694369237175078},
    {3, 10, 0.05, 3.7082648190468435},
    {3, 10, 0.01, 6.5523125575152088},
    {3, 60, 0.05, 2.7580782958425805},
    {3, 60, 0.01, 4.1258919307956656},
    {5, 1, 0.05, 230.16187811010633},
    {5, 1, 0.01, 5763.6495541557024},
    {5, 2, 0.05, 19.296409652017232},
    {5, 2, 0.01, 99.299296477864033},
    {5, 4, 0.05, 6.2560565021608845},
    {5, 4, 0.01, 15.521857544425238},
    {5, 10, 0.05, 3.3258345304130112},
    {5, 10, 0.01, 5.636326187669078},
    {5, 60, 0.05, 2.3682702357010701},
    {5, 60, 0.01, 3.3388844224495315},
    {8, 1, 0.05, 238.88269480252382},
    {8, 1, 0.01, 5981.070307797715},
    {8, 2, 0.05, 19.370992898066444},
    {8, 2, 0.01, 99.374214818915817},
    {8, 4, 0.05, 6.0410444761191515},
    {8, 4, 0.01, 14.798888790632583},
    {8, 10, 0.05, 3.0716583852790369},
    {8, 10, 0.01, 5.0566931317444155},
    {8, 60, 0.05, 2.0969683125159486},
    {8, 60, 0.01, 2.8232802154716392},
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

}  // namespace

// ---- double precision tails ------------------------------------------------

TEST(NormalUpperTail, MatchesTable) {
    for (const XP& r : kNormalTail) {
        SCOPED_TRACE(r.x);
        // The 20-term continued fraction is weakest just above its cut-off.
        double a = std::fabs(r.x);
        double rel = a < 2.5 ? 1e-13 : (a < 4 ? 2e-8 : 1e-11);
        ExpectRelNear(r.p, NormalUpperTail(r.x), rel);
    }
}

TEST(NormalUpperTail, EdgeValues) {
    EXPECT_EQ(NormalUpperTail(0.0), 0.5);
    EXPECT_NEAR(NormalUpperTail(-1.96), 0.975, 3e-6);
    EXPECT_EQ(NormalUpperTail(kInf), 0.0);
    EXPECT_EQ(NormalUpperTail(-kInf), 1.0);
    EXPECT_TRUE(std::isnan(NormalUpperTail(kNaN)));
}

TEST(NormalLowerQuantile, MatchesTable) {
    for (const XP& r : kNormalQuantile) {
        SCOPED_TRACE(r.x);
        EXPECT_NEAR(NormalLowerQuantile(r.x), r.p, 5e-9);
    }
}

TEST(NormalLowerQuantile, ClampsToFiniteValues) {
    // norm.ppf(2^-23) = -5.1665781197287535; the polynomial loses accuracy
    // at the very end of its range.
    double lo = NormalLowerQuantile(0.0);
    double hi = NormalLowerQuantile(1.0);
    EXPECT_NEAR(lo, -5.1665781197287535, 1e-5);
    EXPECT_NEAR(hi, 5.1665781197287535, 1e-5);
    EXPECT_EQ(lo, NormalLowerQuantile(1.1920928955078125e-07));
    EXPECT_EQ(hi, NormalLowerQuantile(0.99999988079071045));
    EXPECT_EQ(NormalLowerQuantile(-3.0), lo);
    EXPECT_EQ(NormalLowerQuantile(7.0), hi);
    EXPECT_NEAR(NormalLowerQuantile(0.975), 1.96, 1e-4);
    EXPECT_TRUE(std::isnan(NormalLowerQuantile(kNaN)));
}

TEST(ChiSquareUpperTail, ExactSeriesMatchesTable) {
    for (const DfXP& r : kChiTail) {
        SCOPED_TRACE(testing::Message() << "df " << r.df << " x " << r.x);
        // Odd df carries the normal tail and its continued fraction.
        double rel = (r.df % 2 == 0) ? 1e-12 : 1e-9;
        ExpectRelNear(r.p, ChiSquareUpperTail(r.df, r.x), rel);
    }
}

TEST(ChiSquareUpperTail, CubeRootFormAboveHundredDf) {
    for (const DfXP& r : kChiTailLarge) {
        SCOPED_TRACE(testing::Message() << "df " << r.df << " x " << r.x);
        EXPECT_NEAR(ChiSquareUpperTail(r.df, r.x), r.p, 2e-4);
    }
}

TEST(ChiSquareUpperTail, EdgeValues) {
    for (double x : {0.1, 1.0, 7.5, 33.0}) EXPECT_EQ(ChiSquareUpperTail(2, x), std::exp(-x / 2.0));
    for (int df : {1, 2, 3, 4, 50, 100, 101, 500}) {
        EXPECT_EQ(ChiSquareUpperTail(df, 0.0), 1.0);
        EXPECT_EQ(ChiSquareUpperTail(df, -2.0), 1.0);
        EXPECT_EQ(ChiSquareUpperTail(df, kInf), 0.0);
    }
    // The odd series overflows here and the quick form takes over.
    EXPECT_EQ(ChiSquareUpperTail(99, 1e30), 0.0);
    EXPECT_EQ(ChiSquareUpperTail(98, 1e30), 0.0);
    EXPECT_TRUE(std::isnan(ChiSquareUpperTail(0, 1.0)));
    EXPECT_TRUE(std::isnan(ChiSquareUpperTail(-4, 1.0)));
    EXPECT_TRUE(std::isnan(ChiSquareUpperTail(3, kNaN)));
}

TEST(TTwoSidedTail, MatchesTable) {
    for (const DfXP& r : kTTail) {
        SCOPED_TRACE(testing::Message() << "df " << r.df << " t " << r.x);
        // 1 minus a long sum: the rounding is absolute, not relative.
        double rel = r.df <= 30 ? 1e-12 : 1e-9;
        EXPECT_NEAR(TTwoSidedTail(r.df, r.x), r.p, r.p * rel + 1e-14);
        EXPECT_EQ(TTwoSidedTail(r.df, -r.x), TTwoSidedTail(r.df, r.x));
    }
}

TEST(TTwoSidedTail, ClosedForms) {
    EXPECT_NEAR(TTwoSidedTail(1, 1.0), 0.5, 1e-15);
    for (double t : {0.25, 1.0, 3.0, 10.0}) {
        SCOPED_TRACE(t);
        EXPECT_NEAR(TTwoSidedTail(2, t), 1.0 - t / std::sqrt(2.0 + t * t), 1e-15);
    }
    EXPECT_EQ(TTwoSidedTail(5, 0.0), 1.0);
    // Below 2^-23 the tail is reported as exactly 0.
    EXPECT_EQ(TTwoSidedTail(30, 9.0), 0.0);
    EXPECT_EQ(TTwoSidedTail(3, kInf), 0.0);
    EXPECT_TRUE(std::isnan(TTwoSidedTail(0, 1.0)));
    EXPECT_TRUE(std::isnan(TTwoSidedTail(4, kNaN)));
}

TEST(FUpperTail, MatchesTable) {
    for (const Df2XP& r : kFTail) {
        SCOPED_TRACE(testing::Message() << r.df1 << ", " << r.df2 << " x " << r.x);
        ExpectRelNear(r.p, FUpperTail(r.df1, r.df2, r.x), 1e-12);
    }
}

TEST(FUpperTail, ClosedForms) {
    for (double x : {0.2, 1.0, 4.0, 50.0}) {
        SCOPED_TRACE(x);
        EXPECT_NEAR(FUpperTail(2, 2, x), 1.0 / (1.0 + x), 1e-15);
        EXPECT_NEAR(FUpperTail(1, 1, x), 1.0 - (2.0 / kPi) * std::atan(std::sqrt(x)), 1e-15);
    }
    EXPECT_EQ(FUpperTail(3, 7, 0.0), 1.0);
    EXPECT_EQ(FUpperTail(3, 7, -1.0), 1.0);
    EXPECT_EQ(FUpperTail(4, 6, kInf), 0.0);
    EXPECT_TRUE(std::isnan(FUpperTail(0, 5, 1.0)));
    EXPECT_TRUE(std::isnan(FUpperTail(5, 0, 1.0)));
    EXPECT_TRUE(std::isnan(FUpperTail(5, 5, kNaN)));
}

// ---- quantiles ---------------------------------------------------------------

TEST(ChiSquareUpperQuantile, MatchesTable) {
    for (const DfXP& r : kChiQuantile) {
        SCOPED_TRACE(testing::Message() << "df " << r.df << " p " << r.x);
        double q = ChiSquareUpperQuantile(r.df, r.x);
        // Bisection stops at a relative width of 2^-23.
        ExpectRelNear(r.p, q, 3e-7);
        EXPECT_NEAR(ChiSquareUpperTail(r.df, q), r.x, r.x * 1e-5);
    }
    for (const DfXP& r : kChiQuantileLarge) {
        SCOPED_TRACE(testing::Message() << "df " << r.df << " p " << r.x);
        ExpectRelNear(r.p, ChiSquareUpperQuantile(r.df, r.x), 1e-4);
    }
}

TEST(TTwoSidedQuantile, MatchesTable) {
    for (const DfXP& r : kTQuantile) {
        SCOPED_TRACE(testing::Message() << "df " << r.df << " p " << r.x);
        ExpectRelNear(r.p, TTwoSidedQuantile(r.df, r.x), 3e-7);
    }
}

TEST(FUpperQuantile, MatchesTable) {
    for (const Df2XP& r : kFQuantile) {
        SCOPED_TRACE(testing::Message() << r.df1 << ", " << r.df2 << " p " << r.x);
        ExpectRelNear(r.p, FUpperQuantile(r.df1, r.df2, r.x), 3e-7);
    }
}

TEST(Quantiles, ExactPowerOfTenReturnedAtOnce) {
    // exp(-10/2) is exactly the tail at 10, so the bracket hits it.
    EXPECT_EQ(ChiSquareUpperQuantile(2, std::exp(-5.0)), 10.0);
    EXPECT_EQ(ChiSquareUpperQuantile(2, std::exp(-50.0)), 100.0);
    // F(2, 2) tail at 10 is 2 / (2 + 2 * 10).
    EXPECT_EQ(FUpperQuantile(2, 2, 2.0 / (2.0 + 2.0 * 10.0)), 10.0);
}

TEST(Quantiles, LimitsOfTheProbability) {
    for (int df : {1, 2, 5, 150}) {
        SCOPED_TRACE(df);
        EXPECT_EQ(TTwoSidedQuantile(df, 1.0), 0.0);
        EXPECT_EQ(TTwoSidedQuantile(df, 1.5), 0.0);
        EXPECT_EQ(TTwoSidedQuantile(df, 0.0), kInf);
        EXPECT_EQ(TTwoSidedQuantile(df, -0.2), kInf);
        EXPECT_EQ(ChiSquareUpperQuantile(df, 1.0), 0.0);
        EXPECT_EQ(ChiSquareUpperQuantile(df, 0.0), kInf);
        EXPECT_EQ(FUpperQuantile(df, 3, 1.0), 0.0);
        EXPECT_EQ(FUpperQuantile(3, df, 0.0), kInf);
    }
}

TEST(Quantiles, DegenerateArgumentsGiveNaNWithoutLooping) {
    EXPECT_TRUE(std::isnan(ChiSquareUpperQuantile(0, 0.05)));
    EXPECT_TRUE(std::isnan(ChiSquareUpperQuantile(-3, 0.05)));
    EXPECT_TRUE(std::isnan(TTwoSidedQuantile(0, 0.05)));
    EXPECT_TRUE(std::isnan(FUpperQuantile(0, 4, 0.05)));
    EXPECT_TRUE(std::isnan(FUpperQuantile(4, -1, 0.05)));
    EXPECT_TRUE(std::isnan(ChiSquareUpperQuantile(3, kNaN)));
    EXPECT_TRUE(std::isnan(TTwoSidedQuantile(3, kNaN)));
    EXPECT_TRUE(std::isnan(FUpperQuantile(3, 3, kNaN)));
}

TEST(Quantiles, ProbabilityNextToOneEndsTheBisection) {
    // The quantile is below 1e-30 here: the search must still stop.
    double p = 1.0 - 1e-15;
    double x = ChiSquareUpperQuantile(1, p);
    EXPECT_GE(x, 0.0);
    EXPECT_LT(x, 1e-20);
    double t = TTwoSidedQuantile(3, p);
    EXPECT_GE(t, 0.0);
    EXPECT_LT(t, 1e-10);
    double f = FUpperQuantile(3, 5, p);
    EXPECT_GE(f, 0.0);
    EXPECT_LT(f, 1e-5);
}

// The finite sums would take minutes here: the large-sample forms must give
// these values (their speed: bench/distributions_bench.cpp).
TEST(LargeDegreesOfFreedom, FinishQuicklyWithLargeSampleForms) {
    // scipy.stats values.
    ExpectRelNear(0.04999579043508523, TTwoSidedTail(2000000000, 1.96), 1e-9);
    ExpectRelNear(0.045500290891842939, TTwoSidedTail(10000000, 2.0), 1e-9);
    ExpectRelNear(0.045500290891840212, TTwoSidedTail(10000001, 2.0), 1e-9);
    ExpectRelNear(0.27246678101391464, FUpperTail(3, 2000000000, 1.3), 1e-7);
    ExpectRelNear(0.64810751052368931, FUpperTail(2000000000, 5, 0.9), 1e-7);
    ExpectRelNear(0.019222189011692033, FUpperTail(2000000000, 1500000000, 1.0001), 1e-3);
    ExpectRelNear(1.9599639857261899, TTwoSidedQuantile(2000000000, 0.05), 3e-7);
    ExpectRelNear(2.3719322729654087, FUpperQuantile(4, 2000000000, 0.05), 3e-7);
}

// ---- single precision ----------------------------------------------------------

TEST(NormalUpperTailApprox, MatchesTableToSinglePrecision) {
    for (const XP& r : kNormalTail) {
        SCOPED_TRACE(r.x);
        ExpectRelNear(r.p, NormalUpperTailApprox(static_cast<float>(r.x)), 5e-6);
    }
    EXPECT_EQ(NormalUpperTailApprox(0.0f), 0.5f);
    EXPECT_EQ(NormalUpperTailApprox(-0.0f), 0.5f);
    EXPECT_EQ(NormalUpperTailApprox(17.4f), 0.0f);  // a * a >= 300
    EXPECT_EQ(NormalUpperTailApprox(-17.4f), 1.0f);
}

TEST(NormalUpperTailApprox, ComputesInSinglePrecision) {
    // The result is a float that double arithmetic would not give: it
    // differs from the double-precision tail in the float's last places.
    float q = NormalUpperTailApprox(1.0f);
    EXPECT_EQ(static_cast<double>(q), static_cast<double>(static_cast<float>(q)));
    EXPECT_NE(static_cast<double>(q), NormalUpperTail(1.0));
    EXPECT_NEAR(q, 0.15865525393145705, 2e-7);
}

TEST(NormalUpperQuantileApprox, MatchesTable) {
    for (const XP& r : kNormalQuantile) {
        SCOPED_TRACE(r.x);
        // As a float, 0.999999 keeps too few digits of 1 - p.
        if (r.x > 0.9999) continue;
        // Upper quantile of p is minus the lower quantile of p.
        EXPECT_NEAR(NormalUpperQuantileApprox(static_cast<float>(r.x)), -r.p, 5e-5);
    }
    // Clamped to [2^-23, 1 - 2^-23]: finite at and beyond the ends.
    EXPECT_NEAR(NormalUpperQuantileApprox(0.0f), 5.1665781197287535, 1e-3);
    EXPECT_NEAR(NormalUpperQuantileApprox(1.0f), -5.1665781197287535, 1e-3);
    EXPECT_EQ(NormalUpperQuantileApprox(-1.0f), NormalUpperQuantileApprox(0.0f));
}

TEST(TUpperQuantileApprox, CornishFisherAccuracy) {
    for (const DfXP& r : kTQuantile) {
        SCOPED_TRACE(testing::Message() << "df " << r.df << " p " << r.x);
        // The five-term expansion is poor for very few degrees of freedom.
        double rel = r.df >= 30 ? 2e-5 : (r.df >= 10 ? 2e-4 : (r.df >= 4 ? 2e-2 : 0.6));
        ExpectRelNear(r.p, TUpperQuantileApprox(r.df, static_cast<float>(r.x / 2.0)), rel);
    }
    EXPECT_TRUE(std::isnan(TUpperQuantileApprox(0, 0.05f)));
}

TEST(ChiSquareUpperTailApprox, MatchesTable) {
    for (const DfXP& r : kChiTail) {
        SCOPED_TRACE(testing::Message() << "df " << r.df << " x " << r.x);
        float q = ChiSquareUpperTailApprox(r.df, static_cast<float>(r.x));
        if (r.df <= 10) {
            if (r.x > 400) continue;
            ExpectRelNear(r.p, q, 5e-6);
        } else {
            EXPECT_NEAR(q, r.p, 1e-3);  // cube-root normal form
        }
    }
}

TEST(ChiSquareUpperTailApprox, EdgeValues) {
    EXPECT_EQ(ChiSquareUpperTailApprox(5, 401.0f), 0.0f);
    EXPECT_EQ(ChiSquareUpperTailApprox(5, -1.0f), 1.0f);
    for (int df : {1, 2, 3, 6, 11, 40}) {
        SCOPED_TRACE(df);
        EXPECT_EQ(ChiSquareUpperTailApprox(df, 0.0f), 1.0f);
        EXPECT_EQ(ChiSquareUpperTailApprox(df, std::numeric_limits<float>::infinity()), 0.0f);
    }
    EXPECT_TRUE(std::isnan(ChiSquareUpperTailApprox(0, 1.0f)));
    EXPECT_TRUE(std::isnan(ChiSquareUpperTailApprox(3, std::numeric_limits<float>::quiet_NaN())));
}

TEST(ChiSquareUpperQuantileApprox, MatchesTable) {
    for (const DfXP& r : kChiQuantile) {
        SCOPED_TRACE(testing::Message() << "df " << r.df << " p " << r.x);
        // The cube-root normal form is weakest at df = 11 far in the tail.
        double rel = r.df <= 2 ? 2e-5 : (r.df <= 10 ? 2e-3 : 1e-2);
        ExpectRelNear(r.p, ChiSquareUpperQuantileApprox(r.df, static_cast<float>(r.x)), rel);
    }
}

TEST(ChiSquareUpperQuantileApprox, EdgeValues) {
    EXPECT_EQ(ChiSquareUpperQuantileApprox(0, 0.05f), 0.0f);
    EXPECT_EQ(ChiSquareUpperQuantileApprox(-2, 0.05f), 0.0f);
    EXPECT_EQ(ChiSquareUpperQuantileApprox(2, 1.0f), 0.0f);
    // Near p = 1 the start value is 0, where one Newton step would divide
    // by a zero density.
    for (int df = 3; df <= 10; ++df) {
        SCOPED_TRACE(df);
        float x = ChiSquareUpperQuantileApprox(df, 0.9999999f);
        EXPECT_TRUE(std::isfinite(x));
        EXPECT_GE(x, 0.0f);
    }
}

TEST(SinglePrecisionForms, FollowTheirStepsToTheLastFloatPlaces) {
    // A step-by-step float32 emulation in Python/numpy of the documented
    // forms (stored values rounded to float), not the true distribution:
    // a wrong constant, term or Newton step shows up far beyond 2 ulp.
    struct FX {
        double x;
        double expected;
    };
    const FX tails[] = {{0.3, 0.3820885717868805},    {1.0, 0.15865525603294373},
                        {2.3, 0.010724009945988655},  {2.4, 0.008197549730539322},
                        {3.7, 0.00010779971489682794}, {-1.2, 0.8849303126335144}};
    for (const FX& r : tails) {
        SCOPED_TRACE(r.x);
        ExpectRelNear(r.expected, NormalUpperTailApprox(static_cast<float>(r.x)), 2.5e-7);
    }
    const FX quantiles[] = {{0.001, 3.090223550796509},
                            {0.05, 1.6448538303375244},
                            {0.3, 0.5243985056877136},
                            {0.7, -0.5243985056877136},
                            {0.975, -1.9599636793136597}};
    for (const FX& r : quantiles) {
        SCOPED_TRACE(r.x);
        ExpectRelNear(r.expected, NormalUpperQuantileApprox(static_cast<float>(r.x)), 2.5e-7);
    }
    const DfXP chiTails[] = {{3, 4.0, 0.26146411895751953},  {4, 7.5, 0.11170929670333862},
                             {7, 12.0, 0.10055886954069138}, {10, 3.0, 0.9814241528511047},
                             {15, 20.0, 0.17141759395599365}, {40, 30.0, 0.8753922581672668}};
    for (const DfXP& r : chiTails) {
        SCOPED_TRACE(testing::Message() << "df " << r.df << " x " << r.x);
        ExpectRelNear(r.p, ChiSquareUpperTailApprox(r.df, static_cast<float>(r.x)), 5e-7);
    }
    // {df, p, x}: df 3 .. 10 take one Newton step with Gamma(df/2) as a
    // float product; df 1, 2 and above 10 do not.
    const DfXP chiQuantiles[] = {{1, 0.05, 3.8414556980133057},  {2, 0.05, 5.991464614868164},
                                 {3, 0.05, 7.814386367797852},   {4, 0.01, 13.276524543762207},
                                 {7, 0.1, 12.01695442199707},    {10, 0.5, 9.341816902160645},
                                 {15, 0.05, 24.984777450561523}, {40, 0.01, 63.710357666015625}};
    for (const DfXP& r : chiQuantiles) {
        SCOPED_TRACE(testing::Message() << "df " << r.df << " p " << r.x);
        ExpectRelNear(r.p, ChiSquareUpperQuantileApprox(r.df, static_cast<float>(r.x)), 5e-7);
    }
}

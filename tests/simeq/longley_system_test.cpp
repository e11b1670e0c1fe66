// A two-equation system on Longley's data, estimated by two-stage least
// squares, against exact rational arithmetic on the doubles of the data:
// EMPLOY on GNP (endogenous), UNEMP, ARMED and YEAR; GNP on GNPDEF, POP and
// YEAR; the instruments GNPDEF, UNEMP, ARMED, POP and YEAR. Uncentred,
// the leverages kept 8 digits, the residuals 10 and the covariance of the
// two equations' coefficients 9.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/data/equation.h"
#include "core/settings/engine_context.h"
#include "simeq/structural_store.h"
#include "simeq/system_build.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "support/scripted_services.h"

namespace {

constexpr double kRel = 1e-12;

void Add(Reg& m, const std::string& left, const std::vector<std::string>& names) {
    const std::vector<double> coefs(names.size(), 0.0);
    m.AddExpres(Expres(left, static_cast<int>(names.size()), false, coefs, names));
}

}  // namespace

TEST(LongleySystem, TwoStageRowsAndCrossCovarianceInCentredForm) {
    EngineContext context;
    ScriptedServices ui;
    context.SetServices(&ui);
    auto m = MakeModel(LongleyColumns(), {2, 1, 2, 2, 2, 2, 1},
                       {"GNPDEF", "GNP", "UNEMP", "ARMED", "POP", "YEAR", "EMPLOY"}, &context);
    const std::string k = "定数項";
    Add(*m, "EMPLOY", {"GNP", "UNEMP", "ARMED", "YEAR", k});
    Add(*m, "GNP", {"GNPDEF", "POP", "YEAR", k});
    SimultaneousSystem s;
    ASSERT_TRUE(s.TryBuild(*m, true)) << s.ErrorText();
    ASSERT_EQ(s.S(), 2);
    const RegFile& employ = s.Store(0);
    ASSERT_EQ(employ.K(), 5);

    const std::vector<double> coef = {-0.041958786196123889, -2.1156134073838205, -1.0253022350625519,
                                      1928.3733313069148};
    for (int i = 0; i < 4; ++i) ExpectRel(employ.GetCoef(i), coef[i], kRel, "coefficient", i);
    ExpectRel(employ.GetCoef(5), -3677992.8629329052, kRel, "constant", 5);
    ExpectRel(employ.S2(), 78143.632882406471, kRel, "s2", 0);

    const std::vector<double> residual = {
        218.08467899150716,  -59.545158830721845, 38.449806631134141,  -425.53530695158987,
        378.96941054178336,  -220.92159104332932, -207.19791565404712, -47.460408480508772,
        -11.820434012780844, 439.4604154819294,   -6.4600116715540122, 10.399156131739315,
        -98.413939092953283, -72.252404316677225, 330.38574411692014,  -266.14204184085123};
    const std::vector<double> leverage = {
        0.31042007911790927, 0.4311924146401434,  0.35582331858217274, 0.29468068137940687,
        0.24608492151479451, 0.32668230486014053, 0.29212838812396452, 0.43022398154435142,
        0.28286089133701532, 0.3037859226743214,  0.18850884691018935, 0.30601680368834342,
        0.194404387520757,   0.21262201511504342, 0.36616731120234016, 0.45839773178910668};
    std::vector<double> record;
    for (int t = 0; t < 16; ++t) {
        employ.ReadRecord(t, record);
        ExpectRel(record[6], residual[t], kRel, "residual", t);
        ExpectRel(record[7], leverage[t], kRel, "leverage", t);
    }

    // Rows GNP, UNEMP, ARMED, YEAR, constant; columns GNPDEF, POP, YEAR,
    // constant.
    const Rows cross = {
        {-0.570695726873743, -0.0016071588700418841, 3.6161126523625274, -6820.9441010085809},
        {-7.1292916865775896, -0.022409964155328712, 48.561399312033977, -91556.872034089271},
        {-3.5299594933527247, -0.0042103320825471558, 14.044874524729544, -26597.382530389405},
        {13008.557226977104, 36.590399268821155, -82564.774638435182, 1.5575353462754394e8},
        {-25171999.700984149, -70810.305349509255, 1.5977920848337334e8, -3.0141411757359709e11}};
    Matrix out;
    employ.CrossCovariance(s.Store(1), out);
    ASSERT_EQ(out.Rows(), 5);
    ASSERT_EQ(out.Cols(), 4);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 4; ++c) ExpectRel(out[r][c], cross[r][c], kRel, "cross covariance", r * 4 + c);
}

// Restricted least squares on two certified data sets against the closed
// form b - G R'(R G R')^-1 (R b - r), G = (X'X)^-1, evaluated in exact
// rational arithmetic on the double values of the data (a separate script)
// and pasted here: every coefficient, residual and leverage x' A G x.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "estimators/restricted.h"
#include "support/model_builder.h"

namespace {

struct Reference {
    const char* set;
    std::vector<std::vector<double>> R;
    std::vector<double> r;
    std::vector<double> coef, residual, leverage;
    double sse, f, df;
};

const Reference kReferences[] = {
    {"Longley", {{1, 0, 0, 0, 0, 0, 0}, {0, 0, 1, -1, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 1}}, {0, 0, -3000000},
     {0.0, 0.009959198292959586, -1.329355093921418, -1.329355093921418, -0.5768673421786478, 1604.9650247019715, -3000000.0},
     {443.9424541760156, -240.9983701221797, -108.4620598615825, -689.7538185863106, 220.30470090259305, -20.77996912197287, 448.45151325811963, 295.75505314228656, -16.470795971362147, 413.88952712013355, -53.868473481117306, -358.64717479928703, -651.6665359461565, -284.5529025277786, 395.62421755272726, 207.6156069579413},
     {0.3741483676487403, 0.3492499096889841, 0.3387950223643889, 0.16684724200328793, 0.21625728478498146, 0.23789240685417637, 0.11223714849117153, 0.4048805793890209, 0.11421362415434175, 0.13906072108083506, 0.16284343771652993, 0.2756687642210155, 0.16025631043937047, 0.17873608496386217, 0.32969026994109085, 0.4392228262582028},
     2088603.0716464936, 4.49118724371166, 12},
    {"Wampler4", {{0, 0, 0, 1, -1, 0}, {1, 1, 0, 0, 0, 0}}, {0.25, 0},
     {-22.397464897034183, 22.397464897034183, -2.7993709364969313, 1.2447291097834121, 0.9947291097834121, -36.85404138535019},
     {75937.85404138535, -204756.5860458977, 204825.70708181366, -204800.48996428127, 252274.99094203397, -204841.658051181, 204752.41173280255, -204842.6619937914, 183771.18002358216, -204809.4489113845, 204811.25106097388, -204771.10113687825, 183839.56498714868, -204759.5959984047, 204830.2870582793, -204789.5656008785, 252285.04786297173, -204838.0566075651, 204753.18354069703, -204824.29002164892, 75951.97600022306},
     {0.2198959360289063, 0.22145168243555524, 0.19151240602140315, 0.14960028017393534, 0.11501946084027562, 0.09933491162211606, 0.10400771977047128, 0.12206929188930801, 0.1423629106440684, 0.15468740669650569, 0.15417823439543024, 0.14349011638826992, 0.13183672222512924, 0.13073065014963267, 0.14738537055360673, 0.17822384495994156, 0.2068203368341204, 0.21291656095426384, 0.20193485743645193, 0.26769360576090806, 0.7048476942197003},
     835542703685.1493, 2.126026875019325e-07, 17},
};

// The set's columns: the regressors (powers of x for a polynomial), then y.
Columns ReadCertifiedColumns(const std::string& name) {
    const char* root = std::getenv("MERLOX_SOURCE_DIR");
    std::ifstream in(std::string(root ? root : ".") + "/tests/data/nist/" + name + ".dat");
    EXPECT_TRUE(in.good()) << name;
    bool data = false, polynomial = false;
    int terms = 0;
    std::vector<std::vector<double>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream ls(line);
        if (data) {
            std::vector<double> row;
            for (double v; ls >> v;) row.push_back(v);
            rows.push_back(row);
            continue;
        }
        std::string word, kind;
        ls >> word;
        if (word == "data") data = true;
        if (word == "model") {
            ls >> kind >> terms;
            polynomial = kind == "poly";
        }
    }
    Columns cols(static_cast<std::size_t>(terms) + 1);
    for (const auto& row : rows) {
        for (int j = 0; j < terms; ++j)
            cols[static_cast<std::size_t>(j)].push_back(polynomial ? std::pow(row[1], j + 1) : row[static_cast<std::size_t>(j) + 1]);
        cols.back().push_back(row[0]);
    }
    return cols;
}

}  // namespace

TEST(RestrictedReference, CertifiedSetsToTenDigits) {
    for (const Reference& ref : kReferences) {
        SCOPED_TRACE(ref.set);
        const Columns cols = ReadCertifiedColumns(ref.set);
        auto model = MakeModel(cols);
        Restricted est(*model, 0, std::vector<std::uint8_t>(cols.size(), 1), "VAR" + std::to_string(cols.size() - 1));
        while (est.M() < static_cast<int>(ref.R.size())) est.AddRestriction();
        for (int j = 0; j < est.M(); ++j) {
            est.SetRestrictionValue(j, ref.r[static_cast<std::size_t>(j)]);
            for (int i = 0; i < est.K(); ++i) est.SetRestrictionCoefficient(j, i, ref.R[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)]);
        }
        ASSERT_TRUE(est.Estimate());
        ASSERT_EQ(est.N(), static_cast<int>(ref.residual.size()));
        for (int i = 0; i < est.K(); ++i) {
            const double expected = ref.coef[static_cast<std::size_t>(i)];
            // A coefficient restricted to zero is zero to rounding.
            if (expected == 0.0)
                EXPECT_NEAR(est.GetCoefficient(i), 0.0, 1e-20) << i;
            else
                ExpectRel(est.GetCoefficient(i), expected, 1e-10, "coef", i);
        }
        for (int i = 0; i < est.N(); ++i) {
            ExpectRel(est.GetResidual(i), ref.residual[static_cast<std::size_t>(i)], 1e-10, "residual", i);
            ExpectRel(est.GetLeverage(i), ref.leverage[static_cast<std::size_t>(i)], 1e-10, "leverage", i);
        }
        ExpectRel(est.SSE(), ref.sse, 1e-10, "SSE", 0);
        // The F test divides by the unrestricted degrees of freedom n - k.
        ExpectRel(est.F(), ref.f, 1e-8, "F", 0);
        EXPECT_NEAR(est.Df(), ref.df, 1e-12);
    }
}

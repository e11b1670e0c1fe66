// The NIST StRD linear least-squares sets against their certified values:
// the number of correct digits (log relative error, capped at 15) of every
// coefficient and standard error, reported per set and held to a floor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/model/regression_model.h"

namespace {

struct CertifiedSet {
    std::string name;
    bool polynomial = false;
    int terms = 0;  // polynomial degree, or the number of regressor columns
    bool constant = true;
    std::vector<double> coef, se;  // B0 first when there is a constant
    std::vector<std::vector<double>> rows;  // y, then x (or x1 .. xk)
};

CertifiedSet ReadSet(const std::string& name) {
    const char* root = std::getenv("MERLOX_SOURCE_DIR");
    std::ifstream in(std::string(root ? root : ".") + "/tests/data/nist/" + name + ".dat");
    EXPECT_TRUE(in.good()) << name;
    CertifiedSet set;
    set.name = name;
    std::string line;
    bool data = false;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream ls(line);
        if (data) {
            std::vector<double> row;
            for (double v; ls >> v;) row.push_back(v);
            set.rows.push_back(row);
            continue;
        }
        std::string word;
        ls >> word;
        if (word == "data") {
            data = true;
        } else if (word == "model") {
            std::string kind, constant;
            ls >> kind >> set.terms >> constant;
            set.polynomial = kind == "poly";
            set.constant = constant == "constant";
        } else {
            double b = 0, s = 0;
            ls >> b >> s;
            set.coef.push_back(b);
            set.se.push_back(s);
        }
    }
    return set;
}

// Correct digits of x against the certified c: -log10 of the relative error
// (the absolute error when c is 0), between 0 and 15.
double CorrectDigits(double x, double c) {
    const double err = c == 0.0 ? std::fabs(x) : std::fabs(x - c) / std::fabs(c);
    if (!std::isfinite(err)) return 0.0;
    if (err == 0.0) return 15.0;
    return std::clamp(-std::log10(err), 0.0, 15.0);
}

// Wampler1 and Wampler2 fit exactly: their certified standard errors are
// 0, and the error of one is taken relative to the size of its coefficient.
// It must lie below 1e-9 of it (9 correct digits).
constexpr double kExactFitDigits = 9.0;

double StandardErrorDigits(double se, double certifiedSe, double certifiedCoef) {
    if (certifiedSe != 0.0 || certifiedCoef == 0.0) return CorrectDigits(se, certifiedSe);
    return CorrectDigits(se / std::fabs(certifiedCoef), 0.0);
}

// Fits the set and returns the fewest correct digits over its coefficients
// and standard errors.
double FewestDigits(const CertifiedSet& set) {
    const int n = static_cast<int>(set.rows.size());
    const int k = set.terms + 1;  // the regressors, then y
    Reg reg(n, k);
    for (int j = 0; j < set.terms; ++j) {
        std::vector<double> col(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const auto& row = set.rows[static_cast<std::size_t>(i)];
            col[static_cast<std::size_t>(i)] = set.polynomial ? std::pow(row[1], j + 1) : row[static_cast<std::size_t>(j) + 1];
        }
        reg.SetVarValues(j, col);
    }
    std::vector<double> y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) y[static_cast<std::size_t>(i)] = set.rows[static_cast<std::size_t>(i)][0];
    reg.SetVarValues(set.terms, y);
    std::vector<std::uint8_t> roles(static_cast<std::size_t>(k) + 1, Reg::kRoleExplanatory);
    roles[static_cast<std::size_t>(set.terms)] = Reg::kRoleDependent;
    if (!set.constant) roles[static_cast<std::size_t>(k)] = Reg::kRoleUnused;
    EXPECT_TRUE(reg.SetModel(set.terms, roles)) << set.name;

    double fewest = 15.0;
    std::string line = set.name + ":";
    const int offset = set.constant ? 1 : 0;
    for (std::size_t p = 0; p < set.coef.size(); ++p) {
        // B0 is the constant (index k); Bj the j-th regressor (index j - 1).
        const int index = set.constant && p == 0 ? k : static_cast<int>(p) - offset;
        const double b = CorrectDigits(reg.GetCoef(index), set.coef[p]);
        const double s = StandardErrorDigits(reg.GetStdError(index), set.se[p], set.coef[p]);
        if (set.se[p] == 0.0) {
            EXPECT_GE(s, kExactFitDigits) << set.name << " B" << p;
        }
        fewest = std::min({fewest, b, s});
        char buf[64];
        std::snprintf(buf, sizeof buf, " B%zu %.1f/%.1f", p, b, s);
        line += buf;
    }
    std::printf("%s\n", line.c_str());
    return fewest;
}

TEST(NistCertified, CorrectDigitsOfCoefficientsAndStandardErrors) {
    struct Case {
        const char* name;
        double atLeast;
    };
    // Sets with a constant term: at least 7 digits everywhere. The model
    // always has its constant term, so the sets through the origin are only
    // reported.
    const Case cases[] = {
        {"Norris", 7.0},   {"Pontius", 7.0},  {"Filip", 7.0},    {"Longley", 7.0},  {"Wampler1", 7.0},
        {"Wampler2", 7.0}, {"Wampler3", 7.0}, {"Wampler4", 7.0}, {"Wampler5", 7.0}, {"NoInt1", 0.0},
        {"NoInt2", 0.0},
    };
    for (const Case& c : cases) {
        const CertifiedSet set = ReadSet(c.name);
        ASSERT_FALSE(set.rows.empty()) << c.name;
        EXPECT_GE(FewestDigits(set), c.atLeast) << c.name;
    }
}

}  // namespace

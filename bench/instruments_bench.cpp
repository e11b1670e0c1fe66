// Speed of the instrumental-variable building blocks on 1,000,000
// observations: the least-squares first stages of 3 endogenous regressors on
// 20 exogenous variables with the three instruments built and put in place
// (goal <= 0.3 s), and the two-stage estimate of one structural equation
// with 10 regressors through its row file (goal <= 0.3 s).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/model/instrumental_fit.h"
#include "core/model/regression_model.h"
#include "estimators/instrument_builder.h"
#include "estimators/instrument_values.h"
#include "simeq/structural_store.h"

namespace {

constexpr int kObs = 1000000;
constexpr int kExogenous = 20;
constexpr int kEndogenous = 3;
constexpr int kVars = kExogenous + kEndogenous + 1;  // and the dependent variable

// Variables: x0 .. x19 exogenous, then y1 .. y3 endogenous regressors, then
// the dependent y (endogenous). Built once.
Reg& LargeSystem() {
    static std::unique_ptr<Reg> reg = [] {
        auto r = std::make_unique<Reg>(kObs, kVars);
        std::mt19937_64 gen(35);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<std::vector<double>> x(kExogenous, std::vector<double>(kObs));
        for (int j = 0; j < kExogenous; ++j) {
            for (int i = 0; i < kObs; ++i) x[j][i] = 5.0 + (j % 4 + 1) * normal(gen);
            r->SetVarValues(j, x[j]);
            r->SetVarType(j, 2);
            r->SetVarName(j, "x" + std::to_string(j));
        }
        std::vector<double> y(kObs, 1.0), e(kObs);
        for (int g = 0; g <= kEndogenous; ++g) {
            std::vector<double> v(kObs);
            for (int i = 0; i < kObs; ++i) {
                e[i] = normal(gen);
                v[i] = 2.0 + 0.3 * x[g][i] - 0.2 * x[g + 5][i] + 0.1 * x[(g * 7) % kExogenous][i] + e[i];
                if (g < kEndogenous) y[i] += 0.5 * v[i];
            }
            const int col = kExogenous + g;
            r->SetVarValues(col, g < kEndogenous ? v : y);
            r->SetVarType(col, 1);
            r->SetVarName(col, g < kEndogenous ? "y" + std::to_string(g + 1) : std::string("y"));
            if (g == kEndogenous - 1)
                for (int i = 0; i < kObs; ++i) y[i] += e[i];
        }
        return r;
    }();
    return *reg;
}

// range(1) 1: the data set's moments out of date first (as after an edit),
// so that they are formed again once for the three first stages.
void BM_FirstStagesOfThreeInstruments(benchmark::State& state) {
    Reg& reg = LargeSystem();
    reg.Context().SetThreads(static_cast<int>(state.range(0)));
    RegIV iv(reg, 0);
    for (auto _ : state) {
        if (state.range(1) == 1) reg.UpdateMoments();
        for (int g = 0; g < kEndogenous; ++g) {
            const int target = kExogenous + g;
            InstrumentFirstStage fs(reg, target, InstrumentFirstStage::ExogenousCandidates(reg, target), 0, true);
            SetFirstStageInstrument(iv, target, fs, 1.0);
        }
    }
    state.counters["r"] = InstrumentCorrelation(iv, kExogenous);
}
BENCHMARK(BM_FirstStagesOfThreeInstruments)
    ->Args({1, 0})->Args({4, 0})->Args({1, 1})->Args({4, 1})->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The two tables of the system, the endogenous columns of the first stage
// holding their fitted values on the exogenous variables.
struct SystemTables {
    std::unique_ptr<TFileMatrix> observed, firstStage;
    std::vector<std::string> names;
};

SystemTables& Tables() {
    static SystemTables t = [] {
        Reg& reg = LargeSystem();
        SystemTables s;
        // Endogenous first in the system's name list, then the predetermined.
        std::vector<int> order;
        for (int j = kExogenous; j < kVars; ++j) order.push_back(j);
        for (int j = 0; j < kExogenous; ++j) order.push_back(j);
        for (int j : order) s.names.push_back(reg.GetVarName(j));
        std::vector<std::vector<double>> fitted(kEndogenous + 1);
        for (int g = 0; g <= kEndogenous; ++g) {
            const int target = kExogenous + g;
            InstrumentFirstStage fs(reg, target, InstrumentFirstStage::ExogenousCandidates(reg, target), 0, true);
            fitted[g] = fs.FittedValues();
        }
        s.observed = std::make_unique<TFileMatrix>(reg.Context(), kObs, kVars, 0.0);
        s.firstStage = std::make_unique<TFileMatrix>(reg.Context(), kObs, kVars, 0.0);
        constexpr int kBlock = 4096;
        std::vector<double> ob(static_cast<std::size_t>(kBlock) * kVars), fs(ob.size());
        for (int first = 0; first < kObs; first += kBlock) {
            const int count = std::min(kBlock, kObs - first);
            for (int r = 0; r < count; ++r)
                for (int c = 0; c < kVars; ++c) {
                    const int j = order[c];
                    const double v = reg.GetValue(first + r, j);
                    ob[static_cast<std::size_t>(r) * kVars + c] = v;
                    fs[static_cast<std::size_t>(r) * kVars + c] = j >= kExogenous ? fitted[j - kExogenous][first + r] : v;
                }
            s.observed->WriteRows(first, count, ob.data());
            s.firstStage->WriteRows(first, count, fs.data());
        }
        // y = y1 + y2 + y3 + x0 .. x6 + constant: 10 regressors.
        std::vector<std::string> terms = {"y1", "y2", "y3"};
        for (int j = 0; j < 7; ++j) terms.push_back("x" + std::to_string(j));
        terms.push_back("定数項");
        std::vector<double> coefs(terms.size(), 1.0);
        reg.AddExpres(Expres("y", static_cast<int>(terms.size()), false, coefs, terms));
        return s;
    }();
    return t;
}

void BM_TwoStageEquationOfTenRegressors(benchmark::State& state) {
    SystemTables& t = Tables();
    Reg& reg = LargeSystem();
    const int index = reg.Expressions().IndexOf("y");
    double s2 = 0.0;
    for (auto _ : state) {
        RegFile rf(reg, index, *t.firstStage, *t.observed, t.names);
        s2 = rf.S2();
    }
    state.counters["s2"] = s2;
}
BENCHMARK(BM_TwoStageEquationOfTenRegressors)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

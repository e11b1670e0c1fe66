// A small dynamic system of ten observations: consumption C on income Y
// (stochastic), investment I on last period's income YL (stochastic, YL
// carrying the lag note "@Y/1") and the identity Y = C + I + G, with the
// stored coefficients C = 0.6 Y + 5 and I = 0.2 YL + 2.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/data/equation.h"
#include "support/model_builder.h"

inline const std::vector<double>& SmallSystemC() {
    static const std::vector<double> c = {35.4, 43.3, 48.2, 49.8, 52.2, 50.3, 46.8, 47.9, 47.4, 49.9};
    return c;
}

inline std::unique_ptr<Reg> MakeSmallSystem(EngineContext* context = nullptr) {
    const Columns cols = {SmallSystemC(),
                          {9.1, 12.4, 13.7, 16.9, 16.6, 18.8, 18.3, 15.4, 16.3, 15.2},
                          {52.7, 62.2, 73.4, 72.4, 79.2, 77.8, 70.7, 73.4, 69.1, 74.4},
                          {8.2, 6.5, 11.5, 5.7, 10.4, 8.7, 5.6, 10.1, 5.4, 9.3},
                          {40.0, 52.7, 62.2, 73.4, 72.4, 79.2, 77.8, 70.7, 73.4, 69.1}};
    auto model = MakeModel(cols, {1, 1, 1, 2, 3}, {"C", "I", "Y", "G", "YL"}, context);
    model->SetVarInfo(4, "@Y/1");
    const std::string k = "定数項";
    auto add = [&](const std::string& left, std::vector<std::string> names, std::vector<double> coefs, bool def) {
        model->AddExpres(Expres(left, static_cast<int>(names.size()), def, coefs, names));
    };
    add("C", {"Y", k}, {0.6, 5.0}, false);
    add("I", {"YL", k}, {0.2, 2.0}, false);
    add("Y", {"C", "I", "G"}, {1.0, 1.0, 1.0}, true);
    return model;
}

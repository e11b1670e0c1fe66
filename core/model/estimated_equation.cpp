#include "core/model/estimated_equation.h"

#include <vector>

#include "core/model/regression_model.h"
#include "resources/string_table.h"

Expres EstimatedEquation(const Reg& model, bool correct) {
    // Coefficients of roles without an estimate are placeholders.
    model.RequireEstimate();
    const int k = model.GetVarCount();
    const int dep = model.GetDependent();
    std::vector<int> indices;
    for (int j = 0; j < k; ++j)
        if (model.IsExplanatory(j)) indices.push_back(j);
    std::vector<std::string> names;
    std::vector<double> b;
    for (int j : indices) {
        names.push_back(model.GetVarName(j));
        b.push_back(model.GetCoef(j));
    }
    names.push_back(LoadStr(kStrConstantName));
    b.push_back(model.IsExplanatory(k) ? model.GetCoef(k) : 0.0);

    if (correct) {
        int others = 0, bigK = 0, g = 0, kIn = 0;
        model.IsUnderidentified(others, &bigK, &g, &kIn);
        const int n = model.GetObsCount();
        // With as many predetermined variables as observations the factor
        // has no meaning; the estimate is kept as it is.
        if (n != bigK) {
            Matrix m;
            m.Replace(model.Moments());
            for (int j : indices)
                if (j < m.Rows()) static_cast<void>(m.Sweep(j));
            const double factor = static_cast<double>(bigK - kIn - g) / static_cast<double>(n - bigK);
            for (std::size_t i = 0; i < indices.size(); ++i) {
                const double ols = m.At(indices[i], dep);
                b[i] += (b[i] - ols) * factor;
            }
            const double ols = m.At(k, dep);
            b.back() += (b.back() - ols) * factor;
        }
    }
    return Expres(model.GetVarName(dep), static_cast<int>(b.size()), false, b, names);
}

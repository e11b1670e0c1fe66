// A weighted or ridge first stage, run by the caller and taken over here.
#include <cmath>

#include "core/io/file_matrix.h"
#include "estimators/instrument_builder.h"
#include "platform/errors.h"

std::vector<double> InstrumentFirstStage::RunHandedBack(FirstStageKind kind, EngineContext& context,
                                                        const HandedBackRunner& run, double k) {
    const int t = k_ - 1;
    std::vector<int> columns;
    for (int j = 0; j < k_; ++j)
        if (kind == FirstStageKind::kRidge || flags_[static_cast<std::size_t>(j)] >= 0) columns.push_back(j);
    const int cols = static_cast<int>(columns.size());
    TNamedData table(context, n_, cols);
    std::vector<double> row(static_cast<std::size_t>(cols));
    for (int c = 0; c < cols; ++c) {
        table.SetColumnName(c, names_[static_cast<std::size_t>(columns[static_cast<std::size_t>(c)])]);
        if (kind == FirstStageKind::kRidge)
            table.SetSelected(c, flags_[static_cast<std::size_t>(columns[static_cast<std::size_t>(c)])] >= 0 ? 1 : 0);
    }
    for (int i = 0; i < n_; ++i) {
        for (int c = 0; c < cols; ++c) row[static_cast<std::size_t>(c)] = Value(i, columns[static_cast<std::size_t>(c)]);
        table.WriteRow(i, row.data());
    }
    const HandedBackRequest request{kind, table, kind == FirstStageKind::kRidge ? t : cols - 1};
    std::optional<HandedBackFit> fit = run ? run(request) : std::nullopt;

    std::vector<double> values(static_cast<std::size_t>(n_));
    for (int i = 0; i < n_; ++i) values[static_cast<std::size_t>(i)] = Observed(i);
    if (fit) {
        // One value per observation, or nothing is taken: a shorter result
        // would leave a tail of the instrument unmixed.
        const std::size_t n = static_cast<std::size_t>(n_);
        const std::size_t named = fit->names.size();
        if (fit->fitted.size() != n ||
            (!fit->standardizedResiduals.empty() && fit->standardizedResiduals.size() != n) ||
            (!fit->leverage.empty() && fit->leverage.size() != n) ||
            fit->coef.size() != named || fit->stdErr.size() != named || (!fit->vif.empty() && fit->vif.size() != named))
            throw Exception("設定に失敗しました。");
        for (std::size_t j = 0; j <= static_cast<std::size_t>(k_); ++j) {
            coef_[j] = stdErr_[j] = fValue_[j] = 0.0;
            fState_[j] = FirstStageF::kBlank;
        }
        coef_[static_cast<std::size_t>(k_)] = fit->constCoef;
        stdErr_[static_cast<std::size_t>(k_)] = fit->constStdErr;
        for (std::size_t r = 0; r < named; ++r) {
            for (int j = 0; j < k_; ++j) {
                if (j == t || names_[static_cast<std::size_t>(j)] != fit->names[r]) continue;
                coef_[static_cast<std::size_t>(j)] = fit->coef[r];
                stdErr_[static_cast<std::size_t>(j)] = fit->stdErr[r];
                if (!fit->vif.empty()) {
                    fValue_[static_cast<std::size_t>(j)] = fit->vif[r];
                    fState_[static_cast<std::size_t>(j)] = FirstStageF::kValue;
                }
                break;
            }
        }
        s2_ = fit->s2;
        adjR2_ = fit->adjR2;
        kind_ = kind;
        handedResiduals_.assign(n, std::nullopt);
        // An observation of leverage 1 has none: it is left out, as in the
        // builder's own fit.
        for (std::size_t i = 0; i < fit->standardizedResiduals.size(); ++i)
            if (std::isfinite(fit->standardizedResiduals[i])) handedResiduals_[i] = fit->standardizedResiduals[i];
        handedLeverage_ = fit->leverage;
        hasHandedResiduals_ = true;
        values = fit->fitted;
    }
    for (int i = 0; i < n_; ++i) {
        double& v = values[static_cast<std::size_t>(i)];
        v = k * v + (1.0 - k) * Observed(i);
    }
    return values;
}

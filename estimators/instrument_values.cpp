#include "estimators/instrument_values.h"

#include "core/model/instrumental_fit.h"
#include "core/numeric/statistics.h"
#include "estimators/instrument_builder.h"
#include "platform/errors.h"

namespace {

const char* const kSetFailed = "設定に失敗しました。";

}  // namespace

std::vector<double> RankInstrument(const std::vector<double>& observed) {
    std::vector<double> ranks = observed;
    if (!ranks.empty()) RankTransform(true, ranks.data(), nullptr, static_cast<int>(ranks.size()));
    return ranks;
}

double InstrumentCorrelation(const RegIV& model, int var) {
    std::vector<double> design, observed;
    model.GetDesignColumn(var, design);
    model.GetDataColumn(var, observed);
    return ComputeCorrelations(design.data(), observed.data(), static_cast<int>(design.size()), nullptr, nullptr);
}

void SetInstrument(RegIV& model, int var, const std::vector<double>& values) {
    if (var < 0 || var >= model.VarCount() || static_cast<int>(values.size()) != model.Rows())
        throw Exception(kSetFailed);
    model.SetDesignColumn(var, values);
}

void SetFirstStageInstrument(RegIV& model, int var, const InstrumentFirstStage& firstStage, double k) {
    // The first stage picks its observations by the marks of the target's
    // cells; when they differ from the model's, no value has its place.
    if (firstStage.Observations() != model.Rows()) throw Exception(kSetFailed);
    SetInstrument(model, var, firstStage.KClassInstrument(k));
}

void RestoreObservedColumn(RegIV& model, int var) {
    if (var < 0 || var >= model.VarCount()) return;
    std::vector<double> observed;
    model.GetDataColumn(var, observed);
    model.SetDesignColumn(var, observed);
}

double KFromText(const std::string& text, const RegIV& model,
                 const std::function<double(const std::string&)>& evaluate) {
    if (text == "<auto>") return model.GetDefaultK();
    return evaluate ? evaluate(text) : 1.0;
}

#include "components/view/field_formula.h"

#include "eval/app_state.h"
#include "macro/macro_engine.h"

std::optional<double> EvaluateFieldFormula(AppState& state, const std::string& text, std::optional<double> current) {
    CMacro& host = GetMacroEngine(state).host;
    // One current value for both evaluators.
    host.SetCurrentValue(current ? *current : state.Evaluator().CurrentValue());
    const double value = host.EvaluateExpression(text);
    if (!host.Done()) return std::nullopt;
    return value;
}

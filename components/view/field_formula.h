// Numeric fields take formulas: the text of a field goes to the macro
// engine, which compiles and runs it as an expression. "@@" in it stands for
// the current value: the one given, else the evaluator's (which the caller
// may have preset). An error is shown by the engine itself.
#pragma once

#include <optional>
#include <string>

#include "platform/errors.h"

class AppState;

// The value of the text; nothing when it failed (the error has been shown).
// An empty text is 0.
std::optional<double> EvaluateFieldFormula(AppState& state, const std::string& text,
                                           std::optional<double> current = std::nullopt);

// Raised where a caller has to stop because a formula failed; its message has
// been shown already, so catch sites and the command guard show nothing more.
class EFormulaShown : public EAlreadyShown {};

// Variable names as lists show them: the font colour of a variable's kind
// and the name with a kind suffix, both only with the colouring switch on.
// Equation texts are drawn in pieces, each name in its kind's colour.
#pragma once

#include <string>
#include <vector>

#include "components/plot/core/canvas_types.h"

class Reg;
class Expres;

// Green for endogenous, blue for exogenous, navy for lagged endogenous,
// black otherwise.
CanvasColor KindColor(int kind);
// The colour of a variable of the model; black with the switch off, without
// a model, or for a name that is no variable.
CanvasColor VariableKindColor(const Reg* model, bool coloring, const std::string& name);
// The name with "..en", "..ex" or "..lg" after it, under the same rules.
std::string VariableNameWithKind(const Reg* model, bool coloring, const std::string& name);

struct TextPiece {
    std::string text;
    CanvasColor color = canvas_color::kBlack;
    bool operator==(const TextPiece&) const = default;
};

// An equation as the equation list draws it, left to right: "@ " for a
// definition, the left-hand name, " = ", then per term " +" name for a
// coefficient of 1, " -" name for -1, nothing for 0, else the coefficient
// in the equation picture followed by "*" name (no name after the constant).
std::vector<TextPiece> EquationPieces(const Expres& e, const Reg* model, bool coloring);

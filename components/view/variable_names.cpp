#include "components/view/variable_names.h"

#include "core/data/equation.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "resources/string_table.h"

using namespace canvas_color;

CanvasColor KindColor(int kind) {
    switch (kind) {
    case 1: return kGreen;
    case 2: return kBlue;
    case 3: return kNavy;
    default: return kBlack;
    }
}

namespace {

int KindOf(const Reg* model, bool coloring, const std::string& name) {
    if (!coloring || !model) return 0;
    const int j = model->FindVar(name);
    return j >= 0 && j < model->GetVarCount() ? model->GetVarType(j) : 0;
}

}  // namespace

CanvasColor VariableKindColor(const Reg* model, bool coloring, const std::string& name) {
    return KindColor(KindOf(model, coloring, name));
}

std::string VariableNameWithKind(const Reg* model, bool coloring, const std::string& name) {
    switch (KindOf(model, coloring, name)) {
    case 1: return name + "..en";
    case 2: return name + "..ex";
    case 3: return name + "..lg";
    default: return name;
    }
}

std::vector<TextPiece> EquationPieces(const Expres& e, const Reg* model, bool coloring) {
    std::vector<TextPiece> pieces;
    if (e.IsDefinition()) pieces.push_back({"@ ", kBlack});
    pieces.push_back({e.GetLeftName(), VariableKindColor(model, coloring, e.GetLeftName())});
    pieces.push_back({" = ", kBlack});
    const std::string& constant = LoadStr(kStrConstantName);
    for (int i = 0; i < e.GetCount(); ++i) {
        const double c = e.GetCoef(i);
        const std::string name = e.GetVarName(i);
        const CanvasColor color = VariableKindColor(model, coloring, name);
        if (c == 1.0) {
            pieces.push_back({" +", kBlack});
            pieces.push_back({name, color});
        } else if (c == -1.0) {
            pieces.push_back({" -", kBlack});
            pieces.push_back({name, color});
        } else if (c != 0.0) {
            pieces.push_back({FormatFloat(LoadStr(kStrCoefficientPicture), c), kBlack});
            if (name != constant) {
                pieces.push_back({"*", kBlack});
                pieces.push_back({name, color});
            }
        }
    }
    return pieces;
}

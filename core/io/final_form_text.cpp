// The one-line text of a final-form equation.
#include <string>

#include "core/data/data_set.h"
#include "core/io/final_form_storage.h"
#include "core/text/float_format.h"
#include "resources/string_table.h"

namespace {

std::string LagText(int lag) {
    if (lag == 0) return "[t]";
    return (lag > 0 ? "[t+" : "[t-") + std::to_string(lag > 0 ? static_cast<long long>(lag)
                                                             : -static_cast<long long>(lag)) + "]";
}

}  // namespace

std::string FFElement::GetText() const {
    const std::string& picture = LoadStr(kStrCoefficientPicture);
    std::string text = GetName() + "[t] = ";
    for (const FFCell& term : terms_) {
        if (term.GetName() == Data::ConstantName()) {
            text += FormatFloat(picture, term.GetCoef());
            continue;
        }
        const double c = term.GetCoef();
        if (c == 1.0) text += "+";
        else if (c == -1.0) text += "-";
        else text += FormatFloat(picture, c) + "*";
        text += term.GetName() + LagText(term.GetLag());
    }
    return text;
}

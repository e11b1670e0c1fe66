// The fitted trend equation as text.
#include <cmath>

#include "core/text/float_format.h"
#include "stats/trend_curves.h"

namespace {

constexpr double kTermEpsilon = 1.1920929e-07;

// Four decimals; a value they would show as 0 gets four significant
// digits instead, so that a term kept in the formula never reads "0".
bool VanishesInFourDecimals(double x) { return x != 0.0 && std::isfinite(x) && std::fabs(x) < 0.00005; }

std::string Lead(double x) {
    if (VanishesInFourDecimals(x)) return FloatToStrF(x, TFloatFormat::ffGeneral, 4, 0);
    return FormatFloat("#0.####", x);
}

std::string Signed(double x) {
    if (VanishesInFourDecimals(x)) return (x > 0.0 ? "+" : "") + FloatToStrF(x, TFloatFormat::ffGeneral, 4, 0);
    return FormatFloat("+#0.####;-#0.####", x);
}

}  // namespace

std::string TimeSeriesMerlox::GetFormula() const {
    const auto& c = coef_;
    std::string text = "y = ";
    switch (model_) {
        case 0:
        case 1:
        case 2:
        case 3: {
            static const char* const kPower[5] = {"", "*t", "*t^2", "*t^3", "*t^4"};
            text += Lead(c[0]);
            for (int j = 1; j <= model_ + 1; ++j)
                if (std::fabs(c[j]) >= kTermEpsilon) text += Signed(c[j]) + kPower[j];
            break;
        }
        case 4: text += "exp(" + Lead(c[0]) + Signed(c[1]) + "*t)"; break;
        case 5: text += "1/(" + Lead(c[0]) + Signed(c[1]) + "*t)"; break;
        case 6: text = "BCE(y," + Lead(c[2]) + ")=" + Lead(c[0]) + Signed(c[1]) + "*t"; break;
        case 7:
            text += Lead(1.0 / c[0]) + "/(1+" + Lead(c[1] / c[0]) + "*exp(-" + Lead(c[2]) + "*t ) )";
            break;
        case 8:
            text += Lead(std::exp(c[0])) + "*" + Lead(std::exp(c[1])) + "^exp(-" + Lead(c[2]) + "*t)";
            break;
        default: break;
    }
    return text;
}

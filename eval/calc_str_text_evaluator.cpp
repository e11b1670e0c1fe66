// Lets the data model read typed texts (data files, pasted cells, user
// scalars) through the shared evaluator.
#include "core/text/text_evaluator.h"
#include "eval/calc_str.h"

namespace {

class CalcStrTextEvaluator : public TextEvaluator {
public:
    double Calculate(const std::string& text) override { return GlobalCalcStr().Calculate(text); }
    double Evaluate(const std::string& text, double fallback) override {
        return GlobalCalcStr().Evaluate(text, fallback);
    }
};

}  // namespace

void InstallCalcStrTextEvaluator() {
    static CalcStrTextEvaluator adapter;
    InstallTextEvaluator(&adapter);
}

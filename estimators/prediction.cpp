#include "estimators/prediction.h"

#include "core/settings/file_services.h"
#include "platform/errors.h"

TolerancePrediction PredictFromTexts(const PredictionModel& model, std::span<const double> x,
                                     TextEvaluator& evaluator, const std::string& confidenceText,
                                     const std::string& coverageText) {
    if (model.p < 0 || x.size() != static_cast<std::size_t>(model.p)) throw ERangeError(kRangeErrorText);
    const double confidence = EvaluatePercent(evaluator, confidenceText, kDefaultConfidencePercent);
    const double coverage = EvaluatePercent(evaluator, coverageText, kDefaultCoveragePercent);
    return PredictWithTolerance(model.coef, model.q, x, model.s2, model.n, model.df, confidence, coverage);
}

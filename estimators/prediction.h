// A prediction with its simultaneous tolerance interval for a model that a
// window hands over: its coefficients, Q with var(x'b) = s2 x'Qx, s2, the
// observation count and the residual degrees of freedom. The confidence
// and the coverage come as typed percentages (defaults 95 and 90).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/numeric/matrix.h"
#include "core/numeric/tolerance_interval.h"

class TextEvaluator;

struct PredictionModel {
    std::vector<double> coef;  // p + 1 values, the constant last
    Matrix q;                  // (p + 1) x (p + 1)
    std::vector<std::string> names;  // the p regressors
    double s2 = 0.0;
    int n = 0;
    int p = 0;
    int df = 0;
};

constexpr double kDefaultConfidencePercent = 95.0;
constexpr double kDefaultCoveragePercent = 90.0;

// x holds the p regressor values. ERangeError when x does not hold p values
// or the model's arrays are too small.
TolerancePrediction PredictFromTexts(const PredictionModel& model, std::span<const double> x,
                                     TextEvaluator& evaluator, const std::string& confidenceText,
                                     const std::string& coverageText);

// What the prediction dialog is opened with: the fitted model to predict
// from (coefficients with the constant last, Q, s2, n, p, df), copied, so
// the caller keeps nothing alive for it. Any window with a linear fit fills
// one: the restricted fit gives Restricted::ForPrediction.
#pragma once

#include "estimators/prediction.h"

struct PredictionRequest {
    PredictionModel model;
};

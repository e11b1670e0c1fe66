// The series the instrumental-variable window plots: the residual plots by
// mode, the partial regression plot of one regressor and the prediction
// band over the sample. Plain values, so the plots show what the pages
// and the report show.
#pragma once

#include <string>
#include <vector>

class RegIV;

struct IVPlotSeries {
    std::string xName, yName;
    std::vector<double> x, y;
    bool Empty() const { return x.empty(); }
};

// Modes: 0 r(i) on the predicted values, 1 r(i) on time, 100 + j r(i) on
// the observed column j, 200 + j on its design column ("(iv)" + name),
// 300 leverage on the squared-residual share, 300 + k (k = 1..4) e(i) on
// the residual k observations later. Computes the influence rows first.
// Empty for another mode, a variable out of range, or a lag plot of fewer
// than 4 points.
IVPlotSeries IVResidualPlotSeries(RegIV& model, int mode);

// The partial regression plot of regressor j of the model: its residual on
// the other regressors, e(x|-x), across, and the dependent's, e(y|-x), up.
// Empty when j is not a regressor other than the constant term.
IVPlotSeries IVPartialPlotSeries(const RegIV& model, int j);

// Predictions at every observation from its observed regressors, with the
// limits at confidence c1 and coverage c2.
struct IVPredictionBand {
    std::vector<double> predicted, lower, upper;
};
IVPredictionBand IVPredictionOverSample(RegIV& model, double c1, double c2);

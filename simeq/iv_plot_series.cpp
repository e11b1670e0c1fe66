#include "simeq/iv_plot_series.h"

#include "core/model/instrumental_fit.h"
#include "core/text/number_format.h"
#include "resources/string_table.h"

namespace {

constexpr int kRowPredicted = 1;
constexpr int kRowResidual = 2;
constexpr int kRowStudentized = 6;
constexpr int kRowSquaredShare = 8;
constexpr int kRowLeverage = 9;
constexpr int kMinLagPoints = 4;

}  // namespace

IVPlotSeries IVResidualPlotSeries(RegIV& model, int mode) {
    IVPlotSeries s;
    const int n = model.Rows(), v = model.VarCount();
    const bool variable = (mode >= 100 && mode < 100 + v) || (mode >= 200 && mode < 200 + v);
    const bool known = mode == 0 || mode == 1 || variable || (mode >= 300 && mode <= 304);
    if (!known) return s;
    if (mode > 300) {
        const int k = mode - 300;
        if (n - k < kMinLagPoints) return s;
    }
    model.ComputeInfluence();
    if (mode >= 300) {
        if (mode == 300) {
            s.xName = LoadStr(kStrSquaredResidual);
            s.yName = LoadStr(kStrLeverage);
            model.GetAnalysisRow(kRowSquaredShare, s.x);
            model.GetAnalysisRow(kRowLeverage, s.y);
            return s;
        }
        const int k = mode - 300;
        std::vector<double> e;
        model.GetAnalysisRow(kRowResidual, e);
        s.xName = LoadStr(kStrEi);
        s.yName = LagResidualLabel(k);
        s.x.assign(e.begin() + k, e.begin() + n);
        s.y.assign(e.begin(), e.begin() + (n - k));
        return s;
    }
    s.yName = LoadStr(kStrStandardizedResidual);
    model.GetAnalysisRow(kRowStudentized, s.y);
    if (mode == 0) {
        s.xName = LoadStr(kStrPredicted);
        model.GetAnalysisRow(kRowPredicted, s.x);
    } else if (mode == 1) {
        s.xName = LoadStr(kStrTime);
        for (int i = 0; i < n; ++i) s.x.push_back(i + 1.0);
    } else if (mode < 200) {
        s.xName = model.GetVarName(mode - 100);
        model.GetDataColumn(mode - 100, s.x);
    } else {
        s.xName = "(iv)" + model.GetVarName(mode - 200);
        model.GetDesignColumn(mode - 200, s.x);
    }
    return s;
}

IVPlotSeries IVPartialPlotSeries(const RegIV& model, int j) {
    IVPlotSeries s;
    if (j < 0 || j >= model.VarCount() || !model.IsExplanatory(j)) return s;
    s.xName = model.GetVarName(j);
    s.yName = model.GetVarName(model.GetDependent());
    MakePartialPlotLabels(s.xName, s.yName);
    // The routine hands the dependent's residuals first.
    model.GetPartialResiduals(j, s.y, s.x);
    return s;
}

IVPredictionBand IVPredictionOverSample(RegIV& model, double c1, double c2) {
    IVPredictionBand band;
    const int n = model.Rows(), v = model.VarCount();
    band.predicted.resize(static_cast<std::size_t>(n));
    band.lower.resize(static_cast<std::size_t>(n));
    band.upper.resize(static_cast<std::size_t>(n));
    std::vector<double> x(static_cast<std::size_t>(v) + 1);
    std::vector<double> row;
    for (int i = 0; i < n; ++i) {
        model.GetDataRow(i, row);
        for (int j = 0; j < v; ++j)
            x[static_cast<std::size_t>(j)] = model.IsExplanatory(j) ? row[static_cast<std::size_t>(j)] : 0.0;
        const auto k = static_cast<std::size_t>(i);
        band.predicted[k] = model.Predict(x.data(), &band.lower[k], &band.upper[k], c1, c2);
    }
    return band;
}

#include "stats/curve_plot_series.h"

#include <algorithm>
#include <cmath>

#include "core/io/file_matrix.h"
#include "core/model/leverage_forms.h"
#include "core/numeric/numeric_helpers.h"
#include "core/text/number_format.h"
#include "stats/curve_fit.h"
#include "stats/curve_types.h"

namespace {

constexpr int kMinLagPairs = 4;
constexpr int kStandardisedColumn = 100;
constexpr int kXColumn = 101;
constexpr int kYColumn = 102;
constexpr int kDfbetaColumn = 8;

const char* const kPredicted = "予測値";
const char* const kStandardised = "標準化残差";

// The fitted response back in the scale of y.
double BackTransformed(const TSRA& fit, double w) {
    switch (fit.Type()) {
    case reglnXlnY:
    case regXlnY: return std::exp(w);
    case reginvXinvY:
    case regXinvY: return 1.0 / w;
    case regXbceY:
    case regbceXbceY: return BoxCoxInverse(true, fit.Lambda(), w);
    default: return w;
    }
}

std::string RegressorName(const TSRA& fit, int j) {
    return j == 0 ? fit.XLabel() : std::to_string(j + 1) + "乗項";
}

}  // namespace

double CurveStandardisedResidual(const TSRA& fit, int i) {
    const double h = fit.GetLeverage(i);
    return h == 1.0 ? kNoFigure : fit.GetResidual(i) / std::sqrt((1.0 - h) * fit.S2());
}

std::optional<CurvePlotSeries> CurveResidualPlot(const TSRA& fit, int kind) {
    if (!fit.Fitted()) return std::nullopt;
    const int n = fit.N();
    const int p = fit.ParamCount();
    CurvePlotSeries s;
    auto each = [&](int count, auto&& point) {
        s.x.resize(static_cast<std::size_t>(count));
        s.y.resize(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) point(i, s.x[static_cast<std::size_t>(i)], s.y[static_cast<std::size_t>(i)]);
    };
    const std::string residualName = fit.YLabel() + "/" + kStandardised;
    const bool standardised = kind == kCurvePlotFittedResidual || kind == kCurvePlotTimeResidual ||
                              (kind >= kCurvePlotRegressorResidual && kind < kCurvePlotLeverageResidual);
    // Without spread the standardised residuals are not numbers.
    if (standardised && !(fit.S2() > 0.0)) return std::nullopt;

    if (kind == kCurvePlotFittedResidual) {
        s.xName = fit.YLabel() + "/" + kPredicted;
        s.yName = residualName;
        each(n, [&](int i, double& x, double& y) {
            x = fit.GetFitted(i);
            y = CurveStandardisedResidual(fit, i);
        });
    } else if (kind == kCurvePlotTimeResidual) {
        s.xName = "時間";
        s.yName = residualName;
        each(n, [&](int i, double& x, double& y) {
            x = fit.PointNumber(i);
            y = CurveStandardisedResidual(fit, i);
        });
    } else if (kind >= kCurvePlotRegressorResidual && kind < kCurvePlotLeverageResidual) {
        const int j = kind - kCurvePlotRegressorResidual;
        if (j >= p - 1) return std::nullopt;
        s.xName = RegressorName(fit, j);
        s.yName = residualName;
        each(n, [&](int i, double& x, double& y) {
            x = fit.GetDesign(i, j);
            y = CurveStandardisedResidual(fit, i);
        });
    } else if (kind == kCurvePlotLeverageResidual) {
        // An exact fit has no residual sum of squares to share out.
        if (!(fit.SSE() > 0.0)) return std::nullopt;
        s.xName = "残差平方";
        s.yName = "作用点";
        each(n, [&](int i, double& x, double& y) {
            x = fit.GetResidual(i) * fit.GetResidual(i) / fit.SSE();
            y = fit.GetLeverage(i);
        });
    } else if (kind > kCurvePlotLag && kind <= kCurvePlotLag + 4) {
        const int k = kind - kCurvePlotLag;
        if (n - k < kMinLagPairs) return std::nullopt;
        s.xName = "e(i)";
        s.yName = LagResidualLabel(k);
        each(n - k, [&](int i, double& x, double& y) {
            x = fit.GetResidual(i + k);
            y = fit.GetResidual(i);
        });
    } else if (kind == kCurvePlotFittedObserved) {
        s.xName = fit.YLabel() + "/" + kPredicted;
        s.yName = fit.YLabel() + "/観測値";
        // The design row holds the response in the scale of the fit.
        each(n, [&](int i, double& x, double& y) {
            x = fit.GetFitted(i);
            y = fit.GetDesign(i, p - 1);
        });
    } else if (kind == kCurvePlotFittedObservedRaw) {
        s.xName = fit.YName() + "/" + kPredicted;
        s.yName = fit.YName() + "/観測値";
        each(n, [&](int i, double& x, double& y) {
            x = BackTransformed(fit, fit.GetFitted(i));
            y = fit.GetY(i);
        });
    } else {
        return std::nullopt;
    }
    return s;
}

std::optional<CurvePlotSeries> CurveColumnSeries(const TSRA& fit, int column, const CurvePlotRanges* region) {
    if (!fit.Fitted()) return std::nullopt;
    const int p = fit.ParamCount();
    const bool leaveOneOut = (column >= 4 && column <= 7) || column >= kDfbetaColumn;
    double (*value)(const TSRA&, int, int) = nullptr;
    CurvePlotSeries s;
    if (column >= 1 && column <= 7) {
        static double (*const kColumns[])(const TSRA&, int, int) = {
            nullptr,
            [](const TSRA& f, int i, int) { return f.GetFitted(i); },
            [](const TSRA& f, int i, int) { return f.GetResidual(i); },
            [](const TSRA& f, int i, int) { return f.GetLeverage(i); },
            [](const TSRA& f, int i, int) { return f.GetResidualSE(i); },
            [](const TSRA& f, int i, int) { return f.GetStudentized(i); },
            [](const TSRA& f, int i, int) { return f.GetWelsch(i); },
            [](const TSRA& f, int i, int) { return f.GetCovRatio(i); },
        };
        value = kColumns[column];
    } else if (column >= kDfbetaColumn && column < kDfbetaColumn + p - 1) {
        value = [](const TSRA& f, int i, int c) { return f.GetDfbeta(i, c - kDfbetaColumn); };
    } else if (column == kStandardisedColumn) {
        if (!(fit.S2() > 0.0)) return std::nullopt;
        value = [](const TSRA& f, int i, int) { return CurveStandardisedResidual(f, i); };
        s.yName = kStandardised;
    } else if (column == kXColumn) {
        value = [](const TSRA& f, int i, int) { return f.GetX(i); };
        s.yName = fit.XName();
    } else if (column == kYColumn) {
        value = [](const TSRA& f, int i, int) { return f.GetY(i); };
        s.yName = fit.YName();
    } else {
        return std::nullopt;
    }
    // The leave-one-out columns read 0 without two residual degrees of freedom.
    if (leaveOneOut && column < kStandardisedColumn && !fit.HasLeaveOneOut()) return std::nullopt;
    if (column < kStandardisedColumn) s.yName = CurveAnalysisTable(fit, {}).Title(column);
    for (int i = 0; i < fit.N(); ++i) {
        if (region && !region->Contains(fit.GetX(i), fit.GetY(i))) continue;
        s.y.push_back(value(fit, i, column));
        s.leverage.push_back(fit.GetLeverage(i));
        s.numbers.push_back(fit.PointNumber(i));
    }
    return s;
}

std::unique_ptr<TNamedData> CurveDesignTable(const TSRA& fit, EngineContext& context) {
    if (!fit.Fitted()) return nullptr;
    const int n = fit.N();
    const int p = fit.ParamCount();
    auto table = std::make_unique<TNamedData>(context, n, p);
    for (int j = 0; j + 1 < p; ++j) table->SetColumnName(j, CurveSlopeName(fit, j));
    table->SetColumnName(p - 1, fit.YLabel());
    // Design row i holds the regressors, then the response at p - 1; the
    // rows go to the table's file a block at a time.
    constexpr int kBlockRows = 4096;
    std::vector<double> block;
    for (int first = 0; first < n; first += kBlockRows) {
        const int count = std::min(kBlockRows, n - first);
        block.resize(static_cast<std::size_t>(count) * static_cast<std::size_t>(p));
        for (int r = 0; r < count; ++r)
            for (int j = 0; j < p; ++j)
                block[static_cast<std::size_t>(r) * static_cast<std::size_t>(p) + static_cast<std::size_t>(j)] =
                    fit.GetDesign(first + r, j);
        table->WriteRows(first, count, block.data());
    }
    return table;
}

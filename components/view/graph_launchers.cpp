#include "components/view/graph_launchers.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "components/plot/free_lines.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/window_context.h"
#include "components/view/window_registry.h"
#include "core/model/final_form_plot.h"
#include "core/numeric/statistics.h"
#include "core/text/number_format.h"
#include "platform/command_guard.h"
#include "platform/ui_services.h"
#include "stats/xy_graph_request.h"

namespace {

void ShowStatsOf(const WindowContext& context, const std::string& name, const double* data, int n,
                 const std::vector<int>& numbers) {
    (void)ShowFundamentalStats(context, name, data, n, -1, numbers);
}

// The pairs of which both values are finite, with their observation
// numbers (1-based); dropped tells whether any pair was left out.
struct PlottedPairs {
    std::vector<double> x, y;
    std::vector<int> numbers;
    bool dropped = false;
};

PlottedPairs FinitePairs(const double* x, const double* y, int n) {
    const auto finite = [&](int i) { return std::isfinite(x[i]) && std::isfinite(y[i]); };
    PlottedPairs pairs;
    int first = 0;
    while (first < n && finite(first)) ++first;
    if (first == n) return pairs;
    pairs.dropped = true;
    for (int i = 0; i < n; ++i) {
        if (!finite(i)) continue;
        pairs.x.push_back(x[i]);
        pairs.y.push_back(y[i]);
        pairs.numbers.push_back(i + 1);
    }
    return pairs;
}

}  // namespace

void ShowXYGraph(const WindowContext& context, const std::string& xName, const double* x, const std::string& yName,
                 int n, const double* y) {
    UiServices& ui = context.Services();
    (void)GuardCommand(ui, [&] {
        if (!x || !y || n <= 0) return;
        // The time axis is our own series: the caller's x may be the very
        // array of y, and is not ours to overwrite.
        std::vector<double> time;
        std::string name = xName;
        if (IsSameSeries(x, y, n)) {
            if (!ui.AskYesNo("同一データです。\n時系列で表示しますか？")) return;
            time.resize(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) time[static_cast<std::size_t>(i)] = i + 1;
            x = time.data();
            name = "時間";
        }
        // A pair without a value (a figure an observation of leverage 1
        // lacks) is no point: the others are plotted under their own
        // observation numbers.
        const PlottedPairs pairs = FinitePairs(x, y, n);
        if (pairs.dropped) {
            if (pairs.x.empty()) {
                ErrorBox(ui, "数値になりません");
                return;
            }
            x = pairs.x.data();
            y = pairs.y.data();
            n = static_cast<int>(pairs.x.size());
        }
        if (IsConstantSeries(x, n)) {
            if (ui.AskYesNo("横軸が定数です = " + FormatNumber(false, x[0]) + "\n縦軸を表示しますか？"))
                ShowStatsOf(context, yName, y, n, pairs.numbers);
            return;
        }
        if (IsConstantSeries(y, n)) {
            if (ui.AskYesNo("縦軸が定数です = " + FormatNumber(false, y[0]) + "\n横軸を表示しますか？"))
                ShowStatsOf(context, name, x, n, pairs.numbers);
            return;
        }
        XYGraphRequest request;
        request.xName = name;
        request.x = x;
        request.yName = yName;
        request.y = y;
        request.n = n;
        if (pairs.dropped) request.numbers = pairs.numbers;
        OpenWindow("TfrmGraphXY", context, request);
    });
}

void ShowSeriesPlot(const WindowContext& context, const std::string& xAxisName, const double* t,
                    const std::string& yName, const std::vector<XYData>& extra, int n, const double* y) {
    UiServices& ui = context.Services();
    (void)GuardCommand(ui, [&] {
        if (!t || !y || n <= 0) return;
        if (IsConstantSeries(y, n)) {
            ui.ShowMessageBox(MsgKind::Warning, "定数です = " + FormatNumber(false, y[0]), mbYes);
            return;
        }
        XYGraphRequest request;
        request.xName = xAxisName;
        request.x = t;
        request.yName = yName;
        request.y = y;
        request.n = n;
        request.extraSeries = extra;
        OpenWindow("TfrmGraphXY", context, request);
    });
}

void ShowFinalFormPlot(const WindowContext& context, const Data& data, const FFList& list, int index, int mode) {
    std::optional<FinalFormPlot> plot;
    if (!GuardCommand(context.Services(), [&] { plot = BuildFinalFormPlot(data, list, index, mode == 1); }) || !plot)
        return;
    const int n = static_cast<int>(std::min(plot->x.size(), plot->y.size()));
    ShowXYGraph(context, plot->xTitle, plot->x.data(), plot->yTitle, n, plot->y.data());
}

void RedrawXYDataList() { DrawFreeLines(); }

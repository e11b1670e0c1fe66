#include "components/view/fundamental_stats_launcher.h"

#include "components/view/window_registry.h"
#include "platform/ui_services.h"
#include "stats/fundamental_stats_request.h"

bool ShowFundamentalStats(const WindowContext& context, const std::string& name, const double* data, int n, int k,
                          const std::vector<int>& numbers) {
    // A zero-length series is never read.
    if (!data || n <= 0) return false;
    std::unique_ptr<AnalysisWindow> window = AnalysisWindows().Create("TfrmFund", context);
    if (!window) return false;
    FundamentalStatsRequest request{name, std::vector<double>(data, data + n), k, {}};
    // Numbers that do not go with the values number nothing.
    if (static_cast<int>(numbers.size()) == n) request.numbers = numbers;
    if (!window->Fill(WindowRequest(std::move(request)))) return false;
    ShowWindow(std::move(window));
    return true;
}

ColumnFigures FiguresToShow(UiServices& ui, const double* data, const double* leverage, int n, int k,
                            const int* numbers) {
    if (!data || n <= 0) return {};
    ColumnFigures figures = FiguresOfColumn(data, leverage, n, k, numbers);
    if (figures.values.empty()) {
        ColumnFigures whole;
        whole.values.assign(data, data + n);
        if (numbers) whole.numbers.assign(numbers, numbers + n);
        whole.observation = k;
        return whole;
    }
    if (!figures.leftOut.empty()) InformationBox(ui, figures.leftOut);
    return figures;
}

bool ShowColumnFundamentalStats(const WindowContext& context, const std::string& name, const double* data,
                                const double* leverage, int n, int k, const int* numbers) {
    const ColumnFigures figures = FiguresToShow(context.Services(), data, leverage, n, k, numbers);
    return ShowFundamentalStats(context, name, figures.values.data(), static_cast<int>(figures.values.size()),
                                figures.observation, figures.numbers);
}

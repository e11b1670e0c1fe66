#include "core/model/final_form_plot.h"

#include "core/data/data_set.h"
#include "core/io/final_form_storage.h"
#include "core/numeric/time_series.h"
#include "resources/string_table.h"

std::optional<FinalFormPlot> BuildFinalFormPlot(const Data& data, const FFList& list, int index, bool residuals) {
    if (index < 0 || index >= list.GetCount()) return std::nullopt;
    const FFElement element = list.GetElement(index);
    const std::string name = element.GetName();
    const int j = data.FindVar(name);
    if (j < 0 || j >= data.GetVarCount()) return std::nullopt;
    FinalFormPlot plot;
    if (!element.Evaluate(data, plot.x)) return std::nullopt;
    data.GetVarValues(j, plot.y);
    plot.xTitle = name + LoadStr(kStrPredicted);
    if (residuals) {
        for (std::size_t i = 0; i < plot.y.size(); ++i) plot.y[i] -= plot.x[i];
        StandardizeSeries(plot.y.data(), static_cast<int>(plot.y.size()));
        plot.yTitle = name + LoadStr(kStrStandardizedResidual);
    } else {
        plot.yTitle = name + LoadStr(kStrObserved);
    }
    return plot;
}

#include "components/plot/free_lines.h"

#include "components/plot/core/xy_plot_core.h"
#include "core/numeric/xy_data.h"

FreeLineState& FreeLines() {
    static FreeLineState state;
    return state;
}

void DrawFreeLines() {
    const FreeLineState& s = FreeLines();
    if (!s.list || !s.plot) return;
    for (int i = 0; i < s.list->Count(); ++i) s.plot->DispLine(*s.list->GetItem(i), s.swap);
}

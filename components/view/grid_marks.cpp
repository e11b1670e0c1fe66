#include "components/view/grid_marks.h"

#include <algorithm>

bool IsMarked(const Selekto& marks, int i) {
    return i >= 0 && i < marks.Count() && marks.Flags()[static_cast<std::size_t>(i)] != 0;
}

int CountMarked(const Selekto& marks) {
    return static_cast<int>(std::count_if(marks.Flags().begin(), marks.Flags().end(), [](auto f) { return f != 0; }));
}

void SetObservationMarkRange(Selekto& marks, int from, int to, bool value, int count) {
    if (from > to) std::swap(from, to);
    from = std::max(from, 0);
    to = std::min(to, count - 1);
    for (int i = from; i <= to; ++i) marks.Set(i, value ? 1 : 0);
}

void MarkObservationsByClick(Selekto& marks, int& anchor, const MarkKeys& keys, int obs, int count) {
    if (obs < 0 || obs >= count) return;
    if (keys.shift && anchor >= 0) {
        SetObservationMarkRange(marks, anchor, obs, true, count);
        anchor = -1;
        return;
    }
    if (keys.ctrl && keys.alt) {
        marks.Set(obs, 0);
    } else if (keys.ctrl) {
        marks.Set(obs, 1);
    } else if (!keys.alt) {
        marks.Clear();
        anchor = obs;
        marks.Set(obs, 1);
    } else {
        marks.Clear();
    }
}

void FitObservationMarks(Selekto& marks, int& anchor, int count) {
    marks.Resize(count);
    if (anchor >= count) anchor = -1;
}

void ClickColumnMark(Selekto* const (&all)[3], Selekto& own, bool ctrl, int index) {
    if (!ctrl)
        for (Selekto* s : all) s->Clear();
    own.Set(index, own.Get(index) ? 0 : 1);
}

#include "core/model/group_edits.h"

#include <algorithm>

#include "core/data/group_mask.h"
#include "core/model/regression_model.h"
#include "core/model/undo_store.h"

int GroupCodeFromText(const Reg& model, const std::string& text) {
    int code = model.GetGroupCode(text);
    if (code < 0) GroupBitFromText(text, &code);
    return code >= 1 && code <= 16 ? code : 0;
}

std::uint16_t GroupMaskFromText(const Reg& model, const std::string& text) {
    return GroupBit(GroupCodeFromText(model, text));
}

void SetGroupFlagsWithUndo(const DataEdit& ed, const std::vector<std::uint8_t>& rowFlags,
                           const std::vector<std::uint8_t>& colFlags, std::uint16_t mask) {
    if (mask == 0) return;
    Reg& m = ed.model;
    const int n = std::min<int>(m.GetObsCount(), static_cast<int>(rowFlags.size()));
    const int k = std::min<int>(m.GetVarCount(), static_cast<int>(colFlags.size()));
    int rows = 0, cols = 0;
    for (int i = 0; i < n; ++i) rows += rowFlags[i] ? 1 : 0;
    for (int j = 0; j < k; ++j) cols += colFlags[j] ? 1 : 0;
    if (rows == 0 || cols == 0) return;
    const GroupUndoBlock block = SaveGroupUndo(m, GroupUndoSink{}, true, rows * cols, rowFlags, colFlags);
    ed.store.PushGroupMarks(m, block);
    for (int i = 0; i < n; ++i) {
        if (!rowFlags[i]) continue;
        for (int j = 0; j < k; ++j)
            if (colFlags[j]) m.SetMark(i, j, static_cast<std::uint16_t>(m.GetMark(i, j) | mask));
    }
}

void ClearAllGroups(Reg& model) {
    const int n = model.GetObsCount(), k = model.GetVarCount();
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < k; ++j)
            if (model.GetMark(i, j) != 0) model.SetMark(i, j, 0);
}

// Keys as the windows read them: the modifier keys of a click for the mark
// rules of the grids, and the two keys that mean Enter.
#pragma once

#include <Qt>

#include "components/view/grid_marks.h"

inline MarkKeys KeysOf(Qt::KeyboardModifiers mods) {
    return {(mods & Qt::ShiftModifier) != 0, (mods & Qt::ControlModifier) != 0, (mods & Qt::AltModifier) != 0};
}

// Return on the main keyboard or Enter on the keypad.
inline bool IsEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

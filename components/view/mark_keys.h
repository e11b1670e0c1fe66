// The modifier keys of a click, as the mark rules of the grids read them.
#pragma once

#include <Qt>

#include "components/view/grid_marks.h"

inline MarkKeys KeysOf(Qt::KeyboardModifiers mods) {
    return {(mods & Qt::ShiftModifier) != 0, (mods & Qt::ControlModifier) != 0, (mods & Qt::AltModifier) != 0};
}

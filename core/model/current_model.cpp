#include "core/model/current_model.h"

namespace {
Reg* current = nullptr;
}  // namespace

Reg* CurrentModel() { return current; }

void SetCurrentModel(Reg* model) { current = model; }

// The program's one current data set and regression model.
//
// The main window owns the model; it registers it here whenever it opens,
// replaces or closes one, so that code with no window at hand (the
// expression evaluator, the data-edit commands) reaches the same object.
// Null while no data set is open.
#pragma once

class Reg;

Reg* CurrentModel();
// The caller keeps ownership; pass nullptr before destroying the model.
void SetCurrentModel(Reg* model);

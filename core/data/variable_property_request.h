// What the variable information dialog is opened with by another window:
// the caller's own variable, shown and, when allowed, renamed in place; the
// caller reads the name back after OK. Plain C++, so any window can fill one.
#pragma once

class Var;

struct VariablePropertyRequest {
    // The caller's; it must outlive the dialog.
    Var* variable = nullptr;
    bool renameAllowed = false;
};

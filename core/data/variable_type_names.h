// The names of the four variable types (undefined, endogenous, exogenous,
// lagged endogenous), as lists, dialogs and reports show them.
#pragma once

#include <string>

// The type's name; a type outside 0..3 gives the name of type 0.
const std::string& GetVarTypeName(int type);
// The type whose name this is; 0 for a text that names no type.
int FindVarType(const std::string& name);

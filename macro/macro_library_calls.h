// How a macro run reaches the macro library: the MOD instruction calls a
// library macro by index and checks it by the name it was compiled against.
#pragma once

#include <string>
#include <vector>

class MacroLibraryCalls {
public:
    virtual ~MacroLibraryCalls() = default;
    // The index to call for a MOD compiled against index and name (name null:
    // nothing to check): index itself while that entry still has the name,
    // else the entry of that name; -1 when there is none.
    virtual int ResolveLibraryMacro(int index, const std::string* name) const = 0;
    // Runs the entry with the argument texts (UTF-8) and returns its value.
    virtual double CallLibraryMacro(int index, const std::vector<std::string>& arguments) = 0;
};

// Asks the user which explanatory variable a residual plot is to be drawn
// against, the names offered as a list.
#pragma once

#include <string>
#include <vector>

class UiServices;

// The index in names of the chosen variable; -1 when the user cancels or
// types a name that is not in the list.
int ChooseExplanatory(UiServices& ui, const std::vector<std::string>& names);

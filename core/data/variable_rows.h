// A new variable made of chosen observations of another one.
#pragma once

#include <memory>
#include <string>

#include "core/data/selekto.h"
#include "core/data/variable.h"

// The values and group words of source's marked observations in their
// order, under name with the comment "imported"; marks past the end of
// source are ignored.
std::unique_ptr<Var> VariableOfMarkedRows(const Var& source, const Selekto& marks, const std::string& name);

// How many observations of a variable of count values the marks choose.
int CountMarkedRows(const Selekto& marks, int count);

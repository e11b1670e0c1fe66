// Texts of the keyword sections of the text data file as the writer puts
// them down: plain where the reader takes the text back as it is, quoted
// where only quotes protect it, and refused (EWriteError naming the item)
// where the reader cannot give it back at all, so that no written file
// reads back different. The reader's own item parsing that the writer
// mirrors lives here too.
#pragma once

#include <string>

#include "core/data/equation.h"

class Data;
class GroupName;
class UserVar;

// One "#expres" item: an equation whose right side may be empty. names
// holds the data set's variables. Throws the equation's errors.
Expres EquationFromText(const std::string& item, const Data& names);

// The written forms. Each throws EWriteError when the text cannot be
// written so that it reads back the same.
std::string VariablePropertyItem(const Data& data, int j);
std::string DataSetTextItem(const std::string& key, const std::string& text);
std::string GroupNameItem(const std::string& name, int code);
std::string EquationItem(const Expres& equation, const Data& names);
void CheckUserScalarNames(const UserVar& scalars);

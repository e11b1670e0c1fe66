// Variable names in the table of the text data file: the header line is
// split at "," TAB CR LF, its fields are trimmed and a field is a name only
// when it begins with an ASCII letter, "_" or a double-byte character; the
// keyword sections quote with '"' and find a property's owner at the first
// "/" that leaves a variable's name before it. A name those rules would read
// back otherwise cannot be written in the text form.
#pragma once

#include <string>
#include <vector>

// Why the name cannot stand in the header ("" when it can); names are the
// data set's names in table order, j the one asked about.
std::string TextTableNameProblem(const std::vector<std::string>& names, std::size_t j);

// The name as a message may show it: control bytes (a NUL among them, which
// would cut the message) become "\xNN".
std::string ShownName(const std::string& name);

// EWriteError naming the first variable whose name cannot be written.
void CheckTextTableNames(const std::vector<std::string>& names);

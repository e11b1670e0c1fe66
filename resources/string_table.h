// The program's string table: column titles, number pictures, messages and
// the evaluator's error names, looked up by id wherever they are shown.
#pragma once

#include <string>

// The text of string id (1 .. 83); the empty text for an unknown id.
const std::string& LoadStr(int id);

// Texts cross into Qt here: the program keeps UTF-8 in std::string, Qt wants
// QString.
#pragma once

#include <QString>
#include <string>

inline QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

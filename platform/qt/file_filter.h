// The program's file-dialog filters in the form Qt's file dialogs take.
#pragma once

#include <QStringList>
#include <string>

// "description|pattern|description|pattern..." to Qt name filters
// "description (patterns)". Patterns are matched case-sensitively on Linux,
// so every "*.EXT" also gets its other letter case ("*.MDF" finds ".mdf"),
// and "*.*" becomes "*" so that names without a dot are listed too.
QStringList ToQtNameFilters(const std::string& filter);

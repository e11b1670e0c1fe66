// Qt's own texts (the file and colour dialogs, the standard buttons, the
// context menus of the edit fields) in Japanese, as the rest of the program.
#pragma once

class QCoreApplication;

// Installs the Qt base translation for Japanese from Qt's translation
// folder; false when it is not installed (Qt's own texts stay English).
bool InstallJapaneseQtTranslations(QCoreApplication& app);

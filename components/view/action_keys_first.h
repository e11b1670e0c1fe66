// Lets chosen action shortcuts through an edit field. A line edit claims
// Ctrl+A (select all) and, on X11, Ctrl+U (delete the line) for itself, so
// the main window's input line would swallow the keys of the assistant and
// of the user-definition window.
#pragma once

#include <vector>

class QAction;
class QWidget;

// While edit has the focus, the shortcuts of these actions reach them.
void LetActionKeysPass(QWidget* edit, std::vector<QAction*> actions);

// Lets chosen action shortcuts through an edit field. A line edit claims
// Ctrl+A (select all) and, on X11, Ctrl+U (delete the line) for itself, so
// the main window's input line would swallow the keys of the assistant and
// of the user-definition window.
#pragma once

#include <functional>
#include <vector>

class QAction;
class QWidget;

// While edit has the focus, the shortcuts of these actions reach them.
void LetActionKeysPass(QWidget* edit, std::vector<QAction*> actions);

// While edit has the focus and editing() is false, the keys of these
// actions are the actions' alone: an enabled action runs, a disabled one
// leaves the key unused (the edit does not take it either). While
// editing() is true the edit keeps its own editing keys.
void RouteActionKeys(QWidget* edit, std::vector<QAction*> actions, std::function<bool()> editing);

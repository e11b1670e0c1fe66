// Commands of the analysis windows built one way: a QAction carrying its
// object name (tests find it by that), its shortcut, its hint as tool tip
// and status tip, and a handler run under the command guard; a push button
// likewise. The window keeps the action so that the shortcut works even
// when the tool bar does not show it.
#pragma once

#include <QKeySequence>

#include <functional>

class AppState;
class QAction;
class QMenu;
class QPushButton;
class QToolBar;
class QWidget;

// Adds the action to the window and, when bar is given, to the tool bar.
// An empty handler leaves the action unconnected (the caller wires it).
QAction* AddWindowAction(QWidget* window, QToolBar* bar, AppState& state, const char* name, const char* caption,
                         const QKeySequence& shortcut, const char* hint, std::function<void()> handler);

// A push button that never takes Enter as the dialog's default.
QPushButton* AddWindowButton(QWidget* parent, AppState& state, const char* name, const char* caption,
                             std::function<void()> handler);

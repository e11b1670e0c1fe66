// The status bar of an analysis window and the hints it shows: the long
// hint of the action under the mouse goes to the window's own bar (a dialog
// has none of its own to catch it). The hint travels to the window it
// arises in, so a window that has closed never holds the hints of another.
#pragma once

class QEvent;
class QLabel;
class QStatusBar;
class QWidget;

// A status bar named for the tests, without a size grip (the dialog's
// frame already resizes the window).
QStatusBar* NewStatusBar(QWidget* parent, const char* name = "SB");

// Shows a status-tip event on bar; true when the event was one, so that
//   return ShowStatusTip(e, SB) || Base::event(e);
// handles it in the window's event().
bool ShowStatusTip(QEvent* event, QStatusBar* bar);

// The same for a bar made of panels: the hint goes to the panel (the first
// one, as a rule), whose text it replaces.
bool ShowStatusTip(QEvent* event, QLabel* panel);

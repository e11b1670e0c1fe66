// The status bar of an analysis window and the hints it shows: the long
// hint of the action under the mouse goes to the window's own bar (a dialog
// has none of its own to catch it).
#pragma once

class QEvent;
class QStatusBar;
class QWidget;

// A status bar named for the tests, without a size grip (the dialog's
// frame already resizes the window).
QStatusBar* NewStatusBar(QWidget* parent, const char* name = "SB");

// Shows a status-tip event on bar; true when the event was one, so that
//   return ShowStatusTip(e, SB) || Base::event(e);
// handles it in the window's event().
bool ShowStatusTip(QEvent* event, QStatusBar* bar);

// The lag menu of the e-e plot: "two, three or four periods back", hung as a
// drop-down on the plot's tool button, and Ctrl+E ("EELagx") to open it from
// the keyboard.
#pragma once

#include <functional>

class AppState;
class QAction;
class QMenu;
class QToolBar;
class QWidget;

// Builds the menu "pmEELag" (items "mnuEE2".."mnuEE4") and attaches it to the
// button of eePlot on the bar. plotLag(lag) draws the residuals against
// those lag periods back; it runs under the command guard.
QMenu* AttachResidualLagMenu(QWidget* window, QToolBar* bar, QAction* eePlot, AppState& state,
                             std::function<void(int lag)> plotLag);

// The Ctrl+E action of the window: pops the menu up below the button of
// eePlot, drop pixels down (the button's height when negative), or at the
// mouse when the bar does not show the button.
QAction* AddResidualLagKey(QWidget* window, QToolBar* bar, QAction* eePlot, QMenu* menu, AppState& state,
                           int drop = -1);

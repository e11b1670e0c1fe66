#include "components/view/window_status_bar.h"

#include <QLabel>
#include <QStatusBar>
#include <QStatusTipEvent>

QStatusBar* NewStatusBar(QWidget* parent, const char* name) {
    auto* bar = new QStatusBar(parent);
    bar->setObjectName(name);
    bar->setSizeGripEnabled(false);
    return bar;
}

bool ShowStatusTip(QEvent* event, QStatusBar* bar) {
    if (event->type() != QEvent::StatusTip) return false;
    bar->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
}

bool ShowStatusTip(QEvent* event, QLabel* panel) {
    if (event->type() != QEvent::StatusTip) return false;
    panel->setText(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
}

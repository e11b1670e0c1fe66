#include "components/view/residual_lag_menu.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include <utility>

#include "components/view/guarded_slot.h"
#include "components/view/window_actions.h"

QMenu* AttachResidualLagMenu(QWidget* window, QToolBar* bar, QAction* eePlot, AppState& state,
                             std::function<void(int lag)> plotLag) {
    auto* menu = new QMenu(window);
    menu->setObjectName("pmEELag");
    const char* names[] = {"mnuEE2", "mnuEE3", "mnuEE4"};
    const char* captions[] = {"二期前(&2)", "三期前(&3)", "四期前(&4)"};
    for (int lag = 2; lag <= 4; ++lag) {
        QAction* item = menu->addAction(captions[lag - 2]);
        item->setObjectName(names[lag - 2]);
        QObject::connect(item, &QAction::triggered, window, Guarded(state, [plotLag, lag] { plotLag(lag); }));
    }
    if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(eePlot))) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    return menu;
}

QAction* AddResidualLagKey(QWidget* window, QToolBar* bar, QAction* eePlot, QMenu* menu, AppState& state, int drop) {
    return AddWindowAction(window, nullptr, state, "EELagx", "", QKeySequence("Ctrl+E"), "", [bar, eePlot, menu, drop] {
        QWidget* button = bar->widgetForAction(eePlot);
        if (!button) {
            menu->popup(QCursor::pos());
            return;
        }
        menu->popup(button->mapToGlobal(QPoint(0, drop < 0 ? button->height() : drop)));
    });
}

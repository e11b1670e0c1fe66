#include "components/view/window_actions.h"

#include <QAction>
#include <QPushButton>
#include <QToolBar>

#include <utility>

#include "components/view/guarded_slot.h"

QAction* AddWindowAction(QWidget* window, QToolBar* bar, AppState& state, const char* name, const char* caption,
                         const QKeySequence& shortcut, const char* hint, std::function<void()> handler) {
    auto* action = new QAction(caption, window);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    if (handler) QObject::connect(action, &QAction::triggered, window, Guarded(state, std::move(handler)));
    if (bar) bar->addAction(action);
    window->addAction(action);
    return action;
}

QPushButton* AddWindowButton(QWidget* parent, AppState& state, const char* name, const char* caption,
                             std::function<void()> handler) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, parent,
                     Guarded(state, [handler = std::move(handler)](bool) { handler(); }));
    return button;
}

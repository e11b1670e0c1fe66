#include "components/view/action_keys_first.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

namespace {

class ActionKeysFirst : public QObject {
public:
    ActionKeysFirst(QWidget* edit, std::vector<QAction*> actions) : QObject(edit), actions_(std::move(actions)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (QAction* a : actions_) {
            if (a && a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == pressed) {
                // Not overridden: the shortcut map gives the key to the action.
                event->ignore();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::vector<QAction*> actions_;
};

class ActionKeysOnly : public QObject {
public:
    ActionKeysOnly(QWidget* edit, std::vector<QAction*> actions, std::function<bool()> editing)
        : QObject(edit), actions_(std::move(actions)), editing_(std::move(editing)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || (editing_ && editing_()))
            return QObject::eventFilter(watched, event);
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (QAction* a : actions_) {
            if (!a || a->shortcut().isEmpty() || a->shortcut() != pressed) continue;
            if (type == QEvent::ShortcutOverride) {
                // Not overridden: the shortcut map gives the key to the action.
                event->ignore();
                return true;
            }
            // The key press itself arrives only when no action took it (it is
            // disabled): it is used up here, not pasted or undone in the edit.
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::vector<QAction*> actions_;
    std::function<bool()> editing_;
};

// An ignored key goes on to the parents, and a combo box hands it back to
// its edit; so the parents up to the window are watched too.
void WatchUpToWindow(QWidget* edit, QObject* filter) {
    for (QWidget* w = edit; w && !w->isWindow(); w = w->parentWidget()) w->installEventFilter(filter);
}

}  // namespace

void LetActionKeysPass(QWidget* edit, std::vector<QAction*> actions) {
    if (!edit) return;
    WatchUpToWindow(edit, new ActionKeysFirst(edit, std::move(actions)));
}

void RouteActionKeys(QWidget* edit, std::vector<QAction*> actions, std::function<bool()> editing) {
    if (!edit) return;
    WatchUpToWindow(edit, new ActionKeysOnly(edit, std::move(actions), std::move(editing)));
}

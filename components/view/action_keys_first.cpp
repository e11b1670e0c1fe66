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

}  // namespace

void LetActionKeysPass(QWidget* edit, std::vector<QAction*> actions) {
    if (!edit) return;
    // An ignored key goes on to the parents, and a combo box hands it back
    // to its edit; so the parents up to the window are watched too.
    auto* filter = new ActionKeysFirst(edit, std::move(actions));
    for (QWidget* w = edit; w && !w->isWindow(); w = w->parentWidget()) w->installEventFilter(filter);
}

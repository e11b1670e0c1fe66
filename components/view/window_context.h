// What every window is built with: the program state (and through it the
// services), the widget that owns it and how the input assistant is
// reached. Windows take this instead of a main window, so that any window
// can open any other.
#pragma once

#include <functional>
#include <string>

class AppState;
class QWidget;
class UiServices;

class WindowContext {
public:
    // Opens the input assistant on the text; true and the new text on OK.
    using InputAssistant = std::function<bool(std::string& text)>;

    explicit WindowContext(AppState& state, QWidget* owner = nullptr, InputAssistant assistant = {})
        : state_(&state), owner_(owner), assistant_(std::move(assistant)) {}

    AppState& State() const { return *state_; }
    // The services the state has now.
    UiServices& Services() const;
    QWidget* Owner() const { return owner_; }
    // Empty where the program has no shared assistant; a field then makes
    // its own.
    const InputAssistant& Assistant() const { return assistant_; }

    // The same context for a window owned by another widget.
    WindowContext WithOwner(QWidget* owner) const {
        WindowContext c = *this;
        c.owner_ = owner;
        return c;
    }

private:
    AppState* state_;
    QWidget* owner_;
    InputAssistant assistant_;
};

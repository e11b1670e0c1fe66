// The one place where an error becomes a message: a user command (a menu
// action, a dialog's OK, a macro statement, a user-function body) runs
// inside GuardCommand, and whatever it raises is shown in an error box with
// its message, the command then giving its error value. Engine code below
// the commands only raises; it never shows an error itself.
#pragma once

#include <exception>
#include <new>
#include <string>
#include <utility>

#include "platform/errors.h"
#include "platform/ui_services.h"

// The message shown for an error that reached the command boundary.
std::string CommandErrorMessage(const std::exception& error);

// Shows the error box for an error that reached the command boundary.
void ShowCommandError(UiServices& services, const std::exception& error);

// Runs command() and returns its value; on an error shows it and returns
// onError.
template <class Command, class T>
T GuardCommand(UiServices& services, Command&& command, T onError) {
    try {
        return std::forward<Command>(command)();
    } catch (const std::bad_alloc&) {
        ShowCommandError(services, EOutOfMemory());
    } catch (const std::exception& e) {
        ShowCommandError(services, e);
    }
    return onError;
}

// The same for a command without a value: true when it ran to its end.
template <class Command>
bool GuardCommand(UiServices& services, Command&& command) {
    return GuardCommand(
        services,
        [&] {
            std::forward<Command>(command)();
            return true;
        },
        false);
}

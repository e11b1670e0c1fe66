#include "platform/command_guard.h"

std::string CommandErrorMessage(const std::exception& error) {
    const std::string text = error.what();
    // An error without a text of its own still says what kind it was.
    return text.empty() ? std::string("エラーが発生しました。") : text;
}

void ShowCommandError(UiServices& services, const std::exception& error) {
    // Its message is on the screen already; a second box would only say
    // that something went wrong.
    if (dynamic_cast<const EAlreadyShown*>(&error)) return;
    // A failing box must not turn one error into two.
    try {
        ErrorBox(services, CommandErrorMessage(error));
    } catch (...) {
    }
}

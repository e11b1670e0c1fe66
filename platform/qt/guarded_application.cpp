#include "platform/qt/guarded_application.h"

#include <new>

#include "platform/command_guard.h"

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void GuardedApplication::ReportEscapedError(UiServices& services, std::exception_ptr error) noexcept {
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        ShowCommandError(services, EOutOfMemory());
    } catch (const std::exception& e) {
        ShowCommandError(services, e);
    } catch (...) {
        ShowCommandError(services, Exception(""));
    }
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // An error inside the error box must not recurse into another box.
        if (!reporting_) {
            reporting_ = true;
            ReportEscapedError(services_ ? *services_ : silent_, std::current_exception());
            reporting_ = false;
        }
    }
    return false;
}

// The application object with a last-resort catch: no exception ever
// leaves an event handler into Qt's event loop. Slots run inside
// GuardCommand themselves; what still escapes is shown here the same way.
#pragma once

#include <QApplication>

#include "platform/ui_services.h"

class GuardedApplication : public QApplication {
    Q_OBJECT
public:
    GuardedApplication(int& argc, char** argv);

    // Where escaped errors are shown; null: silent services.
    void SetServices(UiServices* services) { services_ = services; }

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error that reached the top; never throws.
    static void ReportEscapedError(UiServices& services, std::exception_ptr error) noexcept;

private:
    UiServices* services_ = nullptr;
    SilentServices silent_;
    bool reporting_ = false;
};

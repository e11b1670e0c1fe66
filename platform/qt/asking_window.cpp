#include "platform/qt/asking_window.h"

#include <QApplication>
#include <QTimer>

namespace {

constexpr int kRetryMs = 50;
// Set on a window while its keyboard is waiting to come back: prompt after
// prompt (cell by cell entry) keeps one wait, not one per prompt.
const char* const kReturnPending = "keyboardReturnPending";

void WaitAndReturn(QPointer<QWidget> window) {
    QTimer::singleShot(kRetryMs, window, [window] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != window) {
            WaitAndReturn(window);
            return;
        }
        window->setProperty(kReturnPending, false);
        // A window the work opened keeps the activation.
        if (QApplication::activeWindow() || !window->isVisible()) return;
        window->raise();
        window->activateWindow();
    });
}

void ReturnKeyboard(QPointer<QWidget> window) {
    if (!window || window->property(kReturnPending).toBool()) return;
    window->setProperty(kReturnPending, true);
    WaitAndReturn(window);
}

}  // namespace

AskingWindow::AskingWindow(QWidget* fallback) {
    QWidget* active = QApplication::activeWindow();
    window_ = active ? active : (fallback ? fallback->window() : nullptr);
}

AskingWindow::~AskingWindow() { ReturnKeyboard(window_); }

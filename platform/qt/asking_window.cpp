#include "platform/qt/asking_window.h"

#include <QApplication>
#include <QTimer>

namespace {

constexpr int kRetryMs = 50;

void ReturnKeyboard(QPointer<QWidget> window) {
    if (!window) return;
    QTimer::singleShot(kRetryMs, window, [window] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != window) {
            ReturnKeyboard(window);
            return;
        }
        // A window the work opened keeps the activation.
        if (QApplication::activeWindow() || !window->isVisible()) return;
        window->raise();
        window->activateWindow();
    });
}

}  // namespace

AskingWindow::AskingWindow(QWidget* fallback) {
    QWidget* active = QApplication::activeWindow();
    window_ = active ? active : (fallback ? fallback->window() : nullptr);
}

AskingWindow::~AskingWindow() { ReturnKeyboard(window_); }

// The window that asked a question (a file or folder dialog, the one-line
// prompt, a message box) gets the keyboard back afterwards. Under X a
// dialog closed and followed at once by the progress window of the work it
// started can leave no window of the program active while the asking
// window still has the keyboard: no shortcut or menu key works then until
// a click.
#pragma once

#include <QPointer>
#include <QWidget>

class AskingWindow {
public:
    // The active window now (fallback when none is).
    explicit AskingWindow(QWidget* fallback);
    // Once no other modal window is up (the work's progress window, a
    // message): when no window of the program is active, the asking window
    // is activated and its focus widget has the focus again.
    ~AskingWindow();

    AskingWindow(const AskingWindow&) = delete;
    AskingWindow& operator=(const AskingWindow&) = delete;

private:
    QPointer<QWidget> window_;
};

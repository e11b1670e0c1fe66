// TInputDlg: the program's one modal one-line prompt.
//
// A prompt text over an editable combo box whose list offers choices. While
// Alt is held, the arrow keys, Home, End, N, K and T end the dialog with a
// navigation code (used for cell-by-cell entry); everything else edits the
// text as usual. Typing completes the text to the first choice it begins
// (the rest selected, taken by the first Return); a text that is a choice
// itself is never completed to a longer one. One instance lives for the
// whole run.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;

class TInputDlg : public QDialog {
    Q_OBJECT
public:
    explicit TInputDlg(QWidget* parent = nullptr);

    // Clears the text and the list, then sets the prompt.
    void SetPrompt(const std::string& text);
    // Empties the text, keeps the list, sets the prompt.
    void ResetPrompt(const std::string& text);
    void AddItem(const std::string& text);
    void AddItemUnique(const std::string& text);
    void RemoveItem(const std::string& text);
    void SetText(const std::string& text);
    std::string Text() const;
    std::string Prompt() const;
    int ItemCount() const;

    // The navigation code of a key with its modifiers, 0 when the key is no
    // navigation key (Alt not held, or another key).
    static int NavigationCode(int key, Qt::KeyboardModifiers modifiers);

    // What the assistant button runs: it gets the current text and gives
    // true with the composed expression in it. Without one the button is
    // disabled.
    void SetAssistHandler(std::function<bool(std::string&)> handler);

    QComboBox* eInput = nullptr;
    QLabel* stCaption = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* btnAssist = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void btnAssistClick();
    // Completes typed text to the first choice that begins with it, unless
    // the text is a choice itself.
    void CompleteTyped(const QString& typed);

    // The selected tail of the text is a completion not yet taken.
    bool completionShown_ = false;
    // The key being handled erases: no completion for it.
    bool erasing_ = false;
    std::function<bool(std::string&)> assist_;
};

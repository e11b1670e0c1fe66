#include "platform/qt/input_dlg.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui_services.h"

TInputDlg::TInputDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("InputDlg"));
    setWindowTitle(QStringLiteral("入力ダイアログ"));
    stCaption = new QLabel(this);
    stCaption->setObjectName(QStringLiteral("stCaption"));
    stCaption->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stCaption->setMinimumWidth(360);
    stCaption->setWordWrap(true);
    eInput = new QComboBox(this);
    eInput->setObjectName(QStringLiteral("eInput"));
    eInput->setEditable(true);
    eInput->setInsertPolicy(QComboBox::NoInsert);
    // The combo box's own completer would turn a choice into a longer one
    // that begins with it: completion is done here instead.
    eInput->setCompleter(nullptr);
    OKBtn = new QPushButton(QStringLiteral("設定(&O)"), this);
    CancelBtn = new QPushButton(QStringLiteral("取り消し(&C)"), this);
    btnAssist = new QPushButton(QStringLiteral("補助(&A)"), this);
    OKBtn->setDefault(true);
    btnAssist->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(btnAssist);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stCaption);
    layout->addWidget(eInput);
    layout->addLayout(buttons);
    setLayout(layout);
    connect(OKBtn, &QPushButton::clicked, this, [this] { done(mrOK); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(btnAssist, &QPushButton::clicked, this, [this] { btnAssistClick(); });
    // The combo box and its line edit would take Alt+Up/Down themselves
    // (opening the list): the dialog sees the keys first.
    eInput->installEventFilter(this);
    if (QLineEdit* line = eInput->lineEdit()) {
        line->installEventFilter(this);
        connect(line, &QLineEdit::textEdited, this, [this](const QString& typed) { CompleteTyped(typed); });
    }
}

void TInputDlg::CompleteTyped(const QString& typed) {
    completionShown_ = false;
    if (erasing_ || typed.isEmpty()) return;
    QLineEdit* line = eInput->lineEdit();
    if (!line || line->cursorPosition() != typed.size()) return;
    if (eInput->findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0) return;  // a choice as typed
    // A choice that differs in case only comes before the longer ones.
    int i = eInput->findText(typed, Qt::MatchFixedString);
    if (i < 0) i = eInput->findText(typed, Qt::MatchStartsWith);
    if (i < 0) return;
    const QString choice = eInput->itemText(i);
    line->setText(choice);
    line->setSelection(choice.size(), typed.size() - choice.size());
    completionShown_ = choice.size() > typed.size();
}

void TInputDlg::SetPrompt(const std::string& text) {
    completionShown_ = false;
    eInput->clear();
    eInput->setEditText(QString());
    stCaption->setText(QString::fromStdString(text));
}

void TInputDlg::ResetPrompt(const std::string& text) {
    completionShown_ = false;
    eInput->setEditText(QString());
    stCaption->setText(QString::fromStdString(text));
}

void TInputDlg::AddItem(const std::string& text) {
    const QString keep = eInput->currentText();
    eInput->addItem(QString::fromStdString(text));
    eInput->setEditText(keep);
}

void TInputDlg::AddItemUnique(const std::string& text) {
    if (eInput->findText(QString::fromStdString(text), Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) AddItem(text);
}

void TInputDlg::RemoveItem(const std::string& text) {
    const QString keep = eInput->currentText();
    const int i = eInput->findText(QString::fromStdString(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i >= 0) eInput->removeItem(i);
    eInput->setEditText(keep);
}

void TInputDlg::SetText(const std::string& text) {
    completionShown_ = false;
    eInput->setEditText(QString::fromStdString(text));
}
std::string TInputDlg::Text() const { return eInput->currentText().toStdString(); }
std::string TInputDlg::Prompt() const { return stCaption->text().toStdString(); }
int TInputDlg::ItemCount() const { return eInput->count(); }

int TInputDlg::NavigationCode(int key, Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::AltModifier)) return 0;
    const bool ctrl = (modifiers & Qt::ControlModifier) != 0;
    switch (key) {
        case Qt::Key_Left: return ctrl ? 200 : 100;
        case Qt::Key_Right: return ctrl ? 201 : 101;
        case Qt::Key_Home: return ctrl ? 202 : 102;
        case Qt::Key_End: return ctrl ? 203 : 103;
        case Qt::Key_Up: return ctrl ? 202 : 104;
        case Qt::Key_Down: return ctrl ? 203 : 105;
        case Qt::Key_N: return 106;
        case Qt::Key_K: return 107;
        case Qt::Key_T: return 108;
        default: return 0;
    }
}

bool TInputDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (event->type() == QEvent::KeyPress && watched == eInput->lineEdit()) {
            erasing_ = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete;
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && completionShown_ &&
                eInput->lineEdit()->hasSelectedText()) {
                // The first Return takes the completion, the next one the dialog.
                eInput->lineEdit()->end(false);
                completionShown_ = false;
                return true;
            }
        }
        const int code = NavigationCode(key->key(), key->modifiers());
        if (code != 0) {
            // Claim the key before any shortcut or mnemonic sees it.
            event->accept();
            if (event->type() == QEvent::KeyPress) done(code);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TInputDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    eInput->setFocus();
    if (eInput->lineEdit()) eInput->lineEdit()->selectAll();
}

void TInputDlg::SetAssistHandler(std::function<bool(std::string&)> handler) {
    assist_ = std::move(handler);
    btnAssist->setEnabled(static_cast<bool>(assist_));
}

void TInputDlg::btnAssistClick() {
    if (!assist_) return;
    std::string expression = Text();
    if (assist_(expression)) SetText(expression);
}

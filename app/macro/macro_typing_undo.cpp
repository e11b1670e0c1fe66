#include "app/macro/macro_typing_undo.h"

#include <QKeyEvent>
#include <QTextCursor>
#include <algorithm>

void TypingUndoRecord::Typed(int pos, const QString& added, const QString& replaced) {
    if (added.isEmpty()) return;
    if (kind_ == Kind::Typed && pos == start_ + length_) {
        length_ += static_cast<int>(added.size());
        text_ += replaced;
        return;
    }
    kind_ = Kind::Typed;
    start_ = pos;
    length_ = static_cast<int>(added.size());
    text_ = replaced;
}

void TypingUndoRecord::Deleted(int pos, const QString& removed, bool backward) {
    if (removed.isEmpty()) return;
    if (kind_ == Kind::Deleted) {
        if (backward && pos + removed.size() == start_) {
            start_ = pos;
            text_.prepend(removed);
            return;
        }
        if (pos == start_) {
            text_ += removed;
            return;
        }
    }
    kind_ = Kind::Deleted;
    start_ = pos;
    length_ = 0;
    text_ = removed;
}

void TypingUndoRecord::Close() {
    kind_ = Kind::None;
    start_ = 0;
    length_ = 0;
    text_.clear();
}

TextChange ChangeAt(const QString& before, const QString& after, int pos) {
    pos = std::clamp(pos, 0, static_cast<int>(std::min(before.size(), after.size())));
    const qsizetype room = std::min(before.size(), after.size()) - pos;
    qsizetype same = 0;
    while (same < room && before[before.size() - 1 - same] == after[after.size() - 1 - same]) ++same;
    return {before.mid(pos, before.size() - pos - same), after.mid(pos, after.size() - pos - same)};
}

TMacroEdit::TMacroEdit(QWidget* parent) : PasteSafeTextEdit(parent) {
    // The window keeps its own undo; the document's would also record the
    // colouring.
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

bool TMacroEdit::UndoTyping() {
    if (record_.IsEmpty()) return false;
    const int size = static_cast<int>(toPlainText().size());
    const int start = std::clamp(record_.Start(), 0, size);
    const int end = std::clamp(start + record_.Length(), start, size);
    const QString text = record_.Text();
    record_.Close();
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    cursor.setPosition(start + static_cast<int>(text.size()));
    setTextCursor(cursor);
    return true;
}

bool TMacroEdit::event(QEvent* event) {
    // Ctrl+Z and Ctrl+A belong to the window's actions (undo, add to the
    // library), not to the editor's own undo and select-all.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::SelectAll)) {
            key->ignore();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void TMacroEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo)) {
        emit UndoRequested();
        return;
    }
    const int key = event->key();
    // A modifier pressed on its own starts a combination; it changes nothing.
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
        key == Qt::Key_AltGr) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        record_.Close();
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Insert) {
        record_.Close();
        setOverwriteMode(!overwriteMode());
        emit OverwriteChanged(overwriteMode());
        return;
    }
    const bool removing = key == Qt::Key_Backspace || key == Qt::Key_Delete;
    const QString typed = event->text();
    const bool typing = !removing && !typed.isEmpty() &&
                        (typed[0].isPrint() || typed[0] == QLatin1Char('\r') || typed[0] == QLatin1Char('\t'));
    if (!removing && !typing) {
        // Escape, the arrows, Home, End, the page keys, function keys.
        record_.Close();
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    const QString before = toPlainText();
    const int from = textCursor().selectionStart();
    QPlainTextEdit::keyPressEvent(event);
    const QString after = toPlainText();
    const int pos = removing ? textCursor().position() : from;
    const TextChange change = ChangeAt(before, after, pos);
    if (removing)
        record_.Deleted(pos, change.removed, key == Qt::Key_Backspace);
    else
        record_.Typed(pos, change.added, change.removed);
}

void TMacroEdit::inputMethodEvent(QInputMethodEvent* event) {
    record_.Close();
    QPlainTextEdit::inputMethodEvent(event);
}

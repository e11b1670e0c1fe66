// The macro editor's one-step typing undo: one record of the last run of
// typed characters (with what they overwrote) or of characters removed by
// Delete and Backspace, and the editor that keeps it.
#pragma once

#include <QString>

#include "platform/qt/paste_safe_text_edit.h"

class TypingUndoRecord {
public:
    enum class Kind { None, Typed, Deleted };

    // added was typed at pos, replacing replaced (a selection, or the
    // characters overwritten). Continues the record when typed right after
    // it.
    void Typed(int pos, const QString& added, const QString& replaced);
    // removed was taken out at pos; backward for Backspace. Continues the
    // record when it touches it.
    void Deleted(int pos, const QString& removed, bool backward);
    void Close();

    Kind RecordKind() const { return kind_; }
    bool IsEmpty() const { return kind_ == Kind::None; }
    int Start() const { return start_; }
    // Typed characters in the text now (0 for a deletion).
    int Length() const { return length_; }
    // The characters to put back.
    const QString& Text() const { return text_; }

private:
    Kind kind_ = Kind::None;
    int start_ = 0;
    int length_ = 0;
    QString text_;
};

// What one key changed: the text at pos that was removed and the text
// added in its place, from the texts before and after the key.
struct TextChange {
    QString removed;
    QString added;
};
TextChange ChangeAt(const QString& before, const QString& after, int pos);

// The macro source editor: keys typed without Ctrl or Alt feed the typing
// record; navigation keys, Escape, Insert and the other control keys close
// it; Insert switches between insert and overwrite.
class TMacroEdit : public PasteSafeTextEdit {
    Q_OBJECT
public:
    explicit TMacroEdit(QWidget* parent = nullptr);

    const TypingUndoRecord& Record() const { return record_; }
    void CloseRecord() { record_.Close(); }
    // Puts back what the record took away and empties it; false when there
    // was nothing to undo.
    bool UndoTyping();
    bool Overwrite() const { return overwriteMode(); }

signals:
    void OverwriteChanged(bool overwrite);
    // Ctrl+Z, which the window's undo action answers.
    void UndoRequested();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    TypingUndoRecord record_;
};

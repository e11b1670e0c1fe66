#include "platform/qt/paste_safe_text_edit.h"

#include <QMimeData>

PasteSafeTextEdit::PasteSafeTextEdit(QWidget* parent) : QPlainTextEdit(parent) {}

bool PasteSafeTextEdit::HasPastableData(const QMimeData* source) { return source && !source->formats().isEmpty(); }

bool PasteSafeTextEdit::canInsertFromMimeData(const QMimeData* source) const {
    return HasPastableData(source) && QPlainTextEdit::canInsertFromMimeData(source);
}

void PasteSafeTextEdit::insertFromMimeData(const QMimeData* source) {
    if (!HasPastableData(source)) return;
    QPlainTextEdit::insertFromMimeData(source);
}

#include "app/macro/macro_colouring.h"

#include <QPlainTextEdit>
#include <QTextCharFormat>
#include <QTextCursor>
#include <algorithm>

#include "eval/reserved_words.h"

namespace {

bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

bool WholeWordAt(const QString& text, int at, int length) {
    if (at > 0 && IsWordChar(text[at - 1])) return false;
    const int end = at + length;
    return end >= text.size() || !IsWordChar(text[end]);
}

const std::vector<QString>& ReservedWordTexts() {
    static const std::vector<QString> words = [] {
        std::vector<QString> w;
        w.reserve(kReservedWordCount);
        for (int i = 0; i < kReservedWordCount; ++i) w.push_back(QString::fromUtf8(ReservedWords[i]));
        return w;
    }();
    return words;
}

}  // namespace

int MacroLineStart(const QString& text, int caret) {
    caret = std::clamp(caret, 0, static_cast<int>(text.size()));
    if (caret == 0) return 0;
    const int newline = static_cast<int>(text.lastIndexOf(QLatin1Char('\n'), caret - 1));
    return newline < 0 ? 0 : newline + 1;
}

std::vector<MacroColourSpan> MacroColourSpans(const QString& text, int start) {
    const int size = static_cast<int>(text.size());
    start = std::clamp(start, 0, size);
    std::vector<MacroColourSpan> spans;
    if (start < size) spans.push_back({start, size - start, MacroColour::Plain});
    // Every search moves on past its hit, so each loop ends.
    for (const QString& word : ReservedWordTexts()) {
        const int length = static_cast<int>(word.size());
        for (int at = static_cast<int>(text.indexOf(word, start)); at >= 0;
             at = static_cast<int>(text.indexOf(word, at + length))) {
            if (WholeWordAt(text, at, length)) spans.push_back({at, length, MacroColour::Reserved});
        }
    }
    // Block comments are looked for from the top: an edit may be inside one.
    for (int at = static_cast<int>(text.indexOf(QStringLiteral("/*"))); at >= 0;) {
        const int close = static_cast<int>(text.indexOf(QStringLiteral("*/"), at + 2));
        const int end = close < 0 ? size : close + 2;
        spans.push_back({at, end - at, MacroColour::Comment});
        if (close < 0) break;
        at = static_cast<int>(text.indexOf(QStringLiteral("/*"), end));
    }
    for (int at = static_cast<int>(text.indexOf(QStringLiteral("//"), start)); at >= 0;) {
        const int newline = static_cast<int>(text.indexOf(QLatin1Char('\n'), at + 2));
        const int end = newline < 0 ? size : newline;
        spans.push_back({at, end - at, MacroColour::Comment});
        if (newline < 0) break;
        at = static_cast<int>(text.indexOf(QStringLiteral("//"), end));
    }
    return spans;
}

QColor MacroColourValue(MacroColour colour) {
    switch (colour) {
        case MacroColour::Reserved: return QColor(0, 0, 255);
        case MacroColour::Comment: return QColor(0, 128, 0);
        case MacroColour::Plain: break;
    }
    return QColor(0, 0, 0);
}

void ColourMacroSource(QPlainTextEdit& edit, int start) {
    QTextDocument* doc = edit.document();
    const QString text = doc->toPlainText();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (const MacroColourSpan& span : MacroColourSpans(text, start)) {
        cursor.setPosition(span.start);
        cursor.setPosition(span.start + span.length, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setForeground(MacroColourValue(span.colour));
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
}

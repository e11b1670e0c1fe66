#include "components/view/input_assist_text.h"

#include <algorithm>

int CaretLeft(const QString& text, int caret) {
    caret = std::clamp(caret, 0, static_cast<int>(text.size()));
    if (caret == 0) return 0;
    --caret;
    if (caret > 0 && text.at(caret).isLowSurrogate() && text.at(caret - 1).isHighSurrogate()) --caret;
    return caret;
}

int CaretRight(const QString& text, int caret) {
    const int n = static_cast<int>(text.size());
    caret = std::clamp(caret, 0, n);
    if (caret == n) return n;
    ++caret;
    if (caret < n && text.at(caret).isLowSurrogate() && text.at(caret - 1).isHighSurrogate()) ++caret;
    return caret;
}

AssistEdit DeleteBeforeCaret(const QString& text, int caret) {
    const int end = std::clamp(caret, 0, static_cast<int>(text.size()));
    const int start = CaretLeft(text, end);
    QString out = text;
    out.remove(start, end - start);
    return {out, start};
}

AssistEdit DeleteAtCaret(const QString& text, int caret) {
    const int start = std::clamp(caret, 0, static_cast<int>(text.size()));
    const int end = CaretRight(text, start);
    QString out = text;
    out.remove(start, end - start);
    return {out, start};
}

QString WordBeforeCaret(const QString& text, int caret) {
    const int end = std::clamp(caret, 0, static_cast<int>(text.size()));
    int start = end;
    while (start > 0 && text.at(start - 1).isLetterOrNumber()) --start;
    return text.mid(start, end - start);
}

QString VariableItemText(const QString& item) {
    return item.startsWith(QLatin1Char('@')) ? item : QStringLiteral("#") + item;
}

QString FunctionItemText(const QString& item) { return item + QStringLiteral("("); }

// The text edits of the expression assistant's keys, on whole characters:
// a character outside the basic plane (two UTF-16 units) is moved over and
// deleted as one, so no key ever leaves half a character behind.
#pragma once

#include <QString>

struct AssistEdit {
    QString text;
    int caret = 0;
    bool operator==(const AssistEdit&) const = default;
};

// The caret one character to the left or right (clamped to the text).
int CaretLeft(const QString& text, int caret);
int CaretRight(const QString& text, int caret);

// "BS": the character before the caret goes; "DEL": the one at the caret.
AssistEdit DeleteBeforeCaret(const QString& text, int caret);
AssistEdit DeleteAtCaret(const QString& text, int caret);

// The letters and digits directly before the caret.
QString WordBeforeCaret(const QString& text, int caret);

// What a picked item inserts: a variable as "#" + its name (a user scalar's
// "@" name unchanged), a function name followed by "(".
QString VariableItemText(const QString& item);
QString FunctionItemText(const QString& item);

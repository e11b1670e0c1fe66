// Syntax colouring of the macro editor: reserved words blue, comments
// green, the rest black. The spans are computed apart from the editor so
// that they can be checked without drawing anything.
#pragma once

#include <QColor>
#include <QString>
#include <vector>

class QPlainTextEdit;

enum class MacroColour { Plain, Reserved, Comment };

struct MacroColourSpan {
    int start = 0;
    int length = 0;
    MacroColour colour = MacroColour::Plain;
    bool operator==(const MacroColourSpan&) const = default;
};

// The spans to paint, in order (a later span wins), when the text from
// start to its end is recoloured: all of it plain, every reserved word
// (whole word, case-sensitive) from start on, every block comment of the
// whole text, every line comment from start on.
std::vector<MacroColourSpan> MacroColourSpans(const QString& text, int start);

// The beginning of the line holding position caret (lines end with "\n").
int MacroLineStart(const QString& text, int caret);

QColor MacroColourValue(MacroColour colour);

// Paints the spans from start on the editor's text; the caret and the
// selection stay where they were.
void ColourMacroSource(QPlainTextEdit& edit, int start);

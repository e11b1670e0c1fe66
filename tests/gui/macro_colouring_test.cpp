// Syntax colouring of the macro editor, checked as colour letters per
// character: k black, b blue (reserved word), g green (comment), . untouched.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextCursor>

#include "app/macro/macro_colouring.h"
#include "gui_fixture.h"

namespace {

QString ColourMap(const QString& text, int start) {
    QString map(text.size(), QLatin1Char('.'));
    for (const MacroColourSpan& span : MacroColourSpans(text, start)) {
        const QChar letter = span.colour == MacroColour::Plain      ? QLatin1Char('k')
                             : span.colour == MacroColour::Reserved ? QLatin1Char('b')
                                                                    : QLatin1Char('g');
        for (int i = span.start; i < span.start + span.length; ++i) map[i] = letter;
    }
    return map;
}

struct ColourCase {
    const char* text;
    int start;
    const char* map;
};

TEST(MacroColouring, ColourLettersTable) {
    const ColourCase cases[] = {
        {"if x", 0, "bbkk"},
        {"iff sin(x)", 0, "kkkkbbbkkk"},
        {"x_if if2 If", 0, "kkkkkkkkkkk"},                   // whole words, case-sensitive
        {"a // if b\nif", 0, "kkgggggggkbb"},                 // a line comment ends at its line
        {"/* if\nx */ sin", 6, "ggggggggggkbbb"},             // block comments from the top
        {"x /* sin", 0, "kkgggggg"},                          // an open block runs to the end
        {"sin\ncos", 4, "....bbb"},                           // before the start nothing changes
        {"write 回帰", 0, "bbbbbkkk"},
        {"// a\n// b", 5, ".....gggg"},
        {"R2 r2 rr2", 0, "bbkbbkbbb"},
        {"", 0, ""},
    };
    for (const ColourCase& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(ColourMap(text, c.start), QString::fromUtf8(c.map)) << c.text;
    }
}

TEST(MacroColouring, LineStartTable) {
    const struct {
        const char* text;
        int caret;
        int start;
    } cases[] = {
        {"ab\ncd", 4, 3}, {"ab\ncd", 0, 0}, {"ab\ncd", 3, 3}, {"ab\ncd", 2, 0},
        {"ab\n", 3, 3},   {"ab", 1, 0},     {"ab\ncd", 99, 3}, {"ab\ncd", -5, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MacroLineStart(QString::fromUtf8(c.text), c.caret), c.start) << c.text << " " << c.caret;
}

TEST(MacroColouring, ColoursLandInTheEditorsFormats) {
    TestApp();
    QPlainTextEdit edit;
    edit.setPlainText(QStringLiteral("if x // y"));
    ColourMacroSource(edit, 0);
    const QString expected = QStringLiteral("bbkkkgggg");
    for (int i = 0; i < expected.size(); ++i) {
        QTextCursor cursor(edit.document());
        cursor.setPosition(i + 1);  // the format of the character before
        const QColor colour = cursor.charFormat().foreground().color();
        const MacroColour want = expected[i] == QLatin1Char('b')   ? MacroColour::Reserved
                                 : expected[i] == QLatin1Char('g') ? MacroColour::Comment
                                                                   : MacroColour::Plain;
        EXPECT_EQ(colour, MacroColourValue(want)) << i;
    }
    EXPECT_EQ(MacroColourValue(MacroColour::Reserved), QColor(0, 0, 255));
    EXPECT_EQ(MacroColourValue(MacroColour::Comment), QColor(0, 128, 0));
    EXPECT_EQ(MacroColourValue(MacroColour::Plain), QColor(0, 0, 0));
}

}  // namespace

// The macro editor's one-step typing undo, driven by keys.
#include <gtest/gtest.h>

#include <QTest>
#include <QTextCursor>

#include "app/macro/macro_typing_undo.h"
#include "gui_fixture.h"

namespace {

// Keys: a letter is typed; '<' Backspace, '>' Delete, '^' Insert,
// '[' Left, '}' Shift+Right, '~' Escape, '|' Return.
void Press(TMacroEdit& edit, const char* keys) {
    for (const char* k = keys; *k; ++k) {
        switch (*k) {
            case '<': QTest::keyClick(&edit, Qt::Key_Backspace); break;
            case '>': QTest::keyClick(&edit, Qt::Key_Delete); break;
            case '^': QTest::keyClick(&edit, Qt::Key_Insert); break;
            case '[': QTest::keyClick(&edit, Qt::Key_Left); break;
            case '}': QTest::keyClick(&edit, Qt::Key_Right, Qt::ShiftModifier); break;
            case '~': QTest::keyClick(&edit, Qt::Key_Escape); break;
            case '|': QTest::keyClick(&edit, Qt::Key_Return); break;
            default: QTest::keyClick(&edit, *k); break;
        }
    }
}

struct UndoCase {
    const char* name;
    const char* initial;
    int caret;
    const char* keys;
    const char* typed;   // the text after the keys
    const char* undone;  // the text after one undo
};

TEST(MacroTypingUndo, KeysThenUndoTable) {
    TestApp();
    const UndoCase cases[] = {
        {"typing", "", 0, "abc", "abc", ""},
        {"typing inside", "xy", 1, "ab", "xaby", "xy"},
        {"backspaces", "hello", 5, "<<<", "he", "hello"},
        {"deletes", "hello", 0, ">>", "llo", "hello"},
        {"backspace then delete", "abcd", 2, "<>", "ad", "abcd"},
        {"overwrite", "hello", 1, "^EL", "hELlo", "hello"},
        {"overwrite past the end", "ab", 1, "^xyz", "axyz", "ab"},
        {"arrow closes", "", 0, "ab[c", "acb", "ab"},
        {"escape closes", "", 0, "ab~", "ab", "ab"},
        {"backspace starts anew", "", 0, "abc<", "ab", "abc"},
        {"selection replaced", "hello", 1, "}}}X", "hXo", "hello"},
        {"return typed", "ab", 1, "|c", "a\ncb", "ab"},
        {"typing resumed elsewhere", "abc", 3, "x[[[[y", "yabcx", "abcx"},
    };
    for (const UndoCase& c : cases) {
        TMacroEdit edit;
        edit.setPlainText(QString::fromUtf8(c.initial));
        QTextCursor cursor = edit.textCursor();
        cursor.setPosition(c.caret);
        edit.setTextCursor(cursor);
        Press(edit, c.keys);
        EXPECT_EQ(edit.toPlainText(), QString::fromUtf8(c.typed)) << c.name;
        edit.UndoTyping();
        EXPECT_EQ(edit.toPlainText(), QString::fromUtf8(c.undone)) << c.name;
        EXPECT_TRUE(edit.Record().IsEmpty()) << c.name;
        // A second undo has nothing left to undo.
        EXPECT_FALSE(edit.UndoTyping()) << c.name;
    }
}

TEST(MacroTypingUndo, InsertTogglesOverwriteAndTellsTheWindow) {
    TestApp();
    TMacroEdit edit;
    std::vector<bool> told;
    QObject::connect(&edit, &TMacroEdit::OverwriteChanged, [&](bool on) { told.push_back(on); });
    Press(edit, "^^");
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
    EXPECT_FALSE(edit.Overwrite());
}

TEST(MacroTypingUndo, CtrlZAsksTheWindow) {
    TestApp();
    TMacroEdit edit;
    int asked = 0;
    QObject::connect(&edit, &TMacroEdit::UndoRequested, [&] { ++asked; });
    Press(edit, "ab");
    QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
    // Ctrl pressed on its own left the record as it was.
    EXPECT_EQ(edit.Record().Length(), 2);
    EXPECT_TRUE(edit.UndoTyping());
    EXPECT_EQ(edit.toPlainText(), QString());
}

TEST(MacroTypingUndo, RecordTable) {
    struct Step {
        char what;  // 't' typed, 'd' Delete, 'b' Backspace, 'c' close
        int pos;
        const char* text;
        const char* replaced;
    };
    struct RecordCase {
        std::vector<Step> steps;
        TypingUndoRecord::Kind kind;
        int start, length;
        const char* text;
    };
    using K = TypingUndoRecord::Kind;
    const RecordCase cases[] = {
        {{{'t', 3, "a", ""}, {'t', 4, "b", ""}}, K::Typed, 3, 2, ""},
        {{{'t', 3, "a", "x"}, {'t', 4, "b", "y"}}, K::Typed, 3, 2, "xy"},
        {{{'t', 3, "a", ""}, {'t', 7, "b", ""}}, K::Typed, 7, 1, ""},
        {{{'b', 4, "d", ""}, {'b', 3, "c", ""}}, K::Deleted, 3, 0, "cd"},
        {{{'d', 4, "d", ""}, {'d', 4, "e", ""}}, K::Deleted, 4, 0, "de"},
        {{{'b', 4, "d", ""}, {'b', 1, "c", ""}}, K::Deleted, 1, 0, "c"},
        {{{'t', 3, "a", ""}, {'c', 0, "", ""}}, K::None, 0, 0, ""},
        {{{'t', 3, "a", ""}, {'b', 3, "a", ""}}, K::Deleted, 3, 0, "a"},
    };
    for (const RecordCase& c : cases) {
        TypingUndoRecord r;
        for (const Step& s : c.steps) {
            if (s.what == 't') r.Typed(s.pos, QString::fromUtf8(s.text), QString::fromUtf8(s.replaced));
            if (s.what == 'd') r.Deleted(s.pos, QString::fromUtf8(s.text), false);
            if (s.what == 'b') r.Deleted(s.pos, QString::fromUtf8(s.text), true);
            if (s.what == 'c') r.Close();
        }
        EXPECT_EQ(r.RecordKind(), c.kind);
        EXPECT_EQ(r.Start(), c.start);
        EXPECT_EQ(r.Length(), c.length);
        EXPECT_EQ(r.Text(), QString::fromUtf8(c.text));
    }
}

TEST(MacroTypingUndo, ChangeAtTable) {
    const struct {
        const char* before;
        const char* after;
        int pos;
        const char* removed;
        const char* added;
    } cases[] = {
        {"ab", "aab", 0, "", "a"},   // typed "a" before "ab"
        {"ab", "bb", 0, "a", "b"},   // overwrote "a" by "b"
        {"hello", "he", 2, "llo", ""},
        {"abc", "abc", 1, "", ""},
        {"x", "xyz", 1, "", "yz"},
    };
    for (const auto& c : cases) {
        const TextChange change = ChangeAt(QString::fromUtf8(c.before), QString::fromUtf8(c.after), c.pos);
        EXPECT_EQ(change.removed, QString::fromUtf8(c.removed)) << c.before << " " << c.after;
        EXPECT_EQ(change.added, QString::fromUtf8(c.added)) << c.before << " " << c.after;
    }
}

}  // namespace

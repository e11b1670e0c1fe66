// Paste with nothing to paste: the clipboard holds data without any format,
// as an empty X clipboard or selection hands it over. Every paste path of
// the windows does nothing (and the program goes on).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <functional>

#include "app/data_property_dialog.h"
#include "app/macro_typing_undo.h"
#include "app/macro_window.h"
#include "platform/qt/qt_services.h"
#include "started_windows.h"

namespace {

void EmptyClipboard() {
    QGuiApplication::clipboard()->setMimeData(new QMimeData);
    ASSERT_NE(QGuiApplication::clipboard()->mimeData(), nullptr);
    ASSERT_TRUE(QGuiApplication::clipboard()->mimeData()->formats().isEmpty());
}

class EmptyClipboardTest : public StartedWindows {
protected:
    EmptyClipboardTest() : StartedWindows("emptyclip") {
        WriteSampleDataFile(dir_.Path("s.MDF"));
        main_->OpenAndRemember(dir_.Path("s.MDF"));
    }
};

TEST_F(EmptyClipboardTest, EveryPastePathPastesNothing) {
    TfrmMacro& macro = *windows_->frmMacro;
    macro.eSource->setPlainText(QStringLiteral("macro m { }"));
    TfrmDataProperty property(state_, windows_->frmProperty.get());
    property.mText->setPlainText(QStringLiteral("comment"));
    QLineEdit* input = main_->InputBox()->lineEdit();
    input->setText(QStringLiteral("12"));

    struct Path {
        const char* what;
        std::function<void()> paste;
        std::function<QString()> text;
        QString expected;
    };
    const Path paths[] = {
        {"macro editor, Ctrl+V", [&] { QTest::keyClick(macro.eSource, Qt::Key_V, Qt::ControlModifier); },
         [&] { return macro.eSource->toPlainText(); }, QStringLiteral("macro m { }")},
        {"macro tool bar paste", [&] { macro.Action("PasteEdit")->trigger(); },
         [&] { return macro.eSource->toPlainText(); }, QStringLiteral("macro m { }")},
        {"macro editor, middle button", [&] { QTest::mouseClick(macro.eSource->viewport(), Qt::MiddleButton); },
         [&] { return macro.eSource->toPlainText(); }, QStringLiteral("macro m { }")},
        {"data description", [&] { property.mText->paste(); }, [&] { return property.mText->toPlainText(); },
         QStringLiteral("comment")},
        {"input box", [&] { input->paste(); }, [&] { return input->text(); }, QStringLiteral("12")},
    };
    for (const Path& p : paths) {
        EmptyClipboard();
        p.paste();
        EXPECT_EQ(p.text(), p.expected) << p.what;
    }
    // The program's own clipboard reads find no text.
    EmptyClipboard();
    QtServices services;
    EXPECT_FALSE(services.ClipboardHasText());
    EXPECT_EQ(services.ClipboardGetText(), "");
}

TEST_F(EmptyClipboardTest, MacroEditorStillPastesText) {
    TfrmMacro& macro = *windows_->frmMacro;
    macro.eSource->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("write 1"));
    macro.Action("PasteEdit")->trigger();
    EXPECT_EQ(macro.eSource->toPlainText().toStdString(), "write 1");
}

}  // namespace

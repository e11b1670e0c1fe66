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
#include <QTextCursor>
#include <functional>

#include "app/dialogs/data_property_dialog.h"
#include "app/macro/macro_typing_undo.h"
#include "app/macro/macro_window.h"
#include "platform/qt/qt_services.h"
#include "started_windows.h"

namespace {

class EmptyClipboardTest : public StartedWindows {
protected:
    EmptyClipboardTest() : StartedWindows("emptyclip") {}
};

TEST_F(EmptyClipboardTest, EveryPastePathPastesNothing) {
    TfrmMacro& macro = *windows_->frmMacro;
    QPlainTextEdit* source = macro.eSource;
    source->setPlainText(QStringLiteral("macro m { }"));
    TfrmDataProperty property(state_, windows_->frmProperty.get());
    property.mText->setPlainText(QStringLiteral("comment"));
    QLineEdit* input = main_->InputBox()->lineEdit();
    input->setText(QStringLiteral("12"));
    const std::pair<const char*, std::function<void()>> paths[] = {
        {"macro editor, Ctrl+V", [&] { QTest::keyClick(source, Qt::Key_V, Qt::ControlModifier); }},
        {"macro tool bar", [&] { macro.Action("PasteEdit")->trigger(); }},
        {"macro editor, middle button", [&] { QTest::mouseClick(source->viewport(), Qt::MiddleButton); }},
        {"data description", [&] { property.mText->paste(); }},
        {"input box", [&] { input->paste(); }},
    };
    for (const auto& [what, paste] : paths) {
        QGuiApplication::clipboard()->setMimeData(new QMimeData);  // data without any format
        paste();
        EXPECT_EQ(source->toPlainText() + property.mText->toPlainText() + input->text(),
                  QStringLiteral("macro m { }comment12"))
            << what;
    }
    QtServices services;
    EXPECT_FALSE(services.ClipboardHasText());
    EXPECT_EQ(services.ClipboardGetText(), "");
    // Text still pastes.
    QGuiApplication::clipboard()->setText(QStringLiteral(" write 1"));
    source->moveCursor(QTextCursor::End);
    macro.Action("PasteEdit")->trigger();
    EXPECT_EQ(source->toPlainText().toStdString(), "macro m { } write 1");
}

}  // namespace

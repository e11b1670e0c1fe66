// The macro window opened from the main window's menu and from File/Open.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>

#include "app/macro/macro_typing_undo.h"
#include "app/macro/macro_window.h"
#include "started_windows.h"

namespace {

class MacroWindowMenuTest : public StartedWindows {
protected:
    MacroWindowMenuTest() : StartedWindows("macro_menu") {}
};

TEST_F(MacroWindowMenuTest, ToolsMenuShowsTheMacroWindowModally) {
    QAction* action = main_->Action("MacroSet");
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::Key_F4));
    action->trigger();
    TfrmMacro* macro = windows_->frmMacro.get();
    EXPECT_TRUE(macro->isVisible());
    EXPECT_EQ(macro->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(macro->windowTitle().toStdString(), "マクロ");
    macro->close();
    EXPECT_FALSE(macro->isVisible());
}

TEST_F(MacroWindowMenuTest, AMacroFileOpenedFromTheMainWindowIsShownInTheMacroWindow) {
    WriteText(dir_.Path("calc.MCR"), "macro calc { write 1 + 2 }");
    ui_.QueueFile(dir_.Path("calc.MCR"));
    main_->Action("LoadFile")->trigger();
    TfrmMacro* macro = windows_->frmMacro.get();
    EXPECT_TRUE(macro->isVisible());
    EXPECT_EQ(macro->eSource->toPlainText(), QStringLiteral("macro calc { write 1 + 2 }"));
    EXPECT_EQ(macro->windowTitle().toStdString(), "マクロ --- calc.MCR");
    macro->RunMacroExecute();
    EXPECT_EQ(macro->eOut->toPlainText(), QStringLiteral("3"));
    macro->close();
    EXPECT_EQ(state_.RecentFiles().GetItem(0), dir_.Path("calc.MCR"));
}

}  // namespace

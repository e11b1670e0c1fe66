// The macro window's library page: macros added, saved as a ".MLB" file,
// read back, edited, removed and cleared.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>

#include "app/macro/macro_typing_undo.h"
#include "app/macro/macro_window.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "support/scripted_services.h"

namespace {

const char* const kFirst = "macro m { write 1 }";    // 19 bytes
const char* const kSecond = "macro kk { write 2 }";  // 20 bytes

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

class MacroLibraryPageTest : public ::testing::Test {
protected:
    MacroLibraryPageTest() : dir_("macro_library") {
        TestApp();
        state_.SetServices(&ui_);
        state_.Work().dataFolder = dir_.Folder();
        window_ = std::make_unique<TfrmMacro>(state_);
    }
    ~MacroLibraryPageTest() override {
        window_.reset();
        state_.SetServices(nullptr);
    }

    void SetText(const char* text) {
        window_->eSource->clear();
        window_->eSource->setFocus();
        QTest::keyClicks(window_->eSource, QString::fromUtf8(text));
    }
    QStringList Names() const {
        QStringList names;
        for (int i = 0; i < window_->lbList->count(); ++i) names << window_->lbList->item(i)->text();
        return names;
    }
    std::string Caption() const { return window_->windowTitle().toStdString(); }
    void AddBoth() {
        SetText(kFirst);
        window_->AddMacroExecute();
        SetText(kSecond);
        window_->AddMacroExecute();
    }

    ScratchFolder dir_;
    ScriptedServices ui_;
    AppState state_;
    std::unique_ptr<TfrmMacro> window_;
};

TEST_F(MacroLibraryPageTest, AddedMacrosAreSavedInTheLibraryFormat) {
    AddBoth();
    EXPECT_EQ(window_->PC->currentWidget(), window_->tsLib);
    EXPECT_EQ(Names(), (QStringList{"m", "kk"}));
    const std::string path = dir_.Path("lib.MLB");
    ui_.QueueFile(path);
    window_->SaveAsFileExecute();
    // End position 71, two macros, keys (first byte, length, byte sum,
    // record position 24 and 24 + 4 + 19 = 47), then the two records.
    const std::string expected = Bytes({71, 0, 0, 0, 2, 0, 0, 0,
                                        'm', 1, 0x6D, 0, 24, 0, 0, 0,
                                        'k', 2, 0xD6, 0, 47, 0, 0, 0,
                                        19, 0, 0, 0}) +
                                 kFirst + Bytes({20, 0, 0, 0}) + kSecond;
    EXPECT_EQ(ReadText(path), expected);
    const auto dialogs = ui_.CallsOf(ServiceCall::SaveFile);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].file.fileName, "*.MLB");
}

TEST_F(MacroLibraryPageTest, ALibraryReadBackIsListedEditedAndRun) {
    AddBoth();
    const std::string path = dir_.Path("lib.MLB");
    ui_.QueueFile(path);
    window_->SaveAsFileExecute();
    window_->btnClearClick();
    EXPECT_TRUE(Names().isEmpty());
    EXPECT_EQ(Caption(), "ライブラリー");

    ui_.QueueFile(path);
    window_->LoadFileExecute();
    EXPECT_EQ(Names(), (QStringList{"m", "kk"}));
    EXPECT_EQ(Caption(), "ライブラリー --- lib.MLB");

    window_->lbList->setCurrentRow(1);
    window_->btnMLEditClick();
    EXPECT_EQ(window_->PC->currentWidget(), window_->tsEdit);
    EXPECT_EQ(window_->eSource->toPlainText(), QString::fromUtf8(kSecond));
    EXPECT_EQ(window_->LibraryEntry(), 1);
    EXPECT_EQ(Caption(), "マクロ --- lib.MLB::kk");
    EXPECT_EQ(window_->lbCode->item(0)->text(), QStringLiteral("*** kk ***"));
    window_->RunMacroExecute();
    EXPECT_EQ(window_->eOut->toPlainText(), QStringLiteral("2"));

    // Removing the entry before it keeps the edited one in the caption.
    window_->PC->setCurrentWidget(window_->tsLib);
    window_->lbList->setCurrentRow(0);
    window_->btnMLDelClick();
    EXPECT_EQ(Names(), (QStringList{"kk"}));
    EXPECT_EQ(window_->LibraryEntry(), 0);
    window_->PC->setCurrentWidget(window_->tsEdit);
    EXPECT_EQ(Caption(), "マクロ --- lib.MLB::kk");
    // Saving the library on its page writes the file it came from.
    window_->PC->setCurrentWidget(window_->tsLib);
    window_->SaveFileExecute();
    EXPECT_EQ(ReadText(path), Bytes({40, 0, 0, 0, 1, 0, 0, 0, 'k', 2, 0xD6, 0, 16, 0, 0, 0, 20, 0, 0, 0}) + kSecond);
}

TEST_F(MacroLibraryPageTest, AMacroFileIsAddedWithoutTakingOverTheEditedFile) {
    window_->NewFileExecute();
    const std::string edited = window_->MacroFileName();
    WriteText(dir_.Path("add.mcr"), std::string("macro q { write 3 }") + '\0');
    ui_.QueueFile(dir_.Path("add.mcr"));
    window_->btnMLAddClick();
    EXPECT_EQ(Names(), (QStringList{"q"}));
    const auto dialogs = ui_.CallsOf(ServiceCall::OpenFile);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].file.filterIndex, 2);
    EXPECT_EQ(window_->MacroFileName(), edited);
    // A file of another kind is not added.
    WriteText(dir_.Path("data.txt"), "macro r { }");
    ui_.QueueFile(dir_.Path("data.txt"));
    window_->btnMLAddClick();
    EXPECT_EQ(Names(), (QStringList{"q"}));
}

TEST_F(MacroLibraryPageTest, SavingAnEditedLibraryMacroAsksForItsFileAndNeverOverwritesTheLastOne) {
    const std::string opened = dir_.Path("opened.mcr");
    WriteText(opened, std::string("macro o { write 0 }") + '\0');
    window_->OpenMacroFile(opened);
    SetText(kSecond);
    window_->AddMacroExecute();
    window_->lbList->setCurrentRow(0);
    window_->btnMLEditClick();
    ASSERT_EQ(window_->LibraryEntry(), 0);
    const std::string target = dir_.Path("kk.mcr");
    ui_.QueueFile(target);
    window_->SaveFileExecute();
    EXPECT_EQ(ReadText(opened), std::string("macro o { write 0 }") + '\0');
    EXPECT_EQ(ReadText(target), std::string(kSecond) + '\0');
    EXPECT_EQ(window_->LibraryEntry(), -1);
    EXPECT_EQ(Caption(), "マクロ --- kk.mcr");
}

TEST_F(MacroLibraryPageTest, NothingHappensWithoutASelectionOrText) {
    AddBoth();
    window_->lbList->setCurrentRow(-1);
    window_->btnMLEditClick();
    window_->btnMLDelClick();
    EXPECT_EQ(Names(), (QStringList{"m", "kk"}));
    EXPECT_EQ(window_->LibraryEntry(), -1);
    window_->eSource->clear();
    window_->AddMacroExecute();
    EXPECT_EQ(Names(), (QStringList{"m", "kk"}));
}

TEST_F(MacroLibraryPageTest, AMacroThatDoesNotCompileIsNotAdded) {
    SetText("macro bad { write }");
    ui_.QueueOK();
    window_->Action("AddMacro")->trigger();
    EXPECT_TRUE(Names().isEmpty());
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
}

}  // namespace

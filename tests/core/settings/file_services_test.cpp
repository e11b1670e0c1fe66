#include "core/settings/file_services.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/settings/engine_context.h"
#include "core/settings/work_settings.h"
#include "core/text/text_evaluator.h"
#include "support/scripted_services.h"

namespace fs = std::filesystem;

namespace {

class FileServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        context_.SetServices(&ui_);
        std::string tmpl = (fs::temp_directory_path() / "merlox_files_XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
    static void WriteText(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string ReadText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    ScriptedServices ui_;
    EngineContext context_;
    fs::path dir_;
};

TEST_F(FileServicesTest, FirstTemporaryNameOfARunCarriesZero) {
    context_.Work().workFolder = "/work/tmp/";
    context_.Work().runNumber = 7;
    context_.SetTempNameCounter(-1);
    EXPECT_EQ(context_.MakeTempFileName(), "/work/tmp/DUDOR_7~0.TMP");
    EXPECT_EQ(context_.MakeTempFileName(), "/work/tmp/DUDOR_7~1.TMP");
}

TEST_F(FileServicesTest, TemporaryCounterWrapsAfterOneHundredMillion) {
    context_.Work().workFolder = "/t/";
    context_.Work().runNumber = 99;
    context_.SetTempNameCounter(99999999);
    EXPECT_EQ(context_.MakeTempFileName(), "/t/DUDOR_99~100000000.TMP");
    EXPECT_EQ(context_.MakeTempFileName(), "/t/DUDOR_99~0.TMP");
}

TEST(WorkSettings, DefaultWorkFolderComesFromTmpdir) {
    const char* old = std::getenv("TMPDIR");
    std::string keep = old ? old : "";
    ::setenv("TMPDIR", "/var/scratch", 1);
    EXPECT_EQ(DefaultWorkFolder(), "/var/scratch/");
    ::setenv("TMPDIR", "/var/scratch/", 1);
    EXPECT_EQ(DefaultWorkFolder(), "/var/scratch/");
    ::setenv("TMPDIR", "", 1);
    EXPECT_EQ(DefaultWorkFolder(), "/tmp/");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(DefaultWorkFolder(), "/tmp/");
    if (old) ::setenv("TMPDIR", keep.c_str(), 1);
    EXPECT_EQ(DefaultWorkSettings().workFolder.back(), '/');
    EXPECT_EQ(DefaultWorkSettings().dataFolder.back(), '/');
}

TEST_F(FileServicesTest, BackupRules) {
    // A missing file changes nothing.
    EXPECT_EQ(RenameToBackup(PathOf("none.MDF")), PathOf("none.MDF"));
    EXPECT_FALSE(fs::exists(PathOf("none.BAK")));

    // The extension is replaced whatever its case; an older backup is replaced.
    WriteText(PathOf("data.mdf"), "new");
    WriteText(PathOf("data.BAK"), "old");
    EXPECT_EQ(RenameToBackup(PathOf("data.mdf")), PathOf("data.mdf"));
    EXPECT_FALSE(fs::exists(PathOf("data.mdf")));
    EXPECT_EQ(ReadText(PathOf("data.BAK")), "new");

    // No extension: one is added. A dot in a folder name is not an extension.
    fs::create_directory(dir_ / "v1.2");
    WriteText(PathOf("v1.2/notes"), "n");
    RenameToBackup(PathOf("v1.2/notes"));
    EXPECT_EQ(ReadText(PathOf("v1.2/notes.BAK")), "n");

    // A backup is never renamed onto itself, in any case of its extension.
    WriteText(PathOf("keep.bak"), "k");
    RenameToBackup(PathOf("keep.bak"));
    EXPECT_EQ(ReadText(PathOf("keep.bak")), "k");

    // A folder in the way of the backup is removed when it is empty.
    WriteText(PathOf("m.MCR"), "macro");
    fs::create_directory(dir_ / "m.BAK");
    RenameToBackup(PathOf("m.MCR"));
    EXPECT_EQ(ReadText(PathOf("m.BAK")), "macro");

    // A folder is not a file to back up.
    fs::create_directory(dir_ / "d.MDF");
    RenameToBackup(PathOf("d.MDF"));
    EXPECT_TRUE(fs::is_directory(PathOf("d.MDF")));
}

TEST(EvaluatePercent, Cases) {
    // 1 - 2^-23 written out: 0.99999988079071044921875.
    const double top = 0.99999988079071044921875;
    struct Case {
        const char* text;
        double defaultPercent;
        double expected;
    };
    const Case cases[] = {
        {"95", 0, 0.95},
        {" 50 ", 0, 0.5},
        {"100", 0, top},
        {"99.99999", 0, top},    // 0.9999999 >= 1 - 2^-23
        {"99.9999", 0, 0.999999},
        {"-5", 0, 0.0},
        {"0", 50, 0.0},
        {"", 90, 0.9},           // empty: the default in percent
        {"", 150, top},          // the default is clamped the same way
        {"", -1, 0.0},
        {"abc", 95, 0.95},       // not a number: the default
        {"nan", 95, 0.95},       // no number at all: the default
        {"inf", 95, top},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(EvaluatePercent(PlainNumbers(), c.text, c.defaultPercent), c.expected);
    }
    EXPECT_EQ(EvaluatePercent(PlainNumbers(), "100", 0), top);  // exactly, not just nearly
}

TEST(ChooseDirectory, CancelLeavesTheFolderAndOkAddsTheSlash) {
    ScriptedServices ui;
    std::string folder = "/home/u/data/";
    ui.QueueCancel();
    EXPECT_FALSE(ChooseDirectory(ui, folder));
    EXPECT_EQ(folder, "/home/u/data/");

    ui.QueueFolder("/home/u/other");
    EXPECT_TRUE(ChooseDirectory(ui, folder));
    EXPECT_EQ(folder, "/home/u/other/");

    ui.QueueFolder("/");
    EXPECT_TRUE(ChooseDirectory(ui, folder));
    EXPECT_EQ(folder, "/");

    auto asked = ui.CallsOf(ServiceCall::Folder);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].text, "/home/u/data/");
    EXPECT_EQ(asked[1].text, "/home/u/data/");
    EXPECT_EQ(asked[2].text, "/home/u/other/");
}

TEST_F(FileServicesTest, HelpFailureShowsTheMessage) {
    ScriptedServices& ui = ui_;
    const std::string failed = "HTML HELPファイルの表示に失敗しました。";

    context_.Work().helpFile = "";  // not set yet
    ui.QueueOK();
    ShowHtmlHelp(context_, 10);
    context_.Work().helpFile = PathOf("missing.chm");
    ui.QueueOK();
    ShowHtmlHelp(context_, 11);
    EXPECT_TRUE(ui.CallsOf(ServiceCall::Help).empty());

    WriteText(PathOf("MERLOX.chm"), "x");
    context_.Work().helpFile = PathOf("MERLOX.chm");
    ui.SetHelpResult(false);  // the viewer could not show it
    ui.QueueOK();
    ShowHtmlHelp(context_, 12);

    auto boxes = ui.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& b : boxes) {
        EXPECT_EQ(b.msgKind, MsgKind::Error);
        EXPECT_EQ(b.text, failed);
        EXPECT_EQ(b.value, static_cast<long>(mbOK));
    }

    ui.SetHelpResult(true);
    ui.ClearCalls();
    ShowHtmlHelp(context_, 1234);
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].kind, ServiceCall::Help);
    EXPECT_EQ(ui.Calls()[0].text, PathOf("MERLOX.chm"));
    EXPECT_EQ(ui.Calls()[0].value, 1234);
}

TEST(MemoryErrors, BoxesAndTermination) {
    ScriptedServices ui;
    ui.QueueOK();
    ShowMemoryError(ui);
    EXPECT_FALSE(ui.TerminateRequested());
    ui.QueueResult(mrAbort);
    FatalMemoryError(ui);
    EXPECT_TRUE(ui.TerminateRequested());

    const auto& c = ui.Calls();
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].text, "メモリーの確保に失敗しました。");
    EXPECT_EQ(c[0].value, static_cast<long>(mbOK));
    EXPECT_EQ(c[1].text, "メモリーの確保に失敗しました。\nメモリーリークを起こす可能性があります。");
    EXPECT_EQ(c[1].msgKind, MsgKind::Error);
    EXPECT_EQ(c[1].value, static_cast<long>(mbAbort));
    EXPECT_EQ(c[2].kind, ServiceCall::Terminate);  // after the box was closed
}

TEST_F(FileServicesTest, SaveFileNameForTextOutput) {
    ScriptedServices& ui = ui_;
    context_.Work().dataFolder = "/home/u/data/";
    ui.QueueFile("/home/u/data/report.TXT");
    EXPECT_EQ(AskSaveFileName(context_), "/home/u/data/report.TXT");
    ui.QueueCancel();
    EXPECT_EQ(AskSaveFileName(context_), "");

    auto asked = ui.CallsOf(ServiceCall::SaveFile);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].file.initialDir, "/home/u/data/");
    EXPECT_EQ(asked[0].file.filterIndex, 3);
    EXPECT_EQ(asked[0].file.defaultExt, "TXT");
    EXPECT_EQ(asked[0].file.filter,
              "多変量データ|*.MDF|マクロデータ|*.MCR|テキストファイル|*.TXT|ビットマップファイル|*.BMP|"
              "マクロライブラリー|*.MLB|すべて|*.*");
}

}  // namespace

#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/errors.h"
#include "platform/text/str_to_int.h"
#include "support/fsync_recorder.h"

namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "merlox_ini_XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        path_ = (dir_ / "MERLOX.ini").string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    static void WriteBytes(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    fs::path dir_;
    std::string path_;
};

// "定数項" in CP932 is 92 E8 90 94 8D 80 (Python: '定数項'.encode('cp932')).
const std::string kSample =
    "; written by hand\r\n"
    "[FLAGS]\r\n"
    "Level=7\r\n"
    "  autosave =  1  \r\n"
    "garbage line without equals\r\n"
    "Bad=\x81\x20\r\n"  // not CP932: damaged, skipped when reading
    "\r\n"
    "[Var]\r\n"
    "item0=\x92\xe8\x90\x94\x8d\x80/1.5\r\n"
    "item0=second copy is ignored\r\n"
    "[Unknown]\r\n"
    "Mystery=42\r\n";

TEST_F(IniFileTest, ReadsCaseInsensitiveTrimmedAndCp932) {
    WriteBytes(path_, kSample);
    IniFile ini(path_);
    EXPECT_EQ(ini.ReadInteger("flags", "LEVEL", 0), 7);
    EXPECT_EQ(ini.ReadString("FLAGS", "AutoSave", "x"), "1");
    EXPECT_TRUE(ini.ReadBool("Flags", "AutoSave", false));
    EXPECT_EQ(ini.ReadString("VAR", "item0", ""), "定数項/1.5");
    EXPECT_EQ(ini.ReadString("FLAGS", "Bad", "default"), "default");
    EXPECT_EQ(ini.ReadString("FLAGS", "garbage line without equals", "d"), "d");
    EXPECT_EQ(ini.ReadString("Nowhere", "x", "d"), "d");
    EXPECT_EQ(ini.ReadInteger("FLAGS", "missing", -3), -3);
    EXPECT_TRUE(ini.SectionExists("unknown"));
    EXPECT_FALSE(ini.SectionExists("COLOR"));
    EXPECT_TRUE(ini.ValueExists("unknown", "mystery"));
    EXPECT_EQ(ini.ReadSection("FLAGS"), (std::vector<std::string>{"Level", "autosave"}));
    EXPECT_EQ(ini.ReadSection("var"), (std::vector<std::string>{"item0"}));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"FLAGS", "Var", "Unknown"}));
}

TEST_F(IniFileTest, RewriteKeepsUnknownAndDamagedLinesInOrder) {
    WriteBytes(path_, kSample);
    IniFile ini(path_);
    ini.WriteInteger("FLAGS", "level", 8);
    ini.WriteBool("FLAGS", "Coloring", true);  // new key: after the last entry
    ini.WriteString("DIR", "data", "/home/u/データ/");
    ini.UpdateFile();
    const std::string expected =
        "; written by hand\r\n"
        "[FLAGS]\r\n"
        "Level=8\r\n"
        "  autosave =  1  \r\n"
        "Coloring=1\r\n"
        "garbage line without equals\r\n"
        "Bad=\x81\x20\r\n"
        "\r\n"
        "[Var]\r\n"
        "item0=\x92\xe8\x90\x94\x8d\x80/1.5\r\n"
        "item0=second copy is ignored\r\n"
        "[Unknown]\r\n"
        "Mystery=42\r\n"
        "[DIR]\r\n"
        "data=/home/u/\x83\x66\x81\x5b\x83\x5e/\r\n";  // データ in CP932 (Python)
    EXPECT_EQ(ReadBytes(path_), expected);
    EXPECT_EQ(ReadBytes(path_ + ".BAK"), kSample);
}

TEST_F(IniFileTest, SectionHeadersAreWrittenBackAsRead) {
    struct Case {
        const char* header;
        const char* name;
    };
    const Case cases[] = {
        {"[COLOR] ; comment", "color"},
        {"[Main]  x", "MAIN"},
        {"  [ Spaced ]  ", "spaced"},
        {"[\x92\xe8\x90\x94] ;\x8d\x80", "定数"},  // CP932 text on both sides of "]"
        {"[Plain]", "Plain"},
    };
    for (const Case& c : cases) {
        const std::string original = std::string(c.header) + "\r\nk=1\r\n";
        WriteBytes(path_, original);
        IniFile ini(path_);
        ASSERT_TRUE(ini.SectionExists(c.name)) << c.header;
        ini.WriteInteger(c.name, "k", 2);
        ini.WriteInteger("Added", "n", 3);  // a new section is written plainly
        ini.UpdateFile();
        EXPECT_EQ(ReadBytes(path_), std::string(c.header) + "\r\nk=2\r\n[Added]\r\nn=3\r\n") << c.header;
    }
}

TEST_F(IniFileTest, EraseSectionAndDeleteKey) {
    WriteBytes(path_, "[RECORD]\nsize=2\nitem0=a\nitem1=b\n[MACRO]\nlib=x.MLB\n[record]\nitem5=z\n");
    IniFile ini(path_);
    ini.EraseSection("Record");
    EXPECT_FALSE(ini.SectionExists("RECORD"));
    ini.WriteInteger("RECORD", "size", 0);
    ini.DeleteKey("MACRO", "LIB");
    EXPECT_FALSE(ini.ValueExists("MACRO", "lib"));
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(path_), "[MACRO]\n[RECORD]\nsize=0\n");
}

TEST_F(IniFileTest, MissingFileReadsDefaultsAndIsCreatedWithoutBackup) {
    std::string nested = (dir_ / "merlox" / "MERLOX.ini").string();
    IniFile ini(nested);
    EXPECT_EQ(ini.ReadInteger("UNDO", "size", 100), 100);
    EXPECT_TRUE(ini.ReadBool("TEXT", "Residuals", true));
    ini.WriteInteger("UNDO", "size", 50);
    ini.WriteString("VAR", "item0", "a\r\nb");  // a line break must not start a new line
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(nested), "[UNDO]\nsize=50\n[VAR]\nitem0=a  b\n");
    EXPECT_FALSE(fs::exists(nested + ".BAK"));
}

TEST_F(IniFileTest, UpdateReplacesAnOlderBackup) {
    WriteBytes(path_, "[A]\nk=1\n");
    WriteBytes(path_ + ".BAK", "old backup\n");
    IniFile ini(path_);
    ini.WriteInteger("A", "k", 2);
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(path_), "[A]\nk=2\n");
    EXPECT_EQ(ReadBytes(path_ + ".BAK"), "[A]\nk=1\n");
}

TEST_F(IniFileTest, FailedWriteRaisesAndLeavesNoTemporaryFile) {
    // The target turns into a folder after reading: the final rename fails.
    IniFile ini(path_);
    ini.WriteInteger("A", "k", 1);
    fs::create_directory(path_);
    EXPECT_THROW(ini.UpdateFile(), EWriteError);
    EXPECT_TRUE(fs::is_directory(path_));
    int entries = 0;
    for (const auto& e : fs::directory_iterator(dir_)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);

    // A folder path that runs through a plain file cannot be written at all.
    WriteBytes((dir_ / "plain").string(), "x");
    IniFile blocked((dir_ / "plain" / "MERLOX.ini").string());
    blocked.WriteInteger("A", "k", 1);
    EXPECT_THROW(blocked.UpdateFile(), EWriteError);
    EXPECT_EQ(ReadBytes((dir_ / "plain").string()), "x");
}

// The new file is on the disk before it replaces the old one, and the folder
// after; a failed flush of the file is a write error that keeps the old one.
TEST_F(IniFileTest, UpdateFlushesTheNewFileBeforeItsRenameAndTheFolderAfter) {
    const fs::path dir = fs::canonical(dir_);
    WriteBytes(path_, "[A]\nk=1\n");
    IniFile ini(path_);
    ini.WriteInteger("A", "k", 2);
    {
        FsyncRecorder recorder(dir);
        ini.SetFsyncCall(recorder.Call());
        ini.UpdateFile();
        const std::vector<SyncEvent>& ev = recorder.Events();
        ASSERT_EQ(ev.size(), 2u);
        const fs::path temp(ev[0].path);
        EXPECT_FALSE(ev[0].folder);
        EXPECT_EQ(temp.parent_path(), dir);
        EXPECT_EQ(ev[0].entries, (std::vector<std::string>{"MERLOX.ini", temp.filename().string()}));
        EXPECT_TRUE(ev[1].folder);
        EXPECT_EQ(ev[1].path, dir.string());
        EXPECT_EQ(ev[1].entries, (std::vector<std::string>{"MERLOX.ini", "MERLOX.ini.BAK"}));
        ini.SetFsyncCall({});
    }
    EXPECT_EQ(ReadBytes(path_), "[A]\nk=2\n");

    ini.WriteInteger("A", "k", 3);
    {
        FsyncRecorder failing(dir, EIO);
        ini.SetFsyncCall(failing.Call());
        EXPECT_THROW(ini.UpdateFile(), EWriteError);
        ini.SetFsyncCall({});
    }
    EXPECT_EQ(ReadBytes(path_), "[A]\nk=2\n");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++entries;
    EXPECT_EQ(entries, 2);
}

TEST_F(IniFileTest, RefusesWhatTheFileCannotHold) {
    IniFile ini(path_);
    EXPECT_THROW(ini.WriteString("VAR", "item0", "€"), EConvertError);
    EXPECT_THROW(ini.WriteString("VAR", "a=b", "1"), EConvertError);
    EXPECT_THROW(ini.WriteString("VA]R", "a", "1"), EConvertError);
    EXPECT_THROW(ini.WriteString("VAR", "", "1"), EConvertError);
    EXPECT_THROW(ini.WriteString("", "a", "1"), EConvertError);
    EXPECT_FALSE(ini.SectionExists("VAR"));
}

TEST_F(IniFileTest, AFolderIsNotASettingsFile) {
    EXPECT_THROW(IniFile{dir_.string()}, EFOpenError);
}

TEST(StrToIntDef, ClassLibraryRules) {
    struct Case {
        const char* text;
        int expected;
    };
    const int d = -99;
    const Case cases[] = {
        {"12", 12},
        {"  -7  ", -7},
        {"+3", 3},
        {"007", 7},
        {"$1F", 31},
        {"$ff", 255},
        {"0x10", 16},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"$7FFFFFFF", 2147483647},
        {"$100000000", d},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", d},
        {"99999999999999999999999", d},
        {"1.5", d},
        {"1e3", d},
        {"12abc", d},
        {"abc", d},
        {"", d},
        {"   ", d},
        {"-", d},
        {"$", d},
        {"$G", d},
        {"1 2", d},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(StrToIntDef(c.text, d), c.expected);
    }
}

TEST_F(IniFileTest, BooleansAreIntegers) {
    WriteBytes(path_, "[F]\na=0\nb=1\nc=2\nd=yes\ne=\n");
    IniFile ini(path_);
    EXPECT_FALSE(ini.ReadBool("F", "a", true));
    EXPECT_TRUE(ini.ReadBool("F", "b", false));
    EXPECT_TRUE(ini.ReadBool("F", "c", false));
    EXPECT_TRUE(ini.ReadBool("F", "d", true));    // not an integer: the default
    EXPECT_FALSE(ini.ReadBool("F", "e", false));  // empty: the default
}

}  // namespace

#include "core/io/data_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>

#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"
#include "support/binary_bytes.h"
#include "support/fsync_recorder.h"

namespace fs = std::filesystem;

namespace {

const std::string kTest = "\x83\x65\x83\x58\x83\x67";  // テスト
const std::string kPrice = "\x89\xBF\x8A\x69";         // 価格
const std::string kQuantity = "\x90\x94\x97\xCA";      // 数量
const std::string kMale = "\x92\x6A\x90\xAB";          // 男性
const std::string kNote = "\x90\xE0\x96\xBE";          // 説明
const std::string kConstant = "\x92\xE8\x90\x94\x8D\x80";  // 定数項

// The user-scalar record: ten values, then ten names.
std::string UserScalarRecord(double first, const std::string& firstName) {
    LeBytes b;
    b.f64(first);
    for (int i = 1; i < 10; ++i) b.f64(0.0);
    b.text(firstName);
    for (int i = 1; i < 10; ++i) b.text(std::to_string(i));
    return b.s;
}

// The golden file: two variables of three observations with groups, every
// model section. Offsets counted by hand from the layout.
std::string GoldenFile() {
    LeBytes b;
    b.raw(std::string("MDF\0", 4)).i32(140).text(kTest).i32(3).i32(2);
    // Directory: first byte, length, 16-bit sum of the sign-extended bytes, offset.
    b.u8(0x89).u8(4).u16(0xFF3B).i32(42);
    b.u8(0x90).u8(4).u16(0xFE85).i32(93);
    EXPECT_EQ(b.s.size(), 42u);
    b.text(kPrice).text(kNote).u8(2).i32(3);
    b.f64(1.0).u16(0).f64(2.0).u16(1).f64(3.0).u16(3);
    EXPECT_EQ(b.s.size(), 93u);
    b.text(kQuantity).text("").u8(1).i32(3);
    b.f64(2.0).u16(0).f64(4.0).u16(0).f64(7.0).u16(2);
    EXPECT_EQ(b.s.size(), 140u);
    // 0: user scalars.
    b.i32(0).i32(278).raw(UserScalarRecord(1.5, "a"));
    // 1: dependent 1, ordinary least squares, roles.
    b.i32(1).i32(292).u16(1).u16(0).u8(2).u8(1);
    // 3: group names.
    b.i32(3).i32(316).i32(1).text(kMale).i32(1);
    // 2: one equation 数量 = 2.5 価格 - 0.5 定数項.
    b.i32(2).i32(374).i32(1).text(kQuantity).u16(2).u16(0).text(kPrice).f64(2.5).text(kConstant).f64(-0.5);
    // 4: one colour entry, group word 1, red on white.
    b.i32(4).i32(398).i32(1).u16(1).u16(0).i32(0x0000FF).i32(0xFFFFFF);
    // 5: info.
    b.i32(5).i32(419).text("Info text");
    // 6: final form, 数量 = 2.5 価格(-1).
    b.i32(6).i32(477).i32(1).text(kQuantity).u8(0).i32(0).f64(1.0).i32(1).text(kPrice).u8(0).i32(-1).f64(2.5);
    EXPECT_EQ(b.s.size(), 477u);
    return b.s;
}

// Section ids of an image, walking the headers from dataEnd.
std::vector<int> SectionIds(const std::string& s) {
    std::vector<int> ids;
    std::size_t at = static_cast<std::size_t>(I32At(s, 4));
    while (at + 8 <= s.size() && ids.size() < 100) {
        ids.push_back(I32At(s, at));
        at = static_cast<std::size_t>(I32At(s, at + 4));
    }
    return ids;
}

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("merlox_mdf_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        companions_.userScalars = &userScalars_;
        companions_.colors = &colors_;
        companions_.finalForm = &finalForm_;
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
    // What the program keeps beside the data set, for the files of this test.
    UserVar userScalars_;
    GridColorList colors_;
    FFList finalForm_;
    DataFileCompanions companions_;
};

TEST_F(DataFileTest, GoldenFileIsReadCompletely) {
    WriteFileBytes(Path("g.MDF"), GoldenFile());
    Reg reg(3, 2);
    reg.SetFileCompanions(&companions_);
    LoadFile(reg, Path("g.MDF"));

    EXPECT_EQ(reg.GetName(), "テスト");
    EXPECT_EQ(reg.GetInfo(), "Info text");
    ASSERT_EQ(reg.GetObsCount(), 3);
    ASSERT_EQ(reg.GetVarCount(), 2);
    EXPECT_EQ(reg.GetVarName(0), "価格");
    EXPECT_EQ(reg.GetVarInfo(0), "説明");
    EXPECT_EQ(reg.GetVarType(0), 2);
    EXPECT_EQ(reg.GetVarName(1), "数量");
    EXPECT_EQ(reg.GetVarInfo(1), "");
    EXPECT_EQ(reg.GetVarType(1), 1);
    const double x[] = {1, 2, 3}, y[] = {2, 4, 7};
    const std::uint16_t mx[] = {0, 1, 3}, my[] = {0, 0, 2};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reg.GetValue(i, 0), x[i]);
        EXPECT_EQ(reg.GetValue(i, 1), y[i]);
        EXPECT_EQ(reg.GetMark(i, 0), mx[i]);
        EXPECT_EQ(reg.GetMark(i, 1), my[i]);
    }
    // Stored model re-estimated: 数量 on 価格; slope Sxy/Sxx = 5/2, intercept 13/3 - 5.
    EXPECT_EQ(reg.GetDependent(), 1);
    EXPECT_EQ(reg.GetRole(0), Reg::kRoleExplanatory);
    EXPECT_FALSE(reg.IsTwoStage());
    EXPECT_NEAR(reg.GetCoef(0), 2.5, 1e-12);
    EXPECT_NEAR(reg.GetCoef(2), -2.0 / 3.0, 1e-12);

    EXPECT_EQ(reg.GetGroupName(1), "男性");
    ASSERT_EQ(reg.Expressions().GetCount(), 1);
    EXPECT_EQ(reg.Expressions().GetItem(0).GetLeftName(), "数量");
    EXPECT_EQ(reg.Expressions().GetItem(0).GetCount(), 2);
    EXPECT_EQ(userScalars_.GetValue(0, true), 1.5);
    EXPECT_EQ(userScalars_.GetName(0, true), "a");
    EXPECT_EQ(userScalars_.GetName(9, true), "9");
    ASSERT_EQ(colors_.Count(), 1);
    EXPECT_EQ(colors_.GetEntry(0).mask, 1);
    EXPECT_EQ(colors_.GetEntry(0).textColor, 0x0000FFu);
    ASSERT_EQ(finalForm_.GetCount(), 1);
    EXPECT_EQ(finalForm_.GetElement(0).GetName(), "数量");
    EXPECT_EQ(finalForm_.GetElement(0).GetTerm(0).GetLag(), -1);

    EXPECT_FALSE(reg.IsModified());
    EXPECT_EQ(reg.GetFileName(), Path("g.MDF"));
    EXPECT_EQ(reg.GetFileForm(), 0);
}

TEST_F(DataFileTest, ColourSectionReplacesTheProgramsTableAndItsAbsenceKeepsIt) {
    WriteFileBytes(Path("g.MDF"), GoldenFile());  // one entry: mask 1, text 0x0000FF
    GridColorEntry old;
    old.Set(8, 0x123456, 0x654321);
    colors_.SetColors(old);
    Reg reg(3, 2);
    reg.SetFileCompanions(&companions_);
    LoadFile(reg, Path("g.MDF"));
    ASSERT_EQ(colors_.Count(), 1);
    EXPECT_EQ(colors_.GetEntry(0).mask, 1);

    // A file without a colour section leaves the table as it is.
    Reg other(2, 2, "plain");
    SaveAs(other, Path("plain.MDF"));
    LoadFile(reg, Path("plain.MDF"));
    ASSERT_EQ(colors_.Count(), 1);
    EXPECT_EQ(colors_.GetEntry(0).mask, 1);
}

TEST_F(DataFileTest, GoldenFileIsWrittenBackByteForByte) {
    WriteFileBytes(Path("g.MDF"), GoldenFile());
    Reg reg(3, 2);
    reg.SetFileCompanions(&companions_);
    LoadFile(reg, Path("g.MDF"));
    companions_.colorSettings.saveColors = true;
    companions_.colorSettings.useFileColors = true;
    reg.SetModified(true);
    SaveAs(reg, Path("copy.mdf"));
    EXPECT_EQ(ReadFileBytes(Path("copy.mdf")), GoldenFile());
    EXPECT_FALSE(reg.IsModified());
    EXPECT_EQ(reg.GetFileName(), Path("copy.mdf"));
}

TEST_F(DataFileTest, FreshFileHasDataEndAtFirstSectionAndKeysAtRecords) {
    Reg reg(4, 3, "abc");
    reg.SetFileCompanions(&companions_);
    reg.SetVarName(1, "LONGER_NAME");
    SaveAs(reg, Path("f.Mdf"));
    const std::string s = ReadFileBytes(Path("f.Mdf"));
    ASSERT_GE(s.size(), 40u);
    EXPECT_EQ(s.substr(0, 4), std::string("MDF\0", 4));
    const std::int32_t dataEnd = I32At(s, 4);
    EXPECT_EQ(I32At(s, static_cast<std::size_t>(dataEnd)), 0);  // section 0 first
    // Directory right after name, obs and vars; each offset at the record's
    // name length, whose name follows.
    const std::size_t dir = 12 + 3 + 8;
    for (int j = 0; j < 3; ++j) {
        const std::size_t entry = dir + 8 * static_cast<std::size_t>(j);
        const std::int32_t off = I32At(s, entry + 4);
        const std::string name = reg.GetVarName(j);
        EXPECT_EQ(I32At(s, static_cast<std::size_t>(off)), static_cast<std::int32_t>(name.size()));
        EXPECT_EQ(s.substr(static_cast<std::size_t>(off) + 4, name.size()), name);
        EXPECT_EQ(static_cast<unsigned char>(s[entry]), static_cast<unsigned char>(name[0]));
        EXPECT_EQ(static_cast<unsigned char>(s[entry + 1]), name.size());
    }
    // No groups, equations or final form: sections 0, 1 and 5 only.
    EXPECT_EQ(SectionIds(s), (std::vector<int>{0, 1, 5}));
}

TEST_F(DataFileTest, ColourSectionFollowsTheSwitches) {
    GridColorEntry e;
    e.Set(2, 0x00FF00, 0x000000);
    colors_.SetColors(e);
    GridColorList settingsTable;
    struct Case {
        bool save, useFile;
        bool settingsHasEntry;
        bool expectSection;
    } cases[] = {
        {false, true, true, false}, {true, true, false, true}, {true, false, false, false}, {true, false, true, true}};
    for (const Case& c : cases) {
        settingsTable.Clear();
        if (c.settingsHasEntry) settingsTable.SetColors(e);
        companions_.colorSettings = {c.save, c.useFile, &settingsTable};
        Reg reg(3, 2);
        reg.SetFileCompanions(&companions_);
        std::ostringstream os;
        WriteBinaryImage(reg, os);
        const auto ids = SectionIds(os.str());
        EXPECT_EQ(ids, c.expectSection ? (std::vector<int>{0, 1, 4, 5}) : (std::vector<int>{0, 1, 5}))
            << c.save << c.useFile << c.settingsHasEntry;
    }
}

// The golden file with its sections replaced.
std::string WithSections(const std::string& sections) { return GoldenFile().substr(0, 140) + sections; }

TEST_F(DataFileTest, StageWordOneSetsTwoStage) {
    LeBytes b;
    b.i32(1).i32(154).u16(1).u16(0x0001).u8(2).u8(1);
    WriteFileBytes(Path("s.MDF"), WithSections(b.s));
    Reg reg(3, 2);
    reg.SetFileCompanions(&companions_);
    LoadFile(reg, Path("s.MDF"));
    EXPECT_TRUE(reg.IsTwoStage());
}

TEST_F(DataFileTest, UnknownSectionIsSkippedAndLaterOnesRead) {
    LeBytes b;
    b.i32(9).i32(140 + 8 + 3).raw("zzz");
    b.i32(5).i32(151 + 8 + 7).text("abc");
    WriteFileBytes(Path("u.MDF"), WithSections(b.s));
    Reg reg(3, 2);
    reg.SetFileCompanions(&companions_);
    LoadFile(reg, Path("u.MDF"));
    EXPECT_EQ(reg.GetInfo(), "abc");
}

TEST_F(DataFileTest, UnknownSectionPointingBackEndsTheModelPart) {
    LeBytes b;
    b.i32(5).i32(140 + 8 + 7).text("abc");
    b.i32(9).i32(10);  // would move backwards
    b.i32(5).i32(0).text("never");
    WriteFileBytes(Path("b.MDF"), WithSections(b.s));
    Reg reg(3, 2);
    reg.SetFileCompanions(&companions_);
    LoadFile(reg, Path("b.MDF"));
    EXPECT_EQ(reg.GetInfo(), "abc");
}

TEST_F(DataFileTest, WithoutModelSectionLastVariableIsDependentWithBestCandidate) {
    // x0 unrelated to y, x1 close to y; y last.
    LeBytes b;
    b.raw(std::string("MDF\0", 4)).i32(0).text("").i32(5).i32(3);
    const std::int32_t rec = 4 + 4 + 4 + 4 + 4 + 24;  // 44
    b.u8('a').u8(1).u16('a').i32(rec).u8('b').u8(1).u16('b').i32(rec + 64).u8('y').u8(1).u16('y').i32(rec + 128);
    const double a[] = {3, 1, 4, 1, 5}, c[] = {1, 2, 3, 4, 5}, y[] = {1.1, 2.0, 2.9, 4.2, 5.0};
    for (const auto& [name, v] : {std::pair{"a", a}, std::pair{"b", c}, std::pair{"y", y}}) {
        b.text(name).text("").u8(0).i32(5);
        for (int i = 0; i < 5; ++i) b.f64(v[i]).u16(0);
    }
    WriteFileBytes(Path("n.MDF"), b.s);
    Reg reg(3, 2);
    reg.SetFileCompanions(&companions_);
    LoadFile(reg, Path("n.MDF"));
    EXPECT_EQ(reg.GetDependent(), 2);
    EXPECT_EQ(reg.GetRole(1), Reg::kRoleExplanatory);
    EXPECT_EQ(reg.GetRole(0), Reg::kRoleUnused);
    // Empty name: the file title; empty info: the name.
    EXPECT_EQ(reg.GetName(), "n");
    EXPECT_EQ(reg.GetInfo(), "n");
    EXPECT_FALSE(reg.IsModified());
}

TEST_F(DataFileTest, MdfNameWithoutMagicGoesToTheTextFormFromItsFirstByte) {
    WriteFileBytes(Path("t.MDF"), "#var,#\r\n");
    Reg reg(3, 2, "keep");
    reg.SetFileCompanions(&companions_);
    EXPECT_THROW(LoadFile(reg, Path("t.MDF")), EReadError);
    EXPECT_EQ(reg.GetName(), "keep");

    WriteFileBytes(Path("t.MDF"), "v,w\r\n1,2\r\n3,5\r\n");
    LoadFile(reg, Path("t.MDF"));
    EXPECT_EQ(reg.GetVarCount(), 2);
    EXPECT_EQ(reg.GetObsCount(), 2);
    EXPECT_EQ(reg.GetName(), "t");
    // Read in the text form, so the file form is the text form's.
    EXPECT_EQ(reg.GetFileForm(), 1);
}

TEST_F(DataFileTest, OtherExtensionSavesInTheTextForm) {
    Reg reg(3, 2);
    reg.SetFileCompanions(&companions_);
    SaveAs(reg, Path("a.txt"));
    EXPECT_EQ(ReadFileBytes(Path("a.txt")).substr(0, 5), "#var,");
    EXPECT_EQ(reg.GetFileForm(), 1);
    EXPECT_FALSE(reg.IsModified());
}

TEST_F(DataFileTest, LongTextsAreCutOnACharacterBoundary) {
    std::string longName;
    for (int i = 0; i < 515; ++i) longName += "\x82\xA0";  // あ, 1030 bytes
    LeBytes b;
    b.raw(std::string("MDF\0", 4)).i32(0).text(longName).i32(1).i32(1);
    const auto record = static_cast<std::int32_t>(b.s.size()) + 8;  // after the one key
    b.u8(0x82).u8(6).u16(0).i32(record);
    b.text(longName).text("").u8(0).i32(1).f64(1.0).u16(0);
    WriteFileBytes(Path("l.MDF"), b.s);
    Reg reg(3, 2);
    reg.SetFileCompanions(&companions_);
    LoadFile(reg, Path("l.MDF"));
    std::string expected;
    for (int i = 0; i < 511; ++i) expected += "あ";
    EXPECT_EQ(reg.GetVarName(0), expected);
    EXPECT_EQ(reg.GetName(), expected);
}

TEST_F(DataFileTest, InfoSectionIsKeptWhole) {
    // 1100 bytes of info: beyond the 1023-byte limit of names, which the
    // info text does not have.
    std::string info;
    for (int i = 0; i < 110; ++i) info += "0123456789";
    LeBytes b;
    b.i32(5).i32(140 + 8 + 4 + 1100).text(info);
    WriteFileBytes(Path("i.MDF"), WithSections(b.s));
    Reg reg(3, 2);
    reg.SetFileCompanions(&companions_);
    LoadFile(reg, Path("i.MDF"));
    EXPECT_EQ(reg.GetInfo(), info);
    // A length beyond the end of the file is still refused.
    LeBytes bad;
    bad.i32(5).i32(140 + 8 + 4 + 3).i32(4).raw("abc");
    WriteFileBytes(Path("j.MDF"), WithSections(bad.s));
    EXPECT_THROW(LoadFile(reg, Path("j.MDF")), EReadError);
    EXPECT_EQ(reg.GetInfo(), info);
}

TEST_F(DataFileTest, DamagedFilesRaiseReadErrors) {
    const std::string g = GoldenFile();
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string countMismatch = g;
    countMismatch[93 + 4 + 4 + 4 + 1] = 2;  // second record claims 2 observations
    std::string negativeObs = g;
    negativeObs[18 + 3] = '\x80';
    std::string hugeVars = g;
    hugeVars[22 + 3] = '\x7F';
    std::string hugeText = g;
    hugeText[42 + 3] = '\x7F';
    std::string badOffset = g;
    badOffset[26 + 7] = '\x40';
    const Case cases[] = {
        {"count differs", countMismatch}, {"negative obs", negativeObs},     {"huge variable count", hugeVars},
        {"huge text", hugeText},          {"record offset", badOffset},      {"cut in data", g.substr(0, 120)},
        {"cut in section", g.substr(0, 300)}, {"cut in header", g.substr(0, 144)}, {"magic only", g.substr(0, 4)},
    };
    for (const Case& c : cases) {
        WriteFileBytes(Path("d.MDF"), c.bytes);
        Reg reg(3, 2, "current");
        reg.SetFileCompanions(&companions_);
        reg.SetFileName("old.MDF");
        reg.SetValue(0, 0, 42.0);
        EXPECT_THROW(LoadFile(reg, Path("d.MDF")), EReadError) << c.what;
        // The current model is untouched.
        EXPECT_EQ(reg.GetName(), "current") << c.what;
        EXPECT_EQ(reg.GetFileName(), "old.MDF") << c.what;
        EXPECT_EQ(reg.GetVarCount(), 2) << c.what;
        EXPECT_EQ(reg.GetValue(0, 0), 42.0) << c.what;
        EXPECT_TRUE(reg.IsModified()) << c.what;
        EXPECT_EQ(finalForm_.GetCount(), 0) << c.what;
        EXPECT_EQ(colors_.Count(), 0) << c.what;
    }
}

// Fewer bytes than a section header after the last section are ignored;
// the start of a header of a section not read yet, or a longer tail that is
// no valid section, still fails.
TEST_F(DataFileTest, ShortTailAfterTheLastSectionIsIgnored) {
    const std::string g = GoldenFile();
    const std::string upToInfo = g.substr(0, 419);  // without the final form
    LeBytes longTail;
    longTail.i32(5).i32(477 + 12).i32(1000);  // info text longer than the file
    struct Case {
        const char* what;
        std::string bytes;
        bool readable;
    };
    const Case cases[] = {
        {"one byte", g + "\x1A", true},
        {"line break", g + "\r\n", true},
        {"seven zeros", g + std::string(7, '\0'), true},
        {"seven letters", g + "zzzzzzz", true},
        {"id of a section read", g + Bytes({6, 0, 0, 0, 0xDD, 1}), true},
        {"cut id of the next section", upToInfo + Bytes({6}), false},
        {"cut header of the next section", upToInfo + Bytes({6, 0, 0, 0, 0xDD, 1, 0}), false},
        {"eight bytes and more", g + longTail.s, false},
    };
    for (const Case& c : cases) {
        WriteFileBytes(Path("t.MDF"), c.bytes);
        Reg reg(3, 2, "current");
        reg.SetFileCompanions(&companions_);
        if (!c.readable) {
            EXPECT_THROW(LoadFile(reg, Path("t.MDF")), EReadError) << c.what;
            EXPECT_EQ(reg.GetName(), "current") << c.what;
            continue;
        }
        ASSERT_NO_THROW(LoadFile(reg, Path("t.MDF"))) << c.what;
        EXPECT_EQ(reg.GetName(), "テスト") << c.what;
        EXPECT_EQ(reg.GetInfo(), "Info text") << c.what;
        ASSERT_EQ(reg.GetVarCount(), 2) << c.what;
        EXPECT_EQ(reg.GetValue(2, 1), 7.0) << c.what;
        EXPECT_EQ(reg.GetDependent(), 1) << c.what;
        EXPECT_EQ(finalForm_.GetCount(), 1) << c.what;
        finalForm_.Clear();
    }
}

TEST_F(DataFileTest, MissingFileRaisesOpenError) {
    Reg reg(3, 2, "current");
    reg.SetFileCompanions(&companions_);
    EXPECT_THROW(LoadFile(reg, Path("none.MDF")), EFOpenError);
    EXPECT_EQ(reg.GetName(), "current");
}

TEST_F(DataFileTest, SuccessfulSaveKeepsOldFileAsBackup) {
    WriteFileBytes(Path("d.MDF"), "old contents");
    Reg reg(3, 2);
    reg.SetFileCompanions(&companions_);
    SaveAs(reg, Path("d.MDF"));
    EXPECT_EQ(ReadFileBytes(Path("d.BAK")), "old contents");
    EXPECT_EQ(ReadFileBytes(Path("d.MDF")).substr(0, 4), std::string("MDF\0", 4));
    // Nothing else left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
    EXPECT_EQ(files, 2);
}

TEST_F(DataFileTest, FailedSaveLeavesOldFileAndModifiedFlag) {
    Reg reg(3, 2);
    reg.SetFileCompanions(&companions_);
    reg.SetFileName("former.MDF");
    ASSERT_TRUE(reg.IsModified());
    EXPECT_THROW(SaveAs(reg, Path("missing/x.MDF")), EFOpenError);
    EXPECT_TRUE(reg.IsModified());
    EXPECT_EQ(reg.GetFileName(), "former.MDF");

    // The target is a folder: the new file cannot be moved into place.
    fs::create_directories(Path("folder.MDF"));
    EXPECT_THROW(SaveAs(reg, Path("folder.MDF")), EWriteError);
    EXPECT_TRUE(reg.IsModified());
    EXPECT_TRUE(fs::is_directory(Path("folder.MDF")));

    // A data set without variables cannot be saved; the old file stays.
    WriteFileBytes(Path("keep.MDF"), "old contents");
    reg.DeleteAllVars();
    EXPECT_THROW(SaveAs(reg, Path("keep.MDF")), EWriteError);
    EXPECT_EQ(ReadFileBytes(Path("keep.MDF")), "old contents");
    EXPECT_FALSE(fs::exists(Path("keep.BAK")));
    EXPECT_TRUE(reg.IsModified());
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
    EXPECT_EQ(files, 2);
}

// The new file is on the disk before it replaces the old one, and the folder
// after, so that a power loss leaves the old or the new file whole.
TEST_F(DataFileTest, SaveFlushesTheNewFileBeforeItsRenameAndTheFolderAfter) {
    const fs::path dir = fs::canonical(dir_);
    WriteFileBytes(Path("d.MDF"), "old contents");
    Reg reg(3, 2);
    {
        FsyncRecorder recorder(dir);
        reg.Context().SetFsync(recorder.Call());
        SaveAs(reg, Path("d.MDF"));
        const std::vector<SyncEvent>& ev = recorder.Events();
        ASSERT_EQ(ev.size(), 2u);
        // The file under its temporary name, the old file still in place.
        const fs::path temp(ev[0].path);
        EXPECT_FALSE(ev[0].folder);
        EXPECT_EQ(temp.parent_path(), dir);
        EXPECT_EQ(ev[0].entries, (std::vector<std::string>{"d.MDF", temp.filename().string()}));
        // The folder once the new file has its name and the old one is the backup.
        EXPECT_TRUE(ev[1].folder);
        EXPECT_EQ(ev[1].path, dir.string());
        EXPECT_EQ(ev[1].entries, (std::vector<std::string>{"d.BAK", "d.MDF"}));
        reg.Context().SetFsync({});
    }
    EXPECT_FALSE(reg.IsModified());

    // A failed flush is a write error: the old file stays, no temporary file.
    WriteFileBytes(Path("e.MDF"), "old contents");
    reg.SetValue(0, 0, 1.0);
    {
        FsyncRecorder failing(dir, EIO);
        reg.Context().SetFsync(failing.Call());
        EXPECT_THROW(SaveAs(reg, Path("e.MDF")), EWriteError);
        reg.Context().SetFsync({});
    }
    EXPECT_EQ(ReadFileBytes(Path("e.MDF")), "old contents");
    EXPECT_EQ(reg.GetFileName(), Path("d.MDF"));
    EXPECT_TRUE(reg.IsModified());
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
    EXPECT_EQ(files, 3);
}

// Random data sets: values (NaN, infinities, -0.0, denormals included),
// marks, texts, types, roles, stage, equations, scalars, groups, colours and
// the final form survive a save and a load bit for bit.
TEST_F(DataFileTest, RandomRoundTripsKeepEverything) {
    std::mt19937 rng(20240611);
    const double specials[] = {std::nan(""), INFINITY, -INFINITY, -0.0, 4.9e-324, 1e308, -1.5};
    const char* words[] = {"価格", "数量", "Y", "所得", "x_1", "ﾃｽﾄ", "表", "\\"};
    for (int round = 0; round < 12; ++round) {
        const int n = 3 + static_cast<int>(rng() % 40);
        const int k = 2 + static_cast<int>(rng() % 6);
        Reg reg(n, k, std::string("set") + words[rng() % 8]);
        reg.SetFileCompanions(&companions_);
        for (int j = 0; j < k; ++j) {
            reg.SetVarName(j, std::string(words[rng() % 8]) + std::to_string(j));
            reg.SetVarInfo(j, round % 2 ? std::string(words[rng() % 8]) : std::string());
            reg.SetVarType(j, static_cast<int>(rng() % 4));
            for (int i = 0; i < n; ++i) {
                const double v = rng() % 10 == 0 ? specials[rng() % 7] : std::ldexp(static_cast<double>(rng()), -16);
                reg.SetValue(i, j, v);
                reg.SetMark(i, j, static_cast<std::uint16_t>(rng() % 3 == 0 ? rng() & 0xFFFF : 0));
            }
        }
        reg.SetInfo(round % 3 ? "情報" : "");
        reg.SetGroupName(1 + static_cast<int>(rng() % 16), words[rng() % 8]);
        reg.SetTwoStage(rng() % 2 == 0);
        std::vector<std::uint8_t> roles(static_cast<std::size_t>(k) + 1, 0);
        roles[0] = 2;
        roles[static_cast<std::size_t>(k)] = 2;
        static_cast<void>(reg.SetModel(k - 1, roles));
        // A stored two-stage model that is under-identified is fitted by
        // ordinary least squares when loaded; the round trip keeps to models
        // the loader takes as they are.
        int others = 0;
        if (reg.IsTwoStage() && reg.IsUnderidentified(others)) reg.SetTwoStage(false);
        const std::string names[] = {reg.GetVarName(0), Data::ConstantName()};
        const double coefs[] = {0.25 * round, -1.0 / 3.0};
        reg.AddExpres(Expres(reg.GetVarName(k - 1), 2, round % 2 == 1, coefs, names));
        std::stringstream bank;
        LeBytes ub;
        ub.raw(UserScalarRecord(std::ldexp(static_cast<double>(rng()), -7), "u" + std::to_string(round)));
        bank.str(ub.s);
        userScalars_.LoadDataBank(bank);
        GridColorEntry e;
        e.Set(static_cast<std::uint16_t>(rng() & 0xFFFF), rng() & 0xFFFFFF, rng() & 0xFFFFFF);
        colors_.Clear();
        colors_.SetColors(e);
        companions_.colorSettings = {true, true, nullptr};
        finalForm_.Clear();
        FFElement ff;
        ff.SetHead(FFCell(reg.GetVarName(k - 1), 1, 1.0, 0));
        ff.AppendTerm(FFCell(reg.GetVarName(0), 2, 0.125 * round, -static_cast<int>(rng() % 4)));
        finalForm_.Append(ff);

        const std::string file = Path("r" + std::to_string(round) + ".MDF");
        SaveAs(reg, file);
        std::ostringstream firstImage;
        WriteBinaryImage(reg, firstImage);

        // Clear what the loader must restore.
        userScalars_.Reset(true);
        colors_.Clear();
        finalForm_.Clear();
        Reg back(3, 2);
        back.SetFileCompanions(&companions_);
        LoadFile(back, file);

        ASSERT_EQ(back.GetObsCount(), n);
        ASSERT_EQ(back.GetVarCount(), k);
        EXPECT_EQ(back.GetName(), reg.GetName());
        EXPECT_EQ(back.GetInfo(), reg.GetInfo().empty() ? reg.GetName() : reg.GetInfo());
        for (int j = 0; j < k; ++j) {
            EXPECT_EQ(back.GetVarName(j), reg.GetVarName(j));
            EXPECT_EQ(back.GetVarInfo(j), reg.GetVarInfo(j));
            EXPECT_EQ(back.GetVarType(j), reg.GetVarType(j));
            EXPECT_EQ(back.GetRole(j), reg.GetRole(j)) << j;
            for (int i = 0; i < n; ++i) {
                const double a = reg.GetValue(i, j), b = back.GetValue(i, j);
                EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << i << "," << j;
                EXPECT_EQ(back.GetMark(i, j), reg.GetMark(i, j));
            }
        }
        EXPECT_EQ(back.GetDependent(), reg.GetDependent());
        EXPECT_EQ(back.IsTwoStage(), reg.IsTwoStage());
        EXPECT_EQ(back.GroupNames().Count(), 1);
        EXPECT_EQ(back.GroupNames().NameAt(0), reg.GroupNames().NameAt(0));
        EXPECT_EQ(back.GroupNames().CodeAt(0), reg.GroupNames().CodeAt(0));
        ASSERT_EQ(back.Expressions().GetCount(), 1);
        EXPECT_EQ(back.Expressions().GetItem(0).GetLeftName(), reg.GetVarName(k - 1));
        EXPECT_EQ(back.Expressions().GetItem(0).IsDefinition(), round % 2 == 1);
        EXPECT_EQ(userScalars_.GetName(0, true), "u" + std::to_string(round));
        ASSERT_EQ(colors_.Count(), 1);
        EXPECT_EQ(colors_.GetEntry(0), e);
        ASSERT_EQ(finalForm_.GetCount(), 1);
        EXPECT_TRUE(finalForm_.GetElement(0) == ff);
        EXPECT_FALSE(back.IsModified());
        // Written again, the image is the same (an empty info became the
        // name on loading, so only with an info of its own).
        std::ostringstream again;
        WriteBinaryImage(back, again);
        if (!reg.GetInfo().empty()) {
            EXPECT_TRUE(again.str() == firstImage.str()) << round;
        }
    }
}

}  // namespace

// User scalars and the recent-file list.
#include "core/settings/user_var.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "core/settings/reload_files.h"
#include "core/text/text_evaluator.h"
#include "platform/errors.h"
#include "platform/ini_file.h"

namespace {

// A data set that is open or not, counting how often it was marked modified.
struct FakeDataSet {
    bool open = true;
    int modifiedMarks = 0;
    UserVarDataLink Link() {
        return {[this] { return open; }, [this] { ++modifiedMarks; }};
    }
};

std::string Le32(std::int32_t v) {
    std::string s;
    for (int b = 0; b < 4; ++b) s += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * b)) & 0xFF);
    return s;
}

std::string SaveBank(const UserVar& uv) {
    std::ostringstream out;
    uv.SaveDataBank(out);
    return out.str();
}

TEST(UserVarBanks, FreshState) {
    UserVar uv;
    EXPECT_EQ(uv.FindName("3", true), 3);
    EXPECT_EQ(uv.FindName("3", false), 3);
    EXPECT_EQ(uv.FindName("x", false), -1);
    EXPECT_EQ(uv.GetValue(9, false), 0.0);
    EXPECT_EQ(uv.GetValue(0, true), 0.0);
    EXPECT_EQ(uv.GetName(7, true), "7");
    EXPECT_EQ(uv.BankSwitch(), 0);
    EXPECT_THROW(uv.GetValue(10, true), ERangeError);
    EXPECT_THROW(uv.SetValue(-1, false, 1.0), ERangeError);
    EXPECT_THROW(uv.GetName(10, false), ERangeError);
}

TEST(UserVarBanks, LowestIndexWinsAndNamesAreCaseSensitive) {
    UserVar uv;
    uv.SetName(2, false, "a");
    uv.SetName(5, false, "a");
    EXPECT_EQ(uv.FindName("a", false), 2);
    EXPECT_EQ(uv.FindName("A", false), -1);
    EXPECT_EQ(uv.FindName("a", true), -1);
}

TEST(UserVarBanks, DataBankNeedsAnOpenDataSetAndMarksIt) {
    FakeDataSet data;
    UserVar uv;
    uv.SetDataLink(data.Link());

    uv.SetValue(4, true, 0.0);  // same value: no mark
    EXPECT_EQ(data.modifiedMarks, 0);
    uv.SetValue(4, true, 2.5);
    EXPECT_EQ(uv.GetValue(4, true), 2.5);
    EXPECT_EQ(data.modifiedMarks, 1);
    uv.SetName(4, true, "4");  // same name: no mark
    EXPECT_EQ(data.modifiedMarks, 1);
    uv.SetName(4, true, "rate");
    EXPECT_EQ(data.modifiedMarks, 2);

    data.open = false;
    uv.SetValue(4, true, 9.0);
    uv.SetName(4, true, "other");
    EXPECT_EQ(uv.GetValue(4, true), 2.5);
    EXPECT_EQ(uv.GetName(4, true), "rate");
    EXPECT_EQ(data.modifiedMarks, 2);

    // The settings bank stores always and marks nothing.
    uv.SetValue(4, false, 9.0);
    uv.SetName(4, false, "s");
    EXPECT_EQ(uv.GetValue(4, false), 9.0);
    EXPECT_EQ(uv.GetName(4, false), "s");
    EXPECT_EQ(data.modifiedMarks, 2);
}

TEST(UserVarBanks, WithoutALinkNoDataSetIsOpen) {
    UserVar uv;
    uv.SetValue(1, true, 3.0);
    EXPECT_EQ(uv.GetValue(1, true), 0.0);
}

TEST(UserVarBanks, ActiveBankFollowsTheSwitch) {
    FakeDataSet data;
    UserVar uv;
    uv.SetDataLink(data.Link());
    uv.SetActiveValue(0, 1.0);
    uv.SetActiveName(0, "s0");
    EXPECT_EQ(uv.GetValue(0, false), 1.0);
    EXPECT_EQ(uv.GetActiveName(0), "s0");
    uv.SetBankSwitch(1);
    uv.SetActiveValue(0, 2.0);
    uv.SetActiveName(0, "d0");
    EXPECT_EQ(uv.GetValue(0, true), 2.0);
    EXPECT_EQ(uv.GetActiveName(0), "d0");
    {
        UserVarBankHold hold(uv, 0);
        EXPECT_EQ(uv.GetActiveName(0), "s0");
    }
    EXPECT_EQ(uv.BankSwitch(), 1);
}

TEST(UserVarBanks, ResetTouchesOneBankOnly) {
    FakeDataSet data;
    UserVar uv;
    uv.SetDataLink(data.Link());
    uv.SetValue(3, true, 1.0);
    uv.SetName(3, true, "d");
    uv.SetValue(3, false, 2.0);
    uv.SetName(3, false, "s");
    int marks = data.modifiedMarks;
    uv.Reset(true);
    EXPECT_EQ(uv.GetValue(3, true), 0.0);
    EXPECT_EQ(uv.GetName(3, true), "3");
    EXPECT_EQ(uv.GetValue(3, false), 2.0);
    EXPECT_EQ(uv.GetName(3, false), "s");
    EXPECT_EQ(data.modifiedMarks, marks);
}

TEST(UserVarBanks, NameCp932CannotHoldIsRefused) {
    FakeDataSet data;
    UserVar uv;
    uv.SetDataLink(data.Link());
    EXPECT_THROW(uv.SetName(1, false, "\xF0\x9F\x98\x80"), EConvertError);  // an emoji
    EXPECT_THROW(uv.SetName(1, true, "\xF0\x9F\x98\x80"), EConvertError);
    EXPECT_EQ(uv.GetName(1, false), "1");
    EXPECT_EQ(uv.GetName(1, true), "1");
    EXPECT_EQ(data.modifiedMarks, 0);
    uv.SetName(1, false, "価格");
    EXPECT_EQ(uv.FindName("価格", false), 1);
}

TEST(UserVarRecord, FreshBankIs130Bytes) {
    UserVar uv;
    std::string expected(80, '\0');
    for (int i = 0; i < 10; ++i) expected += Le32(1) + std::to_string(i);
    std::string rec = SaveBank(uv);
    EXPECT_EQ(rec.size(), 130u);
    EXPECT_EQ(rec, expected);
}

TEST(UserVarRecord, ValuesAndCp932Names) {
    FakeDataSet data;
    UserVar uv;
    uv.SetDataLink(data.Link());
    uv.SetValue(0, true, 1.25);
    uv.SetValue(9, true, -3.5);
    uv.SetName(1, true, "価格");
    uv.SetName(2, true, "");
    std::string rec = SaveBank(uv);
    // 1.25 and -3.5 as little-endian doubles.
    EXPECT_EQ(rec.substr(0, 8), std::string("\x00\x00\x00\x00\x00\x00\xF4\x3F", 8));
    EXPECT_EQ(rec.substr(72, 8), std::string("\x00\x00\x00\x00\x00\x00\x0C\xC0", 8));
    EXPECT_EQ(rec.substr(80, 5), Le32(1) + "0");
    EXPECT_EQ(rec.substr(85, 8), Le32(4) + "\x89\xBF\x8A\x69");
    EXPECT_EQ(rec.substr(93, 4), Le32(0));  // empty name: length only
    EXPECT_EQ(rec.size(), 80u + 5 + 8 + 4 + 7 * 5);

    UserVar back;  // no data set open: loading stores all the same
    std::istringstream in(rec + "next section");
    back.LoadDataBank(in, static_cast<std::int64_t>(rec.size()));
    EXPECT_EQ(static_cast<std::size_t>(in.tellg()), rec.size());
    EXPECT_EQ(back.GetValue(0, true), 1.25);
    EXPECT_EQ(back.GetValue(9, true), -3.5);
    EXPECT_EQ(back.GetName(1, true), "価格");
    EXPECT_EQ(back.GetName(2, true), "");
    EXPECT_EQ(back.GetName(3, true), "3");
    EXPECT_EQ(SaveBank(back), rec);
}

TEST(UserVarRecord, LongNamesAreCutAtACharacterBoundary) {
    std::string head(80, '\0');
    std::string names;
    // 1022 "a" then a double-byte character: the 1023-byte limit falls
    // between its two bytes, so the character is dropped.
    names += Le32(1024) + std::string(1022, 'a') + "\x82\xA0";
    names += Le32(1100) + std::string(1100, 'b');
    for (int i = 2; i < 10; ++i) names += Le32(1) + "z";
    UserVar uv;
    std::istringstream in(head + names);
    uv.LoadDataBank(in);
    EXPECT_EQ(uv.GetName(0, true), std::string(1022, 'a'));
    EXPECT_EQ(uv.GetName(1, true), std::string(1023, 'b'));
    EXPECT_EQ(uv.GetName(9, true), "z");
}

TEST(UserVarRecord, DamagedRecordsAreRefusedAndChangeNothing) {
    std::string head(80, '\x11');
    std::string nine;
    for (int i = 1; i < 10; ++i) nine += Le32(1) + "n";
    struct Case {
        const char* what;
        std::string bytes;
        std::int64_t available;
    };
    const Case cases[] = {
        {"huge length", head + Le32(0x7FFFFFFF) + "x" + nine, -1},
        {"negative length", head + Le32(-5) + nine, -1},
        {"values cut short", head.substr(0, 40), -1},
        {"names missing", head + Le32(1) + "a", -1},
        {"longer than its section", head + Le32(1) + "a" + nine, 90},
        {"bad CP932", head + Le32(1) + "\x82" + nine, -1},
    };
    for (const Case& c : cases) {
        FakeDataSet data;
        UserVar uv;
        uv.SetDataLink(data.Link());
        uv.SetValue(0, true, 7.0);
        std::istringstream in(c.bytes);
        EXPECT_THROW(uv.LoadDataBank(in, c.available), EReadError) << c.what;
        EXPECT_EQ(uv.GetValue(0, true), 7.0) << c.what;
        EXPECT_EQ(uv.GetName(0, true), "0") << c.what;
    }
}

TEST(UserVarText, VarLineItems) {
    FakeDataSet data;
    UserVar uv;
    uv.SetDataLink(data.Link());
    EXPECT_EQ(uv.DataBankTextItems(), "@0/0,@1/0,@2/0,@3/0,@4/0,@5/0,@6/0,@7/0,@8/0,@9/0,");
    uv.SetValue(0, true, 0.1);
    uv.SetName(0, true, "x");
    EXPECT_EQ(uv.DataBankTextItems().substr(0, 9), "@x/0.1,@1");

    UserVar in;
    in.SetDataLink(data.Link());
    std::vector<std::string> items = {"@rate/1.5", "2.5", "@y/-3"};
    for (int i = 0; i < 12; ++i) items.push_back("@extra/1");  // only ten are used
    in.ReadTextItems(items, PlainNumbers());
    EXPECT_EQ(in.GetName(0, true), "rate");
    EXPECT_EQ(in.GetValue(0, true), 1.5);
    EXPECT_EQ(in.GetName(1, true), "1");
    EXPECT_EQ(in.GetValue(1, true), 2.5);
    EXPECT_EQ(in.GetName(2, true), "y");
    EXPECT_EQ(in.GetValue(2, true), -3.0);
    EXPECT_EQ(in.GetName(9, true), "extra");
    EXPECT_EQ(in.GetName(0, false), "0");  // the settings bank is untouched
    EXPECT_EQ(in.BankSwitch(), 0);         // and the switch restored
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("merlox_uv_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "MERLOX.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Touch(const std::string& name) {
        std::string p = (dir_ / name).string();
        std::ofstream(p) << "x";
        return p;
    }
    std::filesystem::path dir_;
    std::string path_;
};

TEST_F(SettingsFile, UserVarSectionRoundTrip) {
    UserVar uv;
    uv.SetName(0, false, "rate");
    uv.SetValue(0, false, 0.1);
    uv.SetValue(1, false, 1e20);
    uv.SetName(2, false, "価格");
    uv.SetValue(2, false, -2.5);
    {
        IniFile ini(path_);
        uv.SaveSettings(ini);
        EXPECT_EQ(ini.ReadString("VAR", "item0", ""), "rate/0.1");
        EXPECT_EQ(ini.ReadString("VAR", "item1", ""), "1/1E20");
        EXPECT_EQ(ini.ReadString("VAR", "item9", ""), "9/0");
        ini.UpdateFile();
    }
    IniFile ini(path_);
    UserVar back;
    back.LoadSettings(ini, PlainNumbers());
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(back.GetName(i, false), uv.GetName(i, false));
        EXPECT_EQ(back.GetValue(i, false), uv.GetValue(i, false));
    }
}

TEST_F(SettingsFile, UserVarMissingKeysAndBadValues) {
    IniFile ini(path_);
    ini.WriteString("VAR", "item3", "k/42");
    UserVar uv;
    uv.SetName(5, false, "before");
    uv.LoadSettings(ini, PlainNumbers());
    EXPECT_EQ(uv.GetName(3, false), "k");
    EXPECT_EQ(uv.GetValue(3, false), 42.0);
    EXPECT_EQ(uv.GetName(5, false), "5");  // missing key: "5/0"
    EXPECT_EQ(uv.GetValue(5, false), 0.0);

    ini.WriteString("VAR", "item4", "bad/not a number");
    EXPECT_ANY_THROW(uv.LoadSettings(ini, PlainNumbers()));
    EXPECT_EQ(uv.GetName(3, false), "k");  // left as it was
}

TEST(ReloadFilesList, AddMovesToFront) {
    ReloadFiles rf;
    EXPECT_FALSE(rf.Add(""));
    EXPECT_EQ(rf.Count(), 0);
    rf.Add("c");
    rf.Add("b");
    rf.Add("a");  // a b c
    EXPECT_TRUE(rf.Add("b"));
    ASSERT_EQ(rf.Count(), 3);
    EXPECT_EQ(rf.GetItem(0), "b");
    EXPECT_EQ(rf.GetItem(1), "a");
    EXPECT_EQ(rf.GetItem(2), "c");
    rf.Add("C");  // letter case makes another entry
    EXPECT_EQ(rf.Count(), 4);
    EXPECT_EQ(rf.GetItem(0), "C");
    EXPECT_EQ(rf.GetItem(3), "c");
}

TEST(ReloadFilesList, FullListDropsTheOldest) {
    ReloadFiles rf;
    for (int i = 0; i < 11; ++i) rf.Add("f" + std::to_string(i));
    ASSERT_EQ(rf.Count(), 10);
    for (int k = 0; k < 10; ++k) EXPECT_EQ(rf.GetItem(k), "f" + std::to_string(10 - k));
    EXPECT_EQ(rf.GetItem(12), rf.GetItem(2));
    EXPECT_EQ(rf.GetItem(12), "f8");
    EXPECT_EQ(rf.GetItem(-1), rf.GetItem(9));  // no access outside the slots
}

TEST(ReloadFilesList, RemoveAndClear) {
    ReloadFiles rf;
    for (const char* n : {"c", "b", "a"}) rf.Add(n);
    rf.Remove("x");
    rf.Remove("");
    EXPECT_EQ(rf.Count(), 3);
    rf.Remove("b");
    ASSERT_EQ(rf.Count(), 2);
    EXPECT_EQ(rf.GetItem(0), "a");
    EXPECT_EQ(rf.GetItem(1), "c");
    rf.Clear();
    EXPECT_EQ(rf.Count(), 0);
    rf.Add("z");
    EXPECT_EQ(rf.GetItem(0), "z");
    EXPECT_EQ(rf.Count(), 1);
}

TEST_F(SettingsFile, RecordSectionKeepsExistingFilesInOrder) {
    IniFile ini(path_);
    ini.WriteInteger("RECORD", "size", 15);
    std::vector<std::string> existing;
    for (int k = 0; k < 15; ++k) {
        std::string name = (k == 1 || k == 4) ? (dir_ / ("gone" + std::to_string(k))).string()
                                              : Touch("f" + std::to_string(k) + ".MDF");
        if (k < 10 && k != 1 && k != 4) existing.push_back(name);
        ini.WriteString("RECORD", "item" + std::to_string(k), name);
    }
    ini.WriteString("RECORD", "item2", "");
    existing.erase(existing.begin() + 1);  // item2 now empty

    ReloadFiles rf;
    rf.Add("stale");
    rf.LoadSettings(ini);
    ASSERT_EQ(rf.Count(), static_cast<int>(existing.size()));
    for (int k = 0; k < rf.Count(); ++k) EXPECT_EQ(rf.GetItem(k), existing[static_cast<std::size_t>(k)]);

    // Saving erases the longer list that was there.
    rf.SaveSettings(ini);
    EXPECT_EQ(ini.ReadInteger("RECORD", "size", -1), rf.Count());
    EXPECT_EQ(ini.ReadString("RECORD", "item0", ""), existing[0]);
    EXPECT_FALSE(ini.ValueExists("RECORD", "item" + std::to_string(rf.Count())));
    EXPECT_FALSE(ini.ValueExists("RECORD", "item14"));
}

TEST_F(SettingsFile, RecordSectionDropsFolders) {
    IniFile ini(path_);
    std::filesystem::create_directories(dir_ / "folder");
    const std::string file = Touch("kept.MDF");
    ini.WriteInteger("RECORD", "size", 2);
    ini.WriteString("RECORD", "item0", (dir_ / "folder").string());
    ini.WriteString("RECORD", "item1", file);
    ReloadFiles rf;
    rf.LoadSettings(ini);
    ASSERT_EQ(rf.Count(), 1);
    EXPECT_EQ(rf.GetItem(0), file);
}

TEST_F(SettingsFile, RecordSectionWithNegativeSizeIsEmpty) {
    IniFile ini(path_);
    ini.WriteInteger("RECORD", "size", -3);
    ReloadFiles rf;
    rf.Add("x");
    rf.LoadSettings(ini);
    EXPECT_EQ(rf.Count(), 0);
}

}  // namespace

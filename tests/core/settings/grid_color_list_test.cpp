#include "core/settings/grid_color_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/ini_file.h"

namespace {

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int x : b) s += static_cast<char>(x);
    return s;
}

GridColorEntry Entry(std::uint16_t mask, ColorValue fg, ColorValue bg) {
    GridColorEntry e;
    e.Set(mask, fg, bg);
    return e;
}

std::string Record(const GridColorList& list) {
    std::ostringstream out;
    list.SaveToStream(out);
    return out.str();
}

TEST(ColorText, NamesAndHexForms) {
    struct Case {
        ColorValue value;
        const char* text;
    };
    const Case cases[] = {
        {0x000000, "clBlack"},        {0xFFFFFF, "clWhite"},       {0x0000FF, "clRed"},
        {0xA4A0A0, "clMedGray"},      {0x8000000F, "clBtnFace"},   {0x80000000, "clScrollBar"},
        {0x20000000, "clDefault"},    {0x1FFFFFFF, "clNone"},      {0x80000008, "clWindowText"},
        {0x00123456, "$00123456"},    {0x00000001, "$00000001"},   {0xFFFFFFFF, "$FFFFFFFF"},
        {0x80000040, "$80000040"},    {0x00ABCDEF, "$00ABCDEF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ColorToString(c.value), c.text);
        EXPECT_EQ(StringToColor(c.text), c.value) << c.text;
    }
}

TEST(ColorText, TableHasFiftyTwoDistinctNamesThatRoundTrip) {
    const auto& table = ColorNameTable();
    ASSERT_EQ(table.size(), 52u);
    EXPECT_STREQ(table.front().name, "clBlack");
    EXPECT_STREQ(table.back().name, "clWindowText");
    std::set<ColorValue> values;
    for (const NamedColor& c : table) {
        values.insert(c.value);
        EXPECT_EQ(ColorToString(c.value), c.name);
    }
    EXPECT_EQ(values.size(), 52u);
}

TEST(ColorText, ReadsOtherLetterCaseAndIntegers) {
    EXPECT_EQ(StringToColor("clred"), 0x0000FFu);
    EXPECT_EQ(StringToColor("CLBTNFACE"), 0x8000000Fu);
    EXPECT_EQ(StringToColor("$00abcdef"), 0x00ABCDEFu);
    EXPECT_EQ(StringToColor("255"), 255u);
    EXPECT_EQ(StringToColor("+16"), 16u);
    EXPECT_EQ(StringToColor("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(StringToColor("2147483647"), 0x7FFFFFFFu);
    EXPECT_EQ(StringToColor("-2147483648"), 0x80000000u);
}

TEST(ColorText, RefusesOtherTexts) {
    for (const char* bad : {"", "red", "clRedd", "$", "$123456789", "$12G", "12x", "2147483648",
                            "99999999999999999999", "-", "1.5", " "}) {
        EXPECT_THROW(StringToColor(bad), EConvertError) << bad;
    }
}

TEST(GridColorEntryText, FormsOfTheMask) {
    EXPECT_EQ(Entry(0x0005, 0x000000, 0xFFFFFF).ToText(), "13/clBlack/clWhite");
    EXPECT_EQ(Entry(0x0000, 0x000000, 0xFFFFFF).ToText(), "/clBlack/clWhite");
    EXPECT_EQ(Entry(0x8201, 0x0000FF, 0x00ABCDEF).ToText(), "1A0/clRed/$00ABCDEF");
}

TEST(GridColorEntryText, ParsesTrimmedPartsInAnyCase) {
    GridColorEntry e;
    e.FromText(" 1a0 / clred / $00abcdef ");
    EXPECT_EQ(e, Entry(0x8201, 0x0000FF, 0x00ABCDEF));
    e.FromText("N/clBlack/clWhite");
    EXPECT_EQ(e, Entry(0, 0x000000, 0xFFFFFF));
    e.FromText("/clNavy/255");
    EXPECT_EQ(e, Entry(0, 0x800000, 0x0000FF));
    for (std::uint16_t mask : {0x0001, 0x0005, 0x8000, 0x7FFF, 0xFFFF}) {
        GridColorEntry x = Entry(mask, 0x00102030, 0x80000005);
        GridColorEntry y;
        y.FromText(x.ToText());
        EXPECT_EQ(y, x) << x.ToText();
    }
}

TEST(GridColorEntryText, BadColourLeavesTheEntry) {
    GridColorEntry e = Entry(3, 1, 2);
    EXPECT_THROW(e.FromText("12/clBlack/nothing"), EConvertError);
    EXPECT_THROW(e.FromText("12/clBlack"), EConvertError);  // empty background
    EXPECT_EQ(e, Entry(3, 1, 2));
}

TEST(GridColorListTable, SetColorsReplacesInPlace) {
    GridColorList list;
    list.SetColors(Entry(1, 10, 11));
    list.SetColors(Entry(2, 20, 21));
    list.SetColors(Entry(4, 40, 41));
    list.SetColors(Entry(2, 22, 23));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetEntry(0), Entry(1, 10, 11));
    EXPECT_EQ(list.GetEntry(1), Entry(2, 22, 23));
    EXPECT_EQ(list.GetEntry(2), Entry(4, 40, 41));
    EXPECT_THROW(list.GetEntry(3), ERangeError);
    EXPECT_THROW(list.GetEntry(-1), ERangeError);
}

TEST(GridColorListTable, UnknownMaskIsBlackOnWhite) {
    GridColorList list;
    GridColorEntry out;
    EXPECT_EQ(list.GetColors(7, out), Entry(7, 0x000000, 0xFFFFFF));
    list.SetColors(Entry(1, 5, 6));
    EXPECT_EQ(list.GetColors(1), Entry(1, 5, 6));
    EXPECT_EQ(list.GetColors(3), Entry(3, 0x000000, 0xFFFFFF));
}

TEST(GridColorListTable, AssignKeepsTheOrder) {
    GridColorList a;
    a.SetColors(Entry(9, 1, 1));
    a.SetColors(Entry(3, 2, 2));
    a.SetColors(Entry(5, 3, 3));
    GridColorList b;
    b.SetColors(Entry(100, 0, 0));
    b.Assign(a);
    EXPECT_EQ(b.Entries(), a.Entries());
    b.Assign(b);
    EXPECT_EQ(b.Count(), 3);
}

TEST(GridColorListStream, EmptyRecordIsFourBytes) {
    GridColorList list;
    EXPECT_EQ(Record(list), Bytes({0, 0, 0, 0}));
    GridColorList loaded;
    loaded.SetColors(Entry(1, 2, 3));
    std::istringstream in(Record(list));
    loaded.LoadFromStream(in);
    EXPECT_EQ(loaded.Count(), 0);
}

TEST(GridColorListStream, ByteLayout) {
    GridColorList list;
    list.SetColors(Entry(0x0005, 0x000000FF, 0x00FFFFFF));
    list.SetColors(Entry(0x8001, 0x80000005, 0x00123456));
    EXPECT_EQ(Record(list), Bytes({2, 0, 0, 0,                                   //
                                   0x05, 0x00, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0,  //
                                   0x01, 0x80, 0, 0, 0x05, 0, 0, 0x80, 0x56, 0x34, 0x12, 0}));
}

TEST(GridColorListStream, RoundTripAndReservedBytesIgnored) {
    GridColorList list;
    list.SetColors(Entry(0x0001, 0x000000FF, 0x00FFFFFF));
    list.SetColors(Entry(0xFFFF, 0x1FFFFFFF, 0x20000000));
    list.SetColors(Entry(0x0000, 0xDEADBEEF, 0x00000000));
    std::string rec = Record(list);
    ASSERT_EQ(rec.size(), 4u + 12u * 3u);
    rec[6] = '\x7F';  // reserved bytes of entry 0
    rec[7] = '\x01';
    GridColorList loaded;
    std::istringstream in(rec + "tail");
    loaded.LoadFromStream(in, static_cast<std::int64_t>(rec.size()));
    EXPECT_EQ(loaded.Entries(), list.Entries());
    // The next section starts where the record ended.
    EXPECT_EQ(static_cast<std::size_t>(in.tellg()), rec.size());
}

TEST(GridColorListStream, RepeatedMaskReplacesEarlierColours) {
    std::string rec = Bytes({3, 0, 0, 0,                                   //
                             2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,           //
                             4, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,           //
                             2, 0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 0});
    GridColorList loaded;
    std::istringstream in(rec);
    loaded.LoadFromStream(in);
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.GetEntry(0), Entry(2, 3, 3));
    EXPECT_EQ(loaded.GetEntry(1), Entry(4, 2, 2));
}

TEST(GridColorListStream, DamagedCountIsRefused) {
    GridColorList keep;
    keep.SetColors(Entry(1, 2, 3));
    const std::string entry = Bytes({1, 0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0});
    struct Case {
        std::string bytes;
        std::int64_t available;
    };
    const Case cases[] = {
        {Bytes({0xE8, 0x03, 0, 0}) + entry, -1},            // 1000 entries, one present
        {Bytes({0xFF, 0xFF, 0xFF, 0x7F}) + entry, -1},      // largest count
        {Bytes({0xFF, 0xFF, 0xFF, 0xFF}) + entry, -1},      // negative count
        {Bytes({2, 0, 0, 0}) + entry + entry, 4 + 12},      // more than its section holds
        {Bytes({1, 0, 0}), -1},                             // count cut short
        {Bytes({1, 0, 0, 0}) + entry.substr(0, 11), -1},   // entry cut short
        {Bytes({1, 0, 0, 0}) + entry, 3},                   // section shorter than a count
    };
    for (const Case& c : cases) {
        GridColorList list;
        list.Assign(keep);
        std::istringstream in(c.bytes);
        EXPECT_THROW(list.LoadFromStream(in, c.available), EReadError);
        EXPECT_EQ(list.Entries(), keep.Entries());
    }
}

class GridColorListSettings : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("merlox_gcl_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "MERLOX.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
    std::string path_;
};

TEST_F(GridColorListSettings, RoundTripThroughTheFile) {
    GridColorList list;
    list.SetColors(Entry(0x0005, 0x000000, 0xFFFFFF));
    list.SetColors(Entry(0x0000, 0x00123456, 0x8000000F));
    {
        IniFile ini(path_);
        for (int i = 0; i < 5; ++i) ini.WriteString("COLOR", "item" + std::to_string(i), "1/clRed/clRed");
        list.SaveSettings(ini);
        EXPECT_EQ(ini.ReadInteger("COLOR", "size", -1), 2);
        EXPECT_EQ(ini.ReadString("COLOR", "item0", ""), "13/clBlack/clWhite");
        EXPECT_EQ(ini.ReadString("COLOR", "item1", ""), "/$00123456/clBtnFace");
        EXPECT_FALSE(ini.ValueExists("COLOR", "item2"));  // the older, longer list is gone
        ini.UpdateFile();
    }
    IniFile again(path_);
    GridColorList loaded;
    loaded.LoadSettings(again);
    EXPECT_EQ(loaded.Entries(), list.Entries());
}

TEST_F(GridColorListSettings, DamagedSectionIsBoundedOrRefused) {
    IniFile ini(path_);
    ini.WriteInteger("COLOR", "size", 2000000000);
    ini.WriteString("COLOR", "item3", "2/clLime/clNavy");
    GridColorList loaded;
    loaded.LoadSettings(ini);  // missing items are skipped, the loop is bounded
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(loaded.GetEntry(0), Entry(2, 0x00FF00, 0x800000));

    ini.WriteString("COLOR", "item5", "3/clLime/notacolour");
    EXPECT_THROW(loaded.LoadSettings(ini), EConvertError);
    EXPECT_EQ(loaded.Count(), 1);
}

}  // namespace

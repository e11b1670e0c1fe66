#include "core/settings/grid_color_list.h"

#include <algorithm>
#include <istream>
#include <new>
#include <ostream>

#include "core/settings/file_services.h"
#include "core/data/group_mask.h"
#include "core/text/field_split.h"
#include "platform/binary_stream.h"
#include "platform/errors.h"
#include "platform/ini_file.h"

namespace {

constexpr ColorValue kSys = 0x80000000u;

const std::vector<NamedColor> kColorNames = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clActiveBorder", kSys + 10},
    {"clActiveCaption", kSys + 2},
    {"clAppWorkSpace", kSys + 12},
    {"clBackground", kSys + 1},
    {"clBtnFace", kSys + 15},
    {"clBtnHighlight", kSys + 20},
    {"clBtnShadow", kSys + 16},
    {"clBtnText", kSys + 18},
    {"clCaptionText", kSys + 9},
    {"clDefault", 0x20000000},
    {"clGradientActiveCaption", kSys + 27},
    {"clGradientInactiveCaption", kSys + 28},
    {"clGrayText", kSys + 17},
    {"clHighlight", kSys + 13},
    {"clHighlightText", kSys + 14},
    {"clHotLight", kSys + 26},
    {"clInactiveBorder", kSys + 11},
    {"clInactiveCaption", kSys + 3},
    {"clInactiveCaptionText", kSys + 19},
    {"clInfoBk", kSys + 24},
    {"clInfoText", kSys + 23},
    {"clMenu", kSys + 4},
    {"clMenuBar", kSys + 30},
    {"clMenuHighlight", kSys + 29},
    {"clMenuText", kSys + 7},
    {"clNone", 0x1FFFFFFF},
    {"clScrollBar", kSys + 0},
    {"cl3DDkShadow", kSys + 21},
    {"cl3DLight", kSys + 22},
    {"clWindow", kSys + 5},
    {"clWindowFrame", kSys + 6},
    {"clWindowText", kSys + 8},
};

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameTextAscii(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return i == a.size() && b[i] == '\0';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = AsciiUpper(c);
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

[[noreturn]] void ThrowNotAColor(const std::string& text) {
    throw EConvertError("'" + text + "' は有効な整数値ではありません");
}

// The integer forms the class library accepts for a colour.
ColorValue ParseColorInteger(const std::string& text) {
    std::size_t p = 0;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    if (p < text.size() && text[p] == '$') {
        ++p;
        std::size_t digits = text.size() - p;
        if (digits == 0 || digits > 8) ThrowNotAColor(text);
        std::uint32_t v = 0;
        for (; p < text.size(); ++p) {
            int d = HexDigit(text[p]);
            if (d < 0) ThrowNotAColor(text);
            v = (v << 4) | static_cast<std::uint32_t>(d);
        }
        return negative ? static_cast<ColorValue>(0u - v) : v;
    }
    if (p >= text.size()) ThrowNotAColor(text);
    std::int64_t v = 0;
    for (; p < text.size(); ++p) {
        char c = text[p];
        if (c < '0' || c > '9') ThrowNotAColor(text);
        v = v * 10 + (c - '0');
        if (v > 2147483648LL) ThrowNotAColor(text);  // keeps the sum bounded
    }
    if (negative) v = -v;
    if (v > 2147483647LL) ThrowNotAColor(text);
    return static_cast<ColorValue>(static_cast<std::int32_t>(v));
}

}  // namespace

const std::vector<NamedColor>& ColorNameTable() { return kColorNames; }

std::string ColorToString(ColorValue color) {
    for (const NamedColor& c : kColorNames)
        if (c.value == color) return c.name;
    static const char kHex[] = "0123456789ABCDEF";
    std::string s = "$";
    for (int shift = 28; shift >= 0; shift -= 4) s += kHex[(color >> shift) & 0xF];
    return s;
}

ColorValue StringToColor(const std::string& text) {
    for (const NamedColor& c : kColorNames)
        if (SameTextAscii(text, c.name)) return c.value;
    return ParseColorInteger(text);
}

void GridColorEntry::Set(std::uint16_t m, ColorValue text, ColorValue background) {
    mask = m;
    textColor = text;
    backgroundColor = background;
}

std::string GridColorEntry::ToText() const {
    return GroupMaskText(mask, false) + "/" + ColorToString(textColor) + "/" + ColorToString(backgroundColor);
}

void GridColorEntry::FromText(const std::string& text) {
    std::string second;
    std::string third;
    std::string maskText = SplitSlashFields(text, second, third);
    std::uint16_t m = ParseGroupMask(maskText);
    // Both colours are read before anything is stored, so a bad text leaves
    // the entry as it was.
    ColorValue fg = StringToColor(second);
    ColorValue bg = StringToColor(third);
    Set(m, fg, bg);
}

void GridColorList::SetColors(const GridColorEntry& e) {
    for (GridColorEntry& x : entries_) {
        if (x.mask == e.mask) {
            x.textColor = e.textColor;
            x.backgroundColor = e.backgroundColor;
            return;
        }
    }
    try {
        entries_.push_back(e);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

GridColorEntry& GridColorList::GetEntry(int i, GridColorEntry& out) const {
    if (i < 0 || i >= Count()) throw ERangeError("グループ色の番号が範囲外です。");
    out = entries_[static_cast<std::size_t>(i)];
    return out;
}

GridColorEntry GridColorList::GetEntry(int i) const {
    GridColorEntry e;
    return GetEntry(i, e);
}

GridColorEntry& GridColorList::GetColors(std::uint16_t mask, GridColorEntry& out) const {
    for (const GridColorEntry& x : entries_) {
        if (x.mask == mask) {
            out = x;
            return out;
        }
    }
    out.Set(mask, kDefaultTextColor, kDefaultBackgroundColor);
    return out;
}

GridColorEntry GridColorList::GetColors(std::uint16_t mask) const {
    GridColorEntry e;
    return GetColors(mask, e);
}

void GridColorList::SaveToStream(std::ostream& out) const {
    BinaryWriter w(out, "グループ色の書き込み");
    w.WriteInt32(static_cast<std::int32_t>(entries_.size()));
    for (const GridColorEntry& e : entries_) {
        w.WriteUInt16(e.mask);
        w.WriteUInt16(0);  // reserved
        w.WriteUInt32(e.textColor);
        w.WriteUInt32(e.backgroundColor);
    }
}

void GridColorList::LoadFromStream(std::istream& in, std::int64_t available) {
    BinaryReader r(in, available, "グループ色の読み込み");
    const int count = r.ReadCount(INT32_MAX, kEntryBytes);

    // A repeated mask replaces the colours of the earlier entry; the index by
    // mask keeps that linear for records of any length.
    std::vector<GridColorEntry> loaded;
    std::vector<int> slot(0x10000, -1);
    for (int i = 0; i < count; ++i) {
        GridColorEntry entry;
        const std::uint16_t mask = r.ReadUInt16();
        r.ReadUInt16();  // reserved, not interpreted
        const ColorValue text = r.ReadUInt32();
        const ColorValue background = r.ReadUInt32();
        entry.Set(mask, text, background);
        int& s = slot[entry.mask];
        if (s >= 0) {
            loaded[static_cast<std::size_t>(s)] = entry;
        } else {
            s = static_cast<int>(loaded.size());
            loaded.push_back(entry);
        }
    }
    entries_.swap(loaded);
}

void GridColorList::Assign(const GridColorList& other) {
    if (&other == this) return;
    Clear();
    for (const GridColorEntry& e : other.entries_) SetColors(e);
}

void GridColorList::SaveSettings(IniFile& ini) const {
    ini.EraseSection("COLOR");
    ini.WriteInteger("COLOR", "size", Count());
    for (int i = 0; i < Count(); ++i)
        ini.WriteString("COLOR", "item" + std::to_string(i), entries_[static_cast<std::size_t>(i)].ToText());
}

void GridColorList::LoadSettings(const IniFile& ini) {
    // There are at most 65536 distinct masks; a larger size is damage.
    int n = std::min(ini.ReadInteger("COLOR", "size", 0), 0x10000);
    GridColorList loaded;
    for (int i = 0; i < n; ++i) {
        std::string text = ini.ReadString("COLOR", "item" + std::to_string(i), "");
        if (text.empty()) continue;  // a missing item is no colour to refuse
        GridColorEntry e;
        e.FromText(text);
        loaded.SetColors(e);
    }
    entries_.swap(loaded.entries_);
}


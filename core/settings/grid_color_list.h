// The group colour table: which text and background colours the data grid
// uses for cells of one exact group word.
//
// An entry applies to one exact 16-bit group word (groups 1 and 3 together
// need an entry of their own). A word without an entry is painted black on
// white. The program keeps one table with the open data file and the settings
// dialog keeps another in the settings file (section "COLOR").
//
// Colour values are 32-bit: 0x00BBGGRR for an explicit colour (red in the low
// byte), 0x80000000 + n for system colour n, 0x20000000 "clDefault" and
// 0x1FFFFFFF "clNone". Their text form is a colour name ("clRed") or "$" and
// eight upper-case hexadecimal digits.
//
// Text form of an entry: mask text "/" text colour "/" background colour,
// e.g. "13/clBlack/clWhite" (the mask text of group word 0 is empty).
//
// Stream record (also section 4 of the binary data file), little-endian:
//   offset 0        int32 count
//   4 + 12 i        u16 mask of entry i
//   6 + 12 i        u16 reserved (written as 0, ignored when read)
//   8 + 12 i        u32 text colour
//   12 + 12 i       u32 background colour
// The record is 4 + 12 * count bytes.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

class IniFile;

using ColorValue = std::uint32_t;

inline constexpr ColorValue kDefaultTextColor = 0x000000;        // clBlack
inline constexpr ColorValue kDefaultBackgroundColor = 0xFFFFFF;  // clWhite

// The colour name of the value (the first name in table order), otherwise
// "$" and eight upper-case hexadecimal digits.
std::string ColorToString(ColorValue color);

// A colour name (any letter case), or an integer: decimal with an optional
// sign (32-bit signed range) or "$" and one to eight hexadecimal digits.
// Anything else raises EConvertError.
ColorValue StringToColor(const std::string& text);

// The 52 named colours in table order.
struct NamedColor {
    const char* name;
    ColorValue value;
};
const std::vector<NamedColor>& ColorNameTable();

struct GridColorEntry {
    std::uint16_t mask = 0;
    ColorValue textColor = kDefaultTextColor;
    ColorValue backgroundColor = kDefaultBackgroundColor;

    void Set(std::uint16_t m, ColorValue text, ColorValue background);
    std::string ToText() const;
    // Parses the text form into the three fields. A colour that is neither a
    // name nor an integer raises EConvertError and leaves the entry unchanged.
    void FromText(const std::string& text);

    bool operator==(const GridColorEntry&) const = default;
};

class GridColorList {
public:
    // Bytes of one entry in the stream record.
    static constexpr int kEntryBytes = 12;

    GridColorList() = default;

    int Count() const { return static_cast<int>(entries_.size()); }

    // Replaces the colours of the entry with e's mask (keeping its place), or
    // appends e. EOutOfMemory, with the table unchanged, when memory ran out.
    void SetColors(const GridColorEntry& e);

    void Clear() { entries_.clear(); }

    // Copy of entry i into out; i outside 0..Count()-1 raises ERangeError.
    GridColorEntry& GetEntry(int i, GridColorEntry& out) const;
    GridColorEntry GetEntry(int i) const;

    // The entry of the mask, or black on white with that mask.
    GridColorEntry& GetColors(std::uint16_t mask, GridColorEntry& out) const;
    GridColorEntry GetColors(std::uint16_t mask) const;

    // Writes the record; a failing stream raises EWriteError.
    void SaveToStream(std::ostream& out) const;

    // Reads one record. available is the number of bytes the record may take
    // (the rest of its section); a negative value means "up to the end of the
    // stream". A count that is negative or needs more bytes than available,
    // or a record cut short, raises EReadError and leaves the table as it
    // was. Entries are added with SetColors, so a repeated mask replaces the
    // colours of the earlier one.
    void LoadFromStream(std::istream& in, std::int64_t available = -1);

    // Clear, then SetColors for every entry of other, in order.
    void Assign(const GridColorList& other);

    // Settings section "COLOR": erased, then "size" and "item0".."item<n-1>"
    // in the text form. Loading parses the items of the section in order and
    // adds them; a bad colour text raises EConvertError (the caller decides
    // what becomes of the settings then).
    void SaveSettings(IniFile& ini) const;
    void LoadSettings(const IniFile& ini);

    const std::vector<GridColorEntry>& Entries() const { return entries_; }

private:
    std::vector<GridColorEntry> entries_;
};


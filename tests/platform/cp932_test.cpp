#include "platform/text/cp932.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"

namespace {

// CP932 bytes taken from Python's cp932 codec (s.encode('cp932')).
struct RoundTripCase {
    const char* utf8;
    std::string cp932;
};

const RoundTripCase kRoundTrips[] = {
    {"定数項", "\x92\xe8\x90\x94\x8d\x80"},
    {"ｱｲｳ", "\xb1\xb2\xb3"},   // half-width katakana: one byte each
    {"表", "\x95\x5c"},         // trail byte equals the backslash
    {"\\", "\x5c"},             // the backslash stays a backslash, not a yen sign
    {"~", "\x7e"},
    {"a表b", "\x61\x95\x5c\x62"},
    {"", ""},
    {"plain ascii 123", "plain ascii 123"},
};

TEST(Cp932, RoundTrips) {
    for (const RoundTripCase& c : kRoundTrips) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(cp932::FromUtf8(c.utf8), c.cp932);
        EXPECT_EQ(cp932::ToUtf8(c.cp932), c.utf8);
        EXPECT_EQ(cp932::ByteLength(c.utf8), c.cp932.size());
        EXPECT_TRUE(cp932::IsRepresentable(c.utf8));
    }
}

// The wave dash has one CP932 code shared with the full-width tilde; the
// code reads back as the full-width tilde (Python: b'\x81\x60'.decode('cp932')).
TEST(Cp932, WaveDashReadsBackAsFullWidthTilde) {
    EXPECT_EQ(cp932::FromUtf8("〜"), "\x81\x60");
    EXPECT_EQ(cp932::FromUtf8("～"), "\x81\x60");
    EXPECT_EQ(cp932::ToUtf8("\x81\x60"), "～");
}

TEST(Cp932, EmbeddedNulSurvives) {
    std::string s("a\0表", 5);
    std::string bytes = cp932::FromUtf8(s);
    EXPECT_EQ(bytes, std::string("a\0\x95\x5c", 4));
    EXPECT_EQ(cp932::ToUtf8(bytes), s);
}

TEST(Cp932, RefusesUnrepresentableCharacters) {
    // The euro sign has no CP932 form (Python: UnicodeEncodeError); the yen
    // sign would silently become a backslash, so it is refused as well.
    for (const char* text : {"€", "a😀b", "¥100", "x‾"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(cp932::FromUtf8(text), EConvertError);
        EXPECT_THROW(cp932::ByteLength(text), EConvertError);
        EXPECT_THROW(cp932::CutToBytes(text, 10), EConvertError);
        EXPECT_FALSE(cp932::IsRepresentable(text));
    }
}

TEST(Cp932, ErrorNamesTheCharacter) {
    try {
        cp932::FromUtf8("ab€");
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        std::string m = e.what();
        EXPECT_NE(m.find("€"), std::string::npos) << m;
        EXPECT_NE(m.find("U+20AC"), std::string::npos) << m;
    }
}

TEST(Cp932, RefusesMalformedUtf8) {
    const std::string bad[] = {
        "\xff",              // never a UTF-8 byte
        "a\xe8\xa1",         // truncated three-byte character
        "\xc0\xaf",          // overlong "/"
        "\xed\xa0\x80",      // surrogate
        "\x80",              // lone continuation byte
        "\xf4\x90\x80\x80",  // above U+10FFFF
    };
    for (const std::string& s : bad) {
        EXPECT_THROW(cp932::FromUtf8(s), EConvertError);
        EXPECT_FALSE(cp932::IsRepresentable(s));
    }
}

TEST(Cp932, RefusesBytesThatAreNotCp932) {
    EXPECT_THROW(cp932::ToUtf8("\x95"), EConvertError);      // lead byte at the end
    EXPECT_THROW(cp932::ToUtf8("a\xa0"), EConvertError);     // unassigned single byte
    EXPECT_THROW(cp932::ToUtf8("\x81\x20"), EConvertError);  // bad trail byte
}

TEST(Cp932, CutNeverSplitsACharacter) {
    struct Case {
        const char* text;
        std::size_t max;
        const char* expected;
    };
    const Case cases[] = {
        {"表ab", 1, ""},  {"表ab", 2, "表"},      {"表ab", 3, "表a"},   {"表ab", 99, "表ab"},
        {"ｱｲｳ", 2, "ｱｲ"}, {"a定数項", 4, "a定"}, {"a定数項", 5, "a定数"}, {"abc", 0, ""},
        {"abc", 2, "ab"}, {"", 3, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + std::to_string(c.max));
        EXPECT_EQ(cp932::CutToBytes(c.text, c.max), c.expected);
    }
}

TEST(Cp932, PaddingCountsBytes) {
    EXPECT_EQ(cp932::PadLeftBytes("表", 5), "   表");
    EXPECT_EQ(cp932::PadRightBytes("表", 5), "表   ");
    EXPECT_EQ(cp932::PadLeftBytes("ｱ", 3), "  ｱ");
    EXPECT_EQ(cp932::PadLeftBytes("定数項", 4), "定数項");  // already longer: unchanged
    EXPECT_EQ(cp932::PadRightBytes("ab", 2), "ab");
    EXPECT_EQ(cp932::PadLeftBytes("", 2), "  ");
}

TEST(Cp932, ComparesCp932Bytes) {
    // Byte order of CP932, not of UTF-8: "ｱ" is B1 in CP932 and EF BD B1 in
    // UTF-8, "鶫" is EA 49 in CP932 and E9 B6 AB in UTF-8 (Python codecs).
    EXPECT_LT(cp932::CompareBytes("ｱ", "鶫"), 0);
    EXPECT_GT(cp932::CompareBytes("鶫", "ｱ"), 0);
    EXPECT_LT(cp932::CompareBytes("a", "b"), 0);
    EXPECT_EQ(cp932::CompareBytes("定数項", "定数項"), 0);
    EXPECT_LT(cp932::CompareBytes("ab", "abc"), 0);
    EXPECT_GT(cp932::CompareBytes("表", "a"), 0);  // bytes compare unsigned
}

TEST(Cp932, LeadBytes) {
    EXPECT_TRUE(cp932::IsLeadByte(0x81));
    EXPECT_TRUE(cp932::IsLeadByte(0x9F));
    EXPECT_TRUE(cp932::IsLeadByte(0xE0));
    EXPECT_TRUE(cp932::IsLeadByte(0xFC));
    EXPECT_FALSE(cp932::IsLeadByte(0x80));
    EXPECT_FALSE(cp932::IsLeadByte(0xA0));
    EXPECT_FALSE(cp932::IsLeadByte(0xB1));  // half-width katakana
    EXPECT_FALSE(cp932::IsLeadByte(0x5C));
}

}  // namespace

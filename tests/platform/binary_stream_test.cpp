#include "platform/binary_stream.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/errors.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

TEST(BinaryStream, WritesLittleEndianRecords) {
    std::ostringstream out;
    BinaryWriter w(out, "test");
    w.WriteInt32(-2);
    w.WriteUInt16(0x1234);
    w.WriteDouble(1.0);
    w.WriteText("表A");
    // 1.0 is 0x3FF0000000000000; "表" is 95 5C in CP932.
    EXPECT_EQ(out.str(), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F,
                                3, 0, 0, 0, 0x95, 0x5C, 'A'}));
    EXPECT_EQ(w.Written(), 21);
}

TEST(BinaryStream, ReadsWhatWasWritten) {
    std::ostringstream out;
    BinaryWriter w(out, "test");
    w.WriteInt32(123456789);
    w.WriteDouble(-0.1);
    w.WriteText("定数項");
    w.WriteByte(7);
    std::istringstream in(out.str());
    BinaryReader r(in, -1, "test");
    EXPECT_EQ(r.ReadInt32(), 123456789);
    EXPECT_EQ(r.ReadDouble(), -0.1);
    EXPECT_EQ(r.ReadText(), "定数項");
    EXPECT_EQ(r.ReadByte(), 7);
    EXPECT_EQ(r.Remaining(), 0);
    EXPECT_THROW(r.ReadByte(), EReadError);
}

TEST(BinaryStream, BudgetStopsReadsBeyondTheSection) {
    std::istringstream in(Bytes({1, 0, 0, 0, 2, 0, 0, 0}));
    BinaryReader r(in, 4, "section");
    EXPECT_EQ(r.ReadInt32(), 1);
    EXPECT_THROW(r.ReadInt32(), EReadError);
}

TEST(BinaryStream, ImpossibleCountsAndLengthsAreRefused) {
    {
        std::istringstream in(Bytes({0xFF, 0xFF, 0xFF, 0x7F}));  // INT32_MAX items
        BinaryReader r(in, -1, "count");
        EXPECT_THROW(r.ReadCount(INT32_MAX, 8), EReadError);
    }
    {
        std::istringstream in(Bytes({0xFF, 0xFF, 0xFF, 0xFF}));  // -1
        BinaryReader r(in, -1, "count");
        EXPECT_THROW(r.ReadCount(100, 0), EReadError);
    }
    {
        std::istringstream in(Bytes({10, 0, 0, 0, 'a', 'b'}));  // text longer than the file
        BinaryReader r(in, -1, "text");
        EXPECT_THROW(r.ReadText(), EReadError);
    }
    {
        std::istringstream in(Bytes({2, 0, 0, 0}));
        BinaryReader r(in, -1, "count");
        EXPECT_EQ(r.ReadCount(10, 0), 2);
    }
}

TEST(BinaryStream, LongTextsKeepTheirHeadOnACharacterBoundary) {
    // "a表b": keeping 2 bytes must not split the two bytes of 表.
    std::istringstream in(Bytes({4, 0, 0, 0, 'a', 0x95, 0x5C, 'b', 'z'}));
    BinaryReader r(in, -1, "text");
    EXPECT_EQ(r.ReadText(2), "a");
    EXPECT_EQ(r.ReadByte(), 'z');  // the rest of the text was skipped
}

TEST(BinaryStream, HalfACharacterIsDroppedOnlyWhenTheTextWasCut) {
    {
        // A 3-byte text ending in the lead byte of a double-byte character:
        // not cut, so it is damage.
        std::istringstream in(Bytes({3, 0, 0, 0, 'a', 'b', 0x82}));
        BinaryReader r(in, -1, "text");
        EXPECT_THROW(r.ReadText(), EReadError);
    }
    {
        // The same bytes kept to 3 of a 4-byte text: the cut drops the half.
        std::istringstream in(Bytes({4, 0, 0, 0, 'a', 'b', 0x82, 0xA0}));
        BinaryReader r(in, -1, "text");
        EXPECT_EQ(r.ReadText(3), "ab");
        EXPECT_EQ(r.Remaining(), 0);
    }
    {
        std::istringstream in(Bytes({2, 0, 0, 0, 0x82, 0xA0}));  // "あ" whole
        BinaryReader r(in, -1, "text");
        EXPECT_EQ(r.ReadText(2), "あ");
    }
}

TEST(BinaryStream, WriteFailureIsReported) {
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    BinaryWriter w(out, "test");
    EXPECT_THROW(w.WriteInt32(1), EWriteError);
}

}  // namespace

// Plain decimal numbers of 8 to 16 bytes, which are read sixteen bytes at a
// time: the doubles of the hand cases were worked out independently (a
// correctly rounding conversion), the swept forms are checked against the
// library's conversion, and every damaged form is refused as before.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "core/text/plain_decimal.h"
#include "support/reference_decimal.h"

namespace {

struct ShortCase {
    std::string text;
    bool plain;
    double value;
};

// clang-format off
const ShortCase kShortCases[] = {
    {"12345678", true, 0x1.78c29cp+23},                         // eight digits, no point
    {"1234567.8", true, 0x1.2d687cccccccdp+20},
    {"-1.2345678", true, -0x1.3c0ca2a5b1d5dp+0},
    {"1234567.", true, 0x1.2d687p+20},                          // point last
    {"0.1234567", true, 0x1.f9adbb8f8da72p-4},
    {"0.00000000000001", true, 0x1.6849b86a12b9bp-47},          // fifteen fraction digits
    {"-99999999.9999999", true, -0x1.7d783fffffff9p+26},
    {"123456789012.345", true, 0x1.cbe991a145852p+36},
    {"-42.4242424242424", true, -0x1.5364d9364d933p+5},
    {"7205759403792794", true, 0x1.999999999999ap+52},
    {"9007199254740992", true, 0x1.0p+53},                      // 2^53 itself
    {"9007199254740993", true, 0x1.0p+53},                      // above 2^53: tie to even
    {"9007199254740995", true, 0x1.0000000000002p+53},          // tie to even, upwards
    {"9007199254.740993", true, 0x1.0c6f7a0b5ed8ep+33},         // mantissa above 2^53
    {"123456.78e1", true, 0x1.2d687cccccccdp+20},               // exponent: the long way
    {"00000000", true, 0.0},
    {"-0000000.0", true, -0.0},
    {".1234567", false, 0},
    {"-.1234567", false, 0},
    {"--1234567", false, 0},
    {"1234.56.7", false, 0},
    {"1234567-", false, 0},
    {"12345 78", false, 0},
    {"1234567/", false, 0},                                     // the bytes next to the digits
    {"1234567:", false, 0},
    {"1234567\x82", false, 0},
    {std::string("1234\0" "567", 8), false, 0},
    {"1234567890123456,", false, 0},
};
// clang-format on

TEST(PlainDecimalShortForm, HandWorkedTexts) {
    for (const ShortCase& c : kShortCases) {
        double v = 12345.0;
        EXPECT_EQ(ReadPlainDecimal(c.text, v), c.plain) << c.text;
        if (c.plain) {
            EXPECT_EQ(Bits(v), Bits(c.value)) << c.text;
        }
    }
}

// Every length from 8 to 16 bytes after the sign, the point at every place
// or missing, random digits behind random leading zeros.
TEST(PlainDecimalShortForm, EveryLengthAndPointPlaceAsTheLibrary) {
    std::mt19937_64 rng(4711);
    std::uniform_int_distribution<int> digit(0, 9);
    int checked = 0;
    for (int n = 8; n <= 16; ++n) {
        for (int dot = 0; dot <= n; ++dot) {
            for (int round = 0; round < 2000; ++round) {
                std::string t = round % 2 ? "-" : "";
                const int zeros = round % 7;
                for (int i = 0; i < n; ++i) {
                    if (i == dot) t.push_back('.');
                    else t.push_back(static_cast<char>(i < zeros ? '0' : '0' + digit(rng)));
                }
                double fast = 0.0;
                double slow = 0.0;
                const bool f = ReadPlainDecimal(t, fast);
                ASSERT_EQ(f, LibraryDecimal(t, slow)) << t;
                if (f) {
                    ASSERT_EQ(Bits(fast), Bits(slow)) << t;
                    ++checked;
                }
            }
        }
    }
    // All but the forms that begin with the point: 2000 x (9 + ... + 17 - 9).
    EXPECT_EQ(checked, 216000);
}

// One byte of a good short number replaced by any other byte: accepted and
// refused exactly as the token's form says, with the library's double.
TEST(PlainDecimalShortForm, EveryDamagedByteAsTheLibrary) {
    std::mt19937_64 rng(99);
    std::uniform_int_distribution<int> digit(0, 9);
    for (int n = 8; n <= 16; ++n) {
        for (int place = 0; place < n; ++place) {
            for (int byte = 0; byte < 256; ++byte) {
                std::string t;
                for (int i = 0; i < n; ++i) t.push_back(static_cast<char>('0' + digit(rng)));
                t[static_cast<std::size_t>(n / 2)] = '.';
                t[static_cast<std::size_t>(place)] = static_cast<char>(byte);
                double fast = 0.0;
                double slow = 0.0;
                const bool f = ReadPlainDecimal(t, fast);
                ASSERT_EQ(f, LibraryDecimal(t, slow)) << n << " " << place << " " << byte;
                if (f) {
                    ASSERT_EQ(Bits(fast), Bits(slow)) << t;
                }
            }
        }
    }
}

// Mantissas of sixteen digits around 2^53, with and without a point.
TEST(PlainDecimalShortForm, MantissasAround2To53AsTheLibrary) {
    for (std::uint64_t m = (std::uint64_t{1} << 53) - 50; m < (std::uint64_t{1} << 53) + 50; ++m) {
        const std::string digits = std::to_string(m);
        for (std::size_t dot = 1; dot <= digits.size(); ++dot) {
            const std::string t = digits.substr(0, dot) + "." + digits.substr(dot);
            for (const std::string& s : {digits, t, "-" + t}) {
                if (s.size() > 17) continue;
                double fast = 0.0;
                double slow = 0.0;
                ASSERT_TRUE(ReadPlainDecimal(s, fast)) << s;
                ASSERT_TRUE(LibraryDecimal(s, slow)) << s;
                ASSERT_EQ(Bits(fast), Bits(slow)) << s;
            }
        }
    }
}

}  // namespace

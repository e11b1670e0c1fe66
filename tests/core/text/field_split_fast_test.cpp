// The next-field reader over texts of separators, blanks, control bytes and
// quotes: every field, position and answer is the one the character-by-
// character form below gives. The clipboard's copy text is compared with
// the same text built from the digit-by-digit number form.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/io/clipboard_text.h"
#include "core/text/field_split.h"
#include "core/text/float_format.h"

namespace {

bool IsSeparator(char c) { return c == ',' || c == '\n' || c == '\r' || c == '\t'; }

std::string TrimmedCopy(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return std::string(s.substr(b, e - b));
}

// The reader taken one character at a time: the form every field went
// through before.
bool CharacterByCharacter(std::string_view text, int& position, std::string& field) {
    const std::size_t n = text.size();
    std::size_t pos = position < 0 ? 0 : static_cast<std::size_t>(position);
    field.clear();
    while (pos < n) {
        while (pos < n && IsSeparator(text[pos])) ++pos;
        if (pos >= n) break;
        std::string raw;
        if (text[pos] == '"') {
            std::size_t close = text.find('"', pos + 1);
            std::size_t end = close == std::string_view::npos ? n : close;
            raw.assign(text.substr(pos, end - pos));
            pos = close == std::string_view::npos ? n : close + 1;
        } else {
            while (pos < n && !IsSeparator(text[pos])) {
                if (text[pos] == '"') {
                    std::size_t close = text.find('"', pos + 1);
                    std::size_t end = close == std::string_view::npos ? n : close;
                    raw.append(text.substr(pos, end - pos));
                    raw.push_back('"');
                    pos = close == std::string_view::npos ? n : close + 1;
                } else {
                    raw.push_back(text[pos++]);
                }
            }
        }
        if (!raw.empty()) {
            field = TrimmedCopy(raw);
            position = static_cast<int>(pos);
            return true;
        }
    }
    field.clear();
    position = static_cast<int>(pos);
    return false;
}

TEST(ReadNextFieldFast, SameFieldsAsCharacterByCharacter) {
    const std::string alphabet = std::string("ab1.@ ,\t\r\n\"") + '\x01' + "\xe6\x89\x80";
    std::mt19937_64 rng(17);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 60);
    for (int t = 0; t < 20000; ++t) {
        std::string text;
        for (int i = length(rng); i > 0; --i) text.push_back(alphabet[pick(rng)]);
        int fast = t % 5 == 0 ? -3 : 0;
        int slow = fast;
        std::string f, s;
        for (int guard = 0; guard < 100; ++guard) {
            const bool a = ReadNextField(text, fast, f);
            const bool b = CharacterByCharacter(text, slow, s);
            ASSERT_EQ(a, b) << text;
            ASSERT_EQ(f, s) << text;
            ASSERT_EQ(fast, slow) << text;
            if (!a) break;
        }
    }
}

TEST(ReadNextFieldFast, ALongFieldAfterAShortOneKeepsNothingOfIt) {
    const std::string text = "a_rather_long_field_beyond_the_small_buffer, x ,";
    int pos = 0;
    std::string f;
    ASSERT_TRUE(ReadNextField(text, pos, f));
    EXPECT_EQ(f, "a_rather_long_field_beyond_the_small_buffer");
    ASSERT_TRUE(ReadNextField(text, pos, f));
    EXPECT_EQ(f, "x");
    EXPECT_FALSE(ReadNextField(text, pos, f));
    EXPECT_EQ(f, "");
}

TEST(ClipboardCopyText, SameTextAsTheDigitByDigitForm) {
    DataString cells;
    std::string expected;
    std::mt19937_64 rng(23);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<int> e(-20, 20);
    std::uniform_int_distribution<int> mark(0, 65535);
    for (int i = 0; i < 50000; ++i) {
        const double x = u(rng) * std::pow(10.0, e(rng));
        const auto m = static_cast<std::uint16_t>(i % 3 == 0 ? mark(rng) : 0);
        cells.Add(DataCell(m, x));
        expected += FloatToStrF(x, TFloatFormat::ffGeneral, 15, 0);
        if (m != 0) expected += "@" + std::to_string(m);
        expected += ",";
    }
    EXPECT_EQ(ClipboardText(cells), expected);
    EXPECT_EQ(ClipboardText(DataString()), "");
}

}  // namespace

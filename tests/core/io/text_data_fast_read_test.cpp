// The fast reading of the text data file: plain decimal numbers give the
// library's correctly rounded double (the doubles of the hand cases were
// worked out independently), and fields of every length and position in
// the read buffer come back whole.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/io/text_data_file.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/text/float_format.h"
#include "core/text/text_evaluator.h"
#include "platform/text/cp932.h"
#include "support/scripted_services.h"
#include "support/reference_decimal.h"

namespace {

struct DecimalCase {
    const char* text;
    bool plain;
    double value;
};

// clang-format off
const DecimalCase kDecimalCases[] = {
    {"0.1", true, 0x1.999999999999ap-4},
    {"9007199254740993", true, 0x1.0p+53},                  // halfway: to even
    {"123456789012345678901234567890", true, 0x1.8ee90ff6c373ep+96},
    {"0.30000000000000004", true, 0x1.3333333333334p-2},
    {"2.2250738585072014e-308", true, 0x1.0p-1022},
    {"1.7976931348623157e308", true, 0x1.fffffffffffffp+1023},
    {"-123.456789012345", true, -0x1.edd3c07fb4c69p+6},
    {"0.000001234567890123456789", true, 0x1.4b66dc01ec6fbp-20},
    {"4.35e-15", true, 0x1.3973563352d9ep-48},
    {"99999999999999999999.5", true, 0x1.5af1d78b58c40p+66},
    {"1e23", true, 0x1.52d02c7e14af6p+76},
    {"00012.5000", true, 12.5},
    {"-0", true, -0.0},
    {"5.", true, 5.0},
    {"1E+2", true, 100.0},
    {"1e-320", false, 0},                                    // subnormal: the evaluator decides
    {"1e400", false, 0},
    {".5", false, 0},
    {"+1", false, 0},
    {"1e", false, 0},
    {"1e+", false, 0},
    {"1.2.3", false, 0},
    {"12345678x", false, 0},
    {"-", false, 0},
    {"", false, 0},
};
// clang-format on

TEST(TextDataFastRead, HandWorkedDecimals) {
    for (const DecimalCase& c : kDecimalCases) {
        double v = 12345.0;
        EXPECT_EQ(ReadPlainDecimal(c.text, v), c.plain) << c.text;
        if (c.plain) {
            EXPECT_EQ(Bits(v), Bits(c.value)) << c.text;
        }
    }
}

std::vector<std::string> DecimalTexts() {
    std::vector<std::string> texts;
    std::mt19937_64 rng(1207);
    char buf[64];
    for (int i = 0; i < 300000; ++i) {
        double x;
        const std::uint64_t b = rng();
        std::memcpy(&x, &b, sizeof x);
        if (!std::isfinite(x)) continue;
        static const char* const kForms[] = {"%.15g", "%.16g", "%.17g", "%.19g", "%.22g", "%.6e", "%.0f", "%.20f"};
        std::snprintf(buf, sizeof buf, kForms[i % 8], x);
        texts.emplace_back(buf);
    }
    // Values of the usual size with every count of digits, from both forms
    // the writer and other programs use.
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<int> e(-25, 25);
    for (int i = 0; i < 300000; ++i) {
        const double x = u(rng) * std::pow(10.0, e(rng));
        std::snprintf(buf, sizeof buf, "%.*g", 1 + i % 20, x);
        texts.emplace_back(buf);
        texts.push_back(FloatToStrGeneral(x));
    }
    // Digit strings: leading and trailing zeros, long runs, 2^53 neighbours.
    std::uniform_int_distribution<int> digit(0, 9);
    for (int i = 0; i < 100000; ++i) {
        std::string t = i % 2 ? "-" : "";
        t.append(static_cast<std::size_t>(i % 4), '0');
        for (int n = 1 + i % 23; n > 0; --n) t.push_back(static_cast<char>('0' + digit(rng)));
        if (i % 3) {
            t.push_back('.');
            t.append(static_cast<std::size_t>(i % 5), '0');
            for (int n = i % 19; n > 0; --n) t.push_back(static_cast<char>('0' + digit(rng)));
        }
        if (i % 7 == 0) t += "e" + std::to_string(i % 60 - 30);
        texts.push_back(t);
    }
    for (const char* t : {"NAN", "INF", "-INF", "nan", "inf", "-nan", "0x1p3", "1_000", " 1", "1 "}) texts.emplace_back(t);
    for (std::uint64_t m = (std::uint64_t{1} << 53) - 3; m < (std::uint64_t{1} << 53) + 4; ++m) {
        texts.push_back(std::to_string(m));
        texts.push_back(std::to_string(m) + ".5");
        texts.push_back("0." + std::to_string(m));
    }
    return texts;
}

TEST(TextDataFastRead, SameDoubleAsTheLibraryForEveryText) {
    int plain = 0;
    for (const std::string& t : DecimalTexts()) {
        double fast = 0.0;
        double slow = 0.0;
        const bool f = ReadPlainDecimal(t, fast);
        const bool s = LibraryDecimal(t, slow);
        ASSERT_EQ(f, s) << t;
        if (!f) continue;
        ++plain;
        ASSERT_EQ(Bits(fast), Bits(slow)) << t;
    }
    EXPECT_GT(plain, 900000);
}

// A table whose fields take every length from 1 to 40 bytes (leading zeros
// and blanks), so that field ends fall at every place of the sixteen-byte
// steps and of the read buffer.
TEST(TextDataFastRead, FieldsOfEveryLengthComeBackWhole) {
    const int n = 30000;
    std::string text = "ID,\x95\xcf\x90\x94,b_long_name_of_a_variable_x,z\xb1\xb2\xb3\r\n";  // CP932 and half-width names
    std::vector<std::vector<double>> expected(3);
    std::mt19937_64 rng(5);
    std::uniform_int_distribution<int> value(-99999, 99999);
    for (int i = 0; i < n; ++i) {
        text += std::to_string(i + 1);
        for (int j = 0; j < 3; ++j) {
            const int v = value(rng);
            const int width = 1 + (i * 3 + j) % 40;
            std::string field = std::to_string(std::abs(v)) + ".25";
            const bool blanks = (i + j) % 3 == 0;
            while (static_cast<int>(field.size()) + (v < 0) < width) field.insert(0, blanks ? " " : "0");
            if (v < 0) field.insert(blanks ? field.find_first_not_of(' ') : 0, "-");
            text += (j == 1 && i % 2) ? "\t" : ",";
            text += field;
            expected[static_cast<std::size_t>(j)].push_back(v < 0 ? v - 0.25 : v + 0.25);
        }
        text += i % 3 ? "\r\n" : "\n";
    }
    ScriptedServices services;
    std::istringstream in(text);
    LoadedDataFile out;
    ReadTextDataFile(in, out, PlainNumbers(), services);
    ASSERT_EQ(out.vars.size(), 3u);
    ASSERT_EQ(out.obs, n);
    EXPECT_EQ(out.vars[0]->GetName(), "変数");
    EXPECT_EQ(out.vars[1]->GetName(), "b_long_name_of_a_variable_x");
    EXPECT_EQ(out.vars[2]->GetName(), "zｱｲｳ");
    for (std::size_t j = 0; j < 3; ++j)
        for (int i = 0; i < n; ++i) ASSERT_EQ(out.vars[j]->At(i), expected[j][static_cast<std::size_t>(i)]) << j << "," << i;
}

// Written and read back: every value is the double of its 15-digit text.
TEST(TextDataFastRead, WrittenValuesReadBackAsTheirTexts) {
    const int n = 20000;
    const int k = 4;
    Reg reg(n, k, "d");
    std::mt19937_64 rng(9);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<int> e(-20, 20);
    for (int j = 0; j < k; ++j) {
        std::vector<double> v(n);
        for (auto& x : v) x = u(rng) * std::pow(10.0, e(rng));
        reg.SetVarValues(j, v);
    }
    ScriptedServices services;
    std::stringstream file;
    WriteTextDataFile(FileImage(reg), file, services);
    LoadedDataFile out;
    ReadTextDataFile(file, out, PlainNumbers(), services);
    ASSERT_EQ(out.obs, n);
    ASSERT_EQ(static_cast<int>(out.vars.size()), k);
    for (int j = 0; j < k; ++j) {
        for (int i = 0; i < n; ++i) {
            const std::string t = FloatToStrF(reg.GetVar(j).At(i), TFloatFormat::ffGeneral, 15, 0);
            double expected = 0.0;
            std::from_chars(t.data(), t.data() + t.size(), expected);
            ASSERT_EQ(Bits(out.vars[static_cast<std::size_t>(j)]->At(i)), Bits(expected)) << t;
        }
    }
}

}  // namespace

#include "macro/stack_word_reading.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "eval/app_state.h"
#include "macro/macro_compile.h"
#include "macro/macro_object.h"
#include "macro/macro_run.h"

namespace {

// Words written out by hand: 2.5 as a double (low word first), the CP932
// bytes of "あいう" with their 0 byte, "abcd" "efg\0", -1234.5678.
const std::vector<std::int32_t> kWords = {0,          1074003968, -1568497534, 42114,
                                          1684234849, 6776421,    1834810029,  -1064089019};

std::optional<StackWordReading> Read(const std::vector<std::int32_t>& words, int i, int sp = -1) {
    if (sp < 0) sp = static_cast<int>(words.size());
    return ReadStackWord(sp, [&words](int w) { return words.at(static_cast<std::size_t>(w)); }, i);
}

struct WordCase {
    int index;
    std::int32_t integer;
    std::optional<double> real;
    const char* text;
};

TEST(StackWordReading, ReadsEachWordThreeWays) {
    const WordCase cases[] = {
        {0, 0, 2.5, ""},
        {1, 1074003968, -1.909390167258281e-142, ""},
        {2, -1568497534, 8.93670777957553e-310, "あいう"},
        {4, 1684234849, 1.041333881406481e-306, "abcdefg"},
        {5, 6776421, 6.39356810876017e+218, "efg"},
        {6, 1834810029, -1234.5678, ""},
        {7, -1064089019, std::nullopt, ""},
    };
    for (const WordCase& c : cases) {
        const auto r = Read(kWords, c.index);
        ASSERT_TRUE(r.has_value()) << c.index;
        EXPECT_EQ(r->index, c.index);
        EXPECT_EQ(r->integer, c.integer) << c.index;
        EXPECT_EQ(r->real, c.real) << c.index;
        EXPECT_EQ(r->text, c.text) << c.index;
    }
}

TEST(StackWordReading, NothingOutsideTheStack) {
    EXPECT_FALSE(Read(kWords, -1).has_value());
    EXPECT_FALSE(Read(kWords, 8).has_value());
    // Below a lower stack pointer the words above it are not read.
    EXPECT_FALSE(Read(kWords, 5, 5).has_value());
    const auto r = Read(kWords, 4, 5);
    ASSERT_TRUE(r.has_value());
    EXPECT_FALSE(r->real.has_value());
    EXPECT_EQ(r->text, "");  // its 0 byte lies above the stack pointer
}

TEST(StackWordReading, TextOfAtMost31Bytes) {
    const std::int32_t abcd = 1684234849;
    const std::int32_t abc0 = 6513249;  // "abc\0"
    std::vector<std::int32_t> words(7, abcd);
    words.push_back(abc0);
    const auto full = Read(words, 0);
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(full->text, "abcdabcdabcdabcdabcdabcdabcdabc");
    // 32 bytes without a 0 byte are no text.
    const std::vector<std::int32_t> noEnd(9, abcd);
    EXPECT_EQ(Read(noEnd, 0)->text, "");
}

TEST(StackWordReading, BytesThatAreNoCp932TextGiveNoText) {
    // "あ" then a lone lead byte 0x82 before the 0 byte.
    const std::vector<std::int32_t> words = {8560770, 0};
    EXPECT_EQ(Read(words, 0)->text, "");
}

TEST(StackWordReading, ReadsTheStackOfASteppedRun) {
    AppState state;
    MacroCompile compiler(state);
    compiler.CompileProgram("macro m var x, u$ { x = 2.5; u$ = \"あいう\" }");
    MacroObject program;
    compiler.LinkProgram(program);
    MacroRun run(state);
    EXPECT_FALSE(ReadStackWord(run, 0).has_value());  // no run
    run.Start(program);
    int pc = 0;
    for (int step = 0; step < 100 && run.Execute(program, pc);) ++step;
    ASSERT_TRUE(run.IsRunning());
    int doubleAt = -1, textAt = -1;
    for (int i = 0; i < run.SP(); ++i) {
        const auto r = ReadStackWord(run, i);
        ASSERT_TRUE(r.has_value());
        if (r->integer == 0 && r->real == 2.5 && doubleAt < 0) doubleAt = i;
        if (r->integer == -1568497534 && r->text == "あいう") textAt = i;
    }
    EXPECT_GE(doubleAt, 1);
    EXPECT_GE(textAt, 1);
    EXPECT_EQ(run.WordAt(doubleAt + 1), 1074003968);
    EXPECT_FALSE(ReadStackWord(run, run.SP()).has_value());
    run.Finish();
}

}  // namespace

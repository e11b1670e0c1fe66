// Reading tokens through a window gives the tokenizer's tokens, also for
// tokens, comments and blanks longer than the window.
#include "macro/macro_scan.h"

#include <gtest/gtest.h>

#include <string>

#include "core/text/tokenizer.h"

namespace {

void ExpectSameTokens(const std::string& text) {
    const int length = static_cast<int>(text.size());
    int a = 0;
    int b = 0;
    // Every round moves forward until the end, where both give "".
    for (int round = 0; round <= length + 1; ++round) {
        std::string ta, tb;
        bool sa = false, sb = false;
        const int na = NextToken(text, a, ta, &sa, length);
        const int nb = ScanMacroToken(text, length, b, tb, sb);
        ASSERT_EQ(na, nb) << "at " << a;
        ASSERT_EQ(ta, tb) << "at " << a;
        ASSERT_EQ(sa, sb) << "at " << a;
        if (ta.empty() && !sa) return;
        a = na;
        b = nb;
    }
    ADD_FAILURE() << "no end";
}

TEST(MacroScan, SameTokensAsTheTokenizer) {
    const std::string longName(700, 'v');
    const std::string longText(600, 't');
    const std::string cases[] = {
        "1 + 2 * x",
        longName + " == " + longName + "+1",
        "\"" + longText + "\", 2",
        "/*" + std::string(1000, '*') + "*/ 3 // " + std::string(500, 'c') + "\n4",
        std::string(300, ' ') + "==" + std::string(255, ' ') + "<=",
        std::string(255, ' ') + "1.5e3" + std::string(251, ' ') + "..",
        "\"unclosed " + std::string(800, 'u'),
        "日本語" + std::string(254, ' ') + "変数 += 1",
        "",
    };
    for (const std::string& text : cases) ExpectSameTokens(text);
}

}  // namespace

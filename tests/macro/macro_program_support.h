// Helpers of the program compiler tests: the expected listing of a named
// macro, and a case table runner.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eval/app_state.h"
#include "macro/macro_compile.h"
#include "platform/errors.h"

inline std::string ProgramListing(const std::string& name, const std::vector<std::string>& lines) {
    std::string out = "*** " + name + " ***";
    for (const std::string& l : lines) out += "\r\n" + l;
    return out + "\r\n";
}

struct ProgramCase {
    const char* text;
    std::vector<std::string> lines;  // of the macro "m"
};

inline void ExpectListings(const std::vector<ProgramCase>& cases) {
    AppState app;
    MacroCompile compiler(app);
    for (const ProgramCase& c : cases) {
        try {
            compiler.CompileProgram(c.text);
            EXPECT_EQ(compiler.ListCode(), ProgramListing("m", c.lines)) << c.text;
        } catch (const Exception& e) {
            ADD_FAILURE() << c.text << ": " << e.Message();
        }
    }
}

const std::string kSyntaxError = "文法エラー：\r\n";

inline std::string UndefinedError(const std::string& name) { return "未定義識別子エラー(" + name + ")\r\n"; }

// The context of an error at position p: the characters p - 10 .. p.
inline std::string ContextAt(const std::string& text, std::size_t p) {
    const std::size_t from = p < 10 ? 0 : p - 10;
    return text.substr(from, p + 1 - from);
}

// Macros strung together from "%" commands with arguments in and out of
// range, by a fixed-seed generator: every run ends normally or with an error
// message, and undoing every step gives back the data set it started from.
#include <gtest/gtest.h>

#include <random>

#include "core/model/undo_store.h"
#include "macro_system_support.h"

namespace {

// Placeholders: A an array, N a number, T a text.
const std::vector<std::string> kStatements = {
    "%adddata A", "%insdata N, A", "%deldata N, N", "%xchgdata N, N", "%addvar T, A", "%insvar T, N, A",
    "%delvar N", "%delvar T", "%xchgvar N, N", "%xchgvar T, T", "%rename T, T", "%set N, A",
    "%getvar \"f.MDF\", T, A, N, N", "%putvar \"f.MDF\", T, A, N, N", "%save \"f.MDF\"", "%group - N, N, N, N",
    "%group N, N, N, N", "%grpclr N, N, N", "%sort N, up", "%sort N, down", "%trend N, A", "%trend N, A, n",
    "%predict A, N, N", "%residual A, N, N, N", "%vartype N, en", "%vartype N, lg", "%undo", "%redo",
    "%uservar file", "mat a = {N, N, N, N, N, N}", "mat b = {N, N, N}",
};
const std::vector<std::string> kArrays = {"a", "b", "c"};
const std::vector<std::string> kNumbers = {"-1", "0", "1", "2", "3", "4", "6", "7", "99", "2.5", "1e300"};
const std::vector<std::string> kTexts = {"\"x1\"", "\"x2\"", "\"y\"", "\"q\"", "\"\"", "\"sin\"", "1"};

template <class R>
std::string Fill(const std::string& pattern, R& random) {
    auto pick = [&random](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    };
    std::string out;
    for (char ch : pattern) {
        if (ch == 'A') out += pick(kArrays);
        else if (ch == 'N') out += pick(kNumbers);
        else if (ch == 'T') out += pick(kTexts);
        else out += ch;
    }
    return out;
}

TEST(MacroSystemRobustness, RandomCommandsEndCleanlyAndUndoToTheStart) {
    ScratchFolder folder("robust");
    std::mt19937 random(20261207u);
    std::uniform_int_distribution<std::size_t> statement(0, kStatements.size() - 1);
    std::uniform_int_distribution<int> length(1, 10);
    int cleanRuns = 0, editedRuns = 0;
    for (int round = 0; round < 3000; ++round) {
        SystemFixture f;
        // A fit refused over values the commands wrote is said in an error box.
        f.services.SetAcknowledgeErrors(true);
        f.state.Work().dataFolder = folder.Text();
        f.state.Context().SetFsync([](int) { return 0; });
        std::string body;
        const int n = length(random);
        for (int i = 0; i < n; ++i) body += Fill(kStatements[statement(random)], random) + " ";
        const std::string source = "macro m var a[6], b[3], c[1] { " + body + "}";
        try {
            MacroCompile compiler(f.state);
            compiler.CompileProgram(source);
            MacroObject object;
            compiler.LinkProgram(object);
            f.run.Run(object);
            ++cleanRuns;
        } catch (const Exception&) {
            // An error message ends the run; nothing else may.
        }
        ASSERT_NE(f.state.Model(), nullptr) << source;
        Reg& m = *f.state.Model();
        ASSERT_GE(m.GetVarCount(), 1) << source;
        if (f.state.Undo().CanUndo()) ++editedRuns;
        for (int guard = 0; guard < 100 && f.state.Undo().CanUndo(); ++guard)
            ASSERT_TRUE(f.state.Undo().Undo(m)) << source << "\n" << f.state.Undo().Refusal();
        ExpectTable(f.Now(), StartTable(), source);
        if (::testing::Test::HasFailure()) return;
    }
    // The mix reaches the commands: many runs end cleanly, many edit.
    EXPECT_GT(cleanRuns, 100);
    EXPECT_GT(editedRuns, 400);
}

}  // namespace

// Macro programs strung together from the language's statements, functions,
// ranges, "%" commands, library calls and def blocks by a fixed-seed
// generator, run on a small data set whole and stepped: every run ends
// normally or with one of the program's errors, leaves no stacks behind,
// steps to what the whole run gives, and undoes to the data it started from.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/model/regression_model.h"
#include "core/model/undo_store.h"
#include "macro/macro_engine.h"
#include "macro_system_support.h"

namespace {

// Placeholders: E a number, V a number variable, C a condition, S a
// statement, T a text, R a range, M a "%" command.
const std::vector<std::string> kNumbers = {
    "1", "0", "-1", "2.5", "3", "7", "1e300", "i", "j", "x", "a[2]", "a[j]", "b[3]", "c[2, 1]", "#y[2]",
    "#x1[i]", "#x2[7]", "#R2", "#res[2]", "#yest[3]", "#s[1, 2]", "#x1.ave", "#y.max", "#..x1[3]",
    "sum(R)", "mean(R)", "geomean(R)", "percentile(0.5, R)", "trimmean(1, R)", "max(R)", "@sc(E, 2)",
    "f(E)", "@~tw(E)", "@~fa(3)", "@~bad(1)", "(E + E)", "(E * E)", "(E / E)", "(E mod E)", "-E", "(C)",
    "@r(E)", "#x2.sig", "ranuni", "(x = def (p = E) { return p * 2 })", "t$", "real(\"2 * 3\")", "#index[y]", "(x < 3)",
};
const std::vector<std::string> kRanges = {
    "##x1", "##y[2..4]", "##x2.sqrt", "##res.pow(2)", "##..x1", "##x1.@sc(3)", "##y[6..3]", "#@a", "#@a[2..5]",
    "#@b", "##x1.loga(2)", "##yest", "#@c", "#@a.@r", "##x2.@r",
};
const std::vector<std::string> kVariables = {"i", "j", "x", "a[1]", "a[i]", "b[2]", "c[1, 3]"};
const std::vector<std::string> kConditions = {"i < 3", "x == 2", "t$ == \"a\"", "x", "j >= E", "E > E", "!x"};
const std::vector<std::string> kTexts = {"\"a\"", "\"x1\"", "\"y\"", "t$", "t$ + \"b\"", "\"\""};
const std::vector<std::string> kStatements = {
    "V = E", "V += E", "i++", "j--", "x = E", "t$ = T", "write E", "write T, E", "if (C) S else S", "if (C) S",
    "for (i = 1; i <= E; i++) S", "loop (j = 1, E) S", "while (C) S", "do S until (C)",
    "select (E) { case 1: S case 2: S }", "try S catch { case 3: S }", "try { S; throw E } catch { }",
    "throw E", "break", "next", "return E", "stop E", "{ S; S }", "{ S; S; S }", "def (p = E) { S }",
    "swap a, E, E", "mat a = {E, E, E, E, E, E}", "mat b = inv(b)", "mat a = trn a", "mat c = (E) * c",
    "mat b = {E, E, E}", "#y[E] = E", "#y[2] = E", "{ #y[E] = 7; write sum(R), mean(R) }", "while (1) { S; x++ }", "select (i) { case 0: { S; break } }",
    "def (p = E) { if (C) return E; S }", "loop (i = 1, 3) { try { S; next } catch { } }", "read \"v\" x",
    "for (j = 0; j < 3; j++) select (j) { case 1: { break } case 2: { S; next } }", "#x1[2] = E", "a[E] = E", "g(&x)", "f(E)", "h(E)", "M", "error \"e\"", "seed",
};
const std::vector<std::string> kCommands = {
    "%adddata b", "%insdata E, b", "%deldata E, E", "%xchgdata E, E", "%addvar \"q\", a", "%insvar T, E, a",
    "%delvar E", "%xchgvar E, E", "%rename T, T", "%set E, a", "%group - E, E, E, E", "%group E, E, E, E",
    "%grpclr E, E, E", "%sort E, up", "%trend E, a", "%predict a, E, E", "%residual a, E, E, E",
    "%vartype E, lg", "%undo", "%redo", "%uservar file",
};

class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) {}

    std::string Program() {
        std::string body;
        const int n = Between(1, 6);
        for (int k = 0; k < n; ++k) body += Fill("S", 0) + "; ";
        return "macro m var i, j, x, t$, a[6], b[3], c[2, 3] module f(u) { return u + 1 } "
               "module g(&r) { r = r + 1 } module h(v) { loop (j = 1, 3) { select (v) { case 2: stop v } } } { " + body + "}";
    }

private:
    int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }
    const std::string& Pick(const std::vector<std::string>& from, int depth) {
        // Deep in the tree only the first, plain entries.
        const int last = depth > 3 ? std::min<int>(6, static_cast<int>(from.size())) - 1
                                   : static_cast<int>(from.size()) - 1;
        return from[static_cast<std::size_t>(Between(0, last))];
    }
    std::string Fill(const std::string& pattern, int depth) {
        std::string out;
        for (char ch : pattern) {
            // "#R2" is a name, not a placeholder.
            if (!out.empty() && out.back() == '#') {
                out += ch;
                continue;
            }
            switch (ch) {
                case 'E': out += Fill(Pick(kNumbers, depth), depth + 1); break;
                case 'V': out += Pick(kVariables, depth); break;
                case 'C': out += Fill(Pick(kConditions, depth), depth + 1); break;
                case 'S': out += Fill(Pick(kStatements, depth), depth + 1); break;
                case 'T': out += Fill(Pick(kTexts, depth), depth + 1); break;
                case 'R': out += Pick(kRanges, depth); break;
                case 'M': out += Fill(Pick(kCommands, depth), depth + 1); break;
                default: out += ch;
            }
        }
        return out;
    }
    std::mt19937 random_;
};

// A stop request after a number of polls, so no run goes on for long.
class StoppingServices : public ScriptedServices {
public:
    int stopAfterPolls = -1;
    int polls = 0;
    bool StopRequested() override { return stopAfterPolls >= 0 && ++polls > stopAfterPolls; }
    // Every prompt is answered with the same number.
    InputAnswer AskInput(const std::string&, const std::vector<std::string>&, const std::string&) override {
        return {mrOK, "2"};
    }
};

struct FuzzFixture {
    StoppingServices services;
    AppState state;
    MacroEngine& engine = GetMacroEngine(state);
    MacroRun run{state};
    std::string error;  // of the run; "" when none, "!" before a foreign one

    FuzzFixture() {
        services.SetFailOnUnusedAnswers(false);
        // A fit refused over values a program wrote is said in an error box.
        services.SetAcknowledgeErrors(true);
        services.stopAfterPolls = 3;
        state.SetServices(&services);
        auto m = MakeModel(kX1X2Y, {}, {"x1", "x2", "y"}, &state.Context());
        state.SetModel(std::move(m));
        // y on x1, x2 and the constant, estimated.
        EXPECT_TRUE(state.Model()->SetModel(
            2, {Reg::kRoleExplanatory, Reg::kRoleExplanatory, Reg::kRoleDependent, Reg::kRoleExplanatory}));
        state.UserFunctions().Entry(0).SetDefinition("sc(v, a) = v * a + 1");
        state.UserFunctions().Entry(1).SetDefinition("r(v) = v * #R2");
        engine.library.AddOrReplace("macro tw(v) { v * 2 }");
        engine.library.AddOrReplace("macro fa(n) { if (n <= 1) 1 else n * @~tw(n - 1) }");
        engine.library.AddOrReplace("macro bad(n) { write 1 / (n - 1) }");
        run.SetLibrary(&engine.library);
        // Room for every step a stopped loop of edits records.
        state.Undo().SetLimit(kUndoSteps);
    }
    static constexpr int kUndoSteps = 100000;

    // Compiles the source; false when the compiler refused it.
    bool Compile(const std::string& source, MacroObject& object) {
        try {
            MacroCompile compiler(state, &engine.library);
            compiler.CompileProgram(source);
            compiler.LinkProgram(object);
            return true;
        } catch (const Exception&) {
            return false;
        }
    }

    template <class F>
    void Catch(F&& f) {
        try {
            f();
        } catch (const Exception& e) {
            error = e.Message();
        } catch (const std::exception& e) {
            error = std::string("!") + e.what();
        }
    }
    void RunWhole(const MacroObject& object) { Catch([&] { run.Run(object); }); }
    void Step(const MacroObject& object) {
        Catch([&] {
            run.Start(object);
            int pc = 0;
            bool more = true;
            for (int steps = 0; steps < 2000000 && more; ++steps) more = run.Execute(object, pc);
            // At the end every loop, select, try and block is closed.
            const bool ended = !more && pc >= 0 && pc < object.CodeLength() &&
                               (object.Code()[pc] == opEND || object.Code()[pc] == opEJP);
            if (ended && (run.LP() != 0 || run.AP() != 0 || run.EP() != 0 || run.TryFrameCount() != 0 || run.BP() != 1))
                error = "!frames left at the end: lp " + std::to_string(run.LP()) + " ap " + std::to_string(run.AP()) +
                        " ep " + std::to_string(run.EP()) + " tries " + std::to_string(run.TryFrameCount()) +
                        " bp " + std::to_string(run.BP());
        });
        run.Finish();
    }
};

// What a run left that the test compares and checks.
std::string Problems(FuzzFixture& f) {
    std::string p;
    if (!f.error.empty() && f.error[0] == '!') p += "foreign exception " + f.error + "\n";
    if (f.run.IsRunning()) p += "still running\n";
    if (f.run.CellCount() != 0) p += "cells left\n";
    if (f.state.Model() == nullptr) return p + "no model\n";
    Reg& m = *f.state.Model();
    for (int guard = 0; guard < FuzzFixture::kUndoSteps && f.state.Undo().CanUndo(); ++guard)
        if (!f.state.Undo().Undo(m)) return p + "undo refused: " + f.state.Undo().Refusal() + "\n";
    const DataTable now = TableOf(m);
    const DataTable start = StartTable();
    if (now.names != start.names || now.values != start.values || now.marks != start.marks)
        p += "undo does not reach the start\n";
    return p;
}

TEST(MacroRunFuzz, GeneratedProgramsEndCleanlyStepAlikeAndUndoToTheStart) {
    ScratchFolder folder("fuzz");
    Generator generator(20261207u);
    int compiled = 0, clean = 0, compared = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::string source = generator.Program();
        FuzzFixture whole, stepped;
        for (FuzzFixture* f : {&whole, &stepped}) {
            f->state.Work().dataFolder = folder.Text();
            f->state.Context().SetFsync([](int) { return 0; });
        }
        MacroObject object;
        if (!whole.Compile(source, object)) continue;
        ++compiled;
        whole.RunWhole(object);
        stepped.Step(object);
        if (whole.error.empty()) ++clean;
        // Random numbers and stop requests may differ between the two.
        const bool comparable = source.find("ranuni") == std::string::npos &&
                                whole.services.polls <= whole.services.stopAfterPolls &&
                                stepped.services.polls <= stepped.services.stopAfterPolls;
        if (comparable) {
            ++compared;
            EXPECT_EQ(stepped.error, whole.error) << source;
            EXPECT_EQ(stepped.run.OutputText(), whole.run.OutputText()) << source;
            const double a = whole.run.CurrentValue(), b = stepped.run.CurrentValue();
            if (!(std::isnan(a) && std::isnan(b))) {
                EXPECT_EQ(a, b) << source;
            }
        }
        EXPECT_EQ(Problems(whole), "") << "whole: " << source;
        EXPECT_EQ(Problems(stepped), "") << "stepped: " << source;
        if (::testing::Test::HasFailure()) return;
    }
    // The mix reaches the runs: most programs compile, many end cleanly.
    EXPECT_GT(compiled, 500);
    EXPECT_GT(clean, 100);
    EXPECT_GT(compared, 300);
}

}  // namespace

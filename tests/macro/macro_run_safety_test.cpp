// A run keeps its stacks consistent and ends on every program: frames left
// by return, checked fetches and indices, nested runs, argument kinds, range
// sources, matrices computed aside and stop requests.
#include <gtest/gtest.h>

#include "core/model/regression_model.h"
#include "macro_run_support.h"
#include "support/model_builder.h"

namespace {

// Steps a program to its end and leaves the run unfinished for inspection.
void StepToEnd(RunFixture& f, const MacroObject& m) {
    f.run.Start(m);
    int pc = 0;
    for (int steps = 0; steps < 10000 && f.run.Execute(m, pc); ++steps) {
    }
}

TEST(MacroRunSafety, ReturnInsideLoopSelectAndTryClosesThem) {
    // module: for i = 1 to 10 { select i { try { return 42 } } }
    RunFixture f;
    MacroObject m;
    Main(m, 4);
    const int start = m.NewLabel(), done = m.NewLabel(), selEnd = m.NewLabel(), handler = m.NewLabel();
    Jump(m, opJMP, start);
    const int body = m.CodeLength();
    m.EmitThreeInts(opBLC, 1, 1, 6);
    Ldi(m, 1);
    Ldi(m, 10);
    Ldi(m, 1);
    m.EmitVariableRef(opLOP, Var(4, vkNumber, 1));
    Jump(m, opLPD, done);
    m.EmitVariableRef(opLDA, Var(4, vkNumber, 1));
    Jump(m, opSEL, selEnd);
    Jump(m, opTRY, handler);
    Ldi(m, 42);
    m.Emit(opRET);
    m.SetLabel(handler);
    m.SetLabel(selEnd);
    m.SetLabel(done);
    m.Emit(opRET);
    m.SetLabel(start);
    m.EmitInt(opGSB, body);
    End(m);
    StepToEnd(f, m);
    EXPECT_EQ(f.run.LP(), 0);
    EXPECT_EQ(f.run.AP(), 0);
    EXPECT_EQ(f.run.EP(), 0);
    EXPECT_EQ(f.run.TryFrameCount(), 0);
    EXPECT_EQ(f.run.BP(), 1);
    EXPECT_EQ(f.run.SP(), 5);  // the return slot and the main frame
    f.run.Finish();
    EXPECT_EQ(f.run.CurrentValue(), 42.0);
}

TEST(MacroRunSafety, ReturnInMainBodyEndsTheRunWithItsValue) {
    RunFixture f;
    MacroObject m;
    Main(m, 4);
    m.EmitThreeInts(opBLC, 1, 0, 4);  // a block inside the main body
    Ldi(m, 7);
    m.Emit(opRET);
    Lsi(m, "not reached");
    m.Emit(opWRE);
    End(m);
    EXPECT_EQ(f.Run(m), "");
    EXPECT_EQ(f.run.CurrentValue(), 7.0);
    EXPECT_EQ(f.run.OutputText(), "");
}

TEST(MacroRunSafety, FetchesAndWordsAreChecked) {
    struct Case {
        const char* name;
        void (*build)(MacroObject&);
        const char* text;
    };
    const Case cases[] = {
        {"jump outside the code", [](MacroObject& m) { m.EmitInt(opGSB, 5000); }, "システムエラー at 5000"},
        {"negative jump", [](MacroObject& m) { m.EmitInt(opGSB, -3); }, "システムエラー at -3"},
        {"variable beyond the stack", [](MacroObject& m) { Main(m, 4); m.EmitVariableRef(opLDA, Var(900)); },
         "システムエラー at 0"},
        {"variable without a frame", [](MacroObject& m) { m.EmitVariableRef(opLDA, Var(4, vkNumber, 3)); },
         "システムエラー at 0"},
        {"leave without a frame", [](MacroObject& m) { m.Emit(opBLE); }, "システムエラー at 0"},
        {"select end without select", [](MacroObject& m) { m.Emit(opSEP); }, "システムエラー at 0"},
        {"try end without try", [](MacroObject& m) { m.SetLabel(m.NewLabel()); m.EmitInt(opTRE, 0); }, "システムエラー at 0"},
        {"arguments beyond the cells", [](MacroObject& m) { m.EmitInt(opARG, 2); }, "システムエラー at 0"},
    };
    for (const auto& c : cases) {
        RunFixture f;
        MacroObject m;
        c.build(m);
        End(m);
        EXPECT_EQ(f.Run(m), c.text) << c.name;
        EXPECT_FALSE(f.run.IsRunning()) << c.name;
    }
}

TEST(MacroRunSafety, StaticLinkWalkStopsAtTheOutermostFrame) {
    // A level the frames do not have resolves to the outermost frame.
    RunFixture f;
    MacroObject m;
    Main(m, 6);
    Ldi(m, 3);
    m.EmitVariableRef(opSTA, Var(4));
    m.EmitThreeInts(opBLC, 1, 0, 4);
    m.EmitVariableRef(opLDA, Var(4, vkNumber, 5));
    End(m);
    EXPECT_EQ(f.Run(m), "");
    EXPECT_EQ(f.run.CurrentValue(), 3.0);
}

// Polls for a stop by starting a run of the same program on an interpreter
// of its own, as a library macro calling a library macro would.
class NestingServices : public ScriptedServices {
public:
    AppState* state = nullptr;
    const MacroObject* program = nullptr;
    int deepest = 0;
    int depth = 0;
    bool StopRequested() override {
        MacroRun inner(*state);
        ++depth;
        deepest = std::max(deepest, depth);
        try {
            inner.Run(*program);
        } catch (...) {
            --depth;
            throw;
        }
        --depth;
        return true;
    }
};

TEST(MacroRunSafety, NestedRunsHaveALimit) {
    NestingServices services;
    AppState state;
    state.SetServices(&services);
    MacroObject m;
    const int top = m.NewLabel();
    m.SetLabel(top);
    Jump(m, opJMP, top);
    End(m);
    services.state = &state;
    services.program = &m;
    MacroRun outer(state);
    std::string error;
    try {
        outer.Run(m);
    } catch (const Exception& e) {
        error = e.Message();
    }
    EXPECT_EQ(error, "システムエラー at 0");
    EXPECT_EQ(services.deepest, MacroRun::kMaxNesting);
}

TEST(MacroRunSafety, RunDoesNotDiscardASteppedSession) {
    RunFixture f;
    MacroObject m;
    Ldi(m, 1);
    Ldi(m, 2);
    End(m);
    f.run.Start(m);
    int pc = 0;
    ASSERT_TRUE(f.run.Execute(m, pc));
    EXPECT_EQ(f.Run(m), "システムエラー at 0");
    EXPECT_EQ(f.run.CellCount(), 1);  // the session's stacks are intact
    ASSERT_TRUE(f.run.Execute(m, pc));
    EXPECT_EQ(f.run.CellCount(), 2);
}

TEST(MacroRunSafety, ArgumentKindsMustMatchTheParameters) {
    RunFixture f;
    MacroObject m;
    m.SetParameterCount(1);
    m.SetParameterOffset(0, 4);
    Main(m, 12);
    End(m);
    f.run.SetArguments({"abc"}, {true});
    EXPECT_EQ(f.Run(m), "型違反エラー at 1");
    m.SetParameterIsText(0, true);
    f.run.SetArguments({"1+1"}, {false});
    EXPECT_EQ(f.Run(m), "型違反エラー at 1");
    f.run.SetArguments({"abc"}, {true});
    EXPECT_EQ(f.Run(m), "");
}

// Ten arguments for ten parameters are more than a call passes; the error
// names the address after the call's opcode, as the kind errors do.
TEST(MacroRunSafety, TenArgumentsAreTheSystemErrorAtTheCall) {
    RunFixture f;
    MacroObject m;
    m.SetParameterCount(10);
    for (int i = 0; i < 10; ++i) m.SetParameterOffset(i, 4 + 2 * i);
    Main(m, 24);
    End(m);
    f.run.SetArguments(std::vector<std::string>(10, "1"), std::vector<bool>(10, false));
    EXPECT_EQ(f.Run(m), "システムエラー at 1");
}

TEST(MacroRunSafety, ShapesAndIndicesAreChecked) {
    struct Case {
        const char* name;
        void (*build)(MacroObject&);
        const char* text;
    };
    const Case cases[] = {
        {"no rows", [](MacroObject& m) { Main(m, 8); Ldi(m, 0); m.EmitStorageRef(opAAC, 0, 0, 4); }, "範囲エラー at 18"},
        {"huge", [](MacroObject& m) { Main(m, 8); Ldi(m, 1e9); Ldi(m, 1e9); m.EmitStorageRef(opAAC, 1, 0, 4); },
         "範囲エラー at 27"},
        {"column beyond", [](MacroObject& m) {
             Main(m, 8);
             Ldi(m, 2);
             Ldi(m, 2);
             m.EmitStorageRef(opAAC, 1, 0, 4);
             Ldi(m, 1);
             Ldi(m, 3);
             m.EmitVariableRef(opAAA, Var(4, vkArray));  // at 55
         }, "範囲エラー at 51"},
        {"swap beyond", [](MacroObject& m) {
             Main(m, 8);
             Ldi(m, 2);
             m.EmitStorageRef(opAAC, 0, 0, 4);
             Ldi(m, 1);
             Ldi(m, 3);
             m.EmitVariableRef(opSWP, Var(4, vkArray));  // at 46
         }, "範囲エラー at 42"},
        {"blanks", [](MacroObject& m) { Ldi(m, 1e12); m.Emit(opSPC); }, "範囲エラー at 0"},
    };
    for (const auto& c : cases) {
        RunFixture f;
        MacroObject m;
        c.build(m);
        End(m);
        EXPECT_EQ(f.Run(m), c.text) << c.name;
    }
}

TEST(MacroRunSafety, MatrixProductIntoItsOwnOperand) {
    // a = [1 2; 3 4], b = [0 1; 1 0]; mat a = a * b gives [2 1; 4 3].
    RunFixture f;
    MacroObject m;
    Main(m, 12);
    for (int offset : {4, 8}) {
        Ldi(m, 2);
        Ldi(m, 2);
        m.EmitStorageRef(opAAC, 1, 0, offset);
    }
    const double a[] = {1, 2, 3, 4}, b[] = {0, 1, 1, 0};
    for (int k = 0; k < 4; ++k) {
        Ldi(m, k + 1);
        Ldi(m, a[k]);
        m.EmitVariableRef(opSTA, Var(4, vkArray));
        Ldi(m, k + 1);
        Ldi(m, b[k]);
        m.EmitVariableRef(opSTA, Var(8, vkArray));
    }
    const VariableRef ra = Var(4, vkArray), rb = Var(8, vkArray);
    m.EmitMat(4, ra, ra, &rb);
    m.EmitVariableRef(opAAV, ra);
    m.Emit(opWRE);
    End(m);
    EXPECT_EQ(f.Run(m), "");
    EXPECT_EQ(f.run.OutputText(), "2\t1\t4\t3");
}

TEST(MacroRunSafety, RangeOfAHighVariableReadsTheData) {
    // 150 variables; variable 121 holds 1000 + i at observation i.
    RunFixture f;
    Columns cols(150, std::vector<double>{1, 2, 3});
    for (int v = 0; v < 150; ++v)
        for (int i = 0; i < 3; ++i) cols[v][i] = v * 7 + i * i;
    for (int i = 0; i < 3; ++i) cols[120][i] = 1000 + i;
    f.state.SetModel(MakeModel(cols));
    MacroObject m;
    Ldi(m, 1);
    Ldi(m, 3);
    m.EmitStorageRef(opSPS, 0, -1, 120);
    m.EmitTwoInts(opFNC, 54, 1);  // sum
    End(m);
    EXPECT_EQ(f.Run(m), "");
    EXPECT_EQ(f.run.CurrentValue(), 3003.0);
}

TEST(MacroRunSafety, EndlessLoopEndsOnAStopRequest) {
    RunFixture f;
    f.services.stopAfterPolls = 2;
    MacroObject m;
    Ldi(m, 0);
    const int top = m.NewLabel();
    m.SetLabel(top);  // at 9
    Jump(m, opJMP, top);
    End(m);
    EXPECT_EQ(f.Run(m), "システムエラー at 9");
    EXPECT_EQ(f.services.polls, 3);
    EXPECT_EQ(f.run.CurrentValue(), 0.0);
}

TEST(MacroRunSafety, InstructionsThisRunCannotDoAreErrors) {
    RunFixture f;
    MacroObject m;
    Ldi(m, 1);
    m.EmitTwoInts(opMOD, 1, 0);
    End(m);
    EXPECT_EQ(f.Run(m), "システムエラー at 9");
    MacroObject e;
    e.EmitShortText(opERM, "bad value");
    End(e);
    EXPECT_EQ(f.Run(e), "bad value at 1");
}

}  // namespace

// A whole run (which may do several instructions at once) and a run stepped
// one instruction at a time end the same way: value, output, error text and
// the polls for a stop request.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "macro_run_support.h"

namespace {

struct Outcome {
    std::string error;
    double value = 0.0;
    std::string output;
    int polls = 0;
};

Outcome RunWhole(const MacroObject& m) {
    RunFixture f;
    f.services.stopAfterPolls = 1000;
    Outcome o;
    o.error = f.Run(m);
    o.value = f.run.CurrentValue();
    o.output = f.run.OutputText();
    o.polls = f.services.polls;
    return o;
}

Outcome RunStepped(const MacroObject& m) {
    RunFixture f;
    f.services.stopAfterPolls = 1000;
    Outcome o;
    f.run.Start(m);
    int pc = 0;
    try {
        for (int steps = 0; steps < 1000000 && f.run.Execute(m, pc); ++steps) {
        }
    } catch (const Exception& e) {
        o.error = e.Message();
    }
    o.output = f.run.OutputText();
    f.run.Finish();
    o.value = f.run.CurrentValue();
    o.polls = f.services.polls;
    return o;
}

// for i = 1 to passes { x = x + 2; x < 5 } then x, with x at offset 6.
void AddLoop(MacroObject& m, int passes) {
    const VariableRef i = Var(4), x = Var(6);
    Main(m, 8);
    Ldi(m, 1);
    Ldi(m, passes);
    Ldi(m, 1);
    m.EmitVariableRef(opLOP, i);
    const int top = m.NewLabel(), done = m.NewLabel();
    m.SetLabel(top);
    Jump(m, opLPD, done);
    m.EmitVariableRef(opLDA, x);
    Ldi(m, 2);
    m.Emit(opADD);
    m.EmitVariableRef(opSTA, x);
    m.Emit(opPOP);
    m.EmitVariableRef(opLDA, x);
    Ldi(m, 5);
    m.Emit(opLT);
    m.Emit(opPOP);
    Jump(m, opLPR, top);
    m.SetLabel(done);
    m.Emit(opLPE);
    m.EmitVariableRef(opLDA, x);
    End(m);
}

// x = value, with x at offset 6; then x is pushed when load is set.
void SetX(MacroObject& m, double value, bool load) {
    Main(m, 8);
    Ldi(m, value);
    m.EmitVariableRef(opSTA, Var(6));
    m.Emit(opPOP);
    if (load) m.EmitVariableRef(opLDA, Var(6));
}

TEST(MacroRunDecoded, WholeAndSteppedRunsAgreeTable) {
    struct Case {
        const char* name;
        std::function<void(MacroObject&)> build;
        const char* error;
        double value;
        const char* output;
    };
    const Case cases[] = {
        {"loop of joined instructions", [](MacroObject& m) { AddLoop(m, 100); }, "", 200.0, ""},
        // 7, then a jump to the constant of "x + 3": 7 + 3 (x itself is skipped)
        {"jump into a joined group", [](MacroObject& m) {
             Main(m, 8);
             Ldi(m, 7);
             const int into = m.NewLabel();
             Jump(m, opJMP, into);
             m.EmitVariableRef(opLDA, Var(6));
             m.SetLabel(into);
             Ldi(m, 3);
             m.Emit(opADD);
             End(m);
         }, "", 10.0, ""},
        // x = 4; x / 0 fails with both cells pushed: 4 is the value left
        {"division of a variable by zero", [](MacroObject& m) {
             SetX(m, 4, true);
             Ldi(m, 0);
             m.Emit(opDIV);
             End(m);
         }, "範囲エラー at -1", 4.0, ""},
        {"remainder by zero", [](MacroObject& m) {
             SetX(m, 9, true);
             Ldi(m, 0);
             m.Emit(opREM);
             End(m);
         }, "範囲エラー at -1", 9.0, ""},
        // a text under a joined "+ 1": the type error of the plain pair
        {"joined constant over a text", [](MacroObject& m) {
             Lsi(m, "ab");
             Ldi(m, 1);
             m.Emit(opADD);
             End(m);
         }, "型違反エラー at 0", 0.0, ""},
        // the stored value stays on the stack when STA meets a text
        {"store of a text into a number", [](MacroObject& m) {
             Main(m, 8);
             Lsi(m, "ab");
             m.EmitVariableRef(opSTA, Var(6));
             m.Emit(opPOP);
             End(m);
         }, "型違反エラー at 0", 0.0, ""},
        // 2 * 3 written, then 1 left
        {"output between joined groups", [](MacroObject& m) {
             SetX(m, 3, true);
             Ldi(m, 2);
             m.Emit(opMUL);
             m.Emit(opWRE);
             Ldi(m, 1);
             End(m);
         }, "", 1.0, "6"},
        // x = 6, then x - 2, x * 3, x / 4, x ^ 2, x = 6, x <> 6, x <= 6, x > 6, x >= 7
        {"a variable and a constant under every kind of operator", [](MacroObject& m) {
             SetX(m, 6, false);
             const std::pair<int, double> ops[] = {{opSUB, 2}, {opMUL, 3}, {opDIV, 4}, {opPOW, 2}, {opEQ, 6},
                                                   {opNE, 6}, {opLE, 6}, {opGT, 6}, {opGE, 7}};
             for (const auto& [op, c] : ops) {
                 m.EmitVariableRef(opLDA, Var(6));
                 Ldi(m, c);
                 m.Emit(op);
                 m.Emit(opWRE);
                 m.Emit(opTAB);
             }
             End(m);
         }, "", 0.0, "4\t18\t1.5\t36\t1\t0\t1\t0\t0\t"},
        // a loop that runs zero times: the joined LPR is never reached
        {"loop of no passes", [](MacroObject& m) { AddLoop(m, 0); }, "", 0.0, ""},
        // no END: the next fetch is at 9
        {"running off the end", [](MacroObject& m) { Ldi(m, 2); m.FinishCode(); }, "システムエラー at 9", 2.0, ""},
    };
    for (const auto& c : cases) {
        MacroObject m;
        c.build(m);
        const Outcome whole = RunWhole(m);
        const Outcome stepped = RunStepped(m);
        EXPECT_EQ(whole.error, c.error) << c.name;
        EXPECT_EQ(stepped.error, c.error) << c.name;
        EXPECT_EQ(whole.value, c.value) << c.name;
        EXPECT_EQ(stepped.value, c.value) << c.name;
        EXPECT_EQ(whole.output, c.output) << c.name;
        EXPECT_EQ(stepped.output, c.output) << c.name;
    }
}

TEST(MacroRunDecoded, AJumpIntoAnOperandFailsAtItsAddress) {
    // LDI 1 (bytes 0 to 8), JMP (9 to 13) to byte 3 of the LDI, END.
    MacroObject m;
    Ldi(m, 1);
    const int label = m.NewLabel();
    m.SetLabel(label);
    const int operand = m.EmitInt(opJMP, label);
    End(m);
    m.PatchInt(operand, 3);
    EXPECT_EQ(RunWhole(m).error, "システムエラー at 3");
    EXPECT_EQ(RunStepped(m).error, "システムエラー at 3");
    EXPECT_EQ(RunWhole(m).value, 1.0);
    // Stepping from inside an instruction fails the same way.
    RunFixture f;
    f.run.Start(m);
    int pc = 5;
    try {
        f.run.Execute(m, pc);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "システムエラー at 5");
    }
    f.run.Finish();
}

TEST(MacroRunDecoded, SteppingDoesOneInstructionOfAJoinedGroup) {
    // MCR (9 bytes), then LDA x (11), LDI 2 (9), ADD (1).
    MacroObject m;
    Main(m, 8);
    m.EmitVariableRef(opLDA, Var(6));
    Ldi(m, 2);
    m.Emit(opADD);
    End(m);
    RunFixture f;
    f.run.Start(m);
    int pc = 0;
    ASSERT_TRUE(f.run.Execute(m, pc));
    EXPECT_EQ(pc, 9);
    ASSERT_TRUE(f.run.Execute(m, pc));
    EXPECT_EQ(pc, 20);
    EXPECT_EQ(f.run.CellCount(), 1);
    ASSERT_TRUE(f.run.Execute(m, pc));
    EXPECT_EQ(pc, 29);
    EXPECT_EQ(f.run.CellCount(), 2);
    ASSERT_TRUE(f.run.Execute(m, pc));
    EXPECT_EQ(pc, 30);
    EXPECT_EQ(f.run.CellCount(), 1);
    f.run.Finish();
}

TEST(MacroRunDecoded, PollsStayOneEvery4096Instructions) {
    // 5 instructions before the loop, 11 a pass, LPD, LPE, LDA and END after
    // it: 110009 instructions make 26 polls (26 x 4096 = 106496).
    MacroObject m;
    AddLoop(m, 10000);
    const Outcome whole = RunWhole(m);
    EXPECT_EQ(whole.value, 20000.0);
    EXPECT_EQ(whole.polls, 26);
    EXPECT_EQ(RunStepped(m).polls, 26);
}

TEST(MacroRunDecoded, ARunAfterAnotherRunsItsOwnCode) {
    // Two programs of the same length, then the first again.
    MacroObject one, two;
    Ldi(one, 1);
    End(one);
    Ldi(two, 2);
    End(two);
    RunFixture f;
    EXPECT_EQ(f.Run(one), "");
    EXPECT_EQ(f.run.CurrentValue(), 1.0);
    EXPECT_EQ(f.Run(two), "");
    EXPECT_EQ(f.run.CurrentValue(), 2.0);
    EXPECT_EQ(f.Run(one), "");
    EXPECT_EQ(f.run.CurrentValue(), 1.0);
}

}  // namespace

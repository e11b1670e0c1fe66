// Operators, control flow, loops, select, try/throw and modules of a run.
#include <gtest/gtest.h>

#include "macro/macro_compile.h"
#include "macro_run_support.h"

namespace {

struct BinaryCase {
    int op;
    double a, b, expected;
};

TEST(MacroRunOperators, NumbersTable) {
    const BinaryCase cases[] = {
        {opADD, 2, 3, 5},      {opSUB, 2, 3, -1},     {opMUL, 2, 3, 6},      {opDIV, 3, 4, 0.75},
        {opPOW, 2, 10, 1024},  {opREM, 7, 3, 1},      {opREM, -7, 3, -1},    {opIDIV, 7, 2, 3},
        {opIDIV, -7, 2, -3},   {opAND, 1, 0, 0},      {opAND, 1, 1, 1},      {opOR, 1, 0, 1},
        {opXOR, 0, 0, 1},      {opXOR, 1, 0, 0},      {opEQ, 1, 1.0000000000000002, 1},
        {opEQ, 1, 1.001, 0},   {opNE, 1, 2, 1},       {opLT, 1, 2, 1},       {opLE, 2, 2, 1},
        {opGT, 1, 2, 0},       {opGE, 1, 2, 0},
    };
    for (const auto& c : cases) {
        RunFixture f;
        MacroObject m;
        Ldi(m, c.a);
        Ldi(m, c.b);
        m.Emit(c.op);
        End(m);
        EXPECT_EQ(f.Run(m), "") << MacroMnemonic(c.op);
        EXPECT_DOUBLE_EQ(f.run.CurrentValue(), c.expected) << MacroMnemonic(c.op) << " " << c.a << " " << c.b;
    }
}

TEST(MacroRunOperators, CompiledExpressionsTable) {
    const std::pair<const char*, double> cases[] = {
        {"7-2*3", 1}, {"(1+2)*(3+4)", 21}, {"2^3", 8}, {"-(4-6)", 2}, {"10/4", 2.5},
    };
    for (const auto& [text, expected] : cases) {
        RunFixture f;
        MacroCompile c(f.state);
        c.CompileExpression(text);
        EXPECT_EQ(f.Run(c), "") << text;
        EXPECT_DOUBLE_EQ(f.run.CurrentValue(), expected) << text;
    }
}

TEST(MacroRunOperators, UnaryAndInterval) {
    struct Case {
        double x, a, b;
        std::uint8_t inside, left, right;
        double expected;
    };
    const Case cases[] = {
        {1, 5, 1, 1, 1, 1, 1},  // bounds swapped: [1, 5]
        {1, 1, 5, 1, 0, 1, 0},  // (1, 5]
        {5, 1, 5, 1, 1, 0, 0},  // [1, 5)
        {5, 1, 5, 0, 1, 0, 1},  // not in [1, 5)
        {3, 1, 5, 0, 1, 1, 0},
    };
    for (const auto& c : cases) {
        RunFixture f;
        MacroObject m;
        Ldi(m, c.x);
        Ldi(m, c.a);
        Ldi(m, c.b);
        m.EmitThreeBytes(opIMP, c.inside, c.left, c.right);
        End(m);
        EXPECT_EQ(f.Run(m), "");
        EXPECT_EQ(f.run.CurrentValue(), c.expected) << c.x << " " << c.a << " " << c.b;
    }
    RunFixture f;
    MacroObject m;
    Ldi(m, 0);
    m.Emit(opNOT);
    m.Emit(opXCS);
    End(m);
    f.Run(m);
    EXPECT_EQ(f.run.CurrentValue(), -1.0);
}

TEST(MacroRunOperators, TextsCompareByBytesAndJoinCut) {
    const std::tuple<const char*, const char*, int, double> cases[] = {
        {"abc", "abd", opLT, 1}, {"B", "a", opLT, 1}, {"b", "a", opLT, 0},
        {"ab", "ab", opEQ, 1},   {"ab", "abc", opLT, 1}, {"ab", "abc", opNE, 1},
    };
    for (const auto& [a, b, op, expected] : cases) {
        RunFixture f;
        MacroObject m;
        Lsi(m, a);
        Lsi(m, b);
        m.Emit(op);
        End(m);
        EXPECT_EQ(f.Run(m), "");
        EXPECT_EQ(f.run.CurrentValue(), expected) << a << " " << b;
    }
    RunFixture f;
    MacroObject m;
    Lsi(m, std::string(20, 'x'));
    Lsi(m, std::string(20, 'y'));
    m.Emit(opADD);
    m.Emit(opWRE);
    Lsi(m, std::string(40, 'z'));
    m.Emit(opWRE);
    End(m);
    EXPECT_EQ(f.Run(m), "");
    EXPECT_EQ(f.run.OutputText(), std::string(20, 'x') + std::string(11, 'y') + std::string(31, 'z'));
}

TEST(MacroRunErrors, TextsAndAddresses) {
    struct Case {
        const char* name;
        void (*build)(MacroObject&);
        const char* text;
    };
    const Case cases[] = {
        {"divide by zero", [](MacroObject& m) { Ldi(m, 3); Ldi(m, 0); m.Emit(opDIV); }, "範囲エラー at -1"},
        {"remainder by zero", [](MacroObject& m) { Ldi(m, 3); Ldi(m, 0); m.Emit(opREM); }, "範囲エラー at -1"},
        {"quotient by zero", [](MacroObject& m) { Ldi(m, 3); Ldi(m, 0); m.Emit(opIDIV); }, "範囲エラー at -1"},
        {"empty value stack", [](MacroObject& m) { m.Emit(opPOP); }, "システムエラー at 0"},
        {"empty word stack", [](MacroObject& m) { m.Emit(opLPE); }, "システムエラー at 0"},
        {"number over text", [](MacroObject& m) { Lsi(m, "a"); Ldi(m, 1); m.Emit(opADD); }, "型違反エラー at 0"},
        {"text arithmetic", [](MacroObject& m) { Lsi(m, "a"); Lsi(m, "b"); m.Emit(opSUB); }, "型違反エラー at 0"},
        {"negate a text", [](MacroObject& m) { Lsi(m, "a"); m.Emit(opXCS); }, "型違反エラー at 3"},
        {"format from a number", [](MacroObject& m) { Ldi(m, 1); m.Emit(opFMT); }, "型違反エラー at 2"},
    };
    for (const auto& c : cases) {
        RunFixture f;
        MacroObject m;
        c.build(m);
        End(m);
        EXPECT_EQ(f.Run(m), c.text) << c.name;
    }
}

TEST(MacroRunResult, LeftNumberBecomesCurrentValue) {
    RunFixture f;
    f.run.SetCurrentValue(9.0);
    MacroObject empty;
    End(empty);
    f.Run(empty);
    EXPECT_EQ(f.run.CurrentValue(), 9.0);  // nothing left: kept
    MacroObject m;
    Ldi(m, 4);
    Ldi(m, 6);
    End(m);
    f.Run(m);
    EXPECT_EQ(f.run.CurrentValue(), 4.0);  // the bottom-most number
    MacroObject faa;
    faa.Emit(opFAA);
    Ldi(faa, 1);
    faa.Emit(opADD);
    End(faa);
    f.Run(faa);
    EXPECT_EQ(f.run.CurrentValue(), 5.0);
}

// for i = start to limit step: write i
std::string LoopOutput(double start, double limit, double step, int breakAt = 0) {
    RunFixture f;
    MacroObject m;
    Main(m, 6);
    const VariableRef i = Var(4);
    Ldi(m, start);
    Ldi(m, limit);
    Ldi(m, step);
    m.EmitVariableRef(opLOP, i);
    const int top = m.NewLabel(), done = m.NewLabel(), body = m.NewLabel();
    m.SetLabel(top);
    Jump(m, opLPD, done);
    m.EmitVariableRef(opLDA, i);
    m.Emit(opWRE);
    m.EmitVariableRef(opLDA, i);
    Ldi(m, breakAt);
    m.Emit(opEQ);
    Jump(m, opJPF, body);
    Jump(m, opJMP, done);
    m.SetLabel(body);
    Jump(m, opLPR, top);
    m.SetLabel(done);
    m.Emit(opLPE);
    End(m);
    const std::string error = f.Run(m);
    return error.empty() ? f.run.OutputText() : error;
}

TEST(MacroRunLoops, CountsAndSteps) {
    EXPECT_EQ(LoopOutput(1, 3, 1), "123");
    EXPECT_EQ(LoopOutput(3, 1, -1), "321");
    EXPECT_EQ(LoopOutput(1, 10, 4), "159");
    EXPECT_EQ(LoopOutput(1, 3, 0), "");            // step 0, start below the limit: no pass
    EXPECT_EQ(LoopOutput(5, 3, 0, 5), "5");        // step 0 otherwise repeats until left
    EXPECT_EQ(LoopOutput(2.7, 5, 1), "2345");       // the start is truncated
    EXPECT_EQ(LoopOutput(4, 3, 1), "");
}

// select on v: case 1 "one"; case 2, 3 "two or three"; else "else"
std::string SelectOutput(double v) {
    RunFixture f;
    MacroObject m;
    Main(m, 4);
    const int end = m.NewLabel(), second = m.NewLabel(), other = m.NewLabel();
    Ldi(m, v);
    Jump(m, opSEL, end);
    m.Emit(opALP);
    Ldi(m, 1);
    m.Emit(opEQ);
    m.EmitInt(opCSC, 1);
    Jump(m, opJPF, second);
    Lsi(m, "one");
    m.Emit(opWRE);
    m.Emit(opCE);
    m.SetLabel(second);
    m.Emit(opALP);
    Ldi(m, 2);
    m.Emit(opEQ);
    m.Emit(opALP);
    Ldi(m, 3);
    m.Emit(opEQ);
    m.EmitInt(opCSC, 2);
    Jump(m, opJPF, other);
    Lsi(m, "two or three");
    m.Emit(opWRE);
    m.Emit(opCE);
    m.SetLabel(other);
    Lsi(m, "else");
    m.Emit(opWRE);
    m.Emit(opCE);
    m.SetLabel(end);
    m.Emit(opSEP);
    End(m);
    const std::string error = f.Run(m);
    return error.empty() ? f.run.OutputText() : error;
}

TEST(MacroRunSelect, CasesTable) {
    EXPECT_EQ(SelectOutput(1), "one");
    EXPECT_EQ(SelectOutput(2), "two or three");
    EXPECT_EQ(SelectOutput(3), "two or three");
    EXPECT_EQ(SelectOutput(4), "else");
}

// try: throw v; catch 7: "seven"; catch else "other"; then 1 is left.
std::string TryOutput(double v, double* left) {
    RunFixture f;
    MacroObject m;
    Main(m, 4);
    const int handler = m.NewLabel(), end = m.NewLabel(), other = m.NewLabel(), selEnd = m.NewLabel();
    Jump(m, opTRY, handler);
    Ldi(m, v);
    m.Emit(opEJP);
    Jump(m, opTRE, end);
    m.SetLabel(handler);
    Jump(m, opXEP, selEnd);
    m.Emit(opALP);
    Ldi(m, 7);
    m.Emit(opEQ);
    m.EmitInt(opCSC, 1);
    Jump(m, opJPF, other);
    Lsi(m, "seven");
    m.Emit(opWRE);
    m.Emit(opCE);
    m.SetLabel(other);
    Lsi(m, "other");
    m.Emit(opWRE);
    m.Emit(opCE);
    m.SetLabel(selEnd);
    m.Emit(opSEP);
    m.SetLabel(end);
    Ldi(m, 1);
    End(m);
    const std::string error = f.Run(m);
    *left = f.run.CurrentValue();
    return error.empty() ? f.run.OutputText() : error;
}

TEST(MacroRunTry, ThrowReachesItsHandler) {
    double left = 0;
    EXPECT_EQ(TryOutput(7, &left), "seven");
    EXPECT_EQ(left, 1.0);
    EXPECT_EQ(TryOutput(8, &left), "other");
}

TEST(MacroRunTry, ThrowWithoutHandlerEndsTheRun) {
    RunFixture f;
    MacroObject m;
    Ldi(m, 9);
    m.Emit(opEJP);
    Lsi(m, "not reached");
    m.Emit(opWRE);
    End(m);
    EXPECT_EQ(f.Run(m), "");
    EXPECT_EQ(f.run.CurrentValue(), 9.0);
    EXPECT_EQ(f.run.OutputText(), "");
}

// fact(n) = n <= 1 ? 1 : n * fact(n - 1), as a module taking n by value.
MacroObject Factorial(double n) {
    MacroObject m;
    Main(m, 4);
    const int start = m.NewLabel(), recurse = m.NewLabel();
    Jump(m, opJMP, start);  // over the module's body
    const int body = m.CodeLength();
    m.EmitThreeInts(opBLC, 1, 3, 4);  // the argument (2 words) and the return address
    const VariableRef arg = Var(-3, vkNumber, 1);
    m.EmitVariableRef(opLDA, arg);
    Ldi(m, 1);
    m.Emit(opLE);
    Jump(m, opJPF, recurse);
    Ldi(m, 1);
    m.Emit(opRET);
    m.SetLabel(recurse);
    m.EmitVariableRef(opLDA, arg);
    m.EmitVariableRef(opLDA, arg);
    Ldi(m, 1);
    m.Emit(opSUB);
    m.EmitInt(opARG, 1);
    m.EmitInt(opGSB, body);
    m.Emit(opMUL);
    m.Emit(opRET);
    m.SetLabel(start);
    Ldi(m, n);
    m.EmitInt(opARG, 1);
    m.EmitInt(opGSB, body);
    End(m);
    return m;
}

TEST(MacroRunModules, RecursionTable) {
    const std::pair<double, double> cases[] = {{1, 1}, {3, 6}, {5, 120}, {10, 3628800}};
    for (const auto& [n, expected] : cases) {
        RunFixture f;
        EXPECT_EQ(f.Run(Factorial(n)), "");
        EXPECT_EQ(f.run.CurrentValue(), expected) << n;
    }
}

TEST(MacroRunModules, ByReferenceArgumentWritesTheCallersVariable) {
    // x := 5; inc(&x) adds 10 to it; x is left.
    RunFixture f;
    MacroObject m;
    Main(m, 6);
    const int start = m.NewLabel();
    Jump(m, opJMP, start);
    const int body = m.CodeLength();
    m.EmitThreeInts(opBLC, 1, 2, 4);
    const VariableRef byRef{1, vkNumber, 1, -2};
    m.EmitVariableRef(opLDA, byRef);
    Ldi(m, 10);
    m.Emit(opADD);
    m.EmitVariableRef(opSTA, byRef);
    m.Emit(opPOP);
    m.Emit(opRET);
    m.SetLabel(start);
    Ldi(m, 5);
    m.EmitVariableRef(opSTA, Var(4));
    m.Emit(opPOP);
    m.EmitVariableRef(opREF, Var(4));
    m.EmitInt(opARG, 1);
    m.EmitInt(opGSB, body);
    m.EmitVariableRef(opLDA, Var(4));
    End(m);
    EXPECT_EQ(f.Run(m), "");
    EXPECT_EQ(f.run.CurrentValue(), 15.0);
}

TEST(MacroRunParameters, MissingArgumentIsAskedFor) {
    RunFixture f;
    MacroObject m;
    m.SetName("calc");
    m.SetParameterCount(2);
    m.SetParameterOffset(0, 4);
    m.SetParameterOffset(1, 6);
    m.SetParameterPrompt(1, "");
    Main(m, 8);
    m.EmitVariableRef(opLDA, Var(4));
    m.EmitVariableRef(opLDA, Var(6));
    m.Emit(opADD);
    End(m);
    f.services.QueueInput("10");
    f.run.SetArguments({"2*3"}, {false});
    EXPECT_EQ(f.Run(m), "");
    EXPECT_EQ(f.run.CurrentValue(), 16.0);
    const auto asks = f.services.CallsOf(ServiceCall::Input);
    ASSERT_EQ(asks.size(), 1u);
    EXPECT_EQ(asks[0].text, "calc :: 第2引数(実数)");
    f.services.QueueCancel();
    f.run.SetArguments({"1"}, {false});
    EXPECT_EQ(f.Run(m), "");
    EXPECT_EQ(f.run.CurrentValue(), 1.0);  // Cancel gives "0"
}

}  // namespace

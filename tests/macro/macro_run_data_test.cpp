// Data instructions of a run: texts and output, variables and arrays,
// matrices, ranges and functions, data cells with undo, user scalars.
#include <gtest/gtest.h>

#include "core/model/regression_model.h"
#include "core/model/undo_store.h"
#include "eval/scalar_functions.h"
#include "macro_run_support.h"
#include "support/model_builder.h"

namespace {

const VariableRef kText = Var(4, vkText);
const VariableRef kA = Var(4, vkArray);
const VariableRef kB = Var(8, vkArray);
const VariableRef kC = Var(12, vkArray);

std::string Output(RunFixture& f, const MacroObject& m) {
    const std::string error = f.Run(m);
    return error.empty() ? f.run.OutputText() : error;
}

// Declares an r x c matrix (c = 0: a vector of r elements) at the offset.
void Declare(MacroObject& m, int offset, int r, int c) {
    Ldi(m, r);
    if (c > 0) Ldi(m, c);
    m.EmitStorageRef(opAAC, c > 0 ? 1 : 0, 0, offset);
}

// Stores the values row by row into the matrix.
void Fill(MacroObject& m, const VariableRef& ref, int cols, const std::vector<double>& values) {
    for (std::size_t k = 0; k < values.size(); ++k) {
        Ldi(m, static_cast<double>(k / cols + 1));
        Ldi(m, static_cast<double>(k % cols + 1));
        m.EmitVariableRef(opAAA, ref);
        Ldi(m, values[k]);
        m.EmitVariableRef(opSTA, ref);
        m.Emit(opPOP);
    }
}

TEST(MacroRunTexts, OutputAndFormatsTable) {
    struct Case {
        const char* name;
        void (*build)(MacroObject&);
        const char* output;
    };
    const Case cases[] = {
        {"general form", [](MacroObject& m) { Ldi(m, 0.1); m.Emit(opWRE); Ldi(m, 1e20); m.Emit(opWRE); }, "0.11E20"},
        {"number format", [](MacroObject& m) { Lsi(m, "0.0"); m.Emit(opFMT); Ldi(m, 2); m.Emit(opWRE); }, "2.0"},
        {"formatted text", [](MacroObject& m) { Lsi(m, "0.00"); Ldi(m, 3.14159); m.Emit(opFFM); m.Emit(opWRE); }, "3.14"},
        {"separators", [](MacroObject& m) { m.Emit(opTAB); m.Emit(opLN); Ldi(m, 3); m.Emit(opSPC); }, "\t\r\n   "},
        {"text variable", [](MacroObject& m) {
             Main(m, 12);
             Lsi(m, "abc");
             m.EmitVariableRef(opSTA, kText);
             m.Emit(opPOP);
             m.EmitVariableRef(opLDA, kText);
             Lsi(m, "d");
             m.Emit(opADD);
             m.Emit(opWRE);
         }, "abcd"},
        // 16 two-byte characters are 32 bytes: cut to 15 characters, not 31 bytes.
        {"cut on a character", [](MacroObject& m) { Lsi(m, "ああああああああああああああああ"); m.Emit(opWRE); },
         "あああああああああああああああ"},
    };
    for (const auto& c : cases) {
        RunFixture f;
        MacroObject m;
        c.build(m);
        End(m);
        EXPECT_EQ(Output(f, m), c.output) << c.name;
    }
}

TEST(MacroRunTexts, ReadInputIntoNumberAndText) {
    RunFixture f;
    MacroObject m;
    Main(m, 14);
    Lsi(m, "value?");
    m.EmitVariableRef(opRDV, Var(12));
    Lsi(m, "name?");
    m.EmitVariableRef(opRDV, kText);
    m.EmitVariableRef(opLDA, kText);
    m.Emit(opWRE);
    m.EmitVariableRef(opLDA, Var(12));
    End(m);
    f.services.QueueInput("2.5");
    f.services.QueueInput("xyz");
    EXPECT_EQ(Output(f, m), "xyz");
    EXPECT_EQ(f.run.CurrentValue(), 2.5);
    RunFixture g;
    g.services.QueueCancel();  // the empty text is no number
    EXPECT_EQ(g.Run(m), "'' は数値ではありません");
}

TEST(MacroRunArrays, ElementsAndIndexErrors) {
    RunFixture f;
    MacroObject m;
    Main(m, 8);
    Declare(m, 4, 3, 0);
    Ldi(m, 2);
    Ldi(m, 7.5);
    m.EmitVariableRef(opSTA, kA);
    m.Emit(opPOP);
    Ldi(m, 3);
    Ldi(m, 1.5);
    m.EmitVariableRef(opSTA, kA);
    m.Emit(opPOP);
    Ldi(m, 2);
    Ldi(m, 3);
    m.EmitVariableRef(opSWP, kA);  // a = 0, 1.5, 7.5
    Ldi(m, 3);
    m.EmitVariableRefInt(opSTO, kA, 0);  // post-increment: 7.5 pushed, 8.5 stored
    m.Emit(opWRE);
    Ldi(m, 2);
    Ldi(m, 4);
    m.EmitVariableRefInt(opSTO, kA, 5);  // a[2] *= 4 -> 6
    m.Emit(opWRE);
    Ldi(m, 3);
    m.EmitVariableRefOptions(opADI, kA, 1, 1, 2);  // a[3] -= 2, the old value pushed
    m.Emit(opWRE);
    Ldi(m, 3);
    m.EmitVariableRef(opLDA, kA);
    m.Emit(opWRE);
    const int bad = m.CodeLength() + 9;  // the LDA after the index
    Ldi(m, 4);
    m.EmitVariableRef(opLDA, kA);
    End(m);
    EXPECT_EQ(Output(f, m), "範囲エラー at " + std::to_string(bad + 11 - 15));
    EXPECT_EQ(f.run.OutputText(), "7.568.56.5");
}

TEST(MacroRunMatrices, OperationsTable) {
    struct Case {
        const char* name;
        int sub;
        std::vector<double> y, z;
        double scalar;
        const char* output;
    };
    // Y = [1 2; 3 4], Z = [0 1; 1 0] unless given; results worked out by hand.
    const Case cases[] = {
        {"mul", 4, {1, 2, 3, 4}, {0, 1, 1, 0}, 0, "2\t1\t4\t3"},
        {"add", 5, {1, 2, 3, 4}, {0, 1, 1, 0}, 0, "1\t3\t4\t4"},
        {"sub", 6, {1, 2, 3, 4}, {0, 1, 1, 0}, 0, "1\t1\t2\t4"},
        {"transpose", 1, {1, 2, 3, 4}, {}, 0, "1\t3\t2\t4"},
        {"inverse", 0, {4, 7, 2, 6}, {}, 0, "0.6\t-0.7\t-0.2\t0.4"},
        {"cholesky", 2, {4, 2, 2, 5}, {}, 0, "2\t1\t0\t2"},
        {"scalar times", 7, {1, 2, 3, 4}, {}, 2, "2\t4\t6\t8"},
        {"scalar plus", 8, {1, 2, 3, 4}, {}, 10, "11\t12\t13\t14"},
        {"scalar minus", 9, {1, 2, 3, 4}, {}, 10, "9\t8\t7\t6"},
        {"let", 10, {1, 2, 3, 4}, {}, 0, "1\t2\t3\t4"},
        {"diagonal", 3, {5, 6, 7, 8}, {}, 0, "5\t0\t0\t6"},
    };
    for (const auto& c : cases) {
        RunFixture f;
        MacroObject m;
        Main(m, 16);
        Declare(m, 4, 2, 2);
        Declare(m, 8, 2, 2);
        Declare(m, 12, 2, 2);
        Fill(m, kA, 2, {9, 9, 9, 9});
        Fill(m, kB, 2, c.y);
        if (!c.z.empty()) Fill(m, kC, 2, c.z);
        if (c.sub >= 7 && c.sub <= 9) Ldi(m, c.scalar);
        m.EmitMat(c.sub, kA, kB, &kC);
        m.EmitVariableRef(opAAV, kA);
        m.Emit(opWRE);
        End(m);
        EXPECT_EQ(Output(f, m), c.output) << c.name;
    }
}

TEST(MacroRunMatrices, FillDiagonalPolynomialAndReshape) {
    struct Case {
        const char* name;
        void (*build)(MacroObject&);
        const char* output;
    };
    const Case cases[] = {
        {"fill row by row", [](MacroObject& m) {
             Declare(m, 4, 2, 2);
             Ldi(m, 1);
             Ldi(m, 2);
             Ldi(m, 3);
             m.EmitVariableRefInt(opMTS, kA, 3);
             m.EmitVariableRef(opAAV, kA);
             m.Emit(opWRE);
         }, "1\t2\t3\t0"},
        // two values on a 3 x 3 diagonal: the last repeats
        {"diagonal", [](MacroObject& m) {
             Declare(m, 4, 3, 3);
             Ldi(m, 2);
             Ldi(m, 5);
             m.EmitVariableRefInt(opMTS, kA, -2);
             m.EmitVariableRef(opAAV, kA);
             m.Emit(opWRE);
         }, "2\t0\t0\t0\t5\t0\t0\t0\t5"},
        // 2 x^2 + 3 x + 1 at 2
        {"polynomial", [](MacroObject& m) {
             Declare(m, 4, 3, 0);
             Ldi(m, 2);
             Ldi(m, 3);
             Ldi(m, 1);
             m.EmitVariableRefInt(opMTS, kA, 3);
             Ldi(m, 2);
             m.EmitVariableRefInt(opMTS, kA, 0);
             m.Emit(opWRE);
         }, "15"},
        // six elements as 2 rows of 3: element (2, 1) is the fourth
        {"reshape", [](MacroObject& m) {
             Declare(m, 4, 6, 0);
             for (int i = 1; i <= 6; ++i) Ldi(m, i);
             m.EmitVariableRefInt(opMTS, kA, 6);
             Ldi(m, 3);
             m.EmitVariableRefOptions(opRDM, kA, 1);
             Ldi(m, 2);
             Ldi(m, 1);
             m.EmitVariableRef(opAAA, kA);
             m.EmitVariableRef(opLDA, kA);
             m.Emit(opWRE);
         }, "4"},
    };
    for (const auto& c : cases) {
        RunFixture f;
        MacroObject m;
        Main(m, 8);
        c.build(m);
        End(m);
        EXPECT_EQ(Output(f, m), c.output) << c.name;
    }
}

TEST(MacroRunMatrices, SingularInverseEndsTheRun) {
    RunFixture f;
    MacroObject m;
    Main(m, 12);
    Declare(m, 4, 2, 2);
    Declare(m, 8, 2, 2);
    Fill(m, kB, 2, {1, 2, 2, 4});
    m.EmitMat(0, kA, kB);
    End(m);
    EXPECT_EQ(f.Run(m), "INVERSE ERROR!");
}

TEST(MacroRunFunctions, ScalarAndListTable) {
    struct Case {
        const char* name;
        void (*build)(MacroObject&);
        double expected;
    };
    const Case cases[] = {
        {"sqrt", [](MacroObject& m) { Ldi(m, 9); m.EmitInt(opFNC, sfSqrt); }, 3},
        {"abs", [](MacroObject& m) { Ldi(m, -2); m.EmitInt(opFNC, sfAbs); }, 2},
        {"combin", [](MacroObject& m) { Ldi(m, 5); Ldi(m, 2); m.EmitInt(opFNC, sfCombin); }, 10},
        {"sum", [](MacroObject& m) { Ldi(m, 1); Ldi(m, 2); Ldi(m, 4); m.EmitTwoInts(opFNC, 54, 3); }, 7},
        {"mean", [](MacroObject& m) { Ldi(m, 1); Ldi(m, 2); Ldi(m, 6); m.EmitTwoInts(opFNC, 47, 3); }, 3},
        // deviations -2, -1, 3: squares 14; / 3 and / 2
        {"varp", [](MacroObject& m) { Ldi(m, 1); Ldi(m, 2); Ldi(m, 6); m.EmitTwoInts(opFNC, 45, 3); }, 14.0 / 3},
        {"variable", [](MacroObject& m) { Ldi(m, 1); Ldi(m, 2); Ldi(m, 6); m.EmitTwoInts(opFNC, 46, 3); }, 7},
        {"variable of one", [](MacroObject& m) { Ldi(m, 5); m.EmitTwoInts(opFNC, 46, 1); }, 0},
        {"min", [](MacroObject& m) { Ldi(m, 3); Ldi(m, -1); Ldi(m, 2); m.EmitTwoInts(opFNC, 51, 3); }, -1},
        {"median", [](MacroObject& m) { Ldi(m, 3); Ldi(m, 9); Ldi(m, 1); Ldi(m, 4); m.EmitTwoInts(opFNC, 52, 4); }, 3.5},
        // 2 x^2 + 3 x + 1 at x = 2
        {"hornor", [](MacroObject& m) { Ldi(m, 2); Ldi(m, 2); Ldi(m, 3); Ldi(m, 1); m.EmitTwoInts(opFNC, 56, 4); }, 15},
    };
    for (const auto& c : cases) {
        RunFixture f;
        MacroObject m;
        c.build(m);
        End(m);
        EXPECT_EQ(f.Run(m), "") << c.name;
        EXPECT_NEAR(f.run.CurrentValue(), c.expected, 1e-12) << c.name;
    }
}

TEST(MacroRunRanges, ArrayRangeMean) {
    // a = 1, 2, 3, 4; mean(a[3..2]) = 2.5, the bounds swapped.
    RunFixture f;
    MacroObject m;
    Main(m, 8);
    Declare(m, 4, 4, 0);
    for (int i = 1; i <= 4; ++i) {
        Ldi(m, i);
        Ldi(m, i);
        m.EmitVariableRef(opSTA, kA);
        m.Emit(opPOP);
    }
    Ldi(m, 3);
    Ldi(m, 2);
    m.EmitVariableRefInt(opSPA, kA, -1);
    m.EmitTwoInts(opFNC, 47, 1);
    End(m);
    EXPECT_EQ(f.Run(m), "");
    EXPECT_EQ(f.run.CurrentValue(), 2.5);
}

struct DataFixture : RunFixture {
    Reg* model = nullptr;
    DataFixture() {
        state.SetModel(MakeModel({{1, 2, 3, 4, 5}, {2, 4, 9, 4, 5}}, {}, {"x", "y"}));
        model = state.Model();
    }
};

TEST(MacroRunData, ReadsTable) {
    struct Case {
        const char* name;
        void (*build)(MacroObject&);
        double expected;
    };
    const Case cases[] = {
        {"observations", [](MacroObject& m) { m.EmitTwoInts(opSVR, 0, 4); }, 5},
        // The code's variable index counts from 0, as the compiler writes it.
        {"cell of variable a", [](MacroObject& m) { Ldi(m, 3); m.EmitTwoInts(opSVR, 1, -10); }, 9},
        {"cell (i, j)", [](MacroObject& m) { Ldi(m, 4); Ldi(m, 1); m.EmitTwoInts(opSVR, 0, 7); }, 4},
        {"mean of y", [](MacroObject& m) { m.EmitTwoInts(opSVR, 1, 0); }, 24.0 / 5},
        {"max by number", [](MacroObject& m) { Ldi(m, 2); m.EmitTwoInts(opSVR, 0, 11); }, 9},
        {"index by name", [](MacroObject& m) { Lsi(m, "y"); m.EmitTwoInts(opSVR, -1, 8); }, 2},
        // max of 3, y over observations 4 .. 2 (taken as 2 .. 4), and 1
        {"max over a range", [](MacroObject& m) {
             Ldi(m, 3);
             Ldi(m, 4);
             Ldi(m, 2);
             m.EmitStorageRef(opSPS, 0, -1, 1);
             Ldi(m, 1);
             m.EmitTwoInts(opFNC, 50, 3);
         }, 9},
        // bounds outside the data set are clamped: the sum of all of y
        {"clamped range", [](MacroObject& m) {
             Ldi(m, -5);
             Ldi(m, 99);
             m.EmitStorageRef(opSPS, 0, -1, 1);
             m.EmitTwoInts(opFNC, 54, 1);
         }, 24},
    };
    for (const auto& c : cases) {
        DataFixture f;
        MacroObject m;
        c.build(m);
        End(m);
        EXPECT_EQ(f.Run(m), "") << c.name;
        EXPECT_DOUBLE_EQ(f.run.CurrentValue(), c.expected) << c.name;
    }
    DataFixture f;
    MacroObject m;
    Ldi(m, 1);
    m.EmitTwoInts(opSVR, 0, 13);
    m.Emit(opWRE);
    End(m);
    EXPECT_EQ(Output(f, m), "x");
}

TEST(MacroRunData, CellWritesAreUndoable) {
    DataFixture f;
    MacroObject m;
    Ldi(m, 2);
    m.EmitTwoInts(opSVL, 0, 0);  // x[2]++: 2 pushed, 3 stored
    Ldi(m, 3);
    Ldi(m, 9.5);
    m.EmitTwoInts(opSVL, 1, 2);  // y[3] = 9.5
    m.Emit(opPOP);
    End(m);
    EXPECT_EQ(f.Run(m), "");
    EXPECT_EQ(f.run.CurrentValue(), 2.0);
    EXPECT_EQ(f.model->GetValue(1, 0), 3.0);
    EXPECT_EQ(f.model->GetValue(2, 1), 9.5);
    ASSERT_TRUE(f.state.Undo().Undo(*f.model));
    EXPECT_EQ(f.model->GetValue(2, 1), 9.0);
    ASSERT_TRUE(f.state.Undo().Undo(*f.model));
    EXPECT_EQ(f.model->GetValue(1, 0), 2.0);
}

TEST(MacroRunData, ErrorsTable) {
    struct Case {
        const char* name;
        void (*build)(MacroObject&);
        const char* text;
    };
    // SVR is 9 bytes at 0 (after one LDI at 9): its checks give the address + 9 - 13.
    const Case cases[] = {
        {"observation 0", [](MacroObject& m) { Ldi(m, 0); m.EmitTwoInts(opSVR, 1, -10); }, "範囲エラー at 5"},
        {"observation 6", [](MacroObject& m) { Ldi(m, 6); m.EmitTwoInts(opSVR, 1, -10); }, "範囲エラー at 5"},
        {"variable 3", [](MacroObject& m) { Ldi(m, 1); m.EmitTwoInts(opSVR, 3, -10); }, "範囲エラー at 5"},
        {"unknown name", [](MacroObject& m) { Lsi(m, "z"); m.EmitTwoInts(opSVR, -1, 8); }, "範囲エラー at -1"},
        {"cell write", [](MacroObject& m) { Ldi(m, 7); m.EmitTwoInts(opSVL, 1, 0); }, "範囲エラー at 13"},
    };
    for (const auto& c : cases) {
        DataFixture f;
        MacroObject m;
        c.build(m);
        End(m);
        EXPECT_EQ(f.Run(m), c.text) << c.name;
    }
    RunFixture none;
    MacroObject m;
    m.EmitTwoInts(opSVR, 0, 4);
    End(m);
    EXPECT_EQ(none.Run(m), "システムエラー at -4");
}

TEST(MacroRunUser, ScalarsByBank) {
    RunFixture f;
    MacroObject m;
    Ldi(m, 4.5);
    m.EmitThreeInts(opSUV, 3, 2, 2);  // settings bank, scalar 3 := 4.5
    Ldi(m, 2);
    m.EmitThreeInts(opSUV, 3, 2, 5);  // *= 2
    m.Emit(opPOP);
    m.Emit(opPOP);
    m.EmitTwoInts(opLUV, 3, 2);
    End(m);
    EXPECT_EQ(f.Run(m), "");
    EXPECT_EQ(f.run.CurrentValue(), 9.0);
    EXPECT_EQ(f.state.UserScalars().GetValue(3, false), 9.0);
}

}  // namespace

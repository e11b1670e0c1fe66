// The code buffer: operand bytes, growth, labels and their patching,
// finishing, copies and the parameter tables.
#include "macro/macro_object.h"

#include <gtest/gtest.h>

#include <vector>

#include "macro/macro_opcodes.h"
#include "platform/errors.h"

namespace {

std::vector<int> Bytes(const MacroObject& m) {
    return std::vector<int>(m.Code(), m.Code() + m.CodeLength());
}

TEST(MacroObject, StartsEmpty) {
    MacroObject m;
    EXPECT_EQ(m.CodeLength(), 0);
    EXPECT_EQ(m.CodeCapacity(), 256);
    EXPECT_EQ(m.LabelCapacity(), 128);
    EXPECT_EQ(m.LabelCount(), 0);
    EXPECT_EQ(m.ParameterCount(), 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.ParameterOffset(i), 4);
    EXPECT_TRUE(m.Name().empty());
    EXPECT_TRUE(m.FileName().empty());
}

// Operands are little-endian and follow the op-code without padding.
TEST(MacroObject, OperandBytes) {
    MacroObject m;
    m.EmitInt(opARG, 0x01020304);
    m.EmitNumber(opLDI, 1.0);  // 3FF0000000000000
    m.EmitVariableRef(opLDA, VariableRef{1, vkText, -2, 0x0A0B});
    m.EmitSys(21, 7, -1, 2);
    m.EmitShortText(opLSI, "日");  // 93 FA
    const std::vector<int> expected = {
        26, 0x04, 0x03, 0x02, 0x01,
        1, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F,
        2, 1, 2, 0xFE, 0xFF, 0xFF, 0xFF, 0x0B, 0x0A, 0, 0,
        20, 21, 7, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0,
        44, 2, 0x93, 0xFA,
    };
    EXPECT_EQ(Bytes(m), expected);
    EXPECT_EQ(m.LastOp(), opLSI);
}

TEST(MacroObject, PositionsForPatching) {
    MacroObject m;
    EXPECT_EQ(m.EmitInt(opGSB, 9), 1);
    EXPECT_EQ(m.EmitTwoInts(opMCR, 1, 0), 10);
    EXPECT_EQ(m.EmitTwoIntsReserved(opBLC, 1, 2), 23);
    m.PatchInt(10, 30);
    m.PatchInt(23, 12);
    EXPECT_EQ(ReadCodeInt(m.Code() + 10), 30);
    EXPECT_EQ(ReadCodeInt(m.Code() + 23), 12);
    EXPECT_THROW(m.PatchInt(m.CodeLength() - 3, 1), ERangeError);
}

// The buffer grows by 128 bytes whenever an instruction would reach its
// end: 28 LDI take 252 bytes; the 29th needs bytes up to 260.
TEST(MacroObject, CodeGrowsBy128) {
    MacroObject m;
    for (int i = 0; i < 28; ++i) m.EmitNumber(opLDI, i);
    EXPECT_EQ(m.CodeCapacity(), 256);
    m.EmitNumber(opLDI, 28.0);
    EXPECT_EQ(m.CodeCapacity(), 384);
    for (int i = 29; i < 1000; ++i) m.EmitNumber(opLDI, i);
    // 9000 bytes: the first capacity 256 + 128 k above 9000 is 9088.
    EXPECT_EQ(m.CodeLength(), 9000);
    EXPECT_EQ(m.CodeCapacity(), 9088);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(ReadCodeDouble(m.Code() + 9 * i + 1), i);
}

TEST(MacroObject, LabelsGrowBy32) {
    MacroObject m;
    for (int i = 0; i < 127; ++i) EXPECT_EQ(m.NewLabel(), i);
    EXPECT_EQ(m.LabelCapacity(), 128);
    EXPECT_EQ(m.NewLabel(), 127);
    EXPECT_EQ(m.LabelCapacity(), 160);
}

// Whether a label marks the current end of the code, so that what was
// emitted last may not be the only way to reach it.
TEST(MacroObject, LabelAtEnd) {
    MacroObject m;
    m.Reset();
    EXPECT_FALSE(m.LabelAtEnd());
    const int first = m.NewLabel();
    m.SetLabel(first);
    EXPECT_TRUE(m.LabelAtEnd());
    m.Emit(opRET);
    EXPECT_FALSE(m.LabelAtEnd());
    m.SetLabel(m.NewLabel());
    EXPECT_TRUE(m.LabelAtEnd());
    m.Reset();
    EXPECT_FALSE(m.LabelAtEnd());
}

TEST(MacroObject, FinishPatchesJumpsAndLeavesPlainIntegers) {
    MacroObject m;
    const int end = m.NewLabel();
    const int top = m.NewLabel();
    m.SetLabel(top);
    m.EmitInt(opJPF, end);    // 0
    m.EmitInt(opGSB, end);    // 5: a plain integer
    m.EmitInt(opCSC, top);    // 10
    m.EmitInt(opJMP, top);    // 15
    EXPECT_EQ(m.SetLabel(end), 20);
    m.Emit(opEND);
    m.FinishCode();
    EXPECT_EQ(ReadCodeInt(m.Code() + 1), 20);
    EXPECT_EQ(ReadCodeInt(m.Code() + 6), 0);
    EXPECT_EQ(ReadCodeInt(m.Code() + 11), 1);
    EXPECT_EQ(ReadCodeInt(m.Code() + 16), 0);
    EXPECT_EQ(m.CodeLength(), 21);
    EXPECT_EQ(m.CodeCapacity(), 21);
    EXPECT_EQ(m.Code()[21], 0);
    EXPECT_EQ(m.LabelCount(), 0);
    EXPECT_EQ(m.LabelCapacity(), 0);
    EXPECT_TRUE(m.IsFinished());
}

// Instructions that hold a label-sized number without being jumps (an FNC
// count, a text byte) are walked over, not patched.
TEST(MacroObject, FinishWalksOperandsByTheirSizes) {
    MacroObject m;
    const int l = m.NewLabel();
    m.EmitTwoInts(opFNC, 46, 5);             // 0..8
    m.EmitShortText(opLSI, std::string(4, '\x04'));  // 9..14
    m.EmitSys(20, 4, 4, 4);                  // 15..28
    m.EmitInt(opJPT, l);                     // 29
    m.SetLabel(l);                           // 34
    m.Emit(opEND);
    m.FinishCode();
    EXPECT_EQ(ReadCodeInt(m.Code() + 5), 5);
    EXPECT_EQ(ReadCodeInt(m.Code() + 30), 34);
}

TEST(MacroObject, FinishRefusesLabelsNotSet) {
    MacroObject m;
    const int l = m.NewLabel();
    m.EmitInt(opJMP, l);
    m.Emit(opEND);
    EXPECT_THROW(m.FinishCode(), ERangeError);
    EXPECT_EQ(ReadCodeInt(m.Code() + 1), 0);
    EXPECT_FALSE(m.IsFinished());

    MacroObject never;
    never.EmitInt(opJPF, 5);  // no label 5 was allocated
    never.Emit(opEND);
    EXPECT_THROW(never.FinishCode(), ERangeError);
}

TEST(MacroObject, ResetStartsOver) {
    MacroObject m;
    m.EmitNumber(opLDI, 3.0);
    m.Emit(opEND);
    m.FinishCode();
    m.Reset();
    EXPECT_EQ(m.CodeLength(), 0);
    EXPECT_EQ(m.NewLabel(), 0);
    m.EmitNumber(opLDI, 4.0);
    m.Emit(opEND);
    m.FinishCode();
    EXPECT_EQ(m.ListCode(), "***  ***\r\n0 : LDI 4\r\n9 : END\r\n");
}

TEST(MacroObject, CopiesCarryCodeAndParametersButNoLabelsOrFileName) {
    MacroObject m;
    m.SetName("m");
    m.SetSource("macro m(a) { }");
    m.SetFileName("/x/m.MCR");
    m.SetParameterCount(1);
    m.SetParameterOffset(0, 4);
    m.SetParameterPrompt(0, "値");
    m.SetParameterIsText(0, true);
    m.NewLabel();
    m.EmitNumber(opLDI, 2.0);
    const MacroObject copy(m);
    EXPECT_EQ(copy.ListCode(), m.ListCode());
    EXPECT_EQ(copy.Name(), "m");
    EXPECT_EQ(copy.Source(), "macro m(a) { }");
    EXPECT_EQ(copy.ParameterCount(), 1);
    EXPECT_EQ(copy.ParameterPrompt(0), "値");
    EXPECT_TRUE(copy.ParameterIsText(0));
    EXPECT_EQ(copy.LabelCount(), 0);
    EXPECT_TRUE(copy.FileName().empty());

    MacroObject target;
    target.SetFileName("/y/t.MCR");
    target = m;
    EXPECT_EQ(target.FileName(), "/y/t.MCR");
    EXPECT_EQ(target.ListCode(), m.ListCode());
}

TEST(MacroObject, ParameterTablesTakeIndexModulo16) {
    MacroObject m;
    m.SetParameterPrompt(17, "p");
    m.SetParameterOffset(18, 12);
    m.SetParameterIsText(31, true);
    EXPECT_EQ(m.ParameterPrompt(1), "p");
    EXPECT_EQ(m.ParameterOffset(2), 12);
    EXPECT_TRUE(m.ParameterIsText(15));
    EXPECT_EQ(m.ParameterPrompt(-15), "p");
}

TEST(MacroObject, InstructionLengthStaysInsideTheCode) {
    const std::uint8_t fnc[] = {opFNC, 45, 0, 0};  // the count is missing
    EXPECT_EQ(InstructionLength(fnc, 4, 0), 0);
    const std::uint8_t lsi[] = {opLSI, 3, 'a', 'b', 'c'};
    EXPECT_EQ(InstructionLength(lsi, 5, 0), 5);
    EXPECT_EQ(InstructionLength(lsi, 4, 0), 0);
    EXPECT_EQ(InstructionLength(lsi, 5, 5), 0);
}

}  // namespace

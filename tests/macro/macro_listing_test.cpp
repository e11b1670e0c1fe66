// The byte code of every instruction kind as the listing shows it, with the
// instruction's length; the expected lines are written out from the
// instruction table by hand.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "macro/macro_object.h"
#include "macro/macro_opcodes.h"

namespace {

const VariableRef kNum{0, vkNumber, 0, 4};
const VariableRef kArr{0, vkArray, 0, 8};
const VariableRef kArr2{0, vkArray, 0, 12};

struct InstructionCase {
    const char* label;
    std::function<void(MacroObject&)> emit;
    const char* line;  // the text after "0 : "
    int length;        // bytes of the instruction, so END follows there
};

// A jump to a label set right after it: the operand becomes address 5.
std::function<void(MacroObject&)> JumpToNext(int op) {
    return [op](MacroObject& m) {
        const int label = m.NewLabel();
        m.EmitInt(op, label);
        m.SetLabel(label);
    };
}

std::function<void(MacroObject&)> Plain(int op) {
    return [op](MacroObject& m) { m.Emit(op); };
}

const std::vector<InstructionCase>& Cases() {
    static const std::vector<InstructionCase> cases = {
        {"LDI", [](MacroObject& m) { m.EmitNumber(opLDI, 2.5); }, "LDI 2.5", 9},
        {"LDI big", [](MacroObject& m) { m.EmitNumber(opLDI, 1e20); }, "LDI 1E20", 9},
        {"LDI third", [](MacroObject& m) { m.EmitNumber(opLDI, 1.0 / 3.0); }, "LDI 0.333333333333333", 9},
        {"LDI negative", [](MacroObject& m) { m.EmitNumber(opLDI, -0.125); }, "LDI -0.125", 9},
        {"LDA", [](MacroObject& m) { m.EmitVariableRef(opLDA, kNum); }, "LDA [V,V,0:4]", 11},
        {"STA", [](MacroObject& m) { m.EmitVariableRef(opSTA, VariableRef{1, vkText, 1, -3}); }, "STA [R,S,1:-3]", 11},
        {"REF", [](MacroObject& m) { m.EmitVariableRef(opREF, VariableRef{1, vkNumber, 2, -1}); }, "REF [R,V,2:-1]", 11},
        {"AAA", [](MacroObject& m) { m.EmitVariableRef(opAAA, VariableRef{0, vkArray, 1, 12}); }, "AAA [V,A,1:12]", 11},
        {"AAV", [](MacroObject& m) { m.EmitVariableRef(opAAV, kArr); }, "AAV [V,A,0:8]", 11},
        {"RDV", [](MacroObject& m) { m.EmitVariableRef(opRDV, kNum); }, "RDV [V,V,0:4]", 11},
        {"LOP", [](MacroObject& m) { m.EmitVariableRef(opLOP, kNum); }, "LOP [V,V,0:4]", 11},
        {"SWP", [](MacroObject& m) { m.EmitVariableRef(opSWP, VariableRef{0, vkModule, 0, 6}); }, "SWP [V,M,0:6]", 11},
        {"kind without letter", [](MacroObject& m) { m.EmitVariableRef(opLDA, VariableRef{0, 7, 0, 6}); },
         "LDA [V,,0:6]", 11},
        {"JMP", JumpToNext(opJMP), "JMP <5>", 5},
        {"JPF", JumpToNext(opJPF), "JPF <5>", 5},
        {"SEL", JumpToNext(opSEL), "SEL <5>", 5},
        {"LPD", JumpToNext(opLPD), "LPD <5>", 5},
        {"LPR", JumpToNext(opLPR), "LPR <5>", 5},
        {"TRY", JumpToNext(opTRY), "TRY <5>", 5},
        {"XEP", JumpToNext(opXEP), "XEP <5>", 5},
        {"TRE", JumpToNext(opTRE), "TRE <5>", 5},
        {"JPT", JumpToNext(opJPT), "JPT <5>", 5},
        {"GSB keeps its address", [](MacroObject& m) { m.EmitInt(opGSB, 40); }, "GSB <40>", 5},
        {"ARG", [](MacroObject& m) { m.EmitInt(opARG, 2); }, "ARG <2>", 5},
        {"CSC", [](MacroObject& m) { m.EmitInt(opCSC, 3); }, "CSC 3", 5},
        {"ADD", Plain(opADD), "ADD", 1},
        {"SUB", Plain(opSUB), "SUB", 1},
        {"MUL", Plain(opMUL), "MUL", 1},
        {"DIV", Plain(opDIV), "DIV", 1},
        {"POW", Plain(opPOW), "POW", 1},
        {"AND", Plain(opAND), "AND", 1},
        {"OR_", Plain(opOR), "OR_", 1},
        {"XOR", Plain(opXOR), "XOR", 1},
        {"EQ_", Plain(opEQ), "EQ_", 1},
        {"NE_", Plain(opNE), "NE_", 1},
        {"LT_", Plain(opLT), "LT_", 1},
        {"LE_", Plain(opLE), "LE_", 1},
        {"GT_", Plain(opGT), "GT_", 1},
        {"GE_", Plain(opGE), "GE_", 1},
        {"NOT", Plain(opNOT), "NOT", 1},
        {"RET", Plain(opRET), "RET", 1},
        {"XCS", Plain(opXCS), "XCS", 1},
        {"SEP", Plain(opSEP), "SEP", 1},
        {"ALP", Plain(opALP), "ALP", 1},
        {"WRE", Plain(opWRE), "WRE", 1},
        {"CE_", Plain(opCE), "CE_", 1},
        {"POP", Plain(opPOP), "POP", 1},
        {"FAA", Plain(opFAA), "FAA", 1},
        {"LN_", Plain(opLN), "LN_", 1},
        {"TAB", Plain(opTAB), "TAB", 1},
        {"SPC", Plain(opSPC), "SPC", 1},
        {"LPE", Plain(opLPE), "LPE", 1},
        {"FMT", Plain(opFMT), "FMT", 1},
        {"FFM", Plain(opFFM), "FFM", 1},
        {"BLE", Plain(opBLE), "BLE", 1},
        {"EJP", Plain(opEJP), "EJP", 1},
        {"REM", Plain(opREM), "REM", 1},
        {"IDIV", Plain(opIDIV), "IDIV", 1},
        {"51 lists nothing", Plain(51), "", 1},
        {"unknown op-code", Plain(200), "", 1},
        {"SYS", [](MacroObject& m) { m.EmitSys(3, 0, 0); }, "SYS xchgdata,0,0,0", 10},
        {"SYS trend N", [](MacroObject& m) { m.EmitSys(19, 0, 8); }, "SYS trend,0,8,0", 10},
        {"SYS predict", [](MacroObject& m) { m.EmitSys(20, 1, 12, 3); }, "SYS predict,1,12,3", 14},
        {"SYS residual", [](MacroObject& m) { m.EmitSys(21, 0, 4, 2); }, "SYS residual,0,4,2", 14},
        // The layout follows the command, whichever emitter is used.
        {"SYS predict without c", [](MacroObject& m) { m.EmitSys(20, 1, 2); }, "SYS predict,1,2,0", 14},
        {"SYS load with c", [](MacroObject& m) { m.EmitSys(12, 1, 2, 9); }, "SYS load,1,2,0", 10},
        {"SYS uservar", [](MacroObject& m) { m.EmitSys(25, 1, 0); }, "SYS uservar,1,0,0", 10},
        {"FNC", [](MacroObject& m) { m.EmitInt(opFNC, 34); }, "FNC (round)", 5},
        {"FNC counted", [](MacroObject& m) { m.EmitTwoInts(opFNC, 45, 3); }, "FNC (varp/3)", 9},
        {"FNC seed", [](MacroObject& m) { m.EmitInt(opFNC, -1); }, "FNC (seed)", 5},
        {"FNC ranuni", [](MacroObject& m) { m.EmitInt(opFNC, -2); }, "FNC (ranuni)", 5},
        {"FNC rannor", [](MacroObject& m) { m.EmitInt(opFNC, -3); }, "FNC (rannor)", 5},
        {"MCR", [](MacroObject& m) { m.EmitTwoInts(opMCR, 2, 20); }, "MCR 2,20", 9},
        {"SVR", [](MacroObject& m) { m.EmitTwoInts(opSVR, 3, -10); }, "SVR 3,-10", 9},
        {"SVL", [](MacroObject& m) { m.EmitTwoInts(opSVL, 2, 3); }, "SVL 2,3", 9},
        {"LUV", [](MacroObject& m) { m.EmitTwoInts(opLUV, 3, 1); }, "LUV 3,1", 9},
        {"MOD", [](MacroObject& m) { m.EmitTwoInts(opMOD, 2, 5); }, "MOD 2,5", 9},
        {"SUV", [](MacroObject& m) { m.EmitThreeInts(opSUV, -1, 2, 4); }, "SUV -1,2,4", 13},
        {"BLC", [](MacroObject& m) { m.PatchInt(m.EmitTwoIntsReserved(opBLC, 1, 3), 10); }, "BLC 1,3,10", 13},
        {"AAC", [](MacroObject& m) { m.EmitStorageRef(opAAC, 1, 0, 4); }, "AAC [R,0:4]", 10},
        {"DMA", [](MacroObject& m) { m.EmitStorageRef(opDMA, 1, 2, 8); }, "DMA [R,2:8]", 10},
        {"DMB", [](MacroObject& m) { m.EmitStorageRef(opDMB, 0, 1, -4); }, "DMB [V,1:-4]", 10},
        {"SPS", [](MacroObject& m) { m.EmitStorageRef(opSPS, 1, 100, -279); }, "SPS [R,100:-279]", 10},
        {"RDM two bounds", [](MacroObject& m) { m.EmitVariableRefOptions(opRDM, kArr, 1); }, "RDM [V,A,0:8],T", 12},
        {"RDM one bound", [](MacroObject& m) { m.EmitVariableRefOptions(opRDM, kArr, 0); }, "RDM [V,A,0:8],F", 12},
        {"ADI", [](MacroObject& m) { m.EmitVariableRefOptions(opADI, kNum, 1, 0, 2); }, "ADI [V,V,0:4]{T,F,2}", 17},
        {"ADI after", [](MacroObject& m) { m.EmitVariableRefOptions(opADI, kNum, 0, 1, -3); },
         "ADI [V,V,0:4]{F,T,-3}", 17},
        {"IMP inside", [](MacroObject& m) { m.EmitThreeBytes(opIMP, 1, 1, 0); }, "IMP <<,[,)", 4},
        {"IMP outside", [](MacroObject& m) { m.EmitThreeBytes(opIMP, 0, 0, 1); }, "IMP >>,(,]", 4},
        {"LSI", [](MacroObject& m) { m.EmitShortText(opLSI, "abc"); }, "LSI \"abc\"", 5},
        {"LSI empty", [](MacroObject& m) { m.EmitShortText(opLSI, ""); }, "LSI \"\"", 2},
        {"LSI double-byte", [](MacroObject& m) { m.EmitShortText(opLSI, "日本"); }, "LSI \"日本\"", 6},
        {"ERM", [](MacroObject& m) { m.EmitShortText(opERM, "stop here"); }, "ERM \"stop here\"", 11},
        {"MAT inv", [](MacroObject& m) { m.EmitMat(0, kArr, kArr2); }, "MAT (inv),[V,A,0:8],[V,A,0:12]", 25},
        {"MAT let", [](MacroObject& m) { m.EmitMat(10, kArr, kArr2); }, "MAT (let),[V,A,0:8],[V,A,0:12]", 25},
        {"MAT scalar", [](MacroObject& m) { m.EmitMat(7, kArr, kArr2); }, "MAT (scallar_mul),[V,A,0:8],[V,A,0:12]", 25},
        {"MAT mul", [](MacroObject& m) { m.EmitMat(4, kArr, kArr2, &kArr); },
         "MAT (mul),[V,A,0:8],[V,A,0:12],[V,A,0:8]", 35},
        {"MAT sub", [](MacroObject& m) { m.EmitMat(6, kArr2, kArr, &kArr2); },
         "MAT (sub),[V,A,0:12],[V,A,0:8],[V,A,0:12]", 35},
        {"MAT unnamed", [](MacroObject& m) { m.EmitMat(11, kArr, kArr2); }, "MAT ,[V,A,0:8],[V,A,0:12]", 25},
        {"MTS", [](MacroObject& m) { m.EmitVariableRefInt(opMTS, kArr, -3); }, "MTS [V,A,0:8],-3", 15},
        {"SPA", [](MacroObject& m) { m.EmitVariableRefInt(opSPA, kArr, -1); }, "SPA [V,A,0:8]-1", 15},
        {"STO", [](MacroObject& m) { m.EmitVariableRefInt(opSTO, kNum, 3); }, "STO [V,V,0:4]3", 15},
    };
    return cases;
}

TEST(MacroListing, EveryInstructionKind) {
    for (const InstructionCase& c : Cases()) {
        MacroObject m;
        m.SetName("k");
        c.emit(m);
        m.Emit(opEND);
        m.FinishCode();
        const std::string expected =
            std::string("*** k ***\r\n0 : ") + c.line + "\r\n" + std::to_string(c.length) + " : END\r\n";
        EXPECT_EQ(m.ListCode(), expected) << c.label;
        EXPECT_EQ(m.CodeLength(), c.length + 1) << c.label;
    }
}

TEST(MacroListing, ExpressionOneWithEmptyName) {
    MacroObject m;
    m.EmitNumber(opLDI, 1.0);
    m.Emit(opEND);
    m.FinishCode();
    EXPECT_EQ(m.ListCode(), "***  ***\r\n0 : LDI 1\r\n9 : END\r\n");
}

TEST(MacroListing, UnfinishedCodeEndsAtItsLength) {
    MacroObject m;
    m.SetName("u");
    m.EmitNumber(opLDI, 1.0);
    m.EmitVariableRef(opLDA, kNum);
    EXPECT_EQ(m.ListCode(), "*** u ***\r\n0 : LDI 1\r\n9 : LDA [V,V,0:4]");
}

TEST(MacroListing, NothingPastEnd) {
    MacroObject m;
    m.Emit(opEND);
    m.Emit(opADD);
    EXPECT_EQ(m.ListCode(), "***  ***\r\n0 : END\r\n");
}

TEST(MacroListing, TextOf255BytesListsWhole) {
    const std::string text(255, 'x');
    MacroObject m;
    m.EmitShortText(opLSI, text);
    m.Emit(opEND);
    m.FinishCode();
    EXPECT_EQ(m.ListCode(), "***  ***\r\n0 : LSI \"" + text + "\"\r\n257 : END\r\n");
}

TEST(MacroListing, TextOf256BytesIsRefused) {
    MacroObject m;
    EXPECT_THROW(m.EmitShortText(opLSI, std::string(256, 'x')), std::exception);
    // 128 double-byte characters are 256 bytes as well.
    std::string wide;
    for (int i = 0; i < 128; ++i) wide += "語";
    EXPECT_THROW(m.EmitShortText(opLSI, wide), std::exception);
    EXPECT_EQ(m.CodeLength(), 0);
}

}  // namespace

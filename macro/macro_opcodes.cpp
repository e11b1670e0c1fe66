#include "macro/macro_opcodes.h"

#include <array>
#include <cstring>

namespace {

constexpr std::array<const char*, kLastMacroOp + 1> kMnemonics = {
    "END", "LDI", "LDA", "STA", "JMP", "JPF", "ADD", "SUB", "MUL", "DIV",
    "POW", "AND", "OR_", "XOR", "EQ_", "NE_", "LT_", "LE_", "GT_", "GE_",
    "SYS", "NOT", "FNC", "GSB", "RET", "XCS", "ARG", "MCR", "REF", "SEL",
    "SEP", "ALP", "AAA", "AAC", "AAV", "SVR", "SVL", "DMA", "RDM", "IMP",
    "RDV", "WRE", "CSC", "CE_", "LSI", "POP", "FAA", "LN_", "TAB", "SPC",
    "ADI", "", "LOP", "LPD", "LPR", "LPE", "LUV", "SUV", "FMT", "FFM",
    "BLC", "BLE", "DMB", "MAT", "MTS", "TRY", "XEP", "EJP", "TRE", "MOD",
    "JPT", "SWP", "REM", "IDIV", "SPS", "SPA", "STO", "ERM",
};

constexpr std::array<const char*, kSysCommandCount> kSysNames = {
    "adddata", "insdata", "deldata", "xchgdata", "addvar", "insvar", "delvar",
    "xchgvar", "rename", "set", "getvar", "putvar", "load", "save", "path",
    "group", "grpclr", "sort", "trend", "trend", "predict", "residual",
    "vartype", "undo", "redo", "uservar",
};

constexpr std::array<const char*, 11> kMatNames = {
    "(inv)", "(trn)", "(sqrt)", "(diag)", "(mul),", "(add),", "(sub),",
    "(scallar_mul)", "(scallar_add)", "(scallar_sub)", "(let)",
};

// Operand bytes of the op-codes whose operands have a fixed size.
int FixedOperandBytes(int op) {
    switch (op) {
        case opLDI: return 8;
        case opLDA: case opSTA: case opREF: case opAAA: case opAAV: case opRDV:
        case opLOP: case opSWP: return kVariableRefBytes;
        case opJMP: case opJPF: case opGSB: case opARG: case opSEL: case opCSC:
        case opLPD: case opLPR: case opTRY: case opXEP: case opTRE: case opJPT: return 4;
        case opMCR: case opSVR: case opSVL: case opLUV: case opMOD: return 8;
        case opAAC: case opDMA: case opDMB: case opSPS: return kStorageRefBytes;
        case opRDM: return kVariableRefBytes + 1;
        case opIMP: return 3;
        case opADI: return kVariableRefBytes + 2 + 4;
        case opSUV: case opBLC: return 12;
        case opMTS: case opSPA: case opSTO: return kVariableRefBytes + 4;
        default: return 0;
    }
}

}  // namespace

bool IsLabelJump(int op) {
    switch (op) {
        case opJMP: case opJPF: case opSEL: case opLPD: case opLPR: case opTRY:
        case opXEP: case opTRE: case opJPT: return true;
        default: return false;
    }
}

int InstructionLength(const std::uint8_t* code, int length, int address) {
    if (address < 0 || address >= length) return 0;
    const int op = code[address];
    const int left = length - address - 1;  // bytes after the op-code
    int operands = FixedOperandBytes(op);
    switch (op) {
        case opSYS: {
            if (left < 1) return 0;
            const int command = code[address + 1];
            operands = 9 + ((command == kSysPredict || command == kSysResidual) ? 4 : 0);
            break;
        }
        case opFNC: {
            if (left < 4) return 0;
            operands = ReadCodeInt(code + address + 1) >= kFncFirstCounted ? 8 : 4;
            break;
        }
        case opLSI: case opERM: {
            if (left < 1) return 0;
            operands = 1 + code[address + 1];
            break;
        }
        case opMAT: {
            if (left < 4) return 0;
            const int sub = ReadCodeInt(code + address + 1);
            operands = 4 + 2 * kVariableRefBytes + (MatHasSecondOperand(sub) ? kVariableRefBytes : 0);
            break;
        }
        default: break;
    }
    return operands <= left ? 1 + operands : 0;
}

std::string SysCommandName(int command) {
    if (command < 0 || command >= kSysCommandCount) return {};
    return kSysNames[static_cast<std::size_t>(command)];
}

std::string MatOperationName(int sub) {
    if (sub < 0 || sub >= static_cast<int>(kMatNames.size())) return {};
    return kMatNames[static_cast<std::size_t>(sub)];
}

std::string MacroMnemonic(int op) {
    if (op < 0 || op > kLastMacroOp) return {};
    return kMnemonics[static_cast<std::size_t>(op)];
}

std::int32_t ReadCodeInt(const std::uint8_t* at) {
    const std::uint32_t u = static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
                            (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
    return static_cast<std::int32_t>(u);
}

double ReadCodeDouble(const std::uint8_t* at) {
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | at[i];
    double v = 0.0;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

void WriteCodeInt(std::uint8_t* at, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

void WriteCodeDouble(std::uint8_t* at, double v) {
    std::uint64_t u = 0;
    std::memcpy(&u, &v, sizeof v);
    for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

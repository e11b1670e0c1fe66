// The op-codes of compiled macros and the layout of their operands.
//
// An instruction is one op-code byte followed by its operands; integers are
// 32-bit and doubles 8 bytes, little-endian and unaligned.
#pragma once

#include <cstdint>
#include <string>

enum MacroOp : std::uint8_t {
    opEND = 0, opLDI, opLDA, opSTA, opJMP, opJPF, opADD, opSUB, opMUL, opDIV,
    opPOW = 10, opAND, opOR, opXOR, opEQ, opNE, opLT, opLE, opGT, opGE,
    opSYS = 20, opNOT, opFNC, opGSB, opRET, opXCS, opARG, opMCR, opREF, opSEL,
    opSEP = 30, opALP, opAAA, opAAC, opAAV, opSVR, opSVL, opDMA, opRDM, opIMP,
    opRDV = 40, opWRE, opCSC, opCE, opLSI, opPOP, opFAA, opLN, opTAB, opSPC,
    opADI = 50, opUnused51, opLOP, opLPD, opLPR, opLPE, opLUV, opSUV, opFMT, opFFM,
    opBLC = 60, opBLE, opDMB, opMAT, opMTS, opTRY, opXEP, opEJP, opTRE, opMOD,
    opJPT = 70, opSWP, opREM, opIDIV, opSPS, opSPA, opSTO, opERM,
};

inline constexpr int kLastMacroOp = opERM;

// Sizes of the operand kinds.
inline constexpr int kVariableRefBytes = 10;
inline constexpr int kStorageRefBytes = 9;

// Function numbers of FNC below 0: the random-number keywords.
inline constexpr int kFncSeed = -1;
inline constexpr int kFncRanuni = -2;
inline constexpr int kFncRannor = -3;
// From this function number on, FNC carries an argument count.
inline constexpr int kFncFirstCounted = 45;

// The "sys" commands that carry a third integer.
inline constexpr int kSysPredict = 20;
inline constexpr int kSysResidual = 21;
inline constexpr int kSysCommandCount = 26;

// The MAT sub-operations that take a second operand array.
inline bool MatHasSecondOperand(int sub) { return sub >= 4 && sub <= 6; }

// True for the op-codes whose 4-byte operand is a label until finishing.
bool IsLabelJump(int op);

// Bytes of the instruction at address (op-code included), read from the
// code; an op-code outside the table counts as one byte. Returns 0 when the
// instruction does not fit within length bytes.
int InstructionLength(const std::uint8_t* code, int length, int address);

// The "sys" command name of a command byte; empty for an unknown one.
std::string SysCommandName(int command);
// The MAT sub-operation's name as the listing prints it.
std::string MatOperationName(int sub);
// The mnemonic of an op-code; empty outside the table and for 51.
std::string MacroMnemonic(int op);

// Little-endian reads and writes at a byte offset.
std::int32_t ReadCodeInt(const std::uint8_t* at);
double ReadCodeDouble(const std::uint8_t* at);
void WriteCodeInt(std::uint8_t* at, std::int32_t v);
void WriteCodeDouble(std::uint8_t* at, double v);

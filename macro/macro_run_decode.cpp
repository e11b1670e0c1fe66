// The code of a run decoded once into an array of instructions, so that the
// run cycle neither re-reads operand bytes nor searches for jump targets.
#include <cstring>

#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"

namespace {

bool IsBinaryOperator(int op) {
    switch (op) {
        case opADD: case opSUB: case opMUL: case opDIV: case opPOW: case opAND: case opOR: case opXOR:
        case opEQ: case opNE: case opLT: case opLE: case opGT: case opGE: case opREM: case opIDIV: return true;
        default: return false;
    }
}

// The operators that a variable and a constant have a joined case for.
bool HasCaseOfItsOwn(int op) {
    switch (op) {
        case opADD: case opSUB: case opMUL: case opDIV: case opEQ: case opNE: case opLT: case opLE: case opGT: case opGE:
            return true;
        default: return false;
    }
}

bool Divides(int op) { return op == opDIV || op == opREM || op == opIDIV; }

bool IsStaticJump(int op) {
    switch (op) {
        case opJMP: case opJPF: case opJPT: case opGSB: case opLPD: case opLPR: case opTRE: return true;
        default: return false;
    }
}

// Instructions that neither read regression results, statistics or the
// design, nor hand control to anything that might (the services, another
// run, a command). Ranges of the design are brought up to date when read.
bool LeavesModelAlone(const std::uint8_t* code, int address) {
    const int op = code[address];
    const std::uint8_t* p = code + address + 1;
    switch (op) {
        case opEND: case opLDI: case opLDA: case opSTA: case opJMP: case opJPF: case opJPT:
        case opADD: case opSUB: case opMUL: case opDIV: case opPOW: case opAND: case opOR: case opXOR:
        case opEQ: case opNE: case opLT: case opLE: case opGT: case opGE: case opREM: case opIDIV:
        case opNOT: case opXCS: case opIMP: case opPOP: case opFAA:
        case opGSB: case opRET: case opARG: case opBLC: case opBLE:
        case opLOP: case opLPD: case opLPR: case opLPE:
        case opSEL: case opSEP: case opALP: case opCSC: case opCE:
        case opTRY: case opTRE: case opXEP: case opEJP:
        case opREF: case opAAA: case opAAC: case opAAV: case opSWP: case opADI: case opSTO:
        case opDMA: case opRDM: case opDMB: case opMAT: case opMTS: case opSPA: case opSPS:
        case opLSI: case opLN: case opTAB: case opSPC: case opFMT: case opFFM:
        case opSVL:
            return true;
        case opSVR: {
            // Cells, counts and indices only.
            const int s = ReadCodeInt(p + 4);
            return s == -10 || s == 4 || s == 5 || s == 7 || s == 8;
        }
        case opLUV: case opSUV: return ReadCodeInt(p) < 10;  // user scalars, not functions
        case opFNC: {
            const int f = ReadCodeInt(p);
            return f >= 0 && f <= kFncFirstCounted + 11 && f != 30;
        }
        default: return false;
    }
}

}  // namespace

MacroRun::Decoded MacroRun::DecodeAt(int address) const {
    Decoded d;
    d.address = address;
    d.op = code_[address];
    const std::uint8_t* p = code_ + address + 1;
    switch (d.op) {
        case opLDI: std::memcpy(&d.number, p, sizeof d.number); break;  // little-endian hosts
        case opLDA: case opSTA:
            d.reference = p[0];
            d.kind = p[1];
            d.level = ReadCodeInt(p + 2);
            d.offset = ReadCodeInt(p + 6);
            break;
        default: break;
    }
    d.readsModel = !LeavesModelAlone(code_, address);
    return d;
}

int MacroRun::AddFault(int address) {
    Decoded d;
    d.op = kFetchFault;
    d.address = address;
    program_.push_back(d);
    return static_cast<int>(program_.size()) - 1;
}

void MacroRun::Decode() {
    program_.clear();
    indexOfAddress_.assign(static_cast<std::size_t>(codeLength_), -1);
    const int padded = codeLength_ + kCodePadding;
    int address = 0;
    // Each instruction is at least one byte long: the walk ends.
    while (address < codeLength_) {
        indexOfAddress_[static_cast<std::size_t>(address)] = static_cast<std::int32_t>(program_.size());
        program_.push_back(DecodeAt(address));
        const int length = InstructionLength(code_, padded, address);
        address += length > 0 ? length : 1;
    }
    // Running past the last instruction fetches at the address after it.
    const int decoded = static_cast<int>(program_.size());
    AddFault(address);
    dynamicFault_ = AddFault(0);
    for (int i = 0; i < decoded; ++i) {
        if (!IsStaticJump(program_[static_cast<std::size_t>(i)].op)) continue;
        const int target = ReadCodeInt(code_ + program_[static_cast<std::size_t>(i)].address + 1);
        int index = IndexOf(target);
        // A target inside an instruction or outside the code fails when fetched.
        if (index == dynamicFault_) index = AddFault(target);
        program_[static_cast<std::size_t>(i)].target = index;
    }
    JoinInstructions(decoded);
}

void MacroRun::JoinInstructions(int decoded) {
    auto op = [&](int i) { return i < decoded ? program_[static_cast<std::size_t>(i)].op : kFetchFault; };
    auto numberVariable = [&](int i) {
        return (op(i) == opLDA || op(i) == opSTA) && program_[static_cast<std::size_t>(i)].kind == vkNumber;
    };
    for (int i = 0; i < decoded; ++i) {
        Decoded& d = program_[static_cast<std::size_t>(i)];
        d.runOp = d.op;
        if (d.op == opLDA && numberVariable(i) && op(i + 1) == opLDI && IsBinaryOperator(op(i + 2)) &&
            !(Divides(op(i + 2)) && program_[static_cast<std::size_t>(i) + 1].number == 0.0)) {
            d.binaryOp = op(i + 2);
            d.runOp = HasCaseOfItsOwn(d.binaryOp) ? kLoadConstantOp + d.binaryOp : kLoadConstantOp;
            d.number = program_[static_cast<std::size_t>(i) + 1].number;
        } else if (d.op == opLDI && IsBinaryOperator(op(i + 1))) {
            d.runOp = kConstantOp;
            d.binaryOp = op(i + 1);
        } else if (d.op == opSTA && numberVariable(i) && op(i + 1) == opPOP) {
            d.runOp = kStorePop;
        } else if (d.op == opLPR && op(d.target) == opLPD) {
            d.runOp = kLoopNext;
        }
    }
    for (int i = decoded; i < static_cast<int>(program_.size()); ++i) program_[static_cast<std::size_t>(i)].runOp = kFetchFault;
}

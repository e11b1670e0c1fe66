// The run cycle: the frequent instructions (constants, number variables,
// jumps, loops, the operators) and the joined groups of them.
#include <cmath>
#include <cstring>

#include "core/numeric/numeric_helpers.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

// An overflow or an invalid operation of two finite numbers.
[[noreturn, gnu::cold, gnu::noinline]] void ArithmeticFault() { throw EMathError(LoadStr(kStrRangeError)); }

// a := a op b for two numbers.
[[gnu::always_inline]] inline void NumberOperator(int op, double& a, double b) {
    const double x = a;
    switch (op) {
        case opADD: a = x + b; break;
        case opSUB: a = x - b; break;
        case opMUL: a = x * b; break;
        case opDIV:
            if (b == 0.0) ThrowRunError(kRunDivide, -1);
            a = x / b;
            break;
        case opPOW: a = std::pow(x, b); break;
        case opAND: a = LogicalAnd(a, b); return;
        case opOR: a = LogicalOr(a, b); return;
        case opXOR: a = LogicalEqv(a, b); return;
        case opEQ: a = ApproxEqual(a, b) ? 1.0 : 0.0; return;
        case opNE: a = ApproxEqual(a, b) ? 0.0 : 1.0; return;
        case opLT: a = a < b ? 1.0 : 0.0; return;
        case opLE: a = a <= b ? 1.0 : 0.0; return;
        case opGT: a = a > b ? 1.0 : 0.0; return;
        case opGE: a = a >= b ? 1.0 : 0.0; return;
        case opREM:
            if (b == 0.0) ThrowRunError(kRunDivide, -1);
            a = FloatRemainder(b, x);
            break;
        case opIDIV:
            if (b == 0.0) ThrowRunError(kRunDivide, -1);
            a = TruncatedQuotient(b, x);
            break;
        default: return;
    }
    if (!std::isfinite(a) && std::isfinite(x) && std::isfinite(b)) [[unlikely]] ArithmeticFault();
}

}  // namespace

bool MacroRun::Execute(const MacroObject& object, int& pc) {
    if (!stack_) ThrowRunError(kRunSystem, pc);
    int index = IndexOf(pc);
    if (!Step<false>(object, index)) return false;
    pc = AddressOf(index);
    return true;
}

void MacroRun::RunLoop(const MacroObject& object) {
    int index = 0;
    while (Step<true>(object, index)) {
    }
}

// LDA (number), LDI, a binary operator (op, or 0: the one decoded). Never a
// division by zero; with room for both cells the result is all that is left
// of them.
template <int op>
[[gnu::always_inline]] inline int MacroRun::LoadConstant(const Decoded& d, int index) {
    double a = stack_->Double(VariableWord(d.reference, d.level, d.offset));
    const int binary = op != 0 ? op : d.binaryOp;
    if (cellCount_ + 1 < cells_.size()) {
        NumberOperator(binary, a, d.number);
        PushNumber(a);
    } else {
        PushNumber(a);
        PushNumber(d.number);
        Operator(binary);
    }
    untilPoll_ -= 2;
    return index + 3;
}

// One instruction (joined: or a joined group); the stacks exist. index is
// that of a decoded instruction and becomes the index of the next one.
template <bool joined>
[[gnu::always_inline]] inline bool MacroRun::Step(const MacroObject& object, int& index) {
    const Decoded& d = program_[static_cast<std::size_t>(index)];
    const int at = d.address;
    if (d.op != kFetchFault && --untilPoll_ <= 0) PollStop(at);
    if (d.readsModel && modelToEstimate_ != nullptr) BringModelUpToDate();
    MacroStack& s = *stack_;
    int next = index + 1;
    switch (joined ? d.runOp : d.op) {
        case kFetchFault: ThrowRunError(kRunSystem, AddressOf(index));
        // The joined groups count as their instructions for the polls; the
        // one that comes due is made at the next instruction.
        // Each operator has a case of its own.
        case kLoadConstantOp + opADD: next = LoadConstant<opADD>(d, index); break;
        case kLoadConstantOp + opSUB: next = LoadConstant<opSUB>(d, index); break;
        case kLoadConstantOp + opMUL: next = LoadConstant<opMUL>(d, index); break;
        case kLoadConstantOp + opDIV: next = LoadConstant<opDIV>(d, index); break;
        case kLoadConstantOp + opEQ: next = LoadConstant<opEQ>(d, index); break;
        case kLoadConstantOp + opNE: next = LoadConstant<opNE>(d, index); break;
        case kLoadConstantOp + opLT: next = LoadConstant<opLT>(d, index); break;
        case kLoadConstantOp + opLE: next = LoadConstant<opLE>(d, index); break;
        case kLoadConstantOp + opGT: next = LoadConstant<opGT>(d, index); break;
        case kLoadConstantOp + opGE: next = LoadConstant<opGE>(d, index); break;
        case kLoadConstantOp: next = LoadConstant<0>(d, index); break;
        case kConstantOp:
            PushNumber(d.number);
            Operator(d.binaryOp);
            --untilPoll_;
            next = index + 2;
            break;
        case kStorePop: {
            const MacroCell& c = Top();
            if (c.kind != MacroCell::kNumber) ThrowRunError(kRunType, 0);
            s.SetDouble(VariableWord(d.reference, d.level, d.offset), c.number);
            --cellCount_;
            --untilPoll_;
            next = index + 2;
            break;
        }
        case kLoopNext: {
            // LPR, then the LPD it jumps to.
            if (lp_ < 2) ThrowRunError(kRunSystem, at);
            const int counter = s.Word(lp_);
            const int step = s.Word(lp_ - 1);
            const double i = std::trunc(s.Double(counter)) + step;
            s.SetDouble(counter, i);
            const int limit = s.Word(lp_ + 1);
            const bool leave = step <= 0 ? i < limit : i > limit;
            const Decoded& test = program_[static_cast<std::size_t>(d.target)];
            next = leave ? test.target : d.target + 1;
            --untilPoll_;
            break;
        }
        case opEND:
            CloseAllFrames();
            return false;
        case opLDI: PushNumber(d.number); break;
        case opJMP:
            next = d.target;
            if (BlocksOpenHere()) LeaveBlocksFor(AddressOf(next));
            break;
        case opJPF:
            if (PopNumber() == 0.0) next = d.target;
            break;
        case opJPT:
            if (!(PopNumber() == 0.0)) next = d.target;
            break;
        case opLPD: {
            if (lp_ < 2) ThrowRunError(kRunSystem, at);
            const int step = s.Word(lp_ - 1);
            const int limit = s.Word(lp_ + 1);
            const double i = std::trunc(s.Double(s.Word(lp_)));
            const bool leave = step <= 0 ? i < limit : i > limit;
            if (leave) next = d.target;
            break;
        }
        case opLPR: {
            if (lp_ < 2) ThrowRunError(kRunSystem, at);
            const int counter = s.Word(lp_);
            s.SetDouble(counter, std::trunc(s.Double(counter)) + s.Word(lp_ - 1));
            next = d.target;
            break;
        }
        case opLDA:
            // Number variables inline; other kinds with the data instructions.
            if (d.kind != vkNumber) {
                next = DataInstruction(index);
                break;
            }
            PushNumber(s.Double(VariableWord(d.reference, d.level, d.offset)));
            break;
        case opSTA: {
            if (d.kind != vkNumber) {
                next = DataInstruction(index);
                break;
            }
            const MacroCell& c = Top();
            if (c.kind != MacroCell::kNumber) ThrowRunError(kRunType, 0);
            s.SetDouble(VariableWord(d.reference, d.level, d.offset), c.number);
            break;
        }
        case opPOP: PopCell(); break;
        case opADD: case opSUB: case opMUL: case opDIV: case opPOW: case opAND: case opOR: case opXOR:
        case opEQ: case opNE: case opLT: case opLE: case opGT: case opGE: case opREM: case opIDIV:
            Operator(d.op);
            break;
        default:
            next = OtherInstruction(object, index);
            if (next < 0) {
                // A throw that no try catches ends the run as END does.
                CloseAllFrames();
                return false;
            }
            break;
    }
    index = next;
    return true;
}

// A data instruction at index; the index of the next one.
int MacroRun::DataInstruction(int index) {
    const int after = ExecuteData(program_[static_cast<std::size_t>(index)].op, program_[static_cast<std::size_t>(index)].address);
    return after == program_[static_cast<std::size_t>(index) + 1].address ? index + 1 : IndexOf(after);
}

void MacroRun::Operator(int op) {
    if (cellCount_ >= 2 && cells_[cellCount_ - 1].kind == MacroCell::kNumber &&
        cells_[cellCount_ - 2].kind == MacroCell::kNumber) {
        const double b = cells_[--cellCount_].number;
        NumberOperator(op, cells_[cellCount_ - 1].number, b);
        return;
    }
    if (!TopIsText()) {
        // A number over a text (or over nothing).
        PopNumber();
        PopNumber();
        return;
    }
    const std::string b = PopText();
    const std::string a = PopText();
    const int order = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    const int cmp = order != 0 ? order : (a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0));
    switch (op) {
        case opADD: PushText(a + b); return;
        case opEQ: PushNumber(cmp == 0 ? 1.0 : 0.0); return;
        case opNE: PushNumber(cmp != 0 ? 1.0 : 0.0); return;
        case opLT: PushNumber(cmp < 0 ? 1.0 : 0.0); return;
        case opLE: PushNumber(cmp <= 0 ? 1.0 : 0.0); return;
        case opGT: PushNumber(cmp > 0 ? 1.0 : 0.0); return;
        case opGE: PushNumber(cmp >= 0 ? 1.0 : 0.0); return;
        default: ThrowRunError(kRunType, 0);  // arithmetic on texts
    }
}

void MacroRun::Interval(const std::uint8_t* p) {
    double b = PopNumber();
    double a = PopNumber();
    const double x = PopNumber();
    if (a > b) std::swap(a, b);
    const bool lower = p[1] != 0 ? a <= x : a < x;
    const bool upper = p[2] != 0 ? x <= b : x < b;
    const bool in = lower && upper;
    PushNumber((p[0] == 1 ? in : !in) ? 1.0 : 0.0);
}

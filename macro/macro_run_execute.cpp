// The run cycle: control flow, frames, loops, select, try and the operators.
#include <bit>
#include <cmath>
#include <cstring>

#include "core/numeric/numeric_helpers.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"

namespace {

// Operands are little-endian and unaligned.
inline std::int32_t Int(const std::uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        std::int32_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    } else {
        return ReadCodeInt(p);
    }
}

inline double Number(const std::uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        double v;
        std::memcpy(&v, p, sizeof v);
        return v;
    } else {
        return ReadCodeDouble(p);
    }
}

int TruncatedCount(double x) { return TruncToInt(x, "macro"); }

}  // namespace

bool MacroRun::Execute(const MacroObject& object, int& pc) {
    if (!stack_) ThrowRunError(kRunSystem, pc);
    return Step(object, pc);
}

void MacroRun::RunLoop(const MacroObject& object) {
    int pc = 0;
    while (Step(object, pc)) {
    }
}

// One instruction; the stacks exist.
[[gnu::always_inline]] inline bool MacroRun::Step(const MacroObject& object, int& pc) {
    if (pc < 0 || pc >= codeLength_) ThrowRunError(kRunSystem, pc);
    if (--untilPoll_ <= 0) PollStop(pc);
    const int at = pc;
    const std::uint8_t* p = code_ + at + 1;
    const int op = code_[at];
    MacroStack& s = *stack_;
    int next = at + 1;
    switch (op) {
        case opEND: return false;
        case opLDI: {
            PushNumber(Number(p));
            next += 8;
            break;
        }
        case opJMP:
            next = Int(p);
            if (BlocksOpenHere()) LeaveBlocksFor(next);
            break;
        case opJPF: next = PopNumber() == 0.0 ? Int(p) : next + 4; break;
        case opJPT: next = PopNumber() == 0.0 ? next + 4 : Int(p); break;
        case opGSB:
            s.Push(next + 4);
            next = Int(p);
            break;
        case opBLC:
            OpenFrame(Int(p), Int(p + 4), Int(p + 8));
            next += 12;
            break;
        case opRET: {
            // Plain blocks inside the module (or the main body) are left
            // first; a return from the main body ends the run.
            for (int guard = 0; bp_ > 1 && s.Word(bp_ + 1) == 0 && guard <= s.Count(); ++guard) LeaveFrame();
            if (bp_ <= 1) return false;
            next = s.Word(bp_ - 1);
            LeaveFrame();
            break;
        }
        case opBLE:
            if (bp_ < 1) ThrowRunError(kRunSystem, at);
            LeaveFrame();
            break;
        case opMCR:
            next += 8;
            EnterMain(object, Int(p + 4), next - 8);
            break;
        case opARG:
            next += 4;
            PassArguments(Int(p), at);
            break;
        case opLOP: {
            const int step = TruncatedCount(PopNumber());
            const int limit = TruncatedCount(PopNumber());
            const int start = TruncatedCount(PopNumber());
            const int counter = VariableWord(p);
            s.Push(lp_);
            s.Push(step);
            lp_ = s.Count();
            s.Push(counter);
            s.Push(limit);
            s.SetDouble(counter, start);
            NoteLoop(at);
            next += kVariableRefBytes;
            break;
        }
        case opLPD: {
            if (lp_ < 2) ThrowRunError(kRunSystem, at);
            const int step = s.Word(lp_ - 1);
            const int limit = s.Word(lp_ + 1);
            const double i = std::trunc(s.Double(s.Word(lp_)));
            const bool leave = step <= 0 ? i < limit : i > limit;
            next = leave ? Int(p) : next + 4;
            break;
        }
        case opLPR: {
            if (lp_ < 2) ThrowRunError(kRunSystem, at);
            const int counter = s.Word(lp_);
            s.SetDouble(counter, std::trunc(s.Double(counter)) + s.Word(lp_ - 1));
            next = Int(p);
            break;
        }
        case opLPE: {
            if (lp_ < 2) ThrowRunError(kRunSystem, at);
            const int saved = s.Word(lp_ - 2);
            s.TruncateTo(lp_ - 2);
            lp_ = saved;
            break;
        }
        case opSEL: {
            const double v = PopNumber();
            s.Push(ap_);
            s.Push(Int(p));
            ap_ = s.Count();
            s.PushDouble(v);
            NoteBlock(ap_, at, Int(p));
            next += 4;
            break;
        }
        case opALP:
            if (ap_ < 2) ThrowRunError(kRunSystem, at);
            PushNumber(s.Double(ap_));
            break;
        case opCSC: {
            const int n = Int(p);
            next += 4;
            bool any = false;
            for (int i = 0; i < n; ++i) any = PopNumber() != 0.0 || any;
            PushNumber(any ? 1.0 : 0.0);
            break;
        }
        case opCE:
            if (ap_ < 2) ThrowRunError(kRunSystem, at);
            next = s.Word(ap_ - 1);
            break;
        case opSEP: {
            if (ap_ < 2) ThrowRunError(kRunSystem, at);
            const int saved = s.Word(ap_ - 2);
            s.TruncateTo(ap_ - 2);
            ap_ = saved;
            break;
        }
        case opTRY:
            tries_.push_back({bp_, ep_, s.Count(), at, Int(p)});
            ep_ = Int(p);
            next += 4;
            break;
        case opTRE:
        case opXEP: {
            if (tries_.empty()) ThrowRunError(kRunSystem, at);
            const TryFrame t = tries_.back();
            tries_.pop_back();
            if (t.sp > s.Count()) ThrowRunError(kRunSystem, at);
            CloseFramesAbove(t.sp);
            bp_ = t.bp;
            ep_ = t.ep;
            s.TruncateTo(t.sp);
            if (op == opTRE) {
                next = Int(p);
                break;
            }
            const double v = PopNumber();
            s.Push(ap_);
            s.Push(Int(p));
            ap_ = s.Count();
            s.PushDouble(v);
            NoteBlock(ap_, at, Int(p));
            next += 4;
            break;
        }
        case opEJP:
            if (ep_ < 1) return false;
            next = ep_;
            break;
        case opLDA:
            // Number variables inline; other kinds with the data instructions.
            if (p[1] != vkNumber) {
                next = ExecuteData(op, at);
                break;
            }
            PushNumber(s.Double(VariableWord(p)));
            next += kVariableRefBytes;
            break;
        case opSTA: {
            if (p[1] != vkNumber) {
                next = ExecuteData(op, at);
                break;
            }
            const MacroCell& c = Top();
            if (c.kind != MacroCell::kNumber) ThrowRunError(kRunType, 0);
            s.SetDouble(VariableWord(p), c.number);
            next += kVariableRefBytes;
            break;
        }
        case opPOP: PopCell(); break;
        case opFAA: PushNumber(currentValue_); break;
        case opADD: case opSUB: case opMUL: case opDIV: case opPOW: case opAND: case opOR: case opXOR:
        case opEQ: case opNE: case opLT: case opLE: case opGT: case opGE: case opREM: case opIDIV:
            Operator(op);
            break;
        case opNOT: {
            MacroCell& c = Top();
            if (c.kind != MacroCell::kNumber) ThrowRunError(kRunType, 0);
            c.number = c.number == 0.0 ? 1.0 : 0.0;
            break;
        }
        case opXCS: {
            MacroCell& c = Top();
            if (c.kind != MacroCell::kNumber) ThrowRunError(kRunType, at);
            c.number = -c.number;
            break;
        }
        case opIMP:
            Interval(p);
            next += 3;
            break;
        default:
            next = ExecuteData(op, at);
            break;
    }
    pc = next;
    return true;
}

void MacroRun::Operator(int op) {
    if (cellCount_ >= 2 && cells_[cellCount_ - 1].kind == MacroCell::kNumber &&
        cells_[cellCount_ - 2].kind == MacroCell::kNumber) {
        const double b = cells_[--cellCount_].number;
        double& a = cells_[cellCount_ - 1].number;
        switch (op) {
            case opADD: a = a + b; return;
            case opSUB: a = a - b; return;
            case opMUL: a = a * b; return;
            case opDIV:
                if (b == 0.0) ThrowRunError(kRunDivide, -1);
                a = a / b;
                return;
            case opPOW: a = std::pow(a, b); return;
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
                a = FloatRemainder(b, a);
                return;
            case opIDIV:
                if (b == 0.0) ThrowRunError(kRunDivide, -1);
                a = TruncatedQuotient(b, a);
                return;
            default: return;
        }
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

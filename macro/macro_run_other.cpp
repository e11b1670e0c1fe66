// The instructions of the run cycle other than the frequent ones: calls,
// frames and blocks, loops opened and closed, select, try and throw, and the
// data instructions.
#include <cmath>
#include <cstring>

#include "core/numeric/numeric_helpers.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"

namespace {

inline std::int32_t Int(const std::uint8_t* p) { return ReadCodeInt(p); }

int TruncatedCount(double x) { return TruncToInt(x, "macro"); }

}  // namespace

// The instruction at index (never a joined group); the index of the next
// one, or -1 when the program has ended.
int MacroRun::OtherInstruction(const MacroObject& object, int index) {
    const Decoded& d = program_[static_cast<std::size_t>(index)];
    const int at = d.address;
    const std::uint8_t* p = code_ + at + 1;
    MacroStack& s = *stack_;
    int next = index + 1;
    switch (d.op) {
        case opGSB:
            s.Push(at + 5);
            next = d.target;
            break;
        case opBLC:
            OpenFrame(Int(p), Int(p + 4), Int(p + 8));
            break;
        case opRET: {
            // Plain blocks inside the module (or the main body) are left
            // first; a return from the main body ends the run.
            for (int guard = 0; bp_ > 1 && s.Word(bp_ + 1) == 0 && guard <= s.Count(); ++guard) LeaveFrame();
            if (bp_ <= 1) return -1;
            next = IndexOf(s.Word(bp_ - 1));
            LeaveFrame();
            break;
        }
        case opBLE:
            if (bp_ < 1) ThrowRunError(kRunSystem, at);
            LeaveFrame();
            break;
        case opMCR:
            EnterMain(object, Int(p + 4), at + 1);
            break;
        case opARG:
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
            break;
        }
        case opALP:
            if (ap_ < 2) ThrowRunError(kRunSystem, at);
            PushNumber(s.Double(ap_));
            break;
        case opCSC: {
            const int n = Int(p);
            bool any = false;
            for (int i = 0; i < n; ++i) any = PopNumber() != 0.0 || any;
            PushNumber(any ? 1.0 : 0.0);
            break;
        }
        case opCE:
            if (ap_ < 2) ThrowRunError(kRunSystem, at);
            next = IndexOf(s.Word(ap_ - 1));
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
            if (d.op == opTRE) {
                next = d.target;
                break;
            }
            const double v = PopNumber();
            s.Push(ap_);
            s.Push(Int(p));
            ap_ = s.Count();
            s.PushDouble(v);
            NoteBlock(ap_, at, Int(p));
            break;
        }
        case opEJP:
            if (ep_ < 1) return -1;
            next = IndexOf(ep_);
            break;
        case opFAA: PushNumber(currentValue_); break;
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
        case opIMP: Interval(p); break;
            default: next = DataInstruction(index); break;
    }
    return next;
}

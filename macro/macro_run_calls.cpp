// Arguments of module calls and "def" blocks, and the frames a jump leaves.
#include <algorithm>
#include <climits>
#include <cstring>

#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"

// --- arguments -------------------------------------------------------------------

void MacroRun::PassArguments(int n, int at) {
    if (n < 0 || static_cast<std::size_t>(n) > cellCount_) ThrowRunError(kRunSystem, at);
    CheckArgumentKinds(n, at);
    MacroStack& s = *stack_;
    for (int i = 0; i < n; ++i) {
        const MacroCell& c = cells_[--cellCount_];
        switch (c.kind) {
            case MacroCell::kNumber: s.PushDouble(c.number); break;
            case MacroCell::kAddress: s.Push(c.ints[0]); break;
            case MacroCell::kRange: s.PushFour(c.ints[0], c.ints[1], c.ints[2], c.ints[3]); break;
            case MacroCell::kText: s.PushText(std::string(c.text, strnlen(c.text, MacroStack::kTextBytes))); break;
        }
    }
}

// A value of another kind than the callee declares would land in storage
// of another size and shift every argument after it.
void MacroRun::CheckArgumentKinds(int n, int at) const {
    const auto found = std::lower_bound(declarations_.begin(), declarations_.end(), at,
                                        [](const ArgumentDeclaration& d, int a) { return d.address < a; });
    if (found == declarations_.end() || found->address != at) return;  // nothing declared here
    const std::vector<std::uint8_t>& kinds = found->kinds;
    if (static_cast<int>(kinds.size()) != n) ThrowRunError(kRunType, at);
    const std::size_t bottom = cellCount_ - static_cast<std::size_t>(n);
    for (int i = 0; i < n; ++i) {
        const MacroCell& c = cells_[bottom + static_cast<std::size_t>(i)];
        bool fits = false;
        switch (kinds[static_cast<std::size_t>(i)]) {
            case akNumber: fits = c.kind == MacroCell::kNumber; break;
            case akText: fits = c.kind == MacroCell::kText; break;
            case akReference: fits = c.kind == MacroCell::kAddress; break;
            case akArray: fits = c.kind == MacroCell::kRange && c.source == MacroCell::kDescriptor; break;
            default: break;
        }
        if (!fits) ThrowRunError(kRunType, at);
    }
}

// --- frames left by a jump --------------------------------------------------------

void MacroRun::NoteBlock(int word, int start, int end) {
    // Entries at or above word belong to frames the stack has lost.
    while (!spans_.empty() && spans_.back().word >= word) spans_.pop_back();
    spans_.push_back({word, start, end});
}

void MacroRun::NoteLoop(int at) {
    // The loop's code runs from LOP to its LPE, the target of the LPD that
    // follows LOP; without that shape the span is unknown.
    const int lpd = at + 1 + kVariableRefBytes;
    if (lpd + 5 <= codeLength_ && code_[lpd] == opLPD)
        NoteBlock(lp_, at, ReadCodeInt(code_ + lpd + 1));
    else
        NoteBlock(lp_, INT_MIN, INT_MAX);
}

const MacroRun::BlockSpan* MacroRun::SpanAt(int word) const {
    for (auto it = spans_.rbegin(); it != spans_.rend(); ++it)
        if (it->word == word) return &*it;
    return nullptr;
}

bool MacroRun::SpanHolds(int word, int target) const {
    const BlockSpan* span = SpanAt(word);
    // A frame of unknown code is never taken as left.
    return span == nullptr || (span->start < target && target <= span->end);
}

void MacroRun::LeaveBlocksFor(int target) {
    MacroStack& s = *stack_;
    // Each pass closes one frame, innermost first.
    const std::size_t bound = static_cast<std::size_t>(s.Count()) + tries_.size() + 1;
    for (std::size_t pass = 0; pass < bound; ++pass) {
        const int selectBase = ap_ > bp_ ? ap_ - 2 : -1;
        const int loopBase = lp_ > bp_ ? lp_ - 2 : -1;
        const bool tryHere = !tries_.empty() && tries_.back().bp == bp_;
        const int tryBase = tryHere ? tries_.back().sp : -1;
        // A try pushes no words: at the same base a select or loop opened
        // after it is the inner one.
        if (tryBase >= 0 && tryBase > selectBase && tryBase > loopBase) {
            const TryFrame t = tries_.back();
            if (t.start < target && target <= t.end) return;
            tries_.pop_back();
            ep_ = t.ep;
            if (t.sp <= s.Count()) s.TruncateTo(t.sp);
        } else if (selectBase >= 0 && selectBase > loopBase) {
            if (target <= s.Word(ap_ - 1) && SpanHolds(ap_, target)) return;
            const int saved = s.Word(ap_ - 2);
            s.TruncateTo(ap_ - 2);
            ap_ = saved < ap_ ? saved : 0;
        } else if (loopBase >= 0) {
            if (SpanHolds(lp_, target)) return;
            const int saved = s.Word(lp_ - 2);
            s.TruncateTo(lp_ - 2);
            lp_ = saved < lp_ ? saved : 0;
        } else {
            return;
        }
    }
}

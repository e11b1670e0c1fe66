#include "macro/macro_run.h"

#include <algorithm>
#include <cstring>

#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_run_errors.h"
#include "platform/text/cp932.h"
#include "platform/ui_services.h"

namespace {

// Runs under way on this thread, for the nesting limit.
thread_local int runDepth = 0;

struct DepthGuard {
    DepthGuard() {
        if (runDepth >= MacroRun::kMaxNesting) ThrowRunError(kRunSystem, 0);
        ++runDepth;
    }
    ~DepthGuard() { --runDepth; }
};

}  // namespace

MacroRun::MacroRun(AppState& state) : state_(state) {}

MacroRun::~MacroRun() = default;

void MacroRun::SetCurrentValue(double x) {
    // Both always, so that "@@" of the evaluator never lags behind.
    currentValue_ = x;
    state_.Evaluator().SetCurrentValue(x);
}

void MacroRun::SetArguments(const std::vector<std::string>& texts, const std::vector<bool>& isText) {
    argumentCount_ = 0;
    for (std::size_t i = 0; i < texts.size() && i < argumentTexts_.size(); ++i) {
        argumentTexts_[i] = texts[i];
        argumentKinds_[i] = i < isText.size() && isText[i] ? 1 : 0;
        ++argumentCount_;
    }
}

void MacroRun::Clear() {
    cellCount_ = 0;
    tries_.clear();
    spans_.clear();
    stack_.reset();
    bp_ = ap_ = lp_ = ep_ = 0;
    object_ = nullptr;
}

void MacroRun::Finish() {
    // The bottom-most number left becomes the current value.
    for (std::size_t i = cellCount_; i-- > 0;) {
        const MacroCell& c = cells_[i];
        if (c.kind == MacroCell::kNumber) SetCurrentValue(c.number);
    }
    Clear();
}

void MacroRun::Start(const MacroObject& object) {
    Clear();
    stack_ = std::make_unique<MacroStack>();
    // The same code as the last run's (an expression evaluated again) keeps
    // its decoded form.
    const int length = std::max(object.CodeLength(), 0);
    const bool same = !program_.empty() && length == codeLength_ &&
                      (length == 0 || std::memcmp(codeCopy_.data(), object.Code(), static_cast<std::size_t>(length)) == 0);
    if (!same) {
        codeLength_ = length;
        codeCopy_.assign(static_cast<std::size_t>(codeLength_) + kCodePadding, 0);
        if (codeLength_ > 0) std::memcpy(codeCopy_.data(), object.Code(), static_cast<std::size_t>(codeLength_));
        code_ = codeCopy_.data();
        Decode();
    }
    object_ = &object;
    state_.MacroFolder() = state_.Work().dataFolder;
    declarations_ = object.ArgumentDeclarations();
    output_.clear();
    numberFormat_.clear();
    if (cells_.size() < 64) cells_.resize(64);
    untilPoll_ = kPollInterval;
}

void MacroRun::Run(const MacroObject& object) {
    // A run never discards the stacks of a run in progress or of a stepped
    // session: a nested run needs an interpreter of its own.
    if (inRun_ || stack_) ThrowRunError(kRunSystem, 0);
    DepthGuard depth;
    inRun_ = true;
    deferEstimation_ = true;
    try {
        Start(object);
        RunLoop(object);
    } catch (...) {
        deferEstimation_ = false;
        inRun_ = false;
        try {
            BringModelUpToDate();
        } catch (...) {
            // The run's own error is the one to report.
        }
        Finish();
        throw;
    }
    deferEstimation_ = false;
    inRun_ = false;
    BringModelUpToDate();
    Finish();
}

void MacroRun::PollStop(int pc) {
    untilPoll_ = kPollInterval;
    // The services may repaint windows that show the results.
    BringModelUpToDate();
    if (state_.Services().StopRequested()) ThrowRunError(kRunSystem, pc);
}

void MacroRun::BringModelUpToDate() {
    if (modelToEstimate_ == nullptr) return;
    Reg* m = modelToEstimate_;
    modelToEstimate_ = nullptr;
    // Whatever replaces the model estimates the new one itself.
    if (m == state_.Model()) m->Reestimate(false);
}

// --- value stack -------------------------------------------------------------

void MacroRun::GrowCells() {
    if (cellCount_ >= static_cast<std::size_t>(kMaxCells)) ThrowRunError(kRunSystem, 0);
    cells_.resize(cells_.size() * 2 + 64);
}

void MacroRun::EmptyValueStack() { ThrowRunError(kRunSystem, 0); }

void MacroRun::WrongCell(int expected) { ThrowRunError(kRunType, expected); }

void MacroRun::PushText(const std::string& bytes) {
    MacroCell& c = PushCell(MacroCell::kText);
    const std::string cut = CutTextBytes(bytes);
    std::memset(c.text, 0, sizeof c.text);
    std::memcpy(c.text, cut.data(), cut.size());
}

bool MacroRun::TopIsText() { return Top().kind == MacroCell::kText; }

int MacroRun::PopAddress() {
    const MacroCell& c = Top();
    if (c.kind != MacroCell::kAddress) ThrowRunError(kRunType, 0);
    --cellCount_;
    return c.ints[0];
}

MacroCell MacroRun::PopRange() {
    const MacroCell& c = Top();
    if (c.kind != MacroCell::kRange) ThrowRunError(kRunType, 1);
    --cellCount_;
    return c;
}

std::string MacroRun::PopText() {
    const MacroCell& c = Top();
    if (c.kind != MacroCell::kText) ThrowRunError(kRunType, 2);
    --cellCount_;
    return std::string(c.text, strnlen(c.text, MacroStack::kTextBytes));
}

// --- readers -------------------------------------------------------------------

std::int32_t MacroRun::WordAt(int i) const { return stack_ ? stack_->Word(i) : 0; }

double MacroRun::DoubleAt(int i) const { return stack_ ? stack_->Double(i) : 0.0; }

std::string MacroRun::TextAt(int i) const { return stack_ ? cp932::ToUtf8(stack_->Text(i)) : std::string(); }

// --- frames --------------------------------------------------------------------

void MacroRun::OpenFrame(int level, int drop, int size) {
    MacroStack& s = *stack_;
    const int base = s.Allocate(size < 4 ? 4 : size);
    s.SetWord(base, bp_);
    s.SetWord(base + 1, drop);
    s.SetWord(base + 2, level);
    int link = base;
    if (level > 0) {
        // Follow the dynamic links to the enclosing frame of a lower level;
        // each step goes down the stack, so the walk ends.
        link = bp_;
        while (link > 1 && link < base && s.Word(link + 2) >= level) {
            const int next = s.Word(link);
            if (next >= link) break;
            link = next;
        }
        if (link < 1) link = 1;
    }
    s.SetWord(base + 3, link);
    bp_ = base;
}

int MacroRun::FrameOfLevel(int level) const {
    const MacroStack& s = *stack_;
    int f = bp_;
    // Static links point down the stack; stop at the outermost frame.
    for (int steps = 0; steps <= s.Count(); ++steps) {
        if (f < 1) return 1;
        if (s.Word(f + 2) == level) return f;
        const int next = s.Word(f + 3);
        if (next >= f || next < 1) return f;
        f = next;
    }
    return f < 1 ? 1 : f;
}

// Loop frames, select frames and try handlers that lie at or above the
// word count sp are closed: they belong to what is being left. Called before
// the stack is cut back, while their saved registers can still be read.
void MacroRun::CloseFramesAbove(int sp) {
    const MacroStack& s = *stack_;
    while (ap_ >= sp && ap_ >= 2) {
        const int saved = s.Word(ap_ - 2);
        ap_ = saved < ap_ ? saved : 0;
    }
    while (lp_ >= sp && lp_ >= 2) {
        const int saved = s.Word(lp_ - 2);
        lp_ = saved < lp_ ? saved : 0;
    }
    while (!tries_.empty() && tries_.back().sp > sp) {
        ep_ = tries_.back().ep;
        tries_.pop_back();
    }
}

void MacroRun::CloseAllFrames() {
    const MacroStack& s = *stack_;
    // Each pass leaves one frame and goes down the stack.
    for (int guard = 0; bp_ > 1 && guard <= s.Count(); ++guard) LeaveFrame();
    CloseFramesAbove(1);
}

void MacroRun::LeaveFrame() {
    MacroStack& s = *stack_;
    const int base = bp_;
    const int drop = s.Word(base + 1);
    const int saved = s.Word(base);
    if (drop < 0 || drop > base || saved >= base) ThrowRunError(kRunSystem, 0);
    CloseFramesAbove(base - drop);
    s.TruncateTo(base);
    s.Drop(drop);
    bp_ = saved;
}

void MacroRun::EnterMain(const MacroObject& object, int size, int address) {
    stack_->Push(0);  // the return-address slot
    OpenFrame(0, 0, size);
    const int declared = object.ParameterCount();
    const int n = std::min(declared, argumentCount_);
    if (n >= kArgumentSlots || declared > MacroObject::kParameterSlots) ThrowRunError(kRunSystem, address);
    for (int i = 0; i < declared; ++i) {
        const bool isText = object.ParameterIsText(i);
        std::string text;
        if (i < n) {
            // A text argument for a number parameter, or the other way round.
            if ((argumentKinds_[static_cast<std::size_t>(i)] != 0) != isText) ThrowRunError(kRunType, address);
            text = argumentTexts_[static_cast<std::size_t>(i)];
        } else {
            std::string prompt = object.ParameterPrompt(i);
            if (prompt.empty()) prompt = "第" + std::to_string(i + 1) + "引数";
            prompt = object.Name() + " :: " + prompt + (isText ? "(文字列)" : "(実数)");
            const InputAnswer answer = state_.Services().AskInput(prompt, {}, "");
            text = answer.result == mrOK ? answer.text : "0";
        }
        const int word = bp_ + object.ParameterOffset(i);
        if (!isText)
            stack_->SetDouble(word, state_.Evaluator().Calculate(text));
        else
            stack_->SetText(word, cp932::FromUtf8(text));
    }
}

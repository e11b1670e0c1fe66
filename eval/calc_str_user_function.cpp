// The user-function link of CalcStr and the statement language of
// user-function bodies: statements separated by ",", the counted loop
// "%%(n){ ... }", the early exit "?%(c)" and the user error "??(c)".
#include "eval/calc_str_user_function.h"

#include <cmath>

#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "platform/errors.h"
#include "platform/command_guard.h"
#include "platform/ui_services.h"

void StartUserCallBudget(EvalRunState& run) {
    if (run.runningCalls == 0) run.userCalls = 0;
}

bool SpendUserCall(EvalRunState& run) {
    if (run.userCalls <= kMaxUserCallsPerEvaluation) ++run.userCalls;
    return run.userCalls <= kMaxUserCallsPerEvaluation;
}

bool UserCallBudgetSpent(const EvalRunState& run) { return run.userCalls > kMaxUserCallsPerEvaluation; }

UserCallScope::UserCallScope(EvalRunState& run, UserFunctionLink& link, int f)
    : run_(run), link_(link), f_(f), previous_(run.currentUserFunction) {
    std::vector<int>& active = run_.activeCalls;
    if (static_cast<int>(active.size()) <= f) active.resize(static_cast<std::size_t>(f) + 1, 0);
    // Only a call inside a running call of f must keep that call's values;
    // an outermost call leaves its slots behind as they end up.
    if (active[static_cast<std::size_t>(f)] > 0) {
        const int slots = link.SlotCount(f);
        saved_.reserve(static_cast<std::size_t>(slots > 0 ? slots : 0));
        for (int i = 0; i < slots; ++i) saved_.push_back(link.GetSlot(f, i));
    }
    ++active[static_cast<std::size_t>(f)];
    ++run_.runningCalls;
}

UserCallScope::~UserCallScope() {
    --run_.activeCalls[static_cast<std::size_t>(f_)];
    --run_.runningCalls;
    for (std::size_t i = 0; i < saved_.size(); ++i) link_.SetSlot(f_, static_cast<int>(i), saved_[i]);
    run_.currentUserFunction = previous_;
}

double CalcStr::EvaluateUserFunction(const std::string& body) {
    if (body.empty()) return 0.0;
    observationMode_ = false;
    incomplete_ = false;
    unknownName_.clear();
    nonConstant_ = false;
    text_ = body;
    length_ = static_cast<int>(body.size());
    position_ = 0;
    previousPosition_ = 0;
    token_.clear();
    tokenIsString_ = false;
    // Loops move back in the body: it is scanned without the cache.
    cached_ = nullptr;
    current_ = nullptr;
    next_ = 0;
    // An error in the body is shown and the call gives 0.0.
    bool completed = false;
    const double value = GuardCommand(
        state_.Services(),
        [&] {
            const double v = RunUserFunctionBody();
            completed = true;
            return v;
        },
        0.0);
    if (!completed) incomplete_ = true;
    return value;
}

double CalcStr::RunUserFunctionBody() {
    double value = 0.0;

    // "(" c ")" after "?%", "??" or "%%".
    auto condition = [this] {
        Step();
        if (!Is("(")) Fail(kStrSyntaxError);
        Step();
        const double c = ParseOr();
        if (!Is(")")) Fail(kStrSyntaxError);
        Step();
        return c;
    };

    do {
        Step();
        if (Is("%%")) {
            const double count = std::trunc(condition());
            // A pass count beyond this is a typing slip, not a loop
            // anyone means to wait for.
            if (count > kMaxLoopPasses) Fail(kStrRangeError);
            const int n = count < 1.0 ? 0 : TruncToInt(count, "繰り返し回数");
            if (!Is("{")) Fail(kStrSyntaxError);
            Step();
            if (n < 1) {
                SkipBalanced('{', '}');
                continue;
            }
            // Each pass re-reads the block from its first token.
            const int blockPosition = position_;
            const int blockPrevious = previousPosition_;
            const std::string blockToken = token_;
            const bool blockIsString = tokenIsString_;
            bool left = false;
            for (int pass = 0; pass < n && !left; ++pass) {
                position_ = blockPosition;
                previousPosition_ = blockPrevious;
                token_ = blockToken;
                tokenIsString_ = blockIsString;
                for (;;) {
                    if (Is("?%")) {
                        if (condition() == 1.0) {
                            SkipBalanced('{', '}');
                            left = true;
                            break;
                        }
                    } else {
                        value = ParseOr();
                    }
                    if (!Is(",")) break;
                    Step();
                }
                if (!left && !Is("}")) Fail(kStrSyntaxError);
            }
            if (!left) Step();
        } else if (Is("?%")) {
            if (condition() == 1.0) return value;
        } else if (Is("??")) {
            if (condition() == 1.0) throw Exception("ユーザ定義エラー");
        } else {
            value = ParseOr();
        }
    } while (Is(","));
    return value;
}

// The user-function link of CalcStr and the statement language of
// user-function bodies: statements separated by ",", the counted loop
// "%%(n){ ... }", the early exit "?%(c)" and the user error "??(c)".
#include "eval/calc_str_user_function.h"

#include "eval/calc_str.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {
UserFunctionLink* installedLink = nullptr;
int currentUserFunction = -1;
}  // namespace

void InstallUserFunctionLink(UserFunctionLink* link) { installedLink = link; }

UserFunctionLink* InstalledUserFunctionLink() { return installedLink; }

int CurrentUserFunctionIndex() { return currentUserFunction; }

void SetCurrentUserFunctionIndex(int f) { currentUserFunction = f; }

double CalcStr::EvaluateUserFunction(const std::string& body) {
    if (body.empty()) return 0.0;
    observationMode_ = false;
    incomplete_ = false;
    nonConstant_ = false;
    text_ = body;
    length_ = static_cast<int>(body.size());
    position_ = 0;
    previousPosition_ = 0;
    token_.clear();
    tokenIsString_ = false;
    double value = 0.0;

    // "(" c ")" after "?%", "??" or "%%".
    auto condition = [this] {
        Step();
        if (!Is("(")) Fail(76);
        Step();
        const double c = ParseOr();
        if (!Is(")")) Fail(76);
        Step();
        return c;
    };

    try {
        do {
            Step();
            if (Is("%%")) {
                const int n = TruncToInt(condition(), "繰り返し回数");
                if (!Is("{")) Fail(76);
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
                    if (!left && !Is("}")) Fail(76);
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
    } catch (const Exception& e) {
        incomplete_ = true;
        Services().ShowMessageBox(MsgKind::Error, e.Message(), mbOK);
        return 0.0;
    }
    return value;
}

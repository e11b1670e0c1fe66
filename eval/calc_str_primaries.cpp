// The primary level of CalcStr: numbers, slots, "#" fit results, "@" user
// scalars and functions, "@@", scalar functions and variable references.
#include <locale.h>
#include <cmath>
#include <stdlib.h>
#include <vector>

#include "eval/app_state.h"
#include "core/model/regression_model.h"
#include "eval/scalar_functions.h"
#include "core/text/tokenizer.h"
#include "core/settings/user_var.h"
#include "eval/calc_str.h"
#include "eval/calc_str_internal.h"
#include "eval/calc_str_token_cache.h"
#include "eval/calc_str_user_function.h"
#include "eval/reserved_words.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool StartsName(const std::string& t) {
    if (t.empty()) return false;
    const unsigned char c = static_cast<unsigned char>(t[0]);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

// The slot of the running user function; anything else is a range error
// rather than a stray write.
UserFunctionLink& SlotOwner(UserFunctionLink& link, int running, int slot, int& f) {
    f = running;
    if (f < 0 || slot < 0 || slot >= link.SlotCount(f)) throw Exception(LoadStr(kStrRangeError));
    return link;
}

}  // namespace

int CalcStr::PrimaryKindOfToken() {
    using namespace calc_str_detail;
    int* slot = LookupSlot(tlPrimary);
    if (slot != nullptr && *slot != kNotLookedUp) return *slot;
    int kind = pkOther;
    if (!token_.empty() && (IsDigit(token_[0]) || (token_[0] == '.' && token_ != ".."))) kind = pkNumber;
    else if (token_ == "++") kind = pkIncrement;
    else if (token_ == "--") kind = pkDecrement;
    else if (token_ == ReservedWords[rwPi]) kind = pkPi;
    else if (token_ == ReservedWords[rwRanuni]) kind = pkRanuni;
    else if (token_ == ReservedWords[rwRannor]) kind = pkRannor;
    else if (token_ == "#") kind = pkModel;
    else if (token_ == "$") kind = pkSlot;
    else if (token_ == "@") kind = pkUser;
    else if (token_ == "@@") kind = pkCurrentValue;
    if (slot != nullptr) *slot = kind;
    return kind;
}

double CalcStr::Primary() {
    using namespace calc_str_detail;
    if (tokenIsString_) {
        MarkIncomplete();
        return 0.0;
    }
    switch (PrimaryKindOfToken()) {
        case pkNumber: return NumberToken();
        case pkIncrement: return SlotStep(1.0);
        case pkDecrement: return SlotStep(-1.0);
        case pkPi: Step(); return 3.141592653589793;
        case pkRanuni:
        case pkRannor: {
            const bool normal = PrimaryKindOfToken() == pkRannor;
            nonConstant_ = true;
            Step();
            return normal ? state_.Random().Normal() : state_.Random().Uniform();
        }
        case pkModel: return ModelPrimary();
        case pkSlot: return SlotPrimary();
        case pkUser: return UserPrimary();
        case pkCurrentValue: nonConstant_ = true; Step(); return currentValue_;
        default: break;
    }
    if (observationMode_) {
        Reg* reg = Model();
        if (reg == nullptr) Fail(kStrSystemError);
        bool handled = false;
        const double v = ObservationFunction(*reg, handled);
        if (handled) return v;
        return FunctionOrVariable();
    }
    if (StartsName(token_)) return FunctionOrVariable();
    MarkIncomplete();
    return 0.0;
}

double CalcStr::NumberToken() {
    // The whole token must be one decimal number ("1.2.3" is not). Read in
    // the C locale: the windows may have set one with a decimal comma.
    if (current_ != nullptr && current_->hasNumber) {
        const double v = current_->number;
        Step();
        return v;
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    char* end = nullptr;
    const double v = strtod_l(token_.c_str(), &end, cLocale);
    if (end != token_.c_str() + token_.size()) throw EConvertError("'" + token_ + "' は数値ではありません");
    // A literal past the largest double is no number the program can hold.
    if (std::isinf(v)) throw EConvertError("'" + token_ + "' は数値の範囲外です");
    if (current_ != nullptr) {
        current_->number = v;
        current_->hasNumber = true;
    }
    Step();
    return v;
}

// Prefix "++$n" / "--$n": the slot changed by delta, its new value.
double CalcStr::SlotStep(double delta) {
    Step();
    if (!Is("$")) {
        MarkIncomplete();
        return 0.0;
    }
    Step();
    const int n = calc_str_detail::TokenToInt(token_);
    int f = -1;
    UserFunctionLink& link = SlotOwner(Functions(), Run().currentUserFunction, n, f);
    const double old = link.GetSlot(f, n);
    const double v = FiniteOf(old + delta, old, delta);
    link.SetSlot(f, n, v);
    Step();
    return v;
}

double CalcStr::SlotPrimary() {
    Step();
    const int n = calc_str_detail::TokenToInt(token_);
    Step();
    int f = -1;
    UserFunctionLink& link = SlotOwner(Functions(), Run().currentUserFunction, n, f);
    const int op = tokenIsString_ ? -1 : AssignmentOperatorCode(token_);
    const double old = link.GetSlot(f, n);
    if (op < 0) return old;
    Step();
    double v = old;
    switch (op) {
        case 0: link.SetSlot(f, n, FiniteOf(old + 1.0, old, 1.0)); return old;
        case 1: link.SetSlot(f, n, FiniteOf(old - 1.0, old, 1.0)); return old;
        case 2: v = ParseOr(); break;
        default: {
            const double r = ParseOr();
            v = op == 3 ? old + r : op == 4 ? old - r : op == 5 ? old * r : old / r;
            v = FiniteOf(v, old, r);
            break;
        }
    }
    // The right side may have called a function that moved the slots.
    SlotOwner(Functions(), Run().currentUserFunction, n, f).SetSlot(f, n, v);
    return v;
}

double CalcStr::ModelPrimary() {
    nonConstant_ = true;
    Step();
    Reg* reg = Model();
    if (reg == nullptr) {
        // Nothing to read: the name after "#" is passed over.
        MarkIncomplete();
        Step();
        return 0.0;
    }
    if (!tokenIsString_) {
        double v = 0.0;
        bool simple = true;
        if (token_ == ReservedWords[rwRow]) v = reg->GetObsCount();
        else if (token_ == ReservedWords[rwCol]) v = reg->GetVarCount();
        else if (token_ == ReservedWords[rwVt]) v = reg->GetVarY();
        else if (token_ == ReservedWords[rwVe]) v = reg->GetS2();
        else if (token_ == ReservedWords[rwR2]) v = reg->GetR2();
        else if (token_ == ReservedWords[rwFe]) v = reg->GetResidualDf();
        else simple = false;
        if (simple) {
            // The figures of the fit exist only with an estimate.
            if (token_ != ReservedWords[rwRow] && token_ != ReservedWords[rwCol]) reg->RequireEstimate();
            Step();
            return v;
        }
    }
    bool found = false;
    const int code = ParseResultName(*reg, found);
    if (found) {
        const int i = ParseObsSelector(*reg);
        return reg->GetAnalysisValue(code, i);
    }
    return FunctionOrVariable();
}

double CalcStr::UserPrimary() {
    nonConstant_ = true;
    Step();
    UserVar& uv = Scalars();
    bool bank = uv.BankSwitch() != 0;
    if (Is(ReservedWords[rwFile]) || Is(ReservedWords[rwSys])) {
        const bool dataBank = Is(ReservedWords[rwFile]);
        Step();
        if (Is("::")) {
            bank = dataBank;
            Step();
        }
    } else if (Is("..")) {
        bank = !bank;
        Step();
    }
    if (Is("[")) {
        Step();
        int m = 0;
        if (!calc_str_detail::TruncInRange(ParseOr(), 0, UserVar::kCount - 1, m)) Fail(kStrRangeError);
        if (!Is("]")) Fail(kStrSyntaxError);
        // The index stands for the variable's name, looked up below.
        token_ = uv.GetName(m, bank);
        tokenIsString_ = false;
        current_ = nullptr;
    }
    const int u = tokenIsString_ ? -1 : uv.FindName(token_, bank);
    if (u >= 0) {
        Step();
        return uv.GetValue(u, bank);
    }
    UserFunctionLink* link = &Functions();
    const int f = (link == nullptr || tokenIsString_) ? -1 : link->Find(token_);
    if (f < 0) Fail(kStrUndefinedNameError);
    return CallUserFunction(f);
}

double CalcStr::CallUserFunction(int f) {
    UserFunctionLink& link = Functions();
    const int p = link.ParameterCount(f);
    const int slots = link.SlotCount(f);
    Step();
    std::vector<double> args;
    if (Is("(")) {
        args.resize(static_cast<std::size_t>(p > 0 ? p : 0));
        if (p <= 0) Step();
        for (int a = 0; a < p; ++a) {
            Step();  // past "(" or the separator
            args[static_cast<std::size_t>(a)] = ParseOr();
        }
        if (!Is(")")) Fail(kStrSyntaxError);
        Step();
    }
    calc_str_detail::NestingGuard guard(Run());
    if (!guard.Ok() || Run().nestingExceeded) {
        MarkIncomplete();
        return 0.0;
    }
    // The one slot array of f is shared by every running call of f.
    UserCallScope scope(Run(), link, f);
    for (int a = 0; a < static_cast<int>(args.size()) && a < slots; ++a)
        link.SetSlot(f, a, args[static_cast<std::size_t>(a)]);
    Run().currentUserFunction = f;
    for (int i = p; i < slots; ++i) link.SetSlot(f, i, 0.0);
    return link.Evaluate(f);
}

double CalcStr::FunctionOrVariable() {
    const int f = FunctionIndexOfToken();
    if (f >= 0 && f < kScalarFunctionWords) return ScalarFunction(f);
    if (f >= kScalarFunctionWords && f < kFunctionWords) return VariableWideFunction(f);
    return VariableReference();
}

double CalcStr::ScalarFunction(int index) {
    Step();
    if (!Is("(")) {
        // A function name without its argument has no value.
        MarkIncomplete();
        return 0.0;
    }
    Step();
    double a1 = ParseOr();
    double a2 = index == rwLoga ? 10.0 : index == rwRound ? 7.0 : 0.0;
    double a3 = 0.0;
    if (index >= rwBce && index <= rwPow && Is(",")) {
        Step();
        a2 = ParseOr();
    } else if (index == rwPf || index == rwQf) {
        if (!Is(",")) Fail(kStrMissingParameter);
        Step();
        a2 = ParseOr();
        if (!Is(",")) Fail(kStrMissingParameter);
        Step();
        a3 = ParseOr();
    }
    if (Is(")")) Step();
    if (nonConstant_ && !observationMode_) {
        MarkIncomplete();
        return 0.0;
    }
    CallScalarFunction(index, &a1, &a2, &a3);
    return a1;
}

bool CalcStr::ParseDataPrefix() {
    if (Is("#")) Step();
    if (!Is("..")) return false;
    Step();
    return true;
}

double CalcStr::VariableReference() {
    nonConstant_ = true;
    const bool design = ParseDataPrefix();
    const std::string name = tokenIsString_ ? std::string() : token_;
    Step();
    Reg* reg = Model();
    const int j = reg == nullptr || name.empty() ? -1 : reg->FindVar(name);
    if (j < 0) {
        if (reg != nullptr && unknownName_.empty()) unknownName_ = name;
        MarkIncomplete();
        return 0.0;
    }
    if (Is(".")) {
        Step();
        const int a = tokenIsString_ ? -1 : FindAttributeName(token_);
        if (a < 0) {
            MarkIncomplete();
            return 0.0;
        }
        Step();
        if (!design) {
            switch (a) {
                case 0: return reg->GetMean(j);
                case 1: return reg->GetStdDev(j);
                case 2: return reg->GetMax(j);
                default: return reg->GetMin(j);
            }
        }
        const Reg::DesignColumnSummary s = reg->DesignSummary(j);
        switch (a) {
            case 0: return s.mean;
            case 1: return s.sd;
            case 2: return s.max;
            default: return s.min;
        }
    }
    const int i = ParseObsSelector(*reg);
    return design ? reg->GetDesignValue(i, j) : reg->GetValue(i, j);
}

int CalcStr::ParseObsSelector(const Reg& reg) {
    int o = observation_;
    if (Is("[")) {
        Step();
        int number = 0;
        const bool inRange = calc_str_detail::TruncInRange(ParseOr(), 1, reg.GetObsCount(), number);
        if (!Is("]")) Fail(kStrSyntaxError);
        Step();
        if (!inRange) Fail(kStrRangeError);
        o = number - 1;
    }
    if (o < 0 || o >= reg.GetObsCount()) Fail(kStrRangeError);
    return o;
}

int CalcStr::ParseVarSelector(const Reg& reg) {
    if (!Is("[")) Fail(kStrSyntaxError);
    Step();
    ParseDataPrefix();
    const int j = tokenIsString_ ? -1 : reg.FindVar(token_);
    Step();
    if (!Is("]")) Fail(kStrSyntaxError);
    Step();
    // The constant term (index k) is outside too.
    if (j < 0 || j >= reg.GetVarCount()) Fail(kStrRangeError);
    return j;
}

int CalcStr::ParseResultName(Reg& reg, bool& found) {
    found = false;
    const int r = tokenIsString_ ? -1 : FindResultName(token_);
    if (r < 0) return -1;
    found = true;
    reg.ComputeInfluence();
    Step();
    if (r == rwTti - rwYobs) return 19 + ParseVarSelector(reg);
    if (r == rwDfb - rwYobs) return ParseVarSelector(reg) - 100;
    return r;
}

// The primaries of macro expressions: numbers, texts, functions, declared
// names with their assignments, module calls, "inc" and "dec", user scalars
// and functions, and library macros.
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

#include "core/settings/user_var.h"
#include "core/text/tokenizer.h"
#include "eval/app_state.h"
#include "eval/reserved_words.h"
#include "macro/macro_compile.h"
#include "macro/macro_opcodes.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

bool StartsName(const std::string& t) {
    if (t.empty()) return false;
    const auto c = static_cast<unsigned char>(t[0]);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool StartsNumber(const std::string& t) {
    if (t.empty()) return false;
    if (t[0] >= '0' && t[0] <= '9') return true;
    return t[0] == '.' && (t.size() < 2 || t[1] != '.');
}

// Arguments a scalar function takes: one, two for "bce" .. "pow", three for
// "pf" and "qf".
int ScalarArity(int f) { return f <= 30 ? 1 : f <= rwPow ? 2 : 3; }

// The second argument "bce", "invbce", "loga" and "round" take when it is
// left out.
bool DefaultSecondArgument(int f, double& value) {
    switch (f) {
        case rwBce: case rwInvbce: value = 0.0; return true;
        case rwLoga: value = 10.0; return true;
        case rwRound: value = 7.0; return true;
        default: return false;
    }
}

}  // namespace

void MacroCompile::Primary() {
    if (stringToken_) {
        std::size_t bytes = 0;
        try {
            bytes = cp932::ByteLength(token_);
        } catch (const EConvertError&) {
            SyntaxErrorHere();
        }
        if (bytes > static_cast<std::size_t>(kMaxShortTextBytes)) SyntaxErrorHere();
        EmitShortText(opLSI, token_);
        NextToken();
        return;
    }
    if (StartsNumber(token_)) return NumberPrimary();
    if (Is("format")) return FormatPrimary();
    if (Is("++")) return IncrementPrimary(-2);
    if (Is("--")) return IncrementPrimary(-1);
    if (Is("pi")) {
        EmitNumber(opLDI, 3.141592653589793);
        return NextToken();
    }
    if (Is("ranuni") || Is("rannor")) {
        EmitInt(opFNC, Is("ranuni") ? kFncRanuni : kFncRannor);
        return NextToken();
    }
    if (Is("#")) return ResultAccess();
    if (Is("##")) return DataRange();
    if (Is("#@")) return ArrayRange();
    if (Is("@@") || Is("@#")) {
        Emit(Is("@@") ? opFAA : opALP);
        return NextToken();
    }
    if (Is("@~")) return LibraryCall();
    if (Is("@")) return UserPrimary(0);
    if (Is("{")) return BlockPrimary();
    if (Is("def")) return DefBlock();
    if (StartsName(token_)) return IdentifierPrimary();
    SyntaxErrorHere();
}

void MacroCompile::NumberPrimary() {
    // The whole token must be one decimal number, read in the C locale.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    char* end = nullptr;
    const double v = strtod_l(token_.c_str(), &end, cLocale);
    if (end != token_.c_str() + token_.size() || !std::isfinite(v)) SyntaxErrorHere();
    EmitNumber(opLDI, v);
    NextToken();
}

void MacroCompile::FormatPrimary() {
    NextToken();
    const bool parenthesised = Is("(");
    if (parenthesised) NextToken();
    Expression();
    if (Is(",")) NextToken();
    Expression();
    if (parenthesised) Expect(")");
    Emit(opFFM);
}

Symbol MacroCompile::DeclaredSymbol() {
    const Symbol* s = stringToken_ ? nullptr : FindSymbol(token_);
    if (s == nullptr) UndefinedIdentifierError(errorPosition_, token_);
    return *s;
}

void MacroCompile::IncrementPrimary(int code) {
    NextToken();
    if (Is("@")) return UserPrimary(code);
    if (Is("#")) {
        NextToken();
        if (Model() == nullptr) SyntaxErrorHere();
        const int j = DataVariableIndex();
        NextToken();
        Expect("[");
        Expression();
        Expect("]");
        EmitTwoInts(opSVL, j, code);
        valueLeft_ = true;
        return;
    }
    const Symbol s = DeclaredSymbol();
    NextToken();
    if (s.kind == vkArray) {
        Expect("[");
        Index(s);
    } else if (s.kind != vkNumber) {
        SyntaxErrorHere();  // texts and modules cannot be counted
    }
    EmitVariableRefInt(opSTO, s.Ref(), code);
    valueLeft_ = true;
}

void MacroCompile::IdentifierPrimary() {
    if (Is("poly")) return PolyPrimary();
    const int f = FindFunctionName(token_);
    if (f >= 0) return FunctionCall(f);
    if (Is("inc") || Is("dec")) return IncDec(Is("dec"));
    const Symbol s = DeclaredSymbol();
    NextToken();
    DeclaredName(s);
}

void MacroCompile::FunctionCall(int f) {
    NextToken();
    int n = ArgumentList(false);
    if (f >= kScalarFunctionWords) {
        EmitTwoInts(opFNC, f, n);
        return;
    }
    double second = 0.0;
    if (n == 1 && DefaultSecondArgument(f, second)) {
        EmitNumber(opLDI, second);
        n = 2;
    }
    if (n != ScalarArity(f)) SyntaxErrorHere();
    EmitInt(opFNC, f);
}

void MacroCompile::PolyPrimary() {
    NextToken();
    const bool parenthesised = Is("(");
    if (parenthesised) NextToken();
    Expression();
    if (Is(",")) NextToken();
    const Symbol a = DeclaredSymbol();
    if (a.kind != vkArray) SyntaxErrorHere();
    NextToken();
    if (parenthesised) Expect(")");
    EmitVariableRefInt(opMTS, a.Ref(), 0);
}

void MacroCompile::IncDec(bool dec) {
    NextToken();
    Expect("(");
    const Symbol s = DeclaredSymbol();
    NextToken();
    if (s.kind == vkArray) {
        Expect("[");
        Index(s);
    } else if (s.kind != vkNumber) {
        SyntaxErrorHere();
    }
    int step = 1;
    std::uint8_t after = 0;
    auto readPlace = [&] {
        if (!Is("a") && !Is("b")) SyntaxErrorHere();
        after = Is("a") ? 1 : 0;
        NextToken();
    };
    if (Is(",")) {
        NextToken();
        if (Is("a") || Is("b")) {
            readPlace();
        } else {
            // The step is fixed when compiling: only a constant will do.
            double v = 0.0;
            if (!ConstantArgument(v) || !(std::fabs(v) < 2147483648.0)) SyntaxErrorHere();
            step = TruncToInt(v, "inc");
            if (Is(",")) {
                NextToken();
                readPlace();
            }
        }
    }
    Expect(")");
    EmitVariableRefOptions(opADI, s.Ref(), dec ? 1 : 0, after, step);
    valueLeft_ = true;
}

void MacroCompile::DeclaredName(const Symbol& symbol) {
    switch (symbol.kind) {
        case vkNumber: break;
        case vkArray:
            Expect("[");
            Index(symbol);
            break;
        case vkText: Expect("$"); break;
        case vkModule: return ModuleCall(symbol);
        default: SyntaxErrorHere();
    }
    const int code = stringToken_ ? -1 : AssignmentOperatorCode(token_);
    if (code < 0) {
        EmitVariableRef(opLDA, symbol.Ref());
        return;
    }
    // A text takes "=" only.
    if (symbol.kind == vkText && code != 2) SyntaxErrorHere();
    NextToken();
    if (code == 2) {
        Expression();
        EmitVariableRef(opSTA, symbol.Ref());
    } else {
        if (code >= 3) Expression();
        EmitVariableRefInt(opSTO, symbol.Ref(), code);
    }
    valueLeft_ = true;
}

void MacroCompile::ModuleCall(const Symbol& module) {
    const int expected = static_cast<int>(module.arguments.size());
    int n = 0;
    if (Is("(")) {
        NextToken();
        while (!Is(")")) {
            if (n >= expected) SyntaxErrorHere();
            const auto [kind, reference] = module.arguments[static_cast<std::size_t>(n)];
            if (Is("&")) {
                NextToken();
                const Symbol v = DeclaredSymbol();
                NextToken();
                if (v.kind == vkArray) {
                    Expect("[");
                    Index(v);
                } else if (v.kind == vkText) {
                    Expect("$");
                }
                if (v.kind != kind || reference != 1) SyntaxErrorHere();
                EmitVariableRef(opREF, v.Ref());
            } else if (kind == vkArray) {
                if (Is("@")) NextToken();
                const Symbol v = DeclaredSymbol();
                if (v.kind != vkArray) SyntaxErrorHere();
                NextToken();
                EmitVariableRef(opAAV, v.Ref());
            } else {
                if (reference == 1 || kind == vkModule) SyntaxErrorHere();
                Expression();
            }
            ++n;
            if (!Is(",")) break;
            NextToken();
        }
        Expect(")");
    }
    if (n != expected) SyntaxErrorHere();
    // The kinds travel with the code, so the call is checked when it runs.
    std::vector<std::uint8_t> kinds;
    for (const auto& [kind, reference] : module.arguments)
        kinds.push_back(reference == 1 ? akReference : kind == vkArray ? akArray : kind == vkText ? akText : akNumber);
    DeclareArguments(CodeLength(), std::move(kinds));
    EmitInt(opARG, n);
    EmitInt(opGSB, module.offset);
}

int MacroCompile::OptionalArgumentList() {
    Expect("(");
    if (Is(")")) {
        NextToken();
        return 0;
    }
    const int n = ExpressionList(false);
    Expect(")");
    return n;
}

void MacroCompile::LibraryCall() {
    NextToken();
    const std::string name = stringToken_ ? std::string() : token_;
    const int index = library_ != nullptr && !name.empty() ? library_->FindMacro(name) : -1;
    if (index < 0) UndefinedIdentifierError(errorPosition_, name);
    NextToken();
    const int n = Is("(") ? OptionalArgumentList() : 0;
    if (n != library_->ParameterCount(index)) SyntaxErrorHere();
    const int at = CodeLength();
    EmitTwoInts(opMOD, n, index);
    NoteLibraryCall(at, name);
}

int MacroCompile::UserBank() {
    if (Is("..")) {
        NextToken();
        return 3;
    }
    if (Is("file") || Is("sys")) {
        const int bank = Is("file") ? 1 : 2;
        const int start = tokenStart_;
        NextToken();
        if (Is("::")) {
            NextToken();
            return bank;
        }
        ScanFrom(start);  // a user scalar of that name
    }
    return 0;
}

void MacroCompile::UserPrimary(int prefixCode) {
    NextToken();
    const int bank = UserBank();
    int index = -1;
    if (Is("[")) {
        NextToken();
        Expression();
        Expect("]");
    } else {
        const UserVar& scalars = state_.UserScalars();
        const bool activeIsData = scalars.BankSwitch() != 0;
        const bool dataBank = bank == 1 || (bank == 0 && activeIsData) || (bank == 3 && !activeIsData);
        const std::string name = stringToken_ ? std::string() : token_;
        index = name.empty() ? -1 : scalars.FindName(name, dataBank);
        if (index < 0) {
            const int f = name.empty() ? -1 : state_.FunctionLink().Find(name);
            if (f < 0) UndefinedIdentifierError(errorPosition_, name);
            if (prefixCode != 0) SyntaxErrorHere();  // a function cannot be counted
            NextToken();
            return UserFunctionCall(f, bank);
        }
        NextToken();
    }
    if (prefixCode != 0) {
        EmitThreeInts(opSUV, index, bank, prefixCode);
        valueLeft_ = true;
        return;
    }
    const int code = stringToken_ ? -1 : AssignmentOperatorCode(token_);
    if (code < 0) {
        EmitTwoInts(opLUV, index, bank);
        return;
    }
    NextToken();
    if (code >= 2) Expression();
    EmitThreeInts(opSUV, index, bank, code);
    valueLeft_ = true;
}

void MacroCompile::UserFunctionCall(int f, int bank) {
    const int n = OptionalArgumentList();
    if (n != state_.FunctionLink().ParameterCount(f)) SyntaxErrorHere();
    EmitTwoInts(opLUV, 10 + f, bank);
}

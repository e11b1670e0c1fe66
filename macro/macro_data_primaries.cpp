// The primaries that reach the data set and the fit: "#" results and cells,
// "##" data ranges and "#@" array ranges.
#include "core/model/regression_model.h"
#include "core/text/tokenizer.h"
#include "eval/app_state.h"
#include "eval/reserved_words.h"
#include "macro/macro_compile.h"
#include "macro/macro_opcodes.h"

namespace {

// SVR codes of the fit's plain results after "#".
int PlainResultCode(const std::string& name) {
    if (name == "row") return 4;
    if (name == "col") return 5;
    if (name == "ve") return 14;
    if (name == "vt") return 15;
    if (name == "fe") return 16;
    if (name == "R2") return 17;
    return -1;
}

// Result names from "ti" on take a variable (or an expression) in brackets.
constexpr int kFirstVariableResult = 7;
constexpr int kResultCodeBase = 300;
constexpr int kTti = rwTti - rwYobs;
constexpr int kDfb = rwDfb - rwYobs;

}  // namespace

Reg* MacroCompile::Model() const { return state_.Model(); }

bool MacroCompile::IsDataVariableName() const {
    const Reg* reg = Model();
    return reg != nullptr && !stringToken_ && !token_.empty() && reg->FindVar(token_) >= 0;
}

int MacroCompile::DataVariableIndex() {
    const Reg* reg = Model();
    if (reg == nullptr) SyntaxErrorHere();
    const int j = stringToken_ ? -1 : reg->FindVar(token_);
    if (j < 0) UndefinedIdentifierError(errorPosition_, token_);
    return j;
}

void MacroCompile::ResultAccess() {
    NextToken();
    const bool dots = Is("..");
    if (dots) NextToken();
    if (stringToken_) SyntaxErrorHere();
    const std::string name = token_;
    auto bracketed = [&] {
        Expect("[");
        Expression();
        Expect("]");
    };
    if (const int y = PlainResultCode(name); y >= 0) {
        NextToken();
        EmitTwoInts(opSVR, 0, y);
        return;
    }
    if (name == "s" || name == "v") {
        NextToken();
        const bool brackets = Is("[");
        if (brackets) NextToken();
        Expression();
        Expect(",");
        Expression();
        if (brackets) Expect("]");
        EmitTwoInts(opSVR, 0, name == "s" ? 6 : 7);
        return;
    }
    if (const int a = FindAttributeName(name); a >= 0) {
        NextToken();
        bracketed();
        EmitTwoInts(opSVR, 0, 9 + a);
        return;
    }
    if (name == "name") {
        NextToken();
        bracketed();
        EmitTwoInts(opSVR, 0, 13);
        return;
    }
    const int r = FindResultName(name);
    if (name == "index" || r >= 0) {
        const int y = name == "index" ? 8 : kResultCodeBase + r;
        NextToken();
        Expect("[");
        if (r >= 0 && r < kFirstVariableResult) {
            Expression();
            Expect("]");
            EmitTwoInts(opSVR, 0, y);
            return;
        }
        int x = -1;
        if (IsDataVariableName()) {
            x = Model()->FindVar(token_) + (name == "index" ? 1 : 0);
            NextToken();
        } else {
            Expression();
        }
        Expect("]");
        EmitTwoInts(opSVR, x, y);
        return;
    }
    // A variable of the data set.
    const int j = DataVariableIndex();
    NextToken();
    if (Is(".")) {
        NextToken();
        const int a = stringToken_ ? -1 : FindAttributeName(token_);
        if (a < 0) SyntaxErrorHere();
        NextToken();
        EmitTwoInts(opSVR, j, dots ? -(a + 1) : a);
        return;
    }
    bracketed();
    const int code = stringToken_ ? -1 : AssignmentOperatorCode(token_);
    if (code < 0) {
        EmitTwoInts(opSVR, j, dots ? -11 : -10);
        return;
    }
    if (dots) SyntaxErrorHere();
    NextToken();
    if (code >= 2) Expression();
    EmitTwoInts(opSVL, j, code);
    valueLeft_ = true;
}

void MacroCompile::DataRange() {
    NextToken();
    const bool dots = Is("..");
    if (dots) NextToken();
    Reg* reg = Model();
    if (reg == nullptr) SyntaxErrorHere();
    int source = 0;
    const int r = stringToken_ ? -1 : FindResultName(token_);
    if (r >= 0) {
        NextToken();
        int rowCode = r;
        if (r >= kFirstVariableResult) {
            Expect("[");
            if (Is("#")) NextToken();
            int j = -1;
            if (r == kTti || r == kDfb) {
                j = DataVariableIndex();
            } else {
                j = stringToken_ ? -1 : reg->FindVar(token_);
                if (j < 0) SyntaxErrorHere();
            }
            NextToken();
            Expect("]");
            if (r == kTti) rowCode = 19 + j;
            if (r == kDfb) rowCode = j - 100;
        }
        source = rowCode - kResultCodeBase;
    } else {
        source = DataVariableIndex();
        NextToken();
    }
    RangeBounds(static_cast<double>(reg->GetObsCount()));
    const int function = RangeSuffix();
    EmitStorageRef(opSPS, dots ? 1 : 0, function, source);
}

void MacroCompile::ArrayRange() {
    NextToken();
    const Symbol a = DeclaredSymbol();
    if (a.kind != vkArray) SyntaxErrorHere();
    NextToken();
    RangeBounds(2147483647.0);
    const int function = RangeSuffix();
    EmitVariableRefInt(opSPA, a.Ref(), function);
}

void MacroCompile::RangeBounds(double defaultLast) {
    if (!Is("[")) {
        EmitNumber(opLDI, 1.0);
        EmitNumber(opLDI, defaultLast);
        return;
    }
    NextToken();
    Expression();
    if (Is("..")) NextToken();
    Expression();
    Expect("]");
}

// "." and a function applied to each element: a scalar function 0 .. 44,
// "max" 100, "min" 101 or "@" and a user function (its index - 100); -1
// without a suffix.
int MacroCompile::RangeSuffix() {
    if (!Is(".")) return -1;
    NextToken();
    if (Is("max") || Is("min")) {
        const int code = Is("max") ? 100 : 101;
        NextToken();
        return code;
    }
    if (Is("@")) {
        NextToken();
        const std::string name = stringToken_ ? std::string() : token_;
        const int f = name.empty() ? -1 : state_.FunctionLink().Find(name);
        if (f < 0) UndefinedIdentifierError(errorPosition_, name);
        NextToken();
        const int n = Is("(") ? OptionalArgumentList() : 0;
        if (state_.FunctionLink().ParameterCount(f) != n + 1) SyntaxErrorHere();
        return f - 100;
    }
    const int f = stringToken_ ? -1 : FindReservedWord(token_, kFunctionStart, kScalarFunctionWords);
    if (f < 0) SyntaxErrorHere();
    NextToken();
    if (f >= rwPf) {
        Expect("(");
        Expression();
        Expect(",");
        Expression();
        Expect(")");
    } else if (f >= rwBce) {
        if (Is("(")) {
            NextToken();
            Expression();
            Expect(")");
        } else if (f <= rwRound) {
            static constexpr double kDefaults[] = {0.0, 0.0, 10.0, 7.0};
            EmitNumber(opLDI, kDefaults[f - rwBce]);
        } else {
            SyntaxErrorHere();
        }
    }
    return f;
}

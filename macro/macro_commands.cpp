// "mat" statements and the "%" data commands.
#include <cctype>

#include "macro/macro_compile.h"
#include "macro/macro_opcodes.h"

namespace {

enum SysCommand {
    sysAdddata = 0, sysInsdata, sysDeldata, sysXchgdata, sysAddvar, sysInsvar, sysDelvar,
    sysXchgvar, sysRename, sysSet, sysGetvar, sysPutvar, sysLoad, sysSave, sysPath,
    sysGroup, sysGrpclr, sysSort, sysTrend, sysTrendN, sysPredict, sysResidual,
    sysVartype, sysUndo, sysRedo, sysUservar,
};

int SysCommandNumber(const std::string& name) {
    for (int i = 0; i < kSysCommandCount; ++i)
        if (i != sysTrendN && SysCommandName(i) == name) return i;
    return -1;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

Symbol MacroCompile::ArrayName() {
    const Symbol array = DeclaredSymbol();
    if (array.kind != vkArray) SyntaxErrorHere();
    NextToken();
    return array;
}

void MacroCompile::MatStatement() {
    NextToken();
    const Symbol target = ArrayName();
    Expect("=");
    const VariableRef t = target.Ref();
    // inv, trn and sqrt of one array, in optional parentheses.
    static const char* const kUnary[] = {"inv", "trn", "sqrt"};
    for (int sub = 0; sub < 3; ++sub) {
        if (!Is(kUnary[sub])) continue;
        NextToken();
        const bool parenthesised = Is("(");
        if (parenthesised) NextToken();
        const Symbol p = ArrayName();
        if (parenthesised) Expect(")");
        EmitMat(sub, t, p.Ref());
        return;
    }
    if (Is("diag")) {
        NextToken();
        const int n = ArgumentList(false);
        valueLeft_ = false;
        EmitVariableRefInt(opMTS, t, -n);
        return;
    }
    if (Is("{")) {
        NextToken();
        const int n = ExpressionList(false);
        Expect("}");
        valueLeft_ = false;
        EmitVariableRefInt(opMTS, t, n);
        return;
    }
    if (Is("(")) {
        NextToken();
        Expression();
        Expect(")");
        valueLeft_ = false;
        const char op = stringToken_ || token_.empty() ? '\0' : token_[0];
        if (op != '*' && op != '+' && op != '-') SyntaxErrorHere();
        NextToken();
        const Symbol p = ArrayName();
        EmitMat(op == '*' ? 7 : op == '+' ? 8 : 9, t, p.Ref());
        return;
    }
    const Symbol p = ArrayName();
    const char op = stringToken_ || token_.empty() ? '\0' : token_[0];
    if (op != '*' && op != '+' && op != '-') {
        EmitMat(10, t, p.Ref());
        return;
    }
    NextToken();
    const Symbol q = ArrayName();
    const VariableRef second = q.Ref();
    EmitMat(op == '*' ? 4 : op == '+' ? 5 : 6, t, p.Ref(), &second);
}

void MacroCompile::Command() {
    const int percentAt = tokenStart_;
    NextToken();
    const int command = stringToken_ ? -1 : SysCommandNumber(token_);
    if (command < 0) {
        // Not a command: the text is an expression.
        ScanFrom(percentAt);
        Expression();
        return;
    }
    NextToken();
    auto expression = [this] {
        Expression();
        valueLeft_ = false;
    };
    auto comma = [this] { Expect(","); };
    auto word = [this] {
        if (stringToken_ || AtEnd()) SyntaxErrorHere();
        std::string w = token_;
        NextToken();
        return w;
    };
    int a = 0, b = 0;
    auto array = [&] {
        const Symbol s = ArrayName();
        a = s.level;
        b = s.offset;
    };
    int emitted = command;
    switch (command) {
        case sysAdddata: array(); break;
        case sysInsdata: case sysAddvar: case sysSet:
            expression();
            comma();
            array();
            break;
        case sysDeldata:
            for (;;) {
                expression();
                ++a;
                if (!Is(",")) break;
                NextToken();
            }
            break;
        case sysXchgdata: case sysXchgvar: case sysRename:
            expression();
            comma();
            expression();
            break;
        case sysInsvar:
            expression();
            comma();
            expression();
            comma();
            array();
            break;
        case sysDelvar: case sysLoad: case sysSave: expression(); break;
        case sysGetvar: case sysPutvar:
            expression();
            comma();
            expression();
            comma();
            array();
            comma();
            expression();
            comma();
            expression();
            break;
        case sysPath: {
            // Any other word than "input" names a folder: no code.
            if (AtEnd()) SyntaxErrorHere();
            const bool input = Is("input");
            NextToken();
            if (!input) return;
            break;
        }
        case sysGroup:
            if (Is("-")) {
                a = 1;
                NextToken();
            }
            expression();
            for (int i = 0; i < 3; ++i) {
                comma();
                expression();
            }
            break;
        case sysGrpclr:
            expression();
            comma();
            expression();
            comma();
            expression();
            break;
        case sysSort: {
            expression();
            comma();
            if (!Is("up") && !Is("down")) SyntaxErrorHere();
            a = word() == "up" ? 1 : 0;
            break;
        }
        case sysTrend:
            expression();
            comma();
            array();
            if (Is(",")) {
                NextToken();
                if (stringToken_ || Upper(token_) != "N") SyntaxErrorHere();
                NextToken();
                emitted = sysTrendN;
            }
            break;
        case sysPredict: case sysResidual: {
            array();
            int n = 0;
            while (Is(",")) {
                NextToken();
                expression();
                ++n;
            }
            if (n < 2) SyntaxErrorHere();
            EmitSys(static_cast<std::uint8_t>(command), a, b, n);
            return;
        }
        case sysVartype: {
            expression();
            comma();
            const std::string kind = word();
            b = kind == "en" ? 1 : kind == "ex" ? 2 : kind == "lg" ? 3 : 0;
            break;
        }
        case sysUndo: case sysRedo: break;
        case sysUservar: {
            if (!Is("file") && !Is("sys")) SyntaxErrorHere();
            b = word() == "file" ? 1 : 0;
            break;
        }
        default: SyntaxErrorHere();
    }
    EmitSys(static_cast<std::uint8_t>(emitted), a, b);
}

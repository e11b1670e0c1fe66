// Statements: the choice by the first token, blocks, and the simple
// statements ("return", "stop", "throw", "swap", "read", "write", "error",
// "seed").
#include "eval/reserved_words.h"
#include "macro/macro_compile.h"
#include "macro/macro_nesting.h"
#include "macro/macro_opcodes.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace {

// Keyword numbers of the statements.
enum StatementKeyword {
    kwBreak = 0, kwCase = 1, kwCatch = 2, kwDef = 4, kwDim = 5, kwDo = 6, kwElse = 7, kwFor = 8,
    kwIf = 10, kwLib = 12, kwLoop = 13, kwMacro = 14, kwMat = 15, kwModule = 16, kwNext = 17,
    kwRead = 19, kwReturn = 20, kwSelect = 21, kwStop = 22, kwSwap = 23, kwThrow = 24, kwTry = 25,
    kwUntil = 26, kwVar = 27, kwWhile = 28, kwWrite = 29, kwError = 30, kwSeed = 31,
};
constexpr int kLastStatementKeyword = kwSeed;

}  // namespace

void MacroCompile::Statement() {
    NestingGuard guard(nesting_, *this, errorPosition_);
    const int start = errorPosition_;
    if (AtEnd()) SyntaxErrorHere();
    const int keyword = stringToken_ ? -1 : FindKeyword(token_);
    if (Is("{"))
        Block();
    else if (keyword >= 0 && keyword <= kLastStatementKeyword)
        KeywordStatement(keyword);
    else if (Is("%"))
        Command();
    else
        Expression();
    if (valueLeft_) {
        Emit(opPOP);
        valueLeft_ = false;
    }
    if (Is(";")) NextToken();
    // Every statement reads at least one token.
    if (errorPosition_ == start) SyntaxErrorHere();
}

void MacroCompile::KeywordStatement(int keyword) {
    switch (keyword) {
        case kwIf: return IfStatement();
        case kwWhile: return WhileStatement();
        case kwDo: return DoStatement();
        case kwFor: return ForStatement();
        case kwLoop: return LoopStatement();
        case kwBreak:
            EmitJumpTo(opJMP, breakLabel_);
            return NextToken();
        case kwNext:
            EmitJumpTo(opJMP, nextLabel_);
            return NextToken();
        case kwSelect: return SelectStatement();
        case kwCase: return CaseStatement();
        case kwTry: return TryStatement();
        case kwThrow:
            NextToken();
            if (ValueFollows())
                Expression();
            else
                EmitNumber(opLDI, 0.0);
            valueLeft_ = false;
            Emit(opEJP);
            return;
        case kwReturn: return ReturnStatement();
        case kwStop:
            NextToken();
            if (ValueFollows()) Expression();
            valueLeft_ = false;
            EmitJumpTo(opJMP, exitLabel_);
            return;
        case kwSwap: return SwapStatement();
        case kwRead: return ReadStatement();
        case kwWrite: return WriteStatement();
        case kwError: return ErrorStatement();
        case kwSeed:
            EmitInt(opFNC, kFncSeed);
            return NextToken();
        case kwMat: return MatStatement();
        case kwDef: return DefBlock();
        case kwCatch: case kwDim: case kwElse: case kwLib: case kwMacro: case kwModule: case kwUntil:
        case kwVar:
            // Words that belong to another statement or to the sections.
            SyntaxErrorHere();
        default:
            // "dec", "format", "inc", "pi" start expressions.
            Expression();
    }
}

bool MacroCompile::ValueFollows() const { return !(Is(";") || Is("}") || AtEnd()); }

void MacroCompile::ReturnStatement() {
    NextToken();
    if (ValueFollows()) Expression();
    valueLeft_ = false;
    // Leave the "def" frames opened since the module body or the program.
    for (int i = 0; i < defFrames_; ++i) Emit(opBLE);
    if (inModule_) {
        Emit(opRET);
        return;
    }
    // The main body ends the run here, its value on the stack.
    if (endLabel_ == kNoLabel) endLabel_ = NewLabel();
    EmitInt(opJMP, endLabel_);
}

void MacroCompile::SwapStatement() {
    NextToken();
    const Symbol array = ArrayName();
    Expect(",");
    Expression();
    Expect(",");
    Expression();
    valueLeft_ = false;
    EmitVariableRef(opSWP, array.Ref());
}

void MacroCompile::ReadStatement() {
    NextToken();
    Expression();
    valueLeft_ = false;
    if (Is(":")) NextToken();
    const Symbol v = DeclaredSymbol();
    NextToken();
    if (v.kind == vkArray) {
        Expect("[");
        Index(v);
    } else if (v.kind == vkText) {
        if (Is("$")) NextToken();
    } else if (v.kind != vkNumber) {
        SyntaxErrorHere();
    }
    EmitVariableRef(opRDV, v.Ref());
}

void MacroCompile::WriteStatement() {
    NextToken();
    for (bool first = true;; first = false) {
        bool prefixed = true;
        if (Is("tab")) {
            NextToken();
            Emit(opTAB);
        } else if (Is("cr")) {
            NextToken();
            Emit(opLN);
        } else if (Is("spc") || Is("format")) {
            const int op = Is("spc") ? opSPC : opFMT;
            NextToken();
            ArgumentList(false);
            valueLeft_ = false;
            Emit(op);
        } else {
            prefixed = false;
            if (!first) Emit(opTAB);
        }
        if (prefixed) {
            if (!ValueFollows()) break;
            if (Is(",")) NextToken();
        }
        Expression();
        if (Is(":")) {
            NextToken();
            Emit(opFMT);
            Expression();
        }
        Emit(opWRE);
        if (!Is(",")) break;
        NextToken();
    }
    valueLeft_ = false;
}

void MacroCompile::ErrorStatement() {
    NextToken();
    std::size_t bytes = 0;
    try {
        bytes = cp932::ByteLength(token_);
    } catch (const EConvertError&) {
        SyntaxErrorHere();
    }
    if (AtEnd() || bytes > static_cast<std::size_t>(kMaxShortTextBytes)) SyntaxErrorHere();
    EmitShortText(opERM, token_);
    NextToken();
}

// The control statements: "if", the loops, "select" and "case", "try".
#include "core/text/tokenizer.h"
#include "macro/macro_compile.h"
#include "macro/macro_opcodes.h"

void MacroCompile::Condition() {
    Expect("(");
    ExpressionList(true);
    Expect(")");
    valueLeft_ = false;
}

void MacroCompile::IfStatement() {
    NextToken();
    Condition();
    const int elseLabel = NewLabel();
    EmitInt(opJPF, elseLabel);
    Statement();
    if (!Is("else")) {
        SetLabel(elseLabel);
        return;
    }
    NextToken();
    // The then-branch cannot fall through when it ended in a return or a
    // jump that no label points behind.
    const bool fallsThrough =
        !(LastOp() == opRET || LastOp() == opJMP) || LabelAtEnd();
    const int endLabel = NewLabel();
    if (fallsThrough) EmitInt(opJMP, endLabel);
    SetLabel(elseLabel);
    Statement();
    SetLabel(endLabel);
}

void MacroCompile::LoopBody(int breakLabel, int nextLabel) {
    const int savedBreak = breakLabel_, savedNext = nextLabel_;
    breakLabel_ = breakLabel;
    nextLabel_ = nextLabel;
    Statement();
    breakLabel_ = savedBreak;
    nextLabel_ = savedNext;
}

void MacroCompile::WhileStatement() {
    NextToken();
    const int next = NewLabel(), done = NewLabel();
    SetLabel(next);
    Condition();
    EmitInt(opJPF, done);
    LoopBody(done, next);
    EmitInt(opJMP, next);
    SetLabel(done);
}

void MacroCompile::DoStatement() {
    NextToken();
    const int top = NewLabel(), next = NewLabel(), done = NewLabel();
    SetLabel(top);
    LoopBody(done, next);
    SetLabel(next);
    const bool whileForm = Is("while");
    if (!whileForm && !Is("until")) SyntaxErrorHere();
    NextToken();
    Condition();
    EmitInt(whileForm ? opJPT : opJPF, top);
    SetLabel(done);
}

void MacroCompile::ForStatement() {
    NextToken();
    Expect("(");
    // Init and step lists discard their values like expression statements.
    auto expressions = [this](std::string_view end) {
        if (Is(end)) return;
        ExpressionList(true);
        if (valueLeft_) Emit(opPOP);
        valueLeft_ = false;
    };
    expressions(";");
    Expect(";");
    const int top = NewLabel(), body = NewLabel(), next = NewLabel(), done = NewLabel();
    SetLabel(top);
    if (!Is(";")) {
        ExpressionList(true);
        valueLeft_ = false;
        EmitInt(opJPT, body);
    }
    Expect(";");
    EmitInt(opJMP, done);
    SetLabel(next);
    expressions(")");
    Expect(")");
    EmitInt(opJMP, top);
    SetLabel(body);
    LoopBody(done, next);
    EmitInt(opJMP, next);
    SetLabel(done);
}

void MacroCompile::LoopStatement() {
    NextToken();
    Expect("(");
    const Symbol counter = DeclaredSymbol();
    if (counter.kind != vkNumber) SyntaxErrorHere();
    NextToken();
    Expect("=");
    Expression();
    Expect(",");
    Expression();
    if (Is(";")) {
        NextToken();
        Expect("d");
        EmitNumber(opLDI, -1.0);
    } else if (Is(",")) {
        NextToken();
        Expression();
    } else {
        EmitNumber(opLDI, 1.0);
    }
    Expect(")");
    valueLeft_ = false;
    EmitVariableRef(opLOP, counter.Ref());
    const int body = NewLabel(), next = NewLabel(), done = NewLabel();
    SetLabel(body);
    EmitInt(opLPD, done);
    LoopBody(done, next);
    SetLabel(next);
    EmitInt(opLPR, body);
    SetLabel(done);
    Emit(opLPE);
}

void MacroCompile::SelectStatement() {
    NextToken();
    Condition();
    const int end = NewLabel();
    EmitInt(opSEL, end);
    ++caseDepth_;
    Statement();
    --caseDepth_;
    SetLabel(end);
    Emit(opSEP);
}

void MacroCompile::CaseStatement() {
    // "case" jumps to the end of its select or catch part.
    if (caseDepth_ == 0) SyntaxErrorHere();
    NextToken();
    int items = 0;
    for (;;) {
        Emit(opALP);
        if (!stringToken_ && ComparisonOperatorCode(token_) >= 0) {
            ComparisonTail();
        } else {
            Expression();
            Emit(opEQ);
        }
        ++items;
        if (!Is(",")) break;
        NextToken();
    }
    valueLeft_ = false;
    if (Is(":")) NextToken();
    EmitInt(opCSC, items);
    const int skip = NewLabel();
    EmitInt(opJPF, skip);
    Statement();
    Emit(opCE);
    SetLabel(skip);
}

void MacroCompile::TryStatement() {
    NextToken();
    const int catchLabel = NewLabel(), after = NewLabel(), end = NewLabel();
    EmitInt(opTRY, catchLabel);
    Statement();
    if (!Is("catch")) SyntaxErrorHere();
    NextToken();
    EmitInt(opTRE, end);
    SetLabel(catchLabel);
    EmitInt(opXEP, after);
    ++caseDepth_;
    Statement();
    --caseDepth_;
    SetLabel(after);
    Emit(opSEP);
    SetLabel(end);
}

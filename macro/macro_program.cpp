// Whole macros: the header with its parameters, the "var" sections, blocks
// and "def" blocks.
#include "macro/macro_compile.h"
#include "macro/macro_opcodes.h"
#include "platform/errors.h"

namespace {

// Words of storage per kind.
constexpr int kNumberWords = 2;
constexpr int kTextWords = 8;
constexpr int kArrayWords = 4;
constexpr int kMaxDefParameters = 16;
constexpr int kMaxMacroParameters = 15;

bool IsNameToken(const std::string& t) {
    if (t.empty()) return false;
    const auto c = static_cast<unsigned char>(t[0]);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

}  // namespace

void MacroCompile::CompileProgram(const std::string& source) {
    DiscardScopes();
    SetSource(source);
    SetName("");
    SetParameterCount(0);
    BeginExpressionText(source);
    OpenScope();
    dataOffset_ = 4;
    if (Is("macro"))
        MacroHeader();
    else
        ExpressionList(true);
    DiscardScopes();
    EndCode();
}

MacroObject::ProgramCompiler MacroCompile::ProgramCompilerFor() {
    return [this](const std::string& source) {
        CompileProgram(source);
        MacroObject compiled;
        LinkProgram(compiled);
        return compiled;
    };
}

std::string MacroCompile::NewName() {
    if (stringToken_ || !IsNameToken(token_)) SyntaxErrorHere();
    std::string name = token_;
    NextToken();
    return name;
}

void MacroCompile::MacroHeader() {
    NextToken();
    if (AtEnd()) SyntaxErrorHere();
    SetName(token_);
    NextToken();
    if (Is("(")) MacroParameters();
    const int frameSize = EmitTwoInts(opMCR, ParameterCount(), 0);
    endLabel_ = NewLabel();
    // "stop", and "break" or "next" outside any loop, end the program.
    exitLabel_ = breakLabel_ = nextLabel_ = endLabel_;
    Sections(false);
    if (!Is("{")) SyntaxErrorHere();
    Block();
    SetLabel(endLabel_);
    PatchInt(frameSize, dataOffset_);
}

void MacroCompile::MacroParameters() {
    NextToken();
    int n = 0;
    if (!Is(")")) {
        for (;;) {
            if (n == kMaxMacroParameters) SyntaxErrorHere();
            if (!stringToken_ && DeclaredInCurrentScope(token_)) SyntaxErrorHere();
            Symbol p;
            p.name = NewName();
            const bool text = Is("$");
            if (text) NextToken();
            p.kind = text ? vkText : vkNumber;
            p.offset = dataOffset_;
            std::string prompt;
            if (Is(":")) {
                NextToken();
                if (AtEnd()) SyntaxErrorHere();
                prompt = token_;
                NextToken();
            }
            SetParameterOffset(n, dataOffset_);
            SetParameterPrompt(n, prompt);
            SetParameterIsText(n, text);
            Declare(p);
            dataOffset_ += text ? kTextWords : kNumberWords;
            ++n;
            if (!Is(",")) break;
            NextToken();
        }
    }
    Expect(")");
    SetParameterCount(n);
}

void MacroCompile::Sections(bool moduleLevel) {
    for (;;) {
        if (Is("var"))
            VarSection();
        else if (Is("module"))
            ModuleSection();
        else if (!moduleLevel && Is("lib"))
            LibSection();
        else if (moduleLevel && Is("dim"))
            DimSection();
        else
            return;
        if (Is(";")) NextToken();
    }
}

void MacroCompile::VarSection() {
    NextToken();
    for (;;) {
        const int nameAt = errorPosition_;
        const std::string name = NewName();
        const Symbol* existing = DeclaredInCurrentScope(name) ? FindSymbol(name) : nullptr;
        Symbol v;
        v.name = name;
        if (Is("[")) {
            NextToken();
            Expression();
            std::uint8_t two = 0;
            if (Is(",")) {
                NextToken();
                Expression();
                two = 1;
            }
            Expect("]");
            // An array declared again keeps its slot; another kind may not
            // be declared as an array.
            if (existing != nullptr && existing->kind != vkArray) SyntaxError(nameAt);
            const int offset = existing != nullptr ? existing->offset : dataOffset_;
            EmitStorageRef(opAAC, two, ScopeLevel(), offset);
            if (existing == nullptr) {
                v.kind = vkArray;
                v.offset = dataOffset_;
                Declare(v);
                dataOffset_ += kArrayWords;
            }
        } else {
            if (existing != nullptr) SyntaxError(nameAt);
            const bool text = Is("$");
            if (text) NextToken();
            v.kind = text ? vkText : vkNumber;
            v.offset = dataOffset_;
            Declare(v);
            dataOffset_ += text ? kTextWords : kNumberWords;
        }
        if (!Is(",")) return;
        NextToken();
    }
}

void MacroCompile::Block() {
    Expect("{");
    while (!Is("}")) {
        if (AtEnd()) SyntaxErrorHere();
        Statement();
    }
    NextToken();
}

void MacroCompile::BlockPrimary() {
    const int savedExit = exitLabel_;
    exitLabel_ = NewLabel();
    Block();
    SetLabel(exitLabel_);
    exitLabel_ = savedExit;
    valueLeft_ = false;
}

void MacroCompile::DefBlock() {
    NextToken();
    struct Parameter {
        std::string name;
        bool text;
    };
    std::vector<Parameter> parameters;
    if (Is("(")) {
        NextToken();
        for (;;) {
            if (static_cast<int>(parameters.size()) == kMaxDefParameters) SyntaxErrorHere();
            Parameter p;
            p.name = NewName();
            p.text = Is("$");
            if (p.text) NextToken();
            Expect("=");
            Expression();
            valueLeft_ = false;
            parameters.push_back(p);
            if (!Is(",")) break;
            NextToken();
        }
        Expect(")");
    }
    std::vector<std::uint8_t> kinds;
    for (const Parameter& p : parameters) kinds.push_back(p.text ? akText : akNumber);
    DeclareArguments(CodeLength(), std::move(kinds));
    EmitInt(opARG, static_cast<int>(parameters.size()));
    OpenScope();
    int offset = 0;
    for (const Parameter& p : parameters) {
        if (DeclaredInCurrentScope(p.name)) SyntaxErrorHere();
        Symbol s;
        s.name = p.name;
        s.kind = p.text ? vkText : vkNumber;
        offset -= p.text ? kTextWords : kNumberWords;
        s.offset = offset;
        Declare(s);
    }
    const int frameSize = EmitTwoIntsReserved(opBLC, ScopeLevel(), -offset);
    const int savedOffset = dataOffset_, savedExit = exitLabel_, savedCaseDepth = caseDepth_;
    const int savedBreak = breakLabel_, savedNext = nextLabel_;
    dataOffset_ = 4;
    exitLabel_ = NewLabel();
    ++defFrames_;
    caseDepth_ = 0;
    breakLabel_ = nextLabel_ = kNoLabel;
    while (Is("var")) {
        VarSection();
        if (Is(";")) NextToken();
    }
    if (!Is("{")) SyntaxErrorHere();
    Block();
    SetLabel(exitLabel_);
    Emit(opBLE);
    PatchInt(frameSize, dataOffset_);
    CloseScope();
    --defFrames_;
    dataOffset_ = savedOffset;
    exitLabel_ = savedExit;
    caseDepth_ = savedCaseDepth;
    breakLabel_ = savedBreak;
    nextLabel_ = savedNext;
    valueLeft_ = false;
}

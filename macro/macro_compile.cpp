#include "macro/macro_compile.h"

#include <algorithm>

#include "core/text/tokenizer.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "macro/macro_nesting.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_scan.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

// Bytes the character whose UTF-8 form starts at i takes in CP932: one for
// ASCII and half-width katakana, two for the rest.
int Cp932Width(std::string_view s, std::size_t i, std::size_t n) {
    if (n == 1) return 1;
    if (n == 3 && static_cast<unsigned char>(s[i]) == 0xEF) {
        const auto b1 = static_cast<unsigned char>(s[i + 1]);
        const auto b2 = static_cast<unsigned char>(s[i + 2]);
        if ((b1 == 0xBD && b2 >= 0xA1) || (b1 == 0xBE && b2 <= 0x9F)) return 1;
    }
    return 2;
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

MacroCompile::MacroCompile(AppState& state, const MacroLibraryLink* library)
    : state_(state), library_(library), probe_(std::make_unique<CalcStr>(state)) {}

MacroCompile::~MacroCompile() = default;

// ---- scanning ----------------------------------------------------------------

void MacroCompile::StartText(std::string_view text) {
    // The source ends at a NUL byte, as a file's text does.
    text_ = text.substr(0, std::min<std::size_t>(text.find('\0'), 0x7ffffff0));
    sourceLength_ = static_cast<int>(text_.size());
    errorPosition_ = 0;
    tokenStart_ = 0;
    nesting_ = 0;
}

void MacroCompile::NextToken() {
    tokenStart_ = errorPosition_;
    errorPosition_ = ScanMacroToken(text_, sourceLength_, errorPosition_, token_, stringToken_);
}

void MacroCompile::ScanFrom(int position) {
    errorPosition_ = std::clamp(position, 0, sourceLength_);
    NextToken();
}

void MacroCompile::Expect(std::string_view s) {
    if (!Is(s)) SyntaxErrorHere();
    NextToken();
}

// ---- errors ------------------------------------------------------------------

// The characters before position (at most 10 CP932 bytes of them) and the
// one at position.
std::string MacroCompile::Context(int position) const {
    const std::size_t size = static_cast<std::size_t>(sourceLength_);
    const std::size_t p = static_cast<std::size_t>(std::clamp(position, 0, sourceLength_));
    std::size_t end = p;
    if (end < size) {
        ++end;
        while (end < size && IsContinuationByte(text_[end])) ++end;
    }
    std::size_t start = p;
    int bytes = 0;
    while (start > 0) {
        std::size_t from = start - 1;
        while (from > 0 && IsContinuationByte(text_[from])) --from;
        const int w = Cp932Width(text_, from, start - from);
        if (bytes + w > 10) break;
        bytes += w;
        start = from;
    }
    return std::string(text_.substr(start, end - start));
}

void MacroCompile::SyntaxError(int position) {
    const std::string context = Context(position);
    DiscardScopes();
    throw Exception(LoadStr(kStrSyntaxError) + "：\r\n" + context);
}

void MacroCompile::UndefinedIdentifierError(int position, const std::string& name) {
    const std::string context = Context(position);
    DiscardScopes();
    throw Exception(LoadStr(kStrUndefinedNameError) + "(" + name + ")\r\n" + context);
}

// ---- scopes ------------------------------------------------------------------

void MacroCompile::OpenScope() {
    Scope scope;
    scope.level = scopes_.empty() ? 0 : scopes_.back().level + 1;
    scopes_.push_back(std::move(scope));
}

void MacroCompile::CloseScope() {
    if (!scopes_.empty()) scopes_.pop_back();
}

void MacroCompile::DiscardScopes() { scopes_.clear(); }

int MacroCompile::ScopeLevel() const { return scopes_.empty() ? 0 : scopes_.back().level; }

const Symbol* MacroCompile::FindSymbol(const std::string& name) const {
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope)
        for (auto s = scope->symbols.rbegin(); s != scope->symbols.rend(); ++s)
            if (s->name == name) return &*s;
    return nullptr;
}

bool MacroCompile::DeclaredInCurrentScope(const std::string& name) const {
    if (scopes_.empty()) return false;
    const auto& symbols = scopes_.back().symbols;
    return std::any_of(symbols.begin(), symbols.end(), [&](const Symbol& s) { return s.name == name; });
}

Symbol& MacroCompile::Declare(const Symbol& symbol) {
    if (scopes_.empty()) OpenScope();
    Symbol s = symbol;
    s.level = scopes_.back().level;
    scopes_.back().symbols.push_back(std::move(s));
    return scopes_.back().symbols.back();
}

// ---- entries -----------------------------------------------------------------

void MacroCompile::BeginExpressionText(const std::string& text) {
    ownText_ = text;
    StartText(ownText_);
    Reset();
    breakLabel_ = nextLabel_ = exitLabel_ = endLabel_ = kNoLabel;
    valueLeft_ = false;
    defFrames_ = 0;
    inModule_ = false;
    caseDepth_ = 0;
    NextToken();
}

void MacroCompile::EndCode() {
    // A "return" of the main body jumps here.
    if (endLabel_ != kNoLabel && !IsLabelSet(endLabel_)) SetLabel(endLabel_);
    Emit(opEND);
    FinishCode();
}

void MacroCompile::CompileExpression(const std::string& text) {
    DiscardScopes();
    BeginExpressionText(text);
    ExpressionList(true);
    EndCode();
}

void MacroCompile::LinkProgram(MacroObject& target) const { target = static_cast<const MacroObject&>(*this); }

void MacroCompile::EmitJumpTo(int op, int label) {
    if (label == kNoLabel) SyntaxErrorHere();
    EmitInt(op, label);
}

// ---- precedence levels -------------------------------------------------------

int MacroCompile::ExpressionList(bool discard) {
    int count = 0;
    for (;;) {
        Expression();
        ++count;
        if (!Is(",")) break;
        if (discard) {
            Emit(opPOP);
            valueLeft_ = false;
        }
        NextToken();
    }
    return count;
}

void MacroCompile::Expression() {
    NestingGuard guard(nesting_, *this, errorPosition_);
    OrLevel();
}

int MacroCompile::ArgumentList(bool discard) {
    Expect("(");
    const int count = ExpressionList(discard);
    Expect(")");
    return count;
}

void MacroCompile::Index(const Symbol& array) {
    Expression();
    if (Is(",")) {
        NextToken();
        Expression();
        EmitVariableRef(opAAA, array.Ref());
    }
    Expect("]");
}

void MacroCompile::OrLevel() {
    AndLevel();
    while (Is("||") || Is("$$")) {
        const int op = Is("||") ? opOR : opXOR;
        NextToken();
        AndLevel();
        Emit(op);
    }
}

void MacroCompile::AndLevel() {
    NotLevel();
    while (Is("&&")) {
        NextToken();
        NotLevel();
        Emit(opAND);
    }
}

void MacroCompile::NotLevel() {
    const bool negate = Is("!");
    if (negate) NextToken();
    CompareLevel();
    if (negate) Emit(opNOT);
    if (Is("?")) {
        NextToken();
        const int elseLabel = NewLabel();
        const int endLabel = NewLabel();
        EmitInt(opJPF, elseLabel);
        Expression();
        EmitInt(opJMP, endLabel);
        SetLabel(elseLabel);
        Expect(":");
        Expression();
        SetLabel(endLabel);
    }
}

void MacroCompile::CompareLevel() {
    AddLevel();
    ComparisonTail();
}

void MacroCompile::ComparisonTail() {
    static constexpr int kCompareOps[] = {opLT, opLE, opEQ, opNE, opGE, opGT};
    for (;;) {
        const int code = stringToken_ ? -1 : ComparisonOperatorCode(token_);
        if (code < 0) return;
        NextToken();
        if (code <= 5) {
            AddLevel();
            Emit(kCompareOps[code]);
            continue;
        }
        // An interval: "[" or "(" a "," b "]" or ")".
        std::uint8_t leftClosed = 0;
        if (Is("["))
            leftClosed = 1;
        else if (!Is("("))
            SyntaxErrorHere();
        NextToken();
        Expression();
        Expect(",");
        Expression();
        std::uint8_t rightClosed = 0;
        if (Is("]"))
            rightClosed = 1;
        else if (!Is(")"))
            SyntaxErrorHere();
        NextToken();
        EmitThreeBytes(opIMP, code == 6 ? 1 : 0, leftClosed, rightClosed);
    }
}

void MacroCompile::AddLevel() {
    if (FoldSum()) return;
    MulLevel(false);
    while (Is("+") || Is("-")) {
        const bool minus = Is("-");
        NextToken();
        MulLevel(minus);
        Emit(minus ? opSUB : opADD);
    }
}

void MacroCompile::MulLevel(bool ownTermOnly) {
    if (FoldLeadingTerms(ownTermOnly)) return;
    PowLevel();
    for (;;) {
        int op = -1;
        if (Is("*")) op = opMUL;
        else if (Is("/")) op = opDIV;
        else if (Is("mod")) op = opREM;
        else if (Is("div")) op = opIDIV;
        if (op < 0) return;
        NextToken();
        PowLevel();
        Emit(op);
    }
}

void MacroCompile::PowLevel() {
    SignLevel();
    while (Is("^")) {
        NextToken();
        SignLevel();
        Emit(opPOW);
    }
}

void MacroCompile::SignLevel() {
    const bool negate = Is("-");
    if (negate || Is("+")) NextToken();
    if (Is("(")) {
        NextToken();
        ExpressionList(true);
        Expect(")");
    } else {
        Primary();
    }
    if (negate) Emit(opXCS);
}

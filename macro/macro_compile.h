// MacroCompile: the macro compiler's scanning, symbol table and errors, and
// the compiler of macro expressions. It emits into its own MacroObject part
// while it parses (recursive descent, one function per precedence level);
// constant sums of literal numbers are folded at compile time through the
// expression evaluator.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "macro/macro_object.h"

class AppState;
class CalcStr;
class Reg;

// How the compiler sees the macro library: the names of its macros and
// their parameter counts.
class MacroLibraryLink {
public:
    virtual ~MacroLibraryLink() = default;
    // Index of the macro with that name, -1 when none.
    virtual int FindMacro(const std::string& name) const = 0;
    virtual int ParameterCount(int index) const = 0;
};

// One declared name.
struct Symbol {
    std::string name;
    std::uint8_t kind = vkNumber;
    std::uint8_t reference = 0;  // a module argument passed by reference
    int level = 0;
    int size = 0;                // modules: the argument count
    int offset = 0;              // modules: the code address of the body
    // Modules: per argument its kind and reference flag.
    std::vector<std::pair<std::uint8_t, std::uint8_t>> arguments;

    VariableRef Ref() const { return VariableRef{reference, kind, level, offset}; }
};

class MacroCompile : public MacroObject {
public:
    // Deepest nesting of expressions within one another.
    static constexpr int kMaxNesting = 256;
    // Label meaning "no target here".
    static constexpr int kNoLabel = -1;

    explicit MacroCompile(AppState& state, const MacroLibraryLink* library = nullptr);
    ~MacroCompile() override;
    MacroCompile(const MacroCompile&) = delete;
    MacroCompile& operator=(const MacroCompile&) = delete;

    // Compiles one expression list (all values but the last discarded) and
    // finishes the code; text after the list is ignored. The source field is
    // left as it was. Throws Exception on a syntax error.
    void CompileExpression(const std::string& text);
    // Compiles a whole macro ("macro" name, parameters, sections and the
    // body), or an expression list when the text does not start with
    // "macro"; the source field becomes the text. Throws Exception on a
    // syntax error.
    void CompileProgram(const std::string& source);
    // A compiler of whole programs for reading macro records.
    ProgramCompiler ProgramCompilerFor();
    // Where "lib" looks for a file that is not found by its own name; the
    // program's folder unless set.
    void SetLibraryFolder(const std::string& folder) { libraryFolder_ = folder; }
    // Copies the compiled MacroObject part into target.
    void LinkProgram(MacroObject& target) const;

    [[noreturn]] void SyntaxError(int position);
    [[noreturn]] void UndefinedIdentifierError(int position, const std::string& name);

protected:
    // --- scanning -------------------------------------------------------------
    void StartText(std::string_view text);
    void NextToken();
    // Moves the scan to position and reads the token there.
    void ScanFrom(int position);
    bool Is(std::string_view s) const { return !stringToken_ && token_ == s; }
    bool AtEnd() const { return !stringToken_ && token_.empty(); }
    // Reads the expected token, else the syntax error.
    void Expect(std::string_view s);
    [[noreturn]] void SyntaxErrorHere() { SyntaxError(errorPosition_); }

    // --- scopes and symbols ---------------------------------------------------
    void OpenScope();
    void CloseScope();
    void DiscardScopes();
    int ScopeLevel() const;
    const Symbol* FindSymbol(const std::string& name) const;
    // Declares in the innermost scope (the caller checks for doubles).
    Symbol& Declare(const Symbol& symbol);
    bool DeclaredInCurrentScope(const std::string& name) const;

    // --- expressions ----------------------------------------------------------
    // Compiles an expression list in the scopes that are open; the first
    // token must have been read. Returns the number of expressions.
    int ExpressionList(bool discard);
    void Expression();
    // "(" expression list ")": the number of expressions.
    int ArgumentList(bool discard);
    // After "[": the index of an array; then "]".
    void Index(const Symbol& array);
    // The comparison loop with the left side already on the value stack.
    void ComparisonTail();
    // Begins a compilation of text in the scopes that are open.
    void BeginExpressionText(const std::string& text);
    // END, then the code is finished.
    void EndCode();

    // For statements: the target of "break", "next", "stop" (kNoLabel: none,
    // which is the syntax error).
    void EmitJumpTo(int op, int label);

    AppState& state_;
    const MacroLibraryLink* library_;
    int errorPosition_ = 0;
    int tokenStart_ = 0;
    int dataOffset_ = 0;
    int sourceLength_ = 0;
    int breakLabel_ = kNoLabel;
    int nextLabel_ = kNoLabel;
    int exitLabel_ = kNoLabel;
    int endLabel_ = kNoLabel;
    std::string token_;
    std::string_view text_;
    std::string ownText_;
    bool stringToken_ = false;
    bool valueLeft_ = false;

private:
    struct Scope {
        std::vector<Symbol> symbols;  // in declaration order
        int level = 0;
    };

    // Precedence levels, lowest first.
    void OrLevel();
    void AndLevel();
    void NotLevel();
    void CompareLevel();
    void AddLevel();
    void MulLevel(bool ownTermOnly);
    void PowLevel();
    void SignLevel();
    void Primary();

    // Folding (macro_folding.cpp): true when the level was compiled as one
    // constant.
    bool FoldSum();
    bool FoldLeadingTerms(bool ownTermOnly);
    // A whole argument ended by "," or ")" made of constants only: its value,
    // with the scan moved past it.
    bool ConstantArgument(double& value);

    // Primaries (macro_primaries.cpp and macro_data_primaries.cpp).
    void NumberPrimary();
    void IncrementPrimary(int code);
    void IdentifierPrimary();
    void FunctionCall(int f);
    void IncDec(bool dec);
    void DeclaredName(const Symbol& symbol);
    void ModuleCall(const Symbol& module);
    // After "@"; prefixCode -2 or -1 for "++" or "--" in front, else 0.
    void UserPrimary(int prefixCode);
    int UserBank();
    void UserFunctionCall(int f, int bank);
    void LibraryCall();
    void PolyPrimary();
    void FormatPrimary();
    void ResultAccess();
    void DataRange();
    void ArrayRange();
    void RangeBounds(double defaultLast);
    int RangeSuffix();
    // The data set's index of the current token's name; the syntax error
    // without a data set, the undefined-identifier error for another name.
    int DataVariableIndex();
    bool IsDataVariableName() const;
    Reg* Model() const;
    // The symbol the current token names, else the undefined-identifier
    // error; the token is not consumed.
    Symbol DeclaredSymbol();
    // "(" [expression list] ")" where the list may be empty.
    int OptionalArgumentList();
    std::string Context(int position) const;

    // Program structure (macro_program.cpp).
    void MacroHeader();
    void MacroParameters();
    // Sections before a body: "var", "module", "lib" (program level) or
    // "dim" (module level).
    void Sections(bool moduleLevel);
    void VarSection();
    void ModuleSection();
    // The module's arguments up to ")", declared in the open scope; returns
    // their words.
    int ModuleArguments(std::vector<std::pair<std::uint8_t, std::uint8_t>>& table);
    // The current token as a name to declare (consumed).
    std::string NewName();
    void LibSection();
    void DimSection();
    // The compiled "{" statements "}" after the current token "{".
    void Block();
    void BlockPrimary();
    void DefBlock();

    // Statements (macro_statements.cpp, macro_control.cpp).
    void Statement();
    void KeywordStatement(int keyword);
    // "(" expressions ")" as a condition.
    void Condition();
    void IfStatement();
    void WhileStatement();
    void DoStatement();
    void ForStatement();
    void LoopStatement();
    void SelectStatement();
    void CaseStatement();
    void TryStatement();
    void ReturnStatement();
    // "throw", "return", "stop": true when an expression follows.
    bool ValueFollows() const;
    void SwapStatement();
    void ReadStatement();
    void WriteStatement();
    void ErrorStatement();
    // A statement body run with a loop's break and next labels.
    void LoopBody(int breakLabel, int nextLabel);

    // "mat" and "%" commands (macro_commands.cpp).
    void MatStatement();
    void Command();
    // The array the current token names (consumed).
    Symbol ArrayName();

    std::vector<Scope> scopes_;
    std::unique_ptr<CalcStr> probe_;
    int nesting_ = 0;
    // "def" frames open since the innermost module body (or the program).
    int defFrames_ = 0;
    bool inModule_ = false;
    // Open selects and catch parts where "case" may stand.
    int caseDepth_ = 0;
    std::string libraryFolder_;
};

// CMacro: the macro host. Compiles and runs macro sources for the macro
// window, and evaluates the formulas typed into numeric fields
// (EvaluateExpression), so that a field takes a formula as well as a
// number. Errors are shown here, each with its prefix, and never reach the
// caller; Done() tells whether the last request completed.
//
// The host's own MacroObject part holds the program last compiled by
// RunMacroSource or CompileOnly (the macro window lists it); expressions
// are compiled apart and never replace it.
#pragma once

#include <memory>
#include <string>

#include "macro/macro_compile.h"
#include "macro/macro_run.h"

class AppState;
class MacroList;

class CMacro : public MacroCompile {
public:
    static constexpr const char* kRunErrorPrefix = "【実行時エラー】\n";
    static constexpr const char* kExpressionErrorPrefix = "【式実行時エラー】\n";
    static constexpr const char* kCompileErrorPrefix = "【コード変換エラー】\n";

    // library: what "@~" compiles against and MOD calls; may be set later.
    explicit CMacro(AppState& state, MacroList* library = nullptr);
    ~CMacro() override;

    void SetLibrary(MacroList* library);
    MacroList* Library() const { return list_; }

    // Compiles the text as a program and runs it. An error is shown as
    // "【実行時エラー】\n" + its message and added to the output text.
    void RunMacroSource(const std::string& source);
    // The value of the text compiled as an expression and run: the value it
    // leaves, else the current value preset by SetCurrentValue. An empty
    // text gives 0.0 and runs nothing. An error is shown as
    // "【式実行時エラー】\n" + its message and the current value is returned.
    double EvaluateExpression(const std::string& text);
    // Compiles the text as a program without running it; an error is shown
    // as "【コード変換エラー】\n" + its message.
    void CompileOnly(const std::string& source);

    // True when the last request completed; false while it runs and after
    // an error.
    bool Done() const { return done_; }

    // The value "@@" reads; callers preset it right before an evaluation.
    void SetCurrentValue(double x) { run_.SetCurrentValue(x); }
    double CurrentValue() const { return run_.CurrentValue(); }
    // The text the last run wrote, with the message of its error.
    const std::string& OutputText() const { return output_; }
    // The host's interpreter (the macro window's debugger steps on it).
    MacroRun& Run() { return run_; }

private:
    // The interpreter for a request: the host's, or one of its own while the
    // host's holds a run or a stepped session.
    MacroRun& FreeRun(std::unique_ptr<MacroRun>& spare);
    void ShowError(const char* prefix, const std::string& message);

    MacroList* list_ = nullptr;
    MacroRun run_;
    std::unique_ptr<MacroCompile> expression_;
    AppState& hostState_;
    std::string output_;
    bool done_ = false;
};

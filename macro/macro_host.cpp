#include "macro/macro_host.h"

#include <new>

#include "core/settings/file_services.h"
#include "eval/app_state.h"
#include "macro/macro_list.h"
#include "platform/ui_services.h"

CMacro::CMacro(AppState& state, MacroList* library)
    : MacroCompile(state, library), list_(library), run_(state), hostState_(state) {
    SetLibrary(library);
}

CMacro::~CMacro() = default;

void CMacro::SetLibrary(MacroList* library) {
    list_ = library;
    library_ = library;
    run_.SetLibrary(library);
    expression_ = std::make_unique<MacroCompile>(hostState_, library);
}

MacroRun& CMacro::FreeRun(std::unique_ptr<MacroRun>& spare) {
    if (!run_.IsRunning()) return run_;
    spare = std::make_unique<MacroRun>(hostState_);
    spare->SetLibrary(list_);
    spare->SetCurrentValue(run_.CurrentValue());
    return *spare;
}

void CMacro::ShowError(const char* prefix, const std::string& message) {
    ErrorBox(hostState_.Services(), prefix + message);
}

void CMacro::RunMacroSource(const std::string& source) {
    done_ = false;
    if (source.empty()) return;
    std::unique_ptr<MacroRun> spare;
    MacroRun* run = nullptr;
    std::string message;
    try {
        CompileProgram(source);
        MacroObject program;
        LinkProgram(program);
        run = &FreeRun(spare);
        run->Run(program);
        output_ = run->OutputText();
        done_ = true;
        return;
    } catch (const std::bad_alloc&) {
        message = EOutOfMemory().Message();
    } catch (const std::exception& e) {
        message = e.what();
    }
    // What the run wrote before the error stays, followed by the message.
    output_ = run != nullptr ? run->OutputText() : std::string();
    output_ += message;
    if (run != nullptr) run->AppendOutput(message);
    ShowError(kRunErrorPrefix, message);
}

double CMacro::EvaluateExpression(const std::string& text) {
    if (text.empty()) {
        // Completed: an empty field reads as 0.
        done_ = true;
        return 0.0;
    }
    done_ = false;
    std::unique_ptr<MacroRun> spare;
    MacroRun& run = FreeRun(spare);
    // A failed formula leaves the field's preset value, not what the broken
    // run had on its stack.
    const double preset = run.CurrentValue();
    try {
        expression_->CompileExpression(text);
        MacroObject program;
        expression_->LinkProgram(program);
        run.Run(program);
        done_ = true;
        return run.CurrentValue();
    } catch (const std::bad_alloc&) {
        run.SetCurrentValue(preset);
        ShowError(kExpressionErrorPrefix, EOutOfMemory().Message());
    } catch (const std::exception& e) {
        run.SetCurrentValue(preset);
        ShowError(kExpressionErrorPrefix, e.what());
    }
    return preset;
}

void CMacro::CompileOnly(const std::string& source) {
    done_ = false;
    try {
        CompileProgram(source);
        done_ = true;
    } catch (const std::bad_alloc&) {
        ShowError(kCompileErrorPrefix, EOutOfMemory().Message());
    } catch (const std::exception& e) {
        ShowError(kCompileErrorPrefix, e.what());
    }
}

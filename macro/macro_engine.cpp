#include "macro/macro_engine.h"

#include "eval/app_state.h"

MacroEngine::MacroEngine(AppState& state) : host(state), library(state) { host.SetLibrary(&library); }

MacroEngine& GetMacroEngine(AppState& state) {
    if (state.Macros() == nullptr)
        state.SetMacros(MacroEngineOwner(new MacroEngine(state), [](MacroEngine* engine) { delete engine; }));
    return *state.Macros();
}

// The program's macro engine: the one macro host and the one macro library,
// kept by the application state for the whole run. The host is made first
// and goes last.
#pragma once

#include "macro/macro_host.h"
#include "macro/macro_list.h"

class AppState;

class MacroEngine {
public:
    explicit MacroEngine(AppState& state);
    MacroEngine(const MacroEngine&) = delete;
    MacroEngine& operator=(const MacroEngine&) = delete;

    CMacro host;
    MacroList library;
};

// The state's macro engine, made on first use.
MacroEngine& GetMacroEngine(AppState& state);

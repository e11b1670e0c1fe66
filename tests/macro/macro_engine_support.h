// A state with scripted services and its macro engine.
#pragma once

#include <string>
#include <vector>

#include "eval/app_state.h"
#include "macro/macro_engine.h"
#include "support/scripted_services.h"

struct EngineFixture {
    ScriptedServices services;
    AppState state;
    MacroEngine& engine;
    CMacro& host;
    MacroList& library;

    EngineFixture() : engine(GetMacroEngine(state)), host(engine.host), library(engine.library) {
        state.SetServices(&services);
    }

    // Texts of the message boxes shown, in order.
    std::vector<std::string> Messages() const {
        return services.MessageTexts();
    }
};

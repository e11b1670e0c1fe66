// An engine context whose user-interface services are scripted, for model
// tests that count the message boxes an action shows.
#pragma once

#include <string>
#include <vector>

#include "core/settings/engine_context.h"
#include "support/scripted_services.h"

struct WatchedContext {
    ScriptedServices ui;
    EngineContext context;
    WatchedContext() { context.SetServices(&ui); }
    // The message boxes shown since the last look.
    std::vector<std::string> Messages() {
        std::vector<std::string> texts = ui.MessageTexts();
        ui.ClearCalls();
        return texts;
    }
};

// Hand-assembled macro programs and a run that reports what it left.
#pragma once

#include <string>

#include "eval/app_state.h"
#include "macro/macro_object.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"
#include "support/scripted_services.h"

// A number, array or text variable of the outermost frame at offset.
inline VariableRef Var(int offset, std::uint8_t kind = vkNumber, int level = 0) {
    return VariableRef{0, kind, level, offset};
}

// Program pieces.
inline void Ldi(MacroObject& m, double x) { m.EmitNumber(opLDI, x); }
inline void Lsi(MacroObject& m, const std::string& utf8) { m.EmitShortText(opLSI, utf8); }
inline void Main(MacroObject& m, int size) { m.EmitTwoInts(opMCR, 0, size); }
inline void Jump(MacroObject& m, int op, int label) { m.EmitInt(op, label); }
inline void End(MacroObject& m) {
    m.Emit(opEND);
    m.FinishCode();
}

// A stop request after a number of polls.
class StoppingServices : public ScriptedServices {
public:
    int stopAfterPolls = -1;
    int polls = 0;
    bool StopRequested() override { return stopAfterPolls >= 0 && ++polls > stopAfterPolls; }
};

struct RunFixture {
    StoppingServices services;
    AppState state;
    MacroRun run{state};

    RunFixture() {
        services.SetFailOnUnusedAnswers(false);
        state.SetServices(&services);
    }

    // Runs the program; the run-time error text, empty when none.
    std::string Run(const MacroObject& m) {
        try {
            run.Run(m);
        } catch (const Exception& e) {
            return e.Message();
        }
        return {};
    }
};

// The analysis commands of the main window: which registered window each
// command opens, what it needs before the window opens, what it fills the
// window with and what the main window refreshes afterwards.
//
// A command whose window is not registered stays disabled; once it is, the
// command checks its preconditions, creates the window, fills it from the
// current model and runs it modally (the main window takes no input
// meanwhile), refreshes what the table names, and the window is destroyed
// when the command ends, whatever happens on the way.
#pragma once

#include <string>
#include <vector>

#include "components/view/launch_request.h"
#include "components/view/window_registry.h"

// What a command needs before its window opens; a command whose need is
// not met does nothing.
enum class LaunchNeed { Nothing, Data, TwoVariables, TwoExplanatory, Equations };

// What the command fills the window with besides the model.
enum class LaunchFill { None, Model, MultiCollinearity, RobustWeights, AutoRegressive, Restrictions, ReducedForm, Chow,
                        Ridge, Instrumental };

// What the main window refreshes after the window closed.
enum LaunchAfter : unsigned {
    kAfterNothing = 0,
    kAfterEstimates = 1u << 0,   // the estimation-method indicators and the estimates page
    kAfterVariables = 1u << 1,   // the variable list and the visible page
    kAfterPage = 1u << 2,        // the visible page
};

struct LaunchCommand {
    const char* command;      // action or button name
    const char* windowClass;  // registered window
    LaunchNeed need;
    LaunchFill fill;
    bool showAlways;          // shown whatever the fill returned
    const char* failMessage;  // error box when the fill returns false (or null)
    unsigned after;
    // The window starts from the main fit (its figures or its design): it
    // is refused while the model has no estimate.
    bool fromFit = false;
};

// The analysis commands of the main window.
const std::vector<LaunchCommand>& LaunchCommands();
// The command of that name, or null.
const LaunchCommand* FindLaunchCommand(const std::string& command);

// The transformation commands: kind 0..5 by action name, and the window of
// each kind.
struct TransformationCommand {
    const char* command;
    int kind;
};
const std::vector<TransformationCommand>& TransformationCommands();
const char* TransformationWindowClass(int kind);

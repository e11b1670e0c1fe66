// What one evaluation shares among the evaluators it starts for the bodies of
// the user functions it calls: the nesting depth, the running user function
// and how many calls of each are running. The application state keeps one.
#pragma once

#include <vector>

class Reg;

struct EvalRunState {
    // The data set formulas read instead of the open one: a data file's own
    // variables while the file is read. Null otherwise.
    Reg* fileData = nullptr;
    // Parentheses, conditionals, arguments and user-function calls, counted
    // over every evaluator instance.
    int nestingDepth = 0;
    // Set when the nesting limit was passed, until the outermost level has
    // returned.
    bool nestingExceeded = false;
    // The function whose body is being evaluated, -1 when none.
    int currentUserFunction = -1;
    // Running calls per user function.
    std::vector<int> activeCalls;
    // Running bodies over all functions, and whether the depth limit was hit
    // below the outermost call.
    int callDepth = 0;
    bool depthExceeded = false;
    // User-function calls running, and those made in this evaluation.
    int runningCalls = 0;
    long userCalls = 0;
};

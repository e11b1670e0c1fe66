// How the expression evaluator reaches the ten user functions.
//
// An "@" name that is not a user scalar calls a user function, and the "$n"
// forms read and write the slot array (parameters, then locals) of the
// function whose body is running. The application state's user-function
// table implements this link.
#pragma once

#include <string>
#include <vector>

#include "eval/eval_run_state.h"

class UserFunctionLink {
public:
    virtual ~UserFunctionLink() = default;
    // Index 0..9 of the function with that name, -1 when none.
    virtual int Find(const std::string& name) const = 0;
    virtual int ParameterCount(int f) const = 0;
    // Parameters plus locals.
    virtual int SlotCount(int f) const = 0;
    virtual double GetSlot(int f, int i) const = 0;
    virtual void SetSlot(int f, int i, double value) = 0;
    // Runs the body of function f (normally through a temporary CalcStr's
    // EvaluateUserFunction) and returns its value. The caller has already
    // made f the current user function and written its arguments.
    virtual double Evaluate(int f) = 0;
};

// Calls of user functions one top-level evaluation may make. A body calling
// itself twice per level stays within the depth limit and would still make
// 2^depth calls.
inline constexpr long kMaxUserCallsPerEvaluation = 1000000;
// Starts a fresh budget, unless a user-function call is running (an
// evaluation inside a body spends the budget of the one that called it).
void StartUserCallBudget(EvalRunState& run);
// Counts one call; false for the call past the budget and every one after it.
bool SpendUserCall(EvalRunState& run);
bool UserCallBudgetSpent(const EvalRunState& run);

// Keeps the slots of user function f and the current-function index while a
// call runs, and puts them back afterwards (also when an exception passes),
// so that a call of f from anywhere down a running f's chain (recursion,
// mutual recursion, element functions) leaves the running f's arguments and
// locals as they were.
class UserCallScope {
public:
    UserCallScope(EvalRunState& run, UserFunctionLink& link, int f);
    ~UserCallScope();
    UserCallScope(const UserCallScope&) = delete;
    UserCallScope& operator=(const UserCallScope&) = delete;

private:
    EvalRunState& run_;
    UserFunctionLink& link_;
    int f_;
    int previous_;
    std::vector<double> saved_;
};

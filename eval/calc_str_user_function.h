// How the expression evaluator reaches the ten user functions.
//
// An "@" name that is not a user scalar calls a user function, and the "$n"
// forms read and write the slot array (parameters, then locals) of the
// function whose body is running. The user-function table implements this
// link and installs it at start-up; until then every "@" function name is
// undefined and there are no slots.
#pragma once

#include <string>

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

// The caller keeps ownership; nullptr removes the link.
void InstallUserFunctionLink(UserFunctionLink* link);
UserFunctionLink* InstalledUserFunctionLink();

// The function whose body is being evaluated, -1 when none.
int CurrentUserFunctionIndex();
void SetCurrentUserFunctionIndex(int f);

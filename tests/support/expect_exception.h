// A check for the program's errors by their message: the action must throw
// an Exception (of any family) carrying exactly that text.
#pragma once

#include <functional>
#include <string>

// Fails the running test, naming `label`, when the action returns normally
// or throws an Exception with another message; any other exception passes
// through to the test.
void ExpectExceptionMessage(const std::function<void()>& action, const std::string& message,
                            const std::string& label);

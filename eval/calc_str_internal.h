// Helpers shared by the source files of CalcStr; not for other callers.
#pragma once

#include <string>

class Reg;

namespace calc_str_detail {

// Counts nesting over every evaluator instance, so a user function calling
// itself is bounded together with the parentheses of its body.
class NestingGuard {
public:
    NestingGuard();
    ~NestingGuard();
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    // False once the nesting limit is passed.
    bool Ok() const { return ok_; }

private:
    bool ok_;
};

// Runs the installed influence preparer, if any.
void PrepareInfluence(Reg& reg);

// A whole token as a decimal integer; EConvertError otherwise.
int TokenToInt(const std::string& token);

}  // namespace calc_str_detail

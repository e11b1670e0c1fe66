// Keeps the nesting of the macro compiler's recursive descent within its
// bound.
#pragma once

#include "macro/macro_compile.h"

class NestingGuard {
public:
    NestingGuard(int& depth, MacroCompile& compiler, int position) : depth_(depth) {
        if (++depth_ > MacroCompile::kMaxNesting) {
            --depth_;
            compiler.SyntaxError(position);
        }
    }
    ~NestingGuard() { --depth_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

private:
    int& depth_;
};

// A compiler of expressions with a few declared names, for the expression
// tests: numbers x (0:4), b (0:6) and c (0:8), the array arr (0:10), the
// text s (0:14), the module m (body at 40; a number, an array and a number
// by reference) and the module p without arguments (body at 60).
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "macro/macro_compile.h"

class ScopedExpressionCompiler : public MacroCompile {
public:
    using MacroCompile::MacroCompile;

    // Compiles the text as an expression list in the scope of those names.
    void Compile(const std::string& text) {
        DiscardScopes();
        OpenScope();
        Declare(Variable("x", vkNumber, 4));
        Declare(Variable("b", vkNumber, 6));
        Declare(Variable("c", vkNumber, 8));
        Declare(Variable("arr", vkArray, 10));
        Declare(Variable("s", vkText, 14));
        Symbol m = Variable("m", vkModule, 40);
        m.arguments = {{vkNumber, 0}, {vkArray, 0}, {vkNumber, 1}};
        m.size = 3;
        Declare(m);
        Declare(Variable("p", vkModule, 60));
        BeginExpressionText(text);
        ExpressionList(true);
        EndCode();
        DiscardScopes();
    }

    // A "break" outside any loop.
    void JumpWithoutTarget(const std::string& text) {
        BeginExpressionText(text);
        EmitJumpTo(4, breakLabel_);
    }

private:
    static Symbol Variable(const std::string& name, std::uint8_t kind, int offset) {
        Symbol s;
        s.name = name;
        s.kind = kind;
        s.offset = offset;
        return s;
    }
};

// A macro library of named macros with their parameter counts.
class FakeLibrary : public MacroLibraryLink {
public:
    void Add(const std::string& name, int parameters) {
        entries_.emplace_back(name, parameters);
    }
    int FindMacro(const std::string& name) const override {
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (entries_[i].first == name) return static_cast<int>(i);
        return -1;
    }
    int ParameterCount(int index) const override { return entries_.at(static_cast<std::size_t>(index)).second; }

private:
    std::vector<std::pair<std::string, int>> entries_;
};

// The listing of an expression (empty name) from its lines.
inline std::string ExpressionListing(const std::vector<std::string>& lines) {
    std::string out = "***  ***";
    for (const std::string& l : lines) out += "\r\n" + l;
    return out + "\r\n";
}

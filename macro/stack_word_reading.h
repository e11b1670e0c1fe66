// One word of a macro run's word stack read three ways, for the debugger's
// stack value dialog: as an integer, as the double that starts there and as
// the text that starts there. Only words below the stack pointer are read.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class MacroRun;

struct StackWordReading {
    int index = 0;
    std::int32_t integer = 0;
    // Words index and index + 1; none when the second is not on the stack.
    std::optional<double> real;
    // UTF-8. Empty unless the bytes from the word on hold a CP932 text of at
    // most 31 bytes whose terminating 0 byte lies below the stack pointer.
    std::string text;
};

// Word i of a stack of sp words, each read through word(i). Nothing for an
// index outside 0 .. sp - 1.
std::optional<StackWordReading> ReadStackWord(int sp, const std::function<std::int32_t(int)>& word, int i);

// The same on the run's current stack.
std::optional<StackWordReading> ReadStackWord(const MacroRun& run, int i);

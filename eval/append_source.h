// Another data file read for appending its observations to the open data
// set: only the variables whose names the open data set has are kept. The
// read data set lives in a state of its own, so row conditions typed over
// it are evaluated against its values, and reading it never touches the
// program's colours, user scalars or model.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "eval/app_state.h"

class Data;
class Reg;

inline constexpr const char* kNothingToAppend = "追加すべき変数がありません。";

class AppendSource {
public:
    // Reads the whole file (binary form for ".MDF" with the magic, text form
    // otherwise) through the program's readers. Read errors propagate; no
    // common variable raises Exception(kNothingToAppend).
    AppendSource(AppState& program, const Data& current, const std::string& fileName);
    AppendSource(const AppendSource&) = delete;
    AppendSource& operator=(const AppendSource&) = delete;

    const Reg& Shown() const { return *scratch_.Model(); }
    int ObservationCount() const;

    // One flag per shown observation: whether the condition holds there.
    std::vector<std::uint8_t> ConditionMarks(const std::string& condition);
    // One flag per shown observation: listed by 1-based numbers and
    // "[i..j]" ranges.
    std::vector<std::uint8_t> ListedRows(const std::string& list);

private:
    AppState scratch_;
};

#include "macro/macro_debugger.h"

#include <limits>

#include "platform/errors.h"

std::vector<std::string> SplitListing(const std::string& listing) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < listing.size()) {
        std::size_t end = listing.find('\n', from);
        if (end == std::string::npos) end = listing.size();
        std::size_t cut = end;
        if (cut > from && listing[cut - 1] == '\r') --cut;
        lines.push_back(listing.substr(from, cut - from));
        from = end + 1;
    }
    return lines;
}

int ListingLineAddress(const std::string& line) {
    long long value = 0;
    std::size_t i = 0;
    // At most ten digits: code addresses are ints.
    while (i < line.size() && i < 10 && line[i] >= '0' && line[i] <= '9') {
        value = value * 10 + (line[i] - '0');
        ++i;
    }
    if (i == 0 || value > std::numeric_limits<int>::max()) return MacroDebugger::kNoAddress;
    if (line.compare(i, 2, " :") != 0) return MacroDebugger::kNoAddress;
    return static_cast<int>(value);
}

MacroDebugger::MacroDebugger(AppState& state) : run_(state) {}

void MacroDebugger::Load(const MacroObject& compiled) {
    Finish();
    program_ = compiled;
    lines_ = SplitListing(program_.ListCode());
    addresses_.clear();
    addresses_.reserve(lines_.size());
    for (const std::string& line : lines_) addresses_.push_back(ListingLineAddress(line));
    pc_ = 0;
    currentLine_ = 1;
}

int MacroDebugger::LineAddress(int line) const {
    if (line < 0 || line >= static_cast<int>(addresses_.size())) return kNoAddress;
    return addresses_[static_cast<std::size_t>(line)];
}

int MacroDebugger::LineOfAddress(int address) const {
    for (std::size_t i = 0; i < addresses_.size(); ++i)
        if (addresses_[i] == address) return static_cast<int>(i);
    return kNoAddress;
}

void MacroDebugger::SelectLine(int line) {
    const int address = LineAddress(line);
    if (address == kNoAddress) return;
    currentLine_ = line;
    pc_ = address;
}

void MacroDebugger::Finish() {
    if (run_.IsRunning()) run_.Finish();
    running_ = false;
}

void MacroDebugger::Reset() {
    Finish();
    running_ = true;
    pc_ = 0;
    currentLine_ = 1;
}

void MacroDebugger::StartRun() {
    run_.Start(program_);
    running_ = true;
}

bool MacroDebugger::Step() {
    if (!CanStep()) return false;
    if (pc_ == 0 || (running_ && !run_.IsRunning())) {
        pc_ = 0;
        StartRun();
    }
    if (!running_) return false;
    bool more = false;
    try {
        more = run_.Execute(program_, pc_);
    } catch (...) {
        // The stacks of a failed instruction are not worth stepping on.
        Finish();
        throw;
    }
    if (!more) {
        Finish();
        return true;
    }
    // Keep the current line when no listing line has the new address.
    const int line = LineOfAddress(pc_);
    if (line != kNoAddress) currentLine_ = line;
    return false;
}

void MacroDebugger::RunToLine(int target) {
    if (!CanStep()) return;
    if (!running_) {
        Finish();
        running_ = true;
        pc_ = 0;
        currentLine_ = 1;
    }
    // Each step runs one instruction; an endless macro is ended by the stop
    // request that the interpreter polls.
    while (running_ && !Step()) {
        if (currentLine_ == target) break;
    }
}

void MacroDebugger::RunToEnd() {
    if (!CanStep()) return;
    if (!running_ || !run_.IsRunning()) {
        // A run that never started begins at the top.
        running_ = true;
        pc_ = 0;
    } else {
        const int address = LineAddress(currentLine_);
        if (address != kNoAddress) pc_ = address;
    }
    while (running_ && !Step()) {
    }
}

// MacroDebugger: single-stepping of one compiled macro on an interpreter of
// its own, so that expressions evaluated meanwhile (input fields, the
// prompt) never touch the stacks being shown. It keeps the listing lines
// with their code addresses, the program counter and the current line.
#pragma once

#include <string>
#include <vector>

#include "macro/macro_object.h"
#include "macro/macro_run.h"

class AppState;

class MacroDebugger {
public:
    // Listing line that stands for "no line" in address look-ups.
    static constexpr int kNoAddress = -1;

    explicit MacroDebugger(AppState& state);

    // Takes a copy of a compiled macro and its listing; a run in progress is
    // finished. Code left unfinished by a failed compilation is listed but
    // never stepped.
    void Load(const MacroObject& compiled);
    const MacroObject& Program() const { return program_; }
    bool CanStep() const { return program_.IsFinished(); }

    const std::vector<std::string>& Lines() const { return lines_; }
    int LineCount() const { return static_cast<int>(lines_.size()); }
    // The code address printed at the head of a listing line; kNoAddress for
    // the header and for a line outside the listing.
    int LineAddress(int line) const;
    // The first line listing that address, kNoAddress when none.
    int LineOfAddress(int address) const;

    int ProgramCounter() const { return pc_; }
    int CurrentLine() const { return currentLine_; }
    bool Running() const { return running_; }

    // The user picked a listing line: the next step starts there. A line
    // without an address leaves the program counter as it was.
    void SelectLine(int line);
    // Finishes any run; the next step starts the program from address 0.
    void Reset();
    // One instruction (a run is started first when the program counter is
    // 0). True when the program ended with it. Nothing happens while no run
    // is under way. A run-time error finishes the run and is passed on.
    bool Step();
    // Steps until the current line is target or the program ends.
    void RunToLine(int target);
    // Runs the rest of the program from the current line.
    void RunToEnd();
    // Ends a stepped run, leaving its current value behind.
    void Finish();

    // The library that library calls of the stepped macro reach.
    void SetLibrary(MacroLibraryCalls* library) { run_.SetLibrary(library); }

    const MacroRun& Interpreter() const { return run_; }
    const std::string& OutputText() const { return run_.OutputText(); }

private:
    void StartRun();

    MacroRun run_;
    MacroObject program_;
    std::vector<std::string> lines_;
    std::vector<int> addresses_;
    int pc_ = 0;
    int currentLine_ = 1;
    bool running_ = false;
};

// Splits a listing (lines ended by CR LF or LF) into its lines.
std::vector<std::string> SplitListing(const std::string& listing);
// The decimal number before " :" at the head of a listing line, or
// MacroDebugger::kNoAddress.
int ListingLineAddress(const std::string& line);

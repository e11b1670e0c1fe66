// MacroRun: the interpreter of compiled macros. A stack machine with a value
// stack of typed cells and a word stack (MacroStack) for variables, frames,
// loop and select frames and arrays. Execute runs one instruction, so a
// debugger can step the same code path that Run uses.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "macro/macro_object.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_stack.h"

class AppState;
class MacroLibraryCalls;
class Reg;

// One value-stack cell.
struct MacroCell {
    enum Kind : std::uint8_t { kNumber = 0, kAddress = 1, kRange = 2, kText = 3 };
    // Where the elements of a range come from.
    enum Source : std::uint8_t { kArray = 0, kData = 1, kDesign = 2, kResult = 3, kDescriptor = 4 };

    Kind kind = kNumber;
    Source source = kArray;
    double number = 0.0;
    std::int32_t ints[4] = {};  // address; range: first word/variable, function, first, last
    char text[MacroStack::kTextWords * 4] = {};
};

static_assert(std::endian::native == std::endian::little, "code operands are read in place");

class MacroRun {
public:
    static constexpr int kArgumentSlots = 10;
    // Instructions between two polls for a stop request.
    static constexpr int kPollInterval = 4096;
    // Runs within runs (a library macro calling another, an expression
    // evaluated while a macro runs).
    static constexpr int kMaxNesting = 16;
    // The value stack holds at most this many cells.
    static constexpr int kMaxCells = 1 << 20;

    explicit MacroRun(AppState& state);
    ~MacroRun();
    MacroRun(const MacroRun&) = delete;
    MacroRun& operator=(const MacroRun&) = delete;

    // Start, Execute until the end, Finish (also when an exception leaves).
    void Run(const MacroObject& object);
    void Start(const MacroObject& object);
    // One instruction; false when the program has ended.
    bool Execute(const MacroObject& object, int& pc);
    void Finish();
    void Clear();

    double CurrentValue() const { return currentValue_; }
    void SetCurrentValue(double x);

    const std::string& OutputText() const { return output_; }  // UTF-8
    // Adds to the output text (the host appends the message of an error).
    void AppendOutput(const std::string& utf8) { output_ += utf8; }
    const std::string& NumberFormat() const { return numberFormat_; }

    // Arguments of the next run: an expression text (isText false) or a text.
    void SetArguments(const std::vector<std::string>& texts, const std::vector<bool>& isText);

    // The library that MOD calls; null: MOD is a run-time error.
    void SetLibrary(MacroLibraryCalls* library) { library_ = library; }
    MacroLibraryCalls* Library() const { return library_; }

    // Registers and stacks, for a debugger and for tests.
    int BP() const { return bp_; }
    int AP() const { return ap_; }
    int LP() const { return lp_; }
    int EP() const { return ep_; }
    int SP() const { return stack_ ? stack_->Count() : 0; }
    std::int32_t WordAt(int i) const;
    double DoubleAt(int i) const;
    std::string TextAt(int i) const;  // UTF-8
    int CellCount() const { return static_cast<int>(cellCount_); }
    int TryFrameCount() const { return static_cast<int>(tries_.size()); }
    bool IsRunning() const { return stack_ != nullptr; }

private:
    struct TryFrame {
        int bp, ep, sp;
    };

    bool Step(const MacroObject& object, int& pc);
    void RunLoop(const MacroObject& object);

    // --- value stack ------------------------------------------------------------
    MacroCell& PushCell(MacroCell::Kind kind) {
        if (cellCount_ >= cells_.size()) GrowCells();
        MacroCell& c = cells_[cellCount_++];
        c.kind = kind;
        c.source = MacroCell::kArray;
        return c;
    }
    void GrowCells();
    void PushNumber(double x) { PushCell(MacroCell::kNumber).number = x; }
    void PushAddress(int a) { PushCell(MacroCell::kAddress).ints[0] = a; }
    void PushText(const std::string& bytes);
    MacroCell& Top() {
        if (cellCount_ == 0) EmptyValueStack();
        return cells_[cellCount_ - 1];
    }
    [[noreturn]] static void EmptyValueStack();
    double PopNumber() {
        const MacroCell& c = Top();
        if (c.kind != MacroCell::kNumber) WrongCell(0);
        --cellCount_;
        return c.number;
    }
    [[noreturn]] static void WrongCell(int expected);
    int PopAddress();
    MacroCell PopRange();
    std::string PopText();
    void PopCell() {
        Top();
        --cellCount_;
    }
    bool TopIsText();

    // --- frames ------------------------------------------------------------------
    void OpenFrame(int level, int drop, int size);
    int FrameOfLevel(int level) const;
    int VariableWord(const std::uint8_t* ref) const {
        std::int32_t level, offset;
        std::memcpy(&level, ref + 2, sizeof level);  // little-endian hosts
        std::memcpy(&offset, ref + 6, sizeof offset);
        // The current frame's own variables need no walk.
        const int frame = bp_ >= 1 && bp_ + 2 < stack_->Count() && stack_->Word(bp_ + 2) == level ? bp_ : FrameOfLevel(level);
        const int w = frame + offset;
        return ref[0] != 0 ? stack_->Word(w) : w;
    }
    void LeaveFrame();
    void CloseFramesAbove(int sp);

    // --- instruction groups ------------------------------------------------------
    // The data instructions; returns the next address.
    int ExecuteData(int op, int at);
    void Operator(int op);
    void Interval(const std::uint8_t* p);
    void EnterMain(const MacroObject& object, int size, int address);
    void Load(const std::uint8_t* ref, int address);
    void Store(const std::uint8_t* ref, int address);
    void Reference(const std::uint8_t* ref, int address);
    void ArrayIndex(const std::uint8_t* ref, int address);
    void DeclareArray(const std::uint8_t* sref, int address);
    int PopElementWord(int var, int address);
    static double ApplyAssign(int code, double x, double v, double& stored);
    void Blanks();
    void ArrayRange(const std::uint8_t* p, int address);
    void DataRange(const std::uint8_t* p, int address);
    std::vector<double> RangeValues(const MacroCell& c);
    std::vector<double> GatherArguments(int n);
    Reg& RequireModel(int address);
    bool IsDataBank(int bank) const;
    void LoadUser(int a, int bank, int address);
    void StoreUser(int a, int bank, int code, int address);
    void Function(int f, int count, int address);
    void StepVariable(const std::uint8_t* p, int address);
    void AssignOp(const std::uint8_t* p, int address);
    void Swap(const std::uint8_t* ref, int address);
    void ReadInput(const std::uint8_t* ref, int address);
    void Write();
    std::string FormatNumber(double x, const std::string& format) const;
    void DataRead(int a, int s, int address);
    void DataWrite(int a, int code, int address);
    // The word of element index (1-based) of the array at word var.
    int ElementWord(int var, int index, int address) const;
    void MatrixOp(const std::uint8_t* p);
    void CopyArray(int w, int address);
    void Reshape(int w, bool withColumns, int address);
    void MatrixFill(const std::uint8_t* p, int address);
    void PollStop(int pc);
    // MOD: n arguments, library index k; address of the instruction.
    void LibraryCall(int n, int k, int address);

    AppState& state_;
    int bp_ = 0, ap_ = 0, lp_ = 0, ep_ = 0;
    std::vector<MacroCell> cells_;
    std::size_t cellCount_ = 0;
    std::vector<TryFrame> tries_;
    std::unique_ptr<MacroStack> stack_;
    std::vector<std::uint8_t> codeCopy_;
    const std::uint8_t* code_ = nullptr;
    // The object being run (for the names noted at its library calls).
    const MacroObject* object_ = nullptr;
    MacroLibraryCalls* library_ = nullptr;
    int codeLength_ = 0;
    std::string output_;
    std::string numberFormat_;
    std::array<std::string, kArgumentSlots> argumentTexts_;
    std::array<std::uint8_t, kArgumentSlots> argumentKinds_{};
    int argumentCount_ = 0;
    double currentValue_ = 0.0;
    int untilPoll_ = kPollInterval;
    bool inRun_ = false;
};

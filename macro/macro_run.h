// MacroRun: the interpreter of compiled macros. A stack machine with a value
// stack of typed cells and a word stack (MacroStack) for variables, frames,
// loop and select frames and arrays. Start decodes the code once; Execute
// runs one instruction, so a debugger can step the code path that Run uses
// (Run also does a few common pairs of instructions at once, to the same
// effect). Within Run, cell writes re-estimate the model only when something
// reads it, and at the end.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
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
    // Range: the element function's further arguments, on the value stack
    // right below the range cell.
    std::int32_t extras = 0;
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
    // Bytes of zeros after the copied code: the longest instruction fits, so
    // operand reads after a checked op-code fetch stay inside the buffer.
    static constexpr int kCodePadding = 300;

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
    // Value-stack cell i, 0 the bottom one (i below CellCount()).
    const MacroCell& CellAt(int i) const { return cells_.at(static_cast<std::size_t>(i)); }
    int TryFrameCount() const { return static_cast<int>(tries_.size()); }
    bool IsRunning() const { return stack_ != nullptr; }

private:
    struct TryFrame {
        int bp, ep, sp;
        int start, end;  // code addresses of TRY and of its handler
    };
    // The code of a select or loop frame opened at a word-stack index: a
    // jump to an address outside start < address <= end leaves the frame.
    struct BlockSpan {
        int word, start, end;
    };

    // One instruction of the code being run, decoded once by Start: jump
    // targets as instruction indices, constants and variable operands read
    // out of their bytes.
    struct Decoded {
        std::int32_t address = 0;  // of the op-code; of the fetch for a fault
        std::int32_t target = 0;   // static jumps: the target's index
        std::int32_t level = 0;    // variable operand
        std::int32_t offset = 0;
        double number = 0.0;       // LDI
        std::uint8_t op = 0;
        // What Run executes: op, or a pair or triple of instructions from
        // here on done at once (the instructions after it stay as they are,
        // for jumps to them and for single steps).
        std::uint8_t runOp = 0;
        std::uint8_t binaryOp = 0;  // of a joined constant operand
        std::uint8_t reference = 0;
        std::uint8_t kind = 0;
        bool readsModel = true;    // needs the model estimated with its data
    };
    // A fetch outside the code or inside an instruction.
    static constexpr std::uint8_t kFetchFault = 0xFF;
    // Joined instructions: LDA (number) LDI op; LDI op; STA (number) POP;
    // LPR with the LPD it jumps to.
    // kLoadConstantOp + the operator for the arithmetic and comparisons.
    static constexpr std::uint8_t kLoadConstantOp = 0xC0;
    static constexpr std::uint8_t kConstantOp = 0xF1;
    static constexpr std::uint8_t kStorePop = 0xF2;
    static constexpr std::uint8_t kLoopNext = 0xF3;

    // joined: Run's cycle, which may do a joined group at once.
    template <bool joined>
    bool Step(const MacroObject& object, int& index);
    template <int op>
    int LoadConstant(const Decoded& d, int index);
    void JoinInstructions(int decoded);
    void RunLoop(const MacroObject& object);
    void Decode();
    Decoded DecodeAt(int address) const;
    int AddFault(int address);
    // The instruction index of a code address (a fault when none starts there).
    int IndexOf(int address) {
        if (address >= 0 && address < codeLength_) {
            const int i = indexOfAddress_[static_cast<std::size_t>(address)];
            if (i >= 0) return i;
        }
        faultAddress_ = address;
        return dynamicFault_;
    }
    int AddressOf(int index) const {
        return index == dynamicFault_ ? faultAddress_ : program_[static_cast<std::size_t>(index)].address;
    }

    // --- deferred estimation ----------------------------------------------------
    // Within Run, cell writes leave the re-estimation pending; it is done
    // before anything reads results or statistics, and at the end.
    void BringModelUpToDate();

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
        return VariableWord(ref[0], level, offset);
    }
    int VariableWord(int reference, int level, int offset) const {
        // The current frame's own variables need no walk.
        const int frame = bp_ >= 1 && bp_ + 2 < stack_->Count() && stack_->Word(bp_ + 2) == level ? bp_ : FrameOfLevel(level);
        const int w = frame + offset;
        return reference != 0 ? stack_->Word(w) : w;
    }
    void LeaveFrame();
    void CloseFramesAbove(int sp);
    // At END: what a "stop" inside a module or block left open is closed,
    // down to the main frame.
    void CloseAllFrames();
    // Records the code span of the select or loop frame at word.
    void NoteBlock(int word, int start, int end);
    void OpenSelectFrame(double value, int at, int end);
    void NoteLoop(int at);
    // Closes the loop, select and try frames of the current frame that a
    // jump to target leaves ("break", "next" without their frame ends).
    void LeaveBlocksFor(int target);
    bool BlocksOpenHere() const {
        return ap_ > bp_ || lp_ > bp_ || (!tries_.empty() && tries_.back().bp == bp_);
    }
    const BlockSpan* SpanAt(int word) const;
    bool SpanHolds(int word, int target) const;
    // ARG: n cells to the word stack, checked against what the callee
    // declares.
    void PassArguments(int n, int at);
    void CheckArgumentKinds(int n, int at) const;

    // --- instruction groups ------------------------------------------------------
    // The data instructions; returns the next address.
    int ExecuteData(int op, int at);
    int DataInstruction(int index);
    int OtherInstruction(const MacroObject& object, int index);
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
    // The values of a range cell already popped; pops its element
    // function's further arguments first.
    std::vector<double> RangeValues(const MacroCell& c);
    std::vector<double> SourceValues(const MacroCell& c);
    void MapElements(const MacroCell& c, const std::vector<double>& extras, std::vector<double>& values);
    std::vector<double> GatherArguments(int n);
    // The further arguments an element function takes from the value stack.
    int ElementExtras(int f, int address) const;
    // Pops the further arguments of an element function, then the bounds;
    // pushes the arguments back. Returns the 0-based first and last clamped
    // to 0 .. count - 1.
    std::pair<int, int> RangeBounds(int f, int count, int& extras, int address);
    Reg& RequireModel(int address);
    bool IsDataBank(int bank) const;
    void LoadUser(int a, int bank, int address);
    void StoreUser(int a, int bank, int code, int address);
    void Function(int f, int count, int address);
    void ScalarFunction(int f, int address);
    void VariableWideFunction(int f, int count, int address);
    void CallUserFunction(int f, int address);
    void ReadDesign(Reg& m, int a, int s, int address);
    void ReadResult(Reg& m, int a, int s, int address);
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

    // --- the "%" system commands ----------------------------------------------------
    // An array of the macro: its first element word and element count.
    struct ArraySlot {
        int first = 0;
        int count = 0;
    };
    void SysCommand(int command, int a, int b, int c, int address);
    ArraySlot SysArray(int level, int offset) const;
    // The first n elements (n above the element count: the range error).
    std::vector<double> ArrayValues(const ArraySlot& array, int n, int address) const;
    void StoreArrayValues(const ArraySlot& array, const std::vector<double>& values, int address);
    // A 1-based number popped and checked against 1 .. count: 0-based.
    int PopIndex(int count, int address);
    // A variable given by number or by name: its 0-based index.
    int PopVariable(const Reg& m, int address);
    void SysEditObservations(int command, int a, int b, int address);
    void SysEditVariables(int command, int a, int b, int address);
    void SysGroups(int command, int a, int address);
    void SysStoredValues(bool write, int a, int b, int address);
    void SysLoad(int address);
    void SysSave(int address);
    void SysUndoRedo(bool undo);
    void SysTrend(bool scale, int a, int b, int address);
    void SysFit(bool residual, int a, int b, int c, int address);

    AppState& state_;
    int bp_ = 0, ap_ = 0, lp_ = 0, ep_ = 0;
    std::vector<MacroCell> cells_;
    std::size_t cellCount_ = 0;
    std::vector<TryFrame> tries_;
    std::unique_ptr<MacroStack> stack_;
    std::vector<BlockSpan> spans_;
    std::vector<ArgumentDeclaration> declarations_;
    std::vector<std::uint8_t> codeCopy_;
    const std::uint8_t* code_ = nullptr;
    // The object being run (for the names noted at its library calls).
    const MacroObject* object_ = nullptr;
    MacroLibraryCalls* library_ = nullptr;
    int codeLength_ = 0;
    std::vector<Decoded> program_;
    std::vector<std::int32_t> indexOfAddress_;
    int dynamicFault_ = 0;
    int faultAddress_ = 0;
    // Set by Run: cell writes leave the estimation to BringModelUpToDate.
    bool deferEstimation_ = false;
    Reg* modelToEstimate_ = nullptr;
    std::string output_;
    std::string numberFormat_;
    std::array<std::string, kArgumentSlots> argumentTexts_;
    std::array<std::uint8_t, kArgumentSlots> argumentKinds_{};
    int argumentCount_ = 0;
    double currentValue_ = 0.0;
    int untilPoll_ = kPollInterval;
    bool inRun_ = false;
};

// MacroObject: one compiled macro. A flat byte-code buffer with the emitters
// that fill it, labels and their patching, the listing text, and the macro's
// name, parameters and source text with its ".MCR" file and stream record.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

class EngineContext;

// The storage kinds of a variable reference.
enum MacroVarKind : std::uint8_t { vkNumber = 0, vkArray = 1, vkText = 2, vkModule = 3 };

// What a module or "def" block declares for one argument, checked against
// the value passed when the call runs.
enum MacroArgumentKind : std::uint8_t { akNumber = 0, akText = 1, akReference = 2, akArray = 3 };

// The declared arguments of the ARG instruction at a code address.
struct ArgumentDeclaration {
    int address = 0;
    std::vector<std::uint8_t> kinds;  // MacroArgumentKind, first argument first
};

// A variable reference operand: where a variable's slot lies.
struct VariableRef {
    std::uint8_t reference = 0;  // 1: the slot holds a reference to a caller's variable
    std::uint8_t kind = vkNumber;
    std::int32_t level = 0;      // scope level, 0 outermost
    std::int32_t offset = 0;     // storage offset within that scope's frame
};

class MacroObject {
public:
    static constexpr int kInitialCodeCapacity = 256;
    static constexpr int kCodeGrowth = 128;
    static constexpr int kInitialLabelCapacity = 128;
    static constexpr int kLabelGrowth = 32;
    static constexpr int kParameterSlots = 16;
    static constexpr int kMaxShortTextBytes = 255;

    MacroObject();
    MacroObject(const MacroObject& other);
    MacroObject& operator=(const MacroObject& other);
    virtual ~MacroObject() = default;

    // --- emitting -------------------------------------------------------------
    void Reset();
    void Emit(int op);
    // Each returns the code position of the integer named, for patching.
    int EmitInt(int op, std::int32_t a);
    int EmitTwoInts(int op, std::int32_t a, std::int32_t b);  // of b
    void EmitThreeInts(int op, std::int32_t a, std::int32_t b, std::int32_t c);
    int EmitTwoIntsReserved(int op, std::int32_t a, std::int32_t b);  // of the third
    void EmitNumber(int op, double value);
    void EmitStorageRef(int op, std::uint8_t flag, std::int32_t level, std::int32_t offset);
    void EmitVariableRef(int op, const VariableRef& ref);
    void EmitVariableRefInt(int op, const VariableRef& ref, std::int32_t n);
    // RDM takes the flag only; the other op-codes a second byte and an integer.
    void EmitVariableRefOptions(int op, const VariableRef& ref, std::uint8_t flag, std::uint8_t second = 0,
                                std::int32_t n = 0);
    void EmitMat(std::int32_t sub, const VariableRef& target, const VariableRef& operand,
                 const VariableRef* second = nullptr);
    // The UTF-8 text is stored as its CP932 bytes; more than 255 of them
    // raise ERangeError.
    void EmitShortText(int op, const std::string& utf8);
    void EmitThreeBytes(int op, std::uint8_t a, std::uint8_t b, std::uint8_t c);
    // "predict" and "residual" always carry c (0 when not given), the other
    // commands never, so that the code can be walked by its command bytes.
    void EmitSys(std::uint8_t command, std::int32_t a, std::int32_t b);
    void EmitSys(std::uint8_t command, std::int32_t a, std::int32_t b, std::int32_t c);
    // Overwrites an integer written before (a frame size).
    void PatchInt(int position, std::int32_t value);
    // The library macro that the MOD instruction at address was compiled
    // against, so that a run can check the library still holds it there. A
    // later note for the same address replaces the earlier one.
    void NoteLibraryCall(int address, const std::string& name);
    // The name noted for the MOD at address; null when none was noted.
    const std::string* LibraryCallName(int address) const;

    // --- labels ---------------------------------------------------------------
    int NewLabel();
    // The label's address becomes the current code length, which is returned.
    int SetLabel(int label);
    bool IsLabelSet(int label) const;
    // True when a label was set at the current end of the code.
    bool LabelAtEnd() const { return lastLabelAddress_ == codeLength_; }
    int LabelCount() const { return labelCount_; }
    int LabelCapacity() const { return static_cast<int>(labels_.size()); }

    // After END: every jump's label number becomes its address; the code is
    // copied to exactly its length plus a final 0 byte and the labels freed.
    // A jump to a label that was never allocated or never set raises
    // ERangeError and leaves the code as it was.
    void FinishCode();

    // The mnemonic listing, lines ended by CR LF.
    std::string ListCode() const;

    // --- the source and its files ---------------------------------------------
    // Reads a ".MCR" file (CP932 source, up to its first 0 byte) into the
    // source; the name is cleared and the file name set. Nothing is compiled.
    void LoadSource(const std::string& fileName);
    // Writes the source as CP932 with a final 0 byte. An empty name means the
    // stored file name, else the data folder's "NONAME.MCR". The old file is
    // kept as ".BAK"; a failed save leaves it in place and throws.
    void SaveSource(const std::string& fileName, const EngineContext& context) const;
    // The name SaveSource writes to.
    std::string SaveTarget(const std::string& fileName, const EngineContext& context) const;

    // Compiles a source as a whole program into a finished object.
    using ProgramCompiler = std::function<MacroObject(const std::string& source)>;
    // An int32 length and the CP932 source; returns the bytes written.
    std::int64_t WriteRecord(std::ostream& out) const;
    // Reads a record written by WriteRecord and replaces this object by the
    // compiled program; on any error this object is left unchanged.
    // available < 0: up to the end of the stream. Returns the bytes read.
    std::int64_t ReadRecord(std::istream& in, const ProgramCompiler& compile, std::int64_t available = -1);

    // Records what the callee of the ARG instruction at address declares.
    void DeclareArguments(int address, std::vector<std::uint8_t> kinds);
    // Ordered by address.
    const std::vector<ArgumentDeclaration>& ArgumentDeclarations() const { return declarations_; }

    // --- reading --------------------------------------------------------------
    const std::uint8_t* Code() const { return code_.data(); }
    int CodeLength() const { return codeLength_; }
    int CodeCapacity() const { return codeCapacity_; }
    int LastOp() const { return lastOp_; }
    bool IsFinished() const { return finished_; }

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    const std::string& Source() const { return source_; }
    void SetSource(const std::string& source) { source_ = source; }
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name) { fileName_ = name; }

    int ParameterCount() const { return parameterCount_; }
    void SetParameterCount(int n) { parameterCount_ = n; }
    // Parameter i is entry i mod 16.
    int ParameterOffset(int i) const { return parameterOffsets_[Slot(i)]; }
    void SetParameterOffset(int i, int offset) { parameterOffsets_[Slot(i)] = offset; }
    const std::string& ParameterPrompt(int i) const { return parameterPrompts_[Slot(i)]; }
    void SetParameterPrompt(int i, const std::string& prompt) { parameterPrompts_[Slot(i)] = prompt; }
    bool ParameterIsText(int i) const { return parameterIsText_[Slot(i)] != 0; }
    void SetParameterIsText(int i, bool text) { parameterIsText_[Slot(i)] = text ? 1 : 0; }

private:
    static std::size_t Slot(int i) { return static_cast<std::size_t>(((i % kParameterSlots) + kParameterSlots) % kParameterSlots); }
    // Makes room for an instruction of bytes bytes and writes its op-code;
    // returns the position after the op-code.
    int Begin(int op, int bytes);
    void PutInt(int& at, std::int32_t v);
    void PutVariableRef(int& at, const VariableRef& ref);
    void CopyFrom(const MacroObject& other);

    std::vector<std::uint8_t> code_;
    int lastOp_ = 0;
    std::vector<int> labels_;
    std::vector<std::uint8_t> labelSet_;
    int codeCapacity_ = kInitialCodeCapacity;
    int codeLength_ = 0;
    int labelCount_ = 0;
    // Where the last label was set (code only grows, so it is the highest);
    // -1 when none.
    int lastLabelAddress_ = -1;
    bool finished_ = false;
    int parameterCount_ = 0;
    std::array<int, kParameterSlots> parameterOffsets_{};
    std::string name_;
    std::string source_;
    std::array<std::string, kParameterSlots> parameterPrompts_;
    std::array<std::uint8_t, kParameterSlots> parameterIsText_{};
    std::string fileName_;
    std::vector<std::pair<int, std::string>> libraryCalls_;
    std::vector<ArgumentDeclaration> declarations_;
};

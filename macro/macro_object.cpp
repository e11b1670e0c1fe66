#include "macro/macro_object.h"

#include <algorithm>
#include <new>

#include "macro/macro_opcodes.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

MacroObject::MacroObject()
    : code_(kInitialCodeCapacity, 0), labels_(kInitialLabelCapacity, 0), labelSet_(kInitialLabelCapacity, 0) {
    parameterOffsets_.fill(4);
}

MacroObject::MacroObject(const MacroObject& other) { CopyFrom(other); }

MacroObject& MacroObject::operator=(const MacroObject& other) {
    if (this != &other) {
        const std::string keepFileName = fileName_;
        CopyFrom(other);
        fileName_ = keepFileName;
    }
    return *this;
}

// A copy carries the code, name, source and parameters, but no labels and
// no file name.
void MacroObject::CopyFrom(const MacroObject& other) {
    code_ = other.code_;
    lastOp_ = other.lastOp_;
    labels_.clear();
    labelSet_.clear();
    lastLabelAddress_ = -1;
    codeCapacity_ = other.codeCapacity_;
    codeLength_ = other.codeLength_;
    labelCount_ = 0;
    finished_ = other.finished_;
    parameterCount_ = other.parameterCount_;
    parameterOffsets_ = other.parameterOffsets_;
    name_ = other.name_;
    source_ = other.source_;
    parameterPrompts_ = other.parameterPrompts_;
    parameterIsText_ = other.parameterIsText_;
    libraryCalls_ = other.libraryCalls_;
    declarations_ = other.declarations_;
    fileName_.clear();
}

void MacroObject::Reset() {
    if (code_.empty()) {
        codeCapacity_ = kInitialCodeCapacity;
        code_.assign(static_cast<std::size_t>(codeCapacity_), 0);
    }
    if (labels_.empty()) {
        labels_.assign(kInitialLabelCapacity, 0);
        labelSet_.assign(kInitialLabelCapacity, 0);
    }
    std::fill(labelSet_.begin(), labelSet_.end(), 0);
    labelCount_ = 0;
    lastLabelAddress_ = -1;
    codeLength_ = 0;
    code_[0] = 0;
    finished_ = false;
    libraryCalls_.clear();
    declarations_.clear();
}

void MacroObject::NoteLibraryCall(int address, const std::string& name) {
    for (auto& [at, noted] : libraryCalls_) {
        if (at == address) {
            noted = name;
            return;
        }
    }
    libraryCalls_.emplace_back(address, name);
}

const std::string* MacroObject::LibraryCallName(int address) const {
    for (const auto& [at, noted] : libraryCalls_)
        if (at == address) return &noted;
    return nullptr;
}

void MacroObject::DeclareArguments(int address, std::vector<std::uint8_t> kinds) {
    // Code is emitted in address order, so this normally appends.
    auto at = std::lower_bound(declarations_.begin(), declarations_.end(), address,
                               [](const ArgumentDeclaration& d, int a) { return d.address < a; });
    if (at != declarations_.end() && at->address == address) {
        at->kinds = std::move(kinds);
        return;
    }
    declarations_.insert(at, ArgumentDeclaration{address, std::move(kinds)});
}

int MacroObject::Begin(int op, int bytes) {
    if (codeLength_ > 0x7fffffff - bytes - kCodeGrowth) throw EOutOfMemory();
    while (codeLength_ + bytes - 1 >= codeCapacity_) codeCapacity_ += kCodeGrowth;
    try {
        if (static_cast<int>(code_.size()) < codeCapacity_ + 1) code_.resize(static_cast<std::size_t>(codeCapacity_) + 1, 0);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
    lastOp_ = op;
    code_[static_cast<std::size_t>(codeLength_)] = static_cast<std::uint8_t>(op);
    const int at = codeLength_ + 1;
    codeLength_ += bytes;
    return at;
}

void MacroObject::PutInt(int& at, std::int32_t v) {
    WriteCodeInt(code_.data() + at, v);
    at += 4;
}

void MacroObject::PutVariableRef(int& at, const VariableRef& ref) {
    code_[static_cast<std::size_t>(at)] = ref.reference;
    code_[static_cast<std::size_t>(at) + 1] = ref.kind;
    at += 2;
    PutInt(at, ref.level);
    PutInt(at, ref.offset);
}

void MacroObject::Emit(int op) { Begin(op, 1); }

int MacroObject::EmitInt(int op, std::int32_t a) {
    int at = Begin(op, 5);
    const int position = at;
    PutInt(at, a);
    return position;
}

int MacroObject::EmitTwoInts(int op, std::int32_t a, std::int32_t b) {
    int at = Begin(op, 9);
    PutInt(at, a);
    const int position = at;
    PutInt(at, b);
    return position;
}

void MacroObject::EmitThreeInts(int op, std::int32_t a, std::int32_t b, std::int32_t c) {
    int at = Begin(op, 13);
    PutInt(at, a);
    PutInt(at, b);
    PutInt(at, c);
}

int MacroObject::EmitTwoIntsReserved(int op, std::int32_t a, std::int32_t b) {
    int at = Begin(op, 13);
    PutInt(at, a);
    PutInt(at, b);
    const int position = at;
    PutInt(at, 0);
    return position;
}

void MacroObject::EmitNumber(int op, double value) {
    const int at = Begin(op, 9);
    WriteCodeDouble(code_.data() + at, value);
}

void MacroObject::EmitStorageRef(int op, std::uint8_t flag, std::int32_t level, std::int32_t offset) {
    int at = Begin(op, 1 + kStorageRefBytes);
    code_[static_cast<std::size_t>(at++)] = flag;
    PutInt(at, level);
    PutInt(at, offset);
}

void MacroObject::EmitVariableRef(int op, const VariableRef& ref) {
    int at = Begin(op, 1 + kVariableRefBytes);
    PutVariableRef(at, ref);
}

void MacroObject::EmitVariableRefInt(int op, const VariableRef& ref, std::int32_t n) {
    int at = Begin(op, 1 + kVariableRefBytes + 4);
    PutVariableRef(at, ref);
    PutInt(at, n);
}

void MacroObject::EmitVariableRefOptions(int op, const VariableRef& ref, std::uint8_t flag, std::uint8_t second,
                                         std::int32_t n) {
    const bool flagOnly = op == opRDM;
    int at = Begin(op, 1 + kVariableRefBytes + (flagOnly ? 1 : 6));
    PutVariableRef(at, ref);
    code_[static_cast<std::size_t>(at++)] = flag;
    if (flagOnly) return;
    code_[static_cast<std::size_t>(at++)] = second;
    PutInt(at, n);
}

void MacroObject::EmitMat(std::int32_t sub, const VariableRef& target, const VariableRef& operand,
                          const VariableRef* second) {
    // The layout follows the sub-operation, so a second operand is written
    // exactly when the sub-operation has one.
    const bool withSecond = MatHasSecondOperand(sub);
    int at = Begin(opMAT, 1 + 4 + kVariableRefBytes * (withSecond ? 3 : 2));
    PutInt(at, sub);
    PutVariableRef(at, target);
    PutVariableRef(at, operand);
    if (withSecond) PutVariableRef(at, second != nullptr ? *second : VariableRef{});
}

void MacroObject::EmitShortText(int op, const std::string& utf8) {
    const std::string bytes = cp932::FromUtf8(utf8);
    if (bytes.size() > static_cast<std::size_t>(kMaxShortTextBytes))
        throw ERangeError("文字列が長すぎます（255バイトまで）");
    const int n = static_cast<int>(bytes.size());
    int at = Begin(op, 2 + n);
    code_[static_cast<std::size_t>(at++)] = static_cast<std::uint8_t>(n);
    std::copy(bytes.begin(), bytes.end(), code_.begin() + at);
}

void MacroObject::EmitThreeBytes(int op, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    int at = Begin(op, 4);
    code_[static_cast<std::size_t>(at)] = a;
    code_[static_cast<std::size_t>(at) + 1] = b;
    code_[static_cast<std::size_t>(at) + 2] = c;
}

// The layout follows the command byte: "predict" and "residual" always
// carry a third integer, the others never.
void MacroObject::EmitSys(std::uint8_t command, std::int32_t a, std::int32_t b) {
    if (command == kSysPredict || command == kSysResidual) return EmitSys(command, a, b, 0);
    int at = Begin(opSYS, 10);
    code_[static_cast<std::size_t>(at++)] = command;
    PutInt(at, a);
    PutInt(at, b);
}

void MacroObject::EmitSys(std::uint8_t command, std::int32_t a, std::int32_t b, std::int32_t c) {
    if (command != kSysPredict && command != kSysResidual) return EmitSys(command, a, b);
    int at = Begin(opSYS, 14);
    code_[static_cast<std::size_t>(at++)] = command;
    PutInt(at, a);
    PutInt(at, b);
    PutInt(at, c);
}

void MacroObject::PatchInt(int position, std::int32_t value) {
    if (position < 0 || position > codeLength_ - 4) throw ERangeError("コードの位置が範囲外です");
    WriteCodeInt(code_.data() + position, value);
}

int MacroObject::NewLabel() {
    if (labelCount_ + 1 >= static_cast<int>(labels_.size())) {
        try {
            labels_.resize(labels_.size() + kLabelGrowth, 0);
            labelSet_.resize(labels_.size(), 0);
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory();
        }
    }
    return labelCount_++;
}

int MacroObject::SetLabel(int label) {
    if (label < 0 || label >= labelCount_) throw ERangeError("ラベルの番号が範囲外です");
    labels_[static_cast<std::size_t>(label)] = codeLength_;
    labelSet_[static_cast<std::size_t>(label)] = 1;
    lastLabelAddress_ = codeLength_;
    return codeLength_;
}

bool MacroObject::IsLabelSet(int label) const {
    return label >= 0 && label < labelCount_ && labelSet_[static_cast<std::size_t>(label)] != 0;
}

void MacroObject::FinishCode() {
    // Check every jump first, so that a failure leaves the code untouched.
    std::vector<std::pair<int, int>> patches;
    int address = 0;
    while (address < codeLength_) {
        const int op = code_[static_cast<std::size_t>(address)];
        if (op == opEND) break;
        const int n = InstructionLength(code_.data(), codeLength_, address);
        if (n == 0) break;  // cut short: nothing more to patch
        if (IsLabelJump(op)) {
            const int label = ReadCodeInt(code_.data() + address + 1);
            if (!IsLabelSet(label)) throw ERangeError("ジャンプ先のラベルが定まっていません");
            patches.emplace_back(address + 1, labels_[static_cast<std::size_t>(label)]);
        }
        address += n;
    }
    for (const auto& [at, target] : patches) WriteCodeInt(code_.data() + at, target);
    code_.resize(static_cast<std::size_t>(codeLength_) + 1);
    code_.shrink_to_fit();
    code_[static_cast<std::size_t>(codeLength_)] = 0;
    codeCapacity_ = codeLength_;
    labels_.clear();
    labels_.shrink_to_fit();
    labelSet_.clear();
    labelSet_.shrink_to_fit();
    labelCount_ = 0;
    finished_ = true;
}

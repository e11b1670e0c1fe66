// Variables, arrays, texts and output of a macro run.
#include <cmath>
#include <cstring>

#include "core/text/float_format.h"
#include "core/text/plain_decimal.h"
#include "eval/app_state.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"
#include "platform/text/cp932.h"
#include "platform/ui_services.h"

namespace {

inline std::int32_t Int(const std::uint8_t* p) { return ReadCodeInt(p); }

// Longest run of blanks SPC writes.
constexpr int kMaxBlanks = 1 << 20;

// A 1-based index within 1 .. count, else the range error at address.
int CheckedIndex(double x, int count, int address) {
    if (!(x >= 1.0 && x < static_cast<double>(count) + 1.0)) ThrowRunError(kRunRange, address);
    return static_cast<int>(x);
}

}  // namespace

int MacroRun::ElementWord(int var, int index, int address) const {
    const MacroStack& s = *stack_;
    const int count = s.Word(var + 1);
    if (index < 1 || index > count) ThrowRunError(kRunRange, address);
    return s.Word(var) + 2 * (index - 1);
}

int MacroRun::PopElementWord(int var, int address) {
    const int count = stack_->Word(var + 1);
    const int i = CheckedIndex(std::trunc(PopNumber()), count, address);
    return ElementWord(var, i, address);
}

void MacroRun::Load(const std::uint8_t* ref, int address) {
    MacroStack& s = *stack_;
    const int w = VariableWord(ref);
    switch (ref[1]) {
        case vkNumber: PushNumber(s.Double(w)); break;
        case vkArray: PushNumber(s.Double(PopElementWord(w, address))); break;
        case vkText: PushText(s.Text(w)); break;
        default: ThrowRunError(kRunType, address);
    }
}

void MacroRun::Store(const std::uint8_t* ref, int address) {
    MacroStack& s = *stack_;
    const int w = VariableWord(ref);
    switch (ref[1]) {
        case vkNumber: {
            const MacroCell& c = Top();
            if (c.kind != MacroCell::kNumber) ThrowRunError(kRunType, 0);
            s.SetDouble(w, c.number);
            break;
        }
        case vkArray: {
            const double x = PopNumber();
            const int e = PopElementWord(w, address);
            PushNumber(x);
            s.SetDouble(e, x);
            break;
        }
        case vkText: {
            const MacroCell& c = Top();
            if (c.kind != MacroCell::kText) ThrowRunError(kRunType, 2);
            s.SetText(w, std::string(c.text, strnlen(c.text, MacroStack::kTextBytes)));
            break;
        }
        default: ThrowRunError(kRunType, address);
    }
}

void MacroRun::Reference(const std::uint8_t* ref, int address) {
    const int w = VariableWord(ref);
    PushAddress(ref[1] == vkArray ? PopElementWord(w, address) : w);
}

void MacroRun::ArrayIndex(const std::uint8_t* ref, int address) {
    const MacroStack& s = *stack_;
    const int w = VariableWord(ref);
    const double c = std::trunc(PopNumber());
    const double r = std::trunc(PopNumber());
    const int rows = s.Word(w + 2);
    const int nc = s.Word(w + 3);
    if (!(c >= 1.0 && c <= nc && r >= 1.0 && r - 1.0 < rows)) ThrowRunError(kRunRange, address);
    PushNumber(c + (r - 1.0) * nc);
}

void MacroRun::DeclareArray(const std::uint8_t* sref, int address) {
    MacroStack& s = *stack_;
    const int w = FrameOfLevel(Int(sref + 1)) + Int(sref + 5);
    const bool matrix = sref[0] != 0;
    const double nc = matrix ? std::trunc(PopNumber()) : 1.0;
    const double nr = std::trunc(PopNumber());
    // A shape of no elements, or one too large for the word stack.
    if (!(nr >= 1.0 && nc >= 1.0 && nr * nc * 2.0 < MacroStack::kMaxWords)) ThrowRunError(kRunRange, address);
    const int n = static_cast<int>(nr * nc);
    const int first = s.Allocate(2 * n);
    s.SetWord(first, 0);
    s.Check(w, 4);
    s.SetWord(w, first);
    s.SetWord(w + 1, n);
    s.SetWord(w + 2, static_cast<int>(nr));
    s.SetWord(w + 3, matrix ? static_cast<int>(nc) : 0);
}

// The value x of the target with the code applied: codes -2 and -1 (pre),
// 0 and 1 (post), 2 (plain), 3 to 6 (+ - * /). Returns the pushed value.
double MacroRun::ApplyAssign(int code, double x, double v, double& stored) {
    switch (code) {
        case -2: stored = x + 1.0; return stored;
        case -1: stored = x - 1.0; return stored;
        case 0: stored = x + 1.0; return x;
        case 1: stored = x - 1.0; return x;
        case 2: stored = v; return v;
        case 3: stored = x + v; return stored;
        case 4: stored = x - v; return stored;
        case 5: stored = x * v; return stored;
        case 6:
            if (v == 0.0) ThrowRunError(kRunDivide, -1);
            stored = x / v;
            return stored;
        default: ThrowRunError(kRunSystem, 0);
    }
}

void MacroRun::AssignOp(const std::uint8_t* p, int address) {
    MacroStack& s = *stack_;
    const int code = Int(p + kVariableRefBytes);
    if (p[1] == vkText) return;
    const double v = code >= 2 ? PopNumber() : 0.0;
    const int w = VariableWord(p);
    const int target = p[1] == vkArray ? PopElementWord(w, address) : w;
    double stored = 0.0;
    const double pushed = ApplyAssign(code, s.Double(target), v, stored);
    s.SetDouble(target, stored);
    PushNumber(pushed);
}

void MacroRun::StepVariable(const std::uint8_t* p, int address) {
    MacroStack& s = *stack_;
    const bool negative = p[kVariableRefBytes] != 0;
    const bool after = p[kVariableRefBytes + 1] != 0;
    const double n = Int(p + kVariableRefBytes + 2);
    const int w = VariableWord(p);
    const int target = p[1] == vkArray ? PopElementWord(w, address) : w;
    const double x = s.Double(target);
    const double y = x + (negative ? -n : n);
    s.SetDouble(target, y);
    PushNumber(after ? x : y);
}

void MacroRun::Swap(const std::uint8_t* ref, int address) {
    MacroStack& s = *stack_;
    const int w = VariableWord(ref);
    const int ej = PopElementWord(w, address);
    const int ei = PopElementWord(w, address);
    const double a = s.Double(ei);
    s.SetDouble(ei, s.Double(ej));
    s.SetDouble(ej, a);
}

void MacroRun::ReadInput(const std::uint8_t* ref, int address) {
    MacroStack& s = *stack_;
    const int w = VariableWord(ref);
    const int target = ref[1] == vkArray ? PopElementWord(w, address) : w;
    const std::string prompt = cp932::ToUtf8(PopText());
    const InputAnswer answer = state_.Services().AskInput(prompt, {}, "");
    const std::string text = answer.result == mrOK ? answer.text : std::string();
    if (ref[1] == vkText) {
        s.SetText(target, cp932::FromUtf8(cp932::CutToBytes(text, MacroStack::kTextBytes)));
        return;
    }
    double x = 0.0;
    if (!ReadPlainDecimal(text, x)) throw EConvertError("'" + text + "' は数値ではありません");
    s.SetDouble(target, x);
}

std::string MacroRun::FormatNumber(double x, const std::string& format) const {
    if (format.empty()) return FloatToStrGeneral(x);
    return FormatFloat(cp932::ToUtf8(format), x);
}

void MacroRun::Write() {
    const MacroCell& c = Top();
    switch (c.kind) {
        case MacroCell::kText: output_ += cp932::ToUtf8(PopText()); break;
        case MacroCell::kNumber: output_ += FormatNumber(PopNumber(), numberFormat_); break;
        case MacroCell::kRange: {
            const std::vector<double> values = RangeValues(PopRange());
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (i > 0) output_ += '\t';
                output_ += FormatNumber(values[i], numberFormat_);
            }
            break;
        }
        default: ThrowRunError(kRunType, 0);
    }
}

void MacroRun::Blanks() {
    const double n = std::trunc(PopNumber());
    if (!(n <= kMaxBlanks)) ThrowRunError(kRunRange, 0);
    if (n > 0) output_.append(static_cast<std::size_t>(n), ' ');
}

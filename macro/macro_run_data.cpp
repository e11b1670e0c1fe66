// The data instructions of a macro run: dispatch, ranges, the data set,
// regression results, user scalars and built-in functions.
#include <cmath>
#include <cstring>

#include "core/model/data_edit_commands.h"
#include "core/model/regression_model.h"
#include "core/numeric/numeric_helpers.h"
#include "eval/app_state.h"
#include "eval/scalar_functions.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_run.h"
#include "macro/macro_run_errors.h"
#include "platform/text/cp932.h"

namespace {

inline std::int32_t Int(const std::uint8_t* p) { return ReadCodeInt(p); }

// Element functions from this value up to -1 mean "none".
constexpr int kNoElementFunction = -90;

int CheckedIndex(double x, int count, int address) {
    if (!(x >= 1.0 && x < static_cast<double>(count) + 1.0)) ThrowRunError(kRunRange, address);
    return static_cast<int>(x);
}

}  // namespace

int MacroRun::ExecuteData(int op, int at) {
    const std::uint8_t* p = code_ + at + 1;
    int next = at + 1;
    switch (op) {
        case opLDA: next += kVariableRefBytes; Load(p, next - 15); break;
        case opSTA: next += kVariableRefBytes; Store(p, next - 15); break;
        case opREF: next += kVariableRefBytes; Reference(p, next - 15); break;
        case opAAA: next += kVariableRefBytes; ArrayIndex(p, next - 15); break;
        case opAAC: next += kStorageRefBytes; DeclareArray(p, at); break;
        case opAAV: {
            next += kVariableRefBytes;
            const int w = VariableWord(p);
            stack_->Check(w, 4);
            MacroCell& c = PushCell(MacroCell::kRange);
            c.source = MacroCell::kDescriptor;
            for (int i = 0; i < 4; ++i) c.ints[i] = stack_->Word(w + i);
            break;
        }
        case opSWP: next += kVariableRefBytes; Swap(p, next - 15); break;
        case opADI: next += kVariableRefBytes + 6; StepVariable(p, next - 21); break;
        case opSTO: next += kVariableRefBytes + 4; AssignOp(p, next - 15); break;
        case opRDV: next += kVariableRefBytes; ReadInput(p, next - 15); break;
        case opSVR: next += 8; DataRead(Int(p), Int(p + 4), next - 13); break;
        case opSVL: next += 8; DataWrite(Int(p), Int(p + 4), next - 5); break;
        case opLUV: next += 8; LoadUser(Int(p), Int(p + 4), at); break;
        case opSUV: next += 12; StoreUser(Int(p), Int(p + 4), Int(p + 8), at); break;
        case opSPA: next += kVariableRefBytes + 4; ArrayRange(p, at); break;
        case opSPS: next += kStorageRefBytes; DataRange(p, at); break;
        case opMAT: {
            const int sub = Int(p);
            next += 4 + kVariableRefBytes * (MatHasSecondOperand(sub) ? 3 : 2);
            MatrixOp(p);
            break;
        }
        case opFNC: {
            const int f = Int(p);
            next += f >= kFncFirstCounted ? 8 : 4;
            Function(f, f >= kFncFirstCounted ? Int(p + 4) : 0, next - 4);
            break;
        }
        case opLSI: {
            const int n = p[0];
            PushText(std::string(reinterpret_cast<const char*>(p + 1), static_cast<std::size_t>(n)));
            next += 1 + n;
            break;
        }
        case opWRE: Write(); break;
        case opLN: output_ += "\r\n"; break;
        case opTAB: output_ += '\t'; break;
        case opSPC: Blanks(); break;
        case opFMT: numberFormat_ = PopText(); break;
        case opFFM: {
            const double x = PopNumber();
            const std::string format = PopText();
            PushText(cp932::FromUtf8(FormatNumber(x, format)));
            break;
        }
        case opERM: {
            const int n = p[0];
            const std::string text(reinterpret_cast<const char*>(p + 1), static_cast<std::size_t>(n));
            throw Exception(cp932::ToUtf8(text) + " at " + std::to_string(at + 1));
        }
        case opDMA:
            next += kStorageRefBytes;
            CopyArray(FrameOfLevel(Int(p + 1)) + Int(p + 5), at);
            break;
        case opRDM: {
            next += kVariableRefBytes + 1;
            const int w = VariableWord(p);
            CopyArray(w, at);
            Reshape(w, p[kVariableRefBytes] != 0, at);
            break;
        }
        case opDMB:
            next += kStorageRefBytes;
            Reshape(stack_->Count() + Int(p + 5), p[0] != 0, at);
            break;
        case opMTS:
            next += kVariableRefBytes + 4;
            MatrixFill(p, at);
            break;
        case opMOD:
            next += 8;
            LibraryCall(Int(p), Int(p + 4), at);
            break;
        case opSYS:
            // Not available to this interpreter: never step over them blindly.
            ThrowRunError(kRunSystem, at);
        default:
            break;  // op-codes without an instruction do nothing
    }
    return next;
}

// --- ranges ----------------------------------------------------------------------

void MacroRun::ArrayRange(const std::uint8_t* p, int address) {
    const int f = Int(p + kVariableRefBytes);
    if (f >= 0 || f < kNoElementFunction) ThrowRunError(kRunSystem, address);
    const int w = VariableWord(p);
    const int count = stack_->Word(w + 1);
    int last = TruncToInt(PopNumber(), "range") - 1;
    int first = TruncToInt(PopNumber(), "range") - 1;
    if (first > last) std::swap(first, last);
    first = std::clamp(first, 0, count - 1);
    last = std::clamp(last, 0, count - 1);
    MacroCell& c = PushCell(MacroCell::kRange);
    c.source = MacroCell::kArray;
    c.ints[0] = stack_->Word(w);
    c.ints[1] = f;
    c.ints[2] = first;
    c.ints[3] = last;
}

void MacroRun::DataRange(const std::uint8_t* p, int address) {
    Reg& m = RequireModel(address);
    const int f = Int(p + 1);
    const int v = Int(p + 5);
    if (f >= 0 || f < kNoElementFunction) ThrowRunError(kRunSystem, address);
    const int n = m.GetObsCount();
    int last = TruncToInt(PopNumber(), "range") - 1;
    int first = TruncToInt(PopNumber(), "range") - 1;
    if (first > last) std::swap(first, last);
    first = std::clamp(first, 0, std::max(n - 1, 0));
    last = std::clamp(last, 0, std::max(n - 1, 0));
    MacroCell& c = PushCell(MacroCell::kRange);
    c.source = p[0] != 0 ? MacroCell::kDesign : MacroCell::kData;
    c.ints[0] = v;
    c.ints[1] = f;
    c.ints[2] = first;
    c.ints[3] = last;
}

std::vector<double> MacroRun::RangeValues(const MacroCell& c) {
    std::vector<double> out;
    const int first = c.ints[2];
    const int last = c.ints[3];
    switch (c.source) {
        case MacroCell::kArray: {
            stack_->Check(c.ints[0] + 2 * first, 2 * (last - first + 1));
            for (int i = first; i <= last; ++i) out.push_back(stack_->Double(c.ints[0] + 2 * i));
            break;
        }
        case MacroCell::kDescriptor: {
            for (int i = 0; i < c.ints[1]; ++i) out.push_back(stack_->Double(c.ints[0] + 2 * i));
            break;
        }
        case MacroCell::kData:
        case MacroCell::kDesign: {
            Reg& m = RequireModel(0);
            const int j = c.ints[0];
            if (first < 0 || last >= m.GetObsCount()) ThrowRunError(kRunRange, 0);
            if (c.source == MacroCell::kData && (j < 0 || j >= m.GetVarCount())) ThrowRunError(kRunRange, 0);
            for (int i = first; i <= last; ++i)
                out.push_back(c.source == MacroCell::kData ? m.GetValue(i, j) : m.GetDesignValue(i, j));
            break;
        }
        default: ThrowRunError(kRunType, 1);
    }
    return out;
}

std::vector<double> MacroRun::GatherArguments(int n) {
    if (n < 0 || static_cast<std::size_t>(n) > cellCount_) ThrowRunError(kRunSystem, 0);
    std::vector<std::vector<double>> parts;
    for (int i = 0; i < n; ++i) {
        const MacroCell& c = Top();
        if (c.kind == MacroCell::kNumber) {
            parts.push_back({PopNumber()});
        } else if (c.kind == MacroCell::kRange) {
            parts.push_back(RangeValues(PopRange()));
        } else {
            ThrowRunError(kRunType, 0);
        }
    }
    std::vector<double> out;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) out.insert(out.end(), it->begin(), it->end());
    return out;
}

// --- the data set and its results -------------------------------------------------

Reg& MacroRun::RequireModel(int address) {
    Reg* m = state_.Model();
    if (m == nullptr) ThrowRunError(kRunSystem, address);
    return *m;
}

void MacroRun::DataRead(int a, int s, int address) {
    Reg& m = RequireModel(address);
    const int n = m.GetObsCount();
    const int k = m.GetVarCount();
    auto variable = [&](double j) { return CheckedIndex(std::trunc(j), k, address) - 1; };
    switch (s) {
        case -10: {
            const int i = CheckedIndex(std::trunc(PopNumber()), n, address) - 1;
            PushNumber(m.GetValue(i, variable(a)));
            break;
        }
        case 0: PushNumber(m.GetMean(variable(a))); break;
        case 1: PushNumber(m.GetStdDev(variable(a))); break;
        case 2: PushNumber(m.GetMax(variable(a))); break;
        case 3: PushNumber(m.GetMin(variable(a))); break;
        case 4: PushNumber(n); break;
        case 5: PushNumber(k); break;
        case 7: {
            const int j = variable(PopNumber());
            const int i = CheckedIndex(std::trunc(PopNumber()), n, address) - 1;
            PushNumber(m.GetValue(i, j));
            break;
        }
        case 8: {
            if (a >= 0) {
                PushNumber(a);
                break;
            }
            const int j = m.FindVar(cp932::ToUtf8(PopText()));
            if (j < 0) ThrowRunError(kRunRange, address);
            PushNumber(j + 1);
            break;
        }
        case 9: PushNumber(m.GetMean(variable(PopNumber()))); break;
        case 10: PushNumber(m.GetStdDev(variable(PopNumber()))); break;
        case 11: PushNumber(m.GetMax(variable(PopNumber()))); break;
        case 12: PushNumber(m.GetMin(variable(PopNumber()))); break;
        case 13: PushText(cp932::FromUtf8(m.GetVarName(variable(PopNumber())))); break;
        case 14: PushNumber(m.GetS2()); break;
        case 17: PushNumber(m.GetR2()); break;
        default: ThrowRunError(kRunSystem, address);
    }
}

void MacroRun::DataWrite(int a, int code, int address) {
    Reg& m = RequireModel(address);
    if (code < -2 || code > 6) ThrowRunError(kRunSystem, address);
    const double v = code >= 2 ? PopNumber() : 0.0;
    const int i = CheckedIndex(std::trunc(PopNumber()), m.GetObsCount(), address) - 1;
    const int j = CheckedIndex(a, m.GetVarCount(), address) - 1;
    double stored = 0.0;
    const double pushed = ApplyAssign(code, m.GetValue(i, j), v, stored);
    const DataEdit edit{m, state_.Undo(), [this](const std::string& name) { return state_.IsReservedName(name); }};
    SetCellValueWithUndo(edit, i, j, stored);
    PushNumber(pushed);
}

// --- user scalars ---------------------------------------------------------------------

bool MacroRun::IsDataBank(int bank) const {
    const bool activeIsData = state_.UserScalars().BankSwitch() != 0;
    switch (bank) {
        case 0: return activeIsData;
        case 1: return true;
        case 2: return false;
        default: return !activeIsData;
    }
}

void MacroRun::LoadUser(int a, int bank, int address) {
    if (a >= 10) ThrowRunError(kRunSystem, address);  // user functions: not here
    const int i = a < 0 ? CheckedIndex(std::trunc(PopNumber()) + 1.0, 10, address) - 1 : a;
    PushNumber(state_.UserScalars().GetValue(i, IsDataBank(bank)));
}

void MacroRun::StoreUser(int a, int bank, int code, int address) {
    if (a >= 10 || code < -2 || code > 6) ThrowRunError(kRunSystem, address);
    const double v = code >= 2 ? PopNumber() : 0.0;
    const int i = a < 0 ? CheckedIndex(std::trunc(PopNumber()) + 1.0, 10, address) - 1 : a;
    UserVar& uv = state_.UserScalars();
    double stored = 0.0;
    const double pushed = ApplyAssign(code, uv.GetValue(i, IsDataBank(bank)), v, stored);
    uv.SetValue(i, IsDataBank(bank), stored);
    PushNumber(pushed);
}

// --- built-in functions -----------------------------------------------------------

void MacroRun::Function(int f, int count, int address) {
    if (f >= 0 && f < kFncFirstCounted && f != 30) {
        double b = 0.0, c = 0.0;
        if (f >= 43) {
            c = PopNumber();
            b = PopNumber();
        } else if (f >= 31) {
            b = PopNumber();
        }
        MacroCell& top = Top();
        if (top.kind != MacroCell::kNumber) ThrowRunError(kRunType, address);
        CallScalarFunction(f, &top.number, &b, &c);
        return;
    }
    if (f >= kFncFirstCounted && f <= kFncFirstCounted + 11) {
        std::vector<double> v = GatherArguments(count);
        const int n = static_cast<int>(v.size());
        // An empty list has no value: the range error.
        if (n < 1) ThrowRunError(kRunRange, address);
        double ss = 0.0, mean = 0.0, lo = 0.0, hi = 0.0;
        switch (f - kFncFirstCounted) {
            case 0: MeanAndSumOfSquares(&ss, &mean, n, v.data()); PushNumber(ss / n); return;
            case 1: MeanAndSumOfSquares(&ss, &mean, n, v.data()); PushNumber(n < 2 ? ss / n : ss / (n - 1)); return;
            case 2: MeanAndSumOfSquares(&ss, &mean, n, v.data()); PushNumber(mean); return;
            case 5: RangeOfDoubles(&lo, &hi, n, v.data()); PushNumber(hi); return;
            case 6: RangeOfDoubles(&lo, &hi, n, v.data()); PushNumber(lo); return;
            case 7: PushNumber(Median(v.data(), n)); return;
            case 9: {
                double sum = 0.0;
                for (double x : v) sum += x;
                PushNumber(sum);
                return;
            }
            case 11: PushNumber(EvalPolynomial(v.data() + 1, n - 1, v[0])); return;
            default: break;
        }
    }
    ThrowRunError(kRunSystem, address);
}

// The data instructions of a macro run: dispatch, data cell writes and user
// scalars.
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
            c.extras = 0;
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
        case opSYS: {
            const int command = p[0];
            const bool third = command == kSysPredict || command == kSysResidual;
            next += third ? 13 : 9;
            // Error addresses count back 10 bytes from the next instruction.
            SysCommand(command, Int(p + 1), Int(p + 5), third ? Int(p + 9) : 0, next - 10);
            break;
        }
        default:
            break;  // op-codes without an instruction do nothing
    }
    return next;
}

// --- the data set and its results -------------------------------------------------

Reg& MacroRun::RequireModel(int address) {
    Reg* m = state_.Model();
    if (m == nullptr) ThrowRunError(kRunSystem, address);
    return *m;
}

void MacroRun::DataWrite(int a, int code, int address) {
    Reg& m = RequireModel(address);
    if (code < -2 || code > 6) ThrowRunError(kRunSystem, address);
    const double v = code >= 2 ? PopNumber() : 0.0;
    const int i = CheckedIndex(std::trunc(PopNumber()), m.GetObsCount(), address) - 1;
    // The variable index of the code counts from 0; the constant term has
    // no cells to write.
    if (a < 0 || a >= m.GetVarCount()) ThrowRunError(kRunRange, address);
    const int j = a;
    double stored = 0.0;
    const double pushed = ApplyAssign(code, m.GetValue(i, j), v, stored);
    const DataEdit edit{m, state_.Undo(), [this](const std::string& name) { return state_.IsReservedName(name); }};
    // A value that is no finite number is refused by the estimation at
    // once, with its message, after the edits before it are estimated.
    const bool defer = deferEstimation_ && std::isfinite(stored);
    if (!defer) BringModelUpToDate();
    if (SetCellValueWithUndo(edit, i, j, stored, !defer) && defer) modelToEstimate_ = &m;
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
    if (a >= 10) {
        CallUserFunction(a - 10, address);
        return;
    }
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

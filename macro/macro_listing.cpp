// The mnemonic listing of a macro's byte code.
#include <string>

#include "core/text/float_format.h"
#include "eval/reserved_words.h"
#include "macro/macro_object.h"
#include "macro/macro_opcodes.h"
#include "platform/text/cp932.h"

namespace {

class InstructionText {
public:
    explicit InstructionText(const std::uint8_t* at) : at_(at) {}

    std::int32_t Int() {
        const std::int32_t v = ReadCodeInt(at_);
        at_ += 4;
        return v;
    }
    std::uint8_t Byte() { return *at_++; }
    double Double() {
        const double v = ReadCodeDouble(at_);
        at_ += 8;
        return v;
    }
    std::string IntText() { return std::to_string(Int()); }

    // "[R,A,1:12]"
    std::string VariableRefText() {
        const std::uint8_t reference = Byte();
        const std::uint8_t kind = Byte();
        static const char* const kKindLetters[] = {"V", "A", "S", "M"};
        std::string s = reference == 1 ? "[R," : "[V,";
        if (kind < 4) s += kKindLetters[kind];
        s += ",";
        s += IntText();
        s += ":";
        s += IntText();
        return s + "]";
    }
    // "[V,1:12]"
    std::string StorageRefText() {
        std::string s = Byte() != 0 ? "[R," : "[V,";
        s += IntText();
        s += ":";
        s += IntText();
        return s + "]";
    }
    std::string QuotedText() {
        const int n = Byte();
        const std::string bytes(reinterpret_cast<const char*>(at_), static_cast<std::size_t>(n));
        at_ += n;
        std::string text;
        try {
            text = cp932::ToUtf8(bytes);
        } catch (...) {
            text.assign(static_cast<std::size_t>(n), '?');
        }
        return "\"" + text + "\"";
    }
    std::string AddressText() { return "<" + IntText() + ">"; }

private:
    const std::uint8_t* at_;
};

std::string FunctionName(int f) {
    switch (f) {
        case kFncSeed: return "seed";
        case kFncRanuni: return "ranuni";
        case kFncRannor: return "rannor";
        default: return f >= 0 && f < kReservedWordCount ? ReservedWords[f] : "";
    }
}

std::string TruthLetter(std::uint8_t b) { return b != 0 ? "T" : "F"; }

// The text after "address : " of the instruction whose operands start at in.
std::string OperandsText(int op, InstructionText& in) {
    const std::string m = MacroMnemonic(op);
    switch (op) {
        case opLDI: return m + " " + FloatToStrGeneral(in.Double());
        case opLDA: case opSTA: case opREF: case opAAA: case opAAV: case opRDV:
        case opLOP: case opSWP: return m + " " + in.VariableRefText();
        case opJMP: case opJPF: case opSEL: case opLPD: case opLPR: case opTRY:
        case opXEP: case opTRE: case opJPT: case opGSB: case opARG: return m + " " + in.AddressText();
        case opSYS: {
            const std::uint8_t command = in.Byte();
            std::string s = m + " " + SysCommandName(command) + "," + in.IntText() + ",";
            s += in.IntText() + ",";
            s += (command == kSysPredict || command == kSysResidual) ? in.IntText() : "0";
            return s;
        }
        case opFNC: {
            const int f = in.Int();
            if (f >= kFncFirstCounted) return m + " (" + FunctionName(f) + "/" + in.IntText() + ")";
            return m + " (" + FunctionName(f) + ")";
        }
        case opMCR: case opSVR: case opSVL: case opLUV: case opMOD: {
            std::string s = m + " " + in.IntText() + ",";
            return s + in.IntText();
        }
        case opSUV: case opBLC: {
            std::string s = m + " " + in.IntText() + ",";
            s += in.IntText() + ",";
            return s + in.IntText();
        }
        case opAAC: case opDMA: case opDMB: return m + " " + in.StorageRefText();
        case opRDM: {
            std::string s = m + " " + in.VariableRefText();
            return s + "," + TruthLetter(in.Byte());
        }
        case opIMP: {
            std::string s = m + " " + (in.Byte() != 0 ? "<<," : ">>,");
            s += in.Byte() != 0 ? "[," : "(,";
            return s + (in.Byte() != 0 ? "]" : ")");
        }
        case opCSC: return m + " " + in.IntText();
        case opLSI: case opERM: return m + " " + in.QuotedText();
        case opADI: {
            std::string s = m + " " + in.VariableRefText();
            s += in.Byte() != 0 ? "{T," : "{F,";
            s += TruthLetter(in.Byte());
            return s + "," + in.IntText() + "}";
        }
        case opMAT: {
            const int sub = in.Int();
            const std::string name = MatOperationName(sub);
            if (MatHasSecondOperand(sub)) {
                std::string s = m + " " + name + in.VariableRefText() + ",";
                s += in.VariableRefText() + ",";
                return s + in.VariableRefText();
            }
            std::string s = m + " " + name + "," + in.VariableRefText() + ",";
            return s + in.VariableRefText();
        }
        case opMTS: {
            std::string s = m + " " + in.VariableRefText();
            return s + "," + in.IntText();
        }
        case opSPS: {
            std::string s = m + " " + (in.Byte() != 0 ? "[R," : "[V,");
            s += in.IntText() + ":";
            return s + in.IntText() + "]";
        }
        case opSPA: case opSTO: {
            std::string s = m + " " + in.VariableRefText();
            return s + in.IntText();
        }
        default: return m;  // no operands; nothing for 51 and unknown codes
    }
}

}  // namespace

std::string MacroObject::ListCode() const {
    std::string out = "*** " + name_ + " ***";
    const std::uint8_t* code = code_.data();
    int address = 0;
    // Every round advances by at least one byte, and nothing past the code
    // length is read.
    while (address < codeLength_) {
        const int op = code[address];
        out += "\r\n";
        out += std::to_string(address);
        out += " : ";
        if (op == opEND) {
            out += "END\r\n";
            break;
        }
        const int n = InstructionLength(code, codeLength_, address);
        if (n == 0) break;  // an instruction cut short by a failed compilation
        InstructionText in(code + address + 1);
        out += OperandsText(op, in);
        address += n;
    }
    return out;
}

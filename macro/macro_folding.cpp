// Folding of constant sums at compile time.
//
// Before a sum is compiled, its tokens are checked: only literal numbers,
// "pi", the scalar functions and the arithmetic, comparison and logical
// operators (the last two inside parentheses only) may appear. Only such a
// text goes to the evaluator, so the probe reads no variable, draws no random
// number and changes nothing; anything it cannot finish is compiled instead.
#include <cstddef>
#include <string>
#include <vector>

#include "core/text/tokenizer.h"
#include "eval/calc_str.h"
#include "eval/reserved_words.h"
#include "macro/macro_compile.h"
#include "macro/macro_opcodes.h"
#include "macro/macro_scan.h"

namespace {

bool StartsNumber(std::string_view t) {
    if (t.empty()) return false;
    if (t[0] >= '0' && t[0] <= '9') return true;
    return t[0] == '.' && (t.size() < 2 || t[1] != '.');
}

// Tokens that end a sum when they stand outside any parenthesis.
bool EndsSum(const std::string& t) {
    if (t.empty()) return true;
    if (ComparisonOperatorCode(t) >= 0 || AssignmentOperatorCode(t) >= 0) return true;
    static const char* const kEnds[] = {"&&", "||", "$$", "?", ":", ",", ")", "]", "}", ";", ".."};
    for (const char* e : kEnds)
        if (t == e) return true;
    return false;
}

bool IsProductOperator(const std::string& t) { return t == "*" || t == "/" || t == "^" || t == "mod" || t == "div"; }

bool IsInnerOperator(const std::string& t) {
    const int c = ComparisonOperatorCode(t);
    return (c >= 0 && c <= 5) || t == "," || t == "&&" || t == "||" || t == "$$";
}

// What the scan of a sum found.
struct SumScan {
    // Scan positions after each leading term made of constants only.
    std::vector<int> constantTermEnds;
    // Every term is constant and the sum ended properly at spanEnd.
    bool wholeSumConstant = false;
    int spanEnd = 0;
    std::string endToken;
};

// Scans the sum that starts at from; with maxTerms > 0 it stops after that
// many terms.
SumScan ScanSum(std::string_view text, int length, int from, std::size_t maxTerms) {
    SumScan scan;
    int pos = from;
    int depth = 0;
    bool expectOperand = true;
    bool afterFunction = false;
    std::string token;
    bool isString = false;
    // Each round reads one token, which moves the position forward or ends.
    for (;;) {
        const int before = pos;
        pos = ScanMacroToken(text, length, pos, token, isString);
        if (isString) return scan;
        if (afterFunction && token != "(") return scan;
        if (depth == 0 && !expectOperand && (token == "+" || token == "-" || EndsSum(token))) {
            scan.constantTermEnds.push_back(before);
            const bool ended = EndsSum(token) || scan.constantTermEnds.size() == maxTerms;
            if (ended) {
                scan.wholeSumConstant = true;
                scan.spanEnd = before;
                scan.endToken = token;
                return scan;
            }
            expectOperand = true;
            continue;
        }
        if (token.empty()) return scan;
        if (StartsNumber(token) || token == "pi") {
            if (!expectOperand) return scan;
            expectOperand = false;
        } else if (FindReservedWord(token, kFunctionStart, kScalarFunctionWords) >= 0) {
            if (!expectOperand) return scan;
            afterFunction = true;
        } else if (token == "(") {
            if (!expectOperand || depth >= CalcStr::kMaxNesting / 2) return scan;
            ++depth;
            afterFunction = false;
        } else if (token == ")") {
            if (expectOperand || depth == 0) return scan;
            --depth;
        } else if (token == "+" || token == "-") {
            expectOperand = true;  // a sign, or an operator inside parentheses
        } else if (IsProductOperator(token) || (depth > 0 && IsInnerOperator(token))) {
            if (expectOperand) return scan;
            expectOperand = true;
        } else if (depth > 0 && token == "!") {
            if (!expectOperand) return scan;
        } else {
            return scan;
        }
    }
}

}  // namespace

bool MacroCompile::FoldSum() {
    if (stringToken_) return false;
    const SumScan scan = ScanSum(text_, sourceLength_, tokenStart_, 0);
    if (!scan.wholeSumConstant) return false;
    double value = 0.0;
    try {
        value = probe_->Calculate(std::string(text_.substr(static_cast<std::size_t>(tokenStart_),
                                                           static_cast<std::size_t>(scan.spanEnd - tokenStart_))));
    } catch (...) {
        return false;
    }
    if (probe_->IsNonConstant() || probe_->IsIncomplete()) return false;
    EmitNumber(opLDI, value);
    ScanFrom(scan.spanEnd);
    return true;
}

bool MacroCompile::FoldLeadingTerms(bool ownTermOnly) {
    if (stringToken_) return false;
    const SumScan scan = ScanSum(text_, sourceLength_, tokenStart_, ownTermOnly ? 1 : 0);
    if (scan.constantTermEnds.empty()) return false;
    const int start = tokenStart_;
    const int prefixEnd = scan.constantTermEnds.back();
    double value = 0.0;
    try {
        value = probe_->ConstantPrefix(
            std::string(text_.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(prefixEnd - start))));
    } catch (...) {
        return false;
    }
    if (probe_->IsNonConstant()) return false;
    EmitNumber(opLDI, value);
    ScanFrom(start + probe_->PreviousPosition());
    return true;
}

bool MacroCompile::ConstantArgument(double& value) {
    if (stringToken_) return false;
    const SumScan scan = ScanSum(text_, sourceLength_, tokenStart_, 0);
    if (!scan.wholeSumConstant || (scan.endToken != "," && scan.endToken != ")")) return false;
    try {
        value = probe_->Calculate(std::string(text_.substr(static_cast<std::size_t>(tokenStart_),
                                                           static_cast<std::size_t>(scan.spanEnd - tokenStart_))));
    } catch (...) {
        return false;
    }
    if (probe_->IsNonConstant() || probe_->IsIncomplete()) return false;
    ScanFrom(scan.spanEnd);
    return true;
}

#include "eval/reserved_words.h"

#include <array>
#include <string_view>
#include <utility>

#include "eval/app_state.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

const char* const ReservedWords[kReservedWordCount] = {
    // scalar functions 0 .. 44
    "sin", "cos", "tan", "atan", "log", "abs", "int", "frac", "exp", "sqrt",
    "gamma", "lngamma", "asin", "acos", "sinh", "cosh", "tanh", "log10", "deg", "rad",
    "asinh", "acosh", "atanh", "pnor", "qnor", "fact", "fact2", "fisher", "fisherinv", "sgn",
    "real", "bce", "invbce", "loga", "round", "pt", "qt", "pchi2", "qchi2", "root",
    "combin", "permut", "pow", "pf", "qf",
    // variable-wide functions 45 .. 56
    "varp", "variable", "mean", "geomean", "harmean", "max", "min", "median", "trimmean", "sum",
    "percentile", "hornor",
    // attributes of a variable 57 .. 60
    "ave", "sig", "max", "min",
    // keywords 61 .. 103
    "break", "case", "catch", "dec", "def", "dim", "do", "else", "for", "format",
    "if", "inc", "lib", "loop", "macro", "mat", "module", "next", "pi", "read",
    "return", "select", "stop", "swap", "throw", "try", "until", "var", "while", "write",
    "error", "seed", "ranuni", "rannor", "row", "col", "vt", "ve", "R2", "fe",
    "file", "sys", "poly",
    // result names 104 .. 124
    "yobs", "yest", "res", "err", "pres", "sigres", "ri", "ti", "res2", "hat",
    "hat1", "hat2", "si", "covratio", "dffits", "cook", "welsch", "r2", "rr2", "tti",
    "dfb",
};

const char* const* const FunctionNames = ReservedWords + kFunctionStart;
const char* const* const AttributeNames = ReservedWords + kAttributeStart;
const char* const* const KeywordNames = ReservedWords + kKeywordStart;
const char* const* const ResultNames = ReservedWords + kResultNameStart;

static_assert(kFunctionStart + kFunctionWords == kAttributeStart);
static_assert(kAttributeStart + kAttributeWords == kKeywordStart);
static_assert(kKeywordStart + kKeywordWords == kResultNameStart);
static_assert(kResultNameStart + kResultNameWords == kReservedWordCount);

const char* ReservedWord(int index) {
    if (index < 0 || index >= kReservedWordCount)
        throw ERangeError("予約語の番号が範囲外です");
    return ReservedWords[index];
}

int FindReservedWord(std::string_view name, int first, int count) {
    if (first < 0) {
        count += first;
        first = 0;
    }
    const int end = (count > kReservedWordCount - first) ? kReservedWordCount : first + count;
    // The lengths are taken once.
    static const auto words = [] {
        std::array<std::string_view, kReservedWordCount> w;
        for (int i = 0; i < kReservedWordCount; ++i) w[static_cast<std::size_t>(i)] = ReservedWords[i];
        return w;
    }();
    for (int i = first; i < end; ++i)
        if (name == words[static_cast<std::size_t>(i)]) return i;
    return -1;
}

int FindFunctionName(std::string_view name) {
    return FindReservedWord(name, kFunctionStart, kFunctionWords);
}

namespace {
int OffsetIn(int found, int start) { return found < 0 ? -1 : found - start; }
}  // namespace

int FindAttributeName(std::string_view name) {
    return OffsetIn(FindReservedWord(name, kAttributeStart, kAttributeWords), kAttributeStart);
}

int FindKeyword(std::string_view name) {
    return OffsetIn(FindReservedWord(name, kKeywordStart, kKeywordWords), kKeywordStart);
}

int FindResultName(std::string_view name) {
    return OffsetIn(FindReservedWord(name, kResultNameStart, kResultNameWords), kResultNameStart);
}

const std::string& ReservedWordMessage(int index) {
    static const std::array<std::string, 3> messages = {
        "メモリーの確保に失敗しました。",
        "予約語は使えません",
        "二重定義エラー",
    };
    if (index < 0 || index >= static_cast<int>(messages.size()))
        throw ERangeError("メッセージ番号が範囲外です");
    return messages[static_cast<std::size_t>(index)];
}

NameInUse NameListLookup(std::vector<std::string> names) {
    return [list = std::move(names)](const std::string& name) {
        for (const std::string& n : list)
            if (n == name) return true;
        return false;
    };
}

int ClassifyNewName(const std::string& name, const NameInUse& variableNames,
                    const NameInUse& scoreNames) {
    // The last keyword "poly" and the attribute words ("ave", "sig" and the
    // second "max"/"min") stay usable as names; "max" and "min" are still
    // caught as function names.
    if (FindReservedWord(name, kResultNameStart, kResultNameWords) >= 0 ||
        FindReservedWord(name, kKeywordStart, kKeywordWords - 1) >= 0 ||
        FindReservedWord(name, kFunctionStart, kFunctionWords) >= 0)
        return kNewNameReserved;
    if (variableNames && variableNames(name)) return kNewNameTaken;
    if (scoreNames && scoreNames(name)) return kNewNameTaken;
    return kNewNameFree;
}

bool CheckNewName(UiServices& services, const std::string& name, const NameInUse& variableNames,
                  const NameInUse& scoreNames) {
    switch (ClassifyNewName(name, variableNames, scoreNames)) {
    case kNewNameReserved:
        ErrorBox(services, ReservedWordMessage(kMsgReserved));
        return false;
    case kNewNameTaken:
        ErrorBox(services, ReservedWordMessage(kMsgDuplicate));
        return false;
    default:
        return true;
    }
}

NameInUse VariableNamesOf(const Reg* model) {
    return [model](const std::string& name) {
        if (model == nullptr) return false;
        if (name == Data::ConstantName()) return true;
        const int k = model->GetVarCount();
        for (int j = 0; j < k; ++j)
            if (model->GetVarName(j) == name) return true;
        return false;
    };
}

int ClassifyNewName(const AppState& state, const std::string& name, bool includeScores) {
    return ClassifyNewName(name, VariableNamesOf(state.Model()), includeScores ? state.ScoreNameLookup() : NameInUse{});
}

bool CheckNewName(AppState& state, const std::string& name, bool includeScores) {
    return CheckNewName(state.Services(), name, VariableNamesOf(state.Model()),
                        includeScores ? state.ScoreNameLookup() : NameInUse{});
}

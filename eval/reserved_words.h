// The reserved words shared by the expression and macro languages, and the
// check that refuses them (and names already taken) as new names.
//
// A word's position in the table is its number: the scalar-function
// dispatcher, the byte code and the result rows are all indexed by it, so
// the order must never change. Matching is exact and case-sensitive.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class AppState;
class Reg;
class UiServices;

inline constexpr int kReservedWordCount = 125;

// Group starts and sizes.
inline constexpr int kFunctionStart = 0;         // "sin" .. "hornor"
inline constexpr int kScalarFunctionWords = 45;  // "sin" .. "qf"
inline constexpr int kFunctionWords = 57;        // scalar plus variable-wide
inline constexpr int kAttributeStart = 57;       // "ave" "sig" "max" "min"
inline constexpr int kAttributeWords = 4;
inline constexpr int kKeywordStart = 61;         // "break" .. "poly"
inline constexpr int kKeywordWords = 43;
inline constexpr int kResultNameStart = 104;     // "yobs" .. "dfb"
inline constexpr int kResultNameWords = 21;

// Entries that other code refers to by number.
enum ReservedWordIndex : int {
    rwBce = 31,
    rwInvbce = 32,
    rwLoga = 33,
    rwRound = 34,
    rwPow = 42,
    rwPf = 43,
    rwQf = 44,
    rwVarp = 45,
    rwMax = 50,
    rwMin = 51,
    rwMedian = 52,
    rwTrimmean = 53,
    rwPercentile = 55,
    rwHornor = 56,
    rwAve = 57,
    rwSig = 58,
    rwAttrMax = 59,
    rwAttrMin = 60,
    rwBreak = 61,
    rwPi = 79,
    rwSeed = 92,
    rwRanuni = 93,
    rwRannor = 94,
    rwRow = 95,
    rwCol = 96,
    rwVt = 97,
    rwVe = 98,
    rwR2 = 99,
    rwFe = 100,
    rwFile = 101,
    rwSys = 102,
    rwPoly = 103,
    rwYobs = 104,
    rwTti = 123,
    rwDfb = 124,
};

// The table itself and its four group pointers.
extern const char* const ReservedWords[kReservedWordCount];
extern const char* const* const FunctionNames;    // entry 0
extern const char* const* const AttributeNames;   // entry 57
extern const char* const* const KeywordNames;     // entry 61
extern const char* const* const ResultNames;      // entry 104

// Entry index; an index outside 0 .. 124 throws ERangeError.
const char* ReservedWord(int index);

// The first entry equal to name within [first, first + count), or -1.
int FindReservedWord(std::string_view name, int first, int count);
// Entry 0 .. 56 of a function name (first match, so "max" is 50), or -1.
int FindFunctionName(std::string_view name);
// Position 0 .. 3 within the attributes ("ave" 0 .. "min" 3), or -1.
int FindAttributeName(std::string_view name);
// Keyword number 0 .. 42 ("break" 0 .. "poly" 42), or -1.
int FindKeyword(std::string_view name);
// Analysis-table row code 0 .. 20 of a result name ("yobs" 0 .. "dfb" 20),
// or -1.
int FindResultName(std::string_view name);

// The messages kept with the table.
inline constexpr int kMsgMemory = 0;    // "メモリーの確保に失敗しました。"
inline constexpr int kMsgReserved = 1;  // "予約語は使えません"
inline constexpr int kMsgDuplicate = 2; // "二重定義エラー"
const std::string& ReservedWordMessage(int index);

// ---- checking a proposed new name -----------------------------------------

// Answers whether a name is already in use. Callers pass one for the
// variables of the data set and, when the scores of the open principal-
// component analysis count too, one for those; an empty function means
// "nothing to compare with".
using NameInUse = std::function<bool(const std::string& name)>;

// A NameInUse over a fixed list of names (the list is copied).
NameInUse NameListLookup(std::vector<std::string> names);

// Results of ClassifyNewName.
inline constexpr int kNewNameReserved = 0;
inline constexpr int kNewNameTaken = 1;
inline constexpr int kNewNameFree = -1;

// 0 for a reserved word (a result name, a keyword "break" .. "sys", or a
// function name "sin" .. "hornor"; "poly", "ave" and "sig" are allowed),
// 1 for a name in use, -1 for a free name.
int ClassifyNewName(const std::string& name, const NameInUse& variableNames,
                    const NameInUse& scoreNames = {});

// As ClassifyNewName, but shows "予約語は使えません" or "二重定義エラー" in
// an error box (OK only) and returns false; true for a free name.
bool CheckNewName(UiServices& services, const std::string& name, const NameInUse& variableNames,
                  const NameInUse& scoreNames = {});

// The variable names of a model (none for null), and the constant term's
// name, which a lookup by name always resolves to the constant.
NameInUse VariableNamesOf(const Reg* model);

// The same checks against the variables of the state's model (none while no
// data set is open) and, with includeScores, the score names of the open
// principal-component analysis (AppState::SetScoreNameLookup).
int ClassifyNewName(const AppState& state, const std::string& name, bool includeScores);
bool CheckNewName(AppState& state, const std::string& name, bool includeScores);

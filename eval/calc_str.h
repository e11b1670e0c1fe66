// CalcStr: the direct evaluator of the expression language.
//
// It reads an expression token by token and computes its value while it
// parses (recursive descent): numbers, operators, variables of the current
// data set, fit results, user scalars and functions, scalar and variable-wide
// functions, and the per-observation functions of formulas. The tokens of the
// texts read last are kept and replayed; a formula of plain arithmetic read
// again in observation mode runs as a tree of its operations, with the same
// results (calc_str_tree.cpp).
// Problems that are not errors are reported by the incomplete flag; errors
// are Exceptions with the string-table texts 70 .. 77.
//
// It reads and writes the program through the application state it is made
// for: the state's shared instance serves the whole program, and a user
// function's body runs in a short-lived instance of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/numeric/vector.h"
#include "resources/string_table.h"

class AppState;
class Reg;
class UserFunctionLink;
class UserVar;
struct EvalRunState;
namespace calc_str_detail {
struct ElementFunction;
struct CachedText;
struct CachedToken;
struct ReadPoint;
struct Tree;
class TokenCache;
}

class CalcStr {
public:
    // Deepest nesting of parentheses, conditionals, arguments and user
    // function calls (counted over all instances); deeper text is incomplete.
    static constexpr int kMaxNesting = 256;
    // Most names one "pred" accepts.
    static constexpr int kMaxPredNames = 52;
    // Most passes of one "%%(n)" loop in a user-function body.
    static constexpr int kMaxLoopPasses = 1000000;

    explicit CalcStr(AppState& state);
    ~CalcStr();
    CalcStr(const CalcStr&) = delete;
    CalcStr& operator=(const CalcStr&) = delete;

    // --- entries ------------------------------------------------------------
    // Throws on an empty text and on every error; an incomplete expression
    // gives its (partial) value, usually 0.0.
    double Calculate(const std::string& text);
    // defaultValue for an empty or incomplete text; errors still throw.
    double Evaluate(const std::string& text, double defaultValue);
    // The value at one observation (0-based); observation mode stays on.
    double EvaluateAt(const std::string& text, int observation);
    // The values at observations first .. first + count - 1 into out, each
    // exactly what EvaluateAt gives there when called at them in turn; a
    // formula that runs as a tree is worked out a block of observations at a
    // time, on the data set's pool. With stopAtFault it ends after the first
    // observation whose value is incomplete or no finite number. Returns how
    // many observations were evaluated (out past them holds nothing of
    // use); flags and read point are those EvaluateAt leaves at the last of
    // them, and an error propagates as from EvaluateAt at the observation
    // where it occurs. currentValues, when given, holds "@@" for each
    // observation (count values).
    int EvaluateRange(const std::string& text, int first, int count, double* out, bool stopAtFault = false,
                      const double* currentValues = nullptr);
    // value != 0.0 at one observation; false for an empty text.
    bool TestAtObservation(const std::string& text, int observation);
    // One range "[a..b]" (1-based in the text): 0-based first and last and
    // the count, 0 when incomplete or on an error. An empty text gives 0 and
    // leaves first and last alone.
    int ParseRange(const std::string& text, int& first, int& last);
    // Sets flags[trunc(e) - 1] for every item e and flags first..last for
    // every range item of a comma-separated list; indices outside 0..n-1
    // are ignored. The n flags are cleared first.
    void ParseIndexList(const std::string& text, std::uint8_t* flags, int n);
    // "{ item, item, ... }" into out. Errors set the incomplete flag and
    // leave out with the values read so far.
    void ParseBraceList(const std::string& text, Vector& out);
    // For the macro compiler: the sum of the leading constant terms of a
    // sum; PreviousPosition() is left before the operator of the first
    // non-constant term.
    double ConstantPrefix(const std::string& text);
    // Runs the statement language of a user function's body; errors are
    // shown in a message box and give 0.0.
    double EvaluateUserFunction(const std::string& body);

    // --- state --------------------------------------------------------------
    bool IsIncomplete() const { return incomplete_; }
    // A name the last entry read as a variable and found none of (and so
    // incomplete); empty when there was none.
    const std::string& UnknownName() const { return unknownName_; }
    bool IsNonConstant() const { return nonConstant_; }
    bool IsObservationMode() const { return observationMode_; }
    int Observation() const { return observation_; }
    // The observation that names without a selector refer to outside
    // observation mode, until an entry at an observation sets another.
    void SetObservation(int observation) { observation_ = observation; }
    int Position() const { return position_; }
    int PreviousPosition() const { return previousPosition_; }
    // The value of "@@", kept equal to the macro interpreter's current value.
    double CurrentValue() const { return currentValue_; }
    void SetCurrentValue(double v) { currentValue_ = v; }

private:
    // Scanning.
    void Start(std::string_view text);
    void Step();
    bool Is(std::string_view s) const { return !tokenIsString_ && token_ == s; }
    bool AtEnd() const { return !tokenIsString_ && token_.empty(); }
    bool LevelEnds() const;
    void SkipBalanced(char open, char close);
    void MarkIncomplete() { incomplete_ = nonConstant_ = true; }
    // What the token cache keeps for the current token (which of
    // calc_str_detail::TokenLookup); nullptr when the token is not kept.
    int* LookupSlot(int which) const;
    int PrimaryKindOfToken();
    int FunctionIndexOfToken();
    int ComparisonCodeOfToken();
    [[noreturn]] static void Fail(StringId stringId);

    // The program it evaluates in.
    Reg* Model() const;
    UserVar& Scalars() const;
    UserFunctionLink& Functions() const;
    EvalRunState& Run() const;

    // Operator levels, lowest precedence first.
    double ParseOr();
    double ParseAnd();
    double ParseNotCond();
    double ParseCompare();
    double ParseAdd();
    double ParseMul();
    double ParsePow();
    double ParseUnary();
    // The combinations of ParseMul (op 1 "*" .. 4 "div") and ParsePow.
    double Product(int op, double v, double r);
    double Power(double v, double r);
    double Sum(double v, double r);
    double Difference(double v, double r);
    // result, or the math error when it is no finite number while v and r
    // are.
    static double FiniteOf(double result, double v, double r);

    // Observation mode through the tree of a text (calc_str_tree.cpp): null
    // when the text has none or the evaluation is nested.
    const calc_str_detail::Tree* TreeFor(const std::string& text);
    double RunTree(const calc_str_detail::Tree& tree, const std::string& text);
    double RunNode(const calc_str_detail::Tree& tree, int k);
    void MoveTo(const calc_str_detail::ReadPoint& point);
    calc_str_detail::ReadPoint Here() const;
    // Making the tree: the operator levels and primaries again, reading the
    // same tokens; a text with anything else has no tree.
    int TreeOr(calc_str_detail::Tree& tree);
    int TreeAdd(calc_str_detail::Tree& tree);
    int TreeMul(calc_str_detail::Tree& tree);
    int TreePow(calc_str_detail::Tree& tree);
    int TreeUnary(calc_str_detail::Tree& tree);
    int TreePrimary(calc_str_detail::Tree& tree);

    // Primaries.
    double Primary();
    double NumberToken();
    double SlotPrimary();
    double SlotStep(double delta);
    double ModelPrimary();
    double UserPrimary();
    double CallUserFunction(int f);
    double FunctionOrVariable();
    double ScalarFunction(int index);
    double VariableWideFunction(int index);
    // The value of a variable-wide function of the values x (reordered).
    double ListFunction(int index, std::vector<double>& x);
    double VariableReference();
    bool ParseDataPrefix();
    int ParseVarSelector(const Reg& reg);
    int ParseResultName(Reg& reg, bool& found);
    int ParseObsSelector(const Reg& reg);
    double ObservationFunction(Reg& reg, bool& handled);
    // The pieces of ObservationFunction at observation i: "index", "pred"
    // and the functions of one column (fn as ObservationFunction numbers them).
    int ObservationFunctionOfToken();
    static double LagAt(const Reg& reg, int j, bool design, int i, double m, int n);
    static double FdifAt(const Reg& reg, int j, bool design, int i, double d);
    double ObservationIndex(int i);
    double ObservationPred(const Reg& reg, int i);
    double ObservationOfColumn(const Reg& reg, int fn, int i);

    // The statements of a user function's body; errors propagate.
    double RunUserFunctionBody();

    // Lists and ranges.
    void ReadRange(int& first, int& last);
    bool ReadItemList(std::vector<double>& out);
    bool ReadWholeVariableItem(std::vector<double>& out);
    // The element function after "." of a "##" item.
    void ReadElementFunction(calc_str_detail::ElementFunction& ef);
    void ReadUserElementFunction(calc_str_detail::ElementFunction& ef);
    void ReadScalarElementFunction(calc_str_detail::ElementFunction& ef);

    AppState& state_;
    std::string_view text_;
    int position_ = 0;
    int previousPosition_ = 0;
    int length_ = 0;
    int observation_ = 0;
    std::string token_;
    bool tokenIsString_ = false;
    bool nonConstant_ = false;
    bool observationMode_ = false;
    bool incomplete_ = false;
    double currentValue_ = 0.0;
    std::string unknownName_;
    // Tokens of the texts read last; the entry of the text being read, its
    // token that is current and the index of the next one (null and 0 while
    // scanning without the cache).
    std::unique_ptr<calc_str_detail::TokenCache> cache_;
    calc_str_detail::CachedText* cached_ = nullptr;
    calc_str_detail::CachedToken* current_ = nullptr;
    std::size_t next_ = 0;
    int treeDepth_ = 0;
};


// The ten user-defined functions ("@name(...)" in expressions and macros).
//
// Each is one line name(parameters; locals) = body. Parameter and local names
// are replaced in the body by slot markers "$0", "$1", ... so that the body
// runs against the function's one slot array: parameters first, then locals.
// Bodies are run by the evaluator's statement language (statements separated
// by ",", the loop "%%(n){...}", the exit "?%(c)", the error "??(c)").
// The definitions are kept in the settings section "FUNC", keys "item0" ..
// "item9". The application state keeps the table, which the evaluator reaches
// as its user-function link.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "eval/calc_str_user_function.h"

class AppState;
class IniFile;

class UserFunc {
public:
    static constexpr int kCount = 10;
    // Most user-function bodies running inside each other. A call beyond it
    // fails with the range error, and the whole outermost call then gives 0.0.
    static constexpr int kMaxCallDepth = 64;
    // One top-level evaluation makes at most kMaxUserCallsPerEvaluation
    // calls (calc_str_user_function.h); the call past it fails the same way.

    // Empty: no name, no body, no slots.
    void Clear();

    // Parses "name(p1, p2; l1, l2) = body", "name = body" or "name". An
    // empty text clears the function. A parameter list without its ")" or
    // a parameter or local name that is not an identifier (ASCII letter or
    // "_" first, then letters, digits and "_") raises Exception "文法エラー";
    // the function then keeps the new name and definition, an empty body and
    // its old slots. A text that CP932 cannot hold raises EConvertError and
    // changes nothing, so the settings file can always be written.
    void SetDefinition(const std::string& text);

    // Runs the body in a fresh evaluator of the state and returns its value.
    // Errors in the body are shown in a message box and give 0.0.
    double Evaluate(AppState& state);

    // Slot access; an index outside 0..SlotCount()-1 raises "範囲エラー".
    void SetSlot(int i, double value);
    double GetSlot(int i) const;
    // Zeroes every slot (all) or only the locals.
    void ClearSlots(bool all);

    const std::string& Name() const { return name_; }
    const std::string& Body() const { return body_; }
    const std::string& Definition() const { return definition_; }
    int ParameterCount() const { return parameterCount_; }
    int SlotCount() const { return slotCount_; }

private:
    std::string name_;
    std::string body_;
    std::string definition_;
    int parameterCount_ = 0;
    int slotCount_ = 0;
    std::vector<double> slots_;
};

// The program's ten user functions, as the evaluator sees them.
class UserFunctionTable final : public UserFunctionLink {
public:
    explicit UserFunctionTable(AppState& state) : state_(state) {}

    std::array<UserFunc, UserFunc::kCount>& Functions() { return functions_; }
    const std::array<UserFunc, UserFunc::kCount>& Functions() const { return functions_; }
    // Entry f; an index outside 0..9 raises "範囲エラー".
    UserFunc& Entry(int f);
    const UserFunc& Entry(int f) const;
    void ClearAll();

    // Index 0..9 of the function with exactly that name, -1 when none. An
    // empty name never matches (undefined entries have empty names).
    int Find(const std::string& name) const override;
    int ParameterCount(int f) const override { return Entry(f).ParameterCount(); }
    int SlotCount(int f) const override { return Entry(f).SlotCount(); }
    double GetSlot(int f, int i) const override { return Entry(f).GetSlot(i); }
    void SetSlot(int f, int i, double value) override { Entry(f).SetSlot(i, value); }
    double Evaluate(int f) override { return Entry(f).Evaluate(state_); }

    // Settings section "FUNC": "item0" .. "item9" = the definition texts. A
    // missing key clears its function. A stored definition that fails to
    // parse does not stop the others: its entry keeps the text (so saving
    // writes it back unchanged) and evaluates to 0.0. Returns the indices
    // refused.
    std::vector<int> LoadSettings(const IniFile& ini);
    void SaveSettings(IniFile& ini) const;

private:
    AppState& state_;
    std::array<UserFunc, UserFunc::kCount> functions_;
};

// Word scanning over runs of ASCII letters and digits, positions 1-based.
// FindWord skips what is not a letter or digit from start on, collects the
// following letters and digits into word and returns the position after it.
int FindWord(const std::string& text, int start, std::string& word);
// Position of the first whole word equal to name, 0 when none.
int FindWordPosition(const std::string& text, const std::string& name);



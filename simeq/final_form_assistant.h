// The steps of deriving a dynamic model's final form by hand: the starting
// equations taken from a built system, the equations offered for a clicked
// term (solved for that term's variable), substitution with undo and reset,
// normalising on the equation's own leads, collapsing the lags of a trend
// variable, and deciding an equation into the decided and stored lists.
#pragma once

#include <string>
#include <vector>

#include "core/io/final_form_storage.h"

class Data;
class Reg;
class SimultaneousSystem;

// The term of a variable: a lagged variable whose comment text is "@" +
// name + "/" + lag stands for that variable shifted back by the lag (an
// endogenous variable only when linkEndogenous is set); the constant term
// keeps its name, kind 2 and lag 0.
FFCell TermOfVariable(const Reg& data, const std::string& name, double coef, bool linkEndogenous);

// Clears the working and decided lists and fills them from the system: the
// reduced form of every endogenous variable (terms with a non-zero
// coefficient) as working equations, every equation of the system
// (definitions included) as decided ones; then the stored final form
// replaces the working equation of its variable. False (lists untouched)
// for a system that is not built.
bool BuildStartingEquations(const SimultaneousSystem& system, FinalFormLists& lists);

// d solved for its term `term`: that variable on the left with lag 0; the
// other terms divided by minus its coefficient and shifted by minus its lag
// (the constant stays at lag 0); d's own variable with 1 over the
// coefficient. False (out untouched) when the coefficient is below
// 2^-23 in magnitude.
bool SolveForTerm(const FFElement& d, int term, FFElement& out);
// The decided equations offered for variable v: an equation of v without v
// on its right, and every other equation naming v, solved for it, when the
// result no longer names v and is not already listed.
FFList CandidatesFor(const FFList& decided, const std::string& v);

// Grid text of a term: the constant by its name; another term by its name,
// "'" for an endogenous variable other than own, and its lag suffix.
std::string TermLabel(const FFCell& term, const std::string& own);
// List text of a candidate: its terms' names ("'" for endogenous, the lag
// suffix for a non-zero lag) joined by ",".
std::string CandidateText(const FFElement& e);

// Normalises e on its own leads: the largest lead L of its own variable is
// solved for and every lag (the constant's excepted) lowered by L. Leads and
// lags are read from the terms. Unchanged when it has no own lead.
void TimeSet(FFElement& e);
// TimeSet, then every term of trend variable v collapses into one at lag 0
// (kind 2) with the sum of their coefficients, the constant taking the sum
// of lag times coefficient: trend[t + L] = trend[t] + L.
void TrendSet(FFElement& e, const std::string& v);

// Marks the data set modified (when given) after a change of the stored
// final form, which is saved with the data file.
void DeleteStored(FinalFormLists& lists, int i, Data* data);
void ClearStored(FinalFormLists& lists, Data* data);

class FinalFormAssistant {
public:
    explicit FinalFormAssistant(FinalFormLists& lists) : lists_(lists) {}

    int CurrentIndex() const { return current_; }
    // The working equation at the current index (ERangeError when none).
    FFElement Current() const { return lists_.work.GetElement(current_); }
    const FFList& Candidates() const { return candidates_; }

    // Takes the snapshot for Reset and the state for Undo.
    void Activate();
    // The first working equation of that variable becomes current (0 when
    // none).
    void ChooseEquation(const std::string& name);
    // Candidates for term i of the current equation (none for the constant
    // or an index outside the terms).
    void ClickTerm(int i);
    // Substitutes candidate k into the current equation. False when the
    // result cannot be solved: the equation stays as it was.
    bool ApplyCandidate(int k);
    void Undo();
    void Reset();
    void TimeSet();
    void TrendSet(const std::string& v);
    // Appends the current equation to the decided list and puts it into the
    // stored final form; marks the data set (when given) modified.
    void Decide(Data* data);

private:
    void StoreCurrent(const FFElement& e) { lists_.work.SetElement(current_, e); }

    FinalFormLists& lists_;
    int current_ = 0;
    FFList candidates_;
    FFList snapshot_;
    FFElement previous_;
};

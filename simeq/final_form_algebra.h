// The lag-polynomial algebra of final-form equations: collecting terms,
// substituting one equation into another with lag shifts, solving for the
// equation's own current value, and the equation's text.
#pragma once

#include <string>

#include "core/io/final_form_storage.h"

// Coefficients below this magnitude (2^-23, the single-precision epsilon)
// are dropped after each substitution.
constexpr double kFinalFormDropBelow = 0x1p-23;
// Products below this magnitude are not added; an own coefficient this close
// to 1 cannot be solved for.
constexpr double kFinalFormEpsilon = 2.220446049250313e-16;
// Substitution passes before an equation counts as unsolvable.
constexpr int kSubstituteMaxPasses = 10000;

// Nothing for a coefficient of exactly 0 (false); otherwise adds it to the
// term of the same name and lag, or appends the cell (true).
bool AddTerm(FFElement& e, const FFCell& cell);
// First term with that name (any lag) / that name and lag; -1 when none.
int FindTerm(const FFElement& e, const std::string& name);
int FindTerm(const FFElement& e, const std::string& name, int lag);

// Replaces every occurrence of f's variable in e by f's right-hand side,
// shifted by the occurrence's lag, solving e again for its own current
// value after each pass. False when done; true when e cannot be solved: its
// own coefficient became 1, a coefficient stopped being a finite number, or
// the passes did not end within kSubstituteMaxPasses (e then holds the state
// reached). passes (when given) receives the number of passes made.
bool Substitute(FFElement& e, const FFElement& f, int* passes = nullptr);

// "Y[t] = +0.5000*Y[t-1]+X[t]+2.0000": the constant as its coefficient, a
// coefficient of exactly 1 or -1 as its sign only.
std::string GetText(const FFElement& e);
// The lag suffix of a term: "[t]", "[t-1]", "[t+2]".
std::string LagText(int lag);

// Replaces the first element of the same variable, else appends.
void Put(FFList& list, const FFElement& e);
// Put of every element of other, in order.
void Merge(FFList& list, const FFList& other);
// Position of the first element of that variable, -1 when none.
int FindElement(const FFList& list, const std::string& name);

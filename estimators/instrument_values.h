// The instrument of one variable of an instrumental-variable model: ranks,
// a first stage, or typed values, written into the model's estimation design
// in place of the variable's observed column.
#pragma once

#include <functional>
#include <string>
#include <vector>

class RegIV;
class InstrumentFirstStage;

// rank / n of each value; ties (within 2.220446049250313e-16) share the
// average rank.
std::vector<double> RankInstrument(const std::vector<double>& observed);

// Pearson's r of the variable's design column (the instrument in place)
// with its observed column.
double InstrumentCorrelation(const RegIV& model, int var);

// Puts values in place of design column var. Refused with Exception
// "設定に失敗しました。", the design unchanged, for a variable that is not
// an explanatory column of the model or a count other than the model's
// observations.
void SetInstrument(RegIV& model, int var, const std::vector<double>& values);

// The first stage's K * fitted + (1 - K) * observed as the instrument of
// var. The first stage must cover the model's observations (refused as
// above otherwise).
void SetFirstStageInstrument(RegIV& model, int var, const InstrumentFirstStage& firstStage, double k);

// The observed column back in place of the instrument.
void RestoreObservedColumn(RegIV& model, int var);

// K from the text of the K prompt: "<auto>" gives the model's default K;
// anything else is read by evaluate.
double KFromText(const std::string& text, const RegIV& model,
                 const std::function<double(const std::string&)>& evaluate);

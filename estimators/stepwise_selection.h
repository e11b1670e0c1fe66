// Stepwise choice of the explanatory variables of the least-squares model:
// forward-backward selection on the sweep of the model's moment matrix, in
// two stages with their own F-to-enter and F-to-remove limits, honouring
// variables that must be in the model and variables that must stay out.
//
// The run starts from the model with the constant term alone and never
// changes the model itself; the caller applies the result with
// Reg::SetModel(dependent, roles).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Reg;

struct StepwiseOptions {
    // Stage 1 takes in almost every candidate, stage 2 trims the model.
    double fIn1 = 0.2, fOut1 = 0.2;
    double fIn2 = 2.0, fOut2 = 2.0;
    // Variables by name. The dependent variable and names the data set does
    // not hold are ignored.
    std::vector<std::string> forcedIn;
    std::vector<std::string> forcedOut;
};

struct StepwiseResult {
    int dependent = 0;
    // The chosen explanatory variables (forced-in ones included), ascending.
    std::vector<int> chosen;
    // Roles for Reg::SetModel: k + 1 entries, the constant term last.
    std::vector<std::uint8_t> roles;
    int residualDf = 0;
    // Steps taken by each stage (each stops after kStepLimit).
    int steps[2] = {0, 0};
};

// A stage that still changes the model after this many steps ends there.
inline constexpr int kStepwiseStepLimit = 200;
// No variable enters when the residual degrees of freedom would fall below
// this, so the result is always a model the main window accepts.
inline constexpr int kStepwiseMinimumDf = 3;

// Runs the selection for the model's current dependent variable. Raises
// EMathError when the model holds no moment matrix for its present shape.
StepwiseResult RunStepwiseSelection(const Reg& reg, const StepwiseOptions& options);

// The names the dialog starts with: the candidates and the forced-out list.
// Under two-stage estimation untyped variables start forced out; the
// dependent variable is in neither list.
struct StepwiseLists {
    std::vector<std::string> candidates;
    std::vector<std::string> forcedOut;
};
StepwiseLists StepwiseStartingLists(const Reg& reg);

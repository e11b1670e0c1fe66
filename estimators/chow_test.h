// The structural change (Chow) test of the current least-squares model:
// the model fitted on part A, on part B and on both together, and
// F = ((SSE - SSE_A - SSE_B) / k) / ((SSE_A + SSE_B) / (n1 + n2 - 2k)).
//
// The parts are the observations before and from a boundary, or the
// observations of two groups of the data set. Under two-stage estimation
// each part runs its own first stage. The model is never changed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "estimators/chow_part.h"

class Reg;

enum class ChowMode { kBoundary, kGroups };

struct ChowOptions {
    ChowMode mode = ChowMode::kBoundary;
    // Boundary mode: observations in part A; held to the range below.
    int boundary = 0;
    // Group mode: the group numbers of parts A and B.
    int groupA = 0, groupB = 0;
};

struct ChowResult {
    int n = 0, n1 = 0, n2 = 0;
    int k = 0;  // coefficients of each fit, the constant term included
    std::string dependentName;
    // k names: the constant term, then the regressors.
    std::vector<std::string> names;
    RegData a, b;
    double sse = 0.0;   // pooled fit
    double varY = 0.0;  // of the pooled dependent values
    double f = 0.0;
    double level = 100.0;  // percent

    double SseA() const { return a.sse; }
    double SseB() const { return b.sse; }
};

// The boundaries a part may take: each part keeps kx + 2 observations,
// and under two-stage estimation as many as the exogenous variables and
// the constant term plus one, so no part's first stage is exactly
// determined. Nothing when the data set is too small for any boundary.
struct ChowBoundaryRange {
    int minimum = 0;
    int maximum = 0;
};
std::optional<ChowBoundaryRange> ChowBoundaryLimits(const Reg& reg);
// A typed boundary held to the range (the range must exist).
int ClampChowBoundary(const ChowBoundaryRange& range, int boundary);

// The test. Nothing in group mode when either group number marks no cell.
// Raises Exception "データ不足" when no boundary is possible, and
// EMathError with the failing part's name and "の計算が出来ません。" when
// a part cannot be fitted (too few observations, a regressor without
// variation in the part, the same group twice, a group without the model's
// variables).
std::optional<ChowResult> ComputeChowTest(const Reg& reg, const ChowOptions& options);

// The parts' names in messages and plots.
const std::string& ChowPooledName();  // "両群"
const std::string& ChowPartName(int part);  // "Ａ群", "Ｂ群"
// "<part>の計算が出来ません。"
[[noreturn]] void ThrowChowPartFailure(const std::string& part);

// F and its level from the three fits (both modes).
void FinishChowStatistic(ChowResult& r);
// Group mode, on the data set's group marks.
std::optional<ChowResult> ComputeChowGroups(const Reg& reg, int groupA, int groupB);

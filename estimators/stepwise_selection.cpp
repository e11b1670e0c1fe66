#include "estimators/stepwise_selection.h"

#include <cmath>
#include <limits>

#include "core/model/regression_model.h"
#include "core/numeric/matrix.h"
#include "platform/errors.h"

namespace {

// Per-index state of a run.
enum Mark : int { kForcedOut = -2, kOutside = -1, kDependent = 0, kRemovable = 1, kForcedIn = 2 };

struct Selection {
    LongMatrix S;
    std::vector<long double> tol;
    std::vector<int> mark;
    int d = 0;
    int k = 0;
    int df = 0;

    // A variable with no variation left after those in the model cannot
    // be swept in.
    bool Enterable(int j) const { return S[j][j] > 0.0L && !(S[j][j] < tol[j]); }
    bool RoomToEnter() const { return df - 1 >= kStepwiseMinimumDf; }
    bool SweepOn(int j) { return S.Sweep(j) == SweepResult::kSwept; }

    // One step; false when nothing changes.
    bool Step(double fIn, double fOut) {
        const long double syy = S[d][d];
        const long double s2 = syy / df;
        int bestIn = -1, bestOut = -1;
        long double fInMax = -1e50L, fOutMin = 1e50L;
        for (int j = 0; j < k; ++j) {
            if (j == d || (mark[j] != kOutside && mark[j] != kRemovable)) continue;
            if (mark[j] == kOutside) {
                if (!Enterable(j) || !RoomToEnter()) continue;
                const long double v = S[j][d] * S[j][d] / S[j][j];
                const long double f = v / ((syy - v) / (df - 1));
                // Equal values: the later index wins.
                if (!std::isnan(f) && f >= fInMax) {
                    fInMax = f;
                    bestIn = j;
                }
            } else {
                const long double v = S[j][d] * S[j][d] / S[j][j];
                const long double f = v / s2;
                if (!std::isnan(f) && f <= fOutMin) {
                    fOutMin = f;
                    bestOut = j;
                }
            }
        }
        if (bestOut >= 0 && fOutMin <= fOut && SweepOn(bestOut)) {
            mark[bestOut] = kOutside;
            ++df;
            return true;
        }
        if (bestIn >= 0 && fInMax >= fIn && SweepOn(bestIn)) {
            mark[bestIn] = kRemovable;
            --df;
            return true;
        }
        return false;
    }
};

}  // namespace

StepwiseResult RunStepwiseSelection(const Reg& reg, const StepwiseOptions& options) {
    const int k = reg.GetVarCount();
    const LongMatrix& start = reg.UnsweptMoments();
    if (k < 1 || start.Rows() != k + 1 || start.Cols() != k + 1 || reg.GetObsCount() < 2)
        throw EMathError("推定結果がありません。");

    Selection sel;
    sel.S.Replace(start);
    sel.k = k;
    sel.d = reg.GetDependent();
    sel.df = reg.GetObsCount() - 1;
    sel.tol.resize(k + 1);
    sel.mark.assign(k + 1, kOutside);
    for (int j = 0; j <= k; ++j) sel.tol[j] = sel.S[j][j] * 1e-6L;
    sel.mark[sel.d] = kDependent;
    sel.mark[k] = kRemovable;  // the constant term, never examined
    for (const std::string& name : options.forcedOut) {
        const int j = reg.FindVar(name);
        if (j >= 0 && j < k && j != sel.d) sel.mark[j] = kForcedOut;
    }
    for (const std::string& name : options.forcedIn) {
        const int j = reg.FindVar(name);
        if (j < 0 || j >= k || j == sel.d || sel.mark[j] == kForcedIn) continue;
        if (sel.Enterable(j) && sel.RoomToEnter() && sel.SweepOn(j)) {
            sel.mark[j] = kForcedIn;
            --sel.df;
        }
    }

    StepwiseResult result;
    const double limits[2][2] = {{options.fIn1, options.fOut1}, {options.fIn2, options.fOut2}};
    for (int stage = 0; stage < 2; ++stage) {
        int steps = 0;
        while (steps < kStepwiseStepLimit && sel.Step(limits[stage][0], limits[stage][1])) ++steps;
        result.steps[stage] = steps;
    }

    result.dependent = sel.d;
    result.residualDf = sel.df;
    result.roles.assign(k + 1, Reg::kRoleUnused);
    for (int j = 0; j <= k; ++j) {
        if (sel.mark[j] <= 0) continue;
        result.roles[j] = Reg::kRoleExplanatory;
        if (j < k) result.chosen.push_back(j);
    }
    result.roles[sel.d] = Reg::kRoleDependent;
    return result;
}

StepwiseLists StepwiseStartingLists(const Reg& reg) {
    StepwiseLists lists;
    const int k = reg.GetVarCount();
    const int d = reg.GetDependent();
    for (int j = 0; j < k; ++j) {
        if (j == d) continue;
        if (reg.IsTwoStage() && reg.GetVarType(j) == Var::kUndefined)
            lists.forcedOut.push_back(reg.GetVarName(j));
        else
            lists.candidates.push_back(reg.GetVarName(j));
    }
    return lists;
}

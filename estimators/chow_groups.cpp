// Group mode of the structural change test: parts A and B are the
// observations marked with two group numbers, fitted by the model's group
// regressions (each with its own first stage under two-stage estimation).
#include <cmath>
#include <memory>

#include "core/data/group_mask.h"
#include "core/model/group_fit.h"
#include "core/model/regression_model.h"
#include "estimators/chow_test.h"
#include "platform/errors.h"

namespace {

std::unique_ptr<Group> MakeGroup(const Reg& reg, std::uint16_t mask, const std::string& dep, const std::string& name) {
    try {
        auto g = std::make_unique<Group>(reg, mask, true, dep, reg.GetName());
        if (!g->Usable()) ThrowChowPartFailure(name);
        return g;
    } catch (const EOutOfMemory&) {
        throw;
    } catch (const Exception&) {
        ThrowChowPartFailure(name);
    }
}

// Marks the group's columns that are explanatory in the model; every one of
// the model's explanatory variables must be among them.
std::vector<std::uint8_t> ModelSelection(const Reg& reg, const Group& g, int kx, const std::string& name) {
    std::vector<std::uint8_t> sel(g.Cols(), 0);
    int found = 0;
    for (int s = 0; s < g.Cols(); ++s) {
        const int j = reg.FindVar(g.GetVarName(s));
        if (j >= 0 && reg.IsExplanatory(j)) {
            sel[s] = 1;
            ++found;
        }
    }
    if (found != kx) ThrowChowPartFailure(name);
    return sel;
}

// Fits the group with exactly the model's variables; a variable the group
// cannot take in fails the part instead of leaving a shorter model.
GroupFit FitGroup(const Reg& reg, Group& g, int kx, const std::string& dep, const std::string& name) {
    const std::vector<std::uint8_t> sel = ModelSelection(reg, g, kx, name);
    std::optional<GroupFit> fit = g.Estimate(dep, &sel);
    if (!fit || fit->CountSelected() != kx + 1 || !std::isfinite(fit->sse)) ThrowChowPartFailure(name);
    for (double c : fit->coef)
        if (!std::isfinite(c)) ThrowChowPartFailure(name);
    return std::move(*fit);
}

// The record of one part: constant term first, then the fitted columns in
// the group's order.
RegData PartRecord(const Group& g, const GroupFit& fit, int k, std::vector<std::string>* names) {
    const int n = g.Rows();
    RegData r(n, k);
    const int D = fit.dependent;
    r.coef[0] = fit.coef[D];
    r.stdErr[0] = fit.stdErr[D];
    r.heldStdErr[0] = fit.heldStdErr[D];
    if (names) names->push_back(Reg::ConstantName());
    int at = 1;
    for (int s = 0; s < g.Cols() && at < k; ++s) {
        if (s == D || !fit.inModel[s]) continue;
        r.coef[at] = fit.coef[s];
        r.stdErr[at] = fit.stdErr[s];
        r.heldStdErr[at] = fit.heldStdErr[s];
        if (names) names->push_back(g.GetVarName(s));
        ++at;
    }
    r.sse = fit.sse;
    r.r2 = fit.r2;
    r.varY = fit.varY;
    for (int i = 0; i < n; ++i) {
        r.fitted[i] = fit.fitted[i];
        r.leverage[i] = fit.leverage[i];
    }
    FinishPartRows(r, fit.residual);
    return r;
}

}  // namespace

std::optional<ChowResult> ComputeChowGroups(const Reg& reg, int groupA, int groupB) {
    if (!reg.HasGroup(groupA) || !reg.HasGroup(groupB)) return std::nullopt;
    // One group against itself would test nothing.
    if (groupA == groupB) ThrowChowPartFailure(ChowPooledName());
    const std::uint16_t maskA = GroupBit(groupA), maskB = GroupBit(groupB);
    const std::string dep = reg.GetVarName(reg.GetDependent());
    auto pooled = MakeGroup(reg, maskA | maskB, dep, ChowPooledName());
    auto a = MakeGroup(reg, maskA, dep, ChowPartName(0));
    auto b = MakeGroup(reg, maskB, dep, ChowPartName(1));
    if (pooled->Cols() != a->Cols() || a->Cols() != b->Cols()) ThrowChowPartFailure(ChowPooledName());
    for (int s = 0; s < a->Cols(); ++s)
        if (a->GetVarName(s) != b->GetVarName(s)) ThrowChowPartFailure(ChowPooledName());

    const int kx = reg.CountExplanatory();
    const GroupFit fitPooled = FitGroup(reg, *pooled, kx, dep, ChowPooledName());
    const GroupFit fitA = FitGroup(reg, *a, kx, dep, ChowPartName(0));
    const GroupFit fitB = FitGroup(reg, *b, kx, dep, ChowPartName(1));

    ChowResult r;
    r.n = pooled->Rows();
    r.n1 = a->Rows();
    r.n2 = b->Rows();
    r.k = kx + 1;
    r.dependentName = dep;
    r.a = PartRecord(*a, fitA, r.k, &r.names);
    r.b = PartRecord(*b, fitB, r.k, nullptr);
    r.sse = fitPooled.sse;
    r.varY = fitPooled.varY;
    return r;
}

#include "simeq/sur_equations.h"

#include <cstdint>
#include <optional>
#include <string>

#include "core/model/group_fit.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"

namespace {

constexpr int kGroupCount = 16;

SurEquation FromGroup(const Reg& model, int dependent, int groupCode) {
    const bool validCode = groupCode >= 1 && groupCode <= kGroupCount;
    const std::string name = validCode ? model.GetGroupName(groupCode) : std::to_string(groupCode);
    const Exception failed("式（" + name + "）の設定に失敗しました。");
    if (!validCode || dependent < 0 || dependent >= model.GetVarCount()) throw failed;
    const std::string depName = model.GetVarName(dependent);
    const auto mask = static_cast<std::uint16_t>(1u << (groupCode - 1));

    std::optional<Group> group;
    try {
        group.emplace(model, mask, true, depName, name);
    } catch (const EOutOfMemory&) {
        throw;
    } catch (const Exception&) {
        throw failed;  // a group without observations
    }
    // The group needs no fit of its own: a group with one observation more
    // than columns is set up, and the estimation refuses it for its degrees
    // of freedom.
    const int d = group->Usable() ? group->FindVar(depName) : -1;
    if (d < 0) throw failed;

    SurEquation e;
    e.name = name;
    const int n = group->Rows(), k = group->Cols();
    // The dependent's column trades places with the last one, which holds
    // the constant term.
    e.dependentPos = k - 1;
    const auto source = [&](int j) { return j == e.dependentPos ? d : j == d ? e.dependentPos : j; };
    for (int j = 0; j < k; ++j) e.varNames.push_back(group->GetVarName(source(j)));
    e.y.resize(static_cast<std::size_t>(n));
    e.residualRegressors.Resize(n, k, false);
    e.estimationRegressors.Resize(n, k, false);
    const bool observedResiduals = model.IsRealCalc();
    for (int t = 0; t < n; ++t) {
        e.y[t] = group->GetValue(t, d);
        for (int j = 0; j < k; ++j) {
            if (j == e.dependentPos) {
                e.residualRegressors[t][j] = e.estimationRegressors[t][j] = 1.0;
                continue;
            }
            const double stage = group->GetStageValue(t, source(j));
            e.estimationRegressors[t][j] = stage;
            e.residualRegressors[t][j] = observedResiduals ? group->GetValue(t, source(j)) : stage;
        }
    }
    return e;
}

}  // namespace

std::vector<SurEquation> MakeSurEquations(const Reg& model, const std::vector<int>& dependent,
                                          const std::vector<int>& group) {
    if (dependent.empty() || group.empty()) throw Exception("式がありません");
    if (dependent.size() != group.size()) throw ERangeError("式の従属変数とグループの数が合いません。");
    std::vector<SurEquation> out;
    out.reserve(group.size());
    for (std::size_t i = 0; i < group.size(); ++i) out.push_back(FromGroup(model, dependent[i], group[i]));
    return out;
}

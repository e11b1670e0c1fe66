#include "core/model/group_fit.h"

#include <cmath>
#include <sstream>
#include <utility>

#include "core/io/data_file.h"
#include "core/model/leverage_forms.h"
#include "core/model/regression_data_blocks.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "core/numeric/moment_matrix.h"
#include "core/numeric/numeric_helpers.h"
#include "platform/errors.h"

int GroupFit::CountSelected() const {
    int count = 1;
    const int k = static_cast<int>(coef.size());
    for (int j = 0; j < k; ++j)
        if (inModel[j]) ++count;
    return count;
}

Group::Group(const Reg& owner, std::uint16_t mask, bool useModel, const std::string& dependentName,
             const std::string& dataSetName)
    : owner_(&owner), mask_(mask), name_(dataSetName) {
    const int ownerK = owner.GetVarCount();
    std::vector<std::uint8_t> selection(ownerK, 1);
    if (useModel && mask == 0)
        for (int j = 0; j < ownerK; ++j) selection[j] = owner.GetRole(j) != Reg::kRoleUnused ? 1 : 0;
    std::vector<std::string> names;
    BuildDesignMatrix(owner, mask, &selection, false, useModel, names, stageValues_, dependentName);
    BuildDesignMatrix(owner, mask, &selection, false, false, names_, values_, dependentName);
    n_ = values_.Rows();
    k_ = values_.Cols() - 1;
    if (n_ == 0 || k_ <= 0 || n_ <= k_) {
        values_.Clear();
        stageValues_.Clear();
        names_.clear();
        n_ = k_ = 0;
        return;
    }
    usable_ = true;

    // Group words of the block's own cells, so that each row keeps the
    // words of the observation its values came from.
    marks_ = NewMarkTable(n_, k_);
    types_.assign(k_, 0);
    std::vector<int> ownerColumn(k_, -1);
    for (int s = 0; s < k_; ++s) {
        ownerColumn[s] = owner.FindVar(names_[s]);
        if (ownerColumn[s] >= 0) types_[s] = owner.GetVar(ownerColumn[s]).GetType();
    }
    if (mask != 0) {
        std::vector<std::uint8_t> flags;
        int varCount = 0, obsCount = 0;
        if (SelectDataBlock(owner, mask, false, &flags, nullptr, varCount, obsCount)) {
            int t = 0;
            for (int i = 0; i < static_cast<int>(flags.size()) && t < n_; ++i) {
                if (!flags[i]) continue;
                for (int s = 0; s < k_; ++s) {
                    if (ownerColumn[s] < 0) continue;
                    const std::uint16_t word = owner.GetMark(i, ownerColumn[s]);
                    marks_[t][s] = (word & mask) != 0 ? word : 0;
                }
                ++t;
            }
        }
        // Group g is stored under code g (bit g - 1), as the data-file
        // reader expects.
        for (int g = 1; g <= 16; ++g) {
            if ((mask & GroupBit(g)) == 0) continue;
            const std::string groupName = owner.GetGroupName(g);
            if (!groupName.empty()) groupNames_.SetName(groupName, g);
        }
    }
}

int Group::FindVar(const std::string& name) const {
    for (int j = 0; j < k_; ++j)
        if (names_[j] == name) return j;
    return -1;
}

void Group::ExchangeColumns(int a, int b) {
    std::swap(names_[a], names_[b]);
    std::swap(types_[a], types_[b]);
    for (int i = 0; i < n_; ++i) {
        std::swap(values_[i][a], values_[i][b]);
        std::swap(stageValues_[i][a], stageValues_[i][b]);
        std::swap(marks_[i][a], marks_[i][b]);
    }
}

double Group::ComputeResiduals(GroupFit& fit) const {
    const int D = fit.dependent;
    std::vector<int> in;
    for (int u = 0; u <= k_; ++u)
        if (fit.inModel[u]) in.push_back(u);
    long double sse = 0.0L;
    for (int i = 0; i < n_; ++i) {
        const double* v = values_[i];
        long double fitted = 0.0L, leverage = 0.0L;
        for (int u : in) {
            fitted += v[u] * fit.moments[u][D];
            long double row = 0.0L;
            for (int w : in) row += fit.moments[u][w] * v[w];
            leverage += v[u] * row;
        }
        fit.fitted[i] = static_cast<double>(fitted);
        fit.leverage[i] = LeverageSnappedToOne(static_cast<double>(leverage));
        fit.residual[i] = v[D] - fit.fitted[i];
        sse += static_cast<long double>(fit.residual[i]) * fit.residual[i];
    }
    return static_cast<double>(sse);
}

std::optional<GroupFit> Group::Estimate(const std::string& depName, const std::vector<std::uint8_t>* selection) {
    if (!usable_) return std::nullopt;
    const std::string name = mask_ == 0 ? owner_->GetVarName(owner_->GetDependent()) : depName;
    const int d = FindVar(name);
    if (d < 0 || n_ <= k_ + 1) return std::nullopt;
    std::vector<std::uint8_t> sel;
    if (selection != nullptr) sel = *selection;
    sel.resize(std::max<std::size_t>(sel.size(), static_cast<std::size_t>(k_)), 0);

    GroupFit fit;
    const int D = k_ - 1;
    if (d != D) {
        ExchangeColumns(d, D);
        std::swap(sel[d], sel[D]);
    }
    fit.dependent = D;
    BuildMomentMatrix(stageValues_, n_, k_, fit.moments);
    fit.coef.assign(k_, 0.0);
    fit.stdErr.assign(k_, 0.0);
    fit.heldStdErr.assign(k_, 0.0);
    fit.blocked.assign(k_, 0);
    fit.tolerance.assign(k_ + 1, 0.0);
    fit.inModel.assign(k_ + 1, 0);
    fit.inModel[k_] = 1;
    fit.residual.assign(n_, 0.0);
    fit.leverage.assign(n_, 0.0);
    fit.fitted.assign(n_, 0.0);

    const auto& m = fit.moments;
    fit.syy = static_cast<double>(m[D][D]);
    for (int s = 0; s <= k_; ++s)
        if (s != D) fit.tolerance[s] = static_cast<double>(m[s][s]) * 1e-6;
    fit.residualDf = n_ - 1;
    fit.varY = fit.syy / (n_ - 1);
    fit.sse = ComputeResiduals(fit);
    fit.s2 = fit.sse / fit.residualDf;
    fit.coef[D] = static_cast<double>(m[k_][D]);
    fit.stdErr[D] = std::sqrt(static_cast<double>(m[k_][k_]) * fit.s2);
    fit.heldStdErr[D] = std::sqrt(static_cast<double>(m[k_][k_]) * HeldAtFloor(fit.s2, VarianceFloorOf(fit.varY)));
    fit.blocked[D] = 1;
    for (int s = 0; s < k_; ++s) {
        if (s == D) continue;
        const double diag = static_cast<double>(m[s][s]);
        const double a = static_cast<double>(m[s][D]);
        // A column without spread (zero diagonal) can never enter.
        if (fit.tolerance[s] >= diag) {
            fit.blocked[s] = 1;
            continue;
        }
        const double r = a * a / diag;
        const double q = (fit.sse - r) / (fit.residualDf - 1);
        fit.blocked[s] = (!(std::fabs(q) > VarianceFloorOf(fit.varY)) || r / q < 0.0) ? 1 : 0;
    }
    for (int s = 0; s < k_; ++s)
        if (sel[s]) ToggleVariable(fit, s);
    return fit;
}

bool Group::ToggleVariable(GroupFit& fit, int s) const {
    if (s < 0 || s >= k_ || fit.blocked[s]) return false;
    try {
        GroupFit next = fit;
        if (next.moments.Sweep(s) == SweepResult::kZeroPivot) return false;
        const bool entering = next.inModel[s] == 0;
        next.inModel[s] = entering ? 1 : 0;
        next.residualDf += entering ? -1 : 1;
        if (next.residualDf < 1) return false;
        next.sse = ComputeResiduals(next);
        next.s2 = next.sse / next.residualDf;
        next.r2 = 1.0 - next.sse / next.syy;
        next.adjR2 = 1.0 - next.s2 / next.varY;
        // Also catches a dependent variable without spread (0 / 0).
        if (!(next.r2 >= kSingleEpsilon)) next.r2 = 0.0;
        if (!(next.adjR2 >= kSingleEpsilon)) next.adjR2 = 0.0;
        const int D = next.dependent;
        const auto& m = next.moments;
        const double s2Held = HeldAtFloor(next.s2, VarianceFloorOf(next.varY));
        next.coef[D] = static_cast<double>(m[k_][D]);
        next.stdErr[D] = std::sqrt(static_cast<double>(m[k_][k_]) * next.s2);
        next.heldStdErr[D] = std::sqrt(static_cast<double>(m[k_][k_]) * s2Held);
        for (int j = 0; j < k_; ++j) {
            if (j == D) continue;
            const double a = static_cast<double>(m[j][D]);
            const double d = static_cast<double>(m[j][j]);
            const bool singular = next.tolerance[j] >= d;
            const double r = singular ? next.sse : a * a / d;
            const double q = (next.sse - r) / (next.residualDf - 1);
            if (next.inModel[j]) {
                next.blocked[j] = singular ? 0 : (r < 0.0 ? 1 : 0);
                next.coef[j] = a;
                next.stdErr[j] = std::sqrt(d * next.s2);
                next.heldStdErr[j] = std::sqrt(d * s2Held);
            } else {
                const bool small = !(std::fabs(q) > VarianceFloorOf(next.varY));
                next.blocked[j] = (singular || small || r / q < 0.0) ? 1 : 0;
                next.coef[j] = 0.0;
                next.stdErr[j] = next.heldStdErr[j] = 0.0;
            }
        }
        fit = std::move(next);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

void Group::SaveToFile(const std::string& fileName, const EngineContext& context) const {
    if (!usable_) throw Exception("DERR");
    Data data(n_, k_, name_);
    for (int s = 0; s < k_; ++s) {
        Var& var = data.GetVar(s);
        var.SetName(names_[s]);
        var.SetInfo(names_[s]);
        var.SetType(types_[s]);
        for (int i = 0; i < n_; ++i) {
            data.SetValue(i, s, values_[i][s]);
            data.SetMark(i, s, marks_[i][s]);
        }
    }
    WriteFileReplacing(fileName, [&](std::ostream& out) {
        WriteGroupDataFile(data, groupNames_, out, context.Services());
    }, context);
}

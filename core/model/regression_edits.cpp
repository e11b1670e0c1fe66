// Structural edits of the model: the data set's edit with the role array
// kept in step.
#include <algorithm>

#include "core/model/regression_model.h"
#include "platform/ui_services.h"

void Reg::FitRolesToShape() {
    const auto size = static_cast<std::size_t>(GetVarCount()) + 1;
    if (role_.size() == size) return;
    role_.resize(size, kRoleUnused);
    for (std::size_t j = 0; j + 1 < size; ++j)
        if (role_[j] > kRoleExplanatory) role_[j] = kRoleUnused;
    role_.back() = kRoleExplanatory;
}

void Reg::ExchangeVars(int i, int j, bool reestimate) {
    const int k = GetVarCount();
    if (i == j || i < 0 || j < 0 || i >= k || j >= k) return;
    FitRolesToShape();
    SwapVars(i, j);
    std::swap(role_[static_cast<std::size_t>(i)], role_[static_cast<std::size_t>(j)]);
    if (reestimate) Reestimate(false);
}

void Reg::ExchangeObservations(int i, int j, bool reestimate) {
    SwapObservations(i, j);
    if (reestimate) Reestimate(false);
}

void Reg::AppendVar(Var& var, bool reestimate) {
    FitRolesToShape();
    AddVar(var);
    role_.insert(role_.end() - 1, kRoleUnused);
    if (reestimate) Reestimate(false);
}

void Reg::InsertVar(int j, Var& var, std::uint8_t role, bool reestimate) {
    const int k = GetVarCount();
    if (j < 0 || j > k) return;
    FitRolesToShape();
    Data::InsertVar(j, var);
    role_.insert(role_.begin() + j, role);
    if (reestimate) Reestimate(false);
}

bool Reg::CanDeleteVarName(const std::string& name) const {
    const int j = FindVar(name);
    return CanDeleteVar(j);
}

bool Reg::CanDeleteVar(int j) const {
    const int k = GetVarCount();
    if (j < 0 || j >= k || k < 2) return false;
    const auto r = static_cast<std::size_t>(j);
    if (role_.size() == static_cast<std::size_t>(k) + 1) return role_[r] != kRoleDependent;
    return j != dependent_;
}

bool Reg::DeleteVar(const std::string& name, bool reestimate) {
    const int j = FindVar(name);
    if (!CanDeleteVar(j)) return false;
    FitRolesToShape();
    Data::DeleteVar(j);
    role_.erase(role_.begin() + j);
    if (expres_.DeleteMentioning(name)) {
        SetModified(true);
        WarningBox(Context().Services(), "関連する同時方程式も削除されました。");
    }
    if (reestimate) Reestimate(false);
    return true;
}

bool Reg::AppendObservation(std::span<const double> values, std::span<const std::uint16_t> marks,
                            bool reestimate) {
    return InsertObservation(GetObsCount(), values, marks, reestimate);
}

bool Reg::AppendObservationCells(const DataString& cells, bool reestimate) {
    return InsertObservationCells(GetObsCount(), cells, reestimate);
}

bool Reg::InsertObservation(int i, std::span<const double> values, std::span<const std::uint16_t> marks,
                            bool reestimate) {
    if (!Data::InsertObservation(i, values, marks)) return false;
    if (reestimate) Reestimate(false);
    return true;
}

bool Reg::InsertObservationCells(int i, const DataString& cells, bool reestimate) {
    if (!Data::InsertObservationCells(i, cells)) return false;
    if (reestimate) Reestimate(false);
    return true;
}

bool Reg::DeleteObservation(int i, bool reestimate) {
    if (i < 0 || i >= GetObsCount() || GetObsCount() < 2) return false;
    Data::DeleteObservation(i);
    if (reestimate) Reestimate(false);
    return true;
}

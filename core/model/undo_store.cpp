#include "core/model/undo_store.h"

#include <new>

#include <algorithm>
#include <utility>

#include "core/model/regression_model.h"
#include "platform/ui_services.h"

namespace {

// What applying a record does to the model, by kind and direction.
enum class Op { Nothing, RemoveVar, InsertVar, RemoveObs, InsertObs, SwapVars, SwapObs, VarName, VarInfo,
                DataInfo, DataName, Cell, Type, BoxCox, Values, Marks, Equations, Restore, Reorder };

bool Has(UndoKind kind, std::initializer_list<UndoKind> kinds) {
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

Op OpOf(UndoKind kind, bool undo) {
    using K = UndoKind;
    if (Has(kind, {K::VarAppended, K::VarInserted})) return undo ? Op::RemoveVar : Op::InsertVar;
    if (Has(kind, {K::VarDeleted, K::VarsDeleted})) return undo ? Op::InsertVar : Op::RemoveVar;
    if (Has(kind, {K::ObsAppended, K::ObsInserted, K::ObsesInserted})) return undo ? Op::RemoveObs : Op::InsertObs;
    if (Has(kind, {K::ObsDeleted, K::ObsesDeleted})) return undo ? Op::InsertObs : Op::RemoveObs;
    switch (kind) {
        case K::VarsExchanged: return Op::SwapVars;
        case K::ObsExchanged: return Op::SwapObs;
        case K::VarRenamed: return Op::VarName;
        case K::VarComment: return Op::VarInfo;
        case K::DataInfo: return Op::DataInfo;
        case K::DataName: return Op::DataName;
        case K::CellSet:
        case K::RangeCell: return Op::Cell;
        case K::VarType: return Op::Type;
        case K::BoxCox: return Op::BoxCox;
        case K::VarValues: return Op::Values;
        case K::GroupMarks: return Op::Marks;
        case K::ExpresAdded:
        case K::ExpresDeleted:
        case K::ExpresCleared: return Op::Equations;
        case K::Sorted: return undo ? Op::Restore : Op::Reorder;
        default: return Op::Nothing;
    }
}

// Steps of these kinds leave the fit as it was.
bool ChangesFit(UndoKind kind) {
    using K = UndoKind;
    return !Has(kind, {K::None, K::VarRenamed, K::VarComment, K::DataInfo, K::DataName, K::GroupMarks,
                       K::ExpresAdded, K::ExpresDeleted, K::ExpresCleared});
}

int DependentOf(const Reg& model) {
    const auto& roles = model.Roles();
    const int k = model.GetVarCount();
    if (static_cast<int>(roles.size()) != k + 1) return model.GetDependent();
    for (int j = 0; j < k; ++j)
        if (roles[static_cast<std::size_t>(j)] == Reg::kRoleDependent) return j;
    return -1;
}

// The shape the records of a step see, followed through the step.
struct Shape {
    int k = 0;
    int n = 0;
    int dependent = -1;
};

bool InVar(const Shape& s, int j) { return j >= 0 && j < s.k; }
bool InObs(const Shape& s, int i) { return i >= 0 && i < s.n; }

// Empty when the record applies to the shape (which then moves on); else why not.
std::string Check(const UndoRecord& r, bool undo, Shape& s) {
    const std::string shifted = "記録と現在のデータの形が一致しません。";
    switch (OpOf(r.kind, undo)) {
        case Op::RemoveVar:
            if (!InVar(s, r.index)) return shifted;
            if (r.index == s.dependent) return "目的変数になった変数は削除できません。";
            if (s.k < 2) return "最後の変数は削除できません。";
            if (r.index < s.dependent) --s.dependent;
            --s.k;
            return {};
        case Op::InsertVar:
            if (r.index < 0 || r.index > s.k || !r.var) return shifted;
            if (s.dependent >= r.index) ++s.dependent;
            ++s.k;
            return {};
        case Op::RemoveObs:
            if (!InObs(s, r.index)) return shifted;
            if (s.n < 2) return "最後のデータ組は削除できません。";
            --s.n;
            return {};
        case Op::InsertObs:
            if (r.index < 0 || r.index > s.n || r.cells.Count() != s.k) return shifted;
            ++s.n;
            return {};
        case Op::SwapVars: return InVar(s, r.index) && InVar(s, r.arg2) ? std::string() : shifted;
        case Op::SwapObs: return InObs(s, r.index) && InObs(s, r.arg2) ? std::string() : shifted;
        case Op::VarName:
        case Op::VarInfo:
        case Op::Type: return InVar(s, r.index) ? std::string() : shifted;
        case Op::Cell: return InObs(s, r.index) && InVar(s, r.arg2) ? std::string() : shifted;
        case Op::Values:
            return InVar(s, r.index) && static_cast<int>(r.column.size()) == s.n ? std::string() : shifted;
        case Op::BoxCox: {
            if (static_cast<int>(r.flags.size()) != s.k) return shifted;
            for (const auto& c : r.columns)
                if (static_cast<int>(c.size()) != s.n) return shifted;
            return {};
        }
        case Op::Marks:
            return static_cast<int>(r.block.rowFlags.size()) == s.n &&
                           static_cast<int>(r.block.colFlags.size()) == s.k
                       ? std::string()
                       : shifted;
        case Op::Restore:
        case Op::Reorder: return static_cast<int>(r.order.size()) == s.n ? std::string() : shifted;
        default: return {};
    }
}

std::vector<int> Inverse(const std::vector<int>& order) {
    std::vector<int> inv(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) inv[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    return inv;
}

// Applies a checked record; returns its inverse (same kind, for the other list).
UndoRecord Apply(Reg& model, UndoRecord& r, bool undo, BoxCoxState& boxCox) {
    UndoRecord inv;
    inv.kind = r.kind;
    inv.index = r.index;
    inv.arg2 = r.arg2;
    switch (OpOf(r.kind, undo)) {
        case Op::RemoveVar: {
            inv.var = std::make_unique<Var>(model.GetVar(r.index));
            inv.arg2 = model.GetRole(r.index);
            ExpresList before = model.Expressions();
            const int count = before.GetCount();
            static_cast<void>(model.DeleteVar(model.GetVarName(r.index), false));
            if (model.Expressions().GetCount() != count) inv.equations = std::move(before);
            break;
        }
        case Op::InsertVar:
            model.InsertVar(r.index, *r.var, static_cast<std::uint8_t>(r.arg2), false);
            if (r.equations) {
                model.Expressions() = *r.equations;
                model.Expressions().MarkOutOfDate();
            }
            break;
        case Op::RemoveObs: {
            const int k = model.GetVarCount();
            inv.cells = DataString(k, 0, 0.0);
            for (int j = 0; j < k; ++j) inv.cells.Set(j, model.GetMark(r.index, j), model.GetValue(r.index, j));
            static_cast<void>(model.DeleteObservation(r.index, false));
            break;
        }
        case Op::InsertObs: static_cast<void>(model.InsertObservationCells(r.index, r.cells, false)); break;
        case Op::SwapVars: model.ExchangeVars(r.index, r.arg2, false); break;
        case Op::SwapObs: model.ExchangeObservations(r.index, r.arg2, false); break;
        case Op::VarName:
            inv.text = model.GetVarName(r.index);
            model.RenameVar(r.index, r.text);
            break;
        case Op::VarInfo:
            inv.text = model.GetVarInfo(r.index);
            model.SetVarInfo(r.index, r.text);
            break;
        case Op::DataInfo:
            inv.text = model.GetInfo();
            model.SetInfo(r.text);
            break;
        case Op::DataName:
            inv.text = model.GetName();
            model.SetName(r.text);
            break;
        case Op::Cell:
            inv.value = model.GetValue(r.index, r.arg2);
            model.RestoreValue(r.index, r.arg2, r.value);
            break;
        case Op::Type:
            inv.arg2 = model.GetVarType(r.index);
            model.SetVarType(r.index, r.arg2);
            break;
        case Op::Values:
            model.GetVarValues(r.index, inv.column);
            model.SetVarValues(r.index, r.column);
            break;
        case Op::BoxCox: {
            inv.flags = r.flags;
            std::size_t c = 0;
            for (std::size_t j = 0; j < r.flags.size(); ++j) {
                if (!r.flags[j]) continue;
                inv.columns.emplace_back();
                model.GetVarValues(static_cast<int>(j), inv.columns.back());
                model.SetVarValues(static_cast<int>(j), r.columns[c++]);
            }
            inv.boxCox = boxCox;
            boxCox = r.boxCox;
            model.SetModified(true);
            break;
        }
        case Op::Marks: {
            inv.block = r.block;
            std::size_t m = 0;
            const auto& rows = r.block.rowFlags;
            const auto& cols = r.block.colFlags;
            for (std::size_t i = 0; i < rows.size(); ++i) {
                if (!rows[i]) continue;
                for (std::size_t j = 0; j < cols.size() && m < r.block.marks.size(); ++j) {
                    if (!cols[j]) continue;
                    const int ii = static_cast<int>(i), jj = static_cast<int>(j);
                    inv.block.marks[m] = model.GetMark(ii, jj);
                    model.SetMark(ii, jj, r.block.marks[m++]);
                }
            }
            break;
        }
        case Op::Equations:
            inv.equations = model.Expressions();
            model.Expressions() = *r.equations;
            model.Expressions().MarkOutOfDate();
            model.SetModified(true);
            break;
        case Op::Restore:
            inv.order = r.order;
            model.RestoreObservationOrder(r.order);
            break;
        case Op::Reorder:
            inv.order = r.order;
            model.RestoreObservationOrder(Inverse(r.order));
            break;
        case Op::Nothing: break;
    }
    return inv;
}

}  // namespace

void UndoStore::SetLimit(int limit) {
    limit_ = std::max(1, limit);
    Trim();
    UpdateActions();
}

void UndoStore::BeginStep(const Reg& model, bool clearRedo) {
    if (stepOpen_) EndStep();
    if (clearRedo) ClearRedo();
    try {
        CheckRoom();
        undoSteps_.push_back({++nextStep_, current_, 0});
    } catch (const std::bad_alloc&) {
        DropHistoryForMemory();
        undoSteps_.push_back({++nextStep_, current_, 0});
    }
    stepOpen_ = true;
    Trim();
    static_cast<void>(model);
}

void UndoStore::Push(const Reg& model, UndoRecord record) {
    if (!stepOpen_) BeginStep(model, true);
    record.step = undoSteps_.back().id;
    const bool first = undo_.empty() || undo_.back().step != record.step;
    record.hasRoles = false;
    if (first && static_cast<int>(model.Roles().size()) == model.GetVarCount() + 1) {
        record.roles = model.Roles();
        record.hasRoles = true;
    }
    try {
        CheckRoom();
        undo_.push_back(std::move(record));
    } catch (const std::bad_alloc&) {
        // The step goes on alone in the fresh history, so that undo takes
        // back at least this edit (the records of the step before it went).
        DropHistoryForMemory();
        // Undoing what is left of the step leads to no state seen before.
        undoSteps_.push_back({++nextStep_, ++nextState_, 0});
        stepOpen_ = true;
        record.step = undoSteps_.back().id;
        undo_.push_back(std::move(record));
    }
}

void UndoStore::CheckRoom() {
    if (failAfter_ < 0) return;
    if (failAfter_-- == 0) throw std::bad_alloc();
}

void UndoStore::DropHistoryForMemory() {
    if (services_ != nullptr)
        services_->ShowMessageBox(MsgKind::Warning, "リソースが足りません。\nアンドゥ・リドゥをキャンセルします。", mbYes);
    // The model is where it was: unlike a load, this is no saved state.
    const std::uint64_t current = current_;
    const std::uint64_t saved = saved_;
    ClearAll();
    current_ = current;
    saved_ = saved;
}

void UndoStore::EndStep() {
    if (!stepOpen_) return;
    stepOpen_ = false;
    StepInfo& s = undoSteps_.back();
    if (undo_.empty() || undo_.back().step != s.id) {
        undoSteps_.pop_back();  // nothing was recorded
        return;
    }
    current_ = ++nextState_;
    s.after = current_;
    UpdateActions();
}

void UndoStore::PushStep(const Reg& model, UndoRecord record, bool clearRedo) {
    BeginStep(model, clearRedo);
    Push(model, std::move(record));
    EndStep();
}

void UndoStore::PushGroupMarks(const Reg& model, const GroupUndoBlock& block) {
    UndoRecord r;
    r.kind = UndoKind::GroupMarks;
    r.index = block.cellCount;
    r.block = block;
    PushStep(model, std::move(r), false);
}

void UndoStore::Trim() {
    while (static_cast<int>(undoSteps_.size()) > limit_) {
        const std::uint64_t id = undoSteps_.front().id;
        undoSteps_.pop_front();
        while (!undo_.empty() && undo_.front().step == id) undo_.pop_front();
    }
}

void UndoStore::ClearAll() {
    undo_.clear();
    redo_.clear();
    undoSteps_.clear();
    redoSteps_.clear();
    stepOpen_ = false;
    current_ = ++nextState_;
    saved_ = current_;
    UpdateActions();
}

void UndoStore::ClearRedo() {
    redo_.clear();
    redoSteps_.clear();
    UpdateActions();
}

void UndoStore::UpdateActions() {
    if (!services_) return;
    services_->SetUndoEditEnabled(!undo_.empty());
    services_->SetRedoEditEnabled(!redo_.empty());
}

bool UndoStore::Undo(Reg& model) { return Execute(model, true); }
bool UndoStore::Redo(Reg& model) { return Execute(model, false); }

bool UndoStore::Execute(Reg& model, bool undo) {
    refusal_.clear();
    if (stepOpen_) EndStep();
    auto& from = undo ? undo_ : redo_;
    auto& to = undo ? redo_ : undo_;
    auto& fromSteps = undo ? undoSteps_ : redoSteps_;
    auto& toSteps = undo ? redoSteps_ : undoSteps_;
    if (fromSteps.empty()) return false;
    const StepInfo step = fromSteps.back();
    std::size_t count = 0;
    while (count < from.size() && from[from.size() - 1 - count].step == step.id) ++count;

    // The whole step is checked before anything changes.
    Shape shape{model.GetVarCount(), model.GetObsCount(), DependentOf(model)};
    for (std::size_t c = 0; c < count && refusal_.empty(); ++c)
        refusal_ = Check(from[from.size() - 1 - c], undo, shape);
    const UndoRecord& bottom = from[from.size() - count];
    if (refusal_.empty() && bottom.hasRoles && static_cast<int>(bottom.roles.size()) != shape.k + 1)
        refusal_ = "記録と現在のデータの形が一致しません。";
    if (!refusal_.empty()) {
        WarningBox(model.Context().Services(), (undo ? "元に戻せません。\n" : "やり直せません。\n") + refusal_);
        return false;
    }

    const bool rolesKnown = static_cast<int>(model.Roles().size()) == model.GetVarCount() + 1;
    const std::vector<std::uint8_t> rolesNow = model.Roles();
    bool refit = false;
    std::vector<UndoRecord> inverses;
    inverses.reserve(count);
    for (std::size_t c = 0; c < count; ++c) {
        UndoRecord& r = from.back();
        refit = refit || ChangesFit(r.kind);
        UndoRecord inv = Apply(model, r, undo, boxCox_);
        inv.step = step.id;
        if (c + 1 == count) {
            // The last one applied is the step's first: the roles it kept.
            if (r.hasRoles && r.roles.size() == model.Roles().size()) model.RolesForEdit() = r.roles;
        }
        if (c == 0 && rolesKnown) {
            inv.roles = rolesNow;
            inv.hasRoles = true;
        }
        inverses.push_back(std::move(inv));
        from.pop_back();
    }
    for (auto& inv : inverses) to.push_back(std::move(inv));
    fromSteps.pop_back();

    StepInfo moved = step;
    if (undo) {
        if (current_ == step.after) {
            current_ = step.before;
        } else {
            moved.after = current_;
            current_ = ++nextState_;
            moved.before = current_;
        }
    } else {
        if (current_ == step.before) {
            current_ = step.after;
        } else {
            moved.before = current_;
            current_ = ++nextState_;
            moved.after = current_;
        }
    }
    toSteps.push_back(moved);
    if (undo) {
        // Redo pushes onto the undo list: the limit applies.
    } else {
        Trim();
    }
    if (refit) model.Reestimate(false);
    model.SetModified(!AtSavedState());
    UpdateActions();
    return true;
}

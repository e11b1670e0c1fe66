#include "core/model/data_edit_commands.h"

#include <algorithm>
#include <cmath>

#include "core/data/group_mask.h"
#include "core/model/regression_model.h"
#include "core/numeric/numeric_helpers.h"
#include "core/numeric/statistics.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

[[noreturn]] void RangeError(const char* what, int index) {
    throw ERangeError(LoadStr(kStrRangeError) + ": " + what + " " + std::to_string(index));
}

void CheckVarIndex(const Reg& m, int j) {
    if (j < 0 || j >= m.GetVarCount()) RangeError("変数", j);
}

void CheckObsIndex(const Reg& m, int i) {
    if (i < 0 || i >= m.GetObsCount()) RangeError("データ組", i);
}

void CheckRow(const Reg& m, std::span<const double> values, std::span<const std::uint16_t> marks) {
    const auto k = static_cast<std::size_t>(m.GetVarCount());
    if (values.size() < k) RangeError("値の数", static_cast<int>(values.size()));
    if (!marks.empty() && marks.size() < k) RangeError("グループの数", static_cast<int>(marks.size()));
}

void CheckNotConstant(const Var& v) {
    if (v.Count() < 1 || IsConstantSeries(v.Data(), v.Count())) throw Exception("定数です = " + v.GetName());
}

UndoRecord Record(UndoKind kind, int index, int arg2 = 0) {
    UndoRecord r;
    r.kind = kind;
    r.index = index;
    r.arg2 = arg2;
    return r;
}

// The record of deleting variable j, made before it goes.
UndoRecord VarDeletion(const Reg& m, UndoKind kind, int j) {
    UndoRecord r = Record(kind, j, m.GetRole(j));
    r.var = std::make_unique<Var>(m.GetVar(j));
    const std::string name = m.GetVarName(j);
    const ExpresList& list = m.Expressions();
    for (int e = 0; e < list.GetCount(); ++e) {
        const Expres& x = list.GetItem(e);
        bool mentions = x.GetLeftName() == name;
        for (int t = 0; t < x.GetCount() && !mentions; ++t) mentions = x.GetVarName(t) == name;
        if (mentions) {
            r.equations = list;
            break;
        }
    }
    return r;
}

UndoRecord ObsDeletion(const Reg& m, UndoKind kind, int i) {
    UndoRecord r = Record(kind, i);
    const int k = m.GetVarCount();
    r.cells = DataString(k, 0, 0.0);
    for (int j = 0; j < k; ++j) r.cells.Set(j, m.GetMark(i, j), m.GetValue(i, j));
    return r;
}

UndoRecord EquationsRecord(const Reg& m, UndoKind kind, int index) {
    UndoRecord r = Record(kind, index);
    r.equations = m.Expressions();
    return r;
}

// Rows and variables of a block, checked.
void CheckBlock(const Reg& m, int firstVar, int firstObs, int lastVar, int lastObs) {
    CheckVarIndex(m, firstVar);
    CheckVarIndex(m, lastVar);
    CheckObsIndex(m, firstObs);
    CheckObsIndex(m, lastObs);
    if (firstVar > lastVar) RangeError("変数", lastVar);
    if (firstObs > lastObs) RangeError("データ組", lastObs);
}

template <class F>
void ChangeBlockMarks(const DataEdit& ed, int firstVar, int firstObs, int lastVar, int lastObs, F change) {
    Reg& m = ed.model;
    CheckBlock(m, firstVar, firstObs, lastVar, lastObs);
    const GroupUndoBlock block = SaveGroupUndoRange(m, GroupUndoSink{}, true, firstObs, lastObs, firstVar, lastVar);
    ed.store.PushGroupMarks(m, block);
    for (int i = firstObs; i <= lastObs; ++i)
        for (int j = firstVar; j <= lastVar; ++j) m.SetMark(i, j, change(m.GetMark(i, j)));
}

}  // namespace

void CheckVariableName(const DataEdit& ed, const std::string& name, int self) {
    if (name.empty()) throw Exception("変数名がありません。");
    if (name.find_first_of(",/#@\"'") != std::string::npos)
        throw Exception("変数名に使えない文字があります（, / # @ 引用符）: " + name);
    if (name == Data::ConstantName() || (ed.reserved && ed.reserved(name))) throw Exception("予約語は使えません");
    const int at = ed.model.FindVar(name);
    if (at >= 0 && at != self) throw Exception(LoadStr(kStrDuplicateError));
}

std::unique_ptr<Reg> MakeModelFromVariable(const Var& v, EngineContext* context) {
    CheckNotConstant(v);
    auto m = context ? std::make_unique<Reg>(*context, v.Count(), 1) : std::make_unique<Reg>(v.Count(), 1);
    m->SetFileName("NONAME.MDF");
    m->SetVarInfo(0, v.GetInfo());
    m->SetVarName(0, v.GetName());
    m->SetVarType(0, v.GetType());
    m->SetVarValues(0, std::span<const double>(v.Data(), static_cast<std::size_t>(v.Count())));
    m->SetDependent(0);
    return m;
}

// --- variables -------------------------------------------------------------------

void AddVariableWithUndo(const DataEdit& ed, Var& v) {
    Reg& m = ed.model;
    if (v.Count() < m.GetObsCount()) RangeError("値の数", v.Count());
    if (v.Count() > m.GetObsCount()) v.Resize(m.GetObsCount(), true);
    CheckNotConstant(v);
    CheckVariableName(ed, v.GetName());
    ed.store.PushStep(m, Record(UndoKind::VarAppended, m.GetVarCount()));
    m.AppendVar(v, true);
}

void InsertVariableWithUndo(const DataEdit& ed, int index, Var& v) {
    Reg& m = ed.model;
    if (index < 0) RangeError("変数", index);
    if (index >= m.GetVarCount()) {
        AddVariableWithUndo(ed, v);
        return;
    }
    if (v.Count() < m.GetObsCount()) RangeError("値の数", v.Count());
    if (v.Count() > m.GetObsCount()) v.Resize(m.GetObsCount(), true);
    CheckVariableName(ed, v.GetName());
    CheckNotConstant(v);
    ed.store.PushStep(m, Record(UndoKind::VarInserted, index));
    m.InsertVar(index, v, Reg::kRoleUnused, true);
}

void DeleteVariableWithUndo(const DataEdit& ed, const std::string& name) {
    Reg& m = ed.model;
    const int j = m.FindVar(name);
    if (j < 0) throw Exception("変数がありません: " + name);
    DeleteVariablesWithUndo(ed, {j});
}

void DeleteVariablesWithUndo(const DataEdit& ed, std::vector<int> indices) {
    Reg& m = ed.model;
    std::sort(indices.begin(), indices.end(), std::greater<int>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    if (indices.empty()) return;
    for (int j : indices) {
        CheckVarIndex(m, j);
        if (!m.CanDeleteVar(j)) throw Exception("目的変数は削除できません: " + m.GetVarName(j));
    }
    if (static_cast<int>(indices.size()) >= m.GetVarCount()) throw Exception("すべての変数は削除できません。");
    const UndoKind kind = indices.size() == 1 ? UndoKind::VarDeleted : UndoKind::VarsDeleted;
    m.FitRolesToShape();
    ed.store.BeginStep(m);
    for (int j : indices) {
        ed.store.Push(m, VarDeletion(m, kind, j));
        static_cast<void>(m.DeleteVar(m.GetVarName(j), false));
    }
    ed.store.EndStep();
    m.Reestimate(false);
}

void ExchangeVariablesWithUndo(const DataEdit& ed, int i, int j) {
    Reg& m = ed.model;
    CheckVarIndex(m, i);
    CheckVarIndex(m, j);
    if (i == j) return;
    m.FitRolesToShape();
    ed.store.PushStep(m, Record(UndoKind::VarsExchanged, i, j));
    m.ExchangeVars(i, j, true);
}

bool RenameVariableWithUndo(const DataEdit& ed, const std::string& oldName, const std::string& newName,
                            bool record) {
    Reg& m = ed.model;
    const int j = m.FindVar(oldName);
    if (j < 0) throw Exception("変数がありません: " + oldName);
    if (oldName == newName) return false;
    CheckVariableName(ed, newName, j);
    m.RenameVar(j, newName);
    if (record) {
        UndoRecord r = Record(UndoKind::VarRenamed, j);
        r.text = oldName;
        ed.store.PushStep(m, std::move(r));
    } else {
        ed.store.MarkUnrecordedChange();
    }
    return true;
}

void SetVariableValuesWithUndo(const DataEdit& ed, int j, std::span<const double> values) {
    Reg& m = ed.model;
    CheckVarIndex(m, j);
    const int n = m.GetObsCount();
    if (static_cast<int>(values.size()) < n) RangeError("値の数", static_cast<int>(values.size()));
    UndoRecord r = Record(UndoKind::VarValues, j, n);
    m.GetVarValues(j, r.column);
    ed.store.PushStep(m, std::move(r));
    m.SetVarValues(j, values.first(static_cast<std::size_t>(n)));
    m.Reestimate(false);
}

void SetVariableValuesAndCommentWithUndo(const DataEdit& ed, int j, std::span<const double> values,
                                         const std::string& comment) {
    Reg& m = ed.model;
    CheckVarIndex(m, j);
    const int n = m.GetObsCount();
    if (static_cast<int>(values.size()) < n) RangeError("値の数", static_cast<int>(values.size()));
    const std::string oldComment = m.GetVarInfo(j);
    UndoRecord v = Record(UndoKind::VarValues, j, n);
    m.GetVarValues(j, v.column);
    // A comment CP932 cannot hold raises here, before anything is recorded.
    if (comment != oldComment) m.SetVarInfo(j, comment);
    ed.store.BeginStep(m);
    ed.store.Push(m, std::move(v));
    if (comment != oldComment) {
        UndoRecord c = Record(UndoKind::VarComment, j);
        c.text = oldComment;
        ed.store.Push(m, std::move(c));
    }
    ed.store.EndStep();
    m.SetVarValues(j, values.first(static_cast<std::size_t>(n)));
    m.Reestimate(false);
}

void SetVariableTypeWithUndo(const DataEdit& ed, int j, int type, bool record) {
    Reg& m = ed.model;
    CheckVarIndex(m, j);
    if (type < Var::kUndefined || type > Var::kLagged) RangeError("型", type);
    const int old = m.GetVarType(j);
    if (old == type) return;
    if (record)
        ed.store.PushStep(m, Record(UndoKind::VarType, j, old));
    else
        ed.store.MarkUnrecordedChange();
    m.SetVarType(j, type);
    if (record) m.Reestimate(false);
}

void SetVariableCommentWithUndo(const DataEdit& ed, int j, const std::string& text, bool record) {
    Reg& m = ed.model;
    CheckVarIndex(m, j);
    if (m.GetVarInfo(j) == text) return;
    if (record) {
        UndoRecord r = Record(UndoKind::VarComment, j);
        r.text = m.GetVarInfo(j);
        m.SetVarInfo(j, text);  // a text CP932 cannot hold raises before anything is recorded
        ed.store.PushStep(m, std::move(r));
        return;
    }
    m.SetVarInfo(j, text);
    ed.store.MarkUnrecordedChange();
}

// --- observations -----------------------------------------------------------------

void AppendObservationWithUndo(const DataEdit& ed, std::span<const double> values,
                               std::span<const std::uint16_t> marks) {
    Reg& m = ed.model;
    CheckRow(m, values, marks);
    ed.store.PushStep(m, Record(UndoKind::ObsAppended, m.GetObsCount()));
    static_cast<void>(m.AppendObservation(values, marks, true));
}

void InsertObservationWithUndo(const DataEdit& ed, int index, std::span<const double> values,
                               std::span<const std::uint16_t> marks) {
    Reg& m = ed.model;
    if (index < 0) RangeError("データ組", index);
    if (index >= m.GetObsCount()) {
        AppendObservationWithUndo(ed, values, marks);
        return;
    }
    CheckRow(m, values, marks);
    ed.store.PushStep(m, Record(UndoKind::ObsInserted, index));
    static_cast<void>(m.InsertObservation(index, values, marks, true));
}

void DeleteObservationsWithUndo(const DataEdit& ed, std::vector<int> indices) {
    Reg& m = ed.model;
    std::sort(indices.begin(), indices.end(), std::greater<int>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    if (indices.empty()) return;
    for (int i : indices) CheckObsIndex(m, i);
    if (static_cast<int>(indices.size()) >= m.GetObsCount()) throw Exception("すべてのデータ組は削除できません。");
    const UndoKind kind = indices.size() == 1 ? UndoKind::ObsDeleted : UndoKind::ObsesDeleted;
    ed.store.BeginStep(m);
    for (int i : indices) {
        ed.store.Push(m, ObsDeletion(m, kind, i));
        static_cast<void>(m.DeleteObservation(i, false));
    }
    ed.store.EndStep();
    m.Reestimate(false);
}

void ExchangeObservationsWithUndo(const DataEdit& ed, int i, int j) {
    Reg& m = ed.model;
    CheckObsIndex(m, i);
    CheckObsIndex(m, j);
    if (i == j) return;
    ed.store.PushStep(m, Record(UndoKind::ObsExchanged, i, j));
    m.ExchangeObservations(i, j, true);
}

void InsertRowsWithUndo(const DataEdit& ed, int index, const std::vector<DataString>& rows) {
    Reg& m = ed.model;
    if (index < 0 || index > m.GetObsCount()) RangeError("データ組", index);
    for (const auto& row : rows)
        if (row.Count() < m.GetVarCount()) RangeError("値の数", row.Count());
    if (rows.empty()) return;
    const UndoKind kind = rows.size() == 1 ? UndoKind::ObsInserted : UndoKind::ObsesInserted;
    ed.store.BeginStep(m);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int at = index + static_cast<int>(r);
        ed.store.Push(m, Record(kind, at));
        static_cast<void>(m.InsertObservationCells(at, rows[r], false));
    }
    ed.store.EndStep();
    m.Reestimate(false);
}

bool AppendDataWithUndo(const DataEdit& ed, const Data& other, const std::vector<std::uint8_t>& flags) {
    Reg& m = ed.model;
    const int k = m.GetVarCount();
    std::vector<int> map(static_cast<std::size_t>(k));
    bool any = false;
    for (int j = 0; j < k; ++j) {
        map[static_cast<std::size_t>(j)] = other.FindVar(m.GetVarName(j));
        any = any || map[static_cast<std::size_t>(j)] >= 0;
    }
    if (!any) return false;
    std::vector<DataString> rows;
    for (int s = 0; s < other.GetObsCount() && s < static_cast<int>(flags.size()); ++s) {
        if (!flags[static_cast<std::size_t>(s)]) continue;
        DataString row(k, 0, 0.0);
        for (int j = 0; j < k; ++j) {
            const int o = map[static_cast<std::size_t>(j)];
            if (o >= 0) row.Set(j, other.GetMark(s, o), other.GetValue(s, o));
        }
        rows.push_back(std::move(row));
    }
    InsertRowsWithUndo(ed, m.GetObsCount(), rows);
    return true;
}

void SortObservationsWithUndo(const DataEdit& ed, int j, bool ascending) {
    Reg& m = ed.model;
    CheckVarIndex(m, j);
    UndoRecord r = Record(UndoKind::Sorted, j, ascending ? 1 : 0);
    ed.store.BeginStep(m);
    m.SortObservations(j, ascending, &r.order);
    ed.store.Push(m, std::move(r));
    ed.store.EndStep();
    m.Reestimate(false);
}

// --- cells ---------------------------------------------------------------------------

bool SetCellValueWithUndo(const DataEdit& ed, int i, int j, double x, bool reestimate) {
    Reg& m = ed.model;
    CheckVarIndex(m, j);
    CheckObsIndex(m, i);
    const double old = m.GetValue(i, j);
    // Unchanged to the last bit or two, in the value's own units: a cell of
    // small values is edited as any other.
    const double size = std::max(std::fabs(old), std::fabs(x));
    if (old == x || (std::isfinite(size) && std::fabs(old - x) <= kDoubleEpsilon * size)) return false;
    UndoRecord r = Record(UndoKind::CellSet, i, j);
    r.value = old;
    ed.store.PushStep(m, std::move(r));
    m.SetValue(i, j, x);
    if (reestimate) m.Reestimate(false);
    return true;
}

void SetRangeValuesWithUndo(const DataEdit& ed, const std::vector<CellValue>& cells) {
    Reg& m = ed.model;
    for (const auto& c : cells) {
        CheckVarIndex(m, c.variable);
        CheckObsIndex(m, c.observation);
    }
    if (cells.empty()) return;
    ed.store.BeginStep(m);
    for (const auto& c : cells) {
        UndoRecord r = Record(UndoKind::RangeCell, c.observation, c.variable);
        r.value = m.GetValue(c.observation, c.variable);
        ed.store.Push(m, std::move(r));
        m.RestoreValue(c.observation, c.variable, c.value);
    }
    ed.store.EndStep();
    m.Reestimate(false);
}

void BoxCoxExchangeWithUndo(const DataEdit& ed, const std::vector<std::uint8_t>& flags,
                            const std::vector<std::vector<double>>& values, double parameter) {
    Reg& m = ed.model;
    const int k = m.GetVarCount();
    if (static_cast<int>(flags.size()) != k) RangeError("変数", static_cast<int>(flags.size()));
    const auto flagged = static_cast<std::size_t>(std::count_if(flags.begin(), flags.end(), [](auto f) { return f; }));
    if (values.size() != flagged) RangeError("変数", static_cast<int>(values.size()));
    for (const auto& c : values)
        if (static_cast<int>(c.size()) < m.GetObsCount()) RangeError("値の数", static_cast<int>(c.size()));
    UndoRecord r = Record(UndoKind::BoxCox, -1);
    r.flags = flags;
    r.boxCox = ed.store.BoxCox();
    for (int j = 0; j < k; ++j) {
        if (!flags[static_cast<std::size_t>(j)]) continue;
        r.columns.emplace_back();
        m.GetVarValues(j, r.columns.back());
    }
    r.value = parameter;
    ed.store.PushStep(m, std::move(r));
    std::size_t c = 0;
    for (int j = 0; j < k; ++j)
        if (flags[static_cast<std::size_t>(j)]) m.SetVarValues(j, values[c++]);
    ed.store.BoxCox() = {parameter, true};
    m.SetModified(true);
    m.Reestimate(false);
}

// --- groups ----------------------------------------------------------------------------

void SetGroupRangeWithUndo(const DataEdit& ed, int firstVar, int firstObs, int lastVar, int lastObs, bool set,
                           std::uint16_t mask) {
    if (mask == 0) return;
    ChangeBlockMarks(ed, firstVar, firstObs, lastVar, lastObs, [&](std::uint16_t w) {
        return static_cast<std::uint16_t>(set ? (w | mask) : (w & ~mask));
    });
}

void ToggleGroupRangeWithUndo(const DataEdit& ed, int firstVar, int firstObs, int lastVar, int lastObs,
                              std::uint16_t mask) {
    if (mask == 0) return;
    ChangeBlockMarks(ed, firstVar, firstObs, lastVar, lastObs,
                     [&](std::uint16_t w) { return static_cast<std::uint16_t>(w ^ mask); });
}

void SetGroupWithUndo(const DataEdit& ed, int firstVar, int firstObs, int lastVar, int lastObs, bool set, int g) {
    if (g < 1 || g > 16) return;
    SetGroupRangeWithUndo(ed, firstVar, firstObs, lastVar, lastObs, set, GroupBit(g));
}

void ClearGroupRangeWithUndo(const DataEdit& ed, int firstVar, int firstObs, int lastVar, int lastObs) {
    ChangeBlockMarks(ed, firstVar, firstObs, lastVar, lastObs, [](std::uint16_t) { return std::uint16_t{0}; });
}

// --- equations and texts ------------------------------------------------------------------

void AddExpressionWithUndo(const DataEdit& ed, const Expres& e) {
    Reg& m = ed.model;
    ed.store.PushStep(m, EquationsRecord(m, UndoKind::ExpresAdded, m.Expressions().IndexOf(e.GetLeftName())));
    m.AddExpres(e);
}

void DeleteExpressionWithUndo(const DataEdit& ed, int index) {
    Reg& m = ed.model;
    if (index < 0 || index >= m.Expressions().GetCount()) RangeError("方程式", index);
    ed.store.PushStep(m, EquationsRecord(m, UndoKind::ExpresDeleted, index));
    m.DeleteExpres(index);
}

void ClearExpressionsWithUndo(const DataEdit& ed) {
    Reg& m = ed.model;
    if (m.Expressions().GetCount() == 0) return;
    ed.store.PushStep(m, EquationsRecord(m, UndoKind::ExpresCleared, m.Expressions().GetCount()));
    m.ClearExpres();
}

bool SetDataNameWithUndo(const DataEdit& ed, const std::string& text) {
    Reg& m = ed.model;
    if (m.GetName() == text) return false;
    UndoRecord r = Record(UndoKind::DataName, -1);
    r.text = m.GetName();
    m.SetName(text);
    ed.store.PushStep(m, std::move(r));
    return true;
}

bool SetDataInfoWithUndo(const DataEdit& ed, const std::string& text) {
    Reg& m = ed.model;
    if (m.GetInfo() == text) return false;
    UndoRecord r = Record(UndoKind::DataInfo, -1);
    r.text = m.GetInfo();
    m.SetInfo(text);
    ed.store.PushStep(m, std::move(r));
    return true;
}

// The data-edit commands: the one road by which menus, dialogs and macros
// change the open data set so that the change can be undone. Each checks
// its request against the model first (a refused request raises an
// Exception with a clear message and changes nothing), records one undo
// step, carries the change out and re-estimates with the same roles. A
// command never refreshes a window: its caller does.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/data/data_cell.h"
#include "core/data/equation.h"
#include "core/data/variable.h"
#include "core/model/undo_store.h"

class Data;
class EngineContext;
class Reg;

// The model, its undo store, and the names no variable may take (empty
// function: none besides the rules below).
struct DataEdit {
    Reg& model;
    UndoStore& store;
    std::function<bool(const std::string&)> reserved;
};

// A new name: not empty, no "," "/" "#" "@" or quotes, not reserved, not the
// constant's, not another variable's (except the one at `self`).
void CheckVariableName(const DataEdit& ed, const std::string& name, int self = -1);

// The data set that adding a first variable makes: the variable's values,
// file name "NONAME.MDF", the variable dependent. Nothing to undo.
std::unique_ptr<Reg> MakeModelFromVariable(const Var& v, EngineContext* context = nullptr);

// --- variables -----------------------------------------------------------------
// v must hold one value per observation and not be constant ("定数です = ").
void AddVariableWithUndo(const DataEdit& ed, Var& v);
// index >= k adds at the end; a negative index is refused.
void InsertVariableWithUndo(const DataEdit& ed, int index, Var& v);
// The dependent variable, an unknown name and the last variable are refused.
void DeleteVariableWithUndo(const DataEdit& ed, const std::string& name);
// Deletes the listed variables (duplicates once) as one step. An index out
// of range or the dependent variable is refused, as is deleting them all.
void DeleteVariablesWithUndo(const DataEdit& ed, std::vector<int> indices);
void ExchangeVariablesWithUndo(const DataEdit& ed, int i, int j);
// False when the name was unchanged.
bool RenameVariableWithUndo(const DataEdit& ed, const std::string& oldName, const std::string& newName,
                            bool record = true);
void SetVariableValuesWithUndo(const DataEdit& ed, int j, std::span<const double> values);
// New values and comment of variable j as one step (the transformations).
void SetVariableValuesAndCommentWithUndo(const DataEdit& ed, int j, std::span<const double> values,
                                         const std::string& comment);
// Types 0..3.
void SetVariableTypeWithUndo(const DataEdit& ed, int j, int type, bool record = true);
void SetVariableCommentWithUndo(const DataEdit& ed, int j, const std::string& text, bool record = true);

// --- observations --------------------------------------------------------------
// values: one per variable; marks: none or one per variable.
void AppendObservationWithUndo(const DataEdit& ed, std::span<const double> values,
                               std::span<const std::uint16_t> marks = {});
// index >= n appends; a negative index is refused.
void InsertObservationWithUndo(const DataEdit& ed, int index, std::span<const double> values,
                               std::span<const std::uint16_t> marks = {});
void DeleteObservationsWithUndo(const DataEdit& ed, std::vector<int> indices);
void ExchangeObservationsWithUndo(const DataEdit& ed, int i, int j);
// Rows (one cell per variable) inserted at index (n: appended) as one step.
void InsertRowsWithUndo(const DataEdit& ed, int index, const std::vector<DataString>& rows);
// Observations of another data set (those whose flag is set) appended by
// variable name; unmatched variables get 0.0 and group word 0. False, with
// nothing recorded, when no name matches.
bool AppendDataWithUndo(const DataEdit& ed, const Data& other, const std::vector<std::uint8_t>& flags);
void SortObservationsWithUndo(const DataEdit& ed, int j, bool ascending);

// --- cells ----------------------------------------------------------------------
// False (nothing recorded) when x equals the value to within its rounding
// (2.2e-16 of its size). Without reestimate the caller estimates again
// before the results are read.
bool SetCellValueWithUndo(const DataEdit& ed, int i, int j, double x, bool reestimate = true);
struct CellValue {
    int observation = 0;
    int variable = 0;
    double value = 0.0;
};
// A range edit: every cell one record, the whole one step.
void SetRangeValuesWithUndo(const DataEdit& ed, const std::vector<CellValue>& cells);
// Box-Cox exchange of the flagged variables: their new values (one column
// per flagged variable) and the parameter applied.
void BoxCoxExchangeWithUndo(const DataEdit& ed, const std::vector<std::uint8_t>& flags,
                            const std::vector<std::vector<double>>& values, double parameter);

// --- groups ---------------------------------------------------------------------
// The block's cells join the mask's groups (set) or leave them (reset:
// mark AND NOT mask). The redo list stays.
void SetGroupRangeWithUndo(const DataEdit& ed, int firstVar, int firstObs, int lastVar, int lastObs, bool set,
                           std::uint16_t mask);
// Each cell of the block changes its membership of the group (one undo step).
void ToggleGroupRangeWithUndo(const DataEdit& ed, int firstVar, int firstObs, int lastVar, int lastObs,
                              std::uint16_t mask);
// Group g (1..16); any other number changes nothing.
void SetGroupWithUndo(const DataEdit& ed, int firstVar, int firstObs, int lastVar, int lastObs, bool set, int g);
void ClearGroupRangeWithUndo(const DataEdit& ed, int firstVar, int firstObs, int lastVar, int lastObs);

// --- equations and texts ----------------------------------------------------------
void AddExpressionWithUndo(const DataEdit& ed, const Expres& e);
void DeleteExpressionWithUndo(const DataEdit& ed, int index);
void ClearExpressionsWithUndo(const DataEdit& ed);
bool SetDataNameWithUndo(const DataEdit& ed, const std::string& text);
bool SetDataInfoWithUndo(const DataEdit& ed, const std::string& text);

// The undo and redo store: every change a user or a macro makes to the open
// data set is kept as one step of one or more records. Undoing a step
// restores the model and moves the step's inverse to the redo list; redoing
// moves it back.
//
// Records refer to variables and observations by index, so each is valid
// only in the shape the later records leave. A step that cannot be applied
// as a whole (its variable has become the dependent one, an index no longer
// fits) is refused: the message says why and nothing changes.
//
// Every step carries the roles of the model from before it, so undo gives
// back the model exactly as it was, and two identities of the model state
// (before, after): the modified flag is cleared when undo or redo reaches the
// state that was last saved or loaded.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/data/data_cell.h"
#include "core/data/equation_list.h"
#include "core/data/group_mask.h"
#include "core/data/variable.h"

class Reg;
class UiServices;

enum class UndoKind : std::uint8_t {
    None = 0,
    VarAppended = 1,
    VarDeleted = 2,
    VarsDeleted = 3,
    VarInserted = 4,
    VarsExchanged = 5,
    VarRenamed = 6,
    ObsAppended = 7,
    ObsDeleted = 8,
    ObsesDeleted = 9,
    ObsInserted = 10,
    ObsesInserted = 11,
    ObsExchanged = 12,
    CellSet = 13,
    VarComment = 14,
    VarType = 15,
    BoxCox = 16,
    VarValues = 17,
    GroupMarks = 18,
    ExpresAdded = 19,
    ExpresDeleted = 20,
    ExpresCleared = 21,
    DataInfo = 22,
    DataName = 23,
    RangeCell = 24,
    Sorted = 25,
};

// The main window's Box-Cox exchange: the parameter of the last exchange
// and whether the data hold transformed values.
struct BoxCoxState {
    double parameter = 0.0;
    bool done = false;
};

// One elementary change and what reverses it. Which fields a kind uses:
//   1, 4 / 2, 3        index; var and arg2 (role) when the variable is
//                      gone, equations when deleting it removed any
//   7, 10, 11 / 8, 9   index; cells when the observation is gone
//   5, 12              index, arg2
//   6, 14, 22, 23      index (-1 for the data set), text
//   13, 24             index (observation), arg2 (variable), value
//   15                 index, arg2 (type)
//   16                 flags (per variable), columns (values of each
//                      flagged variable), boxCox
//   17                 index, arg2 (values given), column
//   18                 marks block
//   19, 20, 21         equations (the whole list)
//   25                 index (variable), arg2 (direction), order
struct UndoRecord {
    UndoKind kind = UndoKind::None;
    int index = -1;
    int arg2 = 0;
    double value = 0.0;
    std::unique_ptr<Var> var;
    DataString cells;
    std::string text;
    std::vector<std::uint8_t> flags;
    std::vector<std::vector<double>> columns;
    std::vector<double> column;
    GroupUndoBlock block;
    std::optional<ExpresList> equations;
    std::vector<int> order;
    BoxCoxState boxCox;
    // Set by the store.
    std::uint64_t step = 0;
    // Roles of the model before the step (its first record only).
    std::vector<std::uint8_t> roles;
    bool hasRoles = false;
};

class UndoStore {
public:
    static constexpr int kDefaultLimit = 100;

    UndoStore() = default;
    UndoStore(const UndoStore&) = delete;
    UndoStore& operator=(const UndoStore&) = delete;

    // Where the enabled state of the undo and redo actions goes (none:
    // nowhere).
    void SetServices(UiServices* services) { services_ = services; }

    // Undo steps kept; at least 1.
    int Limit() const { return limit_; }
    void SetLimit(int limit);

    // --- building a step ----------------------------------------------------
    // Starts a new step on the model as it is now: the redo list is emptied
    // when clearRedo is set (every edit but a group marking), the oldest
    // steps beyond the limit are dropped. Records pushed until the next
    // BeginStep belong to it.
    void BeginStep(const Reg& model, bool clearRedo = true);
    // Adds a record to the current step (the kind's snapshot is the
    // caller's). Without a step begun, one is begun first.
    void Push(const Reg& model, UndoRecord record);
    // The step is complete: the model's state identity moves on and the
    // actions are enabled.
    void EndStep();
    // A step whose records all go through one call.
    void PushStep(const Reg& model, UndoRecord record, bool clearRedo = true);

    // Kind 18 from a collected block: its own step; the redo list stays.
    void PushGroupMarks(const Reg& model, const GroupUndoBlock& block);

    // --- undo and redo ------------------------------------------------------
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    // Undoes (redoes) the newest step, every record of it, and estimates
    // once. False when there is nothing to do or the step was refused (a
    // warning says why; the records stay).
    bool Undo(Reg& model);
    bool Redo(Reg& model);
    // Why the last Undo or Redo was refused; empty otherwise.
    const std::string& Refusal() const { return refusal_; }

    // --- the saved state ----------------------------------------------------
    // Both lists emptied; the model as it is counts as saved (a load, a new
    // data set, closing).
    void ClearAll();
    void ClearRedo();
    // The model was saved as it is now.
    void MarkSaved() { saved_ = current_; }
    // The model changed without a record: no step leads back to the saved
    // state any more.
    void MarkUnrecordedChange() { current_ = ++nextState_; }
    bool AtSavedState() const { return current_ == saved_; }

    // After `successes` more records or steps, the next one cannot be had,
    // as when memory runs out: for testing the message and the fresh
    // history that follow.
    void FailAllocationAfter(int successes) { failAfter_ = successes; }

    BoxCoxState& BoxCox() { return boxCox_; }
    const BoxCoxState& BoxCox() const { return boxCox_; }

    // Records and steps on each list (for the window and the tests).
    int UndoRecordCount() const { return static_cast<int>(undo_.size()); }
    int RedoRecordCount() const { return static_cast<int>(redo_.size()); }
    int UndoStepCount() const { return static_cast<int>(undoSteps_.size()); }
    int RedoStepCount() const { return static_cast<int>(redoSteps_.size()); }
    // The newest record of each list (null when empty).
    const UndoRecord* UndoHead() const { return undo_.empty() ? nullptr : &undo_.back(); }
    const UndoRecord* RedoHead() const { return redo_.empty() ? nullptr : &redo_.back(); }

private:
    struct StepInfo {
        std::uint64_t id = 0;
        std::uint64_t before = 0;
        std::uint64_t after = 0;
    };
    bool Execute(Reg& model, bool undo);
    // Room for one more record or step; std::bad_alloc when there is none.
    void CheckRoom();
    // No room for a record: the user is told, the history goes, the edit
    // goes on with a fresh one.
    void DropHistoryForMemory();
    void Trim();
    void UpdateActions();

    std::deque<UndoRecord> undo_;
    std::deque<UndoRecord> redo_;
    std::deque<StepInfo> undoSteps_;
    std::deque<StepInfo> redoSteps_;
    bool stepOpen_ = false;
    std::uint64_t nextStep_ = 0;
    std::uint64_t current_ = 0;
    std::uint64_t saved_ = 0;
    std::uint64_t nextState_ = 0;
    int limit_ = kDefaultLimit;
    UiServices* services_ = nullptr;
    BoxCoxState boxCox_;
    std::string refusal_;
    int failAfter_ = -1;
};

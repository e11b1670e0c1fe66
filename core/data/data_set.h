// The data set: a table of variables (columns) by observations (rows), with a
// name, an info text, the moment and correlation matrices of the values, and
// a modified flag. The regression model derives from it.
//
// The matrices and the per-variable statistics are caches: an edit marks
// them out of date and the first read after it recomputes them in one pass,
// however many cells the edits touched. Reads may run on several threads at
// once; edits may not run beside anything else.
//
// The constant term is a pseudo-variable whose index is the variable count:
// it is named "定数項", has type 2 and every value 1.0, and has no Var object.
// Operations that say so ignore indices outside their range; per-variable
// getters and setters raise ERangeError for them.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "core/data/data_cell.h"
#include "core/numeric/matrix.h"
#include "core/numeric/thread_pool.h"
#include "core/data/variable.h"

class Data {
public:
    // obs >= 1 and vars >= 1: variables "VAR0", "VAR1", ... (info = name) of
    // obs zeros; name and info both the given name; matrices sized and zero.
    // Otherwise an empty data set. With a pool the columns are formed on its
    // threads, their memory taken from the system there (and zeroed by it)
    // rather than page by page under the first writer.
    explicit Data(int obs = 0, int vars = 0, const std::string& name = std::string(), ThreadPool* pool = nullptr);
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
    virtual ~Data() = default;

    int GetObsCount() const { return obs_; }
    int GetVarCount() const { return static_cast<int>(table_.size()); }
    bool IsModified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    // Name of the constant term ("定数項").
    static const std::string& ConstantName();

    // --- variables ---------------------------------------------------------
    void DeleteAllVars();
    // Resizes the caller's variable to n observations (keeping its values),
    // then appends a copy.
    void AddVar(Var& var);
    // 0 <= j < k: inserts a copy before j (a copy of another length is padded
    // or cut to n); j >= k: AddVar; j < 0: ignored.
    void InsertVar(int j, Var& var);
    void DeleteVar(int j);
    void DeleteVarByName(const std::string& name);
    void SwapVars(int i, int j);

    // --- observations ------------------------------------------------------
    // values: k doubles; marks: k words or empty (all 0). Each returns false
    // (and changes nothing) for an index out of range or too few values.
    [[nodiscard]] bool AppendObservation(std::span<const double> values, std::span<const std::uint16_t> marks = {});
    [[nodiscard]] bool AppendObservationCells(const DataString& cells);
    [[nodiscard]] bool InsertObservation(int i, std::span<const double> values, std::span<const std::uint16_t> marks = {});
    [[nodiscard]] bool InsertObservationCells(int i, const DataString& cells);
    void DeleteObservation(int i);
    void SwapObservations(int i, int j);
    // Shell sort of every observation by variable j; equal keys are never
    // exchanged. order (when given) receives, for each new position, the
    // former index of the observation now there. Statistics and matrices are
    // left as they were (a permutation does not change them). The keys are
    // sorted with their indices, then each column is moved once.
    void SortObservations(int j, bool ascending, std::vector<int>* order = nullptr);
    // Moves the value and mark at position i to order[i]: undoes a sort that
    // recorded order. An order that is not a permutation of 0..n-1 raises
    // ERangeError and changes nothing.
    void RestoreObservationOrder(const std::vector<int>& order);

    // --- cells and columns -------------------------------------------------
    // j outside 0..k-1 (the constant term included) gives 1.0 whatever i is;
    // for a real column an observation outside 0..n-1 raises ERangeError.
    double GetValue(int i, int j) const;
    void SetValue(int i, int j, double x);
    // Writes x bit for bit (also -0.0 over 0.0, or a NaN): undo restores
    // exactly what was there.
    void RestoreValue(int i, int j, double x);
    const Var& GetVarValues(int j, std::vector<double>& out) const;
    // in must hold at least n values (ERangeError otherwise). A long column
    // is copied on the worker threads.
    void SetVarValues(int j, std::span<const double> in);
    void GetObservation(int i, std::vector<double>& out) const;
    Var& GetVar(int j);
    const Var& GetVar(int j) const;
    void SetMark(int i, int j, std::uint16_t mark);
    std::uint16_t GetMark(int i, int j) const;
    bool HasGroup(int g) const;
    bool HasMarks() const;

    // --- names, types and texts --------------------------------------------
    int FindVar(const std::string& name) const;
    std::string GetVarName(int j) const;
    std::string GetVarInfo(int j) const;
    int GetVarType(int j) const;
    void SetVarName(int j, const std::string& text);
    void SetVarInfo(int j, const std::string& text);
    void SetVarType(int j, int t);
    const std::string& GetName() const { return name_; }
    const std::string& GetInfo() const { return info_; }
    void SetName(const std::string& text);
    void SetInfo(const std::string& text);
    // Statistics of the values; j = k gives those of the constant (1, 0, 1, 1).
    double GetMean(int j) const;
    double GetStdDev(int j) const;
    double GetMax(int j) const;
    double GetMin(int j) const;
    // The matrices, recomputed first when out of date. A held reference
    // stays valid, but its contents follow the edits only through a new read.
    double GetMoment(int i, int j) const { Refresh(); return moments_.At(i, j); }
    double GetCorrelation(int i, int j) const { Refresh(); return correlations_.At(i, j); }
    const Matrix& Moments() const { Refresh(); return moments_; }
    // The same matrix in the precision it is formed in, for the fit.
    const LongMatrix& PreciseMoments() const { Refresh(); return preciseMoments_; }
    // Where the passes over the observations find their worker threads (none
    // set: the calling thread alone).
    void SetPoolSource(std::function<ThreadPool*()> source) { poolSource_ = std::move(source); }
    ThreadPool* Pool() const { return poolSource_ ? poolSource_() : nullptr; }
    const Matrix& Correlations() const { Refresh(); return correlations_; }

    // name + "/" + tag + "/" + info.
    std::string FormatVarProperty(int j) const;
    // name/tag/info: sets info and type of the variable of that name, if any.
    void ApplyVarProperty(const std::string& text);
    // One item of the text file's property section: "@name=..." / "@info=..."
    // set the data set's texts; anything else is a variable property.
    void ParseProperty(const std::string& text);

    // --- maintenance -------------------------------------------------------
    // Rebuild (which also sets modified) and RecalcStatistics mark every
    // statistic and both matrices out of date, UpdateMoments the matrices;
    // the next read recomputes them. BuildMomentMatrix recomputes what is out
    // of date now.
    void Rebuild();
    void RecalcStatistics();
    void UpdateMoments();
    void BuildMomentMatrix();

protected:
    // Called before any edit of the values, the observations or the
    // variables, and before a variable is handed out for writing (GetVar):
    // what a derived class derived from the values as they were and has not
    // formed yet, it forms now.
    virtual void BeforeValuesChange() {}
    // Checked index of a real variable (ERangeError outside 0..k-1).
    int CheckVar(int j) const;
    void CheckObs(int i) const;
    // Moves every column's values and marks so that position i holds those
    // of position from[i].
    void PermuteColumns(const int* from);
    // Counts of the table must agree with obs_ after every edit.
    void SetObsCount(int n) { obs_ = n; }
    // Marks the matrices out of date (the variables keep their own marks).
    void MarkMomentsStale() noexcept { current_.store(false, std::memory_order_relaxed); }
    void Refresh() const {
        if (!current_.load(std::memory_order_acquire)) RefreshNow();
    }
    // Refresh that, when the matrices are formed now, also fills the n rows
    // of a row-major design (row stride at least k + 1) with the values and
    // 1.0 in column k in the same pass. True when it filled the design.
    bool RefreshWithDesign(double* design, long long stride) const;

    std::string name_;
    std::string info_;
    int obs_ = 0;
    std::vector<std::unique_ptr<Var>> table_;
    mutable Matrix moments_;
    mutable LongMatrix preciseMoments_;
    mutable Matrix correlations_;
    std::function<ThreadPool*()> poolSource_;
    bool modified_ = false;

private:
    void RefreshNow() const { RefreshWithDesign(nullptr, 0); }

    // The matrices describe the values (a new data set's are zero).
    mutable std::atomic<bool> current_{true};
    mutable std::mutex refreshLock_;
};

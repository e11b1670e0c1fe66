// ExpresList: the equations of a simultaneous-equation system, kept with
// the data set (the regression model embeds one), in a fixed order:
// estimated equations first, then definitions.
//
// Bound to a data set (SetData), it derives the structural matrices B
// (G x G, endogenous variables = type 1) and Gamma (G x K, predetermined
// variables = type 2 or 3, then the constant), the reduced form
// Pi = -B^-1 Gamma and the reduced-form value of every endogenous variable
// at every observation.
//
// Binary record (the data file's equation section): int32 count, then that
// many equation records (see Expres).
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "core/data/equation.h"
#include "core/numeric/matrix.h"

class Data;

class ExpresList {
public:
    ExpresList() = default;
    ExpresList(const ExpresList& other) = default;
    ExpresList(ExpresList&& other) noexcept = default;
    // Full copies (plain Matrix assignment would keep the old shapes).
    ExpresList& operator=(const ExpresList& other);
    ExpresList& operator=(ExpresList&& other) noexcept;
    ~ExpresList() = default;

    int GetCount() const { return static_cast<int>(items_.size()); }

    // Replaces the equation with the same left-hand name in place, or
    // appends a copy; then sorts. Returns the equation's position after the
    // sort.
    int Add(const Expres& e);
    // A list of fewer than two equations is cleared whatever i is;
    // otherwise i in 0..count-1 is removed and others are ignored.
    void Delete(int i);
    // Drops the equations and the derived matrices and names. The bound
    // data set stays; the next ComputeReducedForm binds it again.
    void Clear();
    // Position of the equation with that left-hand name, -1 when none.
    int IndexOf(const std::string& name) const;
    // i outside 0..count-1 raises ERangeError.
    const Expres& GetItem(int i) const;
    // Deletes every equation that mentions name on either side; true when
    // anything was deleted.
    bool DeleteMentioning(const std::string& name);
    // Renames the variable in every equation (the data set's rename hook).
    // True when any equation mentioned it.
    bool RenameVar(const std::string& oldName, const std::string& newName);
    // Estimated equations before definitions; see the .cpp for the order.
    void SortEquations();

    // Binds the data set (not owned; it must outlive the binding): counts,
    // names and zero matrices.
    void SetData(const Data& model);
    // True when computed; false (nothing computed) when no data set is bound
    // or there are more endogenous variables than equations. Binds the data
    // set again first when its variables or observation count changed since
    // SetData. A singular B raises EZeroDivide "INVERSE ERROR!".
    [[nodiscard]] bool ComputeReducedForm();
    bool IsUpToDate() const { return upToDate_; }
    // The model was re-estimated: the matrices must be derived again.
    void MarkOutOfDate() { upToDate_ = false; }

    int GetEndogenousCount() const { return g_; }
    int GetPredeterminedCount() const { return k_; }
    // Matrix elements; a bad row or column raises ERangeError.
    double GetEndogenousCoef(int i, int j) const { return b_.At(i, j); }
    double GetPredeterminedCoef(int i, int k) const { return gamma_.At(i, k); }
    double GetReducedFormCoef(int i, int k) const { return pi_.At(i, k); }
    double GetReducedFormValue(int t, int j) const { return fitted_.At(t, j); }
    const Matrix& EndogenousMatrix() const { return b_; }
    const Matrix& PredeterminedMatrix() const { return gamma_; }
    const Matrix& ReducedForm() const { return pi_; }
    const Matrix& ReducedFormValues() const { return fitted_; }
    std::string GetEndogenousName(int j) const;
    std::string GetPredeterminedName(int k) const;
    int FindEndogenous(const std::string& name) const;

    // The list record. Read replaces the list only when the whole record was
    // read (EReadError otherwise, the list unchanged); several records with
    // one left-hand name leave the last one. available: bytes the record may
    // take (negative: up to the end of the stream).
    void Read(std::istream& in, std::int64_t available = -1);
    void Write(std::ostream& out) const;

private:
    // The counts and names the bound data set gives now.
    void DeriveNames(std::vector<std::string>& endogenous, std::vector<std::string>& predetermined) const;
    void Bind(const Data& model);

    std::vector<Expres> items_;
    int g_ = 0;
    int k_ = 0;
    Matrix b_;
    Matrix gamma_;
    Matrix pi_;
    Matrix fitted_;
    std::vector<std::string> endogenousNames_;
    std::vector<std::string> predeterminedNames_;
    const Data* model_ = nullptr;
    bool upToDate_ = false;
};

// The final form of a dynamic model: FFCell (one term: variable, type code,
// lag, coefficient), FFElement (one equation: a left-hand cell and its
// terms) and FFList (a set of equations), with their stored record and the
// evaluation of an equation over the data. The lag-polynomial algebra that
// transforms the equations builds on these classes.
//
// Record (the final-form section of the data file), little-endian:
//   list    int32 element count, then the elements
//   element cell of the left-hand side, int32 term count, then the cells
//   cell    int32 name length, CP932 name, u8 kind, int32 lag, f64 coefficient
//
// Terms are kept sorted: kind ascending, name ascending (CP932 bytes), then
// lag descending, so for one name t comes before t-1.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

class BinaryReader;
class BinaryWriter;
class Data;

class FFCell {
public:
    FFCell() = default;
    FFCell(const std::string& name, int kind, double coefficient, int lag);

    const std::string& GetName() const { return name_; }
    int GetKind() const { return kind_; }
    int GetLag() const { return lag_; }
    double GetCoef() const { return coef_; }
    void SetName(const std::string& name) { name_ = name; }
    void SetKind(int kind) { kind_ = static_cast<std::int8_t>(kind); }
    void SetLag(int lag) { lag_ = lag; }
    void SetCoef(double coef) { coef_ = coef; }

    // The cell part by value (of an element: its left-hand side).
    FFCell GetCopy() const { return FFCell(name_, kind_, coef_, lag_); }

    // Same name, kind, lag and exactly the same coefficient.
    bool operator==(const FFCell& other) const;
    // Ordering key: kind ascending, name ascending, lag descending. Equal
    // keys satisfy both tests.
    bool operator<=(const FFCell& other) const { return CompareKey(other) <= 0; }
    bool operator>=(const FFCell& other) const { return CompareKey(other) >= 0; }
    int CompareKey(const FFCell& other) const;

    void LoadFrom(BinaryReader& in);
    void SaveTo(BinaryWriter& out) const;
    // Smallest cell record: name length, kind, lag, coefficient.
    static constexpr std::int64_t kMinRecordBytes = 17;

private:
    std::string name_;
    std::int8_t kind_ = 0;
    std::int32_t lag_ = 0;
    double coef_ = 0.0;
};

class FFElement : public FFCell {
public:
    FFElement() = default;

    int GetCount() const { return static_cast<int>(terms_.size()); }
    // The left-hand side becomes the cell; all terms are deleted.
    void SetHead(const FFCell& cell);
    FFCell GetHead() const { return GetCopy(); }
    // Adds a copy of the cell as a term, then sorts; returns true.
    bool AppendTerm(const FFCell& cell);
    // Term i by value / overwritten in place (no re-sort). i outside
    // 0..count-1 raises ERangeError.
    FFCell GetTerm(int i) const;
    void SetTerm(int i, const FFCell& cell);
    // Removes term i when 0 <= i < count (else nothing), then sorts.
    void DeleteTerm(int i);
    // Deep copy of the left-hand side and the terms, then sort.
    void Assign(const FFElement& other);
    // Same left-hand side and the same terms position by position.
    bool operator==(const FFElement& other) const;
    // Sorts the terms by the ordering key.
    void Sort();

    // Evaluates the equation over the data set's n observations into out
    // (resized to n). out starts as the observed values of the element's
    // own variable; every observation t that all lags reach becomes the sum
    // of coefficient times value at t + lag, the own variable's values taken
    // from out itself (so lagged values are the ones just computed), the
    // constant term 1. ahead / back (when given) receive the largest lag and
    // minus the smallest (each at least 0). Returns false, leaving out and
    // the counts alone, when a name is not a variable of the data set.
    bool Evaluate(const Data& data, std::vector<double>& out, int* ahead = nullptr, int* back = nullptr) const;

    // The equation as one line: "Y[t] = " and the terms without separators,
    // e.g. Y[t] = +0.5000*Y[t-1]+X[t]+2.0000 (the constant term is its
    // coefficient alone; a coefficient of exactly 1 or -1 is its sign).
    std::string GetText() const;

    // Reading sorts the terms; a short or impossible record raises EReadError.
    void LoadFrom(BinaryReader& in);
    void SaveTo(BinaryWriter& out) const;

private:
    std::vector<FFCell> terms_;
};

class FFList {
public:
    int GetCount() const { return static_cast<int>(elements_.size()); }
    // Deep copy at the end; returns true.
    bool Append(const FFElement& element);
    // Element i by value / overwritten; i outside 0..count-1 raises
    // ERangeError.
    FFElement GetElement(int i) const;
    void SetElement(int i, const FFElement& element);
    // Removes element i when 0 <= i < count.
    void Delete(int i);
    void Clear() { elements_.clear(); }

    // The list record. LoadFrom clears the list, then reads the record
    // within available bytes (negative: up to the end of the stream) and
    // leaves the stream after it. A short, negative or impossible count or
    // length raises EReadError and leaves the list empty.
    void LoadFrom(std::istream& in, std::int64_t available = -1);
    void SaveTo(std::ostream& out) const;

private:
    std::vector<FFElement> elements_;
};

// The program's lists: the equations being transformed, the decided
// substitution candidates, and the stored final form of the data set (saved
// in and loaded from the data file). The application state owns them.
struct FinalFormLists {
    FFList work;
    FFList decided;
    FFList stored;
};

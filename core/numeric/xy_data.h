// XYData: one drawable series of an X-Y graph (points, colour, pen style and
// a mark saying that the graph's clear command may remove it), and
// XYDataList, the owning list of series that a graph window draws.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class XYData {
public:
    // Points 0..n-1 set to 0.0; n < 1 gives an empty series.
    XYData(std::uint32_t colour, std::uint8_t penStyle, bool removable, int n);

    int Count() const noexcept { return static_cast<int>(x_.size()); }
    const double* X() const noexcept { return x_.data(); }
    const double* Y() const noexcept { return y_.data(); }
    double X(int i) const { return x_.at(i); }
    double Y(int i) const { return y_.at(i); }
    std::uint32_t Colour() const noexcept { return colour_; }
    std::uint8_t PenStyle() const noexcept { return penStyle_; }
    bool Removable() const noexcept { return removable_; }

    // Appends (x, y).
    void AddPoint(double x, double y);
    // Copies n points in. A longer n makes the series exactly those points;
    // a shorter one overwrites the first n and keeps the rest. n <= 0: nothing.
    void SetData(const double* x, const double* y, int n);
    // Point i = (x, y) when 0 <= i < Count(); otherwise nothing.
    void SetPoint(int i, double x, double y);

private:
    std::vector<double> x_;
    std::vector<double> y_;
    std::uint32_t colour_;
    std::uint8_t penStyle_;
    bool removable_;
};

class XYDataList {
public:
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    // Appends a copy of s.
    void Add(const XYData& s);
    // Series i; i outside 0..Count()-1 raises ERangeError.
    XYData* GetItem(int i);
    const XYData* GetItem(int i) const;
    // Removes series i; a negative i means the last removable series (none:
    // nothing). An index outside the list removes nothing. A sole series is
    // removed only when it is removable.
    void Delete(int i);
    void Clear() noexcept { items_.clear(); }

private:
    std::vector<std::unique_ptr<XYData>> items_;
};

// A result table: titled columns and rows of cells, each cell the number
// behind it, its significance mark and its text. The grids, the reports
// and the clipboard show the same table, so a value is formatted and
// marked in one place.
#pragma once

#include <limits>
#include <string>
#include <vector>

// "**" or "* " in front of a value: the grid paints it red or blue.
struct ResultCell {
    std::string text;  // the formatted value, the mark excluded
    std::string mark;
    // The number the text shows; NaN for a text that shows none ("-").
    double value = std::numeric_limits<double>::quiet_NaN();

    std::string Shown() const { return mark + text; }
    // Two cells without a number are alike.
    bool operator==(const ResultCell& o) const {
        return text == o.text && mark == o.mark && (value == o.value || (value != value && o.value != o.value));
    }
};

// A cell that shows a fixed text and no number.
ResultCell TextCell(std::string text);
// FormatNumber(smallAsFixed, value), with an optional mark.
ResultCell NumberCell(double value, bool smallAsFixed = false, std::string mark = {});

class ResultTable {
public:
    ResultTable() = default;
    explicit ResultTable(std::vector<std::string> titles) : titles_(std::move(titles)) {}

    int ColumnCount() const { return static_cast<int>(titles_.size()); }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    const std::string& Title(int column) const;
    void SetTitle(int column, std::string title);

    // A row of as many cells as there are columns; missing cells are empty,
    // surplus ones dropped.
    void AddRow(std::vector<ResultCell> cells);
    // An empty cell for a column or row outside the table.
    const ResultCell& Cell(int column, int row) const;

private:
    std::vector<std::string> titles_;
    std::vector<std::vector<ResultCell>> rows_;
};

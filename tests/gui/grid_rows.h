// What a result grid shows, written out row by row: the heading, the first
// and the last row and how many rows follow the heading.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/qt/string_grid.h"

using RowTexts = std::vector<std::string>;

inline RowTexts GridRow(const TStringGrid& grid, int row) {
    RowTexts texts;
    for (int c = 0; c < grid.ColCount(); ++c) texts.push_back(grid.Cell(c, row).toStdString());
    return texts;
}

struct ShownRows {
    int count;
    RowTexts heading, first, last;
};

inline void ExpectRows(const TStringGrid& grid, const ShownRows& rows) {
    EXPECT_EQ(grid.RowCount() - 1, rows.count);
    EXPECT_EQ(GridRow(grid, 0), rows.heading);
    EXPECT_EQ(GridRow(grid, 1), rows.first);
    EXPECT_EQ(GridRow(grid, rows.count), rows.last);
}

// The grid a prediction's values are typed into: the names in the fixed
// first column, the value beside each, a title row on top.
#pragma once

class QWidget;
class TStringGrid;

TStringGrid* NewValueEntryGrid(QWidget* parent, const char* name, int nameWidth);

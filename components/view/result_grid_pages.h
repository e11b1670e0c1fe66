// Result grids as the windows place them: named for the tests, the first
// column (the names) at a fixed width, alone or as a page of a tab widget.
#pragma once

class QTabWidget;
class QWidget;
class ResultGrid;

ResultGrid* NewResultGrid(QWidget* parent, const char* name, int firstColumnWidth);

// The grid as a page of tabs, the tab showing title.
ResultGrid* AddResultGridPage(QTabWidget* tabs, const char* name, int firstColumnWidth, const char* title);

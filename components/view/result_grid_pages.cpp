#include "components/view/result_grid_pages.h"

#include <QTabWidget>

#include "components/view/result_grid.h"

ResultGrid* NewResultGrid(QWidget* parent, const char* name, int firstColumnWidth) {
    auto* grid = new ResultGrid(parent);
    grid->setObjectName(name);
    grid->SetColWidth(0, firstColumnWidth);
    return grid;
}

ResultGrid* AddResultGridPage(QTabWidget* tabs, const char* name, int firstColumnWidth, const char* title) {
    ResultGrid* grid = NewResultGrid(tabs, name, firstColumnWidth);
    tabs->addTab(grid, title);
    return grid;
}

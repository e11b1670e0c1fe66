#include "components/view/value_entry_grid.h"

#include "platform/qt/string_grid.h"

TStringGrid* NewValueEntryGrid(QWidget* parent, const char* name, int nameWidth) {
    auto* grid = new TStringGrid(parent);
    grid->setObjectName(name);
    grid->SetColCount(2);
    grid->SetFixedCols(1);
    grid->SetFixedRows(1);
    grid->SetColWidth(0, nameWidth);
    grid->SetEditable(true);
    return grid;
}

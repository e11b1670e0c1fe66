#include "simeq/ui/system_test_page.h"

#include <QVBoxLayout>

#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "simeq/system_build.h"
#include "simeq/system_tables.h"

SystemTestPage::SystemTestPage(QWidget* parent, const char* gridName, bool simulation, std::function<void()> changer,
                               PlotRequest plot)
    : QWidget(parent), simulation_(simulation), changer_(std::move(changer)), plot_(std::move(plot)) {
    grid = NewResultGrid(this, gridName, 40);
    connect(grid, &TStringGrid::GridMouseDown, this,
            [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) { GridMouseDown(b, x, y); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid);
}

void SystemTestPage::SetSystem(std::shared_ptr<const SimultaneousSystem> sys) {
    sys_ = std::move(sys);
    values_ = true;
}

void SystemTestPage::Redraw() {
    if (!sys_ || !sys_->IsBuilt()) return;
    // The table forms the cells in view only; scrolling asks for the new
    // rows.
    const int top = grid->TopRow();
    grid->Show(SystemTestTable(sys_, simulation_, !values_));
    grid->SetTopRow(top);
}

void SystemTestPage::Toggle() {
    values_ = !values_;
    Redraw();
}

void SystemTestPage::GridMouseDown(Qt::MouseButton button, int x, int y) {
    if (!sys_ || !sys_->IsBuilt()) return;
    int c = -1, r = -1;
    grid->MouseToCell(x, y, c, r);
    if (c == 0 && r == 0) {
        changer_();
        return;
    }
    if (c < 1 || c > sys_->G() || r < 0) return;
    if (button == Qt::LeftButton || button == Qt::RightButton)
        plot_(sys_->Names()[static_cast<std::size_t>(c - 1)], button == Qt::RightButton);
}

#include "simeq/ui/prediction_page.h"

#include <QHBoxLayout>

#include <optional>
#include <vector>

#include "components/view/field_formula.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "components/view/value_entry_grid.h"
#include "core/report/result_table.h"
#include "simeq/system_build.h"
#include "simeq/system_tables.h"

PredictionPage::PredictionPage(QWidget* parent, AppState& state) : QWidget(parent), state_(state) {
    sgExo = NewValueEntryGrid(this, "sgExo", 150);
    sgExo->SetDefaultRowHeight(22);
    connect(sgExo, &TStringGrid::KeyDown, this, [this](int key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter) EvaluateInputs();
    });
    // Enter inside the editor commits the text; the values follow it.
    connect(sgExo, &TStringGrid::SetEditText, this, [this](int, int, const QString&) { EvaluateInputs(); });
    sgPred = NewResultGrid(this, "sgPred", 150);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sgExo, 1);
    layout->addWidget(sgPred, 1);
}

void PredictionPage::SetSystem(std::shared_ptr<SimultaneousSystem> sys) { sys_ = std::move(sys); }

void PredictionPage::tsPredictShow() {
    if (!sys_ || !sys_->IsBuilt()) return;
    const ResultTable in = PredictionInputTable(*sys_);
    sgExo->ClearCells();
    sgExo->SetRowCount(in.RowCount() + 1);
    for (int c = 0; c < 2; ++c) sgExo->SetCell(c, 0, Q(in.Title(c)));
    for (int r = 0; r < in.RowCount(); ++r)
        for (int c = 0; c < 2; ++c) sgExo->SetCell(c, r + 1, Q(in.Cell(c, r).Shown()));
    sgPred->Show(PredictionTable(*sys_));
}

void PredictionPage::EvaluateInputs() {
    if (!sys_ || !sys_->IsBuilt()) return;
    std::vector<double> inputs = sys_->PredictionInputs();
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        const std::string text = sgExo->Cell(1, static_cast<int>(k) + 1).trimmed().toStdString();
        const std::optional<double> v = EvaluateFieldFormula(state_, text, inputs[k]);
        if (v) inputs[k] = *v;
    }
    sys_->SetPredictionInputs(inputs);
    tsPredictShow();
}

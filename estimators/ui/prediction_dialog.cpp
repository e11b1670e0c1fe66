#include "estimators/ui/prediction_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <optional>
#include <vector>

#include "components/view/field_formula.h"
#include "components/view/grid_cell_painter.h"
#include "components/view/guarded_slot.h"
#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "components/view/value_entry_grid.h"
#include "components/view/window_registry.h"
#include "core/text/number_format.h"
#include "estimators/prediction_request.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"
#include "resources/string_table.h"

TfrmPredict::TfrmPredict(const WindowContext& context) : QDialog(context.Owner()), context_(context) {
    setObjectName("frmPredict");
    setWindowTitle("予測");
    resize(520, 300);

    sgVList = NewValueEntryGrid(this, "sgVList", 120);
    sgVList->SetRowCount(2);
    sgVList->SetColWidth(1, 120);
    cellContext_.font = sgVList->font();
    UseGridCellPainter(*sgVList, [this]() -> const GridCellContext& { return cellContext_; });

    auto* side = new QWidget(this);
    auto* form = new QGridLayout(side);
    stPred = NewValueLabel(side, "stPred", 140);
    stPUpper = NewValueLabel(side, "stPUpper", 140);
    stPLower = NewValueLabel(side, "stPLower", 140);
    eSinraido = new QLineEdit("95", side);
    eSinraido->setObjectName("eSinraido");
    eKakuritu = new QLineEdit("90", side);
    eKakuritu->setObjectName("eKakuritu");
    btnCalc = new QPushButton("計算(&C)", side);
    btnCalc->setObjectName("btnCalc");
    btnExit = new QPushButton("閉じる(&X)", side);
    btnExit->setObjectName("btnExit");
    int row = 0;
    const std::pair<const char*, QWidget*> rows[] = {{"予測値", stPred},     {"上限", stPUpper},
                                                      {"下限", stPLower},     {"信頼度", eSinraido},
                                                      {"確率", eKakuritu}};
    for (const auto& [caption, widget] : rows) {
        form->addWidget(new QLabel(QString::fromUtf8(caption), side), row, 0);
        form->addWidget(widget, row++, 1);
    }
    form->setRowStretch(row++, 1);
    form->addWidget(btnCalc, row++, 0, 1, 2);
    form->addWidget(btnExit, row, 0, 1, 2);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(sgVList, 1);
    layout->addWidget(side, 0);

    connect(btnCalc, &QPushButton::clicked, this, Guarded(context_.State(), [this] { btnCalcClick(); }));
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmPredict::SetModel(PredictionModel model) {
    // A matrix assigned over another keeps the old shape: take it whole.
    model_.reset();
    model_.emplace(std::move(model));
    last_.reset();
    sgVList->ClearCells();
    FormShow();
}

void TfrmPredict::FormShow() {
    if (!model_) return;
    sgVList->SetRowCount(std::max(model_->p, 1) + 1);
    sgVList->SetCell(0, 0, Q(LoadStr(kStrExplanatoryName)));
    sgVList->SetCell(1, 0, Q(LoadStr(kStrValue)));
    for (int i = 0; i < model_->p && i < static_cast<int>(model_->names.size()); ++i)
        sgVList->SetCell(0, i + 1, Q(model_->names[static_cast<std::size_t>(i)]));
    const auto shown = [this](double TolerancePrediction::*field) {
        return last_ ? Q(FormatNumber(false, (*last_).*field)) : QString();
    };
    stPred->setText(shown(&TolerancePrediction::predicted));
    stPUpper->setText(shown(&TolerancePrediction::upper));
    stPLower->setText(shown(&TolerancePrediction::lower));
}

void TfrmPredict::btnCalcClick() {
    if (!model_ || model_->p + 1 < 2) return;
    if (sgVList->IsEditing()) sgVList->HideEditor(true);
    // A failed value leaves no result behind that could pass for its own.
    last_.reset();
    std::vector<double> x(static_cast<std::size_t>(model_->p), 0.0);
    for (int i = 0; i < model_->p; ++i) {
        const std::optional<double> v = EvaluateFieldFormula(context_.State(), sgVList->Cell(1, i + 1).toStdString());
        if (!v) {
            FormShow();
            return;
        }
        x[static_cast<std::size_t>(i)] = *v;
    }
    last_ = PredictFromTexts(*model_, x, context_.State().Context().Evaluator(), eSinraido->text().toStdString(),
                             eKakuritu->text().toStdString());
    FormShow();
}

namespace {

class PredictionWindow : public RequestWindow<PredictionRequest> {
public:
    explicit PredictionWindow(const WindowContext& context) : dialog_(context) {}
    using RequestWindow<PredictionRequest>::Fill;
    bool Fill(const PredictionRequest& request) override {
        dialog_.SetModel(request.model);
        return true;
    }
    int ShowModal() override { return dialog_.exec(); }

private:
    TfrmPredict dialog_;
};

}  // namespace

void RegisterPredictionDialog() {
    AnalysisWindows().Register("TfrmPredict", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<PredictionWindow>(context);
    });
}

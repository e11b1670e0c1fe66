// TfrmPredict: the prediction of a fitted linear model at typed regressor
// values, with the simultaneous tolerance interval at a typed confidence
// and coverage. Any window with a linear fit opens it with a
// PredictionRequest; the dialog keeps its own copy of the model.
#pragma once

#include <QDialog>

#include <optional>

#include "components/view/grid_cell_painter.h"
#include "components/view/window_context.h"
#include "core/numeric/tolerance_interval.h"
#include "estimators/prediction.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TStringGrid;

class TfrmPredict : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPredict(const WindowContext& context);

    // Takes the model; computes nothing.
    void SetModel(PredictionModel model);
    // The names in the value grid and the last results in the fields.
    void FormShow();
    // Predicts at the typed values (an empty cell is 0). A value or a
    // percentage that cannot be evaluated shows its error and no result.
    void btnCalcClick();

    const std::optional<TolerancePrediction>& Last() const { return last_; }

    TStringGrid* sgVList = nullptr;
    QLabel* stPred = nullptr;
    QLabel* stPUpper = nullptr;
    QLabel* stPLower = nullptr;
    QLineEdit* eSinraido = nullptr;
    QLineEdit* eKakuritu = nullptr;
    QPushButton* btnCalc = nullptr;
    QPushButton* btnExit = nullptr;

private:
    WindowContext context_;
    std::optional<PredictionModel> model_;
    std::optional<TolerancePrediction> last_;
    GridCellContext cellContext_;
};

void RegisterPredictionDialog();

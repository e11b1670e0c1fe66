// The prediction page of the simultaneous-equation window: values of the
// predetermined variables typed in (formulas accepted; Enter evaluates
// them) and the reduced-form predictions of the endogenous variables.
#pragma once

#include <QWidget>

#include <memory>

class AppState;
class ResultGrid;
class SimultaneousSystem;
class TStringGrid;

class PredictionPage : public QWidget {
    Q_OBJECT
public:
    PredictionPage(QWidget* parent, AppState& state);

    void SetSystem(std::shared_ptr<SimultaneousSystem> sys);
    void tsPredictShow();
    // Evaluates every entered text, predicts and shows the result. A text
    // that does not evaluate keeps its previous value (the error has been
    // shown).
    void EvaluateInputs();

    TStringGrid* sgExo = nullptr;
    ResultGrid* sgPred = nullptr;

private:
    AppState& state_;
    std::shared_ptr<SimultaneousSystem> sys_;
};

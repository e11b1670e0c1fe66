// TfrmIVSet: builds the instrument of one variable of an instrumental-
// variable model: its ranks, the k-class mix of a first-stage fit on the
// exogenous or on freely chosen variables (least squares here, weighted or
// ridge in their own windows), or values typed in. The instrument replaces
// the variable's column of the estimation design; "解除" puts the observed
// column back. The first stage and the instrument values are the engine's.
#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "components/view/grid_cell_painter.h"
#include "components/view/window_context.h"
#include "estimators/instrument_builder.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class Reg;
class RegIV;
class TStringGrid;

class TfrmIVSet : public QDialog {
    Q_OBJECT
public:
    enum Method { kRanks = 0, kExogenous = 1, kOthers = 2, kTyped = 3 };

    explicit TfrmIVSet(const WindowContext& context);
    ~TfrmIVSet() override;

    // Keeps the model (not owned), its data set and group mask; K = 1.
    bool SetModel(RegIV* model, Reg* data, std::uint16_t mask);

    void FormActivate();
    void cbIVSelChange();
    void rgIVSetClick(int method);
    void sgREGClick(int c, int r, Qt::MouseButton button);
    void stLamdaClick();
    void btnSetClick();
    void btnResetClick();
    void btnPlotClick();
    void btnRESClick();
    void ShowFirstStage();

    double K() const { return k_; }
    const InstrumentFirstStage* FirstStage() const { return firstStage_.get(); }

    QComboBox* cbIVSel = nullptr;
    QGroupBox* rgIVSet = nullptr;
    QButtonGroup* methods = nullptr;
    QLabel* stLamda = nullptr;
    QLabel* stR = nullptr;
    QPushButton* btnSet = nullptr;
    QPushButton* btnReset = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnPlot = nullptr;
    QPushButton* btnExit = nullptr;
    QGroupBox* gbREGParam = nullptr;
    QLabel* stVe = nullptr;
    QLabel* stRR2 = nullptr;
    QPushButton* btnRES = nullptr;
    QGroupBox* rgReg = nullptr;
    QRadioButton* rbOLS = nullptr;
    QRadioButton* rbWLS = nullptr;
    QRadioButton* rbRidge = nullptr;
    TStringGrid* sgREG = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Guard(const std::function<void()>& handler);
    void EnableFirstStage(bool on);
    void UpdateFitChoices();
    // The model's variable of the chosen name, or -1.
    int ChosenVariable() const;
    // One value per observation typed in; nothing on Cancel.
    std::optional<std::vector<double>> TypeValues(const std::string& name, std::vector<double> values);
    std::optional<HandedBackFit> RunRidge(const HandedBackRequest& request);
    std::optional<HandedBackFit> RunWeighted(const HandedBackRequest& request);

    WindowContext context_;
    RegIV* model_ = nullptr;
    Reg* data_ = nullptr;
    std::uint16_t mask_ = 0;
    double k_ = 1.0;
    int target_ = -1;
    // The method whose first stage (or none) the dialog shows: a first
    // stage refused for another keeps it, and the choice goes back to it.
    int shownMethod_ = kRanks;
    std::unique_ptr<InstrumentFirstStage> firstStage_;
    int registryListener_ = -1;
    GridCellContext regContext_;
};

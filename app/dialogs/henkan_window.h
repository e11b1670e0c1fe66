// TfrmHenkan: transforms one variable's series by Box-Cox, exponential
// smoothing, the generalised difference or a moving average, shows the
// result (or input minus result) in a plot and a grid while the parameter
// moves, and hands the series and a comment back on OK.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "components/view/grid_cell_painter.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class TSeriesPlot;
class TStringGrid;
class UiServices;

class TfrmHenkan : public QDialog {
    Q_OBJECT
public:
    // evaluate turns the parameter text into a number and throws on a bad
    // text; services show the errors.
    using Evaluator = std::function<double(const std::string&)>;
    TfrmHenkan(Evaluator evaluate, UiServices& services, QWidget* parent = nullptr);
    ~TfrmHenkan() override;

    // Binds the window to the caller's series (written back on OK), the
    // kind 0..3 and whether a comment is wanted. False for another kind.
    bool SetData(const std::string& name, std::vector<double>* data, int kind, bool commentWanted);
    // The comment of the last run (valid after OK).
    const std::string& Comment() const { return comment_; }
    const std::vector<double>& Transformed() const { return transformed_; }
    const std::vector<double>& Residuals() const { return residuals_; }
    double Parameter() const { return parameter_; }

    // --- commands ---------------------------------------------------------------
    void btnRunClick();
    void sbValueScroll(int position);
    void cbAutoClick();
    void rgSelectClick();
    // The univariate statistics of the series the plot shows.
    void btnFundClick();
    using StatisticsView = std::function<void(const std::string& name, const std::vector<double>& values)>;
    void SetStatisticsView(StatisticsView view);
    // What the help button opens (none: it says that help cannot be shown).
    void SetHelpView(std::function<void()> view) { showHelp_ = std::move(view); }
    // Accepts unless the transformed series holds a value that is not finite.
    void btnOKClick();
    // The graph options: fixed ranges of the plot, or its own again.
    void btnOptionClick();
    void Repaint();

    QLineEdit* eVal = nullptr;
    QScrollBar* sbValue = nullptr;
    QCheckBox* cbAuto = nullptr;
    QRadioButton* rbData = nullptr;
    QRadioButton* rbResidual = nullptr;
    QLabel* stBottom = nullptr;
    QLabel* stLineWidth = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnFund = nullptr;
    QPushButton* btnOption = nullptr;
    QPushButton* btnRun = nullptr;
    QPushButton* btnHelp = nullptr;
    TSeriesPlot* plots = nullptr;
    TStringGrid* sgData = nullptr;

protected:
    // Enter in the parameter field runs the transform instead of closing.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Run();
    void SetScrollPosition(double value);
    void SetAutomatic(bool on);

    Evaluator evaluate_;
    UiServices& services_;
    GridCellContext gridContext_;
    std::string name_;
    StatisticsView showStatistics_;
    std::function<void()> showHelp_;
    std::vector<double>* data_ = nullptr;
    int kind_ = 0;
    int scale_ = 10000;
    bool commentWanted_ = false;
    double parameter_ = 0.0;
    double autoRho_ = 0.0;
    bool automatic_ = false;
    bool scrolling_ = false;
    std::string comment_;
    std::vector<double> observations_;
    std::vector<double> transformed_;
    std::vector<double> residuals_;
};

// Registers TfrmHenkan as the window of transformation kinds 0..3.
void RegisterHenkanWindow();

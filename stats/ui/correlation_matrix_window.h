// TfrmRelative: the correlation or partial correlation matrix of a named
// table's columns, all or only the selected ones, from the table's values
// or from a second table of the same shape (the "(iv)" values). A cell
// plots its pair of variables; buttons hand the shown variables to the
// principal component, weighted regression and ridge regression windows.
// The opener owns the tables and keeps them while the window is open.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "components/view/analysis_window_base.h"
#include "stats/correlation_matrices.h"

class QBoxLayout;
class QGroupBox;
class QPushButton;
class QRadioButton;
class ResultGrid;

class TfrmRelative : public AnalysisWindowBase {
    Q_OBJECT
public:
    explicit TfrmRelative(const WindowContext& context);
    ~TfrmRelative() override;

    // False (nothing shown) when the matrices cannot be computed; a variable
    // whose sums overflow raises EOverflowingSums (refused, nothing shown).
    bool SetData(const TNamedData* data, const TFileMatrix* alternate, bool showSelection);
    // Sizes the window so that up to seven variables' matrix shows whole,
    // within the room given (the screen's, when opened).
    void FitToMatrix(const QRect& available);
    [[nodiscard]] bool ComputeMatrices();
    void ShowMatrix();

    void rgTypeClick(bool partial);
    void rgSelClick(bool selectedOnly);
    void btnChangeClick();
    // X is the column's variable, Y the row's; otherMatrix takes Y (or, on
    // the diagonal, X) from the table not shown.
    void PlotCellPair(int row, int col, bool otherMatrix);
    void sgRelMatMouseUp(Qt::MouseButton button, int x, int y);
    void sgRelMatKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void btnPCAClick();
    void btnWLSClick();
    void btnRidgeClick();

    const CorrelationMatrices& Matrices() const { return *m_; }
    bool PartialShown() const { return partialShown_; }
    bool AlternateShown() const { return alternateShown_; }
    bool SelectedOnly() const { return selectedOnly_; }

    ResultGrid* sgRelMat = nullptr;
    QGroupBox* rgType = nullptr;
    QRadioButton* rbCorrelation = nullptr;
    QRadioButton* rbPartial = nullptr;
    QGroupBox* rgSel = nullptr;
    QRadioButton* rbAll = nullptr;
    QRadioButton* rbSelected = nullptr;
    QPushButton* btnCloseRM = nullptr;
    QPushButton* btnPCA = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnWLS = nullptr;
    QPushButton* btnRidge = nullptr;
    QPushButton* btnChange = nullptr;

protected:
    bool Setup(const WindowRequest& request) override;

private:
    // The shown columns as a new table, values from the shown table.
    std::unique_ptr<TNamedData> ShownTable(bool fromShown) const;
    // The dependent variable's place among the shown ones; -1 when the
    // answer names none.
    int AskDependent() const;
    void EnableHandOvers();

    QBoxLayout* bottom_ = nullptr;
    const TNamedData* data_ = nullptr;
    const TFileMatrix* alternate_ = nullptr;
    // Matrices keep their shape on assignment: a new set replaces the old.
    std::unique_ptr<CorrelationMatrices> m_ = std::make_unique<CorrelationMatrices>();
    bool alternateShown_ = false;
    bool partialShown_ = false;
    bool selectedOnly_ = false;
    int registryListener_ = -1;
};

void RegisterCorrelationMatrixWindow();

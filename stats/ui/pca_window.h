// TfrmPCA: principal components and factor analysis of the data set's
// ticked variables (and chosen groups) or of every column of a named table.
// Pages show the correlation matrix, eigenvalues, loadings, scores, rotated
// factors, factor scores and the outlier table, each from the engine's
// result tables; commands plot loadings and scores, change the factor
// method and count, rename the score series and add chosen ones to the
// data set. The window owns the current analysis, which the loading plot
// and the name checks read while it is open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/view/analysis_window_base.h"
#include "components/view/selector_dialog.h"
#include "stats/principal_components.h"

class CurrentAnalysis;
class PcaObservationTable;
class QAction;
class QLabel;
class QListWidget;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QWidget;
class ResultGrid;

class TfrmPCA : public AnalysisWindowBase {
    Q_OBJECT
public:
    explicit TfrmPCA(const WindowContext& context);
    ~TfrmPCA() override;

    // The data set's variables, all ticked, every observation; false (the
    // window then shows nothing) for an empty data set. A variable whose
    // sum of squares overflows raises EOverflowingSums (also from a table).
    bool Start(Reg* data);
    // Every column of the table (copied); group choice and adding hidden.
    bool StartFromTable(const TNamedData& table);
    // Shows every page of the current analysis (empty pages without one).
    void RefreshPages();
    PCA* Analysis() const;

    void lbVarSelClick();
    // Enter in the list: toggles the focused variable, then as a click.
    void lbVarSelEnter();
    void ActiveGroupExecute();
    void SettingExecute();
    void RotationExecute();
    void ChangerExecute();
    void FFPlotExecute();
    void ZZPlotExecute();
    void SelectionExecute();
    void RenameExecute();
    // Grid clicks by cell.
    void sgEVClick(int col, int row);
    void sgRelMatClick(int col, int row);
    void sgFLClick(int col, int row);
    void sgRFClick(int col, int row);
    void ObservationGridClick(ResultGrid* grid, Qt::MouseButton button, int col, int row);

    bool ShowsLoadings() const { return showLoadings_; }
    bool UsesVarimax() const { return useVarimax_; }
    const std::vector<std::uint8_t>& VarFlags() const { return varFlags_; }

    // Runs the selectors (groups, score series); tests put in their own.
    SelectorRunner RunSelector;

    QToolBar* TB = nullptr;
    QAction* Exitence = nullptr;
    QAction* ActiveGroup = nullptr;
    QAction* FFPlot = nullptr;
    QAction* ZZPlot = nullptr;
    QAction* Rotation = nullptr;
    QAction* Setting = nullptr;
    QAction* Rename = nullptr;
    QAction* Selection = nullptr;
    QAction* Changer = nullptr;
    QAction* HelpContext = nullptr;
    QTabWidget* PC = nullptr;
    QWidget* tsSelect = nullptr;
    QListWidget* lbVarSel = nullptr;
    ResultGrid* sgRelMat = nullptr;
    ResultGrid* sgEV = nullptr;
    ResultGrid* sgFL = nullptr;
    ResultGrid* sgScore = nullptr;
    ResultGrid* sgRF = nullptr;
    ResultGrid* sgFS = nullptr;
    ResultGrid* sgCheck = nullptr;
    QStatusBar* SB = nullptr;

protected:
    bool Setup(const WindowRequest& request) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    QAction* AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                       void (TfrmPCA::*handler)(), bool onToolBar = true);
    ResultGrid* AddGrid(const char* name, int firstColumnWidth);
    void ConnectCellClick(ResultGrid* grid, std::function<void(Qt::MouseButton, int, int)> handler,
                          Qt::MouseButton enterButton = Qt::LeftButton);
    // A new analysis of the ticked variables; null when none is ticked.
    std::unique_ptr<PCA> Build(std::uint16_t mask, const std::vector<std::uint8_t>& flags) const;
    void SetAnalysis(std::unique_ptr<PCA> pca);
    void FillVarList();
    // Analyses all the variables of a new source; false (the error shown)
    // when that fails, the window then staying open without an analysis.
    bool ShowFirstAnalysis();
    void ShowCheckPage();
    // Asks for a score or factor-score name with the prompt; empty when the
    // answer is none (or accept decides so).
    std::string AskScoreName(const std::string& prompt, const std::vector<std::string>& choices,
                             bool anyName) const;
    std::vector<std::string> ScoreChoices() const;
    void Plot(const std::string& xName, const std::vector<double>& x, const std::string& yName,
              const std::vector<double>& y);
    std::vector<double> Standardized(int variable) const;
    void SetStatus(const std::string& text);
    void RenameScore(const std::string& oldName, const std::string& newName);
    // The variable information dialog on a score or factor-score column;
    // a new name given there renames the series.
    void ShowScoreProperty(const PcaObservationTable& table, int col);

    std::unique_ptr<CurrentAnalysis> current_;
    std::vector<std::uint8_t> varFlags_;
    std::vector<std::string> varNames_;
    bool showLoadings_ = true;
    bool useVarimax_ = true;
    bool shown_ = false;
    Reg* sourceData_ = nullptr;
    std::unique_ptr<TNamedData> sourceTable_;
    std::uint16_t groupMask_ = 0;
    QAction* tbSep_ = nullptr;
    QAction* tbDiv_ = nullptr;
};

void RegisterPcaWindow();

// TfrmREG: the main window. Holds the current data set through the
// application state, builds its menus, tool bars and shortcuts from one
// action table, opens and saves data files, keeps the caption and the
// two-stage indicators in step with the model, and offers to save a
// modified data set before it is replaced or the window closes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>
#include <map>
#include <string>

#include "app/dialogs/property_dialog.h"
#include "core/model/result_columns.h"
#include "core/model/result_texts.h"
#include "components/view/grid_cell_painter.h"
#include "components/view/grid_marks.h"
#include "components/view/window_context.h"
#include "components/view/window_request.h"
#include "core/data/selekto.h"
#include "core/io/clipboard_text.h"

class AppState;
class Var;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTabWidget;
class QToolBar;
class QToolButton;
class TfrmMacro;
class TfrmFind;
class TfrmReplace;
class TfrmInputAssist;
class TSetteiDlg;
class TfrmProperty;
class TStringGrid;
class QPushButton;
enum class LaunchFill;

// The residual plots of the main window; the lag plot takes its lag as the
// variable index.
enum class ResidualPlot {
    Predicted,
    Time,
    Variable,
    FittedVariable,
    LR,
    Lag,
    SquaredPredicted,
    SquaredVariable,
    SquaredFittedVariable,
    SquaredTime
};

class TfrmREG : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmREG(AppState& state, QWidget* parent = nullptr);
    ~TfrmREG() override;

    // The long-lived windows the main window uses, once they exist.
    void SetSettingsDialog(TSetteiDlg* settings) { settings_ = settings; }
    void SetMacroWindow(TfrmMacro* macro) { macro_ = macro; }
    void SetInputAssist(TfrmInputAssist* assist) { assist_ = assist; }
    // The Box-Cox action: the choice dialog, then the exchange of the flagged
    // variables (one flag per variable); false when nothing changed.
    void BCExchangeExecute();
    bool RunBoxCoxExchange(const std::vector<std::uint8_t>& flags);
    // The action's hint, with the lambda of the last exchange.
    void UpdateBoxCoxHint();
    void ConnectBoxCoxHint();
    // The variable property dialog and the data property command.
    void SetPropertyDialog(TfrmProperty* property) { property_ = property; }
    TfrmProperty* PropertyDialog() const { return property_; }
    void PropertyViewExecute();
    // The setting that transformations note themselves in the comment.
    bool ConvertedToComment() const;
    // The program state, for the windows the main window opens.
    AppState& State() { return state_; }
    // What the windows the main window opens are built with: the state,
    // this window as owner and the input assistant.
    WindowContext ViewContext();
    // The main window's side of the variable property dialog.
    TfrmProperty::Links PropertyLinks();

    // --- commands (menu, tool bar and shortcut handlers) ----------------------
    void NewFileExecute();
    void LoadFileExecute();
    void SaveFileExecute();
    void SaveAsFileExecute();
    void TextSaveExecute();
    void mnuRFClearClick();
    void Exit1Click();
    void FileReloadExecute();
    void mnuTBViewClick();
    void mnuSBViewClick();
    void mnuEditViewClick();
    void mnuSelectViewClick();
    void mnuCheckViewClick();
    void mnuAnalysisViewClick();
    void mnuPredViewClick();
    void NextPageExecute();
    void PreviousPageExecute();
    void OptionSetExecute();
    // Shows the macro window; the variable list and the visible page are
    // refreshed when it closes (a macro may have changed the data).
    void MacroSetExecute();
    void HelpContentsExecute();
    void HelpConTextExecute();
    void btnRealCalcClick();
    // The last edit step undone or redone, the pages refreshed.
    void UndoEditExecute();
    void RedoEditExecute();
    void CurLeftExecute();
    void CurRightExecute();
    void CurUpExecute();
    void CurDownExecute();
    void CurHomeExecute();
    void CurEndExecute();
    void V_SetExecute();
    void V_ResetExecute();
    void D_SetExecute();
    void D_ResetExecute();
    void ClearRowColExecute();
    void ChoiceDataExecute();
    void mnuGlobalToleranceClick();
    // Range choice: the selection of the data grid becomes the marks.
    void mnuChoiceClick();

    // Asks whether to save a modified data set (or saves it at once with
    // AutoSave). True when the caller may go on: nothing to save, saved, or
    // "No". False on Cancel and when the save failed (the data stay).
    [[nodiscard]] bool ConfirmSaveIfModified();
    // Opens a data file into a fresh model that replaces the current one
    // only when the whole file was read; a ".MCR" name goes to the macro
    // window. True when something was opened. A read error propagates with
    // the current data set, its name and flags untouched.
    [[nodiscard]] bool OpenDataFile(const std::string& fileName);
    // OpenDataFile, then the name goes to the front of the recent files.
    void OpenAndRemember(const std::string& fileName);
    // The close handler: writes the settings, then the save question. False
    // when the window is to stay open.
    [[nodiscard]] bool FormClose();

    void RefreshAfterLoad();

    // --- data entry --------------------------------------------------------------
    // The input box: Enter (13) writes the typed value or formula into the
    // current cell; other characters do nothing here.
    void cbInputKeyPress(int key);
    // A prompt for each cell in turn from the current one.
    void mnuRenzokuClick();
    // One prompt for the selected block: a list of values or "=" formula.
    void mnuEditRangeClick();

    // --- variable and observation commands ---------------------------------------
    void VARADDExecute();
    void VARDELExecute();
    void VARINSExecute();
    void VARXCHGExecute();
    void RENAMEExecute();
    void DATADDExecute();
    void DATDELExecute();
    void DATINSExecute();
    void DATXCHGExecute();
    // The external variables window; an imported variable is added as one
    // undo step (or makes the data set when none is open).
    void ImportVarExecute();
    // Observations of another data file appended by variable name, as one
    // undo step, after the user chose them.
    void AppendDataExecute();
    // The new-file command's "<import>": the current data set goes, the
    // external variables window makes the new one, which is then saved
    // under fileName.
    void NewFileFromImport(const std::string& fileName);

    // --- equations and estimation method ------------------------------------------
    void LSEExecute();
    void EXPADDExecute();
    void EXPDELExecute();
    void DECLADDExecute();
    void EXPCLRExecute();
    // The equation list window; afterwards the LIML root in two-stage mode.
    void ExpresListExecute();
    // A whole variable entered value by value (F2), one undo step.
    void InputVarExecute();
    // The expression assistant; on OK its expression replaces the input
    // box's text, to be evaluated on Enter.
    void AssistExecute();
    // The variable names of the estimates page and the column marks after a
    // change of the variable set.
    void RefreshVariableList();

    // --- pages -------------------------------------------------------------------
    // Fills the visible page only; every command that changes data or model
    // ends here.
    void RefreshActivePage();
    void tsEditShow();
    void tsSelectShow();
    void tsCheckShow();
    void tsAnalysisShow();
    void tsPredictShow();
    void sgEditTopLeftChanged();
    void sgResTopLeftChanged();
    void sgAnaTopLeftChanged();
    // Status text, input box and current value of the data grid's cell.
    void sgEditClick();
    void sgEditMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y);
    void sgResMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y);
    void sgAnaMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y);
    // The BG test of an order asked for; nothing for an order below 1 or one
    // that leaves fewer than 4 residual degrees of freedom.
    void btnBGTestClick();
    // The statistics beside the diagnostics grid (stGK, stDWR, lblBGTest,
    // stBGTest) and the prediction page (stDepNam, stPreval, stMaxPV,
    // stMinPV) by control name; null for another name.
    QLabel* PageLabel(const std::string& name) const;

    // --- prediction page ---------------------------------------------------------
    // The prediction and its tolerance interval at the values typed in the
    // variable list; a value that fails to evaluate shows its error and
    // leaves the former prediction.
    void btnPredCalcClick();
    void ComputePrediction();
    void sgPredTopLeftChanged();
    // The clicked observation's values into the variable list, then the
    // prediction.
    void sgPredClick();
    void btnChangerClick();
    void stPrevalClick();
    void stMaxPVClick();
    void stMinPVClick();
    QLineEdit* ConfidenceField() const { return eSinraido; }
    QLineEdit* ProbabilityField() const { return eKakuritu; }
    std::string PredictFormula;
    double PredictedValue = 0.0;
    double PredictUpper = 0.0;
    double PredictLower = 0.0;
    // False when the last prediction had no interval (too few degrees of
    // freedom); the bounds then show "-".
    bool PredictionHasInterval = false;

    // --- clipboard ---------------------------------------------------------------
    // Whole observations: the marked ones to the clipboard (and, for Cut,
    // out of the data set), or the clipboard's observations before the
    // first marked one (appended when none is marked).
    void CutEditExecute();
    void CopyEditExecute();
    void PasteEditExecute();
    // Left button held over row headers marks each observation passed.
    void GridMouseMove(TStringGrid* grid, Qt::MouseButtons buttons, int x, int y);

    // --- groups --------------------------------------------------------------------
    // The data grid's pop-up: a group set, reset or cleared over the block.
    void mnuSetGrpClick();
    void mnuResetGrpClick();
    void mnuClearGrpClick();
    // A group over the selected observations and variables, or TfrmGroup.
    void GROUPINGExecute();
    // The chosen groups to a data file of their own.
    void mnuGrpSaveClick();

    // --- find and replace ----------------------------------------------------------
    void SetFindWindows(TfrmFind* find, TfrmReplace* replace);
    void FindDataExecute();
    void FindNextExecute();
    void ReplaceDataExecute();
    void ReplaceNextExecute();

    // --- estimates page ----------------------------------------------------------
    // A variable name makes it the dependent variable of a new model with
    // the best single regressor; any other text does nothing.
    void cbSelectChange(const QString& text);
    void sgEstMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y);
    void sgEstKeyDown(int key, Qt::KeyboardModifiers mods);
    // Status texts of a row and, with toggle, the variable swept in or out.
    void ToggleEstimateRow(int row, bool toggle);
    void stRRClick();
    void stVeClick();
    bool ShowAdjustedR2 = false;

    // --- marks -------------------------------------------------------------------
    void ClearColumnMarks();
    void SetObservationMarkRange(TStringGrid* grid, int from, bool value, int to);
    void MarkObservationsByClick(TStringGrid* grid, Qt::KeyboardModifiers mods, int row);
    void UpdateClipboardActions();
    // The first marked column (edit, then diagnostics, then influence),
    // cleared; kind None when nothing is marked.
    ResultColumn TakeNextMarkedColumnCode();
    void TakeXYColumnCodes();
    int CountMarkedColumns(bool all) const;
    int CountMarkedObservations() const;
    // The column of the influence grid after its number column (j0 from 0).
    ResultColumn AnalysisColumnCode(int j0, bool raw) const;

    TStringGrid* EditGrid() const { return sgEdit; }
    TStringGrid* EstimateGrid() const { return sgEst; }
    TStringGrid* DiagnosticsGrid() const { return sgRes; }
    TStringGrid* InfluenceGrid() const { return sgAna; }
    TStringGrid* VariableListGrid() const { return sgVList; }
    TStringGrid* PredictionGrid() const { return sgPred; }
    QComboBox* InputBox() const { return cbInput; }
    // True from the user's first change of the input box's text until it
    // shows a cell again; only then are the edit keys the box's own.
    bool InputBeingEdited() const { return inputEdited_; }
    QMenu* EditPopup() const { return pmEdit; }
    QString StatusPanel(int i) const;
    // The painter context of a grid of this window.
    const GridCellContext& CellContext(TStringGrid* grid);
    void UpdateCaption();
    void UpdateTwoStageIndicator();
    void UpdateRecentFiles();
    // Status panel 0: the hint of the action under the pointer.
    void DisplayHint(const QString& hint);

    // The action of the table by name (null when none).
    QAction* Action(const std::string& name) const;
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(const std::string& path);
    QTabWidget* Pages() const { return PC; }
    QMenu* RecentMenu() const { return mnuReload; }
    QMenu* RecentPopup() const { return pmReload; }
    QLabel* LimlLabel() const { return stLIML; }
    QComboBox* VariableList() const { return cbSelect; }
    // The statistics beside the estimates grid by control name (stVe,
    // lblRR2, stRR, stJoutai, stPSS, stFDE); null for another name.
    QLabel* EstimateLabel(const std::string& name) const;
    QPushButton* EstimateButton(const std::string& name) const;

    // The shared mark sets of the grids.
    Selekto ObservationMarks;
    Selekto EditColumnMarks;
    Selekto DiagnosticColumnMarks;
    Selekto InfluenceColumnMarks;
    // Observation of the last plain row-header click; -1 when none.
    int MarkAnchor = -1;
    ResultColumn PlotColumnY{ResultKind::Time, 0};
    ResultColumn PlotColumnX{ResultKind::Time, 0};
    bool BoxCoxDone = false;

    // The whole column of a result (every observation, not only those in
    // view) in the univariate statistics window, observation k (1-based)
    // marked when k > 0.
    void ShowResultColumnStatistics(ResultColumn column, int k);
    // Opens the univariate statistics window on a series: title, values,
    // observation to mark. Empty: the registered window through
    // ShowFundamentalStats; tests put in their own.
    using FundamentalStatsView = std::function<void(const std::string&, const std::vector<double>&, int)>;
    void SetFundamentalStatsView(FundamentalStatsView view) { showFundamentalStats_ = std::move(view); }

    // --- plot commands -----------------------------------------------------------
    // One residual plot of the current fit to the X-Y graph; j is the
    // variable (or the lag, 1..4). Nothing without a data set, for a lag
    // leaving fewer than 4 pairs, for standardised residuals when s2 is 0
    // and for the L-R plot of an exact fit.
    void PlotResiduals(ResidualPlot kind, int j);
    void XYPlotterExecute();
    void PlotsCSExecute();
    void PlotsTSExecute();
    void XEPlotsExecute();
    void EEPlotsExecute();
    void mnuEE1Click();
    void mnuEE2Click();
    void mnuEE3Click();
    void EELagxExecute();
    void LRPlotterExecute();
    void PRLPlotsExecute();
    void NPlotsExecute();
    // The right button of the tool buttons: the squared variants and the
    // statistics of t(i); another button does nothing here.
    void tbEYPlotMouseDown(Qt::MouseButton button);
    void tnETPlotMouseDown(Qt::MouseButton button);
    void tbXEPlotMouseDown(Qt::MouseButton button);
    void tbFundMouseDown(Qt::MouseButton button);
    // Observed values against time with the predictions and their
    // tolerance bands at the prediction page's levels.
    void btnYYPlotClick();
    QMenu* LagPopup() const { return pmEELag; }
    // A tool button of the plot commands by name (tbEYPlot, tnETPlot,
    // tbXEPlot, tbEELag, tbFund); null for another name.
    QToolButton* PlotButton(const std::string& name) const;

    // --- analysis windows -------------------------------------------------------
    // An analysis command of the launch table by its name: its preconditions
    // and messages, then its registered window filled and shown modally.
    void LaunchAnalysis(const std::string& command);
    // The transformation of kind 0..5 on a variable chosen by name; the
    // window fills a copy, applied as one undo step on OK.
    void RunTransformation(int kind);
    // The correlation matrix of the marked columns and observations.
    void RelMatViewExecute();
    // Each analysis command enabled exactly when its window is registered.
    void UpdateLaunchActions();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TfrmProperty* property_ = nullptr;
    void BuildActions();
    void BuildPlotButtons();
    // The plot against a variable the user chooses (the "(iv)" choices
    // plot against its first-stage values).
    void PlotAgainstChosenVariable(bool squared);
    // r(i) (row 6) or t(i) (row 7) in the univariate statistics window.
    void ShowResidualStatistics(int row);
    void ConnectLaunchers();
    void DisconnectLaunchers();
    // Creates, fills and shows a registered window; the modal result, or 0
    // when it was not shown.
    int OpenAnalysisWindow(const std::string& windowClass, const WindowRequest& request, bool showAlways,
                           const char* failMessage);
    // What a command fills its window with: the model, and the window's own
    // request where it takes one.
    WindowRequest AnalysisRequest(LaunchFill fill, Reg* model);
    // A typed value: any expression. An error is shown and gives false.
    [[nodiscard]] bool EvaluateEntry(const std::string& text, double& value);
    // Carries out a navigation code of the prompt on a grid position (data
    // cells 1..cols x 1..rows); 106, 107 and 108 change the column variable's
    // name, comment and type.
    void ApplyInputDlgCommand(int code, int& c, int& r);
    // Values of v asked one by one (starting at the first observation); an
    // answer "=..." fills the rest; an answer equal to the shown text keeps
    // the exact value. False when cancelled.
    [[nodiscard]] bool InputSeriesValues(Var& v);
    // The selected observations (0-based, ascending) after an answer such as
    // "3,7" or "[2,10,2]"; none when an entry did not evaluate.
    std::optional<std::vector<int>> ParseObservationList(const std::string& text);
    // The one-line prompt; nullopt on Cancel.
    std::optional<std::string> Ask(const std::string& prompt, const std::vector<std::string>& items = {},
                                   const std::string& initial = {});
    std::vector<std::string> VariableNames(bool withDependent = true) const;
    void BuildPages();
    void ShowEditPage();
    void BuildGrids();
    TStringGrid* NewGrid(QWidget* page, const char* name);
    TStringGrid* ActiveGrid() const;
    Selekto* ColumnMarksOf(TStringGrid* grid);
    void FitMarks();
    QString EditCellText(int c, int r) const;
    void MoveCursor(int c, int r);
    // Writes the model to its file (asking for a name when it has none);
    // false when nothing was written. Errors are shown.
    bool SaveModel();
    void LastFileOpen(const std::string& fileName);
    // True for a regular file; otherwise says that it is missing or is no
    // regular file (a device, a folder) and gives false.
    bool CheckRegularFile(const std::string& fileName);
    void EnterInitialValues();
    void BuildEstimatesPage();
    void BuildDiagnosticsPage();
    void BuildInfluencePage();
    void BuildPredictionPage();
    QString DiagnosticsCellText(int c, int r) const;
    QString InfluenceCellText(int c, int r) const;
    const ResultMarks& MarksFor(const Reg& model) const;
    QString PredictionCellText(int c, int r) const;
    QString VariableListCellText(int c, int r) const;
    // Evaluates a percentage field as a probability held within
    // [0, 0.99999988].
    std::optional<double> PercentField(QLineEdit* field, double defaultPercent);
    // The converted value of the formula for one of the three labels.
    void ConvertPredictionLabel(QLabel* label, double value);
    // The observation selection as indices below the observation count.
    std::vector<int> MarkedObservations() const;
    // Copies the marked observations; their indices, or empty when none.
    std::vector<int> CopyMarkedObservations();
    bool OsClip() const;
    void AfterUndoStep();
    void ShowR2();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The input box's history and Escape key: Escape, the list closed, puts
    // the current cell's value back in the box, selected; nothing is stored.
    void ConnectInputBox();
    bool InputBoxKey(QObject* watched, QEvent* event);
    std::string DataFolder() const;
    bool AutoSave() const;

    AppState& state_;
    TSetteiDlg* settings_ = nullptr;
    TfrmFind* find_ = nullptr;
    TfrmReplace* replace_ = nullptr;
    void AskGroupOverBlock(bool set);
    void RunFind(TfrmFind& dialog, bool withDialog);
    void RunReplace(bool withDialog);
    TfrmMacro* macro_ = nullptr;
    TfrmInputAssist* assist_ = nullptr;
    std::string helpFile_;
    std::map<std::string, QAction*> actions_;

    QTabWidget* PC = nullptr;
    QWidget* tsEdit = nullptr;
    QWidget* tsSelect = nullptr;
    QWidget* tsCheck = nullptr;
    QWidget* tsAnalysis = nullptr;
    QWidget* tsPredict = nullptr;
    QComboBox* cbSelect = nullptr;
    QToolBar* TB1 = nullptr;
    QToolBar* TB2 = nullptr;
    QMenu* mnuReload = nullptr;
    QMenu* pmReload = nullptr;
    QMenu* pmEELag = nullptr;
    QToolButton* tbOpen = nullptr;
    QLabel* stLIML = nullptr;
    QLabel* stVe = nullptr;
    QLabel* lblRR2 = nullptr;
    QLabel* stRR = nullptr;
    QLabel* stJoutai = nullptr;
    QLabel* stPSS = nullptr;
    QLabel* stFDE = nullptr;
    QPushButton* btnAutoSel = nullptr;
    QPushButton* btnMCL = nullptr;
    QPushButton* btnANOVA = nullptr;
    int launchListener_ = -1;
    QAction* stLIMLAction = nullptr;

    TStringGrid* sgEdit = nullptr;
    TStringGrid* sgEst = nullptr;
    TStringGrid* sgRes = nullptr;
    TStringGrid* sgAna = nullptr;
    TStringGrid* sgVList = nullptr;
    TStringGrid* sgPred = nullptr;
    QComboBox* cbInput = nullptr;
    bool inputEdited_ = false;
    // The box shows the current cell's value as sgEditClick put it there,
    // untouched: Enter has nothing to store.
    bool inputHoldsCell_ = false;
    QMenu* pmEdit = nullptr;
    QLabel* sbPanel0 = nullptr;
    QLabel* sbPanel1 = nullptr;
    // Remembered top rows of the scrolled grids.
    int editTop_ = 0;
    int resTop_ = 0;
    int anaTop_ = 0;
    std::vector<ResultColumn> influenceColumns_;
    // The marks of the diagnostics and influence grids, kept for the fit of
    // their n and degrees of freedom (see MarksFor).
    mutable ResultMarks resultMarks_;
    QLabel* stGK = nullptr;
    QLabel* stDWR = nullptr;
    QLabel* lblBGTest = nullptr;
    QLabel* stBGTest = nullptr;
    QPushButton* btnBGTest = nullptr;
    QPushButton* btnJNE = nullptr;
    QLabel* stDepNam = nullptr;
    QLabel* stPreval = nullptr;
    QLabel* stMaxPV = nullptr;
    QLabel* stMinPV = nullptr;
    QLineEdit* eSinraido = nullptr;
    QLineEdit* eKakuritu = nullptr;
    QPushButton* btnPredCalc = nullptr;
    QPushButton* btnChanger = nullptr;
    QPushButton* btnYYPlot = nullptr;
    // The probabilities of the per-observation intervals, read once per fill.
    std::optional<double> rowConfidence_;
    std::optional<double> rowProbability_;
    struct PredictionRow {
        double fitted = 0.0, lower = 0.0, upper = 0.0;
        bool interval = false;
    };
    // Rows of the per-observation table worked out since its last fill.
    mutable std::map<int, PredictionRow> predictionRows_;
    PredictionRow PredictionAt(int i) const;
    // The estimate the point prediction was computed on: any other shows
    // "-" until the prediction is computed again.
    std::uint64_t predictionSerial_ = 0;
    bool PredictionIsCurrent() const;
    void ShowPredictionFigures();
    // The explanatory variables' names into the value list, each typed value
    // kept beside its variable's name.
    void FillPredictionNames(const Reg& model);
    // The program's own clipboard buffer (the system one by the settings).
    Clip clip_;
    FundamentalStatsView showFundamentalStats_;
    GridCellContext editContext_;
    GridCellContext resContext_;
    GridCellContext anaContext_;
    GridCellContext otherContext_;
};

// TfrmREG: the main window. Holds the current data set through the
// application state, builds its menus, tool bars and shortcuts from one
// action table, opens and saves data files, keeps the caption and the
// two-stage indicators in step with the model, and offers to save a
// modified data set before it is replaced or the window closes.
#pragma once

#include <QMainWindow>
#include <map>
#include <string>

#include "core/data/selekto.h"

class AppState;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;
class QToolButton;
class TfrmMacro;
class TSetteiDlg;

class TfrmREG : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmREG(AppState& state, QWidget* parent = nullptr);
    ~TfrmREG() override;

    // The long-lived windows the main window uses, once they exist.
    void SetSettingsDialog(TSetteiDlg* settings) { settings_ = settings; }
    void SetMacroWindow(TfrmMacro* macro) { macro_ = macro; }

    // --- commands (menu, tool bar and shortcut handlers) ----------------------
    void NewFileExecute();
    void LoadFileExecute();
    void SaveFileExecute();
    void SaveAsFileExecute();
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
    void HelpContentsExecute();
    void HelpConTextExecute();
    void btnRealCalcClick();

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

    // The shared mark sets of the grids.
    Selekto ObservationMarks;
    Selekto EditColumnMarks;
    Selekto DiagnosticColumnMarks;
    Selekto InfluenceColumnMarks;
    bool BoxCoxDone = false;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildActions();
    void BuildPages();
    void tsEditShow();
    // Writes the model to its file (asking for a name when it has none);
    // false when nothing was written. Errors are shown.
    bool SaveModel();
    void LastFileOpen(const std::string& fileName);
    std::string DataFolder() const;
    bool AutoSave() const;

    AppState& state_;
    TSetteiDlg* settings_ = nullptr;
    TfrmMacro* macro_ = nullptr;
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
    QToolButton* tbOpen = nullptr;
    QLabel* stLIML = nullptr;
    QAction* stLIMLAction = nullptr;
};

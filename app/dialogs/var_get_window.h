// TfrmVarGet: the external variables window ("外部変数情報"). Lists the
// binary data files of a folder with their stored variables, shows one
// variable's values and group marks, finds a variable by name, reads one
// from a text data file, and hands a whole variable or its marked
// observations to the caller as a new variable. Other files are only read.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/view/grid_cell_painter.h"
#include "core/data/selekto.h"

class AppState;
class QAction;
class QLabel;
class QStatusBar;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class TStringGrid;
class Var;

class TfrmVarGet : public QDialog {
    Q_OBJECT
public:
    // addVariable takes a new variable into the data set (and may raise its
    // refusal); dataFolder is where browsing starts.
    using AddVariable = std::function<void(Var&)>;
    TfrmVarGet(AppState& state, std::string dataFolder, AddVariable addVariable, QWidget* parent = nullptr);
    ~TfrmVarGet() override;

    // --- handlers ---------------------------------------------------------------
    // Lists the data files of the base folder (the data folder at first).
    void FormShow();
    void ExitenceExecute();
    void SetBaseDirExecute();
    void FindVarExecute();
    void NextVarExecute();
    void VarImportAllExecute();
    // Refused with a message for fewer than two marked rows.
    void ImportSelectedExecute();
    void PropertyViewExecute();
    void TextFlieExecute();
    // The window's help page; a help file that cannot be shown says so.
    void HelpContextExecute();
    void SetHelpFile(const std::string& path) { helpFile_ = path; }
    // A variable node loads its variable; other nodes do nothing.
    void tvFileMouseDown(QTreeWidgetItem* item);
    void sgDataMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y);
    void sgDataMouseMove(Qt::MouseButtons buttons, int x, int y);

    // --- state for the caller and tests -------------------------------------------
    const Var* LoadedVariable() const { return loaded_.get(); }
    const std::string& FileName() const { return fileName_; }
    const std::string& BaseFolder() const { return baseFolder_; }
    Selekto& RowMarks() { return rowMarks_; }
    QTreeWidget* FileTree() const { return tvFile; }
    TStringGrid* DataGrid() const { return sgData; }
    QLabel* FileLabel() const { return stFile; }
    QAction* ActionNamed(const QString& name) const;
    // The anchor of a Shift range, kept for the whole run; -1 when none.
    static int MarkAnchor;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildActions();
    // The tree of folder; false, with the error shown and the tree and base
    // folder as they were, when the folder cannot be read.
    bool BuildTree(const std::string& folder);
    void RefreshGrid();
    // Reads name from base folder + file; the loaded variable is replaced
    // only when it was found. False (and a message) otherwise.
    bool LoadVariable(const std::string& file, const std::string& name);
    // The prompt for the import name; the loaded variable takes the answer.
    void AskImportName();
    std::string FolderPath(const std::string& file) const;

    AppState& state_;
    std::string dataFolder_;
    std::string helpFile_;
    AddVariable addVariable_;
    std::unique_ptr<Var> loaded_;
    std::string fileName_;
    std::string baseFolder_;
    std::string searchName_;
    int searchPosition_ = 0;
    int searchCount_ = 0;
    // Tree nodes in display order, files and their variables.
    std::vector<QTreeWidgetItem*> nodes_;
    Selekto rowMarks_;
    GridCellContext cellContext_;
    bool shown_ = false;

    QTreeWidget* tvFile = nullptr;
    TStringGrid* sgData = nullptr;
    QStatusBar* SB = nullptr;
    QLabel* stFile = nullptr;
    QToolBar* TB = nullptr;
};

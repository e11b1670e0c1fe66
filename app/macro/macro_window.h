// TfrmMacro: the macro window ("マクロ"). Its pages are the source editor
// with syntax colouring and the one-step typing undo, the output of the
// last run, the listing of the compiled macro with the debugger's registers
// and stacks, and the macro library. Created once at start-up and shown
// modally by the main window.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <string>

class AppState;
class CMacro;
class MacroDebugger;
class MacroList;
class MacroObject;
class MacroRun;
class QAction;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QWidget;
class TMacroEdit;
class TStringGrid;

// The extension of a file name in upper case, with its dot.
std::string MacroUpperExtension(const std::string& name);

class TfrmMacro : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMacro(AppState& state, QWidget* parent = nullptr);
    ~TfrmMacro() override;

    // Loads a ".MCR" file, shows and colours its source and compiles it.
    void OpenMacroFile(const std::string& fileName);
    // The file of the macro being edited (empty before any).
    const std::string& MacroFileName() const;

    // --- actions ---------------------------------------------------------------
    void NewFileExecute();
    void LoadFileExecute();
    void SaveFileExecute();
    void SaveAsFileExecute();
    void UndoEditExecute();
    void CutEditExecute();
    void CopyEditExecute();
    void PasteEditExecute();
    void ExitenceExecute();
    void RunMacroExecute();
    void SetMacroExecute();
    void AddMacroExecute();
    void StepRunExecute();
    void ResetExecute();
    void CursorExecute();
    void HelpContextExecute();
    QAction* Action(const std::string& name) const;

    // --- library page ------------------------------------------------------------
    void tsLibShow();
    void btnMLEditClick();
    void btnMLAddClick();
    void btnMLDelClick();
    void btnClearClick();
    // A click on a row of the word stack: a word between 1 and SP - 1 is
    // shown by the stack value viewer.
    void sgStackClick(int row);
    // Shows one word of the stepped run's word stack (the stack value dialog).
    using StackValueViewer = std::function<void(const MacroRun& run, int word)>;
    void SetStackValueViewer(StackValueViewer viewer) { stackValueViewer_ = std::move(viewer); }

    // The caption as the page and the file make it.
    void UpdateCaption();
    // Status panel 1: "挿入" or "上書".
    QString InsertPanelText() const;

    // The debugger, for tests.
    const MacroDebugger& Debugger() const { return *debugger_; }
    bool StepMode() const { return stepMode_; }
    int LibraryEntry() const { return libraryEntry_; }

    QToolBar* TB = nullptr;
    QStatusBar* SB = nullptr;
    QLabel* sbInsert = nullptr;
    QTabWidget* PC = nullptr;
    QWidget* tsEdit = nullptr;
    QWidget* tsOutput = nullptr;
    QWidget* tsCode = nullptr;
    QWidget* tsLib = nullptr;
    TMacroEdit* eSource = nullptr;
    QPlainTextEdit* eOut = nullptr;
    QListWidget* lbCode = nullptr;
    QLabel* stBP = nullptr;
    QLabel* stLP = nullptr;
    QLabel* stAP = nullptr;
    QLabel* stEP = nullptr;
    QLabel* stSP = nullptr;
    TStringGrid* sgStack = nullptr;
    TStringGrid* sgACC = nullptr;
    QListWidget* lbList = nullptr;
    QPushButton* btnMLEdit = nullptr;
    QPushButton* btnMLAdd = nullptr;
    QPushButton* btnMLDel = nullptr;
    QPushButton* btnClear = nullptr;

    // Window-wide: the count of new macros made since start-up.
    static int NewFileCounter() { return newFileCounter_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildPages();
    void BuildActions();
    void BuildCodePage(QWidget* page);
    void BuildLibraryPage(QWidget* page);
    // Runs a handler inside the command guard.
    void Guarded(const std::function<void()>& handler);

    // The editor's text replaced by code: colouring off while it changes,
    // then the whole text coloured once; the typing record is closed.
    void SetSourceText(const std::string& text);
    std::string SourceText() const;
    void eSourceChange();

    // Compiles the text as a program into the host; a syntax error is
    // passed on and the listing stays.
    void CompileIntoHost(const std::string& text);
    // As above, but an error is shown as a conversion error and the code
    // emitted before it is listed.
    void CompileOnlyIntoHost(const std::string& text);
    // The host's compiled code into the listing and the debugger.
    void ShowListing();
    void ShowRegisters();
    void ShowOutput();
    // One debugger step with its displays; true when the program ended.
    bool StepOnce();
    // The editor's text saved as a ".MCR" source (an empty name: the
    // current file); the file name becomes the one written.
    void SaveMacroSource(const std::string& fileName);
    void LoadLibraryFile(const std::string& fileName);
    void SaveLibraryFile(const std::string& fileName);
    std::string LibraryFileName() const;
    // The program's macro host and library.
    CMacro& Host() const;
    MacroList& Library() const;
    // A path shown relative to the data folder.
    std::string Shown(const std::string& path) const;
    std::string DataFolder() const;

    static inline int newFileCounter_ = 0;

    AppState& state_;
    std::unique_ptr<MacroDebugger> debugger_;
    std::map<std::string, QAction*> actions_;
    bool colouring_ = true;
    // Where the last change of the text began (-1: none since the colouring).
    int changeStart_ = -1;
    StackValueViewer stackValueViewer_;
    bool stepMode_ = false;
    int libraryEntry_ = -1;
};

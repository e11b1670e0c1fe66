// Analysis windows and how the main window opens them.
//
// Each analysis window registers a factory under its class name. A command
// of the main window whose window is not registered stays disabled; once it
// is, the command checks its preconditions, creates the window, fills it
// from the current model and shows it modally, and the window is destroyed
// when the command ends, whatever happens on the way.
//
// A new window is added with one line in RegisterStandardWindows, usually
// RegisterDialogWindow<TfrmX>("TfrmX", its fill operation).
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class GridColorList;
class QWidget;
class Reg;
class TFileMatrix;
class TNamedData;

// What a window is given when it is filled. Only the fields its command
// names are set.
struct LaunchRequest {
    // The model an analysis window works on (it may change it).
    Reg* model = nullptr;
    // The model a window only reads: windows that hand values back get
    // this one and no model to change.
    const Reg* readModel = nullptr;
    // Weighted regression: 5 robust weights, 101 AR(1) errors; the
    // multicollinearity window's option (0).
    int mode = 0;
    // The reduced form: estimated by two-stage least squares.
    bool twoStage = false;
    // Linear restrictions: one flag per variable.
    const std::vector<std::uint8_t>* variableFlags = nullptr;
    // The correlation matrix: the named table, the design rows under
    // two-stage estimation (or null), and whether to offer the selection.
    const TNamedData* table = nullptr;
    const TFileMatrix* designTable = nullptr;
    bool showSelection = false;
    // Windows that hand values back (the transformations): the caller's
    // series to fill, the comment text to fill, the variable's name and
    // index, the kind, and whether a comment is wanted.
    std::vector<double>* values = nullptr;
    std::string* comment = nullptr;
    std::string variableName;
    int variable = -1;
    int kind = 0;
    bool commentWanted = false;
    // The group colour window: the table to edit in place on OK.
    GridColorList* colors = nullptr;
};

class AnalysisWindow {
public:
    virtual ~AnalysisWindow() = default;
    // True when the window has something to show.
    virtual bool Fill(const LaunchRequest& request) = 0;
    // Shows the window modally; the modal result (1 for OK).
    virtual int ShowModal() = 0;
};

using AnalysisWindowFactory = std::function<std::unique_ptr<AnalysisWindow>(QWidget* owner)>;

// The windows the program knows, by class name.
class AnalysisRegistry {
public:
    void Register(const std::string& windowClass, AnalysisWindowFactory factory);
    void Unregister(const std::string& windowClass);
    bool Has(const std::string& windowClass) const;
    // Null when the class is not registered.
    std::unique_ptr<AnalysisWindow> Create(const std::string& windowClass, QWidget* owner) const;

    // Called after every change of the registered set; returns an id for
    // RemoveListener.
    int AddListener(std::function<void()> listener);
    void RemoveListener(int id);

private:
    void Notify();

    std::map<std::string, AnalysisWindowFactory> factories_;
    std::map<int, std::function<void()>> listeners_;
    int nextListener_ = 0;
};

// The one registry of the program.
AnalysisRegistry& AnalysisWindows();

// Registers a window for the lifetime of the object.
class ScopedAnalysisWindow {
public:
    ScopedAnalysisWindow(std::string windowClass, AnalysisWindowFactory factory);
    ~ScopedAnalysisWindow();
    ScopedAnalysisWindow(const ScopedAnalysisWindow&) = delete;
    ScopedAnalysisWindow& operator=(const ScopedAnalysisWindow&) = delete;

private:
    std::string windowClass_;
};

// What a command needs before its window opens; a command whose need is
// not met does nothing.
enum class LaunchNeed { Nothing, Data, TwoVariables, TwoExplanatory, Equations };

// What the command fills the window with besides the model.
enum class LaunchFill { None, Model, MultiCollinearity, RobustWeights, AutoRegressive, Restrictions, ReducedForm };

// What the main window refreshes after the window closed.
enum LaunchAfter : unsigned {
    kAfterNothing = 0,
    kAfterEstimates = 1u << 0,   // the estimation-method indicators and the estimates page
    kAfterVariables = 1u << 1,   // the variable list and the visible page
    kAfterPage = 1u << 2,        // the visible page
};

struct LaunchCommand {
    const char* command;      // action or button name
    const char* windowClass;  // registered window
    LaunchNeed need;
    LaunchFill fill;
    bool showAlways;          // shown whatever the fill returned
    const char* failMessage;  // error box when the fill returns false (or null)
    unsigned after;
};

// The analysis commands of the main window.
const std::vector<LaunchCommand>& LaunchCommands();
// The command of that name, or null.
const LaunchCommand* FindLaunchCommand(const std::string& command);

// The transformation commands: kind 0..5 by action name, and the window of
// each kind.
struct TransformationCommand {
    const char* command;
    int kind;
};
const std::vector<TransformationCommand>& TransformationCommands();
const char* TransformationWindowClass(int kind);

// A dialog class as an analysis window: the fill function (none: always
// true) receives the dialog and the request; shown with exec().
template <class Dialog>
class DialogWindow : public AnalysisWindow {
public:
    using FillFunction = std::function<bool(Dialog&, const LaunchRequest&)>;
    DialogWindow(QWidget* owner, FillFunction fill) : dialog_(owner), fill_(std::move(fill)) {}
    bool Fill(const LaunchRequest& request) override { return fill_ ? fill_(dialog_, request) : true; }
    int ShowModal() override { return dialog_.exec(); }
    Dialog& Get() { return dialog_; }

private:
    Dialog dialog_;
    FillFunction fill_;
};

template <class Dialog>
void RegisterDialogWindow(const std::string& windowClass, typename DialogWindow<Dialog>::FillFunction fill = {}) {
    AnalysisWindows().Register(windowClass, [fill](QWidget* owner) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<DialogWindow<Dialog>>(owner, fill);
    });
}

// Registers the windows that are part of the program.
void RegisterStandardWindows();

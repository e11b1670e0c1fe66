// What the engine asks of the screen, as one abstract interface.
//
// The engine never opens a window itself: message boxes, the one-line
// prompt, the progress window, the clipboard, help, file and folder choices
// and the enabled state of the undo and redo actions all go through the
// installed UiServices. The GUI installs its implementation at start-up;
// tests install a scripted one. Until one is installed, a silent default
// answers every question with Cancel or No, so Services() is never null.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Modal results, with the class library's numbers.
constexpr int mrNone = 0;
constexpr int mrOK = 1;
constexpr int mrCancel = 2;
constexpr int mrAbort = 3;
constexpr int mrRetry = 4;
constexpr int mrIgnore = 5;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

// The kind of a message box (its icon and caption).
enum class MsgKind { Warning, Error, Information, Confirmation };

// The buttons of a message box, combined with |.
enum MsgButtons : unsigned {
    mbOK = 1u << 0,
    mbCancel = 1u << 1,
    mbAbort = 1u << 2,
    mbRetry = 1u << 3,
    mbIgnore = 1u << 4,
    mbYes = 1u << 5,
    mbNo = 1u << 6,
    mbOKCancel = mbOK | mbCancel,
    mbYesNo = mbYes | mbNo,
    mbYesNoCancel = mbYes | mbNo | mbCancel,
};

// The answer of the one-line prompt: mrOK, mrCancel or one of the navigation
// codes 100 .. 108 and 200 .. 203, with the text in the input field.
struct InputAnswer {
    int result = mrCancel;
    std::string text;
};

// The settings of an open or save dialog. The filter is a list of
// description|pattern pairs joined by "|"; filterIndex counts from 1.
struct FileDialogRequest {
    std::string initialDir;
    std::string fileName;
    std::string filter;
    int filterIndex = 1;
    std::string defaultExt;  // without the dot, added when the user typed none
    std::string title;
};

class UiServices {
public:
    virtual ~UiServices() = default;

    // A modal message box; returns the modal result of the button pressed
    // (mrCancel when the box was closed otherwise).
    virtual int ShowMessageBox(MsgKind kind, const std::string& text, unsigned buttons) = 0;

    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;

    // The one-line prompt: prompt text, the choices of its list and the text
    // initially in the field.
    virtual InputAnswer AskInput(const std::string& prompt, const std::vector<std::string>& choices,
                                 const std::string& initialText) = 0;

    // The progress window of a long operation: one at a time.
    virtual void ProgressBegin(const std::string& caption, int max) = 0;
    virtual void ProgressStep() = 0;
    virtual void ProgressEnd() = 0;
    // Shows another caption in the open progress window (a pass count, a
    // countdown); nothing while none is open.
    virtual void ProgressCaption(const std::string& caption) { (void)caption; }

    // The system clipboard in its plain-text form (UTF-8).
    virtual std::string ClipboardGetText() = 0;
    virtual void ClipboardSetText(const std::string& text) = 0;
    virtual void ClipboardClear() = 0;
    virtual bool ClipboardHasText() = 0;

    // Opens the help file at a context id; false when it could not be shown.
    virtual bool ShowHelp(const std::string& helpFile, int contextId) = 0;

    // File choices: the chosen path, or the empty text when cancelled.
    virtual std::string ChooseOpenFile(const FileDialogRequest& request) = 0;
    virtual std::string ChooseSaveFile(const FileDialogRequest& request) = 0;

    // Folder choice starting at initialDir: the chosen folder (without a
    // trailing "/"), or nothing when cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& initialDir) = 0;

    // The enabled state of the main window's undo and redo actions.
    virtual void SetUndoEditEnabled(bool enabled) = 0;
    virtual void SetRedoEditEnabled(bool enabled) = 0;

    // Asks the application to end once the current event has been handled.
    virtual void RequestTerminate() = 0;

    // Polled by long engine loops (a running macro): true once the user asked
    // to stop (the progress window's cancel, or Esc).
    virtual bool StopRequested() { return false; }

    // The main window's commands that a running macro asks for. Without a
    // main window (tools, tests) the defaults leave the work to the engine.
    // Undo and redo one step and refresh: false when no window did it.
    virtual bool UndoEditCommand() { return false; }
    virtual bool RedoEditCommand() { return false; }
    // Another data set was loaded or created: the window shows it as after
    // opening a file.
    virtual void RefreshAfterLoad() {}
    // Before another data set replaces a modified one: asks whether to save
    // it and saves on Yes. False when the user cancelled or the save failed,
    // so the open data set must stay. Nothing to ask without a window.
    virtual bool ConfirmSaveIfModified() { return true; }
};

// Shows nothing and answers every question negatively, so that engine code
// run without a screen (tools, tests, early start-up) never blocks. Its
// private clipboard keeps copy and paste working.
class SilentServices : public UiServices {
public:
    int ShowMessageBox(MsgKind, const std::string&, unsigned) override { return mrCancel; }
    bool AskYesNo(const std::string&) override { return false; }
    InputAnswer AskInput(const std::string&, const std::vector<std::string>&, const std::string&) override {
        return {mrCancel, ""};
    }
    void ProgressBegin(const std::string&, int) override {}
    void ProgressStep() override {}
    void ProgressEnd() override {}
    std::string ClipboardGetText() override { return clipboard_; }
    void ClipboardSetText(const std::string& text) override { clipboard_ = text; }
    void ClipboardClear() override { clipboard_.clear(); }
    bool ClipboardHasText() override { return !clipboard_.empty(); }
    bool ShowHelp(const std::string&, int) override { return false; }
    std::string ChooseOpenFile(const FileDialogRequest&) override { return {}; }
    std::string ChooseSaveFile(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
    void SetUndoEditEnabled(bool) override {}
    void SetRedoEditEnabled(bool) override {}
    void RequestTerminate() override {}

private:
    std::string clipboard_;
};

// Shows the progress window for the lifetime of the object and always ends
// it, also when an exception passes.
class ProgressScope {
public:
    ProgressScope(UiServices& services, const std::string& caption, int max);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    void Step();

private:
    UiServices& services_;  // the services that began it also end it
};

// The common boxes with an OK button.
void ErrorBox(UiServices& services, const std::string& text);
void WarningBox(UiServices& services, const std::string& text);
void InformationBox(UiServices& services, const std::string& text);

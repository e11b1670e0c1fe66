// Scripted user-interface services for tests.
//
// Records every call the engine makes (in order, with its texts) and answers
// dialogs from a queue filled by the test. A dialog for which no answer was
// queued fails the running test and is answered with Cancel, so a test never
// blocks on a modal dialog. Answers left unused at destruction also fail the
// test (switch off with SetFailOnUnusedAnswers(false)).
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui_services.h"

enum class ServiceCall {
    MessageBox,
    YesNo,
    Input,
    ProgressBegin,
    ProgressStep,
    ProgressEnd,
    ProgressCaption,
    ClipboardGet,
    ClipboardSet,
    ClipboardClear,
    ClipboardHas,
    Help,
    OpenFile,
    SaveFile,
    Folder,
    UndoEnabled,
    RedoEnabled,
    Terminate,
    UndoCommand,
    RedoCommand,
    RefreshAfterLoad,
    ConfirmSave,
};

const char* ServiceCallName(ServiceCall call);

// One recorded call. Which fields are filled depends on the kind:
// text is the message, prompt, caption, clipboard text, help file or folder;
// value is the message buttons, progress maximum, help context id or the
// enabled flag (0/1); items and initial are the prompt's choices and the
// text initially in its field; file is the request of a file dialog.
struct RecordedCall {
    ServiceCall kind{};
    MsgKind msgKind = MsgKind::Information;
    std::string text;
    long value = 0;
    std::vector<std::string> items;
    std::string initial;
    FileDialogRequest file;
};

class ScriptedServices : public UiServices {
public:
    ScriptedServices() = default;
    ~ScriptedServices() override;

    // Answers, used in the order queued by whichever dialog comes next.
    void QueueResult(int modalResult);                    // message box
    void QueueYes() { QueueResult(mrYes); }               // message box or yes/no
    void QueueNo() { QueueResult(mrNo); }
    void QueueOK() { QueueResult(mrOK); }
    void QueueCancel() { QueueResult(mrCancel); }          // any dialog
    void QueueInput(int result, const std::string& text);  // the one-line prompt
    void QueueInput(const std::string& text) { QueueInput(mrOK, text); }
    void QueueFile(const std::string& path);    // open/save dialog (empty = cancel)
    void QueueFolder(const std::string& path);  // folder choice confirmed

    std::size_t RemainingAnswers() const { return answers_.size(); }
    void SetFailOnUnusedAnswers(bool fail) { failOnUnused_ = fail; }
    // Error boxes (OK alone) are recorded and acknowledged without a queued
    // answer: for runs where refusals are among the expected outcomes.
    void SetAcknowledgeErrors(bool on) { acknowledgeErrors_ = on; }

    // What ShowHelp answers (true unless set).
    void SetHelpResult(bool shown) { helpResult_ = shown; }
    // What the save-if-modified question answers: true (go on) unless set.
    void SetConfirmSaveResult(bool goOn) { confirmSaveResult_ = goOn; }

    const std::vector<RecordedCall>& Calls() const { return calls_; }
    // The recorded calls of one kind, in order.
    std::vector<RecordedCall> CallsOf(ServiceCall kind) const;
    // The texts of the message boxes shown, oldest first.
    std::vector<std::string> MessageTexts() const;
    void ClearCalls() { calls_.clear(); }

    // Current state as the engine left it.
    int ProgressDepth() const { return progressDepth_; }
    bool UndoEditEnabled() const { return undoEnabled_; }
    bool RedoEditEnabled() const { return redoEnabled_; }
    bool TerminateRequested() const { return terminateRequested_; }
    const std::string& ClipboardText() const { return clipboard_; }

    // UiServices
    int ShowMessageBox(MsgKind kind, const std::string& text, unsigned buttons) override;
    bool AskYesNo(const std::string& text) override;
    InputAnswer AskInput(const std::string& prompt, const std::vector<std::string>& choices,
                         const std::string& initialText) override;
    void ProgressBegin(const std::string& caption, int max) override;
    void ProgressStep() override;
    void ProgressEnd() override;
    void ProgressCaption(const std::string& caption) override;
    std::string ClipboardGetText() override;
    void ClipboardSetText(const std::string& text) override;
    void ClipboardClear() override;
    bool ClipboardHasText() override;
    bool ShowHelp(const std::string& helpFile, int contextId) override;
    std::string ChooseOpenFile(const FileDialogRequest& request) override;
    std::string ChooseSaveFile(const FileDialogRequest& request) override;
    std::optional<std::string> ChooseFolder(const std::string& initialDir) override;
    void SetUndoEditEnabled(bool enabled) override;
    void SetRedoEditEnabled(bool enabled) override;
    void RequestTerminate() override;
    // Recorded; undo and redo are left to the engine (false).
    bool UndoEditCommand() override;
    bool RedoEditCommand() override;
    void RefreshAfterLoad() override;
    bool ConfirmSaveIfModified() override;

private:
    struct Answer {
        int result = mrCancel;
        std::string text;
    };
    // The next queued answer; fails the test and answers Cancel when none.
    Answer NextAnswer(const std::string& what);
    RecordedCall& Record(ServiceCall kind, const std::string& text = {}, long value = 0);

    std::deque<Answer> answers_;
    std::vector<RecordedCall> calls_;
    std::string clipboard_;
    int progressDepth_ = 0;
    bool undoEnabled_ = false;
    bool redoEnabled_ = false;
    bool terminateRequested_ = false;
    bool helpResult_ = true;
    bool confirmSaveResult_ = true;
    bool failOnUnused_ = true;
    bool acknowledgeErrors_ = false;
};

// The Qt implementation of the services through which the engine asks the
// user: message boxes with the program's buttons, the one-line prompt, the
// progress window, the clipboard, file and folder dialogs and help.
#pragma once

#include <QMessageBox>
#include <functional>
#include <memory>

#include "platform/ui_services.h"

class TInputDlg;
class TfrmBAR;
class QWidget;

// A message box of the kind with the buttons given, each button carrying the
// modal result it stands for (property "modalResult"). Escape answers
// Cancel when there is a Cancel button, otherwise No, otherwise OK.
std::unique_ptr<QMessageBox> BuildMessageBox(MsgKind kind, const std::string& text, unsigned buttons,
                                             QWidget* parent = nullptr);
// The modal result of the button that closed the box; mrCancel when none.
int MessageBoxResult(const QMessageBox& box);

class QtServices : public UiServices {
public:
    QtServices();
    ~QtServices() override;

    // Parent of the dialogs (the main window once it exists).
    void SetDialogParent(QWidget* parent) { parent_ = parent; }
    // The program's one prompt; without it a prompt of its own is made.
    void SetInputDialog(TInputDlg* dialog) { inputDlg_ = dialog; }
    void SetUndoRedoHandlers(std::function<void(bool)> undo, std::function<void(bool)> redo) {
        undoEnabled_ = std::move(undo);
        redoEnabled_ = std::move(redo);
    }
    // How the application is asked to end (default: quit the event loop).
    void SetTerminateHandler(std::function<void()> handler) { terminate_ = std::move(handler); }
    // The folder dialog of the program; the system's while none is set.
    using FolderChooser = std::function<std::optional<std::string>(const std::string&)>;
    void SetFolderChooser(FolderChooser chooser) { folderChooser_ = std::move(chooser); }

    // The main window's commands that a running macro asks for; while one
    // is not set, the engine does the work itself.
    struct WindowCommands {
        std::function<void()> undoEdit;
        std::function<void()> redoEdit;
        std::function<void()> refreshAfterLoad;
        std::function<bool()> confirmSaveIfModified;
    };
    void SetWindowCommands(WindowCommands commands) { windowCommands_ = std::move(commands); }

    // The progress window while one is shown, else null.
    TfrmBAR* ProgressWindow() const { return progress_.get(); }

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
    bool UndoEditCommand() override;
    bool RedoEditCommand() override;
    void RefreshAfterLoad() override;
    bool ConfirmSaveIfModified() override;

private:
    std::string RunFileDialog(const FileDialogRequest& request, bool save);

    QWidget* parent_ = nullptr;
    TInputDlg* inputDlg_ = nullptr;
    std::unique_ptr<TfrmBAR> progress_;
    int progressDepth_ = 0;
    std::function<void(bool)> undoEnabled_;
    std::function<void(bool)> redoEnabled_;
    std::function<void()> terminate_;
    FolderChooser folderChooser_;
    WindowCommands windowCommands_;
};

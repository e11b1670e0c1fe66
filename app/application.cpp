#include "app/application.h"

#include "app/settings/folder_dialog.h"
#include "app/main_window/main_window.h"
#include "app/placeholder_windows.h"
#include "app/window_registration.h"
#include "app/dialogs/property_dialog.h"
#include "app/settings/settings_dialog.h"
#include "app/macro/stack_value_dialog.h"
#include "eval/app_state.h"
#include "macro/macro_engine.h"
#include "platform/command_guard.h"
#include "platform/qt/input_dlg.h"
#include "platform/qt/qt_services.h"

const char* const kApplicationTitle = "回帰分析 MERLOX";

ApplicationWindows::ApplicationWindows() = default;

ApplicationWindows::~ApplicationWindows() {
    // Reverse order of creation: the main window goes last.
    SetteiDlg.reset();
    frmProperty.reset();
    frmReplace.reset();
    InputDlg.reset();
    frmMacro.reset();
    frmFind.reset();
    frmInputAssist.reset();
    frmREG.reset();
}

namespace {

template <class W, class... Args>
void Create(std::unique_ptr<W>& slot, std::vector<std::string>& order, Args&&... args) {
    slot = std::make_unique<W>(std::forward<Args>(args)...);
    order.push_back(slot->metaObject()->className());
}

}  // namespace

std::unique_ptr<ApplicationWindows> StartApplication(AppState& state, QtServices* qtServices,
                                                     const std::string& settingsFileName,
                                                     const std::vector<std::string>& arguments) {
    auto windows = std::make_unique<ApplicationWindows>();
    auto& w = *windows;
    // An error while building a window is shown with its own cause (the
    // memory message only when memory ran out); the program then does not
    // start.
    const bool created = GuardCommand(state.Services(), [&] {
        // The macro engine before any window: the host, then its library.
        GetMacroEngine(state);
        RegisterStandardWindows();
        Create(w.frmREG, w.creationOrder, state);
        if (qtServices) {
            qtServices->SetDialogParent(w.frmREG.get());
            TfrmREG* main = w.frmREG.get();
            qtServices->SetTerminateHandler([main] { main->close(); });
            qtServices->SetFolderChooser([main](const std::string& dir) { return ChooseDirectory(main, dir); });
            // The store says when there is something to undo or redo.
            qtServices->SetUndoRedoHandlers(
                [main](bool on) {
                    if (QAction* a = main->Action("UndoEdit")) a->setEnabled(on);
                },
                [main](bool on) {
                    if (QAction* a = main->Action("RedoEdit")) a->setEnabled(on);
                });
            // What a macro's undo, redo and load ask of the main window.
            qtServices->SetWindowCommands({[main] { main->UndoEditExecute(); },
                                           [main] { main->RedoEditExecute(); },
                                           [main] { main->RefreshAfterLoad(); },
                                           [main] { return main->ConfirmSaveIfModified(); }});
            for (const char* name : {"UndoEdit", "RedoEdit"})
                if (QAction* a = main->Action(name)) a->setEnabled(false);
        }
        Create(w.frmInputAssist, w.creationOrder, state);
        Create(w.frmFind, w.creationOrder);
        Create(w.frmMacro, w.creationOrder, state);
        w.frmMacro->SetStackValueViewer([macro = w.frmMacro.get()](const MacroRun& run, int word) {
            TSPValDlg dlg(run, word, macro);
            dlg.exec();
        });
        Create(w.InputDlg, w.creationOrder);
        if (qtServices) qtServices->SetInputDialog(w.InputDlg.get());
        {
            // The prompt's assist button hands over the assistant's text.
            TfrmInputAssist* assist = w.frmInputAssist.get();
            w.InputDlg->SetAssistHandler([&state, assist](std::string& text) {
                assist->SetRegData(state.Model());
                if (assist->exec() != QDialog::Accepted) return false;
                text = assist->Expression();
                return true;
            });
        }
        Create(w.frmReplace, w.creationOrder);
        Create(w.frmProperty, w.creationOrder, state);
        w.frmProperty->SetLinks(w.frmREG->PropertyLinks());
        w.frmREG->SetPropertyDialog(w.frmProperty.get());
        Create(w.SetteiDlg, w.creationOrder, state, settingsFileName);
        w.frmREG->SetSettingsDialog(w.SetteiDlg.get());
        w.frmREG->SetMacroWindow(w.frmMacro.get());
        w.frmREG->SetInputAssist(w.frmInputAssist.get());
        w.frmREG->SetFindWindows(w.frmFind.get(), w.frmReplace.get());
        w.frmREG->UpdateRecentFiles();
    });
    if (!created) return nullptr;
    // The command-line file, once every window exists and the settings are
    // read; a failure is shown and the program runs on without it.
    const bool firstStart = !arguments.empty() && arguments.front() == kFirstStartOption;
    const std::size_t fileArgument = firstStart ? 1 : 0;
    if (arguments.size() > fileArgument && !arguments[fileArgument].empty())
        GuardCommand(state.Services(), [&] {
            w.frmREG->OpenAndRemember(arguments[fileArgument]);
            // The sample's fit is what a new user should see first.
            if (firstStart && state.Model()) w.frmREG->mnuSelectViewClick();
        });
    return windows;
}

#include "platform/ui_services.h"

namespace {

// Shows nothing and answers every question negatively, so that engine code
// run without a screen (tools, early start-up) never blocks or crashes.
class SilentServices : public UiServices {
public:
    int ShowMessageBox(MsgKind, const std::string&, unsigned) override { return mrCancel; }
    bool AskYesNo(const std::string&) override { return false; }
    InputAnswer AskInput(const std::string&, const std::vector<std::string>&,
                         const std::string&) override {
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
    // A private clipboard keeps copy and paste working without a screen.
    std::string clipboard_;
};

SilentServices& Silent() {
    static SilentServices silent;
    return silent;
}

UiServices* installed = nullptr;

}  // namespace

UiServices& Services() { return installed ? *installed : Silent(); }

UiServices* InstallServices(UiServices* services) {
    UiServices* previous = installed;
    installed = services;
    return previous;
}

ProgressScope::ProgressScope(const std::string& caption, int max) : services_(Services()) {
    services_.ProgressBegin(caption, max);
}

ProgressScope::~ProgressScope() {
    // A destructor may run during unwinding: never let a second exception out.
    try {
        services_.ProgressEnd();
    } catch (...) {
    }
}

void ProgressScope::Step() { services_.ProgressStep(); }

void ErrorBox(const std::string& text) { Services().ShowMessageBox(MsgKind::Error, text, mbOK); }

void WarningBox(const std::string& text) {
    Services().ShowMessageBox(MsgKind::Warning, text, mbOK);
}

void InformationBox(const std::string& text) {
    Services().ShowMessageBox(MsgKind::Information, text, mbOK);
}

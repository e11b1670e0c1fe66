#include "platform/ui_services.h"

ProgressScope::ProgressScope(UiServices& services, const std::string& caption, int max) : services_(services) {
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

void ErrorBox(UiServices& services, const std::string& text) { services.ShowMessageBox(MsgKind::Error, text, mbOK); }

void WarningBox(UiServices& services, const std::string& text) {
    services.ShowMessageBox(MsgKind::Warning, text, mbOK);
}

void InformationBox(UiServices& services, const std::string& text) {
    services.ShowMessageBox(MsgKind::Information, text, mbOK);
}

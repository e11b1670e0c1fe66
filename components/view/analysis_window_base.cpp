#include "components/view/analysis_window_base.h"

#include "platform/command_guard.h"

AnalysisWindowBase::AnalysisWindowBase(const WindowContext& context)
    : QDialog(context.Owner()), context_(context.WithOwner(this)) {
    setModal(true);
}

bool AnalysisWindowBase::Fill(const WindowRequest& request) {
    request_ = request;
    return Setup(request_);
}

int AnalysisWindowBase::ShowModal() { return exec(); }

bool AnalysisWindowBase::Guard(const std::function<void()>& handler) {
    return GuardCommand(context_.Services(), handler);
}

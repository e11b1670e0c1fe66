#include "components/view/analysis_window_base.h"

#include "components/view/data_set_events.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"
#include "platform/ui_services.h"

AnalysisWindowBase::AnalysisWindowBase(const WindowContext& context)
    : QDialog(context.Owner()), context_(context) {
    setModal(false);
    if (DataSetEvents* events = context_.Events()) {
        connect(events, &DataSetEvents::Changed, this, &AnalysisWindowBase::OnChanged);
        connect(events, &DataSetEvents::Replaced, this, &AnalysisWindowBase::OnReplaced);
    }
}

bool AnalysisWindowBase::Fill(const WindowRequest& request) {
    request_ = request;
    openedOn_ = context_.State().Model();
    return Setup(request_);
}

int AnalysisWindowBase::ShowModal() {
    setAttribute(Qt::WA_DeleteOnClose);
    show();
    raise();
    activateWindow();
    return mrNone;
}

bool AnalysisWindowBase::Guard(const std::function<void()>& handler) {
    return GuardCommand(context_.Services(), handler);
}

void AnalysisWindowBase::OnChanged() {
    // Whoever swapped the data set without saying so: the window's data
    // set is gone all the same.
    if (context_.State().Model() != openedOn_) {
        OnReplaced();
        return;
    }
    Guard([this] { DataChanged(); });
}

void AnalysisWindowBase::OnReplaced() { close(); }

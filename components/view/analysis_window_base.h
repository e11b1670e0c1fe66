// The base of the analysis windows: a modeless window built with a
// WindowContext and opened through the registry with its request. It keeps
// the request it was opened with, runs its handlers under the command guard,
// shows the data set again after it changed and closes when another data set
// takes its place. Derive from AnalysisWindowFor<YourRequest>.
#pragma once

#include <QDialog>

#include <functional>
#include <utility>

#include "components/view/guarded_slot.h"
#include "components/view/window_context.h"
#include "components/view/window_registry.h"
#include "components/view/window_request.h"

class Reg;

class AnalysisWindowBase : public QDialog, public AnalysisWindow {
    Q_OBJECT
public:
    explicit AnalysisWindowBase(const WindowContext& context);

    // Keeps the request and builds the window from it; false (nothing to
    // show) when Setup says so.
    bool Fill(const WindowRequest& request) final;
    // Shows the window without waiting; it deletes itself when closed.
    int ShowModal() override;
    bool IsModeless() const override { return true; }

    const WindowContext& Context() const { return context_; }
    const WindowRequest& OpenedWith() const { return request_; }
    // The data set that was open when the window was filled (null: none).
    const Reg* OpenedOn() const { return openedOn_; }

protected:
    virtual bool Setup(const WindowRequest& request) = 0;
    // The open data set changed; the window shows it again. Runs under the
    // command guard.
    virtual void DataChanged() {}

    // Runs the handler under the command guard; false when it failed (the
    // error has been shown).
    bool Guard(const std::function<void()>& handler);
    // A guarded slot for connect().
    template <class Handler>
    auto GuardedSlot(Handler handler) {
        return Guarded(context_.State(), std::move(handler));
    }

private:
    void OnChanged();
    void OnReplaced();

    WindowContext context_;
    WindowRequest request_;
    const Reg* openedOn_ = nullptr;
};

// An analysis window that takes requests of one struct type; any other
// request leaves it unopened.
template <class R>
class AnalysisWindowFor : public AnalysisWindowBase {
public:
    using AnalysisWindowBase::AnalysisWindowBase;

protected:
    virtual bool Setup(const R& request) = 0;
    // The request the window was opened with (valid once filled).
    const R& Req() const { return *OpenedWith().template As<R>(); }

private:
    bool Setup(const WindowRequest& request) final {
        const R* r = request.As<R>();
        return r && Setup(*r);
    }
};

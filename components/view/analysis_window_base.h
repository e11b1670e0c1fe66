// The base of the analysis windows: a modal window built with a
// WindowContext and opened through the registry with its request. It keeps
// the request it was opened with, runs its handlers under the command guard
// and owns whatever it opens in turn. While it runs, the window that opened
// it is inactive, so the data set cannot change under the fit it shows.
// Derive from AnalysisWindowFor<YourRequest>.
#pragma once

#include <QDialog>

#include <functional>
#include <utility>

#include "components/view/guarded_slot.h"
#include "components/view/window_context.h"
#include "components/view/window_registry.h"
#include "components/view/window_request.h"

class AnalysisWindowBase : public QDialog, public AnalysisWindow {
    Q_OBJECT
public:
    // The context's owner owns the window.
    explicit AnalysisWindowBase(const WindowContext& context);

    // Keeps the request and builds the window from it; false (nothing to
    // show) when Setup says so.
    bool Fill(const WindowRequest& request) final;
    // Runs the window modally until it closes; its modal result.
    int ShowModal() override;

    // The context for what this window opens: this window owns it.
    const WindowContext& Context() const { return context_; }
    const WindowRequest& OpenedWith() const { return request_; }

protected:
    virtual bool Setup(const WindowRequest& request) = 0;

    // Runs the handler under the command guard; false when it failed (the
    // error has been shown).
    bool Guard(const std::function<void()>& handler);
    // A guarded slot for connect().
    template <class Handler>
    auto GuardedSlot(Handler handler) {
        return Guarded(context_.State(), std::move(handler));
    }

private:
    WindowContext context_;
    WindowRequest request_;
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

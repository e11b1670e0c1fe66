// The windows the program knows, by class name. A window registers a
// factory; whoever wants it open asks the registry with a context and the
// window's own request struct, and never includes the window's header.
//
// Every window is modal: it runs until closed, owned by the context's
// owner, and is then destroyed.
#pragma once

#include <QDialog>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "components/view/launch_request.h"
#include "components/view/window_context.h"
#include "components/view/window_request.h"

class AnalysisWindow {
public:
    virtual ~AnalysisWindow() = default;
    // True when the window has something to show. A request of a type the
    // window does not take gives false.
    virtual bool Fill(const WindowRequest& request) = 0;
    // Runs the window until it is closed; its modal result (1 for OK).
    virtual int ShowModal() = 0;
};

// A window that takes requests of one struct type.
template <class Request>
class RequestWindow : public AnalysisWindow {
public:
    bool Fill(const WindowRequest& request) final {
        const Request* r = request.As<Request>();
        return r && Fill(*r);
    }
    virtual bool Fill(const Request& request) = 0;
};

using AnalysisWindowFactory = std::function<std::unique_ptr<AnalysisWindow>(const WindowContext& context)>;

class AnalysisRegistry {
public:
    void Register(const std::string& windowClass, AnalysisWindowFactory factory);
    void Unregister(const std::string& windowClass);
    bool Has(const std::string& windowClass) const;
    // The registered class names, in name order.
    std::vector<std::string> Classes() const;
    // Null when the class is not registered.
    std::unique_ptr<AnalysisWindow> Create(const std::string& windowClass, const WindowContext& context) const;

    // Called after every change of the registered set; returns an id for
    // RemoveListener.
    int AddListener(std::function<void()> listener);
    void RemoveListener(int id);

private:
    void Notify();

    std::map<std::string, AnalysisWindowFactory> factories_;
    std::map<int, std::function<void()>> listeners_;
    int nextListener_ = 0;
};

// The one registry of the program.
AnalysisRegistry& AnalysisWindows();

// Registers a window for the lifetime of the object.
class ScopedAnalysisWindow {
public:
    ScopedAnalysisWindow(std::string windowClass, AnalysisWindowFactory factory);
    ~ScopedAnalysisWindow();
    ScopedAnalysisWindow(const ScopedAnalysisWindow&) = delete;
    ScopedAnalysisWindow& operator=(const ScopedAnalysisWindow&) = delete;

private:
    std::string windowClass_;
};

// Shows a filled window modally and destroys it when it closes; its modal
// result.
int ShowWindow(std::unique_ptr<AnalysisWindow> window);

// Creates, fills and shows the window of that class. Nothing opens (and 0
// is returned) when the class is not registered or the window had nothing
// to show; errors propagate to the caller's guard.
int OpenWindow(const std::string& windowClass, const WindowContext& context, const WindowRequest& request);

// A dialog class as a modal window: the fill function (none: always true)
// receives the dialog and the request; shown with exec().
template <class Dialog, class Request = LaunchRequest>
class DialogWindow : public RequestWindow<Request> {
public:
    using FillFunction = std::function<bool(Dialog&, const Request&)>;
    DialogWindow(QWidget* owner, FillFunction fill) : dialog_(owner), fill_(std::move(fill)) {}
    using RequestWindow<Request>::Fill;
    bool Fill(const Request& request) override { return fill_ ? fill_(dialog_, request) : true; }
    int ShowModal() override { return dialog_.exec(); }
    Dialog& Get() { return dialog_; }

private:
    Dialog dialog_;
    FillFunction fill_;
};

template <class Dialog, class Request = LaunchRequest>
void RegisterDialogWindow(const std::string& windowClass,
                          typename DialogWindow<Dialog, Request>::FillFunction fill = {}) {
    AnalysisWindows().Register(windowClass, [fill](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<DialogWindow<Dialog, Request>>(context.Owner(), fill);
    });
}

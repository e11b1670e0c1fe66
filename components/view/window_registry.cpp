#include "components/view/window_registry.h"

#include "platform/ui_services.h"

void AnalysisRegistry::Register(const std::string& windowClass, AnalysisWindowFactory factory) {
    factories_[windowClass] = std::move(factory);
    Notify();
}

void AnalysisRegistry::Unregister(const std::string& windowClass) {
    if (factories_.erase(windowClass) > 0) Notify();
}

bool AnalysisRegistry::Has(const std::string& windowClass) const {
    auto it = factories_.find(windowClass);
    return it != factories_.end() && it->second;
}

std::vector<std::string> AnalysisRegistry::Classes() const {
    std::vector<std::string> names;
    for (const auto& [name, factory] : factories_)
        if (factory) names.push_back(name);
    return names;
}

std::unique_ptr<AnalysisWindow> AnalysisRegistry::Create(const std::string& windowClass,
                                                         const WindowContext& context) const {
    auto it = factories_.find(windowClass);
    if (it == factories_.end() || !it->second) return nullptr;
    return it->second(context);
}

int AnalysisRegistry::AddListener(std::function<void()> listener) {
    const int id = nextListener_++;
    listeners_[id] = std::move(listener);
    return id;
}

void AnalysisRegistry::RemoveListener(int id) { listeners_.erase(id); }

void AnalysisRegistry::Notify() {
    // A listener may remove itself; walk a copy.
    const auto listeners = listeners_;
    for (const auto& [id, f] : listeners)
        if (f) f();
}

AnalysisRegistry& AnalysisWindows() {
    static AnalysisRegistry registry;
    return registry;
}

ScopedAnalysisWindow::ScopedAnalysisWindow(std::string windowClass, AnalysisWindowFactory factory)
    : windowClass_(std::move(windowClass)) {
    AnalysisWindows().Register(windowClass_, std::move(factory));
}

ScopedAnalysisWindow::~ScopedAnalysisWindow() { AnalysisWindows().Unregister(windowClass_); }

int ShowWindow(std::unique_ptr<AnalysisWindow> window) {
    if (!window) return mrNone;
    return window->ShowModal();
}

int OpenWindow(const std::string& windowClass, const WindowContext& context, const WindowRequest& request) {
    std::unique_ptr<AnalysisWindow> window = AnalysisWindows().Create(windowClass, context);
    if (!window || !window->Fill(request)) return mrNone;
    return ShowWindow(std::move(window));
}

// Driving windows that run modally: the test's body inside the window's
// loop, or the filled window kept unshown for its handlers.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "components/view/window_registry.h"
#include "platform/ui_services.h"

// Runs the command and, once a W runs modally, the body on it; then closes
// it. False when no W ran modally.
template <class W>
bool WhileModal(const std::function<void()>& command, const std::function<void(W&)>& body) {
    bool ran = false;
    // Polls from within whatever loop runs until the window's own does.
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* w = dynamic_cast<W*>(QApplication::activeModalWidget());
        if (!w) return;
        poll.stop();
        ran = true;
        QPointer<W> alive(w);
        body(*w);
        if (alive && alive->isVisible()) alive->close();
    });
    poll.start();
    command();
    return ran;
}

// Runs the command; whatever window runs modally meanwhile is closed at
// once. The class of the last one, or empty when none ran.
inline std::string ModalClassClosed(const std::function<void()>& command) {
    std::string opened;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            opened = w->metaObject()->className();
            w->close();
        }
    });
    poll.start();
    command();
    return opened;
}

// Stands in for the class while a command runs: the command fills a real
// W, and showing keeps it instead; the program's registration comes back.
template <class W>
class KeptWindow {
public:
    KeptWindow(std::string windowClass, std::function<void()> registerWindow)
        : windowClass_(std::move(windowClass)), register_(std::move(registerWindow)) {}

    // The window the command filled and showed, or null.
    W* Keep(const std::function<void()>& command) {
        kept_.reset();
        {
            ScopedAnalysisWindow keeper(windowClass_, [this](const WindowContext& context) {
                return std::make_unique<Keeper>(*this, context);
            });
            command();
        }
        register_();
        return kept_.get();
    }

private:
    class Keeper : public AnalysisWindow {
    public:
        Keeper(KeptWindow& owner, const WindowContext& context)
            : owner_(owner), window_(std::make_unique<W>(context)) {}
        bool Fill(const WindowRequest& request) override { return window_->Fill(request); }
        int ShowModal() override {
            owner_.kept_ = std::move(window_);
            return mrOK;
        }

    private:
        KeptWindow& owner_;
        std::unique_ptr<W> window_;
    };

    std::string windowClass_;
    std::function<void()> register_;
    std::unique_ptr<W> kept_;
};

// Driving windows that run modally. WhileModal runs a command and, while
// the window it opens runs in its own modal loop, the test's body on that
// window. KeptWindow lets a command create and fill the real window as
// always, then keeps it unshown for the test to drive its handlers.
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

// Runs the command; while a window of class W runs modally, runs the body on
// it and then closes it, unless the body did. False when no such window
// ran modally (the body did not run).
template <class W>
bool WhileModal(const std::function<void()>& command, const std::function<void(W&)>& body) {
    bool ran = false;
    // Polls from within whatever modal loop runs, until the window's own
    // does; the timer goes with the call, so it never outlives the command.
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

// Stands in for the window class while a command runs: the command gets a
// real window of the class, fills it and shows it, and showing keeps it
// instead. The program's registration comes back after.
template <class W>
class KeptWindow {
public:
    KeptWindow(std::string windowClass, std::function<void()> registerWindow)
        : windowClass_(std::move(windowClass)), register_(std::move(registerWindow)) {}

    // The window the command filled and showed, or null when it showed none.
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

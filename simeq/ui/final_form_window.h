// TfrmFFA: deriving the final form of a dynamic system by hand. The working
// equation is shown term by term; clicking a term lists the decided
// equations that can replace that variable, and clicking one substitutes
// it. Undo takes back the last step, Reset returns to the equations the
// window opened with, TimeSet and TrendSet normalise the leads and collapse
// a trend variable, and Decision stores the equation in the data set's
// final form. The lists are the program's; the window holds none itself.
#pragma once

#include <memory>
#include <string>

#include "components/view/analysis_window_base.h"
#include "components/view/launch_request.h"

class FinalFormAssistant;
class QAction;
class QListWidget;
class QStatusBar;
class QToolBar;
class ResultGrid;

class TfrmFFA : public AnalysisWindowFor<LaunchRequest> {
    Q_OBJECT
public:
    explicit TfrmFFA(const WindowContext& context);
    ~TfrmFFA() override;

    const FinalFormAssistant& Assistant() const { return *assistant_; }

    // Shows the current working equation; with rebuildList also the
    // candidates of the last clicked term.
    void Display(bool rebuildList);
    void sgFFCMouseDown(int x, int y);
    void lbListClick(int k);
    void TrendSetExecute();

    QToolBar* TB = nullptr;
    QAction* Exitence = nullptr;
    QAction* Undo = nullptr;
    QAction* Reset = nullptr;
    QAction* Plotter = nullptr;
    QAction* Residual = nullptr;
    QAction* TrendSet = nullptr;
    QAction* Decision = nullptr;
    QAction* TimeSet = nullptr;
    QAction* HelpContext = nullptr;
    ResultGrid* sgFFC = nullptr;
    QListWidget* lbList = nullptr;
    QStatusBar* SB = nullptr;

protected:
    bool Setup(const LaunchRequest& request) override;
    // The long hint of the control under the mouse goes to the status bar.
    bool event(QEvent* e) override;

private:
    QAction* AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                       std::function<void()> handler, bool onToolBar = true);
    void Plot(int mode);

    std::unique_ptr<FinalFormAssistant> assistant_;
};

void RegisterFinalFormWindow();

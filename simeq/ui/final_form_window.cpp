#include "simeq/ui/final_form_window.h"

#include <QAction>
#include <QHBoxLayout>
#include <QListWidget>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "components/view/graph_launchers.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "components/view/window_actions.h"
#include "components/view/window_registry.h"
#include "components/view/window_status_bar.h"
#include "core/io/final_form_storage.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "eval/app_state.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "simeq/final_form_assistant.h"
#include "simeq/system_tables.h"

namespace {

constexpr int kHelpContext = 1016;

}  // namespace

TfrmFFA::TfrmFFA(const WindowContext& context)
    : AnalysisWindowFor(context), assistant_(std::make_unique<FinalFormAssistant>(context.State().FinalForms())) {
    setObjectName("frmFFA");
    setWindowTitle("最終型の計算補助");
    resize(640, 420);

    TB = new QToolBar(this);
    TB->setObjectName("TB");
    Exitence = AddAction("Exitence", "終了", "Ctrl+X", "この画面を閉じる", [this] { close(); });
    TB->addSeparator();
    Undo = AddAction("Undo", "元に戻す", "Ctrl+Z", "直前の操作を取り消す", [this] {
        assistant_->Undo();
        Display(false);
    });
    Reset = AddAction("Reset", "初期化", "Ctrl+R", "最初の状態に戻す", [this] {
        assistant_->Reset();
        Display(false);
    });
    TB->addSeparator();
    Plotter = AddAction("Plotter", "y-y", "Ctrl+G", "実測値と予測値のグラフの表示", [this] { Plot(0); });
    Residual = AddAction("Residual", "e-y", "Ctrl+E", "残差・予測値のグラフ表示", [this] { Plot(1); });
    TB->addSeparator();
    TrendSet = AddAction("TrendSet", "トレンド", "Ctrl+T", "タイムトレンド変数の調整", [this] { TrendSetExecute(); });
    Decision = AddAction("Decision", "決定", "Ctrl+D", "式を決定する。", [this] {
        assistant_->Decide(Context().State().Model());
        SB->showMessage("決定しました。");
    });
    TimeSet = AddAction("TimeSet", "", "Ctrl+A", "", [this] {
        assistant_->TimeSet();
        Display(false);
    }, false);
    HelpContext = AddAction("HelpContext", "", "Ctrl+H", "",
                            [this] { ShowHtmlHelp(Context().State().Context(), kHelpContext); }, false);

    sgFFC = NewResultGrid(this, "sgFFC", 160);
    connect(sgFFC, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) { sgFFCMouseDown(x, y); }));
    lbList = new QListWidget(this);
    lbList->setObjectName("lbList");
    connect(lbList, &QListWidget::itemClicked, this,
            GuardedSlot([this](QListWidgetItem* item) { lbListClick(lbList->row(item)); }));

    SB = NewStatusBar(this);

    auto* body = new QHBoxLayout;
    body->addWidget(sgFFC, 1);
    body->addWidget(lbList, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TB);
    layout->addLayout(body, 1);
    layout->addWidget(SB);
}

TfrmFFA::~TfrmFFA() = default;

QAction* TfrmFFA::AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                            std::function<void()> handler, bool onToolBar) {
    return AddWindowAction(this, onToolBar ? TB : nullptr, Context().State(), name, caption, QKeySequence(shortcut),
                           hint, std::move(handler));
}

bool TfrmFFA::event(QEvent* e) {
    return ShowStatusTip(e, SB) || AnalysisWindowFor::event(e);
}

bool TfrmFFA::Setup(const LaunchRequest&) {
    if (Context().State().FinalForms().work.GetCount() == 0) return false;
    // The starting state for Reset is taken once, when the window opens; the
    // plots and prompts it opens later do not move it.
    assistant_->Activate();
    Display(false);
    return true;
}

void TfrmFFA::Display(bool rebuildList) {
    const FFList& work = Context().State().FinalForms().work;
    sgFFC->Show(FinalFormTable(work, assistant_->CurrentIndex()));
    if (!rebuildList) return;
    lbList->clear();
    const FFList& candidates = assistant_->Candidates();
    for (int k = 0; k < candidates.GetCount(); ++k) lbList->addItem(Q(CandidateText(candidates.GetElement(k))));
}

void TfrmFFA::sgFFCMouseDown(int x, int y) {
    int c = -1, r = -1;
    sgFFC->MouseToCell(x, y, c, r);
    if (r == 0 && c == 0) {
        const FFList& work = Context().State().FinalForms().work;
        std::vector<std::string> names;
        for (int i = 0; i < work.GetCount(); ++i) names.push_back(work.GetElement(i).GetName());
        const InputAnswer a = Context().Services().AskInput(LoadStr(kStrEndogenous) + "の設定", names, "");
        if (a.result != mrOK) return;
        assistant_->ChooseEquation(a.text);
        Display(false);
        return;
    }
    if (r < 1 || c < 0) return;
    assistant_->ClickTerm(r - 1);
    Display(true);
}

void TfrmFFA::lbListClick(int k) {
    if (k < 0 || k >= assistant_->Candidates().GetCount()) return;
    if (!assistant_->ApplyCandidate(k)) {
        SB->showMessage("この式は代入すると解けません。式はそのままです。");
        return;
    }
    SB->clearMessage();
    Display(false);
}

void TfrmFFA::TrendSetExecute() {
    assistant_->TimeSet();
    Display(false);
    const FFElement e = assistant_->Current();
    std::vector<std::string> names;
    for (int i = 0; i < e.GetCount(); ++i) {
        const std::string n = e.GetTerm(i).GetName();
        if (n != LoadStr(kStrConstantName) && std::find(names.begin(), names.end(), n) == names.end())
            names.push_back(n);
    }
    const InputAnswer a = Context().Services().AskInput("トレンド変数の設定", names, "");
    if (a.result != mrOK) return;
    assistant_->TrendSet(a.text);
    Display(false);
}

void TfrmFFA::Plot(int mode) {
    const Reg* model = Context().State().Model();
    if (!model) return;
    ShowFinalFormPlot(Context().WithOwner(this), *model, Context().State().FinalForms().work,
                      assistant_->CurrentIndex(), mode);
}

void RegisterFinalFormWindow() {
    AnalysisWindows().Register("TfrmFFA", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmFFA>(context);
    });
}

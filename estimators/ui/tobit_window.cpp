#include "estimators/ui/tobit_window.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <vector>

#include "components/view/field_formula.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "components/view/value_entry_grid.h"
#include "components/view/window_actions.h"
#include "core/model/regression_model.h"
#include "core/text/number_format.h"
#include "estimators/tobit_tables.h"
#include "resources/string_table.h"

TfrmMLE::TfrmMLE(const WindowContext& context) : AnalysisWindowFor(context) {
    setObjectName("frmMLE");
    setWindowTitle("ﾄｰビット推定量");
    resize(640, 480);

    TB = new QToolBar(this);
    TB->setObjectName("TB");
    Exitence = AddAction("Exitence", "閉じる", "Ctrl+X", "閉じる", [this] { close(); });
    EYPlot = AddAction("EYPlot", "e-y", "Ctrl+Alt+C", "予測値・残差プロット",
                       [this] { Show(Display::ResidualOnIndex, false); });
    Fund = AddAction("Fund", "統計量", "Ctrl+Alt+N", "残差基本統計量", [this] { Show(Display::Statistics, false); });
    YYPlot = AddAction("YYPlot", "y-y", "Ctrl+Alt+Y", "予測値・観測値プロット",
                       [this] { Show(Display::ObservedOnIndex, false); });
    tbEYPlot = qobject_cast<QToolButton*>(TB->widgetForAction(EYPlot));
    tbFund = qobject_cast<QToolButton*>(TB->widgetForAction(Fund));
    tbYYPlot = qobject_cast<QToolButton*>(TB->widgetForAction(YYPlot));
    const std::pair<QToolButton*, const char*> buttons[] = {
        {tbEYPlot, "tbEYPlot"}, {tbFund, "tbFund"}, {tbYYPlot, "tbYYPlot"}};
    for (const auto& [button, name] : buttons) {
        if (!button) continue;
        button->setObjectName(name);
        button->installEventFilter(this);
    }

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    tsEstimate = new QWidget(PageControl1);
    tsEstimate->setObjectName("tsEstimate");
    sgEst = NewResultGrid(tsEstimate, "sgEst", 150);
    stVe = new QLabel(tsEstimate);
    stVe->setObjectName("stVe");
    stVeVar = new QLabel(tsEstimate);
    stVeVar->setObjectName("stVeVar");
    auto* estLayout = new QGridLayout(tsEstimate);
    estLayout->addWidget(sgEst, 0, 0, 1, 3);
    estLayout->addWidget(new QLabel("回帰標準誤差", tsEstimate), 1, 0);
    estLayout->addWidget(stVe, 1, 1);
    estLayout->addWidget(stVeVar, 1, 2);
    estLayout->setRowStretch(0, 1);
    PageControl1->addTab(tsEstimate, "推定値");

    sgRes = AddResultGridPage(PageControl1, "sgRes", 40, "残差");
    BuildPredictionPage();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TB);
    layout->addWidget(PageControl1, 1);
}

TfrmMLE::~TfrmMLE() = default;

void TfrmMLE::BuildPredictionPage() {
    tsPred = new QWidget(PageControl1);
    tsPred->setObjectName("tsPred");
    sgVList = NewValueEntryGrid(tsPred, "sgVList", 150);
    stPred = new QLabel(tsPred);
    stPred->setObjectName("stPred");
    auto* predLayout = new QGridLayout(tsPred);
    predLayout->addWidget(sgVList, 0, 0, 1, 2);
    predLayout->addWidget(new QLabel(Q(LoadStr(kStrPredicted)), tsPred), 1, 0);
    predLayout->addWidget(stPred, 1, 1);
    predLayout->setRowStretch(0, 1);
    PageControl1->addTab(tsPred, "予測");
    connect(sgVList, &TStringGrid::KeyDown, this,
            GuardedSlot([this](int key, Qt::KeyboardModifiers) { sgVListKeyDown(key); }));
}

QAction* TfrmMLE::AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                            std::function<void()> handler) {
    return AddWindowAction(this, TB, Context().State(), name, caption, QKeySequence(shortcut), hint,
                           std::move(handler));
}

bool TfrmMLE::Setup(const LaunchRequest& request) {
    const Reg* model = request.model ? request.model : request.readModel;
    return model && SetData(*model);
}

bool TfrmMLE::SetData(const Reg& reg) {
    auto problem = std::make_shared<TobitProblem>(MakeTobitProblem(reg));
    auto result = std::make_shared<const TobitResult>(TobitEstimate(*problem, reg.Pool()));
    problem_ = std::move(problem);
    result_ = std::move(result);

    sgEst->Show(TobitEstimateTable(*problem_, *result_));
    stVe->setText(Q(TobitSigmaCell(*result_).Shown()));
    stVeVar->setText(Q(TobitSigmaStdErrorCell(*result_).Shown()));
    sgRes->Show(TobitResidualTable(problem_, result_));

    const int m = static_cast<int>(result_->coef.size());
    sgVList->ClearCells();
    sgVList->SetRowCount(std::max(2, m));
    sgVList->SetCell(1, 0, Q(LoadStr(kStrValue)));
    for (int j = 0; j + 1 < m; ++j) sgVList->SetCell(0, j + 1, Q(problem_->names[static_cast<std::size_t>(j)]));
    stPred->clear();
    return true;
}

void TfrmMLE::sgVListKeyDown(int key) {
    if ((key != Qt::Key_Return && key != Qt::Key_Enter) || !result_) return;
    if (sgVList->IsEditing()) sgVList->HideEditor(true);
    const int m = static_cast<int>(result_->coef.size());
    std::vector<double> x;
    for (int j = 0; j + 1 < m; ++j) {
        const auto v = EvaluateFieldFormula(Context().State(), sgVList->Cell(1, j + 1).toStdString());
        // The formula's error has been shown; the old prediction goes.
        if (!v) {
            stPred->clear();
            return;
        }
        x.push_back(*v);
    }
    stPred->setText(Q(FormatNumber(false, TobitPrediction(*result_, x))));
}

void TfrmMLE::Show(Display display, bool allObservations) {
    if (!result_) return;
    const TobitDisplaySeries s = TobitDisplay(*problem_, *result_, allObservations);
    const int n = static_cast<int>(s.index.size());
    switch (display) {
    case Display::ResidualOnIndex:
        ShowXYGraph(Context(), LoadStr(kStrPredicted), s.index.data(), LoadStr(kStrResidual), n,
                    s.standardized.data());
        break;
    case Display::Statistics:
        ShowFundamentalStats(Context(), LoadStr(kStrResidual), s.standardized.data(), n, 0);
        break;
    case Display::ObservedOnIndex:
        ShowXYGraph(Context(), LoadStr(kStrPredicted), s.index.data(), LoadStr(kStrObserved), n, s.observed.data());
        break;
    }
}

bool TfrmMLE::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        const Display display = watched == tbEYPlot ? Display::ResidualOnIndex
                                : watched == tbFund ? Display::Statistics
                                                    : Display::ObservedOnIndex;
        if (watched == tbEYPlot || watched == tbFund || watched == tbYYPlot) {
            Guard([this, display] { Show(display, true); });
            return true;
        }
    }
    return AnalysisWindowFor::eventFilter(watched, event);
}

void RegisterTobitWindow() {
    AnalysisWindows().Register("TfrmMLE", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmMLE>(context);
    });
}

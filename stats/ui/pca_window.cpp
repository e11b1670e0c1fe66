#include "stats/ui/pca_window.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

#include "components/view/graph_launchers.h"
#include "components/view/key_helpers.h"
#include "components/view/launch_request.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "components/view/window_actions.h"
#include "components/view/window_registry.h"
#include "components/view/window_status_bar.h"
#include "core/data/variable.h"
#include "core/data/variable_property_request.h"
#include "core/io/file_matrix.h"
#include "core/model/data_edit_commands.h"
#include "core/model/overflowing_sums.h"
#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "eval/reserved_words.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "stats/current_analysis.h"
#include "stats/fac_load_plot_request.h"
#include "stats/pca_request.h"
#include "stats/pca_tables.h"

namespace {

constexpr int kHelpContext = 1001;
const char* const kFacLoadPlotWindow = "TfrmFacLoadPlot";
const char* const kPropertyDialog = "TfrmProperty";
// Score series of an analysis of some groups are shorter than the data set.
const char* const kLengthMismatch = "グループの一部で計算した主成分はデータに追加できません";
const char* const kEmptyGroups = "選択したグループにはデータがありません";

bool IsScoreKind(std::uint8_t kind) { return kind == PCA::kNameScore || kind == PCA::kNameFactorScore; }

// Runs the handler on Enter in the watched widget, which then never sees
// the key.
class EnterKeyFilter : public QObject {
public:
    EnterKeyFilter(QObject* parent, std::function<void()> onEnter) : QObject(parent), onEnter_(std::move(onEnter)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && IsEnterKey(static_cast<QKeyEvent*>(event)->key())) {
            onEnter_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onEnter_;
};

// The numeric kernels' own words for a failure say little to a user: the
// window's instead (only the Minres method inverts the correlation matrix,
// factors a matrix or iterates). Called while the error is handled.
[[noreturn]] void RethrowInWindowWords(const Exception& e) {
    const std::string why = e.what();
    if (why == "INVERSE ERROR!") throw Exception("Minres 法の因子得点を計算できません: 相関行列に逆行列がありません。");
    if (why == "CHOLESKY ERROR!") throw Exception("Minres 法の因子を計算できません: 行列が正定値ではありません。");
    if (why == "MINRES ERROR!") throw Exception("Minres 法の因子の計算が収束しません。");
    if (why == "EIGEN ERROR!") throw Exception("相関行列の固有値の計算が収束しません。");
    throw;
}

// The solution for m factors.
void ComputeFactors(PCA& pca, int m) {
    try {
        pca.Compute(m);
    } catch (const Exception& e) {
        RethrowInWindowWords(e);
    }
}

}  // namespace

TfrmPCA::TfrmPCA(const WindowContext& context) : AnalysisWindowBase(context) {
    setObjectName("frmPCA");
    setWindowTitle("主成分分析");
    resize(720, 520);
    current_ = std::make_unique<CurrentAnalysis>(context.State());

    TB = new QToolBar(this);
    TB->setObjectName("TB");
    Exitence = AddAction("Exitence", "終了", "Ctrl+X", "閉じる", nullptr);
    connect(Exitence, &QAction::triggered, this, [this] { close(); });
    tbSep_ = TB->addSeparator();
    ActiveGroup = AddAction("ActiveGroup", "ActiveGroup", "Ctrl+Alt+G", "使用するグループを設定",
                            &TfrmPCA::ActiveGroupExecute);
    FFPlot = AddAction("FFPlot", "FFPlot", "Ctrl+Alt+F", "因子負荷量のプロット", &TfrmPCA::FFPlotExecute);
    ZZPlot = AddAction("ZZPlot", "ZZPlot", "Ctrl+Alt+Z", "スコアーのプロット", &TfrmPCA::ZZPlotExecute);
    Rotation = AddAction("Rotation", "Rotation", "Ctrl+Alt+R", "因子数の決定", &TfrmPCA::RotationExecute);
    Setting = AddAction("Setting", "Setting", "Ctrl+O", "規準バリマックス法かＭｉｎｒｅｓ法かの選択",
                        &TfrmPCA::SettingExecute);
    Rename = AddAction("Rename", "Rename", "Ctrl+Alt+N", "名前の変更", &TfrmPCA::RenameExecute);
    tbDiv_ = TB->addSeparator();
    Selection = AddAction("Selection", "Selection", "Ctrl+Alt+S", "主成分のデータへの追加",
                          &TfrmPCA::SelectionExecute);
    Changer = AddAction("Changer", "Changer", "Ctrl+C", "", &TfrmPCA::ChangerExecute, false);
    HelpContext = AddAction("HelpContext", "HelpContext", "Ctrl+H", "", nullptr, false);
    connect(HelpContext, &QAction::triggered, this,
            GuardedSlot([this] { ShowHtmlHelp(Context().State().Context(), kHelpContext); }));

    PC = new QTabWidget(this);
    PC->setObjectName("PC");
    tsSelect = new QWidget(PC);
    tsSelect->setObjectName("tsSelect");
    lbVarSel = new QListWidget(tsSelect);
    lbVarSel->setObjectName("lbVarSel");
    connect(lbVarSel, &QListWidget::itemChanged, this, GuardedSlot([this](QListWidgetItem*) { lbVarSelClick(); }));
    lbVarSel->installEventFilter(new EnterKeyFilter(lbVarSel, GuardedSlot([this] { lbVarSelEnter(); })));
    sgRelMat = new ResultGrid(tsSelect);
    sgRelMat->setObjectName("sgRelMat");
    auto* select = new QVBoxLayout(tsSelect);
    select->addWidget(new QLabel("変数選択", tsSelect));
    select->addWidget(lbVarSel, 1);
    select->addWidget(new QLabel("相関行列", tsSelect));
    select->addWidget(sgRelMat, 2);
    PC->addTab(tsSelect, "選択");
    sgEV = AddGrid("sgEV", 150);
    PC->addTab(sgEV, "固有値");
    sgFL = AddGrid("sgFL", 100);
    PC->addTab(sgFL, "因子負荷量");
    sgScore = AddGrid("sgScore", 40);
    PC->addTab(sgScore, "スコアー");
    sgRF = AddGrid("sgRF", 100);
    PC->addTab(sgRF, "回転因子");
    sgFS = AddGrid("sgFS", 50);
    PC->addTab(sgFS, "因子得点");
    sgCheck = AddGrid("sgCheck", 40);
    sgCheck->SetDefaultColWidth(70);
    sgCheck->SetColWidth(0, 40);
    PC->addTab(sgCheck, "特異点");
    // The outlier table is built on its first read: only when looked at.
    connect(PC, &QTabWidget::currentChanged, this, GuardedSlot([this](int) {
                if (PC->currentWidget() == sgCheck) ShowCheckPage();
            }));

    ConnectCellClick(sgRelMat, [this](Qt::MouseButton, int c, int r) { sgRelMatClick(c, r); });
    ConnectCellClick(sgEV, [this](Qt::MouseButton, int c, int r) { sgEVClick(c, r); });
    ConnectCellClick(sgFL, [this](Qt::MouseButton, int c, int r) { sgFLClick(c, r); });
    ConnectCellClick(sgRF, [this](Qt::MouseButton, int c, int r) { sgRFClick(c, r); });
    // Enter on a score column opens its information, as the right button.
    for (ResultGrid* g : {sgScore, sgFS, sgCheck})
        ConnectCellClick(
                g, [this, g](Qt::MouseButton b, int c, int r) { ObservationGridClick(g, b, c, r); },
                g == sgCheck ? Qt::LeftButton : Qt::RightButton);

    SB = new QStatusBar(this);
    SB->setObjectName("SB");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TB);
    layout->addWidget(PC, 1);
    layout->addWidget(SB);
}

TfrmPCA::~TfrmPCA() = default;

bool TfrmPCA::event(QEvent* event) {
    // The hint of the command under the mouse goes to the status bar.
    return ShowStatusTip(event, SB) || AnalysisWindowBase::event(event);
}

QAction* TfrmPCA::AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                            void (TfrmPCA::*handler)(), bool onToolBar) {
    std::function<void()> run;
    if (handler) run = [this, handler] { (this->*handler)(); };
    QAction* action = AddWindowAction(this, onToolBar ? TB : nullptr, Context().State(), name, caption,
                                      QKeySequence(shortcut), hint, std::move(run));
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    return action;
}

ResultGrid* TfrmPCA::AddGrid(const char* name, int firstColumnWidth) {
    ResultGrid* g = NewResultGrid(PC, name, firstColumnWidth);
    g->SetDefaultRowHeight(22);
    g->SetRangeSelect(true);
    return g;
}

void TfrmPCA::ConnectCellClick(ResultGrid* grid, std::function<void(Qt::MouseButton, int, int)> handler,
                               Qt::MouseButton enterButton) {
    connect(grid, &TStringGrid::GridMouseDown, this,
            GuardedSlot([grid, handler](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
                int c = -1, r = -1;
                grid->MouseToCell(x, y, c, r);
                if (c >= 0 && r >= 0) handler(b, c, r);
            }));
    // Enter acts on the focused cell as a click of that button.
    connect(grid, &TStringGrid::KeyDown, this,
            GuardedSlot([grid, handler, enterButton](int key, Qt::KeyboardModifiers) {
                if (IsEnterKey(key)) handler(enterButton, grid->Col(), grid->Row());
            }));
}

bool TfrmPCA::Setup(const WindowRequest& request) {
    // Shown even when the first analysis fails (a constant column, say), so
    // that the user can untick what spoils it; a variable whose sums
    // overflow is refused as the main fit refuses it, and nothing opens.
    if (const PcaRequest* r = request.As<PcaRequest>()) {
        if (r->table) {
            StartFromTable(*r->table);
        } else {
            Start(r->model);
        }
        return r->table || r->model;
    }
    // The main window's command hands the data set.
    if (const LaunchRequest* r = request.As<LaunchRequest>()) {
        Start(r->model);
        return r->model != nullptr;
    }
    return false;
}

PCA* TfrmPCA::Analysis() const { return current_->Analysis(); }

bool TfrmPCA::Start(Reg* data) {
    sourceData_ = data;
    sourceTable_.reset();
    groupMask_ = 0;
    current_->Discard();
    varFlags_.clear();
    varNames_.clear();
    for (QAction* a : {tbSep_, ActiveGroup, tbDiv_, Selection}) a->setVisible(true);
    PC->setCurrentWidget(tsSelect);
    if (!data) return false;
    std::vector<std::string> names;
    int varCount = 0, obsCount = 0;
    if (!SelectDataBlock(*data, 0, false, nullptr, &names, varCount, obsCount)) return false;
    varNames_ = std::move(names);
    varFlags_.assign(varNames_.size(), 1);
    return ShowFirstAnalysis();
}

bool TfrmPCA::StartFromTable(const TNamedData& table) {
    sourceData_ = nullptr;
    sourceTable_ = std::make_unique<TNamedData>(table);
    groupMask_ = 0;
    current_->Discard();
    varNames_.clear();
    for (int j = 0; j < table.Cols(); ++j) varNames_.push_back(table.GetColumnName(j));
    varFlags_.assign(varNames_.size(), 1);
    for (QAction* a : {tbSep_, ActiveGroup, tbDiv_, Selection}) a->setVisible(false);
    PC->setCurrentWidget(tsSelect);
    return ShowFirstAnalysis();
}

bool TfrmPCA::ShowFirstAnalysis() {
    bool ok = true;
    try {
        SetAnalysis(Build(0, varFlags_));
    } catch (const EOverflowingSums&) {
        throw;  // refused as the main fit refuses it: the window does not open
    } catch (const Exception& e) {
        // A constant variable, for example: the window opens without an
        // analysis, and the user learns why.
        ErrorBox(Context().Services(), e.what());
        ok = false;
    }
    FillVarList();
    return ok;
}

std::unique_ptr<PCA> TfrmPCA::Build(std::uint16_t mask, const std::vector<std::uint8_t>& flags) const {
    bool any = false;
    for (std::uint8_t f : flags) any = any || f != 0;
    if (!any) return nullptr;
    const NameInUse names = VariableNamesOf(Context().State().Model());
    try {
        if (sourceData_) return MakeDataSetPCA(*sourceData_, mask, flags, names);
        if (sourceTable_) return MakeTablePCA(*sourceTable_, flags, names);
    } catch (const Exception& e) {
        RethrowInWindowWords(e);
    }
    return nullptr;
}

void TfrmPCA::SetAnalysis(std::unique_ptr<PCA> pca) {
    // A new analysis comes computed by varimax with the default factors.
    if (pca && !useVarimax_) {
        pca->SetMethod(PCA::kMethodMinres);
        ComputeFactors(*pca, 0);
    }
    current_->Set(std::move(pca));
}

void TfrmPCA::showEvent(QShowEvent* event) {
    AnalysisWindowBase::showEvent(event);
    // Once: coming back from a plot keeps the factor count the user chose.
    if (shown_) return;
    shown_ = true;
    Guard([this] { RefreshPages(); });
}

void TfrmPCA::FillVarList() {
    const QSignalBlocker block(lbVarSel);
    lbVarSel->clear();
    for (std::size_t j = 0; j < varNames_.size(); ++j) {
        auto* item = new QListWidgetItem(Q(varNames_[j]), lbVarSel);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(varFlags_[j] ? Qt::Checked : Qt::Unchecked);
    }
}

void TfrmPCA::RefreshPages() {
    const PCA* pca = Analysis();
    if (!pca) {
        // Nothing analysed: every page empty.
        for (ResultGrid* g : {sgRelMat, sgEV, sgFL, sgScore, sgRF, sgFS, sgCheck}) g->Show(ResultTable());
        return;
    }
    sgRelMat->Show(PcaCorrelationTable(*pca));
    sgEV->Show(PcaEigenTable(*pca));
    sgFL->Show(PcaLoadingTable(*pca, showLoadings_));
    sgScore->Show(PcaObservationTable(*pca, PcaObservationTable::Kind::Scores));
    sgRF->Show(PcaRotatedTable(*pca));
    if (pca->FactorCount() >= 1) {
        sgFS->Show(PcaObservationTable(*pca, PcaObservationTable::Kind::FactorScores));
    } else {
        sgFS->Show(ResultTable());
    }
    if (PC->currentWidget() == sgCheck) {
        ShowCheckPage();
    } else {
        sgCheck->Show(ResultTable());
    }
}

void TfrmPCA::ShowCheckPage() {
    if (const PCA* pca = Analysis()) sgCheck->Show(PcaObservationTable(*pca, PcaObservationTable::Kind::Outliers));
}

// ---------------------------------------------------------------- commands

void TfrmPCA::lbVarSelClick() {
    for (int i = 0; i < lbVarSel->count() && i < static_cast<int>(varFlags_.size()); ++i)
        varFlags_[static_cast<std::size_t>(i)] = lbVarSel->item(i)->checkState() == Qt::Checked ? 1 : 0;
    current_->Discard();
    RefreshPages();
    SetAnalysis(Build(groupMask_, varFlags_));
    RefreshPages();
}

void TfrmPCA::lbVarSelEnter() {
    // Toggling runs the click through the list's change signal.
    if (QListWidgetItem* item = lbVarSel->currentItem())
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TfrmPCA::ActiveGroupExecute() {
    if (!sourceData_) return;
    std::uint16_t mask = groupMask_;
    if (!ChooseGroupMask(*sourceData_, mask, this, true, RunSelector)) return;
    std::vector<std::string> names;
    int varCount = 0, obsCount = 0;
    std::unique_ptr<PCA> pca;
    std::vector<std::uint8_t> flags;
    // Groups without observations keep the analysis and the list as they were.
    if (!SelectDataBlock(*sourceData_, mask, false, nullptr, &names, varCount, obsCount)) {
        ErrorBox(Context().Services(), kEmptyGroups);
        return;
    }
    flags.assign(names.size(), 1);
    pca = Build(mask, flags);
    if (!useVarimax_) {
        pca->SetMethod(PCA::kMethodMinres);
        ComputeFactors(*pca, 0);
    }
    groupMask_ = mask;
    varNames_ = std::move(names);
    varFlags_ = std::move(flags);
    current_->Set(std::move(pca));
    FillVarList();
    PC->setCurrentWidget(tsSelect);
    RefreshPages();
}

void TfrmPCA::SettingExecute() {
    PCA* pca = Analysis();
    useVarimax_ = !useVarimax_;
    if (!pca) return;
    const std::uint8_t before = pca->Method();
    pca->SetMethod(useVarimax_ ? PCA::kMethodVarimax : PCA::kMethodMinres);
    try {
        ComputeFactors(*pca, pca->FactorCount());
    } catch (const Exception&) {
        // No solution of the new method for any factor count: the analysis
        // keeps the former method's solution, and so its name.
        pca->SetMethod(before);
        useVarimax_ = !useVarimax_;
        throw;
    }
    RefreshPages();
}

void TfrmPCA::RotationExecute() {
    PCA* pca = Analysis();
    if (!pca) return;
    const InputAnswer answer = Context().Services().AskInput("因子数", {}, "");
    if (answer.result != mrOK) return;
    double value = 0.0;
    try {
        value = Context().State().Evaluator().Evaluate(answer.text, 0.0);
    } catch (const Exception&) {
        return;  // a text in error asks nothing more
    }
    if (!std::isfinite(value)) return;
    // Truncated; more than p means p, none or fewer means the default.
    const int m = value >= pca->VarCount() ? pca->VarCount() : value <= 0.0 ? 0 : static_cast<int>(value);
    ComputeFactors(*pca, m);
    RefreshPages();
}

void TfrmPCA::ChangerExecute() {
    if (PC->currentWidget() != sgFL) return;
    showLoadings_ = !showLoadings_;
    if (const PCA* pca = Analysis()) sgFL->Show(PcaLoadingTable(*pca, showLoadings_));
}

std::vector<std::string> TfrmPCA::ScoreChoices() const {
    std::vector<std::string> names;
    if (const PCA* pca = Analysis()) {
        for (int i = 0; i < pca->VarCount(); ++i) names.push_back(pca->GetScoreName(i));
        for (int f = 0; f < pca->FactorCount(); ++f) names.push_back(pca->GetFactorScoreName(f));
    }
    return names;
}

std::string TfrmPCA::AskScoreName(const std::string& prompt, const std::vector<std::string>& choices,
                                  bool anyName) const {
    const InputAnswer answer = Context().Services().AskInput(prompt, choices, "");
    if (answer.result != mrOK) return {};
    const auto [index, kind] = Analysis()->FindName(answer.text);
    if (index < 0 || (!anyName && !IsScoreKind(kind))) return {};
    return answer.text;
}

void TfrmPCA::FFPlotExecute() {
    const PCA* pca = Analysis();
    if (!pca) return;
    std::vector<std::string> choices = ScoreChoices();
    const std::string yName = AskScoreName(LoadStr(kStrVerticalAxis), choices, false);
    if (yName.empty()) return;
    std::erase(choices, yName);
    const std::string xName = AskScoreName(LoadStr(kStrHorizontalAxis), choices, false);
    if (xName.empty()) return;
    FacLoadPlotRequest r;
    r.analysis = pca;
    r.xName = xName;
    r.yName = yName;
    const auto [xi, xk] = pca->FindName(xName);
    const auto [yi, yk] = pca->FindName(yName);
    for (int j = 0; j < pca->VarCount(); ++j) {
        r.x.push_back(xk == PCA::kNameScore ? pca->GetLoading(j, xi) : pca->GetRotatedLoading(j, xi));
        r.y.push_back(yk == PCA::kNameScore ? pca->GetLoading(j, yi) : pca->GetRotatedLoading(j, yi));
        r.labels.push_back(pca->GetVarName(j));
    }
    OpenWindow(kFacLoadPlotWindow, Context().WithOwner(this), r);
}

void TfrmPCA::ZZPlotExecute() {
    const PCA* pca = Analysis();
    if (!pca) return;
    const std::vector<std::string> choices = ScoreChoices();
    const std::string yName = AskScoreName(LoadStr(kStrVerticalAxis), choices, true);
    if (yName.empty()) return;
    const std::string xName = AskScoreName(LoadStr(kStrHorizontalAxis), choices, true);
    if (xName.empty()) return;
    const int n = pca->ObsCount();
    std::vector<double> x(static_cast<std::size_t>(n)), y(static_cast<std::size_t>(n));
    const auto fx = pca->FindName(xName), fy = pca->FindName(yName);
    for (int i = 0; i < n; ++i) {
        x[static_cast<std::size_t>(i)] = pca->GetValueByName(fx, i);
        y[static_cast<std::size_t>(i)] = pca->GetValueByName(fy, i);
    }
    Plot(xName, x, yName, y);
}

void TfrmPCA::SelectionExecute() {
    const PCA* pca = Analysis();
    Reg* model = Context().State().Model();
    if (!pca || !sourceData_ || model != sourceData_) return;
    const int n = pca->ObsCount();
    // An analysis of some groups has fewer observations than the data set.
    if (n != model->GetObsCount()) {
        ErrorBox(Context().Services(), kLengthMismatch);
        return;
    }
    std::vector<std::string> names;
    std::vector<int> kinds;
    for (int i = 0; i < pca->VarCount(); ++i) {
        names.push_back(pca->GetScoreName(i));
        kinds.push_back(0);
    }
    for (int f = 0; f < pca->FactorCount(); ++f) {
        names.push_back(pca->GetFactorScoreName(f));
        kinds.push_back(2);
    }
    TfrmSelector selector(this);
    selector.SetItems(names, kinds, false);
    const int result = RunSelector ? RunSelector(selector) : selector.exec();
    if (result == QDialog::Accepted) {
        AppState& state = Context().State();
        const DataEdit ed{*model, state.Undo(), [&state](const std::string& s) { return state.IsReservedName(s); }};
        const std::vector<std::uint8_t>& ticked = selector.GetChecked();
        for (std::size_t k = 0; k < names.size() && k < ticked.size(); ++k) {
            if (!ticked[k]) continue;
            const auto found = pca->FindName(names[k]);
            std::vector<double> values(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) values[static_cast<std::size_t>(i)] = pca->GetValueByName(found, i);
            Var v(names[k], "PCA", values.data(), n);
            // Each refused series says why; the others are still added.
            GuardCommand(Context().Services(), [&] { AddVariableWithUndo(ed, v); });
        }
    }
    close();
}

void TfrmPCA::RenameScore(const std::string& oldName, const std::string& newName) {
    PCA* pca = Analysis();
    if (!pca || newName.empty() || newName == oldName) return;
    const auto [index, kind] = pca->FindName(oldName);
    if (index < 0 || !IsScoreKind(kind)) return;
    if (!CheckNewName(Context().State(), newName, true)) return;
    if (kind == PCA::kNameScore) {
        pca->SetScoreName(index, newName);
    } else {
        pca->SetFactorScoreName(index, newName);
    }
    RefreshPages();
}

void TfrmPCA::RenameExecute() {
    if (!Analysis()) return;
    const std::string oldName = AskScoreName(LoadStr(kStrChange) + LoadStr(kStrVariableName), ScoreChoices(), false);
    if (oldName.empty()) return;
    const InputAnswer answer =
            Context().Services().AskInput(FormatIndexedLabel(LoadStr(kStrRename), oldName, false), {}, oldName);
    if (answer.result != mrOK) return;
    RenameScore(oldName, answer.text);
}

// ---------------------------------------------------------------- grid clicks

void TfrmPCA::Plot(const std::string& xName, const std::vector<double>& x, const std::string& yName,
                   const std::vector<double>& y) {
    ShowXYGraph(Context().WithOwner(this), xName, x.data(), yName, static_cast<int>(std::min(x.size(), y.size())),
                y.data());
}

std::vector<double> TfrmPCA::Standardized(int variable) const {
    const PCA* pca = Analysis();
    std::vector<double> v(static_cast<std::size_t>(pca->ObsCount()));
    for (int i = 0; i < pca->ObsCount(); ++i) v[static_cast<std::size_t>(i)] = pca->GetStandardizedValue(i, variable);
    return v;
}

void TfrmPCA::SetStatus(const std::string& text) { SB->showMessage(Q(text)); }

void TfrmPCA::sgEVClick(int col, int row) {
    const PCA* pca = Analysis();
    if (!pca || col < 1 || col > pca->VarCount()) return;
    const int i = col - 1;
    if (row == 0) {
        SetStatus(FormatElementValue("固有値", col, pca->GetEigenValue(i)));
    } else if (row == 1) {
        SetStatus(FormatElementValue("寄与率", col, pca->GetContribution(i)));
    } else if (row == 2) {
        SetStatus(FormatElementValue("累積寄与率", col, pca->GetCumulativeContribution(i)));
    } else if (row - 3 < pca->VarCount()) {
        SetStatus(FormatElementValue("固有ベクトル[" + pca->GetVarName(row - 3) + "]", col,
                                     pca->GetEigenVector(row - 3, i)));
    }
}

void TfrmPCA::sgRelMatClick(int col, int row) {
    const PCA* pca = Analysis();
    if (!pca) return;
    if (col == 0 || row == 0) {
        PC->setCurrentWidget(tsSelect);
        return;
    }
    if (col > pca->VarCount() || row > pca->VarCount()) return;
    Plot(pca->GetVarName(col - 1), Standardized(col - 1), pca->GetVarName(row - 1), Standardized(row - 1));
}

void TfrmPCA::sgFLClick(int col, int row) {
    const PCA* pca = Analysis();
    if (!pca) return;
    if (col == 0 && row == 0) {
        ChangerExecute();
        return;
    }
    const int p = pca->VarCount(), n = pca->ObsCount();
    if (col < 1 || row < 1 || col > p || row > p) return;
    const int component = col - 1, variable = row - 1;
    std::vector<double> x(static_cast<std::size_t>(n));
    std::string xName = pca->GetScoreName(component);
    if (showLoadings_) {
        for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] = pca->GetScore(i, component);
    } else {
        // The variable rebuilt from the components up to this one.
        x = PcaReconstruction(*pca, variable, component);
        xName = pca->GetScoreName(0) + " ... " + xName;
    }
    Plot(xName, x, pca->GetVarName(variable), Standardized(variable));
}

void TfrmPCA::sgRFClick(int col, int row) {
    const PCA* pca = Analysis();
    if (!pca) return;
    if (col == 0 || row == 0) {
        sgRF->Show(PcaRotatedTable(*pca));
        return;
    }
    if (col > pca->FactorCount() || row > pca->VarCount()) return;
    std::vector<double> x(static_cast<std::size_t>(pca->ObsCount()));
    for (int i = 0; i < pca->ObsCount(); ++i) x[static_cast<std::size_t>(i)] = pca->GetFactorScore(i, col - 1);
    Plot(pca->GetFactorScoreName(col - 1), x, pca->GetVarName(row - 1), Standardized(row - 1));
}

void TfrmPCA::ObservationGridClick(ResultGrid* grid, Qt::MouseButton button, int col, int row) {
    const PCA* pca = Analysis();
    if (!pca || col < 1) return;
    const PcaObservationTable::Kind kind = grid == sgScore ? PcaObservationTable::Kind::Scores
                                           : grid == sgFS  ? PcaObservationTable::Kind::FactorScores
                                                           : PcaObservationTable::Kind::Outliers;
    const PcaObservationTable table(*pca, kind);
    if (col >= table.ColumnCount()) return;
    const std::string name = table.Title(col);
    const int n = pca->ObsCount();
    if (button == Qt::RightButton) {
        if (kind == PcaObservationTable::Kind::Outliers) {
            std::vector<double> t(static_cast<std::size_t>(n)), v(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) {
                t[static_cast<std::size_t>(i)] = i + 1;
                v[static_cast<std::size_t>(i)] = table.Value(col, i);
            }
            Plot(LoadStr(kStrTime), t, name, v);
        } else {
            ShowScoreProperty(table, col);
        }
        return;
    }
    if (row >= 1 && row <= n) SetStatus(FormatElementValue(name, row, table.Value(col, row - 1)));
}

void TfrmPCA::ShowScoreProperty(const PcaObservationTable& table, int col) {
    const std::string name = table.Title(col);
    const auto [index, kind] = Analysis()->FindName(name);
    if (index < 0 || !IsScoreKind(kind)) return;
    // A scratch variable of the column, named and described by its name;
    // the name it comes back with renames the series.
    const int n = table.RowCount();
    std::vector<double> values(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) values[static_cast<std::size_t>(i)] = table.Value(col, i);
    Var scratch(name, name, values.data(), n);
    VariablePropertyRequest r;
    r.variable = &scratch;
    r.renameAllowed = true;
    if (OpenWindow(kPropertyDialog, Context().WithOwner(this), r) != mrOK) return;
    RenameScore(name, scratch.GetName());
}

void RegisterPcaWindow() {
    AnalysisWindows().Register("TfrmPCA", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmPCA>(context);
    });
}

#include "estimators/ui/weighted_fit_window.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "components/view/field_formula.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/launch_request.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/window_actions.h"
#include "components/view/window_status_bar.h"
#include "components/view/selector_dialog.h"
#include "core/data/equation.h"
#include "core/io/file_matrix.h"
#include "core/model/data_edit_commands.h"
#include "core/model/instrumental_fit.h"
#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "estimators/mcl_request.h"
#include "estimators/ui/ar_coefficient_dialog.h"
#include "estimators/ui/weight_option_dialog.h"
#include "estimators/ui/weighted_fit_pages.h"
#include "estimators/weight_choice.h"
#include "estimators/weighted_fit.h"
#include "estimators/weighted_fit_report.h"
#include "estimators/weighted_fit_tables.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "stats/correlation_matrix_request.h"

namespace {

constexpr int kHelpContext = 1000;
constexpr int kEndogenous = 1;
constexpr int kAutoMode = 5;
const char* const kMclWindow = "TfrmMCL";
const char* const kCorrelationWindow = "TfrmRelative";
const char* const kFitFailed = "ウェイトの推定に失敗しました。重みを付けない推定値を表示します。";
const char* const kHuberFailed = "Huber の共分散を計算できません。";
const char* const kAllWeightsZero = "ウェイトがすべて 0 です。前のウェイトのままにします。";

// The residual and analysis codes shown on the estimates page's plots.
constexpr int kTransformedFittedCode = 5;
constexpr int kTransformedResidualCode = 6;
constexpr int kStandardizedCode = 8;
constexpr int kShareCode = 10;
constexpr int kLeverageCode = 11;

}  // namespace

TfrmWLS::TfrmWLS(const WindowContext& context) : AnalysisWindowBase(context) {
    setObjectName("frmWLS");
    setWindowTitle("加重回帰");
    resize(780, 560);

    TB = new QToolBar(this);
    TB->setObjectName("TB");
    Exitence = AddAction("Exitence", "終了", "Ctrl+X", "終了", [this] { close(); });
    ActiveGroup = AddAction("ActiveGroup", "グループ", "Ctrl+Alt+G", "使用するグループを設定",
                            [this] { ActiveGroupExecute(); });
    SetWeight = AddAction("SetWeight", "ウェイト", "Ctrl+W", "ウェイトの設定", [this] { SetWeightExecute(); });
    XYPlot = AddAction("XYPlot", "X-Y", "Ctrl+G", "Ｘ－Ｙ　プロット", [this] { XYPlotExecute(); });
    RelMat = AddAction("RelMat", "相関", "Ctrl+Alt+R", "相関行列の表示", [this] { RelMatExecute(); });
    EYPlot = AddAction("EYPlot", "e-y", "Ctrl+Alt+C", "予測値・残差プロット", [this] { EYPlotExecute(); });
    ETPlot = AddAction("ETPlot", "e-t", "Ctrl+Alt+T", "残差時系列プロット", [this] { ETPlotExecute(); });
    PRLPlot = AddAction("PRLPlot", "偏回帰", "Ctrl+Alt+P", "偏回帰作用点のプロット", [this] { PRLPlotExecute(); });
    Fund = AddAction("Fund", "統計量", "Ctrl+Alt+N", "残差基本統計量", [this] { FundExecute(false); });
    EEPlot = AddAction("EEPlot", "e-e", "Ctrl+Alt+E", "ｒ（ｉ）・ｒ（ｉ－１）プロット", [this] { EEPlotExecute(1); });
    EXPlot = AddAction("EXPlot", "e-x", "Ctrl+Alt+X", "残差・説明変数プロット", [this] { EXPlotExecute(); });
    LRPlot = AddAction("LRPlot", "L-R", "Ctrl+Alt+L", "Ｌ－Ｒ　プロット", [this] { LRPlotExecute(); });
    TextSave = AddAction("TextSave", "保存", "Ctrl+Alt+V", "テキスト保存", [this] { TextSaveExecute(); });
    Addexpres = AddAction("Addexpres", "式追加", "Ctrl+Alt+A", "式に追加する", [this] { AddexpresExecute(); });
    HelpContext = AddAction("HelpContext", "?", "Ctrl+H", "ヘルプ",
                            [this] { ShowHtmlHelp(Context().State().Context(), kHelpContext); });

    pmEELag = new QMenu(this);
    pmEELag->setObjectName("pmEELag");
    const char* lagNames[] = {"mnuEE2", "mnuEE3", "mnuEE4"};
    const char* lagCaptions[] = {"二期前(&2)", "三期前(&3)", "四期前(&4)"};
    for (int l = 2; l <= 4; ++l) {
        QAction* a = pmEELag->addAction(lagCaptions[l - 2]);
        a->setObjectName(lagNames[l - 2]);
        connect(a, &QAction::triggered, this, GuardedSlot([this, l] { EEPlotExecute(l); }));
    }
    if (auto* button = qobject_cast<QToolButton*>(TB->widgetForAction(EEPlot))) {
        button->setMenu(pmEELag);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    // The right button on the statistics button: t(i) instead of r(i).
    if (QWidget* button = TB->widgetForAction(Fund)) {
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QWidget::customContextMenuRequested, this, GuardedSlot([this](QPoint) { FundExecute(true); }));
    }
    EELagx = new QAction(this);
    EELagx->setObjectName("EELagx");
    EELagx->setShortcut(QKeySequence("Ctrl+E"));
    connect(EELagx, &QAction::triggered, this, GuardedSlot([this] {
                QWidget* button = TB->widgetForAction(EEPlot);
                pmEELag->popup(button ? button->mapToGlobal(QPoint(0, button->height())) : QCursor::pos());
            }));
    addAction(EELagx);

    PC = new QTabWidget(this);
    PC->setObjectName("PC");
    tsEst = new TfsWLSEstimatePage(PC);
    PC->addTab(tsEst, "推定");
    auto grid = [this](const char* name, const char* caption) {
        auto* g = new ResultGrid(PC);
        g->setObjectName(name);
        g->SetColWidth(0, 40);
        PC->addTab(g, caption);
        connect(g, &TStringGrid::GridMouseDown, this,
                GuardedSlot([this, g](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                    GridMouseDown(g, b, m, x, y);
                }));
        return g;
    };
    sgRes = grid("sgRes", "残差");
    sgData = grid("sgData", "変換データ");
    sgAna = grid("sgAna", "変換データ分析");
    sgRes->SetColumnMarks([this](int i) { return IsMarked(kResidualGrid, i); });
    sgData->SetColumnMarks([this](int i) { return IsMarked(kDataGrid, i); });
    sgAna->SetColumnMarks([this](int i) { return IsMarked(kAnalysisGrid, i); });
    tsPred = new TfsWLSPredictPage(PC);
    PC->addTab(tsPred, "予測");
    connect(PC, &QTabWidget::currentChanged, this, GuardedSlot([this](int index) { ShowPage(index); }));

    connect(tsEst->sgEst, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) { sgEstMouseDown(x, y); }));
    connect(tsEst, &TfsWLSEstimatePage::VeDoubleClicked, this, GuardedSlot([this] { stVeDblClick(); }));
    connect(tsEst, &TfsWLSEstimatePage::R2Clicked, this, GuardedSlot([this] { stR2Click(); }));
    connect(tsEst->btnAR, &QPushButton::clicked, this, GuardedSlot([this] { btnARClick(); }));
    connect(tsEst->btnMCL, &QPushButton::clicked, this, GuardedSlot([this] { btnMCLClick(); }));
    connect(tsPred->btnCalc, &QPushButton::clicked, this, GuardedSlot([this] { btnCalcClick(); }));

    SB = new QStatusBar(this);
    SB->setObjectName("SB");
    SB->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TB);
    layout->addWidget(PC, 1);
    layout->addWidget(SB);

    // Buttons to windows that register later follow the registry.
    registryListener_ = AnalysisWindows().AddListener([this] { UpdateButtons(); });
    UpdateButtons();
}

TfrmWLS::~TfrmWLS() { AnalysisWindows().RemoveListener(registryListener_); }

QAction* TfrmWLS::AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                            std::function<void()> handler) {
    return AddWindowAction(this, TB, Context().State(), name, caption, QKeySequence(shortcut), hint,
                           std::move(handler));
}

bool TfrmWLS::event(QEvent* e) {
    // Hints of the actions go to the window's own status bar.
    return ShowStatusTip(e, SB) || AnalysisWindowBase::event(e);
}

int TfrmWLS::ShowModal() {
    const int result = exec();
    if (const WLSRequest* r = OpenedWith().As<WLSRequest>(); r && r->closed && wlse_) r->closed(*wlse_);
    return result;
}

bool TfrmWLS::Setup(const WindowRequest& request) {
    if (const LaunchRequest* l = request.As<LaunchRequest>()) {
        const Reg* model = l->model ? l->model : l->readModel;
        return model && SetRegression(*model, l->mode);
    }
    const WLSRequest* r = request.As<WLSRequest>();
    if (!r) return false;
    bool bound = false;
    if (r->model) bound = SetRegression(*r->model, r->mode);
    else if (r->ivModel) bound = SetRegIV(*r->ivModel, r->mode);
    else if (r->table) bound = SetNamedData(*r->table, r->second, r->dependentColumn, r->mode);
    if (!bound) return false;
    return !r->requireFit || lastFitOk_;
}

bool TfrmWLS::Bind(const std::function<std::unique_ptr<WLSE>()>& make, bool groups) {
    wlse_.reset();
    columns_.reset();
    try {
        wlse_ = make();
    } catch (const EOutOfMemory&) {
        throw;
    } catch (const Exception& e) {
        ErrorBox(Context().Services(), e.what());
        return false;
    }
    ActiveGroup->setEnabled(groups);
    ActiveGroup->setVisible(groups);
    showInstrumented_ = false;
    try {
        Recompute();
    } catch (const EOutOfMemory&) {
        throw;
    } catch (const Exception& e) {
        // Too few observations for the weights and the like: nothing to show.
        ErrorBox(Context().Services(), e.what());
        wlse_.reset();
        columns_.reset();
        return false;
    }
    return true;
}

bool TfrmWLS::SetRegression(const Reg& model, int mode) {
    model_ = &model;
    mode_ = mode;
    groupMask_ = 0;
    const std::string dependent = model.GetDependent() >= 0 ? model.GetVarName(model.GetDependent()) : "";
    return Bind([&model, &dependent] { return std::make_unique<WLSE>(model, 0, dependent); }, true);
}

bool TfrmWLS::SetRegIV(const RegIV& model, int mode) {
    model_ = nullptr;
    mode_ = mode;
    groupMask_ = 0;
    EngineContext& context = Context().State().Context();
    return Bind([&model, &context] { return std::make_unique<WLSE>(model, context); }, false);
}

bool TfrmWLS::SetNamedData(const TNamedData& data, const TFileMatrix* second, int dependentColumn, int mode) {
    model_ = nullptr;
    mode_ = mode;
    groupMask_ = 0;
    return Bind([&] { return std::make_unique<WLSE>(data, second, dependentColumn); }, false);
}

bool TfrmWLS::Recompute() {
    if (!wlse_) return false;
    // A refused fit raises with the estimator still holding the fit on
    // show, so nothing here changes before it stands.
    lastFitOk_ = wlse_->Estimate(mode_);
    arDisplay_ = mode_ > 10;
    setWindowTitle(arDisplay_ ? "自己回帰過程" : "加重回帰");
    huberShown_ = false;
    // The plain fit stands in for a weighting the data could not carry.
    if (!lastFitOk_) WarningBox(Context().Services(), kFitFailed);
    RebuildTables();
    ResetMarks();
    PC->setCurrentIndex(0);
    tsEstShow();
    UpdateButtons();
    return lastFitOk_;
}

void TfrmWLS::RebuildTables() {
    if (!wlse_) return;
    columns_ = std::make_shared<const WLSColumns>(wlse_, showInstrumented_);
    sgRes->Show(WLSResidualTable(columns_));
    sgData->Show(WLSDataTable(columns_));
    sgAna->Show(WLSAnalysisTable(columns_));
    // The prediction page: one row per regressor but the constant term.
    const int p = wlse_->CoefCount();
    TStringGrid* list = tsPred->sgVList;
    list->SetRowCount(std::max(2, p));
    for (int j = 0; j + 1 < p; ++j) {
        list->SetCell(0, j + 1, Q(wlse_->GetName(j)));
        if (list->Cell(1, j + 1).isEmpty()) list->SetCell(1, j + 1, "0");
    }
}

void TfrmWLS::ResetMarks() {
    marks_.assign(columns_ ? static_cast<std::size_t>(columns_->CodeCount()) : 0, 0);
    markOrder_.clear();
}

void TfrmWLS::UpdateButtons() {
    const bool fitted = wlse_ != nullptr;
    tsEst->btnAR->setEnabled(fitted && arDisplay_);
    tsEst->btnMCL->setEnabled(fitted && wlse_->RegressionDf() >= 2 && AnalysisWindows().Has(kMclWindow));
    RelMat->setEnabled(fitted && AnalysisWindows().Has(kCorrelationWindow));
    PRLPlot->setEnabled(fitted && wlse_->CoefCount() > 1);
}

void TfrmWLS::ShowPage(int index) {
    if (index == 0) tsEstShow();
}

void TfrmWLS::tsEstShow() {
    if (!wlse_) return;
    tsEst->sgEst->Show(WLSEstimateTable(*wlse_));
    const WLSFitTexts f = FitTexts(*wlse_);
    tsEst->stVe->setText(Q(f.standardError));
    tsEst->lblRR2->setText(Q(LoadStr(showAdjusted_ ? kStrAdjRSquared : kStrRSquared)));
    tsEst->stR2->setText(Q(showAdjusted_ ? f.adjustedR2 : f.r2));
    tsEst->stDWR->setText(Q(f.durbinWatson));
    tsEst->stGK->setText(Q(f.gk + " (" + f.gkLevel + ")"));
    tsEst->stFe->setText(Q(f.degreesOfFreedom));
}

bool TfrmWLS::IsMarked(int grid, int index) const {
    if (!columns_) return false;
    int code = -1;
    if (grid == kResidualGrid) code = index;
    else if (grid == kAnalysisGrid) code = index + WLSColumns::kFirstAnalysisCode;
    else if (grid == kDataGrid) code = columns_->FirstDataCode() + index;
    return code >= 0 && code < static_cast<int>(marks_.size()) && marks_[static_cast<std::size_t>(code)] != 0;
}

bool TfrmWLS::HuberShown() const { return huberShown_; }

int TfrmWLS::CodeOf(const ResultGrid* grid, int column) const {
    if (!columns_ || column <= 0) return WLSColumns::kTimeCode;
    int code = WLSColumns::kTimeCode;
    if (grid == sgRes) code = column - 1;
    else if (grid == sgAna) code = column - 1 + WLSColumns::kFirstAnalysisCode;
    else if (grid == sgData) code = column - 1 + columns_->FirstDataCode();
    return columns_->Valid(code) ? code : WLSColumns::kTimeCode;
}

// ---- weights ------------------------------------------------------------------

void TfrmWLS::SetWeightExecute() {
    if (!wlse_) return;
    TfrmWeightOption dialog(Context().State(), this);
    dialog.value = wlse_->tDf;
    if ((RunWeightDialog ? RunWeightDialog(dialog) : dialog.exec()) != QDialog::Accepted) return;
    const int n = wlse_->ObsCount();
    int mode = WeightModeOf(dialog.kind, dialog.OrderText().toStdString(), n);
    if (dialog.kind == 1) wlse_->tDf = dialog.value;
    if (dialog.kind >= 2 && dialog.kind <= 4) wlse_->tuning = dialog.value;
    if (dialog.kind == 0) {
        std::vector<double> w(static_cast<std::size_t>(n), 1.0);
        AppState& state = Context().State();
        UiServices& ui = Context().Services();
        bool automatic = false;
        for (int i = 0; i < n;) {
            char prompt[48];
            std::snprintf(prompt, sizeof prompt, "Weight [ %d ] ", i + 1);
            const InputAnswer a = ui.AskInput(prompt, {"<auto>", "<constant>"}, "");
            if (a.result != mrOK) break;
            if (a.text == "<auto>") {
                automatic = true;
                break;
            }
            if (a.text == "<constant>") {
                std::fill(w.begin() + i, w.end(), 1.0);
                break;
            }
            if (!a.text.empty() && a.text[0] == '=') {
                // The rest of the text at every remaining observation; one
                // value a weight cannot be asks again from here.
                std::vector<double> rest(w.begin() + i, w.end());
                bool usable = true;
                try {
                    for (int t = i; t < n && usable; ++t) {
                        const double v = state.Evaluator().EvaluateAt(a.text.substr(1), t);
                        usable = !state.Evaluator().IsIncomplete() && std::isfinite(v) && v >= 0.0;
                        rest[static_cast<std::size_t>(t - i)] = v;
                    }
                } catch (const EOutOfMemory&) {
                    throw;
                } catch (const Exception& e) {
                    ErrorBox(ui, e.what());
                    usable = false;
                }
                if (!usable) continue;
                std::copy(rest.begin(), rest.end(), w.begin() + i);
                break;
            }
            const std::optional<double> v = EvaluateFieldFormula(state, a.text);
            // A failed evaluation, or a value no weight can be, asks again.
            if (!v || !std::isfinite(*v) || *v < 0.0) continue;
            w[static_cast<std::size_t>(i)] = *v;
            ++i;
        }
        if (automatic) {
            mode = kAutoMode;
        } else {
            if (std::all_of(w.begin(), w.end(), [](double x) { return x == 0.0; })) {
                WarningBox(ui, kAllWeightsZero);
                return;
            }
            wlse_->SetWeights(w.data());
        }
    }
    wlse_->boundedInfluence = dialog.bounded;
    const int previous = mode_;
    mode_ = mode;
    try {
        Recompute();
    } catch (...) {
        // Nothing was fitted: the window still shows the former fit.
        mode_ = previous;
        throw;
    }
}

void TfrmWLS::ActiveGroupExecute() {
    if (!wlse_ || !model_) return;
    std::uint16_t mask = groupMask_;
    if (!ChooseGroupMask(*model_, mask, this, true, RunGroupSelector)) return;
    if (mask == 0) {
        SetRegression(*model_, mode_);
        return;
    }
    // The dependent variable comes from the variables of the groups' block.
    std::vector<std::string> names;
    int vars = 0, obs = 0;
    if (!SelectDataBlock(*model_, mask, true, nullptr, &names, vars, obs)) throw Exception("DERR");
    const InputAnswer a = Context().Services().AskInput("目的" + LoadStr(kStrChooseVariable), names, "");
    if (a.result != mrOK || std::find(names.begin(), names.end(), a.text) == names.end()) return;
    auto previous = wlse_;
    const std::uint16_t previousMask = groupMask_;
    wlse_ = std::make_shared<WLSE>(*model_, mask, a.text);
    groupMask_ = mask;
    try {
        Recompute();
    } catch (...) {
        // The groups cannot be fitted: the former fit stays on show.
        wlse_ = std::move(previous);
        groupMask_ = previousMask;
        RebuildTables();
        throw;
    }
}

void TfrmWLS::stVeDblClick() {
    if (!wlse_ || arDisplay_ || wlse_->TwoStage()) return;
    if (!huberShown_) {
        if (!wlse_->HuberCovariance()) {
            WarningBox(Context().Services(), kHuberFailed);
            return;
        }
        huberShown_ = true;
    } else {
        // Back to the covariance of the window's own weighting.
        (void)wlse_->Estimate(mode_);
        huberShown_ = false;
        RebuildTables();
    }
    tsEstShow();
}

void TfrmWLS::stR2Click() {
    showAdjusted_ = !showAdjusted_;
    tsEstShow();
}

void TfrmWLS::sgEstMouseDown(int x, int y) {
    if (!wlse_) return;
    int c = -1, r = -1;
    tsEst->sgEst->MouseToCell(x, y, c, r);
    if (r < 1 || r > wlse_->CoefCount() || c < 1 || c > 3) return;
    const int j = r - 1;
    const double b = wlse_->GetCoef(j), se = wlse_->GetStdErr(j);
    const double value = c == 1 ? b : c == 2 ? se : (se != 0.0 ? b / se : 0.0);
    SB->showMessage(tsEst->sgEst->Cell(c, 0) + "[" + Q(wlse_->GetName(j)) + "] = " + Q(FormatExponent(7, value)));
}

void TfrmWLS::GridMouseDown(ResultGrid* grid, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) {
    if (!columns_) return;
    int c = -1, r = -1;
    grid->MouseToCell(x, y, c, r);
    if (c < 0 || r < 0) return;
    if (button == Qt::RightButton) {
        if (grid == sgData && c == 0 && r == 0 && wlse_->TwoStage()) {
            showInstrumented_ = !showInstrumented_;
            RebuildTables();
            return;
        }
        if (c >= 1) ShowColumnStatistics(CodeOf(grid, c), r);
        return;
    }
    if (button != Qt::LeftButton) return;
    if (r == 0) {
        if (c == 0) {
            ResetMarks();
        } else {
            const int code = CodeOf(grid, c);
            const bool was = marks_[static_cast<std::size_t>(code)] != 0;
            if (!(modifiers & Qt::ControlModifier)) ResetMarks();
            marks_[static_cast<std::size_t>(code)] = was ? 0 : 1;
            markOrder_.erase(std::remove(markOrder_.begin(), markOrder_.end(), code), markOrder_.end());
            if (!was) markOrder_.push_back(code);
        }
        grid->viewport()->update();
        return;
    }
    if (c >= 1 && r <= wlse_->ObsCount()) {
        const int code = CodeOf(grid, c);
        SB->showMessage(Q(FormatElementValue(columns_->Title(code), r, columns_->Value(code, r - 1))));
    }
}

// ---- statistics and plots -------------------------------------------------------------

void TfrmWLS::ShowColumnStatistics(int code, int k) {
    if (!columns_ || !columns_->Valid(code)) return;
    const std::vector<double> v = columns_->Column(code);
    const int n = static_cast<int>(v.size());
    if (!columns_->IsAnalysis(code)) {
        ShowFundamentalStats(Context(), columns_->Title(code), v.data(), n, k);
        return;
    }
    // A figure that an observation of leverage 1 lacks is left out.
    const std::vector<double> leverage = columns_->PressLeverage();
    ShowColumnFundamentalStats(Context(), columns_->Title(code), v.data(), leverage.data(), n, k);
}

void TfrmWLS::FundExecute(bool studentized) { ShowColumnStatistics(studentized ? 9 : 8, 1); }

void TfrmWLS::Plot(const std::string& xName, const std::vector<double>& x, const std::string& yName,
                   const std::vector<double>& y) {
    const int n = static_cast<int>(std::min(x.size(), y.size()));
    if (n > 0) ShowXYGraph(Context(), xName, x.data(), yName, n, y.data());
}

void TfrmWLS::EYPlotExecute() {
    if (!columns_) return;
    Plot(LoadStr(kStrPredicted), columns_->Column(kTransformedFittedCode), LoadStr(kStrStandardizedResidual),
         columns_->Column(kStandardizedCode));
}

void TfrmWLS::ETPlotExecute() {
    if (!columns_) return;
    Plot(LoadStr(kStrTime), columns_->Column(WLSColumns::kTimeCode), LoadStr(kStrStandardizedResidual),
         columns_->Column(kStandardizedCode));
}

void TfrmWLS::EXPlotExecute() {
    if (!columns_) return;
    const int p = wlse_->CoefCount();
    std::vector<std::string> names;
    for (int j = 0; j + 1 < p; ++j) names.push_back(wlse_->GetName(j));
    if (wlse_->TwoStage())
        for (int j = 0; j + 1 < p; ++j) names.push_back(wlse_->GetName(j) + "(iv)");
    const InputAnswer a = Context().Services().AskInput(LoadStr(kStrChooseExplanatory), names, "");
    if (a.result != mrOK) return;
    const auto it = std::find(names.begin(), names.end(), a.text);
    if (it == names.end()) return;
    const int index = static_cast<int>(it - names.begin());
    const bool instrumented = index >= p - 1;
    const int j = instrumented ? index - (p - 1) : index;
    std::vector<double> x(static_cast<std::size_t>(wlse_->ObsCount()));
    if (instrumented) wlse_->ReadSecondTransformedRow(j, x.data());
    else wlse_->ReadTransformedRow(j, x.data());
    Plot(a.text, x, LoadStr(kStrStandardizedResidual), columns_->Column(kStandardizedCode));
}

void TfrmWLS::EEPlotExecute(int lag) {
    if (!columns_) return;
    const std::vector<double> e = columns_->Column(kTransformedResidualCode);
    const int n = static_cast<int>(e.size());
    // Fewer than four pairs show nothing worth reading.
    if (n - lag < 4) return;
    const std::vector<double> later(e.begin() + lag, e.end());
    const std::vector<double> earlier(e.begin(), e.end() - lag);
    Plot(LagResidualLabel(lag), earlier, LoadStr(kStrEi), later);
}

void TfrmWLS::LRPlotExecute() {
    if (!columns_) return;
    Plot(LoadStr(kStrSquaredResidual), columns_->Column(kShareCode), LoadStr(kStrLeverage),
         columns_->Column(kLeverageCode));
}

void TfrmWLS::PRLPlotExecute() {
    if (!wlse_ || wlse_->CoefCount() < 2) return;
    const int p = wlse_->CoefCount();
    std::vector<std::string> names;
    for (int j = 0; j + 1 < p; ++j) names.push_back(wlse_->GetName(j));
    const InputAnswer a = Context().Services().AskInput(LoadStr(kStrChooseVariable), names, "");
    if (a.result != mrOK) return;
    const auto it = std::find(names.begin(), names.end(), a.text);
    if (it == names.end()) return;
    const int j = static_cast<int>(it - names.begin());
    const std::size_t n = static_cast<std::size_t>(wlse_->ObsCount());
    std::vector<double> x(n), y(n);
    wlse_->PartialResiduals(x.data(), y.data(), j);
    std::string xName = names[static_cast<std::size_t>(j)];
    std::string yName = wlse_->GetName(p);
    MakePartialPlotLabels(xName, yName);
    Plot(xName, x, yName, y);
}

void TfrmWLS::XYPlotExecute() {
    if (!columns_) return;
    int yCode = -1, xCode = WLSColumns::kTimeCode;
    if (!markOrder_.empty()) {
        // The first two marks in the order they were made; they are used up.
        yCode = markOrder_[0];
        if (markOrder_.size() > 1) xCode = markOrder_[1];
        for (int used : {yCode, xCode})
            if (used >= 0) marks_[static_cast<std::size_t>(used)] = 0;
        markOrder_.erase(markOrder_.begin(), markOrder_.begin() + std::min<std::size_t>(2, markOrder_.size()));
        for (ResultGrid* g : {sgRes, sgData, sgAna}) g->viewport()->update();
    } else {
        std::vector<std::string> names;
        for (int j = 0; j < wlse_->RowCount(); ++j) names.push_back(columns_->Title(columns_->FirstDataCode() + j));
        const InputAnswer v = Context().Services().AskInput(LoadStr(kStrVerticalAxis), names, "");
        if (v.result != mrOK) return;
        const auto vy = std::find(names.begin(), names.end(), v.text);
        if (vy == names.end()) return;
        yCode = columns_->FirstDataCode() + static_cast<int>(vy - names.begin());
        std::vector<std::string> rest = names;
        rest.erase(rest.begin() + (vy - names.begin()));
        const InputAnswer h = Context().Services().AskInput(LoadStr(kStrHorizontalAxis), rest, "");
        if (h.result != mrOK) return;
        const auto hx = std::find(names.begin(), names.end(), h.text);
        if (hx == names.end()) return;
        xCode = columns_->FirstDataCode() + static_cast<int>(hx - names.begin());
    }
    Plot(columns_->Title(xCode), columns_->Column(xCode), columns_->Title(yCode), columns_->Column(yCode));
}

// ---- other windows ------------------------------------------------------------------

void TfrmWLS::RelMatExecute() {
    if (!columns_ || !AnalysisWindows().Has(kCorrelationWindow)) return;
    EngineContext& context = Context().State().Context();
    const int n = wlse_->ObsCount();
    std::vector<int> codes;
    std::unique_ptr<TNamedData> table;
    std::unique_ptr<TFileMatrix> second;
    std::vector<double> v;
    const bool marked = markOrder_.size() >= 2;
    if (marked) {
        codes = markOrder_;
    } else {
        for (int j = 0; j < wlse_->RegressionDf() && j < wlse_->CoefCount(); ++j)
            codes.push_back(columns_->FirstDataCode() + j);
        codes.push_back(columns_->FirstDataCode() + wlse_->CoefCount());
        if (wlse_->TwoStage()) second = std::make_unique<TFileMatrix>(context, n, static_cast<int>(codes.size()), 0.0);
    }
    table = std::make_unique<TNamedData>(context, n, static_cast<int>(codes.size()));
    // Marked columns as the pages show them (the data page's "(iv)" view:
    // the instrumented rows); otherwise the transformed data, with the
    // instrumented ones as the second matrix.
    const WLSColumns plain(wlse_, false);
    const WLSColumns& source = marked ? *columns_ : plain;
    for (std::size_t c = 0; c < codes.size(); ++c) {
        const int col = static_cast<int>(c);
        table->SetColumnName(col, source.Title(codes[c]));
        v = source.Column(codes[c]);
        for (int t = 0; t < n; ++t) table->SetValue(t, col, v[static_cast<std::size_t>(t)]);
        if (second) {
            std::vector<double> z(static_cast<std::size_t>(n));
            wlse_->ReadSecondTransformedRow(codes[c] - columns_->FirstDataCode(), z.data());
            for (int t = 0; t < n; ++t) second->SetValue(t, col, z[static_cast<std::size_t>(t)]);
        }
    }
    OpenWindow(kCorrelationWindow, Context().WithOwner(this), CorrelationMatrixRequest{table.get(), second.get(), false});
}

void TfrmWLS::btnMCLClick() {
    if (!wlse_ || !AnalysisWindows().Has(kMclWindow)) return;
    MclRequest request;
    request.weighted = wlse_.get();
    OpenWindow(kMclWindow, Context().WithOwner(this), request);
}

void TfrmWLS::btnARClick() {
    if (!wlse_) return;
    TfrmARP dialog(this);
    dialog.SetEstimator(wlse_.get());
    dialog.FormShow();
    RunARDialog ? RunARDialog(dialog) : dialog.exec();
}

void TfrmWLS::btnCalcClick() {
    if (!wlse_) return;
    const int p = wlse_->CoefCount();
    std::vector<double> x(static_cast<std::size_t>(p), 1.0);
    for (int j = 0; j + 1 < p; ++j) {
        const std::optional<double> v = EvaluateFieldFormula(Context().State(), tsPred->sgVList->Cell(1, j + 1).toStdString());
        if (!v) return;
        x[static_cast<std::size_t>(j)] = *v;
    }
    predictedValue_ = wlse_->Predict(x.data());
    tsPred->stPred->setText(Q(FormatNumber(false, predictedValue_)));
}

void TfrmWLS::AddexpresExecute() {
    AppState& state = Context().State();
    Reg* model = state.Model();
    if (!wlse_ || !model) return;
    const int p = wlse_->CoefCount();
    const std::string dependent = wlse_->GetName(p);
    const int dep = model->FindVar(dependent);
    // Only an endogenous variable has an equation of its own.
    if (dep < 0 || model->GetVarType(dep) != kEndogenous) return;
    std::vector<double> coefs;
    std::vector<std::string> names;
    for (int j = 0; j < p; ++j) {
        coefs.push_back(wlse_->GetCoef(j));
        names.push_back(wlse_->GetName(j));
    }
    const Expres e(dependent, p, false, coefs, names);
    AddExpressionWithUndo(DataEdit{*model, state.Undo(), [&state](const std::string& n) {
                                       return state.IsReservedName(n);
                                   }},
                          e);
}

std::string TfrmWLS::DataSetName() const {
    const Reg* model = Context().State().Model();
    return model ? model->GetName() : std::string();
}

bool TfrmWLS::SaveReport(const std::string& path) {
    if (!wlse_) return false;
    // Written beside the target first, so a failure leaves an existing file.
    const std::string temporary = path + ".part";
    try {
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            if (!out) throw EWriteError("ファイルを作成できません。");
            WriteWLSReport(*wlse_, {DataSetName(), groupMask_, Context().State().Work().reportMargin}, out,
                           &Context().Services());
            out.close();
            if (!out) throw EWriteError("ファイルの書き込みに失敗しました。");
        }
        std::error_code ec;
        std::filesystem::rename(temporary, path, ec);
        if (ec) throw EWriteError("ファイルの書き込みに失敗しました。");
    } catch (const EOutOfMemory&) {
        std::error_code ec;
        std::filesystem::remove(temporary, ec);
        throw;
    } catch (const Exception& e) {
        std::error_code ec;
        std::filesystem::remove(temporary, ec);
        ErrorBox(Context().Services(), e.what());
        return false;
    }
    SB->showMessage(Q(path));
    return true;
}

void TfrmWLS::TextSaveExecute() {
    if (!wlse_) return;
    const std::string path = AskSaveFileName(Context().State().Context());
    if (!path.empty()) SaveReport(path);
}

void RegisterWeightedRegressionWindow() {
    AnalysisWindows().Register("TfrmWLS", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmWLS>(context);
    });
}

#include "estimators/ui/ridge_window.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>

#include "components/view/field_formula.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/key_helpers.h"
#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "components/view/residual_lag_menu.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "components/view/value_entry_grid.h"
#include "components/view/window_actions.h"
#include "components/view/window_status_bar.h"
#include "core/io/file_matrix.h"
#include "core/model/data_edit_commands.h"
#include "core/model/estimate_texts.h"
#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "estimators/ridge_tables.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "platform/qt/string_grid.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {

constexpr int kEndogenous = 1;
constexpr int kHelpContext = 1006;
constexpr double kIntervalAlpha = 0.05;
const char* const kFitFailed = "リッジ回帰の計算ができません。";

enum ResultRow { kObservedRow = 0, kFittedRow = 1, kResidualRow = 2, kShareRow = 3, kLeverageRow = 4, kStudentRow = 5 };

}  // namespace

TfrmRidge::TfrmRidge(const WindowContext& context) : AnalysisWindowFor(context) {
    setObjectName("frmRidge");
    setWindowTitle("リッジ回帰");
    resize(680, 500);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    OptExit = AddAction("OptExit", "終了(&X)", "Ctrl+X", "終了", [this] { close(); });
    ActiveGroup = AddAction("ActiveGroup", "グループ", "Ctrl+Alt+G", "使用するグループを設定",
                            [this] { ActiveGroupExecute(); });
    tbSep = ToolBar1->addSeparator();
    VarSel = AddAction("VarSel", "変数選択", "Ctrl+Alt+S", "変数選択", [this] { VarSelExecute(); });
    RPlotCS = AddAction("RPlotCS", "e-y", "Ctrl+Alt+C", "残差プロット(&C)", [this] { Plot(0); });
    RPlotTS = AddAction("RPlotTS", "e-t", "Ctrl+Alt+T", "残差時系列(&T)", [this] { Plot(1); });
    NPlot = AddAction("NPlot", "統計量", "Ctrl+Alt+N", "正規プロット(&N)", [this] { NPlotExecute(); });
    EEPlot = AddAction("EEPlot", "e-e", "Ctrl+Alt+E", "Ｅ・Ｅ-1プロット(&E)", [this] { Plot(11); });
    XEPlots = AddAction("XEPlots", "e-x", "Ctrl+Alt+X", "Ｘ－Ｅプロット(&S)", [this] { Plot(2); });
    YYPlot = AddAction("YYPlot", "y-y", "Ctrl+Alt+Y", "観測値・予測値プロット", [this] { Plot(3); });
    LRPlot = AddAction("LRPlot", "L-R", "Ctrl+Alt+L", "Ｌ－Ｒプロット(&L)", [this] { Plot(4); });
    AddToExpres = AddAction("AddToExpres", "式追加", "Ctrl+Alt+A", "式への追加(&A)", [this] { AddToExpresExecute(); });

    pmEELag = AttachResidualLagMenu(this, ToolBar1, EEPlot, Context().State(), [this](int lag) { Plot(10 + lag); });
    if (QWidget* b = ToolBar1->widgetForAction(EEPlot)) b->setObjectName("tbEELag");
    // Keyboard-only commands: in the window, not on the bar.
    auto hidden = [this](const char* name, const char* shortcut, std::function<void()> handler) {
        return AddWindowAction(this, nullptr, Context().State(), name, "", QKeySequence(shortcut), "",
                               std::move(handler));
    };
    ResetRidge = hidden("ResetRidge", "Ctrl+Z", [this] { ResetRidgeExecute(); });
    EELagx = AddResidualLagKey(this, ToolBar1, EEPlot, pmEELag, Context().State());
    HelpContext = hidden("HelpContext", "Ctrl+H", [this] { ShowHtmlHelp(Context().State().Context(), kHelpContext); });

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    BuildEstimatePage();
    sgRes = AddResultGridPage(PageControl1, "sgRes", 40, "残差");
    connect(sgRes, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
                if (!ridge_ || b != Qt::LeftButton) return;
                int c = -1, r = -1;
                sgRes->MouseToCell(x, y, c, r);
                const RidgeResidualTable t(ridge_);
                const ResultCell cell = t.Cell(c, r - 1);
                if (c < 1 || r < 1 || !std::isfinite(cell.value)) return;
                OSB->showMessage(Q(FormatElementValue(t.Title(c), r, cell.value)));
            }));
    BuildPredictionPage();
    connect(PageControl1, &QTabWidget::currentChanged, this, GuardedSlot([this](int index) {
                if (index == 0) tsEstimateShow();
                if (index == 1) tsResidualShow();
                if (index == 2) tsPredShow();
            }));

    OSB = NewStatusBar(this, "OSB");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ToolBar1);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(OSB);
}

TfrmRidge::~TfrmRidge() = default;

void TfrmRidge::BuildEstimatePage() {
    tsEstimate = new QWidget(PageControl1);
    tsEstimate->setObjectName("tsEstimate");
    stOpt = NewValueLabel(tsEstimate, "stOpt", 110);
    stOpt->installEventFilter(this);
    sgEst = NewResultGrid(tsEstimate, "sgEst", 120);
    connect(sgEst, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) { sgEstMouseDown(b, x, y); }));
    connect(sgEst, &TStringGrid::KeyDown, this,
            GuardedSlot([this](int key, Qt::KeyboardModifiers mods) { sgEstKeyDown(key, mods); }));
    stResSig = NewValueLabel(tsEstimate, "stResSig", 110);
    stRR2 = NewValueLabel(tsEstimate, "stRR2", 110);
    stDWR = NewValueLabel(tsEstimate, "stDWR", 110);
    stGK = NewValueLabel(tsEstimate, "stGK", 160);
    stCp = NewValueLabel(tsEstimate, "stCp", 110);
    auto* grid = new QGridLayout(tsEstimate);
    grid->addWidget(NewNamedLabel(tsEstimate, "lblOpt", "リッジ係数"), 0, 0);
    grid->addWidget(stOpt, 0, 1);
    grid->addWidget(sgEst, 1, 0, 1, 5);
    grid->addWidget(NewNamedLabel(tsEstimate, "lblResSig", "回帰標準誤差"), 2, 0);
    grid->addWidget(stResSig, 2, 1);
    grid->addWidget(NewNamedLabel(tsEstimate, "lblRR2", "決定係数"), 3, 0);
    grid->addWidget(stRR2, 3, 1);
    grid->addWidget(NewNamedLabel(tsEstimate, "lblCp", "一般化相互確認"), 4, 0);
    grid->addWidget(stCp, 4, 1);
    grid->addWidget(NewNamedLabel(tsEstimate, "lblDWR", "DW比"), 2, 2);
    grid->addWidget(stDWR, 2, 3);
    grid->addWidget(NewNamedLabel(tsEstimate, "lblGK", "ＧＫ統計量"), 3, 2);
    grid->addWidget(stGK, 3, 3);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(4, 1);
    PageControl1->addTab(tsEstimate, "推定値");
}

void TfrmRidge::BuildPredictionPage() {
    tsPred = new QWidget(PageControl1);
    tsPred->setObjectName("tsPred");
    sgVList = NewValueEntryGrid(tsPred, "sgVList", 120);
    sgVList->SetRowCount(2);
    sgVList->SetColWidth(1, 120);
    cellContext_.font = sgVList->font();
    UseGridCellPainter(*sgVList, [this]() -> const GridCellContext& { return cellContext_; });
    stPred = NewValueLabel(tsPred, "stPred", 140);
    btnCalc = new QPushButton("計算(&C)", tsPred);
    btnCalc->setObjectName("btnCalc");
    connect(btnCalc, &QPushButton::clicked, this, GuardedSlot([this] { btnCalcClick(); }));
    auto* grid = new QGridLayout(tsPred);
    grid->addWidget(sgVList, 0, 0, 4, 1);
    grid->addWidget(NewNamedLabel(tsPred, "lblPred", "予測値"), 0, 1);
    grid->addWidget(stPred, 1, 1);
    grid->addWidget(btnCalc, 2, 1);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(0, 1);
    PageControl1->addTab(tsPred, "予測");
}

QAction* TfrmRidge::AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                              std::function<void()> handler) {
    return AddWindowAction(this, ToolBar1, Context().State(), name, caption, QKeySequence(shortcut), hint,
                           std::move(handler));
}

bool TfrmRidge::Setup(const RidgeRequest& request) {
    if (request.table) return SetNamedData(request.table, request.dependentColumn);
    return SetRegression(request.model);
}

bool TfrmRidge::Bind(std::unique_ptr<Ridge> ridge) {
    // A refused fit is said as a failed one is, and the fit on show stays:
    // callers that take over a fit go on without one.
    try {
        if (!ridge->Calculate()) {
            ErrorBox(Context().Services(), kFitFailed);
            return false;
        }
    } catch (const EMathError& e) {
        ErrorBox(Context().Services(), e.what());
        return false;
    }
    ridge_ = std::shared_ptr<Ridge>(std::move(ridge));
    automaticK_ = ridge_->K();
    prediction_ = 0.0;
    sgVList->ClearCells();
    PageControl1->setCurrentWidget(tsEstimate);
    tsEstimateShow();
    tsResidualShow();
    tsPredShow();
    return true;
}

bool TfrmRidge::SetRegression(Reg* reg) {
    if (!reg) return false;
    const int dep = reg->GetDependent();
    if (dep < 0 || dep >= reg->GetVarCount()) return false;
    int vars = 0, obs = 0;
    if (!SelectDataBlock(*reg, 0, true, nullptr, nullptr, vars, obs)) throw Exception("DERR");
    if (!Bind(std::make_unique<Ridge>(*reg, 0, RidgeModelUseFlags(*reg), reg->GetVarName(dep)))) return false;
    model_ = reg;
    table_ = nullptr;
    ownTable_.reset();
    groupMask_ = 0;
    ShowGroupChoice(true);
    return true;
}

bool TfrmRidge::SetNamedData(const TNamedData* table, int dependentColumn) {
    if (!table) return false;
    if (!Bind(std::make_unique<Ridge>(*table, dependentColumn))) return false;
    table_ = table;
    ownTable_.reset();
    dependentColumn_ = dependentColumn;
    model_ = nullptr;
    groupMask_ = 0;
    ShowGroupChoice(false);
    return true;
}

void TfrmRidge::ShowGroupChoice(bool on) {
    ActiveGroup->setEnabled(on);
    ActiveGroup->setVisible(on);
    tbSep->setVisible(on);
}

void TfrmRidge::tsEstimateShow() {
    if (!ridge_) return;
    sgEst->Show(RidgeEstimateTable(*ridge_));
    const RidgeFigures f = RidgeStatistics(*ridge_);
    stOpt->setText(Q(f.k));
    stResSig->setText(Q(f.sigma.Shown()));
    stRR2->setText(Q(f.r2.Shown()));
    stDWR->setText(Q(f.dw.Shown()));
    stGK->setText(Q(f.gk));
    stCp->setText(Q(f.gcv.Shown()));
}

void TfrmRidge::tsResidualShow() {
    if (ridge_) sgRes->Show(RidgeResidualTable(ridge_));
}

void TfrmRidge::tsPredShow() {
    if (!ridge_) return;
    const int p = ridge_->P();
    // The names are rewritten; the typed values stay.
    sgVList->SetRowCount(std::max(p + 1, 2));
    sgVList->SetCell(0, 0, Q(LoadStr(kStrExplanatoryName)));
    sgVList->SetCell(1, 0, Q(LoadStr(kStrValue)));
    for (int j = 0; j < p; ++j) sgVList->SetCell(0, j + 1, Q(ridge_->GetName(j)));
    stPred->setText(Q(FormatNumber(false, prediction_)));
}

void TfrmRidge::stOptClick() {
    if (!ridge_) return;
    const InputAnswer answer = Context().Services().AskInput("リッジ係数の入力", {}, "");
    if (answer.result != mrOK || answer.text.empty()) return;
    const std::optional<double> k = EvaluateFieldFormula(Context().State(), answer.text);
    if (!k || !(*k >= 0.0 && *k <= 1.0)) return;
    if (!ridge_->Estimate(*k)) return;
    tsEstimateShow();
    tsResidualShow();
}

void TfrmRidge::ResetRidgeExecute() {
    if (!ridge_ || !ridge_->Estimate(automaticK_)) return;
    tsEstimateShow();
    tsResidualShow();
}

void TfrmRidge::VarSelExecute() {
    if (!ridge_) return;
    const std::string depName = ridge_->GetName(ridge_->P());
    std::vector<std::string> names;
    if (model_) {
        int vars = 0, obs = 0;
        if (!SelectDataBlock(*model_, groupMask_, true, nullptr, &names, vars, obs)) throw Exception("DERR");
    } else {
        for (int j = 0; j < table_->Cols(); ++j) names.push_back(table_->GetColumnName(j));
    }
    const Reg* data = Context().State().Model();
    std::vector<std::string> offered;
    std::vector<int> kinds;
    for (int j = 0; j < static_cast<int>(names.size()); ++j) {
        if (model_ ? names[static_cast<std::size_t>(j)] == depName : j == dependentColumn_) continue;
        offered.push_back(names[static_cast<std::size_t>(j)]);
        const int var = data ? data->FindVar(names[static_cast<std::size_t>(j)]) : -1;
        kinds.push_back(var >= 0 ? data->GetVarType(var) : 0);
    }
    TfrmSelector selector(this, true);
    selector.SetItems(offered, kinds, false);
    const int result = selectorRunner_ ? selectorRunner_(selector) : selector.exec();
    if (result != QDialog::Accepted) return;
    const std::vector<std::uint8_t>& ticked = selector.GetChecked();
    std::vector<std::uint8_t> flags;
    std::size_t o = 0;
    for (int j = 0; j < static_cast<int>(names.size()); ++j) {
        const bool dependent = model_ ? names[static_cast<std::size_t>(j)] == depName : j == dependentColumn_;
        flags.push_back(dependent || (o < ticked.size() && ticked[o]) ? 1 : 0);
        if (!dependent) ++o;
    }
    if (model_) {
        // The candidates are the model's variables, the builder's block may
        // hold more: the flags go over by name.
        std::vector<std::string> used;
        for (std::size_t j = 0; j < names.size(); ++j)
            if (flags[j]) used.push_back(names[j]);
        Bind(std::make_unique<Ridge>(*model_, groupMask_, RidgeUseFlags(*model_, groupMask_, used), depName));
        return;
    }
    // The caller's table stays as it was given; the choice works on a copy.
    if (!ownTable_) {
        auto copy = std::make_unique<TNamedData>(Context().State().Context(), table_->Rows(), table_->Cols());
        std::vector<double> row(static_cast<std::size_t>(table_->Cols()));
        for (int i = 0; i < table_->Rows(); ++i) {
            table_->ReadRow(i, row.data());
            copy->WriteRow(i, row.data());
        }
        for (int j = 0; j < table_->Cols(); ++j) copy->SetColumnName(j, table_->GetColumnName(j));
        ownTable_ = std::move(copy);
    }
    for (int j = 0; j < ownTable_->Cols(); ++j) ownTable_->SetSelected(j, flags[static_cast<std::size_t>(j)]);
    Bind(std::make_unique<Ridge>(*ownTable_, dependentColumn_));
}

void TfrmRidge::ActiveGroupExecute() {
    if (!ridge_ || !model_) return;
    std::uint16_t mask = groupMask_;
    if (!ChooseGroupMask(*model_, mask, this, true, selectorRunner_)) return;
    if (mask == 0) {
        SetRegression(model_);
    } else {
        std::vector<std::string> names;
        int vars = 0, obs = 0;
        if (!SelectDataBlock(*model_, mask, true, nullptr, &names, vars, obs)) throw Exception("DERR");
        const InputAnswer answer = Context().Services().AskInput("目的" + LoadStr(kStrChooseVariable), names, "");
        if (answer.result != mrOK || std::find(names.begin(), names.end(), answer.text) == names.end()) return;
        if (!Bind(std::make_unique<Ridge>(*model_, mask, RidgeUseFlags(*model_, mask, names), answer.text)))
            return;
        groupMask_ = mask;
    }
    PageControl1->setCurrentWidget(tsEstimate);
    tsEstimateShow();
}

void TfrmRidge::AddToExpresExecute() {
    AppState& state = Context().State();
    Reg* data = state.Model();
    if (!ridge_ || !data) return;
    const int dep = data->FindVar(ridge_->GetName(ridge_->P()));
    // Only an endogenous variable has an equation of its own.
    if (dep < 0 || data->GetVarType(dep) != kEndogenous) return;
    AddExpressionWithUndo(DataEdit{*data, state.Undo(), [&state](const std::string& n) {
                                       return state.IsReservedName(n);
                                   }},
                          RidgeEquation(*ridge_));
}

void TfrmRidge::btnCalcClick() {
    if (!ridge_ || ridge_->P() < 2) return;
    if (sgVList->IsEditing()) sgVList->HideEditor(true);
    const int p = ridge_->P();
    std::vector<double> x(static_cast<std::size_t>(p), 0.0);
    for (int r = 1; r < sgVList->RowCount(); ++r) {
        const int j = ridge_->IndexOfName(sgVList->Cell(0, r).toStdString());
        if (j < 0 || j >= p) continue;
        const std::optional<double> v = EvaluateFieldFormula(Context().State(), sgVList->Cell(1, r).toStdString());
        // The error has been shown; no prediction stands for values that
        // were not read.
        if (!v) {
            stPred->clear();
            return;
        }
        x[static_cast<std::size_t>(j)] = *v;
    }
    prediction_ = ridge_->Predict(x.data());
    tsPredShow();
}

void TfrmRidge::CoefficientStatus(int row) {
    if (!ridge_ || row < 1) return;
    const int j = ridge_->IndexOfName(sgEst->Cell(0, row).toStdString());
    if (j < 0 || j >= ridge_->P()) return;
    OSB->showMessage(Q(ridge_->GetName(j) + " : " +
                       FormatConfidenceInterval(ridge_->Df(), kIntervalAlpha, ridge_->GetStdErr(j),
                                                ridge_->GetCoef(j))));
}

void TfrmRidge::sgEstMouseDown(Qt::MouseButton button, int x, int y) {
    if (!ridge_) return;
    int c = -1, r = -1;
    sgEst->MouseToCell(x, y, c, r);
    if (r < 1) return;
    if (button == Qt::RightButton) {
        CoefficientStatus(r);
        return;
    }
    const int j = ridge_->IndexOfName(sgEst->Cell(0, r).toStdString());
    if (button != Qt::LeftButton || j < 0 || j >= ridge_->P() || c < 1 || c > 3) return;
    const double v = c == 1 ? ridge_->GetCoef(j) : c == 2 ? ridge_->GetStdErr(j) : ridge_->GetVIF(j);
    OSB->showMessage(Q(FormatIndexedLabel(sgEst->Cell(c, 0).toStdString(), ridge_->GetName(j), true) + " = " +
                       FormatExponent(7, v)));
}

void TfrmRidge::sgEstKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (IsEnterKey(key) && (modifiers & Qt::ShiftModifier)) CoefficientStatus(sgEst->Row());
}

void TfrmRidge::Plot(int kind) {
    if (!ridge_) return;
    const int n = ridge_->N();
    const std::string student = LoadStr(kStrStandardizedResidual);
    if (kind == 0 || kind == 1 || kind == 2) {
        std::vector<double> x;
        std::string xName;
        if (kind == 0) {
            x = RidgeResultRow(*ridge_, kFittedRow);
            xName = LoadStr(kStrPredicted);
        } else if (kind == 1) {
            for (int i = 0; i < n; ++i) x.push_back(i + 1.0);
            xName = LoadStr(kStrTime);
        } else {
            int j = 0;
            if (ridge_->P() > 1) {
                std::vector<std::string> names;
                for (int r = 0; r < ridge_->P(); ++r) names.push_back(ridge_->GetName(r));
                const InputAnswer answer =
                    Context().Services().AskInput(LoadStr(kStrChooseExplanatory), names, "");
                if (answer.result != mrOK) return;
                j = ridge_->IndexOfName(answer.text);
                if (j < 0 || j >= ridge_->P()) return;
            }
            x = RidgeRegressorValues(*ridge_, j);
            xName = ridge_->GetName(j);
        }
        const std::vector<double> z = RidgeResultRow(*ridge_, kStudentRow);
        ShowXYGraph(Context(), xName, x.data(), student, n, z.data());
    } else if (kind > 10 && kind <= 14) {
        const int lag = kind - 10;
        if (n - lag < 4) return;
        const std::vector<double> e = RidgeResultRow(*ridge_, kResidualRow);
        ShowXYGraph(Context(), LoadStr(kStrEi), e.data() + lag, LagResidualLabel(lag), n - lag, e.data());
    } else if (kind == 3) {
        const std::vector<double> fitted = RidgeResultRow(*ridge_, kFittedRow);
        const std::vector<double> y = RidgeResultRow(*ridge_, kObservedRow);
        ShowXYGraph(Context(), LoadStr(kStrPredicted), fitted.data(), LoadStr(kStrObserved), n, y.data());
    } else if (kind == 4) {
        const std::vector<double> share = RidgeResultRow(*ridge_, kShareRow);
        const std::vector<double> h = RidgeResultRow(*ridge_, kLeverageRow);
        ShowXYGraph(Context(), LoadStr(kStrSquaredResidual), share.data(), LoadStr(kStrLeverage), n, h.data());
    }
}

void TfrmRidge::NPlotExecute() {
    if (!ridge_) return;
    const std::vector<double> z = RidgeResultRow(*ridge_, kStudentRow);
    const std::vector<double> h = RidgeResultRow(*ridge_, kLeverageRow);
    ShowColumnFundamentalStats(Context(), LoadStr(kStrStandardizedResidual), z.data(), h.data(),
                               static_cast<int>(z.size()), 0);
}

void TfrmRidge::HandOver() {
    if (handedOver_) return;
    handedOver_ = true;
    const RidgeRequest* request = OpenedWith().As<RidgeRequest>();
    if (ridge_ && request && request->closed) request->closed(*ridge_);
}

void TfrmRidge::done(int result) {
    Guard([this] { HandOver(); });
    AnalysisWindowFor::done(result);
}

bool TfrmRidge::event(QEvent* event) {
    return ShowStatusTip(event, OSB) || AnalysisWindowFor::event(event);
}

bool TfrmRidge::eventFilter(QObject* watched, QEvent* event) {
    if (watched == stOpt && event->type() == QEvent::MouseButtonPress) {
        Guard([this] { stOptClick(); });
        return true;
    }
    return AnalysisWindowFor::eventFilter(watched, event);
}

void RegisterRidgeWindow() {
    AnalysisWindows().Register("TfrmRidge", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmRidge>(context);
    });
}

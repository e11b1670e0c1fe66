#include "estimators/ui/restricted_window.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

#include "components/view/explanatory_choice.h"
#include "components/view/field_formula.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/key_helpers.h"
#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "components/view/residual_lag_menu.h"
#include "components/view/window_actions.h"
#include "components/view/window_status_bar.h"
#include "core/data/equation.h"
#include "core/model/data_edit_commands.h"
#include "core/model/estimate_texts.h"
#include "core/model/regression_data_blocks.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "estimators/prediction_request.h"
#include "estimators/restricted_tables.h"
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"

namespace {

constexpr int kEndogenous = 1;
constexpr int kHelpContext = 1011;
constexpr int kFirstRestrictionColumn = 3;
const char* const kPredictionWindow = "TfrmPredict";
const char* const kTooManyRestrictions = "制約式の数が係数の数を超えます。";
const char* const kEstimateFailed = "制約付き推定に失敗しました。制約式を確認してください。";

// Chosen once per run: the R^2 field shows the adjusted value.
bool adjustedR2 = false;

}  // namespace

bool TfrmRREG::AdjustedR2Shown() { return adjustedR2; }

TfrmRREG::TfrmRREG(const WindowContext& context) : AnalysisWindowFor(context) {
    setObjectName("frmRREG");
    setWindowTitle("線形制約");
    resize(720, 520);

    TB = new QToolBar(this);
    TB->setObjectName("TB");
    Exitence = AddAction("Exitence", "閉じる", "Ctrl+X", "閉じる", [this] { close(); });
    Grouping = AddAction("Grouping", "グループ", "Ctrl+Alt+G", "使用するグループを設定する",
                         [this] { GroupingExecute(); });
    VarSel = AddAction("VarSel", "変数選択", "Ctrl+Alt+S", "説明変数を選択する", [this] { VarSelExecute(); });
    EYPlot = AddAction("EYPlot", "e-y", "Ctrl+Alt+C", "Ｅ-Ｙプロット", [this] { Plot(0); });
    ETPlot = AddAction("ETPlot", "e-t", "Ctrl+Alt+T", "Ｅ-Ｔプロット", [this] { Plot(1); });
    Fund = AddAction("Fund", "統計量", "Ctrl+Alt+N", "残差基本統計量", [this] { FundExecute(); });
    EEPlot = AddAction("EEPlot", "e-e", "Ctrl+Alt+E", "Ｅ-Ｅプロット", [this] { Plot(201); });
    EXPlot = AddAction("EXPlot", "e-x", "Ctrl+Alt+X", "Ｅ-Ｘプロット", [this] { EXPlotExecute(); });
    LRPlot = AddAction("LRPlot", "L-R", "Ctrl+Alt+L", "Ｌ-Ｒプロット", [this] { Plot(200); });
    YYPlot = AddAction("YYPlot", "y-y", "Ctrl+Alt+Y", "観測値・予測値プロット", [this] { Plot(205); });
    AddExpres = AddAction("AddExpres", "式追加", "Ctrl+Alt+A", "式リストに追加する", [this] { AddExpresExecute(); });

    pmEELag = AttachResidualLagMenu(this, TB, EEPlot, Context().State(), [this](int lag) { Plot(200 + lag); });
    EELagx = AddResidualLagKey(this, TB, EEPlot, pmEELag, Context().State(), 24);
    HelpContext = new QAction(this);
    HelpContext->setObjectName("HelpContext");
    HelpContext->setShortcut(QKeySequence("Ctrl+H"));
    connect(HelpContext, &QAction::triggered, this,
            GuardedSlot([this] { ShowHtmlHelp(Context().State().Context(), kHelpContext); }));
    addAction(HelpContext);

    sgTable = new TStringGrid(this);
    sgTable->setObjectName("sgTable");
    sgTable->SetFixedCols(kFirstRestrictionColumn);
    sgTable->SetFixedRows(1);
    sgTable->SetColWidth(0, 120);
    sgTable->SetDefaultColWidth(96);
    sgTable->SetEditable(true);
    cellContext_.font = sgTable->font();
    UseGridCellPainter(*sgTable, [this]() -> const GridCellContext& { return cellContext_; });
    connect(sgTable, &TStringGrid::KeyDown, this,
            GuardedSlot([this](int key, Qt::KeyboardModifiers) { sgTableKeyDown(key); }));
    connect(sgTable, &TStringGrid::SetEditText, this,
            GuardedSlot([this](int c, int r, const QString&) { CommitCell(c, r); }));
    connect(sgTable, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) { sgTableMouseDown(b, x, y); }));

    auto* lower = new QWidget(this);
    BuildFigures(lower);

    SB = NewStatusBar(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TB);
    layout->addWidget(sgTable, 1);
    layout->addWidget(lower);
    layout->addWidget(SB);

    registryListener_ = AnalysisWindows().AddListener([this] { UpdatePredictButton(); });
    UpdatePredictButton();
}

TfrmRREG::~TfrmRREG() {
    if (registryListener_ >= 0) AnalysisWindows().RemoveListener(registryListener_);
}

void TfrmRREG::BuildFigures(QWidget* parent) {
    auto* grid = new QGridLayout(parent);
    stF0 = NewValueLabel(parent, "stF0", 110);
    stF_Percent = NewValueLabel(parent, "stF_Percent", 70);
    stR_Ve = NewValueLabel(parent, "stR_Ve", 110);
    lblR_R2 = NewNamedLabel(parent, "lblR_R2", Q(LoadStr(kStrRSquared)));
    stR_R2 = NewValueLabel(parent, "stR_R2", 110);
    stDWR = NewValueLabel(parent, "stDWR", 110);
    stGK = NewValueLabel(parent, "stGK", 160);
    stR_Ve->installEventFilter(this);
    stR_R2->installEventFilter(this);
    grid->addWidget(NewNamedLabel(parent, "lblF", "Ｆ値"), 0, 0);
    grid->addWidget(stF0, 0, 1);
    grid->addWidget(stF_Percent, 0, 2);
    grid->addWidget(NewNamedLabel(parent, "lblR_Ve", "回帰標準誤差"), 1, 0);
    grid->addWidget(stR_Ve, 1, 1);
    grid->addWidget(lblR_R2, 2, 0);
    grid->addWidget(stR_R2, 2, 1);
    grid->addWidget(NewNamedLabel(parent, "lblDWR", "DW比"), 0, 3);
    grid->addWidget(stDWR, 0, 4);
    grid->addWidget(NewNamedLabel(parent, "lblGK", "ＧＫ統計量"), 1, 3);
    grid->addWidget(stGK, 1, 4);

    auto* buttons = new QHBoxLayout;
    auto button = [&](QPushButton*& b, const char* name, const char* text, std::function<void()> handler) {
        b = new QPushButton(QString::fromUtf8(text), parent);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, GuardedSlot(std::move(handler)));
        buttons->addWidget(b);
    };
    button(btnSetup, "btnSetup", "初期化(&S)", [this] { btnSetupClick(); });
    button(btnRestrict, "btnRestrict", "計算(&C)", [this] { btnRestrictClick(); });
    button(btnRAdd, "btnRAdd", "追加(&A)", [this] { btnRAddClick(); });
    button(btnRDel, "btnRDel", "削除(&D)", [this] { btnRDelClick(); });
    button(btnPred, "btnPred", "予測値(&P)", [this] { btnPredClick(); });
    grid->addLayout(buttons, 3, 0, 1, 5);
    grid->setColumnStretch(5, 1);
}

QAction* TfrmRREG::AddAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                             std::function<void()> handler) {
    return AddWindowAction(this, TB, Context().State(), name, caption, QKeySequence(shortcut), hint,
                           std::move(handler));
}

void TfrmRREG::UpdatePredictButton() { btnPred->setEnabled(AnalysisWindows().Has(kPredictionWindow)); }

bool TfrmRREG::Setup(const RestrictedRequest& request) { return SetReg(request.model, request.variableFlags); }

bool TfrmRREG::SetReg(Reg* reg, const std::vector<std::uint8_t>& varFlags) {
    if (!reg) return false;
    const int dep = reg->GetDependent();
    if (dep < 0 || dep >= reg->GetVarCount()) return false;
    model_ = reg;
    groupMask_ = 0;
    depName_ = reg->GetVarName(dep);
    estimator_.reset();
    estimator_ = std::make_unique<Restricted>(*reg, groupMask_, varFlags, depName_);
    // The initial restriction repeats the unrestricted estimate: it fits.
    estimator_->Estimate();
    FormShow();
    return true;
}

void TfrmRREG::FormShow() {
    if (!estimator_) return;
    const ResultTable t = RestrictedTable(*estimator_);
    sgTable->ClearCells();
    sgTable->SetColCount(t.ColumnCount());
    sgTable->SetRowCount(t.RowCount() + 1);
    for (int c = 0; c < t.ColumnCount(); ++c) {
        sgTable->SetCell(c, 0, Q(t.Title(c)));
        for (int r = 0; r < t.RowCount(); ++r) sgTable->SetCell(c, r + 1, Q(t.Cell(c, r).Shown()));
    }
    const RestrictedFigures f = RestrictedStatistics(*estimator_, adjustedR2);
    stF0->setText(Q(f.f.Shown()));
    stF_Percent->setText(Q(f.fLevel.Shown()));
    stR_Ve->setText(Q(f.sigma.Shown()));
    lblR_R2->setText(Q(f.r2Title));
    stR_R2->setText(Q(f.r2.Shown()));
    stDWR->setText(Q(f.dw.Shown()));
    stGK->setText(Q(f.gk));
}

void TfrmRREG::sgTableKeyDown(int key) {
    if (!IsEnterKey(key)) return;
    CommitCell(sgTable->Col(), sgTable->Row());
}

void TfrmRREG::CommitCell(int c, int r) {
    if (!estimator_) return;
    const int j = c - kFirstRestrictionColumn;
    const int i = r - 2;
    // Only the restriction columns, in the value row or a coefficient row.
    if (j < 0 || j >= estimator_->M() || r < 1 || i >= estimator_->K()) return;
    const std::optional<double> v = EvaluateFieldFormula(Context().State(), sgTable->Cell(c, r).toStdString());
    if (v) {
        if (r == 1) {
            estimator_->SetRestrictionValue(j, *v);
        } else {
            estimator_->SetRestrictionCoefficient(j, i, *v);
        }
        return;
    }
    // The restriction keeps its value; the cell shows it again.
    const double kept = r == 1 ? estimator_->GetRestrictionValue(j) : estimator_->GetRestrictionCoefficient(j, i);
    sgTable->SetCell(c, r, Q(FormatNumber(false, kept)));
}

bool TfrmRREG::Recompute() {
    if (!estimator_) return false;
    if (!estimator_->Estimate()) {
        ErrorBox(Context().Services(), kEstimateFailed);
        return false;
    }
    FormShow();
    return true;
}

void TfrmRREG::btnRestrictClick() { Recompute(); }

void TfrmRREG::btnRAddClick() {
    if (!estimator_) return;
    if (estimator_->M() >= estimator_->K()) {
        ErrorBox(Context().Services(), kTooManyRestrictions);
        return;
    }
    estimator_->AddRestriction();
    // The new restriction is all zeros; the estimates wait for "計算".
    const int c = kFirstRestrictionColumn + estimator_->M() - 1;
    sgTable->SetColCount(c + 1);
    sgTable->SetCell(c, 0, Q("制約" + std::to_string(estimator_->M())));
    for (int r = 1; r < sgTable->RowCount(); ++r) sgTable->SetCell(c, r, Q(FormatNumber(false, 0.0)));
}

void TfrmRREG::btnRDelClick() {
    if (!estimator_ || estimator_->M() < 2) return;
    std::vector<std::string> numbers;
    for (int j = 1; j <= estimator_->M(); ++j) numbers.push_back(std::to_string(j));
    const InputAnswer answer = Context().Services().AskInput("削除する制約式の番号", numbers, "");
    if (answer.result != mrOK) return;
    const std::optional<double> v = EvaluateFieldFormula(Context().State(), answer.text);
    if (!v || !(*v >= 1.0 && *v < estimator_->M() + 1.0)) return;
    estimator_->DeleteRestriction(static_cast<int>(*v) - 1);
    Recompute();
}

std::vector<std::uint8_t> TfrmRREG::AllFlags() const {
    return std::vector<std::uint8_t>(static_cast<std::size_t>(model_ ? model_->GetVarCount() : 0), 1);
}

void TfrmRREG::Rebuild(std::uint16_t mask, const std::vector<std::uint8_t>& flags, const std::string& depName) {
    auto next = std::make_unique<Restricted>(*model_, mask, flags, depName);
    estimator_ = std::move(next);
    groupMask_ = mask;
    depName_ = depName;
    Recompute();
}

void TfrmRREG::btnSetupClick() {
    if (!model_) return;
    Rebuild(groupMask_, AllFlags(), depName_);
}

void TfrmRREG::GroupingExecute() {
    if (!model_) return;
    std::uint16_t mask = groupMask_;
    if (!ChooseGroupMask(*model_, mask, this, true, selectorRunner_)) return;
    if (mask == 0) {
        // All data: bound again as at opening, on the model's dependent.
        const int dep = model_->GetDependent();
        if (dep >= 0 && dep < model_->GetVarCount()) Rebuild(0, AllFlags(), model_->GetVarName(dep));
        return;
    }
    std::vector<std::string> names;
    int vars = 0, obs = 0;
    if (!SelectDataBlock(*model_, mask, true, nullptr, &names, vars, obs)) throw Exception("DERR");
    const InputAnswer answer = Context().Services().AskInput("目的" + LoadStr(kStrChooseVariable), names, "");
    if (answer.result != mrOK || std::find(names.begin(), names.end(), answer.text) == names.end()) return;
    Rebuild(mask, std::vector<std::uint8_t>(names.size(), 1), answer.text);
}

void TfrmRREG::VarSelExecute() {
    if (!model_) return;
    std::vector<std::string> names;
    int vars = 0, obs = 0;
    if (!SelectDataBlock(*model_, groupMask_, false, nullptr, &names, vars, obs)) throw Exception("DERR");
    std::vector<std::string> offered;
    std::vector<int> kinds;
    for (const std::string& name : names) {
        if (name == depName_) continue;
        offered.push_back(name);
        kinds.push_back(model_->GetVarType(model_->FindVar(name)));
    }
    TfrmSelector selector(this, true);
    selector.SetItems(offered, kinds, false);
    const int result = selectorRunner_ ? selectorRunner_(selector) : selector.exec();
    if (result != QDialog::Accepted) return;
    const std::vector<std::uint8_t>& ticked = selector.GetChecked();
    std::vector<std::uint8_t> flags;
    std::size_t o = 0;
    for (const std::string& name : names) {
        if (name == depName_) {
            flags.push_back(1);
        } else {
            flags.push_back(o < ticked.size() && ticked[o] ? 1 : 0);
            ++o;
        }
    }
    Rebuild(groupMask_, flags, depName_);
}

void TfrmRREG::stR_R2Click() {
    adjustedR2 = !adjustedR2;
    FormShow();
}

void TfrmRREG::stR_VeClick() {
    if (!estimator_) return;
    SB->showMessage(Q(LoadStr(kStrRegressionStdError) + " : " +
                      FormatSigmaConfidenceInterval(estimator_->GetDegreesOfFreedom(),
                                                    Context().State().CoefficientAlpha(), estimator_->S2())));
}

void TfrmRREG::sgTableMouseDown(Qt::MouseButton button, int x, int y) {
    if (!estimator_ || button != Qt::RightButton) return;
    int c = -1, r = -1;
    sgTable->MouseToCell(x, y, c, r);
    if (r < 2) return;
    const int i = estimator_->IndexOfName(sgTable->Cell(0, r).toStdString());
    if (i < 0) return;
    SB->showMessage(Q(estimator_->GetName(i) + " : " +
                      FormatConfidenceInterval(estimator_->GetDegreesOfFreedom(), Context().State().CoefficientAlpha(),
                                               RestrictedStdError(*estimator_, i), estimator_->GetCoefficient(i))));
}

void TfrmRREG::Plot(int mode) {
    if (!estimator_) return;
    const RestrictedDisplay d = RestrictedDisplaySeries(*estimator_, mode);
    if (d.x.empty()) return;
    ShowXYGraph(Context(), d.xName, d.x.data(), d.yName, static_cast<int>(d.x.size()), d.y.data());
}

void TfrmRREG::EXPlotExecute() {
    if (!estimator_) return;
    std::vector<std::string> names;
    for (int j = 0; j + 1 < estimator_->K(); ++j) names.push_back(estimator_->GetName(j));
    const int j = ChooseExplanatory(Context().Services(), names);
    if (j >= 0) Plot(100 + j);
}

void TfrmRREG::FundExecute() {
    if (!estimator_) return;
    const std::vector<double> z = RestrictedStandardizedResiduals(*estimator_);
    std::vector<double> h(z.size());
    for (std::size_t i = 0; i < h.size(); ++i) h[i] = estimator_->GetLeverage(static_cast<int>(i));
    ShowColumnFundamentalStats(Context(), LoadStr(kStrStandardizedResidual), z.data(), h.data(),
                               static_cast<int>(z.size()), 0);
}

void TfrmRREG::btnPredClick() {
    if (!estimator_ || !AnalysisWindows().Has(kPredictionWindow)) return;
    OpenWindow(kPredictionWindow, Context().WithOwner(this), PredictionRequest{estimator_->ForPrediction()});
}

void TfrmRREG::AddExpresExecute() {
    AppState& state = Context().State();
    if (!estimator_ || !model_ || state.Model() != model_) return;
    const int dep = model_->FindVar(depName_);
    // Only an endogenous variable has an equation of its own.
    if (dep < 0 || model_->GetVarType(dep) != kEndogenous) return;
    if (!RestrictedEquationIdentified(*estimator_, *model_)) {
        Context().Services().ShowMessageBox(MsgKind::Warning, LoadStr(kStrUnderidentified), mbYes);
        return;
    }
    std::vector<double> coefs;
    std::vector<std::string> names;
    for (int i = 0; i < estimator_->K(); ++i) {
        coefs.push_back(estimator_->GetCoefficient(i));
        names.push_back(estimator_->GetName(i));
    }
    const Expres e(depName_, estimator_->K(), false, coefs, names);
    AddExpressionWithUndo(DataEdit{*model_, state.Undo(), [&state](const std::string& n) {
                                       return state.IsReservedName(n);
                                   }},
                          e);
}

bool TfrmRREG::event(QEvent* event) {
    return ShowStatusTip(event, SB) || AnalysisWindowFor::event(event);
}

bool TfrmRREG::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && (watched == stR_R2 || watched == stR_Ve)) {
        Guard([this, watched] {
            if (watched == stR_R2) {
                stR_R2Click();
            } else {
                stR_VeClick();
            }
        });
        return true;
    }
    return AnalysisWindowFor::eventFilter(watched, event);
}

void RegisterRestrictedWindow() {
    AnalysisWindows().Register("TfrmRREG", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmRREG>(context);
    });
}

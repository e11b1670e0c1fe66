#include "simeq/ui/iv_set_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

#include "components/view/field_formula.h"
#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/grid_cell_painter.h"
#include "components/view/guarded_slot.h"
#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "components/view/window_registry.h"
#include "core/io/file_matrix.h"
#include "core/model/instrumental_fit.h"
#include "core/model/regression_model.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "estimators/instrument_values.h"
#include "estimators/ridge.h"
#include "estimators/ridge_request.h"
#include "estimators/weighted_fit.h"
#include "estimators/wls_request.h"
#include "platform/command_guard.h"
#include "platform/qt/string_grid.h"
#include "platform/ui_services.h"

namespace {

constexpr int kHelpContext = 1010;
const char* const kRidgeWindow = "TfrmRidge";
const char* const kWeightedWindow = "TfrmWLS";
constexpr int kAutomaticRobustWeights = 5;
const char* const kUnitCorrelation = "1.0000";
constexpr int kRidgeFittedRow = 1;
constexpr int kRidgeLeverageRow = 4;
constexpr int kRidgeStandardizedRow = 5;

// What the ridge window hands back, in the first stage's terms.
HandedBackFit FitOfRidge(const Ridge& ridge) {
    HandedBackFit fit;
    const int n = ridge.N();
    fit.fitted.resize(static_cast<std::size_t>(n));
    fit.standardizedResiduals.resize(static_cast<std::size_t>(n));
    ridge.ReadResultRow(kRidgeFittedRow, fit.fitted.data());
    ridge.ReadResultRow(kRidgeStandardizedRow, fit.standardizedResiduals.data());
    fit.leverage.resize(static_cast<std::size_t>(n));
    ridge.ReadResultRow(kRidgeLeverageRow, fit.leverage.data());
    for (int j = 0; j < ridge.P(); ++j) {
        fit.names.push_back(ridge.GetName(j));
        fit.coef.push_back(ridge.GetCoef(j));
        fit.stdErr.push_back(ridge.GetStdErr(j));
        fit.vif.push_back(ridge.GetVIF(j));
    }
    fit.constCoef = ridge.GetCoef(ridge.ConstIndex());
    fit.constStdErr = ridge.GetStdErr(ridge.ConstIndex());
    fit.s2 = ridge.S2();
    // R'^2 from R^2 over the fit's degrees of freedom.
    fit.adjR2 = ridge.Df() > 0 ? 1.0 - (1.0 - ridge.R2()) * (n - 1.0) / ridge.Df() : 0.0;
    return fit;
}

// What the weighted window hands back: the coefficients follow the table's
// regressor columns (every column but the dependent one), the constant term
// last.
HandedBackFit FitOfWeighted(const WLSE& wlse, const HandedBackRequest& request) {
    HandedBackFit fit;
    const int n = wlse.ObsCount();
    fit.fitted.resize(static_cast<std::size_t>(n));
    fit.standardizedResiduals.resize(static_cast<std::size_t>(n));
    wlse.ReadResidualRow(WLSE::kRowFitted, fit.fitted.data());
    wlse.ReadResidualRow(WLSE::kRowStandardized, fit.standardizedResiduals.data());
    fit.leverage.resize(static_cast<std::size_t>(n));
    wlse.ReadResidualRow(WLSE::kRowLeverage, fit.leverage.data());
    int i = 0;
    for (int c = 0; c < request.table.Cols(); ++c) {
        if (c == request.dependentColumn || i + 1 >= wlse.CoefCount()) continue;
        fit.names.push_back(request.table.GetColumnName(c));
        fit.coef.push_back(wlse.GetCoef(i));
        fit.stdErr.push_back(wlse.GetStdErr(i));
        ++i;
    }
    if (wlse.CoefCount() > 0) {
        fit.constCoef = wlse.GetCoef(wlse.CoefCount() - 1);
        fit.constStdErr = wlse.GetStdErr(wlse.CoefCount() - 1);
    }
    fit.s2 = wlse.S2();
    fit.adjR2 = wlse.AdjR2();
    return fit;
}

}  // namespace

TfrmIVSet::TfrmIVSet(const WindowContext& context) : QDialog(context.Owner()), context_(context) {
    setObjectName("frmIVSet");
    setWindowTitle("操作変数の設定");
    resize(760, 480);

    cbIVSel = new QComboBox(this);
    cbIVSel->setObjectName("cbIVSel");
    connect(cbIVSel, &QComboBox::currentIndexChanged, this, [this](int) { Guard([this] { cbIVSelChange(); }); });

    rgIVSet = new QGroupBox("設定法", this);
    rgIVSet->setObjectName("rgIVSet");
    methods = new QButtonGroup(this);
    auto* methodLayout = new QVBoxLayout(rgIVSet);
    const char* captions[] = {"昇順(&T)", "外生変数への回帰(&G)", "その他変数への回帰(&K)", "直接入力(&D)"};
    for (int m = 0; m < 4; ++m) {
        auto* b = new QRadioButton(captions[m], rgIVSet);
        methods->addButton(b, m);
        methodLayout->addWidget(b);
    }
    methods->button(kRanks)->setChecked(true);
    connect(methods, &QButtonGroup::idClicked, this, [this](int id) { Guard([this, id] { rgIVSetClick(id); }); });

    stLamda = NewValueLabel(this, "stLamda", 90);
    stLamda->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    stLamda->setCursor(Qt::PointingHandCursor);
    stLamda->installEventFilter(this);
    stR = NewValueLabel(this, "stR", 90);
    stR->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto button = [this](const char* name, const char* caption, void (TfrmIVSet::*handler)()) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, [this, handler] { Guard([this, handler] { (this->*handler)(); }); });
        return b;
    };
    btnSet = button("btnSet", "設定(&S)", &TfrmIVSet::btnSetClick);
    btnReset = button("btnReset", "解除(&R)", &TfrmIVSet::btnResetClick);
    btnPlot = button("btnPlot", "プロット(&P)", &TfrmIVSet::btnPlotClick);
    btnHelp = new QPushButton("&?", this);
    btnHelp->setObjectName("btnHelp");
    connect(btnHelp, &QPushButton::clicked, this,
            [this] { Guard([this] { ShowHtmlHelp(context_.State().Context(), kHelpContext); }); });
    btnExit = new QPushButton("閉じる(&X)", this);
    btnExit->setObjectName("btnExit");
    btnExit->setDefault(true);
    connect(btnExit, &QPushButton::clicked, this, [this] { done(1); });

    gbREGParam = new QGroupBox("回帰パラメータ", this);
    gbREGParam->setObjectName("gbREGParam");
    stVe = NewValueLabel(gbREGParam, "stVe", 90);
    stRR2 = NewValueLabel(gbREGParam, "stRR2", 90);
    btnRES = new QPushButton("残差(&E)", gbREGParam);
    btnRES->setObjectName("btnRES");
    connect(btnRES, &QPushButton::clicked, this, [this] { Guard([this] { btnRESClick(); }); });
    auto* param = new QGridLayout(gbREGParam);
    param->addWidget(new QLabel("s = ", gbREGParam), 0, 0);
    param->addWidget(stVe, 0, 1);
    param->addWidget(new QLabel("R'2 = ", gbREGParam), 1, 0);
    param->addWidget(stRR2, 1, 1);
    param->addWidget(btnRES, 2, 0, 1, 2);

    rgReg = new QGroupBox(this);
    rgReg->setObjectName("rgReg");
    rbOLS = new QRadioButton("OLS", rgReg);
    rbWLS = new QRadioButton("WLS", rgReg);
    rbRidge = new QRadioButton("Ridge", rgReg);
    rbOLS->setChecked(true);
    auto* regLayout = new QHBoxLayout(rgReg);
    for (QRadioButton* b : {rbOLS, rbWLS, rbRidge}) regLayout->addWidget(b);
    connect(rbRidge, &QRadioButton::toggled, this, [this](bool) { Guard([this] { ShowFirstStage(); }); });

    sgREG = new TStringGrid(this);
    sgREG->setObjectName("sgREG");
    sgREG->SetColCount(4);
    sgREG->SetRowCount(2);
    sgREG->SetDefaultColWidth(100);
    sgREG->SetDefaultRowHeight(22);
    sgREG->SetColWidth(0, 150);
    // The shared painter draws the marked standard errors red and blue.
    regContext_.font = font();
    UseGridCellPainter(*sgREG, [this]() -> const GridCellContext& { return regContext_; });
    connect(sgREG, &TStringGrid::GridMouseDown, this, [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
        Guard([this, b, x, y] {
            int c, r;
            sgREG->MouseToCell(x, y, c, r);
            sgREGClick(c, r, b);
        });
    });

    auto* left = new QGridLayout;
    left->addWidget(new QLabel("操作変数名", this), 0, 0);
    left->addWidget(cbIVSel, 0, 1);
    left->addWidget(rgIVSet, 1, 0, 1, 2);
    left->addWidget(new QLabel("K = ", this), 2, 0);
    left->addWidget(stLamda, 2, 1);
    left->addWidget(new QLabel("相関係数", this), 3, 0);
    left->addWidget(stR, 3, 1);
    left->addWidget(btnSet, 4, 0);
    left->addWidget(btnReset, 4, 1);
    left->addWidget(btnPlot, 5, 0);
    left->addWidget(btnHelp, 5, 1);
    left->addWidget(gbREGParam, 6, 0, 1, 2);
    left->setRowStretch(7, 1);
    left->addWidget(btnExit, 8, 0, 1, 2);
    auto* right = new QVBoxLayout;
    right->addWidget(rgReg);
    right->addWidget(sgREG, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 0);
    layout->addLayout(right, 1);

    registryListener_ = AnalysisWindows().AddListener([this] { UpdateFitChoices(); });
    EnableFirstStage(false);
}

TfrmIVSet::~TfrmIVSet() {
    if (registryListener_ >= 0) AnalysisWindows().RemoveListener(registryListener_);
}

void TfrmIVSet::Guard(const std::function<void()>& handler) { GuardCommand(context_.Services(), handler); }

bool TfrmIVSet::SetModel(RegIV* model, Reg* data, std::uint16_t mask) {
    model_ = model;
    data_ = data;
    mask_ = mask;
    k_ = 1.0;
    stR->setText(kUnitCorrelation);
    FormActivate();
    return true;
}

void TfrmIVSet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guard([this] { FormActivate(); });
}

void TfrmIVSet::FormActivate() {
    const QString chosen = cbIVSel->currentText();
    {
        const QSignalBlocker block(cbIVSel);
        cbIVSel->clear();
        if (model_)
            for (int j = 0; j < model_->VarCount(); ++j)
                if (model_->GetRole(j) != RegIV::kRoleDependent) cbIVSel->addItem(Q(model_->GetVarName(j)));
        const int keep = cbIVSel->findText(chosen);
        cbIVSel->setCurrentIndex(keep >= 0 ? keep : 0);
    }
    stLamda->setText(Q(FormatNumber(false, k_)));
    EnableFirstStage(methods->checkedId() == kExogenous || methods->checkedId() == kOthers);
    if (target_ < 0) cbIVSelChange();
}

void TfrmIVSet::EnableFirstStage(bool on) {
    sgREG->setEnabled(on);
    gbREGParam->setEnabled(on);
    rgReg->setEnabled(on);
    UpdateFitChoices();
}

// The weighted and ridge first stages run in their windows: a choice whose
// window is not there stays off.
void TfrmIVSet::UpdateFitChoices() {
    rbWLS->setEnabled(AnalysisWindows().Has(kWeightedWindow));
    rbRidge->setEnabled(AnalysisWindows().Has(kRidgeWindow));
    if ((!rbRidge->isEnabled() && rbRidge->isChecked()) || (!rbWLS->isEnabled() && rbWLS->isChecked()))
        rbOLS->setChecked(true);
}

int TfrmIVSet::ChosenVariable() const {
    if (!model_) return -1;
    const int j = model_->FindVar(cbIVSel->currentText().toStdString());
    return j >= 0 && j < model_->VarCount() ? j : -1;
}

void TfrmIVSet::cbIVSelChange() {
    methods->button(kRanks)->setChecked(true);
    shownMethod_ = kRanks;
    EnableFirstStage(false);
    target_ = data_ ? data_->FindVar(cbIVSel->currentText().toStdString()) : -1;
}

void TfrmIVSet::rgIVSetClick(int method) {
    const bool firstStage = method == kExogenous || method == kOthers;
    const auto choose = [this](int m) {
        methods->button(m)->setChecked(true);
        EnableFirstStage(m == kExogenous || m == kOthers);
    };
    choose(method);
    if (!data_ || target_ < 0 || !firstStage) {
        shownMethod_ = method;
        return;
    }
    const std::vector<int> candidates = method == kExogenous ? InstrumentFirstStage::ExogenousCandidates(*data_, target_)
                                                             : InstrumentFirstStage::OtherCandidates(*data_, target_);
    std::unique_ptr<InstrumentFirstStage> built;
    try {
        built = std::make_unique<InstrumentFirstStage>(*data_, target_, candidates, mask_, method == kExogenous);
    } catch (...) {
        // Refused: the dialog shows what it showed, under the method it was.
        choose(shownMethod_);
        throw;
    }
    firstStage_ = std::move(built);
    shownMethod_ = method;
    rbOLS->setChecked(true);
    ShowFirstStage();
}

void TfrmIVSet::ShowFirstStage() {
    if (!firstStage_) return;
    // The heading and the rows follow the fit chosen, before it has run.
    const std::vector<std::vector<std::string>> table = firstStage_->Table(rbRidge->isChecked());
    sgREG->ClearCells();
    sgREG->SetColCount(4);
    sgREG->SetRowCount(static_cast<int>(table.size()));
    for (std::size_t r = 0; r < table.size(); ++r)
        for (std::size_t c = 0; c < table[r].size() && c < 4; ++c)
            sgREG->SetCell(static_cast<int>(c), static_cast<int>(r), Q(table[r][c]));
    sgREG->SetColWidth(0, 150);
    sgREG->InvalidateGrid();
    stVe->setText(Q(FormatNumber(false, std::sqrt(firstStage_->S2()))));
    stRR2->setText(Q(FormatNumber(false, firstStage_->AdjR2())));
}

void TfrmIVSet::sgREGClick(int c, int r, Qt::MouseButton button) {
    (void)c;
    if (!firstStage_ || button != Qt::LeftButton || r < 2) return;
    const int j = r - 2;
    if (j >= firstStage_->ColumnCount() - 1 || firstStage_->FState(j) == FirstStageF::kTolCheck) return;
    if (!firstStage_->ToggleColumn(j)) return;
    rbOLS->setChecked(true);
    ShowFirstStage();
}

bool TfrmIVSet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == stLamda && event->type() == QEvent::MouseButtonPress) {
        Guard([this] { stLamdaClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmIVSet::stLamdaClick() {
    if (!model_) return;
    const InputAnswer a = context_.Services().AskInput("新しい平均係数", {"<auto>"}, FormatNumber(false, k_));
    if (a.result != mrOK) return;
    CalcStr& calc = context_.State().Evaluator();
    k_ = KFromText(a.text, *model_, [&calc](const std::string& text) { return calc.Evaluate(text, 1.0); });
    stLamda->setText(Q(FormatNumber(false, k_)));
}

std::optional<HandedBackFit> TfrmIVSet::RunRidge(const HandedBackRequest& request) {
    std::optional<HandedBackFit> fit;
    RidgeRequest r;
    r.table = &request.table;
    r.dependentColumn = request.dependentColumn;
    r.closed = [&fit](const Ridge& ridge) { fit = FitOfRidge(ridge); };
    OpenWindow(kRidgeWindow, context_.WithOwner(this), r);
    return fit;
}

std::optional<HandedBackFit> TfrmIVSet::RunWeighted(const HandedBackRequest& request) {
    std::optional<HandedBackFit> fit;
    WLSRequest r;
    r.table = &request.table;
    r.dependentColumn = request.dependentColumn;
    r.mode = kAutomaticRobustWeights;
    // Only a robust fit that succeeded is taken over.
    r.requireFit = true;
    r.closed = [&fit, &request](const WLSE& wlse) { fit = FitOfWeighted(wlse, request); };
    OpenWindow(kWeightedWindow, context_.WithOwner(this), r);
    return fit;
}

std::optional<std::vector<double>> TfrmIVSet::TypeValues(const std::string& name, std::vector<double> values) {
    const int n = static_cast<int>(values.size());
    for (int i = 0; i < n;) {
        double& v = values[static_cast<std::size_t>(i)];
        const std::string shown = FormatNumber(false, v);
        const InputAnswer a =
            context_.Services().AskInput(FormatIndexedLabel(name, std::to_string(i + 1), true), {}, shown);
        if (a.result != mrOK) return std::nullopt;
        if (a.text != shown) {
            // "@@" is the value as it is; a failed formula asks again.
            const std::optional<double> x = EvaluateFieldFormula(context_.State(), a.text, v);
            if (!x || !std::isfinite(*x)) continue;
            v = *x;
        }
        ++i;
    }
    return values;
}

void TfrmIVSet::btnSetClick() {
    const int var = ChosenVariable();
    const int method = methods->checkedId();
    if (!data_ || var < 0 || method < 0) return;
    std::vector<double> observed;
    model_->GetDataColumn(var, observed);
    if (method == kRanks) {
        SetInstrument(*model_, var, RankInstrument(observed));
    } else if (method == kTyped) {
        const std::optional<std::vector<double>> typed = TypeValues(model_->GetVarName(var), observed);
        if (!typed) {
            // Nothing typed: the values are the variable itself, whatever
            // instrument the design holds.
            stR->setText(kUnitCorrelation);
            return;
        }
        SetInstrument(*model_, var, *typed);
    } else if (firstStage_) {
        if (rbRidge->isChecked() || rbWLS->isChecked()) {
            const bool ridge = rbRidge->isChecked();
            // A window that refuses the data hands nothing back: the
            // instrument is then the variable itself.
            const std::vector<double> values = firstStage_->RunHandedBack(
                ridge ? FirstStageKind::kRidge : FirstStageKind::kWeighted, context_.State().Context(),
                [this, ridge](const HandedBackRequest& r) { return ridge ? RunRidge(r) : RunWeighted(r); }, k_);
            SetInstrument(*model_, var, values);
            ShowFirstStage();
        } else {
            SetFirstStageInstrument(*model_, var, *firstStage_, k_);
        }
    }
    stR->setText(Q(FormatNumber(false, InstrumentCorrelation(*model_, var))));
}

void TfrmIVSet::btnResetClick() {
    const int var = ChosenVariable();
    if (var < 0) return;
    RestoreObservedColumn(*model_, var);
    stR->setText(kUnitCorrelation);
}

void TfrmIVSet::btnPlotClick() {
    const int var = ChosenVariable();
    if (var < 0) return;
    std::vector<double> design, observed;
    model_->GetDesignColumn(var, design);
    model_->GetDataColumn(var, observed);
    const std::string name = model_->GetVarName(var);
    ShowXYGraph(context_.WithOwner(this), "(iv)" + name, design.data(), name, static_cast<int>(design.size()),
                observed.data());
}

void TfrmIVSet::btnRESClick() {
    if (!firstStage_) return;
    // An observation with leverage 1 has no standardised residual: it is
    // left out, and the user told so.
    std::vector<double> column;
    for (const std::optional<double>& r : firstStage_->StandardizedResiduals())
        column.push_back(r ? *r : std::numeric_limits<double>::quiet_NaN());
    const std::vector<double> leverage = firstStage_->ResidualLeverages();
    ShowColumnFundamentalStats(context_.WithOwner(this), "標準化残差", column.data(),
                               leverage.size() == column.size() ? leverage.data() : nullptr,
                               static_cast<int>(column.size()), 0);
}

#include "simeq/ui/sur_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "components/view/fundamental_stats_launcher.h"
#include "components/view/graph_launchers.h"
#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "components/view/result_grid.h"
#include "components/view/result_grid_pages.h"
#include "components/view/window_actions.h"
#include "components/view/window_status_bar.h"
#include "core/data/equation.h"
#include "core/data/variable.h"
#include "core/io/file_matrix.h"
#include "core/settings/file_services.h"
#include "core/model/data_edit_commands.h"
#include "core/model/estimate_texts.h"
#include "core/model/group_fit.h"
#include "core/model/regression_model.h"
#include "estimators/prediction_request.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "resources/string_table.h"
#include "simeq/sur_equations.h"
#include "simeq/sur_tables.h"
#include "stats/correlation_matrix_request.h"

namespace {

constexpr int kGroupCount = 16;
constexpr int kHelpContext = 1020;
const char* const kPredictWindow = "TfrmPredict";
const char* const kCorrelationWindow = "TfrmRelative";

std::string GroupFailure(const std::string& name) {
    return name + "式の" + LoadStr(kStrGroup) + LoadStr(kStrSettingFailed);
}

// The plotted series with one value per observation (t = 0 .. n-1): an
// observation the engine's series leaves out, or gives no standardised
// residual, has no number there.
struct SurObservationSeries {
    std::vector<double> time, fitted, standardized, squaredRatio, leverage;
};

SurObservationSeries SurSeriesByObservation(const SurPlotSeries& p, int n) {
    const double none = std::numeric_limits<double>::quiet_NaN();
    const auto size = static_cast<std::size_t>(n);
    SurObservationSeries s{std::vector<double>(size), std::vector<double>(size, none), std::vector<double>(size, none),
                           std::vector<double>(size, none), std::vector<double>(size, none)};
    for (int t = 0; t < n; ++t) s.time[static_cast<std::size_t>(t)] = t;
    const std::size_t kept = std::min({p.time.size(), p.fitted.size(), p.standardized.size()});
    for (std::size_t k = 0; k < kept; ++k) {
        const double t = p.time[k];
        if (!(t >= 0.0 && t < n)) continue;
        s.fitted[static_cast<std::size_t>(t)] = p.fitted[k];
        s.standardized[static_cast<std::size_t>(t)] = p.standardized[k];
    }
    if (p.squaredRatio.size() == size && p.leverage.size() == size) {
        s.squaredRatio = p.squaredRatio;
        s.leverage = p.leverage;
    }
    return s;
}

}  // namespace

TfrmSURE::TfrmSURE(const WindowContext& context) : AnalysisWindowFor(context) {
    setObjectName("frmSURE");
    setWindowTitle("SURE推定量");
    resize(760, 560);
    PlotSeries = SurPlots;

    cbSel = new QComboBox(this);
    cbSel->setObjectName("cbSel");
    cbSel->setMinimumWidth(140);
    btnCalc = AddButton("btnCalc", "計算(&C)", [this] { btnCalcClick(); });
    btnRelMat = AddButton("btnRelMat", "残差相関(&R)", [this] { btnRelMatClick(); });
    btnPred = AddButton("btnPred", "予測(&D)", [this] { btnPredClick(); });
    btnHelp = AddButton("btnHelp", "&?", [this] { ShowHtmlHelp(Context().State().Context(), kHelpContext); });
    btnEnd = AddButton("btnEnd", "閉じる(&X)", [this] { close(); });
    btnEnd->setDefault(true);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("式の選択", this));
    top->addWidget(cbSel);
    for (QPushButton* b : {btnCalc, btnRelMat, btnPred, btnHelp, btnEnd}) top->addWidget(b);
    top->addStretch(1);

    lbGrpSel = new QListWidget(this);
    lbGrpSel->setObjectName("lbGrpSel");
    lbGrpSel->installEventFilter(this);
    cHanpuku = new QCheckBox("反復処理", this);
    cHanpuku->setObjectName("cHanpuku");
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel("グループの選択", this));
    left->addWidget(lbGrpSel, 1);
    left->addWidget(cHanpuku);

    sgEst = NewResultGrid(this, "sgEst", 150);
    sgEst->SetDefaultRowHeight(22);
    stFE = NewValueLabel(this, "stFE", 80);
    stVe = NewValueLabel(this, "stVe", 110);
    stR2 = NewValueLabel(this, "stR2", 110);
    btnAdd = AddButton("btnAdd", "式への追加(&A)", [this] { btnAddClick(); });
    auto* figures = new QHBoxLayout;
    const std::pair<const char*, QLabel*> shown[] = {{"自由度", stFE}, {"回帰標準誤差", stVe}, {"修正済みR^2", stR2}};
    for (const auto& [caption, label] : shown) {
        figures->addWidget(new QLabel(caption, this));
        figures->addWidget(label);
    }
    figures->addStretch(1);
    figures->addWidget(btnAdd);

    sgRes = NewResultGrid(this, "sgRes", 50);
    sgRes->SetDefaultRowHeight(22);
    btnYEPlot = AddButton("btnYEPlot", "残差・予測値(&P)", [this] { ShowPlot(Plot::ResidualOnFitted); });
    btnETPlot = AddButton("btnETPlot", "残差時系列(&T)", [this] { ShowPlot(Plot::ResidualOnTime); });
    btnNPlot = AddButton("btnNPlot", "残差統計量(&N)", [this] { ShowPlot(Plot::Statistics); });
    btnLRPlot = AddButton("btnLRPlot", "Ｌ－Ｒプロット(&L)", [this] { ShowPlot(Plot::LeverageOnResidual); });
    auto* plots = new QHBoxLayout;
    for (QPushButton* b : {btnYEPlot, btnETPlot, btnNPlot, btnLRPlot}) plots->addWidget(b);
    plots->addStretch(1);

    auto* right = new QVBoxLayout;
    right->addWidget(sgEst, 2);
    right->addLayout(figures);
    right->addWidget(sgRes, 3);
    right->addLayout(plots);

    auto* middle = new QHBoxLayout;
    middle->addLayout(left, 1);
    middle->addLayout(right, 4);

    SB = NewStatusBar(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(SB);

    connect(cbSel, &QComboBox::activated, this, GuardedSlot([this](int) { cbSelChange(); }));
    connect(cHanpuku, &QCheckBox::clicked, this, GuardedSlot([this](bool) { cHanpukuClick(); }));
    connect(sgEst, &TStringGrid::GridMouseDown, this,
            GuardedSlot([this](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
                if (button != Qt::RightButton) return;
                int col = 0, row = 0;
                sgEst->MouseToCell(x, y, col, row);
                ShowInterval(row);
            }));
    connect(sgEst, &TStringGrid::KeyDown, this, GuardedSlot([this](int key, Qt::KeyboardModifiers modifiers) {
                if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (modifiers & Qt::ShiftModifier))
                    ShowInterval(sgEst->Row());
            }));
    registryListener_ = AnalysisWindows().AddListener([this] { UpdateButtons(); });
    UpdateButtons();
}

TfrmSURE::~TfrmSURE() { AnalysisWindows().RemoveListener(registryListener_); }

QPushButton* TfrmSURE::AddButton(const char* name, const char* caption, std::function<void()> handler) {
    return AddWindowButton(this, Context().State(), name, caption, std::move(handler));
}

void TfrmSURE::UpdateButtons() {
    const bool estimated = zelner_ && result_;
    btnRelMat->setEnabled(estimated && AnalysisWindows().Has(kCorrelationWindow));
    btnPred->setEnabled(estimated && AnalysisWindows().Has(kPredictWindow));
    for (QPushButton* b : {btnYEPlot, btnETPlot, btnNPlot, btnLRPlot, btnAdd}) b->setEnabled(estimated);
}

bool TfrmSURE::Setup(const LaunchRequest& request) { return request.model && SetData(*request.model); }

bool TfrmSURE::SetData(Reg& reg) {
    bool anyGroup = false;
    for (int g = 1; g <= kGroupCount && !anyGroup; ++g) anyGroup = reg.HasGroup(g);
    if (!anyGroup) return false;
    model_ = &reg;
    flagged_.fill(false);
    groups_.clear();
    zelner_.reset();
    result_.reset();
    current_ = 0;
    cbSel->clear();
    FormShow();
    return true;
}

int TfrmSURE::GroupOfText(const std::string& text) const {
    const int code = model_->GetGroupCode(text);
    if (code >= 1 && code <= kGroupCount) return code;
    try {
        std::size_t used = 0;
        const int g = std::stoi(text, &used);
        return used == text.size() ? g : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

void TfrmSURE::btnCalcClick() {
    if (!model_) return;
    flagged_.fill(false);
    std::vector<int> groups;
    for (int i = 0; i < lbGrpSel->count(); ++i) {
        const QListWidgetItem* item = lbGrpSel->item(i);
        if (item->checkState() != Qt::Checked) continue;
        const int g = GroupOfText(item->text().toStdString());
        if (g >= 1 && g <= kGroupCount && !flagged_[static_cast<std::size_t>(g - 1)]) groups.push_back(g);
        if (g >= 1 && g <= kGroupCount) flagged_[static_cast<std::size_t>(g - 1)] = true;
    }
    if (groups.size() < 2) return;
    std::sort(groups.begin(), groups.end());

    // The dependent of each equation, asked among the group's variables.
    const int dependent = model_->GetDependent();
    const std::string modelDependent = dependent >= 0 ? model_->GetVarName(dependent) : std::string();
    std::vector<int> dependents;
    int previous = 0;
    for (int g : groups) {
        const std::string name = model_->GetGroupName(g);
        std::vector<std::string> names;
        try {
            const Group group(*model_, static_cast<std::uint16_t>(1u << (g - 1)), true, modelDependent, name);
            if (!group.Usable()) throw Exception(GroupFailure(name));
            for (int j = 0; j < group.Cols(); ++j) names.push_back(group.GetVarName(j));
        } catch (const EOutOfMemory&) {
            throw;
        } catch (const Exception&) {
            throw Exception(GroupFailure(name));
        }
        const InputAnswer answer =
            Context().Services().AskInput("式（" + name + "）の被" + LoadStr(kStrChooseExplanatory), names, "");
        if (answer.result == mrOK) {
            const int found = model_->FindVar(answer.text);
            if (found >= 0) previous = found;
        }
        dependents.push_back(previous);
    }

    // Each equation is set up alone first, so a failure names its group.
    std::vector<SurEquation> equations;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        try {
            std::vector<SurEquation> one = MakeSurEquations(*model_, {dependents[i]}, {groups[i]});
            equations.push_back(std::move(one.front()));
        } catch (const EOutOfMemory&) {
            throw;
        } catch (const Exception&) {
            throw Exception(GroupFailure(model_->GetGroupName(groups[i])));
        }
    }
    auto zelner = std::make_shared<const Zelner>(std::move(equations));
    SurOptions options;
    options.iterate = cHanpuku->isChecked();
    auto result = std::make_shared<const SurResult>(zelner->Estimate(options));

    zelner_ = std::move(zelner);
    result_ = std::move(result);
    groups_ = groups;
    current_ = 0;
    cbSel->clear();
    for (int g : groups_) cbSel->addItem(Q(model_->GetGroupName(g)));
    cbSel->setCurrentIndex(0);
    FormShow();
}

void TfrmSURE::FormShow() {
    if (!model_) return;
    lbGrpSel->clear();
    for (int g = 1; g <= kGroupCount; ++g) {
        if (!model_->HasGroup(g)) continue;
        auto* item = new QListWidgetItem(Q(model_->GetGroupName(g)), lbGrpSel);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(flagged_[static_cast<std::size_t>(g - 1)] ? Qt::Checked : Qt::Unchecked);
    }
    UpdateButtons();
    if (cbSel->count() == 0 || !zelner_ || !result_) return;
    sgEst->Show(SurEstimateTable(*zelner_, *result_, current_));
    sgRes->Show(SurResidualTable(zelner_, result_, current_));
    const SurFitFigures fit = SurFit(*zelner_, *result_, current_);
    stVe->setText(Q(fit.standardError.Shown()));
    stR2->setText(Q(fit.adjustedR2.Shown()));
    stFE->setText(QString::number(fit.df));
    SB->clearMessage();
}

void TfrmSURE::cbSelChange() {
    if (!model_) return;
    const int g = GroupOfText(cbSel->currentText().toStdString());
    for (std::size_t i = 0; i < groups_.size(); ++i)
        if (groups_[i] == g) current_ = static_cast<int>(i);
    FormShow();
}

void TfrmSURE::cHanpukuClick() {
    if (!zelner_) return;
    SurOptions options;
    options.iterate = cHanpuku->isChecked();
    try {
        result_ = std::make_shared<const SurResult>(zelner_->Estimate(options));
    } catch (...) {
        // The box shows what the result on screen was estimated with.
        const QSignalBlocker block(cHanpuku);
        cHanpuku->setChecked(!options.iterate);
        throw;
    }
    FormShow();
}

void TfrmSURE::ShowPlot(Plot plot) {
    if (!zelner_ || !result_) return;
    const int n = zelner_->GetObservationCount();
    const SurObservationSeries s = SurSeriesByObservation(PlotSeries(*zelner_, *result_, current_), n);
    const std::vector<double>& shown = plot == Plot::LeverageOnResidual ? s.leverage : s.standardized;
    if (std::none_of(shown.begin(), shown.end(), [](double v) { return std::isfinite(v); })) {
        ErrorBox(Context().Services(), "数値になりません");
        return;
    }
    // The graph leaves out an observation without a standardised residual
    // and numbers the others by their observations.
    const std::string residual = LoadStr(kStrResidual);
    switch (plot) {
    case Plot::ResidualOnTime:
        ShowXYGraph(Context(), LoadStr(kStrTime), s.time.data(), residual, n, s.standardized.data());
        break;
    case Plot::ResidualOnFitted:
        ShowXYGraph(Context(), LoadStr(kStrPredicted), s.fitted.data(), residual, n, s.standardized.data());
        break;
    case Plot::LeverageOnResidual:
        ShowXYGraph(Context(), LoadStr(kStrSquaredResidual), s.squaredRatio.data(), LoadStr(kStrLeverage), n,
                    s.leverage.data());
        break;
    case Plot::Statistics:
        ShowColumnFundamentalStats(Context(), residual, s.standardized.data(), s.leverage.data(), n, 0);
        break;
    }
}

void TfrmSURE::btnRelMatClick() {
    if (!zelner_ || !result_ || !model_) return;
    const int n = zelner_->GetObservationCount(), g = zelner_->GetEquationCount();
    TNamedData table(Context().State().Context(), n, g);
    for (int j = 0; j < g; ++j) {
        table.SetColumnName(j, zelner_->GetEquationName(j));
        const std::vector<double>& e = result_->GetResidualData(j);
        for (int t = 0; t < n; ++t) table.SetValue(t, j, e[static_cast<std::size_t>(t)]);
    }
    CorrelationMatrixRequest request;
    request.table = &table;
    OpenWindow(kCorrelationWindow, Context(), WindowRequest(request));
}

void TfrmSURE::btnPredClick() {
    if (!zelner_ || !result_) return;
    const int i = current_, k = zelner_->GetCoefCount(i), d = zelner_->GetDependentPos(i);
    const double s2 = result_->GetSigma(i, i);
    // The constant term moves last; Q is the coefficients' covariance over s2.
    std::vector<int> order;
    for (int j = 0; j < k; ++j)
        if (j != d) order.push_back(j);
    order.push_back(d);
    PredictionRequest request;
    PredictionModel& m = request.model;
    m.q.Resize(k, k, false);
    for (int r = 0; r < k; ++r) {
        m.coef.push_back(result_->GetCoef(i, order[r]));
        if (r + 1 < k) m.names.push_back(zelner_->GetVarName(i, order[r]));
        for (int c = 0; c < k; ++c) m.q[r][c] = result_->GetCoefCov(i, order[r], order[c]) / s2;
    }
    m.s2 = s2;
    m.n = zelner_->GetObservationCount();
    m.p = k - 1;
    m.df = zelner_->GetDf(i);
    OpenWindow(kPredictWindow, Context(), WindowRequest(std::move(request)));
}

void TfrmSURE::btnAddClick() {
    if (!zelner_ || !result_ || !model_) return;
    AppState& state = Context().State();
    const DataEdit edit{*model_, state.Undo(), [&state](const std::string& n) { return state.IsReservedName(n); }};
    for (int i = 0; i < zelner_->GetEquationCount(); ++i) {
        const int d = zelner_->GetDependentPos(i), k = zelner_->GetCoefCount(i);
        const std::string& dependent = zelner_->GetVarName(i, d);
        const int var = model_->FindVar(dependent);
        // Only an endogenous variable has an equation of its own.
        if (var < 0 || model_->GetVarType(var) != Var::kEndogenous) continue;
        std::vector<std::string> names;
        for (int j = 0; j < k; ++j) names.push_back(j == d ? LoadStr(kStrConstantName) : zelner_->GetVarName(i, j));
        const std::vector<double>& coef = result_->equations[static_cast<std::size_t>(i)].coef;
        AddExpressionWithUndo(edit, Expres(dependent, k, false, coef, names));
    }
}

void TfrmSURE::ShowInterval(int row) {
    if (!zelner_ || !result_ || row < 1) return;
    const QString name = sgEst->Cell(0, row);
    const int j = zelner_->FindVar(current_, name.toStdString());
    if (j < 0) return;
    SB->showMessage(name + " : " +
                    Q(FormatConfidenceInterval(zelner_->GetDf(current_), 0.05, result_->GetStdError(current_, j),
                                               result_->GetCoef(current_, j))));
}

void TfrmSURE::lbGrpSelKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if ((key != Qt::Key_Return && key != Qt::Key_Enter) || !(modifiers & Qt::ShiftModifier)) return;
    if (lbGrpSel->count() == 0) return;
    QListWidgetItem* item = lbGrpSel->currentItem() ? lbGrpSel->currentItem() : lbGrpSel->item(0);
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

bool TfrmSURE::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lbGrpSel && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && (key->modifiers() & Qt::ShiftModifier)) {
            Guard([this, k = key->key(), m = key->modifiers()] { lbGrpSelKeyDown(k, m); });
            return true;
        }
    }
    return AnalysisWindowFor::eventFilter(watched, event);
}

void RegisterSurWindow() {
    AnalysisWindows().Register("TfrmSURE", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TfrmSURE>(context);
    });
}

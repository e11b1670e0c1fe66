// The estimates page of the main window: the swept model's coefficients
// with their F values, standard errors and VIFs, the fit statistics beside
// them, and the interactive choice of the dependent and explanatory
// variables.
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "components/view/field_formula.h"
#include "app/main_window/main_window.h"
#include "components/view/guarded_slot.h"
#include "components/view/key_helpers.h"
#include "components/view/labels.h"
#include "components/view/qt_text.h"
#include "core/model/estimate_rows.h"
#include "core/model/estimate_texts.h"
#include "core/model/regression_diagnostics.h"
#include "core/model/regression_model.h"
#include "core/numeric/statistics.h"
#include "core/numeric/vector.h"
#include "core/text/number_format.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"
#include "platform/qt/string_grid.h"
#include "resources/string_table.h"

namespace {

QLabel* NewStatic(QWidget* parent, const char* name) {
    QLabel* label = NewValueLabel(parent, name);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

}  // namespace

void TfrmREG::BuildEstimatesPage() {
    cbSelect = new QComboBox(tsSelect);
    cbSelect->setObjectName(QStringLiteral("cbSelect"));
    cbSelect->setMinimumWidth(200);
    connect(cbSelect, &QComboBox::textActivated, this,
            Guarded(state_, [this](const QString& text) { cbSelectChange(text); }));

    sgEst = NewGrid(tsSelect, "sgEst");
    sgEst->SetColCount(5);
    sgEst->SetRowCount(2);
    sgEst->SetColWidth(0, 140);
    for (int c = 1; c < 5; ++c) sgEst->SetColWidth(c, c == 3 ? 170 : 120);
    connect(sgEst, &TStringGrid::GridMouseDown, this,
            Guarded(state_, [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                sgEstMouseDown(b, m, x, y);
            }));
    connect(sgEst, &TStringGrid::KeyDown, this,
            Guarded(state_, [this](int key, Qt::KeyboardModifiers m) { sgEstKeyDown(key, m); }));

    auto* side = new QWidget(tsSelect);
    auto* form = new QGridLayout(side);
    form->setContentsMargins(8, 0, 6, 0);
    int row = 0;
    auto addRow = [&](QLabel* caption, QWidget* field) {
        form->addWidget(caption, row, 0);
        form->addWidget(field, row, 1);
        ++row;
    };
    auto caption = [&](const char* text) { return new QLabel(QString::fromUtf8(text), side); };
    addRow(caption("目的変数"), cbSelect);
    stVe = NewStatic(side, "stVe");
    stVe->setCursor(Qt::PointingHandCursor);
    stVe->installEventFilter(this);
    addRow(caption("回帰標準誤差"), stVe);
    lblRR2 = caption("");
    lblRR2->setObjectName(QStringLiteral("lblRR2"));
    stRR = NewStatic(side, "stRR");
    stRR->setCursor(Qt::PointingHandCursor);
    stRR->installEventFilter(this);
    addRow(lblRR2, stRR);
    stJoutai = NewStatic(side, "stJoutai");
    addRow(caption("状態数"), stJoutai);
    stPSS = NewStatic(side, "stPSS");
    addRow(caption("予測平方和"), stPSS);
    stFDE = new QLabel(side);
    stFDE->setObjectName(QStringLiteral("stFDE"));
    form->addWidget(stFDE, row++, 0, 1, 2);
    form->setRowMinimumHeight(row++, 12);
    auto button = [&](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromUtf8(text), side);
        b->setObjectName(QString::fromLatin1(name));
        // Enabled once their windows are registered.
        b->setEnabled(false);
        form->addWidget(b, row++, 0, 1, 2);
        return b;
    };
    btnAutoSel = button("btnAutoSel", "自動選択(&A)");
    btnMCL = button("btnMCL", "多重共線性(&M)");
    btnANOVA = button("btnANOVA", "分散分析(&O)");
    form->setRowStretch(row, 1);
    ShowR2();

    auto* layout = new QHBoxLayout(tsSelect);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(sgEst, 1);
    layout->addWidget(side, 0);
}

QLabel* TfrmREG::EstimateLabel(const std::string& name) const {
    for (QLabel* l : {stVe, lblRR2, stRR, stJoutai, stPSS, stFDE})
        if (l->objectName().toStdString() == name) return l;
    return nullptr;
}

QPushButton* TfrmREG::EstimateButton(const std::string& name) const {
    // The jackknife button sits on the diagnostics page.
    for (QPushButton* b : {btnAutoSel, btnMCL, btnANOVA, btnJNE})
        if (b && b->objectName().toStdString() == name) return b;
    return nullptr;
}

bool TfrmREG::eventFilter(QObject* watched, QEvent* event) {
    if (InputBoxKey(watched, event)) return true;
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && (watched == stRR || watched == stVe)) {
        GuardCommand(state_.Services(), [&] { watched == stRR ? stRRClick() : stVeClick(); });
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmREG::ShowR2() {
    lblRR2->setText(Q(LoadStr(ShowAdjustedR2 ? kStrAdjRSquared : kStrRSquared)));
    const Reg* model = state_.Model();
    if (!model)
        stRR->clear();
    else if (!model->HasEstimate())
        stRR->setText(QStringLiteral("-"));
    else
        stRR->setText(Q(FormatNumber(true, ShowAdjustedR2 ? model->GetAdjR2() : model->GetR2())));
}

void TfrmREG::tsSelectShow() {
    const Reg* model = state_.Model();
    if (!model) return;
    const int k = model->GetVarCount();
    const int df = model->GetResidualDf();
    const bool estimated = model->HasEstimate();

    // The condition number and the VIFs in one pass; a singular two-stage
    // block is an error here, shown by the command's guard. Roles without
    // an estimate show their names only.
    Vector vif;
    const double condition = estimated ? GetConditionNumber(*model, vif) : 0.0;
    const ResultTable table = EstimatesTable(*model, EstimateRows(*model, vif));

    sgEst->ClearCells();
    sgEst->SetRowCount(std::max(k + 1, 2));
    for (int c = 0; c < table.ColumnCount(); ++c) sgEst->SetCell(c, 0, Q(table.Title(c)));
    for (int r = 0; r < table.RowCount(); ++r)
        for (int c = 0; c < table.ColumnCount(); ++c) sgEst->SetCell(c, r + 1, Q(table.Cell(c, r).Shown()));
    sgEst->InvalidateGrid();

    if (cbSelect->currentText() != sgEst->Cell(0, 0)) {
        const QSignalBlocker block(cbSelect);
        cbSelect->setCurrentIndex(cbSelect->findText(sgEst->Cell(0, 0)));
    }
    ShowR2();
    if (estimated) {
        stVe->setText(Q(FormatNumber(false, std::sqrt(model->GetS2()))));
        const int m = model->CountExplanatory();
        stJoutai->setText(m == 0 ? QStringLiteral("-") : Q(FormatNumber(false, m == 1 ? 1.0 : condition)));
        stPSS->setText(Q(FormatNumber(false, model->GetPress())));
        stFDE->setText(QStringLiteral("自由度 = %1").arg(df));
    } else {
        for (QLabel* l : {stVe, stJoutai, stPSS}) l->setText(QStringLiteral("-"));
        stFDE->setText(QStringLiteral("自由度 = -"));
    }
    UpdateLaunchActions();
}

void TfrmREG::cbSelectChange(const QString& text) {
    Reg* model = state_.Model();
    if (!model) return;
    const int j = model->FindVar(text.toStdString());
    if (j < 0 || j >= model->GetVarCount()) return;
    // A refusal is shown by the model itself.
    const int best = model->SetDependent(j);
    const bool refused = !model->FitProblem().empty();
    // The best candidate enters only when it adds something to the fit.
    if (!refused && model->GetDependent() == j && best != j && best >= 0 && best < model->GetVarCount() &&
        model->GetFValue(best) > 0.0)
        (void)model->ToggleVariable(best);
    UpdateTwoStageIndicator();
    tsSelectShow();
}

void TfrmREG::sgEstMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y) {
    const Reg* model = state_.Model();
    if (!model) return;
    int c, r;
    sgEst->MouseToCell(x, y, c, r);
    if (c < 0 || r < 0) return;
    if (mods & Qt::ControlModifier) {
        if ((c != 2 && c != 3) || r < 1 || !model->HasEstimate()) return;
        const std::string name = sgEst->Cell(0, r).toStdString();
        const int j = r == 1 ? model->GetVarCount() : model->FindVar(name);
        if (j < 0) return;
        const double v = c == 2 ? model->GetCoef(j) : model->GetStdError(j);
        sbPanel0->setText(Q(FormatIndexedLabel(sgEst->Cell(c, 0).toStdString(), name, true) + " = " +
                            FormatExponent(7, v)));
        return;
    }
    ToggleEstimateRow(r, button == Qt::LeftButton);
}

void TfrmREG::sgEstKeyDown(int key, Qt::KeyboardModifiers mods) {
    if (IsEnterKey(key) && sgEst->Row() >= 2)
        ToggleEstimateRow(sgEst->Row(), !(mods & Qt::ShiftModifier));
}

void TfrmREG::ToggleEstimateRow(int row, bool toggle) {
    Reg* model = state_.Model();
    if (!model || row < 0 || row >= sgEst->RowCount()) return;
    const std::string name = sgEst->Cell(0, row).toStdString();
    const int j = row == 1 ? model->GetVarCount() : row == 0 ? model->GetDependent() : model->FindVar(name);
    if (j < 0) return;
    sbPanel1->setText(Q(model->GetVarInfo(j)));
    if (toggle) {
        if (sgEst->Cell(1, row).toStdString() == LoadStr(kStrTolCheck)) return;
        // A refusal is shown by the model itself. Refused or not, the model
        // may have changed (an under-identified two-stage model falls back
        // to least squares).
        (void)model->ToggleVariable(j);
        UpdateTwoStageIndicator();
        if (!model->IsTwoStage()) stLIML->clear();
        tsSelectShow();
    }
    if (row > 0 && model->HasEstimate()) {
        const std::string interval = FormatConfidenceInterval(model->GetResidualDf(), state_.CoefficientAlpha(),
                                                              model->GetStdError(j), model->GetCoef(j));
        sbPanel0->setText(Q(name + " : " + interval));
    }
}

void TfrmREG::stRRClick() {
    ShowAdjustedR2 = !ShowAdjustedR2;
    ShowR2();
}

void TfrmREG::stVeClick() {
    const Reg* model = state_.Model();
    if (!model || !model->HasEstimate()) return;
    sbPanel0->setText(Q(LoadStr(kStrRegressionStdError) + " : " +
                        FormatSigmaConfidenceInterval(model->GetResidualDf(), state_.CoefficientAlpha(), model->GetS2())));
}

void TfrmREG::mnuGlobalToleranceClick() {
    const double current = (1.0 - state_.CoefficientAlpha()) * 100.0;
    const InputAnswer a =
        state_.Services().AskInput("係数信頼度の設定(%)： 現在 = " + FormatPercent(current), {}, "");
    // An empty answer leaves the level as it is.
    if (a.result != mrOK || a.text.empty()) return;
    // "@@" is the present level; a formula that fails leaves it.
    const std::optional<double> typed = EvaluateFieldFormula(state_, a.text, current);
    if (!typed) return;
    const double v = *typed;
    // 100 % gives the level 0: unbounded intervals, shown as such.
    if (std::isfinite(v) && v >= 0.0 && v <= 100.0) (void)state_.SetCoefficientAlpha(1.0 - v / 100.0);
}
